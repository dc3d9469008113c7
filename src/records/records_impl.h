// SPDX-License-Identifier: MIT
// Records, inside the folder: the time split every writer and the screen share, the record
// screen's rows, and the file-system side of the record writers (safefile.cpp). Nothing
// outside src/records/ includes this.
#pragma once

#include <sys/types.h>

#include <string>

#include "records/records.h"

void SplitSeconds(int64_t nSeconds, int* pnHours, int* pnMinutes, int* pnSeconds);
void DrawRecordRows(CDC* pDC, const SCREENITEM* pList, const double* pSpeeds,
                    const char (*pDates)[9], const int* pSeconds);

// ---- File system helpers of the record writers (safefile.cpp) --------------------------

struct stat;
// OpenRegularFile's result for a path that is there but is not a regular file.
constexpr int NOT_REGULAR_FILE = -2;
// open() of the path itself (a link there is not followed: the caller has followed links
// already) that never waits on a FIFO and keeps only regular files: a descriptor, -1 with
// errno, or NOT_REGULAR_FILE.
int OpenRegularFile(const char* pszPath, int nFlags, mode_t nMode = 0);
// Writes every byte (at nOffset, or at the file position when it is -1); false on failure.
bool WriteAll(int fd, const char* pData, size_t nBytes, off_t nOffset = -1);
std::string FolderOf(const std::string& path);
// FollowTrustedLinks for one of the three record files; a link it refuses is said on
// stderr, once a run for each file. False then: nothing may be read or saved through it.
bool FindRecordFile(const char* pszName, std::string* pPath);
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
// Forgets which refused links were said on stderr (a new run says them again).
void ResetSafeFileState();
