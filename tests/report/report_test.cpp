// SPDX-License-Identifier: MIT
// The practice report read from real-looking files: both languages, damaged and run-together
// lines, a week without practice and a missing record, against totals and weeks worked out
// by hand; a damaged record read through the record reader without disturbing the
// program's record values or its next save; the last twelve weeks that have practice; round
// axes, dates under their points and no best hidden in a chart.
#include "report/report.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "records/records.h"
#include "support/session.h"

namespace {

// "練習時間", "時間", "分", "秒" and the record's line 1 label "練習時間　".
const std::string PRACTICE_JA = "\x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4";
const std::string HOUR_JA = "\x8e\x9e\x8a\xd4", MIN_JA = "\x95\xaa", SEC_JA = "\x95\x62";
const std::string TOTAL_JA = "\x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4\x81\x40";
// The lesson title as the speed history pads it, to 34 columns.
const std::string TITLE = "Random Practice" + std::string(19, ' ');

const ReportStyle ASCII_STYLE{false, false};

bool HasLine(const std::string& text, const std::string& line) {
  return ("\n" + text).find("\n" + line + "\n") != std::string::npos;
}

// A record file as numdril writes it, the times as their fields.
std::string Record(const char* pszTotal, const char* pszPosition, const char* pszRandom) {
  return std::string("Total_Practice_Time") + pszTotal + "\n" + "Position_Practice" +
         std::string(34, ' ') + pszPosition + "\n" + "Random_Practice" + std::string(19, ' ') +
         "  150.5 26/11/03 " + pszRandom + "\n";
}

// What stands between each start and the end after it, in order.
std::vector<std::string> AllBetween(const std::string& text, const std::string& start,
                                    const std::string& end) {
  std::vector<std::string> found;
  for (size_t nAt = text.find(start); nAt != std::string::npos; nAt = text.find(start, nAt)) {
    nAt += start.size();
    found.push_back(text.substr(nAt, text.find(end, nAt) - nAt));
  }
  return found;
}

}  // namespace

TEST(Report, ReadsBothLanguagesAndSkipsWhatIsDamaged) {
  Session s;  // a fresh folder: no numdril.rec
  Session::WriteFile(
      "numdril.log",
      "26/11/02 09:00:00 Practice Time  0hour25min 0sec\n"
      "26/11/03 19:30:10 " +
          PRACTICE_JA + "  1" + HOUR_JA + " 5" + MIN_JA + " 3" + SEC_JA +
          "\r\n"
          // Cut short by a full disk; the next run's line was appended right after it.
          "26/11/04 20:00:00 Practice Ti26/11/08 21:00:00 Practice Time  0hour 0min 7sec\n"
          "\n"
          "26/02/30 10:00:00 Practice Time  0hour 1min 0sec\n"  // no such day
          // The week of 11-09 has no practice.
          "26/11/16 07:15:00 " +
          PRACTICE_JA + "  0" + HOUR_JA + "30" + MIN_JA + " 0" + SEC_JA +
          "\n"
          "26/11/22 23:59:59 Practice Time123hour 0min 0sec\n"
          "26/11/23 08:00:00 Practice Time  0hour 5mi");  // being written, or cut
  Session::WriteFile("numdril.spd", "26/11/02 09:10:00 " + TITLE +
                                        " 120.0     0hour 5min10sec\n"
                                        "26/11/03 19:50:00 " +
                                        TITLE + " 150.5     0" + HOUR_JA + "20" + MIN_JA + " 0" +
                                        SEC_JA +
                                        "\r\n"
                                        "26/11/16 07:40:00 " +
                                        TITLE +
                                        " 1x0.5     0hour40min 0sec\n"
                                        "26/11/22 23:00:00 " +
                                        TITLE + " 1234.6   123hour 0min 0sec\n");

  ReportData data;
  ReadReport(&data);

  EXPECT_EQ(data.rec.nState, FILE_MISSING);
  ASSERT_EQ(data.items.size(), 1u);
  EXPECT_LT(data.items[0].nSeconds, 0);

  // 11-02 to 11-08: 25:00 + 1:05:03 + 0:07; 11-16 to 11-22: 30:00 + 123:00:00.
  ASSERT_EQ(data.weeks.size(), 2u);
  EXPECT_EQ(ReportDate(data.weeks[0].nMonday), "2026-11-02");
  EXPECT_EQ(data.weeks[0].nRuns, 3);
  EXPECT_EQ(data.weeks[0].nSeconds, 1500 + 3903 + 7);
  EXPECT_EQ(ReportDate(data.weeks[1].nMonday), "2026-11-16");
  EXPECT_EQ(data.weeks[1].nRuns, 2);
  EXPECT_EQ(data.weeks[1].nSeconds, 1800 + 123 * 3600);
  EXPECT_EQ(data.nLogWeeks, 2);
  EXPECT_EQ(data.nLogRuns, 5);
  EXPECT_EQ(data.nLogSeconds, 5410 + 444600);
  EXPECT_EQ(data.log.nBadLines, 3);

  ASSERT_EQ(data.bests.size(), 3u);
  EXPECT_EQ(data.bests[1].dSpeed, 150.5);
  EXPECT_EQ(data.bests[1].nPracticeSeconds, 1200);
  EXPECT_EQ(data.bests[2].dSpeed, 1234.6);
  EXPECT_EQ(data.bests[2].nPracticeSeconds, 123 * 3600);
  EXPECT_EQ(data.spd.nBadLines, 1);

  const std::string text = FormatReportText(data, ASCII_STYLE, "/somewhere");
  EXPECT_TRUE(HasLine(text, "  No record yet (numdril.rec not found)")) << text;
  EXPECT_TRUE(HasLine(text, "  2026-11-03  19:50:00   150.5    +30.5        0:20:00")) << text;
  EXPECT_TRUE(HasLine(text, "  2026-11-22  23:00:00  1234.6  +1084.1      123:00:00")) << text;
  // Bars against the longest week; a short week still shows.
  EXPECT_TRUE(HasLine(text, "  2026-11-02     3    1:30:10  #")) << text;
  EXPECT_TRUE(HasLine(text, "      (1 week without practice)")) << text;
  EXPECT_TRUE(HasLine(text, "  2026-11-16     2  123:30:00  " + std::string(36, '#'))) << text;
  EXPECT_TRUE(HasLine(text, "  2 weeks with practice in all: 5 runs, 125:00:10")) << text;
  EXPECT_TRUE(HasLine(text, "3 lines of numdril.log could not be read.")) << text;
  EXPECT_TRUE(HasLine(text, "1 line of numdril.spd could not be read.")) << text;
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
}

