// SPDX-License-Identifier: MIT
// Boxes, discs and underlines on the virtual grid. Each call makes its own pen and brush
// and leaves the context's objects and text colours as it found them.
#include <climits>
#include <cstdint>
#include <cstring>

#include "screen/screen_private.h"

// Pixel rectangle of a virtual one; right and bottom are exclusive, so two boxes sharing
// a virtual edge keep a one-pixel line between them.
static RECT PixelRect(int top, int left, int bottom, int right) {
  RECT rc;
  rc.left = VirtualToPixelX(left);
  rc.top = VirtualToPixelY(top);
  rc.right = ClampToInt((int64_t)VirtualToPixelX(right) - 1);
  rc.bottom = ClampToInt((int64_t)VirtualToPixelY(bottom) - 1);
  return rc;
}

static void FillPixelRect(CDC* pDC, const RECT& rc, COLORREF crFill) {
  CBrush brush;
  brush.CreateSolidBrush(crFill);
  CBrush* pOldBrush = pDC->SelectObject(&brush);
  pDC->FillRect(&rc);
  pDC->SelectObject(pOldBrush);
  brush.DeleteObject();
}

void FillBox(CDC* pDC, int top, int left, int bottom, int right, COLORREF crFill) {
  FillPixelRect(pDC, PixelRect(top, left, bottom, right), crFill);
}

void DrawDisc(CDC* pDC, int top, int left, int bottom, int right, COLORREF crBrush,
              COLORREF crPen) {
  RECT rc = PixelRect(top, left, bottom, right);
  CPen pen;
  pen.CreatePen(PS_SOLID, 1, crPen);
  CBrush brush;
  brush.CreateSolidBrush(crBrush);
  CBrush* pOldBrush = pDC->SelectObject(&brush);
  CPen* pOldPen = pDC->SelectObject(&pen);
  pDC->Ellipse(rc.left, rc.top, rc.right, rc.bottom);
  pDC->SelectObject(pOldBrush);
  pDC->SelectObject(pOldPen);
  brush.DeleteObject();
  pen.DeleteObject();
}

void DrawBullet(CDC* pDC, int y, int x, COLORREF crBrush, COLORREF crPen) {
  // A circle 14 units across, inset by one unit from the 16 x 16 cell at (y, x).
  DrawDisc(pDC, ClampToInt((int64_t)y + 1), ClampToInt((int64_t)x + 1),
           ClampToInt((int64_t)y + 15), ClampToInt((int64_t)x + 15), crBrush, crPen);
}

void FillFramedBox(CDC* pDC, int top, int left, int bottom, int right, COLORREF crInner,
                   COLORREF crOuter, int nInsetLeft, int nInsetTop, int nInsetRight,
                   int nInsetBottom) {
  RECT rc = PixelRect(top, left, bottom, right);
  FillPixelRect(pDC, rc, crOuter);
  // The insets are device pixels: the edge stays as thin at every window size.
  RECT rcInner;
  rcInner.left = ClampToInt((int64_t)rc.left + nInsetLeft);
  rcInner.top = ClampToInt((int64_t)rc.top + nInsetTop);
  rcInner.right = ClampToInt((int64_t)rc.right - nInsetRight);
  rcInner.bottom = ClampToInt((int64_t)rc.bottom - nInsetBottom);
  if (rcInner.left >= rcInner.right || rcInner.top >= rcInner.bottom) return;
  FillPixelRect(pDC, rcInner, crInner);
}

void UnderlineText(CDC* pDC, int y, int x, const char* pszText, int nOffsetPx,
                   COLORREF crLine) {
  if (pszText == nullptr) return;
  if (y < 1) y = 1;
  if (x < 1) x = 1;
  int nRowPx = VirtualToPixelY(16) - VirtualToPixelY(0);
  int nCellPx = VirtualToPixelX(16) - VirtualToPixelX(0);
  // Pen and gap grow with the window, so the line keeps its place under the text.
  int nPenPx = VirtualToPixelY(1) - VirtualToPixelY(0) + 1;
  int nGapPx = (nCellPx < nRowPx) ? nCellPx : nRowPx;
  int nLineY = ClampToInt((int64_t)VirtualToPixelY(y) + nOffsetPx + nGapPx + 1);
  size_t nLength = strlen(pszText);
  int nBytes = nLength > (size_t)(INT_MAX / 8) ? INT_MAX / 8 : (int)nLength;
  int nStartX = VirtualToPixelX(x);
  int nEndX = VirtualToPixelX(ClampToInt((int64_t)x + (int64_t)COLUMN_WIDTH * nBytes));

  CPen pen;
  pen.CreatePen(PS_SOLID, nPenPx, crLine);
  CPen* pOldPen = pDC->SelectObject(&pen);
  pDC->MoveTo(nStartX, nLineY);
  pDC->LineTo(nEndX, nLineY);
  pDC->SelectObject(pOldPen);
  pen.DeleteObject();
}
