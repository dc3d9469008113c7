// SPDX-License-Identifier: MIT
// Tests of menu selection and the drill header, called directly on a bare framebuffer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "flow/flow.h"
#include "flow/menu.h"
#include "screen/screen.h"
#include "support/session.h"

namespace {

struct Surface {
  Framebuffer fb{642, 402};
  CDC dc{&fb};
  Surface() {
    ResetScreenState();
    ResetFlowState();
    g_rcClient = RECT{0, 0, 642, 402};
  }
};

int Marked(const MenuItem* pMenu) {
  int n = 0;
  for (int i = 0; pMenu[i].text; ++i)
    if (pMenu[i].bSelected) n = n * 10 + i + 1;
  return n;
}

}  // namespace

TEST(MenuSelection, MarksFollowTheDrillChosenLast) {
  ResetFlowState();
  EXPECT_EQ(SelectMenuItem(nullptr, '1'), 0);
  EXPECT_EQ(Marked(MAIN_MENU), 0);
  for (int key :
       std::initializer_list<int>{27, '0', '5', '6', '9', 'A', 'a', 13, ' ', 9, 0x31 + 0x100})
    EXPECT_EQ(SelectMenuItem(MAIN_MENU, key), 0) << key;
  EXPECT_EQ(Marked(MAIN_MENU), 0);

  EXPECT_EQ(SelectMenuItem(MAIN_MENU, '3'), MODE_RECORD);
  EXPECT_EQ(Marked(MAIN_MENU), 3);
  EXPECT_EQ(SelectMenuItem(MAIN_MENU, '1'), MODE_POSITION);
  EXPECT_EQ(SelectMenuItem(MAIN_MENU, '1'), MODE_POSITION);  // again: still the one mark
  EXPECT_EQ(Marked(MAIN_MENU), 1);
  EXPECT_EQ(SelectMenuItem(MAIN_MENU, '2'), MODE_RANDOM);
  EXPECT_EQ(Marked(MAIN_MENU), 2);
  // Exit does not take the mark.
  EXPECT_EQ(SelectMenuItem(MAIN_MENU, '4'), MODE_EXIT);
  EXPECT_EQ(Marked(MAIN_MENU), 2);

  ResetFlowState();
  EXPECT_EQ(Marked(MAIN_MENU), 0);
}

TEST(MenuSelection, EscapeTargetsAndShortMenus) {
  MenuItem menu[] = {
      {0, 0, "Lesson", 901, 0},
      {0, 0, "Back", 9001, 0},
      {0, 0, "Other back", 9029, 0},
      {0, 0, nullptr, 0, 0},
      {0, 0, "Beyond the end", 1001, 0},
  };
  EXPECT_EQ(SelectMenuItem(menu, 27), 9001);  // the first target wins
  EXPECT_EQ(SelectMenuItem(menu, '2'), 9001);
  EXPECT_EQ(Marked(menu), 0);  // a target never takes the mark
  EXPECT_EQ(SelectMenuItem(menu, '1'), 901);
  EXPECT_EQ(SelectMenuItem(menu, '3'), 9029);
  EXPECT_EQ(Marked(menu), 1);
  EXPECT_EQ(SelectMenuItem(menu, '5'), 0);  // past the null text
  EXPECT_EQ(Marked(menu), 1);

  MenuItem noTarget[] = {{0, 0, "Only", 29, 0}, {0, 0, nullptr, 0, 0}};
  EXPECT_EQ(SelectMenuItem(noTarget, 27), 0);
}

TEST(DrillHeader, FormatsAndCutsOverlongTitles) {
  EXPECT_STREQ(FormatScreenHeader(DRILL_HEADER_FORMAT, "Position Practice"),
               "\x81\x9C\x81\x9C Pell's Ten Key Position Practice \x81\x9C\x81\x9C");
  EXPECT_EQ(strlen(FormatScreenHeader(DRILL_HEADER_FORMAT, "Position Practice")), 42u);
  EXPECT_EQ(strlen(FormatScreenHeader(DRILL_HEADER_FORMAT, "Random Practice")), 40u);
  EXPECT_STREQ(FormatScreenHeader(DRILL_HEADER_FORMAT, nullptr),
               "\x81\x9C\x81\x9C Pell's Ten Key  \x81\x9C\x81\x9C");

  // A title far too long for the 136-byte buffer is cut to 135 bytes and a NUL.
  const std::string longTitle(500, 'x');
  const std::string cut = FormatScreenHeader(DRILL_HEADER_FORMAT, longTitle.c_str());
  EXPECT_EQ(cut.size(), 135u);
  EXPECT_EQ(cut.substr(0, 20), "\x81\x9C\x81\x9C Pell's Ten Key ");
  // A cut that would split a two-byte character drops the lone lead byte: 20 header bytes
  // and 57 whole Ａ.
  std::string wide;
  for (int i = 0; i < 100; ++i) wide += "\x82\x60";
  const std::string wideCut = FormatScreenHeader(DRILL_HEADER_FORMAT, wide.c_str());
  EXPECT_EQ(wideCut.size(), 134u);
  EXPECT_EQ(wideCut.substr(wideCut.size() - 2), "\x82\x60");
  // Starting one byte later, the cut falls between characters and keeps all 135 bytes.
  const std::string oddCut =
      FormatScreenHeader("\x81\x9C\x81\x9C Pell's Ten Key! %s", wide.c_str());
  EXPECT_EQ(oddCut.size(), 135u);
}

TEST(DrillHeader, IsCentredOnTheNormalGridInPurple) {
  Surface s;
  DrawScreenHeader(&s.dc, DRILL_HEADER_FORMAT, "Position Practice");
  // 42 bytes centred on x 320 start at x 152 and end at x 488: pixels 153 and 489 here.
  const int nTop = 0, nBottom = 20;
  EXPECT_FALSE(AnyInk(s.fb, 0, nTop, 153, nBottom));
  EXPECT_TRUE(AnyInk(s.fb, 153, nTop, 169, nBottom));
  EXPECT_TRUE(AnyInk(s.fb, 473, nTop, 489, nBottom));
  EXPECT_FALSE(AnyInk(s.fb, 489, nTop, 642, nBottom));
  EXPECT_GT(CountPixels(s.fb, 153, nTop, 489, nBottom, 0x802080), 50);
  EXPECT_EQ(s.dc.GetTextColor(), CR_BLACK);
}
