// SPDX-License-Identifier: MIT
// Practice report, the words and numbers of the practice figures that the text and the
// picture share: widths of UTF-8 text on a terminal, counts, shares and times as the report
// writes them in every language, the keypad's layout, days joined for a chart, and the
// practice section's heading, summary and notes. Reads nothing.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "report/report.h"

static const int64_t SECONDS_PER_DAY = 86400;

const ReportKeyCap REPORT_KEYPAD[REPORT_KEY_CAPS] = {
    {7, 0, 0, 1, 1}, {8, 0, 1, 1, 1},  {9, 0, 2, 1, 1},  {4, 1, 0, 1, 1},
    {5, 1, 1, 1, 1}, {6, 1, 2, 1, 1},  {1, 2, 0, 1, 1},  {2, 2, 1, 1, 1},
    {3, 2, 2, 1, 1}, {KEYPAD_ENTER, 2, 3, 2, 1}, {0, 3, 0, 1, 2}, {-1, 3, 2, 1, 1},
};

// ---- Widths ----------------------------------------------------------------------------

// Whether a code point takes two columns: East Asian Wide and Fullwidth, as terminals
// draw them.
static bool IsWide(uint32_t c) {
  return (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0x303E) ||
         (c >= 0x3041 && c <= 0x33FF) || (c >= 0x3400 && c <= 0x4DBF) ||
         (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xA000 && c <= 0xA4CF) ||
         (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
         (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
         (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
}

int TextColumns(const std::string& text) {
  int nColumns = 0;
  for (size_t i = 0; i < text.size();) {
    const unsigned char ch = (unsigned char)text[i];
    const int nBytes = ch < 0x80 ? 1 : ch >= 0xF0 ? 4 : ch >= 0xE0 ? 3 : ch >= 0xC0 ? 2 : 1;
    uint32_t c = nBytes == 1 ? ch : ch & (0x7F >> nBytes);
    for (int k = 1; k < nBytes && i + (size_t)k < text.size(); ++k)
      c = (c << 6) | ((unsigned char)text[i + (size_t)k] & 0x3F);
    nColumns += IsWide(c) ? 2 : 1;
    i += (size_t)nBytes;
  }
  return nColumns;
}

std::string PadRight(const std::string& text, int nColumns) {
  return text + std::string((size_t)std::max(0, nColumns - TextColumns(text)), ' ');
}

std::string PadLeft(const std::string& text, int nColumns) {
  return std::string((size_t)std::max(0, nColumns - TextColumns(text)), ' ') + text;
}

// ---- Numbers ---------------------------------------------------------------------------

std::string ReportCount(int64_t n) {
  std::string digits = std::to_string(n < 0 ? -n : n), out;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return n < 0 ? "-" + out : out;
}

std::string ReportPercent(double dShare) {
  // Short of all is never shown as all, nor some as none: 99.97 % is "99.9%".
  const double dTenths = std::round(1000.0 * dShare);
  const double dShown = dShare < 1.0 && dTenths >= 1000.0 ? 999.0
                        : dShare > 0.0 && dTenths <= 0.0  ? 1.0
                                                          : dTenths;
  return FormatText("%.1f%%", dShown / 10.0);
}

std::string ReportMs(double dMs) {
  if (dMs < 999.5) return FormatText("%.0f ms", dMs);
  return FormatText("%.2f s", dMs / 1000.0);
}

std::string ReportRunDuration(int64_t nMs) {
  const int64_t nTenths = (nMs + 50) / 100;
  return FormatText("%lld:%02d.%d", (long long)(nTenths / 600), (int)(nTenths / 10 % 60),
                    (int)(nTenths % 10));
}

std::string ReportStart(int64_t tUtc, int32_t nUtcOffset) {
  const int nDay = PracticeLocalDay(tUtc, nUtcOffset);
  const int64_t nSecond = tUtc + nUtcOffset - (int64_t)nDay * SECONDS_PER_DAY;
  return ReportDate(nDay) +
         FormatText(" %02d:%02d", (int)(nSecond / 3600), (int)(nSecond / 60 % 60));
}

// ---- Names -----------------------------------------------------------------------------

std::string ReportKeyName(int nKey) {
  // The key tops' own words, in every language.
  return nKey == KEYPAD_ENTER ? "Enter" : std::string(1, (char)('0' + nKey));
}

std::string ReportCharName(int ch) {
  switch (ch) {
    case '\r':
      return "Enter";
    case ' ':
      return "Space";
    case '\t':
      return "Tab";
    default:
      if (ch > 0x20 && ch < 0x7F) return std::string(1, (char)ch);
      return FormatText("0x%02X", ch & 0xFF);
  }
}

std::string ReportDrillName(int nDrill) {
  return nDrill == DRILL_POSITION ? _("Position") : _("Random");
}

// ---- Days for the charts ---------------------------------------------------------------

bool ReportChartDays(const PracticeFigures& figures, int* pnFirstDay, int* pnLastDay) {
  if (figures.nFirstDay < 0) return false;
  *pnFirstDay = std::max(figures.nFromDay, figures.nFirstDay);
  *pnLastDay = figures.nToDay;
  return *pnFirstDay <= *pnLastDay;
}

std::vector<ReportDayGroup> GroupPracticeDays(const PracticeFigures& figures, int nFirstDay,
                                              int nLastDay, int nMaxGroups) {
  const int nDays = nLastDay - nFirstDay + 1;
  const int nPerGroup = (nDays + nMaxGroups - 1) / nMaxGroups;
  const int nGroups = (nDays + nPerGroup - 1) / nPerGroup;
  std::vector<ReportDayGroup> groups((size_t)nGroups);
  for (int g = 0; g < nGroups; ++g) {
    groups[(size_t)g] = ReportDayGroup{};
    groups[(size_t)g].nLastDay = nLastDay - (nGroups - 1 - g) * nPerGroup;
    groups[(size_t)g].nFirstDay = std::max(nFirstDay, groups[(size_t)g].nLastDay - nPerGroup + 1);
  }
  // The days' runs summed, as the figures sum a day's.
  struct Sum {
    int64_t nKeystrokes = 0, nErrors = 0, nDurationMs = 0;
    std::vector<double> cpms;
  };
  std::vector<Sum> sums((size_t)nGroups);
  for (const PracticeDay& day : figures.days) {
    if (day.nDay < nFirstDay || day.nDay > nLastDay) continue;
    const size_t g = (size_t)(nGroups - 1 - (nLastDay - day.nDay) / nPerGroup);
    ReportDayGroup& group = groups[g];
    Sum& sum = sums[g];
    group.nRuns += day.nRuns;
    group.dBestCpm = std::max(group.dBestCpm, day.dBestCpm);
    sum.nKeystrokes += day.nKeystrokes;
    sum.nErrors += day.nErrors;
    sum.nDurationMs += day.nDurationMs;
    sum.cpms.insert(sum.cpms.end(), day.cpms.begin(), day.cpms.end());
  }
  for (size_t g = 0; g < groups.size(); ++g) {
    ReportDayGroup& group = groups[g];
    Sum& sum = sums[g];
    group.dMedianCpm = PracticeMedian(&sum.cpms);
    group.dAccuracy = Accuracy(sum.nKeystrokes, sum.nErrors);
    group.dGrossKph = GrossKph(sum.nKeystrokes, sum.nDurationMs);
    group.dNetKph = NetKph(sum.nKeystrokes, sum.nErrors, sum.nDurationMs);
  }
  return groups;
}

ReportAxis SpeedAxis(const std::vector<ReportDayGroup>& groups) {
  double dMin = 0.0, dMax = 0.0;
  bool bAny = false;
  for (const ReportDayGroup& group : groups) {
    if (group.nRuns == 0) continue;
    dMin = bAny ? std::min(dMin, group.dMedianCpm) : group.dMedianCpm;
    dMax = std::max(dMax, group.dBestCpm);
    bAny = true;
  }
  return ChooseReportAxisAbove(dMin, dMax);
}

double AccuracyAxisFloor(const std::vector<ReportDayGroup>& groups) {
  const double dFloor = ACCURACY_BANDS[ACCURACY_BAND_COUNT - 2].dFloor;
  for (const ReportDayGroup& group : groups)
    if (group.nRuns > 0 && group.dAccuracy < dFloor) return 0.0;
  return dFloor;
}

// ---- The section's words ---------------------------------------------------------------

// Text from outside numdril (SQLite's message about a damaged file may quote its bytes) made
// safe for a terminal and for XML: a control character (C0, DEL, C1) or a byte outside
// well-formed UTF-8 becomes '?', so that a crafted file can neither steer the terminal nor
// break the picture.
static std::string Printable(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    const unsigned char ch = (unsigned char)text[i];
    size_t nBytes = ch < 0x80 ? 1 : (ch & 0xE0) == 0xC0 ? 2 : (ch & 0xF0) == 0xE0 ? 3
                                  : (ch & 0xF8) == 0xF0 ? 4 : 0;
    uint32_t c = nBytes == 1 ? ch : ch & (0x7F >> nBytes);
    for (size_t k = 1; k < nBytes; ++k) {
      const unsigned char next = i + k < text.size() ? (unsigned char)text[i + k] : 0;
      if ((next & 0xC0) != 0x80) nBytes = 0;
      c = (c << 6) | (next & 0x3F);
    }
    // Over-long forms, UTF-16 halves and code points past U+10FFFF are not UTF-8 either.
    static const uint32_t LEAST[5] = {0, 0, 0x80, 0x800, 0x10000};
    const bool bGood = nBytes > 0 && c >= LEAST[nBytes] && c <= 0x10FFFF &&
                       !(c >= 0xD800 && c <= 0xDFFF) && c >= 0x20 && !(c >= 0x7F && c < 0xA0);
    if (bGood)
      out.append(text, i, nBytes);
    else
      out += '?';
    i += bGood ? nBytes : 1;
  }
  return out;
}

bool HasPracticeSection(const ReportData& data) {
  return data.practice.nState != PRACTICE_DB_MISSING;
}

std::string PracticeHeading(const ReportData& data) {
  const PracticeFigures& f = data.practice;
  const int nFrom = data.nSpanDays > 0 ? f.nFromDay : f.nFirstDay;
  if (nFrom < 0) return FormatText(_("All practice (%s)"), PRACTICE_DB_NAME);
  const std::string from = ReportDate(nFrom), to = ReportDate(f.nToDay);
  if (data.nSpanDays <= 0)
    return FormatText(_("All practice (%s, %s to %s)"), PRACTICE_DB_NAME, from.c_str(),
                      to.c_str());
  return FormatText(ngettext("Practice of the last %d day (%s, %s to %s)",
                             "Practice of the last %d days (%s, %s to %s)",
                             (unsigned long)data.nSpanDays),
                    data.nSpanDays, PRACTICE_DB_NAME, from.c_str(), to.c_str());
}

// The span's speed in one line: the random drill's runs to the end.
static std::string SpeedLine(const PracticeTotals& t) {
  if (t.nSpeedRuns == 0) return _("Random practice: no run to the end yet, so no speed.");
  return FormatText(ngettext("Random practice, %s run to the end: median %.1f cpm, "
                             "%s KPH (net %s), accuracy %s",
                             "Random practice, %s runs to the end: median %.1f cpm, "
                             "%s KPH (net %s), accuracy %s",
                             (unsigned long)t.nSpeedRuns),
                    ReportCount(t.nSpeedRuns).c_str(), t.dMedianCpm,
                    ReportCount(std::lround(t.dGrossKph)).c_str(),
                    ReportCount(std::lround(t.dNetKph)).c_str(),
                    ReportPercent(t.dAccuracy).c_str());
}

std::vector<std::string> PracticeSummary(const ReportData& data) {
  const PracticeFigures& f = data.practice;
  const PracticeTotals& t = f.totals;
  std::vector<std::string> lines;
  if (f.nState == PRACTICE_DB_UNREADABLE)
    lines.push_back(FormatText(_("%s could not be read (%s)"), PRACTICE_DB_NAME,
                               Printable(f.reason).c_str()));
  if (t.nRuns == 0) {
    if (f.nState == PRACTICE_DB_UNREADABLE) return lines;
    if (f.nFirstDay < 0 || data.nSpanDays <= 0)
      lines.push_back(FormatText(_("No drill recorded in %s yet."), PRACTICE_DB_NAME));
    else
      lines.push_back(FormatText(ngettext("No drill in the last %d day: --span=all shows "
                                          "the whole history.",
                                          "No drill in the last %d days: --span=all shows "
                                          "the whole history.",
                                          (unsigned long)data.nSpanDays),
                                 data.nSpanDays));
    return lines;
  }
  lines.push_back(FormatText(ngettext("%s run: %s of position practice, %s of random practice",
                                      "%s runs: %s of position practice, %s of random "
                                      "practice",
                                      (unsigned long)t.nRuns),
                             ReportCount(t.nRuns).c_str(), ReportCount(t.nPositionRuns).c_str(),
                             ReportCount(t.nRandomRuns).c_str()));
  lines.push_back(SpeedLine(t));
  const int64_t nDigits = f.nKeypadDigits + f.nRowDigits;
  if (nDigits > 0)
    lines.push_back(FormatText(_("Digits typed on the keypad: %s (%s of %s; the others on "
                                 "the digit row)"),
                               ReportPercent(f.dKeypadShare).c_str(),
                               ReportCount(f.nKeypadDigits).c_str(),
                               ReportCount(nDigits).c_str()));
  // Where the database is younger than the span (or the whole history is asked for), the
  // files' sections go back further than these figures.
  if (f.nFirstDay >= 0 && (data.nSpanDays <= 0 || f.nFromDay < f.nFirstDay))
    lines.push_back(FormatText(_("%s began with the first drill recorded, on %s: these "
                                 "figures start there."),
                               PRACTICE_DB_NAME, ReportDate(f.nFirstDay).c_str()));
  return lines;
}

std::string PracticeNotes(const PracticeFigures& figures) {
  std::string notes;
  if (figures.nSkippedRuns > 0)
    notes += FormatText(ngettext("%d run of %s could not be read.",
                                 "%d runs of %s could not be read.",
                                 (unsigned long)figures.nSkippedRuns),
                        figures.nSkippedRuns, PRACTICE_DB_NAME) +
             "\n";
  if (figures.bKeysLeftOut)
    notes += FormatText(_("%s holds more keys in the span than the report takes: the latest "
                          "runs are left out."),
                        PRACTICE_DB_NAME) +
             "\n";
  return notes;
}
