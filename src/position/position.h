// SPDX-License-Identifier: MIT
// Position practice: the key-position drill, its screen and the keypad guide.
#pragma once

#include "platform/platform.h"
#include "screen/screen.h"

constexpr int POSITION_DRILL_KEYS = 60;  // correct presses per drill
constexpr UINT FIRST_HINT_MS = 3000;
constexpr UINT NEXT_HINT_MS = 2000;

// Key styles for MarkGuideKey.
enum GuideKeyStyle { KEY_ANSWER = 0, KEY_PLAIN = 1, KEY_BLANK = 2, KEY_WRONG = 3 };
// Modes for DrawGuide.
enum GuideMode { GUIDE_SHOWN = 0, GUIDE_HIDDEN = 1, GUIDE_REVEAL = 2, GUIDE_COVER = 3 };

// The key pressed wrongly most recently, 0 = none; starts 0; cleared only by a correct press.
extern char g_chLastWrong;
// Finished position drills in this run of the program; starts 0; never saved.
extern int g_nPositionCount;

int NextKeyPosition(const char* pszSet, int nCurrent);
void OnPositionKey(CWnd* pView, CDC* pDC, int nKey);
void OnPositionHint(CWnd* pView, CDC* pDC, UINT_PTR nIDEvent);

void DrawPositionScreen(CDC* pDC);
// Row and column (both from 1) of a key on the guide; false when it has none.
bool GuidePosition(int nKey, int* pnRow, int* pnColumn);
void BuildGuideLookup();
void DrawGuide(CDC* pDC, int nMode);
int MarkGuideKey(CDC* pDC, int nKey, int nStyle);
void MarkFinger(CDC* pDC, int nKey, int bOn);
void DrawHand(CDC* pDC, int bOn);
void ShowExpectedKey(CDC* pDC, int nKey);
// Pixel rectangle of the asked-for key at triple size, the one the user watches.
void ExpectedKeyRect(RECT* pRect);
// Draws the keys of the guide's top row again as a redraw would, with their marks. The
// asked-for key at triple size reaches down into their top edges.
void RestoreGuideTopRow(CDC* pDC);
void PrintTypeCount(CDC* pDC);
void PrintErrorCount(CDC* pDC);
void PrintPracticeCount(CDC* pDC);
void PrintTimeTaken(CDC* pDC);

// The prompt lines of the drill screen, shared by the redraw and the key handlers.
// Each leaves the colours black on white.
void PrintGuidePrompt(CDC* pDC);                // the Space prompt matching g_bGuideShown
void ReplaceGuidePrompt(CDC* pDC, int bShown);  // old Space prompt out, the one for bShown in
void PrintEscapePrompt(CDC* pDC);
void EraseEscapePrompt(CDC* pDC);
void PrintAdvice(CDC* pDC, int nAdvice);  // 1 hide, 2 show; anything else prints nothing
void EraseAdvice(CDC* pDC, int nAdvice);
void PrintEndPrompts(CDC* pDC);

void ResetPositionState();
