#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# numdril in a real window: a window timer fires on its own, with no key pressed. The
# position drill with its guide hidden marks the asked-for key after a few seconds.
#   timers.sh PATH_TO_NUMDRIL
source "$(dirname "$0")/lib/common.bash" "$@"
cd "$WORK"

start_app
focus_window
send_keys KP_0  # leave the title
send_keys KP_1  # position practice
send_keys space # hide the keyboard guide: the hint timer starts
wait_screen_still || fail "the window never settled"
cp "$WORK/.still.ppm" asked.ppm
wait_screen_change asked.ppm || fail "no hint appeared: the timer did not fire"
kill -0 "$APP_PID" 2>/dev/null || fail "numdril ended"

close_window
wait_exit
[ "$APP_STATUS" -eq 0 ] || fail "exit code $APP_STATUS after closing the window"
echo "PASS"
