#!/usr/bin/env bash
# Starts the main window under Xvfb against the register emulator, runs a
# command file from the window and saves a picture of it as
# docs/window.png (or the path given). Needs Xvfb (Debian package xvfb,
# installed here when missing); CI does not run this.
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-docs/window.png}"
build="${BUILD_DIR:-build}"

if ! command -v xvfb-run >/dev/null; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq xvfb
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target tarvik-register tarvik-screenshot

work="$(mktemp -d)"
register_pid=""
cleanup() {
  [ -n "$register_pid" ] && kill "$register_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/register"
printf '%s\r\n' \
  '00000000000012;"ROHLIK";00000250;00000000;00;00;00;00;00;00;00;00;00;00' \
  '00000000000013;"CHLEB";00003490;00000000;00;00;00;00;00;00;00;00;00;00' \
  '00008594001120;"MLEKO 1L";00002290;00000000;00;00;00;00;00;00;00;00;00;00' \
  >"$work/register/03.dat"
printf '%s\r\n' '0001;1500;00' '0002;2100;00' >"$work/register/30.dat"

"$build"/register/tarvik-register --pty --data "$work/register" --no-save >"$work/register.out" 2>&1 &
register_pid=$!
for _ in $(seq 100); do
  grep -q '^pty: ' "$work/register.out" && break
  sleep 0.1
done
pty="$(sed -n 's/^pty: //p' "$work/register.out")"
[ -n "$pty" ] || { echo "the register emulator did not start" >&2; exit 1; }

printf '%s\r\n' "com1=$pty" 'debug = 1' 'zpozdeni = 300' >"$work/tarvik.ini"
printf '%s\r\n' '01,1,7,8,O,650,ERA' 'R03;P_PLU' 'R30;P_TAX' >"$work/prodej.cmd"

mkdir -p "$(dirname "$out")"
QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$build"/tools/tarvik-screenshot "$work" "$out"
echo "saved $out"
