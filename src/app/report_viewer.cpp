// SPDX-License-Identifier: MIT
// The practice report for someone who never opens a terminal (the menu entry's "Practice
// report"): its picture written to the user's cache folder and opened in the desktop's
// viewer. What goes wrong is shown in a message box, since nobody reads its stderr. The
// box does not wrap its lines, so the texts are broken into lines where they are written,
// a path on a line of its own.
#include <string>

#include "app/app.h"
#include "report/report.h"

static const char REPORT_PICTURE[] = "practice-report.svg";

// Shows the message and gives the exit status.
static int Refuse(const std::string& text) {
  ShowModalNoticeUtf8(_("numdril: Practice report"), text);
  return 1;
}

int ShowReportInViewer(int nSpanDays) {
  std::string folder, why;
  if (!MakeUserCacheFolder(&folder, &why))
    return Refuse(FormatText(_("The practice report could not be written:\n%s."), why.c_str()));
  const std::string path = folder + "/" + REPORT_PICTURE;
  // The report says on stderr what kept it from writing.
  if (RunReport(path.c_str(), nSpanDays) != 0)
    return Refuse(FormatText(_("The practice report could not be written to\n%s"), path.c_str()));
  switch (OpenInDesktopViewer(path, &why)) {
    case ViewerResult::kOpened:
      return 0;
    case ViewerResult::kNoViewer:
      return Refuse(FormatText(_("No program to show the practice report was found: it needs\n"
                                 "xdg-open (package xdg-utils) or gio (package libglib2.0-bin).\n"
                                 "The report is in\n%s\nand a web browser shows it."),
                               path.c_str()));
    case ViewerResult::kFailed:
      break;
  }
  return Refuse(FormatText(_("The practice report in\n%s\ncould not be shown: %s."),
                           path.c_str(), why.c_str()));
}
