// SPDX-License-Identifier: MIT
// Practice report as an SVG picture, the practice section from numdril.db: the span's
// summary; the random drill's median and best speed per day over its accuracy per day,
// each day's bar in its accuracy band's colour; the keypad as it is laid out, each key in
// its band's colour with its accuracy and median time and a legend beside it; the slowest
// moves beside the commonest mix-ups; and the last runs. Plain text written by hand.
#include <algorithm>
#include <cmath>

#include "report/report.h"
#include "report/svg_private.h"

// Heights, in SVG user units, of the section's lines and plots.
static const int LINE_HEIGHT = 18;
static const int ROW_HEIGHT = 16;
static const int SPEED_PLOT_HEIGHT = 170;
static const int ACCURACY_PLOT_HEIGHT = 90;
// Groups a chart shows at most: a day each up to this many days.
static const int MAX_GROUPS = 92;
// Dates under the charts, at most.
static const int MAX_DATE_LABELS = 6;
// Keys of the keypad: a cell's size and the gap between cells.
static const int KEY_WIDTH = 76;
static const int KEY_HEIGHT = 58;
static const int KEY_GAP = 6;
static const char BEST_COLOUR[] = "#a9d8b6";     // the bar up to the best run
static const char UNASKED_COLOUR[] = "#eeeeee";  // a key never asked

static const char HEADING[] = " font-size=\"15\" font-weight=\"bold\"";
static const char SUBHEADING[] = " font-size=\"13\" font-weight=\"bold\"";

static std::string Rgb(uint32_t nRgb) { return FormatText("#%06X", nRgb & 0xFFFFFF); }

// ---- Speed and accuracy per day --------------------------------------------------------

// The x of the middle of group g of n across the plot.
static double GroupX(size_t g, size_t n) {
  return PLOT_LEFT + (PLOT_RIGHT - PLOT_LEFT) * ((double)g + 0.5) / (double)n;
}

static std::string GroupDates(const ReportDayGroup& group) {
  if (group.nFirstDay == group.nLastDay) return ReportDate(group.nFirstDay);
  return FormatText(_("%s to %s"), ReportDate(group.nFirstDay).c_str(),
                    ReportDate(group.nLastDay).c_str());
}

// What a group's point says when pointed at.
static std::string GroupTitle(const ReportDayGroup& group) {
  return FormatText(ngettext("%s: %d run, median %.1f cpm, best %.1f, %s KPH (net %s), "
                             "accuracy %s",
                             "%s: %d runs, median %.1f cpm, best %.1f, %s KPH (net %s), "
                             "accuracy %s",
                             (unsigned long)group.nRuns),
                    GroupDates(group).c_str(), group.nRuns, group.dMedianCpm, group.dBestCpm,
                    ReportCount(std::lround(group.dGrossKph)).c_str(),
                    ReportCount(std::lround(group.dNetKph)).c_str(),
                    ReportPercent(group.dAccuracy).c_str());
}

// Median and best speed per group: a bar from the median up to the best, the medians
// joined by a line, a point at each.
static void AppendSpeedPlot(std::string* pOut, const std::vector<ReportDayGroup>& groups,
                            int nTop) {
  const int nBottom = nTop + SPEED_PLOT_HEIGHT;
  const ReportAxis axis = SpeedAxis(groups);
  AppendValueAxis(pOut, nTop, nBottom, axis, _("characters per minute"));
  auto Y = [&](double dCpm) { return nBottom - (nBottom - nTop) * axis.Share(dCpm); };
  const double dBarWidth =
      std::clamp((PLOT_RIGHT - PLOT_LEFT) / (double)groups.size() * 0.5, 2.0, 12.0);
  std::string path;
  for (size_t g = 0; g < groups.size(); ++g) {
    const ReportDayGroup& group = groups[g];
    if (group.nRuns == 0) continue;
    const double x = GroupX(g, groups.size());
    ReportAppendf(pOut,
                  "<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"%s\"/>\n",
                  x - dBarWidth / 2, Y(group.dBestCpm), dBarWidth,
                  Y(group.dMedianCpm) - Y(group.dBestCpm), BEST_COLOUR);
    ReportAppendf(&path, "%s%.1f,%.1f", path.empty() ? "M" : "L", x, Y(group.dMedianCpm));
  }
  ReportAppendf(pOut, "<path d=\"%s\" fill=\"none\" stroke=\"%s\" stroke-width=\"1.5\"/>\n",
                path.c_str(), SPEED_COLOUR);
  for (size_t g = 0; g < groups.size(); ++g) {
    if (groups[g].nRuns == 0) continue;
    ReportAppendf(pOut,
                  "<circle class=\"day\" cx=\"%.1f\" cy=\"%.1f\" r=\"3\" fill=\"%s\">"
                  "<title>%s</title></circle>\n",
                  GroupX(g, groups.size()), Y(groups[g].dMedianCpm), SPEED_COLOUR,
                  SvgEscape(GroupTitle(groups[g])).c_str());
  }
}

