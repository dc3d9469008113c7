// SPDX-License-Identifier: MIT
// The program's run: the command line, the display check, InitInstance, the message
// loop, ExitInstance; and the modal notice shown once the main window is gone.
#include <SDL.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/font.h"
#include "platform/window_impl.h"

static bool HasDisplay() {
  const char* pszX = getenv("DISPLAY");
  const char* pszWayland = getenv("WAYLAND_DISPLAY");
  return (pszX && *pszX) || (pszWayland && *pszWayland);
}

// SDL turns SIGINT and SIGTERM into SDL_QUIT, so that they leave through the same exit
// path as a window close, but only for signals still at their default. A shell starts a
// background job with SIGINT ignored; take it back so that Ctrl+C and kill -INT work too.
static void LetSdlCatchSignals() {
  for (int nSignal : {SIGINT, SIGTERM}) {
    struct sigaction old{};
    if (sigaction(nSignal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
      signal(nSignal, SIG_DFL);
  }
}

int RunApplication(CWinApp* pApp, int argc, char** argv) {
  CCommandLineInfo info;
  ParseCommandLine(argc, argv, &info);
  const int nAnswered = AnswerCommandLine(info);
  if (nAnswered >= 0) return nAnswered;
  std::string error;
  if (!EnterRecordFolder(info, &error)) {
    fprintf(stderr, "numdril: %s\n", error.c_str());
    return 2;
  }
  // Anything the command line asks to be done without a window goes here, in the record
  // folder.
  // Before anything else, so that a run that cannot show a window touches no record file.
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
  // Only now: SDL's start changes the locale and the environment for a moment.
  PrepareFontsInBackground();
  if (!pApp->InitInstance() || !pApp->m_pMainWnd) {
    fprintf(stderr, "numdril: cannot open the window (%s)\n", SDL_GetError());
    CloseVideo();
    return 1;
  }
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
