#!/usr/bin/env bash
# Prints the share of test code among all non-blank C and C++ lines and
# fails when it is above the limit. tests/ and fuzz/ are test code; bench/
# and build folders count on neither side.
set -euo pipefail
cd "$(dirname "$0")/.."
limit=36
count() {
  find "$@" -mindepth 1 -type d \( -name 'build*' -o -name bench -o -name '.*' \) -prune -o -type f \
    \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) -print0 |
    xargs -0 -r cat | grep -cv '^[[:space:]]*$' || true
}
tests=$(count $(ls -d tests fuzz 2>/dev/null))
all=$(count .)
awk -v t="$tests" -v a="$all" -v limit="$limit" 'BEGIN {
  share = 100 * t / a
  printf "test code: %d of %d non-blank C/C++ lines (%.1f%%), limit %d%%\n", t, a, share, limit
  exit share > limit
}'
