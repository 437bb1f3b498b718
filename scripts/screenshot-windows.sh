#!/usr/bin/env bash
# Starts tarvik.exe of the Windows build under wine on a virtual display
# (Xvfb), runs a command file from its window against the register emulator
# (over TCP on 127.0.0.1), and saves a picture of the window as
# docs/window-windows.png (or the path given). The window is driven as a user
# drives it: Ctrl+O ("Otevři a komunikuj"), the file's name typed into the
# open dialog, Enter; the closing box is answered with Enter. CI does not run
# this.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--on-display" ]; then
  # The part that runs on the virtual display: $work holds the program
  # directory, the picture goes to $out.
  wait_for() {  # seconds, then a command that succeeds once the wait is over
    local seconds=$1
    shift
    for _ in $(seq $((seconds * 10))); do
      "$@" >/dev/null 2>&1 && return 0
      sleep 0.1
    done
    return 1
  }
  # wine's desktop process keeps the display it was started with.
  wineserver -w
  (cd "$work/program" && exec wine tarvik.exe) >"$work/tarvik.out" 2>&1 &
  tarvik_pid=$!
  trap 'kill "$tarvik_pid" 2>/dev/null || true; wineserver -w' EXIT
  window_or_end() {  # the window is there, or the program ended without one
    xdotool search --name '^Komunikace Tarvik' || ! kill -0 "$tarvik_pid"
  }
  wait_for 60 window_or_end
  xdotool search --name '^Komunikace Tarvik' >/dev/null || {
    echo "tarvik.exe opened no window:" >&2
    cat "$work/tarvik.out" >&2
    exit 1
  }
  window=$(xdotool search --name '^Komunikace Tarvik' | head -n 1)
  xdotool windowsize "$window" 780 640
  xdotool windowfocus --sync "$window"
  sleep 1
  xdotool key ctrl+o
  sleep 2  # the open dialog
  xdotool type --delay 50 prodej.cmd
  xdotool key Return
  # The job writes its log line after its last command, then the box.
  wait_for 60 grep -q 'R30' "$work/program/ERA.log" || {
    echo "the job did not run; tarvik.exe said:" >&2
    cat "$work/tarvik.out" >&2
    exit 1
  }
  sleep 2
  xdotool key Return
  # Without a window manager nothing repaints where the box was: a resize
  # makes the window paint itself whole.
  sleep 1
  xdotool windowsize "$window" 781 640
  sleep 0.5
  xdotool windowsize "$window" 780 640
  sleep 1
  mkdir -p "$(dirname "$out")"
  import -window "$window" "$out"
  exit 0
fi

out="$(realpath -m "${1:-docs/window-windows.png}")"
scripts/install-deps.sh --windows
native=${NATIVE_BUILD:-build}
cross=${CROSS_BUILD:-build-win}
export WINEPREFIX=${WINEPREFIX:-/tmp/tarvik-wine-prefix}
export WINEDEBUG=-all

cmake -S . -B "$cross" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$cross" -j"$(nproc)" --target tarvik
cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$native" -j"$(nproc)" --target tarvik-register

work="$(mktemp -d)"
register_pid=""
cleanup() {
  [ -n "$register_pid" ] && kill "$register_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/register" "$work/program"
printf '%s\r\n' \
  '00000000000012;"ROHLIK";00000250;00000000;00;00;00;00;00;00;00;00;00;00' \
  '00000000000013;"CHLEB";00003490;00000000;00;00;00;00;00;00;00;00;00;00' \
  '00008594001120;"MLEKO 1L";00002290;00000000;00;00;00;00;00;00;00;00;00;00' \
  >"$work/register/03.dat"
printf '%s\r\n' '0001;1500;00' '0002;2100;00' >"$work/register/30.dat"

"$native"/register/tarvik-register --tcp 127.0.0.1 --port 0 --data "$work/register" --no-save \
  >"$work/register.out" 2>&1 &
register_pid=$!
for _ in $(seq 100); do
  grep -q '^tcp: ' "$work/register.out" && break
  sleep 0.1
done
where="$(sed -n 's/^tcp: //p' "$work/register.out")"
[ -n "$where" ] || { echo "the register emulator did not start" >&2; exit 1; }

cp "$cross/src/app/tarvik.exe" "$work/program/"
printf '%s\r\n' 'debug = 1' 'zpozdeni = 300' >"$work/program/tarvik.ini"
printf '%s\r\n' "$where,01,650,ERA" 'R03;P_PLU' 'R30;P_TAX' >"$work/program/prodej.cmd"

wineboot --init >/dev/null 2>&1
work="$work" out="$out" xvfb-run -a -s "-screen 0 1024x768x24" "$0" --on-display
echo "saved $out"
