// SPDX-License-Identifier: MIT
// The random drill driven through the view: whole runs typed key by key on a moving
// clock, their ends (completion, time limit by tick or by key, cancel), best speeds,
// the speed history, and the run's time added to the practice total exactly once.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <limits>

#include "drill.h"

namespace {

TEST(RandomDrill, CompletedRunsSetBestSpeedsAndAppendOnlyNewOnes) {
  Session s;
  s.Start();
  g_nRandomSeconds[0][0] = 7;
  EnterRandomDrill(s);
  ASSERT_EQ(g_nMode, MODE_RANDOM);
  ASSERT_EQ(g_nPhase, PHASE_RUNNING);
  ASSERT_EQ(g_nTextChars, 108);

  // 108 characters in 54.321 seconds, timed from the first correct key to the last.
  TypeCorrect(s, 1);
  EXPECT_EQ(s.View().TimerPeriod(RANDOM_CLOCK_TIMER), 1000u);
  s.Advance(54321);
  TypeCorrect(s, 107);
  EXPECT_EQ(g_nPhase, PHASE_RESULT);
  EXPECT_EQ(g_nFinishState, 1);
  EXPECT_NEAR(g_dTypeSpeed, 108 / 54.321 * 60.0, 1e-9);
  EXPECT_FALSE(s.View().HasTimer(RANDOM_CLOCK_TIMER));
  EXPECT_EQ(g_nRandomSeconds[0][0], 61);  // 7 + 54.321, truncated
  EXPECT_EQ(g_nRandomCount[0][0], 1);
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 8, "Elapsed Time54.32sec", CR_NAVY));
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 184, "Current Type Speed 119.3/min", CR_NAVY));
  EXPECT_TRUE(ShowsText(s.Fb(), 16, 248, "Practice Count   1", CR_GREEN));
  EXPECT_TRUE(ShowsText(s.Fb(), 352, 192, "Press TAB key to try again", CR_TEAL));
  EXPECT_TRUE(ShowsText(s.Fb(), 368, 192, "Press ESC key to go back to Menu", CR_TEAL));
  EXPECT_FALSE(RowInk(s.Fb(), 32, 0, 640)) << "typing hint erased";
  EXPECT_FALSE(RowInk(s.Fb(), 320, 0, 640)) << "a first best is not congratulated";
  EXPECT_EQ(CountLines(Session::ReadFile("numdril.spd")), 1);
  EXPECT_EQ(g_bSpdSaved, 1);
  // Stored only when the result is left.
  EXPECT_EQ(g_dBestSpeed[0][0], 0.0);

  // Tab stores the best first, so the new text follows it: ceil(155.3 / 36) = 5 lines.
  s.Key('\t');
  EXPECT_NEAR(g_dBestSpeed[0][0], 119.29, 0.01);
  EXPECT_STREQ(g_szBestDate[0][0], "26/12/07");
  EXPECT_EQ(g_nPhase, PHASE_RUNNING);
  EXPECT_EQ(g_nTextLines, 5);
  EXPECT_EQ(g_nTypeCount, 0);
  EXPECT_TRUE(ShowsText(s.Fb(), 48, 184, "Maximum Type Speed 119.3/min", CR_GREEN));
  EXPECT_TRUE(ShowsText(s.Fb(), 48, 424, "Date 26/12/07", CR_GREEN));
  EXPECT_FALSE(RowInk(s.Fb(), 80, 0, 640)) << "status lines start empty";

  // A faster run: 180 characters in 30 seconds.
  TypeCorrect(s, 1);
  s.Advance(30000);
  TypeCorrect(s, 179);
  EXPECT_EQ(g_nFinishState, 2);
  EXPECT_DOUBLE_EQ(g_dTypeSpeed, 360.0);
  EXPECT_TRUE(ShowsText(s.Fb(), 320, 128, "Congratulations You have updated your speed record",
                        CR_GREEN));
  EXPECT_EQ(CountLines(Session::ReadFile("numdril.spd")), 2);
  EXPECT_EQ(g_nRandomSeconds[0][0], 91);
  // A repaint of the result still shows the old best, with the congratulation.
  s.Paint();
  EXPECT_TRUE(ShowsText(s.Fb(), 48, 184, "Maximum Type Speed 119.3/min", CR_GREEN));
  EXPECT_TRUE(ShowsText(s.Fb(), 320, 128, "Congratulations You have updated your speed record",
                        CR_GREEN));

  // Leaving stores it; the next lesson start gets the longest text.
  s.Key(27);
  EXPECT_EQ(g_nMode, MODE_MENU);
  EXPECT_DOUBLE_EQ(g_dBestSpeed[0][0], 360.0);
  s.Key('2');
  EXPECT_EQ(g_nTextLines, 10);

  // A slower run ends at the limit and writes nothing.
  TypeCorrect(s, 5);
  s.Advance(60000);
  s.Timer(RANDOM_CLOCK_TIMER);
  EXPECT_EQ(g_nPhase, PHASE_RESULT);
  EXPECT_EQ(g_nFinishState, 3);
  EXPECT_EQ(CountLines(Session::ReadFile("numdril.spd")), 2);
  EXPECT_FALSE(RowInk(s.Fb(), 320, 0, 640));
  s.Key(27);
  EXPECT_DOUBLE_EQ(g_dBestSpeed[0][0], 360.0);
  EXPECT_EQ(g_nRandomSeconds[0][0], 151);
  EXPECT_EQ(g_nRandomCount[0][0], 3);
}

