// SPDX-License-Identifier: MIT
// The drawing context over a Framebuffer, with the pixel rules of the Windows calls the
// program was written against: fills, lines, ellipses and opaque text. Fonts are resolved
// and rasterised in font.cpp; this file only places and paints what comes back.
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "platform/font.h"
#include "platform/platform.h"

// ---------------------------------------------------------------------------------------
// Objects
// ---------------------------------------------------------------------------------------

BOOL CGdiObject::DeleteObject() {
  BOOL bWas = m_bCreated ? TRUE : FALSE;
  m_bCreated = false;
  return bWas;
}

BOOL CFont::CreateFontIndirect(const LOGFONT* pLogFont) {
  if (pLogFont == nullptr) return FALSE;
  m_lf = *pLogFont;
  m_lf.lfFaceName[LF_FACESIZE - 1] = '\0';
  m_bCreated = true;
  return TRUE;
}

// Only solid pens exist; a width of 0 or less is one pixel, as for a cosmetic pen.
BOOL CPen::CreatePen(int nStyle, int nWidth, COLORREF cr) {
  (void)nStyle;
  m_nWidth = nWidth < 1 ? 1 : nWidth;
  m_cr = cr & 0xFFFFFF;
  m_bCreated = true;
  return TRUE;
}

BOOL CBrush::CreateSolidBrush(COLORREF cr) {
  m_cr = cr & 0xFFFFFF;
  m_bCreated = true;
  return TRUE;
}

// The objects a fresh context holds, like the stock objects of a Windows DC. They are
// never deleted and never written.
static CFont* StockFont() {
  static CFont s_font = [] {
    LOGFONT lf{};
    lf.lfHeight = 16;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfPitchAndFamily = FIXED_PITCH;
    CFont font;
    font.CreateFontIndirect(&lf);
    return font;
  }();
  return &s_font;
}

static CPen* StockPen() {
  static CPen s_pen(PS_SOLID, 1, RGB(0, 0, 0));
  return &s_pen;
}

static CBrush* StockBrush() {
  static CBrush s_brush(RGB(255, 255, 255));
  return &s_brush;
}

// COLORREF 0x00BBGGRR to the framebuffer's 0x00RRGGBB.
static uint32_t ColorrefToPixel(COLORREF cr) {
  return ((cr & 0xFFu) << 16) | (cr & 0xFF00u) | ((cr >> 16) & 0xFFu);
}

// ---------------------------------------------------------------------------------------
// Unclipped helpers: callers must clip to the framebuffer first.
// ---------------------------------------------------------------------------------------

// wmemset stores 32-bit units, several at a time; the compiler's plain loop behind std::fill
// stores one pixel per instruction, which made clearing a big window cost milliseconds.
static_assert(sizeof(wchar_t) == sizeof(uint32_t), "pixels are filled as wchar_t");

static void FillSpanUnclipped(Framebuffer* pFb, int y, int x0, int x1, uint32_t rgb) {
  wmemset((wchar_t*)pFb->Row(y) + x0, (wchar_t)rgb, (size_t)(x1 - x0));
}

// Fills [x0, x1) x [y0, y1), clipped here; the one clipping fill every primitive ends in.
static void FillClipped(Framebuffer* pFb, int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                        uint32_t rgb) {
  x0 = std::max<int64_t>(x0, 0);
  y0 = std::max<int64_t>(y0, 0);
  x1 = std::min<int64_t>(x1, pFb->Width());
  y1 = std::min<int64_t>(y1, pFb->Height());
  if (x0 >= x1 || y0 >= y1) return;
  for (int64_t y = y0; y < y1; y++) FillSpanUnclipped(pFb, (int)y, (int)x0, (int)x1, rgb);
  pFb->MarkDirty((int)x0, (int)y0, (int)x1, (int)y1);
}

// ---------------------------------------------------------------------------------------
// The context
// ---------------------------------------------------------------------------------------

CDC::CDC(Framebuffer* pTarget)
    : m_pTarget(pTarget), m_pFont(StockFont()), m_pPen(StockPen()), m_pBrush(StockBrush()) {
  assert(pTarget != nullptr && "CDC needs a framebuffer to draw into");
}

CDC::~CDC() = default;

