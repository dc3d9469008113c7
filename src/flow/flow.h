// SPDX-License-Identifier: MIT
// Screen flow: the mode state machine with its three entry points (paint, key, timer),
// lesson start, and the per-run drill state that both drills share. Draws nothing itself
// beyond choosing the screen.
#pragma once

#include "platform/platform.h"
#include "screen/screen.h"

// ---- Mode codes and phases -----------------------------------------------------------

constexpr int MODE_TITLE = 0;
constexpr int MODE_MENU = 1;
constexpr int MODE_RECORD = 29;
constexpr int MODE_POSITION = 901;  // lesson 1; 901..999 are position lessons
constexpr int MODE_RANDOM = 1001;   // lesson 1; 1001..1099 are random lessons
constexpr int MODE_EXIT = 9999;

// Lesson codes of the two drills; 900, 1000 and 1100 are none. Only lesson 1 of each
// exists, but the menu table could name others.
constexpr bool IsPositionCode(int nCode) { return nCode > 900 && nCode < 1000; }
constexpr bool IsRandomCode(int nCode) { return nCode > 1000 && nCode < 1100; }

constexpr int PHASE_START = 0;
constexpr int PHASE_MENU = 1;
constexpr int PHASE_INFO = 2;
constexpr int PHASE_RUNNING = 3;
constexpr int PHASE_RESULT = 4;
constexpr int PHASE_KEY_MAP = 5;  // the record screen's key map, reached with Enter

constexpr int KEY_TAB = 9;
constexpr int KEY_ENTER = 13;
constexpr int KEY_ESCAPE = 27;
constexpr int KEY_SPACE = 32;

// Header format of both drill screens (CP932).
extern const char* const DRILL_HEADER_FORMAT;

// ---- Screen-flow state -----------------------------------------------------------------

struct MenuItem;

// Current screen; 0 = title at start-up; written by flow/, and by the drills on leaving.
extern int g_nMode;
// Screen phase (0 start, 1 menu, 2 information, 3 drill under way, 4 result, 5 the record
// screen's key map); starts 0; written by flow/ and the drills.
extern int g_nPhase;
// The menu on screen, or null; starts null; set by DrawMenu, cleared by DispatchKey.
extern MenuItem* g_pCurMenu;
// 1 = English texts, anything else Japanese; starts 1; never changed by the program.
extern int g_bEnglish;
// Lesson number of the drill being set up; starts 0; written by StartLesson.
extern int g_nLesson;
// Character set of the current lesson; starts null; written by StartLesson.
extern const char* g_pszLessonText;
// Drill name for the header and the speed history; starts null; written by StartLesson.
extern const char* g_pszScreenTitle;
// Record slot of the lesson's practice seconds; starts null; bound by StartLesson.
extern int* g_pnPracticeSeconds;
// Record slot of the lesson's finished-run count; starts null; bound by StartLesson.
extern int* g_pnPracticeCount;
// Random lessons: best-speed slot (cpm); null during position practice; bound by StartLesson.
extern double* g_pBestSpeed;
// Random lessons: best-speed date slot (9 bytes, YY/MM/DD); null during position practice.
extern char* g_pBestDate;
// Position drill: index of the asked-for key in the lesson text; starts 0.
extern int g_nTargetPos;
// The key the position drill asks for, or the random drill's next character; starts 0.
extern char g_chTarget;
// The key marked as the answer on the keypad guide, 0 = none; starts 0.
extern char g_chShownKey;
// 1 = keypad guide shown; starts 1; toggled by the position drill, never reset.
extern int g_bGuideShown;
// Random practice time limit in seconds; 60.0.
extern double g_dTimeLimit;
// 1 = keypad only: a digit from the digit row is a wrong key in both drills; starts 0; set
// at start-up by app/ from the command line or the remembered setting.
extern int g_bKeypadOnly;

// ---- Per-run drill state shared by both drills (cleared by ResetLessonState) ------------

// Result of the last run: 0 none/cancelled, 1 first best, 2 new best, 3 finished.
extern int g_nFinishState;
// Random drill cursor: column 0..35 and row of the next character; start 0.
extern int g_nTextCol;
extern int g_nTextRow;
// Correct keys of this run; starts 0.
extern int g_nTypeCount;
// Wrong keys of this run; starts 0.
extern int g_nErrorCount;
// Random drill: 1 after a wrong key until the next correct one; starts 0.
extern int g_bErrorPending;
// Random drill: speed of the run in characters per minute; starts 0.0.
extern double g_dTypeSpeed;
// Seconds since g_tbStart as last measured; starts 0.0.
extern double g_dElapsed;
// 1 once the first correct key has taken g_tbStart; starts 0.
extern int g_bTimingStarted;
// Position drill: advice on screen (0 none, 1 hide guide, 2 show guide); starts 0.
extern int g_nAdvice;
// Random drill: 1 when the run ended by typing the whole text; starts 0.
extern int g_bTextCompleted;
// Stamps of the first correct key and of the latest time check, taken on the monotonic
// clock (MonotonicStamp) so that a step of the wall clock is no practice; start zero.
extern _timeb g_tbStart;
extern _timeb g_tbEnd;

// ---- Lesson data ---------------------------------------------------------------------

constexpr int LESSON_SLOTS = 19;
// Character sets by slot: 0 = position lesson 1, 1 = random lesson 1, the rest null.
extern const char* const LESSON_CHARSETS[LESSON_SLOTS];

// ---- Entry points --------------------------------------------------------------------

void DispatchKey(CWnd* pView, CDC* pDC, int nKey);
void PaintScreen(CDC* pDC);
void OnPracticeTimer(CWnd* pView, CDC* pDC, UINT_PTR nIDEvent);
void StartLesson(CWnd* pView, CDC* pDC, MenuItem* pMenu, int nCode);
void ResetLessonState();
// Whether keypad only turns a judged key into a wrong one: a digit that the key being
// handled typed from the digit row. An input method's commit carries no key position and
// is taken as typed.
bool RefusedAsDigitRow(int nKey);
// Adds a drill's measured time to the lesson's practice seconds (g_pnPracticeSeconds, when
// bound), keeping the whole seconds of the sum.
void AddPracticeSeconds(double dSeconds);
// The pixel rectangle the user is looking at on the current screen, where an input method
// should show what is being composed: the title's and the menu's prompt line, the record
// screen's return hint, the position drill's asked-for key, the random drill's next
// character. False, leaving *pRect alone, for a mode without a screen.
bool GetCompositionSpot(RECT* pRect);

// Puts every global of flow/ (menu marks and key-normalisation state included) back to
// its starting value.
void ResetFlowState();
