#!/usr/bin/env bash
# Takes the widget gallery's screenshot on a private test bench:
#   tools/widget_gallery/shoot.sh BUILD_DIR
# BUILD_DIR holds a built widget_gallery.exe; the picture goes to docs/widget-gallery.png.
set -euo pipefail
here=$(dirname "$(realpath "$0")")
root=$(realpath "$here/../..")
build=$(realpath "$1")
bench="$build/gallery-shots"
"$root/tests/bench/start.sh" "$bench" >/dev/null
trap '"$root/tests/bench/stop.sh" "$bench"' EXIT
rm -f "$bench/gallery.bmp"
"$root/tests/bench/wine-run.sh" "$bench" "$build/widget_gallery.exe" --shot "Z:${bench//\//\\}\\gallery.bmp"
convert "$bench/gallery.bmp" "$root/docs/widget-gallery.png"
echo "saved docs/widget-gallery.png"
