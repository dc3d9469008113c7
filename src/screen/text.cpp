// SPDX-License-Identifier: MIT
// The Shift-JIS text renderer: cell metrics from the client size, the per-string choice
// between Japanese and Latin rendering, font descriptions, and one output call per cell.
// Glyphs are placed on the virtual grid, never by the font's advance widths.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "screen/screen_private.h"

LOGFONT g_lfNarrow = {};
LOGFONT g_lfWide = {};
int g_bBoldText = 0;

// Only characters starting below this byte index are drawn.
static const int MAX_DRAWN_BYTES = 255;
// ClassifyText looks at no more bytes than this.
static const int MAX_CLASSIFIED_BYTES = 2048;

// Face names in code page 932.
// ＭＳ ゴシック: full-width "ＭＳ", one half-width space, "ゴシック".
static const char FACE_JAPANESE[] = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";
static const char FACE_LATIN[] = "Lucida Console";

static const char FULLWIDTH_SPACE[] = "\x81\x40";  // 　

// Glyph sizes stay far below this, so that 2 * s and pixel offsets cannot overflow.
static const double MAX_GLYPH_UNIT = (double)(INT_MAX / 8);

// Truncates toward zero into an int; NaN gives 0, out-of-range values saturate.
static int TruncateToInt(double dValue) {
  if (std::isnan(dValue)) return 0;
  if (dValue >= (double)INT_MAX) return INT_MAX;
  if (dValue <= (double)INT_MIN) return INT_MIN;
  return (int)dValue;
}

// A truncated size that is at least 1 (NaN and negatives included).
static int SizeAtLeastOne(double dValue) {
  if (!(dValue >= 1.0)) return 1;
  if (dValue > MAX_GLYPH_UNIT) dValue = MAX_GLYPH_UNIT;
  return (int)dValue;
}

void ComputeCellMetrics(double dScale, int* pnGlyph, int* pnColumnPitch, int* pnRowPitch) {
  // The enlarged space sizes glyphs for 60 columns although it holds 64.
  int nColumns = g_bEnlargeX ? 60 : 80;
  int nHalfRows = g_bEnlargeY ? 40 : 50;
  int64_t nSpanX = (int64_t)g_rcClient.right - 2;
  int64_t nSpanY = (int64_t)g_rcClient.bottom - 2;

  int a = SizeAtLeastOne((double)nSpanX * dScale / nColumns);
  int cp = (int)(nSpanX / nColumns);
  if (cp < 1) cp = 1;
  int b = SizeAtLeastOne((double)nSpanY * dScale / nHalfRows);
  int rp = (int)(nSpanY / nHalfRows);
  if (rp < 1) rp = 1;

  *pnGlyph = (b < a) ? b : a;
  *pnColumnPitch = cp;
  *pnRowPitch = rp;
}

void TextCellsRect(int y, int x, int nHalfCells, double dScale, RECT* pRect) {
  int s, cp, rp;
  ComputeCellMetrics(dScale, &s, &cp, &rp);
  // The cells of PrintTextCells: glyphs of 2s pixels high, ending one pitch below the
  // scaled position, so a larger scale grows up and to the left from it.
  const int nRightX = TruncateToInt(x + (double)nHalfCells * 8 * dScale);
  pRect->left = ClampToInt((int64_t)VirtualToPixelX(x) + cp - s);
  pRect->top = ClampToInt((int64_t)VirtualToPixelY(y) + rp - s);
  pRect->right = ClampToInt((int64_t)VirtualToPixelX(nRightX) + cp - s);
  pRect->bottom = ClampToInt((int64_t)pRect->top + 2 * (int64_t)s);
}

int IsLeadByte(int nValue) {
  return ((nValue >= 0x80 && nValue <= 0x9F) || (nValue >= 0xE0 && nValue <= 0xFF)) ? 1 : 0;
}

// Class of one double-byte character; 5 and above need the Japanese face.
static int ClassOfDoubleByte(int nLead, int nTrail) {
  if (nLead == 0x81) return 2;                                   // symbols, ●
  if (nLead == 0x82 && nTrail >= 0x4F && nTrail <= 0x59) return 3;  // ０..９
  if (nLead == 0x82 && nTrail >= 0x60 && nTrail <= 0x9A) return 4;  // Ａ..Ｚ, ａ..ｚ
  if (nLead == 0x82 && nTrail >= 0x9F && nTrail <= 0xF1) return 5;  // hiragana
  if (nLead == 0x83 && nTrail >= 0x40 && nTrail <= 0x96) return 6;  // katakana
  return 7;                                                      // kanji and the rest
}

int ClassifyText(const char* pszText) {
  if (pszText == nullptr) return 0;
  const unsigned char* pText = (const unsigned char*)pszText;
  int nClass = 0;
  int i = 0;
  while (i < MAX_CLASSIFIED_BYTES) {
    int nByte = pText[i];
    if (nByte == 0) return nClass;
    if (!IsLeadByte(nByte)) {
      ++i;
      continue;
    }
    // The trail byte would be the 2049th: no terminator within the limit.
    if (i + 1 >= MAX_CLASSIFIED_BYTES) return 0;
    int nTrail = pText[i + 1];
    // A lead byte at the very end is no character; stop at the terminator after it.
    if (nTrail == 0) return nClass;
    int nCharClass = ClassOfDoubleByte(nByte, nTrail);
    if (nCharClass > nClass) nClass = nCharClass;
    i += 2;
  }
  return 0;
}

