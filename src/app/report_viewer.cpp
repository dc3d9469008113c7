// SPDX-License-Identifier: MIT
// The practice report for someone who never opens a terminal (the menu entry's "Practice
// report"): its picture written to the user's cache folder and opened in the desktop's
// viewer. What goes wrong is shown in a message box, since nobody reads its stderr.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "app/app.h"
#include "report/report.h"

static const char REPORT_PICTURE[] = "practice-report.svg";

// Shows the message (a printf format and its values) and gives the exit status.
__attribute__((format(printf, 1, 2))) static int Refuse(const char* pszFormat, ...) {
  va_list args, copy;
  va_start(args, pszFormat);
  va_copy(copy, args);
  const int nLength = vsnprintf(nullptr, 0, pszFormat, args);
  std::string text(nLength > 0 ? (size_t)nLength : 0, '\0');
  vsnprintf(text.data(), text.size() + 1, pszFormat, copy);
  va_end(copy);
  va_end(args);
  ShowModalNoticeUtf8(_("numdril: Practice report"), text);
  return 1;
}

int ShowReportInViewer() {
  std::string folder, why;
  if (!MakeUserCacheFolder(&folder, &why))
    return Refuse(_("The practice report could not be written: %s."), why.c_str());
  const std::string path = folder + "/" + REPORT_PICTURE;
  // The report says on stderr what kept it from writing.
  if (RunReport(path.c_str()) != 0)
    return Refuse(_("The practice report could not be written to %s."), path.c_str());
  switch (OpenInDesktopViewer(path, &why)) {
    case ViewerResult::kOpened:
      return 0;
    case ViewerResult::kNoViewer:
      return Refuse(_("No program to show the practice report was found (xdg-open or gio "
                      "open, from the packages xdg-utils or libglib2.0-bin). The report is "
                      "in %s: open it in a web browser."),
                    path.c_str());
    case ViewerResult::kFailed:
      break;
  }
  return Refuse(_("The practice report in %s could not be shown: %s."), path.c_str(),
                why.c_str());
}
