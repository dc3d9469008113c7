// SPDX-License-Identifier: MIT
// The mode state machine: the paint, key and timer entry points, lesson start and the
// per-run drill state both drills share. Chooses screens; the screens draw themselves.
#include <cmath>
#include <cstring>

#include "flow/flow.h"
#include "flow/keys.h"
#include "flow/menu.h"
#include "flow/util.h"
#include "position/position.h"
#include "practice/practice.h"
#include "random/random.h"
#include "records/records.h"

// ●● Pell's Ten Key %s ●●
const char* const DRILL_HEADER_FORMAT = "\x81\x9C\x81\x9C Pell's Ten Key %s \x81\x9C\x81\x9C";

int g_nMode = MODE_TITLE;
int g_nPhase = PHASE_START;
MenuItem* g_pCurMenu = nullptr;
int g_bEnglish = 1;
int g_nLesson = 0;
const char* g_pszLessonText = nullptr;
const char* g_pszScreenTitle = nullptr;
int* g_pnPracticeSeconds = nullptr;
int* g_pnPracticeCount = nullptr;
double* g_pBestSpeed = nullptr;
char* g_pBestDate = nullptr;
int g_nTargetPos = 0;
char g_chTarget = 0;
char g_chShownKey = 0;
int g_bGuideShown = 1;
double g_dTimeLimit = 60.0;
int g_bKeypadOnly = 0;

int g_nFinishState = 0;
int g_nTextCol = 0;
int g_nTextRow = 0;
int g_nTypeCount = 0;
int g_nErrorCount = 0;
int g_bErrorPending = 0;
double g_dTypeSpeed = 0.0;
double g_dElapsed = 0.0;
int g_bTimingStarted = 0;
int g_nAdvice = 0;
int g_bTextCompleted = 0;
_timeb g_tbStart = {};
_timeb g_tbEnd = {};

// slot  lesson               character set
const char* const LESSON_CHARSETS[LESSON_SLOTS] = {
    "0123456789\r",  // 0: position lesson 1, the ten digits and Enter
    "0123456789",    // 1: random lesson 1
};

static const int POSITION_SLOT_FIRST = 0;  // slot of position lesson 1
static const int RANDOM_SLOT_FIRST = 1;    // slot of random lesson 1
static const int POSITION_LESSONS = 1;
static const int RANDOM_LESSONS = 1;

static bool IsInformationCode(int nCode) { return nCode > 10 && nCode < 100; }

// The character set of a lesson code, or null for a lesson that does not exist. Only
// lesson 1 of each drill exists; the menu table could name others.
static const char* LessonCharset(int nCode) {
  if (IsPositionCode(nCode) && nCode - 900 <= POSITION_LESSONS)
    return LESSON_CHARSETS[POSITION_SLOT_FIRST + nCode - 901];
  if (IsRandomCode(nCode) && nCode - 1000 <= RANDOM_LESSONS)
    return LESSON_CHARSETS[RANDOM_SLOT_FIRST + nCode - 1001];
  return nullptr;
}

// Whether a mode has a screen to show: the title, the menu, the record screen, and a
// lesson that exists and whose record slots StartLesson has bound (the drills write
// through those pointers, so a lesson entered any other way must not reach them).
static bool HasScreen(int nMode) {
  if (nMode == MODE_TITLE || nMode == MODE_MENU || nMode == MODE_RECORD) return true;
  if (!LessonCharset(nMode) || !g_pszLessonText || !g_pnPracticeSeconds || !g_pnPracticeCount)
    return false;
  return IsPositionCode(nMode) || (g_pBestSpeed && g_pBestDate);
}

void AddPracticeSeconds(double dSeconds) {
  if (!g_pnPracticeSeconds) return;
  // TruncateToWhole holds a sum outside the int range at its end rather than wrapping it.
  *g_pnPracticeSeconds = (int)TruncateToWhole((double)*g_pnPracticeSeconds + dSeconds);
}

void ResetLessonState() {
  g_nFinishState = 0;
  g_nTextCol = 0;
  g_nTextRow = 0;
  g_nTypeCount = 0;
  g_nErrorCount = 0;
  g_bErrorPending = 0;
  g_dTypeSpeed = 0.0;
  g_dElapsed = 0.0;
  g_bTimingStarted = 0;
  g_nAdvice = 0;
  g_bTextCompleted = 0;
}

