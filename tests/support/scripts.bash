# SPDX-License-Identifier: MIT
# Helpers for the test scripts (tests/*/*.sh), sourced, not run: a skip that names what is
# missing, and running numdril as another user than the test's.

# skip REASON: what the test needs cannot be had here; ctest counts exit 77 as skipped.
skip() {
  echo "SKIP: $*"
  exit 77
}
# need COMMAND PACKAGE: skips the test, naming both, where COMMAND is not installed.
need() {
  command -v "$1" >/dev/null ||
    skip "$1 is not installed (package $2; scripts/setup.sh installs it)"
}

# Another user (nobody, when the tests run as root) for the cases where file modes must
# count. It may be unable to reach the build folder (a checkout in root's home) or the
# sanitizer's suppression file in the checkout, so both are copied into a folder of the
# test's that it can reach:
#   copy_for_other_user NUMDRIL DIR
#   "${AS_OTHER_USER[@]}" "$OTHER_NUMDRIL" ARG...

# AS_OTHER_USER: a command prefix that runs a command as that user: nobody as root; as
# anyone else the test's user itself, whom file modes stop already.
AS_OTHER_USER=()
[ "$(id -u)" -ne 0 ] || AS_OTHER_USER=(setpriv --reuid=65534 --regid=65534 --clear-groups)

# copy_for_other_user NUMDRIL DIR: copies the program into DIR as DIR/numdril (in
# OTHER_NUMDRIL) and the suppression file LSAN_OPTIONS names beside it, pointing
# LSAN_OPTIONS there. DIR and every folder above it must let that user in: where the
# temporary folder does not, the test is skipped (exit 77), saying so.
copy_for_other_user() {
  local dir=$2 supp
  chmod 755 "$dir"
  "${AS_OTHER_USER[@]}" test -x "$dir" ||
    skip "nobody cannot enter $dir (TMPDIR=${TMPDIR:-/tmp}); set TMPDIR to a folder it can"
  OTHER_NUMDRIL=$dir/numdril
  cp "$1" "$OTHER_NUMDRIL" && chmod 755 "$OTHER_NUMDRIL" || exit 1
  supp=$(tr ':' '\n' <<<"${LSAN_OPTIONS:-}" | sed -n 's/^suppressions=//p')
  if [ -n "$supp" ]; then
    cp "$supp" "$dir/lsan.supp" && chmod 644 "$dir/lsan.supp" || exit 1
    export LSAN_OPTIONS=${LSAN_OPTIONS//$supp/$dir/lsan.supp}
  fi
}
