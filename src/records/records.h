// SPDX-License-Identifier: MIT
// Records: the record file, the practice log, the speed history, the record screen, and
// the start, exit and save-status values the exit path reads.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "screen/screen.h"

constexpr int RECORD_GROUPS = 3;
constexpr int RECORD_GROUP_MAX = 10;  // groups hold at most 10, 10 and 2 items

// The three files of the record folder, which is the working directory.
inline constexpr char RECORD_FILE[] = "numdril.rec";
inline constexpr char LOG_FILE[] = "numdril.log";
inline constexpr char SPEED_FILE[] = "numdril.spd";

// ---- Record values ---------------------------------------------------------------------

// Use time of all earlier runs, seconds; starts 0; read from line 1 of numdril.rec.
extern int g_nPastSeconds;
// Accumulated position practice seconds; starts 0; line 2; grown by the position drill.
extern int g_nPositionSeconds;
// Random record items by group and item: best speed (cpm, 0.0 = none), best date
// (YY/MM/DD, eight spaces when never set), practice seconds, finished runs (not saved).
extern double g_dBestSpeed[RECORD_GROUPS][RECORD_GROUP_MAX];
extern char g_szBestDate[RECORD_GROUPS][RECORD_GROUP_MAX][9];
extern int g_nRandomSeconds[RECORD_GROUPS][RECORD_GROUP_MAX];
extern int g_nRandomCount[RECORD_GROUPS][RECORD_GROUP_MAX];
// Display names of the random items, one list per group, in the record file's order.
extern const SCREENITEM* const RANDOM_RECORD_NAMES[RECORD_GROUPS];

// ---- Start, exit and save status -------------------------------------------------------

// time() at start-up; starts 0; written by LoadRecordsAtStart.
extern time64_t g_tStart;
// _strdate and _strtime at start-up; start empty; written by LoadRecordsAtStart.
extern char g_szStartDate[9];
extern char g_szStartTime[9];
// Exit time; starts 0; written by ExitInstance, WriteRecordFile and the record screen.
extern time64_t g_tEnd;
// MonotonicMs() at start-up, from which the run's use time is measured; starts 0; written by
// LoadRecordsAtStart.
extern uint64_t g_nStartClockMs;
// Save results, non-zero = written; start 1. g_bRecSaved is the result of the latest record
// write (each holds everything so far); g_bSpdSaved, once 0, stays 0 for the run.
extern int g_bRecSaved;
extern int g_bLogSaved;
extern int g_bSpdSaved;
// 1 once the exit-time saving has run, so that a second way out saves nothing again;
// starts 0; written by SaveAtExit (app/).
extern int g_bExitSaved;

// ---- The record file as a value ------------------------------------------------------

// The values one record file holds: line 1's use time, the position line, and per random
// item (in group order, one line each) its best speed, best date and practice seconds.
struct RecordValues {
  int nTotalSeconds;
  int nPositionSeconds;
  double dBestSpeed[RECORD_GROUPS][RECORD_GROUP_MAX];
  char szBestDate[RECORD_GROUPS][RECORD_GROUP_MAX][9];
  int nRandomSeconds[RECORD_GROUPS][RECORD_GROUP_MAX];
};

// What the bytes of a record file hold. Lines are read in order and reading stops at the
// first damaged one: the first nLinesRead lines (line 1, the position line, then the
// random items) gave their values; every other value is its default.
struct RecordContents {
  RecordValues values;
  int nLinesRead;
  int nLines;  // lines of a whole record
};

// The one reader of the record file, for the program and the practice report alike.
RecordContents ParseRecordFile(std::string_view bytes);
// Reads a record file's bytes from fd, as many as a record can sensibly hold (a larger file
// is cut back to its last whole line within them). False with errno on a read error.
bool ReadRecordBytes(int fd, std::string* pBytes);

// ---- Operations ----------------------------------------------------------------------

// Reads numdril.rec, builds the guide lookup, takes the start date, time and clock, and
// seeds the generator. A record that is there but not read to its end is kept at once as a
// backup that replaces no other (numdril.rec.bak, numdril.rec.bak.1, ...), and stderr says
// so; one that cannot be read is named there and never replaced.
void LoadRecordsAtStart();
// Whole seconds since start-up by the monotonic clock: a clock step or a suspend adds none.
int64_t RunSeconds();
// Reads a record into the record values, which become the values last synced with the
// file. 1 when every expected line was read; 0 at the end of the file or at the first line
// that is damaged (its values and all later ones keep what they held).
int ReadRecordFile(FILE* pFile);
// Rewrites numdril.rec whole under a lock on its folder: the file as it is now plus what
// this run added since it last read or wrote it (another numdril in the folder loses
// nothing, a hand edit stays unless this run beat it), with a new best speed still on the
// result screen. Every value is held to what its column can hold. A temporary file
// replaces the record only when complete; a link is written through where the kernel would
// follow it. Sets g_tEnd. 1 on success; 0 leaves the old record as it was.
int WriteRecordFile();
// Writers of one line each; 1 when the line was written, 0 when not. Callers keep a 0 of
// AppendSpeedHistory in g_bSpdSaved and never raise the flag again.
int AppendPracticeLog(const char* pszStartDate, const char* pszStartTime, int64_t nSeconds);
int AppendSpeedHistory(const char* pszTitle, const char* pszDate, const char* pszTime,
                       double dSpeed, int64_t nSeconds);
// At exit: adds a running drill's time to its practice seconds, or stores a new best speed
// still on screen.
void CloseOpenRun();
// A random run's new best speed that is on the result screen and not yet stored, with its
// date as the record keeps it (YY/MM/DD); false when there is none.
bool NewBestOnScreen(double* pdSpeed, char* pszDate);
void DrawRecordScreen(CDC* pDC);
// Pixel rectangle of the record screen's line that says how to leave it.
void ReturnHintRect(RECT* pRect);
// The record screen's key map (keymap.cpp), drawn whole, and where its return hint is.
void DrawKeyMapScreen(CDC* pDC);
void KeyMapReturnHintRect(RECT* pRect);
// numdril's own text for a screen (marked for gettext where it is written): as written in
// English, translated and in code page 932 otherwise.
std::string OwnScreenText(const char* pszText);
// Forgets the key map's figures, read again at its next drawing.
void ResetKeyMapState();

// Whether this run's saving can succeed in the record folder (the working directory), as far
// as can be told before it starts: the folder takes new files, or the record and the log
// are there to be written in place. False with errno set.
bool CanSaveRecordsHere();
// Whether a path names one of the record files of the record folder or a backup of one
// (numdril.rec.bak, numdril.rec.bak.1, ...), whether it exists or not, under any name that
// leads there: nothing else may ever be written at such a path.
bool IsRecordFilePath(const char* pszPath);

void ResetRecordState();