void StartLesson(CWnd* pView, CDC* /*pDC*/, MenuItem* pMenu, int nCode) {
  const char* pszCharset = LessonCharset(nCode);
  if (!pszCharset) return;
  // The title comes from the menu the lesson was chosen in.
  const MenuItem* pTitles = pMenu ? pMenu : MAIN_MENU;

  if (IsRandomCode(nCode)) {
    g_nLesson = nCode - 1000;
    const int nItem = g_nLesson - 1;
    g_pszLessonText = pszCharset;
    g_pBestSpeed = &g_dBestSpeed[0][nItem];
    GenerateRandomText(g_pszLessonText, *g_pBestSpeed);
    g_pBestDate = g_szBestDate[0][nItem];
    g_pnPracticeCount = &g_nRandomCount[0][nItem];
    g_pnPracticeSeconds = &g_nRandomSeconds[0][nItem];
    ResetLessonState();
    g_pszScreenTitle = pTitles[0].text ? pTitles[1].text : nullptr;
    BeginPracticeRun(DRILL_RANDOM);
    return;
  }

  g_nLesson = nCode - 900;
  g_pszLessonText = pszCharset;
  g_pBestSpeed = nullptr;
  g_pBestDate = nullptr;
  g_pnPracticeCount = &g_nPositionCount;
  g_pnPracticeSeconds = &g_nPositionSeconds;
  ResetLessonState();
  g_nTargetPos = NextKeyPosition(g_pszLessonText, -1);
  g_chTarget = g_pszLessonText[g_nTargetPos];
  if (g_bGuideShown == 1) {
    g_chShownKey = g_chTarget;
  } else {
    g_chShownKey = 0;
    if (pView) pView->SetTimer((unsigned char)g_chTarget, FIRST_HINT_MS);
  }
  g_pszScreenTitle = pTitles[0].text;
  BeginPracticeRun(DRILL_POSITION);
}

bool RefusedAsDigitRow(int nKey) {
  return g_bKeypadOnly == 1 && nKey >= '0' && nKey <= '9' &&
         CurrentKeyInfo().nSource == KeySource::kMainKeyboard;
}

void PaintScreen(CDC* pDC) {
  if (!pDC) return;
  if (g_nMode == MODE_TITLE) {
    DrawTitleScreen(pDC);
  } else if (g_nMode == MODE_MENU) {
    DrawMenu(pDC, MAIN_MENU, MENU_HEADER);
  } else if (g_nMode == MODE_RECORD && g_nPhase == PHASE_KEY_MAP) {
    DrawKeyMapScreen(pDC);
  } else if (g_nMode == MODE_RECORD) {
    DrawRecordScreen(pDC);
  } else if (IsPositionCode(g_nMode) && HasScreen(g_nMode)) {
    DrawPositionScreen(pDC);
  } else if (IsRandomCode(g_nMode) && HasScreen(g_nMode)) {
    DrawRandomScreen(pDC, DRILL_HEADER_FORMAT);
  } else if (g_nMode != MODE_EXIT) {
    // A code with no screen of its own: a blank screen rather than one half set up.
    g_bEnlargeY = 0;
    g_bEnlargeX = 0;
    ClearScreen(pDC);
  }
}

bool GetCompositionSpot(RECT* pRect) {
  if (g_nMode == MODE_TITLE) {
    TitlePromptRect(pRect);
  } else if (g_nMode == MODE_MENU) {
    MenuPromptRect(pRect);
  } else if (g_nMode == MODE_RECORD && g_nPhase == PHASE_KEY_MAP) {
    KeyMapReturnHintRect(pRect);
  } else if (g_nMode == MODE_RECORD) {
    ReturnHintRect(pRect);
  } else if (IsPositionCode(g_nMode) && HasScreen(g_nMode)) {
    ExpectedKeyRect(pRect);
  } else if (IsRandomCode(g_nMode) && HasScreen(g_nMode)) {
    CursorCellRect(pRect);
  } else {
    return false;
  }
  return true;
}

