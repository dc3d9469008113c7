// SPDX-License-Identifier: MIT
// Text through the drawing context: opaque cells, glyphs that stay in their cells, bold,
// Japanese faces, missing characters, the draw log, and code page 932 conversion.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFF;

// "ＭＳ ゴシック" in code page 932
const char JAPANESE_FACE[] = "\x82\x6c\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4e";

LOGFONT MakeFont(int nHeight, int nWidth, bool bJapanese, int nWeight = 0,
                 const char* pszFace = nullptr) {
  LOGFONT lf{};
  lf.lfHeight = nHeight;
  lf.lfWidth = nWidth;
  lf.lfWeight = nWeight;
  lf.lfCharSet = bJapanese ? SHIFTJIS_CHARSET : ANSI_CHARSET;
  lf.lfOutPrecision = OUT_CHARACTER_PRECIS;
  lf.lfQuality = PROOF_QUALITY;
  lf.lfPitchAndFamily = FIXED_PITCH;
  strcpy(lf.lfFaceName, pszFace ? pszFace : bJapanese ? JAPANESE_FACE : "Lucida Console");
  return lf;
}

// Draws text with a font made for the one call, as the screen code does.
void Print(CDC& dc, int x, int y, const std::string& text, const LOGFONT& lf) {
  CFont font;
  font.CreateFontIndirect(&lf);
  CFont* pOld = dc.SelectObject(&font);
  dc.TextOut(x, y, text.data(), (int)text.size());
  dc.SelectObject(pOld);
  font.DeleteObject();
}

int Ink(const Framebuffer& fb, int x0, int y0, int x1, int y1, uint32_t back = WHITE) {
  int n = 0;
  for (int y = y0; y < y1; y++)
    for (int x = x0; x < x1; x++) n += fb.Pixel(x, y) != back;
  return n;
}

// Sum of how dark each pixel is: the amount of ink, antialiasing included.
int Darkness(const Framebuffer& fb) {
  int n = 0;
  for (int y = 0; y < fb.Height(); y++)
    for (int x = 0; x < fb.Width(); x++) n += 255 - (int)(fb.Pixel(x, y) & 0xFF);
  return n;
}

// Whether every pixel outside [x0, x1) x [y0, y1) is still white.
bool OnlyInside(const Framebuffer& fb, int x0, int y0, int x1, int y1) {
  for (int y = 0; y < fb.Height(); y++)
    for (int x = 0; x < fb.Width(); x++)
      if ((x < x0 || x >= x1 || y < y0 || y >= y1) && fb.Pixel(x, y) != WHITE) return false;
  return true;
}

}  // namespace

TEST(Font, OpaqueTextPaintsWholeCellsAndWhiteOnWhiteErases) {
  Framebuffer fb(64, 32);
  CDC dc(&fb);
  const LOGFONT lf = MakeFont(16, 8, false);
  // "AB", katakana A (a double-byte character, two cells), "C": cells of 8, 8, 16 and 8.
  const std::string text = "AB\x83\x41" "C";

  dc.SetBkColor(RGB(255, 255, 0));
  Print(dc, 4, 5, text, lf);
  for (int y = 0; y < 32; y++)
    for (int x = 0; x < 64; x++) {
      bool bCell = x >= 4 && x < 44 && y >= 5 && y < 21;
      // Inside, every pixel is the yellow background or mixes it towards the black text.
      if (bCell) {
        ASSERT_EQ(fb.Pixel(x, y) & 0x0000FF, 0u) << x << ", " << y;
      } else {
        ASSERT_EQ(fb.Pixel(x, y), WHITE) << x << ", " << y;
      }
    }
  EXPECT_GT(Ink(fb, 4, 5, 12, 21, 0xFFFF00), 10);   // A
  EXPECT_GT(Ink(fb, 20, 5, 36, 21, 0xFFFF00), 10);  // katakana A
  EXPECT_GT(Ink(fb, 36, 5, 44, 21, 0xFFFF00), 10);  // C

  // Printing the same text white on white wipes it out completely.
  fb.Fill(WHITE);
  dc.SetBkColor(RGB(255, 255, 255));
  dc.SetTextColor(RGB(0, 0, 0));
  Print(dc, 4, 5, text, lf);
  EXPECT_GT(Ink(fb, 0, 0, 64, 32), 30);
  dc.SetTextColor(RGB(255, 255, 255));
  Print(dc, 4, 5, text, lf);
  EXPECT_EQ(Ink(fb, 0, 0, 64, 32), 0);

  // A cell cut by the buffer's edge shows exactly the pixels the whole cell has there.
  Framebuffer whole(40, 40), cut(40, 40);
  CDC dcWhole(&whole), dcCut(&cut);
  for (CDC* p : {&dcWhole, &dcCut}) {
    p->SetTextColor(RGB(200, 0, 0));
    p->SetBkColor(RGB(0, 0, 90));
  }
  Print(dcWhole, 10, 12, "W\x83\x41", MakeFont(16, 8, true));
  Print(dcCut, -5, -7, "W\x83\x41", MakeFont(16, 8, true));
  for (int y = 0; y < 9; y++)
    for (int x = 0; x < 19; x++)
      ASSERT_EQ(cut.Pixel(x, y), whole.Pixel(x + 15, y + 19)) << x << ", " << y;
  EXPECT_EQ(cut.Pixel(19, 0), WHITE);
  EXPECT_EQ(cut.Pixel(0, 9), WHITE);

  // An absurd font size paints what shows of its (bounded) cell and nothing breaks.
  fb.Fill(WHITE);
  dc.SetBkColor(RGB(0, 255, 0));
  Print(dc, -5, -5, "W", MakeFont(1000000, 500000, false));
  EXPECT_LT(Ink(fb, 0, 0, 64, 32, 0x00FF00), 64 * 32);  // the background shows
  EXPECT_NE(fb.Pixel(0, 0), WHITE);
  EXPECT_NE(fb.Pixel(63, 31), WHITE);
  fb.Fill(WHITE);

  // Cells partly off the buffer are painted as far as they show.
  dc.SetBkColor(RGB(0, 0, 255));
  Print(dc, -6, -10, "AB", lf);
  EXPECT_NE(fb.Pixel(0, 0), WHITE);
  EXPECT_NE(fb.Pixel(9, 5), WHITE);
  EXPECT_EQ(fb.Pixel(10, 0), WHITE);
  EXPECT_EQ(fb.Pixel(0, 6), WHITE);
}

