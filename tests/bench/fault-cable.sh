#!/usr/bin/env bash
# Usage: fault-cable.sh lay|cut DIR [DONE_MARKER]
# The fault tests' own virtual cable in the test bench in DIR: COM8 <-> COM28, with the device path
# of ROOT\PORTS\0008 linked to COM8's line, so Search finds it once the device is registered.
#   lay  (re)lays the cable: a new socat pair, the COM links re-pointed at its lines
#   cut  ends the cable's socat: both lines hang up, as when a USB serial adapter is pulled out
# Test programs under Wine start this without a waitable process handle: DONE_MARKER, when given,
# is written last, with "ok" or "failed".
set -uo pipefail
action=$1
dir=$(realpath -m "$2")
done_marker=${3:-}
d="$dir/cables/fault"
dos="$dir/prefix/dosdevices"
device_link="root#ports#0008#{86e0d1e0-8089-11d0-9ce4-08003e301f73}"

# shellcheck source=../../tools/null-modem.sh
source "$(dirname "$(realpath "$0")")/../../tools/null-modem.sh"

gone() { ! kill -0 "$1" 2>/dev/null; }

cut() {
    [ -f "$d/pid" ] || return 0
    local pid link
    pid=$(cat "$d/pid")
    rm -f "$d/pid"
    # A pulled adapter's COM number opens nothing: the links go first, so that no open in between
    # finds the old pty, or whatever new pty is given its number next (another cable's).
    for link in com8 com28 "$device_link"; do
        ln -sfn "$d/gone" "$dos/$link"
    done
    kill "$pid" 2>/dev/null || true
    wait_for 10 gone "$pid"
}

lay() {
    cut || return 1
    mkdir -p "$d"
    null_modem_env "$dir/modem-lines" || return 1
    null_modem_cable "$d/a" "$d/b" "$d/socat.log" || return 1
    echo "$cable_pid" >"$d/pid"
    echo "$cable_pid" >>"$dir/pids"
    ln -sfn "$(readlink -f "$d/a")" "$dos/com8"
    ln -sfn "$(readlink -f "$d/b")" "$dos/com28"
    ln -sfn "$(readlink -f "$d/a")" "$dos/$device_link"
}

[ -d "$dos" ] || { echo "no test bench in $dir" >&2; exit 2; }
case $action in
lay) lay ;;
cut) cut ;;
*) echo "unknown action $action" >&2; exit 2 ;;
esac
status=$?
if [ -n "$done_marker" ]; then
    { [ $status -eq 0 ] && echo ok || echo failed; } >"$done_marker.part"
    mv "$done_marker.part" "$done_marker"
fi
exit $status
