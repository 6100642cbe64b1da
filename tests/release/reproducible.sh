#!/usr/bin/env bash
# Usage: reproducible.sh DIR SOURCE ZIP
# The same commit built in another folder gives the same bytes. Copies SOURCE's files to a folder
# of another name and depth under DIR, configures both trees there without the tests, packs the
# release there, and compares the zip and each file in it with ZIP (`make dist` of SOURCE).
set -euo pipefail
dir=$(realpath -m "$1")
source=$(realpath "$2")
zip=$(realpath "$3")
other="$dir/another/checkout/of-the-source"

rm -rf "$dir"
mkdir -p "$other"
git -C "$source" ls-files -z -co --exclude-standard |
    tar -C "$source" --null --ignore-failed-read -T - -cf - 2>/dev/null | tar -C "$other" -xf -
for arch in x64 x86; do
    cmake -S "$other" -B "$dir/$arch" -DCMAKE_TOOLCHAIN_FILE="$other/cmake/mingw-$arch.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DQUORVEX_TESTS=OFF >"$dir/configure-$arch.log"
done
"$other/tools/dist/dist.sh" "$dir/there" "$dir/x64" "$dir/x86" >"$dir/build-there.log" 2>&1 ||
    { cat "$dir/build-there.log"; exit 1; }
mkdir -p "$dir/here"
cp "$zip" "$dir/here/"

# The sums of the zip and of each file in it, one "SUM  NAME" line each.
sums() {
    local zip
    zip=$(echo "$1"/quorvex-*-windows.zip)
    mkdir -p "$1/unpacked"
    (cd "$1/unpacked" && unzip -q "$zip" && find . -type f | sort | xargs sha256sum)
    (cd "$1" && sha256sum "$(basename "$zip")")
}
sums "$dir/here" >"$dir/here.sums"
sums "$dir/there" >"$dir/there.sums"
echo "built in $source and in $other:"
paste -d '\n' "$dir/here.sums" "$dir/there.sums"
if ! cmp -s "$dir/here.sums" "$dir/there.sums"; then
    echo "FAIL: the two folders gave different bytes:" >&2
    diff "$dir/here.sums" "$dir/there.sums" >&2 || true
    exit 1
fi
echo "the same bytes from both folders"
