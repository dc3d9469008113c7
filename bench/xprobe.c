// SPDX-License-Identifier: MIT
/*
 * xprobe: times an X11 program as a user meets it, from the X server's own events (MapNotify,
 * DAMAGE) rather than by looking at the screen again and again. The window benchmark's probe
 * (bench/measure-window.sh); it expects no window manager, as on a bare Xvfb.
 *
 *   xprobe start [-t TIMEOUT_S] [-q QUIET_MS] [-s MAX_MS] [-o LOG] REGEX -- COMMAND [ARG...]
 *     Starts COMMAND in a session of its own (its output to LOG, by default /dev/null) and
 *     times, in ms from just before the start, the MapNotify of its first top-level window
 *     whose title (_NET_WM_NAME or WM_NAME) matches REGEX (POSIX ERE), the first drawing
 *     into that window, and the last drawing of that first burst, which ends after QUIET_MS
 *     without drawing (-1: still drawing MAX_MS after the map). Drawing before the title
 *     matched counts as drawn when it matched. Leaves COMMAND running and prints
 *       pid=.. map_ms=.. first_ms=.. settle_ms=..
 *   xprobe resize [-n N] [-q QUIET_MS] [-s MAX_MS] REGEX WIDTHxHEIGHT
 *     N times: resizes the window and times the last drawing of the burst that follows, from
 *     the request; then puts the window back to its size and waits for that repaint too, so
 *     that every sample grows it afresh. One line per sample: resize_ms=.. first_ms=..
 *   xprobe keys [-n N] [-q QUIET_MS] [-t TIMEOUT_MS] [-r X,Y,W,H] REGEX KEYSYM...
 *     Gives the window the keyboard, then N times, with the keysyms in turn: waits until the
 *     region (window-relative; the whole window by default) has drawn nothing for QUIET_MS,
 *     sends the key with XTEST, and times the first drawing after which the region's pixels
 *     differ from before the key. Leave clocks and blinking out of the region. One line per
 *     key, then: summary keys=.. responded=.. median_ms=.. p90_ms=.. max_ms=..
 *   xprobe send REGEX KEY...
 *     Gives the window the keyboard and types the keys: keysyms, modifiers joined with '+'
 *     (alt+s). Gets a program to where it is measured.
 *   xprobe floor TITLE
 *     The floor for key to screen: a bare Xlib window that paints its upper part in the other
 *     of two colours at each key press.
 * Build: gcc -O2 -o xprobe xprobe.c -lX11 -lXdamage -lXfixes -lXtst
 */
#define _GNU_SOURCE
#include <X11/Xatom.h>
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <fcntl.h>
#include <poll.h>
#include <regex.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

typedef struct {
  int x, y, w, h;
} Box;

static Display *dpy;
static int damage_base;  // the DAMAGE extension's first event number

