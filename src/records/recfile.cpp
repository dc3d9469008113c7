// SPDX-License-Identifier: MIT
// The practice record file numdril.rec: the record values, start-up reading and seeding,
// and the rewrite that merges this run's practice into whatever the file holds by then.
// Does not draw; the file-system side is in safefile.cpp.
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
// Longest line the reader takes, a bound for a file that is not a record at all; a written
// line is 68 bytes and its line end.
static const size_t MAX_LINE_BYTES = 64 * 1024;

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
uint64_t g_nStartClockMs = 0;
int g_bRecSaved = 1;
int g_bLogSaved = 1;
int g_bSpdSaved = 1;
int g_bExitSaved = 0;

// The values of one record file: line 1's use time, the position line, the random items.
struct RecordValues {
  int nTotalSeconds;
  int nPositionSeconds;
  double dBestSpeed[RECORD_GROUPS][RECORD_GROUP_MAX];
  char szBestDate[RECORD_GROUPS][RECORD_GROUP_MAX][9];
  int nRandomSeconds[RECORD_GROUPS][RECORD_GROUP_MAX];
};

// The record as this run last read it from numdril.rec or wrote it there: what this run has
// added since is the difference between the values in memory and these.
static RecordValues s_synced;

// A record file sets every value before the defaults are filled in, so the defaults are
// set here too (a never-set date is eight spaces, not an empty text).
static struct RecordDefaults {
  RecordDefaults() { ResetRecordState(); }
} s_recordDefaults;

static void TakeValues(RecordValues* pValues, int64_t nRunSeconds);

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
  g_nStartClockMs = 0;
  g_bRecSaved = 1;
  g_bLogSaved = 1;
  g_bSpdSaved = 1;
  g_bExitSaved = 0;
  TakeValues(&s_synced, 0);
}

void SplitSeconds(int64_t nSeconds, int* pnHours, int* pnMinutes, int* pnSeconds) {
  *pnHours = (int)(nSeconds / 3600);
  *pnMinutes = (int)(nSeconds / 60 % 60);
  *pnSeconds = (int)(nSeconds % 60);
}

int64_t RunSeconds() {
  const uint64_t nNowMs = MonotonicMs();
  return nNowMs > g_nStartClockMs ? (int64_t)((nNowMs - g_nStartClockMs) / 1000) : 0;
}

// ---- Values --------------------------------------------------------------------------------

// Line 1 reads back only below 10000 hours (a fifth hour digit joins the label) and the
// other lines below 100000: a larger total is held as the most the line can hold, so the
// next start can still read the file.
constexpr int64_t TOTAL_LINE_MAX_SECONDS = 9999 * 3600 + 59 * 60 + 59;
constexpr int64_t ITEM_LINE_MAX_SECONDS = 99999 * 3600 + 59 * 60 + 59;

static int Clamp(int64_t nSeconds, int64_t nMax) {
  return (int)(nSeconds < 0 ? 0 : nSeconds > nMax ? nMax : nSeconds);
}

// Calls f(g, i) for every random record item, in group order.
template <typename F>
static void ForEachItem(F f) {
  for (int g = 0; g < RECORD_GROUPS; ++g) {
    const SCREENITEM* pList = RANDOM_RECORD_GROUPS[g];
    for (int i = 0; i < RECORD_GROUP_SIZES[g] && pList[i].text; ++i) f(g, i);
  }
}

// The values in memory as the file would hold them after nRunSeconds of this run.
static void TakeValues(RecordValues* pValues, int64_t nRunSeconds) {
  pValues->nTotalSeconds = Clamp((int64_t)g_nPastSeconds + nRunSeconds, INT_MAX);
  pValues->nPositionSeconds = g_nPositionSeconds;
  memcpy(pValues->dBestSpeed, g_dBestSpeed, sizeof g_dBestSpeed);
  memcpy(pValues->szBestDate, g_szBestDate, sizeof g_szBestDate);
  memcpy(pValues->nRandomSeconds, g_nRandomSeconds, sizeof g_nRandomSeconds);
}

