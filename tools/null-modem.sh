# Sourced by the scripts that lay virtual cables: socat pty pairs whose ends have modem lines, as a
# null-modem cable wires them (DTR to DSR and DCD, RTS to CTS). Linux gives ptys no modem lines;
# the library tools/modem-lines builds answers for them from a table shared by the processes that
# preload it. Without them Wine ends every line-event wait at once, and no one can see DTR or RTS.
# A paced cable also moves bytes at the line's speed, as a UART sends them (960 bytes a second at
# 9600 8N1); others pass them at once, for the tests that need a line's raw speed.
#   null_modem_env STATE                 preload the library into this shell's children, with the table STATE
#   null_modem_cable A B LOG [--paced]   lay a cable whose ends are the links A and B; its socat's PID in $cable_pid
#   null_modem_wire A B [--paced]        wire two existing pty ends to each other
# shellcheck source=wait-for.sh
source "$(dirname "${BASH_SOURCE[0]}")/wait-for.sh"
null_modem_dir=${QUORVEX_MODEM_LINES_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/native/modem-lines}

null_modem_env() {
    [ -x "$null_modem_dir/modem-lines" ] && [ -f "$null_modem_dir/lib/x86_64-linux-gnu/libquorvex-modem-lines.so" ] || {
        echo "no modem-line library in $null_modem_dir: build first (make build)" >&2
        return 1
    }
    export QUORVEX_MODEM_LINES=$1
    # $LIB is expanded by ld.so in each process: lib/x86_64-linux-gnu or lib/i386-linux-gnu.
    # shellcheck disable=SC2016
    export LD_PRELOAD="$null_modem_dir/\$LIB/libquorvex-modem-lines.so"
}

null_modem_wire() { "$null_modem_dir/modem-lines" wire "$QUORVEX_MODEM_LINES" "$@"; }

null_modem_cable() {
    rm -f "$1" "$2"
    socat pty,raw,echo=0,link="$1" pty,raw,echo=0,link="$2" >"$3" 2>&1 </dev/null &
    cable_pid=$!
    if ! wait_for 10 test -e "$1" -a -e "$2"; then
        echo "socat did not make the cable $1 <-> $2" >&2
        kill "$cable_pid" 2>/dev/null
        return 1
    fi
    null_modem_wire "$1" "$2" ${4:+"$4"}
}
