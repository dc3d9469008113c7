// SPDX-License-Identifier: MIT
// Tests of key normalisation: two-byte characters joined and mapped to the plain key,
// kana-lock bytes mapped to their key top, and the dropped cases.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "flow/keys.h"
#include "platform/platform.h"

namespace {

// Runs typed bytes through both steps as the dispatcher does; returns what survives.
std::vector<int> Normalise(const std::string& bytes) {
  std::vector<int> out;
  for (unsigned char c : bytes) {
    int k = NormalizeDbcsKey(c);
    if (k) k = MapKanaKey(k);
    if (k) out.push_back(k);
  }
  return out;
}

std::vector<int> NormaliseUtf8(const char* utf8) { return Normalise(Utf8ToCp932(utf8)); }

int32_t WideToNarrowUtf8(const char* utf8) {
  std::string s = Utf8ToCp932(utf8);
  unsigned char buf[3] = {(unsigned char)s[0], (unsigned char)s[1], 0};
  return WideToNarrowKana(buf);
}

int32_t NarrowValue(const char* utf8) {
  std::string s = Utf8ToCp932(utf8);
  return (int32_t)(unsigned char)s[0] | (s.size() > 1 ? (unsigned char)s[1] << 8 : 0);
}

using Keys = std::vector<int>;

}  // namespace

TEST(KeyNormalisation, TypicalInputsGiveThePlainKey) {
  ResetKeyState();
  EXPECT_EQ(Normalise("1"), Keys{'1'});
  EXPECT_EQ(NormaliseUtf8("１"), Keys{'1'});
  EXPECT_EQ(NormaliseUtf8("ぬ"), Keys{'1'});
  EXPECT_EQ(NormaliseUtf8("ヌ"), Keys{'1'});
  EXPECT_EQ(Normalise("\xC7"), Keys{'1'});  // ﾇ with kana lock
  EXPECT_EQ(NormaliseUtf8("　"), Keys{' '});
  EXPECT_EQ(NormaliseUtf8("ａ"), Keys{'A'});
  EXPECT_EQ(NormaliseUtf8("Ａ"), Keys{'A'});
  EXPECT_EQ(NormaliseUtf8("ｚＺ"), (Keys{'Z', 'Z'}));
  EXPECT_EQ(NormaliseUtf8("ー"), Keys{'\\'});
  EXPECT_EQ(NormaliseUtf8("ガ"), Keys{});  // two narrow bytes: no key
  EXPECT_EQ(NormaliseUtf8("パ"), Keys{});
  EXPECT_EQ(NormaliseUtf8("漢"), Keys{'|'});
  EXPECT_EQ(NormaliseUtf8("※"), Keys{'|'});
  // The digits of the main keyboard with the input method on, as hiragana.
  EXPECT_EQ(NormaliseUtf8("ぬふあうえおやゆよわ"),
            (Keys{'1', '2', '3', '4', '5', '6', '7', '8', '9', '0'}));
  EXPECT_EQ(NormaliseUtf8("０１２３４５６７８９"),
            (Keys{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}));
  // Plain keys of every kind pass unchanged.
  EXPECT_EQ(Normalise("\r\t\x1B A~"), (Keys{13, 9, 27, ' ', 'A', '~'}));
}

TEST(KeyNormalisation, LeadByteHoldsTheNextByteWhateverItIs) {
  ResetKeyState();
  EXPECT_EQ(NormalizeDbcsKey(0x82), 0);  // held back
  // A trail in a lead-byte range is still a trail: ぁ 0x82 0x9F, the small a.
  EXPECT_EQ(NormalizeDbcsKey(0x9F), 0xA7);
  EXPECT_EQ(MapKanaKey(0xA7), '3');
  // Nothing is left pending afterwards.
  EXPECT_EQ(NormalizeDbcsKey('5'), '5');
  // A lone lead byte swallows the next character, even an Escape.
  EXPECT_EQ(Normalise("\x82\x1B"), Keys{'|'});
  EXPECT_EQ(Normalise("7"), Keys{'7'});
  // Only the low byte of a large value is kept as a trail.
  EXPECT_EQ(NormalizeDbcsKey(0x82), 0);
  EXPECT_EQ(NormalizeDbcsKey(0x150), '1');  // 0x82 0x50 is １
  // The reset forgets a held lead byte.
  EXPECT_EQ(NormalizeDbcsKey(0xE0), 0);
  ResetKeyState();
  EXPECT_EQ(NormalizeDbcsKey('8'), '8');
}

