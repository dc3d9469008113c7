// SPDX-License-Identifier: MIT
// The record screen at 642 x 402: what it prints and where, with and without a record,
// and its elapsed time growing between two visits while the earlier use time stays; its
// key map, tinted from the practice database, in English and Japanese.
#include <gtest/gtest.h>

#include "flow/flow.h"
#include "position/position.h"
#include "practice/practice_support.h"

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

// ---- The key map ---------------------------------------------------------------------

// n keys asked for as chAsked, nWrong of them (the first) typed as chWrong, nMs apart.
void AddKeys(std::vector<PracticeKey>* pKeys, char chAsked, int n, int nWrong, char chWrong,
             int nMs) {
  for (int i = 0; i < n; ++i)
    pKeys->push_back(K(chAsked, i >= nWrong ? (chAsked == ' ' ? '\r' : chAsked) : chWrong,
                       KEY_FROM_KEYPAD, nMs));
}

PracticeRun RunOf(int nDrill, std::vector<PracticeKey> keys, int64_t nDurationMs, double dCpm) {
  return MakeRun(nDrill, RUN_FINISHED, TEST_EPOCH - 3600, nDurationMs, dCpm, std::move(keys));
}

// The colour of a key's label area on the guide, beside its label.
uint32_t KeyTint(Framebuffer& fb, char chKey) {
  int nTop, nLeft, nBottom, nRight;
  if (!GuideKeyBox((unsigned char)chKey, &nTop, &nLeft, &nBottom, &nRight)) return 0;
  return fb.Pixel(VirtualToPixelX(nLeft + 6), VirtualToPixelY(nTop + 24));
}

bool InkUnderKey(Framebuffer& fb, char chKey) {
  int nTop, nLeft, nBottom, nRight;
  GuideKeyBox((unsigned char)chKey, &nTop, &nLeft, &nBottom, &nRight);
  return AnyInk(fb, VirtualToPixelX(nLeft), VirtualToPixelY(nBottom) + 1,
                VirtualToPixelX(nRight), VirtualToPixelY(nBottom + ROW_HEIGHT));
}

const uint32_t GREY_KEY = 0x7F7F7F, MAGENTA_KEY = 0xFF00FF;


