// SPDX-License-Identifier: MIT
// Exit-time saving as the user meets it: the writes in order with an open drill closed
// out, the notice naming each file not saved, and the old record surviving a failed save.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "app/app.h"
#include "flow/flow.h"
#include "practice/practice.h"
#include "random/random.h"
#include "records/record_files.h"

namespace fs = std::filesystem;

namespace {

// Ends the program as the framework does once the loop is over; returns what the notice
// said (the headless notice goes to standard error), or "" when there was none. The exit
// code goes to *pnExitCode.
std::string EndProgram(int* pnExitCode = nullptr) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  CNumdrilApp app;
  testing::internal::CaptureStderr();
  const int nExitCode = app.ExitInstance();
  if (pnExitCode) *pnExitCode = nExitCode;
  return testing::internal::GetCapturedStderr();
}

const std::string NOTICE_HEAD = "Practice Record write error: Practice Record File\n";
const std::string NOTICE_TAIL = "\nCould not be saved\n";

void TypeWholeText(Session& s, int nMs) {
  s.Key((unsigned char)g_practiceText[0][0]);
  s.Advance(nMs);
  while (g_nPhase == PHASE_RUNNING) s.Key((unsigned char)g_practiceText[g_nTextCol][g_nTextRow]);
}

TEST(ExitSaving, AQuietExitLogsTheRunAndRewritesTheRecordOnce) {
  Session s;
  Session::WriteFile("numdril.rec",
                     RecordText("    0hour 0mi30se", "    0hour 0mi 0se", "    0.0", "        ",
                                "    0hour 0mi 0se"));
  s.Start();
  s.Advance((2 * 3600 + 5 * 60 + 9) * 1000);  // a run of 2 h 5 min 9 s with no practice
  int nExitCode = -1;
  EXPECT_EQ(EndProgram(&nExitCode), "");
  EXPECT_EQ(nExitCode, 0);
  EXPECT_EQ(g_tEnd, TEST_EPOCH + 7509);
  EXPECT_EQ(Session::ReadFile("numdril.log"),
            "26/12/07 10:00:00 Practice Time  2hour 5min 9sec\n");
  EXPECT_EQ(Session::ReadFile("numdril.rec").substr(0, 37),
            "Total_Practice_Time    2hour 5mi39se\n");
  EXPECT_FALSE(Exists("numdril.spd"));
  EXPECT_EQ(g_bRecSaved, 1);
  EXPECT_EQ(g_bLogSaved, 1);
  EXPECT_EQ(g_bSpdSaved, 1);

  // A second way out in the same run (a signal after the window closed) saves nothing more.
  s.Advance(1000);
  EXPECT_EQ(SaveAtExit(), 0);
  EXPECT_EQ(Session::ReadFile("numdril.log"),
            "26/12/07 10:00:00 Practice Time  2hour 5min 9sec\n");
  EXPECT_EQ(Session::ReadFile("numdril.rec").substr(0, 37),
            "Total_Practice_Time    2hour 5mi39se\n");
}

TEST(ExitSaving, APositionDrillUnderWayIsAddedAtExit) {
  Session s;
  s.Start();
  s.Key(' ');
  s.Key('1');
  ASSERT_EQ(g_nPhase, PHASE_RUNNING);
  s.Key((unsigned char)g_chTarget);  // the first correct press starts the clock
  s.Advance(12345);
  s.Key((unsigned char)g_chTarget);
  s.Advance(5000);
  EXPECT_EQ(EndProgram(), "");
  EXPECT_EQ(g_nPositionSeconds, 17);  // 17.345 s, truncated
  EXPECT_EQ(ReadBack(), 1);
  EXPECT_EQ(g_nPositionSeconds, 17);
}

TEST(ExitSaving, ADrillBeforeItsFirstCorrectPressAddsNothing) {
  Session s;
  s.Start();
  s.Key(' ');
  s.Key('1');
  s.Key(g_chTarget == '5' ? '6' : '5');  // a wrong key does not start the clock
  s.Advance(30000);
  EXPECT_EQ(EndProgram(), "");
  EXPECT_EQ(ReadBack(), 1);
  EXPECT_EQ(g_nPositionSeconds, 0);
  EXPECT_EQ(g_nPastSeconds, 30);
}

TEST(ExitSaving, ANewBestSpeedOnScreenReachesTheRecord) {
  Session s;
  s.Start();
  s.Key(' ');
  s.Key('2');
  TypeWholeText(s, 54000);
  ASSERT_EQ(g_nPhase, PHASE_RESULT);
  ASSERT_EQ(g_dBestSpeed[0][0], 0.0) << "not stored until the result is left";
  s.Advance(1000);
  EXPECT_EQ(EndProgram(), "");
  const std::string text = Session::ReadFile("numdril.rec");
  EXPECT_EQ(text.substr(text.find("Random_Practice") + 34, 35),
            "  120.0 26/12/07     0hour 0mi54se\n");
}

