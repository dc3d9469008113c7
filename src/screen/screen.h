// SPDX-License-Identifier: MIT
// The emulated text screen: an 80 x 25 cell grid in a 640 x 400 virtual space, scaled to
// the client area at every draw; colours, clearing, text placement, the Shift-JIS text
// renderer, boxes, discs, underlines and the full-width display of single keys.
// Every operation takes the device context first, then virtual y, then x.
#pragma once

#include "platform/platform.h"

// ---- Character grid and scaling --------------------------------------------------------

constexpr int ROW_HEIGHT = 16;  // virtual units per text row
constexpr int COLUMN_WIDTH = 8;  // virtual units per half-width cell (one column)

// Client rectangle of the view, stored by every repaint; starts {0,0,0,0}; written by
// the view's OnDraw (app/) and by tests.
extern RECT g_rcClient;
// 1 = the vertical extent is 320 instead of 400; starts 0; written by flow/ menus only.
extern int g_bEnlargeY;
// 1 = the horizontal extent is 512 instead of 640; starts 0; written by flow/ menus only.
extern int g_bEnlargeX;

// One screen text of a static table; a list ends at an item whose text is null.
struct SCREENITEM {
  int y;
  int x;
  const char* text;  // CP932
  int nFlag;         // not read by the printers
};

int VirtualToPixelY(int nVirtualY);
int VirtualToPixelX(int nVirtualX);

void SetColors(CDC* pDC, COLORREF crText, COLORREF crBack);
void ClearScreen(CDC* pDC);

void PrintScaledAt(CDC* pDC, int y, int x, const char* pszText, double dScale);
void PrintAt(CDC* pDC, int y, int x, const char* pszText);
void PrintBlankedAt(CDC* pDC, int y, int x, const char* pszText);

void PrintItem(CDC* pDC, const SCREENITEM* pItem);
void PrintItemBlanked(CDC* pDC, const SCREENITEM* pItem);
void PrintItemCentered(CDC* pDC, const SCREENITEM* pItem);
void PrintItems(CDC* pDC, const SCREENITEM* pList);
void PrintItemsBlanked(CDC* pDC, const SCREENITEM* pList);
void PrintItemsCentered(CDC* pDC, const SCREENITEM* pList);

// Colours the screens pass to SetColors, in the COLORREF form.
constexpr COLORREF CR_BLACK = 0x000000;
constexpr COLORREF CR_TEAL = 0x808000;    // RGB 0x008080
constexpr COLORREF CR_GREEN = 0x008000;   // RGB 0x008000
constexpr COLORREF CR_NAVY = 0x800000;    // RGB 0x000080
constexpr COLORREF CR_PURPLE = 0x802080;  // RGB 0x802080
constexpr COLORREF CR_BROWN = 0x002080;   // RGB 0x802000
constexpr COLORREF CR_MAROON = 0x000080;  // RGB 0x800000
constexpr COLORREF CR_WHITE = 0xFFFFFF;
constexpr COLORREF CR_RED = 0x0000FF;     // RGB 0xFF0000
constexpr COLORREF CR_BLUE = 0xFF0000;    // RGB 0x0000FF

// ---- Fonts and double-byte text rendering ----------------------------------------------

// Exactly 1 = every font is created bold; starts 0; written by flow/, position/, random/.
extern int g_bBoldText;

// The pixel rectangle that nHalfCells cells of text printed at virtual (y, x) and dScale
// take up on the grid now in force: where the user reads that text.
void TextCellsRect(int y, int x, int nHalfCells, double dScale, RECT* pRect);
int IsLeadByte(int nValue);

// ---- Boxes, discs and underlines -------------------------------------------------------
// Rectangles are virtual top, left, bottom, right. Colours are COLORREF, as everywhere;
// write them with RgbToColorref(0xRRGGBB) or the CR_ constants.

void FillBox(CDC* pDC, int top, int left, int bottom, int right, COLORREF crFill);
void DrawDisc(CDC* pDC, int top, int left, int bottom, int right, COLORREF crBrush,
              COLORREF crPen);
void FillFramedBox(CDC* pDC, int top, int left, int bottom, int right, COLORREF crInner,
                   COLORREF crOuter, int nInsetLeft, int nInsetTop, int nInsetRight,
                   int nInsetBottom);
void UnderlineText(CDC* pDC, int y, int x, const char* pszText, int nOffsetPx,
                   COLORREF crLine);

// ---- Full-width character display --------------------------------------------------------

void PrintFullWidthChar(CDC* pDC, int y, int x, int ch, double dScale);
void PrintFullWidthCharLarge(CDC* pDC, int y, int x, int ch);

// Puts every global of screen/ back to its starting value.
void ResetScreenState();