TEST(RecordScreen, KeyMapTintsEachKeyByItsAccuracyAndReadsTheDatabaseAgainOnlyWhenItChanged) {
  Session s;
  // A random run: 1 right 19 times in 20, 9 in 10, the blank once in 2, 2 always;
  // 60 keys, 3 wrong, in 30 s. A position run: 0 four times in 5, 5 always, 400 ms apart.
  std::vector<PracticeKey> random, position;
  AddKeys(&random, '1', 20, 1, '4', 300);
  AddKeys(&random, '9', 10, 1, '6', 300);
  AddKeys(&random, ' ', 2, 1, '6', 300);
  AddKeys(&random, '2', 28, 0, 0, 300);
  AddKeys(&position, '0', 5, 1, '1', 700);
  AddKeys(&position, '5', 10, 0, 0, 400);
  QueuePracticeRun(RunOf(DRILL_RANDOM, random, 30000, 114.0));
  QueuePracticeRun(RunOf(DRILL_POSITION, position, 5000, -1.0));
  ASSERT_EQ(FlushPracticeRuns(), 1);
  ClosePracticeDb();
  s.Start();
  OpenRecordScreen(s);
  const std::vector<uint32_t> record = Pixels(s.Fb());
  s.Key('\r');
  ASSERT_EQ(g_nPhase, PHASE_KEY_MAP);
  Framebuffer& fb = s.Fb();
  s.Snapshot("record-key-map");

  EXPECT_EQ(KeyTint(fb, '5'), 0x33CC33u);   // 100 %
  EXPECT_EQ(KeyTint(fb, '2'), 0x33CC33u);
  EXPECT_EQ(KeyTint(fb, '1'), 0xBBE033u);   // 95 %
  EXPECT_EQ(KeyTint(fb, '9'), 0xFFD700u);   // 90 %
  EXPECT_EQ(KeyTint(fb, '0'), 0xFF9933u);   // 80 %
  EXPECT_EQ(KeyTint(fb, '\r'), 0xFF4D4Du);  // the blank, 50 %
  EXPECT_EQ(KeyTint(fb, '7'), GREY_KEY);    // never asked
  EXPECT_EQ(KeyTint(fb, '4'), MAGENTA_KEY);
  EXPECT_TRUE(Printed(fb, 192 + 48, 264 - 4, "300ms", CR_BLACK));  // under 2
  EXPECT_FALSE(InkUnderKey(fb, '\r'));  // its one right press came after a slip: no time
  EXPECT_TRUE(Printed(fb, 128 + 48, 264 - 4, "400ms", CR_BLACK));  // under 5
  EXPECT_FALSE(InkUnderKey(fb, '7'));
  // The speed figures are the random run's: 60 keys in 30 s, 3 of them wrong.
  EXPECT_TRUE(Printed(fb, 32, 1, "Runs 2  median 114.0 cpm  7200 KPH (net 6840)  accuracy 95.0%",
                      CR_BROWN));
  EXPECT_TRUE(Printed(fb, 1, 344, "Press ESC Key to Return to Record", CR_NAVY));

  s.Key(27);
  EXPECT_EQ(g_nPhase, PHASE_INFO);
  EXPECT_EQ(Pixels(fb), record);

  // Another numdril's drill reaches the file: the next key map shows it.
  std::vector<PracticeKey> seven;
  AddKeys(&seven, '7', 4, 0, 0, 500);
  QueuePracticeRun(RunOf(DRILL_POSITION, seven, 1500, -1.0));
  ASSERT_EQ(FlushPracticeRuns(), 1);
  s.Key('\r');
  EXPECT_EQ(KeyTint(fb, '7'), 0x33CC33u);
  EXPECT_TRUE(Printed(fb, 32, 1, "Runs 3  median 114.0 cpm  7200 KPH (net 6840)  accuracy 95.0%",
                      CR_BROWN));
}

TEST(RecordScreen, KeyMapWithoutPracticeShowsThePlainGuideAndSaysSoInEitherLanguage) {
  Session s;
  s.Start();
  OpenRecordScreen(s);
  EXPECT_TRUE(Printed(s.Fb(), 32, 344, "Press Enter Key for the Key Map", CR_NAVY));
  s.Key('\r');
  Framebuffer& fb = s.Fb();
  for (char ch : std::string("7891230\r")) EXPECT_EQ(KeyTint(fb, ch), GREY_KEY) << ch;
  for (char ch : std::string("456")) EXPECT_EQ(KeyTint(fb, ch), MAGENTA_KEY) << ch;
  for (char ch : std::string("0123456789\r")) EXPECT_FALSE(InkUnderKey(fb, ch)) << ch;
  EXPECT_TRUE(Printed(fb, 32, 1,
                      "No practice recorded yet: each key is tinted after your first drill.",
                      CR_BROWN));
  EXPECT_FALSE(Exists(PRACTICE_DB_NAME));  // looking made no database

  // In Japanese, numdril's own texts come translated, in code page 932.
  s.Key(27);
  s.Key(27);
  SpeakJapanese();
  g_bEnglish = 0;
  s.Key('3');
  EXPECT_TRUE(Printed(fb, 32, 344, Utf8ToCp932("Enterキーでキー別成績を表示します"), CR_NAVY));
  fb.Log().clear();
  s.Key('\r');
  EXPECT_TRUE(Printed(fb, 32, 1,
                      Utf8ToCp932("まだ練習の記録がありません。最初の練習のあとで各キーに色が付"
                                  "きます。"),
                      CR_BROWN));
}

}  // namespace
