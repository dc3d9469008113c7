#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# numdril end to end in a real window: a scripted user types on the keyboard (keypad keys
# included) from the title through a whole position drill, the record screen and its key
# map, a random run typed to its end, a random run ended by the 60-second clock, and Exit;
# every screen is checked for its colours and places, and the three files line by line.
#   e2e_session.sh PATH_TO_NUMDRIL
#
# The clock is fixed and sped up tenfold (libfaketime), so the minute of the timed run
# passes in six real seconds. The position drill is played by reading the asked-for key
# off the keypad guide, as a user would. The random drill's digits are not read off the
# screen: the start-up second seeds the generator, and numdril_render replays the same
# keys from the same second to print the practice text. Which second start-up read is
# found by matching: the candidate whose replay draws exactly the window's random drill
# screen, pixel for pixel. Screens that do not depend on the time are compared whole
# with that replay, the others band by band around their time lines.
source "$(dirname "$0")/lib/common.bash" "$@"
source "$(dirname "$0")/lib/screens.bash"
cd "$WORK"

# key_then_shot NAME KEYSYM...: types keys, waits for the screen to change and settle,
# and takes the screenshot NAME.ppm.
key_then_shot() {
  local name=$1
  shift
  screenshot "$WORK/.before.ppm"
  send_keys "$@"
  wait_screen_change "$WORK/.before.ppm" || fail "the screen did not change after $*"
  wait_screen_still || fail "the screen did not settle after $*"
  cp "$WORK/.still.ppm" "$name.ppm"
  keep_shot "$name.ppm"
}

# The middle of the nail of the finger that presses each key, on the hand under the guide.
declare -A NAIL_Y=([0]=366 [7]=336 [4]=336 [1]=336 [8]=331 [5]=331 [2]=331 [9]=336 [6]=336
                   [3]=336 [enter]=358)
declare -A NAIL_X=([0]=176 [7]=232 [4]=232 [1]=232 [8]=280 [5]=280 [2]=280 [9]=328 [6]=328
                   [3]=328 [enter]=373)
# A guide key as the keypad's keysym, and as a numdril_render step. (xdotool turns Num Lock
# on to type a keypad digit; numlock_off.sh types the keypad with it off.)
keysym() { if [ "$1" = enter ]; then echo KP_Enter; else echo "KP_$1"; fi; }
render_step() { if [ "$1" = enter ]; then echo enter; else echo "text:$1"; fi; }

# ---- title and menu ---------------------------------------------------------------------
start_faked 10
focus_window
wait_screen_still || fail "the title never settled"
cp "$WORK/.still.ppm" title.ppm
keep_shot title.ppm
# A frame of purple discs on the enlarged grid, 25 across from x 56 and down to y 240.
for x in 64 160 448; do expect_rgb_e title.ppm 56 $x $PURPLE "title frame, top"; done
expect_rgb_e title.ppm 56 464 $WHITE "right of the title frame"
expect_rgb_e title.ppm 120 64 $PURPLE "title frame, left side"
expect_rgb_e title.ppm 120 448 $PURPLE "title frame, right side"
expect_rgb_e title.ppm 248 256 $PURPLE "title frame, bottom"
expect_ink_e title.ppm 88 96 104 400 $NAVY "title name"
expect_ink_e title.ppm 120 152 136 400 $TEAL "program name and version"
expect_ink_e title.ppm 150 152 166 400 $BROWN "Ten Key Practice line"
expect_ink_e title.ppm 272 304 288 504 $TEAL "Hit Any Key to Show Menu"

key_then_shot menu1 KP_0
# Header "●●●  Pell's Ten Key Trainer  ●●●" centred from x 168 on the normal grid.
for x in 176 192 208 432 448 464; do expect_rgb menu1.ppm 9 $x $PURPLE "menu header disc"; done
for y in 48 80 112 144; do
  expect_ink_e menu1.ppm $y 160 $((y + 16)) 300 $NAVY "menu item at y $y"
  expect_ink_e menu1.ppm $y 128 $((y + 16)) 144 $NAVY "menu number at y $y"
