// SPDX-License-Identifier: MIT
// The record file numdril.rec: its bytes, reading both languages back, short and damaged
// files, and a rewrite that never loses the old record.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "flow/flow.h"
#include "platform/files.h"
#include "random/random.h"
#include "record_files.h"

namespace fs = std::filesystem;

namespace {

const std::string SPACES8 = "        ";
// "時間", "分", "秒" and the line 1 label "練習時間　".
const std::string HOUR_JA = "\x8e\x9e\x8a\xd4", MIN_JA = "\x95\xaa", SEC_JA = "\x95\x62";
const std::string TOTAL_JA = "\x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4\x81\x40";

// Puts the record values back to their defaults; the start of the run stays.
void ForgetValues() {
  const time64_t tStart = g_tStart;
  const uint64_t nStartClockMs = g_nStartClockMs;
  ResetRecordState();
  g_tStart = tStart;
  g_nStartClockMs = nStartClockMs;
}

void ExpectDefaultsFromPosition() {
  EXPECT_EQ(g_nPositionSeconds, 0);
  EXPECT_EQ(g_dBestSpeed[0][0], 0.0);
  EXPECT_STREQ(g_szBestDate[0][0], "        ");
  EXPECT_EQ(g_nRandomSeconds[0][0], 0);
}

// Starts the program again in the working folder, as the next run would; what it said on
// stderr goes to *pSaid.
void StartAgain(std::string* pSaid) {
  ResetAllState();
  SetFakeClock(TEST_EPOCH, 0);
  testing::internal::CaptureStderr();
  LoadRecordsAtStart();
  *pSaid = testing::internal::GetCapturedStderr();
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
  EXPECT_EQ(FolderNames(), std::set<std::string>{"numdril.rec"})
      << "no temporary file left, and a sound old record needs no backup";

  ResetRecordState();
  EXPECT_EQ(ReadBack(), 1);
  EXPECT_EQ(g_nPastSeconds, 3725);
  EXPECT_EQ(g_nPositionSeconds, 3725);
  EXPECT_EQ(g_dBestSpeed[0][0], 123.5);
  EXPECT_STREQ(g_szBestDate[0][0], "26/11/30");
  EXPECT_EQ(g_nRandomSeconds[0][0], 363547);
}

TEST(RecordFile, EveryFieldPastItsColumnIsWrittenAsTheMostItCanReadBack) {
  Session s;
  s.Start();
  // 9999 h 59 min 59 s earlier and 2 s now: a fifth hour digit would join the line 1 label,
  // and a sixth one would push the other lines out of their columns. A burst of keys
  // handled at once after a stall gives a speed of millions per minute.
  g_nPastSeconds = 9999 * 3600 + 59 * 60 + 59;
  g_nPositionSeconds = 100000 * 3600;
  g_nRandomSeconds[0][0] = INT_MAX;
  g_dBestSpeed[0][0] = 1234567.8;
  memcpy(g_szBestDate[0][0], "\t6/12/0\x7f", 9);
  s.Advance(2000);
  ASSERT_EQ(WriteRecordFile(), 1);
  EXPECT_EQ(Session::ReadFile("numdril.rec"),
            RecordText(" 9999hour59mi59se", "99999hour59mi59se", "99999.9", " 6/12/0 ",
                       "99999hour59mi59se"));
  std::string said;
  StartAgain(&said);
  EXPECT_EQ(said, "") << "the next start reads every line";
  EXPECT_FALSE(Exists("numdril.rec.bak"));
  EXPECT_EQ(g_nPastSeconds, 9999 * 3600 + 59 * 60 + 59);
  EXPECT_EQ(g_dBestSpeed[0][0], 99999.9);
  EXPECT_EQ(g_nRandomSeconds[0][0], 99999 * 3600 + 59 * 60 + 59);

  // Speeds that round past the column, or that no run can have.
  const struct {
    double dSpeed;
    const char* pszWritten;
  } SPEEDS[] = {
      {99999.95, "99999.9"}, {INFINITY, "99999.9"}, {NAN, "    0.0"}, {-5.0, "    0.0"}};
  for (const auto& speed : SPEEDS) {
    SCOPED_TRACE(speed.dSpeed);
    Session fresh;
    fresh.Start();
    g_dBestSpeed[0][0] = speed.dSpeed;
    ASSERT_EQ(WriteRecordFile(), 1);
    EXPECT_EQ(Session::ReadFile("numdril.rec"),
              RecordText("    0hour 0mi 0se", "    0hour 0mi 0se", speed.pszWritten, SPACES8,
                         "    0hour 0mi 0se"));
  }
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
      {"date with control bytes",
       line1 + line2 + item + "  123.4 26/\x07\x08/01     0hour 5mi 0se\n", 60, 120},
      {"NUL in a line", line1 + line2 + item + std::string("  123.4 26/12/01\0    0hour", 27) +
                            " 5mi 0se\n",
       60, 120},
      // A number too long for its field leaves digits where its unit belongs.
      {"hours too long for their field",
       line1 + Pad("Position_Practice", 50) + " 99999999999999999999hour 0mi 0se\n", 60, 0},
      {"minutes too long for their field",
       line1 + line2 + item + "  123.4 26/12/01     0hour123mi 0se\n", 60, 120},
      {"no unit after the hours", "Total_Practice_Time    1xxxx 2mi 5se\n", 0, 0},
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

  // Lines ended by CR alone, and a line padded far past 256 bytes, as a whitespace-separated
  // scan takes them.
  ResetRecordState();
  Session::WriteFile("numdril.rec", "Total_Practice_Time    0hour 0mi 6se\r" +
                                        Pad("Position_Practice", 500) + "     0hour 0mi 5se\r" +
                                        Pad("Random_Practice", 34) +
                                        "   99.5 26/12/01     0hour 0mi 4se\r");
  EXPECT_EQ(ReadBack(), 1);
  EXPECT_EQ(g_nPastSeconds, 6);
  EXPECT_EQ(g_nPositionSeconds, 5);
  EXPECT_EQ(g_dBestSpeed[0][0], 99.5);
  EXPECT_EQ(g_nRandomSeconds[0][0], 4);
}

TEST(RecordFile, BackupsNeverReplaceBackups) {
  const std::string good = RecordText("   10hour 0mi 0se", "    1hour 0mi 0se", "  150.0",
                                      "26/12/01", "    2hour 0mi 0se");
  Session s;
  std::string said;
  // An empty record beside a good backup (the record of a crash): the backup stays.
  Session::WriteFile("numdril.rec", "");
  Session::WriteFile("numdril.rec.bak", good);
  StartAgain(&said);
  EXPECT_EQ(said, "numdril: numdril.rec is empty; numdril.rec.bak holds an earlier record\n");
  ASSERT_EQ(WriteRecordFile(), 1);
  EXPECT_EQ(Session::ReadFile("numdril.rec.bak"), good);
  EXPECT_EQ(FolderNames(), (std::set<std::string>{"numdril.rec", "numdril.rec.bak"}));

  // Two damaged starts in a row, each damage of its own: each is kept, under a new name.
  fs::remove("numdril.rec.bak");
  Session::WriteFile("numdril.rec", good.substr(0, 60));
  StartAgain(&said);
  const std::string kept = "numdril: numdril.rec could not be read whole; it is kept as ";
  EXPECT_EQ(said, kept + "numdril.rec.bak\n");
  ASSERT_EQ(WriteRecordFile(), 1);
  std::string typo = Session::ReadFile("numdril.rec");
  typo[29] = 'x';  // a one-byte typo in the minutes of line 1
  Session::WriteFile("numdril.rec", typo);
  StartAgain(&said);
  EXPECT_EQ(said, kept + "numdril.rec.bak.1\n");
  ASSERT_EQ(WriteRecordFile(), 1);
  EXPECT_EQ(Session::ReadFile("numdril.rec.bak"), good.substr(0, 60));
  EXPECT_EQ(Session::ReadFile("numdril.rec.bak.1"), typo);
  // The same damage found again is kept once.
  Session::WriteFile("numdril.rec", typo);
  StartAgain(&said);
  EXPECT_EQ(said, kept + "numdril.rec.bak.1\n");
  EXPECT_EQ(FolderNames(),
            (std::set<std::string>{"numdril.rec", "numdril.rec.bak", "numdril.rec.bak.1"}));
}

TEST(RecordFile, RecordsAsTheUserSetThemUp) {
  const std::string old = RecordText("    1hour 0mi 0se", "    0hour 3mi 0se", "  150.0",
                                     "26/12/01", "    0hour 4mi 0se");
  const std::string damaged = old.substr(0, 60);
  Session s;
  // Each case as the user nobody: root would write through any mode.
  auto Case = [&](const char* pszName, const std::string& text, mode_t nFileMode,
                  mode_t nFolderMode, const std::function<void()>& check) {
    SCOPED_TRACE(pszName);
    for (const std::string& name : FolderNames()) fs::remove_all(name);
    Session::WriteFile("numdril.rec", text);
    chmod("numdril.rec", nFileMode);
    chmod(".", nFolderMode);
    EXPECT_TRUE(AsNobody(check));
    chmod(".", 0700);
  };
  std::string said;

  Case("a read-only record is not replaced", old, 0444, 0777, [&] {
    StartAgain(&said);
    g_nPositionSeconds += 60;
    EXPECT_EQ(WriteRecordFile(), 0);
    EXPECT_EQ(Session::ReadFile("numdril.rec"), old);
    EXPECT_EQ(FolderNames(), std::set<std::string>{"numdril.rec"});
  });
  Case("a folder that takes no new file: rewritten in place", old, 0666, 0555, [&] {
    StartAgain(&said);
    EXPECT_FALSE(CanSaveRecordsHere()) << "the log would have nowhere to go";
    g_nPositionSeconds += 60;
    struct stat before, after;
    EXPECT_EQ(stat("numdril.rec", &before), 0);
    EXPECT_EQ(WriteRecordFile(), 1);
    EXPECT_EQ(ReadBack(), 1);
    EXPECT_EQ(g_nPositionSeconds, 240);
    EXPECT_EQ(stat("numdril.rec", &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 07777, 0666u);
  });
  Session::WriteFile("numdril.log", "");
  chmod("numdril.log", 0666);
  chmod(".", 0555);
  EXPECT_TRUE(AsNobody([] { EXPECT_TRUE(CanSaveRecordsHere()) << "both are written in place"; }));
  chmod(".", 0700);
  Case("a damaged record with nowhere to keep it", damaged, 0666, 0555, [&] {
    StartAgain(&said);
    EXPECT_EQ(said.rfind("numdril: numdril.rec could not be read whole and no backup of it "
                         "can be made", 0), 0u) << said;
    EXPECT_EQ(WriteRecordFile(), 0);
    EXPECT_EQ(Session::ReadFile("numdril.rec"), damaged);
  });
  Case("a record nobody may read, started twice", old, 0000, 0777, [&] {
    for (int nStart = 0; nStart < 2; ++nStart) {
      StartAgain(&said);
      EXPECT_EQ(said, "numdril: cannot read numdril.rec (Permission denied); it is left as it "
                      "is and not replaced\n");
      EXPECT_EQ(WriteRecordFile(), 0);
    }
    EXPECT_EQ(FolderNames(), std::set<std::string>{"numdril.rec"});
  });
  // In Japanese, the system's words too, readable though the program's characters are C's.
  SpeakJapanese();
  Case("a record nobody may read, in Japanese", old, 0000, 0777, [&] {
    StartAgain(&said);
    EXPECT_EQ(said, "numdril: 練習記録 numdril.rec を読めません (許可がありません)。ファイルは"
                    "そのままにし、置き換えません\n");
  });
  chmod("numdril.rec", 0600);  // readable again for a test run by a user other than root
  EXPECT_EQ(Session::ReadFile("numdril.rec"), old);
}

// One numdril in the working folder, in a process of its own: it starts, practises when
// told to, and exits through the exit-time saving.
struct Instance {
  pid_t pid = -1;
  int fdTell = -1, fdHear = -1;
};

Instance StartInstance(int nPositionSeconds, int nRandomSeconds, double dBest,
                       const char* pszDate, int nRunSeconds) {
  int toChild[2], fromChild[2];
  EXPECT_EQ(pipe(toChild), 0);
  EXPECT_EQ(pipe(fromChild), 0);
  fflush(nullptr);
  Instance inst;
  inst.pid = fork();
  if (inst.pid == 0) {
    ResetAllState();
    SetFakeClock(TEST_EPOCH, 0);
    LoadRecordsAtStart();
    char c = 'r';
    if (write(fromChild[1], &c, 1) != 1 || read(toChild[0], &c, 1) != 1) _exit(3);
    g_nPositionSeconds += nPositionSeconds;
    g_nRandomSeconds[0][0] += nRandomSeconds;
    if (dBest > g_dBestSpeed[0][0]) {
      g_dBestSpeed[0][0] = dBest;
      memcpy(g_szBestDate[0][0], pszDate, 9);
    }
    AdvanceFakeClock(nRunSeconds * 1000);
    _exit(SaveAtExit() == 0 && write(fromChild[1], &c, 1) == 1 ? 0 : 1);
  }
  close(toChild[0]);
  close(fromChild[1]);
  inst.fdTell = toChild[1];
  inst.fdHear = fromChild[0];
  char c;
  EXPECT_EQ(read(inst.fdHear, &c, 1), 1) << "the instance did not start";
  return inst;
}

void ExitInstance(Instance& inst) {
  char c = 'g';
  EXPECT_EQ(write(inst.fdTell, &c, 1), 1);
  EXPECT_EQ(read(inst.fdHear, &c, 1), 1) << "the instance did not save";
  int status = 0;
  waitpid(inst.pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  close(inst.fdTell);
  close(inst.fdHear);
}

TEST(RecordFile, TwoProgramsInOneFolderLoseNothing) {
  const std::string old = RecordText("    1hour 0mi 0se", "    0hour 3mi 0se", "  150.0",
                                     "26/12/01", "    0hour 4mi 0se");
  for (bool bFirstExitsFirst : {true, false}) {
    SCOPED_TRACE(bFirstExitsFirst ? "first exits first" : "first exits last");
    Session s;
    Session::WriteFile("numdril.rec", old);
    // Both start before either practises: a double click on the menu entry.
    Instance a = StartInstance(100, 60, 160.5, "26/12/07", 600);
    Instance b = StartInstance(40, 30, 155.0, "26/12/08", 300);
    ExitInstance(bFirstExitsFirst ? a : b);
    ExitInstance(bFirstExitsFirst ? b : a);
    EXPECT_EQ(Session::ReadFile("numdril.rec"),
              RecordText("    1hour15mi 0se", "    0hour 5mi20se", "  160.5", "26/12/07",
                         "    0hour 5mi30se"));
    const std::string log = Session::ReadFile("numdril.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
  }

  // Four saving at once, over and over: the lock lets no save miss another's.
  Session s;
  std::vector<pid_t> pids;
  for (int i = 0; i < 4; ++i) {
    fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
      ResetAllState();
      SetFakeClock(TEST_EPOCH, 0);
      LoadRecordsAtStart();
      bool bOk = true;
      for (int n = 0; n < 25; ++n) {
        g_nPositionSeconds += 1;
        bOk = WriteRecordFile() == 1 && bOk;
      }
      _exit(bOk ? 0 : 1);
    }
    pids.push_back(pid);
  }
  for (pid_t pid : pids) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  ResetRecordState();
  EXPECT_EQ(ReadBack(), 1);
  EXPECT_EQ(g_nPositionSeconds, 100);
  EXPECT_EQ(FolderNames(), std::set<std::string>{"numdril.rec"});
}

TEST(RecordFile, AFailedRewriteLeavesTheOldRecordAsItWas) {
  const std::string old = RecordText("    1hour 0mi 0se", "    0hour 3mi 0se", "  150.0",
                                     "26/12/01", "    0hour 4mi 0se");
  Session s;
  Session::WriteFile("numdril.rec", old);
  chmod("numdril.rec", 0640);
  s.Start();
  g_nPositionSeconds += 60;

  {
    FileSizeLimit full(100);  // the new record does not fit on the disk
    EXPECT_EQ(WriteRecordFile(), 0);
  }
  EXPECT_EQ(Session::ReadFile("numdril.rec"), old);
  EXPECT_EQ(FolderNames(), std::set<std::string>{"numdril.rec"}) << "a half-made file is left";

  // Once it can, the new record takes the old one's place, with the old one's mode.
  EXPECT_EQ(WriteRecordFile(), 1);
  EXPECT_NE(Session::ReadFile("numdril.rec"), old);
  EXPECT_EQ(ReadBack(), 1);
  EXPECT_EQ(g_nPositionSeconds, 240);
  struct stat st;
  ASSERT_EQ(stat("numdril.rec", &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(FolderNames(), std::set<std::string>{"numdril.rec"});
}

TEST(RecordFile, OddFilesAreNeitherReadNorReplacedNorWaitedOn) {
  alarm(60);  // a start-up that waits on the FIFO fails here rather than hanging
  {
    // A folder where the record should be: counts as missing, is never replaced.
    Session s;
    fs::create_directory("numdril.rec");
    Session::WriteFile("numdril.rec/keep", "x");
    s.Start();
    EXPECT_EQ(g_nPastSeconds, 0);
    EXPECT_EQ(WriteRecordFile(), 0);
    EXPECT_EQ(Session::ReadFile("numdril.rec/keep"), "x");
    EXPECT_EQ(FolderNames(), std::set<std::string>{"numdril.rec"});
  }
  {
    // A FIFO: opening it to read would wait for a writer that never comes.
    Session s;
    ASSERT_EQ(mkfifo("numdril.rec", 0644), 0);
    s.Start();
    EXPECT_EQ(g_nPastSeconds, 0);
    EXPECT_EQ(WriteRecordFile(), 0);
    struct stat st;
    ASSERT_EQ(lstat("numdril.rec", &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
    EXPECT_EQ(FolderNames(), std::set<std::string>{"numdril.rec"});
  }
  {
    // A device through a link (/dev/full reads as endless NUL bytes): neither read nor
    // written, and the link stays.
    Session s;
    fs::create_symlink("/dev/full", "numdril.rec");
    s.Start();
    EXPECT_EQ(g_nPastSeconds, 0);
    EXPECT_EQ(WriteRecordFile(), 0);
    EXPECT_TRUE(fs::is_symlink("numdril.rec"));
  }
  alarm(0);
}

TEST(RecordFile, ALinkedRecordIsWrittenThrough) {
  // A record kept elsewhere: the file the link names is replaced, the link stays.
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

  // A link to a record not made yet: the record is made where the link points.
  fs::remove("numdril.rec");
  fs::create_symlink("elsewhere/new.rec", "numdril.rec");
  EXPECT_EQ(WriteRecordFile(), 1);
  EXPECT_TRUE(fs::is_symlink("numdril.rec"));
  EXPECT_EQ(ReadBack("elsewhere/new.rec"), 1);
}

TEST(RecordFile, AHandLoweredBestStaysUnlessThisRunBeatsIt) {
  const std::string old = RecordText("    1hour 0mi 0se", "    0hour 3mi 0se", "  123.4",
                                     "26/12/01", "    0hour 4mi 0se");
  Session s;
  Session::WriteFile("numdril.rec", old);
  s.Start();
  // Lowered by hand while numdril runs; this run practises but sets no best.
  Session::WriteFile("numdril.rec", RecordText("    1hour 0mi 0se", "    0hour 3mi 0se",
                                               "  100.0", "26/12/02", "    0hour 4mi 0se"));
  g_nPositionSeconds += 60;
  ASSERT_EQ(WriteRecordFile(), 1);  // a drill's end
  g_nPositionSeconds += 60;
  ASSERT_EQ(WriteRecordFile(), 1);  // the exit
  ForgetValues();
  ASSERT_EQ(ReadBack(), 1);
  EXPECT_EQ(g_dBestSpeed[0][0], 100.0);
  EXPECT_STREQ(g_szBestDate[0][0], "26/12/02");
  EXPECT_EQ(g_nPositionSeconds, 300);

  // A best this run sets competes with it.
  g_dBestSpeed[0][0] = 110.0;
  memcpy(g_szBestDate[0][0], "26/12/07", 9);
  ASSERT_EQ(WriteRecordFile(), 1);
  ForgetValues();
  ASSERT_EQ(ReadBack(), 1);
  EXPECT_EQ(g_dBestSpeed[0][0], 110.0);
  EXPECT_STREQ(g_szBestDate[0][0], "26/12/07");
}

// Another user's link in a folder that is sticky and world-writable, as /tmp is: numdril
// follows it no more than the kernel's fs.protected_symlinks would, root included, and says
// so once for each file; the same links made by the user are written through.
TEST(RecordFile, ALinkPlantedInASharedFolderIsNeverFollowed) {
  if (getuid() != 0) GTEST_SKIP() << "planting a link of another user needs root (lchown)";
  const std::string record = RecordText("    1hour 0mi 0se", "    0hour 3mi 0se", "  150.0",
                                        "26/12/01", "    0hour 4mi 0se");
  const std::string lines = "the user's own lines\n";
  Session s;
  Session::WriteFile("own.rec", record);
  Session::WriteFile("own.log", lines);
  Session::WriteFile("own.spd", lines);
  fs::create_directory("shared");
  ASSERT_EQ(chmod("shared", 01777), 0);
  auto plant = [](uid_t nOwner) {
    for (const char* pszExt : {"rec", "log", "spd"}) {
      const std::string link = std::string("shared/numdril.") + pszExt;
      fs::remove(link);
      fs::create_symlink(std::string("../own.") + pszExt, link);
      ASSERT_EQ(lchown(link.c_str(), nOwner, nOwner), 0);
    }
  };
  plant(65534);
  ASSERT_EQ(chdir("shared"), 0);
  // Where the kernel keeps the rule itself, it refuses this very link.
  if (Session::ReadFile("/proc/sys/fs/protected_symlinks") == "1\n") {
    EXPECT_EQ(open(RECORD_FILE, O_RDONLY), -1);
    EXPECT_EQ(errno, EACCES);
  }

  // The same by its whole path, whatever an earlier failed call left in errno.
  std::string path;
  errno = ENOENT;
  EXPECT_FALSE(FollowTrustedLinks((s.Dir() + "/shared/numdril.rec").c_str(), &path));

  std::string said;
  StartAgain(&said);
  const std::string notFollowed =
      " is a link that another user put in a shared folder; it is not followed and nothing is "
      "saved through it\n";
  EXPECT_EQ(said, std::string("numdril: numdril.rec") + notFollowed);
  EXPECT_EQ(g_nPastSeconds, 0) << "nothing read through it either";
  g_nPositionSeconds += 60;
  testing::internal::CaptureStderr();
  EXPECT_EQ(WriteRecordFile(), 0);
  EXPECT_EQ(AppendPracticeLog(g_szStartDate, g_szStartTime, 60), 0);
  EXPECT_EQ(AppendSpeedHistory("Random Practice", "12/07/26", "10:00:54", 120.0, 60), 0);
  EXPECT_EQ(WriteRecordFile(), 0);
  EXPECT_EQ(AppendPracticeLog(g_szStartDate, g_szStartTime, 60), 0);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            std::string("numdril: numdril.log") + notFollowed + "numdril: numdril.spd" +
                notFollowed);
  ASSERT_EQ(chdir(".."), 0);
  EXPECT_EQ(Session::ReadFile("own.rec"), record);
  EXPECT_EQ(Session::ReadFile("own.log"), lines);
  EXPECT_EQ(Session::ReadFile("own.spd"), lines);
  EXPECT_EQ(FolderNames(), (std::set<std::string>{"own.log", "own.rec", "own.spd", "shared"}));

  plant(0);
  ASSERT_EQ(chdir("shared"), 0);
  StartAgain(&said);
  EXPECT_EQ(said, "");
  EXPECT_EQ(g_nPastSeconds, 3600);
  g_nPositionSeconds += 60;
  EXPECT_EQ(WriteRecordFile(), 1);
  EXPECT_EQ(AppendPracticeLog(g_szStartDate, g_szStartTime, 60), 1);
  EXPECT_TRUE(fs::is_symlink(RECORD_FILE));
  EXPECT_EQ(ReadBack(), 1);
  EXPECT_EQ(g_nPositionSeconds, 240);
  EXPECT_NE(Session::ReadFile("../own.log"), lines);
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
