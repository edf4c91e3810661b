#!/bin/sh
# Renders the committed PNGs from their SVG sources (needs rsvg-convert,
# Debian package librsvg2-bin). The build copies the PNGs; run this after
# changing talvec.svg or clock.svg and commit the result.
set -eu
cd "$(dirname "$0")/.."
for size in 16 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" talvec.svg -o "icons/talvec-$size.png"
done
rsvg-convert clock.svg -o clock.png
