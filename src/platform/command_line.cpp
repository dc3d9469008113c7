// SPDX-License-Identifier: MIT
// The command line: read once into a CCommandLineInfo, the answers to --help and
// --version, and the record folder it chooses. Opens no window and reads no record.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

#ifndef NUMDRIL_VERSION
#define NUMDRIL_VERSION "0"
#endif

// In three parts for the translators: what it is, the options, where the files go.
static const char* const HELP_TEXT[] = {
    N_("Usage: numdril [OPTION]...\n"
       "A trainer for typing on the numeric keypad, in a window of its own.\n"),
    N_("  -C, --directory=DIR  keep the record files in DIR\n"
       "      --user-data      keep them in $XDG_DATA_HOME/numdril (by default\n"
       "                       ~/.local/share/numdril), made if missing; the menu\n"
       "                       entry starts numdril this way\n"
       "      --lang=LANG      the language of the screens, the record files and the\n"
       "                       messages: ja (Japanese) or en (English); without it,\n"
       "                       Japanese when the first of LC_ALL, LC_MESSAGES and LANG\n"
       "                       that is set starts with ja\n"
       "      --report[=FILE]  print a report of the practice so far (totals, best speed\n"
       "                       over time, practice per week; from numdril.db, speed\n"
       "                       and accuracy per day, each key, the slowest moves, the\n"
       "                       commonest mix-ups and the last runs) and exit, without a\n"
       "                       window; with FILE, write it there as an SVG picture\n"
       "                       instead ('-' for standard output; a relative FILE is\n"
       "                       taken from where numdril starts, even with -C)\n"
       "      --span=DAYS      the report's figures from numdril.db cover the last DAYS\n"
       "                       days, today included (by default 30); --span=all: the\n"
       "                       whole history\n"
       "      --show-report    write the report as a picture to\n"
       "                       $XDG_CACHE_HOME/numdril (by default ~/.cache/numdril)\n"
       "                       and open it in the desktop's viewer, without a window of\n"
       "                       numdril's own; the menu entry's Practice report does this\n"
       "      --keypad-only    count a digit typed on the digit row above the letters\n"
       "                       as a wrong key in both drills; remembered in the record\n"
       "                       folder (numdril.conf) until --no-keypad-only\n"
       "      --no-keypad-only take digits from either place again (the default)\n"
       "  -h, --help           display this help and exit\n"
       "  -V, --version        output version information and exit\n"),
    N_("The practice record (numdril.rec), the practice log (numdril.log) and the speed\n"
       "history (numdril.spd) are kept in the current directory unless an option above\n"
       "chooses another folder; the last one given counts. Japanese ones are in code\n"
       "page 932: read them with iconv -f CP932.\n"
       "Without a desktop session, run it on a virtual display: xvfb-run numdril\n"),
};

// The longest span --span takes, in days: some 270 years.
static const long MAX_SPAN_DAYS = 100000;

static const char VERSION_LINE[] = "numdril " NUMDRIL_VERSION "\n";
static const char COPYRIGHT_TEXT[] =
    N_("Copyright (c) 2026 The numdril developers\n"
       "License MIT: <https://opensource.org/licenses/MIT>\n");

// pszFormat has one %s, for pszWhat.
static void Refuse(CCommandLineInfo* pInfo, const char* pszFormat, const char* pszWhat) {
  pInfo->nCommand = CCommandLineInfo::UsageError;
  pInfo->usageError = FormatText(pszFormat, pszWhat);
}

static void ChooseLanguage(CCommandLineInfo* pInfo, const char* pszLanguage) {
  if (strcmp(pszLanguage, "ja") == 0)
    pInfo->nLanguage = CCommandLineInfo::Japanese;
  else if (strcmp(pszLanguage, "en") == 0)
    pInfo->nLanguage = CCommandLineInfo::English;
  else
    Refuse(pInfo, _("unknown language '%s' (ja or en)"), pszLanguage);
}

// --span's value: a number of days from 1 on, or "all" (0).
static void ChooseSpan(CCommandLineInfo* pInfo, const char* pszSpan) {
  if (strcmp(pszSpan, "all") == 0) {
    pInfo->nSpanDays = 0;
    return;
  }
  char* pszEnd = nullptr;
  errno = 0;
  const long nDays = pszSpan[0] >= '0' && pszSpan[0] <= '9' ? strtol(pszSpan, &pszEnd, 10) : 0;
  if (nDays < 1 || nDays > MAX_SPAN_DAYS || *pszEnd != '\0' || errno != 0)
    Refuse(pInfo, _("invalid span '%s': a number of days from 1 to 100000, or all"), pszSpan);
  else
    pInfo->nSpanDays = (int)nDays;
}

