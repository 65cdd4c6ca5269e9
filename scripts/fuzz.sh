#!/usr/bin/env bash
# Runs every fuzz target for a while from its seed corpus (and whatever
# earlier runs added to build-fuzz/corpus/), with the format's dictionary.
#
#   scripts/fuzz.sh [SECONDS]   seconds per target (default 15)
#
# Needs the sanitizer build in build-asan (scripts/test.sh makes it).
# Inputs that crash, leak, hang or run out of memory are written to
# build-fuzz/findings/ and the script fails; copy each into
# fuzz/corpus/TARGET/ once its bug is fixed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-15}
bin="$top/build-asan/bin"
work="$top/build-fuzz"
mkdir -p "$work/findings"
status=0
for target in settings decode options bmp_roundtrip; do
  corpus="$work/corpus/$target"
  mkdir -p "$corpus"
  dict=()
  [[ -f "$top/fuzz/dict/$target.dict" ]] && dict=(-dict="$top/fuzz/dict/$target.dict")
  echo "fuzzing $target for ${seconds}s"
  if ! (cd "$work" && \
        ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
        LSAN_OPTIONS=suppressions="$top/tests/support/lsan.supp" \
        "$bin/${target}_fuzz" "${dict[@]}" -max_total_time="$seconds" -timeout=5 -rss_limit_mb=2048 \
          -artifact_prefix="$work/findings/$target-" -print_final_stats=1 \
          "$corpus" "$top/fuzz/corpus/$target" 2>"$work/$target.log"); then
    echo "fuzz target $target found a problem; see $work/$target.log and $work/findings/" >&2
    tail -40 "$work/$target.log" >&2
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$work/$target.log" || true
done
exit $status
