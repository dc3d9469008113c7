// SPDX-License-Identifier: MIT
// The window: a client-area framebuffer shown in an SDL2 window (or kept headless for
// tests), its timers, and the one-thread message loop that feeds it keys, paints and
// timer ticks. Knows nothing of what is drawn.
#include <SDL.h>
#include <X11/Xlib.h>
#include <dlfcn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/icon.h"
#include "platform/window_impl.h"

// Set by PostQuitMessage, a window close or a signal (SDL turns SIGTERM and SIGINT into
// SDL_QUIT; SIGHUP and SIGQUIT come through SIGTERM).
static bool s_bQuit = false;
static bool s_bVideoOpen = false;

// Windows never runs a timer faster than this; neither do we.
static const UINT MIN_TIMER_PERIOD_MS = 10;

// ---------------------------------------------------------------------------------------
// Presenting
// ---------------------------------------------------------------------------------------

// Whether the framebuffer can live in the window surface itself: pixels laid out as ours
// (32 bits, 0x00RRGGBB), rows a whole number of pixels apart, no locking. That is what an
// X server of depth 24 gives; anything else is drawn apart and converted when presented.
static bool CanDrawInto(const SDL_Surface* pSurface) {
  return pSurface->format->format == SDL_PIXELFORMAT_RGB888 && !SDL_MUSTLOCK(pSurface) &&
         pSurface->pixels != nullptr && pSurface->pitch % 4 == 0 && pSurface->w > 0 &&
         pSurface->h > 0;
}

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23  // Linux 5.14; older kernels answer EINVAL
#endif

// A new window surface is fresh shared memory, and every page of it faults on its first
// touch, one by one: on a virtual machine that costs about as much as drawing the whole
// frame several times over (a 4K window holds some 4,000 pages). Taking them all in one
// call is far cheaper. A kernel without the call leaves them to fault as they are drawn.
static void PrefaultSurface(const SDL_Surface* pSurface) {
  const uintptr_t nPage = (uintptr_t)sysconf(_SC_PAGESIZE);
  const uintptr_t nStart = (uintptr_t)pSurface->pixels & ~(nPage - 1);
  const uintptr_t nEnd = (uintptr_t)pSurface->pixels + (size_t)pSurface->pitch * pSurface->h;
  madvise((void*)nStart, nEnd - nStart, MADV_POPULATE_WRITE);
}

// The window surface, with the framebuffer moved onto it where it can be. After a resize
// SDL makes the surface anew on the first call here and frees the old one, so every draw
// that could follow a resize comes through here first; the framebuffer never touches
// freed memory. A move leaves it white and asks for a whole repaint.
static SDL_Surface* WindowSurface(CWnd::Impl* p) {
  if (!p->pWindow) return nullptr;
  SDL_Surface* pSurface = SDL_GetWindowSurface(p->pWindow);
  if (pSurface && CanDrawInto(pSurface)) {
    if (!p->fb.IsAttachedTo(pSurface->pixels)) {
      PrefaultSurface(pSurface);
      p->fb.Attach((uint32_t*)pSurface->pixels, pSurface->w, pSurface->h, pSurface->pitch / 4);
      p->bPaintPending = true;
    }
  } else if (p->fb.IsAttached()) {
    // Whatever it was attached to is gone with the old surface: start over on our own.
    int nWidth = pSurface ? pSurface->w : p->fb.Width();
    int nHeight = pSurface ? pSurface->h : p->fb.Height();
    p->fb.Resize(nWidth, nHeight);
    p->bPaintPending = true;
  }
  return pSurface;
}

// Shows a rectangle of the framebuffer in the window; copied (and converted) first only
// where the framebuffer is not the surface itself.
static void Present(CWnd::Impl* p, RECT rc) {
  SDL_Surface* pSurface = WindowSurface(p);
  if (!pSurface) return;
  // A resize not yet handled may leave the two sizes apart for a moment.
  int nRight = std::min({(int)rc.right, p->fb.Width(), pSurface->w});
  int nBottom = std::min({(int)rc.bottom, p->fb.Height(), pSurface->h});
  int nLeft = std::max((int)rc.left, 0);
  int nTop = std::max((int)rc.top, 0);
  if (nLeft >= nRight || nTop >= nBottom) return;
  if (!p->fb.IsAttachedTo(pSurface->pixels)) {
    if (SDL_MUSTLOCK(pSurface) && SDL_LockSurface(pSurface) != 0) return;
    int nBytesPerPixel = pSurface->format->BytesPerPixel;
    SDL_ConvertPixels(nRight - nLeft, nBottom - nTop, SDL_PIXELFORMAT_RGB888,
                      p->fb.Row(nTop) + nLeft, p->fb.Pitch() * 4, pSurface->format->format,
                      (Uint8*)pSurface->pixels + (size_t)nTop * pSurface->pitch +
                          (size_t)nLeft * nBytesPerPixel,
                      pSurface->pitch);
    if (SDL_MUSTLOCK(pSurface)) SDL_UnlockSurface(pSurface);
  }
  SDL_Rect r{nLeft, nTop, nRight - nLeft, nBottom - nTop};
  SDL_UpdateWindowSurfaceRects(p->pWindow, &r, 1);
}

