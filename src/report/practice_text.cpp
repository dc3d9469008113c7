// SPDX-License-Identifier: MIT
// Practice report as text, the practice section from numdril.db: the span's summary, the
// random drill's speed and accuracy per day as charts and a table, the keypad drawn as it
// is laid out with each key's accuracy and median time (its accuracy band as the key's
// colour on a colour terminal), the slowest moves beside the commonest mix-ups, and the
// last runs. Columns are measured as a terminal draws them. Reads nothing.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "report/report.h"
#include "report/text_private.h"

// The speed chart in character cells, the accuracy chart's rows, and the widest a column
// of either grows for a short span.
static const int CHART_COLUMNS = 60;
static const int SPEED_ROWS = 8;
static const int ACCURACY_ROWS = 5;
static const int MAX_CELLS_PER_GROUP = 4;
// A keypad key's inside: columns, and lines (its name, accuracy, median time).
static const int KEY_WIDTH = 8;
static const int KEY_LINES = 3;
// Keypad grid: four columns and four rows of keys.
static const int KEYPAD_COLUMNS = 4, KEYPAD_ROWS = 4;
static const int CANVAS_WIDTH = KEYPAD_COLUMNS * (KEY_WIDTH + 1) + 1;
static const int CANVAS_HEIGHT = KEYPAD_ROWS * (KEY_LINES + 1) + 1;
// Columns the report keeps within, for what it lays side by side.
static const int LINE_COLUMNS = 79;
// A run cut short by Esc is marked in the last runs with this.
static const char CANCELLED_MARK[] = "*";

// ---- Colours ---------------------------------------------------------------------------

// The nearest colour of the 256-colour terminal's 6 x 6 x 6 cube to an RGB tint.
static int TerminalColour(uint32_t nRgb) {
  static const int LEVELS[6] = {0, 95, 135, 175, 215, 255};
  int nIndex = 16;
  for (int nShift = 16, nWeight = 36; nShift >= 0; nShift -= 8, nWeight /= 6) {
    const int nValue = (int)(nRgb >> nShift) & 0xFF;
    int nBest = 0;
    for (int i = 1; i < 6; ++i)
      if (std::abs(LEVELS[i] - nValue) < std::abs(LEVELS[nBest] - nValue)) nBest = i;
    nIndex += nBest * nWeight;
  }
  return nIndex;
}

// SGR of a band: its tint behind black text, or as the text's colour.
static std::string BandBackground(int nBand) {
  return "\x1b[30;48;5;" + std::to_string(TerminalColour(ACCURACY_BANDS[nBand].nRgb)) + "m";
}
static std::string BandForeground(int nBand) {
  return "\x1b[38;5;" + std::to_string(TerminalColour(ACCURACY_BANDS[nBand].nRgb)) + "m";
}

// ---- Charts per day --------------------------------------------------------------------

// One chart column's cell in row nRow from the top of nRows, filled nEighths from below.
static const char* ColumnCell(const ChartGlyphs& glyphs, int nEighths, int nRow, int nRows) {
  return glyphs.pszUp[std::clamp(nEighths - (nRows - 1 - nRow) * 8, 0, 8)];
}

// The line under a chart: its first and last day under its ends.
static void AppendDateAxis(std::string* pOut, int nLabelWidth, int nCells, int nFirstDay,
                           int nLastDay) {
  const std::string first = ReportDate(nFirstDay), last = ReportDate(nLastDay);
  *pOut += std::string((size_t)nLabelWidth + 2, ' ') + first;
  if (nLastDay > nFirstDay)
    *pOut += PadLeft(last, std::max(nCells - TextColumns(first), TextColumns(last) + 2));
  *pOut += "\n";
}

// The axis with its label, left of a chart row.
static std::string AxisStart(const ChartGlyphs& glyphs, const std::string& label, int nWidth,
                             bool bTop) {
  return PadLeft(label, nWidth) + " " + (bTop ? glyphs.pszAxisTop : glyphs.pszAxis);
}

