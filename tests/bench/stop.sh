#!/usr/bin/env bash
# Ends everything the test bench in DIR runs: what start.sh and the tests recorded in DIR/pids, the
# prefix's wineserver, and every process left with the bench's environment, which is how Wine's own
# (services.exe, winedevice.exe, explorer.exe...) and those of a test that ctest ended on its
# TIMEOUT are found: a process stuck on a wineserver that is gone ignores wineserver -k.
dir=$(realpath -m "$1")
here=$(dirname "$(realpath "$0")")
export PATH="$here/../../tools/wine-bin:$PATH"
[ -d "$dir/prefix" ] && { WINEPREFIX="$dir/prefix" timeout 20 wineserver -k 2>/dev/null || true; }
if [ -f "$dir/pids" ]; then
    while read -r pid; do kill "$pid" 2>/dev/null || true; done <"$dir/pids"
    : >"$dir/pids"
fi

# The processes of this bench by their environment: its prefix, or its modem-line table.
bench_processes() {
    grep -lsxzF -e "WINEPREFIX=$dir/prefix" -e "QUORVEX_MODEM_LINES=$dir/modem-lines" /proc/[0-9]*/environ |
        cut -d/ -f3 | grep -vx "$$"
}
left=$(bench_processes)
[ -z "$left" ] && exit 0
# shellcheck disable=SC2086
kill $left 2>/dev/null
for _ in $(seq 100); do
    left=$(bench_processes)
    [ -z "$left" ] && exit 0
    sleep 0.05
done
echo "stop.sh: ending by force what is left of the bench in $dir:" >&2
# shellcheck disable=SC2086
"$here/process-state.sh" $left >&2
# shellcheck disable=SC2086
kill -KILL $left 2>/dev/null
exit 0
