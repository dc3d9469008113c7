// SPDX-License-Identifier: MIT
// Practice utilities shared by both drills and the record writers: key upper-casing,
// whole-second truncation, stamp differences and the year-first date. Pure; no state.
#include "flow/util.h"

#include <cmath>
#include <cstdint>

int32_t ToUpperKey(int32_t ch) {
  if (ch >= 0x61 && ch <= 0x7A) return ch - 0x20;
  // The practice texts are read as signed chars, so a key of 0x80 or more must compare
  // as the same negative value: the low byte, sign-extended.
  if (ch >= 0x80) return (int32_t)(int8_t)(uint8_t)(ch & 0xFF);
  return ch;
}

double TruncateToWhole(double x) {
  // Converting a double outside the int32 range to int32 is undefined behaviour, so such
  // values are clamped to the range first; NaN counts as 0. Every real duration is far
  // inside the range, where this is the plain truncation toward zero.
  if (std::isnan(x)) return 0.0;
  if (x >= 2147483647.0) return 2147483647.0;
  if (x <= -2147483648.0) return -2147483648.0;
  return (double)(int32_t)x;
}

double ElapsedSeconds(const _timeb* pStart, const _timeb* pEnd) {
  if (!pStart || !pEnd) return 0.0;
  // Stamps are 64-bit seconds here; the difference is taken in double, which is exact for
  // any clock value a real system gives, and cannot wrap.
  double dSeconds = (double)pEnd->time - (double)pStart->time;
  double dMillis = (double)((int32_t)pEnd->millitm - (int32_t)pStart->millitm) / 1000.0;
  double r = dMillis + dSeconds;
  // A clock set back must not produce a negative duration.
  if (r < 0.0) return 0.0;
  return r;
}

int64_t DrillMs(double dSeconds) {
  if (!(dSeconds > 0.0)) return 0;
  // Years of milliseconds fit easily; a value past them is held rather than overflowed.
  return dSeconds < 9.0e15 ? (int64_t)std::llround(dSeconds * 1000.0) : INT64_MAX;
}

char* ReformatDate(char* pszOut, const char* pszIn) {
  // MM/DD/YY -> YY/MM/DD
  pszOut[0] = pszIn[6];
  pszOut[1] = pszIn[7];
  pszOut[2] = '/';
  pszOut[3] = pszIn[0];
  pszOut[4] = pszIn[1];
  pszOut[5] = '/';
  pszOut[6] = pszIn[3];
  pszOut[7] = pszIn[4];
  pszOut[8] = '\0';
  return pszOut;
}
