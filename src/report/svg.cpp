// SPDX-License-Identifier: MIT
// Practice report as one SVG picture: the best speed over time as a step line with a
// dated point per new best, and the last weeks of practice as bars, each chart with
// labelled axes starting at 0. Plain text written by hand; reads nothing.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "records/records.h"
#include "report/report.h"
#include "report/svg_private.h"

// Picture and chart areas, in SVG user units (pixels).
//   +---------------------------------------------+
//   | title                                       |
//   | speed heading                               |
//   |   [ speed plot: SPEED_TOP..SPEED_BOTTOM ]   |
//   | week heading                                |
//   |   [ week plot: WEEK_TOP..WEEK_BOTTOM ]      |
//   | practice section, when numdril.db is there  |
//   | notes                                       |
//   +---------------------------------------------+
static const int SPEED_TOP = 56;
static const int SPEED_BOTTOM = 246;
static const int WEEK_TOP = 354;
static const int WEEK_BOTTOM = 534;
// Notes about unread lines, one per NOTE_HEIGHT, and the picture ends below them; or the
// practice section first, when there is one.
static const int NOTES_TOP = 614;
static const int PRACTICE_TOP = 620;
static const int NOTE_HEIGHT = 14;
// Room for one date under the time axis: a date whose point is closer to the last date
// shown goes without one.
static const double DATE_LABEL_GAP = 90.0;
// Margin of the time axis on each side of the first and the last best, as a share of the
// time between them (or of a day, when they are closer).
static const double TIME_MARGIN = 0.04;
// Points labelled with their speed only while they have room.
static const size_t MAX_LABELLED_POINTS = 16;

static const char WEEK_COLOUR[] = "#2b6cb0";

std::string SvgEscape(const std::string& text) {
  std::string out;
  for (char ch : text) {
    switch (ch) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        // Control bytes are not XML; none of ours has any, but a strerror text is not ours.
        if ((unsigned char)ch >= 0x20 || ch == '\n' || ch == '\t') out += ch;
    }
  }
  return out;
}

void AppendSvgText(std::string* pOut, double x, double y, const char* pszAnchor,
                   const std::string& text, const char* pszExtra) {
  ReportAppendf(pOut, "<text x=\"%.1f\" y=\"%.1f\" text-anchor=\"%s\"%s>", x, y, pszAnchor,
                pszExtra);
  *pOut += SvgEscape(text) + "</text>\n";
}

void AppendValueAxis(std::string* pOut, int nTop, int nBottom, const ReportAxis& axis,
                            const std::string& title) {
  for (int i = 0; i <= axis.nSteps; ++i) {
    const double y = nBottom - (double)(nBottom - nTop) * i / axis.nSteps;
    ReportAppendf(pOut, "<line x1=\"%d\" y1=\"%.1f\" x2=\"%d\" y2=\"%.1f\" stroke=\"%s\"/>\n",
                  PLOT_LEFT, y, PLOT_RIGHT, y, i == 0 ? TEXT_COLOUR : GRID_COLOUR);
    AppendSvgText(pOut, PLOT_LEFT - 6, y + 4, "end",
                  ReportAxisLabel(axis, axis.dFloor + axis.dStep * i));
  }
  ReportAppendf(pOut, "<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\" stroke=\"%s\"/>\n", PLOT_LEFT,
                nTop, PLOT_LEFT, nBottom, TEXT_COLOUR);
  const double yMiddle = (nTop + nBottom) / 2.0;
  char szRotate[64];
  snprintf(szRotate, sizeof szRotate, " transform=\"rotate(-90 %d %.1f)\"", 22, yMiddle);
  AppendSvgText(pOut, 22, yMiddle, "middle", title, szRotate);
}

static void AppendEmpty(std::string* pOut, int nTop, int nBottom, const std::string& text) {
  AppendSvgText(pOut, (PLOT_LEFT + PLOT_RIGHT) / 2.0, (nTop + nBottom) / 2.0, "middle", text,
             " font-style=\"italic\"");
}

// ---- Best speed over time --------------------------------------------------------------

