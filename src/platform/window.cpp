// SPDX-License-Identifier: MIT
// The window class: a client-area framebuffer in an SDL2 window (or kept headless for
// tests), its caption, its input method spot and its table of timers. The message loop
// drives it; knows nothing of what is drawn.
#include <SDL.h>

#include <algorithm>

#include "platform/icon.h"
#include "platform/window_impl.h"

CWnd::CWnd() : m_pImpl(new Impl) {}

CWnd::~CWnd() {
  DestroyWindow();
  delete m_pImpl;
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

// The window's icon, the same drawing as the icon files installed for the desktop; the
// window manager scales it to the sizes it shows.
static void SetIcon(SDL_Window* pWindow) {
  const int nSize = 64;
  std::vector<uint32_t> pixels = DrawAppIcon(nSize);
  SDL_Surface* pIcon = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), nSize, nSize, 32,
                                                          nSize * 4, SDL_PIXELFORMAT_ARGB8888);
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

void CWnd::GetClientRect(RECT* pRect) const {
  *pRect = RECT{0, 0, m_pImpl->fb.Width(), m_pImpl->fb.Height()};
}

// Hands the composition rectangle to SDL, which passes it on to the input method. SDL
// counts in window units: pixels, except where the display scales windows (HiDPI).
static void TellInputMethod(CWnd::Impl* p) {
  int nUnitsW = 0, nUnitsH = 0, nWindowPixelsW = 0, nWindowPixelsH = 0;
  SDL_GetWindowSize(p->pWindow, &nUnitsW, &nUnitsH);
  // The window's own pixels: the framebuffer may cover only a part of a huge window.
  SDL_GetWindowSizeInPixels(p->pWindow, &nWindowPixelsW, &nWindowPixelsH);
  const int64_t nPixelsW = std::max(nWindowPixelsW, 1), nPixelsH = std::max(nWindowPixelsH, 1);
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
