// SPDX-License-Identifier: MIT
// The text renderer: cell metrics, text classes, look-alikes, fonts asked for, glyph
// placement, the black-circle disc and the byte limits.
#include <cstdlib>
#include <cstring>

#include "screen/canvas.h"
#include "screen/screen_private.h"

static void Metrics(double dScale, int* s, int* cp, int* rp) {
  ComputeCellMetrics(dScale, s, cp, rp);
}

TEST(TextMetrics, GlyphUnitAndPitchesFollowTheClient) {
  Canvas c(642, 402);
  int s, cp, rp;
  Metrics(1.0, &s, &cp, &rp);
  EXPECT_EQ((std::vector<int>{s, cp, rp}), (std::vector<int>{8, 8, 8}));
  Metrics(1.8, &s, &cp, &rp);
  EXPECT_EQ((std::vector<int>{s, cp, rp}), (std::vector<int>{14, 8, 8}));
  Metrics(3.0, &s, &cp, &rp);
  EXPECT_EQ((std::vector<int>{s, cp, rp}), (std::vector<int>{24, 8, 8}));
  // Enlarged: sized for 60 columns and 40 half-rows.
  g_bEnlargeX = g_bEnlargeY = 1;
  Metrics(1.0, &s, &cp, &rp);
  EXPECT_EQ((std::vector<int>{s, cp, rp}), (std::vector<int>{10, 10, 10}));
  g_bEnlargeX = g_bEnlargeY = 0;
  // A wide, low window: the glyph unit follows the height.
  g_rcClient = RECT{0, 0, 1282, 402};
  Metrics(1.0, &s, &cp, &rp);
  EXPECT_EQ((std::vector<int>{s, cp, rp}), (std::vector<int>{8, 16, 8}));
  // Tiny and empty clients still give sizes of at least 1.
  for (int nSize : {0, 1, 2, 3, 50}) {
    g_rcClient = RECT{0, 0, nSize, nSize};
    Metrics(3.0, &s, &cp, &rp);
    EXPECT_EQ((std::vector<int>{s, cp, rp}), (std::vector<int>{1, 1, 1})) << nSize;
  }
}

TEST(TextClass, EveryClassAndTheWalkLimits) {
  EXPECT_EQ(ClassifyText("Hit Any Key \xB1\xDE"), 0);  // ASCII and half-width kana
  EXPECT_EQ(ClassifyText("a\x81\x9C" "b"), 2);            // ●
  EXPECT_EQ(ClassifyText("\x82\x4F\x82\x58"), 3);          // ０９
  EXPECT_EQ(ClassifyText("\x82\x60\x82\x9A"), 4);          // Ａｚ
  EXPECT_EQ(ClassifyText("\x82\x9F"), 5);                  // ぁ
  EXPECT_EQ(ClassifyText("\x82\xF1"), 5);                  // ん
  EXPECT_EQ(ClassifyText("\x83\x40\x83\x96"), 6);          // ァヶ
  EXPECT_EQ(ClassifyText("\x88\x9F"), 7);                  // 亜
  EXPECT_EQ(ClassifyText("\x82\x5A"), 7);                  // lead 0x82 between the ranges
  EXPECT_EQ(ClassifyText("\x83\x97"), 7);
  // The class only rises, and a trail byte is never taken for a lead byte.
  EXPECT_EQ(ClassifyText("\x83\x41\x82\x60\x81\x40"), 6);
  EXPECT_EQ(ClassifyText("\x81\x82\x83\x41"), 6);  // 0x8182 then ア: 2, then 6
  EXPECT_EQ(ClassifyText("\x81\x83\x41"), 2);      // 0x8183 then "A"

  // No terminator among the first 2048 bytes: class 0, and nothing past them is read
  // (the buffers are exactly as long as the walk may go).
  char* pBuf = (char*)malloc(2048);
  for (int i = 0; i < 2048; i += 2) memcpy(pBuf + i, "\x83\x41", 2);
  EXPECT_EQ(ClassifyText(pBuf), 0);
  memset(pBuf, 'a', 2048);
  pBuf[2047] = '\x88';  // a lead byte whose trail would be byte 2049
  EXPECT_EQ(ClassifyText(pBuf), 0);
  pBuf[2046] = '\0';
  pBuf[0] = '\x88';
  pBuf[1] = '\x9F';
  EXPECT_EQ(ClassifyText(pBuf), 7);
  free(pBuf);
  // A lead byte right before the terminator is no character.
  char* pEnd = (char*)malloc(3);
  memcpy(pEnd, "a\x88", 3);
  EXPECT_EQ(ClassifyText(pEnd), 0);
  free(pEnd);
}

