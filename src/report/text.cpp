// SPDX-License-Identifier: MIT
// Practice report as text: the record's totals, each new best speed with its gain and a
// chart of the best over time, the last weeks of practice as bars, then the practice
// section (practice_text.cpp). Block characters on a UTF-8 terminal, plain ASCII
// elsewhere; colour only when asked for; columns measured as the terminal draws them, so
// that they hold in Japanese. Reads nothing.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstring>

#include "records/records.h"
#include "report/report.h"
#include "report/text_private.h"

// The speed chart in character cells; the longest week bar in cells.
static const int SPEED_CHART_ROWS = 8;
static const int SPEED_CHART_COLUMNS = 60;
static const int WEEK_BAR_COLUMNS = 36;
// Label column of the totals.
static const int TOTALS_LABEL_WIDTH = 20;

// gettext of a text in a context, as xgettext's pgettext keyword marks it: "Time" of day
// and "Time" spent are one word in English and two in Japanese.
static const char* Pgettext(const char* pszKey, const char* pszText) {
  const char* pszTranslated = gettext(pszKey);
  return pszTranslated == pszKey ? pszText : pszTranslated;
}
#define pgettext(Context, Text) Pgettext(Context "\004" Text, Text)

const ChartGlyphs BLOCK_GLYPHS = {
    "┤", "│", "└", "─",
    {" ", "▁", "▂", "▃", "▄", "▅", "▆", "▇", "█"},
    {"", "▏", "▎", "▍", "▌", "▋", "▊", "▉", "█"},
};
const ChartGlyphs ASCII_GLYPHS = {
    "+", "|", "+", "-",
    {" ", " ", " ", " ", "#", "#", "#", "#", "#"},
    {"", "", "", "", "", "", "", "", "#"},
};

void ReportAppendf(std::string* pOut, const char* pszFormat, ...) {
  char szBuffer[512];
  va_list args;
  va_start(args, pszFormat);
  int nLength = vsnprintf(szBuffer, sizeof szBuffer, pszFormat, args);
  va_end(args);
  if (nLength < 0) return;
  if ((size_t)nLength < sizeof szBuffer) {
    pOut->append(szBuffer, (size_t)nLength);
    return;
  }
  std::string longer((size_t)nLength + 1, '\0');
  va_start(args, pszFormat);
  vsnprintf(longer.data(), longer.size(), pszFormat, args);
  va_end(args);
  pOut->append(longer.data(), (size_t)nLength);
}

std::string ReportDuration(int64_t nSeconds) {
  if (nSeconds < 0) return _("unknown");
  char sz[32];
  snprintf(sz, sizeof sz, "%lld:%02d:%02d", (long long)(nSeconds / 3600), (int)(nSeconds / 60 % 60),
           (int)(nSeconds % 60));
  return sz;
}

ReportAxis ChooseReportAxis(double dMaxValue) {
  if (!(dMaxValue > 0.0)) return ReportAxis{0.2, 5};
  // The smallest round step that reaches dMaxValue in six steps at most; being the smallest,
  // it takes three at least (the next smaller step is at most 2.5 times smaller).
  double dPower = std::pow(10.0, std::floor(std::log10(dMaxValue / 6.0)));
  for (;; dPower *= 10.0) {
    for (double dMultiple : {1.0, 2.0, 5.0}) {
      const double dStep = dMultiple * dPower;
      const double dSteps = std::ceil(dMaxValue / dStep - 1e-9);
      if (dSteps <= 6.0) return ReportAxis{dStep, std::max((int)dSteps, 1)};
    }
  }
}

ReportAxis ChooseReportAxisAbove(double dMinValue, double dMaxValue) {
  const ReportAxis fromZero = ChooseReportAxis(dMaxValue);
  if (!(dMinValue > fromZero.Top() / 2)) return fromZero;
  // The steps of the values' range (a tenth of the top at least, so one value alone still
  // gets an axis around it), from the round value below the lowest: the lowest still shows.
  ReportAxis axis = ChooseReportAxis(std::max(dMaxValue - dMinValue, dMaxValue / 10));
  axis.dFloor = (std::ceil(dMinValue / axis.dStep - 1e-9) - 1) * axis.dStep;
  axis.nSteps = std::max(1, (int)std::ceil((dMaxValue - axis.dFloor) / axis.dStep - 1e-9));
  // At least three steps, the values in the upper part.
  while (axis.nSteps < 3 && axis.dFloor >= axis.dStep) {
    axis.dFloor -= axis.dStep;
    axis.nSteps++;
  }
  return axis;
}

