#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs, with apt-get, everything numdril needs to build, test and run on Debian.
# Safe to run again: packages already present are skipped.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang ccache
  libclang-rt-dev
  libsdl2-dev libfreetype-dev libfontconfig-dev libpng-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-gothic fonts-dejavu-core
  xvfb xauth xdotool x11-utils x11-xserver-utils faketime xfonts-base
  libx11-dev libxdamage-dev libxtst-dev libxfixes-dev
  dbus-x11
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
