// SPDX-License-Identifier: MIT
// Key normalisation: turns full-width, hiragana, katakana and kana-lock characters back
// into the plain key on the same key top. Holds the half-received two-byte character;
// draws nothing.
#include "flow/keys.h"

#include <cstring>

#include "screen/screen.h"

// 1 while a lead byte waits for its trail byte.
static int s_bDbcsPending = 0;
// Lead byte, trail byte and a NUL: the two-byte character being received.
static unsigned char s_szDbcs[3] = {0, 0, 0};

// Full-width katakana and their JIS X 0201 narrow forms: 46 plain, 20 voiced and ヴ,
// 5 semi-voiced, 9 small and the long-vowel mark, 82 in all.
//  full-width (CP932)  narrow (CP932)
// Searched in order, first match wins; ends at a null entry.
static const char* const WIDE_TO_NARROW_KANA[][2] = {
    {"\x83\x41", "\xB1"},  // ア ｱ
    {"\x83\x43", "\xB2"},  // イ ｲ
    {"\x83\x45", "\xB3"},  // ウ ｳ
    {"\x83\x47", "\xB4"},  // エ ｴ
    {"\x83\x49", "\xB5"},  // オ ｵ
    {"\x83\x4A", "\xB6"},  // カ ｶ
    {"\x83\x4C", "\xB7"},  // キ ｷ
    {"\x83\x4E", "\xB8"},  // ク ｸ
    {"\x83\x50", "\xB9"},  // ケ ｹ
    {"\x83\x52", "\xBA"},  // コ ｺ
    {"\x83\x54", "\xBB"},  // サ ｻ
    {"\x83\x56", "\xBC"},  // シ ｼ
    {"\x83\x58", "\xBD"},  // ス ｽ
    {"\x83\x5A", "\xBE"},  // セ ｾ
    {"\x83\x5C", "\xBF"},  // ソ ｿ
    {"\x83\x5E", "\xC0"},  // タ ﾀ
    {"\x83\x60", "\xC1"},  // チ ﾁ
    {"\x83\x63", "\xC2"},  // ツ ﾂ
    {"\x83\x65", "\xC3"},  // テ ﾃ
    {"\x83\x67", "\xC4"},  // ト ﾄ
    {"\x83\x69", "\xC5"},  // ナ ﾅ
    {"\x83\x6A", "\xC6"},  // ニ ﾆ
    {"\x83\x6B", "\xC7"},  // ヌ ﾇ
    {"\x83\x6C", "\xC8"},  // ネ ﾈ
    {"\x83\x6D", "\xC9"},  // ノ ﾉ
    {"\x83\x6E", "\xCA"},  // ハ ﾊ
    {"\x83\x71", "\xCB"},  // ヒ ﾋ
    {"\x83\x74", "\xCC"},  // フ ﾌ
    {"\x83\x77", "\xCD"},  // ヘ ﾍ
    {"\x83\x7A", "\xCE"},  // ホ ﾎ
    {"\x83\x7D", "\xCF"},  // マ ﾏ
    {"\x83\x7E", "\xD0"},  // ミ ﾐ
    {"\x83\x80", "\xD1"},  // ム ﾑ
    {"\x83\x81", "\xD2"},  // メ ﾒ
    {"\x83\x82", "\xD3"},  // モ ﾓ
    {"\x83\x84", "\xD4"},  // ヤ ﾔ
    {"\x83\x86", "\xD5"},  // ユ ﾕ
    {"\x83\x88", "\xD6"},  // ヨ ﾖ
    {"\x83\x89", "\xD7"},  // ラ ﾗ
    {"\x83\x8A", "\xD8"},  // リ ﾘ
    {"\x83\x8B", "\xD9"},  // ル ﾙ
    {"\x83\x8C", "\xDA"},  // レ ﾚ
    {"\x83\x8D", "\xDB"},  // ロ ﾛ
    {"\x83\x8F", "\xDC"},  // ワ ﾜ
    {"\x83\x92", "\xA6"},  // ヲ ｦ
    {"\x83\x93", "\xDD"},  // ン ﾝ
    {"\x83\x4B", "\xB6\xDE"},  // ガ ｶﾞ
    {"\x83\x4D", "\xB7\xDE"},  // ギ ｷﾞ
    {"\x83\x4F", "\xB8\xDE"},  // グ ｸﾞ
    {"\x83\x51", "\xB9\xDE"},  // ゲ ｹﾞ
    {"\x83\x53", "\xBA\xDE"},  // ゴ ｺﾞ
    {"\x83\x55", "\xBB\xDE"},  // ザ ｻﾞ
    {"\x83\x57", "\xBC\xDE"},  // ジ ｼﾞ
    {"\x83\x59", "\xBD\xDE"},  // ズ ｽﾞ
    {"\x83\x5B", "\xBE\xDE"},  // ゼ ｾﾞ
    {"\x83\x5D", "\xBF\xDE"},  // ゾ ｿﾞ
    {"\x83\x5F", "\xC0\xDE"},  // ダ ﾀﾞ
    {"\x83\x61", "\xC1\xDE"},  // ヂ ﾁﾞ
    {"\x83\x64", "\xC2\xDE"},  // ヅ ﾂﾞ
    {"\x83\x66", "\xC3\xDE"},  // デ ﾃﾞ
    {"\x83\x68", "\xC4\xDE"},  // ド ﾄﾞ
    {"\x83\x6F", "\xCA\xDE"},  // バ ﾊﾞ
    {"\x83\x72", "\xCB\xDE"},  // ビ ﾋﾞ
    {"\x83\x75", "\xCC\xDE"},  // ブ ﾌﾞ
    {"\x83\x78", "\xCD\xDE"},  // ベ ﾍﾞ
    {"\x83\x7B", "\xCE\xDE"},  // ボ ﾎﾞ
    {"\x83\x94", "\xB3\xDE"},  // ヴ ｳﾞ
    {"\x83\x70", "\xCA\xDF"},  // パ ﾊﾟ
    {"\x83\x73", "\xCB\xDF"},  // ピ ﾋﾟ
    {"\x83\x76", "\xCC\xDF"},  // プ ﾌﾟ
    {"\x83\x79", "\xCD\xDF"},  // ペ ﾍﾟ
    {"\x83\x7C", "\xCE\xDF"},  // ポ ﾎﾟ
    {"\x83\x40", "\xA7"},  // ァ ｧ
    {"\x83\x42", "\xA8"},  // ィ ｨ
    {"\x83\x44", "\xA9"},  // ゥ ｩ
    {"\x83\x46", "\xAA"},  // ェ ｪ
    {"\x83\x48", "\xAB"},  // ォ ｫ
    {"\x83\x83", "\xAC"},  // ャ ｬ
    {"\x83\x85", "\xAD"},  // ュ ｭ
    {"\x83\x87", "\xAE"},  // ョ ｮ
    {"\x83\x62", "\xAF"},  // ッ ｯ
    {"\x81\x5B", "\xB0"},  // ー ｰ
    {nullptr, nullptr},
};
static const int MAX_KANA_ENTRIES = 100;

