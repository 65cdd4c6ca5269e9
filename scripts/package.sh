#!/usr/bin/env bash
# Builds Mergola in Release for /usr into build-deb/ and makes the Debian
# package build-deb/mergola_<version>_<arch>.deb with CPack's DEB generator,
# then has lintian check it: an error fails the script, warnings are shown.
# Prints the package's path as its last line.
#
# The compiler and linker flags are Debian's own (dpkg-buildflags, without
# debugging information), so the binaries are hardened as Debian's are.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-deb"
"$top/scripts/setup.sh" >&2

export DEB_CFLAGS_MAINT_STRIP=-g DEB_CXXFLAGS_MAINT_STRIP=-g
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
export CFLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags"
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags"
export LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
# Only what the package holds is built; CPack's install then builds nothing more.
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr -DMERGOLA_BENCH=OFF \
  -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >&2
cmake --build "$build" -j"$(nproc)" --target mergola mergola-cli bmp2jpeg >&2
rm -f "$build"/mergola_*.deb
(cd "$build" && cpack -G DEB) >&2
package=$(ls "$build"/mergola_*.deb)

if command -v lintian >/dev/null; then
  # lintian's exit status counts errors only; warnings and notes are shown.
  lintian --info "$package" >&2
fi
echo "$package"
