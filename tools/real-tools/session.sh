#!/usr/bin/env bash
# The windowed part of tools/real-tools.sh, run inside xvfb-run: times LibreCAD opening each DXF
# file and saves the pictures of the flower in LibreCAD, Blender and FreeCAD.
#   session.sh WORK HERE IMAGES RESULTS FLOWERS "PICTURED_FORMATS" FLOWER:FORMAT:FILE...
set -euo pipefail
work=$1 here=$2 out=$3 results=$4 flowers=$5 pictured=$6
shift 6
export XDG_RUNTIME_DIR=$work HOME=$work/home
mkdir -p "$HOME/.config/LibreCAD"
# No welcome dialog; the window fills the screen below openbox's title bar.
printf '[Startup]\nFirstLoad=0\n[Geometry]\nWindowX=0\nWindowY=23\nWindowWidth=1024\nWindowHeight=616\n' \
    > "$HOME/.config/LibreCAD/LibreCAD.conf"
openbox >/dev/null 2>&1 &
sleep 1

now() { date +%s.%N; }
seconds_since() { awk -v a="$1" -v b="$(now)" 'BEGIN { printf "%.1f", b - a }'; }
# PNG with a 256-colour palette: a screenshot stays well below a few hundred KB.
save() { # WINDOW NAME
    import -frame -window "$1" "$work/shot.png"
    convert "$work/shot.png" -colors 256 "PNG8:$out/$2"
    echo "  $out/$2 ($(($(stat -c %s "$out/$2") / 1024)) KB)"
}

# LibreCAD has no scripting: the time runs from the start of the program until its title names
# the file, which it shows once the drawing is loaded. An empty drawing gives the start-up time.
librecad_version=$(dpkg-query -W -f='${Version}' librecad | sed 's/-.*//')
librecad_open() { # FLOWER FORMAT FILE LIMIT_SECONDS [PICTURE]
    local start win="" pid shown=false
    start=$(now)
    librecad "$3" >/dev/null 2>&1 &
    pid=$!
    while [ "$(seconds_since "$start" | cut -d. -f1)" -lt "$4" ]; do
        win=$(xdotool search --onlyvisible --name "LibreCAD - \[$(basename "$3")" 2>/dev/null | head -n1) || true
        [ -n "$win" ] && { shown=true; break; }
        sleep 0.1
    done
    local took
    took=$(seconds_since "$start")
    printf '{"flower": "%s", "rings": 0, "shading": "", "peak_kb": 0, "wall_s": %s, "result": {"tool": "LibreCAD %s", "file": "%s", "format": "%s", "ok": true, "shown": %s, "open_s": %s}}\n' \
        "$1" "$took" "$librecad_version" "$(basename "$3")" "$2" "$shown" "$took" >> "$results"
    if $shown && [ -n "${5:-}" ]; then
        sleep 1
        xdotool mousemove --window "$win" 727 42 click 1   # Zoom Auto on the view toolbar
        sleep 1.5
        save "$win" "$5"
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

librecad_open "(empty drawing)" dxf "$flowers/empty.dxf" 30
for entry in "$@"; do
    IFS=: read -r flower fmt file <<< "$entry"
    picture=""
    [ "$flower/$fmt" = default/cad-dxf ] && picture=librecad-cad-dxf.png
    librecad_open "$flower" "$fmt" "$file" 60 "$picture"
done

[ -n "$pictured" ] || exit 0

# Blender: its window, the flower imported as a user would and framed from above the side. The
# pointer rests in the empty part of the view, where it raises no tooltip.
xdotool mousemove 400 500
blender -b --factory-startup --python-expr \
    "import bpy; bpy.ops.wm.read_factory_settings(use_empty=True); bpy.ops.wm.save_as_mainfile(filepath='$work/empty.blend')" \
    >/dev/null 2>&1
for fmt in cad-dxf obj glb; do
    [[ " $pictured " == *" $fmt "* ]] || continue
    file=$flowers/default.$fmt
    [ "$fmt" = cad-dxf ] && file=$flowers/default.cad.dxf
    timeout 300 blender --factory-startup --window-geometry 0 0 1024 640 "$work/empty.blend" \
        --python "$here/blender_picture.py" -- "$file" "$fmt" "$work/shot.png" >/dev/null 2>&1 || true
    if [ -s "$work/shot.png" ]; then
        convert "$work/shot.png" -colors 256 "PNG8:$out/blender-$fmt.png"
        echo "  $out/blender-$fmt.png ($(($(stat -c %s "$out/blender-$fmt.png") / 1024)) KB)"
        rm "$work/shot.png"
    else
        echo "  no picture from Blender for $fmt" >&2
    fi
done

# FreeCAD: the STL file through the Mesh import, seen from its isometric corner.
if [[ " $pictured " == *" stl "* ]]; then
    rm -f "$work/ready"
    QTWEBENGINE_DISABLE_SANDBOX=1 FLOWER_FILE=$flowers/default.stl FLOWER_READY=$work/ready \
        freecad "$here/freecad_picture.py" >/dev/null 2>&1 &
    pid=$!
    for _ in $(seq 300); do [ -e "$work/ready" ] && break; sleep 0.2; done
    win=$(xdotool search --onlyvisible --name "FreeCAD" 2>/dev/null | head -n1) || true
    if [ -e "$work/ready" ] && [ -n "$win" ]; then
        xdotool windowmove "$win" 0 0 windowsize "$win" 1024 616
        sleep 1.5
        save "$win" freecad-stl.png
    else
        echo "  no picture from FreeCAD: the flower did not appear in its window" >&2
    fi
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
fi
