// SPDX-License-Identifier: MIT
// Headless renderer: plays keys, clock steps and timer events into the program at a chosen
// client size, without a display, and writes the screen as PNG. A developer tool for
// looking at screens; the README's pictures come from it.
//
//   numdril_render [--size WxH] [--clock EPOCH] [--dir DIR] [--lang=ja|en] STEP...
//
// The screens are English unless --lang=ja asks for the Japanese ones (the locale is not
// looked at, so pictures do not depend on who draws them).
//
// Steps, played in order:
//   key:N        one character event with code N (decimal or 0x..)
//   text:STR     each byte of STR as a character event
//   esc tab enter space        the keys of those names
//   advance:MS   move the clock on by MS milliseconds
//   timer:ID     fire timer ID if it is set
//   tick         advance:1000, then fire timer 1 if it is set
//   paint        a whole repaint
//   resize:WxH   a new client size (repaints)
//   correct:N    press the key the current drill expects, N times (advancing 250 ms each)
//   wrong        press a key the current drill does not expect
//   shot:FILE    write the screen to FILE as PNG
//   ppm:FILE     write the screen to FILE as binary PPM (P6), the form in which the
//                real-window tests capture a window, so the two compare byte for byte
//   print-text   print the random drill's practice text, one line per row
//   print-key    print the code of the key the drill on screen expects next (0 for none)
//   print-spot   print where an input method would compose: left top right bottom, in
//                client pixels
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "app/app.h"
#include "flow/flow.h"
#include "platform/platform.h"
#include "random/random.h"

static void Usage() {
  fprintf(stderr,
          "usage: numdril_render [--size WxH] [--clock EPOCH] [--dir DIR] [--lang=ja|en] "
          "STEP...\n"
          "steps: key:N text:STR esc tab enter space advance:MS timer:ID tick paint\n"
          "       resize:WxH correct:N wrong shot:FILE ppm:FILE print-text print-key "
          "print-spot\n");
}

static bool ParseSize(const char* psz, int* pnW, int* pnH) {
  return sscanf(psz, "%dx%d", pnW, pnH) == 2 && *pnW > 0 && *pnH > 0 && *pnW <= 16384 &&
         *pnH <= 16384;
}

// The key the drill on screen expects next, or 0 when no drill is under way.
static int ExpectedKey() {
  if (g_nPhase != PHASE_RUNNING) return 0;
  if (IsPositionCode(g_nMode)) return (unsigned char)g_chTarget;
  if (IsRandomCode(g_nMode)) return (unsigned char)g_practiceText[g_nTextCol][g_nTextRow];
  return 0;
}

// Binary PPM: "P6", the size, 255, then RGB bytes row by row.
static bool WritePpm(const Framebuffer& fb, const char* pszPath) {
  FILE* pFile = fopen(pszPath, "wb");
  if (!pFile) return false;
  fprintf(pFile, "P6\n%d %d\n255\n", fb.Width(), fb.Height());
  std::string row((size_t)fb.Width() * 3, '\0');
  for (int y = 0; y < fb.Height(); ++y) {
    for (int x = 0; x < fb.Width(); ++x) {
      uint32_t rgb = fb.Pixel(x, y);
      row[(size_t)x * 3] = (char)(rgb >> 16);
      row[(size_t)x * 3 + 1] = (char)(rgb >> 8);
      row[(size_t)x * 3 + 2] = (char)rgb;
    }
    fwrite(row.data(), 1, row.size(), pFile);
  }
  bool bWritten = !ferror(pFile);
  return fclose(pFile) == 0 && bWritten;
}

static void PrintPracticeText() {
  for (int row = 0; row < g_nTextLines; ++row) {
    char line[TEXT_COLUMNS + 1] = {};
    for (int col = 0; col < TEXT_LINE_CHARS; ++col) line[col] = g_practiceText[col][row];
    puts(line);
  }
}

