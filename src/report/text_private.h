// SPDX-License-Identifier: MIT
// Practice report as text, private to report/: the chart characters and the paint that
// the files' sections (text.cpp) and the practice section (practice_text.cpp) share.
#pragma once

#include <string>

#include "report/report.h"

// Chart characters, block drawing or the ASCII stand-in. The eighths are indexed by how
// many eighths of a cell are filled, 1 to 8.
struct ChartGlyphs {
  const char* pszAxisTop;    // y axis at the top value
  const char* pszAxis;       // y axis
  const char* pszCorner;     // where the axes meet
  const char* pszRule;       // x axis
  const char* pszUp[9];      // column filled from below, by eighths
  const char* pszAcross[9];  // bar filled from the left, by eighths
};
// Block drawing, for a UTF-8 terminal.
extern const ChartGlyphs BLOCK_GLYPHS;
// ASCII has no eighths: a column's cell is filled from half on; bars are rounded to whole
// cells before they are drawn.
extern const ChartGlyphs ASCII_GLYPHS;

// SGR sequences; used only with ReportStyle::bColour.
constexpr char SGR_BOLD[] = "\x1b[1m";
constexpr char SGR_SPEED[] = "\x1b[32m";  // green
constexpr char SGR_WEEK[] = "\x1b[36m";   // cyan
constexpr char SGR_RESET[] = "\x1b[0m";

// Text with its colour around it, when the style has colour.
void AppendPainted(std::string* pOut, const ReportStyle& style, const char* pszSgr,
                   const std::string& text);
// A blank line, then the heading in bold.
void AppendHeading(std::string* pOut, const ReportStyle& style, const std::string& text);
