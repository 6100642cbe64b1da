#!/usr/bin/env bash
# Usage: process-state.sh PID...
# What each process and its descendants are doing, thread by thread, as Linux shows it: state,
# the kernel function it sleeps in, the system call it is blocked in and, for a read or a write,
# what the descriptor is (a pipe to the wineserver, a pty, a socket). For the report of a stall:
# cheap, and it needs no debugger attached to a process that may be wedged.
set -uo pipefail

descendants() {
    local pid child
    for pid in "$@"; do
        echo "$pid"
        for child in $(cat /proc/"$pid"/task/*/children 2>/dev/null); do descendants "$child"; done
    done
}

# The system calls a stalled Wine process is found in, by number: x86-64, then i386.
syscall_name() {  # NUMBER BITS
    local -A names64=([0]=read [1]=write [7]=poll [23]=select [35]=nanosleep [42]=connect [44]=sendto
        [45]=recvfrom [46]=sendmsg [47]=recvmsg [61]=wait4 [202]=futex [230]=clock_nanosleep [232]=epoll_wait
        [270]=pselect6 [271]=ppoll [281]=epoll_pwait)
    local -A names32=([3]=read [4]=write [168]=poll [162]=nanosleep [240]=futex [256]=epoll_wait
        [308]=pselect6 [309]=ppoll [114]=wait4 [102]=socketcall [265]=clock_nanosleep [407]=clock_nanosleep_time64
        [422]=futex_time64 [413]=pselect6_time64 [414]=ppoll_time64)
    if [ "$2" = 32 ]; then echo "${names32[$1]:-syscall $1}"; else echo "${names64[$1]:-syscall $1}"; fi
}

thread_state() {  # PID TID BITS
    local task=/proc/$1/task/$2 state wchan call name fd
    state=$(sed -E 's/^[0-9]+ \(.*\) ([A-Z]).*/\1/' "$task/stat" 2>/dev/null) || return 0
    wchan=$(cat "$task/wchan" 2>/dev/null)
    read -ra call <"$task/syscall" 2>/dev/null || call=()
    case ${call[0]:-} in
    running | "") name=${call[0]:-?} ;;
    -1) name="no system call" ;;
    *)
        name=$(syscall_name "${call[0]}" "$3")
        if [[ $name = read || $name = write || $name = recv* || $name = send* ]]; then
            fd=$((call[1]))
            name+=" on fd $fd ($(readlink "/proc/$1/fd/$fd" 2>/dev/null || echo closed))"
        fi
        ;;
    esac
    echo "    thread $2 ($(cat "$task/comm" 2>/dev/null)): state $state, in ${wchan:-?}, ${name}"
}

for pid in $(descendants "$@"); do
    [ -d "/proc/$pid" ] || continue
    bits=64
    [ "$(od -An -j4 -N1 -tu1 "/proc/$pid/exe" 2>/dev/null | tr -d ' ')" = 1 ] && bits=32
    echo "  process $pid ($bits-bit): $(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null)"
    for task in /proc/"$pid"/task/*; do thread_state "$pid" "${task##*/}" "$bits"; done
done
