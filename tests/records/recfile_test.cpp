// SPDX-License-Identifier: MIT
// The record file numdril.rec: its bytes, reading both languages back, short and damaged
// files, and a rewrite that never loses the old record.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "flow/flow.h"
#include "random/random.h"
#include "record_files.h"

namespace fs = std::filesystem;

namespace {

const std::string SPACES8 = "        ";
// "時間", "分", "秒" and the line 1 label "練習時間　".
const std::string HOUR_JA = "\x8e\x9e\x8a\xd4", MIN_JA = "\x95\xaa", SEC_JA = "\x95\x62";
const std::string TOTAL_JA = "\x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4\x81\x40";

// Puts the record values back to their defaults; the start time of the run stays.
void ForgetValues() {
  const time64_t tStart = g_tStart;
  ResetRecordState();
  g_tStart = tStart;
}

void ExpectDefaultsFromPosition() {
  EXPECT_EQ(g_nPositionSeconds, 0);
  EXPECT_EQ(g_dBestSpeed[0][0], 0.0);
  EXPECT_STREQ(g_szBestDate[0][0], "        ");
  EXPECT_EQ(g_nRandomSeconds[0][0], 0);
}

TEST(RecordFile, WritesColumnsByteForByteAndReadsThemBack) {
  Session s;
  s.Start();
  g_nPastSeconds = 100;
  g_nPositionSeconds = 3725;  // 1 h 2 min 5 s
  g_dBestSpeed[0][0] = 123.45;
  memcpy(g_szBestDate[0][0], "26/11/30", 9);
  g_nRandomSeconds[0][0] = 360000 + 59 * 60 + 7;  // 100 h 59 min 7 s
  // The run so far joins line 1: 100 s earlier + 1 h 0 min 25 s now = 1 h 2 min 5 s.
  s.Advance(3625 * 1000);
  ASSERT_EQ(WriteRecordFile(), 1);
  EXPECT_EQ(g_tEnd, TEST_EPOCH + 3625);

  const std::string text = Session::ReadFile("numdril.rec");
  EXPECT_EQ(text, RecordText("    1hour 2mi 5se", "    1hour 2mi 5se", "  123.5", "26/11/30",
                             "  100hour59mi 7se"));
  // Columns (1-based): name 1-34, speed 35-41, date 43-50, hours 52-56, "hour" 57-60,
  // minutes 61-62, "mi" 63-64, seconds 65-66, "se" 67-68.
  const std::string line3 = text.substr(text.find("Random_Practice"));
  EXPECT_EQ(line3.substr(34, 7), "  123.5");
  EXPECT_EQ(line3.substr(42, 8), "26/11/30");
  EXPECT_EQ(line3.substr(51, 5), "  100");
  EXPECT_EQ(line3.substr(56, 4), "hour");
  EXPECT_EQ(line3.substr(60, 2), "59");
  EXPECT_EQ(line3.substr(64, 2), " 7");
  EXPECT_EQ(line3.size(), 69u);
  EXPECT_FALSE(Exists("numdril.rec.tmp"));
  EXPECT_FALSE(Exists("numdril.rec.bak")) << "a sound old record needs no backup";

  ResetRecordState();
  EXPECT_EQ(ReadBack(), 1);
  EXPECT_EQ(g_nPastSeconds, 3725);
  EXPECT_EQ(g_nPositionSeconds, 3725);
  EXPECT_EQ(g_dBestSpeed[0][0], 123.5);
  EXPECT_STREQ(g_szBestDate[0][0], "26/11/30");
  EXPECT_EQ(g_nRandomSeconds[0][0], 363547);
}

TEST(RecordFile, TotalsPastWhatALineHoldsAreWrittenAsTheMostItCanReadBack) {
  Session s;
  s.Start();
  // 9999 h 59 min 59 s earlier and 2 s now: a fifth hour digit would join the line 1 label,
  // and a sixth one would push the other lines out of their columns.
  g_nPastSeconds = 9999 * 3600 + 59 * 60 + 59;
  g_nPositionSeconds = 100000 * 3600;
  g_nRandomSeconds[0][0] = INT_MAX;
  s.Advance(2000);
  ASSERT_EQ(WriteRecordFile(), 1);
  EXPECT_EQ(Session::ReadFile("numdril.rec"),
            RecordText(" 9999hour59mi59se", "99999hour59mi59se", "    0.0", SPACES8,
                       "99999hour59mi59se"));

  ResetRecordState();
  EXPECT_EQ(ReadBack(), 1) << "the next start reads every line";
  EXPECT_EQ(g_nPastSeconds, 9999 * 3600 + 59 * 60 + 59);
  EXPECT_EQ(g_nRandomSeconds[0][0], 99999 * 3600 + 59 * 60 + 59);
}

TEST(RecordFile, ANeverSetDateIsEightSpacesBothWays) {
  Session s;
  s.Start();  // no record file: every value at its default
  ExpectDefaultsFromPosition();
  ASSERT_EQ(WriteRecordFile(), 1);
  EXPECT_EQ(Session::ReadFile("numdril.rec"),
            RecordText("    0hour 0mi 0se", "    0hour 0mi 0se", "    0.0", SPACES8,
                       "    0hour 0mi 0se"));
  memcpy(g_szBestDate[0][0], "XXXXXXXX", 9);
  EXPECT_EQ(ReadBack(), 1);
  EXPECT_STREQ(g_szBestDate[0][0], "        ");
}

TEST(RecordFile, EnglishJapaneseEnglishKeepsEveryValue) {
  Session s;
  s.Start();
  g_nPastSeconds = 9999 * 3600 + 59 * 60 + 59;  // the largest line 1 that reads back
  g_nPositionSeconds = 12 * 60 + 34;
  g_dBestSpeed[0][0] = 98765.4;
  memcpy(g_szBestDate[0][0], "99/01/02", 9);
  g_nRandomSeconds[0][0] = 99999 * 3600;

  ASSERT_EQ(WriteRecordFile(), 1);
  const std::string english = Session::ReadFile("numdril.rec");
  ForgetValues();
  ASSERT_EQ(ReadBack(), 1);

  g_bEnglish = 0;
  ASSERT_EQ(WriteRecordFile(), 1);
  const std::string japanese = Session::ReadFile("numdril.rec");
  // The Japanese units have the English byte lengths: every line keeps its length.
  EXPECT_EQ(japanese.size(), english.size() - 19 + 10);
  EXPECT_EQ(japanese.substr(0, 10 + 5 + 4), TOTAL_JA + " 9999" + HOUR_JA);
  const std::string line2 = japanese.substr(japanese.find("Position_Practice"));
  EXPECT_EQ(line2.substr(51, 18), "    0" + HOUR_JA + "12" + MIN_JA + "34" + SEC_JA + "\n");
  const std::string line3 = japanese.substr(japanese.find("Random_Practice"));
  EXPECT_EQ(line3.substr(34, 35),
            "98765.4 99/01/02 99999" + HOUR_JA + " 0" + MIN_JA + " 0" + SEC_JA + "\n");

  ForgetValues();
  g_bEnglish = 1;
  ASSERT_EQ(ReadBack(), 1);
  EXPECT_EQ(g_nPastSeconds, 9999 * 3600 + 59 * 60 + 59);
  EXPECT_EQ(g_nPositionSeconds, 754);
  EXPECT_EQ(g_dBestSpeed[0][0], 98765.4);
  EXPECT_STREQ(g_szBestDate[0][0], "99/01/02");
  EXPECT_EQ(g_nRandomSeconds[0][0], 99999 * 3600);
  ASSERT_EQ(WriteRecordFile(), 1);
  EXPECT_EQ(Session::ReadFile("numdril.rec"), english);
}

TEST(RecordFile, AFileEndingAfterLineOneSetsOnlyThePastTimeAndIsKept) {
  const std::string shortFile = "Total_Practice_Time    1hour 2mi 5se\n";
  Session s;
  Session::WriteFile("numdril.rec", shortFile);
  s.Start();
  EXPECT_EQ(g_nPastSeconds, 3725);
  ExpectDefaultsFromPosition();

  ASSERT_EQ(WriteRecordFile(), 1);
  EXPECT_EQ(Session::ReadFile("numdril.rec.bak"), shortFile);
  EXPECT_EQ(ReadBack(), 1) << "the rewritten record is whole again";
  // The backup is of what was there at start; a second save leaves it alone.
  ASSERT_EQ(WriteRecordFile(), 1);
  EXPECT_EQ(Session::ReadFile("numdril.rec.bak"), shortFile);
}

TEST(RecordFile, DamagedFilesKeepDefaultsNeverCrashAndSurviveAsBackup) {
  const std::string line1 = "Total_Practice_Time    0hour 1mi 0se\n";
  const std::string line2 = Pad("Position_Practice", 50) + "     0hour 2mi 0se\n";
  const std::string item = Pad("Random_Practice", 34);
  std::string binary;
  for (int i = 0; i < 5000; ++i) binary += (char)((i * 131 + 7) % 256);
  struct Case {
    const char* name;
    std::string text;
    int nPast, nPosition;  // what is taken before the damage
  } CASES[] = {
      {"garbage", line1 + line2 + "\x01\x02 garbage \xff\xfe and more\n", 60, 120},
      {"negative speed", line1 + line2 + item + "  -12.0 26/12/01     0hour 5mi 0se\n", 60,
       120},
      {"NaN", line1 + line2 + item + "    nan 26/12/01     0hour 5mi 0se\n", 60, 120},
      {"inf", line1 + line2 + item + "    inf 26/12/01     0hour 5mi 0se\n", 60, 120},
      {"huge speed", line1 + line2 + item + "  1e300 26/12/01     0hour 5mi 0se\n", 60, 120},
      {"negative hours", line1 + Pad("Position_Practice", 50) + " -9999hour 2mi 0se\n", 60,
       0},
      {"negative minutes", "Total_Practice_Time    0hour-1mi 0se\n", 0, 0},
      {"cut date", line1 + line2 + item + "  123.4 26/1", 60, 120},
      {"cut line then more", line1 + "Position_Practice\n" + line2, 60, 0},
      {"date with control bytes", line1 + line2 + item + "  123.4 26/\x07\x08/01     0hour 5mi 0se\n",
       60, 120},
      {"NUL in a line", line1 + line2 + item + std::string("  123.4 26/12/01\0    0hour", 27) +
                            " 5mi 0se\n",
       60, 120},
      {"binary", binary, 0, 0},
      {"one endless line", std::string(100000, '7'), 0, 0},
  };
  for (const Case& c : CASES) {
    SCOPED_TRACE(c.name);
    Session s;
    Session::WriteFile("numdril.rec", c.text);
    s.Start();
    EXPECT_EQ(g_nPastSeconds, c.nPast);
    EXPECT_EQ(g_nPositionSeconds, c.nPosition);
    EXPECT_EQ(g_dBestSpeed[0][0], 0.0);
    EXPECT_STREQ(g_szBestDate[0][0], "        ");
    EXPECT_EQ(g_nRandomSeconds[0][0], 0);

    // The drill sizes its text from what was read.
    s.Key(' ');
    s.Key('2');
    EXPECT_EQ(g_nTextLines, 3);

    ASSERT_EQ(WriteRecordFile(), 1);
    EXPECT_EQ(Session::ReadFile("numdril.rec.bak"), c.text);
    EXPECT_EQ(ReadBack(), 1);
    EXPECT_EQ(g_nPastSeconds, c.nPast);
  }
}

TEST(RecordFile, ARecordFromElsewhereIsReadLeniently) {
  // Blank lines, CRLF line ends and a stray trailing word do not lose the values.
  Session s;
  Session::WriteFile("numdril.rec",
                     "Total_Practice_Time    0hour 0mi 9se\r\n\r\n" +
                         Pad("Position_Practice", 50) + "     0hour 0mi 8se\r\n" +
                         Pad("Random_Practice", 34) + "   -0.0 26/12/01     0hour 0mi 7se x\n");
  s.Start();
  EXPECT_EQ(g_nPastSeconds, 9);
  EXPECT_EQ(g_nPositionSeconds, 8);
  EXPECT_EQ(g_dBestSpeed[0][0], 0.0);
  EXPECT_FALSE(std::signbit(g_dBestSpeed[0][0]));
  EXPECT_STREQ(g_szBestDate[0][0], "26/12/01");
  EXPECT_EQ(g_nRandomSeconds[0][0], 7);
  ASSERT_EQ(WriteRecordFile(), 1);
  EXPECT_FALSE(Exists("numdril.rec.bak"));
}

TEST(RecordFile, AFailedRewriteLeavesTheOldRecordAsItWas) {
  const std::string old = RecordText("    1hour 0mi 0se", "    0hour 3mi 0se", "  150.0",
                                     "26/12/01", "    0hour 4mi 0se");
  Session s;
  Session::WriteFile("numdril.rec", old);
  chmod("numdril.rec", 0640);
  s.Start();
  g_nPositionSeconds += 60;

  // The new record cannot be put beside the old one.
  fs::create_directory("numdril.rec.tmp");
  EXPECT_EQ(WriteRecordFile(), 0);
  EXPECT_EQ(Session::ReadFile("numdril.rec"), old);
  EXPECT_TRUE(fs::is_directory("numdril.rec.tmp"));
  fs::remove("numdril.rec.tmp");

  // Once it can, the new record takes the old one's place, with the old one's mode.
  EXPECT_EQ(WriteRecordFile(), 1);
  EXPECT_NE(Session::ReadFile("numdril.rec"), old);
  EXPECT_EQ(ReadBack(), 1);
  EXPECT_EQ(g_nPositionSeconds, 240);
  struct stat st;
  ASSERT_EQ(stat("numdril.rec", &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_FALSE(Exists("numdril.rec.tmp"));
}

TEST(RecordFile, ADamagedRecordIsNotReplacedWithoutItsBackup) {
  const std::string damaged = "Total_Practice_Time    1hour 0mi 0se\nPosition_Practice x\n";
  Session s;
  Session::WriteFile("numdril.rec", damaged);
  s.Start();
  fs::create_directory("numdril.rec.bak");  // the backup's name is taken: none can be made
  EXPECT_EQ(WriteRecordFile(), 0);
  EXPECT_EQ(Session::ReadFile("numdril.rec"), damaged);
  EXPECT_FALSE(Exists("numdril.rec.tmp"));
}

TEST(RecordFile, UnwritablePlacesFailWithoutHarm) {
  {
    // A folder where the record should be: read as damage, never replaced.
    Session s;
    fs::create_directory("numdril.rec");
    Session::WriteFile("numdril.rec/keep", "x");
    s.Start();
    EXPECT_EQ(g_nPastSeconds, 0);
    EXPECT_EQ(WriteRecordFile(), 0);
    EXPECT_EQ(Session::ReadFile("numdril.rec/keep"), "x");
    EXPECT_FALSE(Exists("numdril.rec.tmp"));
  }
  {
    // A full disk: the record is linked to /dev/full, which reads as endless NUL bytes.
    Session s;
    fs::create_symlink("/dev/full", "numdril.rec");
    s.Start();
    EXPECT_EQ(g_nPastSeconds, 0);
    EXPECT_EQ(WriteRecordFile(), 0);
    EXPECT_TRUE(fs::is_symlink("numdril.rec"));
  }
  {
    // A record kept elsewhere through a link: the file it names is replaced, the link stays.
    Session s;
    fs::create_directory("elsewhere");
    Session::WriteFile("elsewhere/my.rec", "Total_Practice_Time    0hour 0mi 5se\n");
    fs::create_symlink("elsewhere/my.rec", "numdril.rec");
    s.Start();
    EXPECT_EQ(g_nPastSeconds, 5);
    EXPECT_EQ(WriteRecordFile(), 1);
    EXPECT_TRUE(fs::is_symlink("numdril.rec"));
    EXPECT_EQ(ReadBack("elsewhere/my.rec"), 1);
    EXPECT_EQ(Session::ReadFile("elsewhere/my.rec.bak"),
              "Total_Practice_Time    0hour 0mi 5se\n");
  }
}

TEST(RecordFile, StartUpTakesTheTimesAndSeedsTheGenerator) {
  Session s;
  s.Advance(12345 * 1000 + 678);
  s.Start();
  EXPECT_EQ(g_tStart, TEST_EPOCH + 12345);
  EXPECT_STREQ(g_szStartDate, "12/07/26");
  EXPECT_STREQ(g_szStartTime, "13:25:45");
  // The generator was seeded with the low 15 bits of the start and moved on
  // (start & 0xFF) + 10 draws; the title screen draws nothing from it.
  const time64_t t = g_tStart;
  const int nNext = Rand();
  SRand((unsigned int)(t & 0x7FFF));
  for (int i = 0; i < (int)(t & 0xFF) + 10; ++i) Rand();
  EXPECT_EQ(Rand(), nNext);
}

}  // namespace
