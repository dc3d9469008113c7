#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# numdril in a real window while the wall clock steps (NTP, a resume, the user setting the
# time), under libfaketime with its time read from a file: five hours forward during one
# position drill and six back during the next. Neither step is practice: the drills, the
# use time and the log's length count only the seconds that passed, and the log keeps the
# start as the wall clock read it.
#   clock_steps.sh PATH_TO_NUMDRIL
source "$(dirname "$0")/lib/common.bash" "$@"
source "$(dirname "$0")/lib/screens.bash"
cd "$WORK"

clock=$WORK/.faketime
echo "@2026-12-07 10:00:00" >"$clock"
# The monotonic clock stays the real one, as a step of the wall clock leaves it.
start_preloaded "FAKETIME_TIMESTAMP_FILE=$clock" FAKETIME_NO_CACHE=1 FAKETIME_DONT_FAKE_MONOTONIC=1
focus_window
send_keys KP_0 KP_1

# One drill per step: every key of the guide once, so that its clock runs, a little
# practice, the step, then Escape, which adds the drill's time so far.
for step in "@2026-12-07 15:00:00" "@2026-12-07 09:00:00"; do
  send_keys KP_0 KP_1 KP_2 KP_3 KP_4 KP_5 KP_6 KP_7 KP_8 KP_9 KP_Enter
  wait_screen_still || fail "the keys were never taken"
  sleep 1.5  # the practice, not a wait for anything
  echo "$step" >"$clock"
  screenshot .before.ppm
  send_keys Escape
  wait_screen_change .before.ppm || fail "Escape did not end the drill"
  send_keys Tab
done
close_window
wait_exit
[ "$APP_STATUS" -eq 0 ] || fail "exit code $APP_STATUS"

seconds() { echo $((10#${1// /} * 3600 + 10#${2// /} * 60 + 10#${3// /})); }
mapfile -t REC <numdril.rec
re='^Total_Practice_Time([ 0-9]{5})hour([ 0-9]{2})mi([ 0-9]{2})se$'
[[ "${REC[0]}" =~ $re ]] || fail "numdril.rec line 1: '${REC[0]}'"
total=$(seconds "${BASH_REMATCH[@]:1:3}")
re='^Position_Practice +([ 0-9]{5})hour([ 0-9]{2})mi([ 0-9]{2})se$'
[[ "${REC[1]}" =~ $re ]] || fail "numdril.rec line 2: '${REC[1]}'"
position=$(seconds "${BASH_REMATCH[@]:1:3}")
re='^26/12/07 10:00:0[0-9] Practice Time([ 0-9]{3})hour([ 0-9]{2})min([ 0-9]{2})sec$'
[[ "$(cat numdril.log)" =~ $re ]] || fail "numdril.log: '$(cat numdril.log)'"
logged=$(seconds "${BASH_REMATCH[@]:1:3}")
# Two cancelled drills count at least a second each; the run took well under ten minutes.
[ "$position" -ge 2 ] && [ "$position" -le "$total" ] && [ "$total" -lt 600 ] &&
  [ "$logged" -lt 600 ] || fail "drills $position s, use time $total s, log $logged s"
echo "PASS"
