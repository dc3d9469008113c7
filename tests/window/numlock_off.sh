#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The numeric keypad in a real window, with Num Lock off and on: its keys type digits and
# Enter either way, each press exactly once. xdotool is made to press the keypad's keys
# as a keyboard does, by the keysyms they have without Num Lock (KP_End for the 1), so
# that it does not switch Num Lock on by itself to reach the digits. The clock is fixed
# (libfaketime), so numdril_render can replay the start and print the practice text.
#   numlock_off.sh PATH_TO_NUMDRIL
source "$(dirname "$0")/lib/common.bash" "$@"
source "$(dirname "$0")/lib/screens.bash"
cd "$WORK"
need xset x11-xserver-utils

# The keypad's keys by the digit they carry; Enter is the same key either way.
KEYPAD=(KP_Insert KP_End KP_Down KP_Next KP_Left KP_Begin KP_Right KP_Home KP_Up KP_Prior)
pad() { if [ "$1" = enter ] || [ "$1" = " " ]; then echo KP_Enter; else echo "${KEYPAD[$1]}"; fi; }

numlock() { xset q | sed -n 's/.*Num Lock: *\([a-z]*\).*/\1/p'; }
WANT_LOCK=""
numlock_is_wanted() { [ "$(numlock)" = "$WANT_LOCK" ]; }
set_numlock() {
  WANT_LOCK=$1
  numlock_is_wanted || xdotool key Num_Lock || fail "xdotool key Num_Lock"
  poll 5 numlock_is_wanted || fail "Num Lock did not turn $1"
}

after_keys() {  # after_keys NAME KEYSYM...: types, waits for the screen to settle, shoots
  local name=$1
  shift
  screenshot .before.ppm
  send_keys "$@"
  wait_screen_change .before.ppm || fail "the screen did not change after $*"
  wait_screen_still || fail "the screen did not settle after $*"
  cp .still.ppm "$name.ppm"
  keep_shot "$name.ppm"
}
underlined() {  # underlined SHOT N: whether character N of the practice text is typed
  local y=$((128 + 20 * ($2 / 36))) x=$((16 * ($2 % 36)))
  [ "$(count "$1" $y $x $((y + 4)) $((x + 16)) $BLUE)" -gt 0 ]
}
typed_count() {  # typed_count SHOT: how many characters are underlined as typed
  local n=0
  while [ "$n" -lt 108 ] && underlined "$1" "$n"; do n=$((n + 1)); done
  echo "$n"
}

start_faked 1
focus_window
set_numlock off

# The keypad's 0 leaves the title and its 2 opens the random drill.
after_keys menu "$(pad 0)"
[ "$(count_e menu.ppm 48 128 176 400 $NAVY)" -gt 0 ] || fail "the keypad's 0 did not open the menu"
after_keys rand "$(pad 2)"
find_start rand.ppm "$REF/rand.ppm" text.txt text:0 text:2 ppm:"$REF/rand.ppm" print-text
mapfile -t TEXT <text.txt

# One group and its blank with Num Lock off, the next with it on: 6 and then 12
# characters typed, no error. A key delivered twice would type one character more, or
# count an error.
for lock in off on; do
  set_numlock $lock
  from=0
  [ $lock = off ] || from=6
  keys=()
  for ((i = from; i < from + 6; i++)); do keys+=("$(pad "${TEXT[0]:i:1}")"); done
  send_keys "${keys[@]}"
  poll 10 eval 'screenshot .p.ppm && underlined .p.ppm $((from + 5))' ||
    fail "Num Lock $lock: typing ${TEXT[0]:from:6} on the keypad did not type it"
  wait_screen_still || fail "the drill did not settle"
  cp .still.ppm "typed-numlock-$lock.ppm"
  keep_shot "typed-numlock-$lock.ppm"
  [ "$(numlock)" = $lock ] || fail "typing on the keypad changed Num Lock"
  n=$(typed_count .still.ppm)
  [ "$n" -eq $((from + 6)) ] || fail "Num Lock $lock: $n characters typed after $((from + 6)) keys"
  expect_no_ink .still.ppm 80 424 96 560 $MAROON "Num Lock $lock: an error count"
  expect_no_ink .still.ppm 112 0 172 576 $RED "Num Lock $lock: a character in error"
done

# The keypad's Enter is Enter (13): the answer when the position drill asks for Enter.
set_numlock off
after_keys cancelled Escape
after_keys menu2 Escape
after_keys pos "$(pad 1)"
shot=pos.ppm
for ((i = 0; i < 60; i++)); do
  asked=$(asked_key "$shot")
  [ -n "$asked" ] && [ "$asked" != "?" ] || fail "$(basename "$shot"): not one key asked for"
  send_keys "$(pad "$asked")"
  poll 10 asked_key_moved "$asked" ||
    fail "Num Lock off: the keypad's $asked was not taken as the key asked for"
  cp .p.ppm .now-pos.ppm
  shot=.now-pos.ppm
  expect_no_ink "$shot" 48 512 64 640 $MAROON "an error count after the keypad's $asked"
  [ "$asked" != enter ] || break
done
[ "$asked" = enter ] || fail "the drill never asked for Enter"

close_window
wait_exit
[ "$APP_STATUS" -eq 0 ] || fail "exit code $APP_STATUS after closing the window"
echo "PASS"
