#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if any is missing.
set -euo pipefail
packages=(
    cmake make python3 util-linux
    g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    wine64 wine fonts-wine xvfb xauth socat x11-utils imagemagick doctest-dev fonts-wqy-microhei
    cppcheck clang clang-tidy libclang-rt-dev
)
# Wine's 32-bit half runs the XP exe, but only where the kernel runs 32-bit x86 code: on a kernel
# without IA-32 emulation its loader cannot start, and once installed it is the loader `wine`
# picks for every program, 64-bit ones included.
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if "$(dirname "$0")/kernel-runs-i386.sh"; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
    fi
    # gcc-multilib: the modem-line library is preloaded into Wine's 32-bit half too.
    packages+=(wine32:i386 gcc-multilib)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
