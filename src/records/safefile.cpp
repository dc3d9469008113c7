// SPDX-License-Identifier: MIT
// Putting the record files on the disk without losing what was there: regular files only,
// a lock on the record's folder, backups that never replace a backup, and a rewrite that
// either completes or leaves the old file. Knows nothing of what the files hold.
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>

#include "records/records.h"

// How long a save waits for another numdril of the same folder to finish its own: one
// save takes milliseconds, so a lock held longer belongs to something else, and saving
// unlocked then beats not saving.
static const int LOCK_TRIES = 500;
static const long LOCK_RETRY_NS = 10 * 1000 * 1000;
// Backups numdril.rec.bak, numdril.rec.bak.1 ... up to this number.
static const int MAX_BACKUP_NUMBER = 99;
// Symbolic links followed, at most, to find the file a record path names.
static const int MAX_LINK_DEPTH = 16;
// A temporary file's name: the file's own name, this, and mkstemp's six characters.
static const char TEMP_SUFFIX[] = ".tmp";

int OpenRegularFile(const char* pszPath, int nFlags, mode_t nMode) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer or reader that never comes.
  int fd = open(pszPath, nFlags | O_NONBLOCK | O_CLOEXEC, nMode);
  if (fd < 0) return -1;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return NOT_REGULAR_FILE;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool WriteAll(int fd, const char* pData, size_t nBytes, off_t nOffset) {
  while (nBytes > 0) {
    ssize_t n = nOffset < 0 ? write(fd, pData, nBytes) : pwrite(fd, pData, nBytes, nOffset);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    pData += n;
    nBytes -= (size_t)n;
    if (nOffset >= 0) nOffset += n;
  }
  return true;
}

std::string FolderOf(const std::string& path) {
  size_t nSlash = path.rfind('/');
  if (nSlash == std::string::npos) return ".";
  return nSlash == 0 ? "/" : path.substr(0, nSlash);
}

std::string FollowLinks(const char* pszPath) {
  std::string path = pszPath;
  for (int i = 0; i < MAX_LINK_DEPTH; ++i) {
    char szTarget[PATH_MAX];
    ssize_t n = readlink(path.c_str(), szTarget, sizeof szTarget - 1);
    if (n < 0) break;  // not a link (or gone): this is the file
    szTarget[n] = '\0';
    // A relative target is relative to the link's own folder.
    path = szTarget[0] == '/' ? std::string(szTarget) : FolderOf(path) + "/" + szTarget;
  }
  return path;
}

int LockFolder(const std::string& folder) {
  // A lock on the folder rather than on a lock file: it works where the folder takes no new
  // files, leaves nothing behind, and covers every name the save makes there.
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return -1;
  for (int i = 0; i < LOCK_TRIES; ++i) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
    if (errno != EWOULDBLOCK && errno != EINTR) break;  // a file system without locks
    struct timespec pause = {0, LOCK_RETRY_NS};
    nanosleep(&pause, nullptr);
  }
  close(fd);
  return -1;
}

void UnlockFolder(int fd) {
  if (fd >= 0) close(fd);  // closing releases the lock
}

// Whether two files hold the same bytes; false when either cannot be read.
static bool SameContents(const std::string& a, const std::string& b) {
  FILE* pA = fopen(a.c_str(), "rb");
  FILE* pB = pA ? fopen(b.c_str(), "rb") : nullptr;
  bool bSame = pA && pB;
  while (bSame) {
    char bufA[4096], bufB[4096];
    size_t nA = fread(bufA, 1, sizeof bufA, pA);
    size_t nB = fread(bufB, 1, sizeof bufB, pB);
    bSame = nA == nB && memcmp(bufA, bufB, nA) == 0 && !ferror(pA) && !ferror(pB);
    if (nA == 0) break;
  }
  if (pA) fclose(pA);
  if (pB) fclose(pB);
  return bSame;
}

static bool SyncFd(int fd) {
  // A file system that cannot sync at all is no failure of the save.
  return fsync(fd) == 0 || errno == EINVAL || errno == ENOTSUP;
}

