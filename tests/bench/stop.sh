#!/usr/bin/env bash
# Ends everything start.sh started in DIR, by PID, and the prefix's wineserver.
dir=$(realpath -m "$1")
[ -d "$dir" ] || exit 0
WINEPREFIX="$dir/prefix" wineserver -k 2>/dev/null || true
if [ -f "$dir/pids" ]; then
    while read -r pid; do kill "$pid" 2>/dev/null || true; done <"$dir/pids"
    : >"$dir/pids"
fi
exit 0
