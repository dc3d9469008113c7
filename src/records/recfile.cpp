// SPDX-License-Identifier: MIT
// The practice record file numdril.rec: the record values, start-up reading and seeding,
// and the exit-time rewrite. Does not draw.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "flow/flow.h"
#include "position/position.h"
#include "records/records.h"

static const char RECORD_FILE[] = "numdril.rec";
static const char POSITION_FILE_NAME[] = "Position_Practice";

// Line 1 labels. The Japanese one is "練習時間　" (practice time and a full-width space).
static const char TOTAL_LABEL_EN[] = "Total_Practice_Time";
static const char TOTAL_LABEL_JA[] = "\x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4\x81\x40";
// Time part of lines 2 and on, after the leading space. The Japanese units are
// "時間", "分" and "秒": the same 4, 2 and 2 bytes as "hour", "mi" and "se".
static const char TIME_FORMAT_EN[] = "%5dhour%2dmi%2dse\n";
static const char TIME_FORMAT_JA[] = "%5d\x8e\x9e\x8a\xd4%2d\x95\xaa%2d\x95\x62\n";

// Reader formats, one for both languages: the units are skipped by counting bytes.
// %n marks where the fields ended, so a line cut short is told from a whole one.
static const char READ_TIME_LINE[] = "%*s %5d%*1c%*c%*c%*c%2d%*c%*c%2d%*c%*c%n";
static const char READ_ITEM_LINE[] =
    "%*s %7lf%*c%n%8c%n %5d%*1c%*c%*c%*c%2d%*c%*c%2d%*c%*c%n";

// The largest best speed the file's seven columns hold with one decimal.
static const double MAX_FILE_SPEED = 99999.9;
// Longest line the reader takes; a written line is 68 bytes and its line end.
static const size_t MAX_LINE_BYTES = 256;

// Items per group, in group order.
static const int RECORD_GROUP_SIZES[RECORD_GROUPS] = {10, 10, 2};

// File names of the random record items (one token each), by group. y and x are where
// the record screen shows the item; only the display list below is drawn.
//   y    x  file name
static const SCREENITEM RANDOM_GROUP_1_FILES[] = {
    {112, 1, "Random_Practice", 0},
    {0, 0, nullptr, 0},
};
static const SCREENITEM RANDOM_GROUP_1_NAMES[] = {
    {112, 1, "Random Practice", 0},
    {0, 0, nullptr, 0},
};
static const SCREENITEM EMPTY_GROUP[] = {
    {0, 0, nullptr, 0},
};
const SCREENITEM* const RANDOM_RECORD_GROUPS[RECORD_GROUPS] = {RANDOM_GROUP_1_FILES,
                                                               EMPTY_GROUP, EMPTY_GROUP};
const SCREENITEM* const RANDOM_RECORD_NAMES[RECORD_GROUPS] = {RANDOM_GROUP_1_NAMES,
                                                              EMPTY_GROUP, EMPTY_GROUP};

int g_nPastSeconds = 0;
int g_nPositionSeconds = 0;
double g_dBestSpeed[RECORD_GROUPS][RECORD_GROUP_MAX];
char g_szBestDate[RECORD_GROUPS][RECORD_GROUP_MAX][9];
int g_nRandomSeconds[RECORD_GROUPS][RECORD_GROUP_MAX];
int g_nRandomCount[RECORD_GROUPS][RECORD_GROUP_MAX];

time64_t g_tStart = 0;
char g_szStartDate[9] = "";
char g_szStartTime[9] = "";
time64_t g_tEnd = 0;
int g_bRecSaved = 1;
int g_bLogSaved = 1;
int g_bSpdSaved = 1;
int g_bExitSaved = 0;

// 1 when numdril.rec existed at start-up but was not read to its end: the rewrite keeps
// the old file as numdril.rec.bak, so that what could not be read is not lost.
static int s_bKeepOldRecord = 0;

// A record file sets every value before the defaults are filled in, so the defaults are
// set here too (a never-set date is eight spaces, not an empty text).
static struct RecordDefaults {
  RecordDefaults() { ResetRecordState(); }
} s_recordDefaults;

void ResetRecordState() {
  g_nPastSeconds = 0;
  g_nPositionSeconds = 0;
  for (int g = 0; g < RECORD_GROUPS; ++g) {
    for (int i = 0; i < RECORD_GROUP_MAX; ++i) {
      g_dBestSpeed[g][i] = 0.0;
      memcpy(g_szBestDate[g][i], "        ", 9);
      g_nRandomSeconds[g][i] = 0;
      g_nRandomCount[g][i] = 0;
    }
  }
  g_tStart = 0;
  g_szStartDate[0] = '\0';
  g_szStartTime[0] = '\0';
  g_tEnd = 0;
  g_bRecSaved = 1;
  g_bLogSaved = 1;
  g_bSpdSaved = 1;
  g_bExitSaved = 0;
  s_bKeepOldRecord = 0;
}

