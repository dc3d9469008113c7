// SPDX-License-Identifier: MIT
// The record screen's key map: the position drill's keypad guide with each key tinted by
// how often it was typed right when asked for and labelled with its median time, and one
// line of the span's figures, all from the practice database. The figures are read once
// and kept until the database or the day changes, so that the screen comes back at once.
#include <sys/stat.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>

#include "flow/flow.h"
#include "position/position.h"
#include "practice/practice.h"
#include "records/records.h"

// Days the key map looks back, today included.
static const int KEY_MAP_DAYS = 30;

// Places on the 640 x 400 grid (y, x).
static const int TITLE_Y = 1, TITLE_X = 1;
static const int RETURN_Y = 1, RETURN_X = 344;  // as the record screen's own return hint
static const int SUMMARY_Y = 32, SUMMARY_X = 1;
static const int LEGEND_X = 448;  // right of the guide's Enter key
static const int LEGEND_Y = 64;
static const int LEGEND_PITCH = 24;
static const int SWATCH_WIDTH = 16;
static const int LEGEND_TEXT_X = LEGEND_X + SWATCH_WIDTH + 8;

// The keys of the guide, in the figures' order (0..9, then Enter).
static const char GUIDE_KEYS[KEYPAD_KEYS + 1] = "0123456789\r";

// The figures on show and what they were read from: the database file as it was (an own
// write or another numdril's changes it) and the day the span ends on.
static PracticeFigures s_figures;
static bool s_bFiguresRead = false;
static struct stat s_readFrom;
static int s_nReadOnDay = 0;

std::string OwnScreenText(const char* pszText) {
  if (g_bEnglish == 1) return pszText;
  return Utf8ToCp932(_(pszText));
}

// An own screen text with printf values, in the screen's code page.
__attribute__((format(printf, 1, 2))) static std::string FormatOwnText(const char* pszFormat,
                                                                       ...) {
  const std::string format = OwnScreenText(pszFormat);
  va_list args;
  va_start(args, pszFormat);
  char szText[256];
  vsnprintf(szText, sizeof szText, format.c_str(), args);
  va_end(args);
  return szText;
}

static bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size &&
         a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec;
}

// The figures of the last KEY_MAP_DAYS days, read again only when they may have changed.
static const PracticeFigures& KeyMapFigures() {
  const time64_t tNow = GetTime();
  const int nToday = PracticeLocalDay(tNow, LocalUtcOffset(tNow));
  struct stat st {};
  if (stat(PRACTICE_DB_NAME, &st) != 0) st = {};
  if (!s_bFiguresRead || nToday != s_nReadOnDay || !SameFile(st, s_readFrom)) {
    ReadPracticeFigures(KEY_MAP_DAYS, tNow, &s_figures);
    s_bFiguresRead = true;
    s_readFrom = st;
    s_nReadOnDay = nToday;
  }
  return s_figures;
}

// The tint of an accuracy: its band's, as the practice report's.
static COLORREF TintOf(double dAccuracy) {
  return RgbToColorref(ACCURACY_BANDS[AccuracyBandOf(dAccuracy)].nRgb);
}

// A key's median time in at most five cells: "412ms", "1.2s", "12s".
static std::string MedianText(double dMs) {
  char sz[16];
  if (dMs < 999.5)
    snprintf(sz, sizeof sz, "%.0fms", dMs);
  else if (dMs < 9950.0)
    snprintf(sz, sizeof sz, "%.1fs", dMs / 1000.0);
  else
    snprintf(sz, sizeof sz, "%.0fs", dMs < 99000.0 ? dMs / 1000.0 : 99.0);
  return sz;
}

static void DrawKeyFigures(CDC* pDC, const PracticeFigures& figures) {
  for (int i = 0; i < KEYPAD_KEYS; ++i) {
    const PracticeKeyFigure& key = figures.keys[i];
    const int nKey = (unsigned char)GUIDE_KEYS[i];
    if (key.nPresses > 0) TintGuideKey(pDC, nKey, TintOf(key.dAccuracy));
    int nTop, nLeft, nBottom, nRight;
    if (key.nTimed == 0 || !GuideKeyBox(nKey, &nTop, &nLeft, &nBottom, &nRight)) continue;
    // Under the key, centred on it, in the row the guide leaves free between its keys.
    const std::string text = MedianText(key.dMedianMs);
    const int nWidth = (int)text.size() * COLUMN_WIDTH;
    SetColors(pDC, CR_BLACK, CR_WHITE);
    PrintAt(pDC, nBottom, nLeft + (nRight - nLeft - nWidth) / 2, text.c_str());
  }
}

