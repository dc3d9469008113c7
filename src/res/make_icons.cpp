// SPDX-License-Identifier: MIT
// Writes the program's icon as RGBA PNG files, one for each size the desktop's icon theme
// asks for, and as SVG, into a folder (src/res/icons/, where they are kept and installed
// from). A
// developer tool, run by the numdril_icons target; the program itself draws the same icon.
//   numdril_make_icons DIR
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/icon.h"

static bool WriteRgbaPng(const std::string& path, int nSize, const std::vector<uint32_t>& argb) {
  FILE* pFile = fopen(path.c_str(), "wb");
  if (!pFile) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  std::vector<png_byte> row((size_t)nSize * 4);
  if (!png || !info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    fclose(pFile);
    return false;
  }
  png_init_io(png, pFile);
  png_set_IHDR(png, info, (png_uint_32)nSize, (png_uint_32)nSize, 8, PNG_COLOR_TYPE_RGBA,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int y = 0; y < nSize; y++) {
    for (int x = 0; x < nSize; x++) {
      uint32_t p = argb[(size_t)y * nSize + x];
      row[(size_t)x * 4 + 0] = (png_byte)(p >> 16);
      row[(size_t)x * 4 + 1] = (png_byte)(p >> 8);
      row[(size_t)x * 4 + 2] = (png_byte)p;
      row[(size_t)x * 4 + 3] = (png_byte)(p >> 24);
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return fclose(pFile) == 0;
}

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: numdril_make_icons DIR\n");
    return 2;
  }
  for (int nSize : {16, 32, 48, 64, 128, 256}) {
    std::string path = std::string(argv[1]) + "/numdril-" + std::to_string(nSize) + ".png";
    if (!WriteRgbaPng(path, nSize, DrawAppIcon(nSize))) {
      fprintf(stderr, "numdril_make_icons: cannot write %s\n", path.c_str());
      return 1;
    }
    printf("%s\n", path.c_str());
  }
  std::string path = std::string(argv[1]) + "/numdril.svg";
  std::string svg = AppIconSvg();
  FILE* pFile = fopen(path.c_str(), "wb");
  if (!pFile || fwrite(svg.data(), 1, svg.size(), pFile) != svg.size() || fclose(pFile) != 0) {
    fprintf(stderr, "numdril_make_icons: cannot write %s\n", path.c_str());
    return 1;
  }
  printf("%s\n", path.c_str());
  return 0;
}