done
[ "$(count_e menu1.ppm 48 128 176 400 $GREEN)" -eq 0 ] ||
  fail "menu1: an item is marked before any was chosen"
expect_ink_e menu1.ppm 288 232 304 480 $TEAL "menu footer"

# ---- position drill: 60 correct presses read off the guide, one wrong press -------------
key_then_shot pos KP_1
expect_ink pos.ppm 33 273 81 321 $BLUE "asked-for key, large and blue"
for x in 160 176 464 480; do expect_rgb pos.ppm 9 $x $PURPLE "drill header disc"; done
for k in 4 5 6; do
  expect_rgb pos.ppm $((KEY_Y[$k] + 4)) ${KEY_X[$k]} $MAGENTA "home row key $k"
done
for k in 7 8 9 1 2 3 0 enter; do
  expect_rgb pos.ppm $((KEY_Y[$k] + 4)) ${KEY_X[$k]} $GREY "key cap $k"
done
expect_ink pos.ppm 16 1 32 260 $TEAL "Space prompt"
expect_ink pos.ppm 32 1 48 185 $TEAL "Escape prompt"
expect_rgb pos.ppm 392 170 $FINGER "the hand's thumb"
asked=$(asked_key pos.ppm)
[ -n "$asked" ] && [ "$asked" != "?" ] || fail "pos: not one key is marked as the answer"
for k in $GUIDE_KEYS; do
  # The nail of the finger that presses the asked-for key is black (keys of one finger
  # share its nail).
  nail=$NAIL
  [ "${NAIL_X[$k]}" = "${NAIL_X[$asked]}" ] && nail=$BLACK
  expect_rgb pos.ppm "${NAIL_Y[$k]}" "${NAIL_X[$k]}" "$nail" \
    "nail of the finger for $k (asked $asked)"
done

pressed=()     # the asked-for keys, in order, as the user saw them
WRONG_AT=25    # a wrong press before the 26th correct one
WRONG_KEY=""
ERRORS_INK=0   # the error count's ink: none until the wrong press
shot=pos.ppm
for ((i = 0; i < 60; i++)); do
  asked=$(asked_key "$shot")
  [ -n "$asked" ] && [ "$asked" != "?" ] ||
    fail "$(basename "$shot"): not one key is marked as the answer (press $i)"
  if [ "$i" -eq "$WRONG_AT" ]; then
    WRONG_ASKED=$asked
    WRONG_KEY=3
    [ "$asked" = 3 ] && WRONG_KEY=2
    send_keys "KP_$WRONG_KEY"
    poll 10 eval '[ "$(screenshot .p.ppm; label_colour .p.ppm '"$WRONG_KEY"')" = "$RED" ]' ||
      fail "a wrong press of $WRONG_KEY was not marked red on the guide"
    cp .p.ppm poswrong.ppm
    keep_shot poswrong.ppm
    ERRORS_INK=$(count poswrong.ppm 48 512 64 640 $MAROON)
    [ "$ERRORS_INK" -gt 0 ] || fail "poswrong: no error count"
    [ "$(asked_key poswrong.ppm)" = "$asked" ] || fail "a wrong press moved the answer mark"
  fi
  pressed+=("$asked")
  send_keys "$(keysym "$asked")"
  if [ "$i" -lt 59 ]; then
    # The next key is never the same one, so the mark moves.
    poll 10 asked_key_moved "$asked" &&
      [ "$n" != "?" ] ||
      fail "press $i of $asked did not bring the next key"
    cp .p.ppm .pos_now.ppm
    shot=.pos_now.ppm
    [ "$i" -ne "$WRONG_AT" ] ||
      [ "$(label_colour "$shot" "$WRONG_KEY")" != "$RED" ] ||
      fail "a correct press left the wrong key red"
    # The error count stays as it was: none, then the one wrong press.
    [ "$(count "$shot" 48 512 64 640 $MAROON)" -eq "$ERRORS_INK" ] ||
      fail "press $i of $asked changed the error count"
  fi