void SplitSeconds(int64_t nSeconds, int* pnHours, int* pnMinutes, int* pnSeconds) {
  *pnHours = (int)(nSeconds / 3600);
  *pnMinutes = (int)(nSeconds / 60 % 60);
  *pnSeconds = (int)(nSeconds % 60);
}

// ---- Reading ---------------------------------------------------------------------------

enum LineResult { LINE_OK, LINE_END, LINE_BAD };

// Reads one line without its line end into pszLine (NUL-terminated). A line longer than
// MAX_LINE_BYTES or holding a NUL byte is damage, not data: a binary file or a device
// that never ends a line must not be read without bound. Lines of blanks only are passed
// over, as the whitespace skip of the line formats would.
static LineResult ReadRecordLine(FILE* pFile, char (&pszLine)[MAX_LINE_BYTES + 1]) {
  for (;;) {
    size_t nLength = 0;
    bool bBlank = true;
    int ch;
    while ((ch = getc(pFile)) != EOF && ch != '\n') {
      if (ch == '\0' || nLength == MAX_LINE_BYTES) return LINE_BAD;
      if (ch != ' ' && ch != '\t' && ch != '\r' && ch != '\v' && ch != '\f') bBlank = false;
      pszLine[nLength++] = (char)ch;
    }
    pszLine[nLength] = '\0';
    if (ch == EOF && ferror(pFile)) return LINE_BAD;  // a folder, an I/O error
    if (!bBlank) return LINE_OK;
    if (ch == EOF) return LINE_END;
  }
}

// Hours, minutes and seconds as read, summed; false when a part is negative or the sum
// does not fit the record's int.
static bool SumTime(int nHours, int nMinutes, int nSeconds, int* pnTotal) {
  if (nHours < 0 || nMinutes < 0 || nSeconds < 0) return false;
  int64_t nTotal = (int64_t)nHours * 3600 + (int64_t)nMinutes * 60 + nSeconds;
  if (nTotal > INT_MAX) return false;
  *pnTotal = (int)nTotal;
  return true;
}

// Line 1 or 2: a label token and a time. False when the line does not hold one.
static bool ParseTimeLine(const char* pszLine, int* pnTotal) {
  int nHours = 0, nMinutes = 0, nSeconds = 0, nEnd = -1;
  if (sscanf(pszLine, READ_TIME_LINE, &nHours, &nMinutes, &nSeconds, &nEnd) != 3 || nEnd < 0)
    return false;
  return SumTime(nHours, nMinutes, nSeconds, pnTotal);
}

// A random item line: name token, best speed, date, time. Nothing is stored unless the
// whole line is sound.
static bool ParseItemLine(const char* pszLine, double* pdSpeed, char* pszDate, int* pnTotal) {
  double dSpeed = 0.0;
  char szDate[9] = {0};
  int nHours = 0, nMinutes = 0, nSeconds = 0;
  int nDateStart = -1, nDateEnd = -1, nEnd = -1;
  int nFields = sscanf(pszLine, READ_ITEM_LINE, &dSpeed, &nDateStart, szDate, &nDateEnd,
                       &nHours, &nMinutes, &nSeconds, &nEnd);
  if (nFields != 5 || nEnd < 0) return false;
  // The date is exactly eight printable bytes of this line.
  if (nDateEnd - nDateStart != 8) return false;
  for (int i = 0; i < 8; ++i)
    if ((unsigned char)szDate[i] < 0x20 || (unsigned char)szDate[i] > 0x7E) return false;
  // The text generator sizes its text from the best speed: only a finite speed that the
  // file can hold again is taken (this also turns away NaN).
  if (!(dSpeed >= 0.0 && dSpeed <= MAX_FILE_SPEED)) return false;
  int nTotal = 0;
  if (!SumTime(nHours, nMinutes, nSeconds, &nTotal)) return false;
  *pdSpeed = dSpeed + 0.0;  // a "-0.0" becomes 0.0, "no result"
  memcpy(pszDate, szDate, 8);
  *pnTotal = nTotal;
  return true;
}

