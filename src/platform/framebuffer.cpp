// SPDX-License-Identifier: MIT
// The software framebuffer every drawing call ends in: 0x00RRGGBB pixels, the rectangle
// changed since it was last presented, and the optional log of drawing calls. The pixels
// are its own or a window surface's, which it then draws into directly. No drawing rules
// live here (see gdi.cpp) and no window (see the window code).
#include <algorithm>
#include <cwchar>

#include "platform/platform.h"

Framebuffer::Framebuffer(int nWidth, int nHeight) { Resize(nWidth, nHeight); }

void Framebuffer::Resize(int nWidth, int nHeight) {
  m_pExternal = nullptr;
  m_nWidth = std::max(nWidth, 0);
  m_nHeight = std::max(nHeight, 0);
  if (m_nWidth == 0 || m_nHeight == 0) m_nWidth = m_nHeight = 0;
  m_nPitch = m_nWidth;
  m_pixels.assign((size_t)m_nWidth * (size_t)m_nHeight, 0xFFFFFF);
  m_dirty = RECT{0, 0, 0, 0};
  MarkDirty(0, 0, m_nWidth, m_nHeight);
}

void Framebuffer::Attach(uint32_t* pPixels, int nWidth, int nHeight, int nPitch) {
  if (pPixels == nullptr || nWidth <= 0 || nHeight <= 0 || nPitch < nWidth) {
    Resize(0, 0);
    return;
  }
  // The window's memory replaces ours; keeping both would double the biggest thing the
  // program holds.
  std::vector<uint32_t>().swap(m_pixels);
  m_pExternal = pPixels;
  m_nWidth = nWidth;
  m_nHeight = nHeight;
  m_nPitch = nPitch;
  m_dirty = RECT{0, 0, 0, 0};
  Fill(0xFFFFFF);
}

void Framebuffer::Detach() {
  if (m_pExternal == nullptr) return;
  std::vector<uint32_t> pixels((size_t)m_nWidth * (size_t)m_nHeight);
  for (int y = 0; y < m_nHeight; y++)
    std::copy(Row(y), Row(y) + m_nWidth, pixels.begin() + (ptrdiff_t)y * m_nWidth);
  m_pExternal = nullptr;
  m_pixels.swap(pixels);
  m_nPitch = m_nWidth;
}

uint32_t Framebuffer::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= m_nWidth || y >= m_nHeight) return 0;
  return Row(y)[x];
}

void Framebuffer::Fill(uint32_t rgb) {
  // wmemset: 32-bit stores several at a time, as in the drawing code's fills.
  const wchar_t nPixel = (wchar_t)(rgb & 0xFFFFFF);
  for (int y = 0; y < m_nHeight; y++) wmemset((wchar_t*)Row(y), nPixel, (size_t)m_nWidth);
  MarkDirty(0, 0, m_nWidth, m_nHeight);
}

void Framebuffer::MarkDirty(int left, int top, int right, int bottom) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, m_nWidth);
  bottom = std::min(bottom, m_nHeight);
  if (left >= right || top >= bottom) return;
  if (m_dirty.left >= m_dirty.right || m_dirty.top >= m_dirty.bottom) {
    m_dirty = RECT{left, top, right, bottom};
    return;
  }
  m_dirty.left = std::min(m_dirty.left, left);
  m_dirty.top = std::min(m_dirty.top, top);
  m_dirty.right = std::max(m_dirty.right, right);
  m_dirty.bottom = std::max(m_dirty.bottom, bottom);
}

RECT Framebuffer::TakeDirty() {
  RECT rc = m_dirty;
  m_dirty = RECT{0, 0, 0, 0};
  return rc;
}