// Kana lock: the plain key of a Japanese keyboard on which each narrow katakana lies,
// indexed by byte - 0xA0. Bytes 0x80..0x9F and 0xE0..0xFF give no key.
//   +0    +1    +2    +3    +4    +5    +6    +7
static const int32_t KANA_MODE_KEYS[0x40] = {
    ' ',  '[',  '[',  ']',  ',',  '/',  '0',  '3',   // 0xA0 (0xA0) ｡ ｢ ｣ ､ ･ ｦ ｧ
    'E',  '4',  '5',  '6',  '7',  '8',  '9',  'Z',   // 0xA8 ｨ ｩ ｪ ｫ ｬ ｭ ｮ ｯ
    '\\', '3',  'E',  '4',  '5',  '6',  'T',  'G',   // 0xB0 ｰ ｱ ｲ ｳ ｴ ｵ ｶ ｷ
    'H',  ':',  'B',  'X',  'D',  'R',  'P',  'C',   // 0xB8 ｸ ｹ ｺ ｻ ｼ ｽ ｾ ｿ
    'Q',  'A',  'Z',  'W',  'S',  'U',  'I',  '1',   // 0xC0 ﾀ ﾁ ﾂ ﾃ ﾄ ﾅ ﾆ ﾇ
    ',',  'K',  'F',  'V',  '2',  '^',  '-',  'J',   // 0xC8 ﾈ ﾉ ﾊ ﾋ ﾌ ﾍ ﾎ ﾏ
    'N',  ']',  '/',  'M',  '7',  '8',  '9',  'O',   // 0xD0 ﾐ ﾑ ﾒ ﾓ ﾔ ﾕ ﾖ ﾗ
    'L',  '.',  ';',  ' ',  '0',  'Y',  '@',  '[',   // 0xD8 ﾘ ﾙ ﾚ ﾛ ﾜ ﾝ ﾞ ﾟ
};

