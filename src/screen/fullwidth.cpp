// SPDX-License-Identifier: MIT
// Full-width display of single keys: a typed byte (ASCII or half-width katakana) becomes
// the square, double-byte form of the same key top and goes to the text renderer.
#include <cstring>

#include "screen/screen_private.h"

char g_szFullKatakana[4] = {0, 0, 0, 0};

// Half-width katakana (JIS X 0201) to full-width (JIS X 0208), one entry per byte: the
// two-byte code and two zero bytes. Entry 0 is 0xA6; entry k >= 1 is byte 0xB0 + k.
// Sound marks stay separate spacing marks; small letters, 0xB0 and 0xA1..0xA5 are absent.
//    full-width code     half-width byte and letter
static const char KATAKANA_TABLE[48][4] = {
    {"\x83\x92\x00"},  // 0xA6 ｦ -> ヲ
    {"\x83\x41\x00"},  // 0xB1 ｱ -> ア
    {"\x83\x43\x00"},  // 0xB2 ｲ -> イ
    {"\x83\x45\x00"},  // 0xB3 ｳ -> ウ
    {"\x83\x47\x00"},  // 0xB4 ｴ -> エ
    {"\x83\x49\x00"},  // 0xB5 ｵ -> オ
    {"\x83\x4A\x00"},  // 0xB6 ｶ -> カ
    {"\x83\x4C\x00"},  // 0xB7 ｷ -> キ
    {"\x83\x4E\x00"},  // 0xB8 ｸ -> ク
    {"\x83\x50\x00"},  // 0xB9 ｹ -> ケ
    {"\x83\x52\x00"},  // 0xBA ｺ -> コ
    {"\x83\x54\x00"},  // 0xBB ｻ -> サ
    {"\x83\x56\x00"},  // 0xBC ｼ -> シ
    {"\x83\x58\x00"},  // 0xBD ｽ -> ス
    {"\x83\x5A\x00"},  // 0xBE ｾ -> セ
    {"\x83\x5C\x00"},  // 0xBF ｿ -> ソ
    {"\x83\x5E\x00"},  // 0xC0 ﾀ -> タ
    {"\x83\x60\x00"},  // 0xC1 ﾁ -> チ
    {"\x83\x63\x00"},  // 0xC2 ﾂ -> ツ
    {"\x83\x65\x00"},  // 0xC3 ﾃ -> テ
    {"\x83\x67\x00"},  // 0xC4 ﾄ -> ト
    {"\x83\x69\x00"},  // 0xC5 ﾅ -> ナ
    {"\x83\x6A\x00"},  // 0xC6 ﾆ -> ニ
    {"\x83\x6B\x00"},  // 0xC7 ﾇ -> ヌ
    {"\x83\x6C\x00"},  // 0xC8 ﾈ -> ネ
    {"\x83\x6D\x00"},  // 0xC9 ﾉ -> ノ
    {"\x83\x6E\x00"},  // 0xCA ﾊ -> ハ
    {"\x83\x71\x00"},  // 0xCB ﾋ -> ヒ
    {"\x83\x74\x00"},  // 0xCC ﾌ -> フ
    {"\x83\x77\x00"},  // 0xCD ﾍ -> ヘ
    {"\x83\x7A\x00"},  // 0xCE ﾎ -> ホ
    {"\x83\x7D\x00"},  // 0xCF ﾏ -> マ
    {"\x83\x7E\x00"},  // 0xD0 ﾐ -> ミ
    {"\x83\x80\x00"},  // 0xD1 ﾑ -> ム
    {"\x83\x81\x00"},  // 0xD2 ﾒ -> メ
    {"\x83\x82\x00"},  // 0xD3 ﾓ -> モ
    {"\x83\x84\x00"},  // 0xD4 ﾔ -> ヤ
    {"\x83\x86\x00"},  // 0xD5 ﾕ -> ユ
    {"\x83\x88\x00"},  // 0xD6 ﾖ -> ヨ
    {"\x83\x89\x00"},  // 0xD7 ﾗ -> ラ
    {"\x83\x8A\x00"},  // 0xD8 ﾘ -> リ
    {"\x83\x8B\x00"},  // 0xD9 ﾙ -> ル
    {"\x83\x8C\x00"},  // 0xDA ﾚ -> レ
    {"\x83\x8D\x00"},  // 0xDB ﾛ -> ロ
    {"\x83\x8F\x00"},  // 0xDC ﾜ -> ワ
    {"\x83\x93\x00"},  // 0xDD ﾝ -> ン
    {"\x81\x4A\x00"},  // 0xDE ﾞ -> ゛
    {"\x81\x4B\x00"},  // 0xDF ﾟ -> ゜
};

// Index into KATAKANA_TABLE, or -1 when the byte has no entry.
static int KatakanaIndex(int ch) {
  if (ch == 0xA6) return 0;
  if (ch >= 0xB1 && ch <= 0xDF) return ch - 0xB0;
  return -1;
}

void HalfToFullKatakana(char* pszOut, int ch) {
  if (pszOut == nullptr) return;
  int nIndex = KatakanaIndex(ch);
  if (nIndex < 0) return;
  memcpy(pszOut, KATAKANA_TABLE[nIndex], 3);
}

void PrintFullWidthChar(CDC* pDC, int y, int x, int ch, double dScale) {
  int nByte = ch & 0xFF;
  char szLocal[3] = {0, 0, 0};
  const char* pszPrint = "\x81\x40";  // 　 for every byte without a form of its own

  if (nByte >= 'A' && nByte <= 'Z') {
    szLocal[0] = '\x82';
    szLocal[1] = (char)(nByte + 0x1F);  // Ａ..Ｚ
    pszPrint = szLocal;
  } else if (nByte >= 'a' && nByte <= 'z') {
    szLocal[0] = '\x82';
    szLocal[1] = (char)(nByte + 0x20);  // ａ..ｚ
    pszPrint = szLocal;
  } else if (nByte >= '0' && nByte <= '9') {
    szLocal[0] = '\x82';
    szLocal[1] = (char)(nByte + 0x1F);  // ０..９
    pszPrint = szLocal;
  } else if ((nByte >= 0xB1 && nByte <= 0xDF) || nByte == 0xA6) {
    HalfToFullKatakana(g_szFullKatakana, nByte);
    pszPrint = g_szFullKatakana;
  } else if (nByte == ' ') {
    pszPrint = "\x81\x40";  // 　
  } else if (nByte == ',') {
    pszPrint = "\x81\x43";  // ，
  } else if (nByte == '.') {
    pszPrint = "\x81\x44";  // ．
  } else if (nByte == ';') {
    pszPrint = "\x81\x47";  // ；
  } else if (nByte == 0x0D) {
    pszPrint = "CR";  // two half-width letters fill the one full-width cell
  } else if (nByte == '\'') {
    pszPrint = "\x81\x66";  // ’
  } else if (nByte == ':') {
    pszPrint = "\x81\x46";  // ：
  }
  PrintScaledAt(pDC, y, x, pszPrint, dScale);
}

void PrintFullWidthCharLarge(CDC* pDC, int y, int x, int ch) {
  PrintFullWidthChar(pDC, y, x, ch, 1.8);
}

void ResetScreenState() {
  g_rcClient = RECT{0, 0, 0, 0};
  g_bEnlargeY = 0;
  g_bEnlargeX = 0;
  g_lfNarrow = LOGFONT{};
  g_lfWide = LOGFONT{};
  g_bBoldText = 0;
  memset(g_szFullKatakana, 0, sizeof(g_szFullKatakana));
}
