// SPDX-License-Identifier: MIT
/* A small X client for the real-window tests, which run without a window manager:
 *   xwin close WINDOW_ID       asks the window to close, as a title bar's close button
 *                              does (a WM_DELETE_WINDOW client message)
 *   xwin shot WINDOW_ID FILE   writes the window's pixels as a binary PPM (P6)
 *   xwin ink WINDOW_ID         prints how many of the window's pixels are not white */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Close(Display* display, Window window) {
  XEvent event;
  memset(&event, 0, sizeof event);
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
  event.xclient.data.l[1] = CurrentTime;
  Status sent = XSendEvent(display, window, False, NoEventMask, &event);
  XSync(display, False);
  return sent ? 0 : 1;
}

static XImage* Grab(Display* display, Window window) {
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes)) return NULL;
  return XGetImage(display, window, 0, 0, (unsigned)attributes.width,
                   (unsigned)attributes.height, AllPlanes, ZPixmap);
}

static void Rgb(XImage* image, int x, int y, unsigned char rgb[3]) {
  unsigned long pixel = XGetPixel(image, x, y);
  rgb[0] = (unsigned char)((pixel & image->red_mask) >> __builtin_ctzl(image->red_mask));
  rgb[1] = (unsigned char)((pixel & image->green_mask) >> __builtin_ctzl(image->green_mask));
  rgb[2] = (unsigned char)((pixel & image->blue_mask) >> __builtin_ctzl(image->blue_mask));
}

static int Shot(Display* display, Window window, const char* path) {
  XImage* image = Grab(display, window);
  if (!image) return 1;
  FILE* file = fopen(path, "wb");
  if (!file) return 1;
  fprintf(file, "P6\n%d %d\n255\n", image->width, image->height);
  for (int y = 0; y < image->height; ++y)
    for (int x = 0; x < image->width; ++x) {
      unsigned char rgb[3];
      Rgb(image, x, y, rgb);
      fwrite(rgb, 1, 3, file);
    }
  XDestroyImage(image);
  return fclose(file) == 0 ? 0 : 1;
}

static int Ink(Display* display, Window window) {
  XImage* image = Grab(display, window);
  if (!image) return 1;
  long count = 0;
  for (int y = 0; y < image->height; ++y)
    for (int x = 0; x < image->width; ++x) {
      unsigned char rgb[3];
      Rgb(image, x, y, rgb);
      if (rgb[0] != 255 || rgb[1] != 255 || rgb[2] != 255) ++count;
    }
  XDestroyImage(image);
  printf("%ld\n", count);
  return 0;
}

int main(int argc, char** argv) {
  if (argc < 3 || (strcmp(argv[1], "shot") == 0 && argc != 4)) {
    fprintf(stderr, "usage: xwin close|ink WINDOW_ID, or xwin shot WINDOW_ID FILE\n");
    return 2;
  }
  Display* display = XOpenDisplay(NULL);
  if (!display) {
    fprintf(stderr, "xwin: cannot open the display\n");
    return 1;
  }
  Window window = (Window)strtoul(argv[2], NULL, 0);
  int status = 2;
  if (strcmp(argv[1], "close") == 0) status = Close(display, window);
  if (strcmp(argv[1], "shot") == 0) status = Shot(display, window, argv[3]);
  if (strcmp(argv[1], "ink") == 0) status = Ink(display, window);
  XCloseDisplay(display);
  return status;
}
