#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fails when a .cpp under src/ declares a global with extern (globals belong in headers),
# or when code outside the platform layer includes SDL or FreeType.
set -u
root=${1:-.}
bad=0
if grep -rn --include='*.cpp' -E '^\s*extern\s' "$root/src"; then
  echo "extern declarations belong in the subsystem's header" >&2; bad=1
fi
for dir in app screen flow position random records report practice; do
  if grep -rn -E '#include\s*[<"](SDL|ft2build|freetype|fontconfig)' "$root/src/$dir"; then
    echo "only src/platform may include SDL, FreeType or fontconfig" >&2; bad=1
  fi
done
exit $bad
