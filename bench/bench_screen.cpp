// SPDX-License-Identifier: MIT
// Drawing cost of the text screen as the program draws it, through the screen operations:
// a whole dense screen repainted at three client sizes, and the few cells one typed key of
// the timed drill redraws, with its changed rectangle taken for the window. Not a test.
//   build/bench_screen --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <string>

#include "platform/platform.h"
#include "screen/screen.h"

namespace {

// 80 columns of each kind of text the screens show, taking turns by row: Latin, full-width
// letters and digits (drawn as stretched Latin), and Japanese kana and kanji.
std::string DenseRow(int nRow) {
  std::string row;
  switch (nRow % 3) {
    case 0:
      while (row.size() < 80) row += "Current Type Speed 123.4/min  ";
      break;
    case 1:  // "ＡＢＣ１２３"
      while (row.size() < 80) row += "\x82\x60\x82\x61\x82\x62\x82\x50\x82\x51\x82\x52";
      break;
    default:  // "練習回数アイウあいう"
      while (row.size() < 80)
        row += "\x97\xfb\x8f\x4b\x89\xf1\x90\x94\x83\x41\x83\x43\x83\x45\x82\xa0\x82\xa2\x82\xa4";
      break;
  }
  row.resize(80);
  return row;
}

void UseClient(Framebuffer& fb) {
  g_rcClient = RECT{0, 0, fb.Width(), fb.Height()};
  g_bEnlargeX = g_bEnlargeY = 0;
}

// The whole screen: 25 dense rows, then over them a timed drill's ten lines of 36
// full-width digits, every one underlined as typed.
void PaintDenseScreen(CDC* pDC) {
  ClearScreen(pDC);
  for (int r = 0; r < 25; ++r) {
    SetColors(pDC, r % 2 ? CR_NAVY : CR_BLACK, CR_WHITE);
    PrintAt(pDC, r * ROW_HEIGHT, 0, DenseRow(r).c_str());
  }
  SetColors(pDC, CR_BLACK, CR_WHITE);
  for (int row = 0; row < 10; ++row)
    for (int col = 0; col < 36; ++col) {
      const int y = 112 + 20 * row, x = 16 * col;
      PrintFullWidthChar(pDC, y, x, '0' + (row * 36 + col) % 10, 1.0);
      UnderlineText(pDC, y, x, "aa", 1, CR_BLUE);
    }
}

void BM_FullRepaint(benchmark::State& state) {
  Framebuffer fb((int)state.range(0), (int)state.range(1));
  UseClient(fb);
  {
    CDC warm(&fb);  // faces found and glyphs cached once, as after the first paint
    PaintDenseScreen(&warm);
  }
  for (auto _ : state) {
    CDC dc(&fb);
    PaintDenseScreen(&dc);
    RECT rcDirty = fb.TakeDirty();
    benchmark::DoNotOptimize(rcDirty);
  }
}

// One correct key in the timed drill: its cell drawn again and underlined in blue.
void BM_KeySizedDraw(benchmark::State& state) {
  Framebuffer fb((int)state.range(0), (int)state.range(1));
  UseClient(fb);
  {
    CDC warm(&fb);
    PaintDenseScreen(&warm);
    fb.TakeDirty();
  }
  int nCell = 0;
  for (auto _ : state) {
    const int y = 112 + 20 * ((nCell / 36) % 10), x = 16 * (nCell % 36);
    ++nCell;
    CDC dc(&fb);
    PrintFullWidthChar(&dc, y, x, '0' + nCell % 10, 1.0);
    UnderlineText(&dc, y, x, "aa", 1, CR_BLUE);
    RECT rcDirty = fb.TakeDirty();  // what the window is handed to present
    benchmark::DoNotOptimize(rcDirty);
  }
}

}  // namespace

BENCHMARK(BM_FullRepaint)
    ->Args({642, 402})
    ->Args({1920, 1200})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeySizedDraw)
    ->Args({642, 402})
    ->Args({1920, 1200})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
