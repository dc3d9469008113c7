// SPDX-License-Identifier: MIT
// Application shell: the application object, the view that hands every paint, key and
// timer event to the screen flow, and the exit-time saving with its notice.
#pragma once

#include <cstddef>

#include "platform/platform.h"

class CNumdrilView : public CView {
 public:
  CNumdrilView();  // reads the record file and takes the start times
  void OnDraw(CDC* pDC) override;
  void OnChar(UINT nChar, UINT nRepCnt, UINT nFlags) override;
  void OnTimer(UINT_PTR nIDEvent) override;
};

class CNumdrilApp : public CWinApp {
 public:
  BOOL InitInstance() override;
  int ExitInstance() override;
  int RunWithoutWindow(const CCommandLineInfo& info) override;  // the practice report
  bool CanSaveInRecordFolder() override;
  int ExitWithoutDisplay() override;
};

// The list of files not saved, each name followed by one space, into a buffer of nSize
// bytes (256 in the notice).
void BuildFailedFileList(char* pszBuffer, size_t nSize);
// Close-out, practice log, record file, in that order; returns 1 when a notice is due.
int SaveAtExit();
// Writes the record file now, as the exit would (a drill has just ended); the result is the
// record's save flag until the next write.
void SaveCheckpoint();
// The exit's saving when the display is gone: the same writes, and the outcome on stderr,
// since no notice can be shown. Returns the exit code (never 0).
int SaveWithoutDisplay();
// Shows the save-failure notice (caption and texts in CP932).
void ShowSaveErrorNotice();

// Reads the settings of the record folder (numdril.conf) into the program's switches, then
// applies and remembers the command line's choice, if any (keypad only: --keypad-only,
// --no-keypad-only). A file that cannot be written is said on stderr; the choice holds.
void LoadSettings(OnOff keypadOnly);
// The practice report's picture in the user's cache folder, opened in the desktop's viewer;
// what goes wrong is shown in a message box (on stderr without a display). Exit status.
int ShowReportInViewer(int nSpanDays);

// Puts every program-wide value of every subsystem back to its starting value.
void ResetAllState();