TEST(Font, GlyphsStayInTheirCells) {
  // Every printable ASCII character at height 16 width 8, in its 8 x 16 cell, and the
  // same at a large, stretched size; full-width characters in 16 x 16, bold included.
  struct Case {
    int nHeight, nWidth;
    bool bJapanese;
    int nWeight;
  };
  for (const Case& c :
       {Case{16, 8, false, 0}, Case{16, 8, false, FW_BOLD}, Case{16, 8, true, 0},
        Case{16, 8, true, FW_BOLD}, Case{43, 30, false, 0}, Case{86, 21, true, FW_BOLD}}) {
    const LOGFONT lf = MakeFont(c.nHeight, c.nWidth, c.bJapanese, c.nWeight);
    for (int ch = 0x21; ch < 0x7F; ch++) {
      Framebuffer fb(c.nWidth * 3, c.nHeight * 3);
      CDC dc(&fb);
      Print(dc, c.nWidth, c.nHeight, std::string(1, (char)ch), lf);
      EXPECT_TRUE(OnlyInside(fb, c.nWidth, c.nHeight, 2 * c.nWidth, 2 * c.nHeight))
          << "character " << ch << " at " << c.nHeight << " x " << c.nWidth;
      EXPECT_GT(Ink(fb, 0, 0, fb.Width(), fb.Height()), 0) << "character " << ch;
    }
    // Katakana A, full-width A, kanji "漢", the black circle.
    for (const char* wide : {"\x83\x41", "\x82\x60", "\x8a\xbf", "\x81\x9c"}) {
      Framebuffer fb(c.nWidth * 4, c.nHeight * 3);
      CDC dc(&fb);
      Print(dc, c.nWidth, c.nHeight, wide, lf);
      EXPECT_TRUE(OnlyInside(fb, c.nWidth, c.nHeight, 3 * c.nWidth, 2 * c.nHeight)) << wide;
      // A full-width glyph uses both halves of its cell.
      EXPECT_GT(Ink(fb, c.nWidth, c.nHeight, 2 * c.nWidth, 2 * c.nHeight), 0) << wide;
      EXPECT_GT(Ink(fb, 2 * c.nWidth, c.nHeight, 3 * c.nWidth, 2 * c.nHeight), 0) << wide;
    }
  }
}

