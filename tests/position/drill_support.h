// SPDX-License-Identifier: MIT
// Helpers shared by the position drill tests: entering the drill, pressing right and wrong
// keys, reading the guide's pixels at 642 x 402, and comparing a repaint with the screen.
#pragma once

#include <cstring>
#include <vector>

#include "flow/flow.h"
#include "position/position_private.h"
#include "support/session.h"

namespace drill {

constexpr uint32_t BLACK = 0x000000, WHITE = 0xFFFFFF, RED = 0xFF0000, BLUE = 0x0000FF;
constexpr uint32_t MAGENTA = 0xFF00FF, GREY = 0x7F7F7F, NAIL = 0xFFFFBF, FINGER = 0xFFBF3F;

// Title, menu, then "Position Practice".
inline void EnterDrill(Session& s) {
  s.Start();
  s.Key(' ');
  s.Key('1');
  ASSERT_EQ(g_nMode, MODE_POSITION);
  ASSERT_EQ(g_nPhase, PHASE_RUNNING);
}

inline int Target() { return (unsigned char)g_chTarget; }
// A key with a place on the guide that is not the asked-for one.
inline int WrongDigit() { return Target() == '5' ? '6' : '5'; }
inline void PressRight(Session& s, int n = 1) {
  for (int i = 0; i < n; ++i) s.Key(Target());
}
inline void PressWrong(Session& s, int n = 1) {
  for (int i = 0; i < n; ++i) s.Key(WrongDigit());
}

// At 642 x 402 virtual (y, x) is pixel (y + 1, x + 1).
struct Area {
  int x0, y0, x1, y1;  // [x0, x1) x [y0, y1)
};
inline Area LabelArea(int nKey) {
  int r = 0, k = 0;
  EXPECT_TRUE(GuidePosition(nKey, &r, &k));
  int x = 56 * k + 152 + 1, y = 64 * r + 1;
  return {x + 1, y + 9, x + 30, y + 38};
}
inline int Count(Session& s, Area a, uint32_t rgb) {
  return CountPixels(s.Fb(), a.x0, a.y0, a.x1, a.y1, rgb);
}
inline uint32_t LabelCorner(Session& s, int nKey) {
  Area a = LabelArea(nKey);
  return s.Pixel(a.x0, a.y0);
}
inline uint32_t KeyColour(int nKey) {
  int r = 0, k = 0;
  GuidePosition(nKey, &r, &k);
  return r == 2 ? MAGENTA : GREY;
}
// Middle of a finger's nail, by finger index 6 (thumb) to 10 (little finger).
inline uint32_t NailOfFinger(Session& s, int nFinger) {
  static const int TOP_LEFT_WIDTH[5][3] = {
      {352, 152, 48}, {322, 212, 40}, {317, 260, 40}, {322, 308, 40}, {344, 356, 34}};
  const int* f = TOP_LEFT_WIDTH[nFinger - 6];
  return s.Pixel(f[1] + f[2] / 2 + 1, f[0] + 15);
}
inline uint32_t NailOfKey(Session& s, int nKey) {
  int r = 0, k = 0;
  GuidePosition(nKey, &r, &k);
  return NailOfFinger(s, k + (nKey == '0' ? 5 : 6));
}

// The picture must not depend on how it came about: repaint and compare every pixel.
inline void ExpectRepaintSame(Session& s, const char* pszWhere) {
  Framebuffer& fb = s.Fb();
  std::vector<uint32_t> before;
  for (int y = 0; y < fb.Height(); ++y)
    before.insert(before.end(), fb.Row(y), fb.Row(y) + fb.Width());
  s.Paint();
  for (int y = 0; y < fb.Height(); ++y)
    for (int x = 0; x < fb.Width(); ++x) {
      uint32_t drawn = before[(size_t)y * fb.Width() + x];
      if (fb.Pixel(x, y) != drawn) {
        ADD_FAILURE() << pszWhere << ": repaint differs first at (" << x << ", " << y
                      << "): handlers drew " << std::hex << drawn << ", repaint " << fb.Pixel(x, y);
        return;
      }
    }
}

// Whether a line on screen matches the same text printed alone on a white screen.
inline bool LineShows(Session& s, int y, int x, const char* pszText, COLORREF cr) {
  Framebuffer ref(s.Fb().Width(), s.Fb().Height());
  ref.Fill(WHITE);
  {
    CDC dc(&ref);
    SetColors(&dc, cr, CR_WHITE);
    PrintAt(&dc, y, x, pszText);
  }
  int w = (int)strlen(pszText) * 8;
  for (int py = y + 1; py < y + 17; ++py)
    for (int px = x + 1; px < x + 1 + w; ++px)
      if (s.Pixel(px, py) != ref.Pixel(px, py)) return false;
  return true;
}

}  // namespace drill