static void PresentDirty(CWnd::Impl* p) { Present(p, p->fb.TakeDirty()); }

// ---------------------------------------------------------------------------------------
// CWnd
// ---------------------------------------------------------------------------------------

CWnd::CWnd() : m_pImpl(new Impl) {}

CWnd::~CWnd() {
  DestroyWindow();
  delete m_pImpl;
}

// SDL wakes its own event wait by sending the window an event over a second X
// connection. A wakeup that the server gets to only after the window was destroyed is
// answered with BadWindow, and Xlib's default handler turns that into exit code 1 when
// SDL closes the connection: after the records were saved, yet as a failure. That error
// is harmless; every other error goes on to the handler that was there before.
static XErrorHandler s_pfnPreviousXErrorHandler = nullptr;
static const unsigned char X_REQUEST_SEND_EVENT = 25;  // X_SendEvent of <X11/Xproto.h>

static int OnXError(Display* pDisplay, XErrorEvent* pError) {
  if (pError->error_code == BadWindow && pError->request_code == X_REQUEST_SEND_EVENT) return 0;
  return s_pfnPreviousXErrorHandler ? s_pfnPreviousXErrorHandler(pDisplay, pError) : 0;
}

// The connection to the X server is gone (the session ended, the server died). Xlib ends
// the process once this returns, and nothing may talk to the display any more: the saving
// runs without it, and the process ends here.
static int OnXConnectionLost(Display*) {
  LeaveWithoutDisplay();
  return 0;  // not reached
}

// Installed before SDL_Init on purpose: SDL puts back the handler it found when it shuts
// down, which is before it closes that connection. Takes Xlib only if it is loaded
// already (SDL links it), so nothing here ties the program to X11.
static void ForgiveLateWakeups() {
  static bool s_bInstalled = false;  // once: a second time would chain to itself
  if (s_bInstalled) return;
  s_bInstalled = true;
  void* pXlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
  if (!pXlib) return;
  auto pfnSetErrorHandler = (XErrorHandler(*)(XErrorHandler))dlsym(pXlib, "XSetErrorHandler");
  if (pfnSetErrorHandler) s_pfnPreviousXErrorHandler = pfnSetErrorHandler(OnXError);
  auto pfnSetIOErrorHandler =
      (XIOErrorHandler(*)(XIOErrorHandler))dlsym(pXlib, "XSetIOErrorHandler");
  if (pfnSetIOErrorHandler) pfnSetIOErrorHandler(OnXConnectionLost);
  dlclose(pXlib);
}

#ifndef NUMDRIL_APP_ID
#define NUMDRIL_APP_ID "numdril"
#endif

// Docks and task bars match a window to its menu entry by the window's class (X11's
// WM_CLASS, Wayland's app_id), which SDL 2 reads from these variables when it starts and
// otherwise takes from the program's file name. A class the user set stays.
static void NameWindowClass() {
  setenv("SDL_VIDEO_X11_WMCLASS", NUMDRIL_APP_ID, 0);
  setenv("SDL_VIDEO_WAYLAND_WMCLASS", NUMDRIL_APP_ID, 0);
}

// SDL falls back to drivers that show nothing (offscreen, dummy) or take over the console
// when no X or Wayland display answers. Unless the user asked for a driver, only a window
// on a desktop counts: practice nobody sees must not be logged as practice.
static bool IsDesktopDriver(std::string* pReason) {
  const char* pszChosen = getenv("SDL_VIDEODRIVER");
  if (pszChosen && *pszChosen) return true;
  const char* pszDriver = SDL_GetCurrentVideoDriver();
  if (pszDriver && (strcmp(pszDriver, "x11") == 0 || strcmp(pszDriver, "wayland") == 0))
    return true;
  if (pReason) *pReason = std::string("no X11 or Wayland display answered; SDL offered its ") +
                          (pszDriver ? pszDriver : "unknown") + " driver";
  return false;
}

