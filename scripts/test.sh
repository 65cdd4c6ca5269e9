#!/usr/bin/env bash
# Sets up, builds and runs every test: the Release build with all its tests,
# then the picture core and its unit tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
jobs=$(nproc)
"$top/scripts/setup.sh"

"$top/scripts/build.sh"
# A PDF printer queue for the printing end-to-end test; without it (not
# root, no CUPS) that test reports itself skipped.
cups=0
if "$top/scripts/cups-pdf.sh" start; then cups=1; fi
trap '"$top/scripts/cups-pdf.sh" stop || true' EXIT
(cd "$top/build" && MERGOLA_CUPS_TEST=$cups ctest --output-on-failure -j"$jobs")

cmake -S "$top" -B "$top/build-asan" -DCMAKE_BUILD_TYPE=Debug -DMERGOLA_SANITIZE=ON -DMERGOLA_CORE_ONLY=ON
cmake --build "$top/build-asan" -j"$jobs"
(cd "$top/build-asan" && \
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
  LSAN_OPTIONS=suppressions="$top/tests/support/lsan.supp" \
  UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j"$jobs")
