// SPDX-License-Identifier: MIT
// The record screen at 642 x 402: what it prints and where, with and without a record,
// and its elapsed time growing between two visits while the earlier use time stays.
#include <gtest/gtest.h>

#include "flow/flow.h"
#include "record_files.h"

namespace {

const COLORREF CR_HEADER = CR_NAVY;
const std::string HEADER =
    "Practice item     Type speed per minute         Date        Practice time";

// Opens the record screen from the title with the drawing log on.
void OpenRecordScreen(Session& s) {
  s.Key(' ');
  s.Fb().EnableLog(true);
  s.Fb().Log().clear();
  s.Key('3');
  ASSERT_EQ(g_nMode, MODE_RECORD);
}

// Whether anything is drawn on the text row at virtual y between virtual x0 and x1.
bool RowInk(Framebuffer& fb, int y, int x0, int x1) {
  return AnyInk(fb, VirtualToPixelX(x0), VirtualToPixelY(y), VirtualToPixelX(x1),
                VirtualToPixelY(y + ROW_HEIGHT));
}

TEST(RecordScreen, WithoutARecordFileShowsZeroTimesAndBlankColumns) {
  Session s;
  s.Start();
  s.Advance(59 * 1000 + 999);
  OpenRecordScreen(s);
  Framebuffer& fb = s.Fb();
  s.Snapshot("record-screen-empty");

  EXPECT_TRUE(Printed(fb, 1, 1, "Past Practice Time      0hour 0min 0sec", CR_GREEN));
  EXPECT_TRUE(Printed(fb, 1, 344, "Press ESC Key to Return to Menu", CR_NAVY));
  EXPECT_TRUE(Printed(fb, 16, 1, "Current Elapsed Time    0hour 0min59sec", CR_GREEN));
  EXPECT_TRUE(Printed(fb, 48, 1, HEADER, CR_HEADER));
  EXPECT_TRUE(Printed(fb, 80, 1, "Position Practice", CR_BROWN));
  EXPECT_TRUE(Printed(fb, 80, 265, "      ", CR_BROWN));
  EXPECT_TRUE(Printed(fb, 80, 353, "        ", CR_BROWN));
  EXPECT_TRUE(Printed(fb, 80, 433, "    0hour 0min 0sec", CR_BROWN));
  EXPECT_TRUE(Printed(fb, 112, 1, "Random Practice", CR_BROWN));
  EXPECT_TRUE(Printed(fb, 112, 433, "    0hour 0min 0sec", CR_BROWN));
  // The speed and date columns are blank; nothing below the random row, and the third
  // group has no row.
  EXPECT_FALSE(RowInk(fb, 80, 265, 433));
  EXPECT_FALSE(RowInk(fb, 112, 265, 433));
  EXPECT_FALSE(AnyInk(fb, 0, VirtualToPixelY(128), fb.Width(), fb.Height()));
  EXPECT_EQ(g_tEnd, TEST_EPOCH + 59);
}

TEST(RecordScreen, ShowsTheRecordInBothLanguages) {
  Session s;
  Session::WriteFile("numdril.rec",
                     RecordText("    1hour 2mi 5se", "   12hour 0mi 1se", "  123.4", "26/11/30",
                                "  100hour59mi 7se"));
  s.Start();
  OpenRecordScreen(s);
  Framebuffer& fb = s.Fb();
  s.Snapshot("record-screen-record");
  EXPECT_TRUE(Printed(fb, 1, 1, "Past Practice Time      1hour 2min 5sec", CR_GREEN));
  EXPECT_TRUE(Printed(fb, 80, 433, "   12hour 0min 1sec", CR_BROWN));
  EXPECT_TRUE(Printed(fb, 112, 265, " 123.4", CR_BROWN));
  EXPECT_TRUE(Printed(fb, 112, 353, "26/11/30", CR_BROWN));
  EXPECT_TRUE(Printed(fb, 112, 433, "  100hour59min 7sec", CR_BROWN));
  // The position row never shows a speed or a date.
  EXPECT_FALSE(RowInk(fb, 80, 265, 433));

  g_bEnglish = 0;
  fb.Log().clear();
  s.Paint();
  // "前回までの練習時間　    1時間 2分 5秒", "ESCキーを押すとメニューに戻ります",
  // "今回の練習時間　　　    0時間 0分 0秒", "  100時間59分 7秒".
  EXPECT_TRUE(Printed(fb, 1, 1,
                      "\x91\x4f\x89\xf1\x82\xdc\x82\xc5\x82\xcc\x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4"
                      "\x81\x40    1\x8e\x9e\x8a\xd4 2\x95\xaa 5\x95\x62",
                      CR_GREEN));
  EXPECT_TRUE(Printed(fb, 1, 344,
                      "ESC\x83\x4c\x81\x5b\x82\xf0\x89\x9f\x82\xb7\x82\xc6\x83\x81\x83\x6a\x83"
                      "\x85\x81\x5b\x82\xc9\x96\xdf\x82\xe8\x82\xdc\x82\xb7",
                      CR_NAVY));
  EXPECT_TRUE(Printed(fb, 16, 1,
                      "\x8d\xa1\x89\xf1\x82\xcc\x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4\x81\x40\x81\x40"
                      "\x81\x40    0\x8e\x9e\x8a\xd4 0\x95\xaa 0\x95\x62",
                      CR_GREEN));
  EXPECT_TRUE(Printed(fb, 48, 1, HEADER, CR_HEADER));
  EXPECT_TRUE(Printed(fb, 112, 433, "  100\x8e\x9e\x8a\xd4" "59\x95\xaa 7\x95\x62", CR_BROWN));
}

TEST(RecordScreen, TheCurrentRunGrowsBetweenVisitsAndTheEarlierTimeStays) {
  Session s;
  // A stored date without a best speed: the speed column stays blank.
  Session::WriteFile("numdril.rec",
                     RecordText("    0hour 0mi30se", "    0hour 0mi 0se", "    0.0", "26/11/30",
                                "    0hour 0mi 0se"));
  s.Start();
  s.Advance(65 * 1000);
  OpenRecordScreen(s);
  Framebuffer& fb = s.Fb();
  EXPECT_TRUE(Printed(fb, 1, 1, "Past Practice Time      0hour 0min30sec", CR_GREEN));
  EXPECT_TRUE(Printed(fb, 16, 1, "Current Elapsed Time    0hour 1min 5sec", CR_GREEN));
  EXPECT_FALSE(RowInk(fb, 112, 265, 353));
  EXPECT_TRUE(Printed(fb, 112, 353, "26/11/30", CR_BROWN));

  // Other keys leave the screen as it is.
  fb.Log().clear();
  s.Key('5');
  s.Key('\t');
  EXPECT_TRUE(fb.Log().empty());

  s.Key(27);
  ASSERT_EQ(g_nMode, MODE_MENU);
  s.Advance(3600 * 1000);
  fb.Log().clear();
  s.Key('3');
  EXPECT_TRUE(Printed(fb, 1, 1, "Past Practice Time      0hour 0min30sec", CR_GREEN));
  EXPECT_TRUE(Printed(fb, 16, 1, "Current Elapsed Time    1hour 1min 5sec", CR_GREEN));
  EXPECT_EQ(g_nPastSeconds, 30);

  // The screen does not tick by itself: a repaint shows the new time.
  s.Advance(10 * 1000);
  fb.Log().clear();
  s.Paint();
  EXPECT_TRUE(Printed(fb, 16, 1, "Current Elapsed Time    1hour 1min15sec", CR_GREEN));
}

}  // namespace
