// SPDX-License-Identifier: MIT
// The random drill screen: what ticks of the clock show, and repaints that rebuild from
// the run state exactly what the key and timer handlers drew piece by piece.
#include <gtest/gtest.h>

#include <cstdlib>
#include <utility>
#include <vector>

#include "drill.h"

namespace {

std::vector<uint32_t> Pixels(Framebuffer& fb) {
  std::vector<uint32_t> out;
  for (int y = 0; y < fb.Height(); ++y)
    for (int x = 0; x < fb.Width(); ++x) out.push_back(fb.Pixel(x, y));
  return out;
}

// Repaints and reports how many pixels differ from what the handlers left on screen.
int RepaintDifference(Session& s, const char* pszPng) {
  const std::vector<uint32_t> before = Pixels(s.Fb());
  if (pszPng) s.Snapshot(std::string("random-") + pszPng + "-handlers");
  s.Paint();
  if (pszPng) s.Snapshot(std::string("random-") + pszPng + "-repaint");
  const std::vector<uint32_t> after = Pixels(s.Fb());
  int n = 0;
  for (size_t i = 0; i < before.size(); ++i) n += before[i] != after[i];
  return n;
}

TEST(RandomScreen, FreshLessonShowsOnlyTheFixedLines) {
  Session s;
  s.Start();
  EnterRandomDrill(s);
  s.Snapshot("random-fresh");
  EXPECT_TRUE(ShowsText(s.Fb(), 64, 16, "Time Limit 60sec", CR_GREEN));
  EXPECT_TRUE(ShowsText(s.Fb(), 32, 80, "Press Enter Key to terminate Number", CR_TEAL));
  EXPECT_TRUE(ShowsText(s.Fb(), 368, 192, "Press ESC key to cancel", CR_TEAL));
  // The header (y 1) reaches into row 16 by a pixel; the count line would fill it.
  EXPECT_FALSE(AnyInk(s.Fb(), VirtualToPixelX(248), VirtualToPixelY(18), VirtualToPixelX(392),
                      VirtualToPixelY(32)))
      << "no practice count";
  EXPECT_FALSE(RowInk(s.Fb(), 48, 0, 640)) << "no best speed";
  EXPECT_FALSE(RowInk(s.Fb(), 80, 0, 640)) << "no status lines";
  // Three text rows at y 112, 132 and 152, 36 cells wide; nothing below.
  for (int nRow = 0; nRow < 3; ++nRow) EXPECT_TRUE(RowInk(s.Fb(), 112 + 20 * nRow, 0, 576));
  EXPECT_FALSE(RowInk(s.Fb(), 172, 0, 640));
  EXPECT_FALSE(RowInk(s.Fb(), 112, 576, 640));
}

TEST(RandomScreen, TicksRefreshTheClockOncePerWholeSecond) {
  Session s;
  s.Start();
  EnterRandomDrill(s);
  TypeCorrect(s, 1);
  const std::vector<uint32_t> atStart = Pixels(s.Fb());
  s.Advance(400);
  s.Timer(RANDOM_CLOCK_TIMER);
  s.Advance(599);
  s.Timer(RANDOM_CLOCK_TIMER);
  EXPECT_EQ(Pixels(s.Fb()), atStart) << "the first second shows nothing";
  EXPECT_EQ(RepaintDifference(s, "first-second"), 0);

  TypeCorrect(s, 20);
  s.Advance(36000 - 999);
  s.Timer(RANDOM_CLOCK_TIMER);
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 8, "Elapsed Time36sec", CR_NAVY));
  s.Advance(1800);  // 37.8 seconds in
  s.Timer(RANDOM_CLOCK_TIMER);
  EXPECT_EQ(g_nShownSecond, 37);
  EXPECT_DOUBLE_EQ(g_dTypeSpeed, 21 / 37.8 * 60.0);
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 8, "Elapsed Time37sec", CR_NAVY));
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 184, "Current Type Speed  33.3/min", CR_NAVY));

  // Keys in the same second leave the lines; the first key of the next second moves them.
  TypeCorrect(s, 2);
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 184, "Current Type Speed  33.3/min", CR_NAVY));
  s.Advance(300);
  s.Key(WrongDigit());
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 8, "Elapsed Time38sec", CR_NAVY));
  EXPECT_DOUBLE_EQ(g_dTypeSpeed, 23 / 38.1 * 60.0);
  EXPECT_EQ(RepaintDifference(s, "phase3-error"), 0);
}

