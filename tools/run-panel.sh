#!/usr/bin/env bash
# Opens the control panel under Wine: on the user's display when there is one; otherwise on a
# private Xvfb display, where it takes a screenshot, closes the program and says where the
# screenshot is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe="$root/build/x64/Quorvex.exe"
bench="$root/tests/bench"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    export WINEPREFIX="$root/build/run/prefix" WINEDEBUG=-all
    [ -d "$WINEPREFIX" ] || { mkdir -p "$WINEPREFIX"; wineboot -i >/dev/null 2>&1; }
    exec wine "$exe"
fi

dir="$root/build/run/headless"
trap '"$bench/stop.sh" "$dir"' EXIT
"$bench/start.sh" "$dir" >/dev/null
source "$dir/env"
"$bench/wine-run.sh" "$dir" "$exe" &
panel=$!
echo $panel >>"$dir/pids"
for _ in $(seq 200); do
    xwininfo -display "$DISPLAY" -root -tree 2>/dev/null | grep -q '"Quorvex  V1.00"' && break
    sleep 0.1
done
sleep 1  # let the first paint finish before the capture
shot="$root/build/run/quorvex.png"
import -display "$DISPLAY" -window root -crop 480x720+0+0 "$shot"
kill "$panel" 2>/dev/null || true
echo "No display: the control panel ran under Xvfb. Screenshot: $shot"
