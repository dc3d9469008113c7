// SPDX-License-Identifier: MIT
// Cost of saving the record as a drill ends: the folder locked, the record read again,
// merged, written to a temporary file, synced and renamed over the old one, the folder
// synced. In a folder under $TMPDIR (or the current one), so that it measures the disk the
// program would use. Not a test.
//   TMPDIR=$HOME build/bench_records --benchmark_repetitions=5 --benchmark_report_aggregates_only
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/app.h"
#include "records/records.h"

namespace {

void BM_SaveAtDrillEnd(benchmark::State& state) {
  const char* pszTmp = getenv("TMPDIR");
  std::string folder = std::string(pszTmp && *pszTmp ? pszTmp : ".") + "/numdril-save-bench-XXXXXX";
  if (!mkdtemp(folder.data())) {
    state.SkipWithError("cannot make a folder");
    return;
  }
  const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  ResetAllState();
  SetFakeClock(1796637600, 0);  // 2026-12-07 10:00:00 UTC
  LoadRecordsAtStart();
  for (auto _ : state) {
    g_nPositionSeconds += 60;  // a drill's worth
    AdvanceFakeClock(60000);
    SaveCheckpoint();
    if (!g_bRecSaved) state.SkipWithError("the save failed");
  }
  std::filesystem::current_path(home);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_SaveAtDrillEnd)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
