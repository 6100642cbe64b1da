#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, if any is missing. A package list that
# does not download (a mirror in mid-sync, a source pointing at a missing folder) stops nothing: the
# lists that came, and older ones, still serve. Only a needed package that cannot be installed stops
# it, saying which and why. Wine's 32-bit half, for the XP suite alone, never stops it.
# --tools: only what the Linux programs (simulator, sender, bridge) need to build, without Wine.
set -euo pipefail
here=$(dirname "$0")
tool_packages=(
    cmake make python3 g++ imagemagick pkg-config libboost1.81-dev nlohmann-json3-dev libmosquitto-dev
)
packages=(
    "${tool_packages[@]}" util-linux
    g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
    wine64 wine fonts-wine xvfb xauth socat x11-utils doctest-dev fonts-wqy-microhei
    cppcheck clang clang-tidy libclang-rt-dev
    chromium chromium-driver python3-selenium ser2net mosquitto python3-paho-mqtt openssl
)
# Wine's 32-bit half runs the XP exe, but only where the kernel runs 32-bit x86 code: on a kernel
# without IA-32 emulation its loader cannot start, and once installed it is the loader `wine`
# picks for every program, 64-bit ones included. gcc-multilib: the modem-line library is preloaded
# into Wine's 32-bit half too.
packages32=(wine32:i386 gcc-multilib)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
apt_log=$(mktemp)
trap 'rm -f "$apt_log"' EXIT

missing() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
    done
}

update_lists() {
    [ -z "${lists_updated:-}" ] || return 0
    lists_updated=1
    $sudo apt-get update -qq ||
        echo "*** apt-get update failed for some package lists (above); going on with the lists apt has" >&2
}

install() {  # install [APT-OPTION...] PACKAGE...: apt's output is kept in $apt_log
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@" >"$apt_log" 2>&1
}

say_why() {  # say_why WHAT PACKAGE...
    local what=$1
    shift
    echo "*** could not install $what: $*; apt-get said:" >&2
    grep -v '^\(Selecting\|Preparing\|Unpacking\|Setting up\|Processing\|(Reading\)' "$apt_log" | tail -n 25 >&2
}

# The packages Wine's 32-bit half needs, by name without the architecture.
needed_by_32bit_half() {
    apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks --no-replaces \
        --no-enhances wine32:i386 2>/dev/null | sed -n 's/^\([^ <][^:]*\):i386$/\1/p' | sort -u
}

# The i386 twins of the installed packages that must have one version in both architectures, among
# those the 32-bit half needs: named outright, apt's resolver stops trying other providers for them
# (one conflicts with this architecture's libsystemd0) and finds the way it missed.
twins() {
    dpkg-query -W -f='${Package} ${Architecture} ${Multi-Arch}\n' |
        awk -v arch="$(dpkg --print-architecture)" '$2 == arch && $3 == "same" { print $1 }' | sort |
        join - <(needed_by_32bit_half) | sed 's/$/:i386/'
}

# The installed packages of this machine's architecture that must have the same version in both
# architectures (Multi-Arch: same) and that Wine's 32-bit half needs, where the i386 list offers
# another version: NAME=VERSION for each, and for the installed packages built from the same source
# (which pin each other's versions), where this architecture can have that version too. An i386
# list that did not download leaves i386 behind a security update; an old machine leaves the
# installed packages behind the lists.
common_versions() {
    local arch installed name version source candidate sibling
    arch=$(dpkg --print-architecture)
    installed=$(dpkg-query -W -f='${Package} ${Architecture} ${Version} ${Multi-Arch} ${source:Package}\n')
    awk -v arch="$arch" '$2 == arch && $4 == "same" { print $1, $3, $5 }' <<<"$installed" | sort |
        join - <(needed_by_32bit_half) |
        while read -r name version source; do
            candidate=$(apt-cache policy "$name:i386" | awk '/Candidate:/ { print $2 }')
            [ -n "$candidate" ] && [ "$candidate" != "(none)" ] && [ "$candidate" != "$version" ] || continue
            awk -v s="$source" -v v="$version" -v arch="$arch" '$5 == s && $3 == v && $2 != "i386" { print $1 }' \
                <<<"$installed" |
                while read -r sibling; do
                    apt-cache madison "$sibling" | awk -F' *[|] *' -v v="$candidate" \
                        '$2 == v { found = 1 } END { exit !found }' && echo "$sibling=$candidate"
                done
        done | sort -u
}

install_32bit_half() {
    local wanted common
    wanted=($(missing "${packages32[@]}"))
    [ ${#wanted[@]} -gt 0 ] || return 0
    echo "installing: ${wanted[*]}"
    install "${wanted[@]}" && return 0
    say_why "Wine's 32-bit half" "${wanted[@]}"
    # First this architecture's packages alone, never removing one, then the 32-bit half beside
    # them: apt's resolver gives up on the two in one step.
    common=($(common_versions))
    if [ ${#common[@]} -gt 0 ]; then
        echo "*** bringing these to the version both architectures can have: ${common[*]}" >&2
        install --allow-downgrades --no-remove "${common[@]}" || say_why "one version of" "${common[@]}"
    fi
    echo "*** trying again with the i386 twins of the installed libraries named" >&2
    install "${wanted[@]}" $(twins) && return 0
    say_why "Wine's 32-bit half beside this architecture's packages" "${wanted[@]}"
    echo "*** Wine's 32-bit half is NOT installed: make test runs without the XP exe's suite." >&2
}

if [ "${1:-}" = --tools ]; then
    packages=("${tool_packages[@]}")
    packages32=()
fi
wanted=($(missing "${packages[@]}"))
kernel32=""
if [ ${#packages32[@]} -gt 0 ] && "$here/kernel-runs-i386.sh"; then
    kernel32=yes
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $sudo dpkg --add-architecture i386
        lists_stale=yes
    fi
fi
if [ ${#wanted[@]} -gt 0 ] || [ -n "${lists_stale:-}" ] ||
    { [ -n "$kernel32" ] && [ -n "$(missing "${packages32[@]}")" ]; }; then
    update_lists
fi
if [ ${#wanted[@]} -gt 0 ]; then
    echo "installing: ${wanted[*]}"
    install "${wanted[@]}" || {
        say_why "what the build needs" "${wanted[@]}"
        exit 1
    }
    # The bridge's tests start a broker of their own on a free loopback port and end it; the
    # package's system-wide broker, which its install starts, is not wanted on a build machine.
    if [[ " ${wanted[*]} " == *" mosquitto "* ]] && command -v systemctl >/dev/null &&
        systemctl is-enabled --quiet mosquitto 2>/dev/null; then
        $sudo systemctl disable --now mosquitto || true
    fi
fi
[ -z "$kernel32" ] || install_32bit_half
