#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Typing with a Japanese input method on reaches the same screens as plain keys: the
# committed text (hiragana, full-width digits, katakana) arrives as code page 932 bytes and
# comes out of normalisation as the key on the same key top.
#   ぬ (the "1" key) leaves the title, １ chooses position practice, ア (the "3" key) the
#   record screen, ４ ends the program.
source "$(dirname "$0")/lib/common.bash" "$1"
source "$(dirname "$0")/lib/screens.bash"
need xmodmap x11-xserver-utils

# The characters get keys of their own for the whole test. xdotool type would bind each to
# a spare key only while typing it, and a program that reads the key after the binding is
# undone (on a busy machine) sees no character at all.
declare -A KEYSYM=([ぬ]=U306C [１]=UFF11 [ア]=U30A2 [４]=UFF14)
mapfile -t spare < <(xmodmap -pke | awk 'NF == 3 && $2 > 8 {print $2}' | head -n 4)
[ ${#spare[@]} -eq 4 ] || fail "no four spare key codes on the display"
unbind() { for code in "${spare[@]}"; do xmodmap -e "keycode $code =" 2>/dev/null; done; }
trap 'unbind; cleanup' EXIT
i=0
for char in "${!KEYSYM[@]}"; do
  xmodmap -e "keycode ${spare[i++]} = ${KEYSYM[$char]}" || fail "cannot bind $char to a key"
done

start_app
size=$(window_size)
SCREEN_W=${size%x*}
SCREEN_H=${size#*x}
focus_window

# A key bound to a keysym beyond Latin-1 now and then reaches the client as no text at all
# on a busy server (Xlib hands SDL neither text nor a key for it; a plain key never goes
# missing so). The test is about what the text does once it arrives: a key that brought
# nothing in 10 s is sent again, up to twice, and said so.
send_again_if() {
  local tries
  for tries in 1 2; do
    "$@" && return 0
    echo "note: ${KEYSYM[$char]} brought no text in 10 s; sent again" >&2
    send_keys "${KEYSYM[$char]}"
  done
  "$@"
}

# type_text CHAR: the character as an input method commits it, and waits for the screen to
# change.
type_text() {
  char=$1
  screenshot "$WORK/before.ppm" || fail "no screenshot"
  send_keys "${KEYSYM[$char]}"
  send_again_if wait_screen_change "$WORK/before.ppm" || fail "typing $char changed nothing"
  wait_screen_still || fail "the screen did not settle after $char"
}

type_text "ぬ"
screenshot "$WORK/menu.ppm"
# The menu: its header on the normal grid, its items navy on the enlarged grid.
expect_ink "$WORK/menu.ppm" 1 168 17 472 "$PURPLE" "menu header"
expect_ink_e "$WORK/menu.ppm" 48 160 64 296 "$NAVY" "menu item 1"

type_text "１"
screenshot "$WORK/position.ppm"
# The position drill: the keypad's home row is magenta, the asked-for key blue.
expect_rgb "$WORK/position.ppm" 131 207 "$MAGENTA" "home row key 4"
expect_ink "$WORK/position.ppm" 33 273 81 369 "$BLUE" "asked-for key"

send_keys Escape Escape
wait_screen_still || fail "the menu did not settle"
screenshot "$WORK/menu2.ppm"
# Position practice was chosen last: it is green now.
expect_ink_e "$WORK/menu2.ppm" 48 160 64 296 "$GREEN" "menu item 1 marked"

type_text "ア"
screenshot "$WORK/record.ppm"
expect_ink "$WORK/record.ppm" 1 1 17 160 "$GREEN" "record screen's earlier use time"
expect_ink "$WORK/record.ppm" 80 1 96 140 "$BROWN" "record screen's position row"

send_keys Escape
wait_screen_still || fail "the menu did not settle"
char=４
send_keys "${KEYSYM[$char]}"
send_again_if poll 10 app_ended || fail "numdril did not end"
wait_exit 30
[ "$APP_STATUS" -eq 0 ] || fail "exit code $APP_STATUS after ４ on the menu"
[ -s "$WORK/numdril.rec" ] || fail "no numdril.rec after ４ on the menu"
echo "PASS: input-method text reaches the same screens as plain keys"