// Accuracy per group as bars up from the axis' floor, each in its band's colour, with the
// group's first date under some of them.
static void AppendAccuracyPlot(std::string* pOut, const std::vector<ReportDayGroup>& groups,
                               int nTop) {
  const int nBottom = nTop + ACCURACY_PLOT_HEIGHT;
  const double dFloor = AccuracyAxisFloor(groups);
  for (int i = 0; i <= 4; ++i) {
    const double y = nBottom - (double)(nBottom - nTop) * i / 4;
    ReportAppendf(pOut, "<line x1=\"%d\" y1=\"%.1f\" x2=\"%d\" y2=\"%.1f\" stroke=\"%s\"/>\n",
                  PLOT_LEFT, y, PLOT_RIGHT, y, i == 0 ? TEXT_COLOUR : GRID_COLOUR);
    AppendSvgText(pOut, PLOT_LEFT - 6, y + 4, "end",
                  FormatText("%g%%", 100.0 * (dFloor + (1.0 - dFloor) * i / 4)));
  }
  const double yMiddle = (nTop + nBottom) / 2.0;
  AppendSvgText(pOut, 22, yMiddle, "middle", _("accuracy"),
                FormatText(" transform=\"rotate(-90 22 %.1f)\"", yMiddle).c_str());
  const double dSlot = (PLOT_RIGHT - PLOT_LEFT) / (double)groups.size();
  const double dBarWidth = std::clamp(dSlot * 0.6, 1.0, 16.0);
  for (size_t g = 0; g < groups.size(); ++g) {
    const ReportDayGroup& group = groups[g];
    if (group.nRuns == 0) continue;
    const double dShare = std::clamp((group.dAccuracy - dFloor) / (1.0 - dFloor), 0.0, 1.0);
    const double dHeight = (nBottom - nTop) * dShare;
    ReportAppendf(pOut,
                  "<rect class=\"accuracy\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" "
                  "fill=\"%s\"><title>%s</title></rect>\n",
                  GroupX(g, groups.size()) - dBarWidth / 2, nBottom - dHeight, dBarWidth, dHeight,
                  Rgb(ACCURACY_BANDS[AccuracyBandOf(group.dAccuracy)].nRgb).c_str(),
                  SvgEscape(GroupTitle(group)).c_str());
  }
  const size_t nEvery = (groups.size() + MAX_DATE_LABELS - 1) / MAX_DATE_LABELS;
  for (size_t g = 0; g < groups.size(); g += nEvery) {
    const double x = GroupX(g, groups.size());
    ReportAppendf(pOut, "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"%s\"/>\n", x,
                  nBottom, x, nBottom + 5, TEXT_COLOUR);
    AppendSvgText(pOut, x, nBottom + 18, "middle", ReportDate(groups[g].nFirstDay));
  }
}

// A swatch and its words, on one line from x.
static void AppendSwatch(std::string* pOut, double x, double y, const char* pszFill,
                         const std::string& text) {
  ReportAppendf(pOut,
                "<rect x=\"%.1f\" y=\"%.1f\" width=\"12\" height=\"12\" fill=\"%s\" "
                "stroke=\"#999999\"/>\n",
                x, y - 10, pszFill);
  AppendSvgText(pOut, x + 18, y, "start", text);
}

static int AppendPerDay(std::string* pOut, const ReportData& data, int y) {
  const PracticeFigures& f = data.practice;
  int nFirstDay, nLastDay;
  if (f.totals.nSpeedRuns == 0 || !ReportChartDays(f, &nFirstDay, &nLastDay)) return y;
  const std::vector<ReportDayGroup> groups = GroupPracticeDays(f, nFirstDay, nLastDay, MAX_GROUPS);
  const int nDaysPerGroup = groups.back().nLastDay - groups.back().nFirstDay + 1;
  AppendSvgText(pOut, 20, y + 14, "start",
                nDaysPerGroup > 1
                    ? FormatText(_("Random practice per %d days (characters per minute)"),
                                 nDaysPerGroup)
                    : std::string(_("Random practice per day (characters per minute)")),
                SUBHEADING);
  y += 36;
  AppendSpeedPlot(pOut, groups, y);
  y += SPEED_PLOT_HEIGHT + 14;
  AppendAccuracyPlot(pOut, groups, y);
  y += ACCURACY_PLOT_HEIGHT + 40;
  ReportAppendf(pOut, "<circle cx=\"%d\" cy=\"%d\" r=\"3\" fill=\"%s\"/>\n", PLOT_LEFT + 6, y - 4,
                SPEED_COLOUR);
  AppendSvgText(pOut, PLOT_LEFT + 18, y, "start", _("median of the runs"));
  AppendSwatch(pOut, PLOT_LEFT + 200, y, BEST_COLOUR, _("up to the best run"));
  AppendSvgText(pOut, PLOT_LEFT + 400, y, "start",
                _("accuracy: the keys' colours, as below"));
  return y + LINE_HEIGHT;
}

