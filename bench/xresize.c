// SPDX-License-Identifier: MIT
/*
 * xresize: times an X11 program's repaint after its window is resized, the way the shared
 * perf tools' probe times its start (X DAMAGE events, no polling of the screen).
 *
 *   xresize [-n N] [-q QUIET_MS] [-s MAX_MS] REGEX WIDTHxHEIGHT
 *
 * Finds the viewable top-level window whose _NET_WM_NAME or WM_NAME matches REGEX (POSIX
 * ERE), then N times: resizes it to WIDTHxHEIGHT and reports, in ms from the request, the
 * last drawing of the burst that follows (the burst ends after QUIET_MS without drawing,
 * or MAX_MS after the request); then puts the window back to its own size and waits for
 * that repaint too, so that every sample grows the window afresh. Needs no window manager
 * (without one the server resizes at once). One line per sample:
 *   resize_ms=.. first_ms=.. damage_events=..
 * Build: gcc -O2 -o xresize xresize.c -lX11 -lXdamage -lXfixes
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>
#include <poll.h>
#include <regex.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

static int ignore_errors(Display *d, XErrorEvent *e) {
  (void)d;
  (void)e;
  return 0;
}

static int name_matches(Display *d, Window w, regex_t *re) {
  Atom net_wm_name = XInternAtom(d, "_NET_WM_NAME", False);
  Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  Atom type;
  int fmt;
  unsigned long n, after;
  unsigned char *data = NULL;
  char *name = NULL;
  int ok = 0;
  if (XGetWindowProperty(d, w, net_wm_name, 0, 1024, False, utf8, &type, &fmt, &n, &after,
                         &data) == Success && data && n > 0)
    ok = regexec(re, (char *)data, 0, NULL, 0) == 0;
  else if (XFetchName(d, w, &name) && name)
    ok = regexec(re, name, 0, NULL, 0) == 0;
  if (data) XFree(data);
  if (name) XFree(name);
  return ok;
}

// Depth-first, as window managers put clients into frames.
static Window find_match(Display *d, Window w, regex_t *re, int depth) {
  XWindowAttributes wa;
  if (XGetWindowAttributes(d, w, &wa) && wa.map_state == IsViewable && name_matches(d, w, re))
    return w;
  if (depth <= 0) return 0;
  Window root, parent, *kids = NULL;
  unsigned int nk = 0;
  if (!XQueryTree(d, w, &root, &parent, &kids, &nk)) return 0;
  Window found = 0;
  for (int i = (int)nk - 1; i >= 0 && !found; i--) found = find_match(d, kids[i], re, depth - 1);
  if (kids) XFree(kids);
  return found;
}

// Resizes the window and waits for the drawing burst that follows; returns the time of
// its last drawing from the request (-1: none), the first in *first, the count in *count.
static double resize_and_time(Display *d, Window w, Damage dmg, int ev_base, int width,
                              int height, double quiet_ms, double max_ms, double *first,
                              int *count) {
  XEvent ev;
  XSync(d, False);
  while (XPending(d)) XNextEvent(d, &ev);
  double t0 = now_ms(), last = -1;
  *first = -1;
  *count = 0;
  XResizeWindow(d, w, (unsigned)width, (unsigned)height);
  XFlush(d);
  for (;;) {
    double until = (last >= 0 ? t0 + last + quiet_ms : t0 + max_ms);
    if (until > t0 + max_ms) until = t0 + max_ms;
    while (!XPending(d)) {
      double left = until - now_ms();
      if (left <= 0) return last;
      struct pollfd p = {ConnectionNumber(d), POLLIN, 0};
      poll(&p, 1, (int)left + 1);
    }
    XNextEvent(d, &ev);
    if (ev.type == ev_base + XDamageNotify && ((XDamageNotifyEvent *)&ev)->damage == dmg) {
      last = now_ms() - t0;
      if (*first < 0) *first = last;
      (*count)++;
    }
  }
}

int main(int argc, char **argv) {
  int n = 1, opt;
  double quiet_ms = 500, max_ms = 5000;
  while ((opt = getopt(argc, argv, "n:q:s:")) != -1) {
    if (opt == 'n') n = atoi(optarg);
    else if (opt == 'q') quiet_ms = atof(optarg);
    else if (opt == 's') max_ms = atof(optarg);
    else return 2;
  }
  int width, height;
  if (argc - optind != 2 || sscanf(argv[optind + 1], "%dx%d", &width, &height) != 2 || n < 1) {
    fprintf(stderr, "usage: xresize [-n N] [-q QUIET_MS] [-s MAX_MS] REGEX WIDTHxHEIGHT\n");
    return 2;
  }
  regex_t re;
  if (regcomp(&re, argv[optind], REG_EXTENDED | REG_NOSUB)) return 2;
  Display *d = XOpenDisplay(NULL);
  if (!d) {
    fprintf(stderr, "xresize: cannot open display\n");
    return 2;
  }
  XSetErrorHandler(ignore_errors);
  int ev_base, err_base;
  if (!XDamageQueryExtension(d, &ev_base, &err_base)) {
    fprintf(stderr, "xresize: X server lacks DAMAGE\n");
    return 2;
  }
  Window w = find_match(d, DefaultRootWindow(d), &re, 3);
  if (!w) {
    fprintf(stderr, "xresize: no viewable window matches\n");
    return 1;
  }
  XWindowAttributes wa;
  XGetWindowAttributes(d, w, &wa);
  Damage dmg = XDamageCreate(d, w, XDamageReportRawRectangles);
  for (int i = 0; i < n; i++) {
    double first;
    int count;
    double t = resize_and_time(d, w, dmg, ev_base, width, height, quiet_ms, max_ms, &first, &count);
    printf("resize_ms=%.1f first_ms=%.1f damage_events=%d\n", t, first, count);
    fflush(stdout);
    resize_and_time(d, w, dmg, ev_base, wa.width, wa.height, quiet_ms, max_ms, &first, &count);
  }
  return 0;
}
