#!/usr/bin/env bash
# Sets up, builds and runs every test: the headless suites and, under a virtual X
# server, the real-window sessions. Exits non-zero when anything fails.
#   BUILD_DIR=build-asan CMAKE_ARGS=-DNUMDRIL_SANITIZE=ON scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${BUILD_DIR:-build}
# shellcheck disable=SC2086
cmake -S . -B "$build" -G Ninja ${CMAKE_ARGS:-}
cmake --build "$build"
xvfb-run -a -s "-screen 0 1920x1200x24" \
  ctest --test-dir "$build" --output-on-failure -j2 ${CTEST_ARGS:-}
