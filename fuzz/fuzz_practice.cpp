// SPDX-License-Identifier: MIT
// Fuzz target: the practice database's reader. The input either patches bytes of a small
// database written by numdril (a damaged or crafted file) that the figures are then read
// from, or is a key list's text for its decoder. Checks that the figures are sane, that the
// report's practice section puts them out with no stray control bytes and a closed picture,
// that reading changes no byte and leaves no file, and that a decoded key list encodes to
// text that decodes the same. Not a check of the figures' values.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_common.h"
#include "practice/practice.h"
#include "report/report.h"

namespace {

const int64_t NOW = 1796637600;  // 2026-12-07 10:00:00 UTC

// A database of a few runs of both drills, as numdril writes it; its bytes, made once.
const std::string& SeedDatabase() {
  static std::string s_bytes;
  if (!s_bytes.empty()) return s_bytes;
  ClearWorkingFolder();
  ResetPracticeState();
  for (int i = 0; i < 6; ++i) {
    PracticeRun run;
    run.nDrill = i % 3 ? DRILL_RANDOM : DRILL_POSITION;
    run.nEnding = RUN_FINISHED + i % 3;
    run.tStartUtc = NOW - i * 86400;
    run.nDurationMs = 1000 + i * 500;
    run.dCpm = run.nDrill == DRILL_RANDOM ? 100.0 + i : -1.0;
    for (int k = 0; k < 12; ++k) {
      const bool bRight = k % 5 != 4;
      run.keys.push_back(PracticeKey{(uint8_t)('0' + (k + i) % 10), (uint8_t)('0' + (k * 3) % 10),
                                     (uint8_t)bRight, (uint8_t)(k % 5), 100 + 37 * k});
      ++run.nKeystrokes;
      ++(bRight ? run.nChars : run.nErrors);
    }
    QueuePracticeRun(run);
  }
  if (!FlushPracticeRuns()) FuzzFail("cannot write the seed database");
  ResetPracticeState();
  s_bytes = ReadWholeFile(PRACTICE_DB_NAME);
  return s_bytes;
}

bool Between(double d, double dLow, double dHigh) {
  return std::isfinite(d) && d >= dLow && d <= dHigh;
}

void CheckFigures(const PracticeFigures& f) {
  for (const PracticeKeyFigure& key : f.keys)
    if (key.nCorrect < 0 || key.nCorrect > key.nPresses || !Between(key.dAccuracy, 0, 1) ||
        key.nTimed > key.nCorrect || !Between(key.dMedianMs, 0, INT32_MAX))
      FuzzFail("key figure out of range");
  for (size_t i = 0; i < f.days.size(); ++i) {
    const PracticeDay& day = f.days[i];
    if ((i > 0 && day.nDay <= f.days[i - 1].nDay) || day.nRuns < 1 ||
        !Between(day.dAccuracy, 0, 1) || day.dMedianCpm > day.dBestCpm ||
        day.dGrossKph < day.dNetKph)
      FuzzFail("day %d out of order or range", day.nDay);
  }
  if (f.lastRuns.size() > (size_t)FIGURE_LIST_ROWS ||
      f.slowMoves.size() > (size_t)FIGURE_LIST_ROWS || f.mixUps.size() > (size_t)FIGURE_LIST_ROWS)
    FuzzFail("more rows than listed");
  for (const PracticeMove& move : f.slowMoves)
    if (move.nSamples < MIN_MOVE_SAMPLES || move.nFrom < 0 || move.nTo >= KEYPAD_KEYS)
      FuzzFail("move with %d samples", move.nSamples);
  for (const PracticeMixUp& mixUp : f.mixUps)
    if (mixUp.nCount < 1 || mixUp.nAsked < 0 || mixUp.nAsked >= KEYPAD_KEYS) FuzzFail("mix-up");
  const PracticeTotals& t = f.totals;
  if (!Between(f.dKeypadShare, 0, 1) || !Between(t.dAccuracy, 0, 1) ||
      t.nRuns != t.nPositionRuns + t.nRandomRuns || t.nSpeedRuns > t.nRandomRuns)
    FuzzFail("totals out of range");
}

// The figures as the report puts them out, as text in both styles and as the picture.
void CheckReport(const PracticeFigures& figures, int nSpan) {
  ReportData data;
  data.practice = figures;
  data.nSpanDays = nSpan;
  for (const ReportStyle& style : {ReportStyle{false, false}, ReportStyle{true, true}})
    for (unsigned char ch : FormatPracticeText(data, style))
      if (ch < 0x20 && ch != '\n' && !(style.bColour && ch == 0x1b))
        FuzzFail("the report's text holds control byte 0x%02x", ch);
  const std::string svg = FormatReportSvg(data);
  for (unsigned char ch : svg)
    if (ch < 0x20 && ch != '\n') FuzzFail("the picture holds control byte 0x%02x", ch);
  if (svg.rfind("</svg>\n") != svg.size() - 7) FuzzFail("the picture is not closed");
}

void FuzzDatabase(const uint8_t* pData, size_t nSize) {
  std::string bytes = SeedDatabase();
  // Three bytes a patch: where (in 16-bit steps through the file) and what to XOR there.
  for (size_t i = 0; i + 3 <= nSize; i += 3) {
    const size_t nAt = ((size_t)pData[i] << 8 | pData[i + 1]) * 7 % bytes.size();
    bytes[nAt] = (char)(bytes[nAt] ^ pData[i + 2]);
  }
  ClearWorkingFolder();
  WriteWholeFile(PRACTICE_DB_NAME, bytes.data(), bytes.size());
  for (int nSpan : {30, 0}) {
    PracticeFigures figures;
    ReadPracticeFigures(nSpan, NOW, &figures);
    CheckFigures(figures);
    CheckReport(figures, nSpan);
  }
  if (ReadWholeFile(PRACTICE_DB_NAME) != bytes) FuzzFail("reading changed the database");
  if (ListWorkingFolder().size() != 1) FuzzFail("reading left a file beside the database");
}

void FuzzKeyList(const uint8_t* pData, size_t nSize) {
  std::vector<PracticeKey> keys, again;
  if (!DecodeKeyList((const char*)pData, nSize, &keys)) return;
  const std::string text = EncodeKeyList(keys);
  if (!DecodeKeyList(text.data(), text.size(), &again) || again.size() != keys.size())
    FuzzFail("a decoded key list does not encode to its own keys");
  for (size_t i = 0; i < keys.size(); ++i)
    if (memcmp(&keys[i], &again[i], sizeof keys[i]) != 0) FuzzFail("key %zu changed", i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
  ScratchFolder scratch("numdril-fuzz-practice");
  if (nSize == 0) return 0;
  if (pData[0] & 1)
    FuzzKeyList(pData + 1, nSize - 1);
  else
    FuzzDatabase(pData + 1, nSize - 1);
  return 0;
}