static double now_ms(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

static void fail(const char *what) {
  fprintf(stderr, "xprobe: %s\n", what);
  exit(2);
}

// Windows of other programs come and go while they are looked at.
static int ignore_errors(Display *d, XErrorEvent *e) {
  (void)d;
  (void)e;
  return 0;
}

static void open_display(void) {
  dpy = XOpenDisplay(NULL);
  if (!dpy) fail("cannot open the display");
  XSetErrorHandler(ignore_errors);
  int error_base;
  if (!XDamageQueryExtension(dpy, &damage_base, &error_base)) fail("the X server has no DAMAGE");
}

static void compile(regex_t *re, const char *pattern) {
  if (regcomp(re, pattern, REG_EXTENDED | REG_NOSUB)) fail("not a regular expression");
}

// Whether the window's title matches: _NET_WM_NAME (UTF-8) where set, else WM_NAME.
static int title_matches(Window w, regex_t *re) {
  Atom type;
  int format, ok = 0;
  unsigned long count, rest;
  unsigned char *utf8 = NULL;
  char *name = NULL;
  if (XGetWindowProperty(dpy, w, XInternAtom(dpy, "_NET_WM_NAME", False), 0, 1024, False,
                         XInternAtom(dpy, "UTF8_STRING", False), &type, &format, &count, &rest,
                         &utf8) == Success && utf8 && count > 0)
    ok = regexec(re, (char *)utf8, 0, NULL, 0) == 0;
  else if (XFetchName(dpy, w, &name) && name)
    ok = regexec(re, name, 0, NULL, 0) == 0;
  if (utf8) XFree(utf8);
  if (name) XFree(name);
  return ok;
}

static int viewable(Window w) {
  XWindowAttributes wa;
  return XGetWindowAttributes(dpy, w, &wa) && wa.map_state == IsViewable;
}

// The top-level window shown with a matching title, or 0; the newest first.
static Window find_window(regex_t *re) {
  Window root, parent, *kids = NULL, found = 0;
  unsigned int n = 0;
  if (!XQueryTree(dpy, DefaultRootWindow(dpy), &root, &parent, &kids, &n)) return 0;
  for (int i = (int)n - 1; i >= 0 && !found; i--)
    if (viewable(kids[i]) && title_matches(kids[i], re)) found = kids[i];
  if (kids) XFree(kids);
  return found;
}

static Window need_window(const char *pattern) {
  regex_t re;
  compile(&re, pattern);
  Window w = find_window(&re);
  if (!w) fail("no window shown has a matching title");
  return w;
}

// The next event, or 0 when none came by the deadline (ms on the monotonic clock).
static int next_event(XEvent *ev, double deadline) {
  while (!XPending(dpy)) {
    double left = deadline - now_ms();
    if (left <= 0) return 0;
    struct pollfd p = {ConnectionNumber(dpy), POLLIN, 0};
    poll(&p, 1, left > 60000 ? 60000 : (int)left + 1);
  }
  XNextEvent(dpy, ev);
  return 1;
}

static const XDamageNotifyEvent *damage_of(const XEvent *ev, Damage damage) {
  const XDamageNotifyEvent *de = (const XDamageNotifyEvent *)ev;
  return ev->type == damage_base + XDamageNotify && de->damage == damage ? de : NULL;
}

static int in_box(const XDamageNotifyEvent *de, Box b) {
  return de->area.x < b.x + b.w && b.x < de->area.x + de->area.width &&
         de->area.y < b.y + b.h && b.y < de->area.y + de->area.height;
}

static int compare_ms(const void *a, const void *b) {
  double x = *(const double *)a, y = *(const double *)b;
  return (x > y) - (x < y);
}

// ---- start -------------------------------------------------------------------------------

// Top-level windows made since the start, each watched for drawing from the moment it exists.
#define MAX_WINDOWS 1024
static Window made[MAX_WINDOWS];
static Damage made_damage[MAX_WINDOWS];
static int made_drawn[MAX_WINDOWS];  // drew before its title matched
static int made_count;

static int made_index(Window w) {
  for (int i = 0; i < made_count; i++)
    if (made[i] == w) return i;
  return -1;
}

static pid_t launch(char **command, const char *log) {
  pid_t pid = fork();
  if (pid < 0) fail("cannot fork");
  if (pid > 0) return pid;
  setsid();
  close(ConnectionNumber(dpy));
  int fd = open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd >= 0) {
    dup2(fd, 1);
    dup2(fd, 2);
  }
  execvp(command[0], command);
  perror("xprobe: cannot start the command");
  _exit(127);
}

