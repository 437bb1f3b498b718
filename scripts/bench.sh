#!/usr/bin/env bash
# The measured performance of tarvik as one Markdown table. Every figure is
# taken in this run; where a peer exists (the wire time of the bytes, sha1sum,
# sort, /bin/true) it runs side by side on the same input and the ratio is
# printed next to it.
#
#   scripts/bench.sh [build directory]     (default: build-bench; built here)
#   BENCH_QUICK=1 scripts/bench.sh         small sizes, about half a minute
#
# Rows: the link over a pty from an emulator that takes the time of a 38400 Bd
# line with 11-bit characters, against the wire time of the bytes exchanged;
# TCP loopback frames per second; both converters in records per second for
# files 03 and 87 (Google Benchmark, convert_bench); journal verification
# (an S87 job, and the digest's portable path alone) against sha1sum of the
# same file; SE3 (an SE3 job) against `LC_ALL=C sort -t';' -k1,1 -u`; the
# start of a windowless job (tarvik /k) against /bin/true, with the program
# built as shipped (with its window module when Qt 6 is installed).
# Whole-process timings are the best of several runs.
set -euo pipefail
# shellcheck source=scripts/bench-common.sh
source "$(dirname "$0")/bench-common.sh"
bench_init bench "${1:-}" build-bench
quick="${BENCH_QUICK:-0}"

if [[ $quick == 1 ]]; then
  link_records=200 tcp_records=2000 journal_mb=5 se3_lines=10000 starts=10 runs=3 min_time=0.05
else
  link_records=2000 tcp_records=20000 journal_mb=100 se3_lines=100000 starts=50 runs=5 min_time=0.5
fi
baud=38400

bench_build -DTARVIK_TESTS=OFF tarvik tarvik-register convert_bench journal_verify_tool
tarvik="$build/src/app/tarvik"
emulator="$build/register/tarvik-register"
convert_bench="$build/bench/convert_bench"
journal_tool="$build/tools/journal_verify_tool"


# A program directory with the program and a tarvik.ini.
program_dir() {
  local dir="$work/$1"
  mkdir -p "$dir"
  ln -sf "$tarvik" "$dir/tarvik"
  printf 'zpozdeni=0\r\n%s' "${2:-}" >"$dir/tarvik.ini"
  echo "$dir"
}
# Runs a command in a directory; prints its wall time in nanoseconds. A
# failed command stops the script.
time_ns() {
  local dir="$1" start end
  shift
  now_us start
  if ! (cd "$dir" && exec "$@" >/dev/null 2>&1); then
    bench_fail "$* failed in $dir: $(cat "$dir/error.txt" 2>/dev/null)"
  fi
  now_us end
  echo $(((end - start) * 1000))
}
job_ns() {
  local dir="$1"
  shift
  time_ns "$dir" ./tarvik "$@"
}

rows=()
row() { rows+=("| $1 | $2 | $3 | $4 | $5 |"); }

# --- The link at 38400 Bd, against the wire time -------------------------------
echo "bench: link over a pty at $baud Bd ($link_records records)" >&2
mkdir -p "$work/register"
plu_lines "$link_records" >"$work/register/03.dat"
start_emulator --pty --baud "$baud"
device="${ready#pty: }"
dir=$(program_dir link "com1=$device"$'\r\n')
printf '01,1,7,8,O,650,BENCH\r\nR03;P_PLU\r\n' >"$dir/pty.cmd"
job_ns "$dir" pty.cmd >/dev/null
stop_emulator
read -r frames bytes_in bytes_out elapsed_ms < <(transfer_figures)
[[ $(wc -l <"$dir/P_PLU.dat") == "$link_records" ]] || bench_fail "short read"
# The wire time of every byte both ways, 11 bits each, against the transfer
# time on the emulator's clock (from the request to the end marker).
wire="($bytes_in + $bytes_out) * 11 / $baud"
transfer="$elapsed_ms / 1000"
row "Link at $baud Bd, read of $frames PLU frames (pty)" "transfer $(calc "%.2f" "$transfer") s" \
  "wire time $(calc "%.2f" "$wire") s" "$(calc "%.3f" "($wire) / ($transfer)") (wire / transfer)" \
  ">= 0.95"

# --- TCP loopback --------------------------------------------------------------
echo "bench: TCP loopback ($tcp_records records)" >&2
plu_lines "$tcp_records" >"$work/register/03.dat"
start_emulator --tcp 127.0.0.1 --port 0
address="${ready#tcp: }"
dir=$(program_dir tcp)
printf '%s,01,650,BENCH\r\nR03;P_PLU\r\n' "$address" >"$dir/tcp.cmd"
job_ns "$dir" tcp.cmd >/dev/null
stop_emulator
read -r frames bytes_in bytes_out elapsed_ms < <(transfer_figures)
row "TCP/IP loopback, read of $frames PLU frames" \
  "$(calc "%.0f" "$frames / ($elapsed_ms / 1000)") frames/s" "–" "–" ">= 5000 frames/s"

# --- Both converters, files 03 and 87 -----------------------------------------
echo "bench: converters" >&2
"$convert_bench" --benchmark_min_time="$min_time" --benchmark_format=csv 2>/dev/null >"$work/convert.csv"
rate() {
  # name,iterations,real_time,cpu_time,time_unit,bytes_per_second,items_per_second,...
  awk -F, -v n="\"$1\"" '$1 == n { printf "%.0f", $7 }' "$work/convert.csv"
}
per_second() { awk -v r="$1" 'BEGIN { if (r >= 1e6) printf "%.2f M", r / 1e6; else printf "%.0f k", r / 1e3 }'; }
row "Work file -> data file, file 03 (PLU)" "$(per_second "$(rate Receive/plu_03)") records/s" "–" "–" ""
row "Data file -> work file, file 03 (PLU)" "$(per_second "$(rate Send/plu_03)") records/s" "–" "–" ""
row "Work file -> data file, file 87 (journal)" "$(per_second "$(rate Receive/journal_87)") records/s" "–" "–" ""
row "Data file -> work file, file 87 (journal)" "$(per_second "$(rate Send/journal_87)") records/s" "–" "–" ""

