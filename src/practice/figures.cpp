// SPDX-License-Identifier: MIT
// The figures of a span, read from numdril.db: speed per day, the last runs, each key of
// the keypad, the slowest moves, the commonest mix-ups and the keypad's share. The file is
// opened read-only with SQLite's defensive settings and every bound this reader needs, so a
// crafted one can neither take it over nor be changed; values that cannot be right are
// left out. Formats nothing.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "practice/practice.h"

static const int64_t MS_PER_HOUR = 3600 * 1000;
static const int64_t SECONDS_PER_DAY = 86400;
// How long the reader waits for a write in progress to finish.
static const int READ_BUSY_TIMEOUT_MS = 1000;
// The work a read may cause, in SQLite virtual machine steps (checked every
// PROGRESS_STEPS): ten years of daily drills take half a million, and this allows forty
// times as much.
static const int PROGRESS_STEPS = 1000;
static const int64_t MAX_PROGRESS_CALLS = 20 * 1000;
// Keys taken into the figures at most, bounding the memory of their times (ten years of
// daily drills have about five million).
static const int64_t MAX_TALLIED_KEYS = 32 * 1000 * 1000;
// Bounds on what SQLite may build for this reader. A run's key list is at most
// PRACTICE_MAX_RUN_KEYS keys of at most 26 bytes.
static const struct {
  int nId;
  int nValue;
} READ_LIMITS[] = {
    {SQLITE_LIMIT_LENGTH, 2 * 1000 * 1000},
    {SQLITE_LIMIT_SQL_LENGTH, 100 * 1000},
    {SQLITE_LIMIT_COLUMN, 100},
    {SQLITE_LIMIT_EXPR_DEPTH, 50},
    {SQLITE_LIMIT_COMPOUND_SELECT, 4},
    {SQLITE_LIMIT_VDBE_OP, 25000},
    {SQLITE_LIMIT_FUNCTION_ARG, 8},
    {SQLITE_LIMIT_ATTACHED, 0},
    {SQLITE_LIMIT_LIKE_PATTERN_LENGTH, 50},
    {SQLITE_LIMIT_VARIABLE_NUMBER, 10},
    {SQLITE_LIMIT_TRIGGER_DEPTH, 1},
};
// Values a stored run may hold; a row outside them is left out.
static const int64_t MAX_STORED_COUNT = 10 * 1000 * 1000;
static const int64_t MAX_DURATION_MS = SECONDS_PER_DAY * 1000;
static const int32_t MAX_UTC_OFFSET = 18 * 3600;
static const int64_t MAX_START = (int64_t)1 << 40;
static const double MAX_CPM = 100000.0;

static const char SELECT_RUNS_SQL[] =
    "SELECT started, utc_offset, drill, ending, duration_ms, keystrokes, errors, chars, cpm,"
    " key_list FROM runs WHERE started >= ?1 ORDER BY started, id";
static const char SELECT_FIRST_SQL[] =
    "SELECT started, utc_offset FROM runs ORDER BY started, id LIMIT 1";

// ---- Definitions -----------------------------------------------------------------------

double GrossKph(int64_t nKeystrokes, int64_t nDurationMs) {
  return nDurationMs > 0 ? (double)nKeystrokes * MS_PER_HOUR / (double)nDurationMs : 0.0;
}

double NetKph(int64_t nKeystrokes, int64_t nErrors, int64_t nDurationMs) {
  return GrossKph(nKeystrokes - nErrors, nDurationMs);
}

double Accuracy(int64_t nKeystrokes, int64_t nErrors) {
  return nKeystrokes > 0 ? (double)(nKeystrokes - nErrors) / (double)nKeystrokes : 0.0;
}

double RunCpm(const PracticeRun& run) {
  if (run.dCpm >= 0.0) return run.dCpm;
  return run.nDurationMs > 0 ? run.nChars * 60000.0 / (double)run.nDurationMs : 0.0;
}

