#!/usr/bin/env bash
# Exits 0 if this machine's kernel runs 32-bit x86 Linux programs, as Wine's 32-bit half (and so the
# XP exe) needs; some kernels are built without that. Tried with a minimal 32-bit program made
# here, so it answers before any 32-bit package is installed.
set -u
probe=$(mktemp)
trap 'rm -f "$probe"' EXIT
python3 - "$probe" <<'PY'
import struct, sys
base = 0x08048000
code = bytes([0xB8, 1, 0, 0, 0, 0xBB, 42, 0, 0, 0, 0xCD, 0x80])  # exit(42) through int 0x80
size = 52 + 32 + len(code)
header = b"\x7fELF\x01\x01\x01" + bytes(9) + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)
segment = struct.pack("<IIIIIIII", 1, 0, base, base, size, size, 5, 0x1000)
with open(sys.argv[1], "wb") as out:
    out.write(header + segment + code)
PY
chmod +x "$probe"
"$probe" 2>/dev/null
[ $? -eq 42 ]
