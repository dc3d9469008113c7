// SPDX-License-Identifier: MIT
// Random practice engine: judges each key against the practice text, keeps the run's clock,
// counts and speed, and ends runs. Draws only what a key changes, never the whole screen.
#include <cassert>
#include <cmath>
#include <cstdio>

#include "flow/flow.h"
#include "flow/menu.h"
#include "flow/util.h"
#include "practice/practice.h"
#include "random/random.h"
#include "records/records.h"

// ---- Status-line painters ----------------------------------------------------------------

void PrintRandomElapsed(CDC* pDC, double dSeconds) {
  const double dWhole = TruncateToWhole(dSeconds);
  char szLine[64];
  // Whole seconds while the run goes on; hundredths once the text is done, even when the
  // time happens to be whole.
  if (dSeconds - dWhole == 0.0 && g_bTextCompleted == 0) {
    if (g_bEnglish == 1)
      snprintf(szLine, sizeof szLine, "Elapsed Time%2ldsec", (long)dWhole);
    else  // 経過時間%2ld秒
      snprintf(szLine, sizeof szLine, "\x8c\x6f\x89\xdf\x8e\x9e\x8a\xd4" "%2ld" "\x95\x62",
               (long)dWhole);
  } else {
    if (g_bEnglish == 1) {
      snprintf(szLine, sizeof szLine, "Elapsed Time%5.2lfsec", dSeconds);
    } else {  // 経過時間%5.2lf秒
      // The whole-second line had its 秒 where the decimals now go, and a wide glyph inks
      // the pixel column between two cells that half-width ones leave alone wherever the
      // cells are not a whole number of pixels apart: blank the old line first.
      SetColors(pDC, CR_WHITE, CR_WHITE);
      PrintBlankedAt(pDC, 80, 32, "\x8c\x6f\x89\xdf\x8e\x9e\x8a\xd4" " 0" "\x95\x62");
      snprintf(szLine, sizeof szLine, "\x8c\x6f\x89\xdf\x8e\x9e\x8a\xd4" "%5.2lf" "\x95\x62",
               dSeconds);
    }
  }
  SetColors(pDC, CR_NAVY, CR_WHITE);
  if (g_bEnglish == 1)
    PrintAt(pDC, 80, 8, szLine);
  else
    PrintAt(pDC, 80, 32, szLine);
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void PrintRandomSpeed(CDC* pDC, double dSpeed) {
  char szLine[64];
  SetColors(pDC, CR_NAVY, CR_WHITE);
  if (g_bEnglish == 1) {
    snprintf(szLine, sizeof szLine, "Current Type Speed%6.1lf/min", dSpeed);
    PrintAt(pDC, 80, 184, szLine);
  } else {
    // 入力速度%6.1lf文字／分
    snprintf(szLine, sizeof szLine,
             "\x93\xfc\x97\xcd\x91\xac\x93\x78" "%6.1lf" "\x95\xb6\x8e\x9a\x81\x5e\x95\xaa",
             dSpeed);
    PrintAt(pDC, 80, 192, szLine);
  }
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void PrintRandomErrorCount(CDC* pDC, int nCount) {
  char szLine[64];
  SetColors(pDC, CR_MAROON, CR_WHITE);
  if (g_bEnglish == 1) {
    snprintf(szLine, sizeof szLine, "Error Count%3d", nCount);
    PrintAt(pDC, 80, 424, szLine);
  } else {
    // ミスタッチ%3d回
    snprintf(szLine, sizeof szLine, "\x83\x7e\x83\x58\x83\x5e\x83\x62\x83\x60" "%3d" "\x89\xf1",
             nCount);
    PrintAt(pDC, 80, 392, szLine);
  }
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void PrintRandomPracticeCount(CDC* pDC) {
  assert(g_pnPracticeCount && "PrintRandomPracticeCount needs a lesson bound by StartLesson");
  char szLine[64];
  SetColors(pDC, CR_GREEN, CR_WHITE);
  if (g_bEnglish == 1)
    snprintf(szLine, sizeof szLine, "Practice Count%4d", *g_pnPracticeCount);
  else  // 練習回数%4d回
    snprintf(szLine, sizeof szLine, "\x97\xfb\x8f\x4b\x89\xf1\x90\x94" "%4d" "\x89\xf1",
             *g_pnPracticeCount);
  PrintAt(pDC, 16, 248, szLine);
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

double CalcTypeSpeed(int nCount, double dSeconds) {
  if (dSeconds == 0.0) return 0.0;
  return nCount / dSeconds * 60.0;
}

// ---- Run bookkeeping ---------------------------------------------------------------------

// Takes g_tbEnd at the press of the key being handled and measures g_dElapsed from the
// first correct key's press.
static void MeasureElapsed() {
  KeyPressStamp(&g_tbEnd);
  g_dElapsed = ElapsedSeconds(&g_tbStart, &g_tbEnd);
}

static void ShowAfterRunPrompts(CDC* pDC) {
  SetColors(pDC, CR_WHITE, CR_WHITE);
  PrintItemsBlanked(pDC, RANDOM_TYPING_HINTS);
  PrintDrillEndPrompts(pDC);
}

static void CellPosition(int nCol, int nRow, int* pnY, int* pnX) {
  *pnY = TEXT_TOP_Y + TEXT_ROW_PITCH * nRow;
  *pnX = TEXT_CELL_WIDTH * nCol;
}

void FinishRandomRun(CDC* pDC) {
  // Each run ends once: every path that ends it (last key, late key, clock tick) runs in
  // phase 3 and leaves phase 4 behind it.
  if (g_nPhase != PHASE_RUNNING) return;
  ++*g_pnPracticeCount;

  double dBest = *g_pBestSpeed;
  // A best speed that no run can beat or that is meaningless (damaged record: not a
  // number, infinite, negative) counts as no record, so the user's next run repairs it.
  if (!std::isfinite(dBest) || dBest < 0.0) dBest = 0.0;

  if (dBest == 0.0 || dBest < g_dTypeSpeed) {
    if (dBest > 0.0) {
      SetColors(pDC, CR_GREEN, CR_WHITE);
      PrintItems(pDC, RANDOM_CONGRATULATION);
      SetColors(pDC, CR_BLACK, CR_WHITE);
      g_nFinishState = 2;
    } else {
      g_nFinishState = 1;
    }
    _strdate(g_szToday);
    _strtime(g_szNowTime);
    // A failed append is reported at exit even if a later one succeeds.
    if (!AppendSpeedHistory(g_pszScreenTitle, g_szToday, g_szNowTime, g_dTypeSpeed,
                            *g_pnPracticeSeconds))
      g_bSpdSaved = 0;
  } else {
    g_nFinishState = 3;
  }

  g_nPhase = PHASE_RESULT;
  ShowAfterRunPrompts(pDC);
  // A text typed to its end finished the run, whatever its time; otherwise the clock did.
  EndPracticeRun(g_bTextCompleted == 1 ? RUN_FINISHED : RUN_TIMED_OUT, DrillMs(g_dElapsed),
                 g_nTypeCount, g_dTypeSpeed);
}

// The best speed of a finished run goes into the record only when the user leaves its
// result, so a repaint of the result still shows the previous best.
static void StoreNewBestSpeed() {
  if (g_nFinishState != 1 && g_nFinishState != 2) return;
  *g_pBestSpeed = g_dTypeSpeed;
  ReformatDate(g_pBestDate, g_szToday);
}

// ---- Key branches ------------------------------------------------------------------------

static void StopClockTimer(CWnd* pView) {
  if (pView) pView->KillTimer(RANDOM_CLOCK_TIMER);
}

static void CancelRun(CWnd* pView, CDC* pDC) {
  g_nPhase = PHASE_RESULT;
  g_nFinishState = 0;
  if (g_bTimingStarted == 1) {
    StopClockTimer(pView);
    MeasureElapsed();
    if (g_dElapsed <= 0.0) g_dElapsed = 1.0;
    AddPracticeSeconds(g_dElapsed);
  }
  ShowAfterRunPrompts(pDC);
  EndPracticeRun(RUN_CANCELLED, g_bTimingStarted == 1 ? DrillMs(g_dElapsed) : 0, g_nTypeCount,
                 -1.0);
}

static void LeaveDrill(CDC* pDC) {
  StoreNewBestSpeed();
  g_nFinishState = 0;
  g_nMode = MODE_MENU;
  g_nPhase = PHASE_MENU;
  PaintScreen(pDC);
}

static void RestartRun(CDC* pDC) {
  g_nPhase = PHASE_RUNNING;
  StoreNewBestSpeed();
  GenerateRandomText(g_pszLessonText, *g_pBestSpeed);
  ResetLessonState();
  BeginPracticeRun(DRILL_RANDOM);
  PaintScreen(pDC);
}

// Reprints the clock and speed lines when the key arrived in a new whole second.
static void RefreshStatusLines(CDC* pDC, int nWholeSecond) {
  if (g_bTimingStarted != 1 || nWholeSecond == g_nShownSecond || g_dElapsed < 1.0) return;
  PrintRandomElapsed(pDC, g_dShownElapsed);
  g_dTypeSpeed = CalcTypeSpeed(g_nTypeCount, g_dElapsed);
  PrintRandomSpeed(pDC, g_dTypeSpeed);
  g_nShownSecond = nWholeSecond;
}

void EndTimedRun(CWnd* pView, CDC* pDC) {
  // The clock stops first, so that the run ends exactly once.
  StopClockTimer(pView);
  AddPracticeSeconds(g_dElapsed);
  FinishRandomRun(pDC);
  PrintRandomPracticeCount(pDC);
}

static void EndRunWithTime(CWnd* pView, CDC* pDC) {
  PrintRandomElapsed(pDC, g_dShownElapsed);
  g_dTypeSpeed = CalcTypeSpeed(g_nTypeCount, g_dElapsed);
  PrintRandomSpeed(pDC, g_dTypeSpeed);
  EndTimedRun(pView, pDC);
}

static void TypeKey(CWnd* pView, CDC* pDC, int nKey) {
  // Nothing to type against: no text was generated, or the cursor is past its end.
  if (g_nTextRow >= g_nTextLines || g_nTypeCount >= g_nTextChars) return;

  int nWholeSecond = 0;
  if (g_bTimingStarted == 1) {
    MeasureElapsed();
    if (g_dElapsed > g_dTimeLimit) {
      // Time ran out before this key arrived: the run ends at the limit, unjudged.
      g_dElapsed = g_dTimeLimit;
      g_dShownElapsed = g_dTimeLimit;
      EndRunWithTime(pView, pDC);
      return;
    }
    g_dShownElapsed = TruncateToWhole(g_dElapsed);
    nWholeSecond = (int)g_dShownElapsed;
  }

  const char ch = g_practiceText[g_nTextCol][g_nTextRow];
  const int32_t nTyped = ToUpperKey(nKey);
  // Compared as ToUpperKey gives them: bytes from 0x80 as the same negative values.
  g_chTarget = (char)ToUpperKey(ch);
  const bool bCorrect = (nTyped == g_chTarget || (nTyped == KEY_ENTER && g_chTarget == ' ')) &&
                        !RefusedAsDigitRow(nTyped);
  AddPracticeKey((unsigned char)ch, nTyped & 0xFF, bCorrect);
  int nY, nX;
  CellPosition(g_nTextCol, g_nTextRow, &nY, &nX);

  if (!bCorrect) {
    // The clock waits for the first correct key; the cursor stays on the cell.
    g_bErrorPending = 1;
    pDC->SetBkColor(CR_RED);
    pDC->SetTextColor(CR_BLACK);
    g_bBoldText = 0;
    PrintFullWidthChar(pDC, nY, nX, (unsigned char)ch, 1.0);
    g_bBoldText = 0;
    pDC->SetTextColor(CR_BLACK);
    pDC->SetBkColor(CR_WHITE);
    ++g_nErrorCount;
    PrintRandomErrorCount(pDC, g_nErrorCount);
    RefreshStatusLines(pDC, nWholeSecond);
    return;
  }

  if (g_bTimingStarted == 0) {
    KeyPressStamp(&g_tbStart);
    g_dElapsed = 0.0;
    g_dShownElapsed = 0.0;
    g_nShownSecond = 0;
    nWholeSecond = 0;
    g_bTimingStarted = 1;
    if (pView) pView->SetTimer(RANDOM_CLOCK_TIMER, RANDOM_CLOCK_MS);
  }
  if (g_bErrorPending == 1) {
    g_bErrorPending = 0;
    g_bBoldText = 0;
    SetColors(pDC, CR_BLACK, CR_WHITE);
    PrintFullWidthChar(pDC, nY, nX, (unsigned char)ch, 1.0);
    g_bBoldText = 0;
  }
  // After the red mark is gone: at fractional scales the glyph's box reaches the underline.
  UnderlineText(pDC, nY, nX, "aa", 1, CR_BLUE);
  ++g_nTypeCount;
  if (g_nTextCol < TEXT_LINE_CHARS - 1) {
    ++g_nTextCol;
  } else {
    g_nTextCol = 0;
    ++g_nTextRow;
  }
  RefreshStatusLines(pDC, nWholeSecond);

  if (g_nTypeCount >= g_nTextChars) {
    // The run's time is the arrival of its last key, shown to the hundredth.
    g_dShownElapsed = g_dElapsed;
    g_bTextCompleted = 1;
    EndRunWithTime(pView, pDC);
  }
}

void OnRandomKey(CWnd* pView, CDC* pDC, int nKey) {
  if (nKey == KEY_ESCAPE && g_nPhase == PHASE_RUNNING) {
    CancelRun(pView, pDC);
  } else if (nKey == KEY_ESCAPE && g_nPhase == PHASE_RESULT) {
    LeaveDrill(pDC);
  } else if (nKey == KEY_TAB && g_nPhase == PHASE_RESULT) {
    RestartRun(pDC);
  } else if (g_nPhase == PHASE_RUNNING) {
    TypeKey(pView, pDC, nKey);
  }
  // Anything else after a run is ignored.
}
