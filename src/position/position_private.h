// SPDX-License-Identifier: MIT
// Position practice, private to position/ and its tests: the keypad guide, the hand, and
// the status and prompt lines that the engine redraws in place between full redraws.
#pragma once

#include "position/position.h"

// Key styles for MarkGuideKey.
enum GuideKeyStyle { KEY_ANSWER = 0, KEY_PLAIN = 1, KEY_BLANK = 2, KEY_WRONG = 3 };
// Modes for DrawGuide.
enum GuideMode { GUIDE_SHOWN = 0, GUIDE_HIDDEN = 1, GUIDE_REVEAL = 2, GUIDE_COVER = 3 };

// Row and column (both from 1) of a key on the guide; false when it has none.
bool GuidePosition(int nKey, int* pnRow, int* pnColumn);
void DrawGuide(CDC* pDC, int nMode);
int MarkGuideKey(CDC* pDC, int nKey, int nStyle);
void MarkFinger(CDC* pDC, int nKey, int bOn);
void DrawHand(CDC* pDC, int bOn);
void ShowExpectedKey(CDC* pDC, int nKey);
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
