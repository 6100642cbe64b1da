#!/usr/bin/env bash
# Usage: send_wine_test.sh BENCH_DIR QUORVEX_SEND_EXE SIMULATOR
# quorvex-send.exe under Wine on the bench's COM3, with the multiviewer simulator on the Linux end
# of COM3's cable (COM13's line, which nothing else uses meanwhile): a few commands by name and by
# code, byte-exact and in order; a port in use and one that does not exist, each refused with its
# exit code; a port whose output is stopped, a failure within seconds; the paced COM23, every frame
# out before the sender ends, the default gap between them. Then the same through Windows sockets:
# the simulator behind a TCP port on loopback, a port that refuses, one that does not answer and
# one that hangs up. Each run of the sender is bounded (bench/wine-run.sh): a stall is reported
# with what its threads were doing, and retried once only when it was in Wine's start.
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
trap 'exit 143' TERM INT
fail() {
    echo "FAIL: $*" >&2
    exit 1
}
# shellcheck source=../tools/wait-for.sh
source "$here/../tools/wait-for.sh"
# The bytes of every frame, noise or torn frame the simulator saw in its LOG, one per line.
seen() { sed -n -E '/  (sent|could not send)  \[/d; s/^[^ ]+  .*  \[([0-9A-F ]+)\]$/\1/p' "${1:-$log}"; }
# A healthy run takes a second or two, three where the sender waits out a stuck line.
send() { "$here/bench/wine-run.sh" "$bench" --bound 40 --marks-start "$send" "$@"; }
# started_output FILE COMMAND...: runs COMMAND in the background until the script ends, and waits
# for the first line it prints, left in FILE.
started_output() {
    local file=$1
    shift
    rm -f "$file"
    "$@" >"$file" </dev/null &
    pids+=($!)
    wait_for 10 grep -qs . "$file" || fail "$* printed nothing"
}
# The sender is done once the bytes are in COM3's pty; socat and the simulator take them a moment
# later. A command of its own for wait_for, which runs it anew each time: an argument "$(seen)"
# would be counted once, before the wait began.
seen_at_least() { [ "$(seen "$2" | wc -l)" -ge "$1" ]; }

holders() {  # the processes that hold either of two ttys open
    local pid
    for pid in $(find /proc/[0-9]*/fd -maxdepth 1 \( -lname "$1" -o -lname "$2" \) 2>/dev/null | cut -d/ -f3 | sort -u); do
        echo "$pid $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | cut -c1-80);"
    done
}
rm -f "$log" "$tcp_log" "$bench/c3-holders"
"$simulator" --no-picture --log "$log" "$(readlink -f "$bench/cables/c3/b")" >/dev/null 2>&1 </dev/null &
pids+=($!)
wait_for 10 grep -qs listening "$log" || fail "the simulator did not start"

# The frames as the device's command table gives them. Who holds the cable's ends while they go is
# noted, for a failure.
c3_ends=("$(readlink -f "$bench/cables/c3/a")" "$(readlink -f "$bench/cables/c3/b")")
while :; do holders "${c3_ends[@]}" >>"$bench/c3-holders"; sleep 0.1; done &
noting=$!
pids+=("$noting")
status=0
send --gap 0 COM3 single-screen-1 Audio-2 df 9f standby || status=$?
kill "$noting"
[ "$status" -eq 0 ] || fail "quorvex-send.exe COM3 ended with $status"
expected=$'47 45 46 67 0A\n47 43 30 67 0A\n47 44 46 67 0A\n47 39 46 67 0A\n47 44 45 67 0A'
# What the simulator logged, and what COM3 was, for a failure.
saw() {
    local a b
    a=$(readlink -f "$bench/cables/c3/a")
    b=$(readlink -f "$bench/cables/c3/b")
    echo "the simulator logged: $(tail -n 12 "$log"); COM3 was $(readlink "$bench/prefix/dosdevices/com3"), its cable $a <-> $b, held by: $(holders "$a" "$b") while the frames went: $(sort -u "$bench/c3-holders") its socat said: $(cat "$bench/cables/c3/socat.log")"
}
sent_at=$(date +%T.%N)
if ! wait_for 5 seen_at_least 5 "$log"; then
    wait_for 20 seen_at_least 5 "$log" && late=" (they came late)" || late=" (none came in 20 s more)"
    fail "too few frames 5 s after the sender ended at ${sent_at:0:12}$late: $(saw)"
