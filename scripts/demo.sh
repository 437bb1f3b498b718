#!/usr/bin/env bash
# The main job on the embedded default: builds tarvik and its register
# emulator, starts the emulator on a pseudo-terminal with the sample register
# content, maps COM1 to it, runs a command file that reads the departments,
# the PLU items and the clock, and shows the files the job produced.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tarvik tarvik-register

demo="$(mktemp -d /tmp/tarvik-demo.XXXXXX)"
register="$demo/register"
mkdir -p "$register"
cp register/sample/*.dat "$register/"
ln -s "$PWD/build/src/app/tarvik" "$demo/tarvik"

build/register/tarvik-register --pty --data "$register" >"$demo/register.out" 2>"$demo/register.err" &
emulator=$!
trap 'kill $emulator 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do
  grep -q '^pty: ' "$demo/register.out" 2>/dev/null && break
  sleep 0.05
done
pty="$(sed -n 's/^pty: //p' "$demo/register.out")"

printf 'com1=%s\r\nzpozdeni=200\r\n' "$pty" >"$demo/tarvik.ini"
printf '01,1,7,8,O,650,DEMO\r\nR01;P_DPT\r\nR03;P_PLU\r\nR14;X_REG\r\n' >"$demo/demo.cmd"

echo "Program directory: $demo (COM1 = $pty)"
set +e
"$demo/tarvik" /h demo.cmd
code=$?
set -e
echo "Exit code: $code   err: $(cat "$demo/err")   error.txt: $(tr -d '\r' <"$demo/error.txt")"
for f in DEMO.log P_DPT.dat P_PLU.dat X_REG.dat; do
  echo "--- $f"
  iconv -f CP1250 -t UTF-8 "$demo/$f" | tr -d '\r'
done
exit "$code"
