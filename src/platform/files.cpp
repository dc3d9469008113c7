// SPDX-License-Identifier: MIT
// Putting a file of the user's on the disk without losing what was there: links followed
// only as the kernel would, regular files only, a lock on the file's folder, backups that
// never replace a backup, and a rewrite that either completes or leaves the old file.
// Knows nothing of what the files hold; the record files, the settings and the practice
// database all go through it.
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
#include <vector>

#include "platform/files.h"

// How long a save waits for another numdril of the same folder to finish its own: one
// save takes milliseconds, so a lock held longer belongs to something else, and saving
// unlocked then beats not saving.
static const int LOCK_TRIES = 500;
static const long LOCK_RETRY_NS = 10 * 1000 * 1000;
// Backups name.bak, name.bak.1 ... up to this number.
static const int MAX_BACKUP_NUMBER = 99;
// Symbolic links followed, at most, to find the file a path names (the kernel's own limit).
static const int MAX_LINKS = 40;
// A temporary file's name: the file's own name, this, and mkstemp's six characters.
static const char TEMP_SUFFIX[] = ".tmp";

int OpenRegularFile(const char* pszPath, int nFlags, mode_t nMode) {
  // O_NONBLOCK: opening a FIFO must not wait for a writer or reader that never comes.
  // O_NOFOLLOW: a link put there since the caller followed the path is not followed now.
  int fd = open(pszPath, nFlags | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, nMode);
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

// Whether the kernel's fs.protected_symlinks rule lets the user running numdril follow the
// link lst in folder: anywhere but in a folder that is sticky and world-writable, and there
// a link of the user's own or of the folder's owner. The rule is kept whether the kernel
// enforces it or not, since a link read as text would sidestep the kernel's check.
static bool MayFollowLink(const struct stat& lst, const std::string& folder) {
  if (lst.st_uid == geteuid()) return true;
  struct stat dir;
  if (stat(folder.c_str(), &dir) != 0) return false;
  const mode_t nShared = S_ISVTX | S_IWOTH;
  return (dir.st_mode & nShared) != nShared || dir.st_uid == lst.st_uid;
}

// Pushes the parts of path onto pParts so that the first part comes off first.
static void PushParts(const std::string& path, std::vector<std::string>* pParts) {
  std::vector<std::string> parts;
  for (size_t nStart = 0; nStart <= path.size();) {
    size_t nSlash = path.find('/', nStart);
    if (nSlash == std::string::npos) nSlash = path.size();
    if (nSlash > nStart) parts.push_back(path.substr(nStart, nSlash - nStart));
    nStart = nSlash + 1;
  }
  pParts->insert(pParts->end(), parts.rbegin(), parts.rend());
}

// The path walked so far: no part of it is a link, so ".." takes off its last part.
struct WalkedPath {
  bool bAbsolute = false;
  std::string path;  // parts joined by '/', no leading slash

  std::string Text() const { return bAbsolute ? "/" + path : path.empty() ? "." : path; }
  std::string With(const std::string& name) const {
    return (bAbsolute ? "/" : "") + (path.empty() ? name : path + "/" + name);
  }
  void Add(const std::string& name) {
    const size_t nSlash = path.rfind('/');
    const std::string last = nSlash == std::string::npos ? path : path.substr(nSlash + 1);
    if (name != "..")
      path = path.empty() ? name : path + "/" + name;
    else if (!path.empty() && last != "..")
      path.erase(nSlash == std::string::npos ? 0 : nSlash);
    else if (!bAbsolute)
      path = path.empty() ? name : path + "/" + name;
  }
};

bool FollowTrustedLinks(const char* pszPath, std::string* pPath) {
  std::vector<std::string> parts;
  PushParts(pszPath, &parts);
  WalkedPath walked;
  walked.bAbsolute = pszPath[0] == '/';
  int nLinks = 0;
  bool bMissing = false;  // from a part that is not there on, the rest is only text
  while (!parts.empty()) {
    const std::string name = parts.back();
    parts.pop_back();
    if (name == ".") continue;
    struct stat lst;
    if (bMissing || name == ".." || nLinks == MAX_LINKS) {
      walked.Add(name);
      continue;
    }
    const std::string next = walked.With(name);
    const bool bThere = lstat(next.c_str(), &lst) == 0;
    if (!bThere || !S_ISLNK(lst.st_mode)) {
      bMissing = !bThere && errno == ENOENT;
      walked.Add(name);
      continue;
    }
    if (!MayFollowLink(lst, walked.Text())) {
      *pPath = next;
      return false;
    }
    char szTarget[PATH_MAX];
    const ssize_t n = readlink(next.c_str(), szTarget, sizeof szTarget - 1);
    if (n <= 0) {
      walked.Add(name);  // gone meanwhile: the open that follows finds out
      continue;
    }
    szTarget[n] = '\0';
    ++nLinks;
    if (szTarget[0] == '/') walked = WalkedPath{true, ""};
    PushParts(szTarget, &parts);
  }
  *pPath = walked.Text();
  return true;
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

// The n-th backup name of path: path.bak, then path.bak.1, path.bak.2 ...
static std::string BackupName(const std::string& path, int n) {
  std::string backup = path + ".bak";
  if (n > 0) backup.append(1, '.').append(std::to_string(n));
  return backup;
}

bool KeepBackup(const std::string& path, std::string* pBackup) {
  for (int n = 0; n <= MAX_BACKUP_NUMBER; ++n) {
    std::string backup = BackupName(path, n);
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
