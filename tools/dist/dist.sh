#!/usr/bin/env bash
# Usage: dist.sh OUT X64_BUILD X86_BUILD
# Builds the shipped exes of both configured trees and packs the release into OUT:
# quorvex-VERSION-windows.zip (64-bit/ and XP-32-bit/, each with Quorvex.exe and quorvex-send.exe, and
# quorvex-bridge.exe in 64-bit/ alone; README.txt, SHA256SUMS), the zip's sum beside it, and the exes'
# symbols in quorvex-VERSION-symbols/.
set -euo pipefail
out=$1
x64=$2
x86=$3
here=$(dirname "$(realpath "$0")")
# The bridge is built for 64-bit Windows only: Asio's sockets need Windows 7.
shipped_64=(Quorvex quorvex-send quorvex-bridge)
shipped_32=(Quorvex quorvex-send)

fail() {
    echo "dist: $*" >&2
    exit 1
}
version_of() { sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$1/CMakeCache.txt" 2>/dev/null; }
has_target() { grep -q "/$2\.dir\$" "$1/CMakeFiles/TargetDirectories.txt"; }

version=$(version_of "$x64")
[ -n "$version" ] || fail "$x64 is not a configured tree"
[ "$version" = "$(version_of "$x86")" ] || fail "$x64 and $x86 are configured from different versions"

files=()
mkdir -p "$out"
symbols="$out/quorvex-$version-symbols"
rm -rf "$symbols" "$out/quorvex-$version-windows.zip" "$out/quorvex-$version-windows.zip.sha256"
for pair in "64-bit=$x64" "XP-32-bit=$x86"; do
    folder=${pair%%=*}
    tree=${pair#*=}
    if [ "$folder" = 64-bit ]; then shipped=("${shipped_64[@]}"); else shipped=("${shipped_32[@]}"); fi
    for target in "${shipped[@]}"; do
        has_target "$tree" "$target" || fail "$tree has no $target target"
    done
    cmake --build "$tree" --target "${shipped[@]}" -j2
    mkdir -p "$symbols/$folder"
    for target in "${shipped[@]}"; do
        files+=("$folder/$target.exe=$tree/$target.exe")
        cp "$tree/$target.exe.debug" "$symbols/$folder/"
    done
done
python3 "$here/pack.py" --version "$version" --readme "$here/README-windows.txt" --out "$out" "${files[@]}"
