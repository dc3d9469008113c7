#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Measures numdril in a real window on a private Xvfb beside the bare-X floor (xev) and,
# when they are installed, the typing trainers users would pick instead (tipp10, klavaro),
# in one pass: start to mapped window, to first frame drawn, a resize to the repainted
# frame, idle memory, and key to changed cell. The programs take turns round by round,
# so that the machine's load falls on all of them alike; every figure is the median over
# the rounds, printed with its ratio to the floor and to each peer. A benchmark, not a
# test: absolute times belong to the machine and its load, ratios of one pass compare.
#
#   bench/measure-window.sh > figures.md          # about 15 minutes with the peers
#   RUNS=21 BEFORE=HEAD~3 bench/measure-window.sh # and an earlier numdril, same pass
#
# The peers: bench/peers.sh install (as root, with apt-get; once). Without them the tables
# hold numdril and the floor only. Their homes are made once, in BUILD_DIR/peers.
# Timing is bench/xprobe.c's (built into a temporary folder): X events, not screenshots.
# Environment (defaults in brackets):
#   BUILD_DIR   build folder [build-bench], configured RelWithDebInfo if new
#   RUNS [11]   rounds per screen (each starts every program once)
#   SCREENS     Xvfb screens, one pass each ["1280x1024x24 3840x2160x24"]
#   IDLE_S [2]  seconds idle before memory is read
#   N [40]      keys per program for key to changed cell (on the first screen only: the
#               peers' key setup assumes tipp10's window at its own place on a 1280 x 1024
#               screen); 0 skips it
#   BEFORE      a git revision of numdril to build (in a temporary folder) and measure too
#   PEERS [1]   0: leave the peers out even when installed
#   SESSION_BUS [1]  1: the programs share a session bus started for the pass, as in a
#               desktop session; 0: none, as on a bare X server, where a program that
#               wants one starts its own through dbus-launch (tipp10 and klavaro do)
# Needs (Debian): xvfb x11-utils faketime gcc libx11-dev libxdamage-dev libxtst-dev
# libxfixes-dev dbus-daemon sqlite3 (scripts/setup.sh installs them). Check /proc/loadavg
# first: other work on the machine makes every figure slower, and the ratios noisier.
# Output: progress on stderr; on stdout the tables (Markdown) and every sample.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
RUNS=${RUNS:-11} N=${N:-40} IDLE_S=${IDLE_S:-2} PEERS=${PEERS:-1} BEFORE=${BEFORE:-}
SESSION_BUS=${SESSION_BUS:-1}
SCREENS=${SCREENS:-"1280x1024x24 3840x2160x24"}
QUIET_MS=500
build=${BUILD_DIR:-build-bench}
case $build in /*) ;; *) build=$root/$build ;; esac

tmp=$(mktemp -d "${TMPDIR:-/tmp}/measure-window.XXXXXX")
APP_PID= BUS_PID= XVFB_PID=
cleanup() {
  [ -n "$APP_PID" ] && stop_session "$APP_PID"
  stop_xvfb
  [ -n "$BUS_PID" ] && kill "$BUS_PID" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# start_xvfb SCREEN: a private Xvfb on a display it picks itself; sets DISPLAY.
start_xvfb() {
  : >"$tmp/display"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$tmp/display" >/dev/null 2>&1 &
  XVFB_PID=$!
  for _ in $(seq 400); do grep -q . "$tmp/display" && break; sleep 0.05; done
  grep -q . "$tmp/display" || { echo "Xvfb did not start" >&2; exit 1; }
  export DISPLAY=:$(head -n 1 "$tmp/display")
}
stop_xvfb() {
  [ -n "$XVFB_PID" ] || return 0
  kill "$XVFB_PID" 2>/dev/null
  wait "$XVFB_PID" 2>/dev/null
  XVFB_PID=
}
# The probe starts each program in a session of its own: its processes are that session.
session_pids() { ps -e -o pid= -o sid= | awk -v s="$1" '$2 == s {print $1}'; }
# stop_session PID: SIGTERM to the program's process group, SIGKILL after 3 s.
stop_session() {
  kill -TERM -- "-$1" 2>/dev/null || kill -TERM "$1" 2>/dev/null
  for _ in $(seq 30); do
    [ -n "$(session_pids "$1")" ] || return 0
    sleep 0.1
  done
  kill -KILL -- "-$1" 2>/dev/null
  sleep 0.2
}
# mem_kib PID: "rss_kib=.. pss_kib=.. uss_kib=.." of the program's session, summed.
mem_kib() {
  local p
  for p in $(session_pids "$1"); do cat "/proc/$p/smaps_rollup" 2>/dev/null; done |
    awk '/^Rss:/ {r += $2} /^Pss:/ {p += $2} /^Private_(Clean|Dirty):/ {u += $2}
      END {printf "rss_kib=%d pss_kib=%d uss_kib=%d\n", r, p, u}'
}
# field KEY LINE: the value of KEY=value in a line of them ("" when absent).
field() { tr ' ' '\n' <<<"$2" | sed -n "s/^$1=//p" | head -n 1; }
# stats: numbers on stdin, one a line ("-1" and blanks left out) -> "n=.. median=.."
stats() {
  sort -g | awk '$1 != "" && $1 != -1 {v[n++] = $1}
    END { if (n == 0) { print "n=0 median=NA"; exit }
          printf "n=%d median=%.1f\n", n, n % 2 ? v[(n - 1) / 2] : (v[n / 2 - 1] + v[n / 2]) / 2 }'
}

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" --target numdril numdril_render >/dev/null
numdril=$build/numdril
export XPROBE=$tmp/xprobe
gcc -O2 -Wall -o "$XPROBE" "$root/bench/xprobe.c" -lX11 -lXdamage -lXfixes -lXtst

# No bus but the pass's own: neither an inherited address nor the user's bus socket.
unset DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR
if [ "$SESSION_BUS" = 1 ]; then
  command -v dbus-daemon >/dev/null || { echo "SESSION_BUS=1 needs dbus-daemon" >&2; exit 2; }
  { read -r DBUS_SESSION_BUS_ADDRESS && read -r BUS_PID; } < <(dbus-daemon --session --fork \
    --address="unix:dir=$tmp" --print-address=1 --print-pid=1)
  export DBUS_SESSION_BUS_ADDRESS
fi

# The programs, in the order of the tables: name, command, window title.
names=() cmds=() titles=()
add() { names+=("$1"); cmds+=("$2"); titles+=("$3"); }
# numdril keeps its files in the directory it starts in: each its own.
mkdir -p "$tmp/run/now"
add numdril "env -C '$tmp/run/now' '$numdril'" '^NUMDRIL$'
if [ -n "$BEFORE" ]; then
  echo "== building numdril $BEFORE" >&2
  mkdir -p "$tmp/before/src" "$tmp/run/before"
  git -C "$root" archive "$BEFORE" | tar -x -C "$tmp/before/src"
  cmake -S "$tmp/before/src" -B "$tmp/before/build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$tmp/before/build" --target numdril >/dev/null
  add "numdril $BEFORE" "env -C '$tmp/run/before' '$tmp/before/build/numdril'" '^NUMDRIL$'
fi
add "X floor (xev)" xev '^Event Tester$'
have_tipp10=0 have_klavaro=0
if [ "$PEERS" = 1 ]; then
  command -v tipp10 >/dev/null && have_tipp10=1
  command -v klavaro >/dev/null && have_klavaro=1
  [ $((have_tipp10 + have_klavaro)) -eq 2 ] ||
    echo "== a peer is not installed: bench/peers.sh install (as root) adds it" >&2
  if [ $((have_tipp10 + have_klavaro)) -gt 0 ]; then
    # Made once and kept; each pass starts from a copy, as the peers write to their homes.
    bash "$root/bench/peers.sh" homes "$build/peers" >/dev/null
    cp -a "$build/peers" "$tmp/peers"
    eval "$(bash "$root/bench/peers.sh" homes "$tmp/peers")"
    [ $have_tipp10 = 1 ] && add tipp10 "env HOME='$TIPP10_HOME' tipp10" "$TIPP10_TITLE"
    [ $have_klavaro = 1 ] && add klavaro "env HOME='$KLAVARO_HOME' klavaro" "$KLAVARO_TITLE"
  fi
fi

# numdril's window on a screen: three quarters of it in the shape 8:5 (ChooseWindowSize).
window_size() {  # SCREEN -> "W H"
  local sw=${1%%x*} rest=${1#*x} sh ww wh
  sh=${rest%%x*}
  ww=$((sw * 3 / 4)) wh=$((sh * 3 / 4))
  if [ $((ww * 5)) -gt $((wh * 8)) ]; then ww=$((wh * 8 / 5)); else wh=$((ww * 5 / 8)); fi
  echo "$ww $wh"
}
# The size every program is resized to: three quarters of the screen's width, five
# sixths of its height (2880 x 1800 on a 3840 x 2160 screen).
resize_size() {  # SCREEN -> "WxH"
  local sw=${1%%x*} rest=${1#*x}
  echo "$((sw * 3 / 4))x$((${rest%%x*} * 5 / 6))"
}

data=$tmp/data  # "SCREEN PROGRAM-INDEX KEY VALUE" per sample
: >"$data"
record() { echo "$1 $2 $3 $4" >>"$data"; }

one_run() {  # SCREEN INDEX ROUND
  local screen=$1 i=$2 out pid mem rs
  out=$("$XPROBE" start -t 60 -q "$QUIET_MS" -s 5000 "${titles[i]}" -- \
    bash -c "exec ${cmds[i]}" 2>&1) || true
  pid=$(field pid "$out")
  [ -n "$pid" ] && APP_PID=$pid
  if [ -z "$(field map_ms "$out")" ]; then
    echo "round $3 ${names[i]} failed: $out" >&2
    [ -n "$pid" ] && stop_session "$pid"
    APP_PID=
    return 0
  fi
  sleep "$IDLE_S"
  mem=$(mem_kib "$pid")
  rs=$("$XPROBE" resize -n 1 -q "$QUIET_MS" "${titles[i]}" "$(resize_size "$screen")" 2>&1 |
    tail -n 1) || true
  stop_session "$pid"
  APP_PID=
  echo "round $3 ${names[i]}: $out $mem $rs" >&2
  local k v
  for k in map_ms settle_ms; do record "$screen" "$i" "$k" "$(field "$k" "$out")"; done
  for k in rss_kib pss_kib uss_kib; do record "$screen" "$i" "$k" "$(field "$k" "$mem")"; done
  v=$(field resize_ms "$rs")
  record "$screen" "$i" resize_ms "${v:--1}"
}

for screen in $SCREENS; do
  start_xvfb "$screen"
  echo "== $screen ($RUNS rounds; load $(cut -d' ' -f1-3 /proc/loadavg))" >&2
  for ((r = 1; r <= RUNS + 1; r++)); do
    # Each round starts with another program; the first round only warms up.
    for ((j = 0; j < ${#names[@]}; j++)); do
      i=$(((j + r) % ${#names[@]}))
      if [ "$r" -eq 1 ]; then
        out=$("$XPROBE" start -t 60 -q "$QUIET_MS" "${titles[i]}" -- \
          bash -c "exec ${cmds[i]}" 2>&1) || true
        [ -n "$(field pid "$out")" ] && stop_session "$(field pid "$out")"
      else
        one_run "$screen" "$i" "$r"
      fi
    done
  done
  stop_xvfb
done

# median SCREEN INDEX KEY -> the median, or NA
median() {
  awk -v s="$1" -v i="$2" -v k="$3" '$1 == s && $2 == i && $3 == k {print $4}' "$data" |
    stats | sed -n 's/.* median=\([^ ]*\).*/\1/p'
}
ratio() {
  awk -v a="$1" -v b="$2" \
    'BEGIN { if (a == "NA" || b == "NA" || b <= 0) print "-"; else printf "%.2f", a / b }'
}
mib() { awk -v v="$1" 'BEGIN { if (v == "NA") print "NA"; else printf "%.1f", v / 1024 }'; }
index_of() {
  local j
  for j in "${!names[@]}"; do [ "${names[j]}" = "$1" ] && { echo "$j"; return; }; done
  echo -1
}
floor=$(index_of "X floor (xev)")
peers=()
for p in tipp10 klavaro; do [ "$(index_of "$p")" -ge 0 ] && peers+=("$(index_of "$p")"); done

