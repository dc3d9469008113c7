// SPDX-License-Identifier: MIT
// Menus, the title screen, and the header and end prompts of both drill screens.
#pragma once

#include "platform/platform.h"
#include "screen/screen.h"

// One menu entry; its first three fields match SCREENITEM so PrintItem prints its label.
struct MenuItem {
  int y;            // enlarged grid (512 x 320)
  int x;
  const char* text;  // null ends the menu
  int value;        // mode code, 9999 to end, 9001..9998 an Escape target
  int bSelected;    // 1 on the item chosen last; kept for the whole run
};

// The one menu; its marks start 0 and are changed only by SelectMenuItem.
extern MenuItem MAIN_MENU[5];
// The menu header list (one centred line).
extern const SCREENITEM MENU_HEADER[2];

int SelectMenuItem(MenuItem* pMenu, int nKey);
void DrawMenu(CDC* pDC, MenuItem* pMenu, const SCREENITEM* pHeader);
void DrawTitleScreen(CDC* pDC);
void DrawScreenHeader(CDC* pDC, const char* pszFormat, const char* pszTitle);
// "Press TAB key to try again" and "Press ESC key to go back to Menu" under a drill's result,
// in teal; leaves the colours black on white.
void PrintDrillEndPrompts(CDC* pDC);
// Pixel rectangles of the prompt lines that tell the user what to type: the menu's
// "Press Number key..." and the title's "Hit Any Key...". The grid switches are left as
// they were.
void MenuPromptRect(RECT* pRect);
void TitlePromptRect(RECT* pRect);
// Formats a drill header into the header buffer (136 bytes) and returns it; a text too long
// for the buffer is cut at a character boundary. DrawScreenHeader prints what this makes.
const char* FormatScreenHeader(const char* pszFormat, const char* pszTitle);
