#!/usr/bin/env bash
# `make bench`: sets up a bench of its own in build/bench (prefix, display, cables; the device
# link of COM3 for Search), runs bench_driver.exe there, ends everything it started by PID and
# prints the report, also left in build/bench/report.txt; then the network bridge's figures (natively).
#   run.sh [X64_BUILD [X86_BUILD]]    (default build/x64 and build/x86)
# Where this machine cannot run 32-bit programs, only the x64 build is measured.
# QUORVEX_BENCH_FIGURES=46 (the figures' numbers) measures only those, and not the bridge.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
x64=$(realpath "${1:-$root/build/x64}")
x86=$(realpath "${2:-$root/build/x86}")
dir=$root/build/bench
scripts=$root/tests/bench
report=$dir/report.txt

for exe in "$x64/tools/bench/bench_driver.exe" {"$x64","$x86"}/{Quorvex,tools/bench/bare_{writer,worker_writer,event_writer,dialog,panel_dialog,line_dialog}}.exe; do
    [ -f "$exe" ] || { echo "missing $exe: build first (make build)" >&2; exit 2; }
done

trap '"$scripts/stop.sh" "$dir"' EXIT
trap 'exit 130' INT TERM
# Paced cables: press-to-wire latency counts the 5.2 ms a frame takes on a 9600 baud line.
BENCH_ALL_PACED=1 "$scripts/start.sh" "$dir" "$x64/tests/bench_keeper.exe" >/dev/null
"$scripts/discovery-links.sh" "$dir"
echo "benchmarking (about two minutes per build)..."
builds=("$x64" "$x86")
"$root/tools/wine32-runs.sh" || builds=("$x64")  # the report says the x86 exe was not measured
"$scripts/wine-run.sh" "$dir" "$x64/tools/bench/bench_driver.exe" "$report" "${builds[@]}"
echo
cat "$report"
# The network bridge against quorvex-send and ser2net on native ptys: no Wine, after the rest.
[ -z "${QUORVEX_BENCH_FIGURES:-}" ] || exit 0
echo
/usr/bin/python3 "$root/tools/bridge/measure.py" "$root/build/native" 300 | tee -a "$report"