static int cmd_start(int argc, char **argv) {
  double timeout_s = 60, quiet_ms = 500, max_ms = 5000;
  const char *log = "/dev/null";
  int opt;
  while ((opt = getopt(argc, argv, "+t:q:s:o:")) != -1) {
    if (opt == 't') timeout_s = atof(optarg);
    else if (opt == 'q') quiet_ms = atof(optarg);
    else if (opt == 's') max_ms = atof(optarg);
    else if (opt == 'o') log = optarg;
    else return 2;
  }
  if (argc - optind < 3 || strcmp(argv[optind + 1], "--") != 0)
    fail("usage: xprobe start [-t S] [-q MS] [-s MS] [-o LOG] REGEX -- COMMAND [ARG...]");
  regex_t re;
  compile(&re, argv[optind]);
  open_display();
  // The window of a run just ended may still be on its way out.
  for (int i = 0; find_window(&re); i++) {
    if (i == 250) fail("a window with that title is shown already");
    usleep(20000);
  }
  Window root = DefaultRootWindow(dpy);
  XSelectInput(dpy, root, SubstructureNotifyMask);
  XSync(dpy, False);

  const double t0 = now_ms(), deadline = t0 + timeout_s * 1e3;
  const pid_t pid = launch(argv + optind + 2, log);
  Window win = 0;
  Damage damage = 0;
  double t_map = -1, t_first = -1, t_last = -1;
  XEvent ev;
  for (;;) {
    double until = deadline;
    if (win) {
      until = t_last >= 0 ? t_last + quiet_ms : t_map + max_ms;
      if (until > t_map + max_ms) until = t_map + max_ms;
    } else if (now_ms() + 100 < until) {
      until = now_ms() + 100;  // a look at whether the command has ended
    }
    if (!next_event(&ev, until)) {
      if (win || now_ms() >= deadline) break;
      int status;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        printf("pid=%d error=ended status=%d\n", (int)pid, status);
        return 1;
      }
      continue;
    }
    const double t = now_ms();
    if (ev.type == CreateNotify && ev.xcreatewindow.parent == root && made_count < MAX_WINDOWS) {
      Window w = ev.xcreatewindow.window;
      made[made_count] = w;
      made_drawn[made_count] = 0;
      made_damage[made_count++] = XDamageCreate(dpy, w, XDamageReportRawRectangles);
      XSelectInput(dpy, w, PropertyChangeMask);  // a title set after the map
    } else if (!win && (ev.type == MapNotify || ev.type == PropertyNotify)) {
      Window w = ev.type == MapNotify ? ev.xmap.window : ev.xproperty.window;
      int i = made_index(w);
      if (i < 0 || !viewable(w) || !title_matches(w, &re)) continue;
      win = w;
      damage = made_damage[i];
      t_map = t;
      if (made_drawn[i]) t_first = t_last = t;
    } else if (ev.type == damage_base + XDamageNotify) {
      if (win && damage_of(&ev, damage)) {
        if (t_first < 0) t_first = t;
        t_last = t;
      } else if (!win) {
        for (int i = 0; i < made_count; i++)
          if (damage_of(&ev, made_damage[i])) made_drawn[i] = 1;
      }
    }
  }
  if (!win) {
    printf("pid=%d error=timeout\n", (int)pid);
    return 1;
  }
  const int still_drawing = t_last >= 0 && t_last + quiet_ms > t_map + max_ms;
  printf("pid=%d map_ms=%.1f first_ms=%.1f settle_ms=%.1f\n", (int)pid, t_map - t0,
         t_first < 0 ? -1 : t_first - t0, t_last < 0 || still_drawing ? -1 : t_last - t0);
  return 0;
}

// ---- resize ------------------------------------------------------------------------------

// Resizes the window and waits out the drawing that follows: the time of its last drawing
// from the request (-1: none), the first in *first.
static double resize_and_time(Window w, Damage damage, int width, int height, double quiet_ms,
                              double max_ms, double *first) {
  XEvent ev;
  XSync(dpy, False);
  while (XPending(dpy)) XNextEvent(dpy, &ev);
  const double t0 = now_ms();
  double last = -1;
  *first = -1;
  XResizeWindow(dpy, w, (unsigned)width, (unsigned)height);
  XFlush(dpy);
  for (;;) {
    double until = last >= 0 ? t0 + last + quiet_ms : t0 + max_ms;
    if (until > t0 + max_ms) until = t0 + max_ms;
    if (!next_event(&ev, until)) return last;
    if (damage_of(&ev, damage)) {
      last = now_ms() - t0;
      if (*first < 0) *first = last;
    }
  }
}

static int cmd_resize(int argc, char **argv) {
  int n = 1, opt, width, height;
  double quiet_ms = 500, max_ms = 5000;
  while ((opt = getopt(argc, argv, "+n:q:s:")) != -1) {
    if (opt == 'n') n = atoi(optarg);
    else if (opt == 'q') quiet_ms = atof(optarg);
    else if (opt == 's') max_ms = atof(optarg);
    else return 2;
  }
  if (argc - optind != 2 || sscanf(argv[optind + 1], "%dx%d", &width, &height) != 2 || n < 1)
    fail("usage: xprobe resize [-n N] [-q MS] [-s MS] REGEX WIDTHxHEIGHT");
  open_display();
  Window w = need_window(argv[optind]);
  XWindowAttributes wa;
  XGetWindowAttributes(dpy, w, &wa);
  Damage damage = XDamageCreate(dpy, w, XDamageReportRawRectangles);
  for (int i = 0; i < n; i++) {
    double first;
    double t = resize_and_time(w, damage, width, height, quiet_ms, max_ms, &first);
    printf("resize_ms=%.1f first_ms=%.1f\n", t, first);
    fflush(stdout);
    resize_and_time(w, damage, wa.width, wa.height, quiet_ms, max_ms, &first);
  }
  return 0;
}

// ---- keys and send -----------------------------------------------------------------------

static void focus(Window w) {
  XWarpPointer(dpy, None, w, 0, 0, 0, 0, 1, 1);
  XSetInputFocus(dpy, w, RevertToPointerRoot, CurrentTime);
  XSync(dpy, False);
}

static KeyCode keycode(KeySym ks) {
  KeyCode kc = XKeysymToKeycode(dpy, ks);
  if (!kc) fail("a key has no key code on this server");
  return kc;
}