static void SyncFolder(const std::string& folder) {
  int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);  // best effort: the rename has happened either way
  close(fd);
}

// Copies path into a new file named backup, which must not exist yet. EEXIST when it does.
static bool CopyInto(const std::string& path, const std::string& backup) {
  int fdIn = OpenRegularFile(path.c_str(), O_RDONLY);
  if (fdIn < 0) return false;
  struct stat st{};
  fstat(fdIn, &st);
  int fdOut = open(backup.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, st.st_mode & 07777);
  if (fdOut < 0) {
    int nError = errno;
    close(fdIn);
    errno = nError;
    return false;
  }
  char buffer[4096];
  ssize_t n;
  bool bOk = true;
  while (bOk && (n = read(fdIn, buffer, sizeof buffer)) != 0) {
    if (n < 0 && errno == EINTR) continue;
    bOk = n > 0 && WriteAll(fdOut, buffer, (size_t)n);
  }
  bOk = bOk && SyncFd(fdOut);
  close(fdIn);
  if (close(fdOut) != 0 || !bOk) {
    unlink(backup.c_str());
    errno = EIO;
    return false;
  }
  return true;
}

bool KeepBackup(const std::string& path, std::string* pBackup) {
  for (int n = 0; n <= MAX_BACKUP_NUMBER; ++n) {
    std::string backup = path + ".bak";
    if (n > 0) backup += "." + std::to_string(n);
    // A hard link costs nothing, since a replaced record is never changed again; a copy
    // serves where links are not to be had. Neither ever replaces an existing name.
    bool bMade = link(path.c_str(), backup.c_str()) == 0;
    if (!bMade && errno != EEXIST) bMade = CopyInto(path, backup);
    if (!bMade && errno != EEXIST) return false;
    // The same bytes kept before (an earlier start, another numdril) need no second copy.
    if (bMade || SameContents(path, backup)) {
      if (pBackup) *pBackup = backup;
      SyncFolder(FolderOf(path));
      return true;
    }
  }
  return false;
}

// Rewrites a file in place: where no new file can be made beside it, this is the only way
// left to save, at the price of a file cut short if the program dies halfway.
static bool RewriteInPlace(const std::string& path, const std::string& text) {
  int fd = OpenRegularFile(path.c_str(), O_WRONLY);
  if (fd < 0) return false;
  bool bOk = WriteAll(fd, text.data(), text.size(), 0) && ftruncate(fd, (off_t)text.size()) == 0 &&
             SyncFd(fd);
  return close(fd) == 0 && bOk;
}

static mode_t NewFileMode() {
  mode_t nMask = umask(0);
  umask(nMask);
  return 0666 & ~nMask;
}

void RemoveStaleTemporaries(const std::string& path) {
  const std::string folder = FolderOf(path);
  const std::string prefix = path.substr(path.rfind('/') + 1) + TEMP_SUFFIX;
  DIR* pDir = opendir(folder.c_str());
  if (!pDir) return;
  while (const dirent* pEntry = readdir(pDir)) {
    const std::string name = pEntry->d_name;
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0)
      unlink((folder + "/" + name).c_str());
  }
  closedir(pDir);
}

bool ReplaceFileContents(const std::string& path, const std::string& text,
                         const struct stat* pOld) {
  std::string temp = path + TEMP_SUFFIX + "XXXXXX";
  int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) {
    // A folder that refuses new files: a record that is there, writable and not also
    // known by another name (a backup's hard link) is rewritten where it is.
    return pOld && pOld->st_nlink == 1 && RewriteInPlace(path, text);
  }
  // The user's choice of mode for the record, not mkstemp's or the umask's.
  fchmod(fd, pOld ? (pOld->st_mode & 07777) : NewFileMode());
  bool bOk = WriteAll(fd, text.data(), text.size()) && SyncFd(fd);
  bOk = close(fd) == 0 && bOk;
  if (!bOk || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    return false;
  }
  SyncFolder(FolderOf(path));
  return true;
}
