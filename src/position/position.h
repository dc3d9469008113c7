// SPDX-License-Identifier: MIT
// Position practice: the key-position drill, its screen and the keypad guide.
#pragma once

#include "platform/platform.h"
#include "screen/screen.h"

constexpr int POSITION_DRILL_KEYS = 60;  // correct presses per drill
constexpr UINT FIRST_HINT_MS = 3000;
constexpr UINT NEXT_HINT_MS = 2000;

// The key pressed wrongly most recently, 0 = none; starts 0; cleared only by a correct press.
extern char g_chLastWrong;
// Finished position drills in this run of the program; starts 0; never saved.
extern int g_nPositionCount;

int NextKeyPosition(const char* pszSet, int nCurrent);
void OnPositionKey(CWnd* pView, CDC* pDC, int nKey);
void OnPositionHint(CWnd* pView, CDC* pDC, UINT_PTR nIDEvent);

void DrawPositionScreen(CDC* pDC);
void BuildGuideLookup();
// Pixel rectangle of the asked-for key at triple size, the one the user watches.
void ExpectedKeyRect(RECT* pRect);

void ResetPositionState();
