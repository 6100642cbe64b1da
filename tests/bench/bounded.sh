#!/usr/bin/env bash
# Usage: bounded.sh SECONDS [--marks-start] COMMAND [ARGS...]
# Runs COMMAND, a Wine program's start, as a test script must run everything: bounded. A run still
# going after SECONDS has stalled: it is reported on stderr with what each thread of its processes
# was doing and whether its prefix's wineserver (WINEPREFIX) runs, its processes are ended, and the
# exit status is 124. --marks-start: the program creates the file named by QUORVEX_STARTED_MARKER
# first thing; a stall before it did, or an end without it, is Wine's own start, said so, and that
# start is tried once more (124 if it fails again). A stall in the program itself is never retried.
# Otherwise the exit status is the program's.
bound=$1
shift
marks_start=
[ "${1:-}" = --marks-start ] && { marks_start=1; shift; }
here=$(dirname "$(realpath "$0")")
program=$(basename "${1%.exe}")
for word in "$@"; do
    [[ $word = *.exe ]] && { program=$(basename "$word"); break; }
done
marker=$(mktemp -u "${TMPDIR:-/tmp}/quorvex-started.XXXXXX")
windows_marker="Z:${marker//\//\\}"
child=

# The processes of this run: wine hands the program to start.exe, which starts it as a process of
# its own, no child of this script's; all carry the run's marker variable.
run_processes() {
    grep -lsxzF "QUORVEX_STARTED_MARKER=$windows_marker" /proc/[0-9]*/environ | cut -d/ -f3
    [ -n "$child" ] && echo "$child"
}
end_run() {
    # shellcheck disable=SC2046
    kill -KILL $(run_processes | sort -u) 2>/dev/null
    [ -n "$child" ] && wait "$child" 2>/dev/null
    child=
    rm -f "$marker"
}
trap 'end_run; exit 143' TERM INT

# The state letter of process $1 into $state; false once it is gone. Bash's own read, no process
# started: the wait polls often, beside tests that measure.
read_state() {
    local stat
    state=
    read -r stat 2>/dev/null <"/proc/$1/stat" || return 1
    stat=${stat##*) }
    state=${stat%% *}
}
ended() { ! read_state "$1" || [ "$state" = Z ]; }
now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

wineserver_state() {
    [ -n "${WINEPREFIX:-}" ] || return 0
    local pid
    for pid in $(grep -lsxzF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ | cut -d/ -f3); do
        [[ $(cat "/proc/$pid/comm" 2>/dev/null) = wineserver* ]] &&
            { read_state "$pid"; echo "; its wineserver runs (PID $pid, state $state)"; return; }
    done
    echo "; its wineserver is GONE"
}

# Runs the program once; its status, or 124 after a stall in it, 125 after a stall in Wine's start.
run_once() {
    rm -f "$marker"
    QUORVEX_STARTED_MARKER=$windows_marker "$@" <&0 &
    child=$!
    local deadline=$(($(now_ms) + bound * 1000))
    until ended "$child"; do
        if [ "$(now_ms)" -ge $deadline ]; then
            local where="in its own code" status=124
            if [ -n "$marks_start" ] && [ ! -e "$marker" ]; then
                where="in Wine's start (it never reached its own code)"
                status=125
            fi
            {
                echo "STALL: $program ${*:2} still ran after $bound s, $where$(wineserver_state)"
                # shellcheck disable=SC2046
                "$here/process-state.sh" $(run_processes | sort -u)
            } >&2
            end_run
            return $status
        fi
        sleep 0.02
    done
    local status=0
    wait "$child" || status=$?
    child=
    # Seen under load: Wine's start of a 64-bit program (through start.exe) ends, with 0 or 1, and
    # the program never ran.
    if [ -n "$marks_start" ] && [ ! -e "$marker" ]; then
        echo "Wine ended $program's start with status $status before it reached its own code$(wineserver_state)" >&2
        status=125
    fi
    rm -f "$marker"
    return $status
}

status=0
run_once "$@" || status=$?
if [ $status -eq 125 ]; then
    echo "Wine did not start $program: starting it once more" >&2
    status=0
    run_once "$@" || status=$?
    [ $status -eq 125 ] && status=124
fi
exit $status
