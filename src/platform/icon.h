// SPDX-License-Identifier: MIT
// The program's icon, drawn by code: the window's icon and the files the desktop installs
// (src/res/icons/, written by src/res/make_icons.cpp) come from this one drawing. Private to
// the platform layer and that generator.
#pragma once

#include <cstdint>
#include <vector>

// The icon at nSize x nSize pixels, row by row, as 0xAARRGGBB with straight (not
// premultiplied) alpha: a numeric keypad with its 5 key marked, edges antialiased, the
// corners transparent. Empty for a size below 1 or above 1024.
std::vector<uint32_t> DrawAppIcon(int nSize);
