#!/usr/bin/env bash
# Runs a Windows program on the test bench in DIR:
#   wine-run.sh DIR [--bound SECONDS [--marks-start]] PROGRAM [ARGS...]
# --bound: a program still running after SECONDS has stalled: the stall is reported on stderr with
# what each of its threads was doing and whether the bench's wineserver still runs, the program is
# ended, and the exit status is 124. --marks-start: the program creates the file named by
# QUORVEX_STARTED_MARKER first thing; a stall before it did is Wine's own start, said so, and that
# start is tried once more. A stall in the program itself is never retried.
dir=$(realpath -m "$1")
here=$(dirname "$(realpath "$0")")
export PATH="$here/../../tools/wine-bin:$PATH"  # see tools/wine-bin/wine
shift
[ -f "$dir/env" ] || { echo "no test bench in $dir: run start.sh first" >&2; exit 2; }
# shellcheck disable=SC1091
source "$dir/env"
export DISPLAY LD_PRELOAD QUORVEX_MODEM_LINES WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
bound=
marks_start=
if [ "${1:-}" = --bound ]; then
    bound=$2
    shift 2
    [ "${1:-}" = --marks-start ] && { marks_start=1; shift; }
fi
[ -n "$bound" ] || exec setpriv --bounding-set -sys_admin wine "$@"

program=$(basename "$1")
marker=$(mktemp -u "$dir/started.XXXXXX")
windows_marker="Z:${marker//\//\\}"
child=

# The processes of this run: wine hands the program to start.exe, which starts it as a process of
# its own, no child of this script's; both carry the run's marker variable.
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

state_of() { sed -E 's/^[0-9]+ \(.*\) ([A-Z]).*/\1/' "/proc/$1/stat" 2>/dev/null; }
ended() { [ ! -d "/proc/$1" ] || [ "$(state_of "$1")" = Z ]; }

wineserver_state() {
    local pid
    for pid in $(grep -lsxzF "WINEPREFIX=$WINEPREFIX" /proc/[0-9]*/environ | cut -d/ -f3); do
        [[ $(cat "/proc/$pid/comm" 2>/dev/null) = wineserver* ]] &&
            { echo "runs (PID $pid, state $(state_of "$pid"))"; return; }
    done
    echo "is GONE"
}

now_ms() { echo $((${EPOCHREALTIME/./} / 1000)); }

# Runs the program once; its status, or 124 after a stall (and 125 when the stall was in Wine's
# start).
run_once() {
    rm -f "$marker"
    QUORVEX_STARTED_MARKER=$windows_marker setpriv --bounding-set -sys_admin wine "$@" <&0 &
    child=$!
    local deadline=$(($(now_ms) + bound * 1000))
    until ended "$child"; do
        if [ "$(now_ms)" -ge $deadline ]; then
            local where="in its own code"
            [ -n "$marks_start" ] && [ ! -e "$marker" ] && where="in Wine's start (it never reached its own code)"
            {
                echo "wine-run.sh: STALL: $program ${*:2} still ran after $bound s, $where; the bench's wineserver $(wineserver_state)"
                # shellcheck disable=SC2046
                "$here/process-state.sh" $(run_processes | sort -u)
            } >&2
            end_run
            [ "$where" = "in its own code" ] && return 124 || return 125
        fi
        sleep 0.02
    done
    local status=0
    wait "$child" || status=$?
    child=
    rm -f "$marker"
    return $status
}

status=0
run_once "$@" || status=$?
if [ $status -eq 125 ]; then
    echo "wine-run.sh: Wine stalled starting $program: starting it once more" >&2
    status=0
    run_once "$@" || status=$?
    [ $status -eq 125 ] && status=124
fi
exit $status