static void AppendSpeedChart(std::string* pOut, const ReportData& data) {
  AppendSvgText(pOut, 20, SPEED_TOP - 24, "start", _("Best speed over time"),
                " font-size=\"15\" font-weight=\"bold\"");
  const std::vector<SpeedBest>& bests = data.bests;
  double dMax = 0.0;
  for (const SpeedBest& best : bests) dMax = std::max(dMax, best.dSpeed);
  const ReportAxis axis = ChooseReportAxis(dMax);
  AppendValueAxis(pOut, SPEED_TOP, SPEED_BOTTOM, axis, _("characters per minute"));
  if (bests.empty()) {
    AppendEmpty(pOut, SPEED_TOP, SPEED_BOTTOM,
                data.spd.nState == FILE_UNREADABLE
                    ? FormatText(_("%s could not be read"), SPEED_FILE)
                    : std::string(_("No new best speed yet")));
    return;
  }

  // Time runs from the first best to the last, over a day at least, with a margin on
  // either side so that no point sits on the frame.
  auto At = [](const SpeedBest& best) { return best.nDay + best.nSecondOfDay / 86400.0; };
  const double dSpan = std::max(At(bests.back()) - At(bests.front()), 1.0);
  const double dFrom = (At(bests.front()) + At(bests.back()) - dSpan) / 2 - TIME_MARGIN * dSpan;
  const double dWidth = dSpan * (1 + 2 * TIME_MARGIN);
  auto X = [&](const SpeedBest& best) {
    return PLOT_LEFT + (PLOT_RIGHT - PLOT_LEFT) * (At(best) - dFrom) / dWidth;
  };
  auto Y = [&](double dSpeed) {
    return SPEED_BOTTOM - (SPEED_BOTTOM - SPEED_TOP) * std::min(dSpeed / axis.Top(), 1.0);
  };

  // Each day's date under its first best, where there is room from the date before.
  double xLastDate = -DATE_LABEL_GAP;
  for (size_t i = 0; i < bests.size(); ++i) {
    const double x = X(bests[i]);
    if ((i > 0 && bests[i].nDay == bests[i - 1].nDay) || x - xLastDate < DATE_LABEL_GAP)
      continue;
    xLastDate = x;
    ReportAppendf(pOut, "<line x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"%s\"/>\n", x,
                  SPEED_BOTTOM, x, SPEED_BOTTOM + 5, TEXT_COLOUR);
    AppendSvgText(pOut, x, SPEED_BOTTOM + 18, "middle", ReportDate(bests[i].nDay));
  }
  AppendSvgText(pOut, (PLOT_LEFT + PLOT_RIGHT) / 2.0, SPEED_BOTTOM + 36, "middle",
                _("date of the new best"));

  // The best holds from one point until the next.
  std::string path;
  ReportAppendf(&path, "M%.1f,%.1f", X(bests[0]), Y(bests[0].dSpeed));
  for (size_t i = 1; i < bests.size(); ++i)
    ReportAppendf(&path, "H%.1fV%.1f", X(bests[i]), Y(bests[i].dSpeed));
  ReportAppendf(pOut, "<path d=\"%s\" fill=\"none\" stroke=\"%s\" stroke-width=\"2\"/>\n",
                path.c_str(), SPEED_COLOUR);
  for (size_t i = 0; i < bests.size(); ++i) {
    const SpeedBest& best = bests[i];
    const int nSecond = best.nSecondOfDay;
    const std::string title =
        FormatText(_("%s %02d:%02d:%02d: %.1f characters per minute"),
                   ReportDate(best.nDay).c_str(), nSecond / 3600, nSecond / 60 % 60,
                   nSecond % 60, best.dSpeed);
    ReportAppendf(pOut,
                  "<circle class=\"best\" cx=\"%.1f\" cy=\"%.1f\" r=\"3.5\" fill=\"white\" "
                  "stroke=\"%s\" stroke-width=\"1.5\"><title>%s</title></circle>\n",
                  X(best), Y(best.dSpeed), SPEED_COLOUR, SvgEscape(title).c_str());
    if (bests.size() <= MAX_LABELLED_POINTS) {
      char szSpeed[32];
      snprintf(szSpeed, sizeof szSpeed, "%.1f", best.dSpeed);
      AppendSvgText(pOut, X(best), Y(best.dSpeed) - 8, "middle", szSpeed, " font-size=\"10\"");
    }
  }
}

// ---- Practice per week -----------------------------------------------------------------