fi
[ "$(seen)" = "$expected" ] || fail "other frames: $(saw)"

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
started_output "$bench/stopped-line" python3 -c 'import os, signal, termios
master, line = os.openpty()
termios.tcflow(line, termios.TCOOFF)
print(os.ttyname(line), flush=True)
signal.pause()'
ln -sfn "$(cat "$bench/stopped-line")" "$bench/prefix/dosdevices/com40"
began=$SECONDS
refused "a port whose output is stopped" 1 "COM40 did not send the bytes within 3 seconds" COM40
[ $((SECONDS - began)) -le 8 ] || fail "waited $((SECONDS - began)) s on a port whose output is stopped"
rm -f "$bench/prefix/dosdevices/com40"

# COM23's cable moves bytes at the line's speed, and what the sender leaves queued when it ends is
# lost: every frame arrives only if the sender waits for its line to drain. Without --gap, the
# usage's default of 200 ms between frames.
paced_log="$bench/send-wine-paced.log"
rm -f "$paced_log"
"$simulator" --no-picture --log "$paced_log" "$(readlink -f "$bench/cables/c23/b")" >/dev/null 2>&1 </dev/null &
pids+=($!)
wait_for 10 grep -qs listening "$paced_log" || fail "the simulator on COM24 did not start"
status=0
send --gap 0 COM23 single-screen-2 single-screen-3 single-screen-4 h-layout mute || status=$?
[ "$status" -eq 0 ] || fail "quorvex-send.exe COM23 ended with $status"
began=$EPOCHREALTIME
send COM23 quad-split audio-3 standby || status=$?
took_ms=$(( (${EPOCHREALTIME/./} - ${began/./}) / 1000 ))
[ "$status" -eq 0 ] || fail "quorvex-send.exe COM23 without --gap ended with $status"
paced_expected=$'47 45 45 67 0A\n47 45 44 67 0A\n47 45 43 67 0A\n47 44 39 67 0A\n47 38 38 67 0A\n47 44 46 67 0A\n47 39 39 67 0A\n47 44 45 67 0A'
wait_for 5 seen_at_least 8 "$paced_log"
[ "$(seen "$paced_log")" = "$paced_expected" ] || fail "over the paced COM23 the simulator saw: $(seen "$paced_log" | tr '\n' ',')"
[ "$took_ms" -ge 400 ] || fail "three frames without --gap took $took_ms ms: less than the default gap between them"

"$simulator" --no-picture --log "$tcp_log" --listen 127.0.0.1:0 >/dev/null 2>&1 </dev/null &
pids+=($!)
wait_for 10 grep -qs listening "$tcp_log" || fail "the simulator did not listen"
port=$(sed -n -E 's/.*listening on tcp:127\.0\.0\.1:([0-9]+).*/\1/p' "$tcp_log")
status=0
send "tcp:127.0.0.1:$port" audio-4 mute || status=$?
[ "$status" -eq 0 ] || fail "quorvex-send.exe tcp:127.0.0.1:$port ended with $status"
wait_for 5 grep -q left "$tcp_log" || fail "quorvex-send.exe did not hang up"
[ "$(seen "$tcp_log")" = $'47 43 36 67 0A\n47 38 38 67 0A' ] || fail "over TCP the simulator saw: $(seen "$tcp_log" | tr '\n' ',')"
started_output "$bench/dead-ports" "$here/bench/dead-ports.py"
read -r refusing silent hanging_up <"$bench/dead-ports"
refused "a port that refuses" 9 "refused the connection" "tcp:127.0.0.1:$refusing"
began=$SECONDS
refused "a port that does not answer" 10 "did not answer" "tcp:127.0.0.1:$silent"
[ $((SECONDS - began)) -le 6 ] || fail "waited $((SECONDS - began)) s for a port that does not answer"
refused "a port that hangs up" 11 "tcp:127.0.0.1:$hanging_up hung up" "tcp:127.0.0.1:$hanging_up"
echo "quorvex-send.exe: five frames on COM3, eight on the paced COM23 and two over TCP byte-exact and in order; COM6 in use, COM99, a stopped COM40, a refusing, a silent and a hanging-up port refused"