COLORREF CDC::SetTextColor(COLORREF cr) {
  COLORREF old = m_crText;
  m_crText = cr & 0xFFFFFF;
  return old;
}

COLORREF CDC::SetBkColor(COLORREF cr) {
  COLORREF old = m_crBack;
  m_crBack = cr & 0xFFFFFF;
  return old;
}

UINT CDC::SetTextAlign(UINT nFlags) {
  assert(nFlags == (TA_LEFT | TA_TOP) && "only top-left text alignment is supported");
  UINT old = m_nAlign;
  m_nAlign = nFlags;
  return old;
}

// Selecting null changes nothing and returns null, as SelectObject fails in Windows.
CFont* CDC::SelectObject(CFont* pFont) {
  if (pFont == nullptr) return nullptr;
  assert(pFont->IsCreated() && "create the font (CreateFontIndirect) before selecting it");
  CFont* old = m_pFont;
  m_pFont = pFont;
  return old;
}

CPen* CDC::SelectObject(CPen* pPen) {
  if (pPen == nullptr) return nullptr;
  assert(pPen->IsCreated() && "create the pen (CreatePen) before selecting it");
  CPen* old = m_pPen;
  m_pPen = pPen;
  return old;
}

CBrush* CDC::SelectObject(CBrush* pBrush) {
  if (pBrush == nullptr) return nullptr;
  assert(pBrush->IsCreated() && "create the brush (CreateSolidBrush) before selecting it");
  CBrush* old = m_pBrush;
  m_pBrush = pBrush;
  return old;
}

static void LogCall(Framebuffer* pFb, DrawCall call) {
  if (pFb->LogEnabled()) pFb->Log().push_back(std::move(call));
}

void CDC::FillRect(const RECT* pRect, CBrush* pBrush) {
  if (pRect == nullptr) return;
  CBrush* brush = pBrush != nullptr ? pBrush : m_pBrush;
  if (m_pTarget->LogEnabled()) {
    DrawCall call{};
    call.op = "FillRect";
    call.rc = *pRect;
    call.crText = m_crText;
    call.crBack = brush->Color();
    LogCall(m_pTarget, std::move(call));
  }
  // Right and bottom edges are outside the fill; an inverted rectangle fills nothing.
  FillClipped(m_pTarget, pRect->left, pRect->top, pRect->right, pRect->bottom,
              ColorrefToPixel(brush->Color()));
}

void CDC::MoveTo(int x, int y) {
  m_nPenX = x;
  m_nPenY = y;
}

// The minor coordinate of the line's pixel at major coordinate m: the ideal value rounded
// half up. The products need more than 64 bits at the extremes of int.
static int64_t MinorAt(int64_t m, int64_t m0, int64_t minor0, int64_t dMajor, int64_t dMinor) {
  __int128 num = (__int128)2 * (m - m0) * dMinor + dMajor, den = (__int128)2 * dMajor;
  __int128 q = num / den;
  if ((num % den != 0) && ((num < 0) != (den < 0))) q--;  // floor, not truncation
  return minor0 + (int64_t)q;
}

