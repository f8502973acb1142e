#!/bin/sh
# Starts a wineserver that stays up while the Windows tests run, so that each
# run of the tool costs a fraction of a second instead of seconds, then runs
# the tool once: the first run in a new Wine prefix creates the prefix, which
# takes several seconds. Neither may keep the test's output open, or the test
# runner would wait for them to end.
# Usage: start_wine.sh WINESERVER WINE64 VELTABGEN_EXE
set -e
"$1" -p > /dev/null 2>&1 || true # one may be running already
"$2" "$3" 16 > /dev/null 2>&1
