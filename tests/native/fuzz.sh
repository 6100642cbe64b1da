#!/usr/bin/env bash
# Runs each fuzz target for a bounded time from the checked-in seeds. What it finds new stays in
# the build tree; a crash leaves its input there too and fails the run.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:?usage: fuzz.sh BUILD_DIR}" && pwd)"
seconds="${FUZZ_SECONDS:-20}"
for target in port_text menu_template frame_splitter; do
    work="$build/fuzz/$target"
    mkdir -p "$work/found" "$work/crashes"
    echo "fuzz $target: ${seconds}s"
    if ! "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/crashes/" "$work/found" "$here/corpus/$target" >"$work/log" 2>&1; then
        tail -40 "$work/log"
        echo "fuzz $target: FAILED (input in $work/crashes)"
        exit 1
    fi
    grep -E '^stat::number_of_executed_units' "$work/log" | sed "s/^/    /"
done
