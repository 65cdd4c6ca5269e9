#!/usr/bin/env bash
# A menu filter's cost in the window beside the same filter in mergola-cli,
# both as CPU time (user + system, every thread), so that other work on a
# busy machine counts for neither.
#
#   bench/window_compare.sh [BUILD_DIR] [WIDTH] [HEIGHT] [RUNS] [FILTER...]
#
# Defaults: build/, 4000 x 3000, 3 runs, negative and blur. The window's
# figures are window_bench's least CPU time of one menu filter (and the
# least of its medians, three filters a window), once as a new undo step
# and once undone after each run, and the least of the medians of the CPU
# time the idle window then spent readying the next filter's memory on a
# thread of its own; the CLI's is
# its command's least CPU time less the least CPU time of the
# load-and-save command, the commands interleaved.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
width=${2:-4000}
height=${3:-3000}
runs=${4:-3}
shift $(($# < 4 ? $# : 4))
filters=("$@")
((${#filters[@]})) || filters=(negative blur)
cli="$build/bin/mergola-cli"
bench="$build/bin/window_bench"
[[ -x "$cli" && -x "$bench" ]] || { echo "build mergola-cli and window_bench first" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/dev/shm}/mergola-window.XXXXXX" 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
gcc -O2 -o "$work/gen_bmp" "$here/gen_bmp.c"
"$work/gen_bmp" "$width" "$height" 1 "$work/A.bmp"

declare -A best
cpu() { # the CPU ms of a command
  local TIMEFORMAT='%3U %3S' t
  t=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
  awk -v u="${t% *}" -v s="${t#* }" 'BEGIN{printf "%.1f", (u + s) * 1000}'
}
keep() { local cur=${best[$1]:-}; if [[ -z $cur ]] || awk -v a="$2" -v b="$cur" 'BEGIN{exit !(a < b)}'; then best[$1]=$2; fi; }
for ((round = 1; round <= runs; ++round)); do
  keep loadsave "$(cpu "$cli" --input "$work/A.bmp" --output "$work/o.bmp")"
  for f in "${filters[@]}"; do
    keep "cli.$f" "$(cpu "$cli" --input "$work/A.bmp" --apply "$f" --output "$work/o.bmp")"
  done
  for mode in step undo; do
    flag=(); [[ $mode == undo ]] && flag=(--undo)
    while read -r name least median most prepared; do
      [[ $name == \#* ]] && { [[ $mode == step ]] && idle="$least $median $most $prepared"; continue; }
      keep "$mode.$name" "$least"
      keep "$mode.median.$name" "$median"
      keep "$mode.prepared.$name" "${prepared:-0}"
    done < <("$bench" "$width" "$height" 3 "${flag[@]}" "${filters[@]}" 2>/dev/null)
  done
done

echo "Picture ${width} x ${height}, least CPU time of $runs interleaved runs, load average $(cut -d' ' -f1 /proc/loadavg)."
echo
echo "| filter | CLI | window, new undo step | window, filter undone | limit (1.3 x CLI + 10 ms) | readied while idle, new step / undone |"
echo "|---|---|---|---|---|---|"
for f in "${filters[@]}"; do
  awk -v f="$f" -v w="${best[step.$f]}" -v u="${best[undo.$f]}" -v wm="${best[step.median.$f]}" \
      -v um="${best[undo.median.$f]}" -v c="${best[cli.$f]}" -v l="${best[loadsave]}" \
      -v wp="${best[step.prepared.$f]}" -v up="${best[undo.prepared.$f]}" 'BEGIN{
    d = c - l; if (d < 0.5) d = 0.5
    printf "| %s | %.0f ms | %.0f ms (%.1f x), median %.0f ms | %.0f ms (%.1f x), median %.0f ms | %.0f ms | %.0f / %.0f ms |\n",
      f, d, w, w / d, wm, u, u / d, um, 1.3 * d + 10, wp, up }'
done
echo
echo "${idle:-}"
