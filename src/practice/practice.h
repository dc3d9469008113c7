// SPDX-License-Identifier: MIT
// Practice database: every drill run and its keys, kept in numdril.db (SQLite) in the record
// folder, and every figure the report and the key-map screen show from it. The drills hand
// over a plain run at its end and know no SQL; nothing here draws or formats text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr char PRACTICE_DB_NAME[] = "numdril.db";
// The schema this numdril writes (PRAGMA user_version once every migration has run).
constexpr int PRACTICE_SCHEMA_VERSION = 1;
// Keys kept per run; a run with more keeps counting them but lists only the first ones.
constexpr int PRACTICE_MAX_RUN_KEYS = 65536;

// ---- Stored codes (numbers in the database: never renumber, only add) ------------------

// runs.drill
enum PracticeDrill { DRILL_POSITION = 1, DRILL_RANDOM = 2 };
// runs.ending
enum PracticeEnding { RUN_FINISHED = 1, RUN_TIMED_OUT = 2, RUN_CANCELLED = 3 };
// Where a key came from: the key list's fourth value.
enum PracticeKeySource {
  KEY_FROM_OTHER = 0,         // any other key (Space, Tab, a letter), or not known
  KEY_FROM_KEYPAD = 1,        // the numeric keypad with Num Lock on
  KEY_FROM_KEYPAD_NAV = 2,    // the numeric keypad with Num Lock off
  KEY_FROM_DIGIT_ROW = 3,     // the digits above the letters
  KEY_FROM_INPUT_METHOD = 4,  // an input method's commit, which carries no key position
};

// ---- What a drill hands over ---------------------------------------------------------

struct PracticeKey {
  uint8_t chAsked;   // character asked for: '0'..'9', 13 (Enter), ' ' (random drill's blank)
  uint8_t chTyped;   // character typed, as the drill judged it (any byte)
  uint8_t bCorrect;  // 1 when the drill took it as the right key
  uint8_t nSource;   // PracticeKeySource
  int32_t nMs;       // ms since the previous key (random drill) or since this key was
                     // asked for (position drill); the first key's counts from the run's start
};

struct PracticeRun {
  int64_t tStartUtc = 0;          // seconds since 1970, UTC, when the run was set up
  int32_t nUtcOffset = 0;         // seconds east of UTC of the local time then
  int nDrill = 0;                 // PracticeDrill
  int nEnding = 0;                // PracticeEnding
  int64_t nDurationMs = 0;        // the drill's own measure of the run (monotonic clock)
  int nKeystrokes = 0;            // every key judged, right or wrong
  int nErrors = 0;                // keys judged wrong
  int nChars = 0;                 // correct characters, as the drill counts them
  double dCpm = -1.0;             // speed as the drill showed it; negative when it shows none
  std::vector<PracticeKey> keys;  // in the order typed, at most PRACTICE_MAX_RUN_KEYS
  uint64_t nMarkMs = 0;           // while recording: MonotonicMs() the next key counts from
};

// ---- Recording a run (record.cpp) ------------------------------------------------------

// The run of the drill on screen; empty at start; written by the drills through the three
// calls below, which read the program's clocks (GetTime, and KeyPressStamp for the key
// being handled) and where that key came from (CurrentKeyInfo).
extern PracticeRun g_practiceRun;

// A new run of nDrill starts (the drill screen is ready for its first key).
void BeginPracticeRun(int nDrill);
// One key the drill judged, as it judged it. Its time runs from the previous key's press
// (random drill) or from when its key was asked for (position drill: a right key asks
// for the next one). Its source: the platform's KeySource of the key being handled, a
// digit from the main keyboard being one of the digit row.
void AddPracticeKey(int chAsked, int chTyped, bool bCorrect);
// The run ended: it is queued for the database when it has at least one key, and
// g_practiceRun is emptied. dCpm < 0 when the drill shows no speed.
void EndPracticeRun(int nEnding, int64_t nDurationMs, int nChars, double dCpm);

// The key list as stored in runs.key_list: a JSON array of [asked, typed, correct, source,
// ms] arrays. Decode accepts only that shape (any spacing) and values in range; false
// leaves *pKeys holding the keys before the first one it could not read.
std::string EncodeKeyList(const std::vector<PracticeKey>& keys);
bool DecodeKeyList(const char* pText, size_t nBytes, std::vector<PracticeKey>* pKeys);

// ---- Writing (store.cpp) ---------------------------------------------------------------

// 1 while every run handed over is in numdril.db (or none was); 0 after a write that left
// runs waiting in memory, until one that writes them all. Starts 1; written by
// FlushPracticeRuns. The exit path names numdril.db in its notice when it is 0.
extern int g_bPracticeSaved;

// Keeps a copy of the run in memory; never touches the disk.
void QueuePracticeRun(const PracticeRun& run);
size_t QueuedPracticeRuns();
// Writes every queued run to numdril.db of the current folder in one transaction, opening
// (and creating or upgrading) the database on first use. Waits at most a bounded time for
// another numdril's write. What cannot be written now stays queued, and stderr says why
// once. Returns g_bPracticeSaved.
int FlushPracticeRuns();
// Closes the database (queued runs stay queued).
void ClosePracticeDb();
// Checks the whole of numdril.db when this run of numdril has it open (PRAGMA quick_check,
// which reads every page: for the exit, once the window is gone); a damaged one is kept
// aside as a first write would keep it, and stderr says so.
void CheckPracticeDb();
// The file a database path names, following symbolic links only where the kernel's
// fs.protected_symlinks rule would: not a link in a sticky folder that others can write,
// unless the link is the caller's or the folder owner's; and only to a regular file or to
// none yet. False with the reason when refused.
bool ResolvePracticeDbPath(const std::string& path, std::string* pResolved, std::string* pWhy);