TEST(TextClass, LeadBytesAndLookAlikes) {
  // Lead bytes are 0x80..0x9F and 0xE0..0xFF: 64 of them, and only whole bytes.
  int nLeadBytes = 0;
  for (int v = -1; v <= 0x100; ++v) nLeadBytes += IsLeadByte(v);
  EXPECT_EQ(nLeadBytes, 64);
  for (int v : {0x80, 0x9F, 0xE0, 0xFF}) EXPECT_EQ(IsLeadByte(v), 1) << v;
  for (int v : {-1, 0, 0x7F, 0xA0, 0xDF, 0x100, 0x180}) EXPECT_EQ(IsLeadByte(v), 0) << v;
  EXPECT_EQ(WideToNarrowChar("\x81\x9C"), '*');
  EXPECT_EQ(WideToNarrowChar("\x81\x40"), ' ');
  EXPECT_EQ(WideToNarrowChar("\x81\x5F"), '\\');
  EXPECT_EQ(WideToNarrowChar("\x81\x84"), '>');
  EXPECT_EQ(WideToNarrowChar("\x81\x46"), ' ');  // ： has no look-alike
  EXPECT_EQ(WideToNarrowChar("\x81\x66"), ' ');  // ’
  EXPECT_EQ(WideToNarrowChar("\x81\x96"), ' ');  // ＊ is not the circle
  EXPECT_EQ(WideToNarrowChar("\x82\x4F"), '0');
  EXPECT_EQ(WideToNarrowChar("\x82\x58"), '9');
  EXPECT_EQ(WideToNarrowChar("\x82\x59"), ' ');
  EXPECT_EQ(WideToNarrowChar("\x82\x60"), 'A');
  EXPECT_EQ(WideToNarrowChar("\x82\x79"), 'Z');
  EXPECT_EQ(WideToNarrowChar("\x82\x81"), 'a');
  EXPECT_EQ(WideToNarrowChar("\x82\x9A"), 'z');
  EXPECT_EQ(WideToNarrowChar("\x82\xA0"), ' ');  // あ
  EXPECT_EQ(WideToNarrowChar("\x83\x41"), ' ');
}

TEST(TextRender, LatinStringsUseTheLatinFaceCellByCell) {
  Canvas c;
  PrintAt(&c.dc, 32, 40, "Hit Any Key");
  std::vector<DrawCall> calls = c.Calls("TextOut");
  ASSERT_EQ(calls.size(), 11u);
  for (size_t i = 0; i < calls.size(); ++i) {
    EXPECT_EQ(calls[i].face, "Lucida Console");
    EXPECT_EQ(calls[i].nFontHeight, 16);
    EXPECT_EQ(calls[i].nFontWidth, 8);
    EXPECT_EQ(calls[i].nWeight, 0);
    EXPECT_EQ(calls[i].rc.left, 41 + 8 * (int)i);
    EXPECT_EQ(calls[i].rc.top, 33);
    EXPECT_EQ(calls[i].text, std::string(1, "Hit Any Key"[i]));
  }
  EXPECT_EQ(g_lfNarrow.lfCharSet, ANSI_CHARSET);
  EXPECT_EQ(g_lfNarrow.lfOutPrecision, OUT_CHARACTER_PRECIS);
  EXPECT_EQ(g_lfNarrow.lfQuality, PROOF_QUALITY);
  EXPECT_EQ(g_lfNarrow.lfPitchAndFamily, FIXED_PITCH);
  EXPECT_EQ(g_lfWide.lfWidth, 12);

  // Bold only for exactly 1.
  c.fb.Log().clear();
  g_bBoldText = 1;
  PrintAt(&c.dc, 0, 0, "B");
  g_bBoldText = 2;
  PrintAt(&c.dc, 0, 0, "B");
  calls = c.Calls("TextOut");
  EXPECT_EQ(calls[0].nWeight, 700);
  EXPECT_EQ(calls[1].nWeight, 0);
  g_bBoldText = 0;

  // Scaled: the glyph grows up and to the left of its cell, cells step 8 * scale.
  c.fb.Log().clear();
  PrintScaledAt(&c.dc, 100, 100, "12", 1.8);
  PrintScaledAt(&c.dc, 200, 100, "3", 3.0);
  calls = c.Calls("TextOut");
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].nFontHeight, 28);
  EXPECT_EQ(calls[0].nFontWidth, 14);
  EXPECT_EQ(calls[0].rc.left, 101 - 6);
  EXPECT_EQ(calls[0].rc.top, 101 - 6);
  EXPECT_EQ(calls[1].rc.left, 101 + 14 - 6);  // 100 + 14.4 truncated
  EXPECT_EQ(calls[2].nFontHeight, 48);
  EXPECT_EQ(calls[2].rc.left, 101 - 16);
  EXPECT_EQ(calls[2].rc.top, 201 - 16);

  // Wide, low window: glyphs keep 16 x 8 and sit 8 pixels into their cell.
  c.fb.Log().clear();
  g_rcClient = RECT{0, 0, 1282, 402};
  PrintAt(&c.dc, 0, 8, "x");
  calls = c.Calls("TextOut");
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].rc.left, 17 + 8);
  EXPECT_EQ(calls[0].nFontWidth, 8);
}

