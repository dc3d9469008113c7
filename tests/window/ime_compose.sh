#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Typing through a real Japanese input method (fcitx5 with Mozc), as a user with it on does.
# In hiragana mode a digit is composed in the input method's own window, drawn just under
# what the user is looking at (the menu's prompt line, the asked-for key, the next
# character), and reaches numdril only when Enter commits it; a commit of several digits is
# taken as that many keys, one after the other. The input method and numdril run in a
# session of their own (lib/input-method-session.sh), on a display of their own, as the
# user the input method accepts (nobody when run as root).
# Exits 77 (skipped) where the input method's packages cannot be had, naming them.
#   ime_compose.sh PATH_TO_NUMDRIL
if [ -z "${IME_RUN:-}" ]; then
  exec bash "$(dirname "$0")/lib/input-method-session.sh" bash "$0" "$@"
fi
source "$(dirname "$0")/lib/common.bash" "$@"
source "$(dirname "$0")/lib/screens.bash"
cd "$WORK"

# numdril as the input method's user, copied where that user may run it, with the
# sanitizer settings (its environment is otherwise cleared).
copy_for_other_user "$NUMDRIL_BIN" "$IME_USER_DIR"
T0=$(date +%s)
"$IME_RUN" env "ASAN_OPTIONS=${ASAN_OPTIONS:-}" "UBSAN_OPTIONS=${UBSAN_OPTIONS:-}" \
  "LSAN_OPTIONS=${LSAN_OPTIONS:-}" "$OTHER_NUMDRIL" >"$WORK/stdout" 2>"$WORK/stderr" &
