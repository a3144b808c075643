#!/usr/bin/env bash
# Renders projconv.svg into the PNG sizes a desktop looks for, under
# hicolor/NxN/apps/. The PNGs are kept in the tree so that building needs no
# SVG renderer; run this (rsvg-convert, from Debian's librsvg2-bin) after
# changing the drawing, and commit both.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "$here/hicolor/${size}x$size/apps"
  rsvg-convert -w "$size" -h "$size" "$here/projconv.svg" -o "$here/hicolor/${size}x$size/apps/projconv.png"
done
