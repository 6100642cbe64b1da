#!/usr/bin/env bash
# Usage: zip_test.sh DIR ZIP BENCH_DIR CHECK_EXE X64_BUILD X86_BUILD
# The files users get are the files we test. Unpacks the release zip into DIR, checks SHA256SUMS,
# that each exe is the build tree's and its size, then starts each exe from the unpacked folder on
# the test bench: each panel under CHECK_EXE (release_check: window, About box, version resource,
# clean close), each sender with --list, the 64-bit bridge with --version.
set -euo pipefail
dir=$(realpath -m "$1")
zip=$(realpath "$2")
bench=$(realpath -m "$3")
check=$(realpath "$4")
here=$(dirname "$(realpath "$0")")
wine_run="$here/../bench/wine-run.sh"
# The most a shipped exe may weigh: 500 KB as Explorer counts them; the bridge, which carries an
# HTTP server and its web page, 2 MB.
max_bytes=$((500 * 1024))
max_bridge_bytes=$((2 * 1024 * 1024))
# The command codes of the device's command table, one per button.
codes=(EF EE ED EC E8 E7 E6 E5 EB EA 55 CC 9F 98 DB DF D9 C8 C0 99 C6 88 DE)

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

rm -rf "$dir"
mkdir -p "$dir"
unzip -q "$zip" -d "$dir"
top=$(echo "$dir"/quorvex-*)
[ -d "$top" ] || fail "the zip holds no quorvex-VERSION folder"
(cd "$top" && sha256sum --quiet -c SHA256SUMS) || fail "a file does not match its line in SHA256SUMS"
listed=$(cut -c67- "$top/SHA256SUMS" | sort)
present=$(cd "$top" && find . -type f ! -name SHA256SUMS -printf '%P\n' | sort)
[ "$listed" = "$present" ] || fail "SHA256SUMS lists: ${listed//$'\n'/ }; the zip holds: ${present//$'\n'/ }"

for pair in "64-bit=$5" "XP-32-bit=$6"; do
    folder=${pair%%=*}
    tree=${pair#*=}
    expected=(Quorvex.exe quorvex-send.exe)
    [ "$folder" = 64-bit ] && expected+=(quorvex-bridge.exe)
    [ "$folder" = 64-bit ] || [ ! -e "$top/$folder/quorvex-bridge.exe" ] || fail "$folder holds a quorvex-bridge.exe"
    for exe in "${expected[@]}"; do
        [ -f "$top/$folder/$exe" ] || fail "no $folder/$exe in the zip"
    done
    for exe in "$top/$folder"/*.exe; do
        cmp -s "$exe" "$tree/$(basename "$exe")" || fail "$folder/$(basename "$exe") is not $tree's: run make dist"
        size=$(stat -c %s "$exe")
        most=$max_bytes
        [ "$(basename "$exe")" = quorvex-bridge.exe ] && most=$max_bridge_bytes
        [ "$size" -le "$most" ] || fail "$folder/$(basename "$exe") is $size bytes, more than $most"
    done
    if [ "$folder" = XP-32-bit ] && ! "$here/../../tools/wine32-runs.sh"; then
        echo "*** The XP exes were NOT started: Wine's 32-bit half cannot run here."
        continue
    fi
    QUORVEX_EXE=$(windows_path "$top/$folder/Quorvex.exe") "$wine_run" "$bench" "$check" ||
        fail "$folder/Quorvex.exe, unpacked, did not pass release_check"
    echo "$folder/Quorvex.exe: window, About box and version resource as they should be, closed cleanly"
    list=$("$wine_run" "$bench" "$top/$folder/quorvex-send.exe" --list </dev/null) ||
        fail "$folder/quorvex-send.exe --list failed"
    for code in "${codes[@]}"; do
        grep -qw "$code" <<<"$list" || fail "$folder/quorvex-send.exe --list does not list $code"
    done
    echo "$folder/quorvex-send.exe --list: all ${#codes[@]} commands"
    if [ "$folder" = 64-bit ]; then
        version=$("$wine_run" "$bench" "$top/$folder/quorvex-bridge.exe" --version </dev/null | tr -d "\r") ||
            fail "$folder/quorvex-bridge.exe --version failed"
        [[ "$version" == "quorvex-bridge "* ]] || fail "$folder/quorvex-bridge.exe --version said: $version"
        echo "$folder/quorvex-bridge.exe --version: $version"
    fi
done
