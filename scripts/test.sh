#!/usr/bin/env bash
# Installs what is missing, builds from scratch and runs every test.
#
#   scripts/test.sh [CMAKE_ARGS...]
#
# KITBOX_TEST_STAGES   which runs, in this order (default: normal)
#     normal     RelWithDebInfo build with g++, warnings as errors, whole ctest
#     sanitize   clang build with ASan and UBSan, whole ctest, halt on the first error
#                (scripts/sanitize-test.sh)
#     fuzz       every fuzz target for KITBOX_FUZZ_SECONDS (20) on its seeds, in the
#                sanitizer build when there is one (scripts/fuzz-run.sh)
#     all        the three
# KITBOX_TEST_BUILD_DIR   build folder of the normal run (build-test)
# CMAKE_ARGS go to the normal run's configuration only.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh

stages=${KITBOX_TEST_STAGES:-normal}
[ "$stages" = all ] && stages="normal sanitize fuzz"
for stage in $stages; do
    case $stage in
        normal | sanitize | fuzz) ;;
        *) echo "test.sh: unknown stage '$stage' (normal, sanitize, fuzz, all)" >&2; exit 2 ;;
    esac
done

started=$(date +%s)
stage_line() { echo "== $1 ($(( $(date +%s) - started )) s since start)"; }

for stage in $stages; do
    stage_line "$stage"
    case $stage in
        normal)
            build=${KITBOX_TEST_BUILD_DIR:-build-test}
            rm -rf "$build"
            cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKITBOX_WERROR=ON "$@"
            cmake --build "$build" --parallel "$(nproc)"
            ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 600
            ;;
        sanitize)
            ./scripts/sanitize-test.sh
            ;;
        fuzz)
            # The sanitizer build is a clang build and already holds the fuzz
            # targets; without it fuzz-run.sh configures its own.
            if [ -z "${KITBOX_FUZZ_BUILD_DIR:-}" ] && [ -f "${KITBOX_SANITIZE_BUILD_DIR:-build-sanitize}/fuzz-targets.txt" ]; then
                export KITBOX_FUZZ_BUILD_DIR=${KITBOX_SANITIZE_BUILD_DIR:-build-sanitize}
            fi
            ./scripts/fuzz-run.sh
            ;;
    esac
done
stage_line "done: $stages"
