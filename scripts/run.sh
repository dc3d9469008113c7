#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what building and running numdril need, builds the program alone, without tests
# or tools (Release, in build-release/, ready for cmake --install), and starts it as the
# desktop's menu entry does: with --user-data, its record files in the user's data folder
# ($XDG_DATA_HOME/numdril, by default ~/.local/share/numdril), not in the checkout.
# Arguments go to numdril, after that --user-data: a folder option of theirs (-C DIR,
# --directory=DIR) counts instead, as the last one given always does.
#   scripts/run.sh
#   scripts/run.sh -C ~/practice
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build-release}
bash "$here/scripts/setup.sh" run
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build"
exec "$build/numdril" --user-data "$@"