// A new best speed still on the result screen, as leaving the result would store it.
static void AddBestOnScreen(RecordValues* pValues) {
  double dSpeed;
  char szDate[9];
  if (!NewBestOnScreen(&dSpeed, szDate)) return;
  ForEachItem([&](int g, int i) {
    if (g_pBestSpeed != &g_dBestSpeed[g][i]) return;
    pValues->dBestSpeed[g][i] = dSpeed;
    memcpy(pValues->szBestDate[g][i], szDate, 9);
  });
}

// What the file gets: the file as it is now plus what this run added since it last read or
// wrote it; the better best speed, with its own date (on a tie, this run's if it set one).
// Another numdril practising in the same folder meanwhile loses nothing, whichever of the
// two saves last.
static void Merge(const RecordValues& disk, const RecordValues& mine, RecordValues* pOut) {
  *pOut = disk;
  pOut->nTotalSeconds = Clamp((int64_t)disk.nTotalSeconds + mine.nTotalSeconds -
                                  s_synced.nTotalSeconds, TOTAL_LINE_MAX_SECONDS);
  pOut->nPositionSeconds = Clamp((int64_t)disk.nPositionSeconds + mine.nPositionSeconds -
                                     s_synced.nPositionSeconds, ITEM_LINE_MAX_SECONDS);
  ForEachItem([&](int g, int i) {
    pOut->nRandomSeconds[g][i] = Clamp((int64_t)disk.nRandomSeconds[g][i] +
                                           mine.nRandomSeconds[g][i] -
                                           s_synced.nRandomSeconds[g][i], ITEM_LINE_MAX_SECONDS);
    const bool bMineSet = mine.dBestSpeed[g][i] != s_synced.dBestSpeed[g][i] ||
                          memcmp(mine.szBestDate[g][i], s_synced.szBestDate[g][i], 9) != 0;
    if (mine.dBestSpeed[g][i] > disk.dBestSpeed[g][i] ||
        (bMineSet && mine.dBestSpeed[g][i] == disk.dBestSpeed[g][i])) {
      pOut->dBestSpeed[g][i] = mine.dBestSpeed[g][i];
      memcpy(pOut->szBestDate[g][i], mine.szBestDate[g][i], 9);
    }
  });
}

// Memory takes values as the file now holds them, and they become the values last synced.
// After a read it takes every value; after a merged write a best speed only where the file
// holds a better one (another run's), and never the best still on the result screen: that
// one is stored when the result is left, as the screens expect.
static void PutValues(const RecordValues& values, int64_t nRunSeconds, bool bBetterBestOnly) {
  g_nPastSeconds = Clamp((int64_t)values.nTotalSeconds - nRunSeconds, INT_MAX);
  g_nPositionSeconds = values.nPositionSeconds;
  ForEachItem([&](int g, int i) {
    g_nRandomSeconds[g][i] = values.nRandomSeconds[g][i];
    if (!bBetterBestOnly ||
        (values.dBestSpeed[g][i] > g_dBestSpeed[g][i] && &g_dBestSpeed[g][i] != g_pBestSpeed)) {
      g_dBestSpeed[g][i] = values.dBestSpeed[g][i];
      memcpy(g_szBestDate[g][i], values.szBestDate[g][i], 9);
    }
  });
  s_synced = values;
}

// ---- Reading ---------------------------------------------------------------------------

enum LineResult { LINE_OK, LINE_END, LINE_BAD };