const AccuracyBand ACCURACY_BANDS[ACCURACY_BAND_COUNT] = {
    // xgettext:no-c-format
    {0.98, 0x33CC33, N_("98% and above")},
    {0.95, 0xBBE033, N_("95% to 98%")},
    {0.90, 0xFFD700, N_("90% to 95%")},
    {0.80, 0xFF9933, N_("80% to 90%")},
    {0.00, 0xFF4D4D, N_("below 80%")},
};

int AccuracyBandOf(double dAccuracy) {
  for (int i = 0; i < ACCURACY_BAND_COUNT - 1; ++i)
    if (dAccuracy >= ACCURACY_BANDS[i].dFloor) return i;
  return ACCURACY_BAND_COUNT - 1;
}

int PracticeLocalDay(int64_t tUtc, int32_t nUtcOffset) {
  const int64_t t = tUtc + nUtcOffset;
  return (int)(t >= 0 ? t / SECONDS_PER_DAY : -((-t + SECONDS_PER_DAY - 1) / SECONDS_PER_DAY));
}

// The median of values (reordered); the mean of the middle two for an even count.
template <typename T>
static double Median(std::vector<T>* pValues) {
  std::vector<T>& v = *pValues;
  if (v.empty()) return 0.0;
  const size_t nMid = v.size() / 2;
  std::nth_element(v.begin(), v.begin() + (ptrdiff_t)nMid, v.end());
  const double dUpper = (double)v[nMid];
  if (v.size() % 2) return dUpper;
  return ((double)*std::max_element(v.begin(), v.begin() + (ptrdiff_t)nMid) + dUpper) / 2.0;
}

double PracticeMedian(std::vector<double>* pValues) { return Median(pValues); }

// The keypad key of a character asked for: a digit, or Enter for Enter and for the blank
// that Enter types in the random drill; -1 for anything else.
static int KeypadKey(int ch) {
  if (ch >= '0' && ch <= '9') return ch - '0';
  return ch == '\r' || ch == ' ' ? KEYPAD_ENTER : -1;
}

// ---- Tally: the span's runs, one at a time -----------------------------------------------

// Keystrokes, errors and time of runs counted together.
struct SpeedSum {
  int nRuns = 0;
  int64_t nKeystrokes = 0, nErrors = 0, nDurationMs = 0;
  std::vector<double> cpms;
  void Add(const PracticeRun& run) {
    ++nRuns;
    nKeystrokes += run.nKeystrokes;
    nErrors += run.nErrors;
    nDurationMs += run.nDurationMs;
    cpms.push_back(RunCpm(run));
  }
};

struct Tally {
  int64_t nKeys = 0;
  std::map<int, SpeedSum> days;
  SpeedSum speed;
  std::vector<PracticeRunRow> lastRuns;  // the last FIGURE_LIST_ROWS runs, in a ring
  size_t nNextRow = 0;                   // where the ring's oldest is, once it is full
  int nPresses[KEYPAD_KEYS] = {}, nCorrect[KEYPAD_KEYS] = {};
  std::vector<int32_t> moveMs[KEYPAD_KEYS][KEYPAD_KEYS];
  int nMixUps[KEYPAD_KEYS][256] = {};
};

static void TallyKeys(const PracticeRun& run, Tally* pTally, PracticeFigures* pFigures) {
  int nPrevious = -1;  // keypad key of the previous key when it was right, else -1
  for (const PracticeKey& key : run.keys) {
    const int nKey = KeypadKey(key.chAsked);
    if (key.chTyped >= '0' && key.chTyped <= '9') {
      if (key.nSource == KEY_FROM_KEYPAD || key.nSource == KEY_FROM_KEYPAD_NAV)
        ++pFigures->nKeypadDigits;
      else if (key.nSource == KEY_FROM_DIGIT_ROW)
        ++pFigures->nRowDigits;
    }
    if (nKey >= 0) {
      ++pTally->nPresses[nKey];
      if (key.bCorrect)
        ++pTally->nCorrect[nKey];
      else
        ++pTally->nMixUps[nKey][key.chTyped];
      if (key.bCorrect && nPrevious >= 0) pTally->moveMs[nPrevious][nKey].push_back(key.nMs);
    }
    nPrevious = key.bCorrect ? nKey : -1;
  }
  pTally->nKeys += (int64_t)run.keys.size();
}