TEST(KeyNormalisation, OddValuesAreDroppedOrMappedSafely) {
  ResetKeyState();
  EXPECT_EQ(Normalise("\xA0"), Keys{' '});  // unassigned byte, a blank on the key map
  EXPECT_EQ(Normalise(std::string(1, '\0')), Keys{});
  // Above 255 with nothing pending: passes the first step, dropped by the second.
  EXPECT_EQ(NormalizeDbcsKey(0x131), 0x131);
  EXPECT_EQ(MapKanaKey(0x131), 0);
  EXPECT_EQ(MapKanaKey(-1), -1);
  // Bytes that are neither lead bytes nor narrow kana give no key.
  EXPECT_EQ(MapKanaKey(0x80), 0);
  EXPECT_EQ(MapKanaKey(0xFF), 0);
  // Kana not in the narrow set come out as the vertical bar.
  for (const char* kana : {"ゐ", "ゑ", "ゎ", "ヵ", "ヶ", "ヰ", "ヱ", "ヮ"})
    EXPECT_EQ(NormaliseUtf8(kana), Keys{'|'}) << kana;
}

TEST(KeyNormalisation, EveryFullWidthKatakanaHasItsNarrowForm) {
  // Written as text here and converted by the platform, so a wrong byte in the table shows.
  static const char* const PAIRS[][2] = {
      {"ア", "ｱ"}, {"イ", "ｲ"}, {"ウ", "ｳ"}, {"エ", "ｴ"}, {"オ", "ｵ"}, {"カ", "ｶ"},
      {"キ", "ｷ"}, {"ク", "ｸ"}, {"ケ", "ｹ"}, {"コ", "ｺ"}, {"サ", "ｻ"}, {"シ", "ｼ"},
      {"ス", "ｽ"}, {"セ", "ｾ"}, {"ソ", "ｿ"}, {"タ", "ﾀ"}, {"チ", "ﾁ"}, {"ツ", "ﾂ"},
      {"テ", "ﾃ"}, {"ト", "ﾄ"}, {"ナ", "ﾅ"}, {"ニ", "ﾆ"}, {"ヌ", "ﾇ"}, {"ネ", "ﾈ"},
      {"ノ", "ﾉ"}, {"ハ", "ﾊ"}, {"ヒ", "ﾋ"}, {"フ", "ﾌ"}, {"ヘ", "ﾍ"}, {"ホ", "ﾎ"},
      {"マ", "ﾏ"}, {"ミ", "ﾐ"}, {"ム", "ﾑ"}, {"メ", "ﾒ"}, {"モ", "ﾓ"}, {"ヤ", "ﾔ"},
      {"ユ", "ﾕ"}, {"ヨ", "ﾖ"}, {"ラ", "ﾗ"}, {"リ", "ﾘ"}, {"ル", "ﾙ"}, {"レ", "ﾚ"},
      {"ロ", "ﾛ"}, {"ワ", "ﾜ"}, {"ヲ", "ｦ"}, {"ン", "ﾝ"},
      {"ガ", "ｶﾞ"}, {"ギ", "ｷﾞ"}, {"グ", "ｸﾞ"}, {"ゲ", "ｹﾞ"}, {"ゴ", "ｺﾞ"},
      {"ザ", "ｻﾞ"}, {"ジ", "ｼﾞ"}, {"ズ", "ｽﾞ"}, {"ゼ", "ｾﾞ"}, {"ゾ", "ｿﾞ"},
      {"ダ", "ﾀﾞ"}, {"ヂ", "ﾁﾞ"}, {"ヅ", "ﾂﾞ"}, {"デ", "ﾃﾞ"}, {"ド", "ﾄﾞ"},
      {"バ", "ﾊﾞ"}, {"ビ", "ﾋﾞ"}, {"ブ", "ﾌﾞ"}, {"ベ", "ﾍﾞ"}, {"ボ", "ﾎﾞ"}, {"ヴ", "ｳﾞ"},
      {"パ", "ﾊﾟ"}, {"ピ", "ﾋﾟ"}, {"プ", "ﾌﾟ"}, {"ペ", "ﾍﾟ"}, {"ポ", "ﾎﾟ"},
      {"ァ", "ｧ"}, {"ィ", "ｨ"}, {"ゥ", "ｩ"}, {"ェ", "ｪ"}, {"ォ", "ｫ"},
      {"ャ", "ｬ"}, {"ュ", "ｭ"}, {"ョ", "ｮ"}, {"ッ", "ｯ"}, {"ー", "ｰ"},
  };
  ASSERT_EQ(sizeof PAIRS / sizeof PAIRS[0], 82u);
  for (const auto& pair : PAIRS)
    EXPECT_EQ(WideToNarrowUtf8(pair[0]), NarrowValue(pair[1])) << pair[0];
  EXPECT_EQ(WideToNarrowUtf8("ガ"), 0xDEB6);
  EXPECT_EQ(WideToNarrowUtf8("ヌ"), 0xC7);

  // Every hiragana gives what its katakana gives, across the skipped code 0x837F.
  const std::string hira = Utf8ToCp932(
      "ぁあぃいぅうぇえぉおかがきぎくぐけげこごさざしじすずせぜそぞただちぢっつづてでとど"
      "なにぬねのはばぱひびぴふぶぷへべぺほぼぽまみむめもゃやゅゆょよらりるれろゎわゐゑをん");
  const std::string kata = Utf8ToCp932(
      "ァアィイゥウェエォオカガキギクグケゲコゴサザシジスズセゼソゾタダチヂッツヅテデトド"
      "ナニヌネノハバパヒビピフブプヘベペホボポマミムメモャヤュユョヨラリルレロヮワヰヱヲン");
  ASSERT_EQ(hira.size(), kata.size());
  for (size_t i = 0; i + 1 < hira.size(); i += 2) {
    unsigned char h[3] = {(unsigned char)hira[i], (unsigned char)hira[i + 1], 0};
    unsigned char k[3] = {(unsigned char)kata[i], (unsigned char)kata[i + 1], 0};
    const int32_t nFromHira = WideToNarrowKana(h);
    EXPECT_EQ(h[0], k[0]);
    EXPECT_EQ(h[1], k[1]) << "hiragana " << i / 2;
    EXPECT_EQ(nFromHira, WideToNarrowKana(k)) << "hiragana " << i / 2;
  }
}

TEST(KeyNormalisation, KanaLockMapsTheKeyTops) {
  // The digit row of a Japanese keyboard under kana lock: ﾇ ﾌ ｱ ｳ ｴ ｵ ﾔ ﾕ ﾖ ﾜ.
  EXPECT_EQ(Normalise("\xC7\xCC\xB1\xB3\xB4\xB5\xD4\xD5\xD6\xDC"),
            (Keys{'1', '2', '3', '4', '5', '6', '7', '8', '9', '0'}));
  EXPECT_EQ(Normalise("\xB0\xDB\xDE\xDF\xA1\xA6"), (Keys{'\\', ' ', '@', '[', '[', '0'}));
  for (int b = 0xA0; b <= 0xDF; ++b) EXPECT_NE(MapKanaKey(b), 0) << b;
  for (int b = 0x80; b < 0xA0; ++b) EXPECT_EQ(MapKanaKey(b), 0) << b;
  for (int b = 0xE0; b <= 0xFF; ++b) EXPECT_EQ(MapKanaKey(b), 0) << b;
}
