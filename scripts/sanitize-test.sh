#!/usr/bin/env bash
# Builds everything with clang, AddressSanitizer and UndefinedBehaviorSanitizer
# from scratch and runs the whole ctest suite; the first memory error, leak or
# undefined behaviour fails the test that caused it. The fuzz targets are built
# in the same folder, so scripts/fuzz-run.sh can use it (KITBOX_FUZZ_BUILD_DIR).
#
# KITBOX_SANITIZE_BUILD_DIR   build folder (build-sanitize)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${KITBOX_SANITIZE_BUILD_DIR:-build-sanitize}
rm -rf "$build"
# -O1 keeps the instrumented programs fast enough for the suite's time limits
# and the stack traces readable.
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g" \
    -DKITBOX_WERROR=ON -DKITBOX_SANITIZE=ON -DKITBOX_BUILD_BENCH=OFF "$@"
cmake --build "$build" --parallel "$(nproc)"
cmake --build "$build" --target kitbox_fuzz --parallel "$(nproc)"

supp="$PWD/scripts/sanitizer-suppressions"
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=0"
export LSAN_OPTIONS="suppressions=$supp/lsan.txt:print_suppressions=0"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:suppressions=$supp/ubsan.txt"
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 900
