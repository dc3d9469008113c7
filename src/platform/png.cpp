// SPDX-License-Identifier: MIT
// Writes a framebuffer as an 8-bit RGB PNG with libpng (tests, screenshots, the headless
// renderer). Reading PNGs is not this layer's business.
#include <png.h>

#include <cstdio>
#include <vector>

#include "platform/platform.h"

bool Framebuffer::WritePng(const char* path) const {
  if (path == nullptr || m_nWidth <= 0 || m_nHeight <= 0) return false;
  FILE* fp = fopen(path, "wb");
  if (fp == nullptr) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr) {
    png_destroy_write_struct(&png, &info);
    fclose(fp);
    return false;
  }
  // Allocated before setjmp, so a longjmp out of libpng leaks nothing.
  std::vector<png_byte> row((size_t)m_nWidth * 3);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    fclose(fp);
    return false;
  }
  png_init_io(png, fp);
  png_set_IHDR(png, info, (png_uint_32)m_nWidth, (png_uint_32)m_nHeight, 8, PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < m_nHeight; y++) {
    const uint32_t* src = Row(y);
    for (int x = 0; x < m_nWidth; x++) {
      row[(size_t)x * 3 + 0] = (png_byte)(src[x] >> 16);
      row[(size_t)x * 3 + 1] = (png_byte)(src[x] >> 8);
      row[(size_t)x * 3 + 2] = (png_byte)src[x];
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return fclose(fp) == 0;
}
