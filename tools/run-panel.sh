#!/usr/bin/env bash
# `make run`: the control panel under Wine with a simulated multiviewer on the far end of a
# virtual null-modem cable (a socat pty pair), the panel's end mapped as COM3 of a private prefix.
# With a display, the panel opens for the user to click and the simulator draws the device's
# screen in this terminal. Without one, the same runs on a private Xvfb display through a
# scripted session, leaving screenshots and the simulator's log in build/run/.
#   run-panel.sh [LINE]   with a tty (`make run LINE=/dev/ttyUSB0`), that line is COM3 instead:
#                         no simulator, and the panel opens on the user's display for them to drive.
#                         LINE=tcp:HOST:PORT is a serial server's raw TCP port, bridged to a pty.
# Everything started here is ended by its PID, or with the prefix's wineserver, on the way out.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
x64=${QUORVEX_X64_BUILD:-$root/build/x64}
native=${QUORVEX_NATIVE_BUILD:-$root/build/native}
run=${QUORVEX_RUN_DIR:-$root/build/run}
port=3
line=${1:-}

refuse() {
    echo "make run: $*" >&2
    exit 2
}

have_display() { [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; }

# A real line is checked before anything starts, so a wrong one leaves nothing behind.
check_line() {
    [ -e "$line" ] || refuse "$line does not exist. Plug the USB serial adapter in, or name its tty (ls /dev/ttyUSB* /dev/ttyACM* /dev/serial/by-id/)."
    [ -c "$line" ] || refuse "$line is not a terminal device; LINE must be a serial line such as /dev/ttyUSB0."
    if [ ! -r "$line" ] || [ ! -w "$line" ]; then
        refuse "$(id -un) may not read and write $line. Its group is $(stat -c %G "$line"): you likely need to be in the dialout group (sudo usermod -aG dialout $(id -un), then log in again)."
    fi
    local why
    why=$(stty -F "$line" 2>&1 >/dev/null) || {
        case "$why" in
            *"Inappropriate ioctl"*) refuse "$line is not a terminal device; LINE must be a serial line such as /dev/ttyUSB0." ;;
            *) refuse "$line cannot be opened as a serial line: ${why#stty: }" ;;
        esac
    }
    need_display
}

need_display() {
    have_display ||
        refuse "no display. With LINE the panel drives a real multiviewer, so a person drives the panel: run it in a desktop session (DISPLAY set). The scripted session plays only against the simulator (make run without LINE)."
}

