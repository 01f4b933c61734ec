#!/usr/bin/env bash
# Prints what a screen reader sees of the main window: the program runs under Xvfb with Qt's
# accessibility bridge on a private AT-SPI bus, and tools/atspi/dump.py walks its tree.
# By hand, not in CI.   tools/atspi-dump.sh [PROGRAM]   (default build/src/petalwright)
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-packages.sh xvfb xauth dbus-x11 at-spi2-core python3-pyatspi
program=$(realpath "${1:-build/src/petalwright}")
export QT_ACCESSIBILITY=1 QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 NO_AT_BRIDGE=0
exec xvfb-run -a dbus-run-session -- bash -c '
    /usr/libexec/at-spi-bus-launcher --launch-immediately & launcher=$!
    sleep 1
    "$0" & app=$!
    sleep 3
    /usr/bin/python3 tools/atspi/dump.py petalwright
    kill $app $launcher 2>/dev/null || true
' "$program"