static void TallyRun(const PracticeRun& run, Tally* pTally, PracticeFigures* pFigures) {
  PracticeTotals& totals = pFigures->totals;
  ++totals.nRuns;
  ++(run.nDrill == DRILL_POSITION ? totals.nPositionRuns : totals.nRandomRuns);
  if (run.nDrill == DRILL_RANDOM && run.nEnding != RUN_CANCELLED) {
    pTally->days[PracticeLocalDay(run.tStartUtc, run.nUtcOffset)].Add(run);
    pTally->speed.Add(run);
  }
  const PracticeRunRow row{run.tStartUtc,
                           run.nUtcOffset,
                           run.nDrill,
                           run.nEnding,
                           run.nDurationMs,
                           run.nKeystrokes,
                           run.nErrors,
                           RunCpm(run),
                           GrossKph(run.nKeystrokes, run.nDurationMs),
                           NetKph(run.nKeystrokes, run.nErrors, run.nDurationMs),
                           Accuracy(run.nKeystrokes, run.nErrors)};
  if (pTally->lastRuns.size() < (size_t)FIGURE_LIST_ROWS) {
    pTally->lastRuns.push_back(row);
  } else {
    pTally->lastRuns[pTally->nNextRow] = row;
    pTally->nNextRow = (pTally->nNextRow + 1) % FIGURE_LIST_ROWS;
  }
  TallyKeys(run, pTally, pFigures);
}

// Fills the figures of one group of speed runs (a day, or the span).
static void SpeedFigures(SpeedSum* pSum, double* pdMedianCpm, double* pdAccuracy,
                         double* pdGrossKph, double* pdNetKph) {
  *pdMedianCpm = Median(&pSum->cpms);
  *pdAccuracy = Accuracy(pSum->nKeystrokes, pSum->nErrors);
  *pdGrossKph = GrossKph(pSum->nKeystrokes, pSum->nDurationMs);
  *pdNetKph = NetKph(pSum->nKeystrokes, pSum->nErrors, pSum->nDurationMs);
}

// Each key's accuracy and median time, and the moves with enough samples, slowest first.
static void FinishKeys(Tally* pTally, PracticeFigures* pFigures) {
  std::vector<PracticeMove>& slow = pFigures->slowMoves;
  for (int nTo = 0; nTo < KEYPAD_KEYS; ++nTo) {
    PracticeKeyFigure& key = pFigures->keys[nTo];
    key.nPresses = pTally->nPresses[nTo];
    key.nCorrect = pTally->nCorrect[nTo];
    key.dAccuracy = Accuracy(key.nPresses, key.nPresses - key.nCorrect);
    std::vector<int32_t> times;
    for (int nFrom = 0; nFrom < KEYPAD_KEYS; ++nFrom) {
      std::vector<int32_t>& moves = pTally->moveMs[nFrom][nTo];
      times.insert(times.end(), moves.begin(), moves.end());
      if (moves.size() >= (size_t)MIN_MOVE_SAMPLES)
        slow.push_back(PracticeMove{nFrom, nTo, (int)moves.size(), Median(&moves)});
    }
    key.nTimed = (int)times.size();
    key.dMedianMs = Median(&times);
  }
  // Of equal times the better known move first, then keypad order.
  std::sort(slow.begin(), slow.end(), [](const PracticeMove& a, const PracticeMove& b) {
    if (a.dMedianMs != b.dMedianMs) return a.dMedianMs > b.dMedianMs;
    if (a.nSamples != b.nSamples) return a.nSamples > b.nSamples;
    return a.nFrom != b.nFrom ? a.nFrom < b.nFrom : a.nTo < b.nTo;
  });
  if (slow.size() > (size_t)FIGURE_LIST_ROWS) slow.resize(FIGURE_LIST_ROWS);
}