static bool PlayStep(CNumdrilView& view, const char* step) {
  int n = 0, w = 0, h = 0;
  if (!strcmp(step, "esc")) view.SendChar(KEY_ESCAPE);
  else if (!strcmp(step, "tab")) view.SendChar(KEY_TAB);
  else if (!strcmp(step, "enter")) view.SendChar(KEY_ENTER);
  else if (!strcmp(step, "space")) view.SendChar(KEY_SPACE);
  else if (!strcmp(step, "paint")) view.Paint();
  else if (!strcmp(step, "tick")) {
    AdvanceFakeClock(1000);
    view.FireTimer(1);
  } else if (!strcmp(step, "wrong")) {
    view.SendChar(ExpectedKey() == '7' ? '8' : '7');
  } else if (!strncmp(step, "key:", 4)) {
    view.SendChar((UINT)strtoul(step + 4, nullptr, 0));
  } else if (!strncmp(step, "text:", 5)) {
    for (const char* p = step + 5; *p; ++p) view.SendChar((unsigned char)*p);
  } else if (sscanf(step, "advance:%d", &n) == 1) {
    AdvanceFakeClock(n);
  } else if (sscanf(step, "timer:%d", &n) == 1) {
    view.FireTimer((UINT_PTR)n);
  } else if (!strncmp(step, "resize:", 7) && ParseSize(step + 7, &w, &h)) {
    view.Resize(w, h);
    view.Paint();
  } else if (sscanf(step, "correct:%d", &n) == 1) {
    for (int i = 0; i < n; ++i) {
      int key = ExpectedKey();
      if (!key) break;
      AdvanceFakeClock(250);
      view.SendChar(key == ' ' ? ' ' : (UINT)key);
    }
  } else if (!strcmp(step, "print-text")) {
    PrintPracticeText();
  } else if (!strcmp(step, "print-key")) {
    printf("%d\n", ExpectedKey());
  } else if (!strcmp(step, "print-spot")) {
    RECT rc = view.GetCompositionRect();
    printf("%d %d %d %d\n", rc.left, rc.top, rc.right, rc.bottom);
  } else if (!strncmp(step, "ppm:", 4)) {
    if (!WritePpm(view.Surface(), step + 4)) {
      fprintf(stderr, "numdril_render: cannot write %s\n", step + 4);
      exit(1);
    }
  } else if (!strncmp(step, "shot:", 5)) {
    if (!view.Surface().WritePng(step + 5)) {
      fprintf(stderr, "numdril_render: cannot write %s\n", step + 5);
      exit(1);
    }
  } else {
    return false;
  }
  return true;
}

int main(int argc, char** argv) {
  int nWidth = 642, nHeight = 402;
  time64_t nClock = 1796637600;  // 2026-12-07 10:00:00 UTC
  int i = 1;
  for (; i < argc && !strncmp(argv[i], "--", 2); ++i) {
    if (!strcmp(argv[i], "--size") && i + 1 < argc) {
      if (!ParseSize(argv[++i], &nWidth, &nHeight)) return Usage(), 2;
    } else if (!strcmp(argv[i], "--clock") && i + 1 < argc) {
      nClock = strtoll(argv[++i], nullptr, 10);
    } else if (!strcmp(argv[i], "--dir") && i + 1 < argc) {
      if (chdir(argv[++i]) != 0) return perror("numdril_render"), 1;
    } else if (!strcmp(argv[i], "--lang=ja") || !strcmp(argv[i], "--lang=en")) {
      g_bEnglish = argv[i][7] == 'e' ? 1 : 0;
    } else {
      return Usage(), 2;
    }
  }
  if (i >= argc) return Usage(), 2;
  if (!getenv("TZ")) setenv("TZ", "UTC", 1);
  SetFakeClock(nClock, 0);
  CNumdrilView view;
  view.CreateHeadless(nWidth, nHeight);
  view.Paint();
  for (; i < argc; ++i) {
    if (!PlayStep(view, argv[i])) {
      fprintf(stderr, "numdril_render: unknown step '%s'\n", argv[i]);
      return 2;
    }
  }
  return 0;
}
