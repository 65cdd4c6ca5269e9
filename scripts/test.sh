#!/usr/bin/env bash
# Sets up, builds and runs every test: the Release build with all its tests,
# then every target again built by clang under AddressSanitizer and
# UndefinedBehaviorSanitizer (any report fails the run), and a short run of
# each fuzz target.
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

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions="$top/tests/support/lsan.supp"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
CC=clang CXX=clang++ cmake -S "$top" -B "$top/build-asan" -DCMAKE_BUILD_TYPE=Debug -DMERGOLA_FUZZ=ON \
  -DMERGOLA_BENCH=OFF
cmake --build "$top/build-asan" -j"$jobs"
(cd "$top/build-asan" && MERGOLA_CUPS_TEST=$cups ctest --output-on-failure -j"$jobs")

"$top/scripts/fuzz.sh" --quick
