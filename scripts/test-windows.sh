#!/usr/bin/env bash
# Cross-builds tarvik.exe with mingw-w64 into build-win/ and runs the Windows
# tests under wine: the unit tests (ctest of the cross build) and the
# end-to-end jobs against the native register emulator, over TCP and over a
# COM port that wine maps to the emulator's pty. Needs the native build in
# build/ (for the emulator); scripts/test-all.sh makes it first.
#
# Tests labelled "display" open real windows and drive them through their
# messages; they run on a virtual display (Xvfb). Everything else runs
# without one, as a scheduled job does, so that no box can wait for a click.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --windows
native=${NATIVE_BUILD:-build}
cross=${CROSS_BUILD:-build-win}
export WINEPREFIX=${WINEPREFIX:-/tmp/tarvik-wine-prefix}
export WINEDEBUG=-all
unset DISPLAY WAYLAND_DISPLAY  # no box may wait for a click

# The window's job test runs against the native emulator, built below.
cmake -S . -B "$cross" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIK_NATIVE_REGISTER="$PWD/$native/register/tarvik-register" \
  >/dev/null
cmake --build "$cross" -j"$(nproc)"
cmake -S . -B "$native" >/dev/null
cmake --build "$native" -j"$(nproc)" --target tarvik-register

wineboot --init >/dev/null 2>&1
ctest --test-dir "$cross" --output-on-failure --timeout 600 -LE display
# wine's desktop process keeps the display it was started with: the server
# of the prefix ends before each change of display.
wineserver -w
xvfb-run -a -s "-screen 0 1280x1024x24" \
  ctest --test-dir "$cross" --output-on-failure --timeout 600 -L display
wineserver -w
python3 tests/wine/wine_e2e.py --exe "$cross/src/app/tarvik.exe" \
  --register "$native/register/tarvik-register" --prefix "$WINEPREFIX"
