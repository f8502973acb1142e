#!/bin/sh
# Stops the wineserver that start_wine.sh started, and waits for it to end.
# A server that has already gone is not a failure.
# Usage: stop_wine.sh WINESERVER   (WINEPREFIX set)
"$1" -k >> "$WINEPREFIX.log" 2>&1 || true
"$1" -w