int32_t NormalizeDbcsKey(int32_t nKey) {
  if (!s_bDbcsPending) {
    if (IsLeadByte(nKey)) {
      s_szDbcs[0] = (unsigned char)(nKey & 0xFF);
      s_bDbcsPending = 1;
      return 0;
    }
    return nKey;
  }
  // The byte after a lead byte is its trail, whatever its value: a trail in a lead-byte
  // range must not start a new character.
  s_szDbcs[1] = (unsigned char)(nKey & 0xFF);
  s_szDbcs[2] = 0;
  s_bDbcsPending = 0;
  const int nLead = s_szDbcs[0];
  const int nTrail = s_szDbcs[1];
  if (nLead == 0x81 && nTrail == 0x40) return 0x20;  // full-width space
  if (nLead == 0x82 && nTrail >= 0x4F && nTrail <= 0x58) return nTrail - 0x1F;  // ０..９
  if (nLead == 0x82 && nTrail >= 0x60 && nTrail <= 0x79) return nTrail - 0x1F;  // Ａ..Ｚ
  if (nLead == 0x82 && nTrail >= 0x81 && nTrail <= 0x9A) return nTrail - 0x40;  // ａ..ｚ
  return WideToNarrowKana(s_szDbcs);
}

int32_t WideToNarrowKana(unsigned char* pBuffer) {
  // Hiragana become the katakana of the same sound; the katakana codes skip 0x837F.
  if (pBuffer[0] == 0x82 && pBuffer[1] >= 0x9F && pBuffer[1] <= 0xF1) {
    pBuffer[0] = 0x83;
    pBuffer[1] = (unsigned char)(pBuffer[1] < 0xDE ? pBuffer[1] - 0x5F : pBuffer[1] - 0x5E);
  }
  for (int i = 0; i < MAX_KANA_ENTRIES && WIDE_TO_NARROW_KANA[i][0]; ++i) {
    if (strcmp((const char*)pBuffer, WIDE_TO_NARROW_KANA[i][0]) != 0) continue;
    const unsigned char* pNarrow = (const unsigned char*)WIDE_TO_NARROW_KANA[i][1];
    int32_t nValue = pNarrow[0];
    if (pNarrow[0] && pNarrow[1]) nValue |= (int32_t)pNarrow[1] << 8;
    return nValue;
  }
  return 0x7C;  // any other two-byte character: the vertical bar
}

int32_t MapKanaKey(int32_t nKey) {
  // Voiced and semi-voiced kana arrive as two narrow bytes in one value: no key.
  if (nKey > 0xFF) return 0;
  if (nKey >= 0x80) return (nKey >= 0xA0 && nKey <= 0xDF) ? KANA_MODE_KEYS[nKey - 0xA0] : 0;
  return nKey;
}

void ResetKeyState() {
  s_bDbcsPending = 0;
  memset(s_szDbcs, 0, sizeof s_szDbcs);
}
