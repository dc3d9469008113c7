// SPDX-License-Identifier: MIT
// Writing numdril.db: runs wait in memory until a drill's end writes them in one
// transaction. The database is opened on first use, set up or upgraded by an ordered list
// of migration steps, kept aside when damaged, and left alone when it is newer or not
// numdril's. A failure costs nothing but a line on stderr: the runs wait for the next try.
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <sqlite3.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/platform.h"
#include "practice/practice.h"

int g_bPracticeSaved = 1;

// How long a write waits for another numdril (or a report) to finish with the file: theirs
// take milliseconds, and a drill's end must not hang on a lock that is not let go.
static const int BUSY_TIMEOUT_MS = 1000;
// PRAGMA application_id of numdril's databases ("NDRL").
static const int APPLICATION_ID = 0x4E44524C;
// Kept-aside damaged databases: numdril.db.bak, numdril.db.bak.1, ... up to this number.
static const int MAX_BACKUP_NUMBER = 99;
// Files SQLite may keep beside a database; they travel with it when it is kept aside.
static const char* const COMPANION_SUFFIXES[] = {"-journal", "-wal", "-shm"};

// The schema, one step per version: step i takes user_version i to i + 1. Searched in
// order; a later version only adds steps, never edits one that has shipped.
static const char* const MIGRATIONS[] = {
    // 1: every run with its keys, and the keys as rows for whoever queries by hand.
    "CREATE TABLE runs ("
    " id INTEGER PRIMARY KEY,"
    " started INTEGER NOT NULL,"
    " utc_offset INTEGER NOT NULL,"
    " drill INTEGER NOT NULL,"
    " ending INTEGER NOT NULL,"
    " duration_ms INTEGER NOT NULL,"
    " keystrokes INTEGER NOT NULL,"
    " errors INTEGER NOT NULL,"
    " chars INTEGER NOT NULL,"
    " cpm REAL,"
    " key_list TEXT NOT NULL);"
    "CREATE INDEX runs_by_start ON runs(started);"
    "CREATE VIEW keys AS SELECT runs.id AS run, k.key + 1 AS seq,"
    " json_extract(k.value, '$[0]') AS asked, json_extract(k.value, '$[1]') AS typed,"
    " json_extract(k.value, '$[2]') AS correct, json_extract(k.value, '$[3]') AS source,"
    " json_extract(k.value, '$[4]') AS ms"
    " FROM runs, json_each(runs.key_list) AS k;",
};
static_assert(sizeof MIGRATIONS / sizeof MIGRATIONS[0] == PRACTICE_SCHEMA_VERSION,
              "one migration step per schema version");

static const char INSERT_RUN_SQL[] =
    "INSERT INTO runs (started, utc_offset, drill, ending, duration_ms, keystrokes, errors,"
    " chars, cpm, key_list) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)";

// How an attempt on the database ended.
enum Outcome { DONE, FAILED, DAMAGED };

static std::vector<PracticeRun> s_queue;
static sqlite3* s_pDb = nullptr;
static sqlite3_stmt* s_pInsertRun = nullptr;
// The file s_pDb has open; "" while none is.
static std::string s_openPath;
// The last line said on stderr, so that a failure that lasts is said once.
static std::string s_lastNotice;

static void Notice(const std::string& line) {
  if (line == s_lastNotice) return;
  s_lastNotice = line;
  fprintf(stderr, "numdril: %s\n", line.c_str());
}

// SQLite's words for the last error, with the system's where it has them.
static std::string ErrorText(sqlite3* pDb, int rc) {
  // SQLite says "readonly database" of a writable file in a folder that is not.
  if (rc == SQLITE_READONLY_DIRECTORY) return _("its folder takes no new file for its journal");
  std::string text = pDb ? sqlite3_errmsg(pDb) : sqlite3_errstr(rc);
  int nErrno = pDb ? sqlite3_system_errno(pDb) : 0;
  if (nErrno != 0) text += std::string(" (") + strerror(nErrno) + ")";
  return text;
}

static Outcome Classify(int rc, std::string* pWhy) {
  *pWhy = ErrorText(s_pDb, rc);
  int nPrimary = rc & 0xFF;
  return nPrimary == SQLITE_CORRUPT || nPrimary == SQLITE_NOTADB ? DAMAGED : FAILED;
}

static int Exec(const char* pszSql) {
  return sqlite3_exec(s_pDb, pszSql, nullptr, nullptr, nullptr);
}

