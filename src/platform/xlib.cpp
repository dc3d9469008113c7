// SPDX-License-Identifier: MIT
// What the program asks of Xlib itself, beside SDL: handlers for errors that would end the
// process. Xlib is taken from the process only if SDL has loaded it already, so nothing
// here ties the program to X11.
#include <X11/Xlib.h>
#include <dlfcn.h>

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
