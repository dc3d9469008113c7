// SPDX-License-Identifier: MIT
// Pixel rules of the drawing context on tiny framebuffers: every pixel is checked inside
// or outside. Text has its own file (font_test.cpp).
#include <gtest/gtest.h>
#include <png.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/platform.h"
#include "support/session.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFF;

// Expects every pixel of fb to be `in` where fnInside says so, and white elsewhere.
void ExpectPixels(const Framebuffer& fb, const std::function<bool(int, int)>& fnInside, uint32_t in,
                  const char* what) {
  for (int y = 0; y < fb.Height(); y++)
    for (int x = 0; x < fb.Width(); x++)
      ASSERT_EQ(fb.Pixel(x, y), fnInside(x, y) ? in : WHITE)
          << what << " at (" << x << ", " << y << ")";
}

// Renders fb as rows of '.' (white), 'o' (outline colour) and '#' (anything else).
std::string Picture(const Framebuffer& fb, uint32_t outline) {
  std::string s;
  for (int y = 0; y < fb.Height(); y++) {
    for (int x = 0; x < fb.Width(); x++) {
      uint32_t p = fb.Pixel(x, y);
      s += p == WHITE ? '.' : p == outline ? 'o' : '#';
    }
    s += '\n';
  }
  return s;
}

}  // namespace

TEST(Gdi, FreshContextStateAndSelectionReturnsWhatItReplaces) {
  Framebuffer fb(16, 16);
  fb.Fill(0x123456);
  CDC dc(&fb);
  EXPECT_EQ(dc.GetTextColor(), RGB(0, 0, 0));
  EXPECT_EQ(dc.GetBkColor(), RGB(255, 255, 255));
  EXPECT_EQ(dc.SetTextColor(RGB(1, 2, 3)), RGB(0, 0, 0));
  EXPECT_EQ(dc.SetTextColor(RGB(0, 0, 0)), RGB(1, 2, 3));

  // The stock brush is white and the stock pen black and one pixel wide.
  RECT rc{0, 0, 4, 4};
  dc.FillRect(&rc);
  EXPECT_EQ(fb.Pixel(0, 0), WHITE);
  dc.MoveTo(0, 8);
  dc.LineTo(3, 8);
  EXPECT_EQ(fb.Pixel(0, 8), 0x000000u);
  EXPECT_EQ(fb.Pixel(0, 7), 0x123456u);
  EXPECT_EQ(fb.Pixel(0, 9), 0x123456u);

  CPen pen(PS_SOLID, 3, RGB(255, 0, 0));
  CBrush brush(RGB(0, 0, 255));
  CPen* pOldPen = dc.SelectObject(&pen);
  CBrush* pOldBrush = dc.SelectObject(&brush);
  ASSERT_NE(pOldPen, nullptr);
  ASSERT_NE(pOldBrush, nullptr);
  EXPECT_EQ(pOldPen->Width(), 1);
  EXPECT_EQ(pOldPen->Color(), RGB(0, 0, 0));
  EXPECT_EQ(pOldBrush->Color(), RGB(255, 255, 255));
  EXPECT_EQ(dc.SelectObject(pOldPen), &pen);
  EXPECT_EQ(dc.SelectObject(pOldBrush), &brush);
  EXPECT_EQ(dc.SelectObject((CPen*)nullptr), nullptr);  // a failed selection keeps the pen

  LOGFONT lf{};
  lf.lfHeight = 20;
  CFont font;
  ASSERT_TRUE(font.CreateFontIndirect(&lf));
  CFont* pOldFont = dc.SelectObject(&font);
  ASSERT_NE(pOldFont, nullptr);
  EXPECT_EQ(dc.SelectObject(pOldFont), &font);
  EXPECT_TRUE(font.DeleteObject());
  EXPECT_FALSE(font.IsCreated());
  EXPECT_FALSE(font.DeleteObject());
}