// SDL connects to the session bus as it starts (for its screensaver and input method
// calls). Where the session has none, the bus library would start a bus daemon of its
// own, through dbus-launch, for SDL alone: tens of milliseconds before the window shows,
// and a daemon left behind. The library's own search: the address in the environment,
// else the user's bus socket in XDG_RUNTIME_DIR. A named input method may use a bus, so
// it is left to have one.
static bool WouldLaunchSessionBus() {
  // Set at all, even empty, it is the user's to keep: only an unset one is put in and taken out.
  if (getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr) return false;
  const char* pszRuntime = getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (pszRuntime && *pszRuntime && stat((std::string(pszRuntime) + "/bus").c_str(), &st) == 0 &&
      S_ISSOCK(st.st_mode))
    return false;
  const char* pszModule = getenv("SDL_IM_MODULE");
  const char* pszModifiers = getenv("XMODIFIERS");
  return !(pszModule && *pszModule) && !(pszModifiers && strstr(pszModifiers, "@im="));
}

bool OpenVideo(std::string* pReason) {
  if (s_bVideoOpen) return true;
  ForgiveLateWakeups();
  NameWindowClass();
  // Without this SDL backs the window surface with an OpenGL renderer, loading Mesa and
  // LLVM: ten times the memory for no gain in a window drawn in software.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // An input method (fcitx or IBus over D-Bus) draws what is being composed, and its
  // candidates, in a window of its own at the composition rectangle; the program draws
  // only what it commits. Read when SDL makes its input context, so it must come first.
  SDL_SetHint(SDL_HINT_IME_INTERNAL_EDITING, "1");
  // A trainer does not keep the screen from blanking, as a video player would; nor does
  // it ask the session bus to, which SDL would do at start otherwise.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // Xlib's own input method reads the locale's whole Compose table (thousands of lines)
  // when SDL opens it: most of SDL's start-up. Compose sequences make accented letters and
  // symbols, none of which the program takes (every key it uses is a plain one), so unless
  // the user names a table of their own it reads an empty one. An input method server
  // (for Japanese) is not affected. Put back at once, so no later process inherits it.
  const bool bQuietCompose = getenv("XCOMPOSEFILE") == nullptr;
  if (bQuietCompose) setenv("XCOMPOSEFILE", "/dev/null", 0);
  // An address the bus library turns down at once: SDL then goes on without the bus.
  const bool bNoBus = WouldLaunchSessionBus();
  if (bNoBus) setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
  const int nInit = SDL_Init(SDL_INIT_VIDEO);
  if (bQuietCompose) unsetenv("XCOMPOSEFILE");
  if (bNoBus) unsetenv("DBUS_SESSION_BUS_ADDRESS");
  if (nInit != 0) {
    if (pReason) *pReason = SDL_GetError();
    return false;
  }
  if (!IsDesktopDriver(pReason)) {
    SDL_Quit();
    return false;
  }
  // SDL2 has no window surface of its own on Wayland; there it must lend one from a
  // renderer, or there would be no window at all.
  if (strcmp(SDL_GetCurrentVideoDriver(), "wayland") == 0)
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "1");
  s_bVideoOpen = true;
  return true;
}

void ChooseWindowSize(int nUsableW, int nUsableH, int* pWidth, int* pHeight) {
  int nWidth = nUsableW * 3 / 4;
  int nHeight = nUsableH * 3 / 4;
  if ((int64_t)nWidth * 5 > (int64_t)nHeight * 8)
    nWidth = nHeight * 8 / 5;
  else
    nHeight = nWidth * 5 / 8;
  *pWidth = std::max(nWidth, 642);
  *pHeight = std::max(nHeight, 402);
}

// Brings the framebuffer to the size of the window's drawable area (pixels, so HiDPI
// displays get every pixel) and asks for a whole repaint.
static void SyncClientSize(CWnd* pWnd) {
  CWnd::Impl* p = pWnd->m_pImpl;
  if (!p->pWindow) return;
  int nWidth = 0, nHeight = 0;
  if (SDL_Surface* pSurface = WindowSurface(p)) {
    nWidth = pSurface->w;
    nHeight = pSurface->h;
  } else {
    SDL_GetWindowSizeInPixels(p->pWindow, &nWidth, &nHeight);
  }
  if (nWidth < 1 || nHeight < 1) return;  // minimised: keep what we have
  if (!p->fb.IsAttached() && (nWidth != p->fb.Width() || nHeight != p->fb.Height()))
    pWnd->Resize(nWidth, nHeight);
  p->bPaintPending = true;
}