TEST(RandomDrill, KeysHandledAfterAStallCountFromTheirPresses) {
  Session s;
  s.Start();
  EnterRandomDrill(s);
  ASSERT_EQ(g_nTextChars, 108);
  // The whole text pressed 250 ms apart while the program was stopped, and handled at
  // once 40 s after the first press: 26.75 s of typing, not the moment of handling.
  const uint64_t nFirstPressMs = MonotonicMs();
  s.Advance(40000);
  for (int i = 0; i < 108; ++i) {
    SetCurrentKeyInfo(KEYINFO{KeySource::kKeypad, nFirstPressMs + 250 * i});
    TypeCorrect(s, 1);
  }
  SetCurrentKeyInfo(KEYINFO{});
  EXPECT_EQ(g_nPhase, PHASE_RESULT);
  EXPECT_DOUBLE_EQ(g_dElapsed, 26.75);
  EXPECT_NEAR(g_dTypeSpeed, 108 / 26.75 * 60.0, 1e-9);
  EXPECT_EQ(g_nRandomSeconds[0][0], 26);
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 8, "Elapsed Time26.75sec", CR_NAVY));
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 184, "Current Type Speed 242.2/min", CR_NAVY));
}

TEST(RandomDrill, TickAtTheLimitEndsTheRunOnceWithSixtySeconds) {
  Session s;
  s.Start();
  g_nRandomSeconds[0][0] = 3;
  EnterRandomDrill(s);
  for (int i = 0; i < 50; ++i) {
    TypeCorrect(s, 1);
    s.Advance(200);
  }
  // Ticks up to just before the limit keep the run going.
  while (g_dElapsed < 59.0) {
    s.Advance(1000);
    s.Timer(RANDOM_CLOCK_TIMER);
  }
  s.Advance(59999 - (int)(g_dElapsed * 1000 + 0.5));
  s.Timer(RANDOM_CLOCK_TIMER);
  ASSERT_EQ(g_nPhase, PHASE_RUNNING);
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 8, "Elapsed Time59sec", CR_NAVY));

  s.Advance(1);
  s.Timer(RANDOM_CLOCK_TIMER);
  EXPECT_EQ(g_nPhase, PHASE_RESULT);
  EXPECT_DOUBLE_EQ(g_dElapsed, 60.0);
  EXPECT_DOUBLE_EQ(g_dTypeSpeed, 50.0);
  EXPECT_FALSE(s.View().HasTimer(RANDOM_CLOCK_TIMER));
  EXPECT_EQ(g_nRandomSeconds[0][0], 63);
  EXPECT_EQ(g_nRandomCount[0][0], 1);
  EXPECT_EQ(g_nFinishState, 1);
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 8, "Elapsed Time60sec", CR_NAVY));
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 184, "Current Type Speed  50.0/min", CR_NAVY));
  EXPECT_TRUE(ShowsText(s.Fb(), 16, 248, "Practice Count   1", CR_GREEN));
  EXPECT_TRUE(ShowsText(s.Fb(), 352, 192, "Press TAB key to try again", CR_TEAL));

  // Nothing after the end counts again: ticks (the timer is gone) and keys.
  s.Advance(5000);
  s.Timer(RANDOM_CLOCK_TIMER);
  s.Keys("0123456789 \r");
  EXPECT_EQ(g_nRandomSeconds[0][0], 63);
  EXPECT_EQ(g_nRandomCount[0][0], 1);
  EXPECT_EQ(g_nTypeCount, 50);
  EXPECT_EQ(CountLines(Session::ReadFile("numdril.spd")), 1);
}

