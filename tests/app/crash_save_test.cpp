// SPDX-License-Identifier: MIT
// Exit-time saving killed outright: a child process runs the real exit-time save over an
// existing record and is killed with SIGKILL at random moments around it, hundreds of
// times. numdril.rec must then always be the old file or the new one, whole; never empty,
// never cut, never a mix. Not a test of the record's contents (the record tests do that).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "app/app.h"
#include "records/record_files.h"
#include "records/records.h"
#include "support/session.h"

namespace fs = std::filesystem;

namespace {

const int TRIALS = 250;

const std::string EARLIER_RECORD = RecordText("    3hour25mi 7se", "    0hour41mi13se", "   96.5",
                                              "26/11/30", "    1hour 2mi 3se");
// A record cut inside its second line: the save must keep it as numdril.rec.bak.
const std::string DAMAGED_RECORD = "Total_Practice_Time    3hour25mi 7se\nPosition_Prac";

// One run of the program up to the exit, in the working directory: the start-up reads the
// record, then a session of practice changes every value the file holds (differently in
// every trial, so that the old and the new file always differ).
void PlayRunUntilExit(int nTrial) {
  ResetAllState();
  SetFakeClock(TEST_EPOCH + (time64_t)nTrial * 3600, 0);
  LoadRecordsAtStart();
  g_nPositionSeconds += 7 + nTrial;
  g_nRandomSeconds[0][0] += 60;
  g_dBestSpeed[0][0] = 100.0 + nTrial / 10.0;
  memcpy(g_szBestDate[0][0], "26/12/07", 9);
  AdvanceFakeClock(65000);
}

// Reads a whole file; "" when missing.
std::string Slurp(const fs::path& path) { return Session::ReadFile(path.string()); }

// Every line of the practice log is whole: the log is appended before the record, so a
// kill may come after it, but never leaves half a line.
bool LogLinesWhole(const std::string& log) { return log.empty() || log.back() == '\n'; }

// What the save writes over `before` in trial nTrial, run to its end without a kill in a
// folder of its own.
std::string SaveUndisturbed(const fs::path& folder, const std::string& before, int nTrial) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  const fs::path home = fs::current_path();
  fs::current_path(folder);
  Session::WriteFile("numdril.rec", before);
  PlayRunUntilExit(nTrial);
  EXPECT_EQ(SaveAtExit(), 0) << "the undisturbed save failed";
  std::string after = Slurp("numdril.rec");
  fs::current_path(home);
  return after;
}

// Whether a save killed halfway left its temporary file (numdril.rec.tmp and six more).
bool HalfMadeFileIn(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().rfind("numdril.rec.tmp", 0) == 0) return true;
  return false;
}

// Busy-waits: sleeping calls overshoot by more than the save takes.
void SpinFor(std::chrono::microseconds delay) {
  const auto until = std::chrono::steady_clock::now() + delay;
  while (std::chrono::steady_clock::now() < until) {
  }
}

enum Outcome { KILLED_OLD, KILLED_NEW, KILLED_MIDWAY, FINISHED };

struct Tally {
  int n[4] = {0, 0, 0, 0};
};

// Runs the save in a child process in `folder` and kills it `delay` after the moment it is
// about to save; a negative delay lets it finish, and pTook then gets how long that took.
// Returns how it ended; the caller checks the files.
Outcome SaveAndKill(const fs::path& folder, int nTrial, std::chrono::microseconds delay,
                    std::chrono::microseconds* pTook = nullptr) {
  int fds[2];
  if (pipe(fds) != 0) ADD_FAILURE() << "pipe";
  const fs::path home = fs::current_path();
  fs::current_path(folder);
  fflush(nullptr);  // nothing buffered is written twice
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    PlayRunUntilExit(nTrial);
    const char ready = 'r';
    if (write(fds[1], &ready, 1) != 1) _exit(3);
    SaveAtExit();
    _exit(0);
  }
  close(fds[1]);
  fs::current_path(home);
  char ready = 0;
  const bool bReady = read(fds[0], &ready, 1) == 1;
  close(fds[0]);
  const auto start = std::chrono::steady_clock::now();
  if (bReady && delay.count() >= 0) SpinFor(delay);
  if (delay.count() >= 0) kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  if (pTook)
    *pTook = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - start);
  EXPECT_TRUE(bReady) << "the child never reached the save";
  if (WIFEXITED(status)) {
    EXPECT_EQ(WEXITSTATUS(status), 0);
    return FINISHED;
  }
  return KILLED_OLD;  // refined by the caller from the files
}

// How long a child typically takes from the moment it is about to save until it is gone,
// over the record `before`: the span the kills are spread over.
std::chrono::microseconds TimeUndisturbedSaves(const fs::path& folder, const std::string& before) {
  std::vector<std::chrono::microseconds> times;
  for (int i = 0; i < 7; ++i) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    Session::WriteFile((folder / "numdril.rec").string(), before);
    std::chrono::microseconds took;
    EXPECT_EQ(SaveAndKill(folder, i, std::chrono::microseconds(-1), &took), FINISHED);
    times.push_back(took);
  }
  fs::remove_all(folder);
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

