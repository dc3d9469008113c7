#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the libFuzzer targets with clang (in build-fuzz) and runs each for a bounded time,
# starting from its committed seeds and regression inputs. Exits non-zero on any crash,
# hang, leak or broken invariant; the input that did it is left in build-fuzz/findings.
#   scripts/fuzz.sh                      # every target, 60 s each
#   FUZZ_SECONDS=600 scripts/fuzz.sh fuzz_keys
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/setup.sh
build=${FUZZ_BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_keys fuzz_records fuzz_report fuzz_practice fuzz_text)

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DNUMDRIL_FUZZ=ON >/dev/null
cmake --build "$build" --target "${targets[@]}"

# The targets save the record with fsync as the program does; on a memory file system that
# costs nothing, and the fuzzer tries many more inputs in its time.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

asan=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export ASAN_OPTIONS=${ASAN_OPTIONS:-$asan}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/scripts/lsan.supp:print_suppressions=0}

findings="$root/$build/findings"
mkdir -p "$findings"
status=0
for target in "${targets[@]}"; do
  # Inputs that once broke something must keep passing.
  regressions=("$root/fuzz/regressions/$target"/*)
  if [ -e "${regressions[0]}" ]; then
    echo "== $target: ${#regressions[@]} regression inputs"
    if ! "$build/$target" "${regressions[@]}" >"$findings/$target-regressions.log" 2>&1; then
      tail -n 40 "$findings/$target-regressions.log"
      echo "FAIL: $target regression inputs (log: $findings/$target-regressions.log)" >&2
      status=1
      continue
    fi
  fi
  # New inputs go to a corpus of the build folder; the committed seeds are only read.
  corpus="$root/$build/corpus/$target"
  mkdir -p "$corpus"
  echo "== $target: fuzzing for ${seconds}s"
  if "$build/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
       -max_len=1024 -print_final_stats=1 -artifact_prefix="$findings/$target-" \
       "$corpus" "$root/fuzz/corpus/$target" >"$findings/$target.log" 2>&1; then
    grep -E '^stat::(number_of_executed_units|peak_rss_mb)|^#[0-9]+.*DONE' \
      "$findings/$target.log" || true
  else
    tail -n 60 "$findings/$target.log"
    echo "FAIL: $target (log: $findings/$target.log; inputs: $findings/$target-*)" >&2
    status=1
  fi
done
exit $status
