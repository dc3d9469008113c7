// SPDX-License-Identifier: MIT
// Records: the record file, the practice log, the speed history, the record screen, and
// the start, exit and save-status values the exit path reads.
#pragma once

#include <cstdio>

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
// Save results, non-zero = written; start 1. g_bSpdSaved, once 0, stays 0 for the run.
extern int g_bRecSaved;
extern int g_bLogSaved;
extern int g_bSpdSaved;
// 1 once the exit-time saving has run, so that a second way out saves nothing again;
// starts 0; written by SaveAtExit (app/).
extern int g_bExitSaved;

// ---- Operations ----------------------------------------------------------------------

// Reads numdril.rec, builds the guide lookup, takes the start date, time and clock, and
// seeds the generator. A record that is there but not read to its end is kept as
// numdril.rec.bak by the next WriteRecordFile.
void LoadRecordsAtStart();
void SplitSeconds(int64_t nSeconds, int* pnHours, int* pnMinutes, int* pnSeconds);
// 1 when every expected line was read; 0 at the end of the file or at the first line that
// is damaged (its values and all later ones keep their defaults).
int ReadRecordFile(FILE* pFile);
// Rewrites numdril.rec whole, through a file beside it that replaces it only when complete;
// sets g_tEnd. 1 on success; 0 leaves the old record as it was.
int WriteRecordFile();
// Writers of one line each; 1 when the line was written, 0 when not. Callers keep a 0 of
// AppendSpeedHistory in g_bSpdSaved and never raise the flag again.
int AppendPracticeLog(const char* pszStartDate, const char* pszStartTime, int64_t nSeconds);
int AppendSpeedHistory(const char* pszTitle, const char* pszDate, const char* pszTime,
                       double dSpeed, int64_t nSeconds);
// At exit: adds a running drill's time to its practice seconds, or stores a new best speed
// still on screen.
void CloseOpenRun();
void DrawRecordScreen(CDC* pDC);
// Pixel rectangle of the record screen's line that says how to leave it.
void ReturnHintRect(RECT* pRect);
void DrawRecordRows(CDC* pDC, const SCREENITEM* pList, const double* pSpeeds,
                    const char (*pDates)[9], const int* pSeconds);

void ResetRecordState();
