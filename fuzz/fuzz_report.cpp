// SPDX-License-Identifier: MIT
// Fuzz target: arbitrary bytes as all three record files, read by the practice report and
// put out as text in both styles and as the SVG picture. Checks that what is read is
// sane (weeks in order, Mondays, totals that hold the weeks shown, sorted finite speeds),
// that the record's figures are its reader's and the program's record values are left as
// they were, and that the outputs hold no stray control bytes. Not a check of the
// report's wording.
#include <cmath>
#include <cstring>
#include <string>

#include "app/app.h"
#include "fuzz_common.h"
#include "records/records.h"
#include "report/report.h"

namespace {

void CheckText(const std::string& text, const char* pszWhat, bool bEscapeAllowed) {
  for (unsigned char ch : text)
    if (ch < 0x20 && ch != '\n' && !(bEscapeAllowed && ch == 0x1b))
      FuzzFail("%s holds control byte 0x%02x", pszWhat, ch);
}

void CheckData(const ReportData& data) {
  int64_t nRuns = 0, nSeconds = 0;
  for (size_t i = 0; i < data.weeks.size(); ++i) {
    const PracticeWeek& week = data.weeks[i];
    if ((week.nMonday + 3) % 7 != 0) FuzzFail("week %d does not start on a Monday", week.nMonday);
    if (i > 0 && week.nMonday <= data.weeks[i - 1].nMonday) FuzzFail("weeks out of order");
    if (week.nRuns < 1 || week.nSeconds < 0) FuzzFail("week with %d runs, %lld s", week.nRuns,
                                                      (long long)week.nSeconds);
    nRuns += week.nRuns;
    nSeconds += week.nSeconds;
  }
  if (data.weeks.size() > (size_t)REPORT_WEEKS || (int)data.weeks.size() > data.nLogWeeks)
    FuzzFail("%zu weeks shown of %d", data.weeks.size(), data.nLogWeeks);
  if (nRuns > data.nLogRuns || nSeconds > data.nLogSeconds)
    FuzzFail("weeks shown hold more than the whole log");
  for (size_t i = 0; i < data.bests.size(); ++i) {
    const SpeedBest& best = data.bests[i];
    if (!std::isfinite(best.dSpeed) || best.dSpeed < 0.0 || best.nPracticeSeconds < 0)
      FuzzFail("best speed %f after %lld s", best.dSpeed, (long long)best.nPracticeSeconds);
    if (best.nSecondOfDay < 0 || best.nSecondOfDay > 86400) FuzzFail("time of day out of range");
    if (i > 0 && (best.nDay < data.bests[i - 1].nDay ||
                  (best.nDay == data.bests[i - 1].nDay &&
                   best.nSecondOfDay < data.bests[i - 1].nSecondOfDay)))
      FuzzFail("bests out of order");
  }
  if (data.log.nBadLines < 0 || data.spd.nBadLines < 0 || data.rec.nBadLines < 0)
    FuzzFail("a negative count of bad lines");
}

// The report's figures of the record are its reader's, line by line.
void CheckRecord(const ReportData& data, const std::string& bytes) {
  const RecordContents contents = ParseRecordFile(bytes);
  if (data.rec.nBadLines != contents.nLines - contents.nLinesRead)
    FuzzFail("%d bad record lines for %d of %d read", data.rec.nBadLines, contents.nLinesRead,
             contents.nLines);
  const int64_t nUse = contents.nLinesRead > 0 ? contents.values.nTotalSeconds : -1;
  const int64_t nPosition = contents.nLinesRead > 1 ? contents.values.nPositionSeconds : -1;
  if (data.nUseSeconds != nUse || data.nPositionSeconds != nPosition)
    FuzzFail("record times %lld %lld for %lld %lld", (long long)data.nUseSeconds,
             (long long)data.nPositionSeconds, (long long)nUse, (long long)nPosition);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
  ScratchFolder scratch("numdril-fuzz-report");
  ClearWorkingFolder();
  ResetAllState();
  WriteWholeFile("numdril.rec", pData, nSize);
  WriteWholeFile("numdril.log", pData, nSize);
  WriteWholeFile("numdril.spd", pData, nSize);
  g_nPastSeconds = 12345;
  g_nRandomSeconds[0][0] = 678;

  ReportData data;
  ReadReport(&data);
  if (g_nPastSeconds != 12345 || g_nRandomSeconds[0][0] != 678)
    FuzzFail("reading for the report changed the record values");
  CheckData(data);
  CheckRecord(data, std::string((const char*)pData, nSize));

  CheckText(FormatReportText(data, ReportStyle{false, false}, "/fuzz"), "ASCII text", false);
  CheckText(FormatReportText(data, ReportStyle{true, true}, "/fuzz"), "UTF-8 text", true);
  const std::string svg = FormatReportSvg(data);
  CheckText(svg, "SVG", false);
  if (svg.rfind("</svg>\n") != svg.size() - 7) FuzzFail("SVG not closed");
  for (const std::string& name : ListWorkingFolder())
    if (name != "numdril.rec" && name != "numdril.log" && name != "numdril.spd")
      FuzzFail("stray file %s", name.c_str());
  return 0;
}
