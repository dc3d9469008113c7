#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# numdril started as the desktop's menu starts it: the menu entry's Exec line, found on
# PATH, from a folder of no importance. Its window carries the entry's class, and its
# records land in $XDG_DATA_HOME/numdril, made on the way, and nowhere else. Then the
# entry's action "Practice report": the report of those records handed to the viewer the
# user chose for SVG pictures (through xdg-open), and a message box when there is none, in
# Japanese too.
#   NUMDRIL_DESKTOP_FILE=BUILD/ID.desktop desktop_entry.sh PATH_TO_NUMDRIL
source "$(dirname "$0")/lib/common.bash" "$@"
desktop=${NUMDRIL_DESKTOP_FILE:?the menu entry to start from}
cd "$WORK"

# The Exec line of the entry itself ($1 empty) or of one of its actions.
exec_of() {
  if [ -z "${1:-}" ]; then
    sed -n '/^\[Desktop Entry\]/,/^\[/s/^Exec=//p' "$desktop"
  else
    sed -n "/^\[Desktop Action $1\]/,/^\[/s/^Exec=//p" "$desktop"
  fi
}
exec_line=$(exec_of)
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

# ---- The action "Practice report" -------------------------------------------------------
read -ra report <<<"$(exec_of practice-report)"
[ "${report[0]}" = numdril ] || fail "the report action runs '${report[0]}', not numdril"
grep -q '^Name\[ja\]=' <(sed -n '/^\[Desktop Action practice-report\]/,/^\[/p' "$desktop") ||
  fail "the report action has no Japanese name"
# The user's choice of viewer for SVG pictures, as a desktop records it; this one keeps a
# copy of what it is given.
mkdir -p config data/applications cache
cat >bin/viewer <<'VIEWER'
#!/bin/sh
cp "$1" "$VIEWER_SAW"
VIEWER
chmod +x bin/viewer
printf '[Desktop Entry]\nType=Application\nName=Viewer\nExec=viewer %%f\n%s\n' \
  'MimeType=image/svg+xml;' >data/applications/viewer.desktop
printf '[Default Applications]\nimage/svg+xml=viewer.desktop\n' >config/mimeapps.list
command -v xdg-open >/dev/null || { echo "SKIP: no xdg-open (package xdg-utils)"; exit 77; }
(cd elsewhere && exec env -u XDG_CURRENT_DESKTOP PATH="$WORK/bin:$PATH" HOME="$WORK/home" \
  XDG_DATA_HOME="$WORK/data" XDG_CONFIG_HOME="$WORK/config" XDG_CACHE_HOME="$WORK/cache" \
  VIEWER_SAW="$WORK/seen.svg" "${report[@]}" >"$WORK/stdout" 2>"$WORK/stderr") ||
  fail "the report action failed: $(cat "$WORK/stderr")"
grep -q '<svg' seen.svg || fail "the viewer was not given the report"
cmp -s seen.svg cache/numdril/practice-report.svg || fail "the report is not in the cache folder"
[ -z "$(ls -A elsewhere)" ] || fail "files in the folder the action started from"

# Neither xdg-open nor gio on the PATH: a message box says where the report is.
mkdir bare
ln -s "$(command -v env)" bare/env
(cd elsewhere && exec "$WORK/bare/env" PATH="$WORK/bin" HOME="$WORK/home" \
  XDG_DATA_HOME="$WORK/data" XDG_CACHE_HOME="$WORK/cache" "${report[@]}" \
  >"$WORK/stdout" 2>"$WORK/stderr") &
APP_PID=$!
box=$(wait_titled "numdril: Practice report") || fail "no message box without a viewer"
wait_screen_still_of "$box" || fail "the message box never settled"
[ "$("$XWIN" ink "$box")" -gt 0 ] || fail "the message box is blank"
xdotool windowfocus --sync "$box" || fail "could not focus the message box"
send_keys Return
wait_exit
[ "$APP_STATUS" -eq 1 ] || fail "exit code $APP_STATUS without a viewer, not 1"

# In Japanese, the same box under a locale without UTF-8 characters (LANG=C, --lang=ja) as
# under one with: the box draws in the characters of the environment's locale.
japanese_box() {  # japanese_box PICTURE LOCALE
  (cd elsewhere && exec "$WORK/bare/env" PATH="$WORK/bin" HOME="$WORK/home" LANG="$2" \
    XDG_DATA_HOME="$WORK/data" XDG_CACHE_HOME="$WORK/cache" "${report[@]}" --lang=ja \
    >"$WORK/stdout" 2>"$WORK/stderr") &
  APP_PID=$!
  box=$(wait_titled "numdril: 練習レポート") || fail "no Japanese message box under LANG=$2"
  wait_screen_still_of "$box" || fail "the Japanese message box never settled"
  "$XWIN" shot "$box" "$1" || fail "no picture of the Japanese message box"
  xdotool windowfocus --sync "$box" || fail "could not focus the Japanese message box"
  send_keys Return
  wait_exit
}
japanese_box utf8.ppm C.UTF-8
japanese_box c.ppm C
cmp -s utf8.ppm c.ppm || fail "the Japanese message box under LANG=C is not the one of C.UTF-8"
echo "PASS"
