// SPDX-License-Identifier: MIT
// Practice report: the record, the practice log and the speed history of the current
// folder, read back and shown as text for a terminal or as one SVG picture. Only reads
// those files, each for a moment and without a lock, so it can run while numdril
// practises; draws nothing on screen and owns no program-wide state.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The practice log weeks shown: the most recent weeks that have any runs.
constexpr int REPORT_WEEKS = 12;

// How one of the three files fared.
enum ReportFileState { FILE_MISSING, FILE_READ, FILE_UNREADABLE };

struct ReportFile {
  ReportFileState nState = FILE_MISSING;
  int nBadLines = 0;          // lines skipped because they could not be read
  std::string reason;         // FILE_UNREADABLE: why, as strerror or our own words
  int64_t nSkippedBytes = 0;  // bytes at the head of an oversized file left unread
};

// One random practice item of the record. Values not read are negative.
struct ReportItem {
  std::string name;          // display name, e.g. "Random Practice"
  double dBestSpeed = -1.0;  // characters per minute; 0.0 = no result yet
  int nBestDay = -1;         // date of the best speed, days since 1970-01-01; -1 = none
  int64_t nSeconds = -1;     // accumulated practice seconds
};

// One line of the speed history: a new best speed of the timed drill.
struct SpeedBest {
  int nDay;                  // date as written (local), days since 1970-01-01
  int nSecondOfDay;          // time of day as written, seconds
  double dSpeed;             // characters per minute
  int64_t nPracticeSeconds;  // the lesson's practice time so far, this run included
};

// One week of the practice log, Monday to Sunday of the dates as written.
struct PracticeWeek {
  int nMonday;       // days since 1970-01-01 of the week's Monday
  int nRuns;         // runs of the program that started in the week
  int64_t nSeconds;  // how long those runs had numdril open
};

struct ReportData {
  ReportFile rec, log, spd;
  // From numdril.rec; -1 where its line could not be read.
  int64_t nUseSeconds = -1;
  int64_t nPositionSeconds = -1;
  std::vector<ReportItem> items;
  // From numdril.spd, by date and time, oldest first.
  std::vector<SpeedBest> bests;
  // From numdril.log: the last REPORT_WEEKS weeks that have runs, oldest first, and the
  // whole log's weeks with runs, runs and seconds.
  std::vector<PracticeWeek> weeks;
  int nLogWeeks = 0;
  int64_t nLogRuns = 0;
  int64_t nLogSeconds = 0;
};

// How text is drawn: block characters or plain ASCII; colour or none.
struct ReportStyle {
  bool bUtf8 = false;
  bool bColour = false;
};

// ---- Reading (read.cpp) ----------------------------------------------------------------

// Reads numdril.rec, numdril.log and numdril.spd of the current folder. The record goes
// through the record file's own reader, which leaves the program's record values alone.
void ReadReport(ReportData* pData);
// Days since 1970-01-01 of the files' "YY/MM/DD" (taken as 20YY); -1 when it is no date.
int DayFromFileDate(const char* pszYyMmDd);

// ---- Showing (text.cpp, svg.cpp, run.cpp) ----------------------------------------------

// Shared by the text and the picture: days since 1970-01-01 as "YYYY-MM-DD"; seconds as
// "h:mm:ss" ("unknown" when negative); printf onto a string.
std::string ReportDate(int nDay);
std::string ReportDuration(int64_t nSeconds);
void ReportAppendf(std::string* pOut, const char* pszFormat, ...)
    __attribute__((format(printf, 2, 3)));

// A value axis from 0: three to six round steps (1, 2 or 5 times a power of ten) that reach
// at or above the largest value shown.
struct ReportAxis {
  double dStep;
  int nSteps;
  double Top() const { return dStep * nSteps; }
};
ReportAxis ChooseReportAxis(double dMaxValue);
// A value of the axis as its labels write it: as many decimals as its step has.
std::string ReportAxisLabel(const ReportAxis& axis, double dValue);

// Block characters when the locale's character set is UTF-8; colour only when fd is a
// terminal, NO_COLOR is unset or empty, and TERM is not "dumb".
ReportStyle ChooseReportStyle(int fd);
// The text report; pszFolder names the folder in its first line.
std::string FormatReportText(const ReportData& data, const ReportStyle& style,
                             const char* pszFolder);
// The speed history and the weekly practice as one SVG picture.
std::string FormatReportSvg(const ReportData& data);
// "2 lines of numdril.log could not be read." and the like, one line each; "" when none.
std::string FormatReportNotes(const ReportData& data);
// The whole of --report: reads the current folder and prints the text report to standard
// output, or, given a path, writes the SVG there ("-" for standard output). Returns the
// exit status: 0, or 1 when the output could not be written.
int RunReport(const char* pszSvgPath);
