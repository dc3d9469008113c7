// SPDX-License-Identifier: MIT
// Soak benchmark: a million keys (or as many as asked) across every screen, headless, with
// the clock and the timers moving as in a real session; reports resident memory along the
// way and checks the files saved at the end. Exits non-zero when the files are wrong.
//   bench_soak [KEYS]
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "../tests/app/soak_player.h"

int main(int argc, char** argv) {
  const long nKeys = argc > 1 ? atol(argv[1]) : 1000000;
  if (nKeys <= 20000) {
    fprintf(stderr, "usage: bench_soak [KEYS], KEYS above the 20000 of the warm-up\n");
    return 2;
  }
  // The program's files go to a folder of their own, dated in UTC.
  setenv("TZ", "UTC", 1);
  tzset();
  const char* pszTmp = getenv("TMPDIR");
  std::string folder = std::string(pszTmp && *pszTmp ? pszTmp : "/tmp") + "/numdril-soak-XXXXXX";
  char* szDir = folder.data();
  if (!mkdtemp(szDir) || chdir(szDir) != 0) {
    perror("bench_soak");
    return 1;
  }
  ResetAllState();
  SetFakeClock(1796637600, 0);  // 2026-12-07 10:00:00 UTC
  auto pView = std::make_unique<CNumdrilView>();
  pView->CreateHeadless(642, 402);
  pView->Paint();

  SoakPlayer player(*pView, 20261207);
  player.WarmUp(4000);  // every screen drawn at every window size
  const long nWarmUp = player.Stats().nKeys;
  const long nStart = ResidentBytes();
  printf("%10s %12s %10s\n", "keys", "resident KiB", "keys/s");
  printf("%10ld %12ld %10s\n", player.Stats().nKeys, nStart >> 10, "-");
  const auto t0 = std::chrono::steady_clock::now();
  const long nStep = std::max(1L, (nKeys - nWarmUp) / 10);
  long nPeak = nStart;
  while (player.Stats().nKeys < nKeys) {
    const long nBefore = player.Stats().nKeys;
    const auto t = std::chrono::steady_clock::now();
    player.Play(std::min(nStep, nKeys - nBefore));
    const double dSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
    const long nResident = ResidentBytes();
    nPeak = std::max(nPeak, nResident);
    printf("%10ld %12ld %10.0f\n", player.Stats().nKeys, nResident >> 10,
           (player.Stats().nKeys - nBefore) / dSeconds);
  }
  const double dTotal =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const long nEnd = ResidentBytes();
  const PlayStats& s = player.Stats();
  printf("\nresident after warm-up %ld KiB, at the end %ld KiB (growth %+ld KiB, peak %ld KiB)\n",
         nStart >> 10, nEnd >> 10, (nEnd - nStart) >> 10, nPeak >> 10);
  printf("%ld keys in %.1f s; %ld timer events, %ld repaints, %ld resizes\n", s.nKeys, dTotal,
         s.nTimerEvents, s.nPaints, s.nResizes);
  printf("%ld position drills, %ld random runs (%ld timed out, %ld new bests), %ld cancels, "
         "%ld hints, %ld record screen visits\n",
         s.nPositionDrills, s.nRandomRuns, s.nTimeouts, s.nNewBests, s.nCancels, s.nHints,
         s.nRecordVisits);

  pView.reset();
  const std::string problem = SaveAndCheckFiles(s.nNewBests);
  printf("files: %s\n", problem.empty() ? "numdril.rec reads back whole, numdril.log one line, "
                                          "numdril.spd one rising line per new best"
                                        : problem.c_str());
  std::error_code ec;
  std::filesystem::remove_all(szDir, ec);
  return problem.empty() ? 0 : 1;
}
