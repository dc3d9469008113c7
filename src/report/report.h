// SPDX-License-Identifier: MIT
// Practice report: the record, the practice log and the speed history of the current
// folder, and the figures of a span of days from the practice database, read back and shown
// as text for a terminal or as one SVG picture. Only reads those files, each for a moment
// and without a lock, so it can run while numdril practises; draws nothing on screen and
// owns no program-wide state. Its texts are numdril's own, through gettext.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "practice/practice.h"

// The practice log weeks shown: the most recent weeks that have any runs.
constexpr int REPORT_WEEKS = 12;
// The days of practice figures the report covers unless told otherwise, today included.
constexpr int REPORT_SPAN_DAYS = 30;
// Days of the random drill listed in the text report's table: the latest that have runs.
constexpr int REPORT_DAY_ROWS = 14;

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
  // From numdril.db: the figures of the span (PRACTICE_DB_MISSING without the file, and
  // then the report is the three files' alone), and the span asked for: days, 0 = all.
  PracticeFigures practice;
  int nSpanDays = REPORT_SPAN_DAYS;
};

// Random drill days joined into one group of a chart: the days' runs taken together.
struct ReportDayGroup {
  int nFirstDay, nLastDay;  // the days it covers, both included
  int nRuns;                // speed runs in them; 0: nothing to show
  double dMedianCpm, dBestCpm, dAccuracy, dGrossKph, dNetKph;
};

// A key of the keypad as it is laid out, in cells of a grid of four columns and four rows
// (7 8 9 / 4 5 6 / 1 2 3 Enter / 0 . Enter); nKey -1 for the point, which no drill asks.
struct ReportKeyCap {
  int nKey;  // 0..9, KEYPAD_ENTER, or -1
  int nRow, nColumn, nRows, nColumns;
};
constexpr int REPORT_KEY_CAPS = 12;
extern const ReportKeyCap REPORT_KEYPAD[REPORT_KEY_CAPS];  // in reading order

// How text is drawn: block characters or plain ASCII; colour or none.
struct ReportStyle {
  bool bUtf8 = false;
  bool bColour = false;
};

// ---- Reading (read.cpp) ----------------------------------------------------------------

// Reads numdril.rec, numdril.log and numdril.spd of the current folder. The record goes
// through the record file's own reader, which leaves the program's record values alone.
void ReadReport(ReportData* pData);
// Reads the figures of numdril.db of the current folder: the nSpanDays days up to the day
// of tNow (0 = the whole history).
void ReadReportPractice(ReportData* pData, int nSpanDays, int64_t tNow);
// Days since 1970-01-01 of the files' "YY/MM/DD" (taken as 20YY); -1 when it is no date.
int DayFromFileDate(const char* pszYyMmDd);

// ---- Showing (text.cpp, svg.cpp, run.cpp) ----------------------------------------------

// Shared by the text and the picture: days since 1970-01-01 as "YYYY-MM-DD" (in every
// language); seconds as "h:mm:ss" ("unknown" when negative); printf onto a string (and
// into a new one: FormatText).
std::string ReportDate(int nDay);
std::string ReportDuration(int64_t nSeconds);
void ReportAppendf(std::string* pOut, const char* pszFormat, ...)
    __attribute__((format(printf, 2, 3)));

// ---- Words and numbers of the practice figures (words.cpp) -----------------------------

