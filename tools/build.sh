#!/usr/bin/env bash
# Installs what is missing (Debian 12, as root), then configures and builds into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-packages.sh cmake ninja-build g++ qt6-base-dev libgl-dev fonts-ipafont-gothic \
    qt6-translations-l10n python3-ezdxf assimp-utils libopenvdb-dev admesh
# The glTF validator of the glb tests, at the version pinned in its package-lock.json.
command -v npm >/dev/null || bash tools/install-packages.sh nodejs npm
[ -f tools/gltf-validator/node_modules/gltf-validator/package.json ] \
    || npm ci --prefix tools/gltf-validator --no-audit --no-fund --loglevel=error

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build