// Speed per group: the median's column in full blocks, lighter blocks above it up to the
// best run.
static void AppendSpeedChart(std::string* pOut, const std::vector<ReportDayGroup>& groups,
                             int nCells, const ReportStyle& style) {
  const ChartGlyphs& glyphs = style.bUtf8 ? BLOCK_GLYPHS : ASCII_GLYPHS;
  const char* pszBest = style.bUtf8 ? "░" : ":";
  const ReportAxis axis = SpeedAxis(groups);
  const std::string top = ReportAxisLabel(axis, axis.Top());
  const int nLabelWidth = TextColumns(top) + 2;
  auto Eighths = [&](double dValue) {
    return (int)std::lround(axis.Share(dValue) * SPEED_ROWS * 8);
  };
  *pOut += "\n";
  for (int r = 0; r < SPEED_ROWS; ++r) {
    std::string cells;
    const int nBase = (SPEED_ROWS - 1 - r) * 8;
    for (const ReportDayGroup& group : groups) {
      const int nMedian = group.nRuns > 0 ? Eighths(group.dMedianCpm) : 0;
      const int nBest = group.nRuns > 0 ? Eighths(group.dBestCpm) : 0;
      // Up to the best: a cell above the median's, reached at least half way.
      const bool bBest = nMedian <= nBase && nBest - nBase >= 4;
      const char* pszCell = bBest ? pszBest : ColumnCell(glyphs, nMedian, r, SPEED_ROWS);
      for (int i = 0; i < nCells; ++i) cells += pszCell;
    }
    while (!cells.empty() && cells.back() == ' ') cells.pop_back();
    *pOut += AxisStart(glyphs, r == 0 ? top : "", nLabelWidth, r == 0);
    AppendPainted(pOut, style, SGR_SPEED, cells);
    *pOut += "\n";
  }
  *pOut += PadLeft(ReportAxisLabel(axis, axis.dFloor), nLabelWidth) + " " + glyphs.pszCorner;
  for (size_t i = 0; i < groups.size() * (size_t)nCells; ++i) *pOut += glyphs.pszRule;
  *pOut += "\n";
  AppendDateAxis(pOut, nLabelWidth, (int)groups.size() * nCells, groups.front().nFirstDay,
                 groups.back().nLastDay);
  *pOut += std::string((size_t)nLabelWidth + 2, ' ') +
           glyphs.pszUp[8] + " " + _("median of the runs") + "   " + pszBest + " " +
           _("up to the best run") + "\n";
}

// Accuracy per group as columns from the axis' floor, each in its band's colour.
static void AppendAccuracyChart(std::string* pOut, const std::vector<ReportDayGroup>& groups,
                                int nCells, const ReportStyle& style) {
  const ChartGlyphs& glyphs = style.bUtf8 ? BLOCK_GLYPHS : ASCII_GLYPHS;
  const double dFloor = AccuracyAxisFloor(groups);
  const std::string top = FormatText("%.0f%%", 100.0), bottom =
      FormatText("%.0f%%", 100.0 * dFloor);
  const int nLabelWidth = std::max(TextColumns(top), TextColumns(bottom)) + 1;
  *pOut += "\n  " + std::string(_("Accuracy")) + "\n";
  for (int r = 0; r < ACCURACY_ROWS; ++r) {
    std::string line = AxisStart(glyphs, r == 0 ? top : "", nLabelWidth, r == 0);
    std::string cells;
    size_t nTrimmed = line.size();
    for (const ReportDayGroup& group : groups) {
      const double dShare = std::clamp((group.dAccuracy - dFloor) / (1.0 - dFloor), 0.0, 1.0);
      const int nEighths = group.nRuns > 0 ? (int)std::lround(dShare * ACCURACY_ROWS * 8) : 0;
      std::string cell;
      for (int i = 0; i < nCells; ++i) cell += ColumnCell(glyphs, nEighths, r, ACCURACY_ROWS);
      if (group.nRuns > 0 && cell.find_first_not_of(' ') != std::string::npos) {
        AppendPainted(&line, style, BandForeground(AccuracyBandOf(group.dAccuracy)).c_str(),
                      cell);
        nTrimmed = line.size();
      } else {
        line += cell;
      }
    }
    line.resize(nTrimmed);
    *pOut += line + "\n";
  }
  *pOut += PadLeft(bottom, nLabelWidth) + " " + glyphs.pszCorner;
  for (size_t i = 0; i < groups.size() * (size_t)nCells; ++i) *pOut += glyphs.pszRule;
  *pOut += "\n";
  AppendDateAxis(pOut, nLabelWidth, (int)groups.size() * nCells, groups.front().nFirstDay,
                 groups.back().nLastDay);
}

