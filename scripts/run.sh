#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what building and running numdril need, builds the program alone, without tests
# or tools (Release, in build-release/, ready for cmake --install), and starts it in the
# current directory (its record files live there).
# Arguments go to numdril: scripts/run.sh --user-data
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build-release}
bash "$here/scripts/setup.sh" run
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build"
exec "$build/numdril" "$@"
