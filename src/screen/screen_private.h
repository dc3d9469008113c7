// SPDX-License-Identifier: MIT
// The text screen, private to screen/ and its tests: the steps that turn a string into
// glyphs, which the print entry points and the full-width key display are built on.
#pragma once

#include "screen/screen.h"

// Font descriptions filled by every PrintTextCells call; zero at start; written by
// screen/ only.
extern LOGFONT g_lfNarrow;
extern LOGFONT g_lfWide;
// Receives the full-width katakana made by HalfToFullKatakana; zero at start; written by
// screen/ only.
extern char g_szFullKatakana[4];

enum TextRendering { RENDER_LATIN = 0, RENDER_JAPANESE = 1 };

// Draws each character of pszText in its cell from virtual (y, x), cells dScale times the
// normal size; bBlankWide draws every double-byte character as the full-width space.
void PrintTextCells(CDC* pDC, int y, int x, const char* pszText, double dScale,
                    int bBlankWide);
void ComputeCellMetrics(double dScale, int* pnGlyph, int* pnColumnPitch, int* pnRowPitch);
int ClassifyText(const char* pszText);
int WideToNarrowChar(const char* pDoubleByte);
void FillFontSpec(LOGFONT* pLf, int nHeight, int nWidth, int bBold, TextRendering rendering);
// The purple disc that stands for "●" in Latin text, in the 16 x 16 cell at (y, x).
void DrawBullet(CDC* pDC, int y, int x, COLORREF crBrush, COLORREF crPen);
void HalfToFullKatakana(char* pszOut, int ch);