# tcp:HOST:PORT by the rule quorvex-send and the simulator share (tools/core/TcpAddress.cpp): HOST of
# letters, digits, dots and hyphens, or an IPv6 address in brackets; PORT from 1 to 65535. Nothing
# else reaches socat, where a comma would start options of its own (crlf rewrites the frames).
check_tcp_address() {
    local address=${line#tcp:}
    local host=${address%:*} port=${address##*:}
    if [[ $address == *:* && $port =~ ^[0-9]{1,5}$ ]] && ((10#$port >= 1 && 10#$port <= 65535)) &&
        [[ $host =~ ^[A-Za-z0-9.-]+$ || $host =~ ^\[[0-9A-Fa-f:.]*:[0-9A-Fa-f:.]*\]$ ]]; then
        tcp_address="$host:$((10#$port))"
        return 0
    fi
    refuse "$line is not a serial server's address: tcp:HOST:PORT takes a host of letters, digits, dots and hyphens or an IPv6 address in brackets, and a port from 1 to 65535."
}

# A serial server's TCP port: socat connects first and only then makes the pty, so a server that
# refuses or does not answer is refused before anything else starts. The pty is then the line.
bridge_tcp_line() {
    check_tcp_address
    need_display
    bridge=$(mktemp -d)
    socat "tcp:$tcp_address,connect-timeout=$connect_seconds" pty,raw,echo=0,link="$bridge/line" \
        >"$bridge/socat.log" 2>&1 </dev/null &
    pids+=($!)
    wait_for $((connect_seconds + 2)) bash -c "test -e '$bridge/line' || ! kill -0 $! 2>/dev/null"
    if [ ! -e "$bridge/line" ]; then
        case "$(cat "$bridge/socat.log")" in
            *refused*) refuse "$line refused the connection: is it the serial server's TCP port, and is no other client connected?" ;;
            *"timed out"*) refuse "$line did not answer within $connect_seconds seconds: is the serial server on and reachable?" ;;
            *) refuse "cannot connect to $line: $(sed -n 's/.* E //p' "$bridge/socat.log" | head -n1)" ;;
        esac
    fi
    echo "$line is bridged to $(readlink -f "$bridge/line")"
    line=$(readlink -f "$bridge/line")
}

export WINEPREFIX="$run/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
connect_seconds=3
# shellcheck source=started.sh
source "$root/tools/started.sh"
bridge=""
cleanup() {
    wineserver -k 2>/dev/null || true
    end_started
    [ -z "$bridge" ] || rm -rf "$bridge"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# shellcheck source=wait-for.sh
source "$root/tools/wait-for.sh"
# Ptys get modem lines, as a real line has (see null-modem.sh); on a real tty it changes nothing.
# shellcheck source=null-modem.sh
source "$root/tools/null-modem.sh"

start_xvfb() {
    local displayfile="$run/display"
    rm -f "$displayfile"
    exec 3>"$displayfile"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp >"$run/xvfb.log" 2>&1 </dev/null &
    pids+=($!)
    exec 3>&-
    wait_for 10 test -s "$displayfile" || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(head -n1 "$displayfile")"
}

# A prefix made once and kept: the simulator's line is a registered COM-port device there, as a
# driver would leave it, so Search finds it; it has Marlett for the caption buttons, and the CJK
# font is linked behind the dialog fonts, so the Chinese captions show. The mark holds the recipe's
# number: raise it when the recipe changes, and kept prefixes are made again.
prepare_prefix() {
    local recipe=2
    "$root/tools/wine-prefix-check.sh" "$WINEPREFIX" || rm -f "$WINEPREFIX/.quorvex-demo"  # made again below
    [ "$(cat "$WINEPREFIX/.quorvex-demo" 2>/dev/null)" = "$recipe" ] && return 0
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    echo "making the Wine prefix $WINEPREFIX (once)"
    wineboot -i >"$run/wineboot.log" 2>&1 </dev/null
    wine "$x64/demo_port.exe" "$port"
    "$root/tools/prefix-fonts.sh"
    wineserver -k
    echo "$recipe" >"$WINEPREFIX/.quorvex-demo"
}

# Makes the tty COM3 of the prefix. Search opens the device path, Connect the COM name: both lead
# to the line.
map_line() {
    wineserver -p  # persistent, so Wine's device scan at start does not undo the links below
    wine reg query 'HKCU\Software\Wine' >/dev/null 2>&1
    ln -sfn "$1" "$WINEPREFIX/dosdevices/com$port"
    ln -sfn "$1" "$WINEPREFIX/dosdevices/root#ports#$(printf %04d "$port")#{86e0d1e0-8089-11d0-9ce4-08003e301f73}"
}

# The cable: the panel's end is COM3 of the prefix; the simulator holds the other end.
start_cable_and_simulator() {
    local cable="$run/cable"
    rm -rf "$cable"
    mkdir -p "$cable"
    null_modem_cable "$cable/panel" "$cable/device" "$cable/socat.log" || exit 1
    pids+=("$cable_pid")
    map_line "$(readlink -f "$cable/panel")"
    rm -f "$run/simulator.log"
    "$native/quorvex-simulator" --log "$run/simulator.log" "$(readlink -f "$cable/device")" &
    pids+=($!)
    wait_for 10 grep -q listening "$run/simulator.log" 2>/dev/null || { echo "the simulator did not start" >&2; exit 1; }
}

windows_path() { printf 'Z:%s' "${1//\//\\}"; }

run_with_display() {
    echo "The simulated multiviewer is on COM$port: press Search, pick COM$port, press Connect, then the buttons."
    echo "Close the control panel to end."
    wine "$x64/Quorvex.exe" || true
}

# The scripted session notes each picture's window size in pictures.txt once it has seen the
# window painted there; the PNG must have that size, or it is not a picture of that window.
save_picture() {
    local expected actual
    expected=$(awk -v name="$1" '$1 == name { print $2 }' "$run/pictures.txt" 2>/dev/null)
    if [ -z "$expected" ] || [ ! -f "$run/$1.bmp" ]; then
        echo "FAILED: the scripted session left no picture $1 (see its messages above)" >&2
        exit 1
    fi
    convert "$run/$1.bmp" "$run/$1.png"
    rm -f "$run/$1.bmp"
    actual=$(identify -format '%wx%h' "$run/$1.png")
    [ "$actual" = "$expected" ] ||
        { echo "FAILED: $run/$1.png is $actual, but its window is $expected" >&2; exit 1; }
}

run_scripted() {
    rm -f "$run"/*.bmp "$run"/*.png "$run/pictures.txt"
    # A virtual desktop gives the windows Wine-drawn frames, as a window manager would.
    wine explorer /desktop=Quorvex,800x900 "$x64/demo_session.exe" "$(windows_path "$x64/Quorvex.exe")" "COM$port" \
        "$(windows_path "$run/simulator.log")" "$(windows_path "$run")"
    local shot
    for shot in main-window tooltip about-box; do
        save_picture "$shot"
    done
    cleanup  # the simulator's last words before the summary
    echo
    echo "No display: the control panel ran a scripted session under Xvfb against the simulated multiviewer."
    echo "  main window: $run/main-window.png"
    echo "  a tip:       $run/tooltip.png"
    echo "  About box:   $run/about-box.png"
    echo "  simulator:   $run/simulator.log"
}

run_on_line() {
    echo "$line is COM$port: press Search, pick COM$port, press Connect, then the buttons; watch the multiviewer's screen."
    echo "Close the control panel to end."
    wine "$x64/Quorvex.exe" || true
}

if [ -n "$line" ]; then
    if [[ $line == tcp:* ]]; then bridge_tcp_line; else check_line; fi
    mkdir -p "$run"
    null_modem_env "$run/modem-lines"
    prepare_prefix
    map_line "$line"
    run_on_line
    exit 0
fi

mkdir -p "$run"
null_modem_env "$run/modem-lines"
if have_display; then
    prepare_prefix
    start_cable_and_simulator
    run_with_display
else
    start_xvfb
    prepare_prefix
    start_cable_and_simulator
    run_scripted
fi
