#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and starts numdril in the current directory (its record files live there).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bash "$here/scripts/setup.sh"
cmake -S "$here" -B "$here/build" -G Ninja >/dev/null
cmake --build "$here/build"
exec "$here/build/numdril" "$@"