// Pixel rule of a line from (x0, y0) to (x1, y1), the end point left out:
// - along the major axis (the one with the larger extent; x on a tie) every coordinate
//   from x0 up to, but not including, x1 gets one pixel, whose minor coordinate is the
//   ideal line's value there rounded half up (Bresenham's choice);
// - a pen of width w widens each pixel across the minor axis into w pixels, from
//   minor - w / 2 to minor - w / 2 + w - 1. So a horizontal 2-pixel line at y covers rows
//   y - 1 and y, and a 3-pixel one rows y - 1 to y + 1; the ends stay square and do not
//   pass the end points.
BOOL CDC::LineTo(int x, int y) {
  const int64_t x0 = m_nPenX, y0 = m_nPenY, x1 = x, y1 = y;
  m_nPenX = x;
  m_nPenY = y;
  const int w = m_pPen->Width();
  const int64_t lo = -(int64_t)(w / 2);  // offset of the first pixel across the line
  const uint32_t rgb = ColorrefToPixel(m_pPen->Color());
  const int64_t dx = x1 - x0, dy = y1 - y0;
  const bool bXMajor = (dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy);

  if (m_pTarget->LogEnabled()) {
    DrawCall call{};
    call.op = "LineTo";
    if (dx != 0 || dy != 0) {
      // The last pixel drawn is one step short of the end point along the major axis.
      int64_t lastX = x1, lastY = y1;
      if (bXMajor) {
        lastX = x1 - (dx > 0 ? 1 : -1);
        lastY = MinorAt(lastX, x0, y0, dx, dy);
      } else {
        lastY = y1 - (dy > 0 ? 1 : -1);
        lastX = MinorAt(lastY, y0, x0, dy, dx);
      }
      int64_t l = std::min(x0, lastX), r = std::max(x0, lastX) + 1;
      int64_t t = std::min(y0, lastY), b = std::max(y0, lastY) + 1;
      if (bXMajor) {
        t += lo;
        b += lo + w - 1;
      } else {
        l += lo;
        r += lo + w - 1;
      }
      call.rc = RECT{ClampToInt(l), ClampToInt(t), ClampToInt(r), ClampToInt(b)};
    } else {
      call.rc = RECT{x, y, x, y};
    }
    call.crText = m_pPen->Color();
    call.crBack = m_crBack;
    call.nPenWidth = w;
    LogCall(m_pTarget, std::move(call));
  }

  if (dx == 0 && dy == 0) return TRUE;
  if (dy == 0) {  // horizontal
    int64_t l = dx > 0 ? x0 : x1 + 1, r = dx > 0 ? x1 : x0 + 1;
    FillClipped(m_pTarget, l, y0 + lo, r, y0 + lo + w, rgb);
    return TRUE;
  }
  if (dx == 0) {  // vertical
    int64_t t = dy > 0 ? y0 : y1 + 1, b = dy > 0 ? y1 : y0 + 1;
    FillClipped(m_pTarget, x0 + lo, t, x0 + lo + w, b, rgb);
    return TRUE;
  }

  // Diagonal: walk only the stretch of the major axis that can touch the framebuffer, so a
  // line with far-away end points costs no more than one across the buffer.
  const int64_t W = m_pTarget->Width(), H = m_pTarget->Height();
  if (bXMajor) {
    int64_t step = dx > 0 ? 1 : -1;
    int64_t from = std::max<int64_t>(std::min(x0, x1 - step), -w);
    int64_t to = std::min<int64_t>(std::max(x0, x1 - step), W + w);
    for (int64_t px = from; px <= to; px++) {
      int64_t py = MinorAt(px, x0, y0, dx, dy);
      if (py + lo + w > 0 && py + lo < H)
        FillClipped(m_pTarget, px, py + lo, px + 1, py + lo + w, rgb);
    }
  } else {
    int64_t step = dy > 0 ? 1 : -1;
    int64_t from = std::max<int64_t>(std::min(y0, y1 - step), -w);
    int64_t to = std::min<int64_t>(std::max(y0, y1 - step), H + w);
    for (int64_t py = from; py <= to; py++) {
      int64_t px = MinorAt(py, y0, x0, dy, dx);
      if (px + lo + w > 0 && px + lo < W)
        FillClipped(m_pTarget, px + lo, py, px + lo + w, py + 1, rgb);
    }
  }
  return TRUE;
}

// Which pixels of [left, right) x [top, bottom) an inscribed ellipse covers: those whose
// centres lie inside or on it. Symmetric in both axes; every row and column of the
// rectangle is touched, none outside it.
struct EllipseSpans {
  int64_t l, t, r, b;
  long double W, H;

  // The inside pixels [*pxs, *pxe) of row y; false when the row has none.
  bool Row(int64_t y, int64_t* pxs, int64_t* pxe) const {
    if (y < t || y >= b) return false;
    // In doubled coordinates around the centre: u = 2x + 1 - (l + r), v = 2y + 1 - (t + b);
    // inside when u^2 H^2 + v^2 W^2 <= W^2 H^2.
    int64_t v = 2 * y + 1 - (t + b);
    long double k = 1.0L - ((long double)v * v) / (H * H);
    if (k < 0) return false;
    long double umax = W * std::sqrt(k);
    int64_t u = (int64_t)std::floor(umax);
    // Settle rounding at the boundary exactly where the numbers allow it.
    if (W < (1 << 30) && H < (1 << 30)) {
      auto inside = [&](int64_t uu) {
        return (__int128)uu * uu * (int64_t)H * (int64_t)H +
                   (__int128)v * v * (int64_t)W * (int64_t)W <=
               (__int128)(int64_t)W * (int64_t)W * (int64_t)H * (int64_t)H;
      };
      while (u >= 0 && !inside(u)) u--;
      while (inside(u + 1)) u++;
    }
    if (u < 0) return false;
    // u has the parity of 1 - (l + r) at every pixel centre; step down to the nearest one.
    int64_t parity = (1 - (l + r)) & 1;
    if ((u & 1) != parity) u--;
    if (u < 0) return false;
    *pxs = (l + r - 1 - u) / 2;  // exact: l + r - 1 - u is even
    *pxe = (l + r - 1 + u) / 2 + 1;
    return *pxs < *pxe;
  }
};

