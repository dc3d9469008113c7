// SPDX-License-Identifier: MIT
// The character grid: virtual-to-pixel scaling, colours, clearing, the print entry points
// and the item-list printers. How a string becomes glyphs lives in text.cpp.
#include <cstdint>
#include <cstring>

#include "screen/screen_private.h"

RECT g_rcClient = {0, 0, 0, 0};
int g_bEnlargeY = 0;
int g_bEnlargeX = 0;

// Maps a virtual coordinate onto pixels 1 .. nClientExtent - 1. The product is taken in
// 64 bits so that a far-off coordinate or a huge client cannot overflow; wherever the
// 32-bit product fits, the result is the same truncated quotient.
static int ScaleVirtual(int nVirtual, int nClientExtent, int nVirtualExtent) {
  int64_t nSpan = (int64_t)nClientExtent - 2;
  if (nSpan <= 0) nSpan = 1;
  return ClampToInt((int64_t)nVirtual * nSpan / nVirtualExtent + 1);
}

int VirtualToPixelY(int nVirtualY) {
  return ScaleVirtual(nVirtualY, g_rcClient.bottom, g_bEnlargeY ? 320 : 400);
}

int VirtualToPixelX(int nVirtualX) {
  return ScaleVirtual(nVirtualX, g_rcClient.right, g_bEnlargeX ? 512 : 640);
}

void SetColors(CDC* pDC, COLORREF crText, COLORREF crBack) {
  pDC->SetTextColor(crText);
  pDC->SetBkColor(crBack);
}

void ClearScreen(CDC* pDC) {
  CBrush brWhite;
  brWhite.CreateSolidBrush(CR_WHITE);
  CBrush* pOldBrush = pDC->SelectObject(&brWhite);
  // No brush of its own: the fill takes the one just selected.
  pDC->FillRect(&g_rcClient);
  pDC->SelectObject(pOldBrush);
  brWhite.DeleteObject();
}

void PrintScaledAt(CDC* pDC, int y, int x, const char* pszText, double dScale) {
  PrintTextCells(pDC, y, x, pszText, dScale, 0);
}

void PrintAt(CDC* pDC, int y, int x, const char* pszText) {
  PrintScaledAt(pDC, y, x, pszText, 1.0);
}

void PrintBlankedAt(CDC* pDC, int y, int x, const char* pszText) {
  PrintTextCells(pDC, y, x, pszText, 1.0, 1);
}

void PrintItem(CDC* pDC, const SCREENITEM* pItem) {
  PrintAt(pDC, pItem->y, pItem->x, pItem->text);
}

void PrintItemBlanked(CDC* pDC, const SCREENITEM* pItem) {
  PrintBlankedAt(pDC, pItem->y, pItem->x, pItem->text);
}

void PrintItemCentered(CDC* pDC, const SCREENITEM* pItem) {
  int64_t nX = 320 - ((int64_t)COLUMN_WIDTH * (int64_t)strlen(pItem->text)) / 2;
  PrintAt(pDC, pItem->y, ClampToInt(nX), pItem->text);
}

void PrintItems(CDC* pDC, const SCREENITEM* pList) {
  for (; pList->text != nullptr; ++pList) PrintItem(pDC, pList);
}

void PrintItemsBlanked(CDC* pDC, const SCREENITEM* pList) {
  for (; pList->text != nullptr; ++pList) PrintItemBlanked(pDC, pList);
}

void PrintItemsCentered(CDC* pDC, const SCREENITEM* pList) {
  for (; pList->text != nullptr; ++pList) PrintItemCentered(pDC, pList);
}
