// SPDX-License-Identifier: MIT
// Records: the record file, the practice log, the speed history, the record screen, and
// the start, exit and save-status values the exit path reads.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>

#include "platform/platform.h"
#include "screen/screen.h"

constexpr int RECORD_GROUPS = 3;
constexpr int RECORD_GROUP_MAX = 10;  // groups hold at most 10, 10 and 2 items

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
// File names and display names of the random items, one list per group.
extern const SCREENITEM* const RANDOM_RECORD_GROUPS[RECORD_GROUPS];
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

// ---- Operations ----------------------------------------------------------------------

// Reads numdril.rec, builds the guide lookup, takes the start date, time and clock, and
// seeds the generator. A record that is there but not read to its end is kept at once as a
// backup that replaces no other (numdril.rec.bak, numdril.rec.bak.1, ...), and stderr says
// so; one that cannot be read is named there and never replaced.
void LoadRecordsAtStart();
// Whole seconds since start-up by the monotonic clock: a clock step or a suspend adds none.
int64_t RunSeconds();
void SplitSeconds(int64_t nSeconds, int* pnHours, int* pnMinutes, int* pnSeconds);
// Reads a record into the record values, which become the values last synced with the
// file. 1 when every expected line was read; 0 at the end of the file or at the first line
// that is damaged (its values and all later ones keep what they held).
int ReadRecordFile(FILE* pFile);
// Rewrites numdril.rec whole under a lock on its folder: the file as it is now plus what
// this run added since it last read or wrote it (another numdril in the folder loses
// nothing), with a new best speed still on the result screen. A temporary file replaces
// the record only when complete; a link is written through. Sets g_tEnd. 1 on success; 0
// leaves the old record as it was.
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
void DrawRecordRows(CDC* pDC, const SCREENITEM* pList, const double* pSpeeds,
                    const char (*pDates)[9], const int* pSeconds);
// The record screen's key map (keymap.cpp), drawn whole, and where its return hint is.
void DrawKeyMapScreen(CDC* pDC);
void KeyMapReturnHintRect(RECT* pRect);
// numdril's own text for a screen (marked for gettext where it is written): as written in
// English, translated and in code page 932 otherwise.
std::string OwnScreenText(const char* pszText);
// Forgets the key map's figures, read again at its next drawing.
void ResetKeyMapState();

void ResetRecordState();

// ---- File system helpers of the record writers (safefile.cpp) --------------------------

struct stat;
// OpenRegularFile's result for a path that is there but is not a regular file.
constexpr int NOT_REGULAR_FILE = -2;
// open() that never waits on a FIFO and keeps only regular files: a descriptor, -1 with
// errno, or NOT_REGULAR_FILE.
int OpenRegularFile(const char* pszPath, int nFlags, mode_t nMode = 0);
// Writes every byte (at nOffset, or at the file position when it is -1); false on failure.
bool WriteAll(int fd, const char* pData, size_t nBytes, off_t nOffset = -1);
std::string FolderOf(const std::string& path);
// The file a path names once symbolic links are followed, even one not there yet.
std::string FollowLinks(const char* pszPath);
// An exclusive lock on a folder against another numdril saving there; a descriptor for
// UnlockFolder, or -1 when none could be had (the caller goes on without).
int LockFolder(const std::string& folder);
void UnlockFolder(int fd);
// Keeps the file at path as path.bak, or the first of path.bak.1, path.bak.2 ... that is
// free; an existing backup with the same bytes serves instead. The name goes to *pBackup.
bool KeepBackup(const std::string& path, std::string* pBackup);
// Removes the temporary files of saves to path that were killed halfway; only while the
// folder is locked, when no save can be using one.
void RemoveStaleTemporaries(const std::string& path);
// Replaces the file at path by text, through a temporary file in its folder that takes its
// place only when complete, with the old file's mode (pOld, null when there is none).
// Where the folder takes no new file, an existing file is rewritten in place.
bool ReplaceFileContents(const std::string& path, const std::string& text,
                         const struct stat* pOld);