// Columns that UTF-8 text takes on a terminal: two for a full-width character (CJK, kana,
// full-width forms), one for any other.
int TextColumns(const std::string& text);
// Text padded with blanks to nColumns columns, on the right or on the left.
std::string PadRight(const std::string& text, int nColumns);
std::string PadLeft(const std::string& text, int nColumns);
// 12345 as "12,345"; a share as "98.2%"; a time in ms as "412 ms" or "1.25 s"; a run's
// duration as "1:00.0"; a run's start, local, as "YYYY-MM-DD HH:MM".
std::string ReportCount(int64_t n);
std::string ReportPercent(double dShare);
std::string ReportMs(double dMs);
std::string ReportRunDuration(int64_t nMs);
std::string ReportStart(int64_t tUtc, int32_t nUtcOffset);
// A keypad key (0..9, KEYPAD_ENTER) and a character typed, by name: "7", "Enter", "Space".
std::string ReportKeyName(int nKey);
std::string ReportCharName(int ch);
// "Position" or "Random", in the reader's language.
std::string ReportDrillName(int nDrill);
// The span's first and last days as its charts show them: from the span's start or the
// first drill recorded, whichever is later, to the span's end. False when nothing is there.
bool ReportChartDays(const PracticeFigures& figures, int* pnFirstDay, int* pnLastDay);
// The days from nFirstDay to nLastDay in at most nMaxGroups groups of equal length, the
// last ending on nLastDay.
std::vector<ReportDayGroup> GroupPracticeDays(const PracticeFigures& figures, int nFirstDay,
                                              int nLastDay, int nMaxGroups);
// The practice section's heading, its summary lines (runs, speed, keypad share, where the
// figures begin), one per element, and the notes about what numdril.db left out.
std::string PracticeHeading(const ReportData& data);
std::vector<std::string> PracticeSummary(const ReportData& data);
std::string PracticeNotes(const PracticeFigures& figures);
// Whether the report has a practice section: numdril.db is there.
bool HasPracticeSection(const ReportData& data);
// The lowest accuracy an accuracy axis shows: 80 % while every group reaches it, else 0.
double AccuracyAxisFloor(const std::vector<ReportDayGroup>& groups);

// A value axis: three to six round steps (1, 2 or 5 times a power of ten) from its floor that
// reach at or above the largest value shown.
struct ReportAxis {
  double dStep;
  int nSteps;
  double dFloor = 0.0;
  double Top() const { return dFloor + dStep * nSteps; }
  // Where dValue sits between the floor (0) and the top (1), held to that range.
  double Share(double dValue) const;
};
ReportAxis ChooseReportAxis(double dMaxValue);
// The same from a round floor below dMinValue when every value would sit in the upper half
// of an axis from 0, as a learner's speeds do from day to day: their changes show.
ReportAxis ChooseReportAxisAbove(double dMinValue, double dMaxValue);
// The speed axis of the per-day charts: from the lowest median to the highest best.
ReportAxis SpeedAxis(const std::vector<ReportDayGroup>& groups);
// A value of the axis as its labels write it: as many decimals as its step has.
std::string ReportAxisLabel(const ReportAxis& axis, double dValue);

// Block characters when the locale's character set is UTF-8; colour only when fd is a
// terminal, NO_COLOR is unset or empty, and TERM is not "dumb".
ReportStyle ChooseReportStyle(int fd);
// The text report; pszFolder names the folder in its first line.
std::string FormatReportText(const ReportData& data, const ReportStyle& style,
                             const char* pszFolder);
// The practice section of the text report (practice_text.cpp): "" without numdril.db.
std::string FormatPracticeText(const ReportData& data, const ReportStyle& style);
// The speed history and the weekly practice as one SVG picture, and under them the
// practice section when there is one.
std::string FormatReportSvg(const ReportData& data);
// The practice section of the picture (practice_svg.cpp) from its top, y; the y under it.
int AppendPracticeSvg(std::string* pOut, const ReportData& data, int y);
// "2 lines of numdril.log could not be read." and the like, one line each; "" when none.
std::string FormatReportNotes(const ReportData& data);
// The whole of --report: reads the current folder and prints the text report to standard
// output, or, given a path, writes the SVG there ("-" for standard output); the practice
// figures of the last nSpanDays days (0 = all). Returns the exit status: 0, or 1 when the
// output could not be written.
int RunReport(const char* pszSvgPath, int nSpanDays);
