// SPDX-License-Identifier: MIT
// Recording a run as a drill types it, and the key list's text in the database, written
// and read here only. Touches no file: a finished run goes to the write queue.
#include <time.h>

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "practice/practice.h"

PracticeRun g_practiceRun;

// Values per key in the key list: asked, typed, correct, source, ms.
static const int KEY_VALUES = 5;
// Largest value each may take, in that order.
static const int64_t KEY_VALUE_MAX[KEY_VALUES] = {255, 255, 1, 255, INT32_MAX};

int32_t LocalUtcOffset(int64_t tUtc) {
  time_t t = (time_t)tUtc;
  struct tm tmLocal {};
  if (!localtime_r(&t, &tmLocal)) return 0;
  return (int32_t)tmLocal.tm_gmtoff;
}

// The moment the key being handled was pressed (now, outside a key), in ms of MonotonicMs:
// the drills' own clock for runs, so that a stall before a key is handled counts as none.
static uint64_t KeyPressMs() {
  _timeb stamp;
  KeyPressStamp(&stamp);
  return (uint64_t)stamp.time * 1000 + stamp.millitm;
}

// The stored code of where the key being handled came from.
static int SourceOfKey(int chTyped) {
  switch (CurrentKeyInfo().nSource) {
    case KeySource::kKeypad:
      return KEY_FROM_KEYPAD;
    case KeySource::kKeypadNumLockOff:
      return KEY_FROM_KEYPAD_NAV;
    case KeySource::kMainKeyboard:
      return chTyped >= '0' && chTyped <= '9' ? KEY_FROM_DIGIT_ROW : KEY_FROM_OTHER;
    case KeySource::kInputMethod:
      return KEY_FROM_INPUT_METHOD;
    case KeySource::kUnknown:
      break;
  }
  return KEY_FROM_OTHER;
}

void BeginPracticeRun(int nDrill) {
  g_practiceRun = PracticeRun{};
  g_practiceRun.tStartUtc = GetTime();
  g_practiceRun.nUtcOffset = LocalUtcOffset(g_practiceRun.tStartUtc);
  g_practiceRun.nDrill = nDrill;
  g_practiceRun.nMarkMs = KeyPressMs();
}

void AddPracticeKey(int chAsked, int chTyped, bool bCorrect) {
  PracticeRun& run = g_practiceRun;
  const uint64_t nPressMs = KeyPressMs();
  const uint64_t nMs = nPressMs > run.nMarkMs ? nPressMs - run.nMarkMs : 0;
  // The position drill asks for the next key only when this one was right; until then the
  // asked-for key's time keeps running through the wrong ones.
  if (run.nDrill != DRILL_POSITION || bCorrect) run.nMarkMs = nPressMs;
  ++run.nKeystrokes;
  if (!bCorrect) ++run.nErrors;
  if (run.keys.size() >= (size_t)PRACTICE_MAX_RUN_KEYS) return;
  run.keys.push_back(PracticeKey{(uint8_t)chAsked, (uint8_t)chTyped, (uint8_t)(bCorrect ? 1 : 0),
                                 (uint8_t)SourceOfKey(chTyped),
                                 nMs > INT32_MAX ? INT32_MAX : (int32_t)nMs});
}

void EndPracticeRun(int nEnding, int64_t nDurationMs, int nChars, double dCpm) {
  PracticeRun& run = g_practiceRun;
  run.nEnding = nEnding;
  run.nDurationMs = nDurationMs < 0 ? 0 : nDurationMs;
  run.nChars = nChars;
  run.dCpm = dCpm;
  if (run.nKeystrokes > 0) QueuePracticeRun(run);
  g_practiceRun = PracticeRun{};
}

std::string EncodeKeyList(const std::vector<PracticeKey>& keys) {
  std::string text;
  text.reserve(keys.size() * 17 + 2);
  text += '[';
  char sz[64];
  for (size_t i = 0; i < keys.size(); ++i) {
    const PracticeKey& k = keys[i];
    int n = snprintf(sz, sizeof sz, "%s[%d,%d,%d,%d,%d]", i ? "," : "", k.chAsked, k.chTyped,
                     k.bCorrect ? 1 : 0, k.nSource, k.nMs < 0 ? 0 : k.nMs);
    text.append(sz, (size_t)n);
  }
  text += ']';
  return text;
}

// A reader of the key list's bytes that never goes past their end.
struct KeyListCursor {
  const char* p;
  const char* pEnd;
  void SkipSpace() {
    while (p < pEnd && (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r')) ++p;
  }
  bool Take(char ch) {
    SkipSpace();
    if (p == pEnd || *p != ch) return false;
    ++p;
    return true;
  }
  // A whole number from 0 to nMax, without sign, fraction or exponent.
  bool Number(int64_t nMax, int64_t* pValue) {
    SkipSpace();
    int64_t n = 0;
    const char* pStart = p;
    while (p < pEnd && *p >= '0' && *p <= '9') {
      n = n * 10 + (*p++ - '0');
      if (n > nMax) return false;
    }
    *pValue = n;
    return p > pStart;
  }
};

static bool DecodeKey(KeyListCursor* pCursor, PracticeKey* pKey) {
  int64_t v[KEY_VALUES];
  if (!pCursor->Take('[')) return false;
  for (int i = 0; i < KEY_VALUES; ++i)
    if ((i > 0 && !pCursor->Take(',')) || !pCursor->Number(KEY_VALUE_MAX[i], &v[i])) return false;
  if (!pCursor->Take(']')) return false;
  *pKey = PracticeKey{(uint8_t)v[0], (uint8_t)v[1], (uint8_t)v[2], (uint8_t)v[3], (int32_t)v[4]};
  return true;
}

bool DecodeKeyList(const char* pText, size_t nBytes, std::vector<PracticeKey>* pKeys) {
  pKeys->clear();
  KeyListCursor cursor{pText, pText + nBytes};
  if (!pText || !cursor.Take('[')) return false;
  if (cursor.Take(']')) {
    cursor.SkipSpace();
    return cursor.p == cursor.pEnd;
  }
  do {
    PracticeKey key;
    if (!DecodeKey(&cursor, &key)) return false;
    pKeys->push_back(key);
  } while (cursor.Take(','));
  if (!cursor.Take(']')) return false;
  cursor.SkipSpace();
  return cursor.p == cursor.pEnd;
}
