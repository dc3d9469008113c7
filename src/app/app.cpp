// SPDX-License-Identifier: MIT
// The application object: creates the view and its window at start, runs the exit-time
// saving once the message loop has ended, and runs the practice report, which has neither.
#include "app/app.h"

#include "flow/flow.h"
#include "records/records.h"
#include "report/report.h"

BOOL CNumdrilApp::InitInstance() {
  // Once, before anything is drawn or written; nothing changes it afterwards.
  g_bEnglish = m_bJapanese ? 0 : 1;
  LoadSettings(m_keypadOnly);
  CNumdrilView* pView = new CNumdrilView();
  if (!pView->CreateTopLevel("NUMDRIL")) {
    delete pView;
    return FALSE;
  }
  pView->SetWindowText("NUMDRIL");
  m_pMainWnd = pView;
  return TRUE;
}

int CNumdrilApp::ExitInstance() {
  // The window is gone by now; the notice, if any, stands alone.
  delete m_pMainWnd;
  m_pMainWnd = nullptr;
  if (!SaveAtExit()) return 0;
  ShowSaveErrorNotice();
  return 1;  // a file not saved is a failed run, also for whoever started it
}

int CNumdrilApp::ExitWithoutDisplay() {
  // The window cannot be destroyed without the display; the process ends right after.
  return SaveWithoutDisplay();
}

int CNumdrilApp::RunWithoutWindow(const CCommandLineInfo& info) {
  const int nSpanDays = info.nSpanDays >= 0 ? info.nSpanDays : REPORT_SPAN_DAYS;
  if (info.nCommand == CCommandLineInfo::ShowReport) return ShowReportInViewer(nSpanDays);
  if (info.nCommand != CCommandLineInfo::RunReport) return 1;
  return RunReport(info.reportFile.empty() ? nullptr : info.reportFile.c_str(), nSpanDays);
}

bool CNumdrilApp::CanSaveInRecordFolder() { return CanSaveRecordsHere(); }
