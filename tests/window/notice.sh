#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# numdril in a real window: when the record file cannot be written, the save-failure
# notice comes up after the main window is gone, names the file, and closes with Return
# or Escape; the program then ends with exit code 1, as a failed save. In Japanese too.
#   notice.sh PATH_TO_NUMDRIL
source "$(dirname "$0")/lib/common.bash" "$@"
cd "$WORK"

mkdir numdril.rec  # a directory: reading finds nothing, rewriting it fails
# Each run: the key that closes the notice, and numdril's arguments after a colon. In
# Japanese only the caption is Japanese.
for run in Return Escape Return:--lang=ja; do
  key=${run%%:*} args=${run#"$key"} args=${args#:}
  caption="Practice Record write error"
  [ "$args" != --lang=ja ] || caption="成績ファイル書き込みエラー"
  NUMDRIL_ARGS=$args start_app
  close_window
  notice=$(wait_titled "$caption") || fail "no save-failure notice titled $caption"
  [ -z "$(find_titled NUMDRIL)" ] || fail "the main window is still there under the notice"
  app_ended && fail "numdril did not wait for the notice"
  wait_screen_still_of "$notice" || fail "the notice never settled"
  [ "$("$XWIN" ink "$notice")" -gt 0 ] || fail "the notice is blank"
  xdotool windowfocus --sync "$notice" || fail "could not focus the notice"
  send_keys "$key"
  wait_exit
  [ "$APP_STATUS" -eq 1 ] || fail "exit code $APP_STATUS after the notice, not 1"
done
# The log was still appended on every run, and nothing went to standard output.
[ "$(wc -l <numdril.log)" -eq 3 ] || fail "numdril.log should hold three lines"
[ ! -s "$WORK/stdout" ] || fail "numdril wrote to stdout"
echo "PASS"
