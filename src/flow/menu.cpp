// SPDX-License-Identifier: MIT
// The title screen, the menu screen and its key selection, and what both drill screens
// share: the one-line header and the prompts under a result. Draws through the text
// screen; decides nothing about modes.
#include "flow/menu.h"

#include <cstdio>
#include <cstring>

#include "flow/flow.h"

//  y    x    text                 value  bSelected   (enlarged 512 x 320 grid)
// Item n is chosen with the digit n; the order matters.
MenuItem MAIN_MENU[5] = {
    {48, 160, "Position Practice", MODE_POSITION, 0},
    {80, 160, "Random Practice", MODE_RANDOM, 0},
    {112, 160, "Practice Record", MODE_RECORD, 0},
    {144, 160, "Exit", MODE_EXIT, 0},
    {0, 0, nullptr, 0, 0},
};

// Printed centred on x 320 of the normal grid; the x is not read.
const SCREENITEM MENU_HEADER[2] = {
    // ●●●  Pell's Ten Key Trainer  ●●●
    {1, 104, "\x81\x9C\x81\x9C\x81\x9C  Pell's Ten Key Trainer  \x81\x9C\x81\x9C\x81\x9C", 0},
    {0, 0, nullptr, 0},
};

static const SCREENITEM MENU_FOOTER[2] = {
    {288, 232, "Press Number key to select Menu", 0},
    {0, 0, nullptr, 0},
};

static const SCREENITEM TITLE_NAME[2] = {
    // Ｐｅｌｌ'ｓ Ｔｅｎ Ｋｅｙ Ｔｒａｉｎｅｒ
    {88, 96,
     "\x82\x6F\x82\x85\x82\x8C\x82\x8C'\x82\x93 \x82\x73\x82\x85\x82\x8E \x82\x6A\x82\x85"
     "\x82\x99 \x82\x73\x82\x92\x82\x81\x82\x89\x82\x8E\x82\x85\x82\x92",
     0},
    {0, 0, nullptr, 0},
};

// ●, and the 25 of them that make the top and bottom of the title frame.
static const char FRAME_DISC[] = "\x81\x9C";
static const char FRAME_ROW[] =
    "\x81\x9C\x81\x9C\x81\x9C\x81\x9C\x81\x9C\x81\x9C\x81\x9C\x81\x9C\x81\x9C\x81\x9C"
    "\x81\x9C\x81\x9C\x81\x9C\x81\x9C\x81\x9C\x81\x9C\x81\x9C\x81\x9C\x81\x9C\x81\x9C"
    "\x81\x9C\x81\x9C\x81\x9C\x81\x9C\x81\x9C";
// ＮＵＭＤＲＩＬ Ｖer２.０３
static const char TITLE_VERSION[] =
    "\x82\x6D\x82\x74\x82\x6C\x82\x63\x82\x71\x82\x68\x82\x6B \x82\x75"
    "er\x82\x51.\x82\x4F\x82\x52";
// ＜＜ Ten Key Practice ＞＞
static const char TITLE_SUBTITLE[] = "\x81\x83\x81\x83 Ten Key Practice \x81\x84\x81\x84";
static const char TITLE_AUTHOR[] = "Keypad drills for fast, sure hands";
static const char TITLE_PROMPT[] = "Hit Any Key to Show Menu";
static const int TITLE_PROMPT_Y = 272;
static const int TITLE_PROMPT_X = 304;

// The two lines under a drill's result, the same in both drills and both languages.
//   y    x    text
static const SCREENITEM DRILL_END_PROMPTS[3] = {
    {352, 192, "Press TAB key to try again", 0},
    {368, 192, "Press ESC key to go back to Menu", 0},
    {0, 0, nullptr, 0},
};

// Only nine items can be named by a digit; a tenth is drawn but never chosen.
static const int MAX_SELECTABLE_ITEMS = 9;
static const int MAX_DRAWN_ITEMS = 10;

// The formatted drill header. A title too long for it is cut, never written past the end.
static const size_t HEADER_BUFFER_SIZE = 136;
static char s_szHeader[HEADER_BUFFER_SIZE];
static const SCREENITEM DRILL_HEADER = {1, 96, s_szHeader, 0};

static bool IsEscapeTarget(int nValue) { return nValue > 9000 && nValue < 9999; }

int SelectMenuItem(MenuItem* pMenu, int nKey) {
  if (!pMenu) return 0;
  if (nKey == KEY_ESCAPE) {
    for (int i = 0; i < MAX_SELECTABLE_ITEMS && pMenu[i].text; ++i)
      if (IsEscapeTarget(pMenu[i].value)) return pMenu[i].value;
    return 0;
  }
  if (nKey < '0' || nKey > '9') return 0;
  const int n = nKey - '1';  // "0" names no item
  MenuItem* pOld = nullptr;
  MenuItem* pNew = nullptr;
  for (int i = 0; i < MAX_SELECTABLE_ITEMS && pMenu[i].text; ++i) {
    if (pMenu[i].bSelected == 1) pOld = &pMenu[i];
    if (i == n) pNew = &pMenu[i];
  }
  if (!pNew) return 0;
  // The exit item and Escape targets leave the mark on the drill chosen last.
  if (pNew->value > 0 && pNew->value < 9000) {
    if (pOld) pOld->bSelected = 0;
    pNew->bSelected = 1;
  }
  return pNew->value;
}

