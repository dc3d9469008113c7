// SPDX-License-Identifier: MIT
// The practice record file numdril.rec: the record values, start-up reading and seeding,
// and the rewrite that merges this run's practice into whatever the file holds by then.
// Does not draw; the file-system side is in safefile.cpp.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "flow/flow.h"
#include "position/position.h"
#include "records/records_impl.h"

static const char POSITION_FILE_NAME[] = "Position_Practice";

// Line 1 labels. The Japanese one is "練習時間　" (practice time and a full-width space).
static const char TOTAL_LABEL_EN[] = "Total_Practice_Time";
static const char TOTAL_LABEL_JA[] = "\x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4\x81\x40";
// Time part of lines 2 and on, after the leading space. The Japanese units are
// "時間", "分" and "秒": the same 4, 2 and 2 bytes as "hour", "mi" and "se".
static const char TIME_FORMAT_EN[] = "%5dhour%2dmi%2dse\n";
static const char TIME_FORMAT_JA[] = "%5d\x8e\x9e\x8a\xd4%2d\x95\xaa%2d\x95\x62\n";

// Reader formats, one for both languages: the units have the same byte lengths in both.
// %n marks where each number ended, so that the bytes after it can be checked to be its
// unit (a number longer than its field leaves digits there), and where the line's fields
// ended, so that a line cut short is told from a whole one.
static const char READ_TIME_LINE[] = "%*s %5d%n%*4c%2d%n%*2c%2d%n%*2c%n";
static const char READ_ITEM_LINE[] = "%*s %7lf%n%*c%8c%n %5d%n%*4c%2d%n%*2c%2d%n%*2c%n";
// The units of both languages, "時間", "分" and "秒" in Japanese.
static const char* const HOUR_UNITS[] = {"hour", "\x8e\x9e\x8a\xd4"};
static const char* const MINUTE_UNITS[] = {"mi", "\x95\xaa"};
static const char* const SECOND_UNITS[] = {"se", "\x95\x62"};

// Longest line the reader takes, a bound for a file that is not a record at all; a written
// line is 68 bytes and its line end.
static const size_t MAX_LINE_BYTES = 64 * 1024;
// Bytes of a record file read at most: every line at its longest, and room for blank lines.
static const size_t MAX_RECORD_BYTES = 1024 * 1024;

// Items per group, in group order.
static const int RECORD_GROUP_SIZES[RECORD_GROUPS] = {10, 10, 2};

// File names of the random record items (one token each), by group, and their display
// names. y and x are where the record screen shows the item; only the display list is drawn.
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
static const SCREENITEM* const RANDOM_RECORD_GROUPS[RECORD_GROUPS] = {
    RANDOM_GROUP_1_FILES, EMPTY_GROUP, EMPTY_GROUP};
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
  ResetSafeFileState();
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

// Calls f(g, i) for every random record item, in group order: the order of the file's lines.
template <typename F>
static void ForEachItem(F f) {
  for (int g = 0; g < RECORD_GROUPS; ++g) {
    const SCREENITEM* pList = RANDOM_RECORD_GROUPS[g];
    for (int i = 0; i < RECORD_GROUP_SIZES[g] && pList[i].text; ++i) f(g, i);
  }
}

static void SetDefaults(RecordValues* pValues) {
  pValues->nTotalSeconds = 0;
  pValues->nPositionSeconds = 0;
  for (int g = 0; g < RECORD_GROUPS; ++g) {
    for (int i = 0; i < RECORD_GROUP_MAX; ++i) {
      pValues->dBestSpeed[g][i] = 0.0;
      memcpy(pValues->szBestDate[g][i], "        ", 9);
      pValues->nRandomSeconds[g][i] = 0;
    }
  }
}

