// SPDX-License-Identifier: MIT
// Full-width display of single keys: which string each key becomes and how it is drawn.
#include <set>

#include "screen/canvas.h"
#include "screen/screen_private.h"

static std::vector<DrawCall> ShowKey(Canvas& c, int ch, double dScale = 1.0) {
  c.fb.Log().clear();
  PrintFullWidthChar(&c.dc, 32, 64, ch, dScale);
  return c.Calls("TextOut");
}

TEST(FullWidth, KeysBecomeTheirSquareForms) {
  Canvas c;
  ClearScreen(&c.dc);
  std::vector<DrawCall> calls = ShowKey(c, '7');
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].text, "7");
  EXPECT_EQ(calls[0].nFontWidth, 12);  // the wide Latin font
  EXPECT_EQ(calls[0].rc.left, 66);
  calls = ShowKey(c, 0x141);  // only the low byte counts
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].text, "A");
  EXPECT_EQ(ShowKey(c, 'q')[0].text, "q");
  calls = ShowKey(c, 0xB1);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].text, "\x83\x41");  // ア
  EXPECT_EQ(calls[0].face, FACE_JA);
  EXPECT_STREQ(g_szFullKatakana, "\x83\x41");
  calls = ShowKey(c, 0x0D);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].text + calls[1].text, "CR");
  EXPECT_EQ(calls[1].nFontWidth, 8);
  // Keys with a form of their own but no look-alike, and keys without: a blank wide cell.
  const std::vector<int> blanks = {0xDE, 0xDF, ':', '\'', ' ', '+', '-', '*', '/', 0xB0, 0xA7, 0};
  for (int ch : blanks) {
    calls = ShowKey(c, ch);
    ASSERT_EQ(calls.size(), 1u) << ch;
    EXPECT_EQ(calls[0].text, " ") << ch;
    EXPECT_EQ(calls[0].nFontWidth, 12) << ch;
  }
  EXPECT_EQ(ShowKey(c, ',')[0].text, ",");
  EXPECT_EQ(ShowKey(c, '.')[0].text, ".");
  EXPECT_EQ(ShowKey(c, ';')[0].text, ";");
  EXPECT_TRUE(c.Calls("Ellipse").empty());

  // Large keys: 1.8 and 3.0 times the glyph unit.
  calls = ShowKey(c, '5', 1.8);
  EXPECT_EQ(calls[0].nFontHeight, 28);
  EXPECT_EQ(calls[0].nFontWidth, 22);  // 14 * 1.6 = 22.4
  c.fb.Log().clear();
  PrintFullWidthCharLarge(&c.dc, 32, 64, '5');
  EXPECT_EQ(c.Calls("TextOut")[0].nFontHeight, 28);
  calls = ShowKey(c, '5', 3.0);
  EXPECT_EQ(calls[0].nFontHeight, 48);
  EXPECT_EQ(calls[0].rc.left, (int)(65 + 8 - 0.8 * 24));
  EXPECT_EQ(calls[0].rc.top, 33 + 8 - 24);
  c.Png("keys");
}

TEST(FullWidth, KatakanaTableCoversEveryLetterOnce) {
  std::set<std::string> seen;
  for (int ch = 0; ch < 0x100; ++ch) {
    char sz[4] = {'x', 'x', 'x', 'x'};
    HalfToFullKatakana(sz, ch);
    bool bInTable = ch == 0xA6 || (ch >= 0xB1 && ch <= 0xDF);
    if (!bInTable) {
      EXPECT_EQ(std::string(sz, 4), "xxxx") << ch;
      continue;
    }
    EXPECT_EQ(sz[2], '\0');
    EXPECT_EQ(sz[3], 'x');  // three bytes written, no more
    std::string utf8 = Cp932ToUtf8(sz, 2);
    seen.insert(utf8);
    // Full-width katakana U+30A1..U+30FA, or the spacing sound marks U+309B, U+309C.
    ASSERT_EQ(utf8.size(), 3u) << ch;
    unsigned nCode = ((utf8[0] & 0x0F) << 12) | ((utf8[1] & 0x3F) << 6) | (utf8[2] & 0x3F);
    EXPECT_TRUE((nCode >= 0x30A1 && nCode <= 0x30FA) || nCode == 0x309B || nCode == 0x309C)
        << std::hex << ch;
  }
  EXPECT_EQ(seen.size(), 48u);
  char sz[4] = {};
  HalfToFullKatakana(sz, 0xC2);
  EXPECT_EQ(Cp932ToUtf8(sz, 2), "ツ");  // the large letter, never ッ
  HalfToFullKatakana(sz, 0xA6);
  EXPECT_EQ(Cp932ToUtf8(sz, 2), "ヲ");
  HalfToFullKatakana(sz, 0xDD);
  EXPECT_EQ(Cp932ToUtf8(sz, 2), "ン");
  HalfToFullKatakana(sz, 0xDF);
  EXPECT_EQ(Cp932ToUtf8(sz, 2), "゜");
  HalfToFullKatakana(sz, 0x1B1);  // not a byte: nothing
  EXPECT_EQ(Cp932ToUtf8(sz, 2), "゜");
  HalfToFullKatakana(nullptr, 0xB1);
}
