// The practice record file numdril.rec: the record values, start-up reading and seeding,
// and the exit-time rewrite. Does not draw.
#include <cstdio>

#include "records/records.h"

int g_nPastSeconds = 0;
int g_nPositionSeconds = 0;
double g_dBestSpeed[RECORD_GROUPS][RECORD_GROUP_MAX];
char g_szBestDate[RECORD_GROUPS][RECORD_GROUP_MAX][9];
int g_nRandomSeconds[RECORD_GROUPS][RECORD_GROUP_MAX];
int g_nRandomCount[RECORD_GROUPS][RECORD_GROUP_MAX];

static const SCREENITEM RANDOM_GROUP_1_FILES[] = {
    {112, 1, "Random_Practice", 0},
    {0, 0, nullptr, 0},
};
static const SCREENITEM EMPTY_GROUP[] = {
    {0, 0, nullptr, 0},
};
static const SCREENITEM RANDOM_GROUP_1_NAMES[] = {
    {112, 1, "Random Practice", 0},
    {0, 0, nullptr, 0},
};
const SCREENITEM* const RANDOM_RECORD_GROUPS[RECORD_GROUPS] = {RANDOM_GROUP_1_FILES,
                                                               EMPTY_GROUP, EMPTY_GROUP};
const SCREENITEM* const RANDOM_RECORD_NAMES[RECORD_GROUPS] = {RANDOM_GROUP_1_NAMES,
                                                              EMPTY_GROUP, EMPTY_GROUP};

time64_t g_tStart = 0;
char g_szStartDate[9] = "";
char g_szStartTime[9] = "";
time64_t g_tEnd = 0;
int g_bRecSaved = 1;
int g_bLogSaved = 1;
int g_bSpdSaved = 1;

void LoadRecordsAtStart() {}

void SplitSeconds(int64_t nSeconds, int* pnHours, int* pnMinutes, int* pnSeconds) {
  *pnHours = (int)(nSeconds / 3600);
  *pnMinutes = (int)(nSeconds / 60 % 60);
  *pnSeconds = (int)(nSeconds % 60);
}

int ReadRecordFile(FILE*) { return 0; }

int WriteRecordFile() { return 0; }

void ResetRecordState() {}
