// SPDX-License-Identifier: MIT
// Writing numdril.db when things go wrong, one scenario each: two writers at once, a
// damaged file, a read-only file or folder, a lock held past the wait, a newer or foreign
// database, a full disk, a planted link; and crafted files given to the reader.
#include <sys/stat.h>
#include <unistd.h>

#include "practice/practice_support.h"

namespace {

std::string Bytes(const char* pszPath = PRACTICE_DB_NAME) { return Session::ReadFile(pszPath); }

// Forty runs of 90 keys each, written, the database closed: pages of runs to tear.
void WriteFortyRuns() {
  ResetPracticeState();
  for (int i = 0; i < 40; ++i)
    QueuePracticeRun(MakeRun(DRILL_RANDOM, RUN_FINISHED, TEST_EPOCH, 1000, 60.0,
                             std::vector<PracticeKey>(90, K('1', '1', 1, 99))));
  ASSERT_EQ(FlushPracticeRuns(), 1);
  ResetPracticeState();
}

// Runs fn with stderr captured; what it said.
template <typename Fn>
std::string Stderr(Fn fn) {
  testing::internal::CaptureStderr();
  fn();
  return testing::internal::GetCapturedStderr();
}

TEST(PracticeStore, FirstWriteLeavesOnlyTheDatabase) {
  PracticeFolder folder;
  EXPECT_FALSE(Exists(PRACTICE_DB_NAME));  // nothing is opened before a run is written
  EXPECT_EQ(WriteRun(OneKeyRun()), 1);
  EXPECT_EQ(WriteRun(OneKeyRun()), 1);
  EXPECT_EQ(FolderNames(), std::set<std::string>{PRACTICE_DB_NAME});
  EXPECT_EQ(QueryRaw("PRAGMA user_version"), PRACTICE_SCHEMA_VERSION);
  EXPECT_EQ(StoredRuns(), 2);
  EXPECT_EQ(QueryRaw("SELECT count(*) FROM keys WHERE asked = 55 AND correct"), 2);
  // A trigger someone put in does not fire on numdril's writes.
  ResetPracticeState();
  ExecOnDatabase(
      "CREATE TABLE copies (x); CREATE TRIGGER copy AFTER INSERT ON runs BEGIN"
      " INSERT INTO copies SELECT key_list FROM runs; END");
  EXPECT_EQ(WriteRun(OneKeyRun()), 1);
  EXPECT_EQ(QueryRaw("SELECT count(*) FROM copies"), 0);
}

TEST(PracticeStore, TwoProcessesWritingAtOnceLoseNoRun) {
  PracticeFolder folder;
  const int RUNS_EACH = 30;
  auto writer = [&](int nWhich) {
    return InChild([&] {
      for (int i = 0; i < RUNS_EACH; ++i) {
        // Distinct starts: which process, which run.
        QueuePracticeRun(OneKeyRun(TEST_EPOCH + nWhich * 1000 + i));
        FlushPracticeRuns();  // a run not written now waits for the next
      }
      for (int nTry = 0; nTry < 20 && QueuedPracticeRuns() > 0; ++nTry) FlushPracticeRuns();
      EXPECT_EQ(QueuedPracticeRuns(), 0u);
    });
  };
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) _exit(writer(1) ? 0 : 1);
  const bool bMine = writer(2);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(bMine);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(QueryRaw("SELECT count(DISTINCT started) FROM runs"), 2 * RUNS_EACH);
  EXPECT_EQ(StoredRuns(), 2 * RUNS_EACH);
  EXPECT_EQ(FolderNames(), std::set<std::string>{PRACTICE_DB_NAME});
}

