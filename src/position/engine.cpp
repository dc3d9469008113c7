// SPDX-License-Identifier: MIT
// Position practice engine: judges each key against the asked-for one, runs the one-shot
// hint timer while the guide is hidden, times the drill and gives advice at its end.
// Draws only through the screen and guide operations of this folder.
#include <cstring>

#include "flow/flow.h"
#include "flow/menu.h"
#include "flow/util.h"
#include "position/position_private.h"
#include "practice/practice.h"

char g_chLastWrong = 0;
int g_nPositionCount = 0;

void ResetPositionState() {
  g_chLastWrong = 0;
  g_nPositionCount = 0;
}

int NextKeyPosition(const char* pszSet, int nCurrent) {
  int n = pszSet ? (int)strlen(pszSet) : 0;
  if (n < 1) return 0;
  double r = Rand() / 32768.0;
  if (nCurrent < 0) return (int)(r * n);
  // Skips the current position, so no key is asked twice in a row.
  return ((int)(r * (n - 1)) + nCurrent + 1) % n;
}

// The hint timer's identifier is the asked-for key's character code.
static UINT_PTR HintTimerId() { return (unsigned char)g_chTarget; }

// A hint is pending while the guide is hidden and the asked-for key is not yet revealed.
static bool HintPending() { return g_bGuideShown == 0 && g_chShownKey == 0; }

// Hint timers live on the view; without a view no hint runs.
static void StartHint(CWnd* pView, UINT nMs) {
  if (pView) pView->SetTimer(HintTimerId(), nMs);
}
static void StopHint(CWnd* pView, UINT_PTR nId) {
  if (pView) pView->KillTimer(nId);
}

static int Key(char ch) { return (unsigned char)ch; }

// Takes a mark off a key: back to plain (guide shown) or blank (hidden), or back to the
// answer style when the key is the one revealed, so that the screen matches a redraw.
static void UnmarkKey(CDC* pDC, char chKey) {
  if (chKey == 0) return;
  if (chKey == g_chShownKey)
    MarkGuideKey(pDC, Key(chKey), KEY_ANSWER);
  else
    MarkGuideKey(pDC, Key(chKey), g_bGuideShown ? KEY_PLAIN : KEY_BLANK);
}

// Seconds from g_tbStart to the press of the key being handled; a zero or reversed clock
// counts as one second.
static double MeasureDrill() {
  KeyPressStamp(&g_tbEnd);
  double dElapsed = ElapsedSeconds(&g_tbStart, &g_tbEnd);
  return dElapsed > 0.0 ? dElapsed : 1.0;
}

static void ChooseNextKey(int nCurrent) {
  g_nTargetPos = NextKeyPosition(g_pszLessonText, nCurrent);
  g_chTarget = g_pszLessonText[g_nTargetPos];
}

static void HideGuideDuringDrill(CWnd* pView, CDC* pDC) {
  ReplaceGuidePrompt(pDC, 0);
  DrawGuide(pDC, GUIDE_COVER);
  MarkFinger(pDC, Key(g_chShownKey), 0);
  g_chShownKey = 0;
  MarkGuideKey(pDC, Key(g_chLastWrong), KEY_WRONG);
  StartHint(pView, g_nTypeCount == 0 ? FIRST_HINT_MS : NEXT_HINT_MS);
  g_bGuideShown = 0;
}

static void ShowGuideDuringDrill(CWnd* pView, CDC* pDC) {
  ReplaceGuidePrompt(pDC, 1);
  StopHint(pView, HintTimerId());
  DrawGuide(pDC, GUIDE_REVEAL);
  g_chShownKey = g_chTarget;
  MarkGuideKey(pDC, Key(g_chShownKey), KEY_ANSWER);
  MarkGuideKey(pDC, Key(g_chLastWrong), KEY_WRONG);
  MarkFinger(pDC, Key(g_chShownKey), 1);
  g_bGuideShown = 1;
}

