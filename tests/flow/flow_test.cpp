// SPDX-License-Identifier: MIT
// Scenarios of the screen flow through the headless view: leaving the title, choosing from
// the menu, the record screen, lesson start and its record slots, timer routing, and the
// title and menu as pixels at 642 x 402.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "flow/flow.h"
#include "flow/menu.h"
#include "position/position.h"
#include "random/random.h"
#include "records/records.h"
#include "support/key_player.h"
#include "support/session.h"

namespace {

constexpr uint32_t PURPLE = 0x802080, NAVY = 0x000080, TEAL = 0x008080, GREEN = 0x008000,
                   BROWN = 0x802000, BLUE = 0x0000FF, RED = 0xFF0000;

// Pixel rectangle of cells on the enlarged 512 x 320 grid at 642 x 402: a virtual unit is
// 1.25 pixels and the grid starts at pixel 1.
struct Box {
  int x0, y0, x1, y1;
};
Box Enlarged(int y, int x, int nHalfCells) {
  const int px = x * 640 / 512 + 1, py = y * 400 / 320 + 1;
  return {px, py, (x + 8 * nHalfCells) * 640 / 512 + 1, (y + 16) * 400 / 320 + 1};
}
int Count(Session& s, Box b, uint32_t rgb) {
  return CountPixels(s.Fb(), b.x0, b.y0, b.x1, b.y1, rgb);
}
bool Ink(Session& s, Box b) { return AnyInk(s.Fb(), b.x0, b.y0, b.x1, b.y1); }

std::vector<uint32_t> Pixels(Session& s) {
  std::vector<uint32_t> out;
  for (int y = 0; y < s.Fb().Height(); ++y)
    for (int x = 0; x < s.Fb().Width(); ++x) out.push_back(s.Pixel(x, y));
  return out;
}

int Marked() {
  int n = 0;
  for (int i = 0; MAIN_MENU[i].text; ++i)
    if (MAIN_MENU[i].bSelected) n = n * 10 + i + 1;
  return n;
}

}  // namespace

TEST(ScreenFlow, TitleOpensTheMenuOnAnyKeyThatSurvivesNormalisation) {
  for (int key : std::initializer_list<int>{27, ' ', '0', '7', 13, 'q'}) {
    Session s;
    s.Start();
    ASSERT_EQ(g_nMode, MODE_TITLE);
    s.Key(key);
    EXPECT_EQ(g_nMode, MODE_MENU) << key;
    EXPECT_EQ(g_nPhase, PHASE_MENU);
    EXPECT_EQ(g_pCurMenu, MAIN_MENU);
    EXPECT_EQ(Marked(), 0);  // the key that left the title chose nothing
  }
  Session s;
  s.Start();
  const std::vector<uint32_t> title = Pixels(s);
  s.Key(0x82);  // the first half of a two-byte character
  EXPECT_EQ(g_nMode, MODE_TITLE);
  s.Key(0x50);  // its second half: full-width １ leaves the title, choosing nothing
  EXPECT_EQ(g_nMode, MODE_MENU);
  EXPECT_EQ(g_pCurMenu, MAIN_MENU);

  Session t;
  t.Start();
  t.Keys("\x83\x4B");  // ガ normalises to nothing
  EXPECT_EQ(g_nMode, MODE_TITLE);
  EXPECT_EQ(Pixels(t), title);
  t.Keys("\x83\x6B");  // ヌ is the key 1
  EXPECT_EQ(g_nMode, MODE_MENU);
}

