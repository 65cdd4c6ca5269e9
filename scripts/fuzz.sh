#!/usr/bin/env bash
# Runs every fuzz target from its seed corpus (and whatever earlier runs
# added to build-fuzz/corpus/), with the format's dictionary.
#
#   scripts/fuzz.sh SECONDS     each target for SECONDS, with a random seed
#   scripts/fuzz.sh --quick     each target for a fixed number of inputs from a
#                               fixed seed: the same inputs on every machine,
#                               so the test command cannot fail by chance
#
# Needs the sanitizer build in build-asan (scripts/test.sh makes it).
# Inputs that crash, leak, hang or run out of memory are written to
# build-fuzz/findings/ and the script fails; copy each into
# fuzz/corpus/TARGET/ once its bug is fixed.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
bin="$top/build-asan/bin"
work="$top/build-fuzz"
if [[ "${1:-}" == "--quick" ]]; then
  budget=(-seed=1 -runs=3000)
  corpus_root="$work/quick"
  rm -rf "$corpus_root"
else
  budget=(-max_total_time="${1:-15}")
  corpus_root="$work/corpus"
fi
mkdir -p "$work/findings"
status=0
for target in settings decode options bmp_roundtrip; do
  corpus="$corpus_root/$target"
  mkdir -p "$corpus"
  dict=()
  [[ -f "$top/fuzz/dict/$target.dict" ]] && dict=(-dict="$top/fuzz/dict/$target.dict")
  echo "fuzzing $target (${budget[*]})"
  if ! (cd "$work" && \
        ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
        LSAN_OPTIONS=suppressions="$top/tests/support/lsan.supp" \
        "$bin/${target}_fuzz" "${dict[@]}" "${budget[@]}" -timeout=30 -rss_limit_mb=4096 \
          -artifact_prefix="$work/findings/$target-" -print_final_stats=1 \
          "$corpus" "$top/fuzz/corpus/$target" 2>"$work/$target.log"); then
    echo "fuzz target $target found a problem; see $work/$target.log and $work/findings/" >&2
    tail -40 "$work/$target.log" >&2
    status=1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb' "$work/$target.log" || true
done
exit $status
