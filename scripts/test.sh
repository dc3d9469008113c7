#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Sets up, builds and runs every test: the headless suites and, under a virtual X
# server, the real-window sessions. Exits non-zero when anything fails.
#   BUILD_DIR=build-asan CMAKE_ARGS=-DNUMDRIL_SANITIZE=ON scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
build=${BUILD_DIR:-build}
# Settings for a sanitizer build (ignored by any other): every finding fails its test, and
# leaks that libraries keep by design are named in scripts/lsan.supp.
asan=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1
export ASAN_OPTIONS=${ASAN_OPTIONS:-$asan:strict_init_order=1:verify_asan_link_order=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}
# With debugging information, for the sanitizers' reports; compiled through ccache, which
# build folders of one checkout share. CMAKE_ARGS comes last and may change either.
# shellcheck disable=SC2086
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBUILD_TESTING=ON \
  -DNUMDRIL_CCACHE=ON ${CMAKE_ARGS:-}
cmake --build "$build"
xvfb-run -a -s "-screen 0 1920x1200x24" \
  ctest --test-dir "$build" --output-on-failure -j2 ${CTEST_ARGS:-}
