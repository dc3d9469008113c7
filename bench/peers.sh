#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The typing trainers a user might pick instead of numdril, made ready for the window
# benchmark (bench/measure-window.sh) to measure beside it:
#   bench/peers.sh install      as root: tipp10 (Qt 6, with the SQLite driver its package
#                               does not pull in) and klavaro (GTK 3), with apt-get
#   bench/peers.sh homes DIR    a home for each under DIR, as a user who has started them
#                               before has (no first-start dialogs), and tipp10's with a
#                               lesson of digits chosen, ready to type; made once, kept.
#                               Prints, as shell assignments, how to start and drive them.
# Only the peers that are installed get a home. homes needs Xvfb and sqlite3
# (scripts/setup.sh installs them) and the probe, built from bench/xprobe.c into DIR unless
# XPROBE names it. tipp10's first start fills its database and takes a minute or two.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
PACKAGES=(tipp10 libqt6sql6-sqlite klavaro)
# The lesson tipp10 is typed with in the key to screen measurement: digits in groups of
# five, one line longer than the keys sent, so that no line break is ever asked for.
LESSON="12345 67890 13579 24680 97531 08642 14725 83690"

install_peers() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "installing packages needs root: run bench/peers.sh install as root" >&2
    exit 1
  fi
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${PACKAGES[@]}" >/dev/null
}

# tipp10's settings: no introduction at the start; with "lesson", the own lesson of id $2
# chosen on the tab of own lessons, dictated in its order, whole, errors blocked.
tipp10_settings() {
  mkdir -p "$1/.config/TIPP10"
  {
    printf '[main]\ncheck_illustration=false\n'
    printf 'language_layout=us_qwerty_win\nlanguage_lesson=en_us_qwerty\n'
    if [ "${2:-}" ]; then
      printf '\n[lesson]\ntab_current=2\nlist_own=%s\n' "$2"
      printf '\n[duration]\nradio_lesson=true\nradio_time=false\nradio_token=false\n'
      printf '\n[intelligence]\ncheck_intelligence=false\n'
      printf '\n[error]\ncheck_stop=true\ncheck_correct=false\ncheck_beep=false\n'
    fi
  } >"$1/.config/TIPP10/TIPP10.conf"
}

# tipp10 makes its database on its first start: once, on a virtual screen of its own, with
# no session bus to start (it would launch one that stays).
first_start_tipp10() {
  local home=$1 display_file pid out status=0
  display_file=$(mktemp "${TMPDIR:-/tmp}/numdril-peers-XXXXXX")
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 200); do grep -q . "$display_file" && break; sleep 0.05; done
  out=$(DISPLAY=:$(head -n 1 "$display_file") HOME=$home \
    DBUS_SESSION_BUS_ADDRESS=unix:path=$home/.no-session-bus \
    "$XPROBE" start -t 600 '^TIPP10$' -- tipp10) || status=1
  out=${out#pid=}
  [ -n "${out%% *}" ] && kill -TERM -- "-${out%% *}" 2>/dev/null
  sleep 1
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  rm -f "$display_file"
  return $status
}

# The homes of the peers that are installed.
make_homes() {
  local dir=$1 db=.local/share/TIPP10/TIPP10/tipp10v2.db id
  mkdir -p "$dir/klavaro"  # klavaro asks nothing at its first start
  command -v tipp10 >/dev/null || return 0
  [ -s "$dir/tipp10-keys/$db" ] && return 0
  command -v sqlite3 >/dev/null ||
    { echo "sqlite3 is not installed (package sqlite3; scripts/setup.sh installs it)" >&2; exit 1; }
  rm -rf "$dir/tipp10" "$dir/tipp10-keys"
  tipp10_settings "$dir/tipp10"
  first_start_tipp10 "$dir/tipp10" && [ -s "$dir/tipp10/$db" ] ||
    { echo "tipp10 did not make its database in $dir/tipp10" >&2; exit 1; }
  # The same database, with the lesson of digits, for the key measurement.
  mkdir -p "$(dirname "$dir/tipp10-keys/$db")"
  cp "$dir/tipp10/$db" "$dir/tipp10-keys/$db"
  id=$(sqlite3 "$dir/tipp10-keys/$db" "insert into own_list (own_name, own_description, own_unit)
    values ('Digits', 'groups of five digits', 0); select last_insert_rowid();")
  for _ in 1 2 3; do
    sqlite3 "$dir/tipp10-keys/$db" \
      "insert into own_content (content_text, content_lesson) values ('$LESSON', $id);"
  done
  tipp10_settings "$dir/tipp10-keys" "$id"
}

case "${1:-}" in
  install) install_peers ;;
  homes)
    dir=${2:?usage: bench/peers.sh homes DIR}
    mkdir -p "$dir"
    dir=$(cd "$dir" && pwd)
    if [ -z "${XPROBE:-}" ]; then
      XPROBE=$dir/xprobe
      gcc -O2 -o "$XPROBE" "$here/xprobe.c" -lX11 -lXdamage -lXfixes -lXtst
    fi
    make_homes "$dir"
    echo "KLAVARO_HOME='$dir/klavaro'"
    echo "KLAVARO_TITLE='^Klavaro - Main menu\$'"
    [ -d "$dir/tipp10-keys" ] || exit 0
    # The keys of the lesson, as keysyms; the setup opens the lesson (Start Training) and
    # starts it (Space). The region holds the text and the keyboard picture, not the clock.
    keys=$(sed 's/ /_/g; s/./& /g; s/_/space/g' <<<"$LESSON")
    cat <<EOF
TIPP10_HOME='$dir/tipp10'
TIPP10_TITLE='^TIPP10\$'
TIPP10_KEYS_HOME='$dir/tipp10-keys'
TIPP10_KEYS_SETUP="'$XPROBE' send '^TIPP10\\\$' alt+s && sleep 1.5 &&
  '$XPROBE' send '^TIPP10\\\$' space"
TIPP10_KEYS_REGION='0,50,750,315'
TIPP10_KEYS='$keys'
EOF
    ;;
  *)
    sed -n '3,13p' "$0" >&2
    exit 2
    ;;
esac
