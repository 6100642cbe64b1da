#!/usr/bin/env bash
# Usage: run_line_test.sh DIR X64_BUILD SIMULATOR DRIVER_EXE
# `make run LINE=...` end to end, in DIR (a run dir of its own, never the user's build/run):
# a pty stands in for the USB serial adapter with the simulator on its far end, the panel opens on
# a private Xvfb display, run_line_driver.exe plays the user (Search, COM3, Connect, one button,
# close). The same with LINE=tcp:127.0.0.1:PORT, the simulator behind that port. Then each bad
# line once: refused with its message, nothing started.
set -euo pipefail
dir=$(realpath -m "$1")
x64=$(realpath "$2")
simulator=$(realpath "$3")
driver=$(realpath "$4")
here=$(dirname "$(realpath "$0")")
run_panel=$(realpath "$here/../tools/run-panel.sh")
run="$dir/run"
prefix="$run/prefix"
# "单画面 1" (control 1003) sends this frame.
control=1003
frame="47 45 46 67 0A"

# shellcheck source=../tools/started.sh
source "$(dirname "$(realpath "$0")")/../tools/started.sh"
cleanup() {
    WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true
    end_started
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# shellcheck source=../tools/wait-for.sh
source "$(dirname "$(realpath "$0")")/../tools/wait-for.sh"
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
# Any process of the run's prefix: every Wine process carries its WINEPREFIX.
prefix_processes() { grep -lzx "WINEPREFIX=$prefix" /proc/[0-9]*/environ 2>/dev/null | cut -d/ -f3; }
panel_started() {
    local p
    for p in $(prefix_processes); do
        grep -qz 'Quorvex\.exe' "/proc/$p/cmdline" 2>/dev/null && return 0
    done
    return 1
}
# A command of its own for wait_for: an argument "$(...)" would be counted once, before the wait.
no_prefix_processes() { [ -z "$(prefix_processes)" ]; }

rm -rf "$dir"
mkdir -p "$dir"

exec 3>"$dir/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 </dev/null &
pids+=($!)
exec 3>&-
wait_for 10 test -s "$dir/display" || fail "Xvfb did not start"
display=":$(head -n1 "$dir/display")"

cable() {  # cable NAME: a pty pair in DIR/NAME, ends a and b
    mkdir -p "$dir/$1"
    socat pty,raw,echo=0,link="$dir/$1/a" pty,raw,echo=0,link="$dir/$1/b" >"$dir/$1/socat.log" 2>&1 </dev/null &
    pids+=($!)
    wait_for 10 test -e "$dir/$1/a" -a -e "$dir/$1/b" || fail "socat did not make $1"
}

# refused WHAT MESSAGE [ENV...] COMMAND...: run-panel.sh must fail with MESSAGE and start nothing.
refused() {
    local what=$1 message=$2 status=0
    shift 2
    env "$@" >"$dir/refused.out" 2>&1 || status=$?
    [ "$status" -ne 0 ] || fail "$what: run-panel.sh accepted it"
    grep -q -- "$message" "$dir/refused.out" || fail "$what: no \"$message\" in: $(cat "$dir/refused.out")"
    [ ! -e "$run" ] || fail "$what: run-panel.sh made $run before refusing"
    [ -z "$(prefix_processes)" ] || fail "$what: Wine processes started"
}

cable adapter
line=$(readlink -f "$dir/adapter/a")
"$simulator" --log "$dir/simulator.log" "$(readlink -f "$dir/adapter/b")" >/dev/null 2>&1 </dev/null &
pids+=($!)
wait_for 10 grep -qs listening "$dir/simulator.log" || fail "the simulator did not start"

export QUORVEX_RUN_DIR="$run" QUORVEX_X64_BUILD="$x64" QUORVEX_NATIVE_BUILD=/nonexistent

# panel_on LINE SIMULATOR_LOG: run-panel.sh with LINE, the driver plays the user, the frame must
# reach the simulator and everything the run started must end with it.
panel_on() {
    local line=$1 log=$2 out="$dir/run-$3.out" status=0
    DISPLAY=$display "$run_panel" "$line" >"$out" 2>&1 &
    run_pid=$!
    pids+=("$run_pid")
    wait_for 120 grep -q "Close the control panel to end" "$out" || fail "the panel did not start: $(cat "$out")"
    # The driver's Wine starts once the panel's has: two first starts in a new prefix at once can fail.
    wait_for 60 panel_started || fail "the panel did not start: $(cat "$out")"
    # Bounded: a healthy drive takes seconds.
    DISPLAY=$display WINEPREFIX="$prefix" WINEDEBUG=err+all "$here/bench/bounded.sh" 90 --marks-start wine "$driver" COM3 "$control" \
        "$(windows_path "$log")" "$frame" </dev/null >"$dir/driver-$3.out" 2>&1 || status=$?
    # The panel's end ends the run and every process of its prefix: the driver may be ended once
    # it has asked the panel to close, its last word. Whether the panel closed is run-panel.sh's end.
    if [ "$status" -ne 0 ] && [ "$status" -ne 124 ] &&
        [ "$(tr -d '\r' <"$dir/driver-$3.out" | grep '^run_line_driver:' | tail -n1)" = "run_line_driver: closing the panel" ]; then
        echo "the driver was ended with the run (status $status) after asking the panel to close"
        status=0
    fi
    [ "$status" -eq 0 ] || fail "driving the panel on $line failed (status $status): $(cat "$dir/driver-$3.out")"
    wait_for 20 bash -c "! kill -0 $run_pid 2>/dev/null" || fail "run-panel.sh did not end with the panel"
    wait "$run_pid" || status=$?
    [ "$status" -eq 0 ] || fail "run-panel.sh ended with status $status: $(cat "$out")"
    grep -q "\[$frame\]" "$log" || fail "the simulator did not get the frame"
    if [ -e "$run/cable" ] || [ -e "$run/simulator.log" ]; then
        fail "run-panel.sh laid a cable or ran a simulator of its own"
    fi
    wait_for 5 no_prefix_processes || fail "left running: $(prefix_processes | tr '\n' ' ')"
    echo "the panel on $line (COM3): Search, Connect, frame [$frame] at the simulator, nothing left running"
}
panel_on "$line" "$dir/simulator.log" tty

# The same through a serial server: the simulator behind a TCP port on loopback. When the run
# ends, its bridge hangs up.
"$simulator" --log "$dir/tcp-simulator.log" --listen 127.0.0.1:0 >/dev/null 2>&1 </dev/null &
pids+=($!)
wait_for 10 grep -qs listening "$dir/tcp-simulator.log" || fail "the simulator did not listen"
port=$(sed -n -E 's/.*listening on tcp:127\.0\.0\.1:([0-9]+).*/\1/p' "$dir/tcp-simulator.log")
panel_on "tcp:127.0.0.1:$port" "$dir/tcp-simulator.log" tcp
wait_for 5 grep -q " left" "$dir/tcp-simulator.log" || fail "the bridge to tcp:127.0.0.1:$port was left running"

# Bad lines, with a display unless the missing display is the point.
rm -rf "$run"
refused "a missing path" "does not exist" DISPLAY="$display" "$run_panel" "$dir/no-such-tty"
refused "not a tty" "not a terminal device" DISPLAY="$display" "$run_panel" /dev/null
refused "no display" "no display" -u DISPLAY "$run_panel" "$line"
cable locked
locked=$(readlink -f "$dir/locked/a")
if [ "$(id -u)" -eq 0 ]; then
    chmod 600 "$locked"  # root reads and writes anything: ask as nobody instead
    refused "no permission" "dialout group" DISPLAY="$display" \
        setpriv --reuid=65534 --regid=65534 --clear-groups "$run_panel" "$locked"
else
    chmod 000 "$locked"
    refused "no permission" "dialout group" DISPLAY="$display" "$run_panel" "$locked"
fi
# Any process whose command line names the port, such as the bridge run-panel.sh starts (the
# pattern's backslashes keep grep from finding itself).
port_processes() { grep -lzE "tcp:127\.0\.0\.1:$1\b" /proc/[0-9]*/cmdline 2>/dev/null | cut -d/ -f3; }
"$here/bench/dead-ports.py" >"$dir/dead-ports" </dev/null &
pids+=($!)
wait_for 10 grep -q . "$dir/dead-ports" || fail "dead-ports.py printed nothing"
read -r refusing silent _ <"$dir/dead-ports"
for server in "refusing refused the connection" "silent did not answer"; do
    read -r which message <<<"$server"
    began=$SECONDS
    refused "a $which server" "$message" DISPLAY="$display" "$run_panel" "tcp:127.0.0.1:${!which}"
    [ $((SECONDS - began)) -le 6 ] || fail "a $which server: refused only after $((SECONDS - began)) s"
    [ -z "$(port_processes "${!which}")" ] || fail "a $which server: the bridge was left running"
done
# A serial server's address by the sender's rule, checked before socat sees it: anything after the
# port would be one of socat's options (crlf turns each line feed of the frames into CR LF).
for address in "tcp:127.0.0.1:$refusing,crlf" "tcp:bad_host:$refusing" "tcp:[::1:$refusing" "tcp:127.0.0.1:0" \
    "tcp:127.0.0.1:65536" "tcp:127.0.0.1"; do
    refused "the address $address" "a port from 1 to 65535" DISPLAY="$display" "$run_panel" "$address"
    [ -z "$(port_processes "$refusing")" ] || fail "the address $address: socat was started"
done
echo "bad lines refused, nothing started"
