#!/usr/bin/env bash
# Builds the browser version into build/web/ (Debian 12, as root; installs what is missing):
# emscripten compiles the core (src/geometry, src/formats) and web/bindings into
# petalwright-core.{js,wasm}, and the page, its worker, font, icons and help page are copied beside
# it. A static site with relative addresses only: serve the folder with any web server.
#   tools/web-build.sh           the site
#   tools/web-build.sh --tests   also what its tests need: Debian's chromium, npm's playwright-core and axe-core
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

lists=(web)
[ "${1:-}" = --tests ] && lists+=(web-tests)
bash tools/install-packages.sh $(bash tools/package-list.sh "${lists[@]}")
command -v npm >/dev/null || bash tools/install-packages.sh nodejs npm
# npm's packages at the versions pinned in web/package-lock.json: the printable types' union library
# (manifold-3d, served with the site) and the tests' browser driver and accessibility checker.
[ -f web/node_modules/manifold-3d/package.json ] && [ -f web/node_modules/playwright-core/package.json ] \
    && [ -f web/node_modules/axe-core/package.json ] || npm ci --prefix web --no-audit --no-fund --loglevel=error

# emscripten's optimizer needs Debian's acorn, which node 20 does not find by itself.
export NODE_PATH=/usr/share/nodejs
# The two header-only libraries alone, without the rest of /usr/include, which clashes with
# emscripten's own headers.
mkdir -p build/web-numbers
ln -sfn /usr/include/fmt build/web-numbers/fmt
ln -sfn /usr/include/fast_float build/web-numbers/fast_float
if [ ! -f build/web-core/build.ninja ]; then
    emcmake cmake -S web -B build/web-core -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DPETALWRIGHT_NUMBERS_INCLUDE="$root/build/web-numbers" >/dev/null
fi
cmake --build build/web-core

site=build/web
rm -rf "$site"
mkdir -p "$site/fonts" "$site/icons" "$site/help" "$site/images"
cp web/site/*.html web/site/*.css web/site/*.js web/site/manifest.webmanifest "$site/"
rm "$site/sw.js" # written below with its list of files
cp build/web-core/petalwright-core.js build/web-core/petalwright-core.wasm "$site/"
# The union library of the printable types, loaded by a job's worker only when one is made; its licence beside it.
cp web/node_modules/manifold-3d/manifold.js web/node_modules/manifold-3d/manifold.wasm "$site/"
cp web/node_modules/manifold-3d/LICENSE "$site/manifold-LICENSE.txt"
# Beside it the crossing mender (CGAL's headers from Debian's libcgal-dev, compiled with the core), and
# CGAL's copyright as Debian gives it (its mesh repair is GPL-3+; our source is web/bindings/MeshMendBindings.cpp).
cp build/web-core/petalwright-mend.js build/web-core/petalwright-mend.wasm "$site/"
cp /usr/share/doc/libcgal-dev/copyright "$site/mend-LICENSE.txt"
# IPA Gothic as a WOFF2 subset of the characters the page and the help page show: their own text
# and every text the core gives the page (labels, messages, samples, type names: the sources of the
# core and the bindings, whose comments are ASCII). What a user types beyond it comes from the
# system's Japanese fonts behind it in the style's font list. The IPA Font License lets a subset be
# passed on as a derived font that carries neither the original's name nor its file name, with the
# licence and the way back to the original beside it (fonts/README.txt).
/usr/bin/python3 - /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf "$site/fonts/page-gothic.woff2" \
    web/site/*.html web/site/*.js docs/help/index.html web/bindings/CoreBindings.cpp src/geometry/*.cpp src/formats/*.cpp src/solid/SolidOptions.cpp <<'PY'
import sys
from fontTools import subset
from fontTools.ttLib import TTFont
font_file, out_file, *sources = sys.argv[1:]
characters = {chr(c) for c in range(0x20, 0x7F)} | set('０１２３４５６７８９（）＋－：、。・「」～')
for path in sources:
    characters |= {c for c in open(path, encoding='utf-8').read() if ord(c) > 0x7F}
options = subset.Options()
options.flavor = 'woff2'
options.layout_features = ['*']
font = TTFont(font_file)
subsetter = subset.Subsetter(options)
subsetter.populate(text=''.join(sorted(characters)))
subsetter.subset(font)
family = 'Petalwright Page Gothic'
names = font['name']
names.names = [n for n in names.names if n.nameID not in (1, 3, 4, 6, 16, 17)]
for name_id, value in ((1, family), (3, family + ' subset'), (4, family), (6, family.replace(' ', ''))):
    names.setName(value, name_id, 3, 1, 0x409)
    names.setName(value, name_id, 1, 0, 0)
font.flavor = 'woff2'
font.save(out_file)
PY
cat > "$site/fonts/README.txt" <<'TXT'
page-gothic.woff2 ("Petalwright Page Gothic") is a derived font of IPA Gothic (IPAゴシック, ipag.ttf,
version 003.03): the glyphs of the characters this site shows, nothing else changed, made by
tools/web-build.sh with fontTools from Debian's fonts-ipafont-gothic. It is licensed under the
IPA Font License Agreement v1.0 (IPA_Font_License.txt).

To use the original font instead: install IPA Gothic (Debian: apt-get install fonts-ipafont-gothic,
or from https://moji.or.jp/ipafont/), copy ipag.ttf into this folder and change the @font-face rule
in style.css to  src: url("fonts/ipag.ttf") format("truetype");
TXT
cp /usr/share/doc/fonts-ipafont-gothic/copyright "$site/fonts/IPA_Font_License.txt"
cp /usr/share/doc/fonts-ipafont-gothic/Readme_IPAfont00303.txt "$site/fonts/"
cp data/icons/hicolor/scalable/apps/petalwright.svg "$site/icons/"
for size in 32 128 256 512; do
    cp "data/icons/hicolor/${size}x${size}/apps/petalwright.png" "$site/icons/petalwright-$size.png"
done
cp -r docs/help/. "$site/help/"
# The help page's pictures from docs/images, where it looks for them (../images/).
grep -o 'src="\.\./images/[^"]*"' docs/help/index.html | sed 's|src="\.\./images/||; s|"$||' | sort -u | while read -r picture; do
    mkdir -p "$site/images/$(dirname "$picture")"
    cp "docs/images/$picture" "$site/images/$picture"
done
# Browsers ask for /favicon.ico by themselves; they take a PNG under that name.
cp "$site/icons/petalwright-32.png" "$site/favicon.ico"

# The service worker keeps every file of this build, its store named after their contents: the first
# visit stores all but the printable types' union library, which is stored when the page first asks for
# it (a printable type chosen), so a first visit does not fetch it.
on_demand="union-engine.js manifold.js manifold.wasm manifold-LICENSE.txt petalwright-mend.js petalwright-mend.wasm mend-LICENSE.txt"
files=$(cd "$site" && find . -type f ! -name sw.js | sed 's|^\./||' | sort)
build=$(cd "$site" && cat $files | sha256sum | cut -c1-16)
list=$(printf '"./"'; for f in $files; do case " $on_demand " in *" $f "*) ;; *) printf ', "%s"' "$f" ;; esac; done)
demand=$(printf '"%s", ' $on_demand | sed 's/, $//')
sed -e "s|@BUILD@|$build|" -e "s|@FILES@|$list|" -e "s|@ON_DEMAND@|$demand|" web/site/sw.js > "$site/sw.js"

echo "build/web: $(du -sk "$site" | cut -f1) KB in $(find "$site" -type f | wc -l) files; try: python3 -m http.server -d build/web"
