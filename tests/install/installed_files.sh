#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What a distribution checks after installing numdril: cmake --install into a temporary
# prefix, then the validators on the installed metainfo, menu entry and manual pages
# (English and Japanese), the one id and one version that tie the files and the program
# together, and the installed program finding its installed translations.
#   installed_files.sh BUILD_DIR
set -uo pipefail
build=$(realpath "${1:?usage: $0 BUILD_DIR}")
source "$(dirname "$0")/../support/scripts.bash"
need appstreamcli appstream
need desktop-file-validate desktop-file-utils
need man man-db
locale -a | grep -qx 'ja_JP.utf8' ||
  skip "the locale ja_JP.UTF-8 is not generated (scripts/setup.sh generates it)"
prefix=$(mktemp -d "${TMPDIR:-/tmp}/numdril-install-XXXXXX") || exit 1
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null || fail "cmake --install"
share=$prefix/share
desktops=("$share"/applications/*.desktop)
[ ${#desktops[@]} -eq 1 ] && [ -f "${desktops[0]}" ] || fail "expected one menu entry"
desktop=${desktops[0]}
id=$(basename "$desktop" .desktop)
metainfo=$share/metainfo/$id.metainfo.xml

# The validators: any error or warning fails (appstreamcli's exit status says so; the
# others print one line for each finding).
appstreamcli validate-tree --no-net "$prefix" >"$prefix/out" 2>&1 || {
  cat "$prefix/out" >&2
  fail "appstreamcli validate-tree"
}
findings=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop-file-validate: $findings"
[ -z "$findings" ] || fail "desktop-file-validate: $findings"
for page in man/man1 man/ja/man1; do
  findings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$share/$page/numdril.1.gz" \
    2>&1 >/dev/null)
  [ -z "$findings" ] || fail "man --warnings on $page: $findings"
done

# One id: the menu entry's file, its icon (in every size and as SVG) and window class, and
# the metainfo.
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Icon)" = "$id" ] || fail "Icon=$(entry Icon), not $id"
[ "$(entry StartupWMClass)" = "$id" ] || fail "StartupWMClass=$(entry StartupWMClass), not $id"
for size in 16x16 32x32 48x48 64x64 128x128 256x256; do
  [ -s "$share/icons/hicolor/$size/apps/$id.png" ] || fail "no $size icon"
done
grep -q '<svg' "$share/icons/hicolor/scalable/apps/$id.svg" || fail "no scalable icon"
grep -q "<id>$id</id>" "$metainfo" || fail "the metainfo's id is not $id"

# One version: the program's, the metainfo's release, the manual page's and the changelog's.
version=$("$prefix/bin/numdril" --version | sed -n '1s/^numdril //p')
[ -n "$version" ] || fail "numdril --version names no version"
grep -q "<release version=\"$version\"" "$metainfo" || fail "no metainfo release $version"
for page in man/man1 man/ja/man1; do
  zcat "$share/$page/numdril.1.gz" | grep -q "^\.TH NUMDRIL 1 .* \"numdril $version\"" ||
    fail "the manual page in $page is not of version $version"
done
doc=$share/doc/numdril
zcat "$doc/changelog.gz" | head -n 1 | grep -q "^numdril ($version) " ||
  fail "the changelog does not start with $version"
for file in README.md README.ja.md LICENSE copyright; do
  [ -s "$doc/$file" ] || fail "no $file in share/doc/numdril"
done
# Japanese for the desktop: the menu entry's texts, the software centre's summary, and the
# installed program's help under a Japanese locale, from the installed catalogue.
for key in Name GenericName Comment Keywords; do
  [ -n "$(entry "$key\[ja\]")" ] || fail "the menu entry has no $key[ja]"
done
grep -q '<summary xml:lang="ja">' "$metainfo" || fail "the metainfo has no Japanese summary"
[ -s "$share/locale/ja/LC_MESSAGES/numdril.mo" ] || fail "no Japanese catalogue installed"
help=$(env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=ja_JP.UTF-8 "$prefix/bin/numdril" --help)
grep -q '^使い方: numdril ' <<<"$help" || fail "numdril --help under ja_JP.UTF-8: $help"
echo "PASS"
