#!/usr/bin/env bash
# Renders the program's icon (resources/icons/kestar.svg) into the PNG sizes that the package
# installs and the program shows as its window icon. The PNGs are kept in the repository, so a
# build needs no SVG renderer; run this after changing the SVG (needs librsvg2-bin).
set -euo pipefail
icons=$(cd "$(dirname "$0")/../resources/icons" && pwd)
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" "$icons/kestar.svg" -o "$icons/kestar-$size.png"
done
ls -l "$icons"
