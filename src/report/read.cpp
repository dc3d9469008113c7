// SPDX-License-Identifier: MIT
// Practice report, reading: the three files of the current folder into ReportData. The
// record goes through the record file's own reader (a pure one: the program's record values
// are never touched); the practice log and the speed history, which nothing else reads
// back, are parsed here. A line that cannot be read is skipped and counted, never guessed
// at. Never writes, never locks.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>

#include "records/records.h"
#include "report/report.h"

// A log or speed history larger than this is read from its last this-many bytes: decades
// of daily use stay far below, and a runaway file cannot take all memory.
static const int64_t MAX_FILE_BYTES = 64 << 20;
// Bytes read at a time; whole lines of them are parsed before the next read.
static const size_t BLOCK_BYTES = 256 << 10;

// Words of the two languages' lines, indexed by language: 0 English, 1 Japanese (CP932),
// "練習時間" (practice time), "時間" (hours), "分" (minutes), "秒" (seconds).
static const char* const LOG_LABEL[2] = {"Practice Time", "\x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4"};
static const char* const HOUR_UNIT[2] = {"hour", "\x8e\x9e\x8a\xd4"};
static const char* const MINUTE_UNIT[2] = {"min", "\x95\xaa"};
static const char* const SECOND_UNIT[2] = {"sec", "\x95\x62"};

// Every line opens with "YY/MM/DD HH:MM:SS " (18 bytes).
static const int STAMP_BYTES = 18;
// Hour counts past nine digits are damage, not practice.
static const int MAX_HOUR_DIGITS = 9;
// A speed text longer than this is damage; the writer's is "%5.1lf" of a real speed.
static const int MAX_SPEED_BYTES = 9;

// ---- Dates -----------------------------------------------------------------------------

static bool IsLeapYear(int nYear) {
  return (nYear % 4 == 0 && nYear % 100 != 0) || nYear % 400 == 0;
}