static void RepaintsMatchAtSize(int nWidth, int nHeight) {
  Session s(nWidth, nHeight);
  s.Start();
  g_nRandomCount[0][0] = 4;
  g_dBestSpeed[0][0] = 50.0;
  std::snprintf(g_szBestDate[0][0], 9, "26/11/30");
  EnterRandomDrill(s);
  EXPECT_EQ(RepaintDifference(s, "phase3-fresh"), 0);

  // A pending error on the first cell, then typing across a line end with errors.
  s.Key(WrongDigit());
  EXPECT_EQ(RepaintDifference(s, "phase3-first-wrong"), 0);
  TypeCorrect(s, 1);
  EXPECT_EQ(RepaintDifference(s, "phase3-cleared"), 0);
  for (int i = 0; i < 40; ++i) {
    s.Advance(450);
    if (i % 9 == 4) s.Key(WrongDigit());
    TypeCorrect(s, 1);
  }
  s.Key(WrongDigit());
  EXPECT_EQ(RepaintDifference(s, "phase3-running"), 0);

  // Completed faster than the best: congratulation, hundredths on the clock.
  TypeCorrect(s, g_nTextChars - g_nTypeCount - 1);
  s.Advance(1234);
  TypeCorrect(s, 1);
  ASSERT_EQ(g_nPhase, PHASE_RESULT);
  ASSERT_EQ(g_nFinishState, 2);
  EXPECT_EQ(RepaintDifference(s, "phase4-completed"), 0);

  // Cancelled within its first second: no clock line, then or after a repaint.
  s.Key('\t');
  TypeCorrect(s, 3);
  s.Advance(500);
  s.Key(27);
  EXPECT_EQ(RepaintDifference(s, "phase4-cancelled"), 0);

  // Timed out by a tick.
  s.Key('\t');
  TypeCorrect(s, 30);
  s.Advance(30000);
  s.Timer(RANDOM_CLOCK_TIMER);
  TypeCorrect(s, 1);
  s.Advance(30000);
  s.Timer(RANDOM_CLOCK_TIMER);
  ASSERT_EQ(g_nPhase, PHASE_RESULT);
  EXPECT_EQ(RepaintDifference(s, "phase4-timeout"), 0);
}

TEST(RandomScreen, RepaintsMatchWhatTheHandlersDrew) {
  // 500 x 700 scales cells by a fraction: a glyph's box reaches the underline's row.
  for (auto [nWidth, nHeight] : {std::pair{642, 402}, std::pair{500, 700}}) {
    SCOPED_TRACE(testing::Message() << nWidth << " x " << nHeight);
    RepaintsMatchAtSize(nWidth, nHeight);
  }
}

TEST(RandomScreen, JapaneseTextsAndPositions) {
  // At 1440 pixels across, cells are 17 or 18 pixels apart and a glyph 17 wide: a wide
  // character once drawn inks the column between two cells, which half-width ones leave.
  for (int nWidth : {642, 1440}) {
    SCOPED_TRACE(nWidth);
    Session s(nWidth, nWidth == 642 ? 402 : 900);
    s.Start();
    g_bEnglish = 0;
    g_dBestSpeed[0][0] = 100.0;
    std::snprintf(g_szBestDate[0][0], 9, "26/11/30");
    EnterRandomDrill(s);
    ASSERT_EQ(g_nTextChars, 144);
    s.Key(WrongDigit());
    TypeCorrect(s, 1);
    s.Advance(54321);
    TypeCorrect(s, 143);  // the clock line shows 54 whole seconds, then the time to 1/100
    ASSERT_EQ(g_nFinishState, 2);
    EXPECT_EQ(RepaintDifference(s, "japanese"), 0);
    Framebuffer& fb = s.Fb();
    // 経過時間54.32秒
    EXPECT_TRUE(ShowsText(fb, 80, 32, "\x8c\x6f\x89\xdf\x8e\x9e\x8a\xd4" "54.32" "\x95\x62",
                          CR_NAVY));
    if (nWidth != 642) continue;
    // 入力速度 159.1文字／分, ミスタッチ  1回, 練習回数   1回
    EXPECT_TRUE(ShowsText(fb, 80, 192,
                          "\x93\xfc\x97\xcd\x91\xac\x93\x78" " 159.1"
                          "\x95\xb6\x8e\x9a\x81\x5e\x95\xaa",
                          CR_NAVY));
    EXPECT_TRUE(ShowsText(fb, 80, 392, "\x83\x7e\x83\x58\x83\x5e\x83\x62\x83\x60" "  1" "\x89\xf1",
                          CR_MAROON));
    EXPECT_TRUE(ShowsText(fb, 16, 248, "\x97\xfb\x8f\x4b\x89\xf1\x90\x94" "   1" "\x89\xf1",
                          CR_GREEN));
    // 制限時間60秒, 最高入力速度 100.0文字／分, 達成日 26/11/30
    EXPECT_TRUE(
        ShowsText(fb, 64, 32, "\x90\xa7\x8c\xc0\x8e\x9e\x8a\xd4" "60" "\x95\x62", CR_GREEN));
    EXPECT_TRUE(ShowsText(fb, 48, 160,
                          "\x8d\xc5\x8d\x82\x93\xfc\x97\xcd\x91\xac\x93\x78" " 100.0"
                          "\x95\xb6\x8e\x9a\x81\x5e\x95\xaa",
                          CR_GREEN));
    EXPECT_TRUE(ShowsText(fb, 48, 392, "\x92\x42\x90\xac\x93\xfa" " 26/11/30", CR_GREEN));
    // The list texts stay English.
    EXPECT_TRUE(ShowsText(fb, 320, 128, "Congratulations You have updated your speed record",
                          CR_GREEN));
    EXPECT_TRUE(ShowsText(fb, 352, 192, "Press TAB key to try again", CR_TEAL));
  }
}

}  // namespace
