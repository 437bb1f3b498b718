#!/bin/sh
# Runs a Windows program of the cross build under wine, quietly; the
# program's exit code is the script's.
WINEDEBUG=-all
export WINEDEBUG
exec wine "$@"
