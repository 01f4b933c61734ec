#!/usr/bin/env bash
# Builds the project with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/ (the
# "asan" preset: the program's own code instrumented, the tests linked with the runtimes) and runs
# every test there. The normal build in build/ is not touched. The printable solid's tests build a
# dozen solids whose merging takes minutes each when instrumented: here they build two (the default
# flower and the narrowest) with the progress, cancel, option and 3MF checks; the normal build runs
# them all.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan -E '^tst_(printsolid|solidsizeestimate)$' "$@"
export ASAN_OPTIONS=detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tools/sanitizer/lsan.supp:print_suppressions=0
export QT_QPA_PLATFORM=offscreen
build-asan/tests/solid/tst_printsolid 'closedOutwardOnePiece:default' 'closedOutwardOnePiece:one ring of two narrow petals' \
    progressAndCancel options threeMfPackage