TEST(TextRender, FullWidthLettersAreStretchedLatinCentredInTheirCell) {
  Canvas c;
  ClearScreen(&c.dc);
  // Ｐｅｌｌ'ｓ
  PrintAt(&c.dc, 16, 80, "\x82\x6F\x82\x85\x82\x8C\x82\x8C'\x82\x93");
  std::vector<DrawCall> calls = c.Calls("TextOut");
  ASSERT_EQ(calls.size(), 6u);
  const char* pszExpect = "Pell's";
  const int nLeft[] = {82, 98, 114, 130, 145, 154};  // wide glyphs at px + 1
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(calls[i].text, std::string(1, pszExpect[i]));
    EXPECT_EQ(calls[i].face, "Lucida Console");
    EXPECT_EQ(calls[i].rc.left, nLeft[i]) << i;
    EXPECT_EQ(calls[i].nFontWidth, i == 4 ? 8 : 12) << i;
  }
  // The stretched "P" sits in the middle of its 16-pixel cell (81..96).
  int nInkLeft = 999, nInkRight = -1;
  for (int x = 81; x < 97; ++x)
    if (c.Ink(x, 17, x + 1, 33)) {
      nInkLeft = std::min(nInkLeft, x);
      nInkRight = std::max(nInkRight, x);
    }
  ASSERT_GE(nInkRight, nInkLeft);
  EXPECT_GE(nInkRight - nInkLeft, 5);  // wider than an 8-pixel glyph's stem area
  EXPECT_LE(std::abs((nInkLeft - 81) - (96 - nInkRight)), 3);
  c.Png("fullwidth-latin");

  // Any kana makes the whole string Japanese, its full-width letters included.
  c.fb.Log().clear();
  PrintAt(&c.dc, 48, 80, "\x82\x60\x82\xA0" "1");  // Ａあ1
  calls = c.Calls("TextOut");
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0].text, "\x82\x60");
  EXPECT_EQ(calls[0].face, FACE_JA);
  EXPECT_EQ(calls[0].nFontWidth, 8);
  EXPECT_EQ(calls[0].rc.left, 81);
  EXPECT_EQ(calls[2].rc.left, 113);
  EXPECT_EQ(calls[2].face, FACE_JA);
  EXPECT_EQ(g_lfNarrow.lfCharSet, SHIFTJIS_CHARSET);
}

TEST(TextRender, BlackCircleIsAPurpleDiscOnlyInLatinStrings) {
  Canvas c;
  ClearScreen(&c.dc);
  SetColors(&c.dc, CR_WHITE, CR_WHITE);
  PrintAt(&c.dc, 48, 48, "a\x81\x9C");  // a●: the circle's cell starts at x 56
  std::vector<DrawCall> discs = c.Calls("Ellipse");
  ASSERT_EQ(discs.size(), 1u);
  EXPECT_EQ(discs[0].rc.left, 58);
  EXPECT_EQ(discs[0].rc.top, 50);
  EXPECT_EQ(discs[0].rc.right, 71);
  EXPECT_EQ(discs[0].rc.bottom, 63);
  EXPECT_EQ(discs[0].crText, CR_PURPLE);
  EXPECT_EQ(discs[0].crBack, CR_PURPLE);
  EXPECT_EQ(c.fb.Pixel(64, 56), 0x802080u);
  EXPECT_EQ(c.Calls("TextOut").size(), 1u);
  EXPECT_EQ(c.dc.GetTextColor(), CR_WHITE);

  // The disc stays on the unscaled grid at larger scales.
  c.fb.Log().clear();
  PrintScaledAt(&c.dc, 48, 48, "a\x81\x9C", 3.0);
  discs = c.Calls("Ellipse");
  ASSERT_EQ(discs.size(), 1u);
  EXPECT_EQ(discs[0].rc.left, 58);

  // Blanked: a wide space, no disc.
  c.fb.Log().clear();
  PrintBlankedAt(&c.dc, 48, 48, "\x82\x60\x81\x9C");
  EXPECT_TRUE(c.Calls("Ellipse").empty());
  std::vector<DrawCall> calls = c.Calls("TextOut");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].text, " ");
  EXPECT_EQ(calls[1].nFontWidth, 12);

  // In a Japanese string it is an ordinary glyph in the text colour.
  c.fb.Log().clear();
  SetColors(&c.dc, CR_BLACK, CR_WHITE);
  PrintAt(&c.dc, 96, 48, "\x82\xA0\x81\x9C");  // あ●
  EXPECT_TRUE(c.Calls("Ellipse").empty());
  calls = c.Calls("TextOut");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].text, "\x81\x9C");
  EXPECT_GT(c.Count(65, 97, 81, 113, 0x000000), 20);
  EXPECT_EQ(c.Count(65, 97, 81, 113, 0x802080), 0);
  c.Png("circles");
}

