// Fonts behind CDC::TextOut: LOGFONT to cell metrics and glyph images. Does not paint.
#include <vector>

#include "platform/font.h"

struct FontInstance {
  FontMetrics metrics;
  std::vector<uint8_t> box;
};

FontInstance* FindFontInstance(const LOGFONT& lf) {
  static FontInstance s_font;
  s_font.metrics.nCellHeight = lf.lfHeight > 0 ? lf.lfHeight : 16;
  s_font.metrics.nHalfAdvance = lf.lfWidth > 0 ? lf.lfWidth : (s_font.metrics.nCellHeight + 1) / 2;
  return &s_font;
}

FontMetrics GetFontMetrics(const FontInstance* pFont) { return pFont->metrics; }

GlyphImage FindGlyph(FontInstance* pFont, uint32_t, int nCells) {
  GlyphImage g;
  g.nWidth = pFont->metrics.nHalfAdvance * nCells;
  g.nHeight = pFont->metrics.nCellHeight;
  pFont->box.assign((size_t)g.nWidth * g.nHeight, 0);
  for (int y = 1; y + 1 < g.nHeight; y++)
    for (int x = 1; x + 1 < g.nWidth; x++)
      if (y == 1 || x == 1 || y + 2 == g.nHeight || x + 2 == g.nWidth) pFont->box[(size_t)y * g.nWidth + x] = 255;
  g.pCoverage = pFont->box.data();
  return g;
}
