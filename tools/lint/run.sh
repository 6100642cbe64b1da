#!/usr/bin/env bash
# Static analysis of our code; any finding fails. cppcheck reads the sources as they are; clang-tidy
# reads them as the x64 MinGW build compiles them, from a compile database of that build.
set -euo pipefail
cd "$(dirname "$0")/../.."
build=build/lint
dirs=(app ui serial framework widgets tools)

echo "cppcheck: ${dirs[*]}"
cppcheck -j2 --quiet --error-exitcode=1 --std=c++17 --language=c++ -I . \
    --enable=warning,style,performance,portability --inline-suppr \
    --suppressions-list=tools/lint/cppcheck-suppressions.txt \
    --template='{file}:{line}: {severity} {id}: {message}' "${dirs[@]}"

# Configuring is enough for the database; it is redone every time so that new files are seen.
cmake --no-warn-unused-cli -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x64.cmake -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null

# The headers are the MinGW g++'s: its C++ library and the MinGW C headers and Windows SDK, taken
# from the compiler the build uses, with clang's own intrinsics. Nothing of the host: clang would
# look in /usr/include last, and a header MinGW lacks would be taken from glibc there.
args=(--quiet -p "$build" --extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-nostdlibinc)
while read -r dir; do
    args+=("--extra-arg=-isystem$dir")
done < <(x86_64-w64-mingw32-g++-win32 -E -x c++ -v - </dev/null 2>&1 |
    sed -n 's|^ \(/.*/include/c++.*\)$|\1|p; s|^ \(/.*/x86_64-w64-mingw32/include\)$|\1|p')

pattern="^$(pwd)/($(IFS='|'; echo "${dirs[*]}"))/"
python3 -c 'import json, re, sys
for entry in json.load(open(sys.argv[1])):
    if re.match(sys.argv[2], entry["file"]): print(entry["file"])' "$build/compile_commands.json" "$pattern" |
    sort -u > "$build/lint-files.txt"
echo "clang-tidy: $(wc -l < "$build/lint-files.txt") files"
# Only the findings are shown: the count of what it skipped in system headers is not.
xargs -P2 -n4 clang-tidy "${args[@]}" < "$build/lint-files.txt" 2> >(grep -Ev '^[0-9]+ warnings? (and [0-9]+ errors? )?generated\.$|^Suppressed [0-9]+ warnings|^Use -header-filter' >&2)
echo "lint: no findings"
