#!/usr/bin/env bash
# Builds the Windows release: dist/tarvik-<version>-windows-x86_64.zip with
# tarvik.exe (and tarvik-fleet.exe where the tree has it), each with its
# version information resource, the README, the reference of docs/ as text
# files with CR LF line ends, and the sample command files (written by the
# built program itself, under wine, as it writes them at every start).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --windows
cross=${CROSS_BUILD:-build-release-win}
export WINEPREFIX=${WINEPREFIX:-/tmp/tarvik-wine-prefix}
export WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY

cmake -S . -B "$cross" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIK_TESTS=OFF >/dev/null
programs=(tarvik)
cmake --build "$cross" --target help | grep -qx '\.\.\. tarvik-fleet' && programs+=(tarvik-fleet)
cmake --build "$cross" -j"$(nproc)" --target "${programs[@]}"
version=$(sed -n 's/^project(tarvik VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/samples" "$stage/tarvik"
cp "$cross/src/app/tarvik.exe" "$stage/samples/"
wineboot --init >/dev/null 2>&1
# A start with a command file that is not there writes the samples, then
# fails on the missing file (exit code 1).
(cd "$stage/samples" && wine tarvik.exe nenivtomto.cmd >/dev/null 2>&1) || true
ls "$stage/samples"/*.cmx >/dev/null
cp README.md "$stage/samples"/*.cmx "$stage/tarvik/"
mkdir "$stage/tarvik/reference"
for page in docs/*.md; do
  sed 's/$/\r/' "$page" >"$stage/tarvik/reference/$(basename "$page" .md).txt"
done
# The debug information stays in the build tree; the version information
# resource stays in the program.
for program in "${programs[@]}"; do
  x86_64-w64-mingw32-strip -o "$stage/tarvik/$program.exe" "$cross/src/app/$program.exe"
  strings -el -n 3 "$stage/tarvik/$program.exe" | grep -qxF "$version" ||
    { echo "$program.exe has no version information $version" >&2; exit 1; }
done

mkdir -p dist
zip="dist/tarvik-$version-windows-x86_64.zip"
rm -f "$zip"
(cd "$stage" && zip -q -r -X "$OLDPWD/$zip" tarvik)
unzip -l "$zip"
