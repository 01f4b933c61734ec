#!/usr/bin/env bash
# Builds the Debian package from build/ and checks it as a user's machine sees it: lintian, install
# with apt, the menu entry and the software-centre entry validated, both manual pages rendered, the
# installed petalwright-cli's largest flower read back by an independent DXF reader (ezdxf), and a
# removal that leaves nothing behind. As root, after tools/build.sh (Debian 12).
#   tools/package-check.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh lintian desktop-file-utils appstream man-db dpkg-dev file fakeroot \
    bash-completion python3-ezdxf
start=$SECONDS
app_id=io.github.petalwright.Petalwright
step() { printf '\n== %s\n' "$*"; }
fail() { echo "package-check: $*" >&2; exit 1; }

step "package"
rm -rf build/package
cpack --config build/CPackConfig.cmake -B build/package >/dev/null
deb=$(ls build/package/petalwright_*.deb)
dpkg-deb --field "$deb" Package Version Section Depends Recommends

step "lintian"
lintian --fail-on error --display-info "$deb" 2>&1 | grep -v 'running with root privileges' || true
lintian --fail-on error "$deb" >/dev/null 2>&1 || fail "lintian reports errors"

step "software-centre entry and menu entry as packaged"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
appstreamcli validate-tree --no-net "$tree"

step "install"
if dpkg-query -W -f='${Status}' petalwright 2>/dev/null | grep -q "install ok installed"; then
    apt-get -o DPkg::Lock::Timeout=600 purge -y -qq petalwright >/dev/null
fi
DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "./$deb" >/dev/null
files=$(dpkg -L petalwright)
for f in /usr/bin/petalwright /usr/bin/petalwright-cli; do
    ! ldd "$f" | grep -q "not found" || fail "$f misses a shared library"
done

step "desktop-file-validate"
desktop-file-validate "/usr/share/applications/$app_id.desktop" && echo "$app_id.desktop: no problems"
step "appstreamcli validate"
appstreamcli validate --no-net "/usr/share/metainfo/$app_id.metainfo.xml"

step "manual pages"
for page in petalwright petalwright-cli; do
    path=$(man -w "$page")
    [ "$path" = "/usr/share/man/man1/$page.1.gz" ] || fail "man finds $page at '$path'"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$path" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page(1): $warnings"
    LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$path" | head -n 4
done

step "help page"
page=/usr/share/petalwright/help/index.html
for ref in $(grep -o -E '(src|href)="[^"#:]+"' "$page" | sed -E 's/^[a-z]+="//; s/"$//'); do
    [ -f "$(dirname "$page")/$ref" ] || fail "the help page refers to a missing $ref"
done
echo "$page and everything it refers to"

step "completion"
bash -c 'source /usr/share/bash-completion/bash_completion; COMP_WORDS=(petalwright-cli --for); COMP_CWORD=1
         __load_completion petalwright-cli && _petalwright_cli && [ "${COMPREPLY[*]}" = --format ]' \
    || fail "Tab does not complete --for to --format"
echo "petalwright-cli --for<Tab> gives --format"

step "the installed petalwright-cli, read back"
readback=$(mktemp -d)
/usr/bin/petalwright-cli -q --seed 5 --petals 50 --overlap 50 --width 10 --scale 50 --angle-start 0 --angle-end 180 \
    "$readback/flower.dxf" || fail "the installed petalwright-cli cannot write the largest flower"
# Every face, the last layer and its tip, 40 x 50 straight up.
got=$(/usr/bin/python3 -c 'import sys, ezdxf
faces = ezdxf.readfile(sys.argv[1]).modelspace().query("3DFACE")
print(len(faces), faces[-1].dxf.layer, faces[-1].dxf.vtx3)' "$readback/flower.dxf") || fail "ezdxf cannot read the installed program's DXF file"
[ "$got" = "20000 d019999 (0.0, 2050.0, 0.0)" ] || fail "ezdxf reads the installed program's DXF file as: $got"
echo "ezdxf reads $got"
rm -rf "$readback"

step "the installed solid module, loaded on demand"
solid=$(mktemp -d)
/usr/bin/petalwright-cli -q --seed 1 --petals 3 --overlap 1 --size 40 --format print-stl "$solid/flower.stl" \
    || fail "the installed petalwright-cli cannot make a printable file"
# A binary STL: the count after the 80-byte head says how long the file is.
count=$(od -An -tu4 -j80 -N4 "$solid/flower.stl" | tr -d ' ')
[ "$(stat -c %s "$solid/flower.stl")" = $((84 + 50 * count)) ] && [ "$count" -gt 0 ] \
    || fail "the installed print-stl is not a whole binary STL"
rm -rf "$solid"
echo "print-stl of $count triangles through $(dpkg -L petalwright | grep 'petalwright-solid.so$')"

step "remove"
# remove, as a user would: with no configuration files, nothing must stay for a purge either.
apt-get -o DPkg::Lock::Timeout=600 remove -y -qq petalwright >/dev/null
left=$(while read -r f; do [ -e "$f" ] && [ ! -d "$f" ] && echo "$f"; done <<<"$files" || true)
[ -z "$left" ] || fail "left behind: $left"
for d in /usr/share/petalwright /usr/share/doc/petalwright; do [ ! -e "$d" ] || fail "left behind: $d"; done
! dpkg-query -W petalwright >/dev/null 2>&1 || fail "dpkg still knows petalwright"
echo "removed; none of its $(wc -l <<<"$files") paths is left but shared folders"

echo
echo "package-check: done in $((SECONDS - start)) s"
