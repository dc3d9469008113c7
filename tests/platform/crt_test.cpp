// SPDX-License-Identifier: MIT
// The C runtime stand-ins: the settable clock with its date and time texts, and the
// classic 15-bit generator.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/platform.h"

namespace {

void UseZone(const char* pszTz) {
  setenv("TZ", pszTz, 1);
  tzset();
}

std::string Date() {
  char sz[9];
  return _strdate(sz);
}

std::string Time() {
  char sz[9];
  return _strtime(sz);
}

// 2026-12-07 10:00:00 UTC.
constexpr time64_t MONDAY_TEN = 1796637600;

TEST(Clock, FakeClockStandsStillAndMovesOnlyWhenAdvanced) {
  UseZone("UTC");
  SetFakeClock(MONDAY_TEN, 250);
  time64_t nOut = 0;
  EXPECT_EQ(GetTime(&nOut), MONDAY_TEN);
  EXPECT_EQ(nOut, MONDAY_TEN);
  EXPECT_EQ(GetTime(), MONDAY_TEN);

  _timeb tb{};
  _ftime(&tb);
  EXPECT_EQ(tb.time, MONDAY_TEN);
  EXPECT_EQ(tb.millitm, 250);
  EXPECT_EQ(tb.timezone, 0);
  EXPECT_EQ(tb.dstflag, 0);
  EXPECT_EQ(Date(), "12/07/26");
  EXPECT_EQ(Time(), "10:00:00");

  // Milliseconds carry into seconds; a step back works the same way.
  AdvanceFakeClock(999);
  _ftime(&tb);
  EXPECT_EQ(tb.time, MONDAY_TEN + 1);
  EXPECT_EQ(tb.millitm, 249);
  AdvanceFakeClock(-1000);
  _ftime(&tb);
  EXPECT_EQ(tb.time, MONDAY_TEN);
  EXPECT_EQ(tb.millitm, 249);
  EXPECT_EQ(Time(), "10:00:00");
}

TEST(Clock, DateAndTimeTextsRollOverMidnightAndTheCentury) {
  UseZone("UTC");
  // 2026-12-07 23:59:59.500, then 600 ms later.
  SetFakeClock(MONDAY_TEN + 14 * 3600 - 1, 500);
  EXPECT_EQ(Date(), "12/07/26");
  EXPECT_EQ(Time(), "23:59:59");
  AdvanceFakeClock(600);
  EXPECT_EQ(Date(), "12/08/26");
  EXPECT_EQ(Time(), "00:00:00");

  // 1999-12-31 23:59:59 -> 2000-01-01: the year has two digits.
  SetFakeClock(946684799, 0);
  EXPECT_EQ(Date(), "12/31/99");
  AdvanceFakeClock(1000);
  EXPECT_EQ(Date(), "01/01/00");
  EXPECT_EQ(Time(), "00:00:00");

  // Past 2038 the time stays exact: 2040-02-29 12:34:56.
  SetFakeClock(2214131696, 0);
  EXPECT_EQ(GetTime(), (time64_t)2214131696);
  EXPECT_EQ(Date(), "02/29/40");
  EXPECT_EQ(Time(), "12:34:56");

  // The texts are exactly 8 characters and a NUL, written into the caller's buffer.
  char sz[12];
  memset(sz, 'x', sizeof sz);
  EXPECT_EQ(_strdate(sz), sz);
  EXPECT_EQ(sz[8], '\0');
  EXPECT_EQ(sz[9], 'x');
}

TEST(Clock, TextsAreLocalTimeAndTheZoneIsReported) {
  SetFakeClock(MONDAY_TEN, 0);
  UseZone("JST-9");
  EXPECT_EQ(Time(), "19:00:00");
  _timeb tb{};
  _ftime(&tb);
  EXPECT_EQ(tb.time, MONDAY_TEN);  // the time value itself is not local
  EXPECT_EQ(tb.timezone, -540);
  EXPECT_EQ(tb.dstflag, 0);

  // In summer time the zone still names the standard offset, and the flag is set.
  UseZone("EST5EDT,M3.2.0,M11.1.0");
  SetFakeClock(1783425600, 0);  // 2026-07-07 12:00:00 UTC
  _ftime(&tb);
  EXPECT_EQ(tb.timezone, 300);
  EXPECT_EQ(tb.dstflag, 1);
  EXPECT_EQ(Time(), "08:00:00");
  EXPECT_EQ(Date(), "07/07/26");
  UseZone("UTC");
}

TEST(Clock, RealClockFollowsTheSystem) {
  SetFakeClock(MONDAY_TEN, 0);
  UseRealClock();
  time64_t nNow = (time64_t)time(nullptr);
  time64_t nOurs = GetTime();
  EXPECT_GE(nOurs, nNow);
  EXPECT_LE(nOurs, nNow + 2);
  // Advancing while on the real clock holds it from there instead of jumping.
  AdvanceFakeClock(3000);
  EXPECT_GE(GetTime(), nNow + 3);
  EXPECT_LE(GetTime(), nNow + 5);
}

TEST(Random, ClassicSequenceAndReseeding) {
  SRand(1);
  const int FIRST[] = {41, 18467, 6334, 26500, 19169, 15724, 11478, 29358, 26962, 24464};
  for (int n : FIRST) EXPECT_EQ(Rand(), n);
  SRand(1);
  EXPECT_EQ(Rand(), 41);

  // Results are 15 bits: the whole range is used and nothing lies outside it.
  SRand((unsigned)MONDAY_TEN);  // a seed from time(), as at start-up; it wraps to 32 bits
  int nMin = 1 << 20, nMax = -1;
  for (int i = 0; i < 100000; ++i) {
    int n = Rand();
    nMin = std::min(nMin, n);
    nMax = std::max(nMax, n);
  }
  EXPECT_EQ(nMin, 0);
  EXPECT_EQ(nMax, 32767);
}

}  // namespace
