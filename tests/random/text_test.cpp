// SPDX-License-Identifier: MIT
// Practice text generation: length by best speed, the shape of every line, the
// characters drawn, and the cells the generator must leave alone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "random/random.h"

namespace {

// Checks the shape of the generated text: groups of five characters from the set, each
// followed by a blank, six groups to a line.
void ExpectWellFormed(const char* pszSet) {
  for (int nRow = 0; nRow < g_nTextLines; ++nRow) {
    for (int nCol = 0; nCol < TEXT_LINE_CHARS; ++nCol) {
      const char ch = g_practiceText[nCol][nRow];
      if (nCol % 6 == 5)
        EXPECT_EQ(ch, ' ') << "column " << nCol << " row " << nRow;
      else
        EXPECT_TRUE(ch != '\0' && std::strchr(pszSet, ch))
            << "column " << nCol << " row " << nRow << " holds " << (int)ch;
    }
  }
}

TEST(PracticeText, LengthFollowsBestSpeed) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct {
    double dSpeed;
    int nLines;
  } const CASES[] = {
      {0.0, 3},   {72.0, 3},   {72.1, 4},    {108.0, 4},  {108.5, 5},   {288.0, 9},
      {288.1, 10}, {5000.0, 10}, {1e300, 10}, {inf, 10},
      // Damaged records: a negative or meaningless speed gives the shortest text.
      {-50.0, 3}, {-inf, 3}, {nan, 3}, {-nan, 3},
  };
  SRand(12345);
  for (const auto& c : CASES) {
    GenerateRandomText("0123456789", c.dSpeed);
    EXPECT_EQ(g_nTextLines, c.nLines) << "best speed " << c.dSpeed;
    EXPECT_EQ(g_nTextChars, 36 * c.nLines) << "best speed " << c.dSpeed;
    ExpectWellFormed("0123456789");
  }
}

TEST(PracticeText, DigitsAreSpreadAndCellsOutsideTheTextKept) {
  std::memset(g_practiceText, 'x', sizeof g_practiceText);
  SRand(7);
  GenerateRandomText("0123456789", 0.0);
  ASSERT_EQ(g_nTextLines, 3);
  int nSeen[10] = {};
  for (int nRow = 0; nRow < 3; ++nRow)
    for (int nCol = 0; nCol < 36; ++nCol)
      if (g_practiceText[nCol][nRow] != ' ') ++nSeen[g_practiceText[nCol][nRow] - '0'];
  // 90 draws: a scaling that lost the low or high end of the range would leave digits out.
  for (int d = 0; d < 10; ++d) EXPECT_GT(nSeen[d], 0) << "digit " << d;
  // Rows below the text and the four spare columns keep what they held.
  for (int nCol = 0; nCol < TEXT_COLUMNS; ++nCol)
    for (int nRow = 0; nRow < TEXT_ROWS; ++nRow)
      if (nCol >= 36 || nRow >= 3) {
        EXPECT_EQ(g_practiceText[nCol][nRow], 'x');
      }
}

TEST(PracticeText, OneCharacterSetNeverReadsPastIt) {
  // The largest draw, 32767, still scales to index 0 of a one-character set.
  SRand(99);
  GenerateRandomText("7", 300.0);
  ExpectWellFormed("7");
}

}  // namespace
