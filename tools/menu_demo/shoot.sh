#!/usr/bin/env bash
# Takes the menu demo's screenshots on a private test bench:
#   tools/menu_demo/shoot.sh BUILD_DIR
# BUILD_DIR holds a built menu_demo.exe; the pictures go to docs/menu-classic.png and docs/menu-flat.png.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
root=$(realpath "$here/../..")
build=$(realpath "$1")
bench="$build/menu-shots"
"$root/tests/bench/start.sh" "$bench" >/dev/null
trap '"$root/tests/bench/stop.sh" "$bench"' EXIT
for look in classic flat; do
    flag=""
    [ "$look" = flat ] && flag="--flat"
    rm -f "$bench/$look.bmp"
    # shellcheck disable=SC2086
    "$root/tests/bench/wine-run.sh" "$bench" "$build/menu_demo.exe" $flag --shot "Z:${bench//\//\\}\\$look.bmp"
    convert "$bench/$look.bmp" "$root/docs/menu-$look.png"
done
echo "saved docs/menu-classic.png and docs/menu-flat.png"
