#!/usr/bin/env bash
# SE3 (sort the PLU file, drop repeated PLU numbers) on a 100,000-line PLU
# file, side by side with `LC_ALL=C sort -t';' -k1,1 -u` on the same file.
# Prints the best of a few runs of each and the ratio SE3 / sort.
#
#   scripts/bench-se3.sh [build directory]    (default: build; SE3_TOOL=path overrides)
#   SE3_LINES=100000 SE3_RUNS=5
#
# SE3 runs through se3_tool (the sort alone, outside a job), built here.
set -euo pipefail
# shellcheck source=scripts/bench-common.sh
source "$(dirname "$0")/bench-common.sh"
bench_init bench-se3 "${1:-}"
lines=${SE3_LINES:-100000}
runs=${SE3_RUNS:-5}
if [[ -n ${SE3_TOOL:-} ]]; then
  tool=$SE3_TOOL
else
  bench_build se3_tool
  tool=$build/tools/se3_tool
fi

se3_input "$lines" >"$work/input.dat"

se3=() sorted=()
for ((run = 0; run < runs; run++)); do
  rm -rf "$work/se3"
  mkdir "$work/se3"
  cp "$work/input.dat" "$work/se3/PLU.DAT"
  start=$(now_ns)
  "$tool" "$work/se3" PLU.DAT 2>"$work/se3.log"
  se3+=($(($(now_ns) - start)))

  start=$(now_ns)
  LC_ALL=C sort -t';' -k1,1 -u "$work/input.dat" >"$work/sorted.dat"
  sorted+=($(($(now_ns) - start)))
done
best_se3=$(min "${se3[@]}")
best_sort=$(min "${sorted[@]}")

echo "input:  $lines lines ($(wc -c <"$work/input.dat") bytes), best of $runs runs"
echo "SE3:    $(ms "$best_se3") ms, $(wc -l <"$work/se3/PLU.DAT") lines written ($(tail -n 1 "$work/se3.log" | sed 's/^se3_tool: //'))"
echo "sort:   $(ms "$best_sort") ms, $(wc -l <"$work/sorted.dat") lines written"
# The numbers are written with 14 digits already, so both keep the same lines.
if cmp -s "$work/se3/PLU.DAT" "$work/sorted.dat"; then same=yes; else same=no; fi
echo "same output: $same"
echo "ratio:  $(calc "%.2f" "$best_se3 / $best_sort") (SE3 / sort)"
