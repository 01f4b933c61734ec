#!/usr/bin/env bash
# Every include arrow points down the rooms: app -> windows -> widgets -> platform -> solid/formats -> geometry.
# Prints each arrow that runs up or sideways and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/../src"
rank() {
    case "$1" in
        geometry) echo 1 ;; formats) echo 2 ;; solid) echo 3 ;; platform) echo 4 ;;
        widgets) echo 5 ;; windows) echo 6 ;; app) echo 7 ;; *) echo 0 ;;
    esac
}
bad=0
while IFS=: read -r file _ include; do
    from=${file%%/*}
    to=$(sed -E 's@.*#include "([a-z]+)/.*@\1@' <<<"$include")
    [ "$(rank "$to")" -ne 0 ] || continue
    if [ "$(rank "$to")" -gt "$(rank "$from")" ]; then
        echo "up: $file includes ${include#*#include }"
        bad=1
    fi
done < <(grep -rnE '#include "[a-z]+/' --include='*.h' --include='*.cpp' .| sed 's@^\./@@')
# The core is standard C++ only.
if grep -rlE '#include <Q' geometry formats; then echo "the core includes Qt"; bad=1; fi
exit $bad
