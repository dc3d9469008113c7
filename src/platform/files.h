// SPDX-License-Identifier: MIT
// The user's files on the disk (files.cpp): paths followed through links only as the
// kernel's fs.protected_symlinks rule would follow them, regular files only, a lock on a
// folder, backups that never replace a backup, and rewrites that complete or leave the old
// file. Used by the record files, the settings and the practice database alike.
#pragma once

#include <sys/types.h>

#include <string>

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
// The file a path names once its symbolic links are followed, each only where the kernel's
// fs.protected_symlinks rule would follow it: a link in a folder that is sticky and
// world-writable (/tmp) is followed only when it belongs to the user running numdril or to
// the folder's owner. False, with *pPath naming the link, for a link planted by someone
// else there. The rule holds whether the kernel enforces it or not, since a link read as
// text would sidestep the kernel's own check.
bool FollowTrustedLinks(const char* pszPath, std::string* pPath);
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
