#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) into build-fuzz and
# runs each for a bounded time on a copy of its committed seed corpus. Any
# crash, sanitizer report, leak or time-out fails the script; the input that
# caused it is kept as build-fuzz/findings/<target>/crash-* (or leak-*,
# timeout-*), to be replayed with: build-fuzz/fuzz/<target> <file>
#
#   FUZZ_SECONDS=60  time per target      FUZZ_JOBS=nproc  targets run at once
#   scripts/fuzz-smoke.sh [target ...]    (default: all of fuzz/corpus/)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
seconds="${FUZZ_SECONDS:-60}"
jobs="${FUZZ_JOBS:-$(nproc)}"
build=build-fuzz

cmake -S . -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTARVIK_FUZZ=ON -DTARVIK_WITH_QT=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_targets

if [[ $# -gt 0 ]]; then
  targets=("$@")
else
  targets=()
  for dir in fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

results="$build/findings"
rm -rf "$results"
mkdir -p "$results"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

run_target() {
  local target="$1" out="$results/$1"
  mkdir -p "$out/corpus"
  # New inputs go to the scratch corpus (first); the committed seeds stay as they are.
  if "$build/fuzz/$target" "$out/corpus" "fuzz/corpus/$target" \
      -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$out/" >"$out/log" 2>&1; then
    echo ok >"$out/result"
    echo "ok    $target ($(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' "$out/log" |
      grep -o '[0-9]*$') runs)"
  else
    echo fail >"$out/result"
    echo "FAIL  $target: see $out/log"
    grep -m1 -E 'ERROR: |FINDING: |runtime error|SUMMARY' "$out/log" || true
  fi
}

for target in "${targets[@]}"; do
  [[ -x "$build/fuzz/$target" ]] || { echo "no fuzz target $target" >&2; exit 2; }
done
for target in "${targets[@]}"; do
  run_target "$target" &
  while [[ $(jobs -rp | wc -l) -ge $jobs ]]; do wait -n || true; done
done
wait
failed=0
for target in "${targets[@]}"; do
  [[ "$(cat "$results/$target/result" 2>/dev/null)" == ok ]] || failed=1
done
if [[ $failed -ne 0 ]]; then
  echo "fuzz smoke: findings above" >&2
  exit 1
fi
echo "fuzz smoke: ${#targets[@]} targets, ${seconds} s each, no findings"
