#!/usr/bin/env bash
# Runs a Windows program on the test bench in DIR:
#   wine-run.sh DIR [--bound SECONDS [--marks-start]] PROGRAM [ARGS...]
# --bound: bounded by bench/bounded.sh (a stall reported and ended; one in Wine's start of a
# program that marks its start tried once more).
dir=$(realpath -m "$1")
here=$(dirname "$(realpath "$0")")
export PATH="$here/../../tools/wine-bin:$PATH"  # see tools/wine-bin/wine
shift
[ -f "$dir/env" ] || { echo "no test bench in $dir: run start.sh first" >&2; exit 2; }
# shellcheck disable=SC1091
source "$dir/env"
export DISPLAY LD_PRELOAD QUORVEX_MODEM_LINES WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ "${1:-}" = --bound ]; then
    bound=$2
    shift 2
    marks_start=
    [ "${1:-}" = --marks-start ] && { marks_start=--marks-start; shift; }
    exec "$here/bounded.sh" "$bound" ${marks_start:+"$marks_start"} setpriv --bounding-set -sys_admin wine "$@"
fi
exec setpriv --bounding-set -sys_admin wine "$@"