// The window's icon, the same drawing as the icon files installed for the desktop; the
// window manager scales it to the sizes it shows.
static void SetIcon(SDL_Window* pWindow) {
  const int nSize = 64;
  std::vector<uint32_t> pixels = DrawAppIcon(nSize);
  SDL_Surface* pIcon = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), nSize, nSize, 32, nSize * 4,
                                                          SDL_PIXELFORMAT_ARGB8888);
  if (!pIcon) return;  // a window without an icon is still a window
  SDL_SetWindowIcon(pWindow, pIcon);
  SDL_FreeSurface(pIcon);
}

BOOL CWnd::CreateTopLevel(const char* pszCaption) {
  std::string reason;
  if (m_pImpl->pWindow || !OpenVideo(&reason)) return FALSE;
  int nUsableW = 0, nUsableH = 0;
  SDL_Rect usable;
  if (SDL_GetDisplayUsableBounds(0, &usable) == 0) {
    nUsableW = usable.w;
    nUsableH = usable.h;
  }
  int nWidth, nHeight;
  ChooseWindowSize(nUsableW, nUsableH, &nWidth, &nHeight);
  m_pImpl->caption = pszCaption ? pszCaption : "";
  m_pImpl->bHeadless = false;
  m_pImpl->pWindow = SDL_CreateWindow(Cp932ToUtf8(m_pImpl->caption).c_str(),
                                      SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, nWidth,
                                      nHeight, SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI);
  if (!m_pImpl->pWindow) return FALSE;
  SetIcon(m_pImpl->pWindow);
  if (!SDL_GetWindowSurface(m_pImpl->pWindow)) {
    DestroyWindow();
    return FALSE;
  }
  SyncClientSize(this);
  SDL_StartTextInput();
  return TRUE;
}

void CWnd::CreateHeadless(int nWidth, int nHeight) {
  m_pImpl->bHeadless = true;
  m_pImpl->fb.Resize(nWidth, nHeight);
}

bool CWnd::IsHeadless() const { return m_pImpl->bHeadless; }

void CWnd::SetWindowText(const char* pszCaption) {
  m_pImpl->caption = pszCaption ? pszCaption : "";
  if (m_pImpl->pWindow)
    SDL_SetWindowTitle(m_pImpl->pWindow, Cp932ToUtf8(m_pImpl->caption).c_str());
}

std::string CWnd::GetWindowText() const { return m_pImpl->caption; }

void CWnd::DestroyWindow() {
  if (!m_pImpl->pWindow) return;
  // The picture outlives the window, as it does headless.
  m_pImpl->fb.Detach();
  SDL_DestroyWindow(m_pImpl->pWindow);
  m_pImpl->pWindow = nullptr;
}

void CloseVideo() {
  if (s_bVideoOpen) SDL_Quit();
  s_bVideoOpen = false;
}

void CWnd::GetClientRect(RECT* pRect) const {
  *pRect = RECT{0, 0, m_pImpl->fb.Width(), m_pImpl->fb.Height()};
}

// Hands the composition rectangle to SDL, which passes it on to the input method. SDL
// counts in window units: pixels, except where the display scales windows (HiDPI).
static void TellInputMethod(CWnd::Impl* p) {
  int nUnitsW = 0, nUnitsH = 0;
  SDL_GetWindowSize(p->pWindow, &nUnitsW, &nUnitsH);
  const int64_t nPixelsW = std::max(p->fb.Width(), 1), nPixelsH = std::max(p->fb.Height(), 1);
  const RECT& rc = p->rcComposition;
  SDL_Rect r;
  r.x = (int)((int64_t)rc.left * nUnitsW / nPixelsW);
  r.y = (int)((int64_t)rc.top * nUnitsH / nPixelsH);
  r.w = (int)(((int64_t)rc.right - rc.left) * nUnitsW / nPixelsW);
  r.h = (int)(((int64_t)rc.bottom - rc.top) * nUnitsH / nPixelsH);
  SDL_SetTextInputRect(&r);
}

void CWnd::SetCompositionRect(const RECT& rc) {
  RECT& kept = m_pImpl->rcComposition;
  // Each change is a message to the input method; most events leave the place as it was.
  if (kept.left == rc.left && kept.top == rc.top && kept.right == rc.right &&
      kept.bottom == rc.bottom)
    return;
  kept = rc;
  if (m_pImpl->pWindow) TellInputMethod(m_pImpl);
}

