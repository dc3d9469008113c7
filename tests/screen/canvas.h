// SPDX-License-Identifier: MIT
// A bare drawing surface for the text-screen tests: a framebuffer of a chosen client size,
// a context on it, g_rcClient set to match and every screen global at its start.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "screen/screen.h"

struct Canvas {
  Framebuffer fb;
  CDC dc;
  explicit Canvas(int nWidth = 642, int nHeight = 402) : fb(nWidth, nHeight), dc(&fb) {
    ResetScreenState();
    g_rcClient = RECT{0, 0, nWidth, nHeight};
    fb.EnableLog(true);
  }
  std::vector<DrawCall> Calls(const std::string& op) {
    std::vector<DrawCall> out;
    for (const DrawCall& call : fb.Log())
      if (call.op == op) out.push_back(call);
    return out;
  }
  int Count(int x0, int y0, int x1, int y1, uint32_t rgb) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += fb.Pixel(x, y) == rgb;
    return n;
  }
  bool Ink(int x0, int y0, int x1, int y1) const {
    return Count(x0, y0, x1, y1, 0xFFFFFF) != (x1 - x0) * (y1 - y0);
  }
  // Writes the drawing to $NUMDRIL_TEST_PNG_DIR/screen-<name>.png when that variable is set.
  void Png(const char* name) const {
    const char* pszDir = getenv("NUMDRIL_TEST_PNG_DIR");
    if (pszDir && *pszDir) fb.WritePng((std::string(pszDir) + "/screen-" + name + ".png").c_str());
  }
};

// "ＭＳ ゴシック" in code page 932.
inline const std::string FACE_JA = "\x82\x6C\x82\x72\x20\x83\x53\x83\x56\x83\x62\x83\x4E";
