// SPDX-License-Identifier: MIT
// Shared pieces of the libFuzzer targets: a private working folder for the program's files,
// a reader of the fuzzer's bytes, and a loud failure. Not a test framework.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>

// Any broken invariant ends the run as a crash, so libFuzzer keeps the input.
[[noreturn]] inline void FuzzFail(const char* pszFormat, ...) {
  va_list args;
  va_start(args, pszFormat);
  fprintf(stderr, "numdril fuzz invariant broken: ");
  vfprintf(stderr, pszFormat, args);
  fprintf(stderr, "\n");
  va_end(args);
  abort();
}

// A private folder under $TMPDIR (or /tmp), made on first use and removed when the process
// ends, that is the working directory while one input runs: the program keeps its files
// in the working directory, and libFuzzer must find the user's folder again between
// inputs (relative corpus paths, crash files).
class ScratchFolder {
 public:
  explicit ScratchFolder(const char* pszName) {
    static std::string s_dir;
    if (s_dir.empty()) {
      const char* pszTmp = getenv("TMPDIR");
      std::string tmpl =
          std::string(pszTmp && *pszTmp ? pszTmp : "/tmp") + "/" + pszName + "-XXXXXX";
      if (!mkdtemp(tmpl.data())) FuzzFail("cannot make a scratch folder %s", tmpl.c_str());
      s_dir = tmpl;
      atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(s_dir, ec);
      });
      // Dates and times of the files are taken in UTC, whatever the machine says.
      setenv("TZ", "UTC", 1);
      tzset();
    }
    m_nOldDir = open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_nOldDir < 0 || chdir(s_dir.c_str()) != 0) FuzzFail("cannot enter %s", s_dir.c_str());
  }
  ~ScratchFolder() {
    if (fchdir(m_nOldDir) != 0) FuzzFail("cannot go back to the starting folder");
    close(m_nOldDir);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

 private:
  int m_nOldDir = -1;
};

// Names in the working directory, "." and ".." left out.
inline std::set<std::string> ListWorkingFolder() {
  std::set<std::string> names;
  DIR* pDir = opendir(".");
  if (!pDir) FuzzFail("cannot list the working folder");
  while (dirent* pEntry = readdir(pDir)) {
    std::string name = pEntry->d_name;
    if (name != "." && name != "..") names.insert(name);
  }
  closedir(pDir);
  return names;
}

// Empties the working directory between inputs.
inline void ClearWorkingFolder() {
  for (const std::string& name : ListWorkingFolder()) {
    std::error_code ec;
    std::filesystem::remove_all(name, ec);
  }
}

inline void WriteWholeFile(const char* pszPath, const void* pData, size_t nSize) {
  FILE* pFile = fopen(pszPath, "wb");
  if (!pFile) FuzzFail("cannot write %s", pszPath);
  if (nSize && fwrite(pData, 1, nSize, pFile) != nSize) FuzzFail("short write of %s", pszPath);
  fclose(pFile);
}

inline std::string ReadWholeFile(const char* pszPath) {
  std::string bytes;
  FILE* pFile = fopen(pszPath, "rb");
  if (!pFile) return bytes;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pFile)) > 0) bytes.append(buffer, n);
  fclose(pFile);
  return bytes;
}

// Keeps standard error quiet while it lives: the program's start-up names a damaged record
// there, which most fuzz inputs are.
class QuietStderr {
 public:
  QuietStderr() : m_nSaved(dup(2)) {
    int fdNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (fdNull >= 0) {
      dup2(fdNull, 2);
      close(fdNull);
    }
  }
  ~QuietStderr() {
    if (m_nSaved >= 0) {
      dup2(m_nSaved, 2);
      close(m_nSaved);
    }
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int m_nSaved;
};

// Reads the fuzzer's bytes front to back; past the end every read gives 0.
class ByteReader {
 public:
  ByteReader(const uint8_t* pData, size_t nSize) : m_p(pData), m_nLeft(nSize) {}
  bool Empty() const { return m_nLeft == 0; }
  size_t Left() const { return m_nLeft; }
  const uint8_t* Rest() const { return m_p; }
  uint8_t Byte() {
    if (m_nLeft == 0) return 0;
    --m_nLeft;
    return *m_p++;
  }
  uint16_t Word() {
    uint16_t nHigh = Byte();
    return (uint16_t)(nHigh << 8 | Byte());
  }

 private:
  const uint8_t* m_p;
  size_t m_nLeft;
};
