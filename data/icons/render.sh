#!/usr/bin/env bash
# Renders the hicolor PNG icons from the scalable one. The PNGs are kept in
# the repository, so building needs no SVG renderer; run this (it needs
# rsvg-convert, Debian package librsvg2-bin) after changing the SVG.
set -euo pipefail
cd "$(dirname "$0")/hicolor"
svg=scalable/apps/example.mergola.Mergola.svg
for size in 16 24 32 48 64 128 256; do
  mkdir -p "${size}x${size}/apps"
  rsvg-convert -w "$size" -h "$size" "$svg" -o "${size}x${size}/apps/example.mergola.Mergola.png"
done
