#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# numdril in a real window: command-line answers, the refusals of a read-only record folder
# and of a start without a display (none set, or one that does not answer), a key, a resize,
# and the ways out (close button, SIGTERM, SIGINT, SIGHUP, SIGQUIT), each saving the
# practice log and record on the way.
#   start_close.sh PATH_TO_NUMDRIL
source "$(dirname "$0")/lib/common.bash" "$@"
cd "$WORK"

# --help and --version answer on standard output and succeed, without a window.
"$NUMDRIL_BIN" --help >help.txt 2>&1 || fail "--help exited non-zero"
grep -q -- '--version' help.txt || fail "--help does not list --version"
version=$("$NUMDRIL_BIN" --version) || fail "--version exited non-zero"
[[ "$(head -n 1 <<<"$version")" =~ ^numdril\ [0-9]+\.[0-9]+$ ]] ||
  fail "--version printed '$version'"
grep -q '^Copyright' <<<"$version" || fail "--version has no copyright line"
rm help.txt

# A record folder the user may not write is refused at once, in one line, with exit code
# 2: the session's practice would be lost at exit otherwise. (As a user other than root,
# whom file modes do not stop.)
mkdir -m 555 readonly
copy_for_other_user "$NUMDRIL_BIN" "$WORK"
status=0
"${AS_OTHER_USER[@]}" "$OTHER_NUMDRIL" -C readonly >"$WORK/stdout" 2>"$WORK/stderr" || status=$?
[ "$status" -eq 2 ] || fail "exit code $status for a read-only record folder"
[ "$(wc -l <"$WORK/stderr")" -eq 1 ] || fail "expected one line on stderr for a read-only folder"
grep -q "Permission denied" "$WORK/stderr" || fail "the refusal does not say why"
rmdir readonly
rm "$OTHER_NUMDRIL"

# No display at all: one line on standard error naming a way out, no file touched.
mkdir nodisplay
status=0
(cd nodisplay && env -u DISPLAY -u WAYLAND_DISPLAY "$NUMDRIL_BIN" \
  >"$WORK/stdout" 2>"$WORK/stderr") || status=$?
[ "$status" -ne 0 ] || fail "started without a display"
[ "$(wc -l <"$WORK/stderr")" -eq 1 ] || fail "expected one line on stderr without a display"
grep -q 'xvfb-run' "$WORK/stderr" || fail "the no-display message does not name xvfb-run"
[ ! -s "$WORK/stdout" ] || fail "the no-display run wrote to stdout"
[ -z "$(ls -A nodisplay)" ] || fail "the no-display run created files: $(ls -A nodisplay)"

# A display that does not answer: SDL would fall back to a driver that shows nothing, and
# the invisible run would be logged as practice. The same refusal instead.
nobody=150
while [ -e "/tmp/.X11-unix/X$nobody" ] || [ -e "/tmp/.X$nobody-lock" ]; do
  nobody=$((nobody + 1))
done
for env in "DISPLAY=:$nobody" "WAYLAND_DISPLAY=nowhere-$nobody"; do
  status=0
  (cd nodisplay && env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$env" "$NUMDRIL_BIN" \
    >"$WORK/stdout" 2>"$WORK/stderr") || status=$?
  [ "$status" -eq 1 ] || fail "exit code $status with $env"
  grep -q '^numdril: cannot open the display' "$WORK/stderr" || fail "no refusal with $env"
  [ -z "$(ls -A nodisplay)" ] || fail "the run with $env created files: $(ls -A nodisplay)"
done
rmdir nodisplay

# Without a session bus numdril starts none: the bus library would launch one for SDL
# (through dbus-launch, where it is installed), a daemon left running. Whatever numdril
# starts inherits the mark. First of this test's starts: a bus launched on this display
# before would be found and used instead.
mark="NUMDRIL_BUS_PROBE=$WORK"
mkdir bus
no_bus="env -u DBUS_SESSION_BUS_ADDRESS -u XDG_RUNTIME_DIR -u XMODIFIERS -u SDL_IM_MODULE"
NUMDRIL_WRAPPER="$no_bus $mark" start_app "$WORK/bus"
for pid in $(pgrep -x dbus-launch; pgrep -x dbus-daemon); do
  if tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qxF "$mark"; then
    fail "starting without a session bus launched one"
  fi
done
close_window
wait_exit
rm -r bus

# A key reaches the program: the title screen gives way to the menu.
start_app
wait_screen_still || fail "the window never settled"
[ "$(ink)" -gt 0 ] || fail "the title screen is blank"
cp "$WORK/.still.ppm" title.ppm
focus_window
send_keys KP_5
wait_screen_change title.ppm || fail "a key did not change the screen"
rm title.ppm
# A resize keeps it running, at the new size.
xdotool windowsize --sync "$WID" 800 500 || fail "xdotool windowsize"
[ "$(window_size)" = 800x500 ] || fail "window is $(window_size) after the resize"
wait_screen_still || fail "the window never settled after the resize"
[ "$(ink)" -gt 0 ] || fail "the screen is blank after the resize"
kill -0 "$APP_PID" 2>/dev/null || fail "numdril ended after a resize"
# Another program may make the window far larger than any screen: what is drawn stays the
# size of the screen, so memory does not follow the window (a 16384 x 16384 window drawn
# whole takes 1 GiB) and keys are answered at once. Seen through the screen, since X
# cannot read back a window that does not fit on it.
root_shot() { "$XWIN" shot "$(xwininfo -root | awk '/Window id:/ {print $4}')" "$1"; }
xdotool windowmove --sync "$WID" 0 0 || fail "xdotool windowmove"
xdotool windowsize --sync "$WID" 16384 16384 || fail "xdotool windowsize"
[ "$(window_size)" = 16384x16384 ] || fail "window is $(window_size), not 16384x16384"
root_shot huge.ppm || fail "no screenshot of the screen"
send_keys KP_3  # the record screen
poll 10 eval 'root_shot huge2.ppm && ! cmp -s huge.ppm huge2.ppm' ||
  fail "a key was not answered in a window of 16384 x 16384"
peak_kb=$(awk '/^VmHWM:/ {print $2}' "/proc/$APP_PID/status")
[ "$peak_kb" -lt 400000 ] || fail "a 16384 x 16384 window took $peak_kb kB"
send_keys Escape
xdotool windowsize --sync "$WID" 800 500 || fail "xdotool windowsize"
rm huge.ppm huge2.ppm

# The close button ends it normally, saving the practice log and record.
close_window
wait_exit
[ "$APP_STATUS" -eq 0 ] || fail "exit code $APP_STATUS after closing the window"
[ -s numdril.rec ] || fail "numdril.rec not written on close"
[ "$(wc -l <numdril.log)" -eq 1 ] || fail "numdril.log should hold one line after one run"

# SIGTERM, SIGINT, SIGHUP (the terminal closed) and SIGQUIT go out through the same exit
# path: one more log line each. SIGPIPE and SIGXFSZ end nothing: a write they would stop
# just fails.
for signal in TERM INT HUP QUIT; do
  runs=$(wc -l <numdril.log)
  rm numdril.rec
  start_app
  kill -s PIPE "$APP_PID"
  kill -s XFSZ "$APP_PID"
  kill -s "$signal" "$APP_PID"
  wait_exit
  [ "$APP_STATUS" -eq 0 ] || fail "exit code $APP_STATUS after SIG$signal"
  [ -s numdril.rec ] || fail "numdril.rec not written after SIG$signal"
  [ "$(wc -l <numdril.log)" -eq $((runs + 1)) ] || fail "no log line after SIG$signal"
done

echo "PASS"