TEST(RandomDrill, KeyAfterTheLimitEndsTheRunUnjudgedAndEqualSpeedIsNoRecord) {
  Session s;
  s.Start();
  g_dBestSpeed[0][0] = 120.0;
  EnterRandomDrill(s);
  ASSERT_EQ(g_nTextChars, 180);
  TypeCorrect(s, 1);
  for (int i = 1; i < 120; ++i) {
    s.Advance(400);
    TypeCorrect(s, 1);
  }
  // No tick came: the next key, 60.5 seconds in, finds the time run out.
  s.Advance(60500 - 119 * 400);
  const int nDue = (unsigned char)DueChar();
  s.Key(nDue);
  EXPECT_EQ(g_nPhase, PHASE_RESULT);
  EXPECT_EQ(g_nTypeCount, 120);
  EXPECT_EQ(g_nErrorCount, 0);
  EXPECT_DOUBLE_EQ(g_dTypeSpeed, 120.0);
  EXPECT_EQ(g_nFinishState, 3) << "equal to the best is not a new best";
  EXPECT_EQ(g_nRandomSeconds[0][0], 60);
  EXPECT_FALSE(s.View().HasTimer(RANDOM_CLOCK_TIMER));
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 8, "Elapsed Time60sec", CR_NAVY));
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 184, "Current Type Speed 120.0/min", CR_NAVY));
  EXPECT_EQ(Session::ReadFile("numdril.spd"), "");

  // A storm of keys and ticks on the result changes nothing.
  for (int i = 0; i < 200; ++i) {
    s.Key("0123456789 \r\x08q"[i % 14]);
    if (i % 7 == 0) {
      s.Advance(333);
      s.Timer(RANDOM_CLOCK_TIMER);
    }
  }
  EXPECT_EQ(g_nPhase, PHASE_RESULT);
  EXPECT_EQ(g_nRandomCount[0][0], 1);
  EXPECT_EQ(g_nRandomSeconds[0][0], 60);
  EXPECT_EQ(g_nErrorCount, 0);
  EXPECT_TRUE(s.View().ActiveTimers().empty());
  s.Key(27);
  EXPECT_DOUBLE_EQ(g_dBestSpeed[0][0], 120.0);
}