static int DaysInMonth(int nYear, int nMonth) {
  static const int DAYS[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return nMonth == 2 && IsLeapYear(nYear) ? 29 : DAYS[nMonth - 1];
}

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, year 2000 or later.
static int DaysFromCivil(int nYear, int nMonth, int nDay) {
  nYear -= nMonth <= 2;
  const int nEra = nYear / 400;
  const int nYearOfEra = nYear - nEra * 400;
  const int nDayOfYear = (153 * (nMonth + (nMonth > 2 ? -3 : 9)) + 2) / 5 + nDay - 1;
  const int nDayOfEra = nYearOfEra * 365 + nYearOfEra / 4 - nYearOfEra / 100 + nDayOfYear;
  return nEra * 146097 + nDayOfEra - 719468;
}

std::string ReportDate(int nDay) {
  const int z = nDay + 719468;
  const int nEra = z / 146097;
  const int nDayOfEra = z - nEra * 146097;
  const int nYearOfEra =
      (nDayOfEra - nDayOfEra / 1460 + nDayOfEra / 36524 - nDayOfEra / 146096) / 365;
  const int nDayOfYear = nDayOfEra - (365 * nYearOfEra + nYearOfEra / 4 - nYearOfEra / 100);
  const int mp = (5 * nDayOfYear + 2) / 153;
  const int nDate = nDayOfYear - (153 * mp + 2) / 5 + 1;
  const int nMonth = mp < 10 ? mp + 3 : mp - 9;
  const int nYear = nYearOfEra + nEra * 400 + (nMonth <= 2);
  char sz[40];
  snprintf(sz, sizeof sz, "%04d-%02d-%02d", nYear % 10000, nMonth, nDate);
  return sz;
}

static bool TwoDigits(const char* p, int* pn) {
  if (p[0] < '0' || p[0] > '9' || p[1] < '0' || p[1] > '9') return false;
  *pn = (p[0] - '0') * 10 + (p[1] - '0');
  return true;
}

int DayFromFileDate(const char* p) {
  int nYear, nMonth, nDay;
  if (!TwoDigits(p, &nYear) || p[2] != '/' || !TwoDigits(p + 3, &nMonth) || p[5] != '/' ||
      !TwoDigits(p + 6, &nDay))
    return -1;
  nYear += 2000;
  if (nMonth < 1 || nMonth > 12 || nDay < 1 || nDay > DaysInMonth(nYear, nMonth)) return -1;
  return DaysFromCivil(nYear, nMonth, nDay);
}

// Whether [p, pEnd) starts with something shaped like a stamp; its values are not checked.
static bool LooksLikeStamp(const char* p, const char* pEnd) {
  static const char SHAPE[] = "99/99/99 99:99:99 ";
  if (pEnd - p < STAMP_BYTES) return false;
  for (int i = 0; i < STAMP_BYTES; ++i) {
    const bool bDigit = p[i] >= '0' && p[i] <= '9';
    if (SHAPE[i] == '9' ? !bDigit : p[i] != SHAPE[i]) return false;
  }
  return true;
}

// The stamp at p: its date and time of day; false when it is not a real one.
static bool ParseStamp(const char* p, const char* pEnd, int* pnDay, int* pnSecond) {
  if (!LooksLikeStamp(p, pEnd)) return false;
  int nHour = 0, nMinute = 0, nSecond = 0;
  TwoDigits(p + 9, &nHour);
  TwoDigits(p + 12, &nMinute);
  TwoDigits(p + 15, &nSecond);
  *pnDay = DayFromFileDate(p);
  // 60 is a leap second as the C library may give it.
  if (*pnDay < 0 || nHour > 23 || nMinute > 59 || nSecond > 60) return false;
  *pnSecond = nHour * 3600 + nMinute * 60 + nSecond;
  return true;
}

// ---- Line parts ------------------------------------------------------------------------

static bool TakeText(const char** pp, const char* pEnd, const char* pszText) {
  const size_t nLength = strlen(pszText);
  if ((size_t)(pEnd - *pp) < nLength || memcmp(*pp, pszText, nLength) != 0) return false;
  *pp += nLength;
  return true;
}

// A "%Nd" field: blanks, then one to nMaxDigits digits.
static bool TakeNumber(const char** pp, const char* pEnd, int nMaxDigits, int64_t* pn) {
  const char* p = *pp;
  while (p < pEnd && *p == ' ') ++p;
  int64_t n = 0;
  int nDigits = 0;
  for (; p < pEnd && *p >= '0' && *p <= '9'; ++p, ++nDigits) {
    if (nDigits == nMaxDigits) return false;
    n = n * 10 + (*p - '0');
  }
  if (nDigits == 0) return false;
  *pp = p;
  *pn = n;
  return true;
}

// "%Nd<hour>%2d<min>%2d<sec>" to the end of the line, in language nLang; the seconds.
static bool ParseTimeTail(const char* p, const char* pEnd, int nLang, int64_t* pnSeconds) {
  int64_t nHours, nMinutes, nSeconds;
  if (!TakeNumber(&p, pEnd, MAX_HOUR_DIGITS, &nHours) || !TakeText(&p, pEnd, HOUR_UNIT[nLang]) ||
      !TakeNumber(&p, pEnd, 2, &nMinutes) || !TakeText(&p, pEnd, MINUTE_UNIT[nLang]) ||
      !TakeNumber(&p, pEnd, 2, &nSeconds) || !TakeText(&p, pEnd, SECOND_UNIT[nLang]))
    return false;
  while (p < pEnd && *p == ' ') ++p;
  if (p != pEnd || nMinutes > 59 || nSeconds > 59) return false;
  *pnSeconds = nHours * 3600 + nMinutes * 60 + nSeconds;
  return true;
}

// No line of either file holds a control byte: one there is damage (NULs from a disk that
// filled up, a stray carriage return).
static bool HasControlBytes(const char* p, const char* pEnd) {
  for (; p < pEnd; ++p)
    if ((unsigned char)*p < 0x20 || *p == 0x7F) return true;
  return false;
}

static bool IsBlank(const char* p, const char* pEnd) {
  for (; p < pEnd; ++p)
    if (*p != ' ' && *p != '\t') return false;
  return true;
}

// ---- Practice log ----------------------------------------------------------------------

// The practice log while it is read: runs per week by the week's Monday, and the week of
// the line before.
struct LogTally {
  std::map<int, PracticeWeek> weeks;
  PracticeWeek* pLast = nullptr;
};

// "YY/MM/DD HH:MM:SS Practice Time%3dhour%2dmin%2dsec", or its Japanese form.
static bool ParseLogLine(const char* p, const char* pEnd, LogTally* pTally) {
  int nDay, nSecondOfDay;
  if (HasControlBytes(p, pEnd) || !ParseStamp(p, pEnd, &nDay, &nSecondOfDay)) return false;
  p += STAMP_BYTES;
  int64_t nSeconds = -1;
  for (int nLang = 0; nLang < 2 && nSeconds < 0; ++nLang) {
    const char* q = p;
    if (TakeText(&q, pEnd, LOG_LABEL[nLang]) && !ParseTimeTail(q, pEnd, nLang, &nSeconds))
      nSeconds = -1;
  }
  if (nSeconds < 0) return false;
  // 1970-01-01 was a Thursday: three days after a Monday.
  const int nMonday = nDay - (nDay + 3) % 7;
  // Logs run in date order, so the week of the line before is nearly always this one.
  PracticeWeek* pWeek = pTally->pLast;
  if (!pWeek || pWeek->nMonday != nMonday) {
    pWeek = &pTally->weeks[nMonday];
    pWeek->nMonday = nMonday;
    pTally->pLast = pWeek;
  }
  ++pWeek->nRuns;
  pWeek->nSeconds += nSeconds;
  return true;
}

// ---- Speed history ---------------------------------------------------------------------

// The last pszText that lies wholly in [pFrom, pEnd), or null.
static const char* FindLast(const char* pFrom, const char* pEnd, const char* pszText) {
  const size_t nLength = strlen(pszText);
  for (size_t nAfter = nLength; nAfter <= (size_t)(pEnd - pFrom); ++nAfter)
    if (memcmp(pEnd - nAfter, pszText, nLength) == 0) return pEnd - nAfter;
  return nullptr;
}

// "%5.1lf" as written: digits, a point, one digit. Read by hand, so that no locale's
// decimal comma can get in the way; tenths over ten give the same double as strtod.
static bool ParseSpeed(const char* p, const char* pEnd, double* pdSpeed) {
  const long nBytes = pEnd - p;
  if (nBytes < 3 || nBytes > MAX_SPEED_BYTES || pEnd[-2] != '.') return false;
  int64_t nTenths = 0;
  for (long i = 0; i < nBytes; ++i) {
    if (i == nBytes - 2) continue;
    if (p[i] < '0' || p[i] > '9') return false;
    nTenths = nTenths * 10 + (p[i] - '0');
  }
  *pdSpeed = (double)nTenths / 10.0;
  return true;
}

// "YY/MM/DD HH:MM:SS %-34s %5.1lf %5dhour%2dmin%2dsec", or its Japanese form. The title
// may hold blanks, so the line is taken apart from its end: the time, then the speed.
static bool ParseSpeedLine(const char* p, const char* pEnd, std::vector<SpeedBest>* pBests) {
  SpeedBest best;
  if (HasControlBytes(p, pEnd) || !ParseStamp(p, pEnd, &best.nDay, &best.nSecondOfDay))
    return false;
  const char* pTitle = p + STAMP_BYTES;
  for (int nLang = 0; nLang < 2; ++nLang) {
    // The hour unit is followed by at most "59min59sec" and blanks.
    const char* pFrom = pEnd - pTitle > 24 ? pEnd - 24 : pTitle;
    const char* pUnit = FindLast(pFrom, pEnd, HOUR_UNIT[nLang]);
    if (!pUnit) continue;
    const char* q = pUnit;
    while (q > pTitle && q[-1] >= '0' && q[-1] <= '9') --q;
    if (q == pUnit || !ParseTimeTail(q, pEnd, nLang, &best.nPracticeSeconds)) continue;
    // One or more blanks, then the speed "D+.D" after a blank.
    const char* pSpeedEnd = q;
    while (pSpeedEnd > pTitle && pSpeedEnd[-1] == ' ') --pSpeedEnd;
    if (pSpeedEnd == q) continue;
    const char* pSpeed = pSpeedEnd;
    while (pSpeed > pTitle && pSpeed[-1] != ' ') --pSpeed;
    if (pSpeed == pTitle || !ParseSpeed(pSpeed, pSpeedEnd, &best.dSpeed)) continue;
    pBests->push_back(best);
    return true;
  }
  return false;
}

// ---- Lines -----------------------------------------------------------------------------

// Splits [p, pEnd) into lines and hands each to pfnLine, counting those it refuses.
// A line ends at '\n', and carriage returns before it are dropped (files written on
// another system). A line that holds another stamp after its start is two lines run
// together: the first cut short (a full disk, a crash mid-write), the next appended
// right after it. Each part is taken on its own, so the whole one still counts.
template <typename LineFn>
static void ForEachLine(const char* p, const char* pEnd, int* pnBadLines, LineFn lineFn) {
  while (p < pEnd) {
    const char* pNewline = (const char*)memchr(p, '\n', (size_t)(pEnd - p));
    const char* pLineEnd = pNewline ? pNewline : pEnd;
    const char* pNext = pNewline ? pNewline + 1 : pEnd;
    while (pLineEnd > p && pLineEnd[-1] == '\r') --pLineEnd;
    const char* pPart = p;
    for (;;) {
      // The next stamp after the part's own, found by its first '/', two bytes in.
      const char* pCut = pLineEnd;
      for (size_t i = 3; i < (size_t)(pLineEnd - pPart); ++i) {
        const char* pSlash = (const char*)memchr(pPart + i, '/', (size_t)(pLineEnd - pPart) - i);
        if (!pSlash) break;
        if (LooksLikeStamp(pSlash - 2, pLineEnd)) {
          pCut = pSlash - 2;
          break;
        }
        i = (size_t)(pSlash - pPart);
      }
      if (!IsBlank(pPart, pCut) && !lineFn(pPart, pCut)) ++*pnBadLines;
      if (pCut == pLineEnd) break;
      pPart = pCut;
    }
    p = pNext;
  }
}

static void TallyLogLines(const char* p, size_t n, LogTally* pTally, int* pnBadLines) {
  ForEachLine(p, p + n, pnBadLines, [&](const char* pLine, const char* pLineEnd) {
    return ParseLogLine(pLine, pLineEnd, pTally);
  });
}

static void FinishLog(const LogTally& tally, ReportData* pData) {
  pData->nLogWeeks = (int)tally.weeks.size();
  pData->nLogRuns = 0;
  pData->nLogSeconds = 0;
  for (const auto& [nMonday, week] : tally.weeks) {
    pData->nLogRuns += week.nRuns;
    pData->nLogSeconds += week.nSeconds;
  }
  pData->weeks.clear();
  auto it = tally.weeks.end();
  for (int i = 0; i < REPORT_WEEKS && it != tally.weeks.begin(); ++i) --it;
  for (; it != tally.weeks.end(); ++it) pData->weeks.push_back(it->second);
}

static void AddSpeedLines(const char* p, size_t n, ReportData* pData) {
  ForEachLine(p, p + n, &pData->spd.nBadLines, [&](const char* pLine, const char* pLineEnd) {
    return ParseSpeedLine(pLine, pLineEnd, &pData->bests);
  });
}

// Lines are appended as they happen; a clock set back can put one out of order.
static void SortBests(ReportData* pData) {
  auto earlier = [](const SpeedBest& a, const SpeedBest& b) {
    return a.nDay != b.nDay ? a.nDay < b.nDay : a.nSecondOfDay < b.nSecondOfDay;
  };
  if (!std::is_sorted(pData->bests.begin(), pData->bests.end(), earlier))
    std::stable_sort(pData->bests.begin(), pData->bests.end(), earlier);
}

// ---- Files -----------------------------------------------------------------------------

// Opens a file of the current folder for reading. A missing file is no error; one that is
// there but cannot be read, or is not a plain file (a FIFO would never end), is noted.
static int OpenForReading(const char* pszName, ReportFile* pInfo) {
  int fd = open(pszName, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) {
    pInfo->nState = errno == ENOENT ? FILE_MISSING : FILE_UNREADABLE;
    pInfo->reason = strerror(errno);
    return -1;
  }
  struct stat st;
  const bool bStat = fstat(fd, &st) == 0;
  if (!bStat || !S_ISREG(st.st_mode)) {
    pInfo->nState = FILE_UNREADABLE;
    pInfo->reason = !bStat                ? strerror(errno)
                    : S_ISDIR(st.st_mode) ? strerror(EISDIR)
                                          : "not a plain file";
    close(fd);
    return -1;
  }
  pInfo->nState = FILE_READ;
  return fd;
}

// Reads fd a block at a time and hands linesFn each run of whole lines, so that a long
// file is never held whole; a line longer than a block grows it. A file larger than
// MAX_FILE_BYTES is read from that many bytes before its end, from the next line on.
template <typename LinesFn>
static bool ReadInBlocks(int fd, ReportFile* pInfo, LinesFn linesFn) {
  struct stat st;
  if (fstat(fd, &st) != 0) return false;
  bool bSkipToLine = false;
  if (st.st_size > MAX_FILE_BYTES) {
    pInfo->nSkippedBytes = st.st_size - MAX_FILE_BYTES;
    if (lseek(fd, pInfo->nSkippedBytes, SEEK_SET) < 0) return false;
    bSkipToLine = true;
  }
  // A small file gets a small block; the block grows if a line needs it.
  const int64_t nFileBytes = std::min<int64_t>(st.st_size, MAX_FILE_BYTES) + 1;
  std::string block((size_t)std::clamp<int64_t>(nFileBytes, 4096, (int64_t)BLOCK_BYTES), '\0');
  size_t nHave = 0;
  int64_t nLeft = MAX_FILE_BYTES;  // the file may grow while it is read
  while (nLeft > 0) {
    if (nHave == block.size()) block.resize(block.size() * 2);
    const size_t nWant = (size_t)std::min<int64_t>((int64_t)(block.size() - nHave), nLeft);
    const ssize_t nRead = read(fd, block.data() + nHave, nWant);
    if (nRead < 0 && errno == EINTR) continue;
    if (nRead < 0) return false;
    if (nRead == 0) break;
    nHave += (size_t)nRead;
    nLeft -= nRead;
    const char* pNewline = (const char*)memrchr(block.data(), '\n', nHave);
    if (!pNewline) continue;
    size_t nLines = (size_t)(pNewline - block.data()) + 1;
    size_t nStart = 0;
    if (bSkipToLine) {
      nStart = (size_t)((const char*)memchr(block.data(), '\n', nHave) - block.data()) + 1;
      pInfo->nSkippedBytes += (int64_t)nStart;
      bSkipToLine = false;
    }
    linesFn(block.data() + nStart, nLines - nStart);
    memmove(block.data(), block.data() + nLines, nHave - nLines);
    nHave -= nLines;
  }
  if (bSkipToLine)
    pInfo->nSkippedBytes += (int64_t)nHave;  // not one line end in the part read
  else if (nHave > 0)
    linesFn(block.data(), nHave);
  return true;
}

template <typename LinesFn>
static void ReadLineFile(const char* pszName, ReportFile* pInfo, LinesFn linesFn) {
  int fd = OpenForReading(pszName, pInfo);
  if (fd < 0) return;
  const bool bRead = ReadInBlocks(fd, pInfo, linesFn);
  const int nErrno = errno;
  close(fd);
  if (!bRead) {
    pInfo->nState = FILE_UNREADABLE;
    pInfo->reason = strerror(nErrno);
  }
}

// The record through the record file's reader: values of the lines it read, -1 for the
// others, and every line it did not read counted.
static void ReadRecord(ReportData* pData) {
  pData->items.clear();
  for (int g = 0; g < RECORD_GROUPS; ++g)
    for (const SCREENITEM* pName = RANDOM_RECORD_NAMES[g]; pName->text; ++pName)
      pData->items.push_back(ReportItem{pName->text, -1.0, -1, -1});
  int fd = OpenForReading(RECORD_FILE, &pData->rec);
  if (fd < 0) return;
  std::string bytes;
  const bool bRead = ReadRecordBytes(fd, &bytes);
  const int nErrno = errno;
  close(fd);
  if (!bRead) {
    pData->rec.nState = FILE_UNREADABLE;
    pData->rec.reason = strerror(nErrno);
    return;
  }
  const RecordContents contents = ParseRecordFile(bytes);
  const RecordValues& values = contents.values;
  // Lines in file order: use time, position practice, then the random items.
  if (contents.nLinesRead > 0) pData->nUseSeconds = values.nTotalSeconds;
  if (contents.nLinesRead > 1) pData->nPositionSeconds = values.nPositionSeconds;
  int nLine = 2;
  size_t k = 0;
  for (int g = 0; g < RECORD_GROUPS; ++g)
    for (int i = 0; RANDOM_RECORD_NAMES[g][i].text; ++i, ++k, ++nLine) {
      if (nLine >= contents.nLinesRead) continue;
      ReportItem& item = pData->items[k];
      item.nSeconds = values.nRandomSeconds[g][i];
      item.dBestSpeed = values.dBestSpeed[g][i];
      item.nBestDay = DayFromFileDate(values.szBestDate[g][i]);
    }
  pData->rec.nBadLines = contents.nLines - contents.nLinesRead;
}

void ReadReport(ReportData* pData) {
  *pData = ReportData();
  ReadRecord(pData);
  LogTally tally;
  ReadLineFile(LOG_FILE, &pData->log, [&](const char* p, size_t n) {
    TallyLogLines(p, n, &tally, &pData->log.nBadLines);
  });
  FinishLog(tally, pData);
  ReadLineFile(SPEED_FILE, &pData->spd,
               [&](const char* p, size_t n) { AddSpeedLines(p, n, pData); });
  SortBests(pData);
}
