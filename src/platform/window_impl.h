// SPDX-License-Identifier: MIT
// The inside of CWnd and the window's private calls, shared by the window class
// (window.cpp), its drawing (surface.cpp), the message loop (message_loop.cpp), video
// start-up (video.cpp), Xlib (xlib.cpp) and the run (app_run.cpp). Private to
// src/platform/ and its tests; nothing else includes it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/keymap.h"
#include "platform/platform.h"

struct SDL_Surface;
struct SDL_SysWMmsg;
struct SDL_Window;

// Windows never runs a timer faster than this; neither do we.
constexpr UINT MIN_TIMER_PERIOD_MS = 10;

// One window timer: it is due at nDueMs (MonotonicMs) and then every nPeriodMs.
struct WndTimer {
  UINT_PTR nId;
  UINT nPeriodMs;
  uint64_t nDueMs;
  uint64_t nSerial;  // new on every SetTimer, so a restart is told from the old timer
};

// What the message loop keeps to time keys by their presses: X stamps each key event with
// its own clock, which is read once per batch of events to put them on MonotonicMs.
struct KeyPressClock {
  bool bUnreadable = false;      // the server's clock cannot be read: keys count when handled
  bool bRead = false;            // read since the loop last waited for events
  uint32_t nServerNowMs = 0;     // that reading
  uint64_t nReadAtMs = 0;        // MonotonicMs just after it
  bool bPressPending = false;    // an X key press seen, its SDL_KEYDOWN still to come
  uint32_t nPendingServerMs = 0;
  bool bAnyPress = false;        // an X key press was seen; the last one was at:
  uint32_t nLastPressServerMs = 0;
  uint64_t nKeyPressMs = 0;      // press of the last SDL_KEYDOWN, for its own text; 0 unknown
  uint64_t nLatestPressMs = 0;   // the latest press time handed out
};

struct CWnd::Impl {
  Framebuffer fb;                  // the client area; persists between events; drawn
                                   // straight into the window surface where it can be
  SDL_Window* pWindow = nullptr;   // null while headless or destroyed
  bool bHeadless = false;
  std::string caption;             // CP932
  std::vector<WndTimer> timers;    // in the order they were set
  uint64_t nTimerSerial = 0;       // the serial of the last SetTimer
  KeyTranslator keys;
  bool bPaintPending = false;      // a resize or exposure asks for a whole repaint
  RECT rcComposition{0, 0, 0, 0};  // client pixels where the input method composes
  KeyPressClock keyClock;
};

// The window's size in screen units for a display whose usable area is nUsableW x
// nUsableH: about three quarters of it in the 8:5 shape of a 640 x 400 screen, and never
// smaller than 642 x 402.
void ChooseWindowSize(int nUsableW, int nUsableH, int* pWidth, int* pHeight);

// The earliest due time among a window's timers; false when it has none.
bool NextTimerDue(const CWnd* pWnd, uint64_t* pDueMs);
// Fires, in due order, every timer of a window that is due at nNowMs, and schedules each
// one for its next period. A timer that a handler sets or restarts meanwhile waits its
// full period. Stops early when the loop has been told to quit.
void FireDueTimers(CWnd* pWnd, uint64_t nNowMs);
// Opens SDL's video side once (hints first). Returns false, with SDL's reason in
// *pReason, when no display could be reached (and, unless SDL_VIDEODRIVER names one, when
// SDL could offer neither an X11 nor a Wayland display).
bool OpenVideo(std::string* pReason);
// Closes SDL's video side again.
void CloseVideo();
// Installs, once, Xlib handlers that forgive a BadWindow for one of SDL's late wakeups and
// leave through LeaveWithoutDisplay when the display connection is lost. Needs Xlib
// loaded already; without it, does nothing.
void ForgiveLateWakeups();

// The window surface, with the framebuffer moved onto it where it can be. After a resize
// SDL makes the surface anew on the first call here and frees the old one, so every draw
// that could follow a resize comes through here first; the framebuffer never touches
// freed memory. A move leaves it white and asks for a whole repaint. Null while headless.
SDL_Surface* WindowSurface(CWnd::Impl* p);
// Shows a rectangle of the framebuffer in the window; copied (and converted) first only
// where the framebuffer is not the surface itself.
void Present(CWnd::Impl* p, RECT rc);
// Shows what was drawn since the last call.
void PresentDirty(CWnd::Impl* p);
// Brings the framebuffer to the size of the window's drawable area (pixels, so HiDPI
// displays get every pixel), or of what the displays together can show where the window
// is larger, and asks for a whole repaint.
void SyncClientSize(CWnd* pWnd);
// Runs the message loop for the main window until QuitRequested().
void RunMessageLoop(CWnd* pWnd);
// The MonotonicMs at which a key stamped nEventMs by the display server was pressed,
// given that the server's clock read nServerNowMs when MonotonicMs read nNowMs: as long
// before nNowMs as the server says it came before its reading. Only the server's own
// clock measures the gap, so neither the offset between the clocks nor the latency of
// the reading (a server on another machine) matters. Never later than nNowMs, never 0.
uint64_t ServerTimeToMonotonic(uint32_t nEventMs, uint32_t nServerNowMs, uint64_t nNowMs);
// The X server's clock now (milliseconds, as it stamps events), read through the SYNC
// extension's SERVERTIME counter on the window's connection: one round trip. False where
// there is none to read (not X11, no SYNC extension, Xlib not loaded).
bool ReadServerTime(SDL_Window* pWindow, uint32_t* pServerMs);
// Whether an event SDL passed on from the window system (SDL_SYSWMEVENT) is an X key
// press or release, and its server time. Events another program sent (XSendEvent) and
// untimed ones do not count. Returns +1 for a press, -1 for a release, 0 otherwise.
int XKeyEventTime(const SDL_SysWMmsg* pMessage, uint32_t* pServerMs);

// Ends the process at once after the display connection was lost: the application's
// ExitWithoutDisplay saves what it can (once the main window exists), and its result is
// the exit code. Never returns.
[[noreturn]] void LeaveWithoutDisplay();
