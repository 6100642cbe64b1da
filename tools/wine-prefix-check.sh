#!/usr/bin/env bash
# Usage: wine-prefix-check.sh PREFIX
# Exits 1, saying why, when PREFIX was made while Wine's 32-bit half (wine32:i386) was missing and
# that half is installed now: such a prefix has no 32-bit system DLLs, and once the half is there
# every program in it fails ("could not load kernel32.dll, status c0000135"): make it again.
# Exits 0 for a prefix that is fine, one not made yet, or a machine without a working 32-bit half.
prefix=$1
[ -d "$prefix/drive_c/windows" ] || exit 0
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' || exit 0
"$(dirname "$0")/kernel-runs-i386.sh" || exit 0
[ -f "$prefix/drive_c/windows/syswow64/kernel32.dll" ] && exit 0
echo "the Wine prefix $prefix was made without Wine's 32-bit half (wine32:i386)" >&2
exit 1
