// SPDX-License-Identifier: MIT
// The record files on the disk: which names are the record folder's own (never written over
// by anything else), whether the folder can take this run's saves, and one word on stderr
// for a record file that leads through a link planted by someone else. The file-system
// rules themselves are the platform's (platform/files.cpp).
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string>

#include "records/records_impl.h"

static const char* const RECORD_FILES[] = {RECORD_FILE, LOG_FILE, SPEED_FILE};

// The record files whose refused links have been said on stderr this run, by bit: record,
// log, speed history.
static unsigned s_nRefusalsSaid = 0;

void ResetSafeFileState() { s_nRefusalsSaid = 0; }

bool FindRecordFile(const char* pszName, std::string* pPath) {
  if (FollowTrustedLinks(pszName, pPath)) return true;
  unsigned nBit = 0;
  for (unsigned i = 0; i < std::size(RECORD_FILES); ++i)
    if (strcmp(pszName, RECORD_FILES[i]) == 0) nBit = 1u << i;
  if (s_nRefusalsSaid & nBit) return false;
  s_nRefusalsSaid |= nBit;
  if (*pPath == pszName)
    // TRANSLATORS: %s is a record file's name (numdril.rec, numdril.log or numdril.spd).
    fprintf(stderr, _("numdril: %s is a link that another user put in a shared folder; it is "
                      "not followed and nothing is saved through it\n"),
            pszName);
  else
    // TRANSLATORS: a record file's name, then the path of the link on its way.
    fprintf(stderr, _("numdril: %s leads through %s, a link that another user put in a shared "
                      "folder; it is not followed and nothing is saved through it\n"),
            pszName, pPath->c_str());
  return false;
}

static std::string NameOf(const std::string& path) {
  return path.substr(path.rfind('/') + 1);
}

// Whether name is base, base.bak or base.bak.N: the names KeepBackup gives.
static bool IsNameOrBackup(const std::string& name, const std::string& base) {
  if (name == base) return true;
  const std::string bak = base + ".bak";
  if (name.compare(0, bak.size(), bak) != 0) return false;
  if (name.size() == bak.size()) return true;
  return name.size() > bak.size() + 1 && name[bak.size()] == '.' &&
         name.find_first_not_of("0123456789", bak.size() + 1) == std::string::npos;
}

static bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

bool IsRecordFilePath(const char* pszPath) {
  std::string path;
  FollowTrustedLinks(pszPath, &path);  // a link not followed is itself what must be spared
  struct stat folder, here, st, recordSt, recordFolder;
  if (stat(FolderOf(path).c_str(), &folder) != 0) return false;  // nothing can be made there
  const bool bHere = stat(".", &here) == 0 && SameFile(folder, here);
  const bool bExists = stat(path.c_str(), &st) == 0;
  const std::string name = NameOf(path);
  for (const char* pszRecord : RECORD_FILES) {
    // The record's own name in the record folder, and the file it leads to, wherever that is.
    if (bHere && IsNameOrBackup(name, pszRecord)) return true;
    std::string record;
    FollowTrustedLinks(pszRecord, &record);
    if (stat(FolderOf(record).c_str(), &recordFolder) == 0 && SameFile(folder, recordFolder) &&
        IsNameOrBackup(name, NameOf(record)))
      return true;
    if (bExists && stat(record.c_str(), &recordSt) == 0 && SameFile(st, recordSt)) return true;
  }
  return false;
}

// Whether a save of the record file named pszName can go ahead as far as can be told now: a
// folder that takes a new file, or a regular file there to be written in place (for the
// record, one known by no other name, which a rewrite in place would change as well).
static bool CanSaveAt(const char* pszName, bool bInPlaceNeedsOneName) {
  std::string path;
  if (!FollowTrustedLinks(pszName, &path)) return false;
  if (access(FolderOf(path).c_str(), W_OK) == 0) return true;
  const int nErrno = errno;
  struct stat st;
  const bool bOk = stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                   access(path.c_str(), W_OK) == 0 &&
                   (!bInPlaceNeedsOneName || st.st_nlink == 1);
  errno = nErrno;
  return bOk;
}

bool CanSaveRecordsHere() {
  // Every run writes the log and the record at exit; the speed history only on a new best.
  return CanSaveAt(RECORD_FILE, true) && CanSaveAt(LOG_FILE, false);
}