TEST(ScreenFlow, MenuIgnoresKeysThatNameNoItemAndExitPostsQuitWithoutPainting) {
  Session s;
  s.Start();
  s.Key(' ');
  const std::vector<uint32_t> menu = Pixels(s);
  for (int key :
       std::initializer_list<int>{27, '0', '5', '6', '7', '8', '9', 'A', 'z', 9, 13, ' '}) {
    s.Key(key);
    EXPECT_EQ(g_nMode, MODE_MENU) << key;
    EXPECT_EQ(g_pCurMenu, MAIN_MENU);
  }
  EXPECT_EQ(Pixels(s), menu);

  // Visit the record screen so that item 3 carries the mark, then leave.
  s.Key('3');
  EXPECT_EQ(g_nMode, MODE_RECORD);
  EXPECT_EQ(g_nPhase, PHASE_INFO);
  EXPECT_EQ(g_pCurMenu, nullptr);
  s.Key(27);
  ASSERT_EQ(g_nMode, MODE_MENU);
  const std::vector<uint32_t> marked = Pixels(s);
  s.Key('4');
  EXPECT_EQ(g_nMode, MODE_EXIT);
  EXPECT_TRUE(QuitRequested());
  EXPECT_EQ(g_pCurMenu, nullptr);
  EXPECT_EQ(Marked(), 3);           // the exit item does not take the mark
  EXPECT_EQ(Pixels(s), marked);     // nothing repainted: the menu stays on screen
  s.Keys("1\x1B 2");                // later keys find no menu and no drill
  EXPECT_EQ(g_nMode, MODE_EXIT);
}

TEST(ScreenFlow, RecordScreenTakesOnlyEscapeAndTheMenuShowsTheLastChoice) {
  Session s;
  s.Start();
  s.Key(27);
  // Nothing marked at first: every label navy.
  const Box item3 = Enlarged(112, 160, 15);
  EXPECT_GT(Count(s, item3, NAVY), 0);
  EXPECT_EQ(Count(s, item3, GREEN), 0);

  s.Key('3');
  ASSERT_EQ(g_nMode, MODE_RECORD);
  const std::vector<uint32_t> record = Pixels(s);
  for (int key : std::initializer_list<int>{'1', '2', '3', '4', ' ', 9, 13, 'x'}) {
    s.Key(key);
    EXPECT_EQ(g_nMode, MODE_RECORD) << key;
  }
  EXPECT_EQ(Pixels(s), record);
  s.Key(27);
  EXPECT_EQ(g_nMode, MODE_MENU);
  EXPECT_EQ(g_nPhase, PHASE_MENU);
  s.Snapshot("flow-menu-marked");
  // Item 3 green and underlined, with its number in green too; item 1 still navy.
  Box underlined = item3;
  underlined.y1 += 6;
  EXPECT_GT(Count(s, underlined, GREEN), 0);
  EXPECT_EQ(Count(s, item3, NAVY), 0);
  EXPECT_GT(Count(s, Enlarged(112, 128, 2), GREEN), 0);
  EXPECT_GT(Count(s, Enlarged(48, 160, 17), NAVY), 0);
  EXPECT_EQ(Count(s, Enlarged(48, 160, 17), GREEN), 0);
  // Marks live for the whole run: a repaint shows the same.
  const std::vector<uint32_t> menu = Pixels(s);
  s.Paint();
  EXPECT_EQ(Pixels(s), menu);
}

TEST(ScreenFlow, PositionLessonBindsItsSlotsAndComesBackToAMarkedMenu) {
  Session s;
  s.Start();
  s.Key(27);
  s.Key('1');
  EXPECT_EQ(g_nMode, MODE_POSITION);
  EXPECT_EQ(g_nPhase, PHASE_RUNNING);
  EXPECT_EQ(g_nLesson, 1);
  EXPECT_STREQ(g_pszLessonText, "0123456789\r");
  EXPECT_STREQ(g_pszScreenTitle, "Position Practice");
  ASSERT_GE(g_nTargetPos, 0);
  ASSERT_LT(g_nTargetPos, 11);
  EXPECT_EQ(g_chTarget, g_pszLessonText[g_nTargetPos]);
  // The guide is shown: the key is marked at once and no hint timer runs.
  EXPECT_EQ(g_chShownKey, g_chTarget);
  EXPECT_TRUE(s.View().ActiveTimers().empty());
  // The header names the drill, in purple on the normal grid, 42 bytes from x 152.
  EXPECT_GT(CountPixels(s.Fb(), 153, 0, 489, 18, PURPLE), 0);
  EXPECT_FALSE(AnyInk(s.Fb(), 0, 0, 153, 18));

  s.Key(27);  // cancel
  EXPECT_EQ(g_nPhase, PHASE_RESULT);
  s.Key(27);  // back to the menu
  EXPECT_EQ(g_nMode, MODE_MENU);
  EXPECT_EQ(g_pCurMenu, MAIN_MENU);
  EXPECT_EQ(Marked(), 1);
  EXPECT_GT(Count(s, Enlarged(48, 160, 17), GREEN), 0);
}