// The record screen takes Escape back to the menu and Enter to its key map, whose Escape
// comes back to it; nothing else.
static void OnRecordScreenKey(CDC* pDC, int nKey) {
  if (nKey == KEY_ESCAPE && g_nPhase == PHASE_KEY_MAP) {
    g_nPhase = PHASE_INFO;
  } else if (nKey == KEY_ESCAPE) {
    g_nMode = MODE_MENU;
    g_nPhase = PHASE_MENU;
  } else if (nKey == KEY_ENTER && g_nPhase != PHASE_KEY_MAP) {
    g_nPhase = PHASE_KEY_MAP;
  } else {
    return;
  }
  PaintScreen(pDC);
}

void DispatchKey(CWnd* pView, CDC* pDC, int nKey) {
  nKey = NormalizeDbcsKey(nKey);
  if (nKey == 0) return;
  nKey = MapKanaKey(nKey);
  if (nKey == 0) return;

  if (g_nMode == MODE_TITLE) {
    g_nMode = MODE_MENU;
    g_nPhase = PHASE_MENU;
    PaintScreen(pDC);
    return;
  }

  const int nValue = SelectMenuItem(g_pCurMenu, nKey);
  if (nValue != 0) {
    MenuItem* pMenu = g_pCurMenu;
    g_pCurMenu = nullptr;
    g_nMode = nValue;
    if (g_nMode == MODE_EXIT) {
      PostQuitMessage(0);
      return;
    }
    if (g_nMode > 9000) g_nMode -= 9000;
    if (IsInformationCode(g_nMode)) {
      g_nPhase = PHASE_INFO;
    } else if (IsPositionCode(g_nMode) || IsRandomCode(g_nMode)) {
      g_nPhase = PHASE_RUNNING;
      StartLesson(pView, pDC, pMenu, g_nMode);
    }
    // A code that names no screen (a lesson that does not exist, an unknown code) is not
    // entered: the menu comes back.
    if (!HasScreen(g_nMode)) {
      g_nMode = MODE_MENU;
      g_nPhase = PHASE_MENU;
    }
    PaintScreen(pDC);
    return;
  }

  if (g_nMode == MODE_RECORD) {
    OnRecordScreenKey(pDC, nKey);
    return;
  }
  // Drill keys only reach a lesson that StartLesson has bound to its record slots.
  if (IsPositionCode(g_nMode) && HasScreen(g_nMode)) {
    OnPositionKey(pView, pDC, nKey);
    return;
  }
  if (IsRandomCode(g_nMode) && HasScreen(g_nMode)) {
    OnRandomKey(pView, pDC, nKey);
    return;
  }
}

void OnPracticeTimer(CWnd* pView, CDC* pDC, UINT_PTR nIDEvent) {
  if (nIDEvent == RANDOM_CLOCK_TIMER) {
    if (!IsRandomCode(g_nMode) || !HasScreen(g_nMode) || g_nPhase != PHASE_RUNNING) {
      // The clock outlived its run: stop it instead of ending the run, or drawing on
      // another screen, a second time.
      if (pView) pView->KillTimer(nIDEvent);
      return;
    }
    OnRandomTick(pDC);
    if (g_dElapsed >= g_dTimeLimit) EndTimedRun(pView, pDC);
    return;
  }
  if (!IsPositionCode(g_nMode) || !HasScreen(g_nMode)) {
    if (pView) pView->KillTimer(nIDEvent);
    return;
  }
  OnPositionHint(pView, pDC, nIDEvent);
}

void ResetFlowState() {
  g_nMode = MODE_TITLE;
  g_nPhase = PHASE_START;
  g_pCurMenu = nullptr;
  g_bEnglish = 1;
  g_nLesson = 0;
  g_pszLessonText = nullptr;
  g_pszScreenTitle = nullptr;
  g_pnPracticeSeconds = nullptr;
  g_pnPracticeCount = nullptr;
  g_pBestSpeed = nullptr;
  g_pBestDate = nullptr;
  g_nTargetPos = 0;
  g_chTarget = 0;
  g_chShownKey = 0;
  g_bGuideShown = 1;
  g_dTimeLimit = 60.0;
  g_bKeypadOnly = 0;
  ResetLessonState();
  g_tbStart = _timeb{};
  g_tbEnd = _timeb{};
  for (MenuItem* pItem = MAIN_MENU; pItem->text; ++pItem) pItem->bSelected = 0;
  ResetKeyState();
}
