#!/usr/bin/env bash
# Usage: send_wine_test.sh BENCH_DIR QUORVEX_SEND_EXE SIMULATOR
# quorvex-send.exe under Wine on the bench's COM3, with the multiviewer simulator on the Linux end
# of COM3's cable (COM13's line, which nothing else uses meanwhile): a few commands by name and by
# code, byte-exact and in order; a port in use and one that does not exist, each refused with its
# exit code; a port whose output is stopped, a failure within seconds. Then the same through Windows
# sockets: the simulator behind a TCP port on loopback, a port that refuses, one that does not
# answer and one that hangs up.
set -euo pipefail
bench=$(realpath "$1")
send=$(realpath "$2")
simulator=$(realpath "$3")
here=$(dirname "$(realpath "$0")")
log="$bench/send-wine-simulator.log"
tcp_log="$bench/send-wine-tcp.log"

# shellcheck source=../tools/started.sh
source "$here/../tools/started.sh"
trap end_started EXIT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# shellcheck source=../tools/wait-for.sh
source "$here/../tools/wait-for.sh"
# The bytes of every frame, noise or torn frame the simulator saw in its LOG, one per line.
seen() { sed -n -E '/  (sent|could not send)  \[/d; s/^[^ ]+  .*  \[([0-9A-F ]+)\]$/\1/p' "${1:-$log}"; }
send() { "$here/bench/wine-run.sh" "$bench" "$send" "$@"; }
# The sender is done once the bytes are in COM3's pty; socat and the simulator take them a moment
# later. A command of its own for wait_for, which runs it anew each time: an argument "$(seen)"
# would be counted once, before the wait began.
seen_at_least() { [ "$(seen "$2" | wc -l)" -ge "$1" ]; }

rm -f "$log" "$tcp_log"
"$simulator" --no-picture --log "$log" "$(readlink -f "$bench/cables/c3/b")" >/dev/null 2>&1 </dev/null &
pids+=($!)
wait_for 10 grep -qs listening "$log" || fail "the simulator did not start"

# The frames as the device's command table gives them.
status=0
send --gap 0 COM3 single-screen-1 Audio-2 df 9f standby || status=$?
[ "$status" -eq 0 ] || fail "quorvex-send.exe COM3 ended with $status"
expected=$'47 45 46 67 0A\n47 43 30 67 0A\n47 44 46 67 0A\n47 39 46 67 0A\n47 44 45 67 0A'
wait_for 5 seen_at_least 5 "$log" || fail "the simulator saw: $(seen | tr '\n' ',')"
[ "$(seen)" = "$expected" ] || fail "the simulator saw: $(seen | tr '\n' ',')"

refused() {  # refused WHAT CODE MESSAGE LINE
    local what=$1 code=$2 message=$3 status=0
    send "$4" mute >"$bench/send-wine.out" 2>&1 || status=$?
    [ "$status" -eq "$code" ] || fail "$what: exit $status, not $code: $(cat "$bench/send-wine.out")"
    grep -q "$message" "$bench/send-wine.out" || fail "$what: no \"$message\" in: $(cat "$bench/send-wine.out")"
}
refused "a port in use" 7 "COM6 is in use" COM6
refused "a port that does not exist" 5 "COM99 does not exist" COM99
[ "$(seen | wc -l)" -eq 5 ] || fail "more reached the simulator: $(seen | tr '\n' ',')"

# A line whose output another program stopped, as a wedged adapter holds it: every write blocks.
coproc stopped {
    python3 -c 'import os, sys, termios
master, line = os.openpty()
termios.tcflow(line, termios.TCOOFF)
print(os.ttyname(line), flush=True)
sys.stdin.read()'
}
pids+=("$stopped_PID")
read -r stopped_line <&"${stopped[0]}"
ln -sfn "$stopped_line" "$bench/prefix/dosdevices/com40"
began=$SECONDS
refused "a port whose output is stopped" 1 "COM40 did not send the bytes within 3 seconds" COM40
[ $((SECONDS - began)) -le 8 ] || fail "waited $((SECONDS - began)) s on a port whose output is stopped"
rm -f "$bench/prefix/dosdevices/com40"

"$simulator" --no-picture --log "$tcp_log" --listen 127.0.0.1:0 >/dev/null 2>&1 </dev/null &
pids+=($!)
wait_for 10 grep -qs listening "$tcp_log" || fail "the simulator did not listen"
port=$(sed -n -E 's/.*listening on tcp:127\.0\.0\.1:([0-9]+).*/\1/p' "$tcp_log")
status=0
send "tcp:127.0.0.1:$port" audio-4 mute || status=$?
[ "$status" -eq 0 ] || fail "quorvex-send.exe tcp:127.0.0.1:$port ended with $status"
wait_for 5 grep -q left "$tcp_log" || fail "quorvex-send.exe did not hang up"
[ "$(seen "$tcp_log")" = $'47 43 36 67 0A\n47 38 38 67 0A' ] || fail "over TCP the simulator saw: $(seen "$tcp_log" | tr '\n' ',')"
coproc ports { "$here/bench/dead-ports.py"; }
pids+=("$ports_PID")
read -r refusing silent hanging_up <&"${ports[0]}"
refused "a port that refuses" 9 "refused the connection" "tcp:127.0.0.1:$refusing"
began=$SECONDS
refused "a port that does not answer" 10 "did not answer" "tcp:127.0.0.1:$silent"
[ $((SECONDS - began)) -le 6 ] || fail "waited $((SECONDS - began)) s for a port that does not answer"
refused "a port that hangs up" 11 "tcp:127.0.0.1:$hanging_up hung up" "tcp:127.0.0.1:$hanging_up"
echo "quorvex-send.exe: five frames on COM3 and two over TCP byte-exact and in order; COM6 in use, COM99, a stopped COM40, a refusing, a silent and a hanging-up port refused"
