// SPDX-License-Identifier: MIT
// Position drill scenarios through the real view: keys, hint timers, drill timing, advice,
// and that a repaint at any point shows exactly what the key and timer handlers drew.
#include <set>
#include <vector>

#include "drill_support.h"
#include "records/records.h"

using namespace drill;

TEST(PositionDrill, WholeDrillsAddTruncatedTimeAndCount) {
  Session s;
  EnterDrill(s);
  EXPECT_TRUE(s.View().ActiveTimers().empty());  // guide shown: no hint timer
  s.Advance(5000);  // the clock starts at the first correct press, not at the drill start
  PressRight(s);
  for (int i = 1; i < 59; ++i) {
    s.Advance(1000);
    PressRight(s);
    if (i == 30) ExpectRepaintSame(s, "mid drill");
  }
  EXPECT_EQ(g_nTypeCount, 59);
  EXPECT_EQ(g_nPhase, PHASE_RUNNING);
  s.Advance(1900);  // 59.9 s in all
  PressRight(s);

  EXPECT_EQ(g_nPhase, PHASE_RESULT);
  EXPECT_EQ(g_nFinishState, 3);
  EXPECT_DOUBLE_EQ(g_dElapsed, 59.0);
  EXPECT_EQ(g_nPositionSeconds, 59);
  EXPECT_EQ(g_nPositionCount, 1);
  EXPECT_EQ(g_nAdvice, 1);  // no errors with the guide shown
  EXPECT_TRUE(LineShows(s, 32, 1, "It took  59sec to finish", CR_NAVY));
  EXPECT_TRUE(LineShows(s, 16, 480, "Practice Count   1", CR_GREEN));
  EXPECT_TRUE(
      LineShows(s, 320, 96, "Please press Space key to hide Keyguide and try again", CR_GREEN));
  EXPECT_TRUE(LineShows(s, 352, 192, "Press TAB key to try again", CR_TEAL));
  EXPECT_TRUE(LineShows(s, 368, 192, "Press ESC key to go back to Menu", CR_TEAL));
  EXPECT_TRUE(LineShows(s, 32, 512, "Type count  60", CR_TEAL));
  // The hand is gone.
  EXPECT_EQ(CountPixels(s.Fb(), 0, 0, 642, 402, FINGER), 0);
  EXPECT_EQ(CountPixels(s.Fb(), 0, 0, 642, 402, NAIL), 0);
  EXPECT_TRUE(s.View().ActiveTimers().empty());
  ExpectRepaintSame(s, "finished");

  // Keys after the drill change nothing.
  std::vector<uint32_t> shown(s.Fb().Row(0), s.Fb().Row(0) + 642 * 402);
  for (int k : {(int)'0', (int)'5', 13, (int)'a', 8}) s.Key(k);
  EXPECT_EQ(g_nTypeCount, 60);
  EXPECT_EQ(g_nErrorCount, 0);
  EXPECT_TRUE(std::equal(shown.begin(), shown.end(), s.Fb().Row(0)));

  // A second drill within one millisecond counts as one second; the totals add up.
  s.Key('\t');
  EXPECT_EQ(g_nPhase, PHASE_RUNNING);
  EXPECT_EQ(g_nTypeCount, 0);
  EXPECT_EQ(g_nAdvice, 0);
  ExpectRepaintSame(s, "new drill");
  PressRight(s, 60);
  EXPECT_DOUBLE_EQ(g_dElapsed, 1.0);
  EXPECT_EQ(g_nPositionSeconds, 60);
  EXPECT_EQ(g_nPositionCount, 2);
  EXPECT_TRUE(LineShows(s, 32, 1, "It took   1sec to finish", CR_NAVY));
  EXPECT_TRUE(LineShows(s, 16, 480, "Practice Count   2", CR_GREEN));

  // A drill pressed over 25.5 s while the program was stopped, its keys all handled at
  // once 90 s after the first press: timed by the presses.
  s.Key('\t');
  const uint64_t nFirstPressMs = MonotonicMs();
  s.Advance(90000);
  for (int i = 0; i < 60; ++i) {
    SetCurrentKeyInfo(KEYINFO{KeySource::kKeypad, nFirstPressMs + 432 * i});
    PressRight(s);
  }
  SetCurrentKeyInfo(KEYINFO{});
  EXPECT_DOUBLE_EQ(g_dElapsed, 25.0);
  EXPECT_EQ(g_nPositionSeconds, 85);
  EXPECT_TRUE(LineShows(s, 32, 1, "It took  25sec to finish", CR_NAVY));
}

