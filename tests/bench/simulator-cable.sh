#!/usr/bin/env bash
# Usage: simulator-cable.sh DIR SIMULATOR [SIMULATOR_OPTIONS...]
# In the test bench in DIR, lays one more virtual cable whose Windows end is COM18 (and the device
# path of ROOT\PORTS\0018, for Search) and runs the multiviewer simulator on its Linux end, logging
# to DIR/cables/simulator/simulator.log. Its PIDs go to DIR/pids, so stop.sh ends them too.
#        simulator-cable.sh --remove DIR    takes the cable and the simulator away again.
set -euo pipefail
if [ "$1" = --remove ]; then
    d=$(realpath -m "$2")/cables/simulator
    [ -f "$d/pids" ] && while read -r pid; do kill "$pid" 2>/dev/null || true; done <"$d/pids"
    rm -f "$(realpath -m "$2")/prefix/dosdevices/com18" \
        "$(realpath -m "$2")/prefix/dosdevices/root#ports#0018#{86e0d1e0-8089-11d0-9ce4-08003e301f73}"
    exit 0
fi
dir=$(realpath -m "$1")
simulator=$(realpath "$2")
shift 2
dos="$dir/prefix/dosdevices"
[ -d "$dos" ] || { echo "no test bench in $dir" >&2; exit 2; }
[ -x "$simulator" ] || { echo "no simulator at $simulator: build it first (make build)" >&2; exit 2; }
d="$dir/cables/simulator"
rm -rf "$d"
mkdir -p "$d"

# shellcheck source=../../tools/null-modem.sh
source "$(dirname "$(realpath "$0")")/../../tools/null-modem.sh"
null_modem_env "$dir/modem-lines"

null_modem_cable "$d/panel" "$d/device" "$d/socat.log"
echo "$cable_pid" | tee -a "$d/pids" >>"$dir/pids"
line=$(readlink -f "$d/panel")
ln -sfn "$line" "$dos/com18"
ln -sfn "$line" "$dos/root#ports#0018#{86e0d1e0-8089-11d0-9ce4-08003e301f73}"
"$simulator" --log "$d/simulator.log" "$@" "$(readlink -f "$d/device")" >/dev/null 2>&1 </dev/null &
echo $! | tee -a "$d/pids" >>"$dir/pids"
wait_for 10 grep -q listening "$d/simulator.log" 2>/dev/null || { echo "the simulator did not start" >&2; exit 1; }
echo "simulator on COM18 of $dir, log $d/simulator.log"
