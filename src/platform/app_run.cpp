// SPDX-License-Identifier: MIT
// The program's run: command-line answers, the display check, InitInstance, the message
// loop, ExitInstance; and the modal notice shown once the main window is gone.
#include <SDL.h>

#include <pthread.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/font.h"
#include "platform/window_impl.h"

#ifndef NUMDRIL_VERSION
#define NUMDRIL_VERSION "1.0.0"
#endif

static const char HELP_TEXT[] =
    "Usage: numdril [OPTION]...\n"
    "A trainer for typing on the numeric keypad, in a window of its own.\n"
    "\n"
    "      --help     display this help and exit\n"
    "      --version  output version information and exit\n"
    "\n"
    "The practice record (numdril.rec), the practice log (numdril.log) and the speed\n"
    "history (numdril.spd) are kept in the current directory.\n"
    "Without a desktop session, run it on a virtual display: xvfb-run numdril\n";

static bool HasDisplay() {
  const char* pszX = getenv("DISPLAY");
  const char* pszWayland = getenv("WAYLAND_DISPLAY");
  return (pszX && *pszX) || (pszWayland && *pszWayland);
}

// SDL turns SIGINT and SIGTERM into SDL_QUIT, so that they leave through the same exit
// path as a window close, but only for signals still at their default. A shell starts a
// background job with SIGINT ignored; take it back so that Ctrl+C and kill -INT work too.
// A write that SIGPIPE or SIGXFSZ would stop (a closed pipe, a file size limit) fails
// instead, and the save reports it.
static void LetSdlCatchSignals() {
  for (int nSignal : {SIGINT, SIGTERM}) {
    struct sigaction old{};
    if (sigaction(nSignal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
      signal(nSignal, SIG_DFL);
  }
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
}

// The thread that runs the message loop, where SDL's SIGTERM handler must run to end its
// wait.
static pthread_t s_mainThread;

// SIGHUP (the terminal closed, the session ended) and SIGQUIT leave as SIGTERM does: SDL's
// handler turns it into SDL_QUIT, and its arrival ends the loop's wait. Sending a signal is
// safe in a handler; SDL's own calls are not.
static void LeaveAsOnSigterm(int) { pthread_kill(s_mainThread, SIGTERM); }

// After SDL_Init, so that SIGTERM has SDL's handler. A hang-up that nohup set to be ignored
// stays ignored; SIGQUIT is taken back from a shell's background job, as SIGINT is.
static void LeaveOnHangUp() {
  s_mainThread = pthread_self();
  struct sigaction action{};
  action.sa_handler = LeaveAsOnSigterm;
  sigemptyset(&action.sa_mask);
  struct sigaction old{};
  if (sigaction(SIGHUP, nullptr, &old) != 0 || old.sa_handler != SIG_IGN)
    sigaction(SIGHUP, &action, nullptr);
  sigaction(SIGQUIT, &action, nullptr);
}

// The application whose records are open, once InitInstance has read them.
static CWinApp* s_pRunningApp = nullptr;

void LeaveWithoutDisplay() {
  int nExitCode = s_pRunningApp ? s_pRunningApp->ExitWithoutDisplay() : 1;
  if (!s_pRunningApp) fputs("numdril: the connection to the display was lost\n", stderr);
  fflush(nullptr);
  // At once: whatever runs at a normal exit (SDL among it) would reach for the display.
  _exit(nExitCode != 0 ? nExitCode : 1);
}

int RunApplication(CWinApp* pApp, int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--") == 0) break;
    if (strcmp(argv[i], "--help") == 0) {
      fputs(HELP_TEXT, stdout);
      return 0;
    }
    if (strcmp(argv[i], "--version") == 0) {
      printf("numdril %s\n", NUMDRIL_VERSION);
      return 0;
    }
    // An option it does not know is a mistake to point out, not to start a session over.
    if (argv[i][0] == '-' && argv[i][1] != '\0') {
      fprintf(stderr, "numdril: unrecognized option '%s'\nTry 'numdril --help' for more information.\n",
              argv[i]);
      return 2;
    }
  }
  // Before anything else, so that a run that cannot show a window touches no file.
  if (!HasDisplay()) {
    fprintf(stderr,
            "numdril: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
            "to run without one, use: xvfb-run numdril\n");
    return 1;
  }
  LetSdlCatchSignals();
  std::string reason;
  if (!OpenVideo(&reason)) {
    fprintf(stderr, "numdril: cannot open the display (%s); to run without one, use: "
                    "xvfb-run numdril\n", reason.c_str());
    return 1;
  }
  LeaveOnHangUp();
  // Only now: SDL's start changes the locale and the environment for a moment.
  PrepareFontsInBackground();
  if (!pApp->InitInstance() || !pApp->m_pMainWnd) {
    fprintf(stderr, "numdril: cannot open the window (%s)\n", SDL_GetError());
    CloseVideo();
    return 1;
  }
  s_pRunningApp = pApp;
  RunMessageLoop(pApp->m_pMainWnd);
  pApp->m_pMainWnd->DestroyWindow();
  int nExitCode = pApp->ExitInstance();
  CloseVideo();
  return nExitCode;
}

void ShowModalNotice(const char* pszCaption, const char* pszText) {
  std::string caption = Cp932ToUtf8(pszCaption ? pszCaption : "");
  std::string text = Cp932ToUtf8(pszText ? pszText : "");
  if (HasDisplay()) {
    SDL_MessageBoxButtonData button{};
    button.flags =
        SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT;
    button.buttonid = 1;
    button.text = "OK";
    SDL_MessageBoxData box{};
    box.flags = SDL_MESSAGEBOX_ERROR;
    box.window = nullptr;
    box.title = caption.c_str();
    box.message = text.c_str();
    box.numbuttons = 1;
    box.buttons = &button;
    int nHit = 0;
    if (SDL_ShowMessageBox(&box, &nHit) == 0) return;
  }
  fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}