int WideToNarrowChar(const char* pDoubleByte) {
  int nLead = (unsigned char)pDoubleByte[0];
  int nTrail = (unsigned char)pDoubleByte[1];
  if (nLead == 0x81) {
    switch (nTrail) {
      case 0x40: return 0x20;  // 　
      case 0x43: return 0x2C;  // ，
      case 0x44: return 0x2E;  // ．
      case 0x47: return 0x3B;  // ；
      case 0x5E: return 0x2F;  // ／
      case 0x5F: return 0x5C;  // ＼
      case 0x81: return 0x3D;  // ＝
      case 0x83: return 0x3C;  // ＜
      case 0x84: return 0x3E;  // ＞
      case 0x9C: return 0x2A;  // ● (drawn as a disc)
      default: return 0x20;
    }
  }
  if (nLead == 0x82) {
    if (nTrail >= 0x4F && nTrail <= 0x58) return nTrail - 0x1F;  // ０..９
    if (nTrail >= 0x60 && nTrail <= 0x79) return nTrail - 0x1F;  // Ａ..Ｚ
    if (nTrail >= 0x81 && nTrail <= 0x9A) return nTrail - 0x20;  // ａ..ｚ
  }
  return 0x20;
}

void FillFontSpec(LOGFONT* pLf, int nHeight, int nWidth, int bBold, TextRendering rendering) {
  memset(pLf, 0, sizeof(*pLf));
  pLf->lfHeight = nHeight;
  pLf->lfWidth = nWidth;
  pLf->lfWeight = (bBold == 1) ? FW_BOLD : FW_DONTCARE;
  pLf->lfOutPrecision = OUT_CHARACTER_PRECIS;
  pLf->lfQuality = PROOF_QUALITY;
  pLf->lfPitchAndFamily = FIXED_PITCH;
  if (rendering == RENDER_JAPANESE) {
    pLf->lfCharSet = SHIFTJIS_CHARSET;
    memcpy(pLf->lfFaceName, FACE_JAPANESE, sizeof(FACE_JAPANESE));
  } else {
    pLf->lfCharSet = ANSI_CHARSET;
    memcpy(pLf->lfFaceName, FACE_LATIN, sizeof(FACE_LATIN));
  }
}

void PrintTextCells(CDC* pDC, int y, int x, const char* pszText, double dScale,
                    int bBlankWide) {
  if (pszText == nullptr) return;
  const unsigned char* pText = (const unsigned char*)pszText;

  int s, cp, rp;
  ComputeCellMetrics(dScale, &s, &cp, &rp);

  // The class is taken from the text as given, before any blanking.
  TextRendering rendering = ClassifyText(pszText) >= 5 ? RENDER_JAPANESE : RENDER_LATIN;

  CFont fontNarrow, fontWide;
  FillFontSpec(&g_lfNarrow, 2 * s, s, g_bBoldText, rendering);
  fontNarrow.CreateFontIndirect(&g_lfNarrow);
  if (rendering == RENDER_LATIN) {
    FillFontSpec(&g_lfWide, 2 * s, TruncateToInt(s * 1.6), g_bBoldText, rendering);
    fontWide.CreateFontIndirect(&g_lfWide);
  }
  CFont* pOldFont = pDC->SelectObject(&fontNarrow);

  int py = VirtualToPixelY(y);
  int nNarrowY = ClampToInt((int64_t)py + rp - s);
  int i = 0;
  while (i < MAX_DRAWN_BYTES) {
    if (pText[i] == 0) break;
    int p = i;
    char szCell[3] = {0, 0, 0};
    int nCellBytes;
    if (IsLeadByte(pText[i])) {
      // A lead byte with the terminator behind it is no character: the string ends.
      if (pText[i + 1] == 0) break;
      if (bBlankWide) {
        memcpy(szCell, FULLWIDTH_SPACE, 2);
      } else {
        szCell[0] = (char)pText[i];
        szCell[1] = (char)pText[i + 1];
      }
      nCellBytes = 2;
      ++i;
    } else {
      szCell[0] = (char)pText[i];
      nCellBytes = 1;
    }

    int px = VirtualToPixelX(TruncateToInt(p * 8 * dScale + x));
    if (rendering == RENDER_JAPANESE || nCellBytes == 1) {
      pDC->TextOut(ClampToInt((int64_t)px + cp - s), nNarrowY, szCell, nCellBytes);
    } else {
      int nNarrow = WideToNarrowChar(szCell);
      if (nNarrow == 0x2A) {
        // The black circle is a disc of one unscaled cell, in purple whatever the colours.
        DrawBullet(pDC, y, ClampToInt((int64_t)x + (int64_t)p * 8), CR_PURPLE, CR_PURPLE);
      } else {
        char szNarrow[2] = {(char)nNarrow, 0};
        pDC->SelectObject(&fontWide);
        pDC->TextOut(TruncateToInt((double)px + cp - 0.8 * s), nNarrowY, szNarrow, 1);
        pDC->SelectObject(&fontNarrow);
      }
    }
    ++i;
  }

  pDC->SelectObject(pOldFont);
  fontNarrow.DeleteObject();
  if (rendering == RENDER_LATIN) fontWide.DeleteObject();
}
