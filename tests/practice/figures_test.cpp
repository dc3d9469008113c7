// SPDX-License-Identifier: MIT
// The figures of a small known history, worked out by hand, after a trip through the
// database; and runs recorded key by key as the drills and the platform hand them over.
#include <cstring>

#include "practice/practice_support.h"

namespace {

const int64_t D = TEST_DAY * DAY_SECONDS;  // midnight UTC of the test day

TEST(PracticeFigures, KnownHistoryOverThirtyDays) {
  PracticeFolder folder;
  WriteKnownHistory();
  PracticeFigures f;
  ReadPracticeFigures(30, TEST_EPOCH, &f);
  ASSERT_EQ(f.nState, PRACTICE_DB_READ) << f.reason;
  EXPECT_EQ(f.reason, "");
  EXPECT_EQ(f.nFromDay, TEST_DAY - 29);
  EXPECT_EQ(f.nToDay, TEST_DAY);
  EXPECT_EQ(f.nFirstDay, TEST_DAY - 40);

  // Yesterday: cpm 40 and 60; 8 keys, 1 wrong, in 9 s. Today: the one run that counts.
  ASSERT_EQ(f.days.size(), 2u);
  const PracticeDay& y = f.days[0];
  EXPECT_EQ(y.nDay, TEST_DAY - 1);
  EXPECT_EQ(y.nRuns, 2);
  EXPECT_DOUBLE_EQ(y.dMedianCpm, 50.0);
  EXPECT_DOUBLE_EQ(y.dBestCpm, 60.0);
  EXPECT_DOUBLE_EQ(y.dAccuracy, 7.0 / 8.0);
  EXPECT_DOUBLE_EQ(y.dGrossKph, 3200.0);
  EXPECT_DOUBLE_EQ(y.dNetKph, 2800.0);
  EXPECT_EQ(f.days[1].nDay, TEST_DAY);
  EXPECT_DOUBLE_EQ(f.days[1].dMedianCpm, 72.0);
  EXPECT_DOUBLE_EQ(f.days[1].dGrossKph, 4320.0);

  // Newest first; the position drill's cpm from its 4 right keys in 4 s.
  ASSERT_EQ(f.lastRuns.size(), 5u);
  EXPECT_EQ(f.lastRuns[0].tStartUtc, D + 9 * 3600);
  const PracticeRunRow& pos = f.lastRuns[1];
  EXPECT_EQ(pos.nDrill, DRILL_POSITION);
  EXPECT_DOUBLE_EQ(pos.dCpm, 60.0);
  EXPECT_DOUBLE_EQ(pos.dGrossKph, 4500.0);
  EXPECT_DOUBLE_EQ(pos.dNetKph, 3600.0);
  EXPECT_DOUBLE_EQ(pos.dAccuracy, 0.8);
  EXPECT_EQ(pos.nErrors, 1);
  EXPECT_EQ(f.lastRuns[2].nEnding, RUN_CANCELLED);
  EXPECT_EQ(f.lastRuns[4].nUtcOffset, 9 * 3600);

  // Key 1: 11 presses, one wrong; timed only right after a right key (2->1: 50..90, 400).
  EXPECT_EQ(f.keys[1].nPresses, 11);
  EXPECT_DOUBLE_EQ(f.keys[1].dAccuracy, 10.0 / 11.0);
  EXPECT_EQ(f.keys[1].nTimed, 6);
  EXPECT_DOUBLE_EQ(f.keys[1].dMedianMs, 75.0);
  EXPECT_DOUBLE_EQ(f.keys[2].dAccuracy, 0.9);
  EXPECT_DOUBLE_EQ(f.keys[2].dMedianMs, 300.0);
  EXPECT_DOUBLE_EQ(f.keys[3].dAccuracy, 0.5);
  EXPECT_EQ(f.keys[3].nTimed, 0);    // its right press came after a wrong one
  EXPECT_EQ(f.keys[9].nPresses, 0);  // forty days ago
  // Enter: the position drill's Enter and both blanks (by Enter and by Space).
  EXPECT_EQ(f.keys[KEYPAD_ENTER].nPresses, 3);
  EXPECT_DOUBLE_EQ(f.keys[KEYPAD_ENTER].dMedianMs, 500.0);

  // Moves with five samples or more: 1->2 (eight, from both days) and 2->1 (six).
  ASSERT_EQ(f.slowMoves.size(), 2u);
  EXPECT_EQ(f.slowMoves[0].nFrom, 1);
  EXPECT_EQ(f.slowMoves[0].nTo, 2);
  EXPECT_EQ(f.slowMoves[0].nSamples, 8);
  EXPECT_DOUBLE_EQ(f.slowMoves[0].dMedianMs, 300.0);
  EXPECT_DOUBLE_EQ(f.slowMoves[1].dMedianMs, 75.0);

  ASSERT_EQ(f.mixUps.size(), 3u);
  EXPECT_EQ(f.mixUps[0].nAsked, 1);
  EXPECT_EQ(f.mixUps[0].nTyped, '4');
  EXPECT_EQ(f.mixUps[2].nAsked, 3);
  EXPECT_EQ(f.mixUps[2].nTyped, '6');

  EXPECT_EQ(f.nKeypadDigits, 22);
  EXPECT_EQ(f.nRowDigits, 2);
  EXPECT_DOUBLE_EQ(f.dKeypadShare, 22.0 / 24.0);

  EXPECT_EQ(f.totals.nRuns, 5);
  EXPECT_EQ(f.totals.nPositionRuns, 1);
  EXPECT_EQ(f.totals.nSpeedRuns, 3);
  EXPECT_DOUBLE_EQ(f.totals.dMedianCpm, 60.0);
  EXPECT_DOUBLE_EQ(f.totals.dAccuracy, 0.95);
  EXPECT_DOUBLE_EQ(f.totals.dNetKph, 3600.0);
  EXPECT_NEAR(f.totals.dGrossKph, 20 * 3600000.0 / 19000, 1e-9);
}

TEST(PracticeFigures, WholeHistoryAndNoDatabase) {
  PracticeFolder folder;
  PracticeFigures f;
  ReadPracticeFigures(0, TEST_EPOCH, &f);
  EXPECT_EQ(f.nState, PRACTICE_DB_MISSING);
  EXPECT_EQ(f.nFirstDay, -1);
  EXPECT_EQ(f.totals.nRuns, 0);

  WriteKnownHistory();
  ReadPracticeFigures(0, TEST_EPOCH, &f);
  EXPECT_EQ(f.nFromDay, TEST_DAY - 40);
  EXPECT_EQ(f.totals.nRuns, 6);
  EXPECT_DOUBLE_EQ(f.totals.dMedianCpm, 66.0);  // 40, 60, 72, 200
  EXPECT_EQ(f.days.front().nDay, TEST_DAY - 40);
  EXPECT_EQ(f.keys[9].nPresses, 1);
}

TEST(PracticeRecording, KeyTimesAndSourcesFromThePlatform) {
  PracticeFolder folder;
  // A key handled nAfterMs after the one before, pressed nAgoMs before it was handled.
  auto key = [](int nAfterMs, int nAgoMs, char chAsked, char chTyped, KeySource source) {
    AdvanceFakeClock(nAfterMs);
    SetCurrentKeyInfo(KEYINFO{source, MonotonicMs() - nAgoMs});
    AddPracticeKey(chAsked, chTyped, chAsked == chTyped);
    SetCurrentKeyInfo(KEYINFO{});
  };
  // Random drill: every key's time runs from the press of the key before.
  BeginPracticeRun(DRILL_RANDOM);
  EXPECT_EQ(g_practiceRun.tStartUtc, TEST_EPOCH);
  key(800, 0, '4', '4', KeySource::kKeypad);
  key(150, 0, '2', '5', KeySource::kKeypad);
  key(90, 30, '2', '2', KeySource::kMainKeyboard);
  key(100, 0, ' ', ' ', KeySource::kMainKeyboard);
  EndPracticeRun(RUN_FINISHED, 340, 3, 529.4);
  // Position drill: a wrong key leaves the asked-for key's time running.
  BeginPracticeRun(DRILL_POSITION);
  key(600, 0, '8', '7', KeySource::kKeypadNumLockOff);
  key(300, 0, '8', '8', KeySource::kInputMethod);
  key(500, 0, '\r', '\r', KeySource::kUnknown);
  EndPracticeRun(RUN_CANCELLED, 500, 2, -1.0);
  // Cancelled before any key: nothing to keep.
  BeginPracticeRun(DRILL_RANDOM);
  EndPracticeRun(RUN_CANCELLED, 0, 0, -1.0);
  EXPECT_EQ(QueuedPracticeRuns(), 2u);
  ASSERT_EQ(FlushPracticeRuns(), 1);

  sqlite3* pDb = OpenRaw();
  sqlite3_stmt* p = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(pDb,
                               "SELECT group_concat(ms, ' '), group_concat(correct, ''),"
                               " group_concat(source, ''), min(keystrokes), min(errors),"
                               " min(cpm IS NULL) FROM keys JOIN runs ON runs.id = keys.run"
                               " GROUP BY run ORDER BY run",
                               -1, &p, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(p), SQLITE_ROW);
  EXPECT_STREQ((const char*)sqlite3_column_text(p, 0), "800 150 60 130");
  EXPECT_STREQ((const char*)sqlite3_column_text(p, 1), "1011");
  EXPECT_STREQ((const char*)sqlite3_column_text(p, 2), "1130");  // Space: no digit
  EXPECT_EQ(sqlite3_column_int(p, 3), 4);
  EXPECT_EQ(sqlite3_column_int(p, 4), 1);
  EXPECT_EQ(sqlite3_column_int(p, 5), 0);
  ASSERT_EQ(sqlite3_step(p), SQLITE_ROW);
  EXPECT_STREQ((const char*)sqlite3_column_text(p, 0), "600 900 500");
  EXPECT_STREQ((const char*)sqlite3_column_text(p, 2), "240");
  EXPECT_EQ(sqlite3_column_int(p, 5), 1);
  sqlite3_finalize(p);
  sqlite3_close(pDb);
}

TEST(PracticeKeyList, RoundTripAndRefusals) {
  const std::vector<PracticeKey> keys = {K(' ', '\r', KEY_FROM_KEYPAD_NAV, 0),
                                         K('0', (char)0xFF, KEY_FROM_INPUT_METHOD, INT32_MAX)};
  const std::string text = EncodeKeyList(keys);
  EXPECT_EQ(text, "[[32,13,1,2,0],[48,255,0,4,2147483647]]");
  std::vector<PracticeKey> back;
  ASSERT_TRUE(DecodeKeyList(text.data(), text.size(), &back));
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].chTyped, 255);
  EXPECT_EQ(back[1].nMs, INT32_MAX);
  const std::string spaced = " [ [1,2, 0 ,3,4]\n]\t";
  EXPECT_TRUE(DecodeKeyList(spaced.data(), spaced.size(), &back));
  for (const char* psz : {"", "[", "[[1,2,0,3]]", "[[1,2,0,3,4]]x", "[[256,2,0,3,4]]",
                          "[[1,2,2,3,4]]", "[[1,2,0,3,2147483648]]", "[[1,2,0,3,-4]]",
                          "[[1,2,0,3,4.5]]", "[[1,2,0,3,99999999999999999999]]", "[[1,2,0,3,4],]"})
    EXPECT_FALSE(DecodeKeyList(psz, strlen(psz), &back)) << psz;
  EXPECT_TRUE(DecodeKeyList("[]", 2, &back));
  EXPECT_TRUE(back.empty());
}

}  // namespace