static void AppendWeekChart(std::string* pOut, const ReportData& data) {
  AppendSvgText(pOut, 20, WEEK_TOP - 24, "start", _("Practice per week"),
                " font-size=\"15\" font-weight=\"bold\"");
  const std::vector<PracticeWeek>& weeks = data.weeks;
  int64_t nMax = 0;
  for (const PracticeWeek& week : weeks) nMax = std::max(nMax, week.nSeconds);
  // Minutes while no week reaches two hours, hours from there.
  const bool bHours = nMax >= 2 * 3600;
  const double dUnit = bHours ? 3600.0 : 60.0;
  const ReportAxis axis = ChooseReportAxis(nMax / dUnit);
  AppendValueAxis(pOut, WEEK_TOP, WEEK_BOTTOM, axis,
                  bHours ? _("hours numdril was open") : _("minutes numdril was open"));
  if (weeks.empty()) {
    AppendEmpty(pOut, WEEK_TOP, WEEK_BOTTOM,
                data.log.nState == FILE_UNREADABLE
                    ? FormatText(_("%s could not be read"), LOG_FILE)
                    : std::string(_("No practice logged yet")));
    return;
  }
  const double dSlot = (double)(PLOT_RIGHT - PLOT_LEFT) / (double)weeks.size();
  const double dBarWidth = std::min(dSlot * 0.6, 48.0);
  int nLastYear = -1;
  for (size_t i = 0; i < weeks.size(); ++i) {
    const PracticeWeek& week = weeks[i];
    const double xSlot = PLOT_LEFT + dSlot * (double)i;
    const double xMiddle = xSlot + dSlot / 2;
    const double dHeight =
        (WEEK_BOTTOM - WEEK_TOP) * std::min(week.nSeconds / dUnit / axis.Top(), 1.0);
    const std::string date = ReportDate(week.nMonday);
    const std::string title = FormatText(
        ngettext("Week of %s: %d run, %s", "Week of %s: %d runs, %s", (unsigned long)week.nRuns),
        date.c_str(), week.nRuns, ReportDuration(week.nSeconds).c_str());
    ReportAppendf(pOut,
                  "<rect class=\"week\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" "
                  "fill=\"%s\"><title>%s</title></rect>\n",
                  xMiddle - dBarWidth / 2, WEEK_BOTTOM - dHeight, dBarWidth, dHeight, WEEK_COLOUR,
                  SvgEscape(title).c_str());
    AppendSvgText(pOut, xMiddle, WEEK_BOTTOM - dHeight - 5, "middle", std::to_string(week.nRuns),
               " font-size=\"10\"");
    // "MM-DD" under each bar, the year under the first and wherever it changes.
    AppendSvgText(pOut, xMiddle, WEEK_BOTTOM + 16, "middle", date.substr(5));
    const int nYear = std::stoi(date.substr(0, 4));
    if (nYear != nLastYear)
      AppendSvgText(pOut, xMiddle, WEEK_BOTTOM + 30, "middle", date.substr(0, 4));
    nLastYear = nYear;
    if (i > 0) {
      const int nEmpty = (week.nMonday - weeks[i - 1].nMonday) / 7 - 1;
      if (nEmpty > 0)
        ReportAppendf(
            pOut,
            "<line class=\"gap\" x1=\"%.1f\" y1=\"%d\" x2=\"%.1f\" y2=\"%d\" stroke=\"%s\" "
            "stroke-dasharray=\"4 3\"><title>%s</title></line>\n",
            xSlot, WEEK_TOP, xSlot, WEEK_BOTTOM, TEXT_COLOUR,
            SvgEscape(FormatText(ngettext("%d week without practice", "%d weeks without practice",
                                          (unsigned long)nEmpty),
                                 nEmpty))
                .c_str());
    }
  }
  AppendSvgText(pOut, (PLOT_LEFT + PLOT_RIGHT) / 2.0, WEEK_BOTTOM + 52, "middle",
                _("week starting Monday; number above a bar: runs of numdril; "
                  "dashed line: weeks without practice"));
}

std::string FormatReportSvg(const ReportData& data) {
  std::string body;
  body.reserve(8192 + data.bests.size() * 220);
  AppendSpeedChart(&body, data);
  AppendWeekChart(&body, data);
  // The practice section under the files' charts, and the notes under all.
  const int nNotesTop =
      HasPracticeSection(data) ? AppendPracticeSvg(&body, data, PRACTICE_TOP) + NOTE_HEIGHT
                               : NOTES_TOP;
  const std::string notes = FormatReportNotes(data);
  int y = nNotesTop - NOTE_HEIGHT / 2;
  for (size_t nStart = 0; nStart < notes.size(); y += NOTE_HEIGHT) {
    const size_t nEnd = notes.find('\n', nStart);
    AppendSvgText(&body, 20, y, "start", notes.substr(nStart, nEnd - nStart), " font-size=\"11\"");
    nStart = nEnd + 1;
  }
  const int nHeight = y + NOTE_HEIGHT / 2;
  std::string out;
  ReportAppendf(&out,
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                "viewBox=\"0 0 %d %d\" font-family=\"DejaVu Sans, Verdana, sans-serif\" "
                "font-size=\"12\" fill=\"%s\">\n",
                PICTURE_WIDTH, nHeight, PICTURE_WIDTH, nHeight, TEXT_COLOUR);
  out += "<title>" + SvgEscape(_("numdril practice report")) + "</title>\n";
  ReportAppendf(&out, "<rect width=\"%d\" height=\"%d\" fill=\"white\"/>\n", PICTURE_WIDTH,
                nHeight);
  return out + body + "</svg>\n";
}