// The commonest mix-ups first; of equal counts, by key asked and character typed.
static void FinishMixUps(const Tally& tally, PracticeFigures* pFigures) {
  std::vector<PracticeMixUp>& mixUps = pFigures->mixUps;
  for (int nAsked = 0; nAsked < KEYPAD_KEYS; ++nAsked)
    for (int nTyped = 0; nTyped < 256; ++nTyped)
      if (tally.nMixUps[nAsked][nTyped] > 0)
        mixUps.push_back(PracticeMixUp{nAsked, nTyped, tally.nMixUps[nAsked][nTyped]});
  std::stable_sort(
      mixUps.begin(), mixUps.end(),
      [](const PracticeMixUp& a, const PracticeMixUp& b) { return a.nCount > b.nCount; });
  if (mixUps.size() > (size_t)FIGURE_LIST_ROWS) mixUps.resize(FIGURE_LIST_ROWS);
}

static void FinishTally(Tally* pTally, PracticeFigures* pFigures) {
  for (auto& [nDay, sum] : pTally->days) {
    PracticeDay day{};
    day.nDay = nDay;
    day.nRuns = sum.nRuns;
    day.dBestCpm = *std::max_element(sum.cpms.begin(), sum.cpms.end());
    day.nKeystrokes = sum.nKeystrokes;
    day.nErrors = sum.nErrors;
    day.nDurationMs = sum.nDurationMs;
    day.cpms = sum.cpms;  // before the median reorders them
    SpeedFigures(&sum, &day.dMedianCpm, &day.dAccuracy, &day.dGrossKph, &day.dNetKph);
    pFigures->days.push_back(std::move(day));
  }
  PracticeTotals& totals = pFigures->totals;
  totals.nSpeedRuns = pTally->speed.nRuns;
  SpeedFigures(&pTally->speed, &totals.dMedianCpm, &totals.dAccuracy, &totals.dGrossKph,
               &totals.dNetKph);
  // The ring holds the last runs oldest first from nNextRow on.
  std::rotate(pTally->lastRuns.begin(), pTally->lastRuns.begin() + (ptrdiff_t)pTally->nNextRow,
              pTally->lastRuns.end());
  pFigures->lastRuns.assign(pTally->lastRuns.rbegin(), pTally->lastRuns.rend());
  FinishKeys(pTally, pFigures);
  FinishMixUps(*pTally, pFigures);
  const int64_t nDigits = pFigures->nKeypadDigits + pFigures->nRowDigits;
  pFigures->dKeypadShare = nDigits > 0 ? (double)pFigures->nKeypadDigits / (double)nDigits : 0.0;
}

// ---- Reading ---------------------------------------------------------------------------

// Why the reader stopped, in SQLite's words but where they would mislead.
static std::string ReadError(sqlite3* pDb) {
  // A read-only reader cannot undo a write that was cut short; the next write does.
  if (sqlite3_extended_errcode(pDb) == SQLITE_READONLY_ROLLBACK)
    return "a write to it was cut short and is undone at numdril's next write";
  return sqlite3_errmsg(pDb);
}

// Ends a statement that has done more work than any real history needs.
static int StopRunawayQuery(void* pCalls) {
  return ++*(int64_t*)pCalls > MAX_PROGRESS_CALLS ? 1 : 0;
}

// Whether the file's header says WAL (file format 2), which numdril never writes: a
// read-only connection to such a file would leave its two companion files beside it.
static bool IsWalFile(const std::string& path) {
  unsigned char header[20] = {};
  int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  const bool bRead = read(fd, header, sizeof header) == (ssize_t)sizeof header;
  close(fd);
  return bRead && (header[18] == 2 || header[19] == 2);
}

// A file: URI naming path, its bytes escaped where a URI gives them a meaning.
static std::string FileUri(const std::string& path, const char* pszQuery) {
  std::string uri = "file:";
  for (unsigned char ch : path) {
    if (isalnum(ch) || strchr("/._-~", ch)) {
      uri += (char)ch;
    } else {
      char sz[4];
      snprintf(sz, sizeof sz, "%%%02X", ch);
      uri += sz;
    }
  }
  return uri + "?" + pszQuery;
}

