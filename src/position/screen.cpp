// SPDX-License-Identifier: MIT
// Position practice screen: the full redraw and the status and prompt lines that the engine
// updates in place. The keypad picture and the hand are in guide.cpp; no state changes here.
#include <cstdio>

#include "flow/flow.h"
#include "flow/menu.h"
#include "position/position_private.h"

static const SCREENITEM HIDE_PROMPT[] = {
    {16, 1, "Press Space key to hide Keyguide", 0},
    {0, 0, nullptr, 0},
};
static const SCREENITEM SHOW_PROMPT[] = {
    {16, 1, "Press Space key to show Keyguide", 0},
    {0, 0, nullptr, 0},
};
static const SCREENITEM HIDE_ADVICE[] = {
    {320, 96, "Please press Space key to hide Keyguide and try again", 0},
    {0, 0, nullptr, 0},
};
static const SCREENITEM SHOW_ADVICE[] = {
    {320, 96, "Please press Space key to show Keyguide and try again", 0},
    {0, 0, nullptr, 0},
};

static const char ESCAPE_PROMPT_EN[] = "Press ESC key to cancel";
// "ESCキーを押すと中断します"
static const char ESCAPE_PROMPT_JA[] =
    "ESC\x83\x4c\x81\x5b\x82\xf0\x89\x9f\x82\xb7\x82\xc6\x92\x86\x92\x66\x82\xb5\x82\xdc"
    "\x82\xb7";
static const char NEXT_KEY_LABEL[] = "is next key to press";

static const char PRACTICE_COUNT_EN[] = "Practice Count%4d";
// "練習回数%4d回"
static const char PRACTICE_COUNT_JA[] = "\x97\xfb\x8f\x4b\x89\xf1\x90\x94%4d\x89\xf1";
static const char TIME_TAKEN_EN[] = "It took%4.0lfsec to finish";
// "今回は  %4.0lf秒かかりました"
static const char TIME_TAKEN_JA[] =
    "\x8d\xa1\x89\xf1\x82\xcd  %4.0lf\x95\x62\x82\xa9\x82\xa9\x82\xe8\x82\xdc\x82\xb5\x82\xbd";
static const char TYPE_COUNT_EN[] = "Type count %3d";
// "正解%3d回"
static const char TYPE_COUNT_JA[] = "\x90\xb3\x89\xf0%3d\x89\xf1";
static const char ERROR_COUNT_EN[] = "Error Count%3d";
// "ミスタッチ%3d回"
static const char ERROR_COUNT_JA[] = "\x83\x7e\x83\x58\x83\x5e\x83\x62\x83\x60%3d\x89\xf1";

// "　", the full-width space
static const char FULL_WIDTH_SPACE[] = "\x81\x40";
static const int EXPECTED_KEY_Y = 33;
static const int EXPECTED_KEY_X = 273;
static const double EXPECTED_KEY_SCALE = 3.0;