TEST(ScreenFlow, HiddenGuideDelaysTheFirstHintThroughTheTimer) {
  Session s;
  s.Start();
  g_bGuideShown = 0;
  s.Keys("\x1B" "1");
  ASSERT_EQ(g_nMode, MODE_POSITION);
  EXPECT_EQ(g_chShownKey, 0);
  const UINT_PTR nHint = (unsigned char)g_chTarget;
  EXPECT_EQ(s.View().ActiveTimers(), std::vector<UINT_PTR>{nHint});
  EXPECT_EQ(s.View().TimerPeriod(nHint), 3000u);
  s.Advance(3000);
  s.Timer(nHint);
  EXPECT_EQ(g_chShownKey, g_chTarget);
  EXPECT_FALSE(s.View().HasTimer(nHint));
}

// Where the lesson's results land (slot one of the record) shows in the random drill's
// tests, which reach the drill through this menu.
TEST(ScreenFlow, RandomLessonStartsFromTheMenuAndComesBackToAMarkedMenu) {
  Session s;
  s.Start();
  s.Keys("\x1B" "2");
  ASSERT_EQ(g_nMode, MODE_RANDOM);
  EXPECT_EQ(g_nPhase, PHASE_RUNNING);
  EXPECT_EQ(g_nLesson, 1);
  EXPECT_STREQ(g_pszLessonText, "0123456789");
  EXPECT_STREQ(g_pszScreenTitle, "Random Practice");
  EXPECT_GT(g_nTextChars, 0);
  EXPECT_TRUE(s.View().ActiveTimers().empty());  // the clock waits for the first key

  s.Keys("\x1B\x1B");  // cancel, then back
  EXPECT_EQ(g_nMode, MODE_MENU);
  EXPECT_EQ(Marked(), 2);
}

TEST(ScreenFlow, CodesWithoutAScreenAreNeverEntered) {
  Session s;
  s.Start();
  s.Key(27);
  MenuItem odd[] = {
      {48, 160, "Position 2", MODE_POSITION + 1, 0},
      {80, 160, "Random 2", MODE_RANDOM + 1, 0},
      {112, 160, "Info", 30, 0},
      {144, 160, "Odd", 5000, 0},
      {176, 160, "Nine thousand", 9000, 0},
      {0, 0, nullptr, 0, 0},
  };
  for (int key : std::initializer_list<int>{'1', '2', '3', '4', '5'}) {
    g_pCurMenu = odd;
    s.Key(key);
    EXPECT_EQ(g_nMode, MODE_MENU) << key;
    EXPECT_EQ(g_nPhase, PHASE_MENU);
    EXPECT_EQ(g_pCurMenu, MAIN_MENU);  // the main menu is back on screen
    EXPECT_EQ(g_pszLessonText, nullptr);
    EXPECT_TRUE(s.View().ActiveTimers().empty());
  }
  // An Escape target leads to the mode 9000 below its value.
  MenuItem back[] = {{48, 160, "Record", 29, 0}, {80, 160, "Back", 9029, 0}, {0, 0, nullptr, 0, 0}};
  g_pCurMenu = back;
  s.Key(27);
  EXPECT_EQ(g_nMode, MODE_RECORD);
  EXPECT_EQ(g_nPhase, PHASE_INFO);

  // A mode with no screen paints a blank screen and hands keys to no drill.
  g_nMode = MODE_POSITION + 49;
  s.Paint();
  EXPECT_FALSE(AnyInk(s.Fb(), 0, 0, 642, 402));
  s.Keys("1\x1B\t 5");
  EXPECT_EQ(g_nMode, MODE_POSITION + 49);
  g_nMode = MODE_RANDOM;  // a random mode never bound to its slots
  s.Paint();
  EXPECT_FALSE(AnyInk(s.Fb(), 0, 0, 642, 402));
  s.Keys("0123\x1B\t");
  s.View().SetTimer(1, 1000);
  s.Timer(1);  // a clock with no drill to serve is stopped
  EXPECT_FALSE(s.View().HasTimer(1));
  EXPECT_EQ(g_nMode, MODE_RANDOM);
}