TEST(PracticeStore, DamagedDatabaseKeptAsideUnderAFreeName) {
  PracticeFolder folder;
  // Not a database at all, where an earlier backup already took the first name.
  const std::string notes = std::string(4096, 'x') + " my notes, not a database\n";
  Session::WriteFile(PRACTICE_DB_NAME, notes);
  Session::WriteFile("numdril.db.bak", "an older backup");
  std::string said = Stderr([] { EXPECT_EQ(WriteRun(OneKeyRun()), 1); });
  EXPECT_EQ(said,
            "numdril: numdril.db was damaged (file is not a database); kept as "
            "numdril.db.bak.1, and a new numdril.db started\n");
  EXPECT_EQ(Bytes("numdril.db.bak"), "an older backup");
  EXPECT_EQ(Bytes("numdril.db.bak.1"), notes);
  EXPECT_EQ(StoredRuns(), 1);

  // A database whose table's root page is torn, found by the next write.
  WriteFortyRuns();
  std::string bytes = Bytes();
  ASSERT_GT(bytes.size(), 3 * 4096u);
  bytes.replace(4096 + 8, 300, 300, '\x7f');  // the runs table's root page
  Session::WriteFile(PRACTICE_DB_NAME, bytes);
  said = Stderr([] { EXPECT_EQ(WriteRun(OneKeyRun()), 1); });
  EXPECT_NE(said.find("kept as numdril.db.bak.2"), std::string::npos) << said;
  EXPECT_EQ(Bytes("numdril.db.bak.2"), bytes);
  EXPECT_EQ(StoredRuns(), 1);
  EXPECT_EQ(FolderNames().size(), 4u);  // the database and three backups, nothing else

  // A torn page of old runs, which no write touches: written past at a drill's end, found
  // by the whole-file check at exit.
  WriteFortyRuns();
  bytes = Bytes();
  bytes.replace(5 * 4096 + 8, 300, 300, '\x7f');  // a leaf of the first runs
  Session::WriteFile(PRACTICE_DB_NAME, bytes);
  said = Stderr([] {
    EXPECT_EQ(WriteRun(OneKeyRun()), 1);
    CheckPracticeDb();
  });
  EXPECT_EQ(said.substr(0, said.find('(')), "numdril: numdril.db was damaged ");
  EXPECT_NE(
      said.find("); kept as numdril.db.bak.3; the next run written starts a new numdril.db\n"),
      std::string::npos)
      << said;
  EXPECT_FALSE(Exists(PRACTICE_DB_NAME));
}

TEST(PracticeStore, ReadOnlyFileOrFolderKeepsRunsForLater) {
  PracticeFolder folder;
  if (getuid() == 0) {
    ASSERT_EQ(chown(".", 65534, 65534), 0);
  }
  EXPECT_TRUE(AsNobody([] {
    ASSERT_EQ(WriteRun(OneKeyRun()), 1);
    const std::string before = Bytes();
    chmod(PRACTICE_DB_NAME, 0444);
    ResetPracticeState();  // a later run of the program
    std::string said = Stderr([] { EXPECT_EQ(WriteRun(OneKeyRun()), 0); });
    EXPECT_EQ(said,
              "numdril: numdril.db not written now: attempt to write a readonly database;"
              " the runs are kept to write later\n");
    EXPECT_EQ(g_bPracticeSaved, 0);
    // The folder takes no journal: the file is writable, the write still cannot be made.
    chmod(PRACTICE_DB_NAME, 0644);
    chmod(".", 0555);
    said = Stderr([] { EXPECT_EQ(WriteRun(OneKeyRun()), 0); });
    EXPECT_NE(said.find("its folder takes no new file for its journal"), std::string::npos) << said;
    EXPECT_EQ(Bytes(), before);
    EXPECT_EQ(FolderNames(), std::set<std::string>{PRACTICE_DB_NAME});
    chmod(".", 0755);
    EXPECT_EQ(FlushPracticeRuns(), 1);
    EXPECT_EQ(StoredRuns(), 3);
  }));
}

TEST(PracticeStore, LockHeldPastTheWaitKeepsRunsForLater) {
  PracticeFolder folder;
  ASSERT_EQ(WriteRun(OneKeyRun()), 1);
  sqlite3* pOther = OpenRaw();
  ExecRaw(pOther, "BEGIN EXCLUSIVE");
  std::string said = Stderr([] { EXPECT_EQ(WriteRun(OneKeyRun()), 0); });
  EXPECT_EQ(said,
            "numdril: numdril.db not written now: database is locked;"
            " the runs are kept to write later\n");
  EXPECT_EQ(QueuedPracticeRuns(), 1u);
  ExecRaw(pOther, "COMMIT");
  sqlite3_close(pOther);
  QueuePracticeRun(OneKeyRun());
  EXPECT_EQ(FlushPracticeRuns(), 1);
  EXPECT_EQ(g_bPracticeSaved, 1);
  EXPECT_EQ(StoredRuns(), 3);
}