TEST(ExitSaving, ARandomRunUnderWayCountsItsTimeButNoBest) {
  Session s;
  s.Start();
  s.Key(' ');
  s.Key('2');
  s.Key((unsigned char)g_practiceText[0][0]);
  s.Advance(20500);
  EXPECT_EQ(EndProgram(), "");
  EXPECT_EQ(ReadBack(), 1);
  EXPECT_EQ(g_nRandomSeconds[0][0], 20);
  EXPECT_EQ(g_dBestSpeed[0][0], 0.0);
}

TEST(ExitSaving, RecordAndSpeedHistoryFailuresAreNamedInOrder) {
  Session s;
  fs::create_directory("numdril.rec");  // no record can be written
  s.Start();
  fs::create_symlink("/dev/full", "numdril.spd");
  s.Key(' ');
  s.Key('2');
  TypeWholeText(s, 54000);  // a first best speed: its line cannot be appended
  int nExitCode = 0;
  EXPECT_EQ(EndProgram(&nExitCode), NOTICE_HEAD + "numdril.rec numdril.spd " + NOTICE_TAIL);
  EXPECT_EQ(nExitCode, 1) << "a failed save is a failed run";
  EXPECT_EQ(g_bLogSaved, 1) << "a failure does not stop the later writes";
  EXPECT_NE(Session::ReadFile("numdril.log"), "");
  EXPECT_TRUE(fs::is_directory("numdril.rec"));
}

// Without the display no notice can be shown: standard error says it in one sentence.
TEST(ExitSaving, ALostDisplaySaysWhatWasSavedAndWhatWasNot) {
  const struct {
    bool bJapanese;
    std::string said;
  } CASES[] = {
      {false, "numdril: the connection to the display was lost; saved: numdril.log; "
              "not saved: numdril.rec\n"},
      {true, "numdril: ディスプレイとの接続が切れました。保存したファイル: numdril.log、"
             "保存できなかったファイル: numdril.rec\n"},
  };
  for (const auto& c : CASES) {
    Session s;
    fs::create_directory("numdril.rec");
    s.Start();
    if (c.bJapanese) SpeakJapanese();
    testing::internal::CaptureStderr();
    EXPECT_EQ(SaveWithoutDisplay(), 1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), c.said);
  }
}

TEST(ExitSaving, AFailedLogIsNamedAndTheRecordIsStillWritten) {
  Session s;
  s.Start();
  fs::create_symlink("/dev/full", "numdril.log");
  EXPECT_EQ(EndProgram(), NOTICE_HEAD + "numdril.log " + NOTICE_TAIL);
  EXPECT_EQ(ReadBack(), 1);
}

TEST(ExitSaving, AFailedSaveKeepsTheOldRecordIntact) {
  const std::string old = RecordText("    3hour 0mi 0se", "    1hour 0mi 0se", "  150.0",
                                     "26/12/01", "    2hour 0mi 0se");
  Session s;
  Session::WriteFile("numdril.rec", old);
  s.Start();
  s.Key(' ');
  s.Key('1');
  s.Key((unsigned char)g_chTarget);
  s.Advance(9000);
  g_bEnglish = 0;
  {
    FileSizeLimit full(150);  // room for the log line, not for the new record or the database
    testing::internal::CaptureStderr();  // (cut short by the limit too)
    EXPECT_EQ(SaveAtExit(), 1);
    testing::internal::GetCapturedStderr();
  }
  // "成績ファイル書き込みエラー" in UTF-8 on standard error; the drill's key could not reach
  // the database either.
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  testing::internal::CaptureStderr();
  ShowSaveErrorNotice();
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "\xe6\x88\x90\xe7\xb8\xbe\xe3\x83\x95\xe3\x82\xa1\xe3\x82\xa4\xe3\x83"
            "\xab\xe6\x9b\xb8\xe3\x81\x8d\xe8\xbe\xbc\xe3\x81\xbf\xe3\x82\xa8\xe3"
            "\x83\xa9\xe3\x83\xbc: Practice Record File\nnumdril.rec numdril.db " +
                NOTICE_TAIL);
  EXPECT_EQ(Session::ReadFile("numdril.rec"), old);
}