static void ChooseFolder(CCommandLineInfo* pInfo, CCommandLineInfo::Folder nFolder,
                         const char* pszDir) {
  pInfo->nFolder = nFolder;
  pInfo->folder = pszDir;
}

// A --report=FILE against the folder the program starts in: the record folder is entered
// before the picture is written.
static void ChooseReport(CCommandLineInfo* pInfo, const char* pszFile) {
  pInfo->nCommand = CCommandLineInfo::RunReport;
  pInfo->reportFile = pszFile;
  if (pszFile[0] == '\0' || pszFile[0] == '/' || strcmp(pszFile, "-") == 0) return;
  char* pszStart = getcwd(nullptr, 0);
  if (!pszStart) return;  // left relative: the picture lands in the record folder
  pInfo->reportFile = std::string(pszStart) + "/" + pszFile;
  free(pszStart);
}

// Whether the command line has been answered (help, version or a mistake), which ends its
// reading; any other command reads on, so that a folder option after it still counts.
static bool Answered(const CCommandLineInfo& info) {
  return info.nCommand == CCommandLineInfo::ShowHelp ||
         info.nCommand == CCommandLineInfo::ShowVersion ||
         info.nCommand == CCommandLineInfo::UsageError;
}

void ParseCommandLine(int argc, char** argv, CCommandLineInfo* pInfo) {
  *pInfo = CCommandLineInfo();
  bool bOptions = true;  // until "--"
  for (int i = 1; i < argc && !Answered(*pInfo); ++i) {
    const char* pszArg = argv[i];
    if (!bOptions) {
      Refuse(pInfo, _("extra operand '%s'"), pszArg);
    } else if (strcmp(pszArg, "--") == 0) {
      bOptions = false;
    } else if (strcmp(pszArg, "-h") == 0 || strcmp(pszArg, "--help") == 0) {
      pInfo->nCommand = CCommandLineInfo::ShowHelp;
    } else if (strcmp(pszArg, "-V") == 0 || strcmp(pszArg, "--version") == 0) {
      pInfo->nCommand = CCommandLineInfo::ShowVersion;
    } else if (strcmp(pszArg, "--show-report") == 0) {
      pInfo->nCommand = CCommandLineInfo::ShowReport;
    } else if (strcmp(pszArg, "--keypad-only") == 0) {
      pInfo->keypadOnly = OnOff::kOn;
    } else if (strcmp(pszArg, "--no-keypad-only") == 0) {
      pInfo->keypadOnly = OnOff::kOff;
    } else if (strcmp(pszArg, "--report") == 0) {
      ChooseReport(pInfo, "");
    } else if (strncmp(pszArg, "--report=", 9) == 0) {
      if (pszArg[9] == '\0')
        Refuse(pInfo, _("option '%s' requires a file name"), "--report=");
      else
        ChooseReport(pInfo, pszArg + 9);
    } else if (strncmp(pszArg, "--span=", 7) == 0) {
      ChooseSpan(pInfo, pszArg + 7);
    } else if (strcmp(pszArg, "--span") == 0) {
      if (i + 1 >= argc)
        Refuse(pInfo, _("option '%s' requires an argument"), pszArg);
      else
        ChooseSpan(pInfo, argv[++i]);
    } else if (strncmp(pszArg, "--lang=", 7) == 0) {
      ChooseLanguage(pInfo, pszArg + 7);
    } else if (strcmp(pszArg, "--lang") == 0) {
      if (i + 1 >= argc)
        Refuse(pInfo, _("option '%s' requires an argument"), pszArg);
      else
        ChooseLanguage(pInfo, argv[++i]);
    } else if (strcmp(pszArg, "--user-data") == 0) {
      ChooseFolder(pInfo, CCommandLineInfo::UserDataFolder, "");
    } else if (strncmp(pszArg, "--directory=", 12) == 0) {
      ChooseFolder(pInfo, CCommandLineInfo::GivenFolder, pszArg + 12);
    } else if (strcmp(pszArg, "-C") == 0 || strcmp(pszArg, "--directory") == 0) {
      if (i + 1 >= argc)
        Refuse(pInfo, _("option '%s' requires an argument"), pszArg);
      else
        ChooseFolder(pInfo, CCommandLineInfo::GivenFolder, argv[++i]);
    } else if (strncmp(pszArg, "-C", 2) == 0) {
      ChooseFolder(pInfo, CCommandLineInfo::GivenFolder, pszArg + 2);
    } else if (pszArg[0] == '-' && pszArg[1] != '\0') {
      // An option it does not know is a mistake to point out, not to start a session over.
      Refuse(pInfo, _("unrecognized option '%s'"), pszArg);
    } else {
      // The program takes no file arguments: a word meant as an option ("report") is a
      // mistake too.
      Refuse(pInfo, _("extra operand '%s'"), pszArg);
    }
  }
  // A span given to a session would be forgotten without a word.
  if (pInfo->nSpanDays >= 0 && pInfo->nCommand == CCommandLineInfo::RunWindow)
    Refuse(pInfo, _("option '%s' goes with --report or --show-report"), "--span");
}