static void press(KeyCode kc, Bool down) { XTestFakeKeyEvent(dpy, kc, down, CurrentTime); }

// A key as typed: with Shift where the keysym is on the key's shifted level.
static void type_key(KeySym ks) {
  const KeyCode kc = keycode(ks);
  const int shifted = XkbKeycodeToKeysym(dpy, kc, 0, 0) != ks &&
                      XkbKeycodeToKeysym(dpy, kc, 0, 1) == ks;
  const KeyCode shift = keycode(XK_Shift_L);
  if (shifted) press(shift, True);
  press(kc, True);
  press(kc, False);
  if (shifted) press(shift, False);
  XFlush(dpy);
}

static KeySym parse_keysym(const char *name) {
  KeySym ks = XStringToKeysym(name);
  if (ks == NoSymbol) fail("not a keysym");
  return ks;
}

// "alt+s": the modifiers held while the last key is typed.
static void send_chord(const char *chord) {
  char buf[256];
  KeyCode held[8];
  int n = 0;
  snprintf(buf, sizeof buf, "%s", chord);
  char *part = buf, *plus;
  while ((plus = strchr(part, '+')) && plus[1] && n < 8) {
    *plus = '\0';
    KeySym mod = !strcmp(part, "alt")     ? XK_Alt_L
                 : !strcmp(part, "ctrl")  ? XK_Control_L
                 : !strcmp(part, "shift") ? XK_Shift_L
                                          : parse_keysym(part);
    held[n] = keycode(mod);
    press(held[n++], True);
    part = plus + 1;
  }
  type_key(parse_keysym(part));
  while (n > 0) press(held[--n], False);
  XSync(dpy, False);
}

static int cmd_send(int argc, char **argv) {
  if (argc < 3) fail("usage: xprobe send REGEX KEY...");
  open_display();
  int xtest_event, xtest_error, major, minor;
  if (!XTestQueryExtension(dpy, &xtest_event, &xtest_error, &major, &minor))
    fail("the X server has no XTEST");
  focus(need_window(argv[1]));
  for (int i = 2; i < argc; i++) {
    send_chord(argv[i]);
    usleep(50000);
  }
  return 0;
}

// Waits until the box has been drawn into for none of the last quiet_ms (at most max_ms).
static void wait_quiet(Damage damage, Box box, double quiet_ms, double max_ms) {
  const double start = now_ms();
  double last = start;
  XEvent ev;
  for (;;) {
    double until = last + quiet_ms;
    if (until > start + max_ms) until = start + max_ms;
    if (!next_event(&ev, until)) return;
    const XDamageNotifyEvent *de = damage_of(&ev, damage);
    if (de && in_box(de, box)) last = now_ms();
  }
}

static int same_pixels(XImage *a, XImage *b) {
  return a && b && a->height == b->height && a->bytes_per_line == b->bytes_per_line &&
         memcmp(a->data, b->data, (size_t)a->height * (size_t)a->bytes_per_line) == 0;
}

static XImage *grab(Window w, Box b) {
  return XGetImage(dpy, w, b.x, b.y, (unsigned)b.w, (unsigned)b.h, AllPlanes, ZPixmap);
}

// Sends the key and returns the ms to the first drawing that changed the box; -1: none.
static double time_key(Window w, Damage damage, Box box, KeySym ks, double timeout_ms) {
  XImage *before = grab(w, box);
  XEvent ev;
  XSync(dpy, False);
  while (XCheckTypedEvent(dpy, damage_base + XDamageNotify, &ev)) continue;
  const double t0 = now_ms();
  double hit = -1;
  type_key(ks);
  while (hit < 0 && next_event(&ev, t0 + timeout_ms)) {
    const XDamageNotifyEvent *de = damage_of(&ev, damage);
    if (!de || !in_box(de, box)) continue;
    const double t = now_ms();
    XImage *after = grab(w, box);
    if (!same_pixels(before, after)) hit = t - t0;
    if (after) XDestroyImage(after);
  }
  if (before) XDestroyImage(before);
  return hit;
}