TEST(PositionDrill, HintTimerWhileGuideHidden) {
  Session s;
  EnterDrill(s);
  s.Key(' ');  // hide before the first correct press: the first hint delay
  UINT_PTR id = Target();
  EXPECT_EQ(s.View().TimerPeriod(id), 3000u);
  ExpectRepaintSame(s, "hidden at start");
  s.Key(27);
  EXPECT_TRUE(s.View().ActiveTimers().empty());
  s.Key(27);
  EXPECT_EQ(g_nMode, MODE_MENU);
  s.Key('1');  // the guide stays hidden across the menu

  id = Target();
  EXPECT_EQ(g_bGuideShown, 0);
  EXPECT_EQ(s.View().ActiveTimers(), std::vector<UINT_PTR>{id});
  EXPECT_EQ(s.View().TimerPeriod(id), 3000u);
  EXPECT_EQ(LabelCorner(s, Target()), KeyColour(Target()));
  PressWrong(s);  // postpones the hint by the later delay
  EXPECT_EQ(s.View().TimerPeriod(id), 2000u);
  s.Timer(id);
  EXPECT_FALSE(s.View().HasTimer(id));
  EXPECT_EQ(g_chShownKey, g_chTarget);
  EXPECT_EQ(LabelCorner(s, Target()), BLACK);
  EXPECT_EQ(NailOfKey(s, Target()), BLACK);
  ExpectRepaintSame(s, "hint shown");
  PressWrong(s, 2);  // after the hint nothing restarts and the mark stays
  EXPECT_TRUE(s.View().ActiveTimers().empty());
  EXPECT_EQ(LabelCorner(s, Target()), BLACK);

  int old = Target();
  PressRight(s);
  EXPECT_EQ(LabelCorner(s, old), KeyColour(old));
  EXPECT_EQ(s.View().ActiveTimers(), std::vector<UINT_PTR>{(UINT_PTR)Target()});
  EXPECT_EQ(s.View().TimerPeriod(Target()), 2000u);
  ExpectRepaintSame(s, "waiting for second hint");

  s.Key(' ');  // showing the guide reveals the key and stops the timer
  EXPECT_TRUE(s.View().ActiveTimers().empty());
  EXPECT_EQ(LabelCorner(s, Target()), BLACK);
  ExpectRepaintSame(s, "shown again");
  PressWrong(s);
  PressRight(s);
  EXPECT_TRUE(s.View().ActiveTimers().empty());
  s.Key(' ');  // hidden after the first correct press: the later delay
  EXPECT_EQ(s.View().TimerPeriod(Target()), 2000u);
  EXPECT_EQ(LabelCorner(s, Target()), KeyColour(Target()));
  ExpectRepaintSame(s, "hidden mid drill");

  // Finishing with a hint pending leaves no timer behind.
  while (g_nPhase == PHASE_RUNNING) PressRight(s);
  EXPECT_TRUE(s.View().ActiveTimers().empty());
  ExpectRepaintSame(s, "finished hidden");
}

TEST(PositionDrill, AdviceThresholds) {
  struct Case {
    int nErrors;
    bool bHidden;
    int nAdvice;
  };
  for (Case c : {Case{5, false, 1}, Case{6, false, 0}, Case{14, true, 0}, Case{15, true, 2},
                 Case{15, false, 0}}) {
    Session s;
    EnterDrill(s);
    if (c.bHidden) s.Key(' ');
    PressWrong(s, c.nErrors);
    while (g_nPhase == PHASE_RUNNING) PressRight(s);
    EXPECT_EQ(g_nAdvice, c.nAdvice) << c.nErrors << " errors";
    EXPECT_EQ(AnyInk(s.Fb(), 97, 321, 521, 337), c.nAdvice != 0) << c.nErrors << " errors";
    ExpectRepaintSame(s, "advice");
    if (c.nAdvice == 0) continue;

    // Advice earned by one drill is not shown again by a later one.
    s.Key('\t');
    PressWrong(s, 10);
    while (g_nPhase == PHASE_RUNNING) PressRight(s);
    EXPECT_EQ(g_nAdvice, 0);
    ExpectRepaintSame(s, "no stale advice");
    s.Key('\t');
    while (g_nPhase == PHASE_RUNNING) PressRight(s);
    // Following the advice with Space after the drill erases it.
    if (g_nAdvice != 0) {
      s.Key(' ');
      EXPECT_EQ(g_nAdvice, 0);
      EXPECT_FALSE(AnyInk(s.Fb(), 97, 321, 521, 337));
      ExpectRepaintSame(s, "advice followed");
    }
  }
}

