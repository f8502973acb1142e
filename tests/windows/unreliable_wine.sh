#!/bin/sh
# A stand-in for Wine that runs the real one, then, on every Nth run from the
# first, ends as a failure would: as Wine's loader does when it fails at exit
# (MODE=loader), or as the tool does when it fails (MODE=tool). The harness
# must run the first kind again and report the second.
# Usage: unreliable_wine.sh PROGRAM.exe [ARGUMENT...], with the environment
#   UNRELIABLE_WINE_REAL     the real wine64
#   UNRELIABLE_WINE_MODE     loader or tool
#   UNRELIABLE_WINE_EVERY    N
#   UNRELIABLE_WINE_COUNTER  a file that counts the runs
counter=$UNRELIABLE_WINE_COUNTER
runs=1
[ -f "$counter" ] && runs=$(($(cat "$counter") + 1))
echo "$runs" > "$counter"

"$UNRELIABLE_WINE_REAL" "$@"
status=$?
[ $((runs % UNRELIABLE_WINE_EVERY)) -eq 1 ] || exit $status
case $UNRELIABLE_WINE_MODE in
loader)
    echo "Inconsistency detected by ld.so: dl-fini.c: 87: _dl_fini: Assertion \`ns != LM_ID_BASE || i == nloaded' failed!" >&2
    exit 127 ;;
tool)
    echo "ERROR:  Unable to write output: the stand-in for Wine failed as the tool would" >&2
    exit 1 ;;
esac
