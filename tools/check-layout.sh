#!/usr/bin/env bash
# Every include arrow points down the rooms: app -> windows -> widgets -> platform -> solid/formats -> geometry.
# Prints each arrow that runs up and fails when there is one; the core must not include Qt either.
set -euo pipefail
cd "$(dirname "$0")/../src"
grep -rnoE --include='*.h' --include='*.cpp' '#include "[a-z]+/' . | awk -F: '
    BEGIN { split("geometry formats solid platform widgets windows app", order, " ")
            for (i in order) rank[order[i]] = i }
    { from = $1; sub(/^\.\//, "", from); sub(/\/.*/, "", from)
      to = $3; sub(/^#include "/, "", to); sub(/\/$/, "", to)
      if ((to in rank) && (from in rank) && rank[to] > rank[from]) { print "up: " $1 ":" $2 " includes " to "/"; bad = 1 } }
    END { exit bad }'
if grep -rlE '#include <Q' geometry formats; then echo "the core includes Qt"; exit 1; fi