// Holds every value to what its column of the file can hold, so that the file always reads
// back whole: times to the hours the line has room for, a best speed to what its columns
// hold, a date to eight printable bytes.
static void FitColumns(RecordValues* pValues) {
  pValues->nTotalSeconds = Clamp(pValues->nTotalSeconds, TOTAL_LINE_MAX_SECONDS);
  pValues->nPositionSeconds = Clamp(pValues->nPositionSeconds, ITEM_LINE_MAX_SECONDS);
  for (int g = 0; g < RECORD_GROUPS; ++g) {
    for (int i = 0; i < RECORD_GROUP_MAX; ++i) {
      pValues->nRandomSeconds[g][i] = Clamp(pValues->nRandomSeconds[g][i], ITEM_LINE_MAX_SECONDS);
      pValues->dBestSpeed[g][i] = SpeedForFile(pValues->dBestSpeed[g][i]);
      char* pszDate = pValues->szBestDate[g][i];
      const size_t nLength = strnlen(pszDate, 8);
      for (size_t k = 0; k < 8; ++k)
        if (k >= nLength || (unsigned char)pszDate[k] < 0x20 || (unsigned char)pszDate[k] > 0x7E)
          pszDate[k] = ' ';
      pszDate[8] = '\0';
    }
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

// Whether item (g, i) has a new best speed on the result screen that is not stored yet.
static bool IsBestOnScreen(int g, int i) {
  double dSpeed;
  char szDate[9];
  return g_pBestSpeed == &g_dBestSpeed[g][i] && NewBestOnScreen(&dSpeed, szDate);
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
// wrote it. A best speed this run set since then competes with the file's, with its own date
// (on a tie, this run's); otherwise the file's stays, even one lowered by hand. Another
// numdril practising in the same folder meanwhile loses nothing, whichever saves last.
static void Merge(const RecordValues& disk, const RecordValues& mine, RecordValues* pOut) {
  *pOut = disk;
  pOut->nTotalSeconds = Clamp((int64_t)disk.nTotalSeconds + mine.nTotalSeconds -
                                  s_synced.nTotalSeconds, INT_MAX);
  pOut->nPositionSeconds = Clamp((int64_t)disk.nPositionSeconds + mine.nPositionSeconds -
                                     s_synced.nPositionSeconds, INT_MAX);
  ForEachItem([&](int g, int i) {
    pOut->nRandomSeconds[g][i] = Clamp((int64_t)disk.nRandomSeconds[g][i] +
                                           mine.nRandomSeconds[g][i] -
                                           s_synced.nRandomSeconds[g][i], INT_MAX);
    const bool bMineSet = mine.dBestSpeed[g][i] != s_synced.dBestSpeed[g][i] ||
                          memcmp(mine.szBestDate[g][i], s_synced.szBestDate[g][i], 9) != 0;
    if (bMineSet && mine.dBestSpeed[g][i] >= disk.dBestSpeed[g][i]) {
      pOut->dBestSpeed[g][i] = mine.dBestSpeed[g][i];
      memcpy(pOut->szBestDate[g][i], mine.szBestDate[g][i], 9);
    }
  });
  FitColumns(pOut);
}

// Memory takes values as the file now holds them, and they become the values last synced.
// After a merged write, a new best still on the result screen stays out of memory: it is
// stored when the result is left, as the screens expect.
static void PutValues(const RecordValues& values, int64_t nRunSeconds, bool bAfterWrite) {
  g_nPastSeconds = Clamp((int64_t)values.nTotalSeconds - nRunSeconds, INT_MAX);
  g_nPositionSeconds = values.nPositionSeconds;
  ForEachItem([&](int g, int i) {
    g_nRandomSeconds[g][i] = values.nRandomSeconds[g][i];
    if (bAfterWrite && IsBestOnScreen(g, i)) return;
    g_dBestSpeed[g][i] = values.dBestSpeed[g][i];
    memcpy(g_szBestDate[g][i], values.szBestDate[g][i], 9);
  });
  s_synced = values;
}

// ---- Reading ---------------------------------------------------------------------------

enum LineResult { LINE_OK, LINE_END, LINE_BAD };

// Takes the next line of bytes from *pnPos, without its line end. CR, LF and CRLF all end a
// line, as a whitespace-separated scan would take them. A line holding a NUL byte or longer
// than MAX_LINE_BYTES is damage, not data. Lines of blanks only are passed over.
static LineResult NextRecordLine(std::string_view bytes, size_t* pnPos, std::string* pLine) {
  while (*pnPos < bytes.size()) {
    size_t nEnd = bytes.find_first_of(std::string_view("\n\r\0", 3), *pnPos);
    if (nEnd == std::string_view::npos) nEnd = bytes.size();
    if (nEnd - *pnPos > MAX_LINE_BYTES || (nEnd < bytes.size() && bytes[nEnd] == '\0'))
      return LINE_BAD;
    const std::string_view line = bytes.substr(*pnPos, nEnd - *pnPos);
    *pnPos = nEnd + 1;
    if (line.find_first_not_of(" \t\v\f") != std::string_view::npos) {
      pLine->assign(line);
      return LINE_OK;
    }
  }
  return LINE_END;
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

// Whether line holds one of units at nAt.
static bool HasUnit(const std::string& line, int nAt, const char* const (&units)[2]) {
  for (const char* pszUnit : units)
    if (line.compare((size_t)nAt, strlen(pszUnit), pszUnit) == 0) return true;
  return false;
}

// Whether the bytes after the hours, the minutes and the seconds are their units: a number
// too long for its field leaves its last digits there instead.
static bool HasUnits(const std::string& line, int nHourEnd, int nMinuteEnd, int nSecondEnd) {
  return HasUnit(line, nHourEnd, HOUR_UNITS) && HasUnit(line, nMinuteEnd, MINUTE_UNITS) &&
         HasUnit(line, nSecondEnd, SECOND_UNITS);
}

// Line 1 or 2: a label token and a time. False when the line does not hold one.
static bool ParseTimeLine(const std::string& line, int* pnTotal) {
  int nHours = 0, nMinutes = 0, nSeconds = 0;
  int nHourEnd = -1, nMinuteEnd = -1, nSecondEnd = -1, nEnd = -1;
  if (sscanf(line.c_str(), READ_TIME_LINE, &nHours, &nHourEnd, &nMinutes, &nMinuteEnd,
             &nSeconds, &nSecondEnd, &nEnd) != 3 ||
      nEnd < 0 || !HasUnits(line, nHourEnd, nMinuteEnd, nSecondEnd))
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
  int nSpeedEnd = -1, nDateEnd = -1, nHourEnd = -1, nMinuteEnd = -1, nSecondEnd = -1;
  int nEnd = -1;
  int nFields = sscanf(line.c_str(), READ_ITEM_LINE, &dSpeed, &nSpeedEnd, szDate, &nDateEnd,
                       &nHours, &nHourEnd, &nMinutes, &nMinuteEnd, &nSeconds, &nSecondEnd,
                       &nEnd);
  if (nFields != 5 || nEnd < 0 || !HasUnits(line, nHourEnd, nMinuteEnd, nSecondEnd))
    return false;
  // One blank after the speed, then exactly eight printable bytes of date.
  if (line[(size_t)nSpeedEnd] != ' ' || nDateEnd - nSpeedEnd != 9) return false;
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

RecordContents ParseRecordFile(std::string_view bytes) {
  RecordContents contents;
  SetDefaults(&contents.values);
  RecordValues& values = contents.values;
  contents.nLinesRead = 0;
  contents.nLines = 2;
  ForEachItem([&](int, int) { ++contents.nLines; });

  size_t nPos = 0;
  std::string line;
  int nLine = 0;
  // Reads the next line with parse, unless reading has stopped at a line before.
  auto next = [&](auto parse) {
    if (contents.nLinesRead == nLine++ && NextRecordLine(bytes, &nPos, &line) == LINE_OK &&
        parse())
      ++contents.nLinesRead;
  };
  next([&] { return ParseTimeLine(line, &values.nTotalSeconds); });
  next([&] { return ParseTimeLine(line, &values.nPositionSeconds); });
  ForEachItem([&](int g, int i) {
    next([&] {
      return ParseItemLine(line, &values.dBestSpeed[g][i], values.szBestDate[g][i],
                           &values.nRandomSeconds[g][i]);
    });
  });
  return contents;
}

// Puts the values of the lines a record file gave onto pValues; the others keep theirs.
static void TakeLinesRead(const RecordContents& contents, RecordValues* pValues) {
  int nLine = 0;
  auto read = [&] { return nLine++ < contents.nLinesRead; };
  if (read()) pValues->nTotalSeconds = contents.values.nTotalSeconds;
  if (read()) pValues->nPositionSeconds = contents.values.nPositionSeconds;
  ForEachItem([&](int g, int i) {
    if (!read()) return;
    pValues->dBestSpeed[g][i] = contents.values.dBestSpeed[g][i];
    memcpy(pValues->szBestDate[g][i], contents.values.szBestDate[g][i], 9);
    pValues->nRandomSeconds[g][i] = contents.values.nRandomSeconds[g][i];
  });
}

// Cuts bytes read up to MAX_RECORD_BYTES back to their last line end when there were more:
// a line cut short by the bound is no line.
static void CutToBound(std::string* pBytes) {
  if (pBytes->size() <= MAX_RECORD_BYTES) return;
  pBytes->resize(MAX_RECORD_BYTES);
  const size_t nEnd = pBytes->find_last_of("\r\n");
  pBytes->resize(nEnd == std::string::npos ? 0 : nEnd + 1);
}

bool ReadRecordBytes(int fd, std::string* pBytes) {
  pBytes->clear();
  char buffer[16 * 1024];
  while (pBytes->size() <= MAX_RECORD_BYTES) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    pBytes->append(buffer, (size_t)n);
  }
  CutToBound(pBytes);
  return true;
}

int ReadRecordFile(FILE* pFile) {
  std::string bytes;
  char buffer[16 * 1024];
  size_t n;
  while (bytes.size() <= MAX_RECORD_BYTES && (n = fread(buffer, 1, sizeof buffer, pFile)) > 0)
    bytes.append(buffer, n);
  CutToBound(&bytes);
  const RecordContents contents = ParseRecordFile(bytes);
  RecordValues values;
  TakeValues(&values, 0);
  TakeLinesRead(contents, &values);
  PutValues(values, 0, false);
  return !ferror(pFile) && contents.nLinesRead == contents.nLines ? 1 : 0;
}

enum RecordState { REC_MISSING, REC_WHOLE, REC_DAMAGED, REC_UNREADABLE };

// Reads the record file at path, if there is one to read. A FIFO, device or folder counts
// as missing, and so does an empty file: it holds nothing to keep.
static RecordState ReadRecordAt(const std::string& path, RecordContents* pContents,
                                struct stat* pStat) {
  int fd = OpenRegularFile(path.c_str(), O_RDONLY);
  if (fd == NOT_REGULAR_FILE || (fd < 0 && errno == ENOENT)) return REC_MISSING;
  if (fd < 0) return REC_UNREADABLE;
  fstat(fd, pStat);
  std::string bytes;
  const bool bRead = ReadRecordBytes(fd, &bytes);
  const int nErrno = errno;
  close(fd);
  errno = nErrno;
  if (!bRead) return REC_UNREADABLE;
  if (pStat->st_size == 0) return REC_MISSING;
  *pContents = ParseRecordFile(bytes);
  return pContents->nLinesRead == pContents->nLines ? REC_WHOLE : REC_DAMAGED;
}

// At start-up: the record into memory, and one line on stderr about a record that cannot
// be taken as it is.
static void ReadRecordAtStart() {
  RecordValues values;
  SetDefaults(&values);
  std::string path;
  if (!FindRecordFile(RECORD_FILE, &path)) {
    PutValues(values, 0, false);
    return;
  }
  const int fdLock = LockFolder(FolderOf(path));
  RecordContents contents;
  struct stat st{};
  RecordState state = ReadRecordAt(path, &contents, &st);
  if (state == REC_WHOLE || state == REC_DAMAGED) TakeLinesRead(contents, &values);
  if (state == REC_UNREADABLE) {
    // TRANSLATORS: the record file's name (numdril.rec), then why (the system's words).
    fprintf(stderr, _("numdril: cannot read %s (%s); it is left as it is and not replaced\n"),
            RECORD_FILE, strerror(errno));
  } else if (state == REC_DAMAGED) {
    std::string backup;
    if (KeepBackup(path, &backup))
      // TRANSLATORS: the record file's name (numdril.rec), then its backup's.
      fprintf(stderr, _("numdril: %s could not be read whole; it is kept as %s\n"), RECORD_FILE,
              backup.c_str());
    else
      fprintf(stderr, _("numdril: %s could not be read whole and no backup of it can be made "
                        "(%s); it is not replaced\n"),
              RECORD_FILE, strerror(errno));
  } else if (state == REC_MISSING && S_ISREG(st.st_mode) &&
             access((path + ".bak").c_str(), F_OK) == 0) {
    // TRANSLATORS: the record file's name (numdril.rec), twice.
    fprintf(stderr, _("numdril: %s is empty; %s.bak holds an earlier record\n"), RECORD_FILE,
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

// The whole record file as text; every value is first held to what its column holds.
static std::string FormatRecord(RecordValues values) {
  FitColumns(&values);
  const char* pszTimeFormat = g_bEnglish == 1 ? TIME_FORMAT_EN : TIME_FORMAT_JA;
  std::string text = g_bEnglish == 1 ? TOTAL_LABEL_EN : TOTAL_LABEL_JA;
  AppendTimeLine(&text, pszTimeFormat, values.nTotalSeconds);
  char sz[128];
  snprintf(sz, sizeof sz, "%-34s%16s ", POSITION_FILE_NAME, "");
  text += sz;
  AppendTimeLine(&text, pszTimeFormat, values.nPositionSeconds);
  ForEachItem([&](int g, int i) {
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
  std::string path;
  if (!FindRecordFile(RECORD_FILE, &path)) return 0;
  const int fdLock = LockFolder(FolderOf(path));
  RecordContents contents;
  struct stat st{};
  RecordState state = ReadRecordAt(path, &contents, &st);
  // Lines the file no longer gives count as they were when this run last synced.
  RecordValues disk = s_synced;
  if (state == REC_WHOLE || state == REC_DAMAGED) TakeLinesRead(contents, &disk);
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
