#!/usr/bin/env bash
# Usage: start.sh DIR [KEEPER_EXE]
# Sets up the test bench in DIR: a private Wine prefix, an Xvfb display, a persistent wineserver
# and the virtual null-modem cables, each end mapped as a COM port:
#   COM3 <-> COM13, COM4 <-> COM14, COM5 <-> COM15, COM12 <-> COM22, COM16 <-> COM17, COM23 <-> COM24
# and COM6, whose line another program holds exclusively (it is "in use"). COM23 <-> COM24 is paced:
# it moves bytes at the line's speed, as a UART does; the others pass them at once.
# BENCH_WINDOWS_VERSION (e.g. winxp) sets the Windows version of the whole prefix; BENCH_ALL_PACED=1
# paces every cable.
# Every cable is a null-modem cable with modem lines (tools/null-modem.sh): every process of the bench
# preloads the modem-line library, so Wine keeps line-event waits pending as on a real port.
# Every process started here is recorded in DIR/pids; stop.sh ends them by PID.
set -euo pipefail
dir=$(realpath -m "$1")
here=$(dirname "$(realpath "$0")")
export PATH="$here/../../tools/wine-bin:$PATH"  # a `wine` that works whichever loaders this kernel runs
"$here/stop.sh" "$dir" 2>/dev/null || true
rm -rf "$dir"
mkdir -p "$dir/cables"
: >"$dir/pids"

export WINEPREFIX="$dir/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# shellcheck source=../../tools/null-modem.sh
source "$here/../../tools/null-modem.sh"
null_modem_env "$dir/modem-lines"
# Without CAP_SYS_ADMIN, an exclusive hold on a tty (TIOCEXCL) is honoured, as a port in use on Windows.
drop() { setpriv --bounding-set -sys_admin "$@"; }

exec 3>"$dir/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 </dev/null &
echo $! >>"$dir/pids"
exec 3>&-
for _ in $(seq 100); do [ -s "$dir/display" ] && break; sleep 0.1; done
[ -s "$dir/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$dir/display")"
printf 'DISPLAY=%q\nLD_PRELOAD=%q\nQUORVEX_MODEM_LINES=%q\n' "$DISPLAY" "$LD_PRELOAD" "$QUORVEX_MODEM_LINES" >"$dir/env"

mkdir -p "$WINEPREFIX"
drop wineserver -p >/dev/null 2>&1 </dev/null  # persistent until stop.sh, so the COM links below are not re-scanned away
drop wineboot -i >"$dir/wineboot.log" 2>&1 </dev/null
"$here/../../tools/wine-prefix-check.sh" "$WINEPREFIX" || { echo "wineboot made no 32-bit half" >&2; exit 1; }
drop wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# The Windows version every program on the bench sees, unless its own AppDefaults say otherwise.
if [ -n "${BENCH_WINDOWS_VERSION:-}" ]; then
    drop wine reg add 'HKCU\Software\Wine' /v Version /d "$BENCH_WINDOWS_VERSION" /f >/dev/null 2>&1
fi
# Marlett for the caption buttons, and a CJK font linked behind the dialog fonts for Chinese
# captions; both count from the next server.
drop "$here/../../tools/prefix-fonts.sh"
wineserver -k || true
drop wineserver -p >/dev/null 2>&1 </dev/null
drop wine reg query 'HKCU\Software\Wine\X11 Driver' >/dev/null 2>&1

cable() {  # cable NAME COM_A COM_B [--paced]
    local d="$dir/cables/$1" paced=${4:-}
    [ -n "${BENCH_ALL_PACED:-}" ] && paced=--paced
    mkdir -p "$d"
    null_modem_cable "$d/a" "$d/b" "$d/socat.log" ${paced:+"$paced"}
    echo "$cable_pid" >>"$dir/pids"
    ln -sfn "$(readlink -f "$d/a")" "$WINEPREFIX/dosdevices/com$2"
    [ -n "${3:-}" ] && ln -sfn "$(readlink -f "$d/b")" "$WINEPREFIX/dosdevices/com$3"
    return 0
}
cable c3 3 13
cable c4 4 14
cable c5 5 15
cable c12 12 22
cable c16 16 17  # the last name NT 4 probing tries, and the first it must not
cable c23 23 24 --paced  # both beyond the sixteen names NT 4 probing tries: no port list shows it
cable c6 6 ""
python3 "$here/hold-port.py" "$(readlink -f "$dir/cables/c6/a")" "$dir/cables/c6/held" >/dev/null 2>&1 </dev/null &
echo $! >>"$dir/pids"
for _ in $(seq 100); do [ -e "$dir/cables/c6/held" ] && break; sleep 0.05; done
if [ -n "${2:-}" ]; then
    drop wine "$2" >/dev/null 2>&1 </dev/null &
    echo $! >>"$dir/pids"
fi
echo "bench ready in $dir ($DISPLAY)"
