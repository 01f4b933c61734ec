#!/usr/bin/env bash
# Opens the flower files in the applications people use them with (Debian 12's Blender 3.4,
# FreeCAD 0.20 and LibreCAD 2.2), checks what comes in, prints the import times and saves
# pictures of the flower in each of them.
#   tools/real-tools.sh [CLI [IMAGE_FOLDER]]   (defaults: build/src/petalwright-cli, docs/images)
#   tools/real-tools.sh --print [CLI]          the printable formats in PrusaSlicer and FreeCAD
#                                              (tools/real-tools/print_check.sh)
# Run by hand, not in CI: the applications take about 1.8 GB once installed. Exit status 1 when
# a CAD-profile DXF, OBJ, STL or glTF file comes in wrong. The default DXF file (dxf) is imported
# too, for comparison, but not judged; its largest flower is left out (Blender needs minutes for
# it and LibreCAD does not finish) unless DXF_LARGEST=1.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = --print ]; then
    exec bash tools/real-tools/print_check.sh "$(realpath -m "${2:-build/src/petalwright-cli}")"
fi
here=$PWD/tools/real-tools
cli=$(realpath -m "${1:-build/src/petalwright-cli}")
out=$(realpath -m "${2:-docs/images}")
[ -x "$cli" ] || { echo "petalwright-cli not found: $cli (build it first, or name it)" >&2; exit 2; }

bash tools/install-packages.sh blender freecad librecad xvfb xauth xdotool openbox imagemagick time

work=$(mktemp -d)
# KEEP=1 leaves the flowers, the results and the logs of the last check for a closer look.
trap 'if [ "${KEEP:-0}" = 1 ]; then echo "kept: $work" >&2; else rm -rf "$work"; fi' EXIT
flowers=$work/flowers
results=$work/results.jsonl
mkdir -p "$flowers" "$out"
: > "$results"

# Three flowers: one ring (where bent four-point faces matter most), the window's default, and
# the largest the checks allow. The seed is fixed so every format carries the same ring turns.
names=(one-ring default largest)
declare -A rings=([one-ring]=1 [default]=6 [largest]=50)
declare -A values=(
    [one-ring]="--petals 12 --overlap 1 --width 10"
    [default]=""
    [largest]="--petals 50 --overlap 50 --width 10 --scale 50 --angle-start 0 --angle-end 180")
formats=(dxf)
if "$cli" -q --seed 1 --format cad-dxf "$work/probe.dxf" 2>/dev/null; then
    formats+=(cad-dxf obj stl glb)
else
    echo "$cli writes no --format yet: only the default DXF file is checked" >&2
fi
file_of() { # FLOWER FORMAT
    case $2 in dxf) echo "$flowers/$1.dxf" ;; cad-dxf) echo "$flowers/$1.cad.dxf" ;; *) echo "$flowers/$1.$2" ;; esac
}
for name in "${names[@]}"; do
    for fmt in "${formats[@]}"; do
        # dxf is the default, so it is written even by a build without --format.
        option=(--format "$fmt")
        [ "$fmt" != dxf ] || option=()
        # shellcheck disable=SC2086  # the values are separate words
        "$cli" -q --seed 1 ${values[$name]} "${option[@]}" "$(file_of "$name" "$fmt")"
    done
done
wanted() { # FLOWER FORMAT: false for the largest flower as dxf unless asked for
    [ "$1/$2" != largest/dxf ] || [ "${DXF_LARGEST:-0}" = 1 ]
}

# One line of results: the flower, its rings, the glTF shading if set, the process's peak memory
# and time (GNU time), and the tool's RESULT line; a check that gave none counts as a failed import.
record() { # TOOL FLOWER FORMAT SHADING LOG
    local line peak=0 wall=0
    line=$(sed -n 's/^RESULT //p' "$5" | tail -n1)
    if [ -z "$line" ]; then
        echo "$1 gave no result for $2 as $3; its output ends:" >&2
        tail -n 15 "$5" >&2
        line="{\"tool\": \"$1\", \"file\": \"$2\", \"format\": \"$3\", \"ok\": false, \"error\": \"no result\", \"import_s\": 0, \"objects\": 0}"
    fi
    read -r peak wall < <(tail -n1 "$work/time") || true
    printf '{"flower": "%s", "rings": %s, "shading": "%s", "peak_kb": %s, "wall_s": %s, "result": %s}\n' \
        "$2" "${rings[$2]}" "$4" "${peak:-0}" "${wall:-0}" "$line" >> "$results"
}

echo "Blender: importing in the background..."
blender_check() { # FLOWER FORMAT [SHADING]
    /usr/bin/time -f "%M %e" -o "$work/time" blender -b --factory-startup \
        --python "$here/blender_check.py" -- "$(file_of "$1" "$2")" "$2" "$flowers/$1.dxf" ${3:+"$3"} \
        > "$work/log" 2>&1 || true
    record Blender "$1" "$2" "${3:-}" "$work/log"
}
for name in "${names[@]}"; do
    for fmt in "${formats[@]}"; do
        if wanted "$name" "$fmt"; then blender_check "$name" "$fmt"; fi
    done
done
# Debian's Blender 3.4.1 with numpy 1.24 fails in its glTF importer with the default shading.
if [[ " ${formats[*]} " == *" glb "* ]]; then blender_check default glb NORMALS; fi

echo "FreeCAD: importing without its window..."
for name in "${names[@]}"; do
    for fmt in "${formats[@]}"; do
        # The glTF file is checked in Blender only.
        if [ "$fmt" = glb ] || ! wanted "$name" "$fmt"; then continue; fi
        FLOWER_SCRIPT=$here/freecad_check.py FLOWER_FILE=$(file_of "$name" "$fmt") FLOWER_FORMAT=$fmt \
            FLOWER_REFERENCE=$flowers/$name.dxf /usr/bin/time -f "%M %e" -o "$work/time" \
            freecadcmd "$here/freecad_check.py" > "$work/log" 2>&1 || true
        record FreeCAD "$name" "$fmt" "" "$work/log"
    done
done

echo "LibreCAD and the pictures, under Xvfb..."
shots=()
[[ " ${formats[*]} " == *" cad-dxf "* ]] && shots=(cad-dxf obj stl glb)
opened=()
for name in "${names[@]}"; do
    for fmt in dxf cad-dxf; do
        [[ " ${formats[*]} " == *" $fmt "* ]] && wanted "$name" "$fmt" && opened+=("$name:$fmt:$(file_of "$name" "$fmt")")
    done
done
printf '0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nENDSEC\r\n0\r\nEOF\r\n' > "$flowers/empty.dxf"
xvfb-run -a -s "-screen 0 1024x640x24" bash ${TRACE:+-x} "$here/session.sh" \
    "$work" "$here" "$out" "$results" "$flowers" "${shots[*]}" "${opened[@]}" ||
    echo "the windowed part stopped early (TRACE=1 shows where)" >&2

echo
echo "Flowers written by $cli (seed 1); import times measured inside each tool."
python3 "$here/summarise.py" "$results" "$flowers"
