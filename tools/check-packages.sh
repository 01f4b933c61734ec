#!/usr/bin/env bash
# Fails when a build read a header, a CMake file or a library from a Debian package that the
# README's two commands do not install, neither directly (the lists in tools/packages/) nor through
# what those packages depend on; such a build passes here only because the package happened to be
# on this machine. Names each such package with one file the build read from it.
#   tools/check-packages.sh [BUILD_DIR]    (default build/; its web-core/ is checked too when built)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# What one ninja build read from outside the sources: every header (ninja's deps log), the CMake
# files of its configure step, and the libraries on its link lines.
files_read() {
    local dir=$1
    ninja -C "$dir" -t deps | awk '/^ / { print $1 }'
    # The configure step's inputs: the implicit inputs of the statement that re-runs CMake.
    awk '/^build build\.ninja/ { on = 1 } on { print } on && !/\$$/ { exit }' "$dir/build.ninja" \
        | tr ' ' '\n' | grep '^/' || true
    ninja -C "$dir" -t commands | tr ' ' '\n' | grep -E '^/.*\.(so(\.[0-9.]+)?|a)$' || true
    # -lNAME as the compiler finds it (native builds only; emscripten resolves its own).
    if [ "$dir" = "$build" ]; then
        ninja -C "$dir" -t commands | tr ' ' '\n' | sed -n 's/^-l\(.*\)/\1/p' | sort -u | while read -r name; do
            found=$(g++ -print-file-name="lib$name.so")
            [ "$found" = "lib$name.so" ] || echo "$found"
        done
    fi
}

{
    files_read "$build"
    [ ! -f "$build/web-core/build.ninja" ] || files_read "$build/web-core"
} | sed 's/\$$//' | grep '^/' | sort -u | xargs -r -d '\n' realpath -m | sort -u \
    | grep -v -e "^$root/" -e '^/tmp/' > "$work/files" || true

# Which package holds each file. dpkg knows a file under the name its package gave it, which after
# the merge of /usr may be the /lib, /bin or /sbin spelling of a /usr path, or a link's own path.
xargs -r -d '\n' dpkg-query -S < "$work/files" 2> /dev/null | sed 's/: /\t/' > "$work/owned" || true
cut -f2 "$work/owned" | sort -u > "$work/found"
comm -23 "$work/files" "$work/found" > "$work/unowned"
while read -r f; do
    for other in "${f#/usr}" "$(grep -rlx --include='*.list' -F "${f#/usr}" /var/lib/dpkg/info 2>/dev/null | head -n1)"; do
        [ -n "$other" ] || continue
        if owner=$(dpkg-query -S "$other" 2> /dev/null); then
            printf '%s\t%s\n' "${owner%%: *}" "$f" >> "$work/owned"
            continue 2
        fi
    done
    echo "$f" >> "$work/nobody"
done < "$work/unowned"

# What the two commands install: the lists, node where the machine lacks it, the packages every
# Debian system has (essential or of required priority), and all that these depend on.
{
    bash tools/package-list.sh program tests web web-tests
    echo nodejs
    echo npm
    dpkg-query -W -f='${Package} ${Essential} ${Priority}\n' | awk '$2 == "yes" || $3 == "required" { print $1 }'
} | sort -u > "$work/wanted"
apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
    --no-enhances $(cat "$work/wanted") 2> /dev/null | grep -v '^ ' | tr -d '<>' | sort -u > "$work/brought"
sort -u "$work/wanted" "$work/brought" > "$work/allowed"

# A file is fine when any package that holds it is allowed (a file may be shared, "a, b: path").
bad=0
declare -A named=()
while IFS=$'\t' read -r owners f; do
    ok=0
    for owner in ${owners//,/ }; do
        grep -qxF "${owner%%:*}" "$work/allowed" && ok=1
    done
    [ "$ok" = 1 ] && continue
    [ -n "${named[$owners]:-}" ] && continue
    named[$owners]=1
    echo "check-packages: $owners is not installed by the README's commands, but the build read $f" >&2
    bad=1
done < "$work/owned"
if [ -s "$work/nobody" ]; then
    while read -r f; do
        echo "check-packages: no Debian package holds $f, which the build read" >&2
    done < <(head -n 5 "$work/nobody")
    bad=1
fi
[ "$bad" = 0 ] || {
    echo "check-packages: add the package to a list in tools/packages/ (or find why the build reads it)." >&2
    exit 1
}
echo "check-packages: $(wc -l < "$work/files") files read by the build, all from the $(wc -l < "$work/allowed") packages the README's commands bring"