TEST(Report, DamagedRecordShowsWhatWasReadAndLeavesTheRecordValuesAlone) {
  Session s;
  Session::WriteFile("numdril.rec", TOTAL_JA + "    2" + HOUR_JA + "14" + MIN_JA + " 5" + SEC_JA +
                                        "\n" + "Position_Practice" + std::string(33, ' ') + " " +
                                        "    0" + HOUR_JA + "25" + MIN_JA + "40" + SEC_JA + "\n" +
                                        "Random_Practice" + std::string(19, ' ') +
                                        "  212.4 26/12/05     0" + HOUR_JA + "48" + MIN_JA + "xx" +
                                        SEC_JA + "\n");
  // Fourteen weeks with one run each over fifteen, the sixth empty: the last twelve
  // with practice reach back past the empty one. Week w has w minutes.
  std::string log;
  for (int w = 0; w < 15; ++w) {
    if (w == 5) continue;
    using namespace std::chrono;
    const year_month_day date{sys_days{2026y / December / 7} + days{7 * w}};
    char szLine[64];
    snprintf(szLine, sizeof szLine, "%02d/%02u/%02u 10:00:00 Practice Time  0hour%2dmin 0sec\n",
             (int)date.year() % 100, (unsigned)date.month(), (unsigned)date.day(), w);
    log += szLine;
  }
  Session::WriteFile("numdril.log", log);
  g_nPastSeconds = 77;
  g_dBestSpeed[0][0] = 99.0;
  g_nRandomSeconds[0][0] = 88;

  ReportData data;
  ReadReport(&data);

  EXPECT_EQ(data.nUseSeconds, 2 * 3600 + 14 * 60 + 5);
  EXPECT_EQ(data.nPositionSeconds, 25 * 60 + 40);
  EXPECT_LT(data.items[0].nSeconds, 0);
  EXPECT_EQ(data.rec.nBadLines, 1);
  EXPECT_EQ(g_nPastSeconds, 77);
  EXPECT_EQ(g_dBestSpeed[0][0], 99.0);
  EXPECT_EQ(g_nRandomSeconds[0][0], 88);

  EXPECT_EQ(data.nLogWeeks, 14);
  EXPECT_EQ(data.nLogRuns, 14);
  ASSERT_EQ(data.weeks.size(), (size_t)REPORT_WEEKS);
  EXPECT_EQ(ReportDate(data.weeks.front().nMonday), "2026-12-21");  // week 2
  EXPECT_EQ(data.weeks.front().nSeconds, 2 * 60);
  EXPECT_EQ(ReportDate(data.weeks.back().nMonday), "2027-03-15");  // week 14
  EXPECT_EQ(data.spd.nState, FILE_MISSING);

  const std::string text = FormatReportText(data, ASCII_STYLE, nullptr);
  EXPECT_TRUE(HasLine(text, "  Use time            2:14:05")) << text;
  EXPECT_TRUE(HasLine(text, "  Random Practice     unknown")) << text;
  EXPECT_TRUE(HasLine(text, "  Best speed          unknown")) << text;
  EXPECT_TRUE(HasLine(text, "  No new best speed yet (numdril.spd not found)")) << text;
  EXPECT_TRUE(HasLine(text, "      (1 week without practice)")) << text;
  EXPECT_TRUE(
      HasLine(text, "  14 weeks with practice in all (the last 12 shown): 14 runs, 1:40:00"))
      << text;
  EXPECT_TRUE(HasLine(text, "1 line of numdril.rec could not be read.")) << text;
}

