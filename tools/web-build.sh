#!/usr/bin/env bash
# Builds the browser version into build/web/ (Debian 12, as root; installs what is missing):
# emscripten compiles the core (src/geometry, src/formats) and web/bindings into
# petalwright-core.{js,wasm}, and the page, its worker, font, icons and help page are copied beside
# it. A static site with relative addresses only: serve the folder with any web server.
#   tools/web-build.sh           the site
#   tools/web-build.sh --tests   also what its tests need: Debian's chromium and npm's playwright-core
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

lists=(web)
[ "${1:-}" = --tests ] && lists+=(web-tests)
bash tools/install-packages.sh $(bash tools/package-list.sh "${lists[@]}")
command -v npm >/dev/null || bash tools/install-packages.sh nodejs npm
if [ "${1:-}" = --tests ]; then
    [ -f web/node_modules/playwright-core/package.json ] \
        || npm ci --prefix web --no-audit --no-fund --loglevel=error
fi

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
cp web/site/index.html web/site/style.css web/site/app.js web/site/worker.js web/site/manifest.webmanifest "$site/"
cp build/web-core/petalwright-core.js build/web-core/petalwright-core.wasm "$site/"
# IPA Gothic, unmodified, with its licence (the IPA Font License allows passing the font on so).
cp /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf "$site/fonts/"
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

# The service worker keeps every file of this build; its store is named after their contents.
files=$(cd "$site" && find . -type f ! -name sw.js | sed 's|^\./||' | sort)
build=$(cd "$site" && cat $files | sha256sum | cut -c1-16)
list=$(printf '"./"'; for f in $files; do printf ', "%s"' "$f"; done)
sed -e "s|@BUILD@|$build|" -e "s|@FILES@|$list|" web/site/sw.js > "$site/sw.js"

echo "build/web: $(du -sk "$site" | cut -f1) KB in $(find "$site" -type f | wc -l) files; try: python3 -m http.server -d build/web"
