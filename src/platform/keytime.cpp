// SPDX-License-Identifier: MIT
// When and where the key being handled was pressed: the information the message loop
// hands the drills beside each character, and the press time of an X key event put on
// the monotonic clock. Reads no events itself.
#include "platform/window_impl.h"

// The key OnChar is handling; empty between keys.
static KEYINFO s_currentKey;

const KEYINFO& CurrentKeyInfo() { return s_currentKey; }

void SetCurrentKeyInfo(const KEYINFO& info) { s_currentKey = info; }

void KeyPressStamp(_timeb* pStamp) {
  const uint64_t nNowMs = MonotonicMs();
  const uint64_t nPressMs = s_currentKey.nPressMs;
  const uint64_t nMs = nPressMs != 0 && nPressMs < nNowMs ? nPressMs : nNowMs;
  *pStamp = _timeb{};
  pStamp->time = (time64_t)(nMs / 1000);
  pStamp->millitm = (unsigned short)(nMs % 1000);
}

uint64_t ServerTimeToMonotonic(uint32_t nEventMs, uint32_t nServerNowMs, uint64_t nNowMs) {
  // The server's clock is 32 bits of milliseconds and wraps every 49.7 days; a difference
  // taken in 32 bits is right across a wrap. An event stamped after the reading (it came
  // in since) was pressed at most now.
  const int32_t nAgoMs = (int32_t)(nServerNowMs - nEventMs);
  if (nAgoMs <= 0) return nNowMs;
  return (uint64_t)nAgoMs < nNowMs ? nNowMs - (uint64_t)nAgoMs : 1;
}
