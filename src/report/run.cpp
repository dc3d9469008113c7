// SPDX-License-Identifier: MIT
// Practice report, the command: chooses how the text looks on this terminal, reads the
// current folder (the three files and the span's figures of numdril.db) and puts the
// report out. Never opens a window and needs no display.
#include <fcntl.h>
#include <langinfo.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>

#include "platform/files.h"
#include "records/records.h"
#include "report/report.h"

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

// Puts text out through pFile; false when any of it could not be written.
static bool PutText(FILE* pFile, const std::string& text) {
  bool bOk = fwrite(text.data(), 1, text.size(), pFile) == text.size();
  return fflush(pFile) == 0 && bOk;
}

// Whether the open file is one of the record files, under whatever name it was opened.
static bool IsOpenRecordFile(int fd) {
  struct stat opened, st;
  if (fstat(fd, &opened) != 0) return true;  // what cannot be told is not written over
  for (const char* pszName : {RECORD_FILE, LOG_FILE, SPEED_FILE})
    if (stat(pszName, &st) == 0 && st.st_dev == opened.st_dev && st.st_ino == opened.st_ino)
      return true;
  return false;
}

static void SayRecordFile(const char* pszPath) {
  fprintf(stderr,
          _("numdril: %s is a record file or a backup of one; name a picture to write, such "
            "as report.svg\n"),
          pszPath);
}

// Opens the picture's file to be written whole: a link only where the kernel would follow
// it, never a record file or one of its backups, nothing but a regular file, and each
// checked on the file opened, so that nothing can be put in its place meanwhile. -1 after
// one line on stderr when it may not be written.
static int OpenPicture(const char* pszPath) {
  std::string path;
  if (!FollowTrustedLinks(pszPath, &path)) {
    fprintf(stderr,
            _("numdril: cannot write %s: %s is a link that another user put in a shared "
              "folder\n"),
            pszPath, path.c_str());
    return -1;
  }
  if (IsRecordFilePath(pszPath)) {
    SayRecordFile(pszPath);
    return -1;
  }
  // O_NONBLOCK: a FIFO without a reader is refused at once rather than waited on.
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
  struct stat st;
  const char* pszProblem = nullptr;
  if (fd < 0)
    pszProblem = errno == ENXIO ? _("not a regular file") : strerror(errno);  // ENXIO: a FIFO
  else if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
    pszProblem = _("not a regular file");
  else if (IsOpenRecordFile(fd))
    pszProblem = "";
  else if (ftruncate(fd, 0) != 0)
    pszProblem = strerror(errno);
  if (!pszProblem) return fd;
  if (*pszProblem)
    fprintf(stderr, _("numdril: cannot write %s: %s\n"), pszPath, pszProblem);
  else
    SayRecordFile(pszPath);
  if (fd >= 0) close(fd);
  return -1;
}

static int WriteSvg(const char* pszPath, const std::string& svg) {
  if (strcmp(pszPath, "-") == 0) {
    if (PutText(stdout, svg)) return 0;
    fprintf(stderr, _("numdril: cannot write the report: %s\n"), strerror(errno));
    return 1;
  }
  const int fd = OpenPicture(pszPath);
  if (fd < 0) return 1;
  FILE* pFile = fdopen(fd, "w");
  if (!pFile) close(fd);
  bool bOk = pFile && PutText(pFile, svg);
  int nErrno = errno;
  if (pFile && fclose(pFile) != 0 && bOk) {
    bOk = false;
    nErrno = errno;
  }
  if (bOk) return 0;
  fprintf(stderr, _("numdril: cannot write %s: %s\n"), pszPath, strerror(nErrno));
  return 1;
}

void ReadReportPractice(ReportData* pData, int nSpanDays, int64_t tNow) {
  pData->nSpanDays = nSpanDays;
  ReadPracticeFigures(nSpanDays, tNow, &pData->practice);
}

int RunReport(const char* pszSvgPath, int nSpanDays) {
  ReportData data;
  ReadReport(&data);
  ReadReportPractice(&data, nSpanDays, GetTime());
  if (pszSvgPath) {
    // The picture holds the notes too; they are said here as well, where they are seen.
    fputs(FormatReportNotes(data).c_str(), stderr);
    return WriteSvg(pszSvgPath, FormatReportSvg(data));
  }
  char szFolder[PATH_MAX];
  const char* pszFolder = getcwd(szFolder, sizeof szFolder) ? szFolder : "";
  if (PutText(stdout, FormatReportText(data, ChooseReportStyle(STDOUT_FILENO), pszFolder)))
    return 0;
  fprintf(stderr, _("numdril: cannot write the report: %s\n"), strerror(errno));
  return 1;
}
