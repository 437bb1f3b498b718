#!/usr/bin/env bash
# Runs the window's tests again with the font set of a typical desktop, where
# the system's fixed font is Noto Sans Mono, a family that does not call
# itself fixed-pitch. The fonts come from Debian's package, unpacked into the
# build tree and put first by a fontconfig file of our own, so the machine's
# own font set stays as it is. Needs the build in build/ (scripts/test-all.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${NATIVE_BUILD:-build}
fonts="$PWD/$build/desktop-fonts"
if [ ! -f "$fonts/fonts.conf" ]; then
  rm -rf "$fonts"
  mkdir -p "$fonts/deb"
  (cd "$fonts/deb" && { apt-get download fonts-noto-mono >/dev/null 2>&1 ||
     { apt-get update -qq && apt-get download fonts-noto-mono >/dev/null; }; })
  dpkg -x "$fonts"/deb/fonts-noto-mono_*.deb "$fonts/root"
  cat >"$fonts/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
  <dir>$fonts/root/usr/share/fonts</dir>
  <cachedir>$fonts/cache</cachedir>
</fontconfig>
CONF
fi
export FONTCONFIG_FILE="$fonts/fonts.conf"
family=$(fc-match -f '%{family[0]}' monospace)
if [ "$family" != "Noto Sans Mono" ]; then
  echo "test-window-fonts: the fixed font is \"$family\", not Noto Sans Mono; the set-up is wrong" >&2
  exit 1
fi
echo "Window tests with \"$family\" as the system's fixed font:"
window_tests=$(find "$build" -name ui_qt_test -type f -perm -u+x | head -n 1)
if [ -z "$window_tests" ]; then
  echo "test-window-fonts: no ui_qt_test in $build; build it first (scripts/test-all.sh)" >&2
  exit 1
fi
timeout 600 "$window_tests" --gtest_brief=1