done
poll 10 eval 'screenshot .p.ppm && [ "$(count .p.ppm 352 192 368 400 $TEAL)" -gt 0 ]' ||
  fail "the 60th correct press did not end the drill"
wait_screen_still || fail "the drill result never settled"
cp "$WORK/.still.ppm" posdone.ppm
keep_shot posdone.ppm
expect_ink posdone.ppm 32 1 48 210 $NAVY "time taken"
expect_no_ink posdone.ppm 32 1 48 185 $TEAL "Escape prompt left after the drill"
expect_ink posdone.ppm 16 480 32 640 $GREEN "practice count"
expect_ink posdone.ppm 320 96 336 520 $GREEN "advice to hide the guide (one error)"
expect_ink posdone.ppm 368 192 384 460 $TEAL "back-to-menu prompt"
expect_rgb posdone.ppm 392 170 $WHITE "the hand after the drill"
[ -z "$(asked_key posdone.ppm)" ] || fail "posdone: a key is still marked as the answer"

# ---- menu, record screen, random drill --------------------------------------------------
key_then_shot menu2 Escape
expect_ink_e menu2.ppm 48 160 64 300 $GREEN "the chosen item, Position Practice"
[ "$(count_e menu2.ppm 48 128 68 300 $NAVY)" -eq 0 ] || fail "menu2: item 1 is still navy"
expect_ink_e menu2.ppm 80 160 96 300 $NAVY "Random Practice, not chosen"

key_then_shot record KP_3
expect_ink record.ppm 1 1 17 300 $GREEN "past practice time"
expect_ink record.ppm 1 344 17 600 $NAVY "Escape prompt"
expect_ink record.ppm 16 1 32 300 $GREEN "current elapsed time"
expect_ink record.ppm 48 1 64 600 $NAVY "column header"
expect_ink record.ppm 80 1 96 140 $BROWN "Position Practice row"
expect_ink record.ppm 80 433 96 600 $BROWN "position practice time"
expect_ink record.ppm 112 1 128 125 $BROWN "Random Practice row"
expect_no_ink record.ppm 112 265 128 350 $BROWN "best speed of a lesson without a record"

expect_ink record.ppm 32 344 48 600 $NAVY "the key map's hint"

# The key map, from the keypad's Enter: the keys of the drill just played tinted by their
# accuracy (green, but the one asked for at the wrong press), the others as on the guide,
# and a median time under each key asked; Escape brings the record screen back as it was.
key_then_shot keymap KP_Enter
expect_ink keymap.ppm 1 1 17 200 $GREEN "key map title"
expect_ink keymap.ppm 32 1 48 300 $BROWN "the span's runs"
ACCURATE=33cc33
for k in $GUIDE_KEYS; do
  tint=$(label_colour keymap.ppm "$k")
  if [ "$k" = "$WRONG_ASKED" ]; then
    [ "$tint" != "$ACCURATE" ] && [ "$tint" != "$GREY" ] && [ "$tint" != "$MAGENTA" ] ||
      fail "keymap: key $k, asked at the wrong press, is $tint"
  elif [[ " ${pressed[*]} " == *" $k "* ]]; then
    [ "$tint" = "$ACCURATE" ] || fail "keymap: key $k, always right, is $tint"
    expect_ink keymap.ppm $((KEY_Y[$k] + 48)) $((KEY_X[$k] - 4)) $((KEY_Y[$k] + 64)) \
      $((KEY_X[$k] + 36)) $BLACK "median time under key $k"
  else
    [ "$tint" = "$GREY" ] || [ "$tint" = "$MAGENTA" ] ||
      fail "keymap: key $k, never asked, is $tint"
  fi
