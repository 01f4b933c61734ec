#!/usr/bin/env bash
# Renders the pictures of the help page (docs/help/images/): for each of the six numbers, the
# flower at three values with the other five at their defaults, all with the same ring turns.
#   tools/help-pictures.sh        (builds petalwright-picture first when it is missing)
set -euo pipefail
cd "$(dirname "$0")/.."
picture=build/tools/picture/petalwright-picture
[ -x "$picture" ] || bash tools/build.sh
bash tools/install-packages.sh optipng
out=docs/help/images
mkdir -p "$out"

# option and its three values; the file is OPTION-VALUE.png
rows=(
    "petals 3 6 16"
    "overlap 1 3 12"
    "width 1 5 10"
    "scale 0.2 0.5 2"
    "angle-start 0 45 90"
    "angle-end 90 135 180"
)
for row in "${rows[@]}"; do
    read -r option values <<<"$row"
    for value in $values; do
        file=$out/$option-$value.png
        "$picture" --seed 3 --size 160x160 "--$option" "$value" "$file" 2>/dev/null
        optipng -quiet -o5 -strip all "$file"
        echo "$file"
    done
done
