// SPDX-License-Identifier: MIT
// Opening a file in the desktop's own viewer: the freedesktop opener (xdg-open), or GLib's
// (gio open) where that is missing or knows nothing to open it with. Starts the opener and
// waits for its verdict; shows nothing itself.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>  // environ

#include <cerrno>
#include <cstring>
#include <string>

#include "platform/platform.h"

// xdg-open's exit status when it found no program for the file.
static const int XDG_OPEN_NO_METHOD = 3;
// The shell's status for a program that is not there (posix_spawnp may report it so).
static const int NOT_FOUND = 127;

// Runs argv (found on PATH) and waits for it: its exit status, NOT_FOUND when it is not
// there, -1 when it could not be started or ended by a signal (*pWhy says which).
static int RunAndWait(const char* const* argv, std::string* pWhy) {
  pid_t pid;
  const int nError = posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char**>(argv),
                                  environ);
  if (nError == ENOENT) return NOT_FOUND;
  if (nError != 0) {
    *pWhy = std::string(argv[0]) + ": " + strerror(nError);
    return -1;
  }
  int nStatus = 0;
  while (waitpid(pid, &nStatus, 0) < 0) {
    if (errno != EINTR) {
      *pWhy = std::string(argv[0]) + ": " + strerror(errno);
      return -1;
    }
  }
  if (WIFEXITED(nStatus)) return WEXITSTATUS(nStatus);
  // TRANSLATORS: a program's name (xdg-open, gio), then a signal's number.
  *pWhy = FormatText(_("%s was ended by signal %d"), argv[0], WTERMSIG(nStatus));
  return -1;
}

ViewerResult OpenInDesktopViewer(const std::string& path, std::string* pWhy) {
  const char* const XDG_OPEN[] = {"xdg-open", path.c_str(), nullptr};
  const int nXdg = RunAndWait(XDG_OPEN, pWhy);
  if (nXdg == 0) return ViewerResult::kOpened;
  if (nXdg != NOT_FOUND && nXdg != XDG_OPEN_NO_METHOD) {
    if (nXdg > 0) *pWhy = FormatText(_("xdg-open ended with status %d"), nXdg);
    return ViewerResult::kFailed;
  }
  const char* const GIO_OPEN[] = {"gio", "open", path.c_str(), nullptr};
  const int nGio = RunAndWait(GIO_OPEN, pWhy);
  if (nGio == 0) return ViewerResult::kOpened;
  // gio says "no application is registered" with status 2, as it does for other failures:
  // with xdg-open's word already in, either way no viewer could be had.
  if (nGio == NOT_FOUND || nXdg == XDG_OPEN_NO_METHOD) return ViewerResult::kNoViewer;
  if (nGio > 0) *pWhy = FormatText(_("gio open ended with status %d"), nGio);
  return ViewerResult::kFailed;
}
