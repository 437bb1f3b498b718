#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only what is
# missing); with --windows also the cross compiler and wine for the Windows
# build, with the virtual display, the input driver and the screen grabber its
# window tests and screenshot need; with --package the tools that build and
# check the Debian package, with --lint clang-tidy.
set -euo pipefail
packages=(cmake make g++ libgtest-dev libgmock-dev googletest libbenchmark-dev python3 clang
          libclang-rt-14-dev qt6-base-dev fontconfig scdoc)
case "${1:-}" in
  --windows) packages+=(mingw-w64 g++-mingw-w64-x86-64-posix wine wine64 zip unzip xvfb xauth
                       imagemagick xdotool) ;;
  --package) packages+=(dpkg-dev file desktop-file-utils man-db) ;;
  --lint) packages+=(clang-tidy) ;;
esac
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
