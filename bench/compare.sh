#!/usr/bin/env bash
# Builds the table of README's "Performance" section: whole mergola-cli
# commands beside a plain single-thread C++ program doing the same kind of
# work (limit.cpp) and beside ImageMagick, GraphicsMagick and libvips where
# they have the same operation. Those three are for measuring only
# (Debian's imagemagick, graphicsmagick, libvips-tools); a missing one
# leaves its column empty.
#
#   bench/compare.sh [BUILD_DIR] [WIDTH] [HEIGHT] [RUNS]
#
# Defaults: build/, 4000 x 3000, 5 runs. Every command runs RUNS times,
# interleaved with the others, and its minimum wall time counts. A
# filter's cost is its whole command less the load-and-save command; the
# plain program's figures are per operation in memory, so its "load+save"
# line is a read, a write and a process start.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
width=${2:-4000}
height=${3:-3000}
runs=${4:-5}
cli="$build/bin/mergola-cli"
[[ -x "$cli" ]] || { echo "no $cli: build first" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/dev/shm}/mergola-compare.XXXXXX" 2>/dev/null || mktemp -d)
trap 'rm -rf "$work"' EXIT
gcc -O2 -o "$work/gen_bmp" "$here/gen_bmp.c"
g++ -O3 -march=x86-64-v2 -o "$work/limit" "$here/limit.cpp"
"$work/gen_bmp" "$width" "$height" 1 "$work/A.bmp"
"$work/gen_bmp" "$width" "$height" 2 "$work/B.bmp"
A="$work/A.bmp"
B="$work/B.bmp"
O="$work/o"

# The peers' real programs: Debian 12 calls ImageMagick's convert-im6.q16.
im=$(command -v convert-im6.q16 || command -v magick || true)
gm=$(command -v gm || true)
vips=$(command -v vips || true)
cjpeg=$(command -v cjpeg || true)

declare -A best
names=()
commands=()
add() { names+=("$1"); commands+=("$2"); }

# Mergola. q 75 is the encoder's 76.
add m.loadsave "$cli --input $A --output $O.bmp"
for op in greyscale negative light gamma swap-colors-1 contrast-pos contrast-neg blur sharpen edge emboss \
          engrave relief contour pixelize aqua coldept addnoise deffuse flip-horizontal flip-vertical border; do
  add "m.$op" "$cli --input $A --apply $op --output $O.bmp"
done
add m.onder "$cli --slot1 $A --slot2 $B --size ${width}x${height} --combine 3 --output $O.bmp"
add m.painting "$cli --slot1 $A --slot2 $B --size ${width}x${height} --combine 2 --output $O.bmp"
add m.door "$cli --slot1 $A --slot2 $B --size ${width}x${height} --combine 1 --output $O.bmp"
add m.jpg "$cli --input $A --output $O.jpg"
add m.version "$cli --version"
[[ -n "$cjpeg" ]] && add c.jpg "$cjpeg -sample 1x1 -quality 76 -outfile $O-c.jpg $A"
add plain.start "/bin/true"
for tool in im gm; do
  exe=${!tool}
  [[ -n "$exe" ]] || continue
  sub=""; [[ $tool == gm ]] && sub="convert"
  add "$tool.loadsave" "$exe $sub $A $O-$tool.bmp"
  add "$tool.negative" "$exe $sub $A -negate $O-$tool.bmp"
  add "$tool.flip-horizontal" "$exe $sub $A -flop $O-$tool.bmp"
  add "$tool.flip-vertical" "$exe $sub $A -flip $O-$tool.bmp"
  add "$tool.onder" "$exe $sub $A $B -append $O-$tool.bmp"
  add "$tool.jpg" "$exe $sub $A -sampling-factor 1x1 -quality 76 $O-$tool.jpg"
done
if [[ -n "$vips" ]]; then
  add vips.loadsave "$vips copy $A $O-vips.bmp"
  add vips.negative "$vips invert $A $O-vips.bmp"
  add vips.flip-horizontal "$vips flip $A $O-vips.bmp horizontal"
  add vips.flip-vertical "$vips flip $A $O-vips.bmp vertical"
  add vips.onder "$vips join $A $B $O-vips.bmp vertical"
  add vips.jpg "$vips copy $A $O-vips.jpg[Q=76,no_subsample]"
fi

now() { date +%s%N; }
for ((round = 0; round <= runs; ++round)); do # round 0 warms the caches
  for i in "${!names[@]}"; do
    start=$(now)
    if ! ${commands[$i]} >/dev/null 2>"$work/err"; then
      best[${names[$i]}]=fail
      continue
    fi
    ms=$(( ($(now) - start) / 100000 )) # tenths of a millisecond
    ((round == 0)) && continue
    key=${names[$i]}
    cur=${best[$key]:-}
    [[ $cur == fail ]] && continue
    if [[ -z $cur ]] || ((ms < cur)); then best[$key]=$ms; fi
  done
done

