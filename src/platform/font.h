// SPDX-License-Identifier: MIT
// Private to the platform layer: fonts resolved from LOGFONT and glyphs rendered and cached
// for CDC::TextOut, and the CP932 character decoder. Not for code outside src/platform/.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/platform.h"

constexpr uint32_t NO_CODE_POINT = 0xFFFFFFFEu;

// Decodes the character at p: one byte, or a lead byte and its trail. *pnUsed is the number
// of bytes the character takes (a lead byte at the very end takes 1). Returns the Unicode
// code point, or NO_CODE_POINT when the bytes name no character.
uint32_t DecodeCp932Char(const unsigned char* p, size_t nAvail, size_t* pnUsed);

// A glyph ready to paint: coverage 0..255 for the inked part of its cell, already clipped to
// the cell. (nLeft, nTop) is where that part starts, relative to the cell's top-left pixel.
struct GlyphImage {
  int nLeft = 0;
  int nTop = 0;
  int nWidth = 0;
  int nHeight = 0;
  const uint8_t* pCoverage = nullptr;  // nWidth * nHeight bytes, row by row
};

// Metrics of a font as text drawing sees them, all in pixels.
struct FontMetrics {
  int nCellHeight;   // the height every cell is painted
  int nHalfAdvance;  // advance of a single-byte character; double-byte characters take twice
};

struct FontInstance;  // one LOGFONT resolved to faces and scales; owned by the font cache

// Starts fontconfig and FreeType on a thread of their own, so that their start-up overlaps
// the window's; the first text drawn waits for it. Call it at most once, when nothing else
// changes the environment or the locale any more. Without it the first text does the work.
void PrepareFontsInBackground();
// Resolves a LOGFONT (fontconfig on first use) to a cached instance; never fails.
FontInstance* FindFontInstance(const LOGFONT& lf);
FontMetrics GetFontMetrics(const FontInstance* pFont);
// The glyph of a code point in a cell nCells half-width advances wide. A character no
// installed face has (or NO_CODE_POINT) comes back as an empty box. The image stays valid
// until the next call that renders a glyph.
GlyphImage FindGlyph(FontInstance* pFont, uint32_t nCodePoint, int nCells);
// The same glyph painted into its whole cell (nCells half-width advances by the cell
// height) over rgbBack, with pBlend[coverage] the colour of each coverage value. Kept for a
// few colour pairs per glyph, so a repaint copies cells instead of blending them. Valid
// until the next call that renders a glyph.
const uint32_t* FindGlyphCell(FontInstance* pFont, uint32_t nCodePoint, int nCells,
                              uint32_t rgbText, uint32_t rgbBack, const uint32_t* pBlend);

#if defined(__SANITIZE_ADDRESS__)
// fontconfig leaks a few blocks while it parses its configuration (not ours to mend); the
// leak checker of sanitised builds is told to pass over leaks from inside it.
extern "C" const char* __lsan_default_suppressions();
#endif
