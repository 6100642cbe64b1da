#!/usr/bin/env bash
# Each exe may import only Windows system DLLs (the runtimes are linked in statically), and the
# 32-bit one nothing that Windows XP lacks.
# Usage: check-imports.sh X64_EXE X86_EXE [X64_EXE X86_EXE...]
set -uo pipefail
system_dlls='^(kernel32|user32|gdi32|comctl32|advapi32|setupapi|shell32|msvcrt|ole32|oleaut32|ws2_32)\.dll$'
newer_than_xp='^(GetTickCount64|CancelIoEx|.*SRWLock.*|.*ConditionVariable.*|InitOnce.*|Fls(Alloc|Free|GetValue|SetValue)|SetProcessDPIAware|RegisterApplicationRestart|GetFileInformationByHandleEx|CreateSymbolicLink[AW]|GetLocaleInfoEx|LCMapStringEx|CompareStringEx)$'
status=0

imports() {  # imports OBJDUMP EXE -> "dll function" lines
    "$1" -p "$2" | awk '/DLL Name:/ { dll = tolower($3); next } dll && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll, $3 }'
}

check() {  # check OBJDUMP EXE XP
    local objdump=$1 exe=$2 xp=$3
    if [ ! -f "$exe" ]; then
        echo "missing: $exe (build both trees first: make build)"
        status=1
        return
    fi
    local dlls
    dlls=$("$objdump" -p "$exe" | awk '/DLL Name:/ { print tolower($3) }' | sort -u)
    for dll in $dlls; do
        [[ $dll =~ $system_dlls ]] || { echo "$exe imports a non-system DLL: $dll"; status=1; }
    done
    if [ "$xp" = xp ]; then
        while read -r dll fn; do
            [[ $fn =~ $newer_than_xp ]] && { echo "$exe imports $fn from $dll, which XP lacks"; status=1; }
        done < <(imports "$objdump" "$exe")
    fi
    echo "$exe: $(echo "$dlls" | tr '\n' ' ')"
}

while [ $# -ge 2 ]; do
    check x86_64-w64-mingw32-objdump "$1" any
    check i686-w64-mingw32-objdump "$2" xp
    shift 2
done
exit $status