# --- Journal verification against sha1sum --------------------------------------
echo "bench: journal verification ($journal_mb MB)" >&2
dir=$(program_dir journal)
"$journal_tool" make "$dir/ZURNAL.txt" "$journal_mb" >/dev/null
bytes=$(stat -c %s "$dir/ZURNAL.txt")
printf '01,1,7,8,O,650,BENCH\r\nS87;ZURNAL\r\n' >"$dir/verify.cmd"
cat "$dir/ZURNAL.txt" >/dev/null
verify=() portable=() sha=()
for ((i = 0; i < runs; ++i)); do
  verify+=("$(job_ns "$dir" /k verify.cmd)")
  portable+=("$(time_ns "$dir" "$journal_tool" verify-portable "$dir/ZURNAL.txt")")
  sha+=("$(time_ns "$dir" sha1sum "$dir/ZURNAL.txt")")
done
verify_ns=$(min "${verify[@]}")
portable_ns=$(min "${portable[@]}")
sha_ns=$(min "${sha[@]}")
mbps() { calc "%.0f" "$bytes / 1048576 / ($1 / 1e9)"; }
if grep -qw sha_ni /proc/cpuinfo 2>/dev/null; then sha_goal=">= 2 (SHA instructions)"; else sha_goal=">= 1"; fi
row "Journal verification (S87 job), $((bytes / 1048576)) MB" "$(mbps "$verify_ns") MB/s" \
  "sha1sum $(mbps "$sha_ns") MB/s" "$(calc "%.2f" "$sha_ns / $verify_ns") (throughput / sha1sum)" \
  "$sha_goal"
row "Journal verification without SHA instructions (portable digest)" "$(mbps "$portable_ns") MB/s" \
  "sha1sum $(mbps "$sha_ns") MB/s" "$(calc "%.2f" "$sha_ns / $portable_ns") (throughput / sha1sum)" \
  ">= 1"

# --- SE3 against sort ---------------------------------------------------------
echo "bench: SE3 ($se3_lines lines)" >&2
dir=$(program_dir se3)
se3_input "$se3_lines" >"$work/se3-input.dat"
printf '01,1,7,8,O,650,BENCH\r\nSE3;PLU\r\n' >"$dir/sort.cmd"
se3=() sorted=()
for ((i = 0; i < runs; ++i)); do
  cp "$work/se3-input.dat" "$dir/PLU.dat"
  rm -f "$dir/P_PLU.BAK"
  se3+=("$(job_ns "$dir" /k sort.cmd)")
  sorted+=("$(LC_ALL=C time_ns "$work" sort -t';' -k1,1 -u -o "$work/sorted.dat" "$work/se3-input.dat")")
done
cmp -s "$dir/PLU.dat" "$work/sorted.dat" || bench_fail "SE3 and sort differ"
se3_ns=$(min "${se3[@]}")
sort_ns=$(min "${sorted[@]}")
row "SE3 (job) of $se3_lines PLU lines" "$(ms "$se3_ns") ms" "sort -u $(ms "$sort_ns") ms" \
  "$(calc "%.2f" "$se3_ns / $sort_ns") (time / sort)" "<= 1.0"

# --- Start-up of a windowless job ----------------------------------------------
echo "bench: start-up ($starts jobs)" >&2
dir=$(program_dir start)
printf '01,1,7,8,O,650,BENCH\r\nV03;A\r\n' >"$dir/start.cmd"
: >"$dir/A.dat"
tarvik_starts=() true_starts=()
for ((i = 0; i < starts; ++i)); do
  tarvik_starts+=("$(job_ns "$dir" /k start.cmd)")
  true_starts+=("$(time_ns "$dir" /bin/true)")
done
# The median of each: a start now and then meets a busy machine.
jobs_ns=$(median "${tarvik_starts[@]}")
true_ns=$(median "${true_starts[@]}")
row "Windowless job (tarvik /k, V03 of an empty data file), median of $starts starts" "$(ms "$jobs_ns") ms" \
  "/bin/true $(ms "$true_ns") ms" "$(calc "%.1f" "$jobs_ns / $true_ns") (time / true)" "< 3 ms"
# The processor time of a start (user + system), which waiting for a busy
# machine's processors does not stretch: `times` of a subshell that ran the
# starts one after another.
cpu_ms() {
  local dir="$1"
  shift
  (
    cd "$dir"
    for ((i = 0; i < starts; ++i)); do "$@" >/dev/null 2>&1 || true; done
    times
  ) | awk -v n="$starts" 'END {
    split($1, u, /[ms]/); split($2, s, /[ms]/)
    printf "%.2f", (u[1] * 60 + u[2] + s[1] * 60 + s[2]) * 1000 / n }'
}
jobs_cpu=$(cpu_ms "$dir" ./tarvik /k start.cmd)
true_cpu=$(cpu_ms "$dir" /bin/true)
row "Windowless job, processor time (user + system) per start" "$jobs_cpu ms" \
  "/bin/true $true_cpu ms" "$(calc "%.1f" "$jobs_cpu / $true_cpu") (time / true)" ""

# --- The table -------------------------------------------------------------------
echo
echo "| Measure | tarvik | Peer | Ratio | Goal |"
echo "|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
echo
echo "$(uname -m), $(nproc) cores, $(date -u +%Y-%m-%d)$([[ $quick == 1 ]] && echo ', quick mode')."