done
key_then_shot record2 Escape
expect_same record2.ppm record.ppm "record screen after its key map" 0 16 32 400

key_then_shot menu3 Escape
key_then_shot rand KP_2

# Which second did start-up read? The replay from that second draws this very screen.
replay_steps() {  # the steps a replay plays, up to the random drill's first screen
  local i
  STEPS=(ppm:$REF/title.ppm text:0 ppm:$REF/menu1.ppm text:1 ppm:$REF/pos.ppm)
  for ((i = 0; i < 60; i++)); do
    [ "$i" -ne "$WRONG_AT" ] || STEPS+=(text:$WRONG_KEY ppm:$REF/poswrong.ppm)
    STEPS+=("$(render_step "${pressed[$i]}")")
  done
  STEPS+=(ppm:$REF/posdone.ppm esc ppm:$REF/menu2.ppm text:3 ppm:$REF/record.ppm
          esc ppm:$REF/menu3.ppm text:2 ppm:$REF/rand.ppm print-text)
}
replay_steps
find_start rand.ppm "$REF/rand.ppm" text1.txt "${STEPS[@]}"
mapfile -t TEXT1 <text1.txt
[ "${#TEXT1[@]}" -eq 3 ] || fail "a lesson without a record should give 3 lines, not ${#TEXT1[@]}"

expect_same title.ppm "$REF/title.ppm" "title"
expect_same menu1.ppm "$REF/menu1.ppm" "first menu"
expect_same pos.ppm "$REF/pos.ppm" "position drill"
expect_same poswrong.ppm "$REF/poswrong.ppm" "position drill after a wrong press"
expect_same posdone.ppm "$REF/posdone.ppm" "position drill result" 0 32 48 400
expect_same menu2.ppm "$REF/menu2.ppm" "menu after the position drill"
expect_same record.ppm "$REF/record.ppm" "record screen" 0 16 32 80 96 400
expect_same menu3.ppm "$REF/menu3.ppm" "menu after the record screen"

expect_ink rand.ppm 64 16 80 150 $GREEN "Time Limit 60sec"
expect_ink rand.ppm 32 80 48 360 $TEAL "typing hint"
expect_ink rand.ppm 368 192 384 380 $TEAL "cancel prompt"
for x in 168 184 456 472; do expect_rgb rand.ppm 9 $x $PURPLE "drill header disc"; done
for r in 0 1 2; do
  expect_ink rand.ppm $((112 + 20 * r)) 0 $((128 + 20 * r)) 576 $BLACK "text row $r"
done
expect_no_ink rand.ppm 172 0 188 576 $BLACK "a fourth text row"
expect_no_ink rand.ppm 48 184 64 620 $GREEN "best speed of a lesson without a record"

