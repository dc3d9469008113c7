// SPDX-License-Identifier: MIT
// Records, inside the folder: the time split every writer and the screen share, the record
// screen's rows, and the record files' names on the disk (safefile.cpp). Nothing
// outside src/records/ includes this.
#pragma once

#include <sys/types.h>

#include <string>

#include "platform/files.h"
#include "records/records.h"

void SplitSeconds(int64_t nSeconds, int* pnHours, int* pnMinutes, int* pnSeconds);
void DrawRecordRows(CDC* pDC, const SCREENITEM* pList, const double* pSpeeds,
                    const char (*pDates)[9], const int* pSeconds);

// ---- The record files on the disk (safefile.cpp) ----------------------------------------

// FollowTrustedLinks for one of the three record files; a link it refuses is said on
// stderr, once a run for each file. False then: nothing may be read or saved through it.
bool FindRecordFile(const char* pszName, std::string* pPath);
// Forgets which refused links were said on stderr (a new run says them again).
void ResetSafeFileState();
