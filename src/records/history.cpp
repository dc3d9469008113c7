// SPDX-License-Identifier: MIT
// The practice log numdril.log and the speed history numdril.spd, both append-only and
// never read back, and the exit-time close-out of a drill still on screen. Does not draw.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "flow/flow.h"
#include "flow/util.h"
#include "random/random.h"
#include "records/records_impl.h"

// Log line, last part: " 練習時間%3d時間%2d分%2d秒" in Japanese (practice time, hours,
// minutes, seconds).
static const char LOG_TIME_EN[] = " Practice Time%3dhour%2dmin%2dsec\n";
static const char LOG_TIME_JA[] =
    " \x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4%3d\x8e\x9e\x8a\xd4%2d\x95\xaa%2d\x95\x62\n";
// Speed history line, last part: " %5d時間%2d分%2d秒" in Japanese.
static const char SPEED_TIME_EN[] = " %5dhour%2dmin%2dsec\n";
static const char SPEED_TIME_JA[] = " %5d\x8e\x9e\x8a\xd4%2d\x95\xaa%2d\x95\x62\n";

// ReformatDate of a date text that may be shorter than MM/DD/YY (an empty start date in a
// program that never took one): the reorder reads eight bytes, so it gets eight.
static void ReformatDateSafely(char* pszOut, const char* pszIn) {
  char szIn[9] = {0};
  for (int i = 0; pszIn && i < 8 && pszIn[i]; ++i) szIn[i] = pszIn[i];
  ReformatDate(pszOut, szIn);
}

// Appends one line to a regular file in one write, on a line of its own even when the last
// line there lacks its end. A write cut short (a full disk) is taken back, so the file
// never holds half a line for the next one to be glued to. A link is followed only where
// the kernel would follow it.
static int AppendWholeLine(const char* pszName, const std::string& line) {
  std::string path;
  if (!FindRecordFile(pszName, &path)) return 0;
  int fd = OpenRegularFile(path.c_str(), O_RDWR | O_APPEND | O_CREAT, 0666);
  if (fd == -1 && errno == EACCES) fd = OpenRegularFile(path.c_str(), O_WRONLY | O_APPEND);
  if (fd < 0) return 0;
  struct stat st{};
  fstat(fd, &st);
  char chLast = '\n';
  if (st.st_size > 0 && pread(fd, &chLast, 1, st.st_size - 1) != 1) chLast = '\n';
  std::string text(chLast == '\n' ? "" : "\n");
  text += line;
  bool bOk = WriteAll(fd, text.data(), text.size());
  if (!bOk && ftruncate(fd, st.st_size) != 0) bOk = false;
  return close(fd) == 0 && bOk ? 1 : 0;
}

// Hours, minutes and seconds of a time that may be below zero (none is logged as none).
static void SplitNonNegative(int64_t nSeconds, int* pnHours, int* pnMinutes, int* pnSeconds) {
  SplitSeconds(nSeconds > 0 ? nSeconds : 0, pnHours, pnMinutes, pnSeconds);
}

// Appends printf output to the line in pszLine[nSize] at *pnUsed; false when it does not
// fit whole, so that no line is ever written cut short.
static bool AppendFormatted(char* pszLine, size_t nSize, size_t* pnUsed, const char* pszFormat,
                            ...) __attribute__((format(printf, 4, 5)));
static bool AppendFormatted(char* pszLine, size_t nSize, size_t* pnUsed, const char* pszFormat,
                            ...) {
  va_list args;
  va_start(args, pszFormat);
  const int n = vsnprintf(pszLine + *pnUsed, nSize - *pnUsed, pszFormat, args);
  va_end(args);
  if (n < 0 || (size_t)n >= nSize - *pnUsed) return false;
  *pnUsed += (size_t)n;
  return true;
}

int AppendPracticeLog(const char* pszStartDate, const char* pszStartTime, int64_t nSeconds) {
  char szDate[9];
  ReformatDateSafely(szDate, pszStartDate);
  int nHours, nMinutes, nSecs;
  SplitNonNegative(nSeconds, &nHours, &nMinutes, &nSecs);
  char szLine[160];
  size_t nUsed = 0;
  if (!AppendFormatted(szLine, sizeof szLine, &nUsed, "%s %s", szDate,
                       pszStartTime ? pszStartTime : "") ||
      !AppendFormatted(szLine, sizeof szLine, &nUsed, g_bEnglish == 1 ? LOG_TIME_EN : LOG_TIME_JA,
                       nHours, nMinutes, nSecs))
    return 0;
  return AppendWholeLine(LOG_FILE, szLine);
}

int AppendSpeedHistory(const char* pszTitle, const char* pszDate, const char* pszTime,
                       double dSpeed, int64_t nSeconds) {
  char szDate[9];
  ReformatDateSafely(szDate, pszDate);
  int nHours, nMinutes, nSecs;
  SplitNonNegative(nSeconds, &nHours, &nMinutes, &nSecs);
  char szLine[256];
  size_t nUsed = 0;
  if (!AppendFormatted(szLine, sizeof szLine, &nUsed, "%s %s %-34s %5.1lf", szDate,
                       pszTime ? pszTime : "", pszTitle ? pszTitle : "", SpeedForFile(dSpeed)) ||
      !AppendFormatted(szLine, sizeof szLine, &nUsed,
                       g_bEnglish == 1 ? SPEED_TIME_EN : SPEED_TIME_JA, nHours, nMinutes, nSecs))
    return 0;
  return AppendWholeLine(SPEED_FILE, szLine);
}

bool NewBestOnScreen(double* pdSpeed, char* pszDate) {
  if (g_nPhase != PHASE_RESULT || !g_pBestSpeed || (g_nFinishState != 1 && g_nFinishState != 2))
    return false;
  *pdSpeed = g_dTypeSpeed;
  ReformatDateSafely(pszDate, g_szToday);
  return true;
}

void CloseOpenRun() {
  if (g_nPhase == PHASE_RUNNING && g_bTimingStarted == 1) {
    // The run so far counts as practice; an exit before the first correct key adds nothing.
    MonotonicStamp(&g_tbEnd);
    g_dElapsed = ElapsedSeconds(&g_tbStart, &g_tbEnd);
    AddPracticeSeconds(g_dElapsed);
  } else {
    // A new best speed still on screen has not been stored yet: leaving the result would
    // have stored it.
    double dSpeed;
    char szDate[9];
    if (!NewBestOnScreen(&dSpeed, szDate)) return;
    *g_pBestSpeed = dSpeed;
    if (g_pBestDate) memcpy(g_pBestDate, szDate, 9);
  }
}
