#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and fuzzes the parameter texts.
#   tools/fuzz.sh [SECONDS]     (default 60; extra arguments go to libFuzzer, e.g. -jobs=2)
# Installs clang and its runtime when missing (Debian 12, as root). New inputs collect in
# build-fuzz/corpus/, crashes in build-fuzz/artifacts/; the shipped seeds in fuzz/corpus/ stay as they are.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
shift || true

bash tools/install-packages.sh clang libclang-rt-14-dev cmake ninja-build

CC=clang CXX=clang++ cmake -S fuzz -B build-fuzz -G Ninja >/dev/null
cmake --build build-fuzz

mkdir -p build-fuzz/corpus/parameters build-fuzz/artifacts
./build-fuzz/fuzz_parameters \
    -dict=fuzz/parameters.dict \
    -max_total_time="$seconds" \
    -timeout=10 \
    -rss_limit_mb=2048 \
    -print_final_stats=1 \
    -artifact_prefix=build-fuzz/artifacts/ \
    "$@" \
    build-fuzz/corpus/parameters fuzz/corpus/parameters
