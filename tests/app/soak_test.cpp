// SPDX-License-Identifier: MIT
// A short soak: fifty thousand keys across every screen, headless, with the clock and the
// timers moving as in a real session. Memory must stay flat once every screen has been
// drawn, and the files saved at the end must read back whole. bench/bench_soak.cpp runs
// the long version and reports the figures.
#include <gtest/gtest.h>

#include "app/soak_player.h"
#include "support/session.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
const bool RSS_MEANINGFUL = false;  // AddressSanitizer's quarantine holds freed blocks
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
const bool RSS_MEANINGFUL = false;
#else
const bool RSS_MEANINGFUL = true;
#endif
#else
const bool RSS_MEANINGFUL = true;
#endif

// Growth allowed between the end of the warm-up and the end of the run: far below what
// keeping anything per key, per paint or per run would cost over 50000 keys.
const long MAX_GROWTH_BYTES = 2L << 20;

}  // namespace

TEST(Soak, FiftyThousandKeysKeepMemoryFlatAndTheFilesWhole) {
  Session s;
  s.Start();
  SoakPlayer player(s.View(), 20261207);
  player.WarmUp(2000);  // every screen drawn at every window size
  const long nBefore = ResidentBytes();
  player.Play(50000);
  const long nAfter = ResidentBytes();
  const PlayStats& stats = player.Stats();
  printf("resident %ld KiB after the warm-up, %ld KiB after %ld keys in all; %ld position drills, "
         "%ld random runs (%ld timed out, %ld new bests), %ld cancels, %ld hints, %ld record "
         "visits, %ld resizes\n",
         nBefore >> 10, nAfter >> 10, stats.nKeys, stats.nPositionDrills, stats.nRandomRuns,
         stats.nTimeouts, stats.nNewBests, stats.nCancels, stats.nHints, stats.nRecordVisits,
         stats.nResizes);

  // The run went everywhere it should have.
  EXPECT_GT(stats.nPositionDrills, 10);
  EXPECT_GT(stats.nRandomRuns, 10);
  EXPECT_GT(stats.nTimeouts, 0);
  EXPECT_GT(stats.nCancels, 0);
  EXPECT_GT(stats.nHints, 0);
  EXPECT_GT(stats.nRecordVisits, 0);
  EXPECT_GT(stats.nNewBests, 0);
  if (RSS_MEANINGFUL) {
    EXPECT_LT(nAfter - nBefore, MAX_GROWTH_BYTES);
  }
  EXPECT_EQ(SaveAndCheckFiles(stats.nNewBests), "");
}