TEST(PracticeStore, NewerOrForeignDatabaseLeftAlone) {
  PracticeFolder folder;
  ASSERT_EQ(WriteRun(OneKeyRun()), 1);
  ResetPracticeState();
  ExecOnDatabase("PRAGMA user_version = 7; ALTER TABLE runs ADD COLUMN mood TEXT");
  std::string before = Bytes();
  std::string said = Stderr([] { EXPECT_EQ(WriteRun(OneKeyRun()), 0); });
  EXPECT_EQ(said,
            "numdril: numdril.db not written now: it was written by a newer numdril"
            " (schema 7, this one knows 1); it is left as it is;"
            " the runs are kept to write later\n");
  EXPECT_EQ(Bytes(), before);

  // Someone else's database by that name.
  ResetPracticeState();
  remove(PRACTICE_DB_NAME);
  ExecOnDatabase("CREATE TABLE recipes (name TEXT)");
  before = Bytes();
  said = Stderr([] { EXPECT_EQ(WriteRun(OneKeyRun()), 0); });
  EXPECT_NE(said.find("it is not numdril's database"), std::string::npos) << said;
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(FolderNames(), std::set<std::string>{PRACTICE_DB_NAME});
  // The line and the reason within it, in Japanese.
  SpeakJapanese();
  said = Stderr([] { EXPECT_EQ(FlushPracticeRuns(), 0); });
  EXPECT_EQ(said, "numdril: 練習のデータベース numdril.db に今は書き込めません: numdril のデータ"
                  "ベースではないので、そのままにしておきます。書き込めなかった練習は取っておき、"
                  "後で書き込みます\n");
}

TEST(PracticeStore, FullDiskLeavesTheDatabaseAsBefore) {
  PracticeFolder folder;
  ASSERT_EQ(WriteRun(OneKeyRun()), 1);
  const std::string before = Bytes();
  // A long run needs new pages, which the disk no longer has.
  const PracticeRun longRun = MakeRun(DRILL_POSITION, RUN_FINISHED, TEST_EPOCH, 60000, -1.0,
                                      std::vector<PracticeKey>(3000, K('5', '5', 1, 400)));
  {
    FileSizeLimit full(before.size());
    std::string said = Stderr([&] { EXPECT_EQ(WriteRun(longRun), 0); });
    EXPECT_NE(said.find("(File too large)"), std::string::npos) << said;
  }
  EXPECT_EQ(Bytes(), before);
  EXPECT_EQ(FolderNames(), std::set<std::string>{PRACTICE_DB_NAME});
  EXPECT_EQ(FlushPracticeRuns(), 1);
  EXPECT_EQ(QueryRaw("SELECT max(keystrokes) FROM runs"), 3000);
}

TEST(PracticeStore, PlantedLinkRefusedOwnLinkFollowed) {
  if (getuid() != 0) GTEST_SKIP() << "a link owned by someone else needs root to make";
  PracticeFolder folder;
  // A folder like /tmp: sticky and writable by all; a link in it made by nobody.
  ASSERT_EQ(chmod(".", 01777), 0);
  ASSERT_EQ(symlink("elsewhere.db", PRACTICE_DB_NAME), 0);
  ASSERT_EQ(lchown(PRACTICE_DB_NAME, 65534, 65534), 0);
  std::string said = Stderr([] { EXPECT_EQ(WriteRun(OneKeyRun()), 0); });
  EXPECT_NE(said.find("is a link that someone else made"), std::string::npos) << said;
  EXPECT_FALSE(Exists("elsewhere.db"));
  PracticeFigures figures;
  ReadPracticeFigures(30, TEST_EPOCH, &figures);
  EXPECT_EQ(figures.nState, PRACTICE_DB_UNREADABLE);

  // The user's own link is followed, and the database made where it points.
  ASSERT_EQ(lchown(PRACTICE_DB_NAME, 0, 0), 0);
  EXPECT_EQ(FlushPracticeRuns(), 1);
  EXPECT_EQ(StoredRuns("elsewhere.db"), 1);
  ReadPracticeFigures(30, TEST_EPOCH, &figures);
  EXPECT_EQ(figures.totals.nRuns, 1);
}

