// SPDX-License-Identifier: MIT
// Helpers for the record tests: record file texts built column by column, reading a
// record file back, and finding what the screen printed in the drawing log.
#pragma once

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "records/records.h"
#include "screen/screen.h"
#include "support/session.h"

// Left-justifies text in n columns.
inline std::string Pad(const std::string& text, size_t n) {
  return text.size() >= n ? text : text + std::string(n - text.size(), ' ');
}

// One record file as written: line 1, the position line and the random practice line.
// Times are given as the writer's fields (hours right-justified in 5, minutes and seconds
// in 2), speed as its 7-column text and the date as its 8 bytes.
inline std::string RecordText(const std::string& total, const std::string& position,
                              const std::string& speed, const std::string& date,
                              const std::string& random) {
  return "Total_Practice_Time" + total + "\n" + Pad("Position_Practice", 50) + " " +
         position + "\n" + Pad("Random_Practice", 34) + speed + " " + date + " " + random +
         "\n";
}

// Reads numdril.rec (or another file) with ReadRecordFile into the record values.
inline int ReadBack(const char* pszPath = "numdril.rec") {
  FILE* pFile = fopen(pszPath, "r");
  if (!pFile) return -1;
  int nResult = ReadRecordFile(pFile);
  fclose(pFile);
  return nResult;
}

inline bool Exists(const char* pszPath) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::symlink_status(pszPath, ec));
}

// The names in the working folder (or another), to find files a save left behind.
inline std::set<std::string> FolderNames(const std::string& folder = ".") {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.insert(entry.path().filename().string());
  return names;
}

// While it lives, no file can grow past nBytes (a disk that is full, as far as the program
// can tell): writes past it fail part-way, with SIGXFSZ ignored, as the program ignores it.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t nBytes) {
    getrlimit(RLIMIT_FSIZE, &m_old);
    m_pfnOld = signal(SIGXFSZ, SIG_IGN);
    rlimit limit = m_old;
    limit.rlim_cur = nBytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &m_old);
    signal(SIGXFSZ, m_pfnOld);
  }

 private:
  rlimit m_old{};
  sighandler_t m_pfnOld;
};

// The drawing calls PrintAt makes for text at virtual (y, x) in colour cr on white.
inline std::vector<DrawCall> PrintCalls(int nWidth, int nHeight, int y, int x,
                                        const std::string& text, COLORREF cr) {
  Framebuffer ref(nWidth, nHeight);
  ref.EnableLog(true);
  CDC dc(&ref);
  SetColors(&dc, cr, CR_WHITE);
  PrintAt(&dc, y, x, text.c_str());
  return ref.Log();
}

// Whether the drawing log holds exactly those calls, one after the other.
inline bool Printed(Framebuffer& fb, int y, int x, const std::string& text, COLORREF cr) {
  std::vector<DrawCall> want = PrintCalls(fb.Width(), fb.Height(), y, x, text, cr);
  const std::vector<DrawCall>& log = fb.Log();
  auto same = [](const DrawCall& a, const DrawCall& b) {
    return a.op == b.op && a.rc.left == b.rc.left && a.rc.top == b.rc.top &&
           a.rc.right == b.rc.right && a.rc.bottom == b.rc.bottom && a.crText == b.crText &&
           a.crBack == b.crBack && a.text == b.text && a.nFontHeight == b.nFontHeight;
  };
  for (size_t i = 0; i + want.size() <= log.size(); ++i) {
    size_t k = 0;
    while (k < want.size() && same(log[i + k], want[k])) ++k;
    if (k == want.size()) return true;
  }
  return false;
}
