#!/usr/bin/env bash
# Builds the Debian package dist/tarvik_<version>_amd64.deb with CPack:
# dependencies computed from the binaries (dpkg-shlibdeps), manual pages and
# icons built on the way, binaries stripped when packed. Builds without tests
# in build-deb/, or reuses the build tree named by PACKAGE_BUILD_DIR (for
# example build/ after scripts/test-all.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --package
build="${PACKAGE_BUILD_DIR:-build-deb}"
if [ -z "${PACKAGE_BUILD_DIR:-}" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTARVIK_TESTS=OFF >/dev/null
fi
# CPack installs from the whole tree, so all of it is built first.
cmake --build "$build" -j"$(nproc)"
rm -f "$build"/tarvik_*.deb
(cd "$build" && cpack -G DEB >/dev/null 2>&1) || { echo "cpack failed; see $build/_CPack_Packages" >&2; exit 1; }
mkdir -p dist
for deb in "$build"/tarvik_*.deb; do
  mv "$deb" dist/
  echo "dist/$(basename "$deb")"
done
