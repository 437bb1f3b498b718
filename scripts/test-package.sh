#!/usr/bin/env bash
# Builds the Debian package, installs it with apt, checks the installed
# programs and manual pages, runs a job with the installed tarvik in a fresh
# program directory against the installed emulator over TCP on loopback, and
# removes the package again (also when a step fails).
set -euo pipefail
cd "$(dirname "$0")/.."
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"

deb="$(scripts/package-deb.sh | tail -n 1)"
echo "Package: $deb"
if dpkg -s tarvik >/dev/null 2>&1; then
  echo "tarvik is installed already; remove it first (apt-get remove tarvik)" >&2
  exit 1
fi

work="$(mktemp -d /tmp/tarvik-package.XXXXXX)"
emulator=""
cleanup() {
  [ -n "$emulator" ] && kill "$emulator" 2>/dev/null || true
  DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq tarvik >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "test-package: $*" >&2; exit 1; }
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "./$deb" >/dev/null 2>"$work/apt.err" ||
  fail "apt-get install ./$deb failed: $(cat "$work/apt.err")"

[ "$(command -v tarvik)" = /usr/bin/tarvik ] || fail "tarvik is not /usr/bin/tarvik"
[ "$(command -v tarvik-register)" = /usr/bin/tarvik-register ] || fail "no tarvik-register"
# Every start touches its program directory (the current one), so each runs
# in a folder of its own.
mkdir -p "$work/version" "$work/nolink" "$work/register" "$work/job"
if (cd "$work/version" && tarvik --version) >"$work/version.out" 2>&1; then
  echo "tarvik --version: $(head -n 1 "$work/version.out")"
else
  # A program without --version: a job without link traffic (/k) shows that
  # the installed program starts and finishes a job.
  printf '127.0.0.1,01,650,K\r\nR03;P_PLU\r\n' >"$work/nolink/nolink.cmd"
  (cd "$work/nolink" && tarvik /k nolink.cmd) || fail "tarvik /k nolink.cmd failed"
  [ "$(cat "$work/nolink/err")" = 0 ] || fail "tarvik /k: err is not 0"
  echo "tarvik --version is not there yet; a /k job ran instead"
fi
for page in tarvik tarvik-register tarvik.ini tarvik-commands; do
  man -w "$page" >/dev/null || fail "no manual page $page"
done
man -w tarvik
test -f /usr/share/doc/tarvik/README.md || fail "no README in /usr/share/doc/tarvik"
test -f /usr/share/doc/tarvik/results.md || fail "no reference in /usr/share/doc/tarvik"
if [ -f /usr/share/applications/tarvik.desktop ]; then
  desktop-file-validate /usr/share/applications/tarvik.desktop
  test -f /usr/share/icons/hicolor/48x48/apps/tarvik.png || fail "no icon"
  test -f /usr/bin/tarvik-window.so || fail "no window module beside /usr/bin/tarvik"
fi

# A job in a program directory of its own: the installed tarvik, started by
# its bare name, takes the current directory as its program directory.
cp register/sample/*.dat "$work/register/"
tarvik-register --tcp 127.0.0.1:0 --data "$work/register" --no-save \
  >"$work/register.out" 2>"$work/register.err" &
emulator=$!
for _ in $(seq 1 100); do
  grep -q '^tcp: ' "$work/register.out" 2>/dev/null && break
  sleep 0.05
done
address="$(sed -n 's/^tcp: //p' "$work/register.out")"
[ -n "$address" ] || fail "the emulator did not start: $(cat "$work/register.err")"
printf 'zpozdeni=0\r\n' >"$work/job/tarvik.ini"
printf '%s,01,650,PKG\r\nR03;P_PLU\r\nR01;P_DPT\r\n' "$address" >"$work/job/package.cmd"
(cd "$work/job" && tarvik package.cmd) || fail "the job failed: err=$(cat "$work/job/err" 2>/dev/null)"
[ "$(cat "$work/job/err")" = 0 ] || fail "err is not 0"
cmp "$work/job/P_PLU.dat" register/sample/03.dat || fail "P_PLU.dat differs from the register's PLU items"
cmp "$work/job/P_DPT.dat" register/sample/01.dat || fail "P_DPT.dat differs from the register's departments"
echo "Job against the installed emulator at $address: $(wc -l <"$work/job/PKG.log") log line(s), data files as in the register"

kill "$emulator"
wait "$emulator" 2>/dev/null || true
emulator=""
DEBIAN_FRONTEND=noninteractive $sudo apt-get remove -y -qq tarvik >/dev/null
[ ! -e /usr/bin/tarvik ] || fail "/usr/bin/tarvik is still there after removal"
echo "Package built, installed, used and removed: $deb"