// The latest days with speed runs, a row each, newest last.
static void AppendDayTable(std::string* pOut, const PracticeFigures& f) {
  const std::vector<std::string> header = {_("Date"),     _("Runs"),    _("Median"), _("Best"),
                                           _("KPH"),      _("Net KPH"), _("Accuracy")};
  const size_t nFrom = f.days.size() > (size_t)REPORT_DAY_ROWS
                           ? f.days.size() - (size_t)REPORT_DAY_ROWS
                           : 0;
  std::vector<std::vector<std::string>> rows;
  for (size_t i = nFrom; i < f.days.size(); ++i) {
    const PracticeDay& day = f.days[i];
    rows.push_back({ReportDate(day.nDay), std::to_string(day.nRuns),
                    FormatText("%.1f", day.dMedianCpm), FormatText("%.1f", day.dBestCpm),
                    ReportCount(std::lround(day.dGrossKph)), ReportCount(std::lround(day.dNetKph)),
                    ReportPercent(day.dAccuracy)});
  }
  std::vector<int> widths(header.size());
  for (size_t c = 0; c < header.size(); ++c) {
    widths[c] = TextColumns(header[c]);
    for (const auto& row : rows) widths[c] = std::max(widths[c], TextColumns(row[c]));
  }
  rows.insert(rows.begin(), header);
  *pOut += "\n";
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c)
      line += "  " + (c == 0 ? PadRight(row[c], widths[c]) : PadLeft(row[c], widths[c]));
    while (!line.empty() && line.back() == ' ') line.pop_back();
    *pOut += line + "\n";
  }
  if (nFrom > 0)
    *pOut += "  " +
             FormatText(ngettext("(the last %d of %s day with runs)",
                                 "(the last %d of %s days with runs)",
                                 (unsigned long)f.days.size()),
                        REPORT_DAY_ROWS, ReportCount((int64_t)f.days.size()).c_str()) +
             "\n";
}

static void AppendPerDay(std::string* pOut, const ReportData& data, const ReportStyle& style) {
  const PracticeFigures& f = data.practice;
  int nFirstDay, nLastDay;
  if (f.totals.nSpeedRuns == 0 || !ReportChartDays(f, &nFirstDay, &nLastDay)) return;
  const std::vector<ReportDayGroup> groups =
      GroupPracticeDays(f, nFirstDay, nLastDay, CHART_COLUMNS);
  const int nCells = std::clamp(CHART_COLUMNS / (int)groups.size(), 1, MAX_CELLS_PER_GROUP);
  const int nDaysPerColumn = groups.back().nLastDay - groups.back().nFirstDay + 1;
  AppendHeading(pOut, style,
                nDaysPerColumn > 1
                    ? FormatText(_("Random practice per %d days (characters per minute)"),
                                 nDaysPerColumn)
                    : std::string(_("Random practice per day (characters per minute)")));
  AppendSpeedChart(pOut, groups, nCells, style);
  AppendAccuracyChart(pOut, groups, nCells, style);
  AppendDayTable(pOut, f);
}

// ---- The keypad ------------------------------------------------------------------------

// The keypad drawn in character cells: each a glyph of one column and the band whose
// colour it takes (-1: none).
struct Canvas {
  std::string glyph[CANVAS_HEIGHT][CANVAS_WIDTH];
  int nBand[CANVAS_HEIGHT][CANVAS_WIDTH];
  bool bAcross[CANVAS_HEIGHT][CANVAS_WIDTH];  // a border runs left to right here
  bool bDown[CANVAS_HEIGHT][CANVAS_WIDTH];    // a border runs top to bottom here
};

