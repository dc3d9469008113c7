# SPDX-License-Identifier: MIT
# Reading numdril's screens from window screenshots (binary PPM, as the X helper and
# numdril_render's ppm: step write them), for the end-to-end tests: pixels at the program's
# own virtual coordinates, colour counts in a rectangle, bands compared with the headless
# twin, and starting numdril on a fixed, faster clock. Sourced after common.bash.

RENDER_BIN=$(dirname "$NUMDRIL_BIN")/numdril_render
[ -x "$RENDER_BIN" ] || fail "numdril_render not found beside $NUMDRIL_BIN"

# 2026-12-07 10:00:00 UTC: the moment every faked run starts from.
CLOCK_EPOCH=1796637600

# The screens' colours, as rrggbb.
BLACK=000000 WHITE=ffffff PURPLE=802080 TEAL=008080 GREEN=008000 NAVY=000080
BROWN=802000 MAROON=800000 BLUE=0000ff RED=ff0000 MAGENTA=ff00ff GREY=7f7f7f
FINGER=ffbf3f NAIL=ffffbf

# Replays by numdril_render write their screens and files here.
REF=$WORK/ref
mkdir -p "$REF"

# start_faked RATE: starts numdril like start_app, but on a clock that starts at
# CLOCK_EPOCH and runs RATE times as fast as the real one (libfaketime), in UTC.
start_faked() { start_preloaded "FAKETIME=@2026-12-07 10:00:00 x$1"; }

# start_preloaded NAME=VALUE...: starts numdril like start_app with libfaketime loaded and
# set up by the settings given, in UTC.
start_preloaded() {
  local preload
  preload=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n 1)
  [ -n "$preload" ] ||
    skip "libfaketime is not installed (package faketime; scripts/setup.sh installs it)"
  local real=$NUMDRIL_BIN asan setting
  # A sanitizer build wants its runtime loaded before any other library.
  asan=$(ldd "$real" | awk '/libasan/ {print $3}')
  [ -z "$asan" ] || preload="$asan $preload"
  # The virtual display has no session bus, and SDL would have dbus-launch start one: a
  # process that inherits the preloads, where a sanitizer's runtime and libfaketime
  # deadlock. A bus that is not there is asked for nothing.
  local bus=${DBUS_SESSION_BUS_ADDRESS:-unix:path=$WORK/.no-session-bus}
  NUMDRIL_BIN="$WORK/.numdril-faked"
  {
    echo '#!/bin/bash'
    for setting in TZ=UTC "LD_PRELOAD=$preload" "DBUS_SESSION_BUS_ADDRESS=$bus" "$@"; do
      printf 'export %q\n' "$setting"
    done
    printf 'exec %q "$@"\n' "$real"
  } >"$NUMDRIL_BIN"
  chmod +x "$NUMDRIL_BIN"
  start_app
  NUMDRIL_BIN=$real
  local size
  size=$(window_size)
  SCREEN_W=${size%x*}
  SCREEN_H=${size#*x}
}

