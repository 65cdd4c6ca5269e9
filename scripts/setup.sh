#!/usr/bin/env bash
# Installs the Debian packages Mergola needs to build, run and test, if any
# are missing. Safe to run again: it does nothing when all are present.
# qt6-image-formats-plugins lets Mergola read WebP and TIFF, libheif the
# phones' HEIC and AVIF; qt6-wayland shows its window as a native Wayland
# client, and libpipewire-0.3-dev and QtDBus (in qt6-base-dev) let its lens
# read a Wayland desktop's screen through the desktop portal. The headless
# Wayland desktop of the lens's tests (scripts/wayland-session.sh) is the
# line after xdotool; the desktop tools check the desktop entry, the
# metainfo and the man pages; Qt's translation tools build the English
# window; the last line makes and checks the Debian package
# (scripts/package.sh, scripts/package-test.sh).
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev libturbojpeg0-dev libheif-dev
  qt6-image-formats-plugins qt6-wayland libpipewire-0.3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation
  xvfb xauth xdotool
  sway swaybg xwayland grim xdg-desktop-portal xdg-desktop-portal-wlr pipewire pipewire-bin wireplumber
  dbus-daemon dbus-bin libwayland-dev libwayland-bin python3-dbus python3-gi passwd
  clang libclang-rt-14-dev
  desktop-file-utils appstream man-db groff-base
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  file dpkg-dev lintian debootstrap libheif-examples
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  if [[ $(id -u) -ne 0 ]]; then
    sudo_cmd=(sudo)
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -q
  "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
