#!/usr/bin/env bash
# Renders the program icon, the flower the window draws, as PNG in the usual hicolor sizes into
# data/icons/hicolor/ (the SVG beside them is written by hand to match the same drawing).
#   tools/icon-pictures.sh        (builds petalwright-picture first when it is missing)
set -euo pipefail
cd "$(dirname "$0")/.."
picture=build/tools/picture/petalwright-picture
[ -x "$picture" ] || bash tools/build.sh
bash tools/install-packages.sh optipng

for size in 16 22 24 32 48 64 128 256 512; do
    out=data/icons/hicolor/${size}x${size}/apps/petalwright.png
    mkdir -p "$(dirname "$out")"
    "$picture" --icon "$size" "$out" 2>/dev/null
    optipng -quiet -o5 -strip all "$out"
    echo "$out"
done