std::string Describe(const Tally& t) {
  char sz[160];
  snprintf(sz, sizeof sz,
           "%d trials: killed before the rename %d (%d with the new file half made), "
           "killed after it %d, finished %d",
           TRIALS, t.n[KILLED_OLD] + t.n[KILLED_MIDWAY], t.n[KILLED_MIDWAY], t.n[KILLED_NEW],
           t.n[FINISHED]);
  return sz;
}

}  // namespace

TEST(CrashSafety, AKilledSaveLeavesTheOldRecordOrTheNewOneWhole) {
  Session s;
  std::mt19937 random(20261207);
  const fs::path trialFolder = fs::path(s.Dir()) / "trial";
  const fs::path referenceFolder = fs::path(s.Dir()) / "reference";
  fs::create_directories(trialFolder);
  Session::WriteFile((trialFolder / "numdril.rec").string(), EARLIER_RECORD);
  // Kills from the moment the save begins until a while after it would have ended.
  const auto span = TimeUndisturbedSaves(referenceFolder, EARLIER_RECORD);
  std::uniform_int_distribution<int> spread(0, (int)span.count() * 3 / 2);
  Tally tally;

  for (int nTrial = 0; nTrial < TRIALS; ++nTrial) {
    const std::string before = Slurp(trialFolder / "numdril.rec");
    const std::string after = SaveUndisturbed(referenceFolder, before, nTrial);
    ASSERT_NE(before, after);
    const std::chrono::microseconds delay(spread(random));

    Outcome outcome = SaveAndKill(trialFolder, nTrial, delay);
    const std::string found = Slurp(trialFolder / "numdril.rec");
    ASSERT_TRUE(found == before || found == after)
        << "trial " << nTrial << ", killed after " << delay.count() << " us: numdril.rec is\n"
        << found;
    if (outcome == FINISHED) {
      ASSERT_EQ(found, after) << "trial " << nTrial << " finished without its record";
    } else if (found == after) {
      outcome = KILLED_NEW;
    } else if (HalfMadeFileIn(trialFolder)) {
      outcome = KILLED_MIDWAY;
    }
    ++tally.n[outcome];
    ASSERT_TRUE(LogLinesWhole(Slurp(trialFolder / "numdril.log"))) << "trial " << nTrial;
    ASSERT_FALSE(fs::exists(trialFolder / "numdril.rec.bak")) << "a whole record was backed up";
  }
  // Which moments the kills met depends on the machine; the counts are for the reader.
  RecordProperty("outcomes", Describe(tally));
  printf("%s\n", Describe(tally).c_str());
}

TEST(CrashSafety, AKilledSaveOverADamagedRecordKeepsItsBackupWhole) {
  Session s;
  std::mt19937 random(7);
  const fs::path trialFolder = fs::path(s.Dir()) / "trial";
  const fs::path referenceFolder = fs::path(s.Dir()) / "reference";
  const std::string after = SaveUndisturbed(referenceFolder, DAMAGED_RECORD, 0);
  ASSERT_EQ(Slurp(referenceFolder / "numdril.rec.bak"), DAMAGED_RECORD);
  const auto span = TimeUndisturbedSaves(referenceFolder, DAMAGED_RECORD);
  std::uniform_int_distribution<int> spread(0, (int)span.count() * 3 / 2);
  Tally tally;

  for (int nTrial = 0; nTrial < TRIALS; ++nTrial) {
    fs::remove_all(trialFolder);
    fs::create_directories(trialFolder);
    Session::WriteFile((trialFolder / "numdril.rec").string(), DAMAGED_RECORD);
    const std::chrono::microseconds delay(spread(random));

    Outcome outcome = SaveAndKill(trialFolder, 0, delay);
    const std::string found = Slurp(trialFolder / "numdril.rec");
    ASSERT_TRUE(found == DAMAGED_RECORD || found == after)
        << "trial " << nTrial << ", killed after " << delay.count() << " us: numdril.rec is\n"
        << found;
    // Once the damaged record is replaced its backup is there, and any backup is whole.
    if (found == after || fs::exists(trialFolder / "numdril.rec.bak")) {
      ASSERT_EQ(Slurp(trialFolder / "numdril.rec.bak"), DAMAGED_RECORD) << "trial " << nTrial;
    }
    if (outcome == FINISHED) {
      ASSERT_EQ(found, after);
    } else if (found == after) {
      outcome = KILLED_NEW;
    } else if (HalfMadeFileIn(trialFolder)) {
      outcome = KILLED_MIDWAY;
    }
    ++tally.n[outcome];
  }
  RecordProperty("outcomes", Describe(tally));
  printf("%s\n", Describe(tally).c_str());
}
