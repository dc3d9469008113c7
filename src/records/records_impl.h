// SPDX-License-Identifier: MIT
// Records, inside the folder: the time split every writer and the screen share, the record
// screen's rows, and the record files' names on the disk (safefile.cpp). Nothing
// outside src/records/ includes this.
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/files.h"
#include "records/records.h"

// The largest speed the files hold: seven columns with one decimal. One of a burst of keys
// timed too close together can be far above it.
constexpr double MAX_FILE_SPEED = 99999.9;
// A speed as the files hold it: within 0 and MAX_FILE_SPEED (NaN becomes 0).
inline double SpeedForFile(double dSpeed) {
  return dSpeed > 0.0 ? (dSpeed < MAX_FILE_SPEED ? dSpeed : MAX_FILE_SPEED) : 0.0;
}
void SplitSeconds(int64_t nSeconds, int* pnHours, int* pnMinutes, int* pnSeconds);
void DrawRecordRows(CDC* pDC, const SCREENITEM* pList, const double* pSpeeds,
                    const char (*pDates)[9], const int* pSeconds);

// ---- The record files on the disk (safefile.cpp) ----------------------------------------

// FollowTrustedLinks for one of the three record files; a link it refuses is said on
// stderr, once a run for each file. False then: nothing may be read or saved through it.
bool FindRecordFile(const char* pszName, std::string* pPath);
// Forgets which refused links were said on stderr (a new run says them again).
void ResetSafeFileState();