// An ellipse filled with the brush and outlined with the pen. The outline lies inside the
// rectangle: a pixel is outline when some pixel within w steps (up, down, left, right
// combined) is outside the ellipse, w being the pen width; the rest is filled. So the
// rectangle's right and bottom edges stay unpainted, as for FillRect, at any pen width.
BOOL CDC::Ellipse(int left, int top, int right, int bottom) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  const int w = m_pPen->Width();
  if (m_pTarget->LogEnabled()) {
    DrawCall call{};
    call.op = "Ellipse";
    call.rc = RECT{left, top, right, bottom};
    call.crText = m_pPen->Color();
    call.crBack = m_pBrush->Color();
    call.nPenWidth = w;
    LogCall(m_pTarget, std::move(call));
  }
  EllipseSpans e{left, top, right, bottom, (long double)right - left, (long double)bottom - top};
  if (e.W <= 0 || e.H <= 0) return TRUE;
  const uint32_t rgbPen = ColorrefToPixel(m_pPen->Color());
  const uint32_t rgbBrush = ColorrefToPixel(m_pBrush->Color());
  const int64_t y0 = std::max<int64_t>(top, 0);
  const int64_t y1 = std::min<int64_t>(bottom, m_pTarget->Height());
  for (int64_t y = y0; y < y1; y++) {
    int64_t xs, xe;
    if (!e.Row(y, &xs, &xe)) continue;
    // The inner span: inside the ellipse even after eroding it by the pen width.
    int64_t is = xs, ie = xe;
    for (int64_t d = -w; d <= w && is < ie; d++) {
      int64_t reach = w - (d < 0 ? -d : d);
      int64_t s, en;
      if (!e.Row(y + d, &s, &en)) {
        is = ie;
        break;
      }
      is = std::max(is, s + reach);
      ie = std::min(ie, en - reach);
    }
    if (is >= ie) {
      FillClipped(m_pTarget, xs, y, xe, y + 1, rgbPen);
    } else {
      FillClipped(m_pTarget, xs, y, is, y + 1, rgbPen);
      FillClipped(m_pTarget, is, y, ie, y + 1, rgbBrush);
      FillClipped(m_pTarget, ie, y, xe, y + 1, rgbPen);
    }
  }
  return TRUE;
}

// ---------------------------------------------------------------------------------------
// Text
// ---------------------------------------------------------------------------------------

// Text colour blended over the background for each coverage value; rebuilt only when the
// colours change, which is rare within a repaint.
static const uint32_t* BlendTable(uint32_t rgbText, uint32_t rgbBack) {
  static uint32_t s_table[256];
  static uint32_t s_text = 0xFFFFFFFF, s_back = 0xFFFFFFFF;
  if (rgbText != s_text || rgbBack != s_back) {
    s_text = rgbText;
    s_back = rgbBack;
    for (uint32_t c = 0; c < 256; c++) {
      uint32_t px = 0;
      for (int shift = 0; shift <= 16; shift += 8) {
        uint32_t f = (rgbText >> shift) & 0xFF, b = (rgbBack >> shift) & 0xFF;
        px |= ((f * c + b * (255 - c) + 127) / 255) << shift;
      }
      s_table[c] = px;
    }
  }
  return s_table;
}

// Cells larger than this (far beyond any screen's text) are blended in place instead of
// being kept ready-coloured.
static constexpr int64_t MAX_READY_CELL_PIXELS = 512 * 512;

