// SPDX-License-Identifier: MIT
// Scaling of the virtual grid, clearing, colours and the item-list printers.
#include "screen/canvas.h"

TEST(Grid, ScalingFollowsClientAndSwitches) {
  Canvas c(642, 402);
  for (int v = 0; v <= 640; v += 8) EXPECT_EQ(VirtualToPixelX(v), v + 1) << v;
  for (int v = 0; v <= 400; v += 16) EXPECT_EQ(VirtualToPixelY(v), v + 1) << v;
  g_bEnlargeX = g_bEnlargeY = 1;
  EXPECT_EQ(VirtualToPixelY(320), 401);
  EXPECT_EQ(VirtualToPixelX(512), 641);
  EXPECT_EQ(VirtualToPixelX(256), 321);
  EXPECT_EQ(VirtualToPixelY(1), 2);  // 400 / 320 = 1.25, truncated
  EXPECT_EQ(VirtualToPixelX(3), 4);  // 3.75 truncated
  g_bEnlargeX = g_bEnlargeY = 0;

  // Truncation of the quotient, not rounding: 639 * 998 / 640 = 996.4.
  g_rcClient = RECT{0, 0, 1000, 600};
  EXPECT_EQ(VirtualToPixelX(639), 997);
  EXPECT_EQ(VirtualToPixelY(399), 399 * 598 / 400 + 1);
  // Negative positions truncate toward zero.
  EXPECT_EQ(VirtualToPixelX(-1), 0);  // -1.6 -> -1
  EXPECT_EQ(VirtualToPixelX(-2), -2);  // -3.1 -> -3

  // Two pixels or less: the span counts as 1, every position lands on pixel 1.
  for (int nSize : {0, 1, 2}) {
    g_rcClient = RECT{0, 0, nSize, nSize};
    for (int v = 0; v < 640; ++v) ASSERT_EQ(VirtualToPixelX(v), 1) << nSize << " " << v;
    EXPECT_EQ(VirtualToPixelY(399), 1);
    EXPECT_EQ(VirtualToPixelX(640), 2);
  }
  // Far-off positions neither overflow nor wrap.
  g_rcClient = RECT{0, 0, 642, 402};
  EXPECT_EQ(VirtualToPixelX(INT_MAX), INT_MAX);
  EXPECT_LT(VirtualToPixelY(INT_MIN), 0);
}

TEST(Grid, ClearAndColoursKeepTheContextsObjects) {
  Canvas c(40, 30);
  CBrush red(RGB(255, 0, 0));
  CBrush* pDefault = c.dc.SelectObject(&red);
  c.fb.Fill(0x123456);
  SetColors(&c.dc, CR_TEAL, CR_NAVY);
  ClearScreen(&c.dc);
  EXPECT_EQ(c.Count(0, 0, 40, 30, 0xFFFFFF), 40 * 30);
  EXPECT_EQ(c.dc.GetTextColor(), CR_TEAL);
  EXPECT_EQ(c.dc.GetBkColor(), CR_NAVY);
  EXPECT_EQ(c.dc.SelectObject(pDefault), &red);  // the caller's brush is back
  red.DeleteObject();
}

TEST(Grid, ItemListsStopAtTheFirstNullText) {
  Canvas c;
  const SCREENITEM items[] = {
      {16, 40, "ab", 0}, {32, 0, "0123456789", 7}, {48, 8, nullptr, 0}, {64, 8, "never", 0}};
  PrintItems(&c.dc, items);
  std::vector<DrawCall> calls = c.Calls("TextOut");
  ASSERT_EQ(calls.size(), 12u);
  EXPECT_EQ(calls[0].rc.left, 41);
  EXPECT_EQ(calls[0].rc.top, 17);
  EXPECT_EQ(calls[1].rc.left, 49);
  EXPECT_EQ(calls[2].rc.left, 1);

  // Centred on the middle of the screen: 10 bytes start at 280, an empty text at 320.
  c.fb.Log().clear();
  PrintItemsCentered(&c.dc, items + 1);
  calls = c.Calls("TextOut");
  ASSERT_EQ(calls.size(), 10u);
  EXPECT_EQ(calls[0].rc.left, 281);
  EXPECT_EQ(calls[0].rc.top, 33);
  const SCREENITEM odd[] = {{0, 0, "abc", 0}, {0, 0, "", 0}, {0, 0, nullptr, 0}};
  c.fb.Log().clear();
  PrintItemsCentered(&c.dc, odd);
  calls = c.Calls("TextOut");
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].rc.left, 320 - 12 + 1);  // (8 * 3) / 2 = 12

  const SCREENITEM empty[] = {{0, 0, nullptr, 0}, {0, 0, "x", 0}};
  c.fb.Log().clear();
  PrintItems(&c.dc, empty);
  PrintItemsBlanked(&c.dc, empty);
  PrintItemsCentered(&c.dc, empty);
  EXPECT_TRUE(c.fb.Log().empty());
}

TEST(Grid, WhiteOnWhiteErasesAndBlankingLeavesSingleBytesAlone) {
  Canvas c;
  ClearScreen(&c.dc);
  SetColors(&c.dc, CR_BLACK, CR_WHITE);
  PrintAt(&c.dc, 80, 80, "Hit Any Key 123");
  ASSERT_TRUE(c.Ink(81, 81, 81 + 15 * 8, 97));
  std::vector<DrawCall> printed = c.Calls("TextOut");

  c.fb.Log().clear();
  SetColors(&c.dc, CR_WHITE, CR_WHITE);
  PrintBlankedAt(&c.dc, 80, 80, "Hit Any Key 123");
  std::vector<DrawCall> blanked = c.Calls("TextOut");
  ASSERT_EQ(blanked.size(), printed.size());
  for (size_t i = 0; i < printed.size(); ++i) {
    EXPECT_EQ(blanked[i].text, printed[i].text);
    EXPECT_EQ(blanked[i].rc.left, printed[i].rc.left);
    EXPECT_EQ(blanked[i].nFontWidth, printed[i].nFontWidth);
  }
  EXPECT_FALSE(c.Ink(0, 0, 642, 402));

  // A full-width word erased with its blanked form.
  SetColors(&c.dc, CR_BLACK, CR_WHITE);
  PrintAt(&c.dc, 160, 80, "\x82\x60\x82\x61\x82\x62");  // ＡＢＣ
  ASSERT_TRUE(c.Ink(81, 161, 81 + 48, 177));
  SetColors(&c.dc, CR_WHITE, CR_WHITE);
  const SCREENITEM word = {160, 80, "\x82\x60\x82\x61\x82\x62", 0};
  PrintItemBlanked(&c.dc, &word);
  EXPECT_FALSE(c.Ink(0, 0, 642, 402));
  c.Png("erase");
}
