#!/usr/bin/env bash
# The reference in docs/ is generated from the program's own tables (INI keys,
# switches, error table, record formats) and the hand-written pages of
# docs/source. This builds the generator and fails when the committed pages
# differ from what it writes; with --update it rewrites them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${DOCS_BUILD_DIR:-build-docs}"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIK_TESTS=OFF -DTARVIK_WITH_QT=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target tarvik-docgen >/dev/null
if [ "${1:-}" = "--update" ]; then
  "$build/tools/tarvik-docgen" docs/source docs
  echo "docs/ regenerated; review and commit it."
  exit 0
fi
if "$build/tools/tarvik-docgen" docs/source docs --check; then
  echo "docs/ matches the program's tables."
  exit 0
fi
# Show what differs.
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
"$build/tools/tarvik-docgen" docs/source "$tmp" || true
while IFS= read -r -d '' page; do
  relative="${page#"$tmp"/}"
  diff -u "docs/$relative" "$page" || true
done < <(find "$tmp" -type f -print0 | sort -z)
echo "docs/ differs from what the program's tables give: run scripts/check-docs.sh --update and commit." >&2
exit 1
