// SPDX-License-Identifier: MIT
// What the program asks of Xlib itself, beside SDL: handlers for errors that would end the
// process, and the server's clock, which the keys' press times are measured on. Xlib and
// its extensions are taken from the process only if SDL has loaded them already, so
// nothing here ties the program to X11.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/sync.h>
#include <dlfcn.h>

#include <cstring>

#include "platform/window_impl.h"

// SDL wakes its own event wait by sending the window an event over a second X
// connection. A wakeup that the server gets to only after the window was destroyed is
// answered with BadWindow, and Xlib's default handler turns that into exit code 1 when
// SDL closes the connection: after the records were saved, yet as a failure. That error
// is harmless; every other error goes on to the handler that was there before.
static XErrorHandler s_pfnPreviousXErrorHandler = nullptr;
static const unsigned char X_REQUEST_SEND_EVENT = 25;  // X_SendEvent of <X11/Xproto.h>

static int OnXError(Display* pDisplay, XErrorEvent* pError) {
  if (pError->error_code == BadWindow && pError->request_code == X_REQUEST_SEND_EVENT) return 0;
  return s_pfnPreviousXErrorHandler ? s_pfnPreviousXErrorHandler(pDisplay, pError) : 0;
}

// The connection to the X server is gone (the session ended, the server died). Xlib ends
// the process once this returns, and nothing may talk to the display any more: the saving
// runs without it, and the process ends here.
static int OnXConnectionLost(Display*) {
  LeaveWithoutDisplay();
  return 0;  // not reached
}

// Installed before SDL_Init on purpose: SDL puts back the handler it found when it shuts
// down, which is before it closes that connection.
void ForgiveLateWakeups() {
  static bool s_bInstalled = false;  // once: a second time would chain to itself
  if (s_bInstalled) return;
  s_bInstalled = true;
  void* pXlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
  if (!pXlib) return;
  auto pfnSetErrorHandler = (XErrorHandler(*)(XErrorHandler))dlsym(pXlib, "XSetErrorHandler");
  if (pfnSetErrorHandler) s_pfnPreviousXErrorHandler = pfnSetErrorHandler(OnXError);
  auto pfnSetIOErrorHandler =
      (XIOErrorHandler(*)(XIOErrorHandler))dlsym(pXlib, "XSetIOErrorHandler");
  if (pfnSetIOErrorHandler) pfnSetIOErrorHandler(OnXConnectionLost);
  dlclose(pXlib);
}

// ---------------------------------------------------------------------------------------
// The server's clock
// ---------------------------------------------------------------------------------------

// The SYNC extension's SERVERTIME counter, found once per display connection, and the
// call that reads it, from the libXext that SDL has loaded.
struct ServerClock {
  Display* pDisplay = nullptr;  // the connection it was looked for on
  XSyncCounter counter = None;  // None: this server has none
  Status (*pfnQueryCounter)(Display*, XSyncCounter, XSyncValue*) = nullptr;
};
static ServerClock s_serverClock;

static void FindServerClock(Display* pDisplay) {
  s_serverClock = ServerClock{};
  s_serverClock.pDisplay = pDisplay;
  void* pXext = dlopen("libXext.so.6", RTLD_NOW | RTLD_NOLOAD);
  if (!pXext) return;
  auto pfnQueryExtension = (Bool(*)(Display*, int*, int*))dlsym(pXext, "XSyncQueryExtension");
  auto pfnInitialize = (Status(*)(Display*, int*, int*))dlsym(pXext, "XSyncInitialize");
  auto pfnListCounters =
      (XSyncSystemCounter * (*)(Display*, int*)) dlsym(pXext, "XSyncListSystemCounters");
  auto pfnFreeCounters = (void (*)(XSyncSystemCounter*))dlsym(pXext, "XSyncFreeSystemCounterList");
  auto pfnQueryCounter =
      (Status(*)(Display*, XSyncCounter, XSyncValue*))dlsym(pXext, "XSyncQueryCounter");
  // SDL keeps the library loaded for as long as it has a display open.
  dlclose(pXext);
  int nEvent, nError, nMajor, nMinor, nCounters = 0;
  if (!pfnQueryExtension || !pfnInitialize || !pfnListCounters || !pfnFreeCounters ||
      !pfnQueryCounter || !pfnQueryExtension(pDisplay, &nEvent, &nError) ||
      !pfnInitialize(pDisplay, &nMajor, &nMinor))
    return;
  XSyncSystemCounter* pCounters = pfnListCounters(pDisplay, &nCounters);
  for (int i = 0; i < nCounters; ++i) {
    if (strcmp(pCounters[i].name, "SERVERTIME") == 0) s_serverClock.counter = pCounters[i].counter;
  }
  if (pCounters) pfnFreeCounters(pCounters);
  s_serverClock.pfnQueryCounter = pfnQueryCounter;
}

bool ReadServerTime(SDL_Window* pWindow, uint32_t* pServerMs) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!pWindow || !SDL_GetWindowWMInfo(pWindow, &info) || info.subsystem != SDL_SYSWM_X11)
    return false;
  Display* pDisplay = info.info.x11.display;
  if (s_serverClock.pDisplay != pDisplay) FindServerClock(pDisplay);
  XSyncValue value;
  if (s_serverClock.counter == None ||
      !s_serverClock.pfnQueryCounter(pDisplay, s_serverClock.counter, &value))
    return false;
  // Milliseconds since the server started, 64 bits wide; events carry the low 32.
  *pServerMs = (uint32_t)value.lo;
  return true;
}

int XKeyEventTime(const SDL_SysWMmsg* pMessage, uint32_t* pServerMs) {
  if (!pMessage || pMessage->subsystem != SDL_SYSWM_X11) return 0;
  const XEvent& event = pMessage->msg.x11.event;
  if ((event.type != KeyPress && event.type != KeyRelease) || event.xkey.send_event ||
      event.xkey.time == CurrentTime)
    return 0;
  *pServerMs = (uint32_t)event.xkey.time;
  return event.type == KeyPress ? 1 : -1;
}