TEST(TextRender, ByteLimitAndStrayLeadBytes) {
  Canvas c;
  // A double-byte character starting at byte 254 is drawn; nothing from byte 255 on.
  std::string text(254, 'a');
  text += "\x82\x60" "bbbb";
  PrintAt(&c.dc, 0, 0, text.c_str());
  std::vector<DrawCall> calls = c.Calls("TextOut");
  ASSERT_EQ(calls.size(), 255u);
  EXPECT_EQ(calls.back().text, "A");

  c.fb.Log().clear();
  PrintAt(&c.dc, 0, 0, std::string(400, 'z').c_str());
  EXPECT_EQ(c.Calls("TextOut").size(), 255u);

  // A lead byte right before the terminator ends the string; nothing past it is read
  // (exact-size heap buffers, so a sanitiser run would catch an over-read).
  for (int nLeadAt : {0, 3, 254}) {
    size_t nSize = (size_t)nLeadAt + 2;
    char* pText = (char*)malloc(nSize);
    memset(pText, 'q', nSize);
    pText[nLeadAt] = '\x82';
    pText[nLeadAt + 1] = '\0';
    c.fb.Log().clear();
    PrintAt(&c.dc, 0, 0, pText);
    PrintBlankedAt(&c.dc, 0, 0, pText);
    UnderlineText(&c.dc, 0, 0, pText, 0, CR_BLUE);
    EXPECT_EQ(c.Calls("TextOut").size(), 2u * (size_t)nLeadAt) << nLeadAt;
    free(pText);
  }
  // A 2048-byte text without a terminator within the first 255 bytes of drawing.
  char* pLong = (char*)malloc(300);
  memset(pLong, 'w', 299);
  pLong[299] = '\0';
  c.fb.Log().clear();
  PrintAt(&c.dc, 0, 0, pLong);
  EXPECT_EQ(c.Calls("TextOut").size(), 255u);
  free(pLong);

  PrintAt(&c.dc, 0, 0, nullptr);  // nothing, quietly
}

// At any client size, down to nothing, the surface changes a drawing only by clipping: a
// tiny surface holds exactly the corner of the same drawing on a larger one, also when the
// client is far larger than either.
TEST(TextRender, AnyClientSizeDownToNothing) {
  const auto draw = [](Canvas& c, int nClient) {
    g_rcClient = RECT{0, 0, nClient, nClient};
    ClearScreen(&c.dc);
    PrintAt(&c.dc, 0, 0, "\x81\x9C\x82\x60 abc");
    PrintScaledAt(&c.dc, 384, 632, "\x82\xA0\x83\x41", 3.0);
    PrintFullWidthChar(&c.dc, 100, 100, '7', 3.0);
    FillBox(&c.dc, 0, 0, 400, 640, CR_NAVY);
    FillFramedBox(&c.dc, 0, 0, 16, 16, CR_GREEN, CR_BLACK, 1, 1, 1, 1);
    DrawBullet(&c.dc, 392, 632, CR_PURPLE, CR_PURPLE);
    UnderlineText(&c.dc, 400, 640, "abc", 1, CR_BLUE);
  };
  for (int nSize : {1, 2, 3, 7}) {
    for (int nClient : {0, nSize, 642}) {
      Canvas tiny(nSize, nSize), large(nSize + 16, nSize + 16);
      draw(tiny, nClient);
      draw(large, nClient);
      for (int y = 0; y < nSize; ++y)
        for (int x = 0; x < nSize; ++x)
          ASSERT_EQ(tiny.fb.Pixel(x, y), large.fb.Pixel(x, y))
              << nSize << " " << nClient << " " << x << " " << y;
    }
  }
  Canvas c(642, 402);
  PrintAt(&c.dc, -5000, -5000, "far away");
  PrintAt(&c.dc, INT_MAX, INT_MAX, "\x81\x9C\x82\x60");
  UnderlineText(&c.dc, INT_MAX, INT_MAX, "abc", INT_MAX, CR_BLUE);
  DrawBullet(&c.dc, INT_MIN, INT_MIN, CR_BLUE, CR_BLUE);
  EXPECT_FALSE(c.Ink(0, 0, 642, 402));
  // Absurd insets leave only the outer colour.
  FillFramedBox(&c.dc, 0, 0, 16, 16, CR_GREEN, CR_BLACK, INT_MAX, INT_MIN, INT_MIN, INT_MAX);
  EXPECT_EQ(c.Count(0, 0, 642, 402, 0x008000), 0);
}
