// SPDX-License-Identifier: MIT
// Code page 932 (Shift-JIS) to and from UTF-8 through iconv, plus the per-character decoder
// that text drawing uses. Knows nothing of fonts or windows.
#include <iconv.h>

#include <cerrno>
#include <vector>

#include "platform/font.h"
#include "platform/platform.h"

// Opened once and kept: iconv_open reads the conversion tables, which costs far more than a
// conversion of a short text.
static iconv_t OpenConverter(const char* pszTo, const char* pszFrom) {
  return iconv_open(pszTo, pszFrom);
}

static iconv_t Cp932Decoder() {
  static iconv_t cd = OpenConverter("UTF-8", "CP932");
  return cd;
}

static iconv_t Cp932Encoder() {
  static iconv_t cd = OpenConverter("CP932", "UTF-8");
  return cd;
}

static bool IsAscii(const char* p, size_t n) {
  for (size_t i = 0; i < n; i++)
    if ((unsigned char)p[i] >= 0x80) return false;
  return true;
}

static bool IsCp932Lead(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
static bool IsCp932Trail(unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }

// Converts with iconv; each character iconv refuses becomes "?" and conversion goes on after
// it. fnSkip gives the length of the refused character.
template <typename SkipFn>
static std::string Convert(iconv_t cd, const char* pIn, size_t nIn, SkipFn fnSkip) {
  std::string out;
  if (cd == (iconv_t)-1) {
    out.assign(pIn, nIn);
    return out;
  }
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  out.resize(nIn * 3 + 8);
  char* in = const_cast<char*>(pIn);
  size_t inLeft = nIn;
  size_t used = 0;
  while (inLeft > 0) {
    char* outPtr = &out[used];
    size_t outLeft = out.size() - used;
    size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    used = out.size() - outLeft;
    if (r != (size_t)-1) break;
    if (errno == E2BIG) {
      out.resize(out.size() * 2);
      continue;
    }
    // EILSEQ or EINVAL (a character cut off at the end): replace it and go on.
    size_t skip = fnSkip((const unsigned char*)in, inLeft);
    in += skip;
    inLeft -= skip;
    if (out.size() - used < 1) out.resize(out.size() * 2);
    out[used++] = '?';
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  out.resize(used);
  return out;
}

std::string Cp932ToUtf8(const char* pszText, size_t nBytes) {
  if (pszText == nullptr) return std::string();
  if (IsAscii(pszText, nBytes)) return std::string(pszText, nBytes);
  return Convert(Cp932Decoder(), pszText, nBytes, [](const unsigned char* p, size_t n) -> size_t {
    return (n >= 2 && IsCp932Lead(p[0]) && IsCp932Trail(p[1])) ? 2 : 1;
  });
}

std::string Cp932ToUtf8(const std::string& text) { return Cp932ToUtf8(text.data(), text.size()); }

// One whole UTF-8 sequence when it is well formed, else the lead byte with the continuation
// bytes that follow it, so a cut-off sequence is one "?".
static size_t RefusedUtf8Length(const unsigned char* p, size_t n) {
  size_t len = p[0] < 0xC2 ? 1 : p[0] < 0xE0 ? 2 : p[0] < 0xF0 ? 3 : p[0] < 0xF5 ? 4 : 1;
  size_t i = 1;
  while (i < len && i < n && (p[i] & 0xC0) == 0x80) i++;
  return i;
}

std::string Utf8ToCp932(const std::string& text) {
  if (IsAscii(text.data(), text.size())) return text;
  return Convert(Cp932Encoder(), text.data(), text.size(), RefusedUtf8Length);
}

// The double-byte table is filled one character at a time as text is drawn, so a repaint
// calls iconv only the first time it meets a character.
static constexpr uint32_t UNDECODED = 0xFFFFFFFFu;

static uint32_t DecodeWithIconv(const unsigned char* p, size_t n) {
  iconv_t cd = Cp932Decoder();
  if (cd == (iconv_t)-1) return NO_CODE_POINT;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char in[2] = {(char)p[0], n > 1 ? (char)p[1] : '\0'};
  char out[8];
  char* pIn = in;
  char* pOut = out;
  size_t inLeft = n, outLeft = sizeof out;
  if (iconv(cd, &pIn, &inLeft, &pOut, &outLeft) == (size_t)-1 || inLeft != 0) return NO_CODE_POINT;
  size_t len = sizeof out - outLeft;
  const unsigned char* u = (const unsigned char*)out;
  if (len == 1) return u[0];
  if (len == 2) return ((u[0] & 0x1Fu) << 6) | (u[1] & 0x3Fu);
  if (len == 3) return ((u[0] & 0x0Fu) << 12) | ((u[1] & 0x3Fu) << 6) | (u[2] & 0x3Fu);
  if (len == 4)
    return ((u[0] & 0x07u) << 18) | ((u[1] & 0x3Fu) << 12) | ((u[2] & 0x3Fu) << 6) | (u[3] & 0x3Fu);
  return NO_CODE_POINT;
}

uint32_t DecodeCp932Char(const unsigned char* p, size_t nAvail, size_t* pnUsed) {
  static std::vector<uint32_t> s_single;
  static std::vector<uint32_t> s_double;
  if (nAvail == 0) {
    *pnUsed = 0;
    return NO_CODE_POINT;
  }
  if (IsCp932Lead(p[0])) {
    *pnUsed = nAvail >= 2 ? 2 : 1;
    if (nAvail < 2) return NO_CODE_POINT;
    if (s_double.empty()) s_double.assign(65536, UNDECODED);
    uint32_t& slot = s_double[(size_t)p[0] << 8 | p[1]];
    if (slot == UNDECODED) slot = DecodeWithIconv(p, 2);
    return slot;
  }
  *pnUsed = 1;
  if (p[0] < 0x80) return p[0];
  if (s_single.empty()) s_single.assign(256, UNDECODED);
  uint32_t& slot = s_single[p[0]];
  if (slot == UNDECODED) slot = DecodeWithIconv(p, 1);
  return slot;
}