# One table per screen and subject (numdril, and the earlier numdril if any): the
# subject's ratios to the floor and to each peer first, then every program's median.
table() {  # SCREEN SUBJECT-INDEX
  local screen=$1 s=$2 w h head line k label p j v m unit
  read -r w h < <(window_size "$screen")
  echo
  echo "${names[s]}, ${screen%x*} screen (its window ${w} x ${h}); medians of $RUNS rounds:"
  echo
  head="| | ${names[s]} / X floor"
  for p in "${peers[@]}"; do head+=" | ${names[s]} / ${names[p]}"; done
  for j in "${!names[@]}"; do
    [ "$j" = "$s" ] || [ "$j" = "$floor" ] || [[ " ${peers[*]} " == *" $j "* ]] &&
      head+=" | ${names[j]}"
  done
  echo "$head |"
  echo "$head" | awk -F'|' '{ s = "|"; for (c = 2; c <= NF; c++) s = s "---|"; print s }'
  for k in map_ms settle_ms resize_ms rss_kib pss_kib uss_kib; do
    case $k in
      map_ms) label="start to mapped window" unit=ms ;;
      settle_ms) label="first frame drawn" unit=ms ;;
      resize_ms) label="resize to $(resize_size "$screen" | sed 's/x/ x /'), repainted" unit=ms ;;
      rss_kib) label="memory idle, RSS" unit=MiB ;;
      pss_kib) label="memory idle, PSS" unit=MiB ;;
      uss_kib) label="memory idle, USS" unit=MiB ;;
    esac
    m=$(median "$screen" "$s" "$k")
    line="| $label | $(ratio "$m" "$(median "$screen" "$floor" "$k")")"
    for p in "${peers[@]}"; do line+=" | $(ratio "$m" "$(median "$screen" "$p" "$k")")"; done
    for j in "${!names[@]}"; do
      [ "$j" = "$s" ] || [ "$j" = "$floor" ] || [[ " ${peers[*]} " == *" $j "* ]] || continue
      v=$(median "$screen" "$j" "$k")
      [ "$unit" = MiB ] && v=$(mib "$v")
      line+=" | $v $unit"
    done
    echo "$line |"
  done
}

