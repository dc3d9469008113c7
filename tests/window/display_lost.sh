#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# numdril in a real window whose X server goes away mid-drill (a logout, a crashed
# session): the run is saved without the display (the drill so far, the use time, the log
# line), standard error says what was saved, and the exit code is not 0.
#   display_lost.sh PATH_TO_NUMDRIL
source "$(dirname "$0")/lib/common.bash" "$@"
source "$(dirname "$0")/lib/screens.bash"
cd "$WORK"

# A server of its own, to take away, on a display it picks itself and names once it listens.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$WORK/.display" >/dev/null 2>&1 &
XVFB_PID=$!
trap 'kill "$XVFB_PID" 2>/dev/null; cleanup' EXIT
poll 30 grep -q . "$WORK/.display" || fail "the X server did not start"
export DISPLAY=":$(head -n 1 "$WORK/.display")"
poll 30 xdpyinfo >/dev/null 2>&1 || fail "the X server $DISPLAY does not answer"

# A position drill under way: every key of the guide once, so the asked-for one is among
# them and the drill's clock runs. The clock goes ten times as fast.
start_faked 10
focus_window
send_keys KP_0 KP_1
send_keys KP_0 KP_1 KP_2 KP_3 KP_4 KP_5 KP_6 KP_7 KP_8 KP_9 KP_Enter
wait_screen_still || fail "the keys were never taken"
sleep 1  # some practice: ten seconds on the drill's clock

kill "$XVFB_PID"
wait_exit 30
[ "$APP_STATUS" -ne 0 ] || fail "exit code 0 after the display was lost"
grep -q '^numdril: the connection to the display was lost; saved: numdril.rec numdril.log$' \
  "$WORK/stderr" || fail "stderr does not say what was saved"

[ "$(wc -l <numdril.log)" -eq 1 ] || fail "no log line for the run"
mapfile -t REC <numdril.rec
re='^Position_Practice +([ 0-9]{5})hour([ 0-9]{2})mi([ 0-9]{2})se$'
[[ "${REC[1]}" =~ $re ]] || fail "numdril.rec line 2: '${REC[1]}'"
position=$((10#${BASH_REMATCH[2]// /} * 60 + 10#${BASH_REMATCH[3]// /}))
[ "$position" -ge 5 ] || fail "the drill under way added $position s, not its time so far"
re='^Total_Practice_Time([ 0-9]{5})hour([ 0-9]{2})mi([ 0-9]{2})se$'
[[ "${REC[0]}" =~ $re ]] || fail "numdril.rec line 1: '${REC[0]}'"
total=$((10#${BASH_REMATCH[2]// /} * 60 + 10#${BASH_REMATCH[3]// /}))
[ "$total" -ge "$position" ] || fail "use time $total s is less than the drill's $position s"
echo "PASS"