void ResetPracticeState();

// ---- Figures (figures.cpp) -------------------------------------------------------------

// One definition of each measure, used everywhere (hours are drill time: duration_ms):
// gross KPH = every keystroke per hour; net KPH = right keystrokes per hour;
// accuracy = right keystrokes / every keystroke; cpm = correct characters per minute.
double GrossKph(int64_t nKeystrokes, int64_t nDurationMs);
double NetKph(int64_t nKeystrokes, int64_t nErrors, int64_t nDurationMs);
double Accuracy(int64_t nKeystrokes, int64_t nErrors);  // 0 when nothing was typed
double RunCpm(const PracticeRun& run);  // as shown, or chars per minute of its duration
// The median of values (reordered); the mean of the middle two for an even count; 0 for none.
double PracticeMedian(std::vector<double>* pValues);

// How an accuracy is judged where it is shown (the key map, the report): bands, best first.
struct AccuracyBand {
  double dFloor;          // an accuracy at least this belongs to the band
  uint32_t nRgb;          // its tint, 0xRRGGBB
  const char* pszLegend;  // its legend, marked for translation: gettext it where shown
};
constexpr int ACCURACY_BAND_COUNT = 5;
// The bands, best first; the last floor is 0, so that every accuracy finds one.
extern const AccuracyBand ACCURACY_BANDS[ACCURACY_BAND_COUNT];
// The index in ACCURACY_BANDS of an accuracy's band.
int AccuracyBandOf(double dAccuracy);

// Keys of the keypad in the figures: '0'..'9' are 0..9, Enter (and the random drill's
// blank, which Enter types from the keypad) is 10.
constexpr int KEYPAD_KEYS = 11;
constexpr int KEYPAD_ENTER = 10;
// A move needs this many samples to be among the slowest.
constexpr int MIN_MOVE_SAMPLES = 5;
constexpr int FIGURE_LIST_ROWS = 10;  // last runs, slowest moves and mix-ups listed

enum PracticeDbState {
  PRACTICE_DB_MISSING,     // no numdril.db: no drill recorded yet
  PRACTICE_DB_READ,        // read; reason may still say what was skipped
  PRACTICE_DB_UNREADABLE,  // could not be read (reason); figures hold what was read
};

// Random drill runs that finished or timed out, of one local day.
struct PracticeDay {
  int nDay;  // local date, days since 1970-01-01
  int nRuns;
  double dMedianCpm, dBestCpm;
  double dAccuracy, dGrossKph, dNetKph;  // over the day's runs together
  int64_t nKeystrokes, nErrors, nDurationMs;  // the day's runs summed: days join by these
  std::vector<double> cpms;                   // each run's cpm, in the order run
};

struct PracticeRunRow {
  int64_t tStartUtc;
  int32_t nUtcOffset;
  int nDrill, nEnding;
  int64_t nDurationMs;
  int nKeystrokes, nErrors;
  double dCpm, dGrossKph, dNetKph, dAccuracy;
};

struct PracticeKeyFigure {
  int nPresses = 0;  // keys typed while this one was asked for
  int nCorrect = 0;
  double dAccuracy = 0.0;  // nCorrect / nPresses; 0 when never asked
  int nTimed = 0;          // right presses right after a right press: the samples of
  double dMedianMs = 0.0;  // its median time; 0 when none
};

struct PracticeMove {
  int nFrom, nTo;  // keypad keys (0..9, KEYPAD_ENTER)
  int nSamples;
  double dMedianMs;
};

struct PracticeMixUp {
  int nAsked;  // keypad key asked for
  int nTyped;  // character typed instead (any byte)
  int nCount;
};

struct PracticeTotals {
  int nRuns = 0;  // runs in the span, both drills, however they ended
  int nPositionRuns = 0, nRandomRuns = 0;
  int nSpeedRuns = 0;  // random drill runs that finished or timed out: the rest is theirs
  double dMedianCpm = 0.0;
  double dGrossKph = 0.0, dNetKph = 0.0, dAccuracy = 0.0;
};

struct PracticeFigures {
  PracticeDbState nState = PRACTICE_DB_MISSING;
  std::string reason;                    // why unreadable, or what was skipped; "" when nothing
  int nFromDay = 0, nToDay = 0;          // the span, local days since 1970 (both included)
  int nFirstDay = -1;                    // local date of the first run ever recorded; -1 = none
  int nSkippedRuns = 0;                  // rows left out because their values could not be right
  std::vector<PracticeDay> days;         // oldest first
  std::vector<PracticeRunRow> lastRuns;  // newest first
  PracticeKeyFigure keys[KEYPAD_KEYS];
  std::vector<PracticeMove> slowMoves;        // slowest first
  std::vector<PracticeMixUp> mixUps;          // commonest first
  bool bKeysLeftOut = false;             // the span had more keys than the figures take
  int64_t nKeypadDigits = 0, nRowDigits = 0;  // right or wrong digits by where typed
  double dKeypadShare = 0.0;  // nKeypadDigits / (nKeypadDigits + nRowDigits); 0 when none
  PracticeTotals totals;
};

// Reads numdril.db of the current folder read-only and defensively, and computes the
// figures of the nSpanDays local days up to the day of tNow (0 = the whole history).
// Never writes, and a crafted or damaged file bounds the work it can cause.
void ReadPracticeFigures(int nSpanDays, int64_t tNow, PracticeFigures* pFigures);
// Local days since 1970 of a moment, by its UTC offset.
int PracticeLocalDay(int64_t tUtc, int32_t nUtcOffset);
// The local UTC offset at tUtc, in seconds east.
int32_t LocalUtcOffset(int64_t tUtc);
