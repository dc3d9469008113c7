// SPDX-License-Identifier: MIT
// numdril: a trainer for typing on the numeric keypad.
#include "app/app.h"

int main(int argc, char** argv) {
  CNumdrilApp app;
  return RunApplication(&app, argc, argv);
}
