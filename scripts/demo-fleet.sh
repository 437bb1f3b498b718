#!/usr/bin/env bash
# A small fleet against the register emulator: builds tarvik, tarvik-fleet
# and the emulator, starts three emulated registers (two over TCP/IP on
# loopback addresses, one on a pseudo-terminal that the register's own
# tarvik.ini.local maps to COM1), names a fourth address where nobody
# answers, runs tarvik-fleet over all four and prints its summary.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tarvik tarvik-fleet tarvik-register

demo="$(mktemp -d /tmp/tarvik-fleet-demo.XXXXXX)"
mkdir -p "$demo/register"
cp register/sample/*.dat "$demo/register/"
pids=()
trap 'for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT

# Starts an emulator; sets ready to its first line ("tcp: ..." or "pty: ...").
start_register() {
  local out="$demo/register-${#pids[@]}.out"
  build/register/tarvik-register --data "$demo/register" --no-save "$@" >"$out" 2>/dev/null &
  pids+=($!)
  for _ in $(seq 1 100); do
    [[ -s $out ]] && break
    sleep 0.05
  done
  ready="$(head -n1 "$out")"
}
start_register --tcp 127.0.0.61
start_register --tcp 127.0.0.62
start_register --pty
pty="${ready#pty: }"

fleet="$demo/fleet"
mkdir -p "$fleet/shop3-pos1"
printf 'zpozdeni=0\r\ntimeout=2\r\n' >"$fleet/tarvik.ini"
printf 'com1=%s\r\n' "$pty" >"$fleet/shop3-pos1/tarvik.ini.local"
printf '01,1,7,8,O,650,NIGHT\r\nR01;P_DPT\r\nR03;P_PLU\r\n' >"$fleet/nightly.cmd"
cat >"$fleet/fleet.txt" <<FLEET
# name;connection line;command file
shop1-pos1;127.0.0.61,01,650,SHOP1;nightly.cmd
shop2-pos1;127.0.0.62,01,650,SHOP2;nightly.cmd
shop3-pos1;01,1,7,8,O,650,SHOP3;nightly.cmd
shop4-pos1;127.0.0.64,01,650,SHOP4;nightly.cmd
FLEET

echo "Fleet directory: $fleet (shop4-pos1 has no register: it is retried once, then fails)"
set +e
build/src/app/tarvik-fleet --retries 1 "$fleet/fleet.txt"
code=$?
set -e
echo "Exit code: $code"
echo "--- summary.csv"
# Name, result, attempts, exit code, error pair and text, duration, data files.
tr -d '\r' <"$fleet/summary.csv" | cut -d';' -f1,3-5,8-10,12,13 | awk -F';' '
  { for (i = 1; i <= NF; ++i) { cell[NR, i] = $i; if (length($i) > w[i]) w[i] = length($i) } n = NF }
  END { for (r = 1; r <= NR; ++r) { for (i = 1; i <= n; ++i) printf "%-*s  ", w[i], cell[r, i]; print "" } }'
echo "--- shop1-pos1/P_PLU.dat"
iconv -f CP1250 -t UTF-8 "$fleet/shop1-pos1/P_PLU.dat" | tr -d '\r'
