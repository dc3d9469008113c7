// SPDX-License-Identifier: MIT
// Fuzz target: plays arbitrary keys, clock steps, timer events, repaints and resizes into the
// program headless, across every screen, then ends it as the exit path does. Checks that
// no timer outlives its drill, that the program writes only its own files, that the
// record holds each drill as soon as it ends, and that what it saved reads back whole. Not
// a check of what the screens look like.
//
// Input: one header byte, then operations (fuzz/README.md has the table).
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "../tests/support/key_player.h"
#include "app/app.h"
#include "flow/flow.h"
#include "fuzz_common.h"
#include "platform/platform.h"
#include "position/position.h"
#include "practice/practice.h"
#include "random/random.h"
#include "records/records.h"

namespace {

const time64_t FUZZ_EPOCH = 1796637600;  // 2026-12-07 10:00:00 UTC
const int CORRECT_KEY_MS = 120;          // time between two presses of a fast typist
// Keys one input may press: a few whole drills, and inputs stay fast enough to fuzz.
const int KEY_BUDGET = 5000;


// The record file an earlier run left, in English or Japanese ("練習時間　", "時間", "分",
// "秒"), or one cut short in its second line.
std::string EarlierRecord(int nKind) {
  if (nKind == 3) return "Total_Practice_Time    1hour 2mi 5se\nPosition_Prac";
  const bool bJapanese = nKind == 2;
  const char* pszLabel =
      bJapanese ? "\x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4\x81\x40" : "Total_Practice_Time";
  const char* pszTime =
      bJapanese ? "%5d\x8e\x9e\x8a\xd4%2d\x95\xaa%2d\x95\x62\n" : "%5dhour%2dmi%2dse\n";
  char szLine[128];
  std::string text = pszLabel;
  snprintf(szLine, sizeof szLine, pszTime, 3, 25, 7);
  text += szLine;
  snprintf(szLine, sizeof szLine, "%-34s%16s ", "Position_Practice", "");
  text += szLine;
  snprintf(szLine, sizeof szLine, pszTime, 0, 41, 13);
  text += szLine;
  snprintf(szLine, sizeof szLine, "%-34s%7.1lf %-8.8s ", "Random_Practice", 96.5, "26/11/30");
  text += szLine;
  snprintf(szLine, sizeof szLine, pszTime, 1, 2, 3);
  text += szLine;
  return text;
}

size_t CountLines(const std::string& text) {
  size_t n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

// Drives one run of the program through the shared key player and checks it after every
// operation.
class Run {
 public:
  explicit Run(CNumdrilView& view, int nRecordKind)
      : m_player(view), m_view(view), m_nRecordKind(nRecordKind) {}

  void Play(ByteReader& in) {
    Check();
    while (!in.Empty() && g_nMode != MODE_EXIT && m_player.Stats().nKeys < KEY_BUDGET) {
      Step(in);
      // A drill that has just ended must be in the record already.
      if (m_player.Stats().nDrillEnds != m_nDrillEnds) CheckSavedAtDrillEnd();
      Check();
    }
  }

  size_t NewBests() const { return (size_t)m_player.Stats().nNewBests; }
  int DrillEnds() const { return (int)m_nDrillEnds; }

 private:
  // Fires a timer that is set, as the loop would once its period has passed.
  void FireActive(unsigned nPick, bool bWaitPeriod) {
    std::vector<UINT_PTR> timers = m_view.ActiveTimers();
    if (timers.empty()) return;
    UINT_PTR nId = timers[nPick % timers.size()];
    if (bWaitPeriod) m_player.Advance(m_view.TimerPeriod(nId));
    m_player.Fire(nId);
  }

  void Step(ByteReader& in) {
    const uint8_t op = in.Byte();
    const unsigned n = op & 0x0F;
    if (op < 0x80) {
      m_player.Key(op);
      return;
    }
    switch (op >> 4) {
      case 0x8: m_player.Key(in.Byte()); break;
      case 0x9: {
        // The expected key (n + 1)^2 times, as fast as a quick typist presses.
        const long nLeft = KEY_BUDGET - m_player.Stats().nKeys;
        m_player.TypeExpected((int)std::min<long>((n + 1) * (n + 1), nLeft), CORRECT_KEY_MS,
                              n & 1);
        break;
      }
      case 0xA: m_player.Advance((int64_t)(n + 1) * 250); break;
      case 0xB: m_player.Advance((int64_t)(in.Byte() + 1) * (n + 1) * 1000); break;
      case 0xC: FireActive(n, true); break;
      case 0xD: m_player.Paint(); break;
      case 0xE: {
        const int nWidth = in.Byte() * 4 + (int)(n & 3);
        const int nHeight = in.Byte() * 3 + (int)(n >> 2);
        m_player.Resize(nWidth, nHeight);
        break;
      }
      case 0xF: {
        const int nKey = KeyPlayer::ExpectedKey();
        m_player.Key(nKey == '0' + (int)(n % 10) ? 'x' : '0' + (int)(n % 10));
        break;
      }
    }
  }

  // The record holds what the exit would write at this moment: the values held, the use
  // time so far and a new best speed still on screen. Reading it leaves the values as held.
  void CheckSavedAtDrillEnd() {
    m_nDrillEnds = m_player.Stats().nDrillEnds;
    if (!g_bRecSaved) FuzzFail("the record was not saved at the end of a drill");
    double dBest = g_dBestSpeed[0][0];
    char szDate[9];
    memcpy(szDate, g_szBestDate[0][0], sizeof szDate);
    NewBestOnScreen(&dBest, szDate);
    const int nPast = g_nPastSeconds, nPosition = g_nPositionSeconds;
    const int nRandom = g_nRandomSeconds[0][0];
    const double dHeldBest = g_dBestSpeed[0][0];
    char szHeldDate[9];
    memcpy(szHeldDate, g_szBestDate[0][0], sizeof szHeldDate);
    const int64_t nTotal = std::min<int64_t>(nPast + RunSeconds(), 9999 * 3600 + 59 * 60 + 59);

    FILE* pFile = fopen(RECORD_FILE, "r");
    if (!pFile) FuzzFail("no record file after a drill ended");
    const int bWhole = ReadRecordFile(pFile);
    fclose(pFile);
    if (!bWhole || g_nPastSeconds != nTotal || g_nPositionSeconds != nPosition ||
        g_nRandomSeconds[0][0] != nRandom || fabs(g_dBestSpeed[0][0] - dBest) > 0.05 + 1e-9 ||
        memcmp(g_szBestDate[0][0], szDate, 8) != 0)
      FuzzFail("the record at a drill's end: %d/%d %d/%d %d/%d %.2f/%.2f", g_nPastSeconds,
               (int)nTotal, g_nPositionSeconds, nPosition, g_nRandomSeconds[0][0], nRandom,
               g_dBestSpeed[0][0], dBest);
    g_nPastSeconds = nPast;
    g_dBestSpeed[0][0] = dHeldBest;
    memcpy(g_szBestDate[0][0], szHeldDate, sizeof szHeldDate);
  }

  void Check() {
    CheckTimers();
    CheckFiles();
  }

  // Timer 1 runs exactly while a random run's clock runs; a hint timer exactly while a
  // position drill with its guide hidden waits for its hint, under the asked-for key's
  // code. On the title, the menu, the record screen and every result: no timer at all.
  void CheckTimers() {
    const std::vector<UINT_PTR> timers = m_view.ActiveTimers();
    const bool bIdle = g_nMode == MODE_TITLE || g_nMode == MODE_MENU ||
                       g_nMode == MODE_RECORD || g_nPhase == PHASE_RESULT ||
                       g_nMode == MODE_EXIT;
    if (bIdle && !timers.empty())
      FuzzFail("timer %lu left running in mode %d phase %d", (unsigned long)timers[0], g_nMode,
               g_nPhase);
    if (timers.size() > 1) FuzzFail("%zu timers running at once", timers.size());

    const bool bRandomRunning = IsRandomCode(g_nMode) && g_nPhase == PHASE_RUNNING;
    const bool bClockDue = bRandomRunning && g_bTimingStarted == 1;
    if (m_view.HasTimer(RANDOM_CLOCK_TIMER) != bClockDue)
      FuzzFail("drill clock %s while the run's clock %s", bClockDue ? "stopped" : "running",
               bClockDue ? "runs" : "does not run");

    const bool bPositionRunning = IsPositionCode(g_nMode) && g_nPhase == PHASE_RUNNING;
    const bool bHintDue = bPositionRunning && g_bGuideShown == 0 && g_chShownKey == 0;
    for (UINT_PTR nId : timers) {
      if (nId == RANDOM_CLOCK_TIMER) continue;
      if (!bHintDue) FuzzFail("hint timer %lu running with no hint pending", (unsigned long)nId);
      if (nId != (unsigned char)g_chTarget)
        FuzzFail("hint timer %lu running for asked-for key %d", (unsigned long)nId,
                 (unsigned char)g_chTarget);
    }
    if (bHintDue && !m_view.HasTimer((unsigned char)g_chTarget))
      FuzzFail("guide hidden and no hint shown, but no hint timer for key %d",
               (unsigned char)g_chTarget);
  }

  // During a run the program writes the speed history and, as drills end, the record and
  // the practice database (and a damaged record's backup at start-up); the log waits for
  // the exit. The database's journal never outlasts its transaction.
  void CheckFiles() {
    for (const std::string& name : ListWorkingFolder()) {
      if (name == SPEED_FILE || name == RECORD_FILE || name == PRACTICE_DB_NAME) continue;
      if (name == "numdril.rec.bak" && m_nRecordKind == 3) continue;
      FuzzFail("file %s written during the run", name.c_str());
    }
    const size_t nLines = CountLines(ReadWholeFile(SPEED_FILE));
    if (nLines != NewBests())
      FuzzFail("%zu speed history lines for %zu new best speeds", nLines, NewBests());
  }

  KeyPlayer m_player;
  CNumdrilView& m_view;
  int m_nRecordKind;
  long m_nDrillEnds = 0;  // drill ends checked so far
};

bool IsSaneSpeed(double d) { return std::isfinite(d) && d >= 0.0 && d <= 99999.9; }

// Ends the program as the exit path does and checks what is left in the folder.
void EndAndCheck(int nRecordKind, const std::string& earlierRecord, size_t nNewBests) {
  if (SaveAtExit() != 0)
    FuzzFail("a save failed (record %d, log %d, speed history %d)", g_bRecSaved, g_bLogSaved,
             g_bSpdSaved);

  std::set<std::string> allowed = {RECORD_FILE, LOG_FILE, PRACTICE_DB_NAME};
  if (nNewBests) allowed.insert(SPEED_FILE);
  if (nRecordKind == 3) allowed.insert("numdril.rec.bak");  // a damaged record is kept
  for (const std::string& name : ListWorkingFolder())
    if (!allowed.count(name)) FuzzFail("file %s left after the exit", name.c_str());
  if (nRecordKind == 3 && ReadWholeFile("numdril.rec.bak") != earlierRecord)
    FuzzFail("the damaged record was not kept as it was");

  const std::string log = ReadWholeFile(LOG_FILE);
  if (CountLines(log) != 1 || log.back() != '\n')
    FuzzFail("the log holds %zu lines", CountLines(log));

  // What the program held must come back from the file.
  const int nPast = g_nPastSeconds + (int)RunSeconds();
  const int nPosition = g_nPositionSeconds;
  const double dBest = g_dBestSpeed[0][0];
  const int nRandom = g_nRandomSeconds[0][0];
  char szDate[9];
  memcpy(szDate, g_szBestDate[0][0], sizeof szDate);
  if (nPosition < 0 || nRandom < 0 || !IsSaneSpeed(dBest))
    FuzzFail("record values out of range: %d %d %f", nPosition, nRandom, dBest);

  ResetRecordState();
  FILE* pFile = fopen(RECORD_FILE, "r");
  if (!pFile) FuzzFail("no record file after the exit");
  const int bWhole = ReadRecordFile(pFile);
  fclose(pFile);
  if (!bWhole) FuzzFail("the record written at exit does not read back whole");
  if (g_nPastSeconds != nPast || g_nPositionSeconds != nPosition ||
      g_nRandomSeconds[0][0] != nRandom || fabs(g_dBestSpeed[0][0] - dBest) > 0.05 + 1e-9 ||
      memcmp(g_szBestDate[0][0], szDate, 8) != 0)
    FuzzFail("the record read back differs: %d/%d %d/%d %d/%d %.2f/%.2f", g_nPastSeconds, nPast,
             g_nPositionSeconds, nPosition, g_nRandomSeconds[0][0], nRandom,
             g_dBestSpeed[0][0], dBest);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
  ScratchFolder scratch("numdril-fuzz-keys");
  ByteReader in(pData, nSize);
  const uint8_t nHeader = in.Byte();
  const int nRecordKind = (nHeader >> 1) & 3;

  ClearWorkingFolder();
  ResetAllState();
  if (nHeader & 1) g_bEnglish = 0;
  // Start times spread over the day, so that some runs cross midnight.
  SetFakeClock(FUZZ_EPOCH + (time64_t)(nHeader >> 3) * 2700, 0);
  const std::string earlierRecord = nRecordKind ? EarlierRecord(nRecordKind) : "";
  if (nRecordKind) WriteWholeFile(RECORD_FILE, earlierRecord.data(), earlierRecord.size());

  size_t nNewBests = 0;
  {
    std::unique_ptr<CNumdrilView> pView;
    {
      QuietStderr quiet;  // a damaged record is named there at start-up
      pView = std::make_unique<CNumdrilView>();
    }
    // A quarter of the usual window: the same screens, a quarter of the pixels to fill, so
    // more inputs per second. Resizes reach the other sizes.
    pView->CreateHeadless(322, 202);
    pView->Paint();
    Run run(*pView, nRecordKind);
    run.Play(in);
    nNewBests = run.NewBests();
    // NUMDRIL_FUZZ_TRACE=1 tells where an input led, for checking what seeds reach.
    if (getenv("NUMDRIL_FUZZ_TRACE"))
      fprintf(stderr, "mode %d phase %d, position drills %d, random runs %d, new bests %zu\n",
              g_nMode, g_nPhase, g_nPositionCount, g_nRandomCount[0][0], nNewBests);
    if (nRecordKind && run.DrillEnds() == 0 && ReadWholeFile(RECORD_FILE) != earlierRecord)
      FuzzFail("the record file changed before the exit, with no drill ended");
  }
  EndAndCheck(nRecordKind, earlierRecord, nNewBests);
  return 0;
}
