#!/usr/bin/env bash
# Measures the whole veltabgen process for the largest table (N = 32768):
#  - its wall time against cat copying the same bytes to /dev/null, the two
#    run alternately in rounds, reported as the ratio of the median times;
#  - its user-space instruction count under callgrind, start-up included.
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

: > "$scratch/tool.times"
: > "$scratch/cat.times"
for ((round = 0; round < rounds; ++round)); do
    time_batch "$tool" 32768 >> "$scratch/tool.times"
    time_batch cat "$scratch/twiddle.c" >> "$scratch/cat.times"
done
tool_median=$(median < "$scratch/tool.times")
cat_median=$(median < "$scratch/cat.times")
echo "wall time, median of $rounds rounds: veltabgen ${tool_median} us, cat ${cat_median} us," \
     "ratio $(awk -v t="$tool_median" -v c="$cat_median" 'BEGIN { printf "%.2f", t / c }') (goal: at most 1.15)"

# The real FFT's tables of CMSIS-DSP against the radix-2 table, both at 8192
# points, whole processes as a build runs them.
: > "$scratch/rfft.times"
: > "$scratch/radix2.times"
for ((round = 0; round < rounds; ++round)); do
    time_batch "$tool" --layout=cmsis-rfft 8192 >> "$scratch/rfft.times"
    time_batch "$tool" 8192 >> "$scratch/radix2.times"
done
rfft_median=$(median < "$scratch/rfft.times")
radix2_median=$(median < "$scratch/radix2.times")
echo "wall time, median of $rounds rounds: --layout=cmsis-rfft 8192 ${rfft_median} us, 8192 ${radix2_median} us," \
     "ratio $(awk -v r="$rfft_median" -v t="$radix2_median" 'BEGIN { printf "%.2f", r / t }') (goal: at most 2)"

if command -v valgrind > /dev/null; then
    instructions=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "$tool" 32768 2>&1 > /dev/null |
                   sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
    echo "instructions, whole process: $instructions (goal: at most 4100000)"
else
    echo "instructions: valgrind is not installed"
fi
