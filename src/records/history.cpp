// SPDX-License-Identifier: MIT
// The practice log numdril.log and the speed history numdril.spd, both append-only and
// never read back, and the exit-time close-out of a drill still on screen. Does not draw.
#include <climits>
#include <cstdio>
#include <cstring>

#include "flow/flow.h"
#include "flow/util.h"
#include "random/random.h"
#include "records/records.h"

static const char LOG_FILE[] = "numdril.log";
static const char SPEED_FILE[] = "numdril.spd";

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

int AppendPracticeLog(const char* pszStartDate, const char* pszStartTime, int64_t nSeconds) {
  FILE* pFile = fopen(LOG_FILE, "a");
  if (!pFile) return 0;
  char szDate[9];
  ReformatDateSafely(szDate, pszStartDate);
  int nHours, nMinutes, nSecs;
  SplitSeconds(nSeconds > 0 ? nSeconds : 0, &nHours, &nMinutes, &nSecs);  // a clock set back
  bool bOk = fprintf(pFile, "%s %s", szDate, pszStartTime ? pszStartTime : "") >= 0 &&
             fprintf(pFile, g_bEnglish == 1 ? LOG_TIME_EN : LOG_TIME_JA, nHours, nMinutes,
                     nSecs) >= 0;
  // Buffered bytes meet the disk at fclose: a full disk shows only there.
  return fclose(pFile) == 0 && bOk ? 1 : 0;
}

int AppendSpeedHistory(const char* pszTitle, const char* pszDate, const char* pszTime,
                       double dSpeed, int64_t nSeconds) {
  FILE* pFile = fopen(SPEED_FILE, "a");
  if (!pFile) return 0;
  char szDate[9];
  ReformatDateSafely(szDate, pszDate);
  int nHours, nMinutes, nSecs;
  SplitSeconds(nSeconds > 0 ? nSeconds : 0, &nHours, &nMinutes, &nSecs);
  bool bOk = fprintf(pFile, "%s %s %-34s", szDate, pszTime ? pszTime : "",
                     pszTitle ? pszTitle : "") >= 0 &&
             fprintf(pFile, " %5.1lf", dSpeed) >= 0 &&
             fprintf(pFile, g_bEnglish == 1 ? SPEED_TIME_EN : SPEED_TIME_JA, nHours,
                     nMinutes, nSecs) >= 0;
  return fclose(pFile) == 0 && bOk ? 1 : 0;
}

void CloseOpenRun() {
  if (g_nPhase == PHASE_RUNNING && g_bTimingStarted == 1) {
    // The run so far counts as practice; an exit before the first correct key adds nothing.
    _ftime(&g_tbEnd);
    g_dElapsed = ElapsedSeconds(&g_tbStart, &g_tbEnd);
    if (g_pnPracticeSeconds) {
      double dTotal = *g_pnPracticeSeconds + g_dElapsed;
      *g_pnPracticeSeconds = dTotal < (double)INT_MAX ? (int)dTotal : INT_MAX;
    }
  } else if (g_nPhase == PHASE_RESULT && g_pBestSpeed && (g_nFinishState == 1 ||
                                                          g_nFinishState == 2)) {
    // A new best speed still on screen has not been stored yet: leaving the result would
    // have stored it.
    *g_pBestSpeed = g_dTypeSpeed;
    if (g_pBestDate) ReformatDateSafely(g_pBestDate, g_szToday);
  }
}
