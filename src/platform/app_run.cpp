// SPDX-License-Identifier: MIT
// The program's run: the command line, the display check, InitInstance, the message
// loop, ExitInstance; and the modal notice shown once the main window is gone.
#include <SDL.h>

#include <langinfo.h>
#include <locale.h>
#include <pthread.h>
#include <unistd.h>

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
  if (!s_pRunningApp) fputs(_("numdril: the connection to the display was lost\n"), stderr);
  fflush(nullptr);
  // At once: whatever runs at a normal exit (SDL among it) would reach for the display.
  _exit(nExitCode != 0 ? nExitCode : 1);
}

int RunApplication(CWinApp* pApp, int argc, char** argv) {
  CCommandLineInfo info;
  ParseCommandLine(argc, argv, &info);
  SetUpTranslations(info);
  // Read again, now that a mistake can be said in the language it chose.
  ParseCommandLine(argc, argv, &info);
  pApp->m_bJapanese = ChoosesJapanese(info);
  pApp->m_keypadOnly = info.keypadOnly;
  const int nAnswer = AnswerCommandLine(info);
  if (nAnswer >= 0) return nAnswer;
  std::string error;
  if (!EnterRecordFolder(info, pApp, &error)) {
    fprintf(stderr, "numdril: %s\n", error.c_str());
    return 2;
  }
  // Needs the records but no window of its own.
  if (info.nCommand == CCommandLineInfo::RunReport || info.nCommand == CCommandLineInfo::ShowReport)
    return pApp->RunWithoutWindow(info);
  // Before anything else, so that a run that cannot show a window touches no record file.
  if (!HasDisplay()) {
    fputs(_("numdril: no display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
            "to run without one, use: xvfb-run numdril\n"),
          stderr);
    return 1;
  }
  LetSdlCatchSignals();
  std::string reason;
  if (!OpenVideo(&reason)) {
    // TRANSLATORS: %s is why, often in the display library's words (in English).
    fprintf(stderr, _("numdril: cannot open the display (%s); to run without one, use: "
                      "xvfb-run numdril\n"),
            reason.c_str());
    return 1;
  }
  LeaveOnHangUp();
  // Only now: SDL's start changes the locale and the environment for a moment.
  PrepareFontsInBackground();
  if (!pApp->InitInstance() || !pApp->m_pMainWnd) {
    // TRANSLATORS: %s is why, in the display library's words (in English).
    fprintf(stderr, _("numdril: cannot open the window (%s)\n"), SDL_GetError());
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

// SDL's message box on X draws its text in the character set of the locale the environment
// names, which it sets for the box's while: under LANG=C the Japanese of --lang=ja would
// come out as blanks. Whether the environment's locale has UTF-8 characters.
static bool EnvironmentHasUtf8() {
  locale_t locale = newlocale(LC_CTYPE_MASK, "", (locale_t)0);
  if (!locale) return false;
  const bool bUtf8 = strcmp(nl_langinfo_l(CODESET, locale), "UTF-8") == 0;
  freelocale(locale);
  return bUtf8;
}

static bool IsAscii(const std::string& text) {
  for (unsigned char ch : text)
    if (ch >= 0x80) return false;
  return true;
}

// Shows the box with UTF-8 characters for its while, whatever the environment names.
static int ShowMessageBoxInUtf8(const SDL_MessageBoxData& box, int* pnHit) {
  const std::string text = std::string(box.title) + box.message;
  if (IsAscii(text) || EnvironmentHasUtf8()) return SDL_ShowMessageBox(&box, pnHit);
  const char* pszOld = getenv("LC_ALL");
  const std::string old = pszOld ? pszOld : "";
  setenv("LC_ALL", "C.UTF-8", 1);
  const int nResult = SDL_ShowMessageBox(&box, pnHit);
  if (pszOld)
    setenv("LC_ALL", old.c_str(), 1);
  else
    unsetenv("LC_ALL");
  return nResult;
}

void ShowModalNoticeUtf8(const std::string& caption, const std::string& text) {
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
    if (ShowMessageBoxInUtf8(box, &nHit) == 0) return;
  }
  fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

void ShowModalNotice(const char* pszCaption, const char* pszText) {
  ShowModalNoticeUtf8(Cp932ToUtf8(pszCaption ? pszCaption : ""),
                      Cp932ToUtf8(pszText ? pszText : ""));
}