double ReportAxis::Share(double dValue) const {
  return std::clamp((dValue - dFloor) / (Top() - dFloor), 0.0, 1.0);
}

std::string ReportAxisLabel(const ReportAxis& axis, double dValue) {
  const int nDecimals = std::max(0, -(int)std::floor(std::log10(axis.dStep) + 1e-9));
  char sz[64];
  snprintf(sz, sizeof sz, "%.*f", nDecimals, dValue);
  return sz;
}

void AppendPainted(std::string* pOut, const ReportStyle& style, const char* pszSgr,
                   const std::string& text) {
  if (style.bColour) pOut->append(pszSgr);
  pOut->append(text);
  if (style.bColour) pOut->append(SGR_RESET);
}

void AppendHeading(std::string* pOut, const ReportStyle& style, const std::string& text) {
  pOut->append("\n");
  AppendPainted(pOut, style, SGR_BOLD, text);
  pOut->append("\n");
}

static std::string Speed(double dSpeed) { return FormatText("%.1f", dSpeed); }

static int Width(const std::string& text) { return TextColumns(text); }

// The file's state where its section would be, or "" when it was read. pszNone is a
// translated text with one %s, for the file's name.
static std::string MissingText(const ReportFile& file, const char* pszName, const char* pszNone) {
  if (file.nState == FILE_MISSING) return FormatText(pszNone, pszName);
  if (file.nState == FILE_UNREADABLE)
    return FormatText(_("%s could not be read (%s)"), pszName, file.reason.c_str());
  return "";
}

// The name of a random item of the record, in the reader's language.
static std::string ItemName(const std::string& name) {
  static const char* const NAMES[] = {N_("Random Practice")};
  for (const char* pszName : NAMES)
    if (name == pszName) return _(pszName);
  return name;
}

// ---- Totals ----------------------------------------------------------------------------

static void AppendTotals(std::string* pOut, const ReportData& data, const ReportStyle& style) {
  AppendHeading(pOut, style, FormatText(_("Totals (%s)"), RECORD_FILE));
  std::string missing = MissingText(data.rec, RECORD_FILE, _("No record yet (%s not found)"));
  if (!missing.empty()) {
    ReportAppendf(pOut, "  %s\n", missing.c_str());
    return;
  }
  struct Row {
    std::string label, value, after;
  };
  std::vector<Row> rows;
  const std::string bestLabel = _("Best speed");
  rows.push_back({_("Use time"), ReportDuration(data.nUseSeconds), ""});
  rows.push_back({_("Position Practice"), ReportDuration(data.nPositionSeconds), ""});
  for (const ReportItem& item : data.items) {
    rows.push_back({ItemName(item.name), ReportDuration(item.nSeconds), ""});
    if (item.nSeconds < 0)
      rows.push_back({bestLabel, _("unknown"), ""});
    else if (item.dBestSpeed <= 0.0)
      rows.push_back({bestLabel, _("none yet"), ""});
    else if (item.nBestDay < 0)
      rows.push_back({bestLabel, Speed(item.dBestSpeed), _(" per minute")});
    else
      rows.push_back({bestLabel, Speed(item.dBestSpeed),
                      FormatText(_(" per minute, %s"), ReportDate(item.nBestDay).c_str())});
  }
  int nValueWidth = 0, nLabelWidth = TOTALS_LABEL_WIDTH;
  for (const Row& row : rows) {
    nValueWidth = std::max(nValueWidth, Width(row.value));
    nLabelWidth = std::max(nLabelWidth, Width(row.label) + 1);
  }
  for (const Row& row : rows)
    *pOut += "  " + PadRight(row.label, nLabelWidth) + PadLeft(row.value, nValueWidth) +
             row.after + "\n";
}

// ---- Best speed over time --------------------------------------------------------------

