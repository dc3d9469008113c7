// SPDX-License-Identifier: MIT
// Keypad guide: the picture of the numeric keypad with its key marks, and the right hand
// under it whose fingernail marks the finger for the asked-for key. Keeps no drill state.
#include <cstring>

#include "flow/flow.h"
#include "position/position_private.h"

// The guide rows, top to bottom; row 2 is the home row. The two spaces of the last row are
// blank keys that no key maps to; the carriage return is the Enter key.
//
//   +---+---+---+
//   | 7 | 8 | 9 |
//   | 4 | 5 | 6 |
//   | 1 | 2 | 3 |
//   | 0 |   |   | CR
//   +---+---+---+
static const char* const KEYPAD_LAYOUT[4] = {
    "789",
    "456",
    "123",
    "0  \r",
};
static const int KEYPAD_ROWS = 4;
static const int LAYOUT_MAX_KEYS = 13;

static const COLORREF KEY_HOME = RgbToColorref(0xFF00FF);   // magenta
static const COLORREF KEY_OTHER = RgbToColorref(0x7F7F7F);  // grey
static const COLORREF FINGER_COLOUR = RgbToColorref(0xFFBF3F);
static const COLORREF NAIL_COLOUR = RgbToColorref(0xFFFFBF);
static const double LABEL_SCALE = 1.8;

struct Finger {
  int y;  // top of the fingertip's straight part
  int x;  // left edge
  int w;  // width
};

// The right hand under the keypad, by finger index; 1..5 are unused and stay zero.
// Index = the key's guide column + 6 (+ 5 for the key "0", which the thumb takes).
static const Finger FINGER_TABLE[11] = {
    //  y    x    w        index
    {0, 0, 0},       // 0
    {0, 0, 0},       // 1
    {0, 0, 0},       // 2
    {0, 0, 0},       // 3
    {0, 0, 0},       // 4
    {0, 0, 0},       // 5
    {352, 152, 48},  // 6 thumb
    {322, 212, 40},  // 7 index
    {317, 260, 40},  // 8 middle
    {322, 308, 40},  // 9 ring
    {344, 356, 34},  // 10 little
};

// Row and column of every byte value, 0 = none; filled from KEYPAD_LAYOUT.
static unsigned char s_guideRow[256];
static unsigned char s_guideColumn[256];
static bool s_bLookupBuilt = false;

void BuildGuideLookup() {
  memset(s_guideRow, 0, sizeof s_guideRow);
  memset(s_guideColumn, 0, sizeof s_guideColumn);
  for (int r = 0; r < KEYPAD_ROWS; ++r) {
    const char* pszRow = KEYPAD_LAYOUT[r];
    for (int k = 0; k < LAYOUT_MAX_KEYS && pszRow[k] != '\0'; ++k) {
      unsigned char ch = (unsigned char)pszRow[k];
      // The blank keys are only pictures: nothing is typed on them.
      if (ch < '0' || ch > '9') continue;
      s_guideRow[ch] = (unsigned char)(r + 1);
      s_guideColumn[ch] = (unsigned char)(k + 1);
    }
  }
  s_guideRow[(unsigned char)'\r'] = 4;
  s_guideColumn[(unsigned char)'\r'] = 4;
  s_bLookupBuilt = true;
}

bool GuidePosition(int nKey, int* pnRow, int* pnColumn) {
  if (!s_bLookupBuilt) BuildGuideLookup();
  if (nKey <= 0 || nKey > 255 || s_guideRow[nKey] == 0) return false;
  if (pnRow) *pnRow = s_guideRow[nKey];
  if (pnColumn) *pnColumn = s_guideColumn[nKey];
  return true;
}

// Virtual origin of the key at guide row r and column k, and its colour.
static int KeyY(int nRow) { return 64 * nRow; }
static int KeyX(int nColumn) { return 56 * nColumn + 152; }
static COLORREF KeyColour(int nRow) { return nRow == 2 ? KEY_HOME : KEY_OTHER; }