RECT CWnd::GetCompositionRect() const { return m_pImpl->rcComposition; }

CDC* CWnd::GetDC() { return new CDC(&m_pImpl->fb); }

int CWnd::ReleaseDC(CDC* pDC) {
  if (!pDC) return 0;
  delete pDC;
  PresentDirty(m_pImpl);
  return 1;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapseMs, void*) {
  uint64_t nDueMs = MonotonicMs() + std::max(nElapseMs, MIN_TIMER_PERIOD_MS);
  uint64_t nSerial = ++m_pImpl->nTimerSerial;
  for (WndTimer& timer : m_pImpl->timers) {
    if (timer.nId == nIDEvent) {
      timer = WndTimer{nIDEvent, nElapseMs, nDueMs, nSerial};
      return nIDEvent;
    }
  }
  m_pImpl->timers.push_back(WndTimer{nIDEvent, nElapseMs, nDueMs, nSerial});
  return nIDEvent;
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
  auto& timers = m_pImpl->timers;
  auto it = std::find_if(timers.begin(), timers.end(),
                         [&](const WndTimer& t) { return t.nId == nIDEvent; });
  if (it == timers.end()) return FALSE;
  timers.erase(it);
  return TRUE;
}

bool CWnd::HasTimer(UINT_PTR nIDEvent) const {
  return std::any_of(m_pImpl->timers.begin(), m_pImpl->timers.end(),
                     [&](const WndTimer& t) { return t.nId == nIDEvent; });
}

UINT CWnd::TimerPeriod(UINT_PTR nIDEvent) const {
  for (const WndTimer& timer : m_pImpl->timers)
    if (timer.nId == nIDEvent) return timer.nPeriodMs;
  return 0;
}

std::vector<UINT_PTR> CWnd::ActiveTimers() const {
  std::vector<UINT_PTR> ids;
  for (const WndTimer& timer : m_pImpl->timers) ids.push_back(timer.nId);
  return ids;
}

void CWnd::OnDraw(CDC*) {}
void CWnd::OnChar(UINT, UINT, UINT) {}
void CWnd::OnTimer(UINT_PTR) {}

void CWnd::Paint() {
  // Onto the surface of the window's present size, if a resize has made a new one.
  WindowSurface(m_pImpl);
  m_pImpl->bPaintPending = false;
  {
    CDC dc(&m_pImpl->fb);
    OnDraw(&dc);
  }
  m_pImpl->fb.TakeDirty();
  Present(m_pImpl, RECT{0, 0, m_pImpl->fb.Width(), m_pImpl->fb.Height()});
}

void CWnd::SendChar(UINT nChar) {
  OnChar(nChar, 1, 0);
  PresentDirty(m_pImpl);
}

void CWnd::FireTimer(UINT_PTR nIDEvent) {
  if (!HasTimer(nIDEvent)) return;
  OnTimer(nIDEvent);
  PresentDirty(m_pImpl);
}

void CWnd::Resize(int nWidth, int nHeight) { m_pImpl->fb.Resize(nWidth, nHeight); }

Framebuffer& CWnd::Surface() { return m_pImpl->fb; }

// ---------------------------------------------------------------------------------------
// Timers and the message loop
// ---------------------------------------------------------------------------------------

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

// Carries out what a key or text event means.
static void Deliver(CWnd* pWnd, const KeyResult& result) {
  switch (result.action) {
    case KeyAction::kChars:
      for (unsigned char ch : result.chars) {
        if (s_bQuit) break;
        pWnd->SendChar(ch);
      }
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
    case SDL_KEYDOWN:
      Deliver(pWnd, p->keys.KeyDown(event.key.keysym.scancode, event.key.keysym.sym,
                                    event.key.keysym.mod));
      break;
    case SDL_KEYUP: p->keys.KeyUp(); break;
    case SDL_TEXTINPUT: Deliver(pWnd, p->keys.TextInput(event.text.text)); break;
    default: break;
  }
}

void RunMessageLoop(CWnd* pWnd) {
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
        SDL_Log("numdril: waiting for events failed: %s", SDL_GetError());
        s_bQuit = true;
      }
    }
    if (nGot) {
      HandleEvent(pWnd, event);
      // Take everything already queued before repainting, so a resize paints once.
      while (!s_bQuit && SDL_PollEvent(&event)) HandleEvent(pWnd, event);
    }
    if (!s_bQuit && pWnd->m_pImpl->bPaintPending) pWnd->Paint();
    if (!s_bQuit) FireDueTimers(pWnd, MonotonicMs());
  }
}