TEST(Font, BoldHasMoreInkAndWidthStretchesGlyphs) {
  for (bool bJapanese : {false, true}) {  // the Japanese face has no bold: it is synthesised
    const std::string text = bJapanese ? "\x83\x41\x83\x43\x8a\xbf" : "Hello 08";
    Framebuffer regular(120, 24), bold(120, 24);
    CDC dcRegular(&regular), dcBold(&bold);
    Print(dcRegular, 0, 0, text, MakeFont(16, 8, bJapanese));
    Print(dcBold, 0, 0, text, MakeFont(16, 8, bJapanese, FW_BOLD));
    int nRegular = Darkness(regular), nBold = Darkness(bold);
    EXPECT_GT(nRegular, 20 * 255);
    EXPECT_GT(nBold, nRegular * 6 / 5) << (bJapanese ? "Japanese" : "Latin");
  }

  // The same height at twice the width: the same glyph, about twice as wide.
  auto inkWidth = [](int nWidth) {
    Framebuffer fb(64, 32);
    CDC dc(&fb);
    Print(dc, 0, 0, "M", MakeFont(24, nWidth, false));
    int l = 64, r = 0;
    for (int y = 0; y < 32; y++)
      for (int x = 0; x < 64; x++)
        if (fb.Pixel(x, y) != WHITE) l = std::min(l, x), r = std::max(r, x + 1);
    return r - l;
  };
  int nNarrow = inkWidth(8), nWide = inkWidth(16);
  EXPECT_GE(nNarrow, 5);
  EXPECT_NEAR(nWide, 2 * nNarrow, 3);
}

TEST(Font, JapaneseTextComesFromAJapaneseFaceAndUnknownCharactersAreBoxes) {
  Framebuffer fb(200, 40);
  CDC dc(&fb);
  // "アイウ" in the Japanese font, and katakana A asked of the Latin font, which has none:
  // a face that has it stands in.
  Print(dc, 0, 0, "\x83\x41\x83\x43\x83\x45", MakeFont(16, 8, true));
  Print(dc, 60, 0, "\x83\x41", MakeFont(16, 8, false));
  for (int cell = 0; cell < 3; cell++)
    EXPECT_GT(Ink(fb, cell * 16, 0, cell * 16 + 16, 16), 10) << cell;
  EXPECT_GT(Ink(fb, 60, 0, 76, 16), 10);
  // A glyph of the same character at the same size looks the same whichever font asked.
  EXPECT_NEAR(Ink(fb, 60, 0, 76, 16), Ink(fb, 0, 0, 16, 16), 8);

  // Bytes that name no character (0x80, 0xA0, 0xFD, an unassigned double-byte code, a lead
  // byte cut off at the end) each show as a box in their cell; nothing spills over.
  fb.Fill(WHITE);
  const std::string bad = "\x80\xA0\xFD\x85\x40\x81";
  Print(dc, 0, 20, bad, MakeFont(16, 8, true));
  EXPECT_TRUE(OnlyInside(fb, 0, 20, 8 * 6, 36));
  for (int cell : {0, 1, 2, 5}) EXPECT_GT(Ink(fb, cell * 8, 20, cell * 8 + 8, 36), 8) << cell;
  EXPECT_GT(Ink(fb, 24, 20, 40, 36), 16);
  // A space has no ink at all.
  fb.Fill(WHITE);
  Print(dc, 0, 0, " \x81\x40 ", MakeFont(16, 8, true));
  EXPECT_EQ(Ink(fb, 0, 0, 200, 40), 0);
}

TEST(Font, DefaultFontAndNaturalWidth) {
  // A fresh context draws black text with a default font; lfWidth 0 takes the face's own
  // proportion, which for a fixed-pitch Latin face is about half the height.
  Framebuffer fb(100, 40);
  CDC dc(&fb);
  fb.EnableLog(true);
  dc.TextOut(2, 3, "Xy", 2);
  ASSERT_EQ(fb.Log().size(), 1u);
  const RECT rc = fb.Log()[0].rc;
  EXPECT_EQ(rc.top, 3);
  EXPECT_GE(rc.bottom - rc.top, 12);
  EXPECT_NEAR((rc.right - rc.left) / 2.0, (rc.bottom - rc.top) / 2.0, 3.0);
  int nDark = 0;  // black text: some pixels are nearly black
  for (int y = 0; y < 40; y++)
    for (int x = 0; x < 100; x++)
      nDark += fb.Pixel(x, y) < 0x303030 && (fb.Pixel(x, y) & 0xFF) < 0x30;
  EXPECT_GT(nDark, 3);
  EXPECT_TRUE(OnlyInside(fb, rc.left, rc.top, rc.right, rc.bottom));

  fb.Log().clear();
  Print(dc, 0, 0, "ab", MakeFont(20, 0, true));
  EXPECT_EQ(fb.Log()[0].rc.right, 20);  // the Japanese face's half-width is half its cell
}