void DrawMenu(CDC* pDC, MenuItem* pMenu, const SCREENITEM* pHeader) {
  g_bEnlargeY = 0;
  g_bEnlargeX = 0;
  ClearScreen(pDC);
  SetColors(pDC, CR_PURPLE, CR_WHITE);
  if (pHeader) PrintItemsCentered(pDC, pHeader);

  g_bEnlargeY = 1;
  g_bEnlargeX = 1;
  SetColors(pDC, CR_TEAL, CR_WHITE);
  PrintItems(pDC, MENU_FOOTER);
  for (int i = 0; pMenu && i < MAX_DRAWN_ITEMS && pMenu[i].text; ++i) {
    const MenuItem& item = pMenu[i];
    const bool bSelected = item.bSelected == 1;
    const COLORREF crItem = bSelected ? CR_GREEN : CR_NAVY;
    SetColors(pDC, crItem, CR_WHITE);
    const SCREENITEM label = {item.y, item.x, item.text, 0};
    PrintItem(pDC, &label);
    if (bSelected) UnderlineText(pDC, item.y, item.x, item.text, 0, CR_GREEN);
    // The item's number, full-width, four half-width cells left of the label.
    if (i < MAX_SELECTABLE_ITEMS) PrintFullWidthChar(pDC, item.y, item.x - 32, '1' + i, 1.0);
  }
  g_pCurMenu = pMenu;
  g_bEnlargeY = 0;
  g_bEnlargeX = 0;
}

void DrawTitleScreen(CDC* pDC) {
  // The title keeps the enlarged grid after drawing; the menu puts the normal one back.
  g_bEnlargeY = 1;
  g_bEnlargeX = 1;
  ClearScreen(pDC);
  SetColors(pDC, CR_PURPLE, CR_WHITE);
  PrintAt(pDC, 48, 56, FRAME_ROW);
  for (int i = 3; i <= 14; ++i) {
    const int y = 16 * i;
    SetColors(pDC, CR_PURPLE, CR_WHITE);
    PrintAt(pDC, y, 56, FRAME_DISC);
    SetColors(pDC, CR_BROWN, CR_WHITE);
    if (i == 7) {
      SetColors(pDC, CR_NAVY, CR_WHITE);
      PrintItems(pDC, TITLE_NAME);
      SetColors(pDC, CR_TEAL, CR_WHITE);
      g_bBoldText = 1;
      PrintAt(pDC, y + 8, 152, TITLE_VERSION);
      g_bBoldText = 0;
    }
    if (i == 9) PrintAt(pDC, y + 6, 152, TITLE_SUBTITLE);
    if (i == 14) {
      SetColors(pDC, CR_TEAL, CR_WHITE);
      PrintAt(pDC, y - 8, 128, TITLE_AUTHOR);
    }
    SetColors(pDC, CR_PURPLE, CR_WHITE);
    PrintAt(pDC, y, 440, FRAME_DISC);
  }
  PrintAt(pDC, 240, 56, FRAME_ROW);
  SetColors(pDC, CR_TEAL, CR_WHITE);
  PrintAt(pDC, TITLE_PROMPT_Y, TITLE_PROMPT_X, TITLE_PROMPT);
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

// The rectangle of a text of the enlarged grid, where the title and the menu items live.
static void EnlargedTextRect(int y, int x, const char* pszText, RECT* pRect) {
  const int bOldY = g_bEnlargeY, bOldX = g_bEnlargeX;
  g_bEnlargeY = 1;
  g_bEnlargeX = 1;
  TextCellsRect(y, x, (int)strlen(pszText), 1.0, pRect);
  g_bEnlargeY = bOldY;
  g_bEnlargeX = bOldX;
}

void MenuPromptRect(RECT* pRect) {
  EnlargedTextRect(MENU_FOOTER[0].y, MENU_FOOTER[0].x, MENU_FOOTER[0].text, pRect);
}

void TitlePromptRect(RECT* pRect) {
  EnlargedTextRect(TITLE_PROMPT_Y, TITLE_PROMPT_X, TITLE_PROMPT, pRect);
}

// Drops a lead byte left alone at the end of a cut text, so no half character is drawn.
static void TrimBrokenDoubleByte(char* pszText) {
  size_t i = 0;
  while (pszText[i]) {
    if (IsLeadByte((unsigned char)pszText[i])) {
      if (!pszText[i + 1]) {
        pszText[i] = '\0';
        return;
      }
      i += 2;
    } else {
      ++i;
    }
  }
}

const char* FormatScreenHeader(const char* pszFormat, const char* pszTitle) {
  const int nLength = snprintf(s_szHeader, sizeof s_szHeader, pszFormat ? pszFormat : "%s",
                               pszTitle ? pszTitle : "");
  if (nLength < 0) s_szHeader[0] = '\0';
  if (nLength >= (int)sizeof s_szHeader) TrimBrokenDoubleByte(s_szHeader);
  return s_szHeader;
}

void DrawScreenHeader(CDC* pDC, const char* pszFormat, const char* pszTitle) {
  SetColors(pDC, CR_PURPLE, CR_WHITE);
  FormatScreenHeader(pszFormat, pszTitle);
  PrintItemCentered(pDC, &DRILL_HEADER);
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void PrintDrillEndPrompts(CDC* pDC) {
  SetColors(pDC, CR_TEAL, CR_WHITE);
  PrintItems(pDC, DRILL_END_PROMPTS);
  SetColors(pDC, CR_BLACK, CR_WHITE);
}
