#!/usr/bin/env bash
# Proves the Debian package the way a user meets it. As root, in a clean
# Debian 12 made with `debootstrap --variant=minbase bookworm`, which reaches
# Debian's archive as this machine's apt-get does:
#   1. apt-get install ./mergola_*.deb (without Recommends, so Depends alone
#      must be enough);
#   2. mergola-cli turns a JPG and a HEIC into PNG (the JPG is made there by
#      mergola-cli through the converter library, the HEIC here by heif-enc);
#   3. the window opens on a virtual screen (Xvfb runs here, the program in
#      the new system, so nothing of this machine stands in for a missing
#      dependency);
#   4. apt-get purge mergola leaves none of the package's files.
# Every step runs and reports; the script fails if any failed.
#
#   scripts/package-test.sh [PACKAGE.deb]
#
# Without a package it makes one with scripts/package.sh. The new system
# lives under a temporary folder and goes when the script ends. The mirror
# is the first one apt uses here for Debian; MERGOLA_DEBIAN_MIRROR overrides.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
[[ $(id -u) -eq 0 ]] || { echo "package-test.sh needs root (debootstrap, chroot)" >&2; exit 1; }
"$top/scripts/setup.sh" >&2
package=${1:-$(bash "$top/scripts/package.sh" | tail -1)}
package=$(realpath "$package")
timeout_s=60
start=$SECONDS

mirror=${MERGOLA_DEBIAN_MIRROR:-$(apt-get indextargets --format '$(REPO_URI)' 'Codename: bookworm' 'Label: Debian' 2>/dev/null |
                                   head -1)}
mirror=${mirror:-http://deb.debian.org/debian}
proxy=
eval "$(apt-config shell proxy Acquire::http::Proxy)"

root=$(mktemp -d /var/tmp/mergola-package-test.XXXXXX)
xvfb_pid=
cleanup() {
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null
  rm -f "$root.debootstrap.log"
  for mounted in tmp/.X11-unix dev/pts dev proc; do
    mountpoint -q "$root/$mounted" && umount -l "$root/$mounted"
  done
  # Never delete through a mount that is still there.
  if findmnt -rn -o TARGET | grep -q "^$root"; then
    echo "package-test.sh: $root still has mounts; left in place" >&2
  else
    rm -rf "$root"
  fi
}
trap cleanup EXIT

failures=()
step() { echo "== $* ($((SECONDS - start)) s)" >&2; }
fail() { echo "FAILED: $*" >&2; failures+=("$*"); }
in_system() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

step "debootstrap --variant=minbase bookworm from $mirror"
http_proxy=$proxy debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 || {
  tail -20 "$root.debootstrap.log" >&2
  exit 1
}
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
[[ -n "$proxy" ]] && echo "Acquire::http::Proxy \"$proxy\";" >"$root/etc/apt/apt.conf.d/01proxy"
# A system thrown away at the end need not wait for each file to reach the disk.
echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/force-unsafe-io"
work="$root/tmp/package-test"
mkdir -p "$work"
cp "$package" "$work/"

step "apt-get install ./$(basename "$package")"
in_system apt-get update -q -o Acquire::Languages=none >&2
if ! in_system env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
     "/tmp/package-test/$(basename "$package")" >&2; then
  echo "FAILED: the package does not install" >&2
  exit 1
fi

# PNG width and height from its header, as "WxH".
png_size() {
  [[ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' \n')" == 89504e470d0a1a0a ]] || return 1
  local w h
  w=$(od -An -j16 -N4 -tu1 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }')
  h=$(od -An -j20 -N4 -tu1 "$1" | awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4 }')
  echo "${w}x${h}"
}
convert_to_png() {
  local from=$1 to=$2
  if ! in_system mergola-cli --input "/tmp/package-test/$from" --output "/tmp/package-test/$to" >&2; then
    fail "mergola-cli could not turn $from into $to"
  elif [[ "$(png_size "$work/$to" || true)" != 13x7 ]]; then
    fail "$to is not the 13 x 7 PNG of $from"
  fi
}

step "mergola-cli: JPG and HEIC into PNG"
cp "$top/tests/data/picture.png" "$work/picture.png"
if in_system mergola-cli --input /tmp/package-test/picture.png --output /tmp/package-test/picture.jpg >&2; then
  convert_to_png picture.jpg from-jpg.png
else
  fail "mergola-cli could not write a JPG (the converter library where the package put it)"
fi
if heif-enc -q 90 -o "$work/picture.heic" "$work/picture.png" >/dev/null; then
  convert_to_png picture.heic from-heic.png
else
  fail "heif-enc could not make the HEIC file here"
fi

step "the window on a virtual screen"
# Xvfb writes the number of the display it found free into the file.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
display=
for ((tenth = 0; tenth < timeout_s * 10; tenth++)); do
  display=$(cat "$work/display")
  [[ -n "$display" ]] && break
  sleep 0.1
done
if [[ -z "$display" ]]; then
  fail "Xvfb did not start"
else
  mkdir -p "$root/tmp/.X11-unix"
  mount --bind /tmp/.X11-unix "$root/tmp/.X11-unix"
  in_system env DISPLAY=":$display" mergola >"$work/window.log" 2>&1 &
  window_pid=$!
  shown=0
  for ((tenth = 0; tenth < timeout_s * 10; tenth++)); do
    if DISPLAY=":$display" xdotool search --name '^Mergola$' >/dev/null 2>&1; then
      shown=1
      break
    fi
    kill -0 "$window_pid" 2>/dev/null || break
    sleep 0.1
  done
  if ((shown)); then
    kill "$window_pid"
  else
    fail "no Mergola window appeared; its output: $(cat "$work/window.log")"
  fi
  wait "$window_pid" 2>/dev/null || true
fi

step "apt-get purge mergola"
in_system dpkg-query -L mergola >"$work/files"
in_system env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q mergola >&2 || fail "apt-get purge mergola failed"
if in_system dpkg-query -W -f '${Status}\n' mergola 2>/dev/null | grep -q installed; then
  fail "mergola is still installed"
fi
while read -r path; do
  [[ -e "$root$path" || -L "$root$path" ]] || continue
  # A folder stays where other files or packages still use it, as it should.
  if [[ ! -d "$root$path" ]] ||
     { [[ -z "$(ls -A "$root$path")" ]] && ! in_system dpkg-query -S "$path" >/dev/null 2>&1; }; then
    fail "left behind: $path"
  fi
done <"$work/files"

step "done"
if ((${#failures[@]})); then
  echo "package-test.sh: ${#failures[@]} step(s) failed:" >&2
  printf '  %s\n' "${failures[@]}" >&2
  exit 1
fi
echo "package-test.sh: the package installs, converts JPG and HEIC, opens its window and purges cleanly" \
  "($((SECONDS - start)) s)"