int AnswerCommandLine(const CCommandLineInfo& info) {
  switch (info.nCommand) {
    case CCommandLineInfo::ShowHelp:
      printf("%s\n%s\n%s", _(HELP_TEXT[0]), _(HELP_TEXT[1]), _(HELP_TEXT[2]));
      return 0;
    case CCommandLineInfo::ShowVersion:
      printf("%s%s", VERSION_LINE, _(COPYRIGHT_TEXT));
      return 0;
    case CCommandLineInfo::UsageError:
      fprintf(stderr, "numdril: %s\n%s\n", info.usageError.c_str(),
              _("Try 'numdril --help' for more information."));
      return 2;
    case CCommandLineInfo::RunWindow:
    case CCommandLineInfo::RunReport:
    case CCommandLineInfo::ShowReport:
      break;
  }
  return -1;
}

// Makes every missing folder of an absolute path, each private to the user as the
// desktop's base directories ask; false with errno set when one cannot be made.
static bool MakeFolders(const std::string& path) {
  for (size_t nSlash = path.find('/', 1);; nSlash = path.find('/', nSlash + 1)) {
    std::string part = path.substr(0, nSlash);
    if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (nSlash == std::string::npos) return true;
  }
}

// $VARIABLE/numdril, or ~/UNDER_HOME/numdril where the variable is unset, empty or not an
// absolute path (which the base directories rule out); empty when HOME is not set either.
static std::string FindUserFolder(const char* pszVariable, const char* pszUnderHome) {
  const char* pszBase = getenv(pszVariable);
  if (pszBase && pszBase[0] == '/') return std::string(pszBase) + "/numdril";
  const char* pszHome = getenv("HOME");
  if (pszHome && pszHome[0] == '/') return std::string(pszHome) + pszUnderHome + "/numdril";
  return "";
}

bool MakeUserCacheFolder(std::string* pFolder, std::string* pError) {
  *pFolder = FindUserFolder("XDG_CACHE_HOME", "/.cache");
  if (pFolder->empty()) {
    *pError = _("neither XDG_CACHE_HOME nor HOME names a folder");
    return false;
  }
  if (!MakeFolders(*pFolder)) {
    // TRANSLATORS: the folder, then why (the system's words).
    *pError = FormatText(_("cannot make the folder '%s': %s"), pFolder->c_str(), strerror(errno));
    return false;
  }
  return true;
}

bool CWinApp::CanSaveInRecordFolder() { return access(".", W_OK) == 0; }

bool EnterRecordFolder(const CCommandLineInfo& info, CWinApp* pApp, std::string* pError) {
  std::string dir = info.folder;
  if (info.nFolder == CCommandLineInfo::CurrentFolder) {
    char* pszHere = getcwd(nullptr, 0);
    dir = pszHere ? pszHere : ".";
    free(pszHere);
  } else if (info.nFolder == CCommandLineInfo::UserDataFolder) {
    dir = FindUserFolder("XDG_DATA_HOME", "/.local/share");
    if (dir.empty()) {
      *pError = _("--user-data: neither XDG_DATA_HOME nor HOME names a folder");
      return false;
    }
    if (!MakeFolders(dir)) {
      *pError = FormatText(_("cannot make the record folder '%s': %s"), dir.c_str(),
                           strerror(errno));
      return false;
    }
  }
  // A folder the records could be read from but not saved to would lose a whole session's
  // practice at exit: better said now, whichever way the folder was chosen. A report only
  // reads.
  const bool bHere = info.nFolder == CCommandLineInfo::CurrentFolder;
  const bool bReads = info.nCommand == CCommandLineInfo::RunReport ||
                      info.nCommand == CCommandLineInfo::ShowReport;
  if (!(bHere || chdir(dir.c_str()) == 0) || access(".", R_OK | X_OK) != 0 ||
      (!bReads && !pApp->CanSaveInRecordFolder())) {
    *pError = FormatText(_("cannot keep the records in '%s': %s"), dir.c_str(), strerror(errno));
    return false;
  }
  return true;
}