// ---- The reader and crafted files --------------------------------------------------------

// Reads the figures and checks that the folder is byte for byte as before.
PracticeFigures ReadUntouched() {
  const std::set<std::string> names = FolderNames();
  const std::string before = Bytes();
  PracticeFigures figures;
  ReadPracticeFigures(0, TEST_EPOCH, &figures);
  EXPECT_EQ(FolderNames(), names);
  EXPECT_EQ(Bytes(), before);
  return figures;
}

TEST(PracticeReader, CraftedDatabasesNeitherRunAwayNorChange) {
  PracticeFolder folder;
  ASSERT_EQ(WriteRun(OneKeyRun()), 1);
  ClosePracticeDb();
  // Rows no numdril writes are left out, one by one; a trigger never fires on a read.
  ExecOnDatabase(
      "CREATE TABLE log (x); CREATE TRIGGER t AFTER INSERT ON runs BEGIN"
      " INSERT INTO log VALUES (1); END;"
      "INSERT INTO runs SELECT NULL, started, utc_offset, 7, ending, duration_ms, keystrokes,"
      " errors, chars, cpm, key_list FROM runs;"
      "INSERT INTO runs SELECT NULL, started, utc_offset, drill, ending, -5, keystrokes,"
      " errors, chars, cpm, key_list FROM runs WHERE id = 1;"
      "INSERT INTO runs SELECT NULL, started, utc_offset, drill, ending, duration_ms, 1, 9,"
      " chars, cpm, key_list FROM runs WHERE id = 1;"
      "INSERT INTO runs SELECT NULL, started, utc_offset, drill, ending, duration_ms,"
      " keystrokes, errors, chars, 1e308 * 10, key_list FROM runs WHERE id = 1;"
      "INSERT INTO runs SELECT NULL, started, utc_offset, drill, ending, duration_ms,"
      " keystrokes, errors, chars, cpm, '[[1,2,3]]' FROM runs WHERE id = 1;"
      "INSERT INTO runs SELECT NULL, 'soon', utc_offset, drill, ending, duration_ms,"
      " keystrokes, errors, chars, cpm, key_list FROM runs WHERE id = 1;");
  PracticeFigures figures = ReadUntouched();
  EXPECT_EQ(figures.nState, PRACTICE_DB_READ);
  EXPECT_EQ(figures.totals.nRuns, 1);
  EXPECT_EQ(figures.nSkippedRuns, 6);
  EXPECT_EQ(figures.reason, "6 runs could not be read");

  // A value bigger than any run: refused, not read into memory.
  ExecOnDatabase("UPDATE runs SET key_list = '[' || printf('%.*c', 3000000, ' ') || ']'");
  figures = ReadUntouched();
  EXPECT_EQ(figures.nState, PRACTICE_DB_UNREADABLE);
  EXPECT_EQ(figures.reason, "string or blob too big");

  // A view in the table's place that never ends: views are not read at all.
  remove(PRACTICE_DB_NAME);
  ExecOnDatabase(
      "CREATE VIEW runs AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL"
      " SELECT i + 1 FROM n) SELECT i AS started, 0 AS utc_offset, 2 AS drill,"
      " 1 AS ending, 1000 AS duration_ms, 1 AS keystrokes, 0 AS errors, 1 AS chars,"
      " 60.0 AS cpm, '[]' AS key_list, i AS id FROM n");
  figures = ReadUntouched();
  EXPECT_EQ(figures.nState, PRACTICE_DB_UNREADABLE);
}

TEST(PracticeReader, WalFileReadWithoutCompanionFiles) {
  PracticeFolder folder;
  ASSERT_EQ(WriteRun(OneKeyRun()), 1);
  ClosePracticeDb();
  ExecOnDatabase("PRAGMA journal_mode = WAL");
  PracticeFigures figures = ReadUntouched();
  EXPECT_EQ(figures.totals.nRuns, 1);
  // numdril's next write puts the file back into its own journal mode.
  EXPECT_EQ(WriteRun(OneKeyRun()), 1);
  EXPECT_EQ(FolderNames(), std::set<std::string>{PRACTICE_DB_NAME});
}

}  // namespace
