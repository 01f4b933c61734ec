#!/usr/bin/env bash
# Installs what is missing (Debian 12, as root), then configures and builds into build/.
#   --program   only what the two programs need: no browser version and none of its test tools
set -euo pipefail
with_web=1
[ "${1:-}" = --program ] && with_web=0
cd "$(dirname "$0")/.."

bash tools/install-packages.sh cmake ninja-build g++ qt6-base-dev libgl-dev fonts-ipafont-gothic \
    qt6-translations-l10n python3-ezdxf assimp-utils libfmt-dev libfast-float-dev libopenvdb-dev libboost-dev zlib1g-dev admesh
# The glTF validator of the glb tests, at the version pinned in its package-lock.json.
command -v npm >/dev/null || bash tools/install-packages.sh nodejs npm
[ -f tools/gltf-validator/node_modules/gltf-validator/package.json ] \
    || npm ci --prefix tools/gltf-validator --no-audit --no-fund --loglevel=error

# The browser version and what its tests need (emscripten, chromium, playwright-core) into
# build/web-core and build/web, before the configure below registers its tests.
[ "$with_web" = 0 ] || bash tools/web-build.sh --tests >/dev/null

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
