// SPDX-License-Identifier: MIT
// Fuzz target: arbitrary byte strings, positions, scales and client sizes into the text
// renderer and the full-width key display, drawn on a small framebuffer that the client
// rectangle need not match. Checks only that drawing stays inside the buffer and never
// fails; what the glyphs look like is the screen tests' business.
//
// Input: a 13-byte header, then the text (fuzz/README.md has the layout).
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "app/app.h"
#include "fuzz_common.h"
#include "platform/platform.h"
#include "screen/screen_private.h"

namespace {

// Scales the program uses, and the odd ones a caller could still pass by mistake.
double ScaleFromByte(uint8_t nCode) {
  switch (nCode) {
    case 0xF8: return -1.0;
    case 0xF9: return -0.0;
    case 0xFA: return std::numeric_limits<double>::quiet_NaN();
    case 0xFB: return std::numeric_limits<double>::infinity();
    case 0xFC: return -std::numeric_limits<double>::infinity();
    case 0xFD: return 1e-12;
    case 0xFE: return 1.5;
    case 0xFF: return 3.0;
    default: return nCode / 32.0;  // 0 .. 7.72
  }
}

void CheckBuffer(const Framebuffer& fb, int nWidth, int nHeight) {
  if (fb.Width() != nWidth || fb.Height() != nHeight)
    FuzzFail("drawing changed the buffer to %dx%d", fb.Width(), fb.Height());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
  ByteReader in(pData, nSize);
  const int nFbWidth = in.Byte();
  const int nFbHeight = in.Byte();
  const int nClientWidth = in.Word() & 0x7FF;
  const int nClientHeight = in.Word() & 0x7FF;
  const double dScale = ScaleFromByte(in.Byte());
  const uint8_t nFlags = in.Byte();
  const int y = (int16_t)in.Word();
  const int x = (int16_t)in.Word();
  const int nOffsetPx = (int8_t)in.Byte();
  const std::string text((const char*)in.Rest(), in.Left());  // a NUL inside ends the string

  ResetAllState();
  g_rcClient = RECT{0, 0, nClientWidth, nClientHeight};
  g_bBoldText = (nFlags >> 3) & 1;
  g_bEnlargeX = (nFlags >> 4) & 1;
  g_bEnlargeY = (nFlags >> 5) & 1;
  const int bBlankWide = (nFlags >> 6) & 1;
  // A key code as a signed or an unsigned char holds it.
  const int nKey = text.empty()      ? 0
                   : (nFlags & 0x80) ? (signed char)text[0]
                                     : (unsigned char)text[0];

  Framebuffer fb(nFbWidth, nFbHeight);
  const int nWidth = fb.Width(), nHeight = fb.Height();
  CDC dc(&fb);
  SetColors(&dc, CR_NAVY, CR_WHITE);
  const char* pszText = text.c_str();
  const int nOp = nFlags & 7;
  if (nOp == 0 || nOp == 7) PrintTextCells(&dc, y, x, pszText, dScale, bBlankWide);
  if (nOp == 1 || nOp == 7) PrintAt(&dc, y, x, pszText);
  if (nOp == 2 || nOp == 7) PrintScaledAt(&dc, y, x, pszText, dScale);
  if (nOp == 3 || nOp == 7) UnderlineText(&dc, y, x, pszText, nOffsetPx, CR_BLUE);
  if (nOp == 4 || nOp == 7) PrintFullWidthChar(&dc, y, x, nKey, dScale);
  if (nOp == 5 || nOp == 7) PrintFullWidthCharLarge(&dc, y, x, nKey);
  if (nOp == 6 || nOp == 7) {
    PrintBlankedAt(&dc, y, x, pszText);
    ClassifyText(pszText);
    HalfToFullKatakana(g_szFullKatakana, nKey);
    if (g_szFullKatakana[3] != '\0') FuzzFail("full-width katakana not terminated");
    // Every pair of bytes of the text as a double-byte character.
    for (size_t i = 0; i + 1 < text.size(); ++i) WideToNarrowChar(pszText + i);
  }
  CheckBuffer(fb, nWidth, nHeight);
  return 0;
}
