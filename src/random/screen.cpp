// SPDX-License-Identifier: MIT
// Random practice screen: draws the whole drill screen from the run state, and keeps the
// clock and speed lines moving once a second. Judges no keys; that is engine.cpp's.
#include <cstdio>
#include <cstring>

#include "flow/flow.h"
#include "flow/menu.h"
#include "flow/util.h"
#include "random/random.h"

double g_dShownElapsed = 0.0;
int g_nShownSecond = 0;
char g_szToday[9] = "";
char g_szNowTime[9] = "";

// These lines are English in both languages.
//   y    x    text
const SCREENITEM RANDOM_TYPING_HINTS[3] = {
    {32, 80, "Press Enter Key to terminate Number", 0},
    {368, 192, "Press ESC key to cancel", 0},
    {0, 0, nullptr, 0},
};
const SCREENITEM RANDOM_CONGRATULATION[2] = {
    {320, 128, "Congratulations You have updated your speed record", 0},
    {0, 0, nullptr, 0},
};

void CursorCellRect(RECT* pRect) {
  // Every character of the text is full-width: two half-width cells.
  TextCellsRect(TEXT_TOP_Y + TEXT_ROW_PITCH * g_nTextRow, TEXT_CELL_WIDTH * g_nTextCol, 2, 1.0,
                pRect);
}

void DrawPracticeText(CDC* pDC) {
  int n = 0;
  for (int nRow = 0; nRow < g_nTextLines; ++nRow) {
    for (int nCol = 0; nCol < TEXT_LINE_CHARS; ++nCol) {
      const char ch = g_practiceText[nCol][nRow];
      const int nY = TEXT_TOP_Y + TEXT_ROW_PITCH * nRow;
      const int nX = TEXT_CELL_WIDTH * nCol;
      const bool bCursor = nCol == g_nTextCol && nRow == g_nTextRow;
      const bool bMarkError = g_bErrorPending == 1 && bCursor;
      if (bMarkError) {
        pDC->SetBkColor(CR_RED);
        pDC->SetTextColor(CR_BLACK);
      }
      g_bBoldText = 0;
      PrintFullWidthChar(pDC, nY, nX, (unsigned char)ch, 1.0);
      g_bBoldText = 0;
      if (bMarkError) {
        pDC->SetBkColor(CR_WHITE);
        pDC->SetTextColor(CR_BLACK);
      }
      if (nRow < g_nTextRow || (nRow == g_nTextRow && nCol < g_nTextCol))
        UnderlineText(pDC, nY, nX, "aa", 1, CR_BLUE);
      if (++n >= g_nTextChars) return;
    }
  }
}

void DrawRandomScreen(CDC* pDC, const char* pszHeaderFormat) {
  ClearScreen(pDC);
  DrawScreenHeader(pDC, pszHeaderFormat, g_pszScreenTitle);

  SetColors(pDC, CR_GREEN, CR_WHITE);
  if (g_bEnglish == 1)
    PrintAt(pDC, 64, 16, "Time Limit 60sec");
  else  // 制限時間60秒
    PrintAt(pDC, 64, 32, "\x90\xa7\x8c\xc0\x8e\x9e\x8a\xd4" "60" "\x95\x62");
  SetColors(pDC, CR_BLACK, CR_WHITE);

  DrawPracticeText(pDC);

  if (g_pnPracticeCount && *g_pnPracticeCount != 0) PrintRandomPracticeCount(pDC);
  if (g_nErrorCount != 0) PrintRandomErrorCount(pDC, g_nErrorCount);
  if (g_dTypeSpeed != 0.0) PrintRandomSpeed(pDC, g_dTypeSpeed);
  // The clock line appears once a key or tick has printed it, so a repaint in the first
  // second of a run, or after a cancel within it, shows no "0sec" the run never showed.
  if (g_dElapsed != 0.0 && g_dShownElapsed != 0.0) PrintRandomElapsed(pDC, g_dShownElapsed);

  if (g_pBestSpeed && *g_pBestSpeed != 0.0) {
    char szLine[64];
    SetColors(pDC, CR_GREEN, CR_WHITE);
    if (g_bEnglish == 1) {
      snprintf(szLine, sizeof szLine, "Maximum Type Speed%6.1lf/min", *g_pBestSpeed);
      PrintAt(pDC, 48, 184, szLine);
      snprintf(szLine, sizeof szLine, "Date %s", g_pBestDate ? g_pBestDate : "");
      PrintAt(pDC, 48, 424, szLine);
    } else {
      // 最高入力速度%6.1lf文字／分
      snprintf(szLine, sizeof szLine,
               "\x8d\xc5\x8d\x82\x93\xfc\x97\xcd\x91\xac\x93\x78" "%6.1lf"
               "\x95\xb6\x8e\x9a\x81\x5e\x95\xaa",
               *g_pBestSpeed);
      PrintAt(pDC, 48, 160, szLine);
      // 達成日 %s
      snprintf(szLine, sizeof szLine, "\x92\x42\x90\xac\x93\xfa" " %s",
               g_pBestDate ? g_pBestDate : "");
      PrintAt(pDC, 48, 392, szLine);
    }
    SetColors(pDC, CR_BLACK, CR_WHITE);
  }

  if (g_nPhase == PHASE_RESULT) {
    if (g_nFinishState == 2) {
      SetColors(pDC, CR_GREEN, CR_WHITE);
      PrintItems(pDC, RANDOM_CONGRATULATION);
    }
    PrintDrillEndPrompts(pDC);
  }
  if (g_nPhase == PHASE_RUNNING) {
    SetColors(pDC, CR_TEAL, CR_WHITE);
    PrintItems(pDC, RANDOM_TYPING_HINTS);
  }
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void OnRandomTick(CDC* pDC) {
  // Only a run whose clock is going has anything to show.
  if (g_bTimingStarted == 0 || g_nPhase != PHASE_RUNNING) return;
  MonotonicStamp(&g_tbEnd);
  g_dElapsed = ElapsedSeconds(&g_tbStart, &g_tbEnd);
  if (g_dElapsed < 1.0) {
    g_dShownElapsed = 0.0;
    return;
  }
  if (g_dElapsed >= g_dTimeLimit) g_dElapsed = g_dTimeLimit;
  g_dShownElapsed = TruncateToWhole(g_dElapsed);
  const int nWholeSecond = (int)g_dShownElapsed;
  if (nWholeSecond == g_nShownSecond && g_dElapsed != g_dTimeLimit) return;
  PrintRandomElapsed(pDC, g_dShownElapsed);
  g_dTypeSpeed = CalcTypeSpeed(g_nTypeCount, g_dElapsed);
  PrintRandomSpeed(pDC, g_dTypeSpeed);
  g_nShownSecond = nWholeSecond;
}

void ResetRandomState() {
  std::memset(g_practiceText, 0, sizeof g_practiceText);
  g_nTextLines = 0;
  g_nTextChars = 0;
  g_dShownElapsed = 0.0;
  g_nShownSecond = 0;
  g_szToday[0] = '\0';
  g_szNowTime[0] = '\0';
}
