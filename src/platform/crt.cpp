// SPDX-License-Identifier: MIT
// The C runtime stand-ins: the wall clock and the monotonic clock (real, or set and advanced
// by tests), local date and time texts, and the classic 15-bit generator. Not the window's
// timers: those live in window.cpp.
#include <time.h>

#include "platform/platform.h"

// The wall clock in milliseconds since 1970 and the monotonic clock in milliseconds while a
// test holds them; s_bFakeClock says so.
static bool s_bFakeClock = false;
static int64_t s_nFakeClockMs = 0;
static int64_t s_nFakeMonotonicMs = 0;

// The generator's state; srand(1) is the state a program starts with.
static uint32_t s_nRandState = 1;

// Seconds and milliseconds of the wall clock. The real clock is CLOCK_REALTIME, so that
// libfaketime can fix the time of a whole run from outside.
static void ReadClock(time64_t* pSeconds, int* pMilliseconds) {
  if (s_bFakeClock) {
    int64_t nSeconds = s_nFakeClockMs / 1000;
    int64_t nMs = s_nFakeClockMs % 1000;
    if (nMs < 0) {  // floor, so that times before 1970 still split sensibly
      nMs += 1000;
      nSeconds -= 1;
    }
    *pSeconds = nSeconds;
    *pMilliseconds = (int)nMs;
    return;
  }
  struct timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  *pSeconds = (time64_t)ts.tv_sec;
  *pMilliseconds = (int)(ts.tv_nsec / 1000000);
}

static struct tm LocalTime(time64_t t) {
  time_t tt = (time_t)t;
  struct tm tmLocal{};
  localtime_r(&tt, &tmLocal);
  return tmLocal;
}

time64_t GetTime(time64_t* pOut) {
  time64_t nSeconds;
  int nMs;
  ReadClock(&nSeconds, &nMs);
  if (pOut) *pOut = nSeconds;
  return nSeconds;
}

void _ftime(_timeb* pTime) {
  time64_t nSeconds;
  int nMs;
  ReadClock(&nSeconds, &nMs);
  struct tm tmLocal = LocalTime(nSeconds);
  pTime->time = nSeconds;
  pTime->millitm = (unsigned short)nMs;
  // Minutes west of UTC for standard time, as the runtime reports it.
  long nStandardOffset = tmLocal.tm_gmtoff - (tmLocal.tm_isdst > 0 ? 3600 : 0);
  pTime->timezone = (short)(-nStandardOffset / 60);
  pTime->dstflag = (short)(tmLocal.tm_isdst > 0 ? 1 : 0);
}

// Writes "AA?BB?CC" and its NUL: three two-digit fields (last two digits) and a separator.
static char* FormatTriple(char* pszOut, int a, int b, int c, char chSeparator) {
  const int fields[3] = {a, b, c};
  for (int i = 0; i < 3; ++i) {
    int n = ((fields[i] % 100) + 100) % 100;
    pszOut[i * 3] = (char)('0' + n / 10);
    pszOut[i * 3 + 1] = (char)('0' + n % 10);
    if (i < 2) pszOut[i * 3 + 2] = chSeparator;
  }
  pszOut[8] = '\0';
  return pszOut;
}

char* _strdate(char* pszOut) {
  struct tm tmLocal = LocalTime(GetTime());
  return FormatTriple(pszOut, tmLocal.tm_mon + 1, tmLocal.tm_mday, tmLocal.tm_year, '/');
}

char* _strtime(char* pszOut) {
  struct tm tmLocal = LocalTime(GetTime());
  return FormatTriple(pszOut, tmLocal.tm_hour, tmLocal.tm_min, tmLocal.tm_sec, ':');
}

uint64_t MonotonicMs() {
  if (s_bFakeClock) return s_nFakeMonotonicMs > 0 ? (uint64_t)s_nFakeMonotonicMs : 0;
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return (uint64_t)ts.tv_sec * 1000u + (uint64_t)(ts.tv_nsec / 1000000);
}

void MonotonicStamp(_timeb* pStamp) {
  const uint64_t nMs = MonotonicMs();
  *pStamp = _timeb{};
  pStamp->time = (time64_t)(nMs / 1000);
  pStamp->millitm = (unsigned short)(nMs % 1000);
}

void SetFakeClock(time64_t nSeconds, int nMilliseconds) {
  s_bFakeClock = true;
  s_nFakeClockMs = nSeconds * 1000 + nMilliseconds;
  // Both clocks start from the same reading; only a step of the wall clock sets them apart.
  s_nFakeMonotonicMs = s_nFakeClockMs;
}

void AdvanceFakeClock(int64_t nMilliseconds) {
  if (!s_bFakeClock) {
    // Advancing the real clock is a misuse; hold it where it is and move on from there.
    time64_t nSeconds;
    int nMs;
    ReadClock(&nSeconds, &nMs);
    SetFakeClock(nSeconds, nMs);
  }
  s_nFakeClockMs += nMilliseconds;
  s_nFakeMonotonicMs += nMilliseconds;
}

void StepFakeWallClock(int64_t nMilliseconds) {
  if (!s_bFakeClock) AdvanceFakeClock(0);
  s_nFakeClockMs += nMilliseconds;
}

void UseRealClock() { s_bFakeClock = false; }

int Rand() {
  s_nRandState = s_nRandState * 214013u + 2531011u;
  return (int)((s_nRandState >> 16) & 0x7FFF);
}

void SRand(unsigned int nSeed) { s_nRandState = nSeed; }