TEST(Gdi, FillRectLeavesRightAndBottomEdgesAndClips) {
  Framebuffer fb(16, 16);
  CDC dc(&fb);
  CBrush red(RGB(255, 0, 0));
  RECT rc{2, 3, 7, 9};
  fb.TakeDirty();
  dc.FillRect(&rc, &red);
  ExpectPixels(
      fb, [](int x, int y) { return x >= 2 && x < 7 && y >= 3 && y < 9; }, 0xFF0000, "fill");
  RECT dirty = fb.TakeDirty();
  EXPECT_EQ(dirty.left, 2);
  EXPECT_EQ(dirty.top, 3);
  EXPECT_EQ(dirty.right, 7);
  EXPECT_EQ(dirty.bottom, 9);

  // Empty and inverted rectangles fill nothing and dirty nothing.
  fb.Fill(WHITE);
  fb.TakeDirty();
  RECT empty{5, 5, 5, 9}, inverted{9, 9, 4, 4};
  dc.FillRect(&empty, &red);
  dc.FillRect(&inverted, &red);
  dc.FillRect(nullptr, &red);
  ExpectPixels(fb, [](int, int) { return false; }, 0, "empty");
  dirty = fb.TakeDirty();
  EXPECT_GE(dirty.left, dirty.right);

  // Beyond every edge, with extreme coordinates: clipped to the buffer, no overflow.
  RECT huge{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
  dc.FillRect(&huge, &red);
  ExpectPixels(fb, [](int, int) { return true; }, 0xFF0000, "huge");
  fb.Fill(WHITE);
  RECT corner{-5, 14, 2, 1000};
  dc.FillRect(&corner, &red);
  ExpectPixels(fb, [](int x, int y) { return x < 2 && y >= 14; }, 0xFF0000, "corner");
  fb.Fill(WHITE);
  RECT outside{16, 0, 40, 16};
  dc.FillRect(&outside, &red);
  ExpectPixels(fb, [](int, int) { return false; }, 0, "outside");

  // Without a brush of its own FillRect uses the selected one.
  CBrush blue(RGB(0, 0, 255));
  CBrush* pOld = dc.SelectObject(&blue);
  RECT one{4, 4, 5, 5};
  dc.FillRect(&one);
  ExpectPixels(fb, [](int x, int y) { return x == 4 && y == 4; }, 0x0000FF, "selected brush");
  dc.SelectObject(pOld);
}

TEST(Gdi, OnePixelLinesLeaveTheirEndPointOut) {
  Framebuffer fb(16, 16);
  CDC dc(&fb);
  CPen pen(PS_SOLID, 1, RGB(0, 128, 0));
  dc.SelectObject(&pen);

  dc.MoveTo(2, 5);
  EXPECT_TRUE(dc.LineTo(10, 5));
  ExpectPixels(fb, [](int x, int y) { return y == 5 && x >= 2 && x < 10; }, 0x008000, "rightward");
  fb.Fill(WHITE);
  dc.MoveTo(10, 5);
  dc.LineTo(2, 5);
  ExpectPixels(fb, [](int x, int y) { return y == 5 && x > 2 && x <= 10; }, 0x008000, "leftward");
  fb.Fill(WHITE);
  dc.MoveTo(7, 12);
  dc.LineTo(7, 3);
  ExpectPixels(fb, [](int x, int y) { return x == 7 && y > 3 && y <= 12; }, 0x008000, "upward");
  fb.Fill(WHITE);
  dc.MoveTo(1, 1);
  dc.LineTo(6, 6);
  ExpectPixels(fb, [](int x, int y) { return x == y && x >= 1 && x < 6; }, 0x008000, "diagonal");

  // A shallow line: one pixel per column, rounded half up.
  fb.Fill(WHITE);
  dc.MoveTo(0, 0);
  dc.LineTo(6, 3);
  EXPECT_EQ(Picture(fb, 0x008000).substr(0, 17 * 4),
            "o...............\n"
            ".oo.............\n"
            "...oo...........\n"
            ".....o..........\n");

  // A closed polyline: each segment starts where the last one stopped, so every corner is
  // drawn exactly once and the outline has no gap.
  fb.Fill(WHITE);
  dc.MoveTo(3, 3);
  dc.LineTo(12, 3);
  dc.LineTo(12, 9);
  dc.LineTo(3, 9);
  dc.LineTo(3, 3);
  ExpectPixels(
      fb,
      [](int x, int y) {
        return ((y == 3 || y == 9) && x >= 3 && x <= 12) ||
               ((x == 3 || x == 12) && y >= 3 && y <= 9);
      },
      0x008000, "box");

  // A zero-length line draws nothing, and the pen position follows LineTo.
  fb.Fill(WHITE);
  dc.MoveTo(4, 4);
  dc.LineTo(4, 4);
  dc.LineTo(4, 6);
  ExpectPixels(
      fb, [](int x, int y) { return x == 4 && (y == 4 || y == 5); }, 0x008000, "zero length");
}

TEST(Gdi, WidePensSpreadAcrossTheLineFromMinusHalfTheWidth) {
  Framebuffer fb(16, 16);
  CDC dc(&fb);
  CPen two(PS_SOLID, 2, RGB(0, 0, 255));
  CPen* pOld = dc.SelectObject(&two);
  dc.MoveTo(2, 5);
  dc.LineTo(10, 5);
  ExpectPixels(
      fb, [](int x, int y) { return (y == 4 || y == 5) && x >= 2 && x < 10; }, 0x0000FF, "2 px");

  fb.Fill(WHITE);
  CPen three(PS_SOLID, 3, RGB(0, 0, 255));
  dc.SelectObject(&three);
  dc.MoveTo(8, 12);
  dc.LineTo(8, 2);
  ExpectPixels(
      fb, [](int x, int y) { return x >= 7 && x <= 9 && y > 2 && y <= 12; }, 0x0000FF, "3 px");

  // Diagonal: each pixel of the thin line grows across the minor axis.
  fb.Fill(WHITE);
  dc.SelectObject(&two);
  dc.MoveTo(2, 3);
  dc.LineTo(6, 7);
  ExpectPixels(
      fb, [](int x, int y) { return x >= 2 && x < 6 && (y == x || y == x + 1); }, 0x0000FF,
      "2 px diagonal");

  // The underline of a 3-character text on a 642 x 402 client: rows 33 and 34, columns 41
  // up to and not including 65.
  Framebuffer screen(642, 402);
  CDC sdc(&screen);
  CPen underline(PS_SOLID, 2, RGB(0, 128, 0));
  sdc.SelectObject(&underline);
  screen.TakeDirty();
  sdc.MoveTo(41, 34);
  sdc.LineTo(65, 34);
  ExpectPixels(
      screen, [](int x, int y) { return (y == 33 || y == 34) && x >= 41 && x < 65; }, 0x008000,
      "underline");
  RECT dirty = screen.TakeDirty();
  EXPECT_EQ(dirty.left, 41);
  EXPECT_EQ(dirty.top, 33);
  EXPECT_EQ(dirty.right, 65);
  EXPECT_EQ(dirty.bottom, 35);
  dc.SelectObject(pOld);
}

TEST(Gdi, LinesClipAtAndFarBeyondTheEdges) {
  Framebuffer fb(16, 16);
  CDC dc(&fb);
  CPen three(PS_SOLID, 3, RGB(255, 0, 0));
  dc.SelectObject(&three);
  dc.MoveTo(-20, -1);  // only the lowest row of the pen reaches row 0
  dc.LineTo(40, -1);
  ExpectPixels(fb, [](int, int y) { return y == 0; }, 0xFF0000, "top edge");

  fb.Fill(WHITE);
  CPen one(PS_SOLID, 1, RGB(255, 0, 0));
  dc.SelectObject(&one);
  dc.MoveTo(-1000000, -1000000);
  dc.LineTo(1000000, 1000000);
  ExpectPixels(fb, [](int x, int y) { return x == y; }, 0xFF0000, "long diagonal");

  // Extreme coordinates neither overflow nor take long.
  fb.Fill(WHITE);
  dc.MoveTo(INT_MIN, 5);
  dc.LineTo(INT_MAX, 5);
  ExpectPixels(fb, [](int, int y) { return y == 5; }, 0xFF0000, "extreme horizontal");
  fb.Fill(WHITE);
  dc.MoveTo(INT_MIN, INT_MIN);
  dc.LineTo(INT_MAX, INT_MAX);
  dc.MoveTo(INT_MAX, INT_MIN);
  dc.LineTo(INT_MIN, INT_MAX);
  dc.MoveTo(100, -3);
  dc.LineTo(-3, 100);
  for (int y = 0; y < 16; y++) EXPECT_EQ(fb.Pixel(y, y), 0xFF0000u);

  // Lines wholly outside draw nothing.
  fb.Fill(WHITE);
  dc.MoveTo(-10, 20);
  dc.LineTo(30, 40);
  dc.MoveTo(16, 0);
  dc.LineTo(16, 15);
  ExpectPixels(fb, [](int, int) { return false; }, 0, "outside");
}

TEST(Gdi, EllipseIsInscribedOutlinedWithThePenAndFilledWithTheBrush) {
  Framebuffer fb(12, 10);
  CDC dc(&fb);
  CPen pen(PS_SOLID, 1, RGB(255, 0, 0));
  CBrush brush(RGB(0, 0, 255));
  dc.SelectObject(&pen);
  dc.SelectObject(&brush);
  fb.TakeDirty();
  dc.Ellipse(1, 1, 11, 9);  // 10 x 8: columns 1..10, rows 1..8
  EXPECT_EQ(Picture(fb, 0xFF0000),
            "............\n"
            "....oooo....\n"
            "..oo####oo..\n"
            ".o########o.\n"
            ".o########o.\n"
            ".o########o.\n"
            ".o########o.\n"
            "..oo####oo..\n"
            "....oooo....\n"
            "............\n");
  EXPECT_EQ(fb.Pixel(5, 5), 0x0000FFu);
  RECT dirty = fb.TakeDirty();
  EXPECT_EQ(dirty.left, 1);
  EXPECT_EQ(dirty.top, 1);
  EXPECT_EQ(dirty.right, 11);
  EXPECT_EQ(dirty.bottom, 9);

  // Given the other way round, the same ellipse.
  fb.Fill(WHITE);
  dc.Ellipse(11, 9, 1, 1);
  EXPECT_EQ(Picture(fb, 0xFF0000).substr(13, 12), "....oooo....");

  // A wider pen thickens the outline inwards; the ellipse keeps its rectangle.
  Framebuffer big(16, 16);
  CDC bdc(&big);
  CPen wide(PS_SOLID, 2, RGB(255, 0, 0));
  bdc.SelectObject(&wide);
  bdc.SelectObject(&brush);
  bdc.Ellipse(0, 0, 16, 16);
  for (int i = 0; i < 16; i++) {
    EXPECT_EQ(big.Pixel(i, 7), big.Pixel(15 - i, 7)) << "symmetric across, column " << i;
    EXPECT_EQ(big.Pixel(7, i), big.Pixel(7, 15 - i)) << "symmetric down, row " << i;
  }
  EXPECT_EQ(big.Pixel(0, 7), 0xFF0000u);
  EXPECT_EQ(big.Pixel(1, 7), 0xFF0000u);
  EXPECT_EQ(big.Pixel(2, 7), 0x0000FFu);  // brush
  EXPECT_EQ(big.Pixel(7, 0), 0xFF0000u);
  EXPECT_EQ(big.Pixel(7, 1), 0xFF0000u);
  EXPECT_EQ(big.Pixel(7, 2), 0x0000FFu);
  EXPECT_EQ(big.Pixel(0, 0), WHITE);
  // The outline is closed: no brush pixel touches the outside.
  for (int y = 0; y < 16; y++)
    for (int x = 0; x < 16; x++)
      if (big.Pixel(x, y) == 0x0000FFu) {
        EXPECT_NE(big.Pixel(x - 1, y), WHITE);
        EXPECT_NE(big.Pixel(x + 1, y), WHITE);
        EXPECT_NE(big.Pixel(x, y - 1), WHITE);
        EXPECT_NE(big.Pixel(x, y + 1), WHITE);
      }
}

TEST(Gdi, EllipseClipsAndDegenerateEllipsesStayQuiet) {
  Framebuffer fb(16, 16);
  CDC dc(&fb);
  CBrush brush(RGB(0, 0, 255));
  dc.SelectObject(&brush);
  // Centred on the top-left corner: only its lower-right quarter shows.
  dc.Ellipse(-8, -8, 8, 8);
  EXPECT_EQ(fb.Pixel(0, 0), 0x0000FFu);
  EXPECT_EQ(fb.Pixel(7, 0), 0x000000u);
  EXPECT_EQ(fb.Pixel(8, 0), WHITE);
  EXPECT_EQ(fb.Pixel(0, 8), WHITE);
  EXPECT_EQ(fb.Pixel(7, 7), WHITE);

  // Enormous: covers the whole buffer with brush, outline far away, and returns at once.
  fb.Fill(WHITE);
  dc.Ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  ExpectPixels(fb, [](int, int) { return true; }, 0x0000FF, "enormous");

  // Empty, and one pixel: the pen alone.
  fb.Fill(WHITE);
  dc.Ellipse(3, 3, 3, 9);
  dc.Ellipse(5, 5, 6, 6);
  ExpectPixels(fb, [](int x, int y) { return x == 5 && y == 5; }, 0x000000, "tiny");
}

TEST(Gdi, TinyAndEmptyFramebuffersTakeEveryCall) {
  for (int size : {0, 1}) {
    Framebuffer fb(size, size);
    CDC dc(&fb);
    fb.EnableLog(true);
    RECT rc{-10, -10, 10, 10};
    dc.FillRect(&rc);
    CPen pen(PS_SOLID, 5, RGB(255, 0, 0));
    dc.SelectObject(&pen);
    dc.MoveTo(-5, 0);
    dc.LineTo(5, 0);
    dc.MoveTo(0, -5);
    dc.LineTo(3, 7);
    dc.Ellipse(-3, -3, 4, 4);
    dc.TextOut(0, 0, "Ab\x83\x41", 4);
    dc.TextOut(-100, -100, "x", 1);
    EXPECT_EQ(fb.Log().size(), 6u);
    EXPECT_EQ(fb.Pixel(1, 0), 0u);
    RECT dirty = fb.TakeDirty();
    EXPECT_EQ(dirty.right - dirty.left, size);
  }
  Framebuffer fb(-3, 7);  // a negative size is no size
  EXPECT_EQ(fb.Width(), 0);
  EXPECT_EQ(fb.Height(), 0);
}

TEST(Gdi, DirtyRectangleCollectsWhatChangedUntilTaken) {
  Framebuffer fb(32, 32);
  RECT rc = fb.TakeDirty();  // a new buffer is dirty all over
  EXPECT_EQ(rc.right, 32);
  EXPECT_EQ(rc.bottom, 32);
  rc = fb.TakeDirty();
  EXPECT_GE(rc.left, rc.right);

  CDC dc(&fb);
  RECT a{2, 3, 4, 5}, b{10, 1, 12, 2};
  dc.FillRect(&a);
  dc.FillRect(&b);
  dc.MoveTo(20, 20);
  dc.LineTo(20, 40);
  rc = fb.TakeDirty();
  EXPECT_EQ(rc.left, 2);
  EXPECT_EQ(rc.top, 1);
  EXPECT_EQ(rc.right, 21);
  EXPECT_EQ(rc.bottom, 32);

  fb.Resize(8, 4);
  rc = fb.TakeDirty();
  EXPECT_EQ(rc.right, 8);
  EXPECT_EQ(rc.bottom, 4);
  EXPECT_EQ(fb.Pixel(7, 3), WHITE);
  EXPECT_EQ(fb.Pixel(8, 3), 0u);
}

TEST(Gdi, LogRecordsEachCallWithItsRectangleAndColours) {
  Framebuffer fb(64, 64);
  CDC dc(&fb);
  RECT rc{1, 2, 3, 4};
  dc.FillRect(&rc);  // not logged: the log is off
  EXPECT_TRUE(fb.Log().empty());
  fb.EnableLog(true);
  CBrush brush(RGB(1, 2, 3));
  CPen pen(PS_SOLID, 2, RGB(4, 5, 6));
  dc.FillRect(&rc, &brush);
  dc.SelectObject(&pen);
  dc.SelectObject(&brush);
  dc.MoveTo(10, 20);
  dc.LineTo(30, 20);
  dc.Ellipse(5, 6, 19, 20);
  ASSERT_EQ(fb.Log().size(), 3u);
  const DrawCall& fill = fb.Log()[0];
  EXPECT_EQ(fill.op, "FillRect");
  EXPECT_EQ(fill.rc.left, 1);
  EXPECT_EQ(fill.rc.bottom, 4);
  EXPECT_EQ(fill.crBack, RGB(1, 2, 3));
  const DrawCall& line = fb.Log()[1];
  EXPECT_EQ(line.op, "LineTo");
  EXPECT_EQ(line.rc.left, 10);
  EXPECT_EQ(line.rc.top, 19);
  EXPECT_EQ(line.rc.right, 30);
  EXPECT_EQ(line.rc.bottom, 21);
  EXPECT_EQ(line.crText, RGB(4, 5, 6));
  EXPECT_EQ(line.nPenWidth, 2);
  const DrawCall& ellipse = fb.Log()[2];
  EXPECT_EQ(ellipse.op, "Ellipse");
  EXPECT_EQ(ellipse.rc.left, 5);
  EXPECT_EQ(ellipse.rc.right, 19);
  EXPECT_EQ(ellipse.crText, RGB(4, 5, 6));
  EXPECT_EQ(ellipse.crBack, RGB(1, 2, 3));
}

TEST(Gdi, PngHoldsTheFramebufferPixels) {
  Framebuffer fb(3, 2);
  fb.Row(0)[0] = 0xFF0000;
  fb.Row(0)[1] = 0x00FF00;
  fb.Row(0)[2] = 0x0000FF;
  fb.Row(1)[0] = 0x123456;
  const std::string folder = MakeTempFolder("numdril-gdi");
  ASSERT_FALSE(folder.empty());
  const std::string path = folder + "/x.png";
  ASSERT_TRUE(fb.WritePng(path.c_str()));

  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
  EXPECT_EQ(image.width, 3u);
  EXPECT_EQ(image.height, 2u);
  image.format = PNG_FORMAT_RGB;
  std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
  for (int y = 0; y < 2; y++)
    for (int x = 0; x < 3; x++) {
      const unsigned char* p = &rgb[(size_t)(y * 3 + x) * 3];
      EXPECT_EQ((uint32_t)(p[0] << 16 | p[1] << 8 | p[2]), fb.Pixel(x, y)) << x << ", " << y;
    }
  remove(path.c_str());

  EXPECT_FALSE(fb.WritePng("/nonexistent-dir/x.png"));
  Framebuffer empty;
  EXPECT_FALSE(empty.WritePng(path.c_str()));
  std::filesystem::remove_all(folder);
}