// An input method shows what is being composed at the composition rectangle: it covers
// what the user reads to know what to type, follows the drills' cursor and the window's
// size. Each time, the one colour that thing alone is drawn in lies wholly inside it.
TEST(ScreenFlow, CompositionRectangleCoversWhatTheUserTypesNext) {
  Session s;
  s.Start();
  const auto inside = [&](uint32_t rgb) {
    const RECT rc = s.View().GetCompositionRect();
    return CountPixels(s.Fb(), rc.left, rc.top, rc.right, rc.bottom, rgb);
  };
  const auto everywhere = [&](uint32_t rgb) {
    return CountPixels(s.Fb(), 0, 0, s.Fb().Width(), s.Fb().Height(), rgb);
  };
  s.Key(' ');
  EXPECT_GT(inside(TEAL), 0);  // the menu's prompt line
  EXPECT_EQ(inside(TEAL), everywhere(TEAL));

  s.Key('1');
  for (int i = 0; i < 3; ++i) {  // the asked-for key, each one in turn
    EXPECT_GT(inside(BLUE), 0);
    EXPECT_EQ(inside(BLUE), everywhere(BLUE));
    s.Key(g_chTarget);
  }

  s.Keys("\x1B\x1B" "2");
  const int nRectLeft = s.View().GetCompositionRect().left;
  for (int i = 0; i < 2; ++i) {  // the next character: a wrong key marks its cell red
    const char chNext = g_practiceText[g_nTextCol][g_nTextRow];
    s.Key(chNext == '7' ? '8' : '7');
    EXPECT_GT(inside(RED), 0);
    EXPECT_EQ(inside(RED), everywhere(RED));
    s.Key(chNext);
  }
  EXPECT_EQ(s.View().GetCompositionRect().left, nRectLeft + 2 * 16);

  s.Key('7' + (g_practiceText[g_nTextCol][g_nTextRow] == '7'));
  s.View().Resize(1282, 802);
  s.Paint();
  EXPECT_EQ(s.View().GetCompositionRect().left, 2 * (nRectLeft + 2 * 16) - 1);
  EXPECT_GT(inside(RED), 0);
  EXPECT_EQ(inside(RED), everywhere(RED));
}

TEST(ScreenFlow, TitleScreenPixels) {
  Session s;
  s.Start();
  s.Snapshot("flow-title");
  // The frame: 25 discs across at y 48 and y 240, one at each side of every row between.
  for (int k = 0; k < 25; ++k) {
    EXPECT_GT(Count(s, Enlarged(48, 56 + 16 * k, 2), PURPLE), 20) << "top " << k;
    EXPECT_GT(Count(s, Enlarged(240, 56 + 16 * k, 2), PURPLE), 20) << "bottom " << k;
  }
  for (int y = 48; y <= 240; y += 16) {
    EXPECT_GT(Count(s, Enlarged(y, 56, 2), PURPLE), 20) << y;
    EXPECT_GT(Count(s, Enlarged(y, 440, 2), PURPLE), 20) << y;
  }
  // Nothing beyond the frame but the prompt below it.
  EXPECT_FALSE(Ink(s, Enlarged(48, 456, 2)));
  EXPECT_FALSE(Ink(s, Enlarged(32, 56, 50)));
  EXPECT_FALSE(Ink(s, Enlarged(256, 56, 50)));
  EXPECT_FALSE(Ink(s, Enlarged(48, 40, 2)));
  EXPECT_FALSE(Ink(s, Enlarged(64, 72, 2)));  // inside the frame, between texts
  // Texts in their colours: the name navy, the version line teal and bold, the subtitle
  // brown, the author line and the prompt teal.
  EXPECT_GT(Count(s, Enlarged(88, 96, 40), NAVY), 30);
  const int nVersion = Count(s, Enlarged(120, 152, 26), TEAL);
  EXPECT_GT(nVersion, 30);
  EXPECT_GT(Count(s, Enlarged(150, 152, 26), BROWN), 30);
  EXPECT_GT(Count(s, Enlarged(216, 128, 34), TEAL), 30);
  EXPECT_GT(Count(s, Enlarged(272, 304, 24), TEAL), 30);
  EXPECT_FALSE(Ink(s, Enlarged(272, 280, 3)));
  EXPECT_EQ(g_bBoldText, 0);
  EXPECT_EQ(g_bEnlargeX, 1);  // the title leaves the enlarged grid for the menu to reset
}

