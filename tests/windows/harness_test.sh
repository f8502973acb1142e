#!/usr/bin/env bash
# Runs a Windows suite with the stand-in for Wine (unreliable_wine.sh), and
# checks how the harness answered its failures.
#  loader: the suite passes, and says that it ran a run again.
#  tool:   the suite fails, runs nothing again, and shows the failed run:
#          its command, its exit status and its standard error.
# Usage: harness_test.sh loader|tool COMMAND [ARGUMENT...], with the
#   environment that unreliable_wine.sh takes but its MODE
set -uo pipefail
mode=$1
shift
export UNRELIABLE_WINE_MODE=$mode
rm -f "$UNRELIABLE_WINE_COUNTER" # so that every run of the test starts alike
output=$("$@" 2>&1)
status=$?
printf '%s\n' "$output"

fail() {
    echo "FAILED: $*" >&2
    exit 1
}
rerun_note='^Wine itself failed \(Inconsistency detected by ld\.so: '
case $mode in
loader)
    [ $status -eq 0 ] || fail "the suite failed where only Wine's loader did"
    grep -Eq "$rerun_note" <<< "$output" || fail "no run was run again" ;;
tool)
    [ $status -ne 0 ] || fail "the suite passed where the tool failed"
    grep -Eq "$rerun_note" <<< "$output" && fail "a failure of the tool was run again"
    grep -Eq ': run: .*unreliable_wine\.sh\]' <<< "$output" || fail "the failed run's command is not shown"
    grep -Eq '^exit status: 1$' <<< "$output" || fail "the failed run's status is not shown"
    grep -Eq '^ERROR:  Unable to write output: the stand-in' <<< "$output" ||
        fail "the failed run's standard error is not shown" ;;
*)
    fail "unknown mode $mode" ;;
esac
echo "the harness answered the stand-in's $mode failures as it should"