# ---- random run 1: the whole text, with one wrong key -----------------------------------
# Keysyms for the characters of a text: keypad digits, and the blanks typed alternately
# with Space and the keypad's Enter.
to_keysyms() {
  local text=$1 out=() c i blanks=0
  for ((i = 0; i < ${#text}; i++)); do
    c=${text:i:1}
    if [ "$c" = " " ]; then
      if ((blanks++ % 2)); then out+=(KP_Enter); else out+=(space); fi
    else
      out+=("KP_$c")
    fi
  done
  echo "${out[@]}"
}
# cell_box N: the virtual rectangle (y0 x0 y1 x1) of character N of the text on screen.
cell_box() {
  local r=$(($1 / 36)) c=$(($1 % 36))
  echo $((112 + 20 * r)) $((16 * c)) $((128 + 20 * r)) $((16 * c + 16))
}
# The blue underline of a typed character, just below its cell.
underlined() {
  local y0 x0 y1 x1
  read -r y0 x0 y1 x1 <<<"$(cell_box "$2")"
  [ "$(count "$1" "$y1" "$x0" $((y1 + 4)) "$x1" $BLUE)" -gt 0 ]
}

ALL1="${TEXT1[0]}${TEXT1[1]}${TEXT1[2]}"
read -ra KEYS1 <<<"$(to_keysyms "$ALL1")"
[ "${#KEYS1[@]}" -eq 108 ] || fail "the first text has ${#KEYS1[@]} characters, not 108"
WRONG1=40
xdotool key --delay 8 "${KEYS1[@]:0:WRONG1}" || fail "xdotool key"
wrong=KP_5
[ "${ALL1:WRONG1:1}" = 5 ] && wrong=KP_6
send_keys "$wrong"
read -r y0 x0 y1 x1 <<<"$(cell_box $WRONG1)"
poll 10 eval 'screenshot .p.ppm && [ "$(count .p.ppm '"$y0 $x0 $y1 $x1"' $RED)" -gt 0 ]' ||
  fail "a wrong key did not turn the expected character red"
cp .p.ppm randwrong.ppm
keep_shot randwrong.ppm
expect_ink randwrong.ppm 80 424 96 560 $MAROON "error count"
underlined randwrong.ppm 0 || fail "randwrong: the first character is not underlined"
underlined randwrong.ppm $((WRONG1 - 1)) ||
  fail "randwrong: the last typed character is not underlined"
! underlined randwrong.ppm $WRONG1 || fail "randwrong: the character in error is underlined"
xdotool key --delay 8 "${KEYS1[@]:WRONG1}" || fail "xdotool key"
poll 10 eval 'screenshot .p.ppm && [ "$(count .p.ppm 352 192 368 400 $TEAL)" -gt 0 ]' ||
  fail "typing the whole text did not end the run"
wait_screen_still || fail "the run's result never settled"
cp "$WORK/.still.ppm" rand1done.ppm
keep_shot rand1done.ppm
expect_ink rand1done.ppm 80 8 96 180 $NAVY "elapsed time"
expect_ink rand1done.ppm 80 184 96 420 $NAVY "typing speed"
expect_ink rand1done.ppm 16 248 32 400 $GREEN "practice count"
expect_no_ink rand1done.ppm 32 80 48 360 $TEAL "typing hint after the run"
expect_no_ink rand1done.ppm 320 128 336 540 $GREEN "congratulation for a first best speed"
for n in 0 35 36 107; do
  underlined rand1done.ppm $n || fail "rand1done: character $n not underlined"
done

# The run set the lesson's first best speed: one line in the speed history, at once,
# "YY/MM/DD HH:MM:SS %-34s %5.1lf %5dhour%2dmin%2dsec".
[ -f numdril.spd ] || fail "no speed history after a first best speed"
[ "$(wc -l <numdril.spd)" -eq 1 ] || fail "the speed history should hold one line"
SPD=$(cat numdril.spd)
re='^26/12/07 ([0-9]{2}):([0-9]{2}):([0-9]{2}) Random Practice {19} ( *([0-9]+\.[0-9])) '
re+='([ 0-9]{5})hour([ 0-9]{2})min([ 0-9]{2})sec$'
[[ "$SPD" =~ $re ]] || fail "numdril.spd line: '$SPD'"
SPD_HMS=("${BASH_REMATCH[@]:1:3}")
BEST=${BASH_REMATCH[5]}
RUN1_HMS=("${BASH_REMATCH[@]:6:3}")

# ---- random run 2: a few keys, then the 60-second clock ends it -------------------------
key_then_shot rand2 Tab
expect_ink rand2.ppm 48 184 64 420 $GREEN "best speed"
expect_ink rand2.ppm 48 424 64 520 $GREEN "best speed date"
expect_ink rand2.ppm 32 80 48 360 $TEAL "typing hint"
# The text is as long as the best speed asks: ceil((best + 36) / 36) lines, 3 to 10.
LINES2=$(awk -v b="$BEST" 'BEGIN { n = int((b + 36) / 36); if (n < (b + 36) / 36) n++;
  if (n > 10) n = 10; if (n < 3) n = 3; print n }')
expect_ink rand2.ppm $((112 + 20 * (LINES2 - 1))) 0 $((128 + 20 * (LINES2 - 1))) 576 $BLACK \
  "text row $LINES2 of $LINES2 (best speed $BEST)"
[ "$LINES2" -eq 10 ] ||
  expect_no_ink rand2.ppm $((112 + 20 * LINES2)) 0 $((128 + 20 * LINES2)) 576 $BLACK \
    "text row $((LINES2 + 1))"

# The replay goes on past the first run; its second text starts as the window's does
# (the generator's sequence does not depend on the best speed, only the length does).
STEPS+=(correct:$WRONG1 wrong ppm:$REF/randwrong.ppm correct:68 ppm:$REF/rand1done.ppm
        tab print-text correct:12 advance:60000 tick ppm:$REF/rand2done.ppm
        esc ppm:$REF/menu4.ppm)
replay_from "$START" texts.txt "${STEPS[@]}"
mapfile -t TEXTS <texts.txt
TEXT2=${TEXTS[3]}
expect_same randwrong.ppm "$REF/randwrong.ppm" "random drill with a wrong key" 0 80 96 400
expect_same rand1done.ppm "$REF/rand1done.ppm" "random run typed to the end" 0 80 96 400

# Main-row digits this time, and Return for the blanks.
keys2=()
for ((i = 0; i < 12; i++)); do
  c=${TEXT2:i:1}
  if [ "$c" = " " ]; then keys2+=(Return); else keys2+=("$c"); fi
done
send_keys "${keys2[@]}"
poll 30 eval 'screenshot .p.ppm && [ "$(count .p.ppm 352 192 368 400 $TEAL)" -gt 0 ]' ||
  fail "the 60-second clock did not end the second run"
wait_screen_still || fail "the timed-out run never settled"
cp "$WORK/.still.ppm" rand2done.ppm
keep_shot rand2done.ppm
# Elapsed "60sec", speed 12.0 a minute, practice count 2, the first row typed to its
# 12th character, and the after-run prompts without a congratulation: as the replay.
expect_same rand2done.ppm "$REF/rand2done.ppm" "random run ended by the clock" \
  0 48 64 132 320 400
underlined rand2done.ppm 11 || fail "rand2done: the 12th character is not underlined"
! underlined rand2done.ppm 12 || fail "rand2done: the 13th character is underlined"
[ "$(wc -l <numdril.spd)" -eq 1 ] || fail "a slower run added to the speed history"

key_then_shot menu4 Escape
expect_same menu4.ppm "$REF/menu4.ppm" "menu after the random drill"
expect_ink_e menu4.ppm 80 160 96 300 $GREEN "the chosen item, Random Practice"

# ---- Exit and the files -----------------------------------------------------------------
send_keys KP_4
wait_exit
[ "$APP_STATUS" -eq 0 ] || fail "exit code $APP_STATUS after Exit"

# Seconds of an hours, minutes and seconds triple, each maybe padded with blanks.
hms() { echo $((10#${1// /} * 3600 + 10#${2// /} * 60 + 10#${3// /})); }
# exact WHAT LINE FORMAT ARG...: fails unless LINE is the values printed with FORMAT, so
# that every field has its width and justification.
exact() {
  local what=$1 line=$2 want
  shift 2
  # shellcheck disable=SC2059
  printf -v want "$@"
  [ "$line" = "$want" ] || fail "$what: '$line', expected '$want'"
}
split() { echo $(($1 / 3600)) $(($1 / 60 % 60)) $(($1 % 60)); }
start_hms=$(TZ=UTC date -d "@$START" +%H:%M:%S)
before_hms=$(TZ=UTC date -d "@$((START - 1))" +%H:%M:%S)

# numdril.log: one line for the run, from its start.
[ "$(wc -l <numdril.log)" -eq 1 ] || fail "numdril.log should hold one line"
LOG=$(cat numdril.log)
re='^26/12/07 ([0-9:]{8}) Practice Time([ 0-9]{3})hour([ 0-9]{2})min([ 0-9]{2})sec$'
[[ "$LOG" =~ $re ]] || fail "numdril.log line: '$LOG'"
LOG_START=${BASH_REMATCH[1]}
RUN=$(hms "${BASH_REMATCH[@]:2:3}")
exact "numdril.log line" "$LOG" '26/12/07 %s Practice Time%3dhour%2dmin%2dsec' "$LOG_START" \
  $(split "$RUN")
# The start time is read a moment before the second that seeded the generator.
[ "$LOG_START" = "$start_hms" ] || [ "$LOG_START" = "$before_hms" ] ||
  fail "numdril.log starts at $LOG_START, the seed second was $start_hms"

# numdril.spd, read after the first run: one line, at the moment of the best speed, with
# the random practice seconds so far.
SPD_AT=$(hms ${SPD_HMS[@]})
RUN1=$(hms "${RUN1_HMS[@]}")
exact "numdril.spd line" "$SPD" '26/12/07 %s %-34s %5s %5dhour%2dmin%2dsec' \
  "${SPD_HMS[0]}:${SPD_HMS[1]}:${SPD_HMS[2]}" "Random Practice" "$BEST" $(split "$RUN1")
[ "$RUN1" -ge 1 ] && [ "$RUN1" -lt 60 ] || fail "numdril.spd: the first run took $RUN1 s"
START_AT=$(hms ${start_hms//:/ })
[ "$SPD_AT" -gt "$START_AT" ] && [ "$SPD_AT" -le $((START_AT + RUN)) ] ||
  fail "numdril.spd: a best speed at ${SPD:9:8}, outside the run"

# numdril.rec: three lines with fixed columns; the random item holds the best speed and
# both runs' seconds, the timed one exactly 60.
[ "$(wc -l <numdril.rec)" -eq 3 ] || fail "numdril.rec should hold three lines"
mapfile -t REC <numdril.rec
re='^Total_Practice_Time([ 0-9]{5})hour([ 0-9]{2})mi([ 0-9]{2})se$'
[[ "${REC[0]}" =~ $re ]] || fail "numdril.rec line 1: '${REC[0]}'"
TOTAL=$(hms "${BASH_REMATCH[@]:1:3}")
exact "numdril.rec line 1" "${REC[0]}" 'Total_Practice_Time%5dhour%2dmi%2dse' $(split "$TOTAL")
[ "$TOTAL" -ge "$RUN" ] && [ "$TOTAL" -le $((RUN + 1)) ] ||
  fail "numdril.rec total $TOTAL s, the log says the run took $RUN s"
re='^Position_Practice +([ 0-9]{5})hour([ 0-9]{2})mi([ 0-9]{2})se$'
[[ "${REC[1]}" =~ $re ]] || fail "numdril.rec line 2: '${REC[1]}'"
POSITION=$(hms "${BASH_REMATCH[@]:1:3}")
exact "numdril.rec line 2" "${REC[1]}" '%-34s%16s %5dhour%2dmi%2dse' Position_Practice "" \
  $(split "$POSITION")
[ "$POSITION" -ge 1 ] && [ $((POSITION + RUN1 + 60)) -le "$TOTAL" ] ||
  fail "numdril.rec: $POSITION s of position practice in a run of $TOTAL s"
exact "numdril.rec line 3" "${REC[2]}" '%-34s%7s %s %5dhour%2dmi%2dse' Random_Practice \
  "$BEST" 26/12/07 $(split $((RUN1 + 60)))
for f in numdril.rec numdril.log numdril.spd; do
  ! grep -q $'\r' "$f" || fail "$f has carriage returns"
done

echo "PASS"
