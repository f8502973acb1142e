#!/usr/bin/env bash
# Measures the whole veltabgen process:
#  - for the largest table (N = 32768), its wall time against cat copying the
#    same bytes to /dev/null, the two run alternately in rounds, reported as
#    the ratio of the median times;
#  - so too the largest tables of the other layouts against radix2's;
#  - the largest table's user-space instruction count under callgrind,
#    start-up included.
# Usage: bench/measure_process.sh [path/to/veltabgen] [rounds]
set -euo pipefail

tool=${1:-build/veltabgen}
rounds=${2:-31}
batch=20 # runs per timing, so that each timing is well above the clock's grain

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
"$tool" 32768 > "$scratch/twiddle.c"
echo "output: $(wc -c < "$scratch/twiddle.c") bytes"

# Prints the median of the numbers on standard input.
median() {
    sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Prints the wall time of $batch runs of the command, in microseconds.
time_batch() {
    local start end
    start=$EPOCHREALTIME
    for ((run = 0; run < batch; ++run)); do
        "$@" > /dev/null
    done
    end=$EPOCHREALTIME
    echo $(( (${end/./} - ${start/./}) / batch ))
}

# Runs two commands alternately, in rounds, and prints the median wall time
# of each and their ratio against the goal. Each command is one word list.
compare() {
    local goal=$1 first=$2 second=$3
    : > "$scratch/first.times"
    : > "$scratch/second.times"
    for ((round = 0; round < rounds; ++round)); do
        time_batch $first >> "$scratch/first.times"
        time_batch $second >> "$scratch/second.times"
    done
    local first_median second_median
    first_median=$(median < "$scratch/first.times")
    second_median=$(median < "$scratch/second.times")
    echo "wall time, median of $rounds rounds: ${first#"$tool" } ${first_median} us," \
         "${second#"$tool" } ${second_median} us," \
         "ratio $(awk -v f="$first_median" -v s="$second_median" 'BEGIN { printf "%.2f", f / s }') (goal: at most $goal)"
}

compare 1.15 "$tool 32768" "cat $scratch/twiddle.c"
# The other layouts against the radix-2 table, whole processes as a build
# runs them: CMSIS-DSP's real FFT, with its Helium tables, at 8192 points
# against radix2 at 8192; the largest window and MFCC against radix2 at 32768.
compare 2 "$tool --layout=cmsis-rfft 8192" "$tool 8192"
compare 2 "$tool --layout=window 32768" "$tool 32768"
compare 2 "$tool --layout=cmsis-mfcc 4096" "$tool 32768"
# The largest f32 file, the MFCC's of 4096 points, some 35,000 float
# literals, each of the fewest digits that read back as it.
compare 6 "$tool --layout=cmsis-mfcc --type=f32 4096" "$tool 32768"

if command -v valgrind > /dev/null; then
    instructions=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$tool" 32768 2>&1 > /dev/null |
                   sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
    echo "instructions, whole process: $instructions (goal: at most 4100000)"
else
    echo "instructions: valgrind is not installed"
fi
