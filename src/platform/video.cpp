// SPDX-License-Identifier: MIT
// Starting SDL's video side: the hints and the environment it reads as it starts (the
// window's class, the Compose table, the session bus), and the check that a desktop
// display, not one of SDL's stand-ins, answered. Makes no window.
#include <SDL.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>

#include "platform/window_impl.h"

static bool s_bVideoOpen = false;

#ifndef NUMDRIL_APP_ID
#define NUMDRIL_APP_ID "numdril"
#endif

// Docks and task bars match a window to its menu entry by the window's class (X11's
// WM_CLASS, Wayland's app_id), which SDL 2 reads from these variables when it starts and
// otherwise takes from the program's file name. A class the user set stays.
static void NameWindowClass() {
  setenv("SDL_VIDEO_X11_WMCLASS", NUMDRIL_APP_ID, 0);
  setenv("SDL_VIDEO_WAYLAND_WMCLASS", NUMDRIL_APP_ID, 0);
}

// SDL falls back to drivers that show nothing (offscreen, dummy) or take over the console
// when no X or Wayland display answers. Unless the user asked for a driver, only a window
// on a desktop counts: practice nobody sees must not be logged as practice.
static bool IsDesktopDriver(std::string* pReason) {
  const char* pszChosen = getenv("SDL_VIDEODRIVER");
  if (pszChosen && *pszChosen) return true;
  const char* pszDriver = SDL_GetCurrentVideoDriver();
  if (pszDriver && (strcmp(pszDriver, "x11") == 0 || strcmp(pszDriver, "wayland") == 0))
    return true;
  // TRANSLATORS: %s is the name of the display library's video driver, such as "offscreen".
  if (pReason) *pReason = FormatText(_("no X11 or Wayland display answered; SDL offered its %s "
                                       "driver"),
                                     pszDriver ? pszDriver : "?");
  return false;
}

// SDL connects to the session bus as it starts (for its screensaver and input method
// calls). Where the session has none, the bus library would start a bus daemon of its
// own, through dbus-launch, for SDL alone: tens of milliseconds before the window shows,
// and a daemon left behind. The library's own search: the address in the environment,
// else the user's bus socket in XDG_RUNTIME_DIR. A named input method may use a bus, so
// it is left to have one.
static bool WouldLaunchSessionBus() {
  // Set at all, even empty, it is the user's to keep: only an unset one is put in and
  // taken out.
  if (getenv("DBUS_SESSION_BUS_ADDRESS") != nullptr) return false;
  const char* pszRuntime = getenv("XDG_RUNTIME_DIR");
  struct stat st;
  if (pszRuntime && *pszRuntime && stat((std::string(pszRuntime) + "/bus").c_str(), &st) == 0 &&
      S_ISSOCK(st.st_mode))
    return false;
  const char* pszModule = getenv("SDL_IM_MODULE");
  const char* pszModifiers = getenv("XMODIFIERS");
  return !(pszModule && *pszModule) && !(pszModifiers && strstr(pszModifiers, "@im="));
}

bool OpenVideo(std::string* pReason) {
  if (s_bVideoOpen) return true;
  ForgiveLateWakeups();
  NameWindowClass();
  // Without this SDL backs the window surface with an OpenGL renderer, loading Mesa and
  // LLVM: ten times the memory for no gain in a window drawn in software.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  // An input method (fcitx or IBus over D-Bus) draws what is being composed, and its
  // candidates, in a window of its own at the composition rectangle; the program draws
  // only what it commits. Read when SDL makes its input context, so it must come first.
  SDL_SetHint(SDL_HINT_IME_INTERNAL_EDITING, "1");
  // A trainer does not keep the screen from blanking, as a video player would; nor does
  // it ask the session bus to, which SDL would do at start otherwise.
  SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
  // Xlib's own input method reads the locale's whole Compose table (thousands of lines)
  // when SDL opens it: most of SDL's start-up. Compose sequences make accented letters and
  // symbols, none of which the program takes (every key it uses is a plain one), so unless
  // the user names a table of their own it reads an empty one. An input method server
  // (for Japanese) is not affected. Put back at once, so no later process inherits it.
  const bool bQuietCompose = getenv("XCOMPOSEFILE") == nullptr;
  if (bQuietCompose) setenv("XCOMPOSEFILE", "/dev/null", 0);
  // An address the bus library turns down at once: SDL then goes on without the bus.
  const bool bNoBus = WouldLaunchSessionBus();
  if (bNoBus) setenv("DBUS_SESSION_BUS_ADDRESS", "disabled:", 0);
  const int nInit = SDL_Init(SDL_INIT_VIDEO);
  if (bQuietCompose) unsetenv("XCOMPOSEFILE");
  if (bNoBus) unsetenv("DBUS_SESSION_BUS_ADDRESS");
  if (nInit != 0) {
    if (pReason) *pReason = SDL_GetError();
    return false;
  }
  if (!IsDesktopDriver(pReason)) {
    SDL_Quit();
    return false;
  }
  // SDL2 has no window surface of its own on Wayland; there it must lend one from a
  // renderer, or there would be no window at all.
  if (strcmp(SDL_GetCurrentVideoDriver(), "wayland") == 0)
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "1");
  s_bVideoOpen = true;
  return true;
}

void CloseVideo() {
  if (s_bVideoOpen) SDL_Quit();
  s_bVideoOpen = false;
}