// ---- The keypad ------------------------------------------------------------------------

static void AppendKeyCap(std::string* pOut, const ReportKeyCap& cap, const PracticeFigures& f,
                         int nTop) {
  const double x = PLOT_LEFT + cap.nColumn * (KEY_WIDTH + KEY_GAP);
  const double y = nTop + cap.nRow * (KEY_HEIGHT + KEY_GAP);
  const double w = cap.nColumns * KEY_WIDTH + (cap.nColumns - 1) * KEY_GAP;
  const double h = cap.nRows * KEY_HEIGHT + (cap.nRows - 1) * KEY_GAP;
  const double xMiddle = x + w / 2, yMiddle = y + h / 2;
  const PracticeKeyFigure* pKey = cap.nKey >= 0 ? &f.keys[cap.nKey] : nullptr;
  const bool bAsked = pKey && pKey->nPresses > 0;
  const std::string fill =
      bAsked ? Rgb(ACCURACY_BANDS[AccuracyBandOf(pKey->dAccuracy)].nRgb) : UNASKED_COLOUR;
  ReportAppendf(pOut,
                "<rect class=\"key\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" rx=\"6\" "
                "fill=\"%s\" stroke=\"#888888\"/>\n",
                x, y, w, h, fill.c_str());
  if (!pKey) {
    AppendSvgText(pOut, xMiddle, yMiddle - 6, "middle", ".", " font-size=\"16\" fill=\"#999999\"");
    return;
  }
  AppendSvgText(pOut, xMiddle, yMiddle - 8, "middle", ReportKeyName(cap.nKey),
                " font-size=\"16\" font-weight=\"bold\"");
  AppendSvgText(pOut, xMiddle, yMiddle + 9, "middle",
                bAsked ? ReportPercent(pKey->dAccuracy) : "-", " font-size=\"13\"");
  AppendSvgText(pOut, xMiddle, yMiddle + 24, "middle",
                pKey->nTimed > 0 ? ReportMs(pKey->dMedianMs) : "-", " font-size=\"11\"");
}

static int AppendKeypad(std::string* pOut, const ReportData& data, int y) {
  AppendSvgText(pOut, 20, y + 14, "start",
                _("Each key, both drills: accuracy when asked, median time"), SUBHEADING);
  y += 30;
  for (const ReportKeyCap& cap : REPORT_KEYPAD) AppendKeyCap(pOut, cap, data.practice, y);
  // The legend right of the keypad.
  const int x = PLOT_LEFT + 4 * (KEY_WIDTH + KEY_GAP) + 30;
  int yLegend = y + 12;
  AppendSvgText(pOut, x, yLegend, "start", _("Accuracy when asked"), " font-weight=\"bold\"");
  for (const AccuracyBand& band : ACCURACY_BANDS) {
    yLegend += LINE_HEIGHT;
    AppendSwatch(pOut, x, yLegend, Rgb(band.nRgb).c_str(), _(band.pszLegend));
  }
  yLegend += LINE_HEIGHT;
  AppendSwatch(pOut, x, yLegend, UNASKED_COLOUR, _("not asked"));
  yLegend += LINE_HEIGHT * 2;
  const std::string note = _("On each key: its accuracy when asked,\nand its median time after a "
                             "right key");
  const size_t nBreak = note.find('\n');
  AppendSvgText(pOut, x, yLegend, "start", note.substr(0, nBreak));
  if (nBreak != std::string::npos)
    AppendSvgText(pOut, x, yLegend + ROW_HEIGHT, "start", note.substr(nBreak + 1));
  return y + 4 * (KEY_HEIGHT + KEY_GAP) + 14;
}

// ---- Moves, mix-ups and the last runs --------------------------------------------------

static std::string Times(int n) {
  return FormatText(ngettext("%d time", "%d times", (unsigned long)n), n);
}

