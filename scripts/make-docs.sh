#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Renders the README's pictures of numdril's screens into docs/, headless, with
# tools/numdril_render at a window of 1280 x 800 (the key map also at 640 x 400 and at
# 3840 x 2160), from a practice record of earlier runs, and README.ja.md's in Japanese;
# then the practice report of docs/sample-history as docs/report.svg, and prints its text,
# and the same with ten years of practice figures beside it as docs/report-practice.svg
# (and as PNGs, in English and Japanese, for the READMEs).
# Builds the renderer and numdril first (in $BUILD_DIR, default build/).
#   scripts/make-docs.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja >/dev/null
cmake --build "$build" --target numdril_render
render=$build/numdril_render
docs=$root/docs
mkdir -p "$docs"
work=$(mktemp -d "${TMPDIR:-/tmp}/numdril-docs-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Dates and times as a user in UTC sees them; the renderer's clock starts at
# 2026-12-07 10:00:00 and moves only when a step moves it.
export TZ=UTC

# picture NAME STEP...: plays the steps from a fresh start, with the record below in the
# working directory, and writes the screen as docs/NAME.png; at a window of $SIZE when set,
# in the language $SCREEN_LANG (en or ja) when set.
picture() {
  local name=$1
  shift
  rm -rf "$work/run"
  mkdir "$work/run"
  {
    printf 'Total_Practice_Time%5dhour%2dmi%2dse\n' 2 14 5
    printf '%-34s%16s %5dhour%2dmi%2dse\n' Position_Practice "" 0 25 40
    printf '%-34s%7.1f %s %5dhour%2dmi%2dse\n' Random_Practice 212.4 26/12/05 0 48 30
  } >"$work/run/numdril.rec"
  "$render" --dir "$work/run" --size "${SIZE:-1280x800}" --lang="${SCREEN_LANG:-en}" "$@" \
    shot:"$docs/$name.png"
  echo "docs/$name.png"
}

picture title
# Back from a cancelled position drill: the drill chosen last is marked.
picture menu text:0 text:1 esc esc
picture position text:0 text:1 correct:9
picture random text:0 text:2 correct:23 wrong
# A position drill and a random run faster than the record, ten minutes after start-up.
picture record text:0 text:1 correct:60 esc text:2 correct:300 esc advance:600000 text:3
# The record screen's key map after two position drills and two random runs, slower and
# with more slips at first, in the smallest window and on a 4K screen.
keymap=(text:0 text:1 pace:900 correct:12 wrong wrong correct:9 wrong correct:20 wrong wrong
        wrong correct:19 tab pace:520 correct:30 wrong correct:30 esc text:2 pace:420 correct:20
        wrong wrong correct:40 wrong correct:300 tab pace:300 correct:25 wrong correct:30 wrong
        wrong correct:300 esc text:3 enter)
SIZE=640x400 picture keymap "${keymap[@]}"
SIZE=3840x2160 picture keymap-4k "${keymap[@]}"

# The drill and record screens in Japanese, for README.ja.md (the title and the menu are the
# same in both languages).
SCREEN_LANG=ja picture ja-position text:0 text:1 correct:9
SCREEN_LANG=ja picture ja-random text:0 text:2 correct:23 wrong
SCREEN_LANG=ja picture ja-record text:0 text:1 correct:60 esc text:2 correct:300 esc \
  advance:600000 text:3
SCREEN_LANG=ja SIZE=640x400 picture ja-keymap "${keymap[@]}"

# The practice report of the sample history in docs/sample-history: the picture, and the
# text docs/report.md shows.
cmake --build "$build" --target numdril
"$build/numdril" -C "$docs/sample-history" --report="$docs/report.svg"
echo "docs/report.svg"
LC_ALL=C.UTF-8 "$build/numdril" -C "$docs/sample-history" --report

# The practice figures: the sample history's three files beside ten years of drills written
# by bench/bench_practice, over the last 30 days before today, as docs/report-practice.svg
# and, where librsvg's rsvg-convert is installed, the PNGs the READMEs show.
if cmake --build "$build" --target bench_practice 2>/dev/null; then
  "$build/bench_practice" --write-history="$work/practice"
  cp "$docs"/sample-history/numdril.* "$work/practice/"
  "$build/numdril" -C "$work/practice" --report="$docs/report-practice.svg"
  echo "docs/report-practice.svg"
  if command -v rsvg-convert >/dev/null; then
    rsvg-convert -w 800 "$docs/report-practice.svg" -o "$docs/report-practice.png"
    echo "docs/report-practice.png"
    "$build/numdril" -C "$work/practice" --lang=ja --report="$work/ja-report-practice.svg"
    rsvg-convert -w 800 "$work/ja-report-practice.svg" -o "$docs/ja-report-practice.png"
    echo "docs/ja-report-practice.png"
  fi
  LC_ALL=C.UTF-8 "$build/numdril" -C "$work/practice" --report | sed -n '/^Practice of/,$p'
else
  echo "bench_practice (Google Benchmark) is not built: no practice figures" >&2
fi
