// SPDX-License-Identifier: MIT
// The drills' runs as they reach numdril.db, played through the view as a user types them:
// every judged key with what was asked, what was typed, where it came from and when, each
// run's counts as its screen showed them; and keypad only in both drills.
#include <sqlite3.h>

#include <cmath>

#include "app/app.h"
#include "flow/flow.h"
#include "position/position.h"
#include "practice/practice_support.h"
#include "random/random.h"

namespace {

// One key typed nAfterMs after the one before, from where source says.
void Type(Session& s, int nAfterMs, int nChar, KeySource source = KeySource::kKeypad) {
  s.Advance(nAfterMs);
  SetCurrentKeyInfo(KEYINFO{source, MonotonicMs()});
  s.Key(nChar);
  SetCurrentKeyInfo(KEYINFO{});
}

int NextRandomChar() { return (unsigned char)g_practiceText[g_nTextCol][g_nTextRow]; }

// The stored run number nRun (from 1): its values, then its key list.
struct StoredRun {
  int nDrill, nEnding, nKeystrokes, nErrors, nChars;
  int64_t nDurationMs;
  double dCpm;  // -1 for NULL
  std::string keys;
};

StoredRun ReadRun(int nRun) {
  StoredRun run{};
  sqlite3* pDb = OpenRaw();
  sqlite3_stmt* p = nullptr;
  sqlite3_prepare_v2(pDb,
                     "SELECT drill, ending, keystrokes, errors, chars, duration_ms,"
                     " coalesce(cpm, -1), key_list FROM runs WHERE id = ?1",
                     -1, &p, nullptr);
  sqlite3_bind_int(p, 1, nRun);
  if (sqlite3_step(p) == SQLITE_ROW) {
    run = StoredRun{sqlite3_column_int(p, 0), sqlite3_column_int(p, 1), sqlite3_column_int(p, 2),
                    sqlite3_column_int(p, 3), sqlite3_column_int(p, 4),
                    sqlite3_column_int64(p, 5), sqlite3_column_double(p, 6),
                    (const char*)sqlite3_column_text(p, 7)};
  }
  sqlite3_finalize(p);
  sqlite3_close(pDb);
  return run;
}

// The key list's first n keys, as stored: "[asked,typed,correct,source,ms],...".
std::string FirstKeys(const std::string& keys, int n) {
  size_t nEnd = 0;
  for (int i = 0; i < n && nEnd != std::string::npos; ++i) nEnd = keys.find(']', nEnd + 1);
  return keys.substr(1, nEnd);
}

TEST(PracticeFromDrills, EveryJudgedKeyAndEveryRunAsTheScreensShowedThem) {
  Session s;
  s.Start();
  Type(s, 0, ' ');
  Type(s, 0, '2');  // the random drill; its run starts at this press
  const int chFirst = NextRandomChar();
  Type(s, 700, 'x', KeySource::kMainKeyboard);  // wrong, judged as 'X'
  Type(s, 300, chFirst, KeySource::kMainKeyboard);
  while (g_nPhase == PHASE_RUNNING) {
    const int ch = NextRandomChar();
    // Blanks with the keypad's Enter, digits on the keypad with Num Lock off.
    Type(s, 200, ch == ' ' ? '\r' : ch, KeySource::kKeypadNumLockOff);
  }
  ASSERT_EQ(g_nFinishState, 1);
  const int nTextChars = g_nTypeCount;
  const double dShownSpeed = g_dTypeSpeed, dShownElapsed = g_dElapsed;
  EXPECT_EQ(g_nErrorCount, 1);

  // Tab: a second run, timed out; the key after the limit is not judged and not kept.
  Type(s, 1000, '\t');
  Type(s, 400, NextRandomChar());
  Type(s, 500, NextRandomChar());
  Type(s, 61000, NextRandomChar());
  ASSERT_EQ(g_nPhase, PHASE_RESULT);

  // The position drill: a wrong key, then Enter and digits as asked, to its end.
  Type(s, 0, 27);
  Type(s, 0, '1');
  const int chAsked = (unsigned char)g_chTarget;
  Type(s, 900, chAsked == '5' ? '6' : '5');
  for (int i = 0; i < POSITION_DRILL_KEYS; ++i) Type(s, 300, (unsigned char)g_chTarget);
  ASSERT_EQ(g_nFinishState, 3);
  EXPECT_EQ(g_dElapsed, 17.0);  // 59 moves of 300 ms, shown in whole seconds

  // Tab, one wrong key, Escape: cancelled before its clock started.
  Type(s, 0, '\t');
  Type(s, 100, 'a', KeySource::kMainKeyboard);
  Type(s, 100, 27);

  ASSERT_EQ(StoredRuns(), 4);
  StoredRun run = ReadRun(1);
  EXPECT_EQ(run.nDrill, DRILL_RANDOM);
  EXPECT_EQ(run.nEnding, RUN_FINISHED);
  EXPECT_EQ(run.nKeystrokes, nTextChars + 1);
  EXPECT_EQ(run.nErrors, 1);
  EXPECT_EQ(run.nChars, nTextChars);
  EXPECT_EQ(run.nDurationMs, std::llround(dShownElapsed * 1000));
  EXPECT_EQ(run.dCpm, dShownSpeed);
  // The wrong X counts from the drill's start, the right key from the X; the third key's
  // source is the keypad with Num Lock off, and a blank typed with Enter is right.
  const std::string first = "[" + std::to_string(chFirst) + ",88,0,0,700],[" +
                            std::to_string(chFirst) + "," + std::to_string(chFirst) + ",1,3,300]";
  EXPECT_EQ(FirstKeys(run.keys, 2), first);
  EXPECT_NE(run.keys.find(",[32,13,1,2,200],"), std::string::npos);

  run = ReadRun(2);
  EXPECT_EQ(run.nEnding, RUN_TIMED_OUT);
  EXPECT_EQ(run.nKeystrokes, 2);
  EXPECT_EQ(run.nDurationMs, 60000);
  EXPECT_EQ(run.dCpm, 2.0);

  run = ReadRun(3);
  EXPECT_EQ(run.nDrill, DRILL_POSITION);
  EXPECT_EQ(run.nEnding, RUN_FINISHED);
  EXPECT_EQ(run.nKeystrokes, POSITION_DRILL_KEYS + 1);
  EXPECT_EQ(run.nErrors, 1);
  EXPECT_EQ(run.nChars, POSITION_DRILL_KEYS);
  EXPECT_EQ(run.nDurationMs, 59 * 300);  // before the screen cut it to whole seconds
  EXPECT_EQ(run.dCpm, -1.0);
  // The right key's time runs from when it was asked for, through the wrong one.
  EXPECT_EQ(FirstKeys(run.keys, 2),
            "[" + std::to_string(chAsked) + "," + std::to_string(chAsked == '5' ? '6' : '5') +
                ",0,1,900],[" + std::to_string(chAsked) + "," + std::to_string(chAsked) +
                ",1,1,1200]");

  run = ReadRun(4);
  EXPECT_EQ(run.nEnding, RUN_CANCELLED);
  EXPECT_EQ(run.nKeystrokes, 1);
  EXPECT_EQ(run.nDurationMs, 0);
  EXPECT_EQ(run.keys.substr(run.keys.size() - 13), ",65,0,0,100]]");
}

TEST(PracticeFromDrills, KeypadOnlyTurnsTheDigitRowIntoErrorsInBothDrills) {
  Session s;
  s.Start();
  // Remembered from an earlier run of the program with --keypad-only.
  LoadSettings(OnOff::kOn);
  ResetFlowState();
  LoadSettings(OnOff::kUnset);
  ASSERT_EQ(g_bKeypadOnly, 1);

  Type(s, 0, ' ');
  Type(s, 0, '2');
  const int chFirst = NextRandomChar();
  Type(s, 100, chFirst, KeySource::kMainKeyboard);  // the digit row: wrong
  EXPECT_EQ(g_nErrorCount, 1);
  EXPECT_EQ(g_nTypeCount, 0);
  Type(s, 100, chFirst, KeySource::kInputMethod);  // a commit says nothing of its keys
  Type(s, 100, NextRandomChar(), KeySource::kKeypad);
  EXPECT_EQ(g_nTypeCount, 2);
  Type(s, 100, 27);

  Type(s, 0, 27);
  Type(s, 0, '1');
  const int chAsked = (unsigned char)g_chTarget;
  // From the main keyboard: Enter is no digit, and right; a digit of the digit row is wrong.
  Type(s, 100, chAsked, KeySource::kMainKeyboard);
  EXPECT_EQ(g_nErrorCount, chAsked == '\r' ? 0 : 1);
  EXPECT_EQ(g_nTypeCount, chAsked == '\r' ? 1 : 0);
  Type(s, 100, 27);

  ASSERT_EQ(StoredRuns(), 2);
  EXPECT_EQ(FirstKeys(ReadRun(1).keys, 1),
            "[" + std::to_string(chFirst) + "," + std::to_string(chFirst) + ",0,3,100]");
  EXPECT_EQ(ReadRun(1).nErrors, 1);
  EXPECT_EQ(ReadRun(2).nErrors, chAsked == '\r' ? 0 : 1);

  // --no-keypad-only: every digit counts again, and the file says so, its other lines kept.
  Session::WriteFile("numdril.conf", "# mine\nkeypad-only = on\ncolour = blue\n");
  LoadSettings(OnOff::kOff);
  EXPECT_EQ(g_bKeypadOnly, 0);
  EXPECT_EQ(Session::ReadFile("numdril.conf"), "# mine\nkeypad-only = off\ncolour = blue\n");
}

}  // namespace
