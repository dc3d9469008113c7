// SPDX-License-Identifier: MIT
// The program's icon: its shape at the sizes the desktop uses, and the committed icon
// files (src/res/icons/, PNG and SVG) still the same drawing as the window's icon.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/icon.h"

namespace {

// Reads an 8-bit RGBA PNG as 0xAARRGGBB; empty when it is not one.
std::vector<uint32_t> ReadRgbaPng(const std::string& path, int* pnSize) {
  std::vector<uint32_t> argb;
  FILE* pFile = fopen(path.c_str(), "rb");
  if (!pFile) return argb;
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_byte> row;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    fclose(pFile);
    return {};
  }
  png_init_io(png, pFile);
  png_read_info(png, info);
  const int w = (int)png_get_image_width(png, info), h = (int)png_get_image_height(png, info);
  if (png_get_color_type(png, info) == PNG_COLOR_TYPE_RGBA && png_get_bit_depth(png, info) == 8 &&
      w == h) {
    row.resize((size_t)w * 4);
    for (int y = 0; y < h; y++) {
      png_read_row(png, row.data(), nullptr);
      for (int x = 0; x < w; x++) {
        const png_byte* p = &row[(size_t)x * 4];
        argb.push_back((uint32_t)p[3] << 24 | (uint32_t)p[0] << 16 | (uint32_t)p[1] << 8 | p[2]);
      }
    }
    *pnSize = w;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  fclose(pFile);
  return argb;
}

std::string SourceRoot() { return NUMDRIL_SOURCE_DIR "/"; }

}  // namespace

TEST(Icon, AKeypadWithTransparentCornersAndItsFiveKeyMarked) {
  EXPECT_TRUE(DrawAppIcon(0).empty());
  EXPECT_TRUE(DrawAppIcon(2000).empty());
  for (int n : {16, 48, 256}) {
    std::vector<uint32_t> icon = DrawAppIcon(n);
    ASSERT_EQ(icon.size(), (size_t)n * n);
    auto at = [&](double x, double y) { return icon[(size_t)(y * n) * n + (size_t)(x * n)]; };
    EXPECT_EQ(at(0, 0) >> 24, 0u) << n;              // corners see through
    EXPECT_EQ(at(0.99, 0.99) >> 24, 0u) << n;
    EXPECT_EQ(at(0.08, 0.5), 0xFF006E6Eu) << n;      // the body, opaque teal
    EXPECT_EQ(at(0.38, 0.38), 0xFF802080u) << n;     // the 5 key, purple
    EXPECT_EQ(at(0.2, 0.2), 0xFFF7F7F2u) << n;       // the 7 key
  }
}

TEST(Icon, TheInstalledFilesAreTheWindowsOwnDrawing) {
  // After changing the drawing: cmake --build BUILD --target numdril_icons
  for (int n : {16, 32, 48, 64, 128, 256}) {
    std::string path = SourceRoot() + "src/res/icons/numdril-" + std::to_string(n) + ".png";
    int nSize = 0;
    std::vector<uint32_t> file = ReadRgbaPng(path, &nSize);
    ASSERT_EQ(nSize, n) << path;
    std::vector<uint32_t> drawn = DrawAppIcon(n);
    // Fully transparent pixels carry no colour worth comparing.
    for (uint32_t& p : drawn)
      if ((p >> 24) == 0) p = 0;
    for (uint32_t& p : file)
      if ((p >> 24) == 0) p = 0;
    EXPECT_EQ(file, drawn) << path;
  }
}

TEST(Icon, TheScalableIconHasTheSameShapes) {
  FILE* pFile = fopen((SourceRoot() + "src/res/icons/numdril.svg").c_str(), "rb");
  ASSERT_NE(pFile, nullptr);
  std::string file;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pFile)) > 0;) file.append(buffer, n);
  fclose(pFile);
  EXPECT_EQ(file, AppIconSvg());
  // The body fills the picture edge to edge less its margins; the 5 key is purple.
  EXPECT_NE(file.find("<rect x=\"15.36\" y=\"7.68\" width=\"225.28\" height=\"240.64\""),
            std::string::npos) << file;
  EXPECT_NE(file.find("fill=\"#802080\""), std::string::npos);
}
