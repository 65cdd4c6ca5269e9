#!/usr/bin/env bash
# Sets up, builds and starts Mergola.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/setup.sh"
"$top/scripts/build.sh"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  echo "No display found: start Mergola on a virtual screen with: xvfb-run -a -s '-screen 0 1280x1024x24' $top/build/bin/mergola" >&2
  exit 1
fi
exec "$top/build/bin/mergola"