int ReadRecordFile(FILE* pFile) {
  char szLine[MAX_LINE_BYTES + 1];
  int nTotal = 0;

  if (ReadRecordLine(pFile, szLine) != LINE_OK || !ParseTimeLine(szLine, &nTotal)) return 0;
  g_nPastSeconds = nTotal;

  if (ReadRecordLine(pFile, szLine) != LINE_OK || !ParseTimeLine(szLine, &nTotal)) return 0;
  g_nPositionSeconds = nTotal;

  for (int g = 0; g < RECORD_GROUPS; ++g) {
    const SCREENITEM* pList = RANDOM_RECORD_GROUPS[g];
    for (int i = 0; i < RECORD_GROUP_SIZES[g] && pList[i].text; ++i) {
      double dSpeed = 0.0;
      if (ReadRecordLine(pFile, szLine) != LINE_OK ||
          !ParseItemLine(szLine, &dSpeed, g_szBestDate[g][i], &nTotal))
        return 0;
      g_dBestSpeed[g][i] = dSpeed;
      g_nRandomSeconds[g][i] = nTotal;
    }
  }
  return 1;
}

void LoadRecordsAtStart() {
  FILE* pFile = fopen(RECORD_FILE, "r");
  if (pFile) {
    if (!ReadRecordFile(pFile)) s_bKeepOldRecord = 1;
    fclose(pFile);
  } else if (errno != ENOENT) {
    s_bKeepOldRecord = 1;  // there, but not readable: not ours to replace blindly
  }
  BuildGuideLookup();
  _strdate(g_szStartDate);
  _strtime(g_szStartTime);
  g_tStart = GetTime();
  SRand((unsigned int)(g_tStart & 0x7FFF));
  for (int i = 0, n = (int)(g_tStart & 0xFF) + 10; i < n; ++i) Rand();
}

// ---- Writing ---------------------------------------------------------------------------

// Seconds the program has run so far; a clock set back counts as no time, not less.
static int64_t RunSecondsUntil(time64_t tNow) {
  return tNow > g_tStart ? (int64_t)(tNow - g_tStart) : 0;
}

// Line 1 reads back only below 10000 hours (a fifth hour digit joins the label) and the
// other lines below 100000: a larger total is written as the most the line can hold, so the
// next start can still read the file.
constexpr int64_t TOTAL_LINE_MAX_SECONDS = 9999 * 3600 + 59 * 60 + 59;
constexpr int64_t ITEM_LINE_MAX_SECONDS = 99999 * 3600 + 59 * 60 + 59;

static void SplitSecondsCapped(int64_t nSeconds, int64_t nMax, int* pnHours, int* pnMinutes,
                               int* pnSeconds) {
  SplitSeconds(nSeconds > nMax ? nMax : nSeconds, pnHours, pnMinutes, pnSeconds);
}

// Writes the whole record to pFile; false when a write fails.
static bool WriteRecordLines(FILE* pFile, time64_t tNow) {
  const char* pszTimeFormat = g_bEnglish == 1 ? TIME_FORMAT_EN : TIME_FORMAT_JA;
  int nHours, nMinutes, nSeconds;

  SplitSecondsCapped((int64_t)g_nPastSeconds + RunSecondsUntil(tNow), TOTAL_LINE_MAX_SECONDS,
                     &nHours, &nMinutes, &nSeconds);
  if (fputs(g_bEnglish == 1 ? TOTAL_LABEL_EN : TOTAL_LABEL_JA, pFile) < 0) return false;
  if (fprintf(pFile, pszTimeFormat, nHours, nMinutes, nSeconds) < 0) return false;

  SplitSecondsCapped(g_nPositionSeconds, ITEM_LINE_MAX_SECONDS, &nHours, &nMinutes, &nSeconds);
  if (fprintf(pFile, "%-34s%16s ", POSITION_FILE_NAME, "") < 0) return false;
  if (fprintf(pFile, pszTimeFormat, nHours, nMinutes, nSeconds) < 0) return false;

  for (int g = 0; g < RECORD_GROUPS; ++g) {
    const SCREENITEM* pList = RANDOM_RECORD_GROUPS[g];
    for (int i = 0; i < RECORD_GROUP_SIZES[g] && pList[i].text; ++i) {
      // Exactly eight date bytes, whatever the slot holds, so the columns stay in place.
      if (fprintf(pFile, "%-34s%7.1lf %-8.8s ", pList[i].text, g_dBestSpeed[g][i],
                  g_szBestDate[g][i]) < 0)
        return false;
      SplitSecondsCapped(g_nRandomSeconds[g][i], ITEM_LINE_MAX_SECONDS, &nHours, &nMinutes,
                         &nSeconds);
      if (fprintf(pFile, pszTimeFormat, nHours, nMinutes, nSeconds) < 0) return false;
    }
  }
  return true;
}

