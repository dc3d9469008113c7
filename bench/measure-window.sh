#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures numdril in a real window on a private Xvfb, as the shared perf tools measure the
# typing trainers it is compared with: start to mapped window, to first frame drawn, idle
# memory, and key to changed cell in the timed random drill; and the bare-X floor in the
# same pass. A benchmark, not a test: the figures move with the machine's load.
#   bench/measure-window.sh
#   RUNS=15 N=60 SCREEN=1920x1200x24 BUILD_DIR=build-perf bench/measure-window.sh
# Environment (defaults in brackets):
#   PERF_TOOLS  the perf tools folder [../shared/tools/perf beside the checkout, else
#               /work/shared/tools/perf]; copied to a temporary folder, as it may be read-only
#   BUILD_DIR   build folder [build-bench], configured RelWithDebInfo if new
#   RUNS [9]    warm start-ups per program;  N [40]  keys per program
#   SCREEN      the Xvfb screen [1280x1024x24]; numdril opens at three quarters of it
# Needs (Debian): xvfb xdotool x11-utils faketime gcc libx11-dev libxdamage-dev libxtst-dev
# libxfixes-dev (scripts/setup.sh installs them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
RUNS=${RUNS:-9} N=${N:-40} SCREEN=${SCREEN:-1280x1024x24}
build=${BUILD_DIR:-build-bench}
case $build in /*) ;; *) build=$root/$build ;; esac

tools=${PERF_TOOLS:-}
if [ -z "$tools" ]; then
  for candidate in "$root/../shared/tools/perf" /work/shared/tools/perf; do
    [ -f "$candidate/measure-startup.sh" ] && { tools=$candidate; break; }
  done
fi
[ -n "$tools" ] && [ -f "$tools/measure-startup.sh" ] || {
  echo "perf tools not found: set PERF_TOOLS to the folder with measure-startup.sh" >&2
  exit 2
}

tmp=$(mktemp -d /tmp/numdril-bench-XXXXXX)
trap 'rm -rf "$tmp"' EXIT
cp -r "$tools" "$tmp/perf"
chmod -R u+w "$tmp/perf"
perf=$tmp/perf

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target numdril numdril_render >/dev/null
numdril=$build/numdril
# The X probe, built here once so that the floor's fake application can be started by path.
mkdir -p "$perf/build"
gcc -O2 -Wall -o "$perf/build/xprobe" "$perf/xprobe.c" -lX11 -lXdamage -lXfixes -lXtst

# numdril keeps its files in the directory it starts in.
mkdir "$tmp/run"
cd "$tmp/run"

# The window numdril opens on this screen: three quarters of it, in the shape 8:5.
sw=${SCREEN%%x*} rest=${SCREEN#*x} sh=${rest%%x*}
ww=$((sw * 3 / 4)) wh=$((sh * 3 / 4))
if [ $((ww * 5)) -gt $((wh * 8)) ]; then ww=$((wh * 8 / 5)); else wh=$((ww * 5 / 8)); fi

field() { tr ' ' '\n' <<<"$2" | sed -n "s/^$1=//p" | head -n1; }
summary=()
startup() {  # NAME CMD REGEX
  local out
  echo "== start-up: $1 ($RUNS warm runs, screen $SCREEN)" >&2
  out=$(RUNS=$RUNS SCREEN=$SCREEN "$perf/measure-startup.sh" "$2" "$3" 2>/dev/null)
  echo "$out" >&2
  local map settle rss pss uss
  map=$(awk '$2 == "map_ms" {print $0}' <<<"$out")
  settle=$(awk '$2 == "settle_ms" {print $0}' <<<"$out")
  rss=$(awk '$2 == "rss_kib" {print $0}' <<<"$out")
  pss=$(awk '$2 == "pss_kib" {print $0}' <<<"$out")
  uss=$(awk '$2 == "uss_kib" {print $0}' <<<"$out")
  summary+=("$(awk -v n="$1" -v m="$(field median "$map")" -v s="$(field median "$settle")" \
    -v r="$(field median "$rss")" -v p="$(field median "$pss")" -v u="$(field median "$uss")" \
    'BEGIN { printf "| %s | %s ms | %s ms | %.1f / %.1f / %.1f MiB |", n, m, s, r / 1024, p / 1024, u / 1024 }')")
}
keys=()
keylat() {  # NAME CMD REGEX REGION KEYSYM...
  local name=$1 cmd=$2 regex=$3 region=$4 out
  shift 4
  echo "== key to screen: $name ($N keys)" >&2
  out=$(N=$N SCREEN=$SCREEN REGION=$region SETUP=${SETUP:-} \
    "$perf/measure-keylat.sh" "$cmd" "$regex" "$@" 2>/dev/null | grep '^summary' | tail -n1)
  echo "$out" >&2
  keys+=("| $name | $(field median_ms "$out") ms | $(field p90_ms "$out") ms | $(field responded "$out") of $(field samples "$out") |")
}

startup numdril "$numdril" '^NUMDRIL$'
startup "X floor (xev)" "xev" '^Event Tester$'

# The random drill's text follows from the second the program starts in; on a clock that
# starts at a known second, the headless renderer prints the same text, and every key sent
# is the one the drill expects (digits, and keypad Enter for each blank).
epoch=1796637600  # 2026-12-07 10:00:00 UTC
mkdir "$tmp/ref"
mapfile -t drill < <(TZ=UTC "$build/numdril_render" --dir "$tmp/ref" --clock "$epoch" text:0 text:2 print-text 2>/dev/null | head -n 2)
keysyms=()
for line in "${drill[@]}"; do
  line=${line% }
  for ((i = 0; i < ${#line}; i++)); do
    ch=${line:i:1}
    if [ "$ch" = " " ]; then keysyms+=(KP_Enter); else keysyms+=("KP_$ch"); fi
  done
  keysyms+=(KP_Enter)
done
faketime=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n1)
[ -n "$faketime" ] || { echo "libfaketime not installed (package faketime)" >&2; exit 2; }
# Only the wall clock is set back; timers and SDL's ticks run on the real monotonic clock.
fixed="env TZ=UTC LD_PRELOAD=$faketime FAKETIME_DONT_FAKE_MONOTONIC=1 FAKETIME='@2026-12-07 10:00:00'"
# The first two rows of the practice text, full width; the clock and counters above are out.
region="0,$((wh * 160 / 600)),$ww,$((wh * 100 / 600))"
SETUP='xdotool key space 2' keylat numdril "$fixed $numdril" '^NUMDRIL$' "$region" "${keysyms[@]}"
keylat "X floor (xprobe fakeapp)" "$perf/build/xprobe fakeapp FLOOR" '^FLOOR$' 0,0,200,80 a
# fontconfig rebuilds its caches when the clock it runs on jumps about; let a run on the
# real clock put them back for whatever runs next.
fc-list >/dev/null 2>&1 || true

echo
echo "Window ${ww} x ${wh} on a ${SCREEN%x*} screen, warm medians of $RUNS runs:"
echo
echo "| | start to mapped window | first frame drawn | idle RSS / PSS / USS |"
echo "|---|---|---|---|"
printf '%s\n' "${summary[@]}"
echo
echo "Key to changed cell, $N keys:"
echo
echo "| | median | p90 | responded |"
echo "|---|---|---|---|"
printf '%s\n' "${keys[@]}"
