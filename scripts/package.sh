#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package (in build-package/, with Debian's own compiler and linker
# hardening flags) and checks it with lintian, which must find no error or warning. With
# --try-install it also installs the package with dpkg, runs it, and removes it again,
# checking that nothing is left behind (root only; CI does this).
#   scripts/package.sh [--try-install]
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --try-install ] && [ "$(id -u)" -ne 0 ]; then
  echo "--try-install installs the package with dpkg: run scripts/package.sh as root" >&2
  exit 1
fi
build=${BUILD_DIR:-build-package}
bash scripts/setup.sh

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CFLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build"
rm -f "$build"/numdril_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/numdril_*.deb)
echo "$deb"

# Errors and warnings fail; the informational notes are shown.
lintian --display-info --pedantic "$deb" 2>&1 | tee "$build/lintian.txt"
if grep -E '^[EW]: ' "$build/lintian.txt" >/dev/null; then
  echo "lintian found errors or warnings" >&2
  exit 1
fi

[ "${1:-}" = --try-install ] || exit 0
if dpkg-query -W -f='${Status}' numdril 2>/dev/null | grep -q "install ok installed"; then
  echo "numdril is installed already; not touching it" >&2
  exit 1
fi
dpkg -i "$deb" >/dev/null
listed=$(dpkg -L numdril)
/usr/bin/numdril --version | head -n 1 | grep -qx "numdril $(dpkg-deb -f "$deb" Version)"
man -w numdril | grep -q '^/usr/share/man/man1/numdril.1.gz$'
dpkg -r numdril >/dev/null
if dpkg-query -W -f='${Status}' numdril 2>/dev/null | grep -q installed; then
  echo "numdril is still installed after dpkg -r" >&2
  exit 1
fi
# Every file the package brought is gone again (shared folders such as /usr/share stay).
left=()
while read -r path; do
  [ -f "$path" ] && left+=("$path")
done <<<"$listed"
if [ ${#left[@]} -gt 0 ]; then
  printf 'left behind: %s\n' "${left[@]}" >&2
  exit 1
fi
echo "installed, ran and removed cleanly"
