// SPDX-License-Identifier: MIT
// The program's language: Japanese or English, as the command line or the locale chooses,
// and gettext's catalogues of numdril's own texts, found from where the program lies.
// Only LC_MESSAGES follows the locale: numbers and dates stay as the C locale writes them,
// so the record files keep their bytes.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <clocale>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/platform.h"

// Where an installed program's catalogues lie, from its own folder.
#ifndef NUMDRIL_LOCALE_FROM_BIN
#define NUMDRIL_LOCALE_FROM_BIN "../share/locale"
#endif

static const char TEXT_DOMAIN[] = "numdril";

bool ChoosesJapanese(const CCommandLineInfo& info) {
  if (info.nLanguage != CCommandLineInfo::LocaleLanguage)
    return info.nLanguage == CCommandLineInfo::Japanese;
  // The order in which setlocale reads them for LC_MESSAGES.
  for (const char* pszVariable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* pszValue = getenv(pszVariable);
    if (pszValue && *pszValue) return strncmp(pszValue, "ja", 2) == 0;
  }
  return false;
}

static bool IsFolder(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A build folder keeps the catalogues in locale/ beside the program (/usr/bin/locale is a
// program, not a folder); an installed program finds its prefix's share/locale.
static std::string FindLocaleFolder() {
  char szProgram[PATH_MAX];
  const ssize_t nLength = readlink("/proc/self/exe", szProgram, sizeof szProgram - 1);
  if (nLength <= 0) return NUMDRIL_LOCALE_FROM_BIN;
  szProgram[nLength] = '\0';
  std::string folder(szProgram, (size_t)(strrchr(szProgram, '/') - szProgram));
  if (IsFolder(folder + "/locale")) return folder + "/locale";
  return folder + "/" NUMDRIL_LOCALE_FROM_BIN;
}

static bool IsCLocale(const char* pszName) {
  return !pszName || strcmp(pszName, "C") == 0 || strcmp(pszName, "POSIX") == 0;
}

void SetUpTranslations(const CCommandLineInfo& info) {
  const char* pszMessages = setlocale(LC_MESSAGES, "");
  // --lang outranks the user's LANGUAGE list; so does a Japanese locale this machine has
  // not generated, which leaves messages in C. gettext translates nothing in C and reads
  // LANGUAGE in any other locale, and C.UTF-8 is always there.
  const bool bJapanese = ChoosesJapanese(info);
  const bool bMessagesInC = IsCLocale(pszMessages);
  if (info.nLanguage != CCommandLineInfo::LocaleLanguage || (bJapanese && bMessagesInC)) {
    setenv("LANGUAGE", bJapanese ? "ja" : "en", 1);
    if (bJapanese && bMessagesInC) setlocale(LC_MESSAGES, "C.UTF-8");
  }
  bindtextdomain(TEXT_DOMAIN, FindLocaleFolder().c_str());
  // LC_CTYPE stays C: under a UTF-8 one, SDL would name the window (WM_NAME) in an encoding
  // that ICCCM readers such as xdotool do not know. The texts come out in UTF-8 all the
  // same, the C library's own (strerror) within ours too.
  bind_textdomain_codeset(TEXT_DOMAIN, "UTF-8");
  bind_textdomain_codeset("libc", "UTF-8");
  textdomain(TEXT_DOMAIN);
}

std::string FormatText(const char* pszFormat, ...) {
  va_list args, copy;
  va_start(args, pszFormat);
  va_copy(copy, args);
  const int nLength = vsnprintf(nullptr, 0, pszFormat, args);
  std::string text(nLength > 0 ? (size_t)nLength : 0, '\0');
  vsnprintf(text.data(), text.size() + 1, pszFormat, copy);
  va_end(copy);
  va_end(args);
  return text;
}
