// SPDX-License-Identifier: MIT
// A headless user of the whole program for long runs: sends character events, moves the
// fake clock and fires the timers whose period has passed as the message loop would,
// repaints and resizes, and counts how drills and runs end. It chooses nothing and checks
// nothing: what to do next comes from its caller (a seeded generator in the soak and the
// key storm, the fuzzer's bytes). Needs no test framework, so benchmarks and fuzz targets
// use it too.
#pragma once

#include <cstdint>
#include <iterator>
#include <map>

#include "flow/flow.h"
#include "platform/platform.h"
#include "random/random.h"

struct PlayStats {
  long nKeys = 0;            // character events sent
  long nTimerEvents = 0;     // timer events delivered
  long nPaints = 0;          // whole repaints asked for besides the ones keys cause
  long nResizes = 0;
  long nDrillEnds = 0;       // drills and runs taken from under way to their result
  long nPositionDrills = 0;  // finished with the 60th correct press
  long nRandomRuns = 0;      // finished by typing the text or by the time limit
  long nTimeouts = 0;        // random runs ended by the time limit
  long nCancels = 0;         // drills and runs cancelled with Escape
  long nHints = 0;           // hint timers that fired
  long nRecordVisits = 0;    // times the record screen was entered
  long nNewBests = 0;        // random runs that set a new best speed
};

class KeyPlayer {
 public:
  explicit KeyPlayer(CWnd& view) : m_view(view) {}

  // The key the drill on screen waits for, or 0 when no drill is under way.
  static int ExpectedKey() {
    if (g_nPhase != PHASE_RUNNING) return 0;
    if (IsPositionCode(g_nMode)) return (unsigned char)g_chTarget;
    if (IsRandomCode(g_nMode)) return (unsigned char)g_practiceText[g_nTextCol][g_nTextRow];
    return 0;
  }

  // One character event. A key sets the hint timer anew, so its wait starts over.
  void Key(int nChar) {
    const int nModeBefore = g_nMode, nPhaseBefore = g_nPhase;
    m_view.SendChar((UINT)nChar);
    ++m_stats.nKeys;
    for (auto it = m_waited.begin(); it != m_waited.end();)
      it = it->first == RANDOM_CLOCK_TIMER ? std::next(it) : m_waited.erase(it);
    NoteChange(nModeBefore, nPhaseBefore);
  }

  // The clock moves on by nMs; nothing fires.
  void Advance(int64_t nMs) {
    AdvanceFakeClock(nMs);
    std::map<UINT_PTR, int64_t> waited;
    for (UINT_PTR nId : m_view.ActiveTimers()) {
      auto it = m_waited.find(nId);
      waited[nId] = (it == m_waited.end() ? 0 : it->second) + nMs;
    }
    m_waited = waited;
  }

  // Every timer whose period has passed fires, as the loop would.
  void FireDue() {
    const std::map<UINT_PTR, int64_t> waited = m_waited;  // firing sets and kills timers
    for (const auto& [nId, nMs] : waited) {
      const UINT nPeriod = m_view.TimerPeriod(nId);
      if (nPeriod != 0 && nMs >= (int64_t)nPeriod) Fire(nId);
    }
  }

  void Wait(int64_t nMs) {
    Advance(nMs);
    FireDue();
  }

  // Timer nId fires now, due or not; nothing when it is not set.
  void Fire(UINT_PTR nId) {
    if (!m_view.HasTimer(nId)) return;
    const int nModeBefore = g_nMode, nPhaseBefore = g_nPhase;
    m_view.FireTimer(nId);
    ++m_stats.nTimerEvents;
    if (nId != RANDOM_CLOCK_TIMER) ++m_stats.nHints;
    m_waited.erase(nId);
    if (m_view.HasTimer(nId)) m_waited[nId] = 0;
    NoteChange(nModeBefore, nPhaseBefore);
  }

  // Presses the key the drill waits for, up to nCount times and nGapMs apart, with the
  // timers due in between firing; a blank with Enter when bEnterForBlanks. Stops when no
  // drill waits for a key.
  void TypeExpected(int nCount, int nGapMs, bool bEnterForBlanks) {
    for (int i = 0; i < nCount && ExpectedKey() != 0; ++i) {
      Wait(nGapMs);
      const int nKey = ExpectedKey();
      if (nKey == 0) return;
      Key(nKey == ' ' && bEnterForBlanks ? KEY_ENTER : nKey);
    }
  }

  void Paint() {
    m_view.Paint();
    ++m_stats.nPaints;
  }

  // A new client size, then the repaint that follows it.
  void Resize(int nWidth, int nHeight) {
    m_view.Resize(nWidth, nHeight);
    m_view.Paint();
    ++m_stats.nResizes;
  }

  CWnd& View() { return m_view; }
  const PlayStats& Stats() const { return m_stats; }

 private:
  void NoteChange(int nModeBefore, int nPhaseBefore) {
    if (g_nMode == MODE_RECORD && nModeBefore != MODE_RECORD) ++m_stats.nRecordVisits;
    if (nPhaseBefore != PHASE_RUNNING || g_nPhase != PHASE_RESULT || g_nMode != nModeBefore)
      return;
    ++m_stats.nDrillEnds;
    if (g_nFinishState == 0) {
      ++m_stats.nCancels;
    } else if (IsPositionCode(g_nMode)) {
      ++m_stats.nPositionDrills;
    } else if (IsRandomCode(g_nMode)) {
      ++m_stats.nRandomRuns;
      if (!g_bTextCompleted) ++m_stats.nTimeouts;
      if (g_nFinishState == 1 || g_nFinishState == 2) ++m_stats.nNewBests;
    }
  }

  CWnd& m_view;
  PlayStats m_stats;
  std::map<UINT_PTR, int64_t> m_waited;  // timer -> ms since it was set or last fired
};
