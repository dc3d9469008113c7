// SPDX-License-Identifier: MIT
// The practice log and the speed history: their lines byte for byte in both languages,
// one speed history line per new best speed, and appends that fail.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>

#include "flow/flow.h"
#include "random/random.h"
#include "record_files.h"

namespace fs = std::filesystem;

namespace {

// Types the whole practice text, the first key at once and the rest over nMs.
void TypeWholeText(Session& s, int nMs) {
  s.Key((unsigned char)g_practiceText[0][0]);
  s.Advance(nMs);
  while (g_nPhase == PHASE_RUNNING) s.Key((unsigned char)g_practiceText[g_nTextCol][g_nTextRow]);
}

TEST(PracticeLog, OneLinePerRunWithTheHoursInThreeColumns) {
  Session s;
  s.Start();
  EXPECT_EQ(AppendPracticeLog(g_szStartDate, g_szStartTime, 2 * 3600 + 5 * 60 + 9), 1);
  EXPECT_EQ(AppendPracticeLog("01/02/99", "23:59:58", 123 * 3600), 1);
  g_bEnglish = 0;
  EXPECT_EQ(AppendPracticeLog("01/02/99", "23:59:58", 61), 1);
  // A clock set back during the run does not log a negative length.
  g_bEnglish = 1;
  EXPECT_EQ(AppendPracticeLog("01/02/99", "00:00:00", -5), 1);
  EXPECT_EQ(Session::ReadFile("numdril.log"),
            "26/12/07 10:00:00 Practice Time  2hour 5min 9sec\n"
            "99/01/02 23:59:58 Practice Time123hour 0min 0sec\n"
            // " 練習時間  0時間 1分 1秒"
            "99/01/02 23:59:58 \x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4  0\x8e\x9e\x8a\xd4 1\x95\xaa"
            " 1\x95\x62\n"
            "99/01/02 00:00:00 Practice Time  0hour 0min 0sec\n");
}

TEST(PracticeLog, ALineTooLongForItsBufferIsNotWrittenAtAll) {
  Session s;
  s.Start();
  const std::string longText(400, '9');
  EXPECT_EQ(AppendPracticeLog("12/07/26", longText.c_str(), 61), 0);
  EXPECT_EQ(AppendSpeedHistory(longText.c_str(), "12/07/26", "10:00:54", 120.0, 60), 0);
  EXPECT_FALSE(Exists("numdril.log"));
  EXPECT_FALSE(Exists("numdril.spd"));
}

TEST(PracticeLog, WholeLinesOnlyEvenOnAFullDisk) {
  Session s;
  s.Start();
  // A line cut by an older program: the next one starts on a line of its own.
  Session::WriteFile("numdril.log", "26/12/06 09:00:00 Practice Ti");
  EXPECT_EQ(AppendPracticeLog("12/07/26", "10:00:00", 61), 1);
  EXPECT_EQ(Session::ReadFile("numdril.log"),
            "26/12/06 09:00:00 Practice Ti\n26/12/07 10:00:00 Practice Time  0hour 1min 1sec\n");

  // A disk that fills up part-way through a line: the part written is taken back. A tiny
  // tmpfs of one page is the real thing; where none can be mounted (no root, a container),
  // a file size limit cuts the write the same way.
  auto fillTheDisk = [] {
    fs::create_directory("disk");
    const bool bTmpfs = unshare(CLONE_NEWNS) == 0 &&
                        mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
                        mount("tmpfs", "disk", "tmpfs", 0, "size=4k") == 0;
    if (!bTmpfs) printf("no tmpfs (%s): a file size limit stands in\n", strerror(errno));
    ASSERT_EQ(chdir("disk"), 0);
    const std::string almostFull = std::string(4074, 'x') + "\n";
    Session::WriteFile("numdril.log", almostFull);
    {
      std::unique_ptr<FileSizeLimit> limit(bTmpfs ? nullptr : new FileSizeLimit(4096));
      EXPECT_EQ(AppendPracticeLog("12/07/26", "10:00:00", 61), 0);
    }
    EXPECT_EQ(Session::ReadFile("numdril.log"), almostFull);
  };
  EXPECT_TRUE(InChild(fillTheDisk));

  // Nothing waits on a FIFO where the log should be; the line is not saved.
  alarm(60);
  fs::remove("numdril.log");
  ASSERT_EQ(mkfifo("numdril.log", 0644), 0);
  EXPECT_EQ(AppendPracticeLog("12/07/26", "10:00:00", 61), 0);
  alarm(0);
}

TEST(SpeedHistory, LinesByteForByte) {
  Session s;
  s.Start();
  EXPECT_EQ(AppendSpeedHistory("Random Practice", "12/07/26", "10:00:54", 119.29, 3725), 1);
  g_bEnglish = 0;
  EXPECT_EQ(AppendSpeedHistory("Random Practice", "12/07/26", "10:01:00", 1234.56, 360000), 1);
  EXPECT_EQ(Session::ReadFile("numdril.spd"),
            "26/12/07 10:00:54 " + Pad("Random Practice", 34) + " 119.3     1hour 2min 5sec\n" +
                // "   100時間 0分 0秒"
                "26/12/07 10:01:00 " + Pad("Random Practice", 34) + " 1234.6   100" +
                "\x8e\x9e\x8a\xd4 0\x95\xaa 0\x95\x62\n");
}

TEST(SpeedHistory, AppendsOnlyForANewBestSpeed) {
  Session s;
  s.Start();
  g_nRandomSeconds[0][0] = 3600;
  s.Key(' ');
  s.Key('2');
  TypeWholeText(s, 54000);  // 108 characters in 54 s: 120.0 per minute, the first best
  ASSERT_EQ(g_nPhase, PHASE_RESULT);
  EXPECT_EQ(Session::ReadFile("numdril.spd"),
            "26/12/07 10:00:54 " + Pad("Random Practice", 34) + " 120.0     1hour 0min54sec\n");

  s.Key('\t');  // a slower run, ended by the time limit: nothing appended
  for (int i = 0; i < 10; ++i) s.Key((unsigned char)g_practiceText[g_nTextCol][g_nTextRow]);
  s.Advance(60000);
  s.Timer(RANDOM_CLOCK_TIMER);
  ASSERT_EQ(g_nPhase, PHASE_RESULT);
  EXPECT_EQ(g_nFinishState, 3);
  const std::string afterSlow = Session::ReadFile("numdril.spd");
  EXPECT_EQ(std::count(afterSlow.begin(), afterSlow.end(), '\n'), 1);

  s.Key('\t');  // a faster run: one more line
  TypeWholeText(s, 30000);
  EXPECT_EQ(g_nFinishState, 2);
  const std::string afterFast = Session::ReadFile("numdril.spd");
  EXPECT_EQ(std::count(afterFast.begin(), afterFast.end(), '\n'), 2);
  EXPECT_EQ(g_bSpdSaved, 1);
}

// Keys handled in one burst (timed together after a stall) make a speed far past what the
// record's column holds: the record is still one its reader reads whole, and the speed
// history says the same best.
TEST(SpeedHistory, ABurstOfKeysMakesABestTheRecordStillReadsBack) {
  Session s;
  s.Start();
  s.Key(' ');
  s.Key('2');
  TypeWholeText(s, 10);  // 108 characters in 10 ms
  ASSERT_EQ(g_nFinishState, 1);
  EXPECT_GT(g_dTypeSpeed, 99999.9);
  EXPECT_NE(Session::ReadFile("numdril.spd").find(" 99999.9     0hour 0min 0sec\n"),
            std::string::npos);
  s.Key(KEY_ESCAPE);  // the best goes into the record
  ASSERT_EQ(WriteRecordFile(), 1);
  ResetRecordState();
  EXPECT_EQ(ReadBack(), 1);
  EXPECT_EQ(g_dBestSpeed[0][0], 99999.9);
}

TEST(SpeedHistory, AFailedAppendIsReportedForTheRestOfTheRun) {
  Session s;
  s.Start();
  fs::create_symlink("/dev/full", "numdril.spd");  // a full disk
  EXPECT_EQ(AppendSpeedHistory("Random Practice", "12/07/26", "10:00:54", 100.0, 60), 0);
  EXPECT_EQ(AppendPracticeLog("12/07/26", "10:00:00", 60), 1);

  s.Key(' ');
  s.Key('2');
  TypeWholeText(s, 54000);
  EXPECT_EQ(g_bSpdSaved, 0);
  fs::remove("numdril.spd");
  fs::create_directory("numdril.spd");  // not a file at all
  EXPECT_EQ(AppendSpeedHistory("Random Practice", "12/07/26", "10:00:54", 100.0, 60), 0);
  fs::remove("numdril.spd");

  s.Key('\t');
  TypeWholeText(s, 30000);  // a new best, appended this time
  EXPECT_EQ(g_nFinishState, 2);
  EXPECT_NE(Session::ReadFile("numdril.spd"), "");
  EXPECT_EQ(g_bSpdSaved, 0) << "the earlier failure still stands";
}

}  // namespace