void DrawGuide(CDC* pDC, int nMode) {
  pDC->SetTextColor(CR_BLACK);
  for (int r = 1; r <= KEYPAD_ROWS; ++r) {
    const char* pszRow = KEYPAD_LAYOUT[r - 1];
    for (int k = 1; k <= LAYOUT_MAX_KEYS && pszRow[k - 1] != '\0'; ++k) {
      int y = KeyY(r), x = KeyX(k);
      COLORREF crKey = KeyColour(r);
      pDC->SetBkColor(crKey);
      if (nMode == GUIDE_SHOWN || nMode == GUIDE_HIDDEN)
        FillFramedBox(pDC, y, x - 4, y + 48, x + 36, crKey, CR_BLACK, 1, 1, 1, 1);
      if (nMode == GUIDE_SHOWN || nMode == GUIDE_REVEAL)
        PrintFullWidthChar(pDC, y + 16, x + 8, (unsigned char)pszRow[k - 1], LABEL_SCALE);
      if (nMode == GUIDE_COVER) FillBox(pDC, y + 9, x + 1, y + 39, x + 31, crKey);
    }
  }
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

int MarkGuideKey(CDC* pDC, int nKey, int nStyle) {
  int nRow, nColumn;
  if (nKey == 0 || !GuidePosition(nKey, &nRow, &nColumn)) return 0;
  int y = KeyY(nRow), x = KeyX(nColumn);
  COLORREF crKey = KeyColour(nRow);
  COLORREF crFill, crLabel;
  bool bLabel = true;
  switch (nStyle) {
    case KEY_ANSWER:
      crFill = CR_BLACK;
      crLabel = crKey;
      break;
    case KEY_PLAIN:
      crFill = crKey;
      crLabel = CR_BLACK;
      break;
    case KEY_BLANK:
      crFill = crKey;
      crLabel = CR_BLACK;
      bLabel = false;
      break;
    case KEY_WRONG:
      crFill = CR_RED;
      crLabel = CR_BLACK;
      break;
    default:
      return 0;
  }
  FillBox(pDC, y + 9, x + 1, y + 39, x + 31, crFill);
  SetColors(pDC, crLabel, crFill);
  if (bLabel) PrintFullWidthCharLarge(pDC, y + 16, x + 8, nKey);
  SetColors(pDC, CR_BLACK, CR_WHITE);
  return 1;
}

void RestoreGuideTopRow(CDC* pDC) {
  const char* pszRow = KEYPAD_LAYOUT[0];
  for (int k = 1; k <= LAYOUT_MAX_KEYS && pszRow[k - 1] != '\0'; ++k) {
    int y = KeyY(1), x = KeyX(k);
    int nKey = (unsigned char)pszRow[k - 1];
    COLORREF crKey = KeyColour(1);
    FillFramedBox(pDC, y, x - 4, y + 48, x + 36, crKey, CR_BLACK, 1, 1, 1, 1);
    MarkGuideKey(pDC, nKey, g_bGuideShown == 1 ? KEY_PLAIN : KEY_BLANK);
    if (nKey == (unsigned char)g_chShownKey) MarkGuideKey(pDC, nKey, KEY_ANSWER);
    if (nKey == (unsigned char)g_chLastWrong) MarkGuideKey(pDC, nKey, KEY_WRONG);
  }
}

// The finger that presses a key, or 0 when the key has no place on the guide.
static int FingerForKey(int nKey) {
  int nColumn;
  if (!GuidePosition(nKey, nullptr, &nColumn)) return 0;
  return nColumn + (nKey == '0' ? 5 : 6);
}

static void DrawNail(CDC* pDC, const Finger& f, COLORREF cr) {
  DrawDisc(pDC, f.y - 3, f.x + 4, f.y + 11, f.x + f.w - 4, cr, cr);
  FillBox(pDC, f.y + 4, f.x + 4, f.y + 24, f.x + f.w - 4, cr);
}

void MarkFinger(CDC* pDC, int nKey, int bOn) {
  if (nKey == 0) return;
  int nFinger = FingerForKey(nKey);
  if (nFinger == 0) return;
  DrawNail(pDC, FINGER_TABLE[nFinger], bOn ? CR_BLACK : NAIL_COLOUR);
}

void DrawHand(CDC* pDC, int bOn) {
  COLORREF cr = bOn ? FINGER_COLOUR : CR_WHITE;
  for (const Finger& f : FINGER_TABLE) {
    if (f.y == 0 || f.x == 0) continue;
    // The finger runs off the bottom of the screen; the drawing layer clips it.
    DrawDisc(pDC, f.y - 8, f.x, f.y + 8, f.x + f.w, cr, cr);
    FillBox(pDC, f.y, f.x, 416, f.x + f.w, cr);
    if (bOn) DrawNail(pDC, f, NAIL_COLOUR);
  }
}