static int AppendMovesAndMixUps(std::string* pOut, const ReportData& data, int y) {
  const PracticeFigures& f = data.practice;
  const int xRight = PICTURE_WIDTH / 2 + 20;
  AppendSvgText(pOut, 20, y + 14, "start",
                FormatText(_("Slowest moves (median, %d or more times)"), MIN_MOVE_SAMPLES),
                SUBHEADING);
  AppendSvgText(pOut, xRight, y + 14, "start", _("Commonest mix-ups"), SUBHEADING);
  y += 36;
  if (f.slowMoves.empty())
    AppendSvgText(pOut, 40, y, "start",
                  FormatText(_("(none made %d times yet)"), MIN_MOVE_SAMPLES));
  if (f.mixUps.empty()) AppendSvgText(pOut, xRight + 20, y, "start", _("(none: no wrong key)"));
  for (size_t i = 0; i < f.slowMoves.size(); ++i) {
    const PracticeMove& move = f.slowMoves[i];
    const double yRow = y + ROW_HEIGHT * (double)i;
    AppendSvgText(pOut, 40, yRow, "start",
                  ReportKeyName(move.nFrom) + " → " + ReportKeyName(move.nTo),
                  " class=\"move\"");
    AppendSvgText(pOut, 210, yRow, "end", ReportMs(move.dMedianMs));
    AppendSvgText(pOut, 310, yRow, "end", Times(move.nSamples));
  }
  for (size_t i = 0; i < f.mixUps.size(); ++i) {
    const PracticeMixUp& mixUp = f.mixUps[i];
    const double yRow = y + ROW_HEIGHT * (double)i;
    AppendSvgText(pOut, xRight + 20, yRow, "start",
                  FormatText(_("asked %s, typed %s"), ReportKeyName(mixUp.nAsked).c_str(),
                             ReportCharName(mixUp.nTyped).c_str()),
                  " class=\"mixup\"");
    AppendSvgText(pOut, xRight + 290, yRow, "end", Times(mixUp.nCount));
  }
  const size_t nRows = std::max<size_t>({f.slowMoves.size(), f.mixUps.size(), 1});
  return y + ROW_HEIGHT * (int)nRows + 8;
}

static int AppendLastRuns(std::string* pOut, const ReportData& data, int y) {
  // Column edges: the first two from the left, the others to the right.
  static const int COLUMN_X[8] = {40, 180, 330, 395, 470, 550, 630, 700};
  AppendSvgText(pOut, 20, y + 14, "start", _("Last runs"), SUBHEADING);
  y += 36;
  const char* const HEADER[8] = {_("Started"), _("Drill"),   _("Time"),     _("cpm"),
                                 _("KPH"),     _("Net KPH"), _("Accuracy"), _("Errors")};
  for (int c = 0; c < 8; ++c)
    AppendSvgText(pOut, COLUMN_X[c], y, c < 2 ? "start" : "end", HEADER[c],
                  " font-weight=\"bold\"");
  bool bCancelled = false;
  for (const PracticeRunRow& run : data.practice.lastRuns) {
    y += ROW_HEIGHT;
    std::string drill = ReportDrillName(run.nDrill);
    if (run.nEnding == RUN_CANCELLED) {
      drill += "*";
      bCancelled = true;
    }
    const std::string cells[8] = {ReportStart(run.tStartUtc, run.nUtcOffset),
                                  drill,
                                  ReportRunDuration(run.nDurationMs),
                                  FormatText("%.1f", run.dCpm),
                                  ReportCount(std::lround(run.dGrossKph)),
                                  ReportCount(std::lround(run.dNetKph)),
                                  ReportPercent(run.dAccuracy),
                                  std::to_string(run.nErrors)};
    for (int c = 0; c < 8; ++c)
      AppendSvgText(pOut, COLUMN_X[c], y, c < 2 ? "start" : "end", cells[c],
                    c == 0 ? " class=\"run\"" : "");
  }
  if (bCancelled) {
    y += ROW_HEIGHT;
    AppendSvgText(pOut, 40, y, "start", FormatText(_("%s cancelled with Esc"), "*"),
                  " font-size=\"11\"");
  }
  return y + 8;
}

// ---- The section -----------------------------------------------------------------------

int AppendPracticeSvg(std::string* pOut, const ReportData& data, int y) {
  AppendSvgText(pOut, 20, y + 16, "start", PracticeHeading(data), HEADING);
  y += 24;
  for (const std::string& line : PracticeSummary(data)) {
    y += LINE_HEIGHT;
    AppendSvgText(pOut, 40, y, "start", line, " class=\"summary\"");
  }
  y += 16;
  if (data.practice.totals.nRuns == 0) return y;
  y = AppendPerDay(pOut, data, y);
  y = AppendKeypad(pOut, data, y + 8);
  y = AppendMovesAndMixUps(pOut, data, y + 8);
  return AppendLastRuns(pOut, data, y + 8);
}
