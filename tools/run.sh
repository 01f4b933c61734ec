#!/usr/bin/env bash
# Installs what is missing, builds, and starts Petalwright. Without a display (a server or a
# container) it writes the default flower with the command line instead.
set -euo pipefail
here=$PWD
cd "$(dirname "$0")/.."
bash tools/build.sh --program
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec build/src/petalwright "$@"
fi
echo "画面がないため、コマンドラインで既定の花を $here/flower.dxf に書き出します。" >&2
exec build/src/petalwright-cli "$here/flower.dxf"
