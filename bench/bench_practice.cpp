// SPDX-License-Identifier: MIT
// Cost of the practice database on ten years of daily practice: a synthetic history of
// 36,500 drills (ten a day, four position and six random, a learner going from 100 to 280
// characters per minute with fewer errors as the years go by) written through the program's
// own writer; then a drill's end written into it (and the first of a run, which checks the
// whole file), and the figures of the last 30 days and of the whole history. In
// folders under $TMPDIR (or the current one), so that it measures the disk the program
// would use. Not a test.
//   TMPDIR=$HOME build/bench_practice --benchmark_repetitions=9
//   --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "practice/practice.h"

namespace {

const int HISTORY_DAYS = 3650;
const int POSITION_PER_DAY = 4;
const int RANDOM_PER_DAY = 6;
const int64_t FIRST_DAY_UTC = 1483228800;  // 2017-01-01 00:00 UTC
const int32_t UTC_OFFSET = 9 * 3600;       // the learner lives in Japan
const int POSITION_DRILL_KEYS = 60;
const int RANDOM_LIMIT_MS = 60000;

// The generator of the history: its own, so that the history is the same every time.
struct Lcg {
  uint64_t state;
  double Unit() {  // [0, 1)
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (double)(state >> 11) / 9007199254740992.0;
  }
  int Below(int n) { return (int)(Unit() * n); }
};

// Where each keypad key sits (column, row); 0 spans two columns, Enter two rows.
struct Place {
  double x, y;
};
const Place KEY_PLACES[KEYPAD_KEYS] = {
    {0.5, 3}, {0, 2}, {1, 2}, {2, 2}, {0, 1}, {1, 1}, {2, 1}, {0, 0}, {1, 0}, {2, 0}, {3, 2.5},
};

int KeyChar(int nKey) { return nKey == KEYPAD_ENTER ? '\r' : '0' + nKey; }

// A neighbour of a key on the pad, which a slip hits instead.
int Neighbour(Lcg* pRng, int nKey) {
  for (;;) {
    int n = pRng->Below(KEYPAD_KEYS);
    double dx = KEY_PLACES[n].x - KEY_PLACES[nKey].x, dy = KEY_PLACES[n].y - KEY_PLACES[nKey].y;
    if (n != nKey && dx * dx + dy * dy < 2.5) return n;
  }
}

// The time from one key to the next: a base, the distance, and a skewed spread.
int MoveMs(Lcg* pRng, int nFrom, int nTo, double dBaseMs, double dPerUnitMs) {
  double dx = KEY_PLACES[nTo].x - KEY_PLACES[nFrom].x, dy = KEY_PLACES[nTo].y - KEY_PLACES[nFrom].y;
  double dSpread = 0.6 + pRng->Unit() + pRng->Unit() * pRng->Unit();
  return (int)((dBaseMs + dPerUnitMs * std::sqrt(dx * dx + dy * dy)) * dSpread);
}

int DigitSource(Lcg* pRng, double dProgress) {
  double u = pRng->Unit();
  if (u < 0.001) return KEY_FROM_INPUT_METHOD;
  if (u < 0.001 + 0.04 * (1.0 - dProgress)) return KEY_FROM_DIGIT_ROW;
  return u < 0.97 ? KEY_FROM_KEYPAD : KEY_FROM_KEYPAD_NAV;
}

void AddKey(PracticeRun* pRun, int chAsked, int chTyped, bool bRight, int nSource, int nMs) {
  pRun->keys.push_back(
      PracticeKey{(uint8_t)chAsked, (uint8_t)chTyped, (uint8_t)bRight, (uint8_t)nSource, nMs});
  ++pRun->nKeystrokes;
  if (!bRight) ++pRun->nErrors;
}

PracticeRun PositionRun(Lcg* pRng, double dProgress) {
  PracticeRun run;
  run.nDrill = DRILL_POSITION;
  run.nEnding = RUN_FINISHED;
  const double dBase = 700 - 400 * dProgress, dErrors = 0.10 - 0.08 * dProgress;
  int nKey = pRng->Below(KEYPAD_KEYS), nPrevious = nKey;
  int64_t nMs = 0;
  while (run.nChars < POSITION_DRILL_KEYS) {
    int nSinceAsked = MoveMs(pRng, nPrevious, nKey, dBase, 60);
    while (pRng->Unit() < dErrors) {
      int nWrong = Neighbour(pRng, nKey);
      AddKey(&run, KeyChar(nKey), KeyChar(nWrong), false, DigitSource(pRng, dProgress),
             nSinceAsked);
      nSinceAsked += MoveMs(pRng, nWrong, nKey, dBase, 60);
    }
    AddKey(&run, KeyChar(nKey), KeyChar(nKey), true, DigitSource(pRng, dProgress), nSinceAsked);
    if (run.nChars++ > 0) nMs += nSinceAsked;  // the clock starts at the first right key
    nPrevious = nKey;
    nKey = (nKey + 1 + pRng->Below(KEYPAD_KEYS - 1)) % KEYPAD_KEYS;
  }
  run.nDurationMs = nMs;
  return run;
}

PracticeRun RandomRun(Lcg* pRng, double dProgress) {
  PracticeRun run;
  run.nDrill = DRILL_RANDOM;
  run.nEnding = RUN_TIMED_OUT;
  const double dBase = 380 - 280 * dProgress, dErrors = 0.08 - 0.065 * dProgress;
  // One run in twenty is cancelled part of the way.
  const int nLimitMs = pRng->Unit() < 0.05 ? 5000 + pRng->Below(40000) : RANDOM_LIMIT_MS;
  int64_t nMs = 0;
  int nPrevious = 5;
  for (int i = 0; nMs < nLimitMs; ++i) {
    const bool bBlank = i % 6 == 5;
    const int nKey = bBlank ? KEYPAD_ENTER : pRng->Below(10);
    const int chAsked = bBlank ? ' ' : '0' + nKey;
    int nWait = MoveMs(pRng, nPrevious, nKey, dBase, 45);
    if (pRng->Unit() < dErrors) {
      int nWrong = Neighbour(pRng, nKey);
      AddKey(&run, chAsked, KeyChar(nWrong), false, DigitSource(pRng, dProgress), nWait);
      if (run.nChars > 0) nMs += nWait;
      nWait = MoveMs(pRng, nWrong, nKey, dBase, 45);
    }
    // Blanks mostly with the keypad's Enter, some with the thumb on Space.
    const bool bSpace = bBlank && pRng->Unit() < 0.1;
    AddKey(&run, chAsked, bSpace ? ' ' : KeyChar(nKey), true,
           bSpace ? KEY_FROM_OTHER : DigitSource(pRng, dProgress), nWait);
    if (run.nChars++ > 0) nMs += nWait;
    nPrevious = nKey;
  }
  run.nDurationMs = nLimitMs;
  if (nLimitMs < RANDOM_LIMIT_MS) run.nEnding = RUN_CANCELLED;
  run.dCpm = run.nEnding == RUN_CANCELLED ? -1.0 : run.nChars * 60000.0 / (double)nLimitMs;
  return run;
}

// One day's drills, queued; their start times through the evening, local time.
void QueueDay(Lcg* pRng, int nDay) {
  const double dProgress = (double)nDay / HISTORY_DAYS;
  for (int i = 0; i < POSITION_PER_DAY + RANDOM_PER_DAY; ++i) {
    PracticeRun run =
        i < POSITION_PER_DAY ? PositionRun(pRng, dProgress) : RandomRun(pRng, dProgress);
    run.tStartUtc = FIRST_DAY_UTC + (int64_t)nDay * 86400 + 19 * 3600 - UTC_OFFSET + i * 150;
    run.nUtcOffset = UTC_OFFSET;
    QueuePracticeRun(run);
  }
}

std::string BenchFolder(const char* pszName) {
  const char* pszTmp = getenv("TMPDIR");
  std::string folder = std::string(pszTmp && *pszTmp ? pszTmp : ".") + "/" + pszName + "-XXXXXX";
  return mkdtemp(folder.data()) ? folder : "";
}

// The ten years written once per run of the benchmark, a day per transaction, kept in a
// folder of its own until the end.
struct History {
  History() {
    folder = BenchFolder("numdril-practice-bench");
    home = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    setenv("TZ", "Asia/Tokyo", 1);
    ResetPracticeState();
    Lcg rng{20170101};
    for (int nDay = 0; nDay < HISTORY_DAYS; ++nDay) {
      QueueDay(&rng, nDay);
      if (!FlushPracticeRuns()) abort();
    }
    ClosePracticeDb();
    struct stat st;
    stat(PRACTICE_DB_NAME, &st);
    nBytes = st.st_size;
    tLastDay = FIRST_DAY_UTC + (int64_t)(HISTORY_DAYS - 1) * 86400 + 22 * 3600 - UTC_OFFSET;
    std::filesystem::current_path(home);
  }
  ~History() { std::filesystem::remove_all(folder); }
  void Enter() const { std::filesystem::current_path(folder); }
  void Leave() const { std::filesystem::current_path(home); }
  std::string folder;
  std::filesystem::path home;
  int64_t nBytes = 0;
  int64_t tLastDay = 0;
};

const History& TenYears() {
  static History s_history;
  return s_history;
}

void BM_Figures(benchmark::State& state) {
  const History& history = TenYears();
  history.Enter();
  PracticeFigures figures;
  for (auto _ : state) {
    ReadPracticeFigures((int)state.range(0), history.tLastDay, &figures);
    if (figures.nState != PRACTICE_DB_READ) state.SkipWithError("the history was not read");
  }
  int64_t nKeys = 0;
  for (const PracticeKeyFigure& key : figures.keys) nKeys += key.nPresses;
  state.counters["runs"] = figures.totals.nRuns;
  state.counters["keys_M"] = (double)nKeys / 1e6;
  state.counters["db_MB"] = (double)history.nBytes / 1e6;
  history.Leave();
}
BENCHMARK(BM_Figures)->Arg(30)->Arg(0)->Unit(benchmark::kMillisecond);

// A drill's end ten years in: one random run into a copy of the history. Arg 0: the
// database already open, as at every drill's end after the first in a run of the program;
// arg 1: the first write of a run, which opens the file and checks it whole.
void BM_DrillEndWrite(benchmark::State& state) {
  const History& history = TenYears();
  const std::string folder = BenchFolder("numdril-practice-write");
  const std::string copy = folder + "/" + PRACTICE_DB_NAME;
  std::filesystem::copy_file(history.folder + "/" + PRACTICE_DB_NAME, copy);
  // On the disk before the clock starts, as a history of years would be.
  int fd = open(copy.c_str(), O_RDONLY);
  fsync(fd);
  close(fd);
  std::filesystem::current_path(folder);
  ResetPracticeState();
  Lcg rng{7};
  PracticeRun run = RandomRun(&rng, 0.5);
  run.tStartUtc = history.tLastDay;
  QueuePracticeRun(run);
  FlushPracticeRuns();
  for (auto _ : state) {
    if (state.range(0) == 1) ResetPracticeState();
    QueuePracticeRun(run);
    if (!FlushPracticeRuns()) state.SkipWithError("the write failed");
  }
  ResetPracticeState();
  std::filesystem::current_path(history.home);
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_DrillEndWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
