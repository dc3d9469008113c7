#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs, with apt-get, what numdril needs on Debian:
#   scripts/setup.sh        to build, test, check and package it (everything)
#   scripts/setup.sh run    only to build and run the program
# Safe to run again: packages already present are skipped.
set -euo pipefail

# Building and running: compiler, build tools, the libraries (SQLite for the practice
# database), a Latin and a Japanese fixed-pitch font, and gettext with AppStream's rules
# for the translations.
RUN_PACKAGES=(
  g++ cmake ninja-build pkg-config
  libsdl2-dev libfreetype-dev libfontconfig-dev libsqlite3-dev
  fonts-dejavu-core fonts-ipafont-gothic
  gettext appstream
)
# Tests, sanitizers and fuzzing, benchmarks, the real-window sessions under a virtual X
# server, the validators of the installed desktop files, and the Debian package's tools.
TEST_PACKAGES=(
  build-essential clang ccache libclang-rt-dev
  libpng-dev libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-utils x11-xserver-utils faketime xfonts-base
  libx11-dev libxdamage-dev libxtst-dev libxfixes-dev
  appstream desktop-file-utils man-db dpkg-dev lintian
  # the desktop's opener, which shows the practice report from the menu entry
  xdg-utils
  libxml2-utils
  # a real Japanese input method (fcitx5 with Mozc) on a session bus of its own
  fcitx5 fcitx5-mozc dbus-x11 x11-xkb-utils
  # the locale of a Japanese desktop, generated below
  locales
)

case "${1:-all}" in
  run) wanted=("${RUN_PACKAGES[@]}") ;;
  all) wanted=("${RUN_PACKAGES[@]}" "${TEST_PACKAGES[@]}") ;;
  *) echo "usage: $0 [run]" >&2; exit 2 ;;
esac

missing=()
for p in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# ja_JP.UTF-8, generated as a Japanese desktop has it, for the tests in Japanese.
if [ "${1:-all}" = all ] && ! locale -a | grep -qx 'ja_JP.utf8'; then
  $SUDO sed -i 's/^# *ja_JP\.UTF-8 UTF-8$/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
