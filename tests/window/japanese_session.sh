#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# numdril in Japanese in a real window, twice: under a Japanese desktop's locale
# (LANG=ja_JP.UTF-8) and with --lang=ja under LANG=C. Each session starts from a record
# written in English, types a random run and a position drill to their ends and exits; the
# drill screens match the headless renderer's Japanese ones pixel for pixel (the time
# lines aside), the three files have the Japanese labels and units in code page 932 at the
# English byte columns, and an English run (--lang=en under the Japanese locale, or no
# option under LANG=C) and the report read them back with the same values.
#   japanese_session.sh PATH_TO_NUMDRIL
source "$(dirname "$0")/lib/common.bash" "$@"
source "$(dirname "$0")/lib/screens.bash"
locale -a | grep -qx 'ja_JP.utf8' ||
  skip "the locale ja_JP.UTF-8 is not generated (scripts/setup.sh generates it)"

SEED=$'Total_Practice_Time    1hour 2mi 5se\n'
SEED+=$'Position_Practice                                      0hour 3mi 0se\n'
SEED+=$'Random_Practice                       0.0              0hour 5mi 0se\n'
seconds() { echo $((10#${1// /} * 3600 + 10#${2// /} * 60 + 10#${3// /})); }
utf8() { iconv -f CP932 -t UTF-8 "$1" || fail "$1 is not code page 932"; }
# The keypad's keysym for a character code the renderer printed.
keysym() {
  if [ "$1" = 13 ]; then echo KP_Enter; else echo "KP_$(printf "\\$(printf %o "$1")")"; fi
}
# Hours, minutes and seconds in Japanese, each a field.
HMS_JA='([ 0-9]{5})時間([ 0-9]{2})分([ 0-9]{2})秒'


# key_then_still KEYSYM: types a key and waits for the screen to change and settle.
key_then_still() {
  screenshot "$WORK/.before.ppm"
  send_keys "$1"
  wait_screen_change "$WORK/.before.ppm" || fail "the screen did not change after $1"
  wait_screen_still || fail "the screen did not settle after $1"
}

# wait_result NAME: waits for a drill's after-run prompts and keeps the screen as NAME.ppm.
wait_result() {
  poll 30 eval 'screenshot .p.ppm && [ "$(count .p.ppm 352 192 368 400 $TEAL)" -gt 0 ]' ||
    fail "$1: the drill did not end"
  wait_screen_still || fail "$1: the result never settled"
  cp "$WORK/.still.ppm" "$1.ppm"
  keep_shot "$1.ppm"
}

# session NAME ENGLISH_ARGS ENGLISH_LOCALE SETTING...: a Japanese session started with the
# settings (environment, or ARGS=... for its command line), then the English run started
# with the arguments and locale given.
session() {
  local name=$1 english_args=$2 english_locale=$3 setting
  shift 3
  rm -f numdril.*
  printf '%s' "$SEED" >numdril.rec
  local args="" settings=()
  for setting in "$@"; do
    if [[ $setting == ARGS=* ]]; then args=${setting#ARGS=}; else settings+=("$setting"); fi
  done
  NUMDRIL_ARGS=$args start_preloaded "FAKETIME=@2026-12-07 10:00:00 x10" "${settings[@]}"
  focus_window
  key_then_still KP_0
  key_then_still KP_2
  cp "$WORK/.still.ppm" rand.ppm
  # The start-up second seeded the text: the replay from that second draws this screen.
  printf '%s' "$SEED" >"$REF/numdril.rec"
  find_start rand.ppm "$REF/rand.ppm" text.txt --lang=ja text:0 text:2 ppm:$REF/rand.ppm \
    print-text
  local text keys=() i c
  text=$(tr -d '\n' <text.txt)
  for ((i = 0; i < ${#text}; i++)); do
    c=${text:i:1}
    if [ "$c" = " " ]; then keys+=(space); else keys+=("KP_$c"); fi
  done
  xdotool key --delay 8 "${keys[@]}" || fail "xdotool key"
  wait_result randdone

  # The replay goes on to the position drill and prints each key it asks for.
  local steps=(--lang=ja text:0 text:2 "correct:${#text}" ppm:$REF/randdone.ppm esc text:1
               ppm:$REF/pos.ppm)
  for ((i = 0; i < 60; i++)); do steps+=(print-key correct:1); done
  printf '%s' "$SEED" >"$REF/numdril.rec"
  replay_from "$START" asked.txt "${steps[@]}" ppm:$REF/posdone.ppm
  expect_same randdone.ppm "$REF/randdone.ppm" "$name: random run" 0 80 96 400
  key_then_still Escape
  key_then_still KP_1
  cp "$WORK/.still.ppm" pos.ppm
  expect_same pos.ppm "$REF/pos.ppm" "$name: position drill"
  keys=()
  while read -r c; do keys+=("$(keysym "$c")"); done <asked.txt
  xdotool key --delay 8 "${keys[@]}" || fail "xdotool key"
  wait_result posdone
  expect_same posdone.ppm "$REF/posdone.ppm" "$name: position drill result" 0 32 48 400
  send_keys Escape KP_4
  wait_exit
  [ "$APP_STATUS" -eq 0 ] || fail "$name: exit code $APP_STATUS"

  check_japanese_files "$name"
  # The report reads the Japanese files.
  local report
  report=$(LANG=C "$NUMDRIL_BIN" --report) || fail "$name: --report failed"
  grep -qE "^  Best speed +$BEST per minute, 2026-12-07$" <<<"$report" ||
    fail "$name: the report does not show the best speed $BEST: $report"
  ! grep -q 'could not be read' <<<"$report" || fail "$name: the report skipped lines: $report"

  # An English run reads them, writes the same values in English, and goes.
  NUMDRIL_ARGS=$english_args NUMDRIL_WRAPPER="env $english_locale" start_app
  close_window
  wait_exit
  [ "$APP_STATUS" -eq 0 ] || fail "$name: exit code $APP_STATUS of the English run"
  mapfile -t REC <numdril.rec
  local re='^Total_Practice_Time([ 0-9]{5})hour([ 0-9]{2})mi([ 0-9]{2})se$'
  [[ "${REC[0]}" =~ $re ]] || fail "$name: English numdril.rec line 1: '${REC[0]}'"
  [ "$(seconds "${BASH_REMATCH[@]:1:3}")" -ge "$TOTAL" ] || fail "$name: the use time went back"
  [ "${REC[1]}" = "$(printf '%-34s%16s %5dhour%2dmi%2dse' Position_Practice "" \
    $SPLIT_POSITION)" ] || fail "$name: English numdril.rec line 2: '${REC[1]}'"
  [ "${REC[2]}" = "$(printf '%-34s%7s %s %5dhour%2dmi%2dse' Random_Practice "$BEST" 26/12/07 \
    $SPLIT_RANDOM)" ] || fail "$name: English numdril.rec line 3: '${REC[2]}'"
  [ "$(sed -n 2p numdril.log | cut -c18-31)" = " Practice Time" ] ||
    fail "$name: the English run's log line: $(sed -n 2p numdril.log)"
}

# The files as the Japanese session wrote them, byte for byte in their columns; sets TOTAL,
# BEST, SPLIT_POSITION and SPLIT_RANDOM for the English run's comparison.
check_japanese_files() {
  local name=$1 re lines
  mapfile -t lines < <(utf8 numdril.rec)
  [ "${#lines[@]}" -eq 3 ] || fail "$name: numdril.rec has ${#lines[@]} lines"
  [ "$(LC_ALL=C awk '{ printf "%d ", length($0) }' numdril.rec)" = "27 68 68 " ] ||
    fail "$name: numdril.rec line lengths" \
      "$(LC_ALL=C awk '{ printf "%d ", length($0) }' numdril.rec)"
  re="^練習時間　$HMS_JA\$"
  [[ "${lines[0]}" =~ $re ]] || fail "$name: numdril.rec line 1: '${lines[0]}'"
  TOTAL=$(seconds "${BASH_REMATCH[@]:1:3}")
  re="^Position_Practice {34}$HMS_JA\$"
  [[ "${lines[1]}" =~ $re ]] || fail "$name: numdril.rec line 2: '${lines[1]}'"
  SPLIT_POSITION="${BASH_REMATCH[*]:1:3}"
  local position
  position=$(seconds "${BASH_REMATCH[@]:1:3}")
  re="^Random_Practice {19}( *[0-9]+\\.[0-9]) 26/12/07 $HMS_JA\$"
  [[ "${lines[2]}" =~ $re ]] || fail "$name: numdril.rec line 3: '${lines[2]}'"
  BEST=${BASH_REMATCH[1]// /}
  SPLIT_RANDOM="${BASH_REMATCH[*]:2:3}"
  local random
  random=$(seconds "${BASH_REMATCH[@]:2:3}")
  # The English seed was read: its times go on.
  [ "$TOTAL" -gt 3725 ] && [ "$position" -gt 180 ] && [ "$random" -gt 300 ] ||
    fail "$name: use $TOTAL s, position $position s, random $random s from 3725, 180, 300"

  [ "$(LC_ALL=C awk '{ print length($0) }' numdril.log)" = 41 ] ||
    fail "$name: numdril.log: $(utf8 numdril.log)"
  re='^26/12/07 10:00:[0-9]{2} 練習時間([ 0-9]{3})時間([ 0-9]{2})分([ 0-9]{2})秒$'
  [[ "$(utf8 numdril.log)" =~ $re ]] || fail "$name: numdril.log: '$(utf8 numdril.log)'"
  [ "$(LC_ALL=C awk '{ print length($0) }' numdril.spd)" = 76 ] ||
    fail "$name: numdril.spd: $(utf8 numdril.spd)"
  re="^26/12/07 10:[0-9:]{5} Random Practice {19}  *$BEST $HMS_JA\$"
  [[ "$(utf8 numdril.spd)" =~ $re ]] || fail "$name: numdril.spd: '$(utf8 numdril.spd)'"
  for f in numdril.rec numdril.log numdril.spd; do
    ! grep -q $'\r' "$f" || fail "$name: $f has carriage returns"
  done
}

cd "$WORK" || fail "no folder $WORK"
session desktop --lang=en LANG=ja_JP.UTF-8 LANG=ja_JP.UTF-8
session option "" LANG=C.UTF-8 LANG=C ARGS=--lang=ja
echo "PASS"
