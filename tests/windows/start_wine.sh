#!/bin/sh
# Starts the one wineserver that serves every Windows test, so that each run
# of the tool costs a fraction of a second instead of seconds. The server must
# start after the Wine prefix exists, or it cannot start at all; it stays up
# until windows.stop_wine stops it (the -p timeout only reaps a server left
# behind by an interrupted test run). Neither the server nor Wine may keep the
# test's output open, or the test runner would wait for them to end: what
# they write goes to a log beside the prefix.
# Usage: start_wine.sh WINESERVER WINE64 WINE_RUN VELTABGEN_EXE   (WINEPREFIX set)
set -e
wineserver=$1
wine=$2
wine_run=$3
exe=$4
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
log=$WINEPREFIX.log

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    # Creating a prefix takes several seconds; its own server then exits once
    # it has saved the new prefix, which -w waits for.
    "$wine" wineboot --init > "$log" 2>&1
    "$wineserver" -w
fi
# A second drive letter on the same folder as Z:, for the tests of one file
# under two names.
ln -sfn / "$WINEPREFIX/dosdevices/y:"
"$wineserver" -k >> "$log" 2>&1 || true # a server of an earlier run
"$wineserver" -p600 >> "$log" 2>&1
# The first run loads Wine's own libraries into the server.
"$wine_run" "$wine" "$exe" 16 >> "$log"
