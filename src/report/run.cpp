// SPDX-License-Identifier: MIT
// Practice report, the command: chooses how the text looks on this terminal, reads the
// current folder and puts the report out. Never opens a window and needs no display.
#include <langinfo.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "report/report.h"

// The files a picture must never be written over.
static const char* const RECORD_FILES[] = {"numdril.rec", "numdril.log", "numdril.spd"};

static bool NamesUtf8(const char* pszName) {
  return pszName && (strcasestr(pszName, "UTF-8") || strcasestr(pszName, "UTF8"));
}

// Whether text in the user's locale is UTF-8. The locale is asked and put back as it was,
// so nothing else sees it changed. A locale that names UTF-8 but is not installed
// (setlocale fails) still means a UTF-8 terminal.
static bool LocaleIsUtf8() {
  const char* pszOld = setlocale(LC_CTYPE, nullptr);
  const std::string old = pszOld ? pszOld : "C";
  bool bUtf8;
  if (setlocale(LC_CTYPE, "")) {
    bUtf8 = NamesUtf8(nl_langinfo(CODESET));
  } else {
    const char* pszName = nullptr;
    for (const char* pszVar : {"LC_ALL", "LC_CTYPE", "LANG"}) {
      pszName = getenv(pszVar);
      if (pszName && *pszName) break;
    }
    bUtf8 = NamesUtf8(pszName);
  }
  setlocale(LC_CTYPE, old.c_str());
  return bUtf8;
}

ReportStyle ChooseReportStyle(int fd) {
  ReportStyle style;
  style.bUtf8 = LocaleIsUtf8();
  // NO_COLOR set to anything but the empty text turns colour off (no-color.org).
  const char* pszNoColour = getenv("NO_COLOR");
  const char* pszTerm = getenv("TERM");
  style.bColour =
      isatty(fd) && !(pszNoColour && *pszNoColour) && !(pszTerm && strcmp(pszTerm, "dumb") == 0);
  return style;
}

static bool WriteAll(FILE* pFile, const std::string& text) {
  bool bOk = fwrite(text.data(), 1, text.size(), pFile) == text.size();
  return fflush(pFile) == 0 && bOk;
}

// Whether pszPath is one of the record files of the current folder, under any name.
static bool IsRecordFile(const char* pszPath) {
  struct stat target;
  if (stat(pszPath, &target) != 0) return false;
  for (const char* pszName : RECORD_FILES) {
    struct stat st;
    if (stat(pszName, &st) == 0 && st.st_dev == target.st_dev && st.st_ino == target.st_ino)
      return true;
  }
  return false;
}

static int WriteSvg(const char* pszPath, const std::string& svg) {
  if (strcmp(pszPath, "-") == 0) {
    if (WriteAll(stdout, svg)) return 0;
    fprintf(stderr, "numdril: cannot write the report: %s\n", strerror(errno));
    return 1;
  }
  if (IsRecordFile(pszPath)) {
    fprintf(stderr, "numdril: %s is a record file; name a picture to write, such as report.svg\n",
            pszPath);
    return 1;
  }
  FILE* pFile = fopen(pszPath, "w");
  bool bOk = pFile && WriteAll(pFile, svg);
  int nErrno = errno;
  if (pFile && fclose(pFile) != 0 && bOk) {
    bOk = false;
    nErrno = errno;
  }
  if (bOk) return 0;
  fprintf(stderr, "numdril: cannot write %s: %s\n", pszPath, strerror(nErrno));
  return 1;
}

int RunReport(const char* pszSvgPath) {
  ReportData data;
  ReadReport(&data);
  if (pszSvgPath) {
    // The picture holds the notes too; they are said here as well, where they are seen.
    fputs(FormatReportNotes(data).c_str(), stderr);
    return WriteSvg(pszSvgPath, FormatReportSvg(data));
  }
  char szFolder[PATH_MAX];
  const char* pszFolder = getcwd(szFolder, sizeof szFolder) ? szFolder : "";
  if (WriteAll(stdout, FormatReportText(data, ChooseReportStyle(STDOUT_FILENO), pszFolder)))
    return 0;
  fprintf(stderr, "numdril: cannot write the report: %s\n", strerror(errno));
  return 1;
}