// A border's glyph by the borders it joins: left, right, up, down (bits 0 to 3).
static const char* BorderGlyph(bool bLeft, bool bRight, bool bUp, bool bDown, bool bUtf8) {
  static const char* const BOX[16] = {" ", "─", "─", "─", "│", "┘", "└", "┴",
                                      "│", "┐", "┌", "┬", "│", "┤", "├", "┼"};
  const int nJoins = (bLeft ? 1 : 0) | (bRight ? 2 : 0) | (bUp ? 4 : 0) | (bDown ? 8 : 0);
  if (bUtf8) return BOX[nJoins];
  if ((nJoins & 3) && (nJoins & 12)) return "+";
  return (nJoins & 3) ? "-" : (nJoins & 12) ? "|" : " ";
}

// Text centred on one line of a key's inside, from x0 to x1 (both borders).
static void PutCentred(Canvas* pCanvas, int y, int x0, int x1, const std::string& text) {
  const int nInside = x1 - x0 - 1;
  int x = x0 + 1 + (nInside - (int)text.size() + 1) / 2;
  for (char ch : text)
    if (x > x0 && x < x1) pCanvas->glyph[y][x++] = std::string(1, ch);
}

static void DrawKeyCap(Canvas* pCanvas, const ReportKeyCap& cap, const PracticeFigures& f) {
  const int y0 = cap.nRow * (KEY_LINES + 1), y1 = (cap.nRow + cap.nRows) * (KEY_LINES + 1);
  const int x0 = cap.nColumn * (KEY_WIDTH + 1), x1 = (cap.nColumn + cap.nColumns) * (KEY_WIDTH + 1);
  for (int x = x0; x <= x1; ++x) pCanvas->bAcross[y0][x] = pCanvas->bAcross[y1][x] = true;
  for (int y = y0; y <= y1; ++y) pCanvas->bDown[y][x0] = pCanvas->bDown[y][x1] = true;
  const int yMiddle = (y0 + y1) / 2;
  if (cap.nKey < 0) {
    PutCentred(pCanvas, yMiddle - 1, x0, x1, ".");
    return;
  }
  const PracticeKeyFigure& key = f.keys[cap.nKey];
  if (key.nPresses > 0)
    for (int y = y0 + 1; y < y1; ++y)
      for (int x = x0 + 1; x < x1; ++x) pCanvas->nBand[y][x] = AccuracyBandOf(key.dAccuracy);
  PutCentred(pCanvas, yMiddle - 1, x0, x1, ReportKeyName(cap.nKey));
  PutCentred(pCanvas, yMiddle, x0, x1, key.nPresses > 0 ? ReportPercent(key.dAccuracy) : "-");
  PutCentred(pCanvas, yMiddle + 1, x0, x1, key.nTimed > 0 ? ReportMs(key.dMedianMs) : "-");
}

// One line of the canvas, each run of one band painted.
static std::string CanvasLine(const Canvas& canvas, int y, const ReportStyle& style) {
  std::string line, run;
  int nRunBand = -1;
  for (int x = 0; x <= CANVAS_WIDTH; ++x) {
    const int nBand = x < CANVAS_WIDTH && style.bColour ? canvas.nBand[y][x] : -1;
    if (x == CANVAS_WIDTH || nBand != nRunBand) {
      if (nRunBand >= 0)
        AppendPainted(&line, style, BandBackground(nRunBand).c_str(), run);
      else
        line += run;
      run.clear();
      nRunBand = nBand;
    }
    if (x < CANVAS_WIDTH) run += canvas.glyph[y][x];
  }
  return line;
}

// The legend beside the keypad, a line each: the bands' colours, on a colour terminal.
static std::vector<std::string> KeypadLegend(const ReportStyle& style) {
  std::vector<std::string> legend;
  if (!style.bColour) return legend;
  legend.push_back(_("Accuracy when asked"));
  for (int i = 0; i < ACCURACY_BAND_COUNT; ++i) {
    std::string line;
    AppendPainted(&line, style, BandBackground(i).c_str(), "  ");
    legend.push_back(line + " " + _(ACCURACY_BANDS[i].pszLegend));
  }
  legend.push_back(std::string("   ") + _("not asked"));
  return legend;
}

