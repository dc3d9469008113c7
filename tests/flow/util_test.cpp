// SPDX-License-Identifier: MIT
// Tests of the practice utilities: key upper-casing, whole-second truncation, stamp
// differences and date reformatting.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "flow/util.h"

TEST(PracticeUtilities, UpperKeyComparesWithSignedTextBytes) {
  for (int ch : std::initializer_list<int>{'0', '9', 13, 9, ' ', 'A', 'Z', 27, 0, -5})
    EXPECT_EQ(ToUpperKey(ch), ch);
  EXPECT_EQ(ToUpperKey('a'), 'A');
  EXPECT_EQ(ToUpperKey('z'), 'Z');
  EXPECT_EQ(ToUpperKey('{'), '{');  // just past 'z'
  EXPECT_EQ(ToUpperKey('`'), '`');  // just before 'a'
  EXPECT_EQ(ToUpperKey(0xC8), -56);
  // A key above 0x7F equals the same byte of a practice text read as a signed char.
  for (int ch = 0x80; ch <= 0xFF; ++ch) EXPECT_EQ(ToUpperKey(ch), (int)(signed char)ch);
  EXPECT_EQ(ToUpperKey(0x1C8), -56);  // only the low byte counts
}

TEST(PracticeUtilities, TruncationDropsTheFractionAndNeverOverflows) {
  EXPECT_EQ(TruncateToWhole(59.9), 59.0);
  EXPECT_EQ(TruncateToWhole(60.0), 60.0);
  EXPECT_EQ(TruncateToWhole(0.999), 0.0);
  EXPECT_EQ(TruncateToWhole(-2.5), -2.0);
  // Values beyond the 32-bit range are held at its ends instead of converting undefinedly.
  EXPECT_EQ(TruncateToWhole(1e12), 2147483647.0);
  EXPECT_EQ(TruncateToWhole(-1e12), -2147483648.0);
  EXPECT_EQ(TruncateToWhole(std::numeric_limits<double>::infinity()), 2147483647.0);
  EXPECT_EQ(TruncateToWhole(std::nan("")), 0.0);
  EXPECT_EQ(TruncateToWhole(2147483646.5), 2147483646.0);
}

TEST(PracticeUtilities, ElapsedSecondsBorrowsMillisecondsAndNeverGoesNegative) {
  _timeb a{}, b{};
  a.time = 10;
  a.millitm = 900;
  b.time = 11;
  b.millitm = 100;
  EXPECT_NEAR(ElapsedSeconds(&a, &b), 0.2, 1e-9);
  // A clock set back gives 0, not a negative duration.
  EXPECT_EQ(ElapsedSeconds(&b, &a), 0.0);
  EXPECT_EQ(ElapsedSeconds(&a, &a), 0.0);
  // Real 64-bit stamps far apart stay exact.
  a.time = 1796637600;
  a.millitm = 0;
  b.time = 1796637600 + 86400;
  b.millitm = 250;
  EXPECT_DOUBLE_EQ(ElapsedSeconds(&a, &b), 86400.25);
}

TEST(PracticeUtilities, DatesBecomeYearFirst) {
  char out[9];
  EXPECT_STREQ(ReformatDate(out, "12/06/98"), "98/12/06");
  EXPECT_EQ(ReformatDate(out, "01/31/26"), out);
  EXPECT_STREQ(out, "26/01/31");
}
