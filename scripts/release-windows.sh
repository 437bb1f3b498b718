#!/usr/bin/env bash
# Builds the Windows release: dist/tarvik-<version>-windows-x86_64.zip with
# tarvik.exe, the README, the reference of docs/ as text files with CR LF
# line ends, and the sample command files (written by the built program
# itself, under wine, as it writes them at every start).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --windows
cross=${CROSS_BUILD:-build-release-win}
export WINEPREFIX=${WINEPREFIX:-/tmp/tarvik-wine-prefix}
export WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY

cmake -S . -B "$cross" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIK_TESTS=OFF >/dev/null
cmake --build "$cross" -j"$(nproc)" --target tarvik
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
# The debug information stays in the build tree.
x86_64-w64-mingw32-strip -o "$stage/tarvik/tarvik.exe" "$cross/src/app/tarvik.exe"

mkdir -p dist
zip="dist/tarvik-$version-windows-x86_64.zip"
rm -f "$zip"
(cd "$stage" && zip -q -r -X "$OLDPWD/$zip" tarvik)
unzip -l "$zip"
