// SPDX-License-Identifier: MIT
// Practice text generator for the random drill: fills the grid of digit groups whose
// length follows the lesson's best speed. Draws nothing and keeps no run state.
#include <cassert>
#include <cmath>
#include <cstring>

#include "random/random.h"

char g_practiceText[TEXT_COLUMNS][TEXT_ROWS];
int g_nTextLines = 0;
int g_nTextChars = 0;

static const int GROUP_CHARS = 5;  // drawn characters before each blank
static const int MIN_TEXT_LINES = 3;

// One more line per 36 characters a minute of best speed, from 3 up to 10 lines. The
// best speed comes from the record file, so a damaged one may be negative, infinite or
// not a number; the comparison is done in double so the conversion to int is always safe.
static int LineCountForSpeed(double dBestSpeed) {
  double dLines = std::ceil((dBestSpeed + 36.0) / 36.0);
  if (std::isnan(dLines) || dLines < MIN_TEXT_LINES) return MIN_TEXT_LINES;
  if (dLines > TEXT_ROWS) return TEXT_ROWS;
  return (int)dLines;
}

void GenerateRandomText(const char* pszCharSet, double dBestSpeed) {
  assert(pszCharSet && *pszCharSet && "GenerateRandomText needs a non-empty character set");
  g_nTextLines = LineCountForSpeed(dBestSpeed);
  g_nTextChars = g_nTextLines * TEXT_LINE_CHARS;

  const size_t nSetLength = std::strlen(pszCharSet);
  // The group counter runs across line ends; 36 being a multiple of 6 keeps every line
  // the same shape, ending in a blank in column 35.
  int nInGroup = 0;
  for (int nRow = 0; nRow < g_nTextLines; ++nRow) {
    for (int nCol = 0; nCol < TEXT_LINE_CHARS; ++nCol) {
      if (nInGroup == GROUP_CHARS) {
        g_practiceText[nCol][nRow] = ' ';
        nInGroup = 0;
        continue;
      }
      // Rand() yields 0..32767, so the index stays below the set's length.
      const int r = Rand();
      const size_t i = (size_t)std::floor((double)nSetLength * (r / 32768.0));
      g_practiceText[nCol][nRow] = pszCharSet[i];
      ++nInGroup;
    }
  }
}
