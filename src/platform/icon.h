// SPDX-License-Identifier: MIT
// The program's icon, drawn by code: the window's icon and the files the desktop installs
// (src/res/icons/, PNGs and an SVG written by src/res/make_icons.cpp) come from this one
// drawing. Private to the platform layer and that generator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One rounded rectangle of the icon, in units of the icon's side (0..1, y downwards), its
// corners' radius and its colour 0xRRGGBB.
struct IconShape {
  double x0, y0, x1, y1, r;
  uint32_t rgb;
};

// The icon's shapes, each painted over those before it: a numeric keypad with its 5 key
// marked.
std::vector<IconShape> AppIconShapes();

// The icon at nSize x nSize pixels, row by row, as 0xAARRGGBB with straight (not
// premultiplied) alpha: a numeric keypad with its 5 key marked, edges antialiased, the
// corners transparent. Empty for a size below 1 or above 1024.
std::vector<uint32_t> DrawAppIcon(int nSize);
// The same shapes as an SVG document (the scalable icon).
std::string AppIconSvg();
