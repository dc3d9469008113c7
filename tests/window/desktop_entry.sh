#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# numdril started as the desktop's menu starts it: the menu entry's Exec line, found on
# PATH, from a folder of no importance. Its window carries the entry's class, and its
# records land in $XDG_DATA_HOME/numdril, made on the way, and nowhere else.
#   NUMDRIL_DESKTOP_FILE=BUILD/ID.desktop desktop_entry.sh PATH_TO_NUMDRIL
source "$(dirname "$0")/lib/common.bash" "$@"
desktop=${NUMDRIL_DESKTOP_FILE:?the menu entry to start from}
cd "$WORK"

exec_line=$(sed -n 's/^Exec=//p' "$desktop")
read -ra command <<<"$exec_line"
[ "${command[0]}" = numdril ] || fail "the menu entry runs '${command[0]}', not numdril"
mkdir bin elsewhere home
ln -s "$NUMDRIL_BIN" bin/numdril

(cd elsewhere && exec env PATH="$WORK/bin:$PATH" HOME="$WORK/home" \
  XDG_DATA_HOME="$WORK/data" "${command[@]}" >"$WORK/stdout" 2>"$WORK/stderr") &
APP_PID=$!
find_app_window

# Docks match the window to its menu entry by its class.
class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
xprop -id "$WID" WM_CLASS | grep -qxF "WM_CLASS(STRING) = \"$class\", \"$class\"" ||
  fail "window class $(xprop -id "$WID" WM_CLASS), not $class"

close_window
wait_exit
[ "$APP_STATUS" -eq 0 ] || fail "exit code $APP_STATUS"
[ -s data/numdril/numdril.rec ] || fail "no record in \$XDG_DATA_HOME/numdril"
[ "$(wc -l <data/numdril/numdril.log)" -eq 1 ] || fail "no log line in \$XDG_DATA_HOME/numdril"
[ -z "$(ls -A elsewhere)" ] || fail "files in the folder it was started from: $(ls -A elsewhere)"
# (The session bus may keep its own files in the home folder.)
stray=$(find home -name 'numdril*')
[ -z "$stray" ] || fail "record files in the home folder: $stray"
echo "PASS"
