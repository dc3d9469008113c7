// SPDX-License-Identifier: MIT
// Boxes, discs and underlines: the pixel rectangles they cover and the objects they leave.
#include "screen/canvas.h"
#include "screen/screen_private.h"

TEST(Shapes, BoxesCoverTheirPixelRectangleExactly) {
  Canvas c;
  FillBox(&c.dc, 16, 8, 32, 24, CR_NAVY);
  for (int y = 0; y < 48; ++y)
    for (int x = 0; x < 48; ++x) {
      bool bInside = x >= 9 && x <= 23 && y >= 17 && y <= 31;
      ASSERT_EQ(c.fb.Pixel(x, y), bInside ? 0x000080u : 0xFFFFFFu) << x << "," << y;
    }
  // A neighbour sharing the virtual edge keeps a one-pixel gap.
  FillBox(&c.dc, 16, 24, 32, 40, CR_NAVY);
  EXPECT_EQ(c.fb.Pixel(24, 20), 0xFFFFFFu);
  EXPECT_EQ(c.fb.Pixel(25, 20), 0x000080u);

  // Framed: a one-pixel edge at any size; too narrow for an inside, only the edge colour.
  FillFramedBox(&c.dc, 48, 8, 64, 24, RgbToColorref(0x80C0FF), CR_BLACK, 1, 1, 1, 1);
  EXPECT_EQ(c.fb.Pixel(9, 49), 0x000000u);
  EXPECT_EQ(c.fb.Pixel(23, 63), 0x000000u);
  EXPECT_EQ(c.fb.Pixel(10, 50), 0x80C0FFu);
  EXPECT_EQ(c.fb.Pixel(22, 62), 0x80C0FFu);
  EXPECT_EQ(c.Count(9, 49, 24, 64, 0x80C0FF), 13 * 13);
  FillFramedBox(&c.dc, 80, 0, 96, 3, CR_GREEN, CR_MAROON, 1, 1, 1, 1);  // 2 pixels wide
  EXPECT_EQ(c.Count(0, 80, 10, 100, 0x800000), 2 * 15);
  EXPECT_EQ(c.Count(0, 80, 10, 100, 0x008000), 0);
  // The insets are device pixels: the same at twice the size.
  Canvas big(1282, 802);
  FillFramedBox(&big.dc, 48, 8, 64, 24, CR_GREEN, CR_BLACK, 1, 1, 1, 1);
  EXPECT_EQ(big.fb.Pixel(17, 100), 0x000000u);
  EXPECT_EQ(big.fb.Pixel(18, 100), 0x008000u);
}

TEST(Shapes, DiscsAndUnderlinesLeaveTheContextAsFound) {
  Canvas c;
  CPen penMine(PS_SOLID, 3, CR_RED);
  CBrush brMine(CR_TEAL);
  CPen* pPenDefault = c.dc.SelectObject(&penMine);
  CBrush* pBrushDefault = c.dc.SelectObject(&brMine);
  SetColors(&c.dc, CR_BROWN, CR_NAVY);

  DrawBullet(&c.dc, 48, 56, CR_PURPLE, CR_PURPLE);
  std::vector<DrawCall> discs = c.Calls("Ellipse");
  ASSERT_EQ(discs.size(), 1u);
  EXPECT_EQ(discs[0].rc.left, 58);
  EXPECT_EQ(discs[0].rc.top, 50);
  EXPECT_EQ(discs[0].rc.right, 71);
  EXPECT_EQ(discs[0].rc.bottom, 63);
  EXPECT_EQ(discs[0].nPenWidth, 1);
  EXPECT_EQ(c.fb.Pixel(64, 56), 0x802080u);
  EXPECT_EQ(c.fb.Pixel(71, 56), 0xFFFFFFu);
  EXPECT_EQ(c.fb.Pixel(64, 63), 0xFFFFFFu);

  DrawDisc(&c.dc, 96, 96, 128, 128, CR_GREEN, CR_BLACK);
  EXPECT_EQ(c.fb.Pixel(112, 112), 0x008000u);
  EXPECT_EQ(c.fb.Pixel(97, 112), 0x000000u);  // the outline on the left edge

  UnderlineText(&c.dc, 16, 40, "abc", 0, CR_GREEN);
  std::vector<DrawCall> lines = c.Calls("LineTo");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].nPenWidth, 2);
  EXPECT_EQ(lines[0].crText, CR_GREEN);
  for (int x = 41; x < 65; ++x) ASSERT_EQ(c.fb.Pixel(x, 34), 0x008000u) << x;
  EXPECT_EQ(c.fb.Pixel(40, 34), 0xFFFFFFu);
  EXPECT_EQ(c.fb.Pixel(65, 34), 0xFFFFFFu);
  EXPECT_EQ(c.Count(50, 0, 51, 402, 0x008000), 2);

  // Everything put back: pen, brush and colours.
  EXPECT_EQ(c.dc.GetTextColor(), CR_BROWN);
  EXPECT_EQ(c.dc.GetBkColor(), CR_NAVY);
  EXPECT_EQ(c.dc.SelectObject(pPenDefault), &penMine);
  EXPECT_EQ(c.dc.SelectObject(pBrushDefault), &brMine);
  penMine.DeleteObject();
  brMine.DeleteObject();

  // Drawn again in white, each shape is gone.
  DrawBullet(&c.dc, 48, 56, CR_WHITE, CR_WHITE);
  DrawDisc(&c.dc, 96, 96, 128, 128, CR_WHITE, CR_WHITE);
  UnderlineText(&c.dc, 16, 40, "abc", 0, CR_WHITE);
  FillBox(&c.dc, 0, 0, 400, 640, CR_WHITE);
  EXPECT_FALSE(c.Ink(0, 0, 642, 402));
}

TEST(Shapes, UnderlineClampsItsOriginAndGrowsWithTheWindow) {
  Canvas a, b;
  UnderlineText(&a.dc, 0, 0, "ab", 1, CR_BLUE);
  UnderlineText(&b.dc, 1, 1, "ab", 1, CR_BLUE);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(a.fb.Pixel(x, y), b.fb.Pixel(x, y)) << x << "," << y;
  EXPECT_EQ(a.Count(0, 0, 40, 40, 0x0000FF), 16 * 2);

  // Twice the window: the pen is 3 pixels (1 unit = 2 px, plus 1), the gap a row.
  Canvas big(1282, 802);
  UnderlineText(&big.dc, 16, 40, "abc", 0, CR_BLUE);
  std::vector<DrawCall> lines = big.Calls("LineTo");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].nPenWidth, 3);
  EXPECT_EQ(big.Count(100, 0, 101, 802, 0x0000FF), 3);
  EXPECT_TRUE(big.Ink(81, 33 + 32 - 2, 129, 33 + 32 + 3));
}