static int cmd_keys(int argc, char **argv) {
  int n = 20, opt;
  double quiet_ms = 150, timeout_ms = 1000;
  Box box = {0, 0, 0, 0};
  while ((opt = getopt(argc, argv, "+n:q:t:r:")) != -1) {
    if (opt == 'n') n = atoi(optarg);
    else if (opt == 'q') quiet_ms = atof(optarg);
    else if (opt == 't') timeout_ms = atof(optarg);
    else if (opt != 'r') return 2;
    else if (sscanf(optarg, "%d,%d,%d,%d", &box.x, &box.y, &box.w, &box.h) != 4)
      fail("-r wants X,Y,W,H");
  }
  if (argc - optind < 2 || n < 1)
    fail("usage: xprobe keys [-n N] [-q MS] [-t MS] [-r X,Y,W,H] REGEX KEYSYM...");
  const int nkeys = argc - optind - 1;
  KeySym *keys = calloc((size_t)nkeys, sizeof *keys);
  double *ms = calloc((size_t)n, sizeof *ms);
  if (!keys || !ms) fail("out of memory");
  for (int i = 0; i < nkeys; i++) keys[i] = parse_keysym(argv[optind + 1 + i]);
  open_display();
  int xtest_event, xtest_error, major, minor;
  if (!XTestQueryExtension(dpy, &xtest_event, &xtest_error, &major, &minor))
    fail("the X server has no XTEST");
  Window w = need_window(argv[optind]);
  XWindowAttributes wa;
  XGetWindowAttributes(dpy, w, &wa);
  if (box.w <= 0 || box.h <= 0) box = (Box){0, 0, wa.width, wa.height};
  if (box.x < 0 || box.y < 0 || box.x + box.w > wa.width || box.y + box.h > wa.height)
    fail("the region is not inside the window");
  focus(w);
  Damage damage = XDamageCreate(dpy, w, XDamageReportRawRectangles);
  int responded = 0;
  for (int i = 0; i < n; i++) {
    wait_quiet(damage, box, quiet_ms, 5000);
    const KeySym ks = keys[i % nkeys];
    const double t = time_key(w, damage, box, ks, timeout_ms);
    if (t < 0) {
      printf("key=%s ms=none\n", XKeysymToString(ks));
    } else {
      printf("key=%s ms=%.2f\n", XKeysymToString(ks), t);
      ms[responded++] = t;
    }
    fflush(stdout);
  }
  qsort(ms, (size_t)responded, sizeof *ms, compare_ms);
  const int r = responded;
  printf("summary keys=%d responded=%d median_ms=%.2f p90_ms=%.2f max_ms=%.2f\n", n, r,
         r == 0 ? -1 : r % 2 ? ms[r / 2] : (ms[r / 2 - 1] + ms[r / 2]) / 2,
         r == 0 ? -1 : ms[(r * 9 - 1) / 10], r == 0 ? -1 : ms[r - 1]);
  return responded > 0 ? 0 : 1;
}

// ---- floor -------------------------------------------------------------------------------

static int cmd_floor(int argc, char **argv) {
  if (argc != 2) fail("usage: xprobe floor TITLE");
  dpy = XOpenDisplay(NULL);
  if (!dpy) fail("cannot open the display");
  const int screen = DefaultScreen(dpy);
  Window w = XCreateSimpleWindow(dpy, RootWindow(dpy, screen), 20, 20, 240, 120, 0,
                                 BlackPixel(dpy, screen), WhitePixel(dpy, screen));
  XStoreName(dpy, w, argv[1]);
  XSelectInput(dpy, w, ExposureMask | KeyPressMask);
  GC gc = XCreateGC(dpy, w, 0, NULL);
  XMapWindow(dpy, w);
  const unsigned long colours[2] = {BlackPixel(dpy, screen), WhitePixel(dpy, screen)};
  int flip = 0;
  XEvent ev;
  while (XNextEvent(dpy, &ev) == 0) {  // until the server goes, or the floor is ended
    if (ev.type == KeyPress) flip ^= 1;
    else if (ev.type != Expose || ev.xexpose.count > 0) continue;
    XSetForeground(dpy, gc, colours[flip]);
    XFillRectangle(dpy, w, gc, 0, 0, 240, 90);
    XFlush(dpy);
  }
  return 0;
}

int main(int argc, char **argv) {
  signal(SIGPIPE, SIG_IGN);
  const char *what = argc > 1 ? argv[1] : "";
  if (!strcmp(what, "start")) return cmd_start(argc - 1, argv + 1);
  if (!strcmp(what, "resize")) return cmd_resize(argc - 1, argv + 1);
  if (!strcmp(what, "keys")) return cmd_keys(argc - 1, argv + 1);
  if (!strcmp(what, "send")) return cmd_send(argc - 1, argv + 1);
  if (!strcmp(what, "floor")) return cmd_floor(argc - 1, argv + 1);
  fprintf(stderr, "usage: xprobe start|resize|keys|send|floor ... (see the head of xprobe.c)\n");
  return 2;
}
