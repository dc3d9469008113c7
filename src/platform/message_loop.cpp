// SPDX-License-Identifier: MIT
// The one-thread message loop: SDL events become the main window's keys (with where and
// when each was pressed), paints and quits, and due window timers fire between them.
// Draws nothing itself.
#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <climits>

#include "platform/window_impl.h"

// Set by PostQuitMessage, a window close or a signal (SDL turns SIGTERM and SIGINT into
// SDL_QUIT; SIGHUP and SIGQUIT come through SIGTERM).
static bool s_bQuit = false;

bool NextTimerDue(const CWnd* pWnd, uint64_t* pDueMs) {
  const auto& timers = pWnd->m_pImpl->timers;
  if (timers.empty()) return false;
  uint64_t nDue = UINT64_MAX;
  for (const WndTimer& timer : timers) nDue = std::min(nDue, timer.nDueMs);
  *pDueMs = nDue;
  return true;
}

void FireDueTimers(CWnd* pWnd, uint64_t nNowMs) {
  auto& timers = pWnd->m_pImpl->timers;
  // The timers due now, earliest first (the first set wins a tie). Handlers may change
  // the table, so each is looked up again, by id and serial, before it fires.
  std::vector<WndTimer> due;
  for (const WndTimer& timer : timers)
    if (timer.nDueMs <= nNowMs) due.push_back(timer);
  std::stable_sort(due.begin(), due.end(),
                   [](const WndTimer& a, const WndTimer& b) { return a.nDueMs < b.nDueMs; });
  for (const WndTimer& fire : due) {
    if (s_bQuit) return;
    auto it = std::find_if(timers.begin(), timers.end(), [&](const WndTimer& t) {
      return t.nId == fire.nId && t.nSerial == fire.nSerial;
    });
    if (it == timers.end()) continue;  // killed or restarted by an earlier handler
    // Ticks missed while the program was busy are not made up, as with WM_TIMER; the
    // others keep to the timer's own rhythm instead of drifting with handler latency.
    uint64_t nPeriod = std::max(it->nPeriodMs, MIN_TIMER_PERIOD_MS);
    it->nDueMs += nPeriod;
    if (it->nDueMs <= nNowMs) it->nDueMs = nNowMs + nPeriod;
    // Scheduled before the handler runs: it may kill or restart its own timer.
    pWnd->FireTimer(fire.nId);
  }
}

bool QuitRequested() { return s_bQuit; }

void PostQuitMessage(int) { s_bQuit = true; }

// ---------------------------------------------------------------------------------------
// When keys were pressed
// ---------------------------------------------------------------------------------------

// The MonotonicMs of a key press the X server stamped nServerMs; 0 when the server's clock
// cannot be read. One reading serves a whole batch of events: those already queued were
// stamped before it, and one that came in later counts as pressed at the reading. Two
// readings may differ by a millisecond of rounding; a later key never comes out earlier.
static uint64_t PressTime(CWnd::Impl* p, uint32_t nServerMs) {
  KeyPressClock& clock = p->keyClock;
  if (clock.bUnreadable) return 0;
  if (!clock.bRead) {
    if (!ReadServerTime(p->pWindow, &clock.nServerNowMs)) {
      clock.bUnreadable = true;
      return 0;
    }
    clock.nReadAtMs = MonotonicMs();
    clock.bRead = true;
  }
  const uint64_t nPressMs = ServerTimeToMonotonic(nServerMs, clock.nServerNowMs, clock.nReadAtMs);
  clock.nLatestPressMs = std::max(clock.nLatestPressMs, nPressMs);
  return clock.nLatestPressMs;
}

// SDL passes each X event on before it makes its own of it, so a key press comes just
// ahead of its SDL_KEYDOWN. An input method may take the press instead, and a release
// ends the wait: a key SDL makes up (a dead key an input method filtered) counts as
// handled, never with another key's time.
static void NoteKeyEvent(CWnd::Impl* p, const SDL_SysWMmsg* pMessage) {
  KeyPressClock& clock = p->keyClock;
  uint32_t nServerMs = 0;
  const int nKind = XKeyEventTime(pMessage, &nServerMs);
  if (nKind == 0) return;
  clock.bPressPending = nKind > 0;
  if (nKind < 0) return;
  clock.nPendingServerMs = nServerMs;
  clock.bAnyPress = true;
  clock.nLastPressServerMs = nServerMs;
}

