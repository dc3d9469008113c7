// SPDX-License-Identifier: MIT
// The practice report read from real-looking files: both languages, damaged and run-together
// lines, a week without practice and a missing record, against totals and weeks worked out
// by hand; a damaged record read through the record reader without disturbing the
// program's record values or its next save; the last twelve weeks that have practice; round
// axes, dates under their points and no best hidden in a chart; the practice section of a
// small known history from numdril.db, its figures worked out by hand, as text and picture.
#include "report/report.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <sstream>

#include "practice/practice_support.h"
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

// The text with every run of blanks made one and each line trimmed: the figures in their
// order, whatever the columns' widths.
std::string Squeezed(const std::string& text) {
  std::string out;
  for (char ch : text) {
    if (ch == ' ' && (out.empty() || out.back() == ' ' || out.back() == '\n')) continue;
    if (ch == '\n' && !out.empty() && out.back() == ' ') out.pop_back();
    out += ch;
  }
  return out;
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
  // A learner's speeds from day to day: from a round floor below the lowest, so that their
  // changes show; one value alone sits inside its axis; values near 0 keep the axis from 0.
  const ReportAxis days = ChooseReportAxisAbove(230.0, 246.0);
  EXPECT_EQ(days.dFloor, 225.0);
  EXPECT_EQ(days.dStep, 5.0);
  EXPECT_EQ(days.Top(), 250.0);
  EXPECT_EQ(days.Share(230.0), 0.2);
  const ReportAxis one = ChooseReportAxisAbove(234.0, 234.0);
  EXPECT_EQ(one.dFloor, 220.0);
  EXPECT_EQ(one.Top(), 235.0);
  EXPECT_EQ(ChooseReportAxisAbove(40.0, 246.0).dFloor, 0.0);

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

// The known history over the last 30 days, by hand: three random runs to the end (40, 60 and
// 72 cpm; 20 keys, one wrong, in 19 s), a cancelled one, a position drill; the run forty
// days ago outside.
TEST(Report, PracticeSectionOfAKnownHistory) {
  PracticeFolder folder;
  WriteKnownHistory();
  ReportData data;
  ReadReport(&data);
  ReadReportPractice(&data, 30, TEST_EPOCH);
  const std::string text = Squeezed(FormatReportText(data, ASCII_STYLE, nullptr));
  for (const char* pszLine : {
           "Practice of the last 30 days (numdril.db, 2026-11-08 to 2026-12-07)",
           "5 runs: 1 of position practice, 4 of random practice",
           // Gross 20 keys in 19 s, net 19: 3,789.5 and 3,600 an hour.
           "Random practice, 3 runs to the end: median 60.0 cpm, 3,789 KPH (net 3,600), "
           "accuracy 95.0%",
           "Digits typed on the keypad: 91.7% (22 of 24; the others on the digit row)",
           // Per day: the day before (40 and 60 cpm, 8 keys, 1 wrong, in 9 s), and today.
           "2026-12-06 2 50.0 60.0 3,200 2,800 87.5%", "2026-12-07 1 72.0 72.0 4,320 4,320 100.0%",
           // The keypad as laid out: 1 right 10 of 11 times, 3 once of twice and never timed.
           "| 1 | 2 | 3 | |", "| 90.9% | 90.0% | 50.0% | |", "| 75 ms | 300 ms | - | Enter |",
           "| - | 100.0% | - |",
           "1 -> 2 300 ms 8 times asked 1, typed 4 1 time",
           "2 -> 1 75 ms 6 times asked 2, typed 8 1 time",
           "asked 3, typed 6 1 time",
           // Newest first; a cancelled run's speed from its right keys in its time.
           "2026-12-07 08:30 Position 0:04.0 60.0 4,500 3,600 80.0% 1",
           "2026-12-07 08:00 Random* 0:02.0 30.0 3,600 1,800 50.0% 1",
           "2026-12-06 08:30 Random 0:03.0 60.0 3,600 3,600 100.0% 0", "* cancelled with Esc"})
    EXPECT_TRUE(HasLine(text, pszLine)) << pszLine << "\n" << text;
  EXPECT_EQ(text.find("began with the first drill"), std::string::npos) << text;

  // The picture: each key in its accuracy band's colour, in reading order (7 8 9 / 4 5 6 /
  // 1 2 3 Enter / 0 .), a key never asked in grey; a point per day with speed runs.
  const std::string svg = FormatReportSvg(data);
  std::vector<std::string> fills;
  for (const std::string& key : AllBetween(svg, "<rect class=\"key\"", "/>"))
    fills.push_back(AllBetween(key, " fill=\"", "\"").at(0));
  const std::string GREY = "#eeeeee", GREEN = "#33CC33", YELLOW = "#FFD700", RED = "#FF4D4D";
  EXPECT_EQ(fills, (std::vector<std::string>{GREY, GREY, GREY, GREY, GREEN, GREY, YELLOW, YELLOW,
                                             RED, GREEN, GREY, GREY}));
  EXPECT_EQ(AllBetween(svg, "<circle class=\"day\"", ">").size(), 2u);
  EXPECT_NE(svg.find(">Random practice, 3 runs to the end: median 60.0 cpm, 3,789 KPH"),
            std::string::npos);
  EXPECT_EQ(svg.rfind("</svg>\n"), svg.size() - 7);

  // The whole history begins with the first drill recorded, and says so.
  ReadReportPractice(&data, 0, TEST_EPOCH);
  const std::string all = Squeezed(FormatReportText(data, ASCII_STYLE, nullptr));
  EXPECT_TRUE(HasLine(all, "All practice (numdril.db, 2026-10-28 to 2026-12-07)")) << all;
  EXPECT_TRUE(HasLine(all, "numdril.db began with the first drill recorded, on 2026-10-28: these "
                           "figures start there.")) << all;
}

// On a colour terminal each asked key takes its accuracy band's colour behind its figures
// (the 256-colour cube's nearest to the picture's tints), a key never asked none; in
// Japanese every table keeps its columns, measured as the terminal draws full-width text.
TEST(Report, PracticeKeysInColourAndTablesInJapanese) {
  PracticeFolder folder;
  WriteKnownHistory();
  ReportData data;
  ReadReportPractice(&data, 30, TEST_EPOCH);
  const std::string colour = FormatPracticeText(data, ReportStyle{true, true});
  const std::string YELLOW = "\x1b[30;48;5;220m", RED = "\x1b[30;48;5;203m";
  const std::string GREEN = "\x1b[30;48;5;77m", RESET = "\x1b[0m";
  EXPECT_NE(colour.find("\u2502" + YELLOW + "  90.9% " + RESET + "\u2502" + YELLOW + "  90.0% " +
                        RESET + "\u2502" + RED + "  50.0% " + RESET + "\u2502"),
            std::string::npos)
      << colour;
  const std::string UNASKED = "\u2502    -   \u2502";
  EXPECT_NE(colour.find(UNASKED + GREEN + " 100.0% " + RESET + UNASKED), std::string::npos)
      << colour;

  CCommandLineInfo info;
  info.nLanguage = CCommandLineInfo::Japanese;
  SetUpTranslations(info);
  const std::string text = FormatPracticeText(data, ReportStyle{true, false});
  // 過去 30 日間の練習 (numdril.db、2026-11-08 から 2026-12-07 まで)
  EXPECT_TRUE(HasLine(text, "\xe9\x81\x8e\xe5\x8e\xbb 30 \xe6\x97\xa5\xe9\x96\x93\xe3\x81\xae"
                            "\xe7\xb7\xb4\xe7\xbf\x92 (numdril.db\xe3\x80\x81" "2026-11-08 "
                            "\xe3\x81\x8b\xe3\x82\x89 2026-12-07 \xe3\x81\xbe\xe3\x81\xa7)"))
      << text;
  // The last runs: their heading and five rows, each ending on its errors' column.
  const size_t nFirstRow = text.rfind('\n', text.find("2026-12-07 09:00")) + 1;
  std::istringstream lines(text.substr(text.rfind('\n', nFirstRow - 2) + 1));
  std::vector<int> widths;
  std::string line;
  for (int i = 0; i < 6 && std::getline(lines, line); ++i) {
    if (i == 0) {
      EXPECT_NE(line.find("\xe3\x83\x9f\xe3\x82\xb9"), std::string::npos) << line;  // ミス
    }
    widths.push_back(TextColumns(line));
  }
  EXPECT_EQ(widths, std::vector<int>(6, widths[0])) << text;
  info.nLanguage = CCommandLineInfo::English;
  SetUpTranslations(info);
}

// A history of the three files alone reports as before: no practice section, in the text or
// the picture, and nothing written beside them.
TEST(Report, NoDatabaseNoPracticeSection) {
  PracticeFolder folder;
  ReportData data;
  ReadReport(&data);
  ReadReportPractice(&data, 30, TEST_EPOCH);
  EXPECT_EQ(FormatReportText(data, ASCII_STYLE, nullptr).find("numdril.db"), std::string::npos);
  EXPECT_EQ(FormatReportSvg(data).find("numdril.db"), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(PRACTICE_DB_NAME));

  // SQLite's word on a damaged file may quote its bytes: never a control character for the
  // terminal, nor a byte that is not UTF-8 for the picture.
  data.practice.nState = PRACTICE_DB_UNREADABLE;
  data.practice.reason = "malformed schema (\x1b]0;x\x07 \xc2\x9b \xff\xc3 caf\xc3\xa9)";
  const std::string text = FormatReportText(data, ReportStyle{true, false}, nullptr);
  EXPECT_TRUE(HasLine(text, "  numdril.db could not be read (malformed schema (?]0;x? ?? ?? "
                            "caf\xc3\xa9))"))
      << text;
}

// Days joined for a chart as the day table joins runs: a median of all their runs, not of
// the days' medians; groups of equal length ending on the last day; columns as a terminal
// draws full-width text; shares never rounded to all or none.
TEST(Report, ChartDaysJoinTheirRunsAndColumnsHoldInJapanese) {
  PracticeFigures f;
  auto day = [](int nDay, std::vector<double> cpms, int64_t nKeys, int64_t nErrors) {
    PracticeDay d{};
    d.nDay = nDay;
    d.nRuns = (int)cpms.size();
    d.dBestCpm = *std::max_element(cpms.begin(), cpms.end());
    d.nKeystrokes = nKeys;
    d.nErrors = nErrors;
    d.nDurationMs = 60000 * (int64_t)cpms.size();
    d.cpms = cpms;
    return d;
  };
  f.days = {day(1, {40, 200}, 100, 10), day(2, {60}, 50, 0), day(94, {72}, 60, 3)};
  // 95 days in at most 60 columns: two days a column, the first column day 0 alone.
  const std::vector<ReportDayGroup> groups = GroupPracticeDays(f, 0, 94, 60);
  ASSERT_EQ(groups.size(), 48u);
  EXPECT_EQ(groups[0].nFirstDay, 0);
  EXPECT_EQ(groups[0].nLastDay, 0);
  EXPECT_EQ(groups[1].nFirstDay, 1);
  EXPECT_EQ(groups[1].nLastDay, 2);
  EXPECT_EQ(groups[1].nRuns, 3);
  EXPECT_DOUBLE_EQ(groups[1].dMedianCpm, 60.0);
  EXPECT_DOUBLE_EQ(groups[1].dBestCpm, 200.0);
  EXPECT_DOUBLE_EQ(groups[1].dAccuracy, 140.0 / 150.0);
  EXPECT_DOUBLE_EQ(groups[1].dGrossKph, 150 * 20.0);
  EXPECT_EQ(groups[47].nLastDay, 94);
  EXPECT_EQ(groups[46].nRuns, 0);

  const std::string ACCURACY_JA = "\xe6\xad\xa3\xe7\xa2\xba\xe3\x81\x95";  // 正確さ
  EXPECT_EQ(TextColumns(ACCURACY_JA), 6);
  EXPECT_EQ(TextColumns("98.5%"), 5);
  EXPECT_EQ(PadLeft(ACCURACY_JA, 8), "  " + ACCURACY_JA);
  EXPECT_EQ(PadRight(ACCURACY_JA + "x", 6), ACCURACY_JA + "x");
  EXPECT_EQ(ReportPercent(0.9997), "99.9%");
  EXPECT_EQ(ReportPercent(0.0004), "0.1%");
  EXPECT_EQ(ReportPercent(1.0), "100.0%");
  EXPECT_EQ(ReportCount(-1234567), "-1,234,567");
  EXPECT_EQ(ReportMs(999.4), "999 ms");
  EXPECT_EQ(ReportMs(999.6), "1.00 s");
}