APP_PID=$!
WID=$(timeout 60 xdotool search --sync --onlyvisible --name '^NUMDRIL$' | head -n 1)
[ -n "$WID" ] || fail "no window titled NUMDRIL within 60 s"
T1=$(date +%s)
size=$(window_size)
SCREEN_W=${size%x*}
SCREEN_H=${size#*x}
read -r WIN_X WIN_Y < <(xwininfo -id "$WID" |
  awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {print x, $4}')
ROOT=$(xwininfo -root | awk '/Window id/ {print $4; exit}')
ROOT_W=$(xwininfo -root | awk '/^  Width:/ {print $2}')
ROOT_H=$(xwininfo -root | awk '/^  Height:/ {print $2}')
focus_window

# The input method's window, while it is shown: "X Y WIDTH HEIGHT" on the screen.
popup_at() {
  local id
  id=$(find_titled "Fcitx5 Input Window") || return 1
  xwininfo -id "$id" | awk '/Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
    /^  Width:/ {w = $2} /^  Height:/ {h = $2} /Map State: IsViewable/ {shown = 1}
    END {if (!shown) exit 1; print x, y, w, h}'
}
# The same once it has stopped changing: a window being shown may be caught before its
# move to the composition, or before a list of candidates grows it.
POPUP=""
popup_settled() {
  local now
  now=$(popup_at) || return 1
  [ "$now" = "$POPUP" ] && return 0
  POPUP=$now
  sleep 0.2
  return 1
}
popup_gone() { ! popup_at >/dev/null; }

# rows_differ A B X0 Y0 X1 Y1: whether two screenshots of the whole screen differ anywhere
# in that rectangle.
rows_differ() {
  local y header
  header=$(head -n 3 "$1" | wc -c)
  for ((y = $4; y < $6; y++)); do
    cmp -s -i $((header + (y * ROOT_W + $3) * 3)) -n $((($5 - $3) * 3)) "$1" "$2" || return 0
  done
  return 1
}

# compose WHAT KEYSYM... STEPS...: types the keys into a composition and checks that the
# input method draws it at the place numdril_render's replay of STEPS names (the
# composition rectangle), while numdril itself receives nothing.
compose() {
  local what=$1 keys=() left top right bottom x y w h
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do keys+=("$1"); shift; done
  shift
  read -r left top right bottom < <(replay_from "$T0" /dev/stdout "$@" print-spot)
  "$XWIN" shot "$ROOT" before.ppm || fail "no screenshot of the screen"
  send_keys "${keys[@]}"
  # The first key starts Mozc's converter, which loads its dictionaries first: on a busy
  # machine the first window has been seen to take longer than 10 s.
  poll 30 popup_at >/dev/null || fail "$what: no composition window after ${keys[*]}"
  POPUP=""
  poll 5 popup_settled || fail "$what: the composition window kept moving"
  read -r x y w h <<<"$POPUP"
  # Where an input method puts its window for that rectangle: just under it, or just above
  # it when the window would leave the screen below, shifted left so as not to leave it on
  # the right.
  local want_x=$((WIN_X + left)) want_y=$((WIN_Y + bottom))
  [ $((want_x + w)) -gt "$ROOT_W" ] && want_x=$((ROOT_W - w))
  [ $((want_y + h)) -gt "$ROOT_H" ] && want_y=$((WIN_Y + top - h))
  if ((x - want_x < -4 || x - want_x > 4 || y - want_y < -4 || y - want_y > 4)); then
    "$XWIN" shot "$ROOT" "compose-$what.ppm" && keep_shot "compose-$what.ppm"
    fail "$what: composition window ${w}x$h at ($((x - WIN_X)), $((y - WIN_Y))), not placed" \
      "for ($left, $top)-($right, $bottom) on a ${ROOT_W}x$ROOT_H screen"
  fi
  "$XWIN" shot "$ROOT" "compose-$what.ppm"
  keep_shot "compose-$what.ppm"
  rows_differ before.ppm "compose-$what.ppm" "$x" "$y" $((x + 16)) $((y + 16)) ||
    fail "$what: the composition drew nothing"
}

send_keys space                      # leaves the title, input method off
wait_screen_still || fail "the menu did not settle"
send_keys Zenkaku_Hankaku            # input method on: hiragana
compose menu 1 -- text:" "
screenshot menu.ppm
expect_no_ink menu.ppm 128 208 160 264 "$MAGENTA" "the menu while composing"
send_keys Return
poll 10 eval 'screenshot pos.ppm && [ "$(rgb pos.ppm 131 207)" = "$MAGENTA" ]' ||
  fail "the committed １ did not open position practice"
poll 10 popup_gone || fail "the composition window stayed after the commit"

compose position 5 -- text:" 1"
send_keys Escape                     # ends the composition; the drill gets nothing
poll 10 popup_gone || fail "Escape did not end the composition"
send_keys Escape Escape              # no composition: the drill and the menu take them
compose menu-again 2 -- text:" 1" esc esc
send_keys Return
poll 10 eval 'screenshot rand.ppm && [ "$(count rand.ppm 64 16 80 144 "$GREEN")" -gt 0 ]' ||
  fail "the committed ２ did not open random practice"
wait_screen_still || fail "random practice did not settle"
cp .still.ppm rand.ppm

# The practice text follows from the second the program started at: the one whose replay
# draws this very screen.
STEPS=(text:" 1" esc esc text:2)
found=""
for ((t = T0; t <= T1 && !found; t++)); do
  replay_from "$t" text.txt "${STEPS[@]}" ppm:"$REF/rand.ppm" print-text
  cmp -s rand.ppm "$REF/rand.ppm" && found=$t
done
[ -n "$found" ] || fail "no start second from $T0 to $T1 replays the random practice screen"
read -r TEXT <text.txt

# One composition of the first three characters, committed at once: three keys typed.
compose random "${TEXT:0:1}" "${TEXT:1:1}" "${TEXT:2:1}" -- "${STEPS[@]}"
send_keys Return
underlined() { [ "$(count "$1" 128 $((16 * $2)) 132 $((16 * $2 + 16)) "$BLUE")" -gt 0 ]; }
poll 10 eval 'screenshot typed.ppm && underlined typed.ppm 2' ||
  fail "committing ${TEXT:0:3} did not type three characters"
wait_screen_still || fail "the drill did not settle"
cp .still.ppm typed.ppm
keep_shot typed.ppm
underlined typed.ppm 3 && fail "committing ${TEXT:0:3} typed more than three characters"
expect_no_ink typed.ppm 80 424 96 560 "$MAROON" "an error count after the commit"

close_window
wait_exit
[ "$APP_STATUS" -eq 0 ] || fail "exit code $APP_STATUS after closing the window"
echo "PASS: composed digits are drawn where the user looks and count once committed"