TEST(ExitSaving, RunsTheDatabaseCannotTakeWaitAndAreNamedAtExit) {
  Session s;
  Session::WriteFile("numdril.rec", RecordText("    0hour 0mi 0se", "    0hour 0mi 0se",
                                               "    0.0", "        ", "    0hour 0mi 0se"));
  Session::WriteFile("numdril.log", "");
  if (getuid() == 0) {
    for (const char* pszPath : {".", "numdril.rec", "numdril.log"})
      ASSERT_EQ(chown(pszPath, 65534, 65534), 0);
  }
  EXPECT_TRUE(AsNobody([&] {
    ASSERT_EQ(chmod(".", 0555), 0);  // a folder that takes no new file: no numdril.db
    s.Start();
    s.Key(' ');
    s.Key('1');
    for (int i = 0; i < 60; ++i) s.Key((unsigned char)g_chTarget);
    ASSERT_EQ(g_nPhase, PHASE_RESULT);
    EXPECT_EQ(g_bRecSaved, 1);  // the record is rewritten where it is
    EXPECT_EQ(g_bPracticeSaved, 0);
    s.Key('\t');
    s.Key((unsigned char)g_chTarget);
    EXPECT_EQ(QueuedPracticeRuns(), 1u);  // the drill's own run waits; none is lost

    int nExitCode = 0;
    // The reason was said at the drill's end, and is not said again.
    EXPECT_EQ(EndProgram(&nExitCode), NOTICE_HEAD + "numdril.db " + NOTICE_TAIL);
    EXPECT_EQ(nExitCode, 1);
    EXPECT_EQ(QueuedPracticeRuns(), 2u);  // and the one under way at exit
    EXPECT_FALSE(Exists(PRACTICE_DB_NAME));
    const std::string log = Session::ReadFile("numdril.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
    chmod(".", 0755);
  }));
}

TEST(ExitSaving, EveryDrillEndIsSavedAtOnceAsTheExitWouldSaveIt) {
  Session s;
  s.Start();
  s.Key(' ');
  s.Key('1');
  s.Key((unsigned char)g_chTarget);
  s.Advance(12345);
  {
    FileSizeLimit full(0);  // the disk is full when the first drill ends
    s.Key(27);
  }
  EXPECT_EQ(g_bRecSaved, 0);
  EXPECT_FALSE(Exists("numdril.rec"));

  // A new best speed: the speed history and the record agree at once, while the screens
  // still hold the best until the result is left.
  s.Key(27);
  s.Key('2');
  TypeWholeText(s, 54000);
  ASSERT_EQ(g_nFinishState, 1);
  EXPECT_EQ(g_dBestSpeed[0][0], 0.0);
  EXPECT_EQ(g_bRecSaved, 1) << "this write holds everything so far, the failed one's too";
  const std::string atDrillEnd = Session::ReadFile("numdril.rec");
  EXPECT_EQ(atDrillEnd, RecordText("    0hour 1mi 6se", "    0hour 0mi12se", "  120.0", "26/12/07",
                                   "    0hour 0mi54se"));
  EXPECT_NE(Session::ReadFile("numdril.spd"), "");

  // An exit at that moment writes the same record: nothing is counted twice.
  EXPECT_EQ(EndProgram(), "");
  EXPECT_EQ(Session::ReadFile("numdril.rec"), atDrillEnd);
}

TEST(ExitSaving, AClockStepIsNoPractice) {
  Session s;
  s.Start();
  s.Key(' ');
  s.Key('1');
  s.Key((unsigned char)g_chTarget);
  s.Advance(4000);
  StepFakeWallClock(5 * 3600 * 1000);  // NTP, a resume, the user setting the clock
  s.Advance(6000);
  s.Key(27);
  EXPECT_EQ(g_nPositionSeconds, 10);

  s.Key(27);
  s.Key('2');
  s.Key((unsigned char)g_practiceText[0][0]);
  s.Advance(20000);
  StepFakeWallClock(-21000);  // set back during the run
  s.Advance(34000);
  while (g_nPhase == PHASE_RUNNING) s.Key((unsigned char)g_practiceText[g_nTextCol][g_nTextRow]);
  EXPECT_EQ(g_dTypeSpeed, 120.0) << "108 characters in 54 s";
  EXPECT_EQ(g_nRandomSeconds[0][0], 54);

  EXPECT_EQ(EndProgram(), "");
  // The log keeps the start as the wall clock gave it, and the run's own length.
  EXPECT_EQ(Session::ReadFile("numdril.log"),
            "26/12/07 10:00:00 Practice Time  0hour 1min 4sec\n");
  EXPECT_EQ(Session::ReadFile("numdril.rec").substr(0, 37),
            "Total_Practice_Time    0hour 1mi 4se\n");
}

TEST(ExitSaving, TheFailedFileListIsBoundedAndInFixedOrder) {
  Session s;
  char szList[256];
  const struct {
    int bRec, bLog, bSpd;
    const char* pszList;
  } CASES[] = {
      {1, 1, 1, ""},
      {0, 1, 1, "numdril.rec "},
      {1, 0, 1, "numdril.log "},
      {1, 1, 0, "numdril.spd "},
      {0, 1, 0, "numdril.rec numdril.spd "},
      {0, 0, 0, "numdril.rec numdril.log numdril.spd "},
  };
  for (const auto& c : CASES) {
    g_bRecSaved = c.bRec;
    g_bLogSaved = c.bLog;
    g_bSpdSaved = c.bSpd;
    memset(szList, 'x', sizeof szList);
    BuildFailedFileList(szList, sizeof szList);
    EXPECT_STREQ(szList, c.pszList);
  }
  EXPECT_EQ(strlen(szList), 36u);
  // A short buffer holds the whole names that fit and stays a text.
  char szShort[16];
  memset(szShort, 'x', sizeof szShort);
  BuildFailedFileList(szShort, 14);
  EXPECT_STREQ(szShort, "numdril.rec ");
  EXPECT_EQ(szShort[14], 'x');
  BuildFailedFileList(szShort, 5);
  EXPECT_STREQ(szShort, "");
}

}  // namespace