// After a drill the hand is gone and no timer runs. Covering or revealing the labels also
// paints over the key marks, so they are put back; the answer mark stays with the key it
// marks, hidden guide or not, as a redraw shows it.
static void ToggleGuideAfterDrill(CDC* pDC) {
  if (g_bGuideShown == 1) {
    DrawGuide(pDC, GUIDE_COVER);
    if (g_nAdvice == 1) {
      EraseAdvice(pDC, 1);
      g_nAdvice = 0;
    }
    ReplaceGuidePrompt(pDC, 0);
    g_bGuideShown = 0;
  } else {
    if (g_nAdvice == 2) {
      EraseAdvice(pDC, 2);
      g_nAdvice = 0;
    }
    DrawGuide(pDC, GUIDE_REVEAL);
    ReplaceGuidePrompt(pDC, 1);
    g_bGuideShown = 1;
  }
  MarkGuideKey(pDC, Key(g_chShownKey), KEY_ANSWER);
  MarkGuideKey(pDC, Key(g_chLastWrong), KEY_WRONG);
}

static void CancelDrill(CWnd* pView, CDC* pDC) {
  if (HintPending()) StopHint(pView, HintTimerId());
  DrawHand(pDC, 0);
  int64_t nMs = 0;
  if (g_bTimingStarted) {
    g_dElapsed = MeasureDrill();
    nMs = DrillMs(g_dElapsed);
    AddPracticeSeconds(g_dElapsed);
    g_bTimingStarted = 0;
  }
  g_nPhase = PHASE_RESULT;
  g_nFinishState = 0;
  EraseEscapePrompt(pDC);
  PrintDrillEndPrompts(pDC);
  EndPracticeRun(RUN_CANCELLED, nMs, g_nTypeCount, -1.0);
}

static void LeaveDrill(CDC* pDC) {
  g_nFinishState = 0;
  g_nAdvice = 0;
  g_nMode = MODE_MENU;
  g_nPhase = PHASE_MENU;
  PaintScreen(pDC);
}

static void StartNewDrill(CWnd* pView, CDC* pDC) {
  g_nPhase = PHASE_RUNNING;
  g_nTypeCount = 0;
  g_nErrorCount = 0;
  g_bTimingStarted = 0;
  KeyPressStamp(&g_tbStart);
  g_nFinishState = 0;
  // Advice belongs to the drill that earned it; a later drill with neither few nor many
  // errors must not show it again.
  g_nAdvice = 0;
  ChooseNextKey(g_nTargetPos);
  if (g_bGuideShown == 1) {
    g_chShownKey = g_chTarget;
  } else {
    g_chShownKey = 0;
    StartHint(pView, FIRST_HINT_MS);
  }
  BeginPracticeRun(DRILL_POSITION);
  PaintScreen(pDC);
}

static void FinishDrill(CDC* pDC) {
  // The run keeps the milliseconds the screen's whole seconds are cut from.
  const double dMeasured = MeasureDrill();
  g_dElapsed = TruncateToWhole(dMeasured);
  AddPracticeSeconds(g_dElapsed);

  EraseEscapePrompt(pDC);
  PrintTimeTaken(pDC);
  DrawHand(pDC, 0);

  g_nFinishState = 3;
  g_nPhase = PHASE_RESULT;

  if (g_nErrorCount <= 5 && g_bGuideShown == 1) {
    g_nAdvice = 1;
    PrintAdvice(pDC, 1);
  } else if (g_nErrorCount >= 15 && g_bGuideShown == 0) {
    g_nAdvice = 2;
    PrintAdvice(pDC, 2);
  }

  if (g_pnPracticeCount) *g_pnPracticeCount += 1;
  PrintPracticeCount(pDC);
  PrintDrillEndPrompts(pDC);
  EndPracticeRun(RUN_FINISHED, DrillMs(dMeasured), g_nTypeCount, -1.0);
}

