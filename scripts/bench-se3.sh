#!/usr/bin/env bash
# SE3 (sort the PLU file, drop repeated PLU numbers) on a 100,000-line PLU
# file, side by side with `LC_ALL=C sort -t';' -k1,1 -u` on the same file.
# Prints the best of a few runs of each and the ratio SE3 / sort.
#
#   scripts/bench-se3.sh [build directory]    (default: build; SE3_TOOL=path overrides)
#
# SE3 runs through se3_tool (the sort alone, outside a job), built with
#   cmake --build <build directory> --target se3_tool
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
tool=${SE3_TOOL:-$build/tools/se3_tool}
lines=${SE3_LINES:-100000}
runs=${SE3_RUNS:-5}

if [[ ! -x $tool ]]; then
  echo "bench-se3: $tool not found; build it with: cmake --build $build --target se3_tool" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# PLU lines as a PLU read writes them: 14-digit number, quoted name, prices
# and flags. Numbers are drawn from a million, so some repeat.
awk -v n="$lines" 'BEGIN {
  srand(20090305)
  for (i = 0; i < n; i++) {
    plu = int(rand() * 1000000) + 1
    printf "%014d;\"Zbozi %-12d\";%08d;%08d;1;0;0;1;0;0;0;0;0;0\r\n", plu, i, int(rand() * 100000), int(rand() * 100000)
  }
}' > "$work/input.dat"

now_ns() { date +%s%N; }

best_se3=
best_sort=
for ((run = 0; run < runs; run++)); do
  rm -rf "$work/se3"
  mkdir "$work/se3"
  cp "$work/input.dat" "$work/se3/PLU.DAT"
  start=$(now_ns)
  "$tool" "$work/se3" PLU.DAT 2> "$work/se3.log"
  end=$(now_ns)
  t=$((end - start))
  [[ -z $best_se3 || $t -lt $best_se3 ]] && best_se3=$t

  start=$(now_ns)
  LC_ALL=C sort -t';' -k1,1 -u "$work/input.dat" > "$work/sorted.dat"
  end=$(now_ns)
  t=$((end - start))
  [[ -z $best_sort || $t -lt $best_sort ]] && best_sort=$t
done

se3_lines=$(wc -l < "$work/se3/PLU.DAT")
sort_lines=$(wc -l < "$work/sorted.dat")
echo "input:  $lines lines ($(wc -c < "$work/input.dat") bytes), best of $runs runs"
echo "SE3:    $(awk -v t="$best_se3" 'BEGIN { printf "%.1f ms", t / 1e6 }'), $se3_lines lines written ($(tail -n 1 "$work/se3.log" | sed 's/^se3_tool: //'))"
echo "sort:   $(awk -v t="$best_sort" 'BEGIN { printf "%.1f ms", t / 1e6 }'), $sort_lines lines written"
# The numbers are written with 14 digits already, so both keep the same lines.
if cmp -s "$work/se3/PLU.DAT" "$work/sorted.dat"; then same=yes; else same=no; fi
echo "same output: $same"
echo "ratio:  $(awk -v a="$best_se3" -v b="$best_sort" 'BEGIN { printf "%.2f", a / b }') (SE3 / sort)"
