// Text drawing cost through the drawing context, the way the screens draw: a whole dense
// 80 x 25 screen repainted, and the few cells one typed key redraws. Not a test.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace {

// "ＭＳ ゴシック"
const char JAPANESE_FACE[] = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";

LOGFONT MakeFont(int nHeight, int nWidth, bool bJapanese) {
  LOGFONT lf{};
  lf.lfHeight = nHeight;
  lf.lfWidth = nWidth;
  lf.lfCharSet = bJapanese ? SHIFTJIS_CHARSET : ANSI_CHARSET;
  lf.lfOutPrecision = OUT_CHARACTER_PRECIS;
  lf.lfQuality = PROOF_QUALITY;
  lf.lfPitchAndFamily = FIXED_PITCH;
  strcpy(lf.lfFaceName, bJapanese ? JAPANESE_FACE : "Lucida Console");
  return lf;
}

// The cell grid of a client area, as the screen code lays it out: a one-pixel margin, 80
// columns and 25 rows, glyphs of height 2s and half-width s.
struct Grid {
  int W, H, s;
  int PixelX(int nVirtualX) const { return nVirtualX * (W - 2) / 640 + 1; }
  int PixelY(int nVirtualY) const { return nVirtualY * (H - 2) / 400 + 1; }
};

Grid MakeGrid(int W, int H) {
  int a = (W - 2) / 80, b = (H - 2) / 50;
  return Grid{W, H, std::max(1, std::min(a, b))};
}

// A dense screen: every row full, in three kinds of text in turn. Latin rows, rows of
// full-width letters and digits drawn as stretched Latin, and Japanese rows of kana and
// kanji.
std::vector<std::string> DenseScreen() {
  std::vector<std::string> rows;
  for (int r = 0; r < 25; r++) {
    std::string row;
    switch (r % 3) {
      case 0:
        while (row.size() < 80) row += "Speed 123.4 cpm  Best 98/12/31 ";
        break;
      case 1:  // "ＡＢＣ１２３" repeated
        while (row.size() < 80) row += "\x82\x60\x82\x61\x82\x62\x82\x50\x82\x51\x82\x52";
        break;
      default:  // "アイウ漢字あいう" repeated
        while (row.size() < 80) row += "\x83\x41\x83\x43\x83\x45\x8a\xbf\x8e\x9a\x82\xa0\x82\xa2\x82\xa4";
        break;
    }
    row.resize(80);
    rows.push_back(row);
  }
  return rows;
}

// One string the way the text renderer draws it: fonts made for the call, one TextOut per
// character cell, full-width Latin characters as a stretched single byte.
void PrintRow(CDC& dc, const Grid& g, int nVirtualY, int nVirtualX, const std::string& text,
              bool bJapanese) {
  LOGFONT lfNarrow = MakeFont(2 * g.s, g.s, bJapanese);
  LOGFONT lfWide = MakeFont(2 * g.s, g.s * 16 / 10, false);
  CFont narrow, wide;
  narrow.CreateFontIndirect(&lfNarrow);
  wide.CreateFontIndirect(&lfWide);
  CFont* pOld = dc.SelectObject(&narrow);
  const int py = g.PixelY(nVirtualY);
  for (size_t i = 0; i < text.size();) {
    const int px = g.PixelX(nVirtualX + (int)i * 8);
    const unsigned char b = (unsigned char)text[i];
    const bool bLead = (b >= 0x81 && b <= 0x9F) || b >= 0xE0;
    if (!bLead) {
      dc.TextOut(px, py, &text[i], 1);
      i++;
    } else if (bJapanese) {
      dc.TextOut(px, py, &text[i], 2);
      i += 2;
    } else {
      char narrowChar = (char)(text[i + 1] - 0x1F);
      dc.SelectObject(&wide);
      dc.TextOut(px + 1, py, &narrowChar, 1);
      dc.SelectObject(&narrow);
      i += 2;
    }
  }
  dc.SelectObject(pOld);
  narrow.DeleteObject();
  wide.DeleteObject();
}

void BM_FullRepaintDenseScreen(benchmark::State& state) {
  Framebuffer fb((int)state.range(0), (int)state.range(1));
  const Grid g = MakeGrid(fb.Width(), fb.Height());
  const std::vector<std::string> rows = DenseScreen();
  for (auto _ : state) {
    CDC dc(&fb);
    CBrush white(RGB(255, 255, 255));
    RECT rc{0, 0, fb.Width(), fb.Height()};
    dc.FillRect(&rc, &white);
    for (int r = 0; r < 25; r++) {
      dc.SetTextColor(r % 2 ? RGB(0, 0, 128) : RGB(0, 0, 0));
      PrintRow(dc, g, r * 16, 0, rows[r], r % 3 == 2);
    }
    RECT dirty = fb.TakeDirty();
    benchmark::DoNotOptimize(dirty);
  }
}

// One typed key in the random drill: a full-width cell redrawn and a 2-pixel underline.
void BM_OneCellAndUnderline(benchmark::State& state) {
  Framebuffer fb((int)state.range(0), (int)state.range(1));
  const Grid g = MakeGrid(fb.Width(), fb.Height());
  int nColumn = 0;
  for (auto _ : state) {
    CDC dc(&fb);
    const int x = 8 + (nColumn % 30) * 16;  // walk along the row, as typing does
    nColumn++;
    PrintRow(dc, g, 160, x, "\x82\x50", true);  // "１"
    CPen pen(PS_SOLID, g.PixelY(1) - g.PixelY(0) + 1, RGB(0, 0, 255));
    CPen* pOld = dc.SelectObject(&pen);
    const int yLine = g.PixelY(160) + 1 + std::min(g.PixelY(16) - g.PixelY(0), g.PixelX(16) - g.PixelX(0)) + 1;
    dc.MoveTo(g.PixelX(x), yLine);
    dc.LineTo(g.PixelX(x + 16), yLine);
    dc.SelectObject(pOld);
    pen.DeleteObject();
    RECT dirty = fb.TakeDirty();
    benchmark::DoNotOptimize(dirty);
  }
}

}  // namespace

BENCHMARK(BM_FullRepaintDenseScreen)
    ->Args({642, 402})
    ->Args({1920, 1200})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneCellAndUnderline)
    ->Args({642, 402})
    ->Args({1920, 1200})
    ->Args({3840, 2160})
    ->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