TEST(RandomDrill, WrongKeysMarkTheCellAndOnlyACorrectKeyStartsTheClock) {
  Session s;
  s.Start();
  EnterRandomDrill(s);
  const CellBox c0 = TextCell(0, 0);

  s.Key(WrongDigit());
  EXPECT_EQ(g_nErrorCount, 1);
  EXPECT_EQ(g_bTimingStarted, 0);
  EXPECT_FALSE(s.View().HasTimer(RANDOM_CLOCK_TIMER));
  EXPECT_EQ(g_nTextCol, 0);
  EXPECT_GT(CountPixels(s.Fb(), c0.x0, c0.y0, c0.x1, c0.y1, 0xFF0000), 100);
  EXPECT_GT(CountPixels(s.Fb(), c0.x0, c0.y0, c0.x1, c0.y1, 0x000000), 0);
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 424, "Error Count  1", CR_MAROON));

  // The right key clears the red, underlines the cell in blue and starts the clock.
  TypeCorrect(s, 1);
  EXPECT_EQ(CountPixels(s.Fb(), c0.x0, c0.y0, c0.x1, c0.y1, 0xFF0000), 0);
  EXPECT_GT(CountPixels(s.Fb(), c0.x0, c0.y1, c0.x1, c0.y1 + 4, 0x0000FF), 20);
  EXPECT_GT(CountPixels(s.Fb(), c0.x0, c0.y0, c0.x1, c0.y1, 0x000000), 0);
  EXPECT_EQ(g_nErrorCount, 1);
  EXPECT_TRUE(s.View().HasTimer(RANDOM_CLOCK_TIMER));
  EXPECT_EQ(g_nTypeCount, 1);

  // Enter is wrong where a digit is due, right where a blank is; so is Space.
  s.Key('\r');
  EXPECT_EQ(g_nErrorCount, 2);
  TypeCorrect(s, 4);
  ASSERT_EQ(DueChar(), ' ');
  s.Key('\r');
  EXPECT_EQ(g_nTextCol, 6);
  TypeCorrect(s, 5);
  ASSERT_EQ(DueChar(), ' ');
  s.Key(WrongDigit());
  EXPECT_EQ(g_nErrorCount, 3);
  s.Key(' ');
  EXPECT_EQ(g_nTextCol, 12);
  // Tab during a run is just a wrong key.
  s.Key('\t');
  EXPECT_EQ(g_nErrorCount, 4);
  EXPECT_EQ(g_nPhase, PHASE_RUNNING);
  EXPECT_EQ(g_nTypeCount, 12);
  EXPECT_TRUE(ShowsText(s.Fb(), 80, 424, "Error Count  4", CR_MAROON));
  // The last line: row 2 ends in a blank typed with Enter and completes the text.
  TypeCorrect(s, 108 - 12 - 1);
  ASSERT_EQ(g_nTextRow, 2);
  ASSERT_EQ(g_nTextCol, 35);
  s.Key('\r');
  EXPECT_EQ(g_nPhase, PHASE_RESULT);
  EXPECT_EQ(g_nTypeCount, 108);
}

TEST(RandomDrill, CancelAddsTheRunTimeOnceAndNothingBeforeTheClock) {
  Session s;
  s.Start();
  g_nRandomSeconds[0][0] = 100;
  EnterRandomDrill(s);

  // Escape before the first correct key: no time, no run counted.
  s.Key(WrongDigit());
  s.Key(27);
  EXPECT_EQ(g_nPhase, PHASE_RESULT);
  EXPECT_EQ(g_nFinishState, 0);
  EXPECT_EQ(g_nRandomSeconds[0][0], 100);
  EXPECT_EQ(g_nRandomCount[0][0], 0);
  EXPECT_TRUE(ShowsText(s.Fb(), 352, 192, "Press TAB key to try again", CR_TEAL));
  EXPECT_TRUE(ShowsText(s.Fb(), 368, 192, "Press ESC key to go back to Menu", CR_TEAL));
  EXPECT_FALSE(RowInk(s.Fb(), 32, 0, 640));

  // Cancel 12.7 seconds after the first correct key adds 12.
  s.Key('\t');
  TypeCorrect(s, 3);
  s.Advance(12700);
  s.Key(27);
  EXPECT_FALSE(s.View().HasTimer(RANDOM_CLOCK_TIMER));
  EXPECT_EQ(g_nRandomSeconds[0][0], 112);
  s.Key(27);  // leaves: no second addition
  EXPECT_EQ(g_nMode, MODE_MENU);
  EXPECT_EQ(g_nRandomSeconds[0][0], 112);

  // Cancel in the same millisecond as the first key counts one second.
  s.Key('2');
  TypeCorrect(s, 1);
  s.Key(27);
  EXPECT_EQ(g_nRandomSeconds[0][0], 113);
  EXPECT_EQ(g_nRandomCount[0][0], 0);
  EXPECT_EQ(Session::ReadFile("numdril.spd"), "");
  EXPECT_DOUBLE_EQ(g_dBestSpeed[0][0], 0.0);
}

