// SPDX-License-Identifier: MIT
// The framebuffer on memory it does not own (a window surface, whose rows may be padded):
// drawing lands at the right places, padding is never touched, and letting go keeps the
// picture. Not the drawing rules themselves (gdi_test.cpp).
#include <gtest/gtest.h>

#include <vector>

#include "platform/platform.h"

namespace {

constexpr uint32_t WHITE = 0xFFFFFF;
constexpr uint32_t PAD = 0xDEADBEEF;  // what the padding of each row holds throughout

}  // namespace

TEST(Framebuffer, AttachedToPaddedRowsDrawsInPlaceAndDetachKeepsThePicture) {
  // 5 x 3 pixels in rows 8 pixels apart, like a surface with a pitch wider than its width.
  const int W = 5, H = 3, PITCH = 8;
  std::vector<uint32_t> memory((size_t)PITCH * H, PAD);
  Framebuffer fb(2, 2);
  fb.Attach(memory.data(), W, H, PITCH);
  EXPECT_TRUE(fb.IsAttachedTo(memory.data()));
  EXPECT_EQ(fb.Width(), W);
  EXPECT_EQ(fb.Height(), H);
  EXPECT_EQ(fb.Pitch(), PITCH);
  // Attaching whitens the visible part and reports all of it changed.
  RECT dirty = fb.TakeDirty();
  EXPECT_EQ(dirty.right, W);
  EXPECT_EQ(dirty.bottom, H);

  {
    CDC dc(&fb);
    CBrush red(RGB(255, 0, 0));
    RECT all{-10, -10, 100, 100};  // clipped to the 5 x 3 visible pixels
    dc.FillRect(&all, &red);
    CBrush blue(RGB(0, 0, 255));
    RECT one{4, 2, 5, 3};
    dc.FillRect(&one, &blue);
  }
  for (int y = 0; y < H; y++) {
    for (int x = 0; x < PITCH; x++) {
      uint32_t want = x >= W ? PAD : (x == 4 && y == 2) ? 0x0000FFu : 0xFF0000u;
      ASSERT_EQ(memory[(size_t)y * PITCH + x], want) << "(" << x << ", " << y << ")";
    }
  }
  EXPECT_EQ(fb.Pixel(4, 2), 0x0000FFu);
  EXPECT_EQ(fb.Pixel(5, 0), 0u);  // outside the visible width, not the padding

  // Let go: the picture is the framebuffer's own now, and the old memory is left alone.
  fb.Detach();
  EXPECT_FALSE(fb.IsAttached());
  EXPECT_EQ(fb.Pitch(), W);
  std::fill(memory.begin(), memory.end(), 0u);
  EXPECT_EQ(fb.Pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(fb.Pixel(4, 2), 0x0000FFu);
  fb.Fill(WHITE);
  EXPECT_EQ(memory[0], 0u);
}

TEST(Framebuffer, ResizeLetsAttachedMemoryGoAndBadMemoryIsNeverAttached) {
  std::vector<uint32_t> memory(16, PAD);
  Framebuffer fb;
  fb.Attach(memory.data(), 4, 4, 4);
  ASSERT_TRUE(fb.IsAttached());
  fb.Resize(3, 2);
  EXPECT_FALSE(fb.IsAttached());
  EXPECT_EQ(fb.Pitch(), 3);
  fb.Fill(0x123456);
  EXPECT_EQ(fb.Pixel(2, 1), 0x123456u);
  EXPECT_EQ(memory[0], WHITE);  // whitened when attached, untouched since

  // No memory, or rows closer together than they are wide: an empty framebuffer that
  // draws nothing, instead of writing out of bounds.
  fb.Attach(nullptr, 4, 4, 4);
  EXPECT_FALSE(fb.IsAttached());
  EXPECT_EQ(fb.Width(), 0);
  fb.Attach(memory.data(), 4, 4, 3);
  EXPECT_FALSE(fb.IsAttached());
  EXPECT_EQ(fb.Height(), 0);
  CDC dc(&fb);
  RECT all{0, 0, 4, 4};
  dc.FillRect(&all);
  dc.TextOut(0, 0, "12", 2);
  for (uint32_t px : memory) EXPECT_EQ(px, WHITE);
}
