#!/usr/bin/env bash
# tarvik-fleet against what a user would write instead, in one run: 200
# emulated registers on loopback addresses (127.0.2.1 ..., ports the system
# picks), 1,000 PLU items
# each, read by one command file. Peers: a shell loop over 200 prepared
# program directories, and the same directories under `xargs -P 32`.
# tarvik-fleet runs at --jobs 1, 8 and 32 over the same registers, doing its
# retries, directories and summary. Each figure is the median of the rounds,
# the configurations taking turns within every round, after a first round
# that is not counted (it makes the directories). Peak resident memory
# is tarvik-fleet's own (VmHWM), read while it runs.
#
#   scripts/bench-fleet.sh [build directory]     (default: build-bench)
#   BENCH_QUICK=1 scripts/bench-fleet.sh         40 registers of 200 items
set -euo pipefail
# shellcheck source=scripts/bench-common.sh
source "$(dirname "$0")/bench-common.sh"
bench_init bench-fleet "${1:-}" build-bench
if [[ ${BENCH_QUICK:-0} == 1 ]]; then
  registers=40 items=200 rounds=1
else
  registers=200 items=1000 rounds=3
fi
(( registers <= 250 )) || bench_fail "at most 250 registers"

bench_build -DTARVIK_TESTS=OFF -DTARVIK_WITH_QT=OFF tarvik tarvik-fleet tarvik-register
tarvik="$build/src/app/tarvik"
fleet_program="$build/src/app/tarvik-fleet"
emulator="$build/register/tarvik-register"

# The address and port emulator $1 serves ("tcp: ADDRESS:PORT" is its first line).
address() {
  local line
  read -r line <"$work/emulator-$1.out"
  echo "${line#tcp: }"
}
# A descriptor nothing is ever written to: `read -t` on it waits without a
# sleep process.
exec {pause}<> <(:)

echo "bench: $registers registers of $items PLU items" >&2
mkdir -p "$work/register" "$work/fleet" "$work/dirs"
plu_lines "$items" >"$work/register/03.dat"
for ((i = 1; i <= registers; ++i)); do
  "$emulator" --data "$work/register" --no-save --tcp "127.0.2.$i" --port 0 \
    >"$work/emulator-$i.out" 2>/dev/null &
  bench_pids+=($!)
done
for ((i = 1; i <= registers; ++i)); do
  for _ in $(seq 200); do
    [[ -s $work/emulator-$i.out ]] && break
    sleep 0.05
  done
  [[ -s $work/emulator-$i.out ]] || bench_fail "emulator $i did not start"
done

# The fleet, and the same registers as prepared program directories.
printf 'zpozdeni=0\r\n' >"$work/fleet/tarvik.ini"
printf 'x,01,650,X\r\nR03;P_PLU\r\n' >"$work/fleet/nightly.cmd"
for ((i = 1; i <= registers; ++i)); do
  printf 'r%03d;%s,01,650,R;nightly.cmd\n' "$i" "$(address "$i")" >>"$work/fleet/fleet.txt"
  dir="$work/dirs/r$(printf %03d "$i")"
  mkdir -p "$dir"
  ln -s "$tarvik" "$dir/tarvik"
  cp "$work/fleet/tarvik.ini" "$dir/"
  printf '%s,01,650,R\r\nR03;P_PLU\r\n' "$(address "$i")" >"$dir/nightly.cmd"
done

# Every register read all its items.
check_dirs() {
  local bad
  bad=$(for d in "$1"/r*; do
    [[ $(cat "$d/err" 2>/dev/null) == 0 && $(wc -l <"$d/P_PLU.dat") == "$items" ]] || echo "$d"
  done)
  [[ -z $bad ]] || bench_fail "registers failed: $bad"
}

run_loop() {
  local start
  start=$(now_ns)
  for d in "$work"/dirs/r*; do
    (cd "$d" && ./tarvik nightly.cmd) || true
  done
  echo $(($(now_ns) - start))
}
run_xargs() {
  local start
  start=$(now_ns)
  printf '%s\n' "$work"/dirs/r* | xargs -P 32 -I{} sh -c 'cd "$1" && ./tarvik nightly.cmd' _ {} || true
  echo $(($(now_ns) - start))
}
# Prints "wall_ns peak_kB". Each --jobs value keeps a root of its own from
# run to run, as a nightly fleet keeps its directories.
run_fleet() {
  local jobs=$1 start pid peak=0 hwm code
  start=$(now_ns)
  "$fleet_program" --quiet --jobs "$jobs" --root "$work/root-$jobs" --tarvik "$tarvik" \
    "$work/fleet/fleet.txt" >/dev/null &
  pid=$!
  # Sampled without starting a process (the peers run unobserved): the
  # high-water mark only grows, so a sample every 0.1 s misses at most the
  # last tenth of a second.
  while [[ -r /proc/$pid/status ]]; do
    while read -r key value _; do
      [[ $key == VmHWM: ]] && { ((value > peak)) && peak=$value; break; }
    done </proc/$pid/status 2>/dev/null || true
    read -r -t 0.1 -u "$pause" _ || true
  done
  code=0
  wait "$pid" || code=$?
  [[ $code == 0 ]] || bench_fail "tarvik-fleet --jobs $jobs exited $code"
  check_dirs "$work/root-$jobs"
  echo "$(($(now_ns) - start)) $peak"
}

# Round 0 makes the directories and is not counted.
loop=() xargs_=() j1=() j8=() j32=() peak1=() peak32=()
for ((round = 0; round <= rounds; ++round)); do
  echo "bench: round $round of $rounds" >&2
  if ((round == 0)); then
    run_loop >/dev/null
    run_xargs >/dev/null
    for jobs in 1 8 32; do run_fleet "$jobs" >/dev/null; done
    continue
  fi
  loop+=("$(run_loop)")
  check_dirs "$work/dirs"
  read -r t p < <(run_fleet 1)
  j1+=("$t") peak1+=("$p")
  read -r t p < <(run_fleet 8)
  j8+=("$t")
  xargs_+=("$(run_xargs)")
  check_dirs "$work/dirs"
  read -r t p < <(run_fleet 32)
  j32+=("$t") peak32+=("$p")
done

s() { calc "%.2f" "$1 / 1e9"; }
loop_ns=$(median "${loop[@]}") xargs_ns=$(median "${xargs_[@]}")
j1_ns=$(median "${j1[@]}") j8_ns=$(median "${j8[@]}") j32_ns=$(median "${j32[@]}")
peak=$(printf '%s\n' "${peak1[@]}" "${peak32[@]}" | sort -n | tail -n1)
echo
echo "| Measure ($registers registers, $items PLU items each, TCP loopback) | tarvik-fleet | Peer | Ratio | Goal |"
echo "|---|---|---|---|---|"
echo "| --jobs 1 | $(s "$j1_ns") s | shell loop $(s "$loop_ns") s | $(calc "%.3f" "$j1_ns / $loop_ns") | <= 1.05 |"
echo "| --jobs 8 | $(s "$j8_ns") s | – | – | |"
echo "| --jobs 32 | $(s "$j32_ns") s | xargs -P 32 $(s "$xargs_ns") s | $(calc "%.3f" "$j32_ns / $xargs_ns") | <= 1.1 |"
echo "| Peak resident memory of tarvik-fleet (--jobs 1 and 32) | $(calc "%.1f" "$peak / 1024") MB | – | – | < 20 MB |"
echo
echo "$(uname -m), $(nproc) cores, $(date -u +%Y-%m-%d), median of $rounds round(s)."