static void DrawLegend(CDC* pDC) {
  SetColors(pDC, CR_NAVY, CR_WHITE);
  PrintAt(pDC, LEGEND_Y, LEGEND_X, OwnScreenText(N_("Accuracy when asked")).c_str());
  int y = LEGEND_Y + LEGEND_PITCH;
  for (const AccuracyBand& tint : ACCURACY_BANDS) {
    FillBox(pDC, y, LEGEND_X, y + ROW_HEIGHT, LEGEND_X + SWATCH_WIDTH, RgbToColorref(tint.nRgb));
    SetColors(pDC, CR_BLACK, CR_WHITE);
    PrintAt(pDC, y, LEGEND_TEXT_X, OwnScreenText(tint.pszLegend).c_str());
    y += LEGEND_PITCH;
  }
  SetColors(pDC, CR_BLACK, CR_WHITE);
  PrintAt(pDC, y, LEGEND_X, OwnScreenText(N_("untinted: not asked")).c_str());
  SetColors(pDC, CR_NAVY, CR_WHITE);
  PrintAt(pDC, y + LEGEND_PITCH, LEGEND_X, OwnScreenText(N_("Under each key:")).c_str());
  PrintAt(pDC, y + LEGEND_PITCH + ROW_HEIGHT, LEGEND_X,
          OwnScreenText(N_("its median time")).c_str());
}

// The span's figures in one line, or why there are none.
static std::string SummaryLine(const PracticeFigures& figures) {
  const PracticeTotals& t = figures.totals;
  if (figures.nState == PRACTICE_DB_UNREADABLE)
    return OwnScreenText(N_("numdril.db could not be read: the keys are not tinted."));
  if (figures.nFirstDay < 0)
    return OwnScreenText(N_("No practice recorded yet: each key is tinted after your first "
                            "drill."));
  if (t.nRuns == 0)
    return FormatOwnText(N_("No practice in the last %d days: the keys are not tinted."),
                         KEY_MAP_DAYS);
  if (t.nSpeedRuns == 0)
    return FormatOwnText(N_("Runs %d  (speed, KPH and accuracy once a random drill ends)"),
                         t.nRuns);
  return FormatOwnText(N_("Runs %d  median %.1f cpm  %.0f KPH (net %.0f)  accuracy %.1f%%"),
                       t.nRuns, t.dMedianCpm, t.dGrossKph, t.dNetKph, 100.0 * t.dAccuracy);
}

static std::string ReturnHint() { return OwnScreenText(N_("Press ESC Key to Return to Record")); }

void KeyMapReturnHintRect(RECT* pRect) {
  TextCellsRect(RETURN_Y, RETURN_X, (int)ReturnHint().size(), 1.0, pRect);
}

void DrawKeyMapScreen(CDC* pDC) {
  const PracticeFigures& figures = KeyMapFigures();
  ClearScreen(pDC);
  SetColors(pDC, CR_GREEN, CR_WHITE);
  PrintAt(pDC, TITLE_Y, TITLE_X,
          FormatOwnText(N_("Key Map: the last %d days"), KEY_MAP_DAYS).c_str());
  SetColors(pDC, CR_NAVY, CR_WHITE);
  PrintAt(pDC, RETURN_Y, RETURN_X, ReturnHint().c_str());
  SetColors(pDC, CR_BROWN, CR_WHITE);
  PrintAt(pDC, SUMMARY_Y, SUMMARY_X, SummaryLine(figures).c_str());

  DrawLabelledGuide(pDC);
  if (figures.totals.nRuns > 0) DrawKeyFigures(pDC, figures);
  DrawLegend(pDC);
  SetColors(pDC, CR_BLACK, CR_WHITE);
}

void ResetKeyMapState() {
  s_figures = PracticeFigures{};
  s_bFiguresRead = false;
  s_readFrom = {};
  s_nReadOnDay = 0;
}