static void AppendSpeedTable(std::string* pOut, const std::vector<SpeedBest>& bests) {
  std::vector<std::string> speeds, gains, times;
  speeds.reserve(bests.size());
  gains.reserve(bests.size());
  times.reserve(bests.size());
  const std::string date = _("Date"), time = pgettext("time of day", "Time");
  const std::string speed = _("Speed"), gain = _("Gain"), practice = _("Practice time");
  int nSpeedWidth = Width(speed), nGainWidth = Width(gain), nTimeWidth = Width(practice);
  for (size_t i = 0; i < bests.size(); ++i) {
    speeds.push_back(Speed(bests[i].dSpeed));
    char szGain[32] = "";
    if (i > 0) snprintf(szGain, sizeof szGain, "%+.1f", bests[i].dSpeed - bests[i - 1].dSpeed);
    gains.push_back(szGain);
    times.push_back(ReportDuration(bests[i].nPracticeSeconds));
    nSpeedWidth = std::max(nSpeedWidth, Width(speeds.back()));
    nGainWidth = std::max(nGainWidth, Width(gains.back()));
    nTimeWidth = std::max(nTimeWidth, Width(times.back()));
  }
  const int nDateWidth = std::max(10, Width(date)), nClockWidth = std::max(8, Width(time));
  *pOut += "  " + PadRight(date, nDateWidth) + "  " + PadRight(time, nClockWidth) + "  " +
           PadLeft(speed, nSpeedWidth) + "  " + PadLeft(gain, nGainWidth) + "  " +
           PadLeft(practice, nTimeWidth) + "\n";
  for (size_t i = 0; i < bests.size(); ++i) {
    const int nSecond = bests[i].nSecondOfDay;
    const std::string clock =
        FormatText("%02d:%02d:%02d", nSecond / 3600, nSecond / 60 % 60, nSecond % 60);
    *pOut += "  " + PadRight(ReportDate(bests[i].nDay), nDateWidth) + "  " +
             PadRight(clock, nClockWidth) + "  " + PadLeft(speeds[i], nSpeedWidth) + "  " +
             PadLeft(gains[i], nGainWidth) + "  " + PadLeft(times[i], nTimeWidth) + "\n";
  }
}

// The column from which each best shows: where its day falls between the first best's day
// and the last's (its time of day, when all are on one day), and right of the one before,
// so that while there are columns enough no best hides behind the next.
static std::vector<int> StartColumns(const std::vector<SpeedBest>& bests) {
  const int nLast = SPEED_CHART_COLUMNS - 1;
  const bool bOneDay = bests.front().nDay == bests.back().nDay;
  auto at = [&](const SpeedBest& best) {
    return bOneDay ? (int64_t)best.nSecondOfDay : (int64_t)best.nDay;
  };
  const int64_t nFirst = at(bests.front()), nSpan = at(bests.back()) - nFirst;
  std::vector<int> columns(bests.size());
  for (size_t i = 0; i < bests.size(); ++i) {
    // The first column whose day (nFirst + nSpan * c / nLast, rounded down) reaches it.
    const int64_t nFrom = at(bests[i]) - nFirst;
    columns[i] = nSpan > 0 ? (int)((nFrom * nLast + nSpan - 1) / nSpan) : 0;
    if (i > 0) columns[i] = std::max(columns[i], columns[i - 1] + 1);
  }
  for (size_t i = bests.size(); i-- > 0;)
    columns[i] = std::max(0, std::min(columns[i], i + 1 < bests.size() ? columns[i + 1] - 1
                                                                       : nLast));
  return columns;
}