// The first column of the first row of a one-value statement, as an integer or as text.
static int QueryValue(const char* pszSql, int64_t* pnValue, std::string* pText = nullptr) {
  sqlite3_stmt* pStmt = nullptr;
  int rc = sqlite3_prepare_v2(s_pDb, pszSql, -1, &pStmt, nullptr);
  if (rc == SQLITE_OK) rc = sqlite3_step(pStmt);
  if (rc == SQLITE_ROW) {
    if (pnValue) *pnValue = sqlite3_column_int64(pStmt, 0);
    const unsigned char* psz = sqlite3_column_text(pStmt, 0);
    if (pText) *pText = psz ? (const char*)psz : "";
    rc = SQLITE_OK;
  }
  sqlite3_finalize(pStmt);
  return rc;
}

void ClosePracticeDb() {
  sqlite3_finalize(s_pInsertRun);
  s_pInsertRun = nullptr;
  sqlite3_close(s_pDb);
  s_pDb = nullptr;
  s_openPath.clear();
}

// ---- Links -----------------------------------------------------------------------------

bool ResolvePracticeDbPath(const std::string& path, std::string* pResolved, std::string* pWhy) {
  // A link planted in a sticky folder that everyone may write (/tmp) by someone else is
  // not followed, as for the record files.
  if (!FollowTrustedLinks(path.c_str(), pResolved)) {
    *pWhy = FormatText(_("%s is a link that someone else made in a folder others may write to"),
                       pResolved->c_str());
    return false;
  }
  // A folder, a FIFO (whose open would wait for a writer) or a device is no database.
  struct stat st;
  if (lstat(pResolved->c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    *pWhy = FormatText(_("%s is not a regular file"), pResolved->c_str());
    return false;
  }
  return true;
}

// ---- Keeping a damaged database aside ----------------------------------------------------

// Renames from to a name that must not exist yet; EEXIST when it does.
static bool RenameNoReplace(const std::string& from, const std::string& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system without that rename: a hard link never replaces a name either.
  if (link(from.c_str(), to.c_str()) != 0) return false;
  return unlink(from.c_str()) == 0;
}

static bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// Renames the database and whatever SQLite keeps beside it to the first free backup name,
// which goes to *pBackup. A journal left behind would be played into the fresh database.
static bool KeepDamagedAside(const std::string& path, std::string* pBackup, std::string* pWhy) {
  for (int n = 0; n <= MAX_BACKUP_NUMBER; ++n) {
    std::string backup = path + ".bak" + (n > 0 ? "." + std::to_string(n) : "");
    bool bTaken = Exists(backup);
    for (const char* pszSuffix : COMPANION_SUFFIXES) bTaken = bTaken || Exists(backup + pszSuffix);
    if (bTaken) continue;
    if (!RenameNoReplace(path, backup)) {
      if (errno == EEXIST) continue;
      *pWhy = strerror(errno);
      return false;
    }
    for (const char* pszSuffix : COMPANION_SUFFIXES) {
      if (Exists(path + pszSuffix) && !RenameNoReplace(path + pszSuffix, backup + pszSuffix)) {
        // TRANSLATORS: a file beside the database (numdril.db-journal), then why.
        *pWhy = FormatText(_("%s could not be moved: %s"), (path + pszSuffix).c_str(),
                           strerror(errno));
        return false;
      }
    }
    *pBackup = backup;
    return true;
  }
  *pWhy = FormatText(_("every backup name up to .bak.%d is taken"), MAX_BACKUP_NUMBER);
  return false;
}

// ---- Opening ---------------------------------------------------------------------------

// Brings the schema up to PRACTICE_SCHEMA_VERSION in one transaction, taken before the
// version is read, so that two numdrils starting together set it up once.
static Outcome Migrate(std::string* pWhy) {
  int rc = Exec("BEGIN IMMEDIATE");
  if (rc != SQLITE_OK) return Classify(rc, pWhy);
  int64_t nVersion = 0, nAppId = 0, nObjects = 0;
  rc = QueryValue("PRAGMA user_version", &nVersion);
  if (rc == SQLITE_OK) rc = QueryValue("PRAGMA application_id", &nAppId);
  if (rc == SQLITE_OK) rc = QueryValue("SELECT count(*) FROM sqlite_schema", &nObjects);
  Outcome outcome = DONE;
  if (rc != SQLITE_OK) {
    outcome = Classify(rc, pWhy);
  } else if ((nAppId != 0 && nAppId != APPLICATION_ID) || (nVersion == 0 && nObjects > 0)) {
    *pWhy = _("it is not numdril's database; it is left as it is");
    outcome = FAILED;
  } else if (nVersion > PRACTICE_SCHEMA_VERSION) {
    // TRANSLATORS: the file's schema version, then the newest this numdril knows.
    *pWhy = FormatText(_("it was written by a newer numdril (schema %lld, this one knows %d); "
                         "it is left as it is"),
                       (long long)nVersion, PRACTICE_SCHEMA_VERSION);
    outcome = FAILED;
  }
  for (int64_t v = nVersion; outcome == DONE && v < PRACTICE_SCHEMA_VERSION; ++v) {
    rc = Exec(MIGRATIONS[v]);
    if (rc != SQLITE_OK) outcome = Classify(rc, pWhy);
  }
  if (outcome == DONE && nVersion < PRACTICE_SCHEMA_VERSION) {
    const std::string pragmas =
        "PRAGMA application_id = " + std::to_string(APPLICATION_ID) +
        "; PRAGMA user_version = " + std::to_string(PRACTICE_SCHEMA_VERSION);
    rc = Exec(pragmas.c_str());
    if (rc != SQLITE_OK) outcome = Classify(rc, pWhy);
  }
  if (outcome == DONE) {
    rc = Exec("COMMIT");
    if (rc != SQLITE_OK) outcome = Classify(rc, pWhy);
  }
  if (!sqlite3_get_autocommit(s_pDb)) Exec("ROLLBACK");
  return outcome;
}

static Outcome TryOpen(const std::string& path, std::string* pWhy) {
  const int nFlags =
      SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_EXRESCODE;
  int rc = sqlite3_open_v2(path.c_str(), &s_pDb, nFlags, nullptr);
  if (rc != SQLITE_OK) return Classify(rc, pWhy);
  sqlite3_busy_timeout(s_pDb, BUSY_TIMEOUT_MS);
  sqlite3_db_config(s_pDb, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_db_config(s_pDb, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  // Nothing but the run's own row is written at a drill's end, whatever the file holds.
  sqlite3_db_config(s_pDb, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
  // A rollback journal that is deleted after each write: nothing stays beside the database
  // between drills (a WAL's two files would stay while numdril runs). FULL syncs, since a
  // drill's end is rare and a lost run is not.
  rc = Exec("PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL");
  if (rc != SQLITE_OK) return Classify(rc, pWhy);
  // No whole-file check here: it reads every page, tens of milliseconds on years of
  // practice, and this runs on a drill's result screen. What a write touches SQLite checks
  // itself (SQLITE_CORRUPT); the rest is checked at exit (CheckPracticeDb).
  Outcome outcome = Migrate(pWhy);
  if (outcome != DONE) return outcome;
  rc = sqlite3_prepare_v3(s_pDb, INSERT_RUN_SQL, -1, SQLITE_PREPARE_PERSISTENT, &s_pInsertRun,
                          nullptr);
  if (rc != SQLITE_OK) return Classify(rc, pWhy);
  s_openPath = path;
  return DONE;
}

// What comes after a damaged database is kept aside: a new one at once, or with the next
// run written.
enum Afterwards { NEW_FILE_NOW, NEW_FILE_NEXT_RUN };

// Keeps a damaged database aside (*pWhy says how it is damaged), saying so with what comes
// of it; false, with *pWhy saying why, when it cannot be moved.
static bool SetDamagedAside(const std::string& path, Afterwards afterwards, std::string* pWhy) {
  std::string backup, why;
  if (!KeepDamagedAside(path, &backup, &why)) {
    // TRANSLATORS: how the database is damaged (SQLite's words), then why it stays.
    *pWhy = FormatText(_("it is damaged (%s) and could not be kept aside: %s"), pWhy->c_str(),
                       why.c_str());
    return false;
  }
  // TRANSLATORS: how the database is damaged (SQLite's words), then the name it is kept as.
  const char* pszFormat = N_("numdril.db was damaged (%s); kept as %s, and a new numdril.db "
                             "started");
  if (afterwards == NEW_FILE_NEXT_RUN)
    pszFormat = N_("numdril.db was damaged (%s); kept as %s; the next run written starts a new "
                   "numdril.db");
  Notice(FormatText(_(pszFormat), pWhy->c_str(), backup.c_str()));
  return true;
}

// Opens numdril.db, keeping a damaged one aside and starting afresh once.
static bool OpenDatabase(std::string* pWhy) {
  std::string path;
  if (!ResolvePracticeDbPath(PRACTICE_DB_NAME, &path, pWhy)) return false;
  for (int nTry = 0; nTry < 2; ++nTry) {
    Outcome outcome = TryOpen(path, pWhy);
    if (outcome == DONE) return true;
    ClosePracticeDb();
    if (outcome != DAMAGED || !SetDamagedAside(path, NEW_FILE_NOW, pWhy)) return false;
  }
  return false;
}

void CheckPracticeDb() {
  if (!s_pDb) return;
  const std::string path = s_openPath;
  std::string result, why;
  const int rc = QueryValue("PRAGMA quick_check(1)", nullptr, &result);
  if (rc == SQLITE_OK && result == "ok") return;
  if (rc != SQLITE_OK && Classify(rc, &why) != DAMAGED) return;  // busy: another day
  if (rc == SQLITE_OK) why = result;
  ClosePracticeDb();
  if (!SetDamagedAside(path, NEW_FILE_NEXT_RUN, &why))
    Notice(std::string(PRACTICE_DB_NAME) + ": " + why);
}

// ---- Writing ---------------------------------------------------------------------------

static int BindRun(const PracticeRun& run) {
  sqlite3_stmt* p = s_pInsertRun;
  const std::string keyList = EncodeKeyList(run.keys);
  sqlite3_bind_int64(p, 1, run.tStartUtc);
  sqlite3_bind_int(p, 2, run.nUtcOffset);
  sqlite3_bind_int(p, 3, run.nDrill);
  sqlite3_bind_int(p, 4, run.nEnding);
  sqlite3_bind_int64(p, 5, run.nDurationMs);
  sqlite3_bind_int(p, 6, run.nKeystrokes);
  sqlite3_bind_int(p, 7, run.nErrors);
  sqlite3_bind_int(p, 8, run.nChars);
  if (run.dCpm >= 0.0)
    sqlite3_bind_double(p, 9, run.dCpm);
  else
    sqlite3_bind_null(p, 9);
  sqlite3_bind_text(p, 10, keyList.data(), (int)keyList.size(), SQLITE_TRANSIENT);
  int rc = sqlite3_step(p);
  sqlite3_reset(p);
  return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

static Outcome WriteQueue(std::string* pWhy) {
  int rc = Exec("BEGIN IMMEDIATE");
  for (size_t i = 0; rc == SQLITE_OK && i < s_queue.size(); ++i) rc = BindRun(s_queue[i]);
  if (rc == SQLITE_OK) rc = Exec("COMMIT");
  if (rc == SQLITE_OK) return DONE;
  Outcome outcome = Classify(rc, pWhy);
  if (!sqlite3_get_autocommit(s_pDb)) Exec("ROLLBACK");
  return outcome;
}

void QueuePracticeRun(const PracticeRun& run) { s_queue.push_back(run); }

size_t QueuedPracticeRuns() { return s_queue.size(); }

int FlushPracticeRuns() {
  if (s_queue.empty()) return g_bPracticeSaved = 1;
  std::string why;
  // A damage found only while writing is kept aside too, and the runs go to a new file.
  for (int nTry = 0; nTry < 2; ++nTry) {
    if (!s_pDb && !OpenDatabase(&why)) break;
    Outcome outcome = WriteQueue(&why);
    if (outcome == DONE) {
      s_queue.clear();
      s_lastNotice.clear();
      return g_bPracticeSaved = 1;
    }
    // Closed after any failure: the next try opens afresh, as the file may have changed.
    const std::string path = s_openPath;
    ClosePracticeDb();
    if (outcome != DAMAGED || !SetDamagedAside(path, NEW_FILE_NOW, &why)) break;
  }
  // TRANSLATORS: %s is why; "runs" are drills practised, each with its keys.
  Notice(FormatText(_("numdril.db not written now: %s; the runs are kept to write later"),
                    why.c_str()));
  return g_bPracticeSaved = 0;
}

void ResetPracticeState() {
  ClosePracticeDb();
  s_queue.clear();
  s_lastNotice.clear();
  g_bPracticeSaved = 1;
  g_practiceRun = PracticeRun{};
}