# Header length of the PPM files: "P6\nW H\n255\n".
ppm_offset() { echo $((3 + ${#SCREEN_W} + 1 + ${#SCREEN_H} + 1 + 4)); }

# Virtual coordinates to pixels, for the 640 x 400 grid and the enlarged 512 x 320 one.
px() { echo $(($1 * (SCREEN_W - 2) / 640 + 1)); }
py() { echo $(($1 * (SCREEN_H - 2) / 400 + 1)); }
pxe() { echo $(($1 * (SCREEN_W - 2) / 512 + 1)); }
pye() { echo $(($1 * (SCREEN_H - 2) / 320 + 1)); }

# pixel FILE X Y: the pixel's colour as rrggbb.
pixel() {
  od -An -v -tx1 -j $(($(ppm_offset) + ($3 * SCREEN_W + $2) * 3)) -N3 "$1" | tr -d ' \n'
}
# rgb FILE VY VX: the colour at a virtual position; rgb_e for the enlarged grid.
rgb() { pixel "$1" "$(px "$3")" "$(py "$2")"; }
rgb_e() { pixel "$1" "$(pxe "$3")" "$(pye "$2")"; }

# count_px FILE X0 Y0 X1 Y1 RRGGBB: pixels of that colour in [X0, X1) x [Y0, Y1).
count_px() {
  local rows=$(($5 - $3))
  [ "$rows" -gt 0 ] || { echo 0; return; }
  od -An -v -tx1 -w3 -j $(($(ppm_offset) + $3 * SCREEN_W * 3)) -N $((rows * SCREEN_W * 3)) \
    "$1" | awk -v w="$SCREEN_W" -v x0="$2" -v x1="$4" -v want="$6" \
    '{ x = (NR - 1) % w; if (x >= x0 && x < x1 && $1 $2 $3 == want) n++ } END { print n + 0 }'
}
# count FILE VY0 VX0 VY1 VX1 RRGGBB: the same for a virtual rectangle; count_e enlarged.
count() { count_px "$1" "$(px "$3")" "$(py "$2")" "$(px "$5")" "$(py "$4")" "$6"; }
count_e() { count_px "$1" "$(pxe "$3")" "$(pye "$2")" "$(pxe "$5")" "$(pye "$4")" "$6"; }

# expect_rgb FILE VY VX RRGGBB WHAT / expect_rgb_e: fails unless the pixel has that colour.
expect_rgb() {
  local got
  got=$(rgb "$1" "$2" "$3")
  [ "$got" = "$4" ] || fail "$(basename "$1"): $5: ($2, $3) is $got, not $4"
}
expect_rgb_e() {
  local got
  got=$(rgb_e "$1" "$2" "$3")
  [ "$got" = "$4" ] || fail "$(basename "$1"): $5: ($2, $3) is $got, not $4"
}
# expect_ink FILE VY0 VX0 VY1 VX1 RRGGBB WHAT: fails unless the colour is in the rectangle;
# expect_no_ink: fails if it is; expect_ink_e for the enlarged grid.
expect_ink() {
  [ "$(count "$1" "$2" "$3" "$4" "$5" "$6")" -gt 0 ] ||
    fail "$(basename "$1"): $7: no $6 in ($2, $3)-($4, $5)"
}
expect_no_ink() {
  local n
  n=$(count "$1" "$2" "$3" "$4" "$5" "$6")
  [ "$n" -eq 0 ] || fail "$(basename "$1"): $7: $n pixels of $6 in ($2, $3)-($4, $5)"
}
expect_ink_e() {
  [ "$(count_e "$1" "$2" "$3" "$4" "$5" "$6")" -gt 0 ] ||
    fail "$(basename "$1"): $7: no $6 in ($2, $3)-($4, $5) of the enlarged grid"
}

# same_rows A B VY0 VY1: whether two screenshots agree on every pixel of the rows from
# virtual y VY0 up to VY1 (normal grid), across the whole width.
same_rows() {
  local y0 y1
  y0=$(py "$3")
  y1=$(py "$4")
  [ "$4" -lt 400 ] || y1=$SCREEN_H
  cmp -s -i $(($(ppm_offset) + y0 * SCREEN_W * 3)) -n $(((y1 - y0) * SCREEN_W * 3)) "$1" "$2"
}
# expect_same A B WHAT [VY0 VY1]...: fails unless the screenshots agree on the bands given
# (the whole screen when none is).
expect_same() {
  local a=$1 b=$2 what=$3
  shift 3
  if [ $# -eq 0 ]; then
    cmp -s "$a" "$b" || fail "$what: the window differs from the headless rendering"
    return
  fi
  while [ $# -ge 2 ]; do
    same_rows "$a" "$b" "$1" "$2" ||
      fail "$what: rows $1 to $2 differ from the headless rendering"
    shift 2
  done
}

# replay_from EPOCH OUT STEP...: plays the steps in numdril_render from that start second,
# at the window's size, in $REF; what it prints goes to OUT.
replay_from() {
  local start=$1 out=$2
  shift 2
  "$RENDER_BIN" --dir "$REF" --size "${SCREEN_W}x$SCREEN_H" --clock "$start" "$@" \
    >"$out" 2>"$REF/stderr" || fail "numdril_render: $(cat "$REF/stderr")"
}
# find_start SHOT REFSHOT OUT STEP...: which second did start-up read, and so seed the
# generator with? The one, from CLOCK_EPOCH on, whose replay of the steps draws REFSHOT
# exactly as the window drew SHOT. Sets START; OUT gets that replay's output.
find_start() {
  local shot=$1 refshot=$2 out=$3 k
  shift 3
  for ((k = 0; k < 10; k++)); do
    replay_from $((CLOCK_EPOCH + k)) "$out" "$@"
    if cmp -s "$shot" "$refshot"; then
      START=$((CLOCK_EPOCH + k))
      return
    fi
  done
  fail "$(basename "$shot"): no start second from 10:00:00 to 10:00:09 replays this screen"
}

# ---- the keypad guide of the position drill ---------------------------------------------
# Key origins (virtual y, x): row r, column k at (64 r, 56 k + 152).
declare -A KEY_Y=([7]=64 [8]=64 [9]=64 [4]=128 [5]=128 [6]=128 [1]=192 [2]=192 [3]=192
                  [0]=256 [enter]=256)
declare -A KEY_X=([7]=208 [8]=264 [9]=320 [4]=208 [5]=264 [6]=320 [1]=208 [2]=264 [3]=320
                  [0]=208 [enter]=376)
GUIDE_KEYS="7 8 9 4 5 6 1 2 3 0 enter"
# The colour of a key's label area: black marks the answer, red the last wrong key.
label_colour() { rgb "$1" $((KEY_Y[$2] + 24)) $((KEY_X[$2] + 2)); }
# The key marked as the answer: nothing when none is, "?" when more than one is.
asked_key() {
  local k found=""
  for k in $GUIDE_KEYS; do
    if [ "$(label_colour "$1" "$k")" = "$BLACK" ]; then
      if [ -n "$found" ]; then found="?"; else found=$k; fi
    fi
  done
  echo "$found"
}
# Takes a screenshot as .p.ppm and succeeds when one key other than $1 is marked as the
# answer; that key is left in $n (it may be "?": more than one).
asked_key_moved() {
  screenshot .p.ppm && n=$(asked_key .p.ppm) && [ -n "$n" ] && [ "$n" != "$1" ]
}

# Keeps a screenshot under $NUMDRIL_SHOTS (when set) for a person to look at.
keep_shot() {
  if [ -n "${NUMDRIL_SHOTS:-}" ]; then
    mkdir -p "$NUMDRIL_SHOTS" && cp "$1" "$NUMDRIL_SHOTS/"
  fi
}