TEST(PositionDrill, CancelAddsTimeOnlyOnceStarted) {
  Session s;
  EnterDrill(s);
  s.Advance(7000);
  s.Key(27);  // before any correct press: nothing counts
  EXPECT_EQ(g_nPhase, PHASE_RESULT);
  EXPECT_EQ(g_nPositionSeconds, 0);
  EXPECT_EQ(g_nPositionCount, 0);
  ExpectRepaintSame(s, "cancelled at once");

  s.Key('\t');
  PressRight(s);
  for (int i = 0; i < 9; ++i) {
    s.Advance(1350);
    PressRight(s);
  }
  PressWrong(s);
  int nWrong = (unsigned char)g_chLastWrong;
  s.Key(27);  // 12.15 s after the first correct press
  EXPECT_EQ(g_nPositionSeconds, 12);
  EXPECT_EQ(g_nPositionCount, 0);
  EXPECT_EQ(g_nFinishState, 0);
  EXPECT_FALSE(AnyInk(s.Fb(), 1, 33, 200, 49));  // neither the Escape prompt nor a time
  EXPECT_EQ(CountPixels(s.Fb(), 0, 0, 642, 402, FINGER), 0);  // the hand is gone
  EXPECT_EQ(LabelCorner(s, Target()), BLACK);                 // the answer stays
  ExpectRepaintSame(s, "cancelled");

  // The wrong key stays red through hiding the guide and into the next drill.
  s.Key(' ');
  EXPECT_EQ(LabelCorner(s, nWrong), RED);
  ExpectRepaintSame(s, "hidden after cancel");
  s.Key(' ');
  ExpectRepaintSame(s, "shown after cancel");
  EXPECT_EQ(LabelCorner(s, Target()), BLACK) << "the answer mark is lost after Space twice";
  int nOldPos = g_nTargetPos;
  s.Key('\t');
  EXPECT_NE(g_nTargetPos, nOldPos);
  EXPECT_EQ(LabelCorner(s, nWrong), RED);
  if (Target() != nWrong) {
    PressRight(s);
    EXPECT_EQ(g_chLastWrong, 0);
    EXPECT_EQ(LabelCorner(s, nWrong), KeyColour(nWrong));
  }
  s.Key(27);
  s.Key(27);
  EXPECT_EQ(g_nMode, MODE_MENU);
  EXPECT_EQ(g_nPhase, PHASE_MENU);
  EXPECT_TRUE(s.View().ActiveTimers().empty());
}

TEST(PositionDrill, JudgingKeys) {
  Session s;
  EnterDrill(s);
  // Letters are errors that mark nothing; a marked wrong digit loses its mark to them.
  PressWrong(s);
  int nWrong = WrongDigit();
  EXPECT_EQ(LabelCorner(s, nWrong), RED);
  s.Key('a');
  EXPECT_EQ(g_nErrorCount, 2);
  EXPECT_EQ(CountPixels(s.Fb(), 200, 60, 420, 310, RED), 0);
  ExpectRepaintSame(s, "letter");

  // Enter counts when the carriage return is asked for.
  bool bSawEnter = false;
  while (g_nTypeCount < 59) {
    if (g_chTarget == '\r') {
      int n = g_nTypeCount;
      s.Key(13);
      EXPECT_EQ(g_nTypeCount, n + 1);
      bSawEnter = true;
      ExpectRepaintSame(s, "after Enter");
    } else {
      PressRight(s);
    }
  }
  EXPECT_TRUE(bSawEnter);
  EXPECT_EQ(g_nErrorCount, 2);
}

TEST(PositionDrill, NextKeyNeverRepeatsAndReachesEveryKey) {
  const char* pszSet = "0123456789\r";
  SRand(1);
  std::set<int> first, next;
  int nPos = NextKeyPosition(pszSet, -1);
  for (int i = 0; i < 2000; ++i) {
    first.insert(NextKeyPosition(pszSet, -1));
    int nNext = NextKeyPosition(pszSet, nPos);
    ASSERT_NE(nNext, nPos);
    ASSERT_GE(nNext, 0);
    ASSERT_LT(nNext, 11);
    next.insert(nNext);
    nPos = nNext;
  }
  EXPECT_EQ(first.size(), 11u);
  EXPECT_EQ(next.size(), 11u);
}

TEST(PositionDrill, WrongMarkCarriedOntoTheAskedForKey) {
  Session s;
  EnterDrill(s);
  PressWrong(s);
  int nWrong = (unsigned char)g_chLastWrong;
  s.Key(27);
  s.Key(' ');  // hidden, so the hint paints over the carried mark
  // New drills until the first key asked is the one pressed wrongly before.
  for (int i = 0; i < 200 && Target() != nWrong; ++i) {
    s.Key('\t');
    if (Target() != nWrong) s.Key(27);
  }
  ASSERT_EQ(Target(), nWrong);
  EXPECT_EQ(LabelCorner(s, nWrong), RED);
  s.Timer(Target());
  EXPECT_EQ(LabelCorner(s, nWrong), RED);  // the wrong mark stays on top
  ExpectRepaintSame(s, "hint on the wrong key");
  s.Key(' ');
  ExpectRepaintSame(s, "shown");
  PressWrong(s);  // the mark moves; the answer comes back
  EXPECT_EQ(LabelCorner(s, nWrong), BLACK);
  ExpectRepaintSame(s, "another wrong key");
  PressRight(s);
  ExpectRepaintSame(s, "answered");
}
