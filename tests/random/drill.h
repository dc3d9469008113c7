// SPDX-License-Identifier: MIT
// Helpers for the random drill tests: reaching the drill through the menu, typing the
// practice text, and checking what a status line shows on screen.
#pragma once

#include <string>

#include "flow/flow.h"
#include "random/random.h"
#include "records/records.h"
#include "screen/screen.h"
#include "support/session.h"

// Leaves the title and chooses "2" (Random Practice) on the main menu.
inline void EnterRandomDrill(Session& s) {
  s.Key(' ');
  s.Key('2');
}

// The character the drill expects next.
inline char DueChar() { return g_practiceText[g_nTextCol][g_nTextRow]; }

// Types n correct keys (blanks with Space).
inline void TypeCorrect(Session& s, int n) {
  for (int i = 0; i < n; ++i) s.Key((unsigned char)DueChar());
}

// A digit that is not the one due (for a blank, any digit).
inline int WrongDigit() { return DueChar() == '0' ? '1' : '0'; }

// Whether the screen holds exactly what PrintAt draws for text at virtual (y, x) in
// colour cr on white, over the cells of the text.
inline bool ShowsText(Framebuffer& fb, int y, int x, const std::string& text, COLORREF cr) {
  Framebuffer ref(fb.Width(), fb.Height());
  CDC dc(&ref);
  SetColors(&dc, cr, CR_WHITE);
  PrintAt(&dc, y, x, text.c_str());
  const int x0 = VirtualToPixelX(x), x1 = VirtualToPixelX(x + 8 * (int)text.size());
  const int y0 = VirtualToPixelY(y), y1 = VirtualToPixelY(y + ROW_HEIGHT);
  for (int py = y0; py < y1; ++py)
    for (int px = x0; px < x1; ++px)
      if (fb.Pixel(px, py) != ref.Pixel(px, py)) return false;
  return true;
}

// Whether anything is drawn on the text row at virtual y between virtual x0 and x1.
inline bool RowInk(Framebuffer& fb, int y, int x0, int x1) {
  return AnyInk(fb, VirtualToPixelX(x0), VirtualToPixelY(y), VirtualToPixelX(x1),
                VirtualToPixelY(y + ROW_HEIGHT));
}

// Pixel rectangle of the practice text cell (column, row), underline excluded.
struct CellBox {
  int x0, y0, x1, y1;
};
inline CellBox TextCell(int nCol, int nRow) {
  const int y = TEXT_TOP_Y + TEXT_ROW_PITCH * nRow, x = TEXT_CELL_WIDTH * nCol;
  return {VirtualToPixelX(x), VirtualToPixelY(y), VirtualToPixelX(x + TEXT_CELL_WIDTH),
          VirtualToPixelY(y + ROW_HEIGHT)};
}

inline int CountLines(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}
