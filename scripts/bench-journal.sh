#!/usr/bin/env bash
# Journal verification (S87) of a 100 MB journal file, side by side with
# `sha1sum` of the same file. Prints the best of a few runs of each, the
# throughputs and the ratio verification / sha1sum (the goal is 0.5 or more).
#
#   scripts/bench-journal.sh [build directory]   (default: build; JOURNAL_TOOL=path overrides)
#   JOURNAL_MB=100 JOURNAL_RUNS=5
#
# The journal is built and verified by journal_verify_tool (rendering and
# verification outside a job), built with
#   cmake --build <build directory> --target journal_verify_tool
# Rendering speed in records per second comes from the journal_bench target.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
tool=${JOURNAL_TOOL:-$build/tools/journal_verify_tool}
megabytes=${JOURNAL_MB:-100}
runs=${JOURNAL_RUNS:-5}

if [[ ! -x $tool ]]; then
  echo "bench-journal: $tool not found; build it with: cmake --build $build --target journal_verify_tool" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
journal=$work/ZURNAL.txt

start=$(date +%s%N)
"$tool" make "$journal" "$megabytes" > /dev/null
end=$(date +%s%N)
bytes=$(stat -c %s "$journal")
sections=$(grep -c '^\*Signature:' "$journal")
echo "journal: $bytes bytes, $sections sections, rendered in $(awk -v t=$((end - start)) 'BEGIN { printf "%.2f s", t / 1e9 }')"

# Both read the file from the page cache: one unmeasured read first.
cat "$journal" > /dev/null

best_verify=
best_sha1=
for ((run = 0; run < runs; run++)); do
  start=$(date +%s%N)
  damaged=$("$tool" verify "$journal")
  end=$(date +%s%N)
  t=$((end - start))
  [[ -z $best_verify || $t -lt $best_verify ]] && best_verify=$t
  if [[ $damaged != 0 ]]; then
    echo "bench-journal: verification counted $damaged damaged sections" >&2
    exit 1
  fi

  start=$(date +%s%N)
  sha1sum "$journal" > /dev/null
  end=$(date +%s%N)
  t=$((end - start))
  [[ -z $best_sha1 || $t -lt $best_sha1 ]] && best_sha1=$t
done

rate() { awk -v b="$bytes" -v t="$1" 'BEGIN { printf "%.1f ms, %.0f MB/s", t / 1e6, b / 1048576 / (t / 1e9) }'; }
echo "best of $runs runs"
echo "verify:  $(rate "$best_verify") (intact)"
echo "sha1sum: $(rate "$best_sha1")"
echo "ratio:   $(awk -v a="$best_verify" -v b="$best_sha1" 'BEGIN { printf "%.2f", b / a }') (verification throughput / sha1sum throughput; goal >= 0.5)"
