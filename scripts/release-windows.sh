#!/usr/bin/env bash
# Builds the Windows release: dist/tarvik-<version>-windows-x86_64.zip with
# tarvik.exe (and tarvik-fleet.exe where the tree has it), each with its
# version information resource, the README, the reference of docs/ as text
# files with CR LF line ends, and the sample command files (written by the
# built program itself, under wine, as it writes them at every start).
# The tarvik.exe of the zip is then checked under wine: it carries the
# window's dialog templates, answers --version, and started without a
# command file it opens its main window (on a virtual display).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --windows
cross=${CROSS_BUILD:-build-release-win}
export WINEPREFIX=${WINEPREFIX:-/tmp/tarvik-wine-prefix}
export WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY  # only the window check below gets a display

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

check="$stage/check"
unzip -q "$zip" -d "$check"
[ -f "$check/tarvik/tarvik.exe" ] || { echo "$zip holds no tarvik/tarvik.exe" >&2; exit 1; }
# The four dialog templates (port, IP, About, help) each name their font.
templates=$(strings -el "$check/tarvik/tarvik.exe" | grep -cx "MS Shell Dlg" || true)
[ "$templates" -ge 4 ] ||
  { echo "tarvik.exe has $templates of its 4 dialog templates" >&2; exit 1; }
(cd "$check/tarvik" && wine tarvik.exe --version) | grep -q "^tarvik $version (Windows" ||
  { echo "tarvik.exe of the zip does not start under wine" >&2; exit 1; }
# wine's desktop process keeps the display it was started with.
wineserver -w
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  cd "$1" || exit 1
  wine tarvik.exe >/dev/null 2>&1 &
  pid=$!
  shown=1
  for _ in $(seq 600); do
    if xdotool search --name "^Komunikace Tarvik" >/dev/null 2>&1; then shown=0; break; fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  wineserver -w
  exit "$shown"' check "$check/tarvik" ||
  { echo "tarvik.exe of the zip opened no main window under wine" >&2; exit 1; }
echo "tarvik.exe of the zip starts under wine and opens its window"
