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

void LoadRecordsAtStart();
void SplitSeconds(int64_t nSeconds, int* pnHours, int* pnMinutes, int* pnSeconds);
int ReadRecordFile(FILE* pFile);
int WriteRecordFile();
int AppendPracticeLog(const char* pszStartDate, const char* pszStartTime, int64_t nSeconds);
int AppendSpeedHistory(const char* pszTitle, const char* pszDate, const char* pszTime,
                       double dSpeed, int64_t nSeconds);
void CloseOpenRun();
void DrawRecordScreen(CDC* pDC);
void DrawRecordRows(CDC* pDC, const SCREENITEM* pList, const double* pSpeeds,
                    const char (*pDates)[9], const int* pSeconds);

void ResetRecordState();
