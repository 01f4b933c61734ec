#!/usr/bin/env bash
# Builds the project with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ (the
# "asan" preset: the program's own code instrumented, the tests linked with the runtimes) and runs
# every test there. The normal build in build/ is not touched.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan "$@"