TEST(RandomDrill, KeyStormAcrossTheLimitFinishesOnce) {
  Session s;
  s.Start();
  g_dBestSpeed[0][0] = 400.0;  // the longest text, not finished within the minute
  EnterRandomDrill(s);
  TypeCorrect(s, 1);
  // Right and wrong keys every 300 ms, a tick every second, well past the limit.
  for (int i = 1; i < 260; ++i) {
    s.Advance(300);
    if (i % 4 == 0)
      s.Key(WrongDigit());
    else if (g_nPhase == PHASE_RUNNING)
      TypeCorrect(s, 1);
    else
      s.Key('5');
    if (i % 3 == 0) s.Timer(RANDOM_CLOCK_TIMER);
  }
  EXPECT_EQ(g_nPhase, PHASE_RESULT);
  EXPECT_EQ(g_nRandomCount[0][0], 1);
  EXPECT_EQ(g_nRandomSeconds[0][0], 60);
  EXPECT_DOUBLE_EQ(g_dElapsed, 60.0);
  EXPECT_DOUBLE_EQ(g_dTypeSpeed, (double)g_nTypeCount);
  EXPECT_EQ(g_nFinishState, 3);
  EXPECT_TRUE(s.View().ActiveTimers().empty());
}

TEST(RandomDrill, FailedSpeedHistoryAppendStaysReported) {
  Session s;
  s.Start();
  // A directory in the way: the append cannot open the file.
  ASSERT_EQ(mkdir("numdril.spd", 0755), 0);
  EnterRandomDrill(s);
  TypeCorrect(s, 1);
  s.Advance(50000);
  TypeCorrect(s, 107);
  EXPECT_EQ(g_nFinishState, 1);
  EXPECT_EQ(g_bSpdSaved, 0);

  // The next new best is written, but the earlier loss is still reported at exit.
  ASSERT_EQ(rmdir("numdril.spd"), 0);
  s.Key('\t');
  TypeCorrect(s, 1);
  s.Advance(20000);
  TypeCorrect(s, g_nTextChars - 1);
  EXPECT_EQ(g_nFinishState, 2);
  EXPECT_EQ(CountLines(Session::ReadFile("numdril.spd")), 1);
  EXPECT_EQ(g_bSpdSaved, 0);
}

TEST(RandomDrill, DamagedBestSpeedCountsAsNoRecord) {
  // A best speed read as not-a-number could never be beaten; the run replaces it.
  Session s;
  s.Start();
  g_dBestSpeed[0][0] = std::numeric_limits<double>::quiet_NaN();
  EnterRandomDrill(s);
  EXPECT_EQ(g_nTextLines, 3);
  TypeCorrect(s, 1);
  s.Advance(40000);
  TypeCorrect(s, 107);
  EXPECT_EQ(g_nFinishState, 1);
  EXPECT_EQ(CountLines(Session::ReadFile("numdril.spd")), 1);
  s.Key('\t');
  EXPECT_DOUBLE_EQ(g_dBestSpeed[0][0], 108 / 40.0 * 60.0);
}

}  // namespace