static void AppendKeypad(std::string* pOut, const ReportData& data, const ReportStyle& style) {
  auto pCanvas = std::make_unique<Canvas>();
  for (auto& row : pCanvas->glyph)
    for (std::string& glyph : row) glyph = " ";
  for (auto& row : pCanvas->nBand)
    for (int& nBand : row) nBand = -1;
  for (const ReportKeyCap& cap : REPORT_KEYPAD) DrawKeyCap(pCanvas.get(), cap, data.practice);
  for (int y = 0; y < CANVAS_HEIGHT; ++y)
    for (int x = 0; x < CANVAS_WIDTH; ++x)
      if (pCanvas->bAcross[y][x] || pCanvas->bDown[y][x])
        pCanvas->glyph[y][x] = BorderGlyph(
            pCanvas->bAcross[y][x] && x > 0 && pCanvas->bAcross[y][x - 1],
            pCanvas->bAcross[y][x] && x + 1 < CANVAS_WIDTH && pCanvas->bAcross[y][x + 1],
            pCanvas->bDown[y][x] && y > 0 && pCanvas->bDown[y - 1][x],
            pCanvas->bDown[y][x] && y + 1 < CANVAS_HEIGHT && pCanvas->bDown[y + 1][x], style.bUtf8);
  AppendHeading(pOut, style, _("Each key, both drills: accuracy when asked, median time"));
  const std::vector<std::string> legend = KeypadLegend(style);
  for (int y = 0; y < CANVAS_HEIGHT; ++y) {
    std::string line = "  " + CanvasLine(*pCanvas, y, style);
    // The legend from the keypad's second line on.
    if (y >= 1 && y - 1 < (int)legend.size()) line += "    " + legend[(size_t)y - 1];
    while (!line.empty() && line.back() == ' ') line.pop_back();
    *pOut += line + "\n";
  }
}

// ---- Moves and mix-ups -----------------------------------------------------------------

// Rows of cells aligned: the first column to the left, the others to the right.
static std::vector<std::string> AlignRows(const std::vector<std::vector<std::string>>& rows) {
  std::vector<int> widths;
  for (const auto& row : rows)
    for (size_t c = 0; c < row.size(); ++c) {
      if (widths.size() <= c) widths.push_back(0);
      widths[c] = std::max(widths[c], TextColumns(row[c]));
    }
  std::vector<std::string> lines;
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c)
      line += (c == 0 ? PadRight(row[c], widths[c]) : "  " + PadLeft(row[c], widths[c]));
    lines.push_back(line);
  }
  return lines;
}

static std::string Times(int n) {
  return FormatText(ngettext("%d time", "%d times", (unsigned long)n), n);
}

static std::vector<std::string> MoveLines(const PracticeFigures& f, const ReportStyle& style) {
  std::vector<std::vector<std::string>> rows;
  const char* pszArrow = style.bUtf8 ? " → " : " -> ";
  for (const PracticeMove& move : f.slowMoves)
    rows.push_back({ReportKeyName(move.nFrom) + pszArrow + ReportKeyName(move.nTo),
                    ReportMs(move.dMedianMs), Times(move.nSamples)});
  std::vector<std::string> lines = AlignRows(rows);
  if (lines.empty())
    lines.push_back(FormatText(_("(none made %d times yet)"), MIN_MOVE_SAMPLES));
  lines.insert(lines.begin(), FormatText(_("Slowest moves (median, %d or more times)"),
                                         MIN_MOVE_SAMPLES));
  return lines;
}

static std::vector<std::string> MixUpLines(const PracticeFigures& f) {
  std::vector<std::vector<std::string>> rows;
  for (const PracticeMixUp& mixUp : f.mixUps)
    rows.push_back({FormatText(_("asked %s, typed %s"), ReportKeyName(mixUp.nAsked).c_str(),
                               ReportCharName(mixUp.nTyped).c_str()),
                    Times(mixUp.nCount)});
  std::vector<std::string> lines = AlignRows(rows);
  if (lines.empty()) lines.push_back(_("(none: no wrong key)"));
  lines.insert(lines.begin(), _("Commonest mix-ups"));
  return lines;
}

