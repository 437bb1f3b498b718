# Shared by the benchmark scripts (sourced, not run): the register emulator
# in the background and the figures it prints. Expects $emulator (its path)
# and $work (a scratch directory holding register/), and an EXIT trap of the
# caller's that kills $emulator_pid.

emulator_pid=""

# Starts the emulator with the given options; sets emulator_pid and ready
# (its first line: "pty: /dev/pts/N" or "tcp: ADDRESS:PORT").
start_emulator() {
  "$emulator" --data "$work/register" --no-save "$@" >"$work/emulator.out" 2>"$work/emulator.err" &
  emulator_pid=$!
  for _ in $(seq 200); do
    ready="$(head -n1 "$work/emulator.out" 2>/dev/null || true)"
    [[ -n $ready ]] && return 0
    sleep 0.05
  done
  echo "bench: the emulator did not start" >&2
  exit 1
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
