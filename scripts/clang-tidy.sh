#!/usr/bin/env bash
# Runs the checks of .clang-tidy over every source file of a build (its
# compile_commands.json); fails on the first finding.
#
#   scripts/clang-tidy.sh [build directory]   (default: build; configured here)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
scripts/install-deps.sh --lint
if [[ ! -f $build/compile_commands.json ]]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
# Generated sources (moc, googletest) are not ours.
mapfile -t files < <(git ls-files '*.cc' | grep -v '^fuzz/')
run-clang-tidy -quiet -p "$build" -j "$(nproc)" "${files[@]/#/$PWD/}"
