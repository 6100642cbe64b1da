#!/usr/bin/env bash
# Runs a Windows program on the test bench in DIR: wine-run.sh DIR PROGRAM [ARGS...]
dir=$(realpath -m "$1")
export PATH="$(dirname "$(realpath "$0")")/../../tools/wine-bin:$PATH"  # see tools/wine-bin/wine
shift
[ -f "$dir/env" ] || { echo "no test bench in $dir: run start.sh first" >&2; exit 2; }
# shellcheck disable=SC1091
source "$dir/env"
export DISPLAY LD_PRELOAD QUORVEX_MODEM_LINES WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exec setpriv --bounding-set -sys_admin wine "$@"
