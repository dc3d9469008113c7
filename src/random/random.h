// SPDX-License-Identifier: MIT
// Random practice: the practice text, the timed drill, its screen and its clock.
#pragma once

#include "platform/platform.h"
#include "screen/screen.h"

constexpr int TEXT_COLUMNS = 40;      // grid width; a line uses columns 0..35
constexpr int TEXT_ROWS = 10;
constexpr int TEXT_LINE_CHARS = 36;
constexpr int TEXT_TOP_Y = 112;       // virtual y of the first text row on screen
constexpr int TEXT_ROW_PITCH = 20;    // virtual units from one text row to the next
constexpr int TEXT_CELL_WIDTH = 16;   // virtual width of a text character (full-width)
constexpr UINT_PTR RANDOM_CLOCK_TIMER = 1;
constexpr UINT RANDOM_CLOCK_MS = 1000;

// Practice text, stored column by column: g_practiceText[column][row]; written by
// GenerateRandomText only.
extern char g_practiceText[TEXT_COLUMNS][TEXT_ROWS];
// Lines of the current text, 3..10; starts 0.
extern int g_nTextLines;
// Characters to type to finish the text, 36 per line; starts 0.
extern int g_nTextChars;
// Elapsed time last handed to the elapsed line; starts 0.0.
extern double g_dShownElapsed;
// Whole second at which the elapsed and speed lines were last refreshed; starts 0.
extern int g_nShownSecond;
// _strdate and _strtime of the moment a run made a new best speed; start empty.
extern char g_szToday[9];
extern char g_szNowTime[9];

// Screen item lists of the drill (English in both languages), null-text terminated.
extern const SCREENITEM RANDOM_TYPING_HINTS[3];
extern const SCREENITEM RANDOM_CONGRATULATION[2];

void GenerateRandomText(const char* pszCharSet, double dBestSpeed);

void OnRandomKey(CWnd* pView, CDC* pDC, int nKey);
void FinishRandomRun(CDC* pDC);
// Ends the run under way once its time g_dElapsed is measured and shown (the last key, or
// the time limit): stops the clock, adds the run to the lesson's practice seconds,
// finishes it and shows the count of runs.
void EndTimedRun(CWnd* pView, CDC* pDC);
double CalcTypeSpeed(int nCount, double dSeconds);
void PrintRandomElapsed(CDC* pDC, double dSeconds);
void PrintRandomSpeed(CDC* pDC, double dSpeed);
void PrintRandomErrorCount(CDC* pDC, int nCount);
void PrintRandomPracticeCount(CDC* pDC);

void DrawRandomScreen(CDC* pDC, const char* pszHeaderFormat);
void DrawPracticeText(CDC* pDC);
// Pixel rectangle of the practice text's cell under the cursor: the next one to type.
void CursorCellRect(RECT* pRect);
void OnRandomTick(CDC* pDC);

void ResetRandomState();
