# SPDX-License-Identifier: MIT
# Helpers for the real-window tests (tests/window/*.sh): a temporary working directory,
# starting numdril and finding its window, keys, screenshots, and the ways to end it.
# Sourced, not run; every wait polls with a deadline instead of sleeping a fixed time.
#   source "$(dirname "$0")/lib/common.bash" "$1"

set -u
WINDOW_LIB=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

source "$WINDOW_LIB/../../support/scripts.bash"  # skip, need, running as another user

# Without a display of our own, run the whole test on a virtual one.
if [ -z "${DISPLAY:-}" ]; then
  [ -z "${NUMDRIL_UNDER_XVFB:-}" ] || { echo "FAIL: xvfb-run gave no display" >&2; exit 1; }
  need xvfb-run xvfb
  NUMDRIL_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1920x1200x24" bash "$0" "$@"
fi
need xdotool xdotool
need xwininfo x11-utils
need "${CC:-cc}" gcc
[ -f /usr/include/X11/Xlib.h ] ||
  skip "the Xlib headers are not installed (package libx11-dev; scripts/setup.sh installs it)"

NUMDRIL_BIN=$(realpath "${1:?usage: $0 PATH_TO_NUMDRIL}")
APP_PID=""
WID=""
WORK=$(mktemp -d "${TMPDIR:-/tmp}/numdril-window-XXXXXX") || exit 1

cleanup() {
  if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then kill -KILL "$APP_PID"; fi
  cd /
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $* (window ${WID:-none})" >&2
  for f in "$WORK"/stdout "$WORK"/stderr; do
    [ -s "$f" ] && { echo "--- $(basename "$f"):" >&2; cat "$f" >&2; }
  done
  echo "--- files: $(cd "$WORK" && ls -A | tr '\n' ' ')" >&2
  exit 1
}

# poll SECONDS COMMAND...: runs COMMAND every 50 ms until it succeeds or time is up.
poll() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.05
  done
}

# The X helper (close like a window manager, screenshots); built once per test.
XWIN="$WORK/.xwin"
${CC:-cc} -O1 -o "$XWIN" "$WINDOW_LIB/xwin.c" -lX11 || fail "cannot build the X helper"

# Starts numdril in directory $1 (default: $WORK) and waits for its window; sets APP_PID
# and WID. Its standard output and error go to $WORK/stdout and $WORK/stderr. A command
# in NUMDRIL_WRAPPER (strace, valgrind) runs it, with the arguments in NUMDRIL_ARGS.
start_app() {
  local dir=${1:-$WORK}
  # In English, as under a locale that names no language, whatever the tests run under; a
  # NUMDRIL_WRAPPER of "env LANG=ja_JP.UTF-8" (or start_preloaded's settings) chooses another.
  # shellcheck disable=SC2086  # NUMDRIL_WRAPPER: e.g. "strace -f -o trace.txt"
  (cd "$dir" && exec env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=C.UTF-8 ${NUMDRIL_WRAPPER:-} \
    "$NUMDRIL_BIN" ${NUMDRIL_ARGS:-} >"$WORK/stdout" 2>"$WORK/stderr") &
  APP_PID=$!
  find_app_window
}

# Waits for the window of the numdril started in the background as APP_PID; sets WID.
find_app_window() {
  WID=$(timeout 60 xdotool search --sync --onlyvisible --name '^NUMDRIL$' | head -n 1)
  [ -n "$WID" ] || fail "no window titled NUMDRIL within 60 s"
  kill -0 "$APP_PID" 2>/dev/null || fail "numdril ended right after showing its window"
  # Shown is not yet painted (a slow build paints a second later): until then it is all
  # black, and as still as a finished screen.
  poll 60 window_painted || fail "the window was never painted"
}

window_painted() { screenshot "$WORK/.painted.ppm" && painted "$WORK/.painted.ppm"; }

app_ended() { ! kill -0 "$APP_PID" 2>/dev/null; }

# Waits up to $1 seconds (default 60) for the program to end; its exit code goes to
# APP_STATUS.
wait_exit() {
  poll "${1:-60}" app_ended || fail "numdril did not end"
  wait "$APP_PID"
  APP_STATUS=$?
  APP_PID=""
}

# Waits for a top-level window titled exactly $1 and prints its id. Looks at the window
# tree, since xdotool cannot read a title stored as UTF8_STRING (SDL's message box); in
# UTF-8, as xwininfo writes a title beyond ASCII as escapes in a locale without it.
find_titled() {
  LC_ALL=C.UTF-8 xwininfo -root -tree | grep -F " \"$1\": " | awk '{print $1; exit}' | grep .
}
wait_titled() {
  local id
  for _ in $(seq 200); do
    id=$(find_titled "$1") && { echo "$id"; return 0; }
    sleep 0.05
  done
  return 1
}

close_window() { "$XWIN" close "$WID" || fail "could not send WM_DELETE_WINDOW"; }

focus_window() { xdotool windowfocus --sync "$WID" || fail "could not focus the window"; }

# send_keys KEYSYM...: types keys into the focused window.
send_keys() { xdotool key --delay 20 "$@" || fail "xdotool key $*"; }

# Writes the window's pixels to file $1 (binary PPM).
screenshot() { "$XWIN" shot "$WID" "$1"; }

# Prints how many pixels of the window are not white.
ink() { "$XWIN" ink "$WID"; }

SHOT_BEFORE=""
screen_differs() {
  screenshot "$WORK/.now.ppm" && ! cmp -s "$SHOT_BEFORE" "$WORK/.now.ppm"
}
# Waits until the window's picture is no longer the one in file $1.
wait_screen_change() {
  SHOT_BEFORE=$1
  poll 10 screen_differs
}

# Whether a picture holds white and non-white bytes both: numdril has drawn into it. A
# window not yet painted is one colour, and stays so for longer than 100 ms on a busy machine.
painted() {
  [ "$(tail -c +32 "$1" | LC_ALL=C tr -cd '\377' | head -c1 | wc -c)" = 1 ] &&
    [ "$(tail -c +32 "$1" | LC_ALL=C tr -d '\377' | head -c1 | wc -c)" = 1 ]
}

STILL_NEEDS_PAINT=1
screen_same_as_before() {
  sleep 0.1
  screenshot "$WORK/.now.ppm" || return 1
  if cmp -s "$WORK/.still.ppm" "$WORK/.now.ppm"; then
    [ "$STILL_NEEDS_PAINT" = 0 ] || painted "$WORK/.now.ppm" && return 0
  fi
  mv "$WORK/.now.ppm" "$WORK/.still.ppm"
  return 1
}
# Waits until two pictures of numdril's window, drawn, taken 100 ms apart are the same.
wait_screen_still() {
  screenshot "$WORK/.still.ppm"
  poll 10 screen_same_as_before
}
# The same for another window $1 (a notice), whose colours are not numdril's.
wait_screen_still_of() {
  local main=$WID
  WID=$1
  STILL_NEEDS_PAINT=0
  wait_screen_still
  local status=$?
  STILL_NEEDS_PAINT=1
  WID=$main
  return $status
}

# Prints the window's size as WIDTHxHEIGHT.
window_size() {
  xwininfo -id "$WID" | awk '/^  Width:/ {w = $2} /^  Height:/ {h = $2} END {print w "x" h}'
}
