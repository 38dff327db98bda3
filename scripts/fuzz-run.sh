#!/usr/bin/env bash
# Builds every fuzz target (clang, libFuzzer with ASan and UBSan) and runs each
# for a bounded time on a copy of its seeds, so that the seeds in the
# repository are never written to. Prints one line per target and fails when
# any target crashed, hung or broke one of its checks; the input that did it is
# kept under BUILD_DIR/fuzz-findings/NAME/.
#
#   scripts/fuzz-run.sh [NAME...]        all registered targets, or the ones named
#
# KITBOX_FUZZ_SECONDS    time per target (20)
# KITBOX_FUZZ_BUILD_DIR  clang build folder, configured when it is new (build-fuzz)
# KITBOX_FUZZ_JOBS       targets run at the same time (number of cores)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${KITBOX_FUZZ_SECONDS:-20}
build=${KITBOX_FUZZ_BUILD_DIR:-build-fuzz}
jobs=${KITBOX_FUZZ_JOBS:-$(nproc)}

if [ ! -f "$build/CMakeCache.txt" ]; then
    # Only the fuzz targets are built here; the programs and tests they do not
    # need are still configured, so leave the benchmarks out at least.
    CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKITBOX_WERROR=ON \
        -DKITBOX_BUILD_BENCH=OFF >/dev/null
fi
if ! grep -q '^CMAKE_CXX_COMPILER_ID:.*Clang\|^CMAKE_CXX_COMPILER:FILEPATH=.*clang' "$build/CMakeCache.txt"; then
    echo "fuzz: $build is not a clang build; remove it or set KITBOX_FUZZ_BUILD_DIR" >&2
    exit 2
fi
cmake --build "$build" --target kitbox_fuzz --parallel "$(nproc)"

registry="$build/fuzz-targets.txt"
if [ ! -s "$registry" ]; then
    echo "fuzz: no targets registered in $registry" >&2
    exit 2
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/kitbox-fuzz.XXXXXX")
trap 'rm -rf "$work"' EXIT

# run_target NAME PROGRAM DICT SEEDS...: writes "ok|FAIL <text>" to $work/NAME/result.
run_target() {
    local name=$1 program=$2 dict=$3
    shift 3
    local dir="$work/$name"
    mkdir -p "$dir/corpus" "$dir/artifacts"
    local n=0 seed_dir file
    for seed_dir in "$@"; do
        [ -d "$seed_dir" ] || continue
        while IFS= read -r -d '' file; do
            n=$((n + 1))
            cp "$file" "$dir/corpus/$n-$(basename "$file")"
        done < <(find "$seed_dir" -type f -print0)
    done
    local args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$dir/artifacts/")
    [ "$dict" = - ] || args+=(-dict="$dict")
    local rc=0
    # The outer limit catches a target that stops answering altogether.
    timeout --kill-after=10 $((seconds + 120)) "$program" "${args[@]}" "$dir/corpus" >"$dir/log" 2>&1 || rc=$?
    local runs corpus
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$dir/log" | tail -n1)
    corpus=$(find "$dir/corpus" -type f | wc -l)
    if [ "$rc" -eq 0 ] && [ "$n" -gt 0 ]; then
        echo "ok ${runs:-?} runs, seeds $n -> corpus $corpus" >"$dir/result"
    else
        local why="exit $rc"
        [ "$n" -gt 0 ] || why="no seeds in $*"
        echo "FAIL $why after ${runs:-?} runs" >"$dir/result"
    fi
}

selected=("$@")
names=()
while IFS=$'\t' read -r -a fields; do
    [ ${#fields[@]} -ge 4 ] || continue
    name=${fields[0]}
    if [ ${#selected[@]} -gt 0 ] && [[ ! " ${selected[*]} " =~ " $name " ]]; then
        continue
    fi
    names+=("$name")
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
        wait -n || true
    done
    run_target "${fields[@]}" &
done <"$registry"
wait

passed=0
failed=0
for name in "${names[@]}"; do
    result=$(cat "$work/$name/result" 2>/dev/null || echo "FAIL no result")
    echo "fuzz $name (${seconds} s): $result"
    if [[ $result == ok* ]]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        keep="$build/fuzz-findings/$name"
        mkdir -p "$keep"
        cp "$work/$name/log" "$keep/log"
        cp "$work/$name/artifacts/"* "$keep/" 2>/dev/null || true
        echo "---- $name: last lines of its log (whole log and failing input in $keep)"
        grep -v '^#[0-9]' "$work/$name/log" | tail -n 40
        echo "----"
    fi
done
if [ ${#names[@]} -eq 0 ]; then
    echo "fuzz: no target matched: ${selected[*]}" >&2
    exit 2
fi
echo "fuzz targets: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
