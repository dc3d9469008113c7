// SPDX-License-Identifier: MIT
// Headless test session: a view of a chosen client size over a framebuffer, a clock the
// test moves, timers the test fires, and a temporary working directory for the files.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/app.h"
#include "platform/platform.h"

// 2026-12-07 10:00:00 UTC; tests run with TZ=UTC.
constexpr time64_t TEST_EPOCH = 1796637600;

class Session {
 public:
  // Resets every subsystem, sets the clock to TEST_EPOCH (+ nStartMs), moves into a fresh
  // temporary directory (removed again at the end), then constructs the view, which
  // reads numdril.rec from that directory. Files may be placed with WriteFile before
  // calling Start().
  explicit Session(int nWidth = 642, int nHeight = 402);
  ~Session();
  void Start();  // construct the view (LoadRecordsAtStart) and paint once

  CNumdrilView& View() { return *m_pView; }
  Framebuffer& Fb() { return m_pView->Surface(); }
  const std::string& Dir() const { return m_dir; }

  void Key(int nChar);                // one character event through the view
  void Keys(const std::string& text);  // each byte as a character event
  void Paint();                       // a whole repaint
  void Timer(UINT_PTR nID);           // fires a timer if it is set
  void Advance(int64_t nMs);          // moves the clock
  uint32_t Pixel(int x, int y) { return Fb().Pixel(x, y); }
  // Writes the screen to $NUMDRIL_TEST_PNG_DIR/<name>.png when that variable is set.
  void Snapshot(const std::string& name);

  static void WriteFile(const std::string& path, const std::string& bytes);
  static std::string ReadFile(const std::string& path);  // "" when missing

 private:
  std::string m_dir;
  std::string m_oldDir;
  int m_nWidth, m_nHeight;
  std::unique_ptr<CNumdrilView> m_pView;
};

// Makes a new folder of its own under $TMPDIR (or /tmp), its name starting with pszName,
// and returns its path; "" when it cannot be made. The caller removes it.
std::string MakeTempFolder(const char* pszName);
// numdril's own texts (messages, not the screens') in Japanese from here on, from the
// catalogue beside the test program, as --lang=ja chooses them, until the Session ends.
// Call it before AsNobody: the catalogue is read as the user who calls it.
void SpeakJapanese();
// Runs fn in a child process; true when fn met every expectation there.
bool InChild(const std::function<void()>& fn);
// The same as the user nobody when run as root (whom file modes do not stop); as the user
// running the test otherwise.
bool AsNobody(const std::function<void()>& fn);

// Counts the pixels of one colour (0xRRGGBB) in a rectangle [x0, x1) x [y0, y1).
int CountPixels(const Framebuffer& fb, int x0, int y0, int x1, int y1, uint32_t rgb);
// Whether the rectangle holds any pixel that is not white.
bool AnyInk(const Framebuffer& fb, int x0, int y0, int x1, int y1);
// Every pixel of the screen, row by row: a screen to compare with a later one.
std::vector<uint32_t> Pixels(const Framebuffer& fb);