TEST(Font, LogRecordsTextWithItsFontAndCells) {
  Framebuffer fb(200, 60);
  CDC dc(&fb);
  fb.EnableLog(true);
  dc.SetTextColor(RGB(0, 128, 128));
  const std::string text = "A\x83\x41" "B";
  Print(dc, 10, 20, text, MakeFont(28, 14, true, FW_BOLD));
  ASSERT_EQ(fb.Log().size(), 1u);
  const DrawCall& call = fb.Log()[0];
  EXPECT_EQ(call.op, "TextOut");
  EXPECT_EQ(call.text, text);
  EXPECT_EQ(call.face, JAPANESE_FACE);
  EXPECT_EQ(call.nFontHeight, 28);
  EXPECT_EQ(call.nFontWidth, 14);
  EXPECT_EQ(call.nWeight, FW_BOLD);
  EXPECT_EQ(call.crText, RGB(0, 128, 128));
  EXPECT_EQ(call.crBack, RGB(255, 255, 255));
  EXPECT_EQ(call.rc.left, 10);
  EXPECT_EQ(call.rc.top, 20);
  EXPECT_EQ(call.rc.right, 10 + 14 * 4);
  EXPECT_EQ(call.rc.bottom, 48);
  RECT dirty = fb.TakeDirty();
  EXPECT_EQ(dirty.left, 0);  // a new buffer starts all dirty
  Print(dc, 10, 20, "A", MakeFont(28, 14, true));
  dirty = fb.TakeDirty();
  EXPECT_EQ(dirty.left, 10);
  EXPECT_EQ(dirty.right, 24);
  EXPECT_EQ(dirty.bottom, 48);
}

TEST(Font, MissingFaceIsReportedOncePerName) {
  // A good stand-in (here DejaVu Sans Mono for a fixed-pitch request) is named only when
  // asked for: otherwise every normal start would name the stand-ins for the program's own
  // faces (font_notice_test.cpp has the quiet default).
  setenv("NUMDRIL_DEBUG_FONTS", "1", 1);
  Framebuffer fb(64, 32);
  CDC dc(&fb);
  testing::internal::CaptureStderr();
  Print(dc, 0, 0, "a", MakeFont(16, 8, false, 0, "No Such Face Here"));
  Print(dc, 0, 0, "b", MakeFont(20, 10, false, FW_BOLD, "No Such Face Here"));
  std::string err = testing::internal::GetCapturedStderr();
  size_t first = err.find("\"No Such Face Here\"");
  ASSERT_NE(first, std::string::npos) << err;
  EXPECT_EQ(err.find("\"No Such Face Here\"", first + 1), std::string::npos) << err;
  EXPECT_GT(Ink(fb, 0, 0, 64, 32), 0);  // drawn all the same, in a stand-in face
}

TEST(Font, Cp932RoundTripsAndReplacesWhatItCannotConvert) {
  // "アイウ 漢字 ＡＢ１ ｱ" and ASCII, both ways.
  const std::string cp932 =
      "\x83\x41\x83\x43\x83\x45 \x8a\xbf\x8e\x9a \x82\x60\x82\x61\x82\x50 \xb1 Az09~";
  const std::string utf8 = "アイウ 漢字 ＡＢ１ ｱ Az09~";
  EXPECT_EQ(Cp932ToUtf8(cp932), utf8);
  EXPECT_EQ(Cp932ToUtf8(cp932.data(), cp932.size()), utf8);
  EXPECT_EQ(Utf8ToCp932(utf8), cp932);
  EXPECT_EQ(Utf8ToCp932("Hit Any Key"), "Hit Any Key");
  EXPECT_EQ(Cp932ToUtf8(nullptr, 0), "");
  EXPECT_EQ(Utf8ToCp932(""), "");

  // No CP932 form (the euro sign, an emoji) or bytes that are no character: one "?" each,
  // and what follows survives.
  EXPECT_EQ(Utf8ToCp932("a\xE2\x82\xAC" "b\xF0\x9F\x98\x80" "c"), "a?b?c");
  EXPECT_EQ(Utf8ToCp932("a\xFF" "b\xE3\x82"), "a?b?");
  EXPECT_EQ(Cp932ToUtf8(std::string("a\x80" "b\x85\x40" "c\x83")), "a?b?c?");

  // Every double-byte code that decodes comes back to the same bytes.
  int nChecked = 0;
  for (int lead = 0x81; lead <= 0x9F; lead++)
    for (int trail = 0x40; trail <= 0xFC; trail += 7) {
      std::string ch = {(char)lead, (char)trail};
      std::string u = Cp932ToUtf8(ch);
      if (u == "?") continue;
      // Codes that CP932 maps twice (NEC and IBM duplicates) come back as the other one.
      std::string back = Utf8ToCp932(u);
      EXPECT_EQ(Cp932ToUtf8(back), u);
      nChecked++;
    }
  EXPECT_GT(nChecked, 500);
}
