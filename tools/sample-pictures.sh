#!/usr/bin/env bash
# Renders every sample flower as its preview shows it into docs/images/samples/<name>.png and
# rewrites the table of samples between the two marker comments of README.md and of the help
# page docs/help/index.html.
#   tools/sample-pictures.sh                  pictures, README table and help page table
#   tools/sample-pictures.sh --html [PREFIX]  pictures, then only the help page's table on stdout;
#                                             PREFIX leads the picture paths (default
#                                             ../images/samples/, as seen from docs/help/)
set -euo pipefail
cd "$(dirname "$0")/.."

html=false
prefix=../images/samples/
case "${1:-}" in
    --html) html=true; prefix=${2:-$prefix} ;;
    "") ;;
    *) echo "使い方: tools/sample-pictures.sh [--html [PREFIX]]" >&2; exit 2 ;;
esac

cli=build/src/petalwright-cli
picture=build/tools/picture/petalwright-picture
[ -x "$cli" ] && [ -x "$picture" ] || bash tools/build.sh >&2

out=docs/images/samples
mkdir -p "$out"
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}

# One line per sample: name, Japanese name, the six values, separated by blanks.
mapfile -t samples < <("$cli" --list-presets)
[ ${#samples[@]} -gt 0 ] || { echo "見本の一覧を読めませんでした: $cli --list-presets" >&2; exit 1; }

# The same seed and view for every picture, so the files change only when a flower does.
rm -f "$out"/*.png
for line in "${samples[@]}"; do
    read -r name _ <<<"$line"
    "$picture" --preset "$name" --seed 1 --size 200x200 "$out/$name.png"
done

htmlTable() {
    echo '<table class="samples">'
    echo '<tr><th>見本</th><th>花びらの枚数</th><th>花びらの重なり</th><th>花びらの幅</th><th>花びらの拡大縮小</th><th>花びらを生やす角度（始まり）</th><th>花びらを生やす角度（終わり）</th></tr>'
    for line in "${samples[@]}"; do
        read -r name jp v1 v2 v3 v4 v5 v6 <<<"$line"
        printf '<tr><td><img src="%s%s.png" width="200" height="200" alt="%s"><br>%s (%s)</td>' "$prefix" "$name" "$jp" "$jp" "$name"
        printf '<td>%s</td>' "$v1" "$v2" "$v3" "$v4" "$v5" "$v6"
        printf '</tr>\n'
    done
    echo '</table>'
}
if $html; then
    htmlTable
    exit 0
fi

table=$(mktemp)
helpTable=$(mktemp)
trap 'rm -f "$table" "$helpTable"' EXIT
htmlTable > "$helpTable"
{
    echo '| Sample | petals | overlap | width | scale | start angle | end angle | Preview |'
    echo '|---|---:|---:|---:|---:|---:|---:|---|'
    for line in "${samples[@]}"; do
        read -r name jp v1 v2 v3 v4 v5 v6 <<<"$line"
        echo "| **$jp** \`$name\` | $v1 | $v2 | $v3 | $v4 | $v5 | $v6 | ![$jp]($out/$name.png) |"
    done
} > "$table"

begin='<!-- sample-flowers:begin -->'
end='<!-- sample-flowers:end -->'
# Replaces the lines between the markers of FILE with the lines of TABLE.
replaceBetween() {
    local file=$1 table=$2
    grep -qF "$begin" "$file" && grep -qF "$end" "$file" \
        || { echo "$file に $begin と $end の行がありません。" >&2; exit 1; }
    awk -v begin="$begin" -v end="$end" -v table="$table" '
        $0 == begin { print; while ((getline l < table) > 0) print l; skip = 1; next }
        $0 == end { skip = 0 }
        !skip { print }
    ' "$file" > "$file.new"
    mv "$file.new" "$file"
}
replaceBetween README.md "$table"
replaceBetween docs/help/index.html "$helpTable"
echo "README.md, docs/help/index.html: ${#samples[@]} samples, pictures in $out/" >&2
