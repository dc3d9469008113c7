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
// call is far cheaper. A kernel without the call leaves them to fault as they are drawn,
// and so does a surface drawn only in part, whose rows' other pages are never touched.
static void PrefaultSurface(const SDL_Surface* pSurface, int nDrawnWidth) {
  if (nDrawnWidth < pSurface->w) return;
  const uintptr_t nPage = (uintptr_t)sysconf(_SC_PAGESIZE);
  const uintptr_t nStart = (uintptr_t)pSurface->pixels & ~(nPage - 1);
  const uintptr_t nEnd = (uintptr_t)pSurface->pixels + (size_t)pSurface->pitch * pSurface->h;
  madvise((void*)nStart, nEnd - nStart, MADV_POPULATE_WRITE);
}

// What the displays together can show, in the window's pixels: the box around all of
// them. Any other program may make the window any size (16384 x 16384 on a 1280 x 1024
// screen); more than this cannot be seen at once wherever the window is, and drawing it
// would cost memory and time by the window's size. Unknown displays allow an 8K screen.
static void DrawableLimit(SDL_Window* pWindow, int* pMaxWidth, int* pMaxHeight) {
  int64_t nLeft = INT32_MAX, nTop = INT32_MAX, nRight = INT32_MIN, nBottom = INT32_MIN;
  for (int i = 0; i < SDL_GetNumVideoDisplays(); ++i) {
    SDL_Rect r;
    if (SDL_GetDisplayBounds(i, &r) != 0 || r.w < 1 || r.h < 1) continue;
    nLeft = std::min<int64_t>(nLeft, r.x);
    nTop = std::min<int64_t>(nTop, r.y);
    nRight = std::max<int64_t>(nRight, (int64_t)r.x + r.w);
    nBottom = std::max<int64_t>(nBottom, (int64_t)r.y + r.h);
  }
  if (nRight <= nLeft || nBottom <= nTop) {
    nLeft = nTop = 0;
    nRight = 7680;
    nBottom = 4320;
  }
  // Displays are measured in window units; a HiDPI window has more pixels to the unit.
  int nUnitsW = 0, nUnitsH = 0, nPixelsW = 0, nPixelsH = 0;
  SDL_GetWindowSize(pWindow, &nUnitsW, &nUnitsH);
  SDL_GetWindowSizeInPixels(pWindow, &nPixelsW, &nPixelsH);
  const int64_t nScaleW = nUnitsW > 0 ? std::max((nPixelsW + nUnitsW - 1) / nUnitsW, 1) : 1;
  const int64_t nScaleH = nUnitsH > 0 ? std::max((nPixelsH + nUnitsH - 1) / nUnitsH, 1) : 1;
  *pMaxWidth = ClampToInt((nRight - nLeft) * nScaleW);
  *pMaxHeight = ClampToInt((nBottom - nTop) * nScaleH);
}

// The part of a window of nWidth x nHeight pixels that is drawn: all of it, up to what the
// displays can show; a larger window keeps the screen at its top left, where the window's
// visible part begins.
static void DrawnSize(SDL_Window* pWindow, int* pWidth, int* pHeight) {
  int nMaxWidth, nMaxHeight;
  DrawableLimit(pWindow, &nMaxWidth, &nMaxHeight);
  *pWidth = std::min(*pWidth, nMaxWidth);
  *pHeight = std::min(*pHeight, nMaxHeight);
}

SDL_Surface* WindowSurface(CWnd::Impl* p) {
  if (!p->pWindow) return nullptr;
  SDL_Surface* pSurface = SDL_GetWindowSurface(p->pWindow);
  if (pSurface && CanDrawInto(pSurface)) {
    if (!p->fb.IsAttachedTo(pSurface->pixels)) {
      int nWidth = pSurface->w, nHeight = pSurface->h;
      DrawnSize(p->pWindow, &nWidth, &nHeight);
      PrefaultSurface(pSurface, nWidth);
      p->fb.Attach((uint32_t*)pSurface->pixels, nWidth, nHeight, pSurface->pitch / 4);
      p->bPaintPending = true;
    }
  } else if (p->fb.IsAttached()) {
    // Whatever it was attached to is gone with the old surface: start over on our own.
    int nWidth = pSurface ? pSurface->w : p->fb.Width();
    int nHeight = pSurface ? pSurface->h : p->fb.Height();
    DrawnSize(p->pWindow, &nWidth, &nHeight);
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
  // Attached, the framebuffer has the drawn size already.
  if (SDL_Surface* pSurface = WindowSurface(p); !p->fb.IsAttached()) {
    int nWidth = 0, nHeight = 0;
    if (pSurface) {
      nWidth = pSurface->w;
      nHeight = pSurface->h;
    } else {
      SDL_GetWindowSizeInPixels(p->pWindow, &nWidth, &nHeight);
    }
    if (nWidth < 1 || nHeight < 1) return;  // minimised: keep what we have
    DrawnSize(p->pWindow, &nWidth, &nHeight);
    if (nWidth != p->fb.Width() || nHeight != p->fb.Height()) pWnd->Resize(nWidth, nHeight);
  }
  p->bPaintPending = true;
}