static void AcceptKey(CWnd* pView, CDC* pDC) {
  if (!g_bTimingStarted) {
    KeyPressStamp(&g_tbStart);
    g_bTimingStarted = 1;
  }
  if (HintPending()) StopHint(pView, HintTimerId());

  UnmarkKey(pDC, g_chLastWrong);
  g_chLastWrong = 0;
  char chShown = g_chShownKey;
  g_chShownKey = 0;
  UnmarkKey(pDC, chShown);
  MarkFinger(pDC, Key(chShown), 0);

  g_nTypeCount += 1;
  PrintTypeCount(pDC);

  if (g_nTypeCount < POSITION_DRILL_KEYS) {
    ChooseNextKey(g_nTargetPos);
    if (g_bGuideShown == 1)
      g_chShownKey = g_chTarget;
    else
      StartHint(pView, NEXT_HINT_MS);
    ShowExpectedKey(pDC, Key(g_chTarget));
    RestoreGuideTopRow(pDC);
    MarkGuideKey(pDC, Key(g_chShownKey), KEY_ANSWER);
    MarkFinger(pDC, Key(g_chShownKey), 1);
    return;
  }
  FinishDrill(pDC);
}

static void RejectKey(CWnd* pView, CDC* pDC, int nKey) {
  g_nErrorCount += 1;
  if (HintPending()) {
    StopHint(pView, HintTimerId());
    StartHint(pView, NEXT_HINT_MS);
  }
  UnmarkKey(pDC, g_chLastWrong);
  g_chLastWrong = (char)nKey;
  MarkGuideKey(pDC, Key(g_chLastWrong), KEY_WRONG);
  PrintErrorCount(pDC);
}

void OnPositionKey(CWnd* pView, CDC* pDC, int nKey) {
  if (nKey == KEY_SPACE && g_nPhase == PHASE_RUNNING) {
    if (g_bGuideShown == 1)
      HideGuideDuringDrill(pView, pDC);
    else
      ShowGuideDuringDrill(pView, pDC);
  } else if (nKey == KEY_SPACE && g_nPhase == PHASE_RESULT) {
    ToggleGuideAfterDrill(pDC);
  } else if (nKey == KEY_ESCAPE && g_nPhase == PHASE_RUNNING) {
    CancelDrill(pView, pDC);
  } else if (nKey == KEY_ESCAPE && g_nPhase == PHASE_RESULT) {
    LeaveDrill(pDC);
  } else if (nKey == KEY_TAB && g_nPhase == PHASE_RESULT) {
    StartNewDrill(pView, pDC);
  } else if (g_nPhase != PHASE_RUNNING) {
    // Nothing else is taken once a drill is over.
  } else {
    // Enter is judged like any other key: it is right when the carriage return is asked.
    int k = ToUpperKey(nKey);
    const bool bCorrect = k == g_chTarget && !RefusedAsDigitRow(k);
    AddPracticeKey((unsigned char)g_chTarget, k & 0xFF, bCorrect);
    if (bCorrect)
      AcceptKey(pView, pDC);
    else
      RejectKey(pView, pDC, k);
  }
}

void OnPositionHint(CWnd* pView, CDC* pDC, UINT_PTR nIDEvent) {
  StopHint(pView, nIDEvent);
  // Only a pending hint for the key now asked for reveals anything.
  if (!IsPositionCode(g_nMode) || g_nPhase != PHASE_RUNNING || !HintPending() ||
      nIDEvent != HintTimerId())
    return;
  MarkGuideKey(pDC, Key(g_chTarget), KEY_ANSWER);
  MarkFinger(pDC, Key(g_chTarget), 1);
  g_chShownKey = g_chTarget;
  // A wrong mark left on this very key from an earlier drill stays on top, as in a redraw.
  if (g_chLastWrong == g_chTarget) MarkGuideKey(pDC, Key(g_chLastWrong), KEY_WRONG);
}
