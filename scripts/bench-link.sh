#!/usr/bin/env bash
# Link speed, measured against the bundled register emulator:
#  (a) 10,000 PLU records (file 03) read over a pty from an emulator that
#      takes the time of a 38400 Bd line with 11-bit characters: the pure
#      wire time of the bytes exchanged against the transfer time (the
#      emulator's clock, from the request to the end marker), and the whole
#      job's wall time;
#  (b) the same over TCP loopback without delay: frames per second.
# Usage: scripts/bench-link.sh [build directory]   (default: build)
#        BENCH_RECORDS=10000
set -euo pipefail
# shellcheck source=scripts/bench-common.sh
source "$(dirname "$0")/bench-common.sh"
bench_init bench-link "${1:-}"
bench_build tarvik tarvik-register
tarvik="$build/src/app/tarvik"
emulator="$build/register/tarvik-register"
records=${BENCH_RECORDS:-10000}
baud=38400

mkdir -p "$work/register" "$work/program"
ln -s "$tarvik" "$work/program/tarvik"
plu_lines "$records" > "$work/register/03.dat"
printf '01,1,7,8,O,650,BENCH\r\nR03;P_PLU\r\n' > "$work/program/pty.cmd"

run_job() {
  local start
  start=$(now_ns)
  (cd "$work/program" && ./tarvik "$1") || bench_fail "the job failed: $(cat "$work/program/error.txt")"
  calc "%.3f" "$(($(now_ns) - start)) / 1e9"
}

echo "== (a) pty, emulated ${baud} Bd, 11-bit characters, ${records} PLU records"
start_emulator --pty --baud "$baud"
device="${ready#pty: }"
printf 'zpozdeni=0\r\ncom1=%s\r\n' "$device" > "$work/program/tarvik.ini"
job_seconds=$(run_job pty.cmd)
stop_emulator
read -r frames bytes_in bytes_out elapsed_ms < <(transfer_figures)
lines=$(wc -l < "$work/program/P_PLU.dat")
awk -v f="$frames" -v i="$bytes_in" -v o="$bytes_out" -v e="$elapsed_ms" -v b="$baud" \
    -v j="$job_seconds" -v l="$lines" 'BEGIN {
  wire = (i + o) * 11 / b
  t = e / 1000
  printf "frames %d, bytes to the register %d, from it %d, data file lines %d\n", f, i, o, l
  printf "wire time %.3f s, transfer time %.3f s, whole job %.3f s\n", wire, t, j
  printf "transfer time / wire time = %.4f; wire time / transfer time = %.4f (goal >= 0.95)\n", t / wire, wire / t
}'

echo "== (b) TCP loopback, no delay, ${records} PLU records"
start_emulator --tcp 127.0.0.1 --port 0
address="${ready#tcp: }"
printf 'zpozdeni=0\r\n' > "$work/program/tarvik.ini"
printf '%s,01,650,BENCH\r\nR03;P_PLU\r\n' "$address" > "$work/program/tcp.cmd"
job_seconds=$(run_job tcp.cmd)
stop_emulator
read -r frames bytes_in bytes_out elapsed_ms < <(transfer_figures)
awk -v f="$frames" -v e="$elapsed_ms" -v j="$job_seconds" 'BEGIN {
  printf "frames %d in %.3f s (whole job %.3f s): %.0f frames/s (goal >= 5000)\n", f, e / 1000, j, f / (e / 1000)
}'
