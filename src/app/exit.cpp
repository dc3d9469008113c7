// SPDX-License-Identifier: MIT
// Saving: the record and the practice database at the end of each drill, and at exit the
// close-out of an open drill, the practice log, the record file, the runs still waiting
// for the database, and the notice that names each file not saved. The exit's saving runs
// once, whichever way the program ends.
#include <cstdio>
#include <string>

#include "app/app.h"
#include "flow/flow.h"
#include "flow/util.h"
#include "practice/practice.h"
#include "records/records.h"

// Notice captions: "成績ファイル書き込みエラー" in Japanese (record file write error).
static const char NOTICE_CAPTION_EN[] = "Practice Record write error";
static const char NOTICE_CAPTION_JA[] =
    "\x90\xac\x90\xd1\x83\x74\x83\x40\x83\x43\x83\x8b\x8f\x91\x82\xab\x8d\x9e\x82\xdd\x83\x47"
    "\x83\x89\x81\x5b";
// The notice's own texts exist in English only.
static const char NOTICE_HEAD[] = "Practice Record File";
static const char NOTICE_TAIL[] = "Could not be saved";
static const size_t FAILED_LIST_BYTES = 256;

void BuildFailedFileList(char* pszBuffer, size_t nSize) {
  // Fixed order: record, log, speed history.
  static const struct {
    const int* pbSaved;
    const char* pszName;
  } FILES[] = {
      {&g_bRecSaved, RECORD_FILE},
      {&g_bLogSaved, LOG_FILE},
      {&g_bSpdSaved, SPEED_FILE},
      {&g_bPracticeSaved, PRACTICE_DB_NAME},
  };
  if (nSize == 0) return;
  pszBuffer[0] = '\0';
  size_t nUsed = 0;
  for (const auto& file : FILES) {
    if (*file.pbSaved) continue;
    int n = snprintf(pszBuffer + nUsed, nSize - nUsed, "%s ", file.pszName);
    if (n < 0 || (size_t)n >= nSize - nUsed) {
      pszBuffer[nUsed] = '\0';  // only whole names: a cut one would name no file
      return;
    }
    nUsed += (size_t)n;
  }
}

// A drill left under way: its keys so far are kept as a cancelled run, timed as CloseOpenRun
// has just measured it (nothing when its clock never started).
static void EndOpenPracticeRun() {
  if (g_practiceRun.nKeystrokes == 0) return;
  const bool bTimed = g_nPhase == PHASE_RUNNING && g_bTimingStarted == 1;
  EndPracticeRun(RUN_CANCELLED, bTimed ? DrillMs(g_dElapsed) : 0, g_nTypeCount, -1.0);
}

int SaveAtExit() {
  // The loop may end by the menu, the window's close box or a signal; whichever comes
  // first saves, and a second call must neither add the run again nor repeat the notice.
  if (g_bExitSaved) return 0;
  g_bExitSaved = 1;

  g_tEnd = GetTime();
  CloseOpenRun();
  EndOpenPracticeRun();
  // The log keeps the start as the wall clock read it and the length by the monotonic one.
  g_bLogSaved = AppendPracticeLog(g_szStartDate, g_szStartTime, RunSeconds());
  g_bRecSaved = WriteRecordFile();
  // The window is gone: the database's whole-file check costs nobody a key now.
  CheckPracticeDb();
  FlushPracticeRuns();
  ClosePracticeDb();
  return !g_bRecSaved || !g_bLogSaved || !g_bSpdSaved || !g_bPracticeSaved ? 1 : 0;
}

// After the result is on screen and the record is safe: the database's write may wait on
// the disk or on another numdril, and no key of a run waits behind it.
void SaveCheckpoint() {
  g_bRecSaved = WriteRecordFile();
  FlushPracticeRuns();
}

// Names as a list, each followed by one space, without the last space.
static std::string Trimmed(std::string names) {
  while (!names.empty() && names.back() == ' ') names.pop_back();
  return names;
}

int SaveWithoutDisplay() {
  const bool bFailed =
      SaveAtExit() != 0 || !g_bRecSaved || !g_bLogSaved || !g_bSpdSaved || !g_bPracticeSaved;
  std::string saved;
  if (g_bRecSaved) saved += std::string(RECORD_FILE) + " ";
  if (g_bLogSaved) saved += std::string(LOG_FILE) + " ";
  char szFailed[FAILED_LIST_BYTES];
  BuildFailedFileList(szFailed, sizeof szFailed);
  // Whole sentences, for the translators.
  if (!bFailed)
    fprintf(stderr, _("numdril: the connection to the display was lost; saved: %s\n"),
            Trimmed(saved).c_str());
  else if (saved.empty())
    fprintf(stderr, _("numdril: the connection to the display was lost; not saved: %s\n"),
            Trimmed(szFailed).c_str());
  else
    fprintf(stderr,
            _("numdril: the connection to the display was lost; saved: %s; not saved: %s\n"),
            Trimmed(saved).c_str(), Trimmed(szFailed).c_str());
  return 1;
}

void ShowSaveErrorNotice() {
  char szList[FAILED_LIST_BYTES];
  BuildFailedFileList(szList, sizeof szList);
  std::string text = std::string(NOTICE_HEAD) + "\n" + szList + "\n" + NOTICE_TAIL;
  ShowModalNotice(g_bEnglish == 1 ? NOTICE_CAPTION_EN : NOTICE_CAPTION_JA, text.c_str());
}
