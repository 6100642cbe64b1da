#!/usr/bin/env bash
# Gives the test COM devices of the discovery tests a line: in the bench in DIR, links the device
# path of ROOT\PORTS\00NN (the name after "\\?\") to the line of the bench's COMNN, as Windows
# would route a device interface to its port. A Windows program cannot make these links itself.
set -euo pipefail
dir=$(realpath -m "$1")
dos="$dir/prefix/dosdevices"
[ -d "$dos" ] || { echo "no test bench in $dir" >&2; exit 2; }
for n in 3 4 5 6 12; do
    ln -sfn "$(readlink -f "$dos/com$n")" "$dos/root#ports#$(printf %04d "$n")#{86e0d1e0-8089-11d0-9ce4-08003e301f73}"
done
