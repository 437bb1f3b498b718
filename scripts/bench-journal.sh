#!/usr/bin/env bash
# Journal verification (S87) of a 100 MB journal file, side by side with
# `sha1sum` of the same file. Prints the best of a few runs of each, the
# throughputs and the ratio verification / sha1sum (the goal is 0.5 or more).
#
#   scripts/bench-journal.sh [build directory]   (default: build; JOURNAL_TOOL=path overrides)
#   JOURNAL_MB=100 JOURNAL_RUNS=5
#
# The journal is built and verified by journal_verify_tool (rendering and
# verification outside a job), built here. Rendering speed in records per
# second comes from the journal_bench target.
set -euo pipefail
# shellcheck source=scripts/bench-common.sh
source "$(dirname "$0")/bench-common.sh"
bench_init bench-journal "${1:-}"
megabytes=${JOURNAL_MB:-100}
runs=${JOURNAL_RUNS:-5}
if [[ -n ${JOURNAL_TOOL:-} ]]; then
  tool=$JOURNAL_TOOL
else
  bench_build journal_verify_tool
  tool=$build/tools/journal_verify_tool
fi
journal=$work/ZURNAL.txt

start=$(now_ns)
"$tool" make "$journal" "$megabytes" >/dev/null
rendered=$(($(now_ns) - start))
bytes=$(stat -c %s "$journal")
sections=$(grep -c '^\*Signature:' "$journal")
echo "journal: $bytes bytes, $sections sections, rendered in $(calc "%.2f s" "$rendered / 1e9")"

# Both read the file from the page cache: one unmeasured read first.
cat "$journal" >/dev/null

verify=() sha1=()
for ((run = 0; run < runs; run++)); do
  start=$(now_ns)
  damaged=$("$tool" verify "$journal")
  verify+=($(($(now_ns) - start)))
  [[ $damaged == 0 ]] || bench_fail "verification counted $damaged damaged sections"

  start=$(now_ns)
  sha1sum "$journal" >/dev/null
  sha1+=($(($(now_ns) - start)))
done
best_verify=$(min "${verify[@]}")
best_sha1=$(min "${sha1[@]}")

rate() { calc "%.1f ms, %.0f MB/s" "$1 / 1e6, $bytes / 1048576 / ($1 / 1e9)"; }
echo "best of $runs runs"
echo "verify:  $(rate "$best_verify") (intact)"
echo "sha1sum: $(rate "$best_sha1")"
echo "ratio:   $(calc "%.2f" "$best_sha1 / $best_verify") (verification throughput / sha1sum throughput; goal >= 0.5)"
