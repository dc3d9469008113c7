// SPDX-License-Identifier: MIT
// Helpers for the practice database tests: runs built key by key, a folder of their own
// with the practice state reset, and raw SQL on a database beside the program's own.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "practice/practice.h"
#include "records/record_files.h"
#include "support/session.h"

constexpr int64_t DAY_SECONDS = 86400;
// The local day of TEST_EPOCH (2026-12-07, tests run in UTC).
constexpr int TEST_DAY = (int)(TEST_EPOCH / DAY_SECONDS);

// A key the way the drills judge it: right when typed as asked, or a blank typed with Enter.
inline PracticeKey K(char chAsked, char chTyped, int nSource, int nMs) {
  const bool bRight = chAsked == chTyped || (chAsked == ' ' && chTyped == '\r');
  return PracticeKey{(uint8_t)chAsked, (uint8_t)chTyped, (uint8_t)bRight, (uint8_t)nSource, nMs};
}

// A run with its counts taken from its keys; chars are the right keys.
inline PracticeRun MakeRun(int nDrill, int nEnding, int64_t tStart, int64_t nDurationMs,
                           double dCpm, std::vector<PracticeKey> keys, int32_t nOffset = 0) {
  PracticeRun run;
  run.nDrill = nDrill;
  run.nEnding = nEnding;
  run.tStartUtc = tStart;
  run.nUtcOffset = nOffset;
  run.nDurationMs = nDurationMs;
  run.dCpm = dCpm;
  run.keys = std::move(keys);
  run.nKeystrokes = (int)run.keys.size();
  for (const PracticeKey& key : run.keys) ++(key.bCorrect ? run.nChars : run.nErrors);
  return run;
}

inline PracticeRun OneKeyRun(int64_t tStart = TEST_EPOCH) {
  return MakeRun(DRILL_RANDOM, RUN_FINISHED, tStart, 1000, 60.0, {K('7', '7', KEY_FROM_KEYPAD, 1)});
}

// A temporary working folder with fresh practice state, removed at the end.
class PracticeFolder {
 public:
  PracticeFolder() { ResetPracticeState(); }
  ~PracticeFolder() { ResetPracticeState(); }
  const std::string& Dir() const { return m_session.Dir(); }

 private:
  Session m_session;
};

// Opens a database with plain SQLite, as another program would.
inline sqlite3* OpenRaw(const char* pszPath = PRACTICE_DB_NAME) {
  sqlite3* pDb = nullptr;
  sqlite3_open(pszPath, &pDb);
  return pDb;
}

inline void ExecRaw(sqlite3* pDb, const std::string& sql) {
  char* pszError = nullptr;
  if (sqlite3_exec(pDb, sql.c_str(), nullptr, nullptr, &pszError) != SQLITE_OK)
    ADD_FAILURE() << sql << ": " << (pszError ? pszError : "?");
  sqlite3_free(pszError);
}

// Runs SQL on the database at once, in a connection of its own.
inline void ExecOnDatabase(const std::string& sql) {
  sqlite3* pDb = OpenRaw();
  ExecRaw(pDb, sql);
  sqlite3_close(pDb);
}

inline int64_t QueryRaw(const std::string& sql, const char* pszPath = PRACTICE_DB_NAME) {
  sqlite3* pDb = OpenRaw(pszPath);
  sqlite3_stmt* pStmt = nullptr;
  int64_t n = -1;
  if (sqlite3_prepare_v2(pDb, sql.c_str(), -1, &pStmt, nullptr) == SQLITE_OK &&
      sqlite3_step(pStmt) == SQLITE_ROW)
    n = sqlite3_column_int64(pStmt, 0);
  sqlite3_finalize(pStmt);
  sqlite3_close(pDb);
  return n;
}

inline int64_t StoredRuns(const char* pszPath = PRACTICE_DB_NAME) {
  return QueryRaw("SELECT count(*) FROM runs", pszPath);
}

// Queues one run and flushes; the flush's result.
inline int WriteRun(const PracticeRun& run) {
  QueuePracticeRun(run);
  return FlushPracticeRuns();
}

// A small known history, its figures worked out by hand in the figures and report tests.
// Six runs: two random runs on the day before (one of them stamped the day before that in
// UTC, but it was morning in Tokyo), a cancelled random run, a position drill and a random
// run today, and a random run forty days ago.
inline void WriteKnownHistory() {
  const int64_t D = TEST_DAY * DAY_SECONDS;  // midnight UTC of the test day
  const int PAD = KEY_FROM_KEYPAD, ROW = KEY_FROM_DIGIT_ROW, OTHER = KEY_FROM_OTHER;
  const std::vector<PracticeRun> runs = {
      MakeRun(DRILL_RANDOM, RUN_TIMED_OUT, D - DAY_SECONDS + 9 * 3600, 6000, 40.0,
              {K('1', '1', PAD, 900), K('2', '2', PAD, 300), K('3', '6', PAD, 200),
               K('3', '3', PAD, 400), K(' ', '\r', PAD, 500)}),
      MakeRun(DRILL_RANDOM, RUN_FINISHED, D - 2 * DAY_SECONDS + 23 * 3600 + 1800, 3000, 60.0,
              {K('1', '1', ROW, 700), K('2', '2', ROW, 200), K(' ', ' ', OTHER, 100)}, 9 * 3600),
      MakeRun(DRILL_RANDOM, RUN_CANCELLED, D + 8 * 3600, 2000, -1.0,
              {K('1', '4', PAD, 500), K('1', '1', PAD, 250)}),
      MakeRun(DRILL_POSITION, RUN_FINISHED, D + 8 * 3600 + 1800, 4000, -1.0,
              {K('5', '5', PAD, 1000), K('\r', '\r', PAD, 600), K('2', '8', PAD, 300),
               K('2', '2', PAD, 900), K('1', '1', PAD, 400)}),
      MakeRun(DRILL_RANDOM, RUN_FINISHED, D + 9 * 3600, 10000, 72.0,
              {K('1', '1', PAD, 1000), K('2', '2', PAD, 100), K('1', '1', PAD, 50),
               K('2', '2', PAD, 200), K('1', '1', PAD, 60), K('2', '2', PAD, 300),
               K('1', '1', PAD, 70), K('2', '2', PAD, 400), K('1', '1', PAD, 80),
               K('2', '2', PAD, 500), K('1', '1', PAD, 90), K('2', '2', PAD, 600)}),
      MakeRun(DRILL_RANDOM, RUN_TIMED_OUT, D - 40 * DAY_SECONDS, 60000, 200.0,
              {K('9', '9', PAD, 100)}),
  };
  // Queued together, written in one go, as runs kept from a failed write would be.
  for (const PracticeRun& run : runs) QueuePracticeRun(run);
  ASSERT_EQ(FlushPracticeRuns(), 1);
}