# Key to changed cell: one session of N keys per program, on the first screen.
keys_out=()
# keylat NAME SCREEN CMD REGEX REGION SETUP KEYSYM...: starts the program on a screen of its
# own, lets it settle, runs SETUP (to get to where it is typed into), and times the keys.
keylat() {
  local name=$1 screen=$2 cmd=$3 regex=$4 region=$5 setup=$6 out pid
  shift 6
  echo "== key to screen: $name ($N keys)" >&2
  start_xvfb "$screen"
  out=$("$XPROBE" start -t 60 -q 300 -s 2000 "$regex" -- bash -c "exec $cmd" 2>&1) || true
  pid=$(field pid "$out")
  APP_PID=$pid
  if [ -n "$(field map_ms "$out")" ]; then
    sleep 2
    [ -z "$setup" ] || { bash -c "$setup" && sleep 2; }
    out=$("$XPROBE" keys -n "$N" -q 150 -r "$region" "$regex" "$@" 2>/dev/null |
      grep '^summary') || true
  fi
  [ -n "$pid" ] && stop_session "$pid"
  APP_PID=
  stop_xvfb
  echo "$out" >&2
  local responded="$(field responded "$out") of $(field keys "$out")"
  keys_out+=("$name|$(field median_ms "$out")|$(field p90_ms "$out")|$responded")
}
key_screen=${SCREENS%% *}
if [ "$N" -gt 0 ]; then
  # The random drill's text follows from the second the program starts in; on a clock
  # that starts at a known second the headless renderer prints the same text, and every
  # key sent is the one the drill expects (digits, and keypad Enter for each blank).
  epoch=1796637600  # 2026-12-07 10:00:00 UTC
  mkdir "$tmp/ref"
  mapfile -t drill < <(TZ=UTC "$build/numdril_render" --dir "$tmp/ref" --clock "$epoch" \
    text:0 text:2 print-text 2>/dev/null | head -n 2)
  keysyms=()
  for line in "${drill[@]}"; do
    line=${line% }
    for ((c = 0; c < ${#line}; c++)); do
      ch=${line:c:1}
      if [ "$ch" = " " ]; then keysyms+=(KP_Enter); else keysyms+=("KP_$ch"); fi
    done
    keysyms+=(KP_Enter)
  done
  faketime=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n1)
  [ -n "$faketime" ] || { echo "libfaketime not installed (package faketime)" >&2; exit 2; }
  # Only the wall clock is set back; timers and SDL's ticks run on the real monotonic clock.
  fixed="env TZ=UTC LD_PRELOAD=$faketime FAKETIME_DONT_FAKE_MONOTONIC=1"
  fixed+=" FAKETIME='@2026-12-07 10:00:00'"
  read -r w h < <(window_size "$key_screen")
  # The first two rows of the practice text, full width; the clock and counters above are out.
  keylat numdril "$key_screen" "$fixed env -C '$tmp/run/now' $numdril" '^NUMDRIL$' \
    "0,$((h * 160 / 600)),$w,$((h * 100 / 600))" "'$XPROBE' send '^NUMDRIL\$' space 2" \
    "${keysyms[@]}"
  keylat "X floor (bare Xlib window)" "$key_screen" "'$XPROBE' floor FLOOR" '^FLOOR$' \
    0,0,240,90 '' a
  if [ $have_tipp10 = 1 ] && [ "$PEERS" = 1 ]; then
    # shellcheck disable=SC2086
    keylat tipp10 1280x1024x24 "env HOME='$TIPP10_KEYS_HOME' tipp10" "$TIPP10_TITLE" \
      "$TIPP10_KEYS_REGION" "$TIPP10_KEYS_SETUP" $TIPP10_KEYS
  fi
  # fontconfig rebuilds its caches when the clock it runs on jumps about; let a run on
  # the real clock put them back for whatever runs next.
  fc-list >/dev/null 2>&1 || true
fi

echo "# numdril beside the X floor and its peers, $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
cpu=$(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -n 1)
echo "Machine: $(nproc) CPUs, $cpu, $(uname -r);"
bus="a session bus of its own"
[ "$SESSION_BUS" = 1 ] || bus="no session bus"
echo "Xvfb, no window manager, $bus;" \
  "load average after the pass $(cut -d' ' -f1-3 /proc/loadavg)."
echo "Ratios compare medians of the same pass; absolute times are this machine's."
for screen in $SCREENS; do
  for s in "${!names[@]}"; do
    [[ ${names[s]} == numdril* ]] && table "$screen" "$s"
  done
done
if [ ${#keys_out[@]} -gt 0 ]; then
  echo
  echo "Key to changed cell, $N keys each, ${key_screen%x*} screen (median / p90):"
  echo
  base=${keys_out[0]}
  IFS='|' read -r _ bmed bp90 _ <<<"$base"
  echo "| | median | p90 | numdril's median / this one's | responded |"
  echo "|---|---|---|---|---|"
  for entry in "${keys_out[@]}"; do
    IFS='|' read -r name med p90 resp <<<"$entry"
    echo "| $name | $med ms | $p90 ms | $(ratio "${bmed:-NA}" "${med:-NA}") | $resp |"
  done
fi
echo
echo "Samples (screen, program, figure, value):"
echo
while read -r s i k v; do echo "    $s ${names[i]// /_} $k $v"; done <"$data"
