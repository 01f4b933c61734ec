#!/usr/bin/env bash
# The printable flowers in PrusaSlicer and FreeCAD: tools/real-tools.sh --print [CLI]
# For the default flower, every sample, a ring of two narrow petals, petals at 0 and at 180 degrees,
# flowers of 20 x 10 and 50 x 50 and the largest the checks take: PrusaSlicer's --info on the 3MF and
# the STL (manifold, one part, min_z 0, nothing repaired, the same size), a slicing with supports
# without warnings, and FreeCAD's mesh check
# of the STL (solid, no self-intersections, no non-manifold edges, one component). Prints one line
# per flower with the support's share of the filament (from the G-code's ;TYPE: lines) and the print
# time; exit status 1 when a check fails. Every flower is SIZE mm across (default 80). Slicing is slow
# on a small machine: FLOWERS="default tulip" checks only those.
set -euo pipefail
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
bash "$(dirname "$0")/../install-packages.sh" prusa-slicer freecad
declare -A flowers=(
    [default]="" [narrow]="--petals 2 --overlap 1 --width 1 --scale 1 --angle-start 90 --angle-end 90"
    [down]="--angle-start 0 --angle-end 0" [up]="--angle-start 180 --angle-end 180" [20x10]="--petals 20 --overlap 10"
    [50x50]="--petals 50 --overlap 50" [largest]="--petals 50 --overlap 50 --width 10 --scale 1 --angle-start 0 --angle-end 180")
for name in $("$cli" --list-presets | awk '{ print $1 }'); do flowers[$name]="--preset $name"; done
# The support's share of the extruded filament: the E of every extruding move, by the ;TYPE: above it.
# Every move with an E counts for the extruder's position, the retractions and their undoing (E alone)
# too, or the filament pushed back after each travel would count as extruded by the next line.
support_share() { # GCODE
    awk '/^;TYPE:/ { kind = substr($0, 7) } /^M83/ { rel = 1 } /^M82/ { rel = 0 }
        /^G92/ { for (i = 2; i <= NF; i++) if ($i ~ /^E/) e = substr($i, 2) + 0 }
        /^G1 / { for (i = 2; i <= NF; i++) if ($i ~ /^E/) { v = substr($i, 2) + 0; d = rel ? v : v - e; if (!rel) e = v
            if (d > 0 && / [XY]/) { all += d; if (kind ~ /^Support material/) support += d } } }
        END { if (all > 0) printf "support=%.1f%%", 100 * support / all }' "$1"
}
failed=0
for name in ${FLOWERS:-"${!flowers[@]}"}; do
    # shellcheck disable=SC2086
    "$cli" -q --seed 1 --size "${SIZE:-80}" ${flowers[$name]} "$work/$name.3mf"
    # shellcheck disable=SC2086
    "$cli" -q --seed 1 --size "${SIZE:-80}" --format print-stl ${flowers[$name]} "$work/$name.stl"
    info3mf=$(prusa-slicer --info "$work/$name.3mf" 2>/dev/null)
    infostl=$(prusa-slicer --info "$work/$name.stl" 2>/dev/null)
    sizes() { grep -E '^size_[xyz]' <<<"$1"; }
    problems=()
    grep -q '^manifold = yes' <<<"$info3mf" || problems+=("not manifold")
    grep -qE '^number_of_parts = +1$' <<<"$info3mf" || problems+=("not one part")
    grep -q '^min_z = 0.000000' <<<"$info3mf" || problems+=("min_z not 0")
    ! grep -qE '^(open_edges|facets_reversed|backwards_edges|degenerate_facets|edges_fixed)' <<<"$info3mf" || problems+=("repaired")
    [ "$(sizes "$info3mf")" = "$(sizes "$infostl")" ] || problems+=("3MF and STL differ in size")
    start=$(date +%s.%N)
    if ! nice -n 15 prusa-slicer --export-gcode --support-material --nozzle-diameter 0.4 --layer-height 0.2 --output "$work/$name.gcode" "$work/$name.3mf" >"$work/$name.log" 2>&1 \
        || grep -qiE 'warning|empty layer|make sure the object is printable' "$work/$name.log"; then
        problems+=("slicing: $(grep -iE 'warning|empty|printable|error' "$work/$name.log" | head -1)")
    fi
    seconds=$(echo "$(date +%s.%N) - $start" | bc)
    # FreeCAD writes its progress on the same line, with carriage returns: the answer is taken from within it.
    freecad=$(FLOWER_STL="$work/$name.stl" freecadcmd "$(dirname "$0")/freecad_mesh_check.py" 2>/dev/null | grep -ao 'MESHCHECK .*' || true)
    [ "${freecad#* }" = "$name.stl solid=True self_intersections=0 non_manifolds=False components=1 facets=${freecad##*facets=}" ] \
        || problems+=("FreeCAD: ${freecad:-no answer}")
    printf '%-14s %s facets=%s slicing=%.1fs %s %s %s\n' "$name" "$(sizes "$info3mf" | tr '\n' ' ')" \
        "$(grep -oP '^number_of_facets = \K.*' <<<"$info3mf")" "$seconds" "$(support_share "$work/$name.gcode" 2>/dev/null)" \
        "$(grep -E '^; estimated printing time \(normal mode\)' "$work/$name.gcode" 2>/dev/null | sed 's/; //')" \
        "${problems[*]:-ok}"
    [ ${#problems[@]} -eq 0 ] || failed=1
done
exit $failed