// Reads one line without its line end into line. CR, LF and CRLF all end a line, as a
// whitespace-separated scan would take them. A line holding a NUL byte or longer than
// MAX_LINE_BYTES is damage, not data. Lines of blanks only are passed over.
static LineResult ReadRecordLine(FILE* pFile, std::string& line) {
  for (;;) {
    line.clear();
    bool bBlank = true;
    int ch;
    while ((ch = getc(pFile)) != EOF && ch != '\n' && ch != '\r') {
      if (ch == '\0' || line.size() == MAX_LINE_BYTES) return LINE_BAD;
      if (ch != ' ' && ch != '\t' && ch != '\v' && ch != '\f') bBlank = false;
      line += (char)ch;
    }
    if (ch == EOF && ferror(pFile)) return LINE_BAD;  // an I/O error
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
static bool ParseTimeLine(const std::string& line, int* pnTotal) {
  int nHours = 0, nMinutes = 0, nSeconds = 0, nEnd = -1;
  if (sscanf(line.c_str(), READ_TIME_LINE, &nHours, &nMinutes, &nSeconds, &nEnd) != 3 ||
      nEnd < 0)
    return false;
  return SumTime(nHours, nMinutes, nSeconds, pnTotal);
}

// A random item line: name token, best speed, date, time. Nothing is stored unless the
// whole line is sound.
static bool ParseItemLine(const std::string& line, double* pdSpeed, char* pszDate,
                          int* pnTotal) {
  double dSpeed = 0.0;
  char szDate[9] = {0};
  int nHours = 0, nMinutes = 0, nSeconds = 0;
  int nDateStart = -1, nDateEnd = -1, nEnd = -1;
  int nFields = sscanf(line.c_str(), READ_ITEM_LINE, &dSpeed, &nDateStart, szDate, &nDateEnd,
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
  pszDate[8] = '\0';
  *pnTotal = nTotal;
  return true;
}

// Reads a record into pValues line by line; the values of lines not read keep what they
// held. 1 when every expected line was read.
static int ReadValues(FILE* pFile, RecordValues* pValues) {
  std::string line;
  if (ReadRecordLine(pFile, line) != LINE_OK || !ParseTimeLine(line, &pValues->nTotalSeconds))
    return 0;
  if (ReadRecordLine(pFile, line) != LINE_OK ||
      !ParseTimeLine(line, &pValues->nPositionSeconds))
    return 0;
  bool bWhole = true;
  ForEachItem([&](int g, int i) {
    if (bWhole)
      bWhole = ReadRecordLine(pFile, line) == LINE_OK &&
               ParseItemLine(line, &pValues->dBestSpeed[g][i], pValues->szBestDate[g][i],
                             &pValues->nRandomSeconds[g][i]);
  });
  return bWhole ? 1 : 0;
}

int ReadRecordFile(FILE* pFile) {
  RecordValues values;
  TakeValues(&values, 0);
  int nWhole = ReadValues(pFile, &values);
  PutValues(values, 0, false);
  return nWhole;
}

enum RecordState { REC_MISSING, REC_WHOLE, REC_DAMAGED, REC_UNREADABLE };

// Reads the record file at path into pValues, if there is one to read. A FIFO, device or
// folder counts as missing, and so does an empty file: it holds nothing to keep.
static RecordState ReadRecordAt(const std::string& path, RecordValues* pValues,
                                struct stat* pStat) {
  int fd = OpenRegularFile(path.c_str(), O_RDONLY);
  if (fd == NOT_REGULAR_FILE || (fd < 0 && errno == ENOENT)) return REC_MISSING;
  if (fd < 0) return REC_UNREADABLE;
  fstat(fd, pStat);
  FILE* pFile = fdopen(fd, "r");
  if (!pFile) {
    close(fd);
    return REC_UNREADABLE;
  }
  RecordState state = REC_WHOLE;
  if (pStat->st_size == 0)
    state = REC_MISSING;
  else if (!ReadValues(pFile, pValues))
    state = REC_DAMAGED;
  fclose(pFile);
  return state;
}

// At start-up: the record into memory, and one line on stderr about a record that cannot
// be taken as it is.
static void ReadRecordAtStart() {
  const std::string path = FollowLinks(RECORD_FILE);
  const int fdLock = LockFolder(FolderOf(path));
  RecordValues values;
  TakeValues(&values, 0);
  struct stat st{};
  RecordState state = ReadRecordAt(path, &values, &st);
  if (state == REC_UNREADABLE) {
    fprintf(stderr, "numdril: cannot read %s (%s); it is left as it is and not replaced\n",
            RECORD_FILE, strerror(errno));
  } else if (state == REC_DAMAGED) {
    std::string backup;
    if (KeepBackup(path, &backup))
      fprintf(stderr, "numdril: %s could not be read whole; it is kept as %s\n", RECORD_FILE,
              backup.c_str());
    else
      fprintf(stderr, "numdril: %s could not be read whole and no backup of it can be made "
                      "(%s); it is not replaced\n", RECORD_FILE, strerror(errno));
  } else if (state == REC_MISSING && S_ISREG(st.st_mode) &&
             access((path + ".bak").c_str(), F_OK) == 0) {
    fprintf(stderr, "numdril: %s is empty; %s.bak holds an earlier record\n", RECORD_FILE,
            RECORD_FILE);
  }
  UnlockFolder(fdLock);
  PutValues(values, 0, false);
}

void LoadRecordsAtStart() {
  ReadRecordAtStart();
  BuildGuideLookup();
  _strdate(g_szStartDate);
  _strtime(g_szStartTime);
  g_tStart = GetTime();
  g_nStartClockMs = MonotonicMs();
  SRand((unsigned int)(g_tStart & 0x7FFF));
  for (int i = 0, n = (int)(g_tStart & 0xFF) + 10; i < n; ++i) Rand();
}

// ---- Writing ---------------------------------------------------------------------------

static void AppendTimeLine(std::string* pText, const char* pszFormat, int nSeconds) {
  int nHours, nMinutes, nSecs;
  SplitSeconds(nSeconds, &nHours, &nMinutes, &nSecs);
  char sz[64];
  snprintf(sz, sizeof sz, pszFormat, nHours, nMinutes, nSecs);
  *pText += sz;
}

// The whole record file as text.
static std::string FormatRecord(const RecordValues& values) {
  const char* pszTimeFormat = g_bEnglish == 1 ? TIME_FORMAT_EN : TIME_FORMAT_JA;
  std::string text = g_bEnglish == 1 ? TOTAL_LABEL_EN : TOTAL_LABEL_JA;
  AppendTimeLine(&text, pszTimeFormat, values.nTotalSeconds);
  char sz[128];
  snprintf(sz, sizeof sz, "%-34s%16s ", POSITION_FILE_NAME, "");
  text += sz;
  AppendTimeLine(&text, pszTimeFormat, values.nPositionSeconds);
  ForEachItem([&](int g, int i) {
    // Exactly eight date bytes, whatever the slot holds, so the columns stay in place.
    snprintf(sz, sizeof sz, "%-34s%7.1lf %-8.8s ", RANDOM_RECORD_GROUPS[g][i].text,
             values.dBestSpeed[g][i], values.szBestDate[g][i]);
    text += sz;
    AppendTimeLine(&text, pszTimeFormat, values.nRandomSeconds[g][i]);
  });
  return text;
}

int WriteRecordFile() {
  g_tEnd = GetTime();
  const int64_t nRunSeconds = RunSeconds();
  RecordValues mine;
  TakeValues(&mine, nRunSeconds);
  AddBestOnScreen(&mine);

  // A symbolic link is written through: the file it names is replaced, the link stays.
  const std::string path = FollowLinks(RECORD_FILE);
  const int fdLock = LockFolder(FolderOf(path));
  RecordValues disk = s_synced;
  struct stat st{};
  RecordState state = ReadRecordAt(path, &disk, &st);
  const bool bExists = S_ISREG(st.st_mode);
  bool bOk = state != REC_UNREADABLE &&
             // Something there that is not a regular file is not ours to replace.
             (bExists || access(path.c_str(), F_OK) != 0) &&
             // A record the user made read-only stays, as a plain rewrite would leave it.
             (!bExists || access(path.c_str(), W_OK) == 0) &&
             // What could not be read is kept before the file is replaced.
             (state != REC_DAMAGED || KeepBackup(path, nullptr));
  RecordValues merged;
  if (bOk) {
    if (fdLock >= 0) RemoveStaleTemporaries(path);
    Merge(disk, mine, &merged);
    bOk = ReplaceFileContents(path, FormatRecord(merged), bExists ? &st : nullptr);
  }
  UnlockFolder(fdLock);
  if (!bOk) return 0;
  PutValues(merged, nRunSeconds, true);
  return 1;
}
