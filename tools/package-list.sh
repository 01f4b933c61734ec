#!/usr/bin/env bash
# Prints the Debian packages of the named lists in tools/packages/ (program, tests, web,
# web-tests), one a line, without comments or repeats.
#   tools/package-list.sh LIST...
set -euo pipefail
cd "$(dirname "$0")/packages"
for list in "$@"; do
    sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$list.txt"
done | awk '!seen[$1]++ { print $1 }'