static sqlite3* OpenForReading(const std::string& path, int64_t* pnCalls, std::string* pWhy) {
  sqlite3* pDb = nullptr;
  std::string name = path;
  int nFlags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_EXRESCODE;
  if (IsWalFile(path)) {
    // Another program's WAL still in use holds writes not in the file yet.
    struct stat st;
    if (stat((path + "-wal").c_str(), &st) == 0 && st.st_size > 0) {
      *pWhy = "another program is writing it in WAL mode";
      return nullptr;
    }
    // Without one, the file is whole, and read as a file that nobody changes.
    name = FileUri(path, "immutable=1");
    nFlags |= SQLITE_OPEN_URI;
  }
  int rc = sqlite3_open_v2(name.c_str(), &pDb, nFlags, nullptr);
  if (rc == SQLITE_OK) {
    sqlite3_db_config(pDb, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(pDb, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    // Only the runs table is read: a view or trigger put in its place does nothing.
    sqlite3_db_config(pDb, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(pDb, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    for (const auto& limit : READ_LIMITS) sqlite3_limit(pDb, limit.nId, limit.nValue);
    sqlite3_progress_handler(pDb, PROGRESS_STEPS, StopRunawayQuery, pnCalls);
    sqlite3_busy_timeout(pDb, READ_BUSY_TIMEOUT_MS);
    rc = sqlite3_exec(pDb, "PRAGMA query_only = 1; PRAGMA cell_size_check = 1", nullptr, nullptr,
                      nullptr);
  }
  if (rc != SQLITE_OK) {
    *pWhy = pDb ? ReadError(pDb) : sqlite3_errstr(rc);
    sqlite3_close(pDb);
    return nullptr;
  }
  return pDb;
}

// One row of SELECT_RUNS_SQL into *pRun; false when a value cannot be right.
static bool ReadRunRow(sqlite3_stmt* p, PracticeRun* pRun) {
  for (int i = 0; i < 8; ++i)
    if (sqlite3_column_type(p, i) != SQLITE_INTEGER) return false;
  pRun->tStartUtc = sqlite3_column_int64(p, 0);
  const int64_t nOffset = sqlite3_column_int64(p, 1);
  pRun->nDrill = sqlite3_column_int(p, 2);
  pRun->nEnding = sqlite3_column_int(p, 3);
  pRun->nDurationMs = sqlite3_column_int64(p, 4);
  int64_t nCounts[3];
  for (int i = 0; i < 3; ++i) nCounts[i] = sqlite3_column_int64(p, 5 + i);
  if (pRun->tStartUtc < 0 || pRun->tStartUtc > MAX_START || nOffset < -MAX_UTC_OFFSET ||
      nOffset > MAX_UTC_OFFSET ||
      (pRun->nDrill != DRILL_POSITION && pRun->nDrill != DRILL_RANDOM) ||
      pRun->nEnding < RUN_FINISHED || pRun->nEnding > RUN_CANCELLED || pRun->nDurationMs < 0 ||
      pRun->nDurationMs > MAX_DURATION_MS)
    return false;
  for (int64_t n : nCounts)
    if (n < 0 || n > MAX_STORED_COUNT) return false;
  if (nCounts[1] > nCounts[0]) return false;
  pRun->nUtcOffset = (int32_t)nOffset;
  pRun->nKeystrokes = (int)nCounts[0];
  pRun->nErrors = (int)nCounts[1];
  pRun->nChars = (int)nCounts[2];
  pRun->dCpm = -1.0;
  if (sqlite3_column_type(p, 8) != SQLITE_NULL) {
    const double dCpm = sqlite3_column_double(p, 8);
    if (!std::isfinite(dCpm) || dCpm < 0.0 || dCpm > MAX_CPM) return false;
    pRun->dCpm = dCpm;
  }
  const char* pText = (const char*)sqlite3_column_text(p, 9);
  return DecodeKeyList(pText, (size_t)sqlite3_column_bytes(p, 9), &pRun->keys);
}

// The local date of the first run ever recorded, or -1.
static int FirstDay(sqlite3* pDb) {
  sqlite3_stmt* p = nullptr;
  int nDay = -1;
  if (sqlite3_prepare_v2(pDb, SELECT_FIRST_SQL, -1, &p, nullptr) == SQLITE_OK &&
      sqlite3_step(p) == SQLITE_ROW) {
    const int64_t t = sqlite3_column_int64(p, 0), nOffset = sqlite3_column_int64(p, 1);
    if (t >= 0 && t <= MAX_START && nOffset >= -MAX_UTC_OFFSET && nOffset <= MAX_UTC_OFFSET)
      nDay = PracticeLocalDay(t, (int32_t)nOffset);
  }
  sqlite3_finalize(p);
  return nDay;
}

// Reads the span's runs into the tally; "" or the error that stopped it.
static std::string ReadRuns(sqlite3* pDb, PracticeFigures* pFigures, Tally* pTally) {
  sqlite3_stmt* p = nullptr;
  int rc = sqlite3_prepare_v2(pDb, SELECT_RUNS_SQL, -1, &p, nullptr);
  if (rc != SQLITE_OK) return ReadError(pDb);
  // Offsets put a local day's runs within a day either side of its UTC day.
  const bool bWhole = pFigures->nFromDay == INT32_MIN;
  sqlite3_bind_int64(p, 1,
                     bWhole ? INT64_MIN : ((int64_t)pFigures->nFromDay - 1) * SECONDS_PER_DAY);
  PracticeRun run;
  std::string why;
  while ((rc = sqlite3_step(p)) == SQLITE_ROW) {
    if (!ReadRunRow(p, &run)) {
      ++pFigures->nSkippedRuns;
      continue;
    }
    const int nDay = PracticeLocalDay(run.tStartUtc, run.nUtcOffset);
    if (!bWhole && (nDay < pFigures->nFromDay || nDay > pFigures->nToDay)) continue;
    if (pTally->nKeys + (int64_t)run.keys.size() > MAX_TALLIED_KEYS) {
      pFigures->reason = "more keys than the figures take; the latest runs are left out";
      pFigures->bKeysLeftOut = true;
      break;
    }
    TallyRun(run, pTally, pFigures);
  }
  if (rc != SQLITE_DONE && rc != SQLITE_ROW) why = ReadError(pDb);
  sqlite3_finalize(p);
  return why;
}

void ReadPracticeFigures(int nSpanDays, int64_t tNow, PracticeFigures* pFigures) {
  *pFigures = PracticeFigures{};
  pFigures->nToDay = PracticeLocalDay(tNow, LocalUtcOffset(tNow));
  pFigures->nFromDay = nSpanDays > 0 ? pFigures->nToDay - nSpanDays + 1 : INT32_MIN;
  std::string path, why;
  struct stat st;
  if (lstat(PRACTICE_DB_NAME, &st) != 0) return;  // no drill recorded yet
  int64_t nCalls = 0;
  sqlite3* pDb = nullptr;
  if (ResolvePracticeDbPath(PRACTICE_DB_NAME, &path, &why))
    pDb = OpenForReading(path, &nCalls, &why);
  Tally tally;
  if (pDb) {
    pFigures->nFirstDay = FirstDay(pDb);
    why = ReadRuns(pDb, pFigures, &tally);
    sqlite3_close(pDb);
  }
  FinishTally(&tally, pFigures);
  if (nSpanDays <= 0) pFigures->nFromDay = pFigures->nFirstDay;
  pFigures->nState = why.empty() ? PRACTICE_DB_READ : PRACTICE_DB_UNREADABLE;
  if (!why.empty())
    pFigures->reason = why;
  else if (pFigures->reason.empty() && pFigures->nSkippedRuns > 0)
    pFigures->reason = std::to_string(pFigures->nSkippedRuns) + " runs could not be read";
}
