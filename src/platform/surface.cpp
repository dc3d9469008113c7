// SPDX-License-Identifier: MIT
// Drawing to the window: the framebuffer placed in SDL's window surface where the pixel
// layouts agree, and the changed rectangles shown. Knows nothing of what is drawn.
#include <SDL.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

#include "platform/window_impl.h"

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

SDL_Surface* WindowSurface(CWnd::Impl* p) {
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

void Present(CWnd::Impl* p, RECT rc) {
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

void PresentDirty(CWnd::Impl* p) { Present(p, p->fb.TakeDirty()); }

void SyncClientSize(CWnd* pWnd) {
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
