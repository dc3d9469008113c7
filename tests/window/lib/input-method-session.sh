#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A desktop session with a Japanese input method, made from nothing for one command: a
# private virtual X server with a Japanese keyboard, a session bus, and fcitx5 with Mozc set
# up in a scratch home as a user sets them up (Mozc the input method of the only group,
# starting in hiragana, the numeric keypad's digits composed like the others). Runs COMMAND
# in it, then ends everything it started and removes its folder; exits with COMMAND's status.
#   input-method-session.sh COMMAND [ARG...]
# COMMAND runs as the caller with DISPLAY set to the session's screen and, exported:
#   IME_USER_DIR  a folder the input method's user may read and write (numdril's files go
#                 here; copy a program here for that user to run it)
#   IME_RUN       a command that runs its arguments as that user, in IME_USER_DIR, with the
#                 session's bus and input-method variables and nothing else of the caller's
#                 environment: "$IME_RUN" env NAME=VALUE ... PROGRAM
# Mozc refuses to run as root: as root that user is nobody, otherwise the caller.
# Exits 77 where the input method cannot be had here (a package that cannot be installed,
# a temporary folder nobody may enter), saying why.
set -uo pipefail

[ $# -gt 0 ] || { sed -n '3,16p' "$0" >&2; exit 2; }
source "$(dirname "$0")/../../support/scripts.bash"  # skip, AS_OTHER_USER

# The session's programs and their packages. As root, what is missing is installed.
PACKAGES=(Xvfb:xvfb setxkbmap:x11-xkb-utils dbus-daemon:dbus-daemon dbus-send:dbus-bin
  fcitx5:fcitx5 /usr/lib/mozc/mozc_server:mozc-server
  /usr/share/fcitx5/inputmethod/mozc.conf:fcitx5-mozc)
missing_packages() {
  local entry
  for entry in "${PACKAGES[@]}"; do
    case ${entry%%:*} in
      /*) [ -e "${entry%%:*}" ] ;;
      *) command -v "${entry%%:*}" >/dev/null ;;
    esac || echo "${entry#*:}"
  done
}
missing=$(missing_packages | tr '\n' ' ')
if [ -n "$missing" ] && [ "$(id -u)" -eq 0 ]; then
  echo "installing $missing" >&2
  # shellcheck disable=SC2086  # one word per package
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing \
    >/dev/null 2>&1
  missing=$(missing_packages | tr '\n' ' ')
fi
if [ -n "$missing" ]; then
  [ "$(id -u)" -eq 0 ] && skip "package(s) ${missing% } cannot be installed"
  skip "package(s) ${missing% } not installed (scripts/setup.sh installs them, as root)"
fi

base=$(mktemp -d "${TMPDIR:-/tmp}/numdril-ime-XXXXXX") || exit 1
XVFB_PID="" BUS_PID="" IM_PGID="" CHILD=""
stop_session() {
  [ -n "$CHILD" ] && kill "$CHILD" 2>/dev/null
  # fcitx5 and the Mozc server it starts share a process group; the bus daemon starts
  # nothing that outlives it.
  [ -n "$IM_PGID" ] && kill -TERM -- "-$IM_PGID" 2>/dev/null
  [ -n "$BUS_PID" ] && kill "$BUS_PID" 2>/dev/null
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null
  local _
  for _ in $(seq 100); do
    { [ -n "$IM_PGID" ] && kill -0 -- "-$IM_PGID" 2>/dev/null; } || break
    sleep 0.05
  done
  [ -n "$IM_PGID" ] && kill -KILL -- "-$IM_PGID" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$base"
}
trap stop_session EXIT
trap 'exit 130' INT TERM HUP

home=$base/home
IME_USER_DIR=$base/work
mkdir -p "$home/.config/fcitx5/conf" "$home/.config/mozc" "$home/run" "$IME_USER_DIR"
chmod 700 "$home/run"

# fcitx5: one group, the Japanese keyboard and Mozc, Mozc switched on with 半角/全角.
cat >"$home/.config/fcitx5/profile" <<'EOF'
[Groups/0]
Name=Default
Default Layout=jp
DefaultIM=mozc

[Groups/0/Items/0]
Name=keyboard-jp
Layout=

[Groups/0/Items/1]
Name=mozc
Layout=

[GroupOrder]
0=Default
EOF
printf 'InitialMode=Hiragana\n' >"$home/.config/fcitx5/conf/mozc.conf"
# Mozc's own settings, as its settings dialog stores them (a protocol buffer): input from
# the numeric keypad (テンキーからの入力), field 60, is half-width, composed like any digit
# (2); direct input (3) would send the keypad's digits past the input method.
printf '\xe0\x03\x02' >"$home/.config/mozc/config1.db"

user=("${AS_OTHER_USER[@]}")
if [ "$(id -u)" -eq 0 ]; then
  chown -R 65534:65534 "$home" "$IME_USER_DIR"
  chmod 755 "$base"
  "${user[@]}" test -x "$base" ||
    skip "nobody cannot enter ${TMPDIR:-/tmp}, where the session's files are (set TMPDIR)"
fi

# The server picks a free display itself and names it once it listens. No auto-repeat: on
# a busy machine a key held a moment too long would be typed twice.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset -r 3>"$base/display" \
  >"$base/xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 400); do
  grep -q '^[0-9]' "$base/display" && break
  kill -0 "$XVFB_PID" 2>/dev/null || break
  sleep 0.05
done
if ! grep -q '^[0-9]' "$base/display"; then
  cat "$base/xvfb.log" >&2
  echo "Xvfb did not start" >&2
  exit 1
fi
export DISPLAY=:$(head -n 1 "$base/display")
# The Japanese keyboard's model has 半角/全角 on a key of its own.
setxkbmap -model jp106 -layout jp || exit 1

clean_env=(env -i PATH=/usr/local/bin:/usr/bin:/bin HOME="$home" DISPLAY="$DISPLAY"
  LANG=C.UTF-8 XDG_RUNTIME_DIR="$home/run")
{ read -r bus && read -r BUS_PID; } < <("${user[@]}" "${clean_env[@]}" dbus-daemon --session \
  --address="unix:dir=$home/run" --fork --nosyslog --print-address=1 --print-pid=1)
[ -n "${BUS_PID:-}" ] || { echo "the session bus did not start" >&2; exit 1; }
im_env=(XMODIFIERS=@im=fcitx SDL_IM_MODULE=fcitx GTK_IM_MODULE=fcitx QT_IM_MODULE=fcitx
  DBUS_SESSION_BUS_ADDRESS="$bus")
setsid "${user[@]}" "${clean_env[@]}" "${im_env[@]}" fcitx5 >"$base/fcitx5.log" 2>&1 &
IM_PGID=$!

# Ready once the input method answers on the bus for its input contexts.
im_ready() {
  "${user[@]}" "${clean_env[@]}" "DBUS_SESSION_BUS_ADDRESS=$bus" dbus-send --session \
    --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.portal.Fcitx 2>/dev/null |
    grep -q 'boolean true'
}
for _ in $(seq 200); do
  im_ready && break
  kill -0 "$IM_PGID" 2>/dev/null || break
  sleep 0.05
done
im_ready || { cat "$base/fcitx5.log" >&2; echo "fcitx5 did not start" >&2; exit 1; }

IME_RUN=$base/run-as-user
{
  echo '#!/bin/bash'
  printf 'cd %q || exit 1\n' "$IME_USER_DIR"
  printf 'exec'
  printf ' %q' "${user[@]}" "${clean_env[@]}" "${im_env[@]}"
  echo ' "$@"'
} >"$IME_RUN"
chmod 755 "$IME_RUN"
export IME_USER_DIR IME_RUN

"$@" &
CHILD=$!
wait "$CHILD"
status=$?
CHILD=""
exit "$status"