static void PrintStatusLine(CDC* pDC, int y, int x, COLORREF cr, const char* pszText) {
  SetColors(pDC, cr, CR_WHITE);
  PrintAt(pDC, y, x, pszText);
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void PrintTypeCount(CDC* pDC) {
  char szLine[64];
  snprintf(szLine, sizeof szLine, g_bEnglish == 1 ? TYPE_COUNT_EN : TYPE_COUNT_JA, g_nTypeCount);
  PrintStatusLine(pDC, 32, 512, CR_TEAL, szLine);
}

void PrintErrorCount(CDC* pDC) {
  char szLine[64];
  snprintf(szLine, sizeof szLine, g_bEnglish == 1 ? ERROR_COUNT_EN : ERROR_COUNT_JA, g_nErrorCount);
  PrintStatusLine(pDC, 48, 512, CR_MAROON, szLine);
}

void PrintPracticeCount(CDC* pDC) {
  char szLine[64];
  int nCount = g_pnPracticeCount ? *g_pnPracticeCount : 0;
  if (g_bEnglish == 1) {
    snprintf(szLine, sizeof szLine, PRACTICE_COUNT_EN, nCount);
    PrintStatusLine(pDC, 16, 480, CR_GREEN, szLine);
  } else {
    snprintf(szLine, sizeof szLine, PRACTICE_COUNT_JA, nCount);
    PrintStatusLine(pDC, 16, 512, CR_GREEN, szLine);
  }
}

void PrintTimeTaken(CDC* pDC) {
  // Wide enough for any double "%4.0lf" can give.
  char szLine[400];
  snprintf(szLine, sizeof szLine, g_bEnglish == 1 ? TIME_TAKEN_EN : TIME_TAKEN_JA, g_dElapsed);
  PrintStatusLine(pDC, 32, 1, CR_NAVY, szLine);
}

void ShowExpectedKey(CDC* pDC, int nKey) {
  SetColors(pDC, CR_BLUE, CR_WHITE);
  // Both blanks together cover whatever the last key was, "CR" as well as a digit.
  PrintScaledAt(pDC, EXPECTED_KEY_Y, EXPECTED_KEY_X, "  ", EXPECTED_KEY_SCALE);
  PrintScaledAt(pDC, EXPECTED_KEY_Y, EXPECTED_KEY_X, FULL_WIDTH_SPACE, EXPECTED_KEY_SCALE);
  PrintFullWidthChar(pDC, EXPECTED_KEY_Y, EXPECTED_KEY_X, nKey, EXPECTED_KEY_SCALE);
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void ExpectedKeyRect(RECT* pRect) {
  // One full-width character: two half-width cells.
  TextCellsRect(EXPECTED_KEY_Y, EXPECTED_KEY_X, 2, EXPECTED_KEY_SCALE, pRect);
}

void PrintGuidePrompt(CDC* pDC) {
  SetColors(pDC, CR_TEAL, CR_WHITE);
  PrintItems(pDC, g_bGuideShown == 1 ? HIDE_PROMPT : SHOW_PROMPT);
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void ReplaceGuidePrompt(CDC* pDC, int bShown) {
  // Both prompts are 32 characters, so the new one covers the old completely.
  SetColors(pDC, CR_BLACK, CR_WHITE);
  PrintItemsBlanked(pDC, bShown ? SHOW_PROMPT : HIDE_PROMPT);
  SetColors(pDC, CR_TEAL, CR_WHITE);
  PrintItems(pDC, bShown ? HIDE_PROMPT : SHOW_PROMPT);
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void PrintEscapePrompt(CDC* pDC) {
  // The redraw always shows the English line; the erase below uses the language's own,
  // and the longer Japanese line blanks the English one completely.
  SetColors(pDC, CR_TEAL, CR_WHITE);
  PrintAt(pDC, 32, 1, ESCAPE_PROMPT_EN);
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void EraseEscapePrompt(CDC* pDC) {
  SetColors(pDC, CR_WHITE, CR_WHITE);
  PrintBlankedAt(pDC, 32, 1, g_bEnglish == 1 ? ESCAPE_PROMPT_EN : ESCAPE_PROMPT_JA);
  // The Japanese line's wide cells do not fall on the English line's cells at every window
  // width and can leave slivers of it; blanking the English line, which is what the
  // redraw shows, removes it at any size.
  if (g_bEnglish != 1) PrintBlankedAt(pDC, 32, 1, ESCAPE_PROMPT_EN);
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void PrintAdvice(CDC* pDC, int nAdvice) {
  if (nAdvice != 1 && nAdvice != 2) return;
  SetColors(pDC, CR_GREEN, CR_WHITE);
  PrintItems(pDC, nAdvice == 1 ? HIDE_ADVICE : SHOW_ADVICE);
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void EraseAdvice(CDC* pDC, int nAdvice) {
  if (nAdvice != 1 && nAdvice != 2) return;
  SetColors(pDC, CR_WHITE, CR_WHITE);
  PrintItemsBlanked(pDC, nAdvice == 1 ? HIDE_ADVICE : SHOW_ADVICE);
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void DrawPositionScreen(CDC* pDC) {
  bool bOver = g_nPhase == PHASE_RESULT;
  ClearScreen(pDC);
  DrawScreenHeader(pDC, DRILL_HEADER_FORMAT, g_pszScreenTitle ? g_pszScreenTitle : "");
  if (!bOver) PrintEscapePrompt(pDC);
  PrintGuidePrompt(pDC);
  if (g_pnPracticeCount && *g_pnPracticeCount != 0) PrintPracticeCount(pDC);

  SetColors(pDC, CR_TEAL, CR_WHITE);
  PrintAt(pDC, 32, 304, NEXT_KEY_LABEL);
  SetColors(pDC, CR_BLACK, CR_WHITE);
  ShowExpectedKey(pDC, (unsigned char)g_chTarget);

  if (g_nTypeCount > 0) PrintTypeCount(pDC);
  if (g_nErrorCount > 0) PrintErrorCount(pDC);

  DrawGuide(pDC, g_bGuideShown == 1 ? GUIDE_SHOWN : GUIDE_HIDDEN);
  if (!bOver) DrawHand(pDC, 1);
  MarkGuideKey(pDC, (unsigned char)g_chShownKey, KEY_ANSWER);
  if (!bOver) MarkFinger(pDC, (unsigned char)g_chShownKey, 1);
  MarkGuideKey(pDC, (unsigned char)g_chLastWrong, KEY_WRONG);

  if (bOver) {
    if (g_nFinishState == 3) PrintTimeTaken(pDC);
    PrintAdvice(pDC, g_nAdvice);
    PrintDrillEndPrompts(pDC);
    SetColors(pDC, CR_BLACK, CR_WHITE);
  }
}