# The plain program: its figures in milliseconds, by name.
declare -A plain
while read -r name ms; do
  [[ $name == \#* || -z $name ]] && continue
  plain[$name]=$ms
done < <("$work/limit" "$width" "$height" "$A" "$runs" 2>/dev/null)

ms() { local v=${best[$1]:-}; [[ -z $v || $v == fail ]] && { echo ""; return; }; awk -v t="$v" 'BEGIN{printf "%.0f", t/10}'; }
# A tool's cost for an operation: its command less its own load-and-save.
over() { local a=${best[$1]:-} b=${best[$2]:-}; [[ -z $a || -z $b || $a == fail || $b == fail ]] && { echo ""; return; }
  awk -v a="$a" -v b="$b" 'BEGIN{d=(a-b)/10; if (d < 0) d = 0; printf "%.0f", d}'; }
ratio() { [[ -z $1 || -z $2 ]] && { echo ""; return; }; awk -v a="$1" -v b="$2" 'BEGIN{ if (b <= 0) b = 0.5; printf "%.1f x", a/b}'; }
# A difference under a millisecond is within the noise of whole commands.
cell() { local t=$1 m=$2; [[ -z $t ]] && { echo "–"; return; }; [[ $t == 0 ]] && { echo "< 1 ms"; return; }
  echo "$t ms ($(ratio "$t" "$m"))"; }
p() { awk -v v="${plain[$1]:-0}" 'BEGIN{printf "%.0f", v}'; }
start_ms=$(ms plain.start)
copies3=$(awk -v m="${plain[memcpy]}" 'BEGIN{printf "%.0f", 3*m}')
plus3() { awk -v a="$1" -v c="$copies3" 'BEGIN{printf "%.0f", a + c}'; }

echo "Picture ${width} x ${height}, minimum of $runs interleaved runs, $(nproc) cores, $(date -u +%Y-%m-%d)."
echo "Operations: cost over the load-and-save command; the plain figure is the same kind of work in memory"
echo "plus three picture copies (the engine's two buffers and the copy back). Peers: their time (their ratio to Mergola)."
echo
echo "| operation | Mergola | plain C++ | Mergola / plain | ImageMagick | GraphicsMagick | libvips |"
echo "|---|---|---|---|---|---|---|"
row() { # label mergola plain im gm vips
  local r m; r=$(ratio "$2" "$3"); m="${2:-–} ms"; [[ $2 == 0 ]] && { m="< 1 ms"; r=""; }
  echo "| $1 | $m | $3 ms | $r | $(cell "$4" "$2") | $(cell "$5" "$2") | $(cell "$6" "$2") |"
}
loadsave_plain=$(awk -v r="${plain[bmp_read]}" -v w="${plain[bmp_write]}" -v s="$start_ms" 'BEGIN{printf "%.0f", r+w+s}')
row "load + save BMP (whole command)" "$(ms m.loadsave)" "$loadsave_plain" "$(ms im.loadsave)" "$(ms gm.loadsave)" "$(ms vips.loadsave)"
jpg_plain=$(ms c.jpg)
echo "| JPG q75, 4:4:4 (whole command; plain = cjpeg) | $(ms m.jpg) ms | ${jpg_plain:-–} ms | $(ratio "$(ms m.jpg)" "$jpg_plain") | $(cell "$(ms im.jpg)" "$(ms m.jpg)") | $(cell "$(ms gm.jpg)" "$(ms m.jpg)") | $(cell "$(ms vips.jpg)" "$(ms m.jpg)") |"
onder_plain=$(awk -v r="${plain[bmp_read]}" -v w="${plain[bmp_write]}" -v a="${plain[append2]}" 'BEGIN{printf "%.0f", r + w + a}')
row "Onder elkaar (over load + save)" "$(over m.onder m.loadsave)" "$onder_plain" "$(over im.onder im.loadsave)" "$(over gm.onder gm.loadsave)" "$(over vips.onder vips.loadsave)"
for mode in painting door; do
  row "combine $mode (over load + save)" "$(over m.$mode m.loadsave)" "$onder_plain" "" "" ""
done
row "negative" "$(over m.negative m.loadsave)" "$(plus3 "$(p negate_bgr_xor)")" "$(over im.negative im.loadsave)" "$(over gm.negative gm.loadsave)" "$(over vips.negative vips.loadsave)"
row "flip horizontal" "$(over m.flip-horizontal m.loadsave)" "$(p flop)" "$(over im.flip-horizontal im.loadsave)" "$(over gm.flip-horizontal gm.loadsave)" "$(over vips.flip-horizontal vips.loadsave)"
row "flip vertical" "$(over m.flip-vertical m.loadsave)" "$(p flip)" "$(over im.flip-vertical im.loadsave)" "$(over gm.flip-vertical gm.loadsave)" "$(over vips.flip-vertical vips.loadsave)"
for op in greyscale light gamma swap-colors-1 contrast-pos contrast-neg border; do
  row "$op" "$(over m.$op m.loadsave)" "$(plus3 "$(p gamma_lut)")" "" "" ""
done
for op in blur sharpen edge; do
  row "$op" "$(over m.$op m.loadsave)" "$(plus3 "$(p blur3x3_inplace_running)")" "" "" ""
done
for op in emboss engrave relief contour pixelize aqua coldept addnoise deffuse; do
  row "$op" "$(over m.$op m.loadsave)" "$(plus3 "$(p blur3x3_naive)")" "" "" ""
done
echo "| process start (--version) | $(ms m.version) ms | $start_ms ms (/bin/true) | | | | |"
