// SPDX-License-Identifier: MIT
// Fuzz target: arbitrary bytes as the record file numdril.rec, read at start-up and written
// again at exit in both languages, and as raw record values to be written. Checks that the
// start-up takes exactly what the record file's pure reader gives, that every value read
// is finite and not negative, that what is written reads back whole with the same values,
// and that no values whatever make the writer write a line its reader rejects. Not a check
// of the file's exact bytes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/app.h"
#include "flow/flow.h"
#include "fuzz_common.h"
#include "platform/platform.h"
#include "records/records.h"

namespace {

const time64_t FUZZ_EPOCH = 1796637600;  // 2026-12-07 10:00:00 UTC
// Times the file's columns hold: line 1 below 10000 hours (five digits join its label
// from there), the other lines below 100000 hours. A file may hold minutes and seconds
// above 59, so what it reads can sum past what a rewrite can hold.
const int MAX_LINE1_SECONDS = 10000 * 3600;
const int MAX_LINE_SECONDS = 100000 * 3600;

// The record values of the one random item, as one comparable whole.
struct HeldValues {
  int nPast, nPosition, nRandom;
  double dBest;
  char szDate[8];
};

HeldValues TakeHeld() {
  HeldValues v{};
  v.nPast = g_nPastSeconds;
  v.nPosition = g_nPositionSeconds;
  v.nRandom = g_nRandomSeconds[0][0];
  v.dBest = g_dBestSpeed[0][0];
  memcpy(v.szDate, g_szBestDate[0][0], sizeof v.szDate);
  return v;
}

bool Fits(const HeldValues& v) {
  return v.nPast < MAX_LINE1_SECONDS && v.nPosition < MAX_LINE_SECONDS &&
         v.nRandom < MAX_LINE_SECONDS;
}

void CheckSane(const char* pszWhen) {
  if (g_nPastSeconds < 0 || g_nPositionSeconds < 0)
    FuzzFail("%s: negative time %d %d", pszWhen, g_nPastSeconds, g_nPositionSeconds);
  for (int g = 0; g < RECORD_GROUPS; ++g) {
    for (int i = 0; i < RECORD_GROUP_MAX; ++i) {
      const double d = g_dBestSpeed[g][i];
      if (!std::isfinite(d) || d < 0.0 || std::signbit(d))
        FuzzFail("%s: best speed %f of item %d.%d", pszWhen, d, g, i);
      if (g_nRandomSeconds[g][i] < 0)
        FuzzFail("%s: negative practice time of item %d.%d", pszWhen, g, i);
      if (g_szBestDate[g][i][8] != '\0') FuzzFail("%s: best date not terminated", pszWhen);
    }
  }
}

// The start-up's record values are the pure reader's, value for value.
void CheckSameAsReader(const RecordContents& contents) {
  const RecordValues& v = contents.values;
  bool bSame = g_nPastSeconds == v.nTotalSeconds && g_nPositionSeconds == v.nPositionSeconds;
  for (int g = 0; g < RECORD_GROUPS; ++g)
    for (int i = 0; i < RECORD_GROUP_MAX; ++i)
      bSame = bSame && g_dBestSpeed[g][i] == v.dBestSpeed[g][i] &&
              memcmp(g_szBestDate[g][i], v.szBestDate[g][i], 9) == 0 &&
              g_nRandomSeconds[g][i] == v.nRandomSeconds[g][i];
  if (!bSame) FuzzFail("the start-up and the reader disagree");
}

// The record file now in the folder, through the pure reader into the record values.
RecordContents ReadFresh() {
  const std::string bytes = ReadWholeFile(RECORD_FILE);
  const RecordContents contents = ParseRecordFile(bytes);
  FILE* pFile = fopen(RECORD_FILE, "r");
  if (!pFile) FuzzFail("cannot open %s", RECORD_FILE);
  ResetRecordState();
  const int nWhole = ReadRecordFile(pFile);
  fclose(pFile);
  if (nWhole != (contents.nLinesRead == contents.nLines ? 1 : 0))
    FuzzFail("ReadRecordFile and the reader disagree on a whole record");
  return contents;
}

// Starts the program over the record file as found, quietly.
void StartUp() {
  QuietStderr quiet;
  LoadRecordsAtStart();
}

// Writes the record in one language into a folder without one and reads it back: a whole
// file, and the same values when they were ones the file holds as they are.
void WriteAndReadBack(const HeldValues& held, int bEnglish, bool bSameValues = true) {
  remove(RECORD_FILE);
  ResetRecordState();
  g_nPastSeconds = held.nPast;
  g_nPositionSeconds = held.nPosition;
  g_nRandomSeconds[0][0] = held.nRandom;
  g_dBestSpeed[0][0] = held.dBest;
  memcpy(g_szBestDate[0][0], held.szDate, sizeof held.szDate);
  g_tStart = GetTime();
  g_nStartClockMs = MonotonicMs();
  g_bEnglish = bEnglish;
  if (!WriteRecordFile()) FuzzFail("the record could not be written (English %d)", bEnglish);
  const RecordContents contents = ReadFresh();
  if (contents.nLinesRead != contents.nLines)
    FuzzFail("the record written does not read back whole (English %d)", bEnglish);
  CheckSane("read back");
  if (!bSameValues || !Fits(held)) return;
  const HeldValues back = TakeHeld();
  if (back.nPast != held.nPast || back.nPosition != held.nPosition ||
      back.nRandom != held.nRandom || fabs(back.dBest - held.dBest) > 0.05 + 1e-9 ||
      memcmp(back.szDate, held.szDate, sizeof held.szDate) != 0)
    FuzzFail("read back %d %d %d %.3f '%.8s' for %d %d %d %.3f '%.8s' (English %d)", back.nPast,
             back.nPosition, back.nRandom, back.dBest, back.szDate, held.nPast, held.nPosition,
             held.nRandom, held.dBest, held.szDate, bEnglish);
}

// The input's bytes taken as raw record values, whatever they hold (NaN, infinities, a speed
// of a burst of keys, negative times, control bytes in the date): the record written of
// them still reads back whole.
void WriteAnyValues(const uint8_t* pData, size_t nSize) {
  HeldValues raw{};
  memcpy(&raw, pData, std::min(nSize, sizeof raw));
  WriteAndReadBack(raw, 1, false);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
  ScratchFolder scratch("numdril-fuzz-records");
  ClearWorkingFolder();
  ResetAllState();
  SetFakeClock(FUZZ_EPOCH, 0);

  // Start-up: the file as found, read by the program's own start-up step.
  WriteWholeFile(RECORD_FILE, pData, nSize);
  const RecordContents found = ParseRecordFile(std::string((const char*)pData, nSize));
  StartUp();
  CheckSane("start-up");
  CheckSameAsReader(found);
  const HeldValues held = TakeHeld();

  // The exit-time rewrite: an unreadable record is kept beside the new one.
  const bool bWasWhole = found.nLinesRead == found.nLines;
  ResetRecordState();
  StartUp();
  AdvanceFakeClock(61000);
  if (!WriteRecordFile()) FuzzFail("the exit-time rewrite failed");
  const std::string backup = ReadWholeFile("numdril.rec.bak");
  if (!bWasWhole && backup != std::string((const char*)pData, nSize))
    FuzzFail("a record not read whole was replaced without a backup of it");
  if (bWasWhole && !backup.empty()) FuzzFail("a whole record was backed up");
  HeldValues afterExit = held;
  afterExit.nPast += 61;
  if (Fits(afterExit)) {
    if (ReadFresh().nLinesRead != found.nLines)
      FuzzFail("the exit-time record does not read back whole");
    if (g_nPastSeconds != held.nPast + 61)
      FuzzFail("use time %d read back as %d", held.nPast + 61, g_nPastSeconds);
  }

  // Both languages keep every value.
  WriteAndReadBack(held, 1);
  WriteAndReadBack(held, 0);
  WriteAnyValues(pData, nSize);
  for (const std::string& name : ListWorkingFolder())
    if (name != RECORD_FILE && name != "numdril.rec.bak") FuzzFail("stray file %s", name.c_str());
  return 0;
}