// The best speed as it stood from the first best to the last, as columns rising from 0;
// the top is a round number at or above the highest best.
static void AppendSpeedChart(std::string* pOut, const std::vector<SpeedBest>& bests,
                             const ReportStyle& style) {
  const ChartGlyphs& glyphs = style.bUtf8 ? BLOCK_GLYPHS : ASCII_GLYPHS;
  double dMax = 0.0;
  for (const SpeedBest& best : bests) dMax = std::max(dMax, best.dSpeed);
  const ReportAxis axis = ChooseReportAxis(dMax);
  const int nFull = SPEED_CHART_ROWS * 8;

  const std::vector<int> columns = StartColumns(bests);
  int nEighths[SPEED_CHART_COLUMNS];
  size_t k = 0;
  double dValue = 0.0;
  for (int c = 0; c < SPEED_CHART_COLUMNS; ++c) {
    while (k < bests.size() && columns[k] <= c) dValue = bests[k++].dSpeed;
    nEighths[c] = (int)std::lround(std::min(dValue / axis.Top(), 1.0) * nFull);
  }

  const std::string top = ReportAxisLabel(axis, axis.Top());
  const int nLabelWidth = std::max(Width(top), 1) + 2;
  pOut->append("\n");
  for (int r = 0; r < SPEED_CHART_ROWS; ++r) {
    ReportAppendf(pOut, "%*s %s", nLabelWidth, r == 0 ? top.c_str() : "",
                  r == 0 ? glyphs.pszAxisTop : glyphs.pszAxis);
    std::string cells;
    const int nBase = (SPEED_CHART_ROWS - 1 - r) * 8;
    for (int c = 0; c < SPEED_CHART_COLUMNS; ++c)
      cells += glyphs.pszUp[std::clamp(nEighths[c] - nBase, 0, 8)];
    while (!cells.empty() && cells.back() == ' ') cells.pop_back();
    AppendPainted(pOut, style, SGR_SPEED, cells);
    pOut->append("\n");
  }
  ReportAppendf(pOut, "%*s %s", nLabelWidth, "0", glyphs.pszCorner);
  for (int c = 0; c < SPEED_CHART_COLUMNS; ++c) pOut->append(glyphs.pszRule);
  const std::string first = ReportDate(bests.front().nDay);
  ReportAppendf(pOut, "\n%*s  %s", nLabelWidth, "", first.c_str());
  if (bests.back().nDay > bests.front().nDay)
    ReportAppendf(pOut, "%*s", SPEED_CHART_COLUMNS - Width(first),
                  ReportDate(bests.back().nDay).c_str());
  pOut->append("\n");
}

static void AppendBests(std::string* pOut, const ReportData& data, const ReportStyle& style) {
  const size_t n = data.bests.size();
  AppendHeading(pOut, style,
                FormatText(_("Best speed over time (%s, characters per minute)"), SPEED_FILE));
  std::string missing =
      MissingText(data.spd, SPEED_FILE, _("No new best speed yet (%s not found)"));
  if (missing.empty() && n == 0) missing = _("No new best speed yet");
  if (!missing.empty()) {
    ReportAppendf(pOut, "  %s\n", missing.c_str());
    return;
  }
  AppendSpeedTable(pOut, data.bests);
  AppendSpeedChart(pOut, data.bests, style);
  if (n > 1)
    *pOut += "  " +
             FormatText(ngettext("%d new best, from %s to %s: %+.1f per minute",
                                 "%d new bests, from %s to %s: %+.1f per minute",
                                 (unsigned long)n),
                        (int)n, Speed(data.bests.front().dSpeed).c_str(),
                        Speed(data.bests.back().dSpeed).c_str(),
                        data.bests.back().dSpeed - data.bests.front().dSpeed) +
             "\n";
}

// ---- Practice per week -----------------------------------------------------------------

// A bar of nEighths eighths of a cell.
static std::string Bar(int nEighths, const ChartGlyphs& glyphs) {
  std::string bar;
  for (int i = 0; i < nEighths / 8; ++i) bar += glyphs.pszAcross[8];
  bar += glyphs.pszAcross[nEighths % 8];
  return bar;
}

