# shellcheck shell=bash
# Shared by the benchmark scripts (sourced, not run): the build directory and
# its targets, a scratch directory removed on exit together with every
# process started here, timing and arithmetic helpers, and the register
# emulator in the background with the figures it prints.
#
#   bench_init NAME [build directory] [default build directory]
# sets root (the source tree, also the working directory), build (a given
# one is taken from where the script was started, the default from the
# tree), work and the EXIT trap.

bench_init() {
  bench_name=$1
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  if [[ -n ${2:-} ]]; then build=$(realpath -m "$2"); else build=$root/${3:-build}; fi
  cd "$root" || exit 1
  work=$(mktemp -d "/tmp/tarvik-$bench_name-XXXXXX")
  bench_pids=()
  emulator_pid=""
  trap bench_cleanup EXIT
}

bench_cleanup() {
  local pid
  for pid in "${bench_pids[@]}" $emulator_pid; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}

bench_fail() {
  echo "$bench_name: $*" >&2
  exit 1
}

# bench_build [-DOPTION ...] TARGET...: configures $build (on its first use,
# or again with the options given) and builds the targets in it.
bench_build() {
  local options=()
  while [[ ${1:-} == -D* ]]; do
    options+=("$1")
    shift
  done
  if [[ ! -f $build/CMakeCache.txt || ${#options[@]} -gt 0 ]]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
  fi
  cmake --build "$build" -j"$(nproc)" --target "$@" >/dev/null ||
    bench_fail "building $* in $build failed"
}

now_ns() { date +%s%N; }
# The wall clock in microseconds into variable $1, read without starting a
# process (a `date` per reading would be timed along with the command).
now_us() {
  local t=$EPOCHREALTIME
  printf -v "$1" '%s' "${t/[.,]/}"
}
# Arithmetic on decimals: calc FORMAT EXPRESSION.
calc() { awk "BEGIN { printf \"$1\", $2 }"; }
min() { printf '%s\n' "$@" | sort -n | head -n1; }
median() { printf '%s\n' "$@" | sort -n | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }'; }
# Milliseconds of a time in nanoseconds.
ms() { calc "%.1f" "$1 / 1e6"; }

# Starts the emulator ($emulator) on $work/register with the given options;
# sets emulator_pid and ready (its first line: "pty: /dev/pts/N" or
# "tcp: ADDRESS:PORT").
start_emulator() {
  "$emulator" --data "$work/register" --no-save "$@" >"$work/emulator.out" 2>"$work/emulator.err" &
  emulator_pid=$!
  for _ in $(seq 200); do
    ready="$(head -n1 "$work/emulator.out" 2>/dev/null || true)"
    [[ -n $ready ]] && return 0
    sleep 0.05
  done
  bench_fail "the emulator did not start"
}

stop_emulator() {
  kill "$emulator_pid"
  wait "$emulator_pid" 2>/dev/null || true
  emulator_pid=""
}

# frames in out elapsed_ms of the emulator's last transfer of file 03.
transfer_figures() {
  grep 'transfer file=03' "$work/emulator.err" | tail -n1 |
    sed -E 's/.*frames=([0-9]+) in=([0-9]+) out=([0-9]+) elapsed_ms=([0-9.]+).*/\1 \2 \3 \4/'
}

# N lines of a PLU data file (file 03).
plu_lines() {
  awk -v n="$1" 'BEGIN {
    for (i = 1; i <= n; ++i)
      printf "%014d;\"PLU %06d        \";%08d;00000000;01;00;00;00;00;00;00;00;00;00\r\n", 8590000000 + i, i, i % 100000
  }'
}

# N lines of a PLU file with numbers drawn from a million, so some repeat (the
# input of SE3).
se3_input() {
  awk -v n="$1" 'BEGIN {
    srand(20090305)
    for (i = 0; i < n; i++) {
      plu = int(rand() * 1000000) + 1
      printf "%014d;\"Zbozi %-12d\";%08d;%08d;1;0;0;1;0;0;0;0;0;0\r\n", plu, i, int(rand() * 100000), int(rand() * 100000)
    }
  }'
}
