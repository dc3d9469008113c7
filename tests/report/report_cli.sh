#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# numdril --report from the command line with no display: the text report of the folder -C
# names, in block characters or ASCII by the locale and in colour only on a terminal
# without NO_COLOR; the SVG picture, well-formed XML with a point per new best speed,
# written where numdril was started; the record files never written, never written over;
# missing files an empty report; a file that cannot be read named, in a folder that
# cannot be written (as a user other than root).
#   report_cli.sh PATH_TO_NUMDRIL
set -euo pipefail
numdril=$(realpath "$1")
source "$(dirname "$0")/../support/scripts.bash"
need xmllint libxml2-utils
work=$(mktemp -d "${TMPDIR:-/tmp}/numdril-report-XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
report() { env -u DISPLAY -u WAYLAND_DISPLAY "$numdril" "$@"; }

# A short history: three new bests (one in Japanese), one line of each file damaged.
mkdir records
{
  printf 'Total_Practice_Time%5dhour%2dmi%2dse\n' 1 30 0
  printf '%-34s%16s %5dhour%2dmi%2dse\n' Position_Practice "" 0 20 0
  printf '%-34s%7.1f %s %5dhour%2dmi%2dse\n' Random_Practice 150.5 26/11/03 0 40 0
} >records/numdril.rec
{
  printf '26/11/02 09:00:00 Practice Time  0hour25min 0sec\n'
  printf '26/11/03 19:30:10 \x97\xfb\x8f\x4b\x8e\x9e\x8a\xd4'
  printf '  1\x8e\x9e\x8a\xd4 5\x95\xaa 3\x95\x62\n'
  printf '26/11/04 20:00:00 Practice Ti\n'
} >records/numdril.log
{
  printf '26/11/02 09:10:00 %-34s %5.1f %5dhour%2dmin%2dsec\n' 'Random Practice' 120.0 0 5 10
  printf '26/11/03 19:40:00 %-34s %5.1f %5d\x8e\x9e\x8a\xd4%2d\x95\xaa%2d\x95\x62\n' \
    'Random Practice' 131.5 0 12 0
  printf '26/11/03 19:50:00 %-34s %5.1f %5dhour%2dmin%2dsec\n' 'Random Practice' 150.5 0 20 0
  printf '26/11/04 garbage\n'
} >records/numdril.spd
before=$(cd records && sha256sum numdril.*)

report -C records --report >out.txt 2>err.txt || fail "--report exited $?"
[ ! -s err.txt ] || fail "--report wrote to stderr: $(cat err.txt)"
grep -qx "numdril practice report: $work/records" out.txt || fail "no heading naming the folder"
grep -qx '  Best speed            150.5 per minute, 2026-11-03' out.txt || fail "best speed"
grep -qx '  2026-11-02     2  1:30:03  .*' out.txt || fail "the week's runs and time"
grep -qx '1 line of numdril.log could not be read.' out.txt || fail "no note of the bad log line"
grep -qx '1 line of numdril.spd could not be read.' out.txt || fail "no note of the bad speed line"

# Block characters by the locale; ASCII only in the C locale; colour only on a terminal.
LC_ALL=C.UTF-8 report -C records --report | grep -q '█' || fail "no block characters in UTF-8"
if LC_ALL=C report -C records --report | LC_ALL=C grep -q '[^[:print:][:space:]]'; then
  fail "bytes beyond ASCII in the C locale"
fi
! grep -q $'\e' out.txt || fail "colour sent to a file"
script -qec "env -u NO_COLOR TERM=xterm $numdril -C records --report" /dev/null >tty.txt
grep -q $'\e\\[' tty.txt || fail "no colour on a terminal"
script -qec "env NO_COLOR=1 TERM=xterm $numdril -C records --report" /dev/null >tty.txt
! grep -q $'\e\\[' tty.txt || fail "colour despite NO_COLOR"

# The picture lands where numdril started, parses as XML and has a point per new best.
report -C records --report=pic.svg 2>err.txt || fail "--report=pic.svg exited $?"
grep -qx '1 line of numdril.log could not be read.' err.txt || fail "the picture's notes not said"
[ -s pic.svg ] || fail "no pic.svg where numdril started"
xmllint --noout pic.svg || fail "pic.svg is not well-formed XML"
points=$(xmllint --xpath 'count(//*[local-name()="circle"][@class="best"])' pic.svg)
[ "$points" = 3 ] || fail "pic.svg holds $points points for 3 new bests"
report -C records --report=- 2>/dev/null | cmp -s - pic.svg ||
  fail "--report=- differs from the file"

# A record file is never written over, whatever it is called; nothing in the folder changes.
if report -C records --report=records/numdril.log 2>err.txt; then fail "wrote over the log"; fi
grep -q 'is a record file' err.txt || fail "no reason given: $(cat err.txt)"
[ "$(cd records && sha256sum numdril.*)" = "$before" ] || fail "a record file changed"
[ "$(ls records)" = "$(printf 'numdril.log\nnumdril.rec\nnumdril.spd')" ] || fail "files added"

# Missing files: an empty report, not an error.
mkdir empty
report -C empty --report >out.txt || fail "an empty folder exited $?"
grep -qx '  No record yet (numdril.rec not found)' out.txt || fail "empty folder: $(cat out.txt)"
[ -z "$(ls empty)" ] || fail "the report wrote into an empty folder"

# The names of the record files and of their backups are never written, there or not yet.
for name in numdril.{rec,log,spd} numdril.rec.bak numdril.rec.bak.7 numdril.spd.bak; do
  if report -C empty --report="empty/$name" 2>err.txt; then fail "wrote the picture as $name"; fi
  grep -q 'is a record file' err.txt || fail "$name: no reason given: $(cat err.txt)"
done
[ -z "$(ls empty)" ] || fail "the picture was written as a record file: $(ls empty)"

# Nothing but a regular file is written: a FIFO is refused at once, never waited on.
mkfifo pipe
status=0
timeout 20 env -u DISPLAY -u WAYLAND_DISPLAY "$numdril" -C records --report=pipe 2>err.txt ||
  status=$?
[ "$status" -eq 1 ] || fail "a FIFO as the picture: exit $status ($(cat err.txt))"

# A link that another user planted in a folder like /tmp is not followed; the user's own is.
if [ "$(id -u)" -eq 0 ]; then
  mkdir -m 1777 shared
  echo "the user's own file" >own.txt
  ln -s ../own.txt shared/pic.svg
  chown -h 65534:65534 shared/pic.svg
  if report -C records --report=shared/pic.svg 2>err.txt; then fail "followed a planted link"; fi
  grep -q 'another user' err.txt || fail "planted link: $(cat err.txt)"
  [ "$(cat own.txt)" = "the user's own file" ] || fail "wrote through a planted link"
  chown -h 0:0 shared/pic.svg
  report -C records --report=shared/pic.svg 2>/dev/null || fail "the user's own link: exit $?"
  xmllint --noout own.txt || fail "the user's own link was not written through"
fi

# A log the user cannot read, in a folder the user cannot write: the rest is reported.
copy_for_other_user "$numdril" "$work"
chmod 000 records/numdril.log
chmod 555 records
"${AS_OTHER_USER[@]}" env -u DISPLAY -u WAYLAND_DISPLAY "$OTHER_NUMDRIL" -C records --report \
  >out.txt 2>err.txt || fail "an unreadable log: exited $?"
grep -qx '  numdril.log could not be read (Permission denied)' out.txt ||
  fail "an unreadable log: $(cat out.txt err.txt)"
grep -q '150.5' out.txt || fail "an unreadable log: the rest is missing"
chmod 755 records
echo "report_cli: all checks passed"
