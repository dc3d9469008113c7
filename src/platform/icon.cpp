// SPDX-License-Identifier: MIT
// The program's icon: a numeric keypad in the screens' teal and purple, drawn as rounded
// rectangles with 4 x 4 samples a pixel, so it is crisp at 16 pixels and smooth at 256;
// the same shapes as SVG for the scalable icon. Knows nothing of windows or files.
#include "platform/icon.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Whether the point (x, y) lies inside the rounded rectangle.
bool Inside(const IconShape& s, double x, double y) {
  if (x < s.x0 || x >= s.x1 || y < s.y0 || y >= s.y1) return false;
  double cx = std::clamp(x, s.x0 + s.r, s.x1 - s.r);
  double cy = std::clamp(y, s.y0 + s.r, s.y1 - s.r);
  return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= s.r * s.r;
}

constexpr int SAMPLES = 4;  // per pixel, across and down

// Paints one shape over the picture, pixel coverage as its alpha (source over).
void PaintOver(std::vector<double>& a, std::vector<double>& r, std::vector<double>& g,
               std::vector<double>& b, int n, const IconShape& s) {
  const double sr = ((s.rgb >> 16) & 0xFF) / 255.0, sg = ((s.rgb >> 8) & 0xFF) / 255.0,
               sb = (s.rgb & 0xFF) / 255.0;
  const int px0 = std::max(0, (int)std::floor(s.x0 * n)),
            px1 = std::min(n, (int)std::ceil(s.x1 * n));
  const int py0 = std::max(0, (int)std::floor(s.y0 * n)),
            py1 = std::min(n, (int)std::ceil(s.y1 * n));
  for (int py = py0; py < py1; py++) {
    for (int px = px0; px < px1; px++) {
      // The shape is convex: a pixel whose corners are all inside is inside throughout.
      const double x0 = (double)px / n, y0 = (double)py / n, x1 = (px + 1.0) / n,
                   y1 = (py + 1.0) / n;
      const double e = 1e-9;
      int hits = SAMPLES * SAMPLES;
      if (!Inside(s, x0, y0) || !Inside(s, x1 - e, y0) || !Inside(s, x0, y1 - e) ||
          !Inside(s, x1 - e, y1 - e)) {
        hits = 0;
        for (int sy = 0; sy < SAMPLES; sy++)
          for (int sx = 0; sx < SAMPLES; sx++)
            hits += Inside(s, (px + (sx + 0.5) / SAMPLES) / n, (py + (sy + 0.5) / SAMPLES) / n);
      }
      if (hits == 0) continue;
      const double cov = (double)hits / (SAMPLES * SAMPLES);
      const size_t i = (size_t)py * (size_t)n + (size_t)px;
      // Straight alpha over straight alpha.
      const double outA = cov + a[i] * (1 - cov);
      auto mix = [&](double src, double dst) {
        return (src * cov + dst * a[i] * (1 - cov)) / outA;
      };
      r[i] = mix(sr, r[i]);
      g[i] = mix(sg, g[i]);
      b[i] = mix(sb, b[i]);
      a[i] = outA;
    }
  }
}

}  // namespace

std::vector<IconShape> AppIconShapes() {
  const uint32_t BODY = 0x006E6E;    // the screens' teal, a shade deeper
  const uint32_t KEY = 0xF7F7F2;     // key tops
  const uint32_t HOME = 0x802080;    // the screens' purple: the 5 key, home of the hand
  std::vector<IconShape> shapes{{0.06, 0.03, 0.94, 0.97, 0.14, BODY}};

  // Four columns by four rows, as a keypad's digits sit: 7 8 9 +, 4 5 6 +, 1 2 3 Enter,
  // 0 0 . Enter; the plus and Enter keys two rows tall, the zero two columns wide.
  const double left = 0.15, top = 0.12, right = 0.85, bottom = 0.88, gap = 0.04;
  const double w = (right - left - 3 * gap) / 4, h = (bottom - top - 3 * gap) / 4;
  const double radius = std::min(w, h) * 0.18;
  struct Key {
    int col, row, cols, rows;
  };
  const Key keys[] = {{0, 0, 1, 1}, {1, 0, 1, 1}, {2, 0, 1, 1}, {3, 0, 1, 2},
                      {0, 1, 1, 1}, {1, 1, 1, 1}, {2, 1, 1, 1},
                      {0, 2, 1, 1}, {1, 2, 1, 1}, {2, 2, 1, 1}, {3, 2, 1, 2},
                      {0, 3, 2, 1}, {2, 3, 1, 1}};
  for (const Key& k : keys) {
    const double x0 = left + k.col * (w + gap), y0 = top + k.row * (h + gap);
    const double x1 = x0 + k.cols * w + (k.cols - 1) * gap,
                 y1 = y0 + k.rows * h + (k.rows - 1) * gap;
    const bool bHome = k.col == 1 && k.row == 1;
    shapes.push_back(IconShape{x0, y0, x1, y1, radius, bHome ? HOME : KEY});
  }
  return shapes;
}

std::vector<uint32_t> DrawAppIcon(int nSize) {
  if (nSize < 1 || nSize > 1024) return {};
  const int n = nSize;
  const size_t count = (size_t)n * (size_t)n;
  std::vector<double> a(count, 0.0), r(count, 0.0), g(count, 0.0), b(count, 0.0);
  for (const IconShape& s : AppIconShapes()) PaintOver(a, r, g, b, n, s);

  std::vector<uint32_t> pixels(count);
  auto byte = [](double v) { return (uint32_t)std::lround(std::clamp(v, 0.0, 1.0) * 255); };
  for (size_t i = 0; i < count; i++)
    pixels[i] = a[i] == 0 ? 0 : byte(a[i]) << 24 | byte(r[i]) << 16 | byte(g[i]) << 8 | byte(b[i]);
  return pixels;
}

std::string AppIconSvg() {
  const double SIDE = 256;  // the viewBox; any size scales from it
  std::string svg =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<!-- SPDX-License-Identifier: MIT -->\n"
      "<!-- numdril's icon, written by numdril_make_icons from the drawing the window uses -->\n"
      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
      "viewBox=\"0 0 256 256\">\n";
  char line[160];
  for (const IconShape& s : AppIconShapes()) {
    snprintf(line, sizeof line,
             "  <rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" rx=\"%.2f\" "
             "fill=\"#%06X\"/>\n",
             s.x0 * SIDE, s.y0 * SIDE, (s.x1 - s.x0) * SIDE, (s.y1 - s.y0) * SIDE, s.r * SIDE,
             (unsigned)s.rgb);
    svg += line;
  }
  return svg + "</svg>\n";
}
