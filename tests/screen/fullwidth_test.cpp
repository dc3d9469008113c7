// SPDX-License-Identifier: MIT
// Full-width display of single keys: which string each key becomes and how it is drawn.
#include <map>

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
  // Every byte that has a full-width form, written out: 0xA6, then 0xB1 to 0xDF in order.
  std::map<int, std::string> expected = {{0xA6, "ヲ"}};
  const char* const FORMS[] = {
      "ア", "イ", "ウ", "エ", "オ", "カ", "キ", "ク", "ケ", "コ", "サ", "シ",
      "ス", "セ", "ソ", "タ", "チ", "ツ", "テ", "ト", "ナ", "ニ", "ヌ", "ネ",
      "ノ", "ハ", "ヒ", "フ", "ヘ", "ホ", "マ", "ミ", "ム", "メ", "モ", "ヤ",
      "ユ", "ヨ", "ラ", "リ", "ル", "レ", "ロ", "ワ", "ン", "゛", "゜"};
  for (int i = 0; i < 47; ++i) expected[0xB1 + i] = FORMS[i];

  std::map<int, std::string> forms;
  for (int ch = 0; ch < 0x100; ++ch) {
    char sz[4] = {'x', 'x', 'x', 'x'};
    HalfToFullKatakana(sz, ch);
    if (std::string(sz, 4) == "xxxx") continue;  // no form: nothing written
    EXPECT_EQ(sz[2], '\0') << ch;
    EXPECT_EQ(sz[3], 'x') << ch;  // three bytes written, no more
    forms[ch] = Cp932ToUtf8(sz, 2);
  }
  EXPECT_EQ(forms, expected);

  char sz[4] = {};
  HalfToFullKatakana(sz, 0xDF);
  HalfToFullKatakana(sz, 0x1B1);  // not a byte: nothing
  EXPECT_EQ(Cp932ToUtf8(sz, 2), "゜");
  HalfToFullKatakana(nullptr, 0xB1);
}
