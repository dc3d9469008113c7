// SPDX-License-Identifier: MIT
// Cost of the practice report on a long history: a practice log of 100,000 runs and a
// speed history of 10,000 new bests (both languages mixed) read from the files and put
// out as text, and as the SVG picture. Not a test.
//   build/bench_report --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "records/records.h"
#include "report/report.h"

namespace {

const int LOG_LINES = 100000;
const int SPEED_LINES = 10000;

// "練習時間", "時間", "分", "秒".
const char PRACTICE_JA[] = "\x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4";
const char HOUR_JA[] = "\x8e\x9e\x8a\xd4";
const char MIN_JA[] = "\x95\xaa";
const char SEC_JA[] = "\x95\x62";

// "YY/MM/DD HH:MM:SS" of a moment nMinutes after 2000-01-01 00:00.
std::string Stamp(int64_t nMinutes) {
  time_t t = 946684800 + (time_t)nMinutes * 60;
  struct tm tm;
  gmtime_r(&t, &tm);
  char sz[32];
  strftime(sz, sizeof sz, "%y/%m/%d %H:%M:%S", &tm);
  return sz;
}

// Three runs a day, from 2000 on; every tenth in Japanese.
void WriteLog() {
  FILE* pFile = fopen(LOG_FILE, "w");
  for (int i = 0; i < LOG_LINES; ++i) {
    const int nSeconds = 300 + (i * 7919) % 5400;
    const std::string stamp = Stamp((int64_t)i * 480 + 9 * 60);
    if (i % 10 == 9)
      fprintf(pFile, "%s %s%3d%s%2d%s%2d%s\n", stamp.c_str(), PRACTICE_JA, nSeconds / 3600, HOUR_JA,
              nSeconds / 60 % 60, MIN_JA, nSeconds % 60, SEC_JA);
    else
      fprintf(pFile, "%s Practice Time%3dhour%2dmin%2dsec\n", stamp.c_str(), nSeconds / 3600,
              nSeconds / 60 % 60, nSeconds % 60);
  }
  fclose(pFile);
}

// A new best every three days, a tenth of a character faster each time.
void WriteSpeedHistory() {
  FILE* pFile = fopen(SPEED_FILE, "w");
  for (int i = 0; i < SPEED_LINES; ++i) {
    const int nSeconds = 600 + i * 900;
    const std::string stamp = Stamp((int64_t)i * 3 * 1440 + 10 * 60);
    fprintf(pFile, "%s %-34s %5.1f", stamp.c_str(), "Random Practice", 50.0 + i * 0.1);
    if (i % 10 == 9)
      fprintf(pFile, " %5d%s%2d%s%2d%s\n", nSeconds / 3600, HOUR_JA, nSeconds / 60 % 60, MIN_JA,
              nSeconds % 60, SEC_JA);
    else
      fprintf(pFile, " %5dhour%2dmin%2dsec\n", nSeconds / 3600, nSeconds / 60 % 60, nSeconds % 60);
  }
  fclose(pFile);
}

void WriteRecord() {
  FILE* pFile = fopen(RECORD_FILE, "w");
  fprintf(pFile, "Total_Practice_Time%5dhour%2dmi%2dse\n", 9000, 1, 2);
  fprintf(pFile, "%-34s%16s %5dhour%2dmi%2dse\n", "Position_Practice", "", 120, 3, 4);
  fprintf(pFile, "%-34s%7.1f %s %5dhour%2dmi%2dse\n", "Random_Practice", 1049.9, "91/05/18", 2500,
          5, 6);
  fclose(pFile);
}

// A folder of its own holding the long history, for the whole run.
struct HistoryFolder {
  HistoryFolder() {
    const char* pszTmp = getenv("TMPDIR");
    folder = std::string(pszTmp && *pszTmp ? pszTmp : "/tmp") + "/numdril-bench-report-XXXXXX";
    if (!mkdtemp(folder.data())) abort();
    oldFolder = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    WriteLog();
    WriteSpeedHistory();
    WriteRecord();
  }
  ~HistoryFolder() {
    std::filesystem::current_path(oldFolder);
    std::filesystem::remove_all(folder);
  }
  std::string folder;
  std::filesystem::path oldFolder;
};

void BM_ReportText(benchmark::State& state) {
  HistoryFolder history;
  const ReportStyle style{true, false};
  for (auto _ : state) {
    ReportData data;
    ReadReport(&data);
    std::string text = FormatReportText(data, style, history.folder.c_str());
    benchmark::DoNotOptimize(text);
    if (data.nLogRuns != LOG_LINES || data.bests.size() != (size_t)SPEED_LINES)
      state.SkipWithError("the history was not read whole");
  }
}

void BM_ReportSvg(benchmark::State& state) {
  HistoryFolder history;
  for (auto _ : state) {
    ReportData data;
    ReadReport(&data);
    std::string svg = FormatReportSvg(data);
    benchmark::DoNotOptimize(svg);
  }
}

}  // namespace

BENCHMARK(BM_ReportText)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReportSvg)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