// The press of the key behind an SDL_KEYDOWN, which its text keeps too.
static uint64_t TakeKeyPress(CWnd::Impl* p) {
  KeyPressClock& clock = p->keyClock;
  clock.nKeyPressMs = clock.bPressPending ? PressTime(p, clock.nPendingServerMs) : 0;
  clock.bPressPending = false;
  return clock.nKeyPressMs;
}

// The press of the key behind a text: the key's own for its text, the last key pressed
// for an input method's commit (the key that committed it, as a rule).
static uint64_t TextPress(CWnd::Impl* p, const KeyResult& result) {
  const KeyPressClock& clock = p->keyClock;
  if (result.source != KeySource::kInputMethod) return clock.nKeyPressMs;
  return clock.bAnyPress ? PressTime(p, clock.nLastPressServerMs) : 0;
}

// ---------------------------------------------------------------------------------------
// Events
// ---------------------------------------------------------------------------------------

// Carries out what a key or text event means; its characters are handled with where
// they came from and when their key was pressed.
static void Deliver(CWnd* pWnd, const KeyResult& result, uint64_t nPressMs) {
  switch (result.action) {
    case KeyAction::kChars:
      SetCurrentKeyInfo(KEYINFO{result.source, nPressMs});
      for (unsigned char ch : result.chars) {
        if (s_bQuit) break;
        pWnd->SendChar(ch);
      }
      SetCurrentKeyInfo(KEYINFO{});
      break;
    case KeyAction::kRepaint: pWnd->Paint(); break;
    case KeyAction::kConsumed:
    case KeyAction::kNone: break;
  }
}

// The one place where SDL events become the program's events.
static void HandleEvent(CWnd* pWnd, const SDL_Event& event) {
  CWnd::Impl* p = pWnd->m_pImpl;
  switch (event.type) {
    case SDL_QUIT: s_bQuit = true; break;
    case SDL_WINDOWEVENT:
      switch (event.window.event) {
        case SDL_WINDOWEVENT_CLOSE: s_bQuit = true; break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: SyncClientSize(pWnd); break;
        case SDL_WINDOWEVENT_EXPOSED: p->bPaintPending = true; break;
        default: break;
      }
      break;
    case SDL_SYSWMEVENT: NoteKeyEvent(p, event.syswm.msg); break;
    case SDL_KEYDOWN: {
      const uint64_t nPressMs = TakeKeyPress(p);
      const SDL_Keysym& key = event.key.keysym;
      Deliver(pWnd, p->keys.KeyDown(key.scancode, key.sym, key.mod), nPressMs);
      break;
    }
    case SDL_KEYUP: p->keys.KeyUp(); break;
    case SDL_TEXTINPUT: {
      const KeyResult result = p->keys.TextInput(event.text.text);
      Deliver(pWnd, result, TextPress(p, result));
      break;
    }
    default: break;
  }
}

void RunMessageLoop(CWnd* pWnd) {
  // The X events behind the keys, for the time each key was pressed.
  SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
  // The new window's exposure is queued by now, as a rule: take it, and whatever came with
  // it, before the first paint, so that one paint shows the window instead of two. (Windows
  // too paints only once the queue is empty.)
  SDL_Event first;
  while (!s_bQuit && SDL_PollEvent(&first)) HandleEvent(pWnd, first);
  while (!s_bQuit) {
    if (pWnd->m_pImpl->bPaintPending) pWnd->Paint();
    SDL_Event event;
    int nGot;
    uint64_t nDueMs;
    if (NextTimerDue(pWnd, &nDueMs)) {
      uint64_t nNowMs = MonotonicMs();
      uint64_t nWaitMs = nDueMs > nNowMs ? nDueMs - nNowMs : 0;
      nGot = SDL_WaitEventTimeout(&event, (int)std::min<uint64_t>(nWaitMs, INT_MAX));
    } else {
      nGot = SDL_WaitEvent(&event);
      if (!nGot) {
        // The event queue itself failed: there is no way to go on.
        SDL_Log(_("numdril: waiting for events failed: %s"), SDL_GetError());
        s_bQuit = true;
      }
    }
    // A new batch of events: the server's clock is read again for its keys.
    pWnd->m_pImpl->keyClock.bRead = false;
    if (nGot) {
      HandleEvent(pWnd, event);
      // Take everything already queued before repainting, so a resize paints once.
      while (!s_bQuit && SDL_PollEvent(&event)) HandleEvent(pWnd, event);
    }
    if (!s_bQuit && pWnd->m_pImpl->bPaintPending) pWnd->Paint();
    if (!s_bQuit) FireDueTimers(pWnd, MonotonicMs());
  }
}
