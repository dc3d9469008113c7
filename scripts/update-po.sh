#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes the translators' template po/numdril.pot again from the texts marked in the files
# po/POTFILES.in lists, and brings every language of po/LINGUAS up to date with it. With
# --check it changes nothing, and fails when the template is behind the sources or a
# language has a text untranslated or in doubt (fuzzy).
#   scripts/update-po.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
version=$(sed -n 's/^project(numdril VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
pot=$(mktemp "${TMPDIR:-/tmp}/numdril-pot-XXXXXX")
trap 'rm -f "$pot"' EXIT
# File names without line numbers, so that moving a text in its file changes nothing here.
xgettext --files-from=po/POTFILES.in --from-code=UTF-8 --keyword=_ --keyword=N_ \
  --add-comments=TRANSLATORS: --add-location=file --package-name=numdril \
  --package-version="$version" --copyright-holder="The numdril developers" --output="$pot"
# Its own head instead of xgettext's blanks to fill in (the lines up to "#, fuzzy").
{
  echo "# SPDX-License-Identifier: MIT"
  echo "# numdril's own texts, for translators: made by scripts/update-po.sh, not by hand."
  sed -n '/^#, fuzzy/,$p' "$pot"
} >"$pot.head" && mv "$pot.head" "$pot"
languages=$(grep -v '^#' po/LINGUAS)

if [ "${1:-}" != --check ]; then
  cp "$pot" po/numdril.pot
  for lang in $languages; do
    msgmerge --quiet --update --backup=none --add-location=file "po/$lang.po" po/numdril.pot
  done
  exit 0
fi
# The date the template was made is all that may differ.
if ! diff -q <(grep -v '^"POT-Creation-Date:' "$pot") \
             <(grep -v '^"POT-Creation-Date:' po/numdril.pot) >/dev/null; then
  echo "po/numdril.pot is behind the sources: run scripts/update-po.sh" >&2
  exit 1
fi
for lang in $languages; do
  msgfmt --check --output-file=/dev/null "po/$lang.po"
  # Every text of the template, translated and not fuzzy.
  msgcmp "po/$lang.po" po/numdril.pot || {
    echo "po/$lang.po lacks translations of the texts above" >&2
    exit 1
  }
done
