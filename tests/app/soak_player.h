// SPDX-License-Identifier: MIT
// The soak's user: plays keys into the program the way a person practising for days would,
// across every screen (title, menu, both drills to their end, cancels, timeouts, hints, the
// record screen), and checks the files saved at the end. Shared by the soak test and the
// soak benchmark.
#pragma once

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "../support/key_player.h"
#include "app/app.h"
#include "flow/flow.h"
#include "platform/platform.h"
#include "random/random.h"
#include "records/records.h"

// Resident memory of this process in bytes, from /proc/self/statm.
inline long ResidentBytes() {
  long nPages = 0, nResident = 0;
  FILE* pFile = fopen("/proc/self/statm", "r");
  if (!pFile) return -1;
  if (fscanf(pFile, "%ld %ld", &nPages, &nResident) != 2) nResident = -1;
  fclose(pFile);
  return nResident < 0 ? -1 : nResident * sysconf(_SC_PAGESIZE);
}

// A person practising for days, as a policy over the shared key player: chooses every key,
// pause, repaint and resize from a seeded generator, so a run is the same every time.
class SoakPlayer {
 public:
  SoakPlayer(CWnd& view, uint32_t nSeed) : m_player(view), m_random(nSeed) {}

  // Plays until nKeys more character events have been sent.
  void Play(long nKeys) {
    const long nEnd = Stats().nKeys + nKeys;
    while (Stats().nKeys < nEnd) Step();
  }

  // Plays nKeysPerSize keys at every window size the player uses, so that every screen has
  // been drawn at every size (and every cache of sized glyphs has what it keeps) before
  // memory is measured. Ends at the usual 642 x 402.
  void WarmUp(long nKeysPerSize) {
    for (const auto& size : SIZES) {
      SetSize(size[0], size[1]);
      Play(nKeysPerSize);
    }
    SetSize(642, 402);
  }

  const PlayStats& Stats() const { return m_player.Stats(); }

 private:
  // Window sizes a user drags between; a few, so that caches of sized fonts settle.
  static constexpr int SIZES[][2] = {
      {642, 402}, {800, 500}, {1284, 804}, {322, 202}, {963, 603}};

  bool Chance(double p) { return std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < p; }
  int Between(int nLow, int nHigh) {
    return std::uniform_int_distribution<int>(nLow, nHigh)(m_random);
  }
  void Key(int nChar) { m_player.Key(nChar); }
  // A size set up before the play, not counted as the user's resize.
  void SetSize(int nWidth, int nHeight) {
    m_player.View().Resize(nWidth, nHeight);
    m_player.View().Paint();
  }
  void Wait(int nMs) { m_player.Wait(nMs); }

  void Step() {
    if (Chance(1.0 / 1500)) m_player.Paint();
    if (Chance(1.0 / 8000)) {
      const auto& size = SIZES[Between(0, 4)];
      m_player.Resize(size[0], size[1]);
    }
    if (g_nMode == MODE_TITLE) {
      Key(Chance(0.5) ? ' ' : '0' + Between(0, 9));
    } else if (g_nMode == MODE_MENU) {
      const double r = std::uniform_real_distribution<double>(0.0, 1.0)(m_random);
      if (r < 0.40) {
        Key('1');
      } else if (r < 0.85) {
        Key('2');
        m_nTypistMs = Between(70, 170);  // a new run, a new pace
      } else if (r < 0.95) {
        Key('3');
      } else {
        Key(Chance(0.5) ? '9' : KEY_ESCAPE);  // names nothing
      }
    } else if (g_nMode == MODE_RECORD) {
      Key(Chance(0.9) ? KEY_ESCAPE : '5');
      Wait(Between(200, 3000));
    } else if (IsPositionCode(g_nMode)) {
      StepPosition();
    } else if (IsRandomCode(g_nMode)) {
      StepRandom();
    } else {
      Key(KEY_ESCAPE);  // nothing else is reachable; never leave through "Exit"
    }
  }

  void StepPosition() {
    if (g_nPhase == PHASE_RESULT) {
      Wait(Between(300, 1500));
      Key(Chance(0.05) ? ' ' : Chance(0.65) ? KEY_TAB : KEY_ESCAPE);
      return;
    }
    if (Chance(0.02)) {
      Key(' ');  // the guide shown or hidden
    } else if (Chance(0.003)) {
      Key(KEY_ESCAPE);
    } else if (Chance(0.02)) {
      Wait(Between(2000, 3500));  // a hesitation long enough for the hint
    } else if (Chance(0.06)) {
      Wait(Between(150, 600));
      Key(KeyPlayer::ExpectedKey() == '5' ? '6' : '5');
    } else {
      Wait(Between(150, 600));
      // The same key top typed in full width now and then (０ is 0x82 0x4F).
      const int nKey = KeyPlayer::ExpectedKey();
      if (nKey >= '0' && nKey <= '9' && Chance(0.03)) {
        Key(0x82);
        Key(0x4F + nKey - '0');
      } else {
        Key(nKey);
      }
    }
  }

