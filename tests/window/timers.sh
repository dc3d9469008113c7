#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# numdril in a real window, and time: a window timer fires on its own, with no key pressed
# (the position drill with its guide hidden marks the asked-for key after a few seconds);
# and keys count from when they were pressed. A random run typed while numdril is stopped
# takes as long as the typing did, not the moment it took to handle the keys afterwards,
# nor the time it stayed stopped after them; its record reads back.
#   timers.sh PATH_TO_NUMDRIL
source "$(dirname "$0")/lib/common.bash" "$@"
source "$(dirname "$0")/lib/screens.bash"
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
rm -f numdril.rec numdril.log numdril.spd

# ---- a random run typed while numdril is stopped ----------------------------------------
# The start second seeds the practice text: a replay from the same second prints it.
start_faked 1
focus_window
wait_screen_still || fail "the title never settled"
send_keys KP_0 KP_2
poll 10 eval 'screenshot .p.ppm && [ "$(count .p.ppm 32 80 48 360 $TEAL)" -gt 0 ]' ||
  fail "the random drill did not open"
wait_screen_still || fail "the random drill never settled"
cp "$WORK/.still.ppm" rand.ppm
find_start rand.ppm "$REF/rand.ppm" text.txt text:0 text:2 ppm:"$REF/rand.ppm" print-text
mapfile -t TEXT <text.txt
ALL="${TEXT[0]}${TEXT[1]}${TEXT[2]}"
keys=()
for ((i = 0; i < ${#ALL}; i++)); do
  c=${ALL:i:1}
  if [ "$c" = " " ]; then keys+=(space); else keys+=("KP_$c"); fi
done
[ "${#keys[@]}" -eq 108 ] || fail "the text has ${#keys[@]} characters, not 108"

kill -STOP "$APP_PID"
t0=$(date +%s%N)
xdotool key --delay 20 "${keys[@]}" || { kill -CONT "$APP_PID"; fail "xdotool key"; }
t1=$(date +%s%N)
sleep 2  # still stopped: this is no typing
kill -CONT "$APP_PID"
poll 20 eval 'screenshot .p.ppm && [ "$(count .p.ppm 352 192 368 400 $TEAL)" -gt 0 ]' ||
  fail "the keys typed while stopped did not end the run"
send_keys Escape KP_4
wait_exit
[ "$APP_STATUS" -eq 0 ] || fail "exit code $APP_STATUS after Exit"

# The run's speed, from the speed history: 108 keys over the time between the first and
# the last press, which the typing took (xdotool's 20 ms apart, at least 2.14 s).
re=' ([0-9]+\.[0-9]) +[0-9]+hour'
[[ "$(cat numdril.spd)" =~ $re ]] || fail "numdril.spd: '$(cat numdril.spd)'"
speed=${BASH_REMATCH[1]}
typed_ms=$(((t1 - t0) / 1000000))
run_ms=$(awk -v s="$speed" 'BEGIN { printf "%d", 108 * 60000 / s }')
[ "$run_ms" -ge 2000 ] && [ "$run_ms" -le "$typed_ms" ] ||
  fail "a run typed in $typed_ms ms while stopped took $run_ms ms (speed $speed a minute)"
# The record holds the same run, and a second start reads it back as it is.
re='^Random_Practice +([0-9]+\.[0-9]) [0-9/]{8} +0hour 0mi([ 0-9]{2})se$'
[[ "$(sed -n 3p numdril.rec)" =~ $re ]] || fail "numdril.rec line 3: '$(sed -n 3p numdril.rec)'"
[ "${BASH_REMATCH[1]}" = "$speed" ] || fail "numdril.rec's best ${BASH_REMATCH[1]}, not $speed"
[ "${BASH_REMATCH[2]// /}" -eq $((run_ms / 1000)) ] || fail "numdril.rec: ${BASH_REMATCH[2]} s"
cp numdril.rec before.rec
start_app
close_window
wait_exit
[ "$APP_STATUS" -eq 0 ] && [ ! -s "$WORK/stderr" ] || fail "the second start: $APP_STATUS"
[ "$(sed -n 3p numdril.rec)" = "$(sed -n 3p before.rec)" ] || fail "the record did not read back"
echo "PASS"
