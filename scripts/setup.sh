#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs, with apt-get, what numdril needs on Debian:
#   scripts/setup.sh        to build, test, benchmark, check and package it (everything)
#   scripts/setup.sh run    only to build and run the program
# Safe to run again, and as any user once everything is there: nothing is done then.
# Installing needs root: as another user it goes through sudo where there is one, and
# otherwise names what is missing and stops.
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
  # the window tests' X helper and the benchmark's X probe
  libx11-dev libxdamage-dev libxtst-dev libxfixes-dev
  appstream desktop-file-utils man-db dpkg-dev lintian
  libxml2-utils
  # a real Japanese input method (fcitx5 with Mozc) on a session bus of its own
  fcitx5 fcitx5-mozc dbus-daemon dbus-x11 x11-xkb-utils
  # the locale of a Japanese desktop, generated below
  locales
  # the benchmark's peers' homes (the peers themselves: bench/peers.sh install)
  sqlite3
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
# ja_JP.UTF-8, generated as a Japanese desktop has it, for the tests in Japanese.
locale=0
if [ "${1:-all}" = all ] && ! locale -a | grep -qx 'ja_JP.utf8'; then locale=1; fi
[ ${#missing[@]} -gt 0 ] || [ $locale = 1 ] || exit 0
if [ "$(id -u)" -ne 0 ]; then
  if ! command -v sudo >/dev/null; then
    [ ${#missing[@]} -eq 0 ] || echo "missing packages: ${missing[*]}" >&2
    [ $locale = 0 ] || echo "missing locale: ja_JP.UTF-8" >&2
    echo "installing them needs root: run scripts/setup.sh${1:+ $1} as root" >&2
    exit 1
  fi
  echo "installing as root, with sudo" >&2
  SUDO="sudo"
fi
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if [ $locale = 1 ]; then
  $SUDO sed -i 's/^# *ja_JP\.UTF-8 UTF-8$/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -qx 'ja_JP.UTF-8 UTF-8' /etc/locale.gen ||
    echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
fi