  void StepRandom() {
    if (g_nPhase == PHASE_RESULT) {
      Wait(Between(300, 1500));
      Key(Chance(0.6) ? KEY_TAB : KEY_ESCAPE);
      m_nTypistMs = Between(70, 170);
      return;
    }
    if (Chance(0.002)) {
      Key(KEY_ESCAPE);
    } else if (Chance(0.0008) && g_bTimingStarted) {
      // Stops typing: the clock runs out.
      for (int i = 0; i < 70 && g_nPhase == PHASE_RUNNING; ++i) Wait(1000);
    } else if (Chance(0.05)) {
      Wait(m_nTypistMs);
      Key(KeyPlayer::ExpectedKey() == '3' ? '4' : '3');
    } else {
      Wait(Between(m_nTypistMs / 2, m_nTypistMs * 3 / 2));
      const int nKey = KeyPlayer::ExpectedKey();
      Key(nKey == ' ' && Chance(0.5) ? KEY_ENTER : nKey);
    }
  }

  KeyPlayer m_player;
  std::mt19937 m_random;
  int m_nTypistMs = 120;
};

// Counts the lines of a text.
inline size_t SoakCountLines(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

inline std::string SoakReadFile(const char* pszPath) {
  std::string bytes;
  FILE* pFile = fopen(pszPath, "rb");
  if (!pFile) return bytes;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pFile)) > 0) bytes.append(buffer, n);
  fclose(pFile);
  return bytes;
}

// Runs the exit-time save and checks the three files in the working directory: the
// record reads back whole with the values the program held, the log has the run's one
// line, and the speed history one well-formed line per new best. Returns "" when all is
// well, else what is wrong.
inline std::string SaveAndCheckFiles(long nNewBests) {
  // The save closes out a drill still on screen first; the values it wrote are these.
  if (SaveAtExit() != 0) return "a file could not be saved";
  const int nPosition = g_nPositionSeconds;
  const int nRandom = g_nRandomSeconds[0][0];
  const double dBest = g_dBestSpeed[0][0];
  char szDate[9];
  memcpy(szDate, g_szBestDate[0][0], sizeof szDate);
  const int nPast = (int)(g_tEnd - g_tStart);

  FILE* pFile = fopen("numdril.rec", "r");
  if (!pFile) return "no numdril.rec";
  ResetRecordState();
  const int bWhole = ReadRecordFile(pFile);
  fclose(pFile);
  if (!bWhole) return "numdril.rec does not read back whole";
  if (g_nPastSeconds != nPast || g_nPositionSeconds != nPosition ||
      g_nRandomSeconds[0][0] != nRandom || std::fabs(g_dBestSpeed[0][0] - dBest) > 0.05 + 1e-9 ||
      memcmp(g_szBestDate[0][0], szDate, 8) != 0)
    return "numdril.rec holds other values than the program had";

  const std::string log = SoakReadFile("numdril.log");
  if (SoakCountLines(log) != 1 || log.back() != '\n') return "numdril.log is not one line";

  const std::string speeds = SoakReadFile("numdril.spd");
  if ((long)SoakCountLines(speeds) != nNewBests)
    return "numdril.spd has " + std::to_string(SoakCountLines(speeds)) + " lines for " +
           std::to_string(nNewBests) + " new best speeds";
  // "YY/MM/DD HH:MM:SS " + title in 34 columns + " %5.1f" + " %5dhour%2dmin%2dsec"
  size_t nStart = 0;
  double dLast = 0.0;
  while (nStart < speeds.size()) {
    const size_t nEnd = speeds.find('\n', nStart);
    const std::string line = speeds.substr(nStart, nEnd - nStart);
    double dSpeed = -1.0;
    int nHours = -1, nMinutes = -1, nSeconds = -1, nUsed = 0;
    if (line.size() < 53 || line[2] != '/' || line[5] != '/' || line[11] != ':' ||
        line.compare(18, 15, "Random Practice") != 0 ||
        sscanf(line.c_str() + 52, " %lf %dhour%dmin%dsec%n", &dSpeed, &nHours, &nMinutes,
               &nSeconds, &nUsed) != 4 ||
        nUsed != (int)line.size() - 52 || dSpeed < dLast || nMinutes > 59 || nSeconds > 59)
      return "numdril.spd line not well formed or falling: '" + line + "'";
    dLast = dSpeed;
    nStart = nEnd + 1;
  }
  return "";
}