// The folder of a path, for syncing a rename into it.
static std::string FolderOf(const std::string& path) {
  size_t nSlash = path.rfind('/');
  if (nSlash == std::string::npos) return ".";
  return nSlash == 0 ? "/" : path.substr(0, nSlash);
}

static void SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (fd < 0) return;
  fsync(fd);  // best effort: the rename has happened either way
  close(fd);
}

// Creates pszPath afresh (never through whatever a stale name points to) and opens it for
// writing; null on failure.
static FILE* CreateFresh(const std::string& path, mode_t mode) {
  unlink(path.c_str());
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) return nullptr;
  FILE* pFile = fdopen(fd, "w");
  if (!pFile) close(fd);
  return pFile;
}

// Flushes pFile to the disk and closes it; false when anything failed on the way.
static bool FinishFile(FILE* pFile) {
  bool bOk = fflush(pFile) == 0 && !ferror(pFile);
  // A file system that cannot sync at all is no failure of this save.
  if (bOk && fsync(fileno(pFile)) != 0) bOk = errno == EINVAL || errno == ENOTSUP;
  return fclose(pFile) == 0 && bOk;
}

// Keeps the file at path as path + ".bak", replacing an older backup only once the new
// one is complete. A hard link costs nothing, since the file itself is never changed
// again; a copy serves where links are not to be had.
static bool KeepBackup(const std::string& path) {
  std::string backup = path + ".bak";
  std::string partial = backup + ".tmp";
  unlink(partial.c_str());
  if (link(path.c_str(), partial.c_str()) != 0) {
    FILE* pIn = fopen(path.c_str(), "rb");
    if (!pIn) return false;
    FILE* pOut = CreateFresh(partial, 0666);
    if (!pOut) {
      fclose(pIn);
      return false;
    }
    char buffer[4096];
    size_t nRead;
    bool bOk = true;
    while (bOk && (nRead = fread(buffer, 1, sizeof buffer, pIn)) > 0)
      bOk = fwrite(buffer, 1, nRead, pOut) == nRead;
    bOk = bOk && !ferror(pIn);
    fclose(pIn);
    if (!FinishFile(pOut) || !bOk) {
      unlink(partial.c_str());
      return false;
    }
  }
  if (rename(partial.c_str(), backup.c_str()) != 0) {
    unlink(partial.c_str());
    return false;
  }
  return true;
}

// Writes straight into something that is not a regular file (a device such as /dev/null
// that the user linked the record to): there is no old content to keep.
static int WriteInPlace(const std::string& path, time64_t tNow) {
  FILE* pFile = fopen(path.c_str(), "w");
  if (!pFile) return 0;
  bool bOk = WriteRecordLines(pFile, tNow);
  bOk = fflush(pFile) == 0 && bOk;
  return fclose(pFile) == 0 && bOk ? 1 : 0;
}

int WriteRecordFile() {
  time64_t tNow = GetTime();
  g_tEnd = tNow;

  // Follow a symbolic link, so that the file it names is replaced and the link stays.
  std::string path = RECORD_FILE;
  struct stat st;
  if (lstat(RECORD_FILE, &st) == 0 && S_ISLNK(st.st_mode)) {
    char* pszTarget = realpath(RECORD_FILE, nullptr);
    if (pszTarget) {
      path = pszTarget;
      free(pszTarget);
    }
  }
  bool bExists = stat(path.c_str(), &st) == 0;
  if (bExists && !S_ISREG(st.st_mode)) return WriteInPlace(path, tNow);

  // The new record goes into a file of its own and takes the old one's place only once it
  // is complete on the disk: a failed save leaves the old record as it was.
  std::string temp = path + ".tmp";
  FILE* pFile = CreateFresh(temp, bExists ? (st.st_mode & 07777) : 0666);
  if (!pFile) return 0;
  if (bExists) fchmod(fileno(pFile), st.st_mode & 07777);  // the umask is not the user's choice here
  bool bOk = WriteRecordLines(pFile, tNow);
  bOk = FinishFile(pFile) && bOk;
  if (bOk && bExists && s_bKeepOldRecord) bOk = KeepBackup(path);
  if (!bOk || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return 0;
  }
  SyncFolder(FolderOf(path));
  s_bKeepOldRecord = 0;  // what was there is kept; a later rewrite replaces our own file
  return 1;
}