static void AppendWeeks(std::string* pOut, const ReportData& data, const ReportStyle& style) {
  const ChartGlyphs& glyphs = style.bUtf8 ? BLOCK_GLYPHS : ASCII_GLYPHS;
  AppendHeading(pOut, style, FormatText(_("Practice per week (%s, Monday to Sunday)"), LOG_FILE));
  std::string missing = MissingText(data.log, LOG_FILE, _("No practice logged yet (%s not found)"));
  if (missing.empty() && data.weeks.empty()) missing = _("No practice logged yet");
  if (!missing.empty()) {
    ReportAppendf(pOut, "  %s\n", missing.c_str());
    return;
  }
  const std::string weekOf = _("Week of"), runs = _("Runs"), time = _("Time");
  int64_t nMaxSeconds = 0;
  int nRunsWidth = Width(runs), nTimeWidth = Width(time);
  for (const PracticeWeek& week : data.weeks) {
    nMaxSeconds = std::max(nMaxSeconds, week.nSeconds);
    nRunsWidth = std::max(nRunsWidth, Width(std::to_string(week.nRuns)));
    nTimeWidth = std::max(nTimeWidth, Width(ReportDuration(week.nSeconds)));
  }
  const int nDateWidth = std::max(10, Width(weekOf));
  *pOut += "  " + PadRight(weekOf, nDateWidth) + "  " + PadLeft(runs, nRunsWidth) + "  " +
           PadLeft(time, nTimeWidth) + "\n";
  for (size_t i = 0; i < data.weeks.size(); ++i) {
    const PracticeWeek& week = data.weeks[i];
    if (i > 0) {
      const int nEmpty = (week.nMonday - data.weeks[i - 1].nMonday) / 7 - 1;
      if (nEmpty > 0)
        *pOut += "      " +
                 FormatText(ngettext("(%d week without practice)",
                                     "(%d weeks without practice)", (unsigned long)nEmpty),
                            nEmpty) +
                 "\n";
    }
    int nEighths =
        nMaxSeconds > 0
            ? (int)std::lround((double)week.nSeconds / (double)nMaxSeconds * WEEK_BAR_COLUMNS * 8)
            : 0;
    if (!style.bUtf8) nEighths = (nEighths + 4) / 8 * 8;
    // Any time at all shows as the least bar there is.
    if (week.nSeconds > 0 && nEighths == 0) nEighths = style.bUtf8 ? 1 : 8;
    *pOut += "  " + PadRight(ReportDate(week.nMonday), nDateWidth) + "  " +
             PadLeft(std::to_string(week.nRuns), nRunsWidth) + "  " +
             PadLeft(ReportDuration(week.nSeconds), nTimeWidth) + "  ";
    AppendPainted(pOut, style, SGR_WEEK, Bar(nEighths, glyphs));
    pOut->append("\n");
  }
  const std::string runsInAll =
      FormatText(ngettext("%lld run", "%lld runs", (unsigned long)data.nLogRuns),
                 (long long)data.nLogRuns);
  const unsigned long nWeeks = (unsigned long)data.nLogWeeks;
  if (data.nLogWeeks > (int)data.weeks.size())
    *pOut += "  " +
             FormatText(ngettext("%d week with practice in all (the last %d shown): %s, %s",
                                 "%d weeks with practice in all (the last %d shown): %s, %s",
                                 nWeeks),
                        data.nLogWeeks, (int)data.weeks.size(), runsInAll.c_str(),
                        ReportDuration(data.nLogSeconds).c_str()) +
             "\n";
  else
    *pOut += "  " +
             FormatText(ngettext("%d week with practice in all: %s, %s",
                                 "%d weeks with practice in all: %s, %s", nWeeks),
                        data.nLogWeeks, runsInAll.c_str(),
                        ReportDuration(data.nLogSeconds).c_str()) +
             "\n";
}

// ---- The whole report ------------------------------------------------------------------

std::string FormatReportNotes(const ReportData& data) {
  std::string notes;
  const struct {
    const ReportFile* pFile;
    const char* pszName;
  } FILES[] = {{&data.rec, RECORD_FILE}, {&data.log, LOG_FILE}, {&data.spd, SPEED_FILE}};
  for (const auto& file : FILES) {
    if (file.pFile->nSkippedBytes > 0)
      notes += FormatText(_("The first %lld bytes of %s were not read: it is too large."),
                          (long long)file.pFile->nSkippedBytes, file.pszName) +
               "\n";
    if (file.pFile->nBadLines > 0)
      notes += FormatText(ngettext("%d line of %s could not be read.",
                                   "%d lines of %s could not be read.",
                                   (unsigned long)file.pFile->nBadLines),
                          file.pFile->nBadLines, file.pszName) +
               "\n";
  }
  return notes + PracticeNotes(data.practice);
}

std::string FormatReportText(const ReportData& data, const ReportStyle& style,
                             const char* pszFolder) {
  std::string out;
  out.reserve(4096 + data.bests.size() * 64);
  AppendPainted(&out, style, SGR_BOLD, _("numdril practice report"));
  if (pszFolder && *pszFolder) out += std::string(": ") + pszFolder;
  out += "\n";
  AppendTotals(&out, data, style);
  AppendBests(&out, data, style);
  AppendWeeks(&out, data, style);
  out += FormatPracticeText(data, style);
  const std::string notes = FormatReportNotes(data);
  if (!notes.empty()) out += "\n" + notes;
  return out;
}
