// SPDX-License-Identifier: MIT
// The record screen: earlier and current use time and each practice item's best speed,
// date and practice time. Holds no state and takes no keys.
#include <cstdio>
#include <cstring>

#include "flow/flow.h"
#include "records/records_impl.h"

// "前回までの練習時間　" (practice time up to last time), then hours, minutes, seconds.
static const char PAST_TIME_JA[] =
    "\x91\x4f\x89\xf1\x82\xdc\x82\xc5\x82\xcc\x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4\x81\x40"
    "%5d\x8e\x9e\x8a\xd4%2d\x95\xaa%2d\x95\x62";
static const char PAST_TIME_EN[] = "Past Practice Time  %5dhour%2dmin%2dsec";
// "今回の練習時間　　　" (practice time this time), then hours, minutes, seconds.
static const char CURRENT_TIME_JA[] =
    "\x8d\xa1\x89\xf1\x82\xcc\x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4\x81\x40\x81\x40\x81\x40"
    "%5d\x8e\x9e\x8a\xd4%2d\x95\xaa%2d\x95\x62";
static const char CURRENT_TIME_EN[] = "Current Elapsed Time%5dhour%2dmin%2dsec";
// "ESCキーを押すとメニューに戻ります" (press Esc to return to the menu).
static const char RETURN_HINT_JA[] =
    "ESC\x83\x4c\x81\x5b\x82\xf0\x89\x9f\x82\xb7\x82\xc6\x83\x81\x83\x6a\x83\x85\x81\x5b"
    "\x82\xc9\x96\xdf\x82\xe8\x82\xdc\x82\xb7";
static const char RETURN_HINT_EN[] = "Press ESC Key to Return to Menu";
static const int RETURN_HINT_Y = 1;
static const int RETURN_HINT_X = 344;
// Under the return hint, on a row the screen leaves empty: the key that opens the key map.
static const int KEY_MAP_HINT_Y = 32;
static const int KEY_MAP_HINT_X = RETURN_HINT_X;
// A row's time column: "%5d時間%2d分%2d秒" in Japanese.
static const char ROW_TIME_JA[] = "%5d\x8e\x9e\x8a\xd4%2d\x95\xaa%2d\x95\x62";
static const char ROW_TIME_EN[] = "%5dhour%2dmin%2dsec";

// Column header; English in both languages.
static const SCREENITEM COLUMN_HEADER = {
    48, 1, "Practice item     Type speed per minute         Date        Practice time", 0};
// The position row.
//   y   x  name
static const SCREENITEM POSITION_ROWS[] = {
    {80, 1, "Position Practice", 0},
    {0, 0, nullptr, 0},
};

// Columns of a row, in virtual units right of the row list's first x.
static const int SPEED_COLUMN = 264;  // 33 cells
static const int DATE_COLUMN = 352;   // 44 cells
static const int TIME_COLUMN = 432;   // 54 cells

static void FormatTime(char* pszOut, size_t nSize, const char* pszFormat, int64_t nSeconds) {
  int nHours, nMinutes, nSecs;
  SplitSeconds(nSeconds > 0 ? nSeconds : 0, &nHours, &nMinutes, &nSecs);
  snprintf(pszOut, nSize, pszFormat, nHours, nMinutes, nSecs);
}

static const char* ReturnHint() { return g_bEnglish == 1 ? RETURN_HINT_EN : RETURN_HINT_JA; }

void ReturnHintRect(RECT* pRect) {
  TextCellsRect(RETURN_HINT_Y, RETURN_HINT_X, (int)strlen(ReturnHint()), 1.0, pRect);
}

void DrawRecordScreen(CDC* pDC) {
  const bool bEnglish = g_bEnglish == 1;
  char szText[128];

  ClearScreen(pDC);

  FormatTime(szText, sizeof szText, bEnglish ? PAST_TIME_EN : PAST_TIME_JA, g_nPastSeconds);
  SetColors(pDC, CR_GREEN, CR_WHITE);
  PrintAt(pDC, 1, 1, szText);

  SetColors(pDC, CR_NAVY, CR_WHITE);
  PrintAt(pDC, RETURN_HINT_Y, RETURN_HINT_X, ReturnHint());
  PrintAt(pDC, KEY_MAP_HINT_Y, KEY_MAP_HINT_X,
          OwnScreenText(N_("Press Enter Key for the Key Map")).c_str());

  // Measured at each drawing; the screen does not tick by itself.
  g_tEnd = GetTime();
  FormatTime(szText, sizeof szText, bEnglish ? CURRENT_TIME_EN : CURRENT_TIME_JA,
             RunSeconds());
  SetColors(pDC, CR_GREEN, CR_WHITE);
  PrintAt(pDC, 16, 1, szText);

  SetColors(pDC, CR_NAVY, CR_WHITE);
  PrintItem(pDC, &COLUMN_HEADER);

  SetColors(pDC, CR_BROWN, CR_WHITE);
  DrawRecordRows(pDC, POSITION_ROWS, nullptr, nullptr, &g_nPositionSeconds);
  // The third group is kept in the file but has no row here.
  for (int g = 0; g < 2; ++g)
    DrawRecordRows(pDC, RANDOM_RECORD_NAMES[g], g_dBestSpeed[g], g_szBestDate[g],
                   g_nRandomSeconds[g]);

  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void DrawRecordRows(CDC* pDC, const SCREENITEM* pList, const double* pSpeeds,
                    const char (*pDates)[9], const int* pSeconds) {
  const int x0 = pList[0].x;
  char szText[64];
  for (int i = 0; pList[i].text; ++i) {
    const int y = pList[i].y;
    PrintItem(pDC, &pList[i]);

    if (pSpeeds && pSpeeds[i] != 0.0)
      snprintf(szText, sizeof szText, "%6.1lf", pSpeeds[i]);
    else
      strcpy(szText, "      ");
    PrintAt(pDC, y, x0 + SPEED_COLUMN, szText);

    if (pDates)
      snprintf(szText, sizeof szText, "%-8.8s", pDates[i]);  // eight bytes, NUL or not
    else
      strcpy(szText, "        ");
    PrintAt(pDC, y, x0 + DATE_COLUMN, szText);

    FormatTime(szText, sizeof szText, g_bEnglish == 1 ? ROW_TIME_EN : ROW_TIME_JA,
               pSeconds[i]);
    PrintAt(pDC, y, x0 + TIME_COLUMN, szText);
  }
}