// A log far longer than one read: every run counts, whichever read its line ends in, and a
// line longer than a read (binary junk) costs only itself.
TEST(Report, LongLogIsReadWholeAcrossReads) {
  Session s;
  std::string log;
  for (int i = 0; i < 20000; ++i) log += "26/11/02 09:00:00 Practice Time  0hour 1min 0sec\n";
  log += std::string(300000, 'x') + "26/11/09 09:00:00 Practice Time  1hour 0min 0sec\n";
  Session::WriteFile("numdril.log", log);
  ReportData data;
  ReadReport(&data);
  EXPECT_EQ(data.nLogRuns, 20001);
  EXPECT_EQ(data.nLogSeconds, 20000 * 60 + 3600);
  EXPECT_EQ(data.log.nBadLines, 1);
}

TEST(Report, ADamagedFirstRecordLineIsUnknownAndEveryUnreadLineCounted) {
  Session s;
  Session::WriteFile("numdril.rec", Record("    1hour xxmi 5se", "    0hour25mi40se",
                                           "    0hour48mi 0se"));
  ReportData data;
  ReadReport(&data);
  EXPECT_EQ(data.nUseSeconds, -1);
  EXPECT_EQ(data.nPositionSeconds, -1) << "reading stops at the first damaged line";
  EXPECT_EQ(data.rec.nBadLines, 3);
  const std::string text = FormatReportText(data, ASCII_STYLE, nullptr);
  EXPECT_TRUE(HasLine(text, "  Use time            unknown")) << text;
  EXPECT_TRUE(HasLine(text, "3 lines of numdril.rec could not be read.")) << text;
}

// A report made while numdril practises leaves what that numdril will save alone: here the
// practice another numdril saved meanwhile.
TEST(Report, ReadingTheRecordLeavesTheProgramsSaveAsItWas) {
  Session s;
  Session::WriteFile("numdril.rec", Record("    1hour 0mi 0se", "    0hour 3mi 0se",
                                           "    0hour 4mi 0se"));
  s.Start();
  Session::WriteFile("numdril.rec", Record("    1hour 0mi 0se", "    0hour 4mi40se",
                                           "    0hour 4mi 0se"));
  g_nPositionSeconds += 60;
  ReportData data;
  ReadReport(&data);
  EXPECT_EQ(data.nPositionSeconds, 280);
  EXPECT_EQ(g_nPositionSeconds, 240);
  ASSERT_EQ(WriteRecordFile(), 1);
  EXPECT_EQ(ParseRecordFile(Session::ReadFile("numdril.rec")).values.nPositionSeconds, 340);
}

TEST(Report, AxesStepRoundlyAndDatesSitUnderTheirPoints) {
  for (double dValue = 1e-3; dValue < 1e7; dValue *= 1.07) {
    const ReportAxis axis = ChooseReportAxis(dValue);
    const double dMantissa = axis.dStep / std::pow(10.0, std::floor(std::log10(axis.dStep)));
    EXPECT_TRUE(std::fabs(dMantissa - 1) < 1e-9 || std::fabs(dMantissa - 2) < 1e-9 ||
                std::fabs(dMantissa - 5) < 1e-9) << dValue << ": step " << axis.dStep;
    EXPECT_GE(axis.nSteps, 3) << dValue;
    EXPECT_LE(axis.nSteps, 6) << dValue;
    EXPECT_GE(axis.Top(), dValue * (1 - 1e-12)) << dValue;
    EXPECT_LT(axis.Top() - axis.dStep, dValue) << dValue << ": a step too many";
  }

  // One best, late on its only day; eight minutes of practice in the only week.
  ReportData data;
  data.spd.nState = data.log.nState = FILE_READ;
  data.bests = {{DayFromFileDate("26/11/03"), 23 * 3600, 150.5, 600}};
  data.weeks = {{DayFromFileDate("26/11/02"), 3, 8 * 60}};
  const std::string svg = FormatReportSvg(data);
  EXPECT_EQ(AllBetween(svg, "text-anchor=\"end\">", "<"),
            (std::vector<std::string>{"0", "50", "100", "150", "200", "0", "2", "4", "6", "8"}));
  const std::vector<std::string> points = AllBetween(svg, "<circle class=\"best\" cx=\"", "\"");
  ASSERT_EQ(points.size(), 1u);
  const size_t nDate = svg.find(">2026-11-03</text>");
  ASSERT_NE(nDate, std::string::npos);
  EXPECT_EQ(AllBetween(svg.substr(svg.rfind("<text ", nDate)), "<text x=\"", "\"")[0], points[0]);

  // Two bests of one day, as text: the first holds until the second, neither hidden.
  data.bests.insert(data.bests.begin(), {DayFromFileDate("26/11/03"), 9 * 3600, 100.0, 300});
  const std::string text = FormatReportText(data, ASCII_STYLE, nullptr);
  EXPECT_TRUE(HasLine(text, "      |" + std::string(59, ' ') + "#")) << text;
  EXPECT_TRUE(HasLine(text, "      |" + std::string(60, '#'))) << text;
}
