#!/usr/bin/env bash
# Fails unless every text that the program marks for translation is
# translated in every translations/mergola_*.ts. lupdate brings a copy of
# each file up to date with the sources (a text added or changed since the
# file was last updated arrives unfinished), then lrelease must report no
# unfinished and no untranslated text in it.
#
#   scripts/check-translations.sh [LUPDATE LRELEASE]
#
# ctest runs it as translations_complete. To bring the files themselves up
# to date: cmake --build build --target update_translations
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
lupdate=${1:-/usr/lib/qt6/bin/lupdate}
lrelease=${2:-/usr/lib/qt6/bin/lrelease}
# The folders whose code the window and its dialogs are built from.
sources=(shell platform tools output filters combine)

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
for ts in "$top"/translations/mergola_*.ts; do
  name=$(basename "$ts")
  cp "$ts" "$work/$name"
  (cd "$top" && "$lupdate" -silent -I . -locations none -no-obsolete "${sources[@]}" -ts "$work/$name")
  report=$("$lrelease" "$work/$name" -qm "$work/${name%.ts}.qm")
  echo "$name:"
  echo "$report"
  if ! grep -Eq '\(([0-9]+) finished and 0 unfinished\)' <<<"$report" || grep -q 'untranslated' <<<"$report"; then
    echo "$name: some texts are not translated; update it (see above) and translate them" >&2
    status=1
  fi
done
exit $status