BOOL CDC::TextOut(int x, int y, const char* pszText, int nCount) {
  if (pszText == nullptr || nCount < 0) return FALSE;
  FontInstance* font = FindFontInstance(m_pFont->m_lf);
  const FontMetrics fm = GetFontMetrics(font);
  const uint32_t rgbText = ColorrefToPixel(m_crText), rgbBack = ColorrefToPixel(m_crBack);
  const uint32_t* blend = BlendTable(rgbText, rgbBack);
  const int64_t fbW = m_pTarget->Width(), fbH = m_pTarget->Height();
  const int64_t cellTop = y, cellBottom = (int64_t)y + fm.nCellHeight;
  const int64_t rowFrom = std::max<int64_t>(cellTop, 0), rowTo = std::min<int64_t>(cellBottom, fbH);
  const unsigned char* p = (const unsigned char*)pszText;
  int64_t penX = x;
  int64_t inkLeft = INT64_MAX, inkRight = INT64_MIN;
  for (size_t i = 0; i < (size_t)nCount;) {
    size_t used = 1;
    uint32_t cp = DecodeCp932Char(p + i, (size_t)nCount - i, &used);
    const int nCells = used == 2 ? 2 : 1;
    const int64_t cellLeft = penX, cellRight = penX + (int64_t)nCells * fm.nHalfAdvance;
    i += used;
    penX = cellRight;
    const int64_t colFrom = std::max<int64_t>(cellLeft, 0);
    const int64_t colTo = std::min<int64_t>(cellRight, fbW);
    if (colFrom >= colTo || rowFrom >= rowTo) continue;
    inkLeft = std::min(inkLeft, colFrom);
    inkRight = std::max(inkRight, colTo);
    if (colFrom == cellLeft && colTo == cellRight && rowFrom == cellTop && rowTo == cellBottom &&
        (cellRight - cellLeft) * fm.nCellHeight <= MAX_READY_CELL_PIXELS) {
      // The whole cell shows: copy it ready-made.
      const uint32_t* src = FindGlyphCell(font, cp, nCells, rgbText, rgbBack, blend);
      const size_t nWidth = (size_t)(cellRight - cellLeft);
      for (int64_t row = rowFrom; row < rowTo; row++, src += nWidth)
        memcpy(m_pTarget->Row((int)row) + colFrom, src, nWidth * sizeof(uint32_t));
      continue;
    }
    const GlyphImage g = FindGlyph(font, cp, nCells);
    // Glyph columns that fall inside the visible part of the cell.
    const int64_t gx0 = std::max<int64_t>(cellLeft + g.nLeft, colFrom);
    const int64_t gx1 = std::min<int64_t>(cellLeft + g.nLeft + g.nWidth, colTo);
    for (int64_t row = rowFrom; row < rowTo; row++) {
      uint32_t* dst = m_pTarget->Row((int)row);
      std::fill(dst + colFrom, dst + colTo, rgbBack);
      const int64_t gy = row - cellTop - g.nTop;
      if (gy < 0 || gy >= g.nHeight || gx0 >= gx1) continue;
      const uint8_t* cov = g.pCoverage + (size_t)gy * (size_t)g.nWidth + (gx0 - cellLeft - g.nLeft);
      for (int64_t col = gx0; col < gx1; col++, cov++)
        if (*cov != 0) dst[col] = blend[*cov];
    }
  }
  if (inkLeft < inkRight)
    m_pTarget->MarkDirty((int)inkLeft, (int)rowFrom, (int)inkRight, (int)rowTo);
  if (m_pTarget->LogEnabled()) {
    DrawCall call{};
    call.op = "TextOut";
    call.rc = RECT{x, y, ClampToInt(penX), ClampToInt(cellBottom)};
    call.crText = m_crText;
    call.crBack = m_crBack;
    call.nFontHeight = m_pFont->m_lf.lfHeight;
    call.nFontWidth = m_pFont->m_lf.lfWidth;
    call.nWeight = m_pFont->m_lf.lfWeight;
    call.face = m_pFont->m_lf.lfFaceName;
    // Built, not assigned: GCC 12 under link-time optimisation takes assign() here for an
    // overflow that cannot happen.
    call.text = std::string(pszText, (size_t)nCount);
    LogCall(m_pTarget, std::move(call));
  }
  return TRUE;
}