// The two lists side by side while they fit in a line, else one under the other; their
// first lines are their headings.
static void AppendMovesAndMixUps(std::string* pOut, const ReportData& data,
                                 const ReportStyle& style) {
  const std::vector<std::string> left = MoveLines(data.practice, style);
  const std::vector<std::string> right = MixUpLines(data.practice);
  int nLeftWidth = 0, nRightWidth = 0;
  for (const std::string& line : left) nLeftWidth = std::max(nLeftWidth, TextColumns(line));
  for (const std::string& line : right) nRightWidth = std::max(nRightWidth, TextColumns(line));
  const int nGap = 4;
  *pOut += "\n";
  if (2 + nLeftWidth + nGap + nRightWidth > LINE_COLUMNS) {
    for (const auto* pList : {&left, &right}) {
      for (size_t i = 0; i < pList->size(); ++i) {
        if (i == 0) {
          AppendPainted(pOut, style, SGR_BOLD, (*pList)[i]);
          *pOut += "\n";
        } else {
          *pOut += "  " + (*pList)[i] + "\n";
        }
      }
      if (pList == &left) *pOut += "\n";
    }
    return;
  }
  for (size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
    const std::string l = i < left.size() ? left[i] : "", r = i < right.size() ? right[i] : "";
    std::string line;
    if (i == 0) {
      AppendPainted(&line, style, SGR_BOLD, l);
      line += std::string((size_t)(nLeftWidth + 2 + nGap - TextColumns(l)), ' ');
      AppendPainted(&line, style, SGR_BOLD, r);
    } else {
      line = "  " + PadRight(l, nLeftWidth) + std::string((size_t)nGap, ' ') + r;
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    *pOut += line + "\n";
  }
}

// ---- Last runs -------------------------------------------------------------------------

static void AppendLastRuns(std::string* pOut, const ReportData& data, const ReportStyle& style) {
  const PracticeFigures& f = data.practice;
  AppendHeading(pOut, style, _("Last runs"));
  std::vector<std::vector<std::string>> rows = {{_("Started"), _("Drill"), _("Time"), _("cpm"),
                                                 _("KPH"), _("Net KPH"), _("Accuracy"),
                                                 _("Errors")}};
  bool bCancelled = false;
  for (const PracticeRunRow& run : f.lastRuns) {
    std::string drill = ReportDrillName(run.nDrill);
    if (run.nEnding == RUN_CANCELLED) {
      drill += CANCELLED_MARK;
      bCancelled = true;
    }
    rows.push_back({ReportStart(run.tStartUtc, run.nUtcOffset), drill,
                    ReportRunDuration(run.nDurationMs), FormatText("%.1f", run.dCpm),
                    ReportCount(std::lround(run.dGrossKph)), ReportCount(std::lround(run.dNetKph)),
                    ReportPercent(run.dAccuracy), std::to_string(run.nErrors)});
  }
  std::vector<int> widths(rows[0].size(), 0);
  for (const auto& row : rows)
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], TextColumns(row[c]));
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c)
      line += "  " + (c < 2 ? PadRight(row[c], widths[c]) : PadLeft(row[c], widths[c]));
    while (!line.empty() && line.back() == ' ') line.pop_back();
    *pOut += line + "\n";
  }
  if (bCancelled)
    *pOut += "  " + FormatText(_("%s cancelled with Esc"), CANCELLED_MARK) + "\n";
}

// ---- The section -----------------------------------------------------------------------

std::string FormatPracticeText(const ReportData& data, const ReportStyle& style) {
  if (!HasPracticeSection(data)) return "";
  std::string out;
  AppendHeading(&out, style, PracticeHeading(data));
  for (const std::string& line : PracticeSummary(data)) out += "  " + line + "\n";
  if (data.practice.totals.nRuns == 0) return out;
  AppendPerDay(&out, data, style);
  AppendKeypad(&out, data, style);
  AppendMovesAndMixUps(&out, data, style);
  AppendLastRuns(&out, data, style);
  return out;
}