TEST(ScreenFlow, MenuScreenPixels) {
  Session s;
  s.Start();
  s.Key(' ');
  s.Snapshot("flow-menu");
  // The header on the normal grid: 38 bytes centred on x 320 start at x 168 (pixel 169).
  EXPECT_FALSE(AnyInk(s.Fb(), 0, 0, 169, 18));
  EXPECT_TRUE(AnyInk(s.Fb(), 169, 0, 185, 18));
  EXPECT_FALSE(AnyInk(s.Fb(), 473, 0, 642, 18));
  EXPECT_GT(CountPixels(s.Fb(), 169, 0, 473, 18, PURPLE), 50);
  // Four labels at x 160 of the enlarged grid, their full-width numbers four cells left.
  const int Y[] = {48, 80, 112, 144};
  const int LEN[] = {17, 15, 15, 4};
  for (int i = 0; i < 4; ++i) {
    EXPECT_GT(Count(s, Enlarged(Y[i], 128, 2), NAVY), 10) << i;
    EXPECT_FALSE(Ink(s, Enlarged(Y[i], 144, 2))) << i;  // gap between number and label
    EXPECT_FALSE(Ink(s, Enlarged(Y[i], 0, 16))) << i;
    EXPECT_GT(Count(s, Enlarged(Y[i], 160, LEN[i]), NAVY), 20) << i;
    EXPECT_FALSE(Ink(s, Enlarged(Y[i], 160 + 8 * LEN[i], 8))) << i;
  }
  EXPECT_FALSE(Ink(s, Enlarged(176, 0, 64)));  // no fifth item
  EXPECT_GT(Count(s, Enlarged(288, 232, 31), TEAL), 30);
  EXPECT_EQ(g_bEnlargeX, 0);
  EXPECT_EQ(g_bEnlargeY, 0);
}

TEST(ScreenFlow, AnyKeyStormLeavesTheProgramRunning) {
  std::mt19937 rng(20261207);
  std::set<int> modesSeen;
  int nSessions = 0;
  while (nSessions < 6) {
    Session s;
    s.Start();
    KeyPlayer player(s.View());
    ++nSessions;
    for (int n = 0; n < 3000 && g_nMode != MODE_EXIT; ++n) {
      const int r = (int)(rng() % 100);
      if (r < 35) {
        // Keys that move between screens, weighted so every screen is visited.
        static const int MOVES[] = {27, 27, '1', '2', '3', 9, ' ', 13, '4'};
        int key = MOVES[rng() % (sizeof MOVES / sizeof MOVES[0])];
        if (key == '4' && rng() % 8) key = '5';
        player.Key(key);
      } else if (r < 80) {
        player.Key((int)(rng() % 256));
      } else if (r < 85) {
        player.Key((int)(rng() % 0x10000));
      } else if (r < 93) {
        // Every timer fires, due or not.
        player.Advance(rng() % 5000);
        for (UINT_PTR id : s.View().ActiveTimers()) player.Fire(id);
      } else {
        player.Paint();
      }
      modesSeen.insert(g_nMode);
      // Every screen puts the input method's composition somewhere inside the window.
      const RECT rc = s.View().GetCompositionRect();
      ASSERT_TRUE(rc.left >= 0 && rc.top >= 0 && rc.left < rc.right && rc.top < rc.bottom &&
                  rc.right <= 642 && rc.bottom <= 402)
          << g_nMode << ": " << rc.left << " " << rc.top << " " << rc.right << " " << rc.bottom;
      ASSERT_TRUE(g_nMode == MODE_TITLE || g_nMode == MODE_MENU || g_nMode == MODE_RECORD ||
                  g_nMode == MODE_POSITION || g_nMode == MODE_RANDOM || g_nMode == MODE_EXIT)
          << g_nMode;
      ASSERT_GE(g_nPhase, PHASE_START);
      ASSERT_LE(g_nPhase, PHASE_RESULT);
      if (g_nMode == MODE_MENU) {
        ASSERT_EQ(g_pCurMenu, MAIN_MENU);
      } else {
        ASSERT_EQ(g_pCurMenu, nullptr);
      }
    }
  }
  EXPECT_EQ(modesSeen.size(), 6u);
}
