// SPDX-License-Identifier: MIT
// Practice report as an SVG picture, private to report/: the picture's width and plot
// edges, its colours, and the pieces that the files' charts (svg.cpp) and the practice
// section (practice_svg.cpp) both draw with.
#pragma once

#include <string>

#include "report/report.h"

// The picture's width and the plots' left and right edges, in SVG user units (pixels).
constexpr int PICTURE_WIDTH = 800;
constexpr int PLOT_LEFT = 80;
constexpr int PLOT_RIGHT = 770;

constexpr char SPEED_COLOUR[] = "#1f7a3a";
constexpr char GRID_COLOUR[] = "#d9d9d9";
constexpr char TEXT_COLOUR[] = "#333333";

// Text made safe for XML character data and attribute values.
std::string SvgEscape(const std::string& text);
// Text at a place, anchored "start", "middle" or "end"; pszExtra adds attributes.
void AppendSvgText(std::string* pOut, double x, double y, const char* pszAnchor,
                   const std::string& text, const char* pszExtra = "");
// The value axis from 0 to its top along [nTop, nBottom], a grid line and a label at each
// step, and a title written upwards.
void AppendValueAxis(std::string* pOut, int nTop, int nBottom, const ReportAxis& axis,
                     const std::string& title);
