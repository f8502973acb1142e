/* Runs CMSIS-DSP's fixed-point biquad cascades and FIRs with veltabgen's
 * constant instances, which filters.h lists (written by the test, as
 * X(name, kind, type, frequency), kind BIQUAD or FIR, type q15 or q31), a
 * block of each one's own size at a time, on four signals: white noise at
 * half of full scale; a sine at 0.98 of full scale, faded in and swept slowly
 * from 0 to half the rate; the same at half of full scale, swept four times
 * as fast; and the cosine of --stats' output SNR, at -0.1 dB
 * of full scale, at the frequency of the design's peak, faded in over the
 * samples given, of the samples given in all (X(name, kind, type, frequency,
 * fade, measured, samples)).
 * For each filter it prints one line:
 *   filter NAME model D inside P reads R writes W
 * where D is the largest difference of the library's output from that of a
 * model of its scalar arithmetic (0 where the library computes as its scalar
 * code does), P the largest magnitude, in ten-thousandths of full scale, of
 * any section's output but the last on the sweep (a biquad's), before it is
 * saturated or cut to the type, R the number of outputs that change where the
 * words after each array of a copy of the instance change, and W the number
 * of words after the copy's state that the filter changed. With
 * PRINT_OUTPUTS, it also prints each signal and each filter's output of it,
 * a value to a line, for the test's own SNR. It runs on the host and as
 * firmware, in little memory: the signals are made and filtered a block at a
 * time. */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "arm_math.h"
#include "filters.h"

#define NOISE 8192
#define SWEEP 65536
#define HALF_SWEEP 16384
#define GUARDS 8
#define MOST_BLOCK 1024
#define MOST_COEFFICIENTS 1024
#define MOST_STATE 4096
#define MOST_STAGES 128
#define FADE 1024

enum signal { noise, sweep, half_sweep, tone };
static const char *const signal_names[] = {"noise", "sweep", "half_sweep", "tone"};
static const int signal_lengths[] = {NOISE, SWEEP, HALF_SWEEP};

/* Sample n of the signal, as an integer of the type's full scale, faded in
 * over its first samples; the noise from its generator's state. */
static int32_t signal_value(enum signal which, int n, double frequency, int fade_samples, double full_scale,
                            unsigned long *state)
{
    const double pi = 3.141592653589793;
    const double fade = n < fade_samples ? 0.5 - 0.5 * cos(pi * n / fade_samples) : 1.0;
    double value = 0.0;
    if (which == noise) {
        *state = (*state * 1664525ul + 1013904223ul) & 0xFFFFFFFFul;
        value = ((double)*state / 4294967296.0 - 0.5) * full_scale;
    } else if (which == sweep || which == half_sweep) {
        /* Its frequency rises from 0 to half the rate: its phase the
         * integral of that. */
        const int length = which == sweep ? SWEEP : HALF_SWEEP;
        value = (which == sweep ? 0.98 : 0.5) * fade * sin(pi * 0.5 * (double)n / length * n) * full_scale;
    } else {
        value = pow(10.0, -0.1 / 20.0) * fade * cos(2.0 * pi * frequency * n) * full_scale;
    }
    value = floor(value + 0.5);
    return (int32_t)(value >= full_scale ? full_scale - 1 : value);
}

/* The heading of an input, with its full scale, or of an output, with the
 * samples over which --stats measures its SNR (0 and 0 for the others). */
static void print_heading(const char *what, const char *name, const char *signal_name, double number, int end)
{
#ifdef PRINT_OUTPUTS
    if (what[0] == 'i')
        printf("input %s%s%s %.0f\n", signal_name, name[0] != '\0' ? "_" : "", name, number);
    else
        printf("output %s %s %.0f %d\n", name, signal_name, number, end);
#else
    (void)what, (void)name, (void)signal_name, (void)number, (void)end;
#endif
}

static void print_values(const int32_t *values, int count)
{
#ifdef PRINT_OUTPUTS
    int n;
    for (n = 0; n < count; ++n)
        printf("%ld\n", (long)values[n]);
#else
    (void)values, (void)count;
#endif
}

/* A value of the accumulator as the library's scalar code takes it: shifted
 * right, cut to 32 bits, and in q15 saturated to 16. */
static int32_t from_accumulator(int64_t accumulator, int shift, int q31)
{
    const int32_t word = (int32_t)(uint32_t)((uint64_t)(accumulator >> shift) & 0xFFFFFFFFu);
    if (q31)
        return word;
    return word > 32767 ? 32767 : word < -32768 ? -32768 : word;
}

/* The model of the library's scalar arithmetic, block by block: each
 * stage's coefficients b0 b1 b2 a1 a2 and state x1 x2 y1 y2, or the taps in
 * time-reversed order and the samples before the block. */
static int32_t model_coefficients[5 * MOST_STAGES + MOST_COEFFICIENTS];
static int64_t model_state[4 * MOST_STAGES];
static int32_t model_history[MOST_STATE + MOST_BLOCK];

static void model_biquads_block(const int32_t *in, int32_t *out, int count, int stages, int post_shift, int q31,
                                int64_t *peak)
{
    const int shift = (q31 ? 31 : 15) - post_shift;
    int stage, n;
    for (stage = 0; stage < stages; ++stage) {
        const int32_t *c = model_coefficients + 5 * stage;
        int64_t *s = model_state + 4 * stage;
        for (n = 0; n < count; ++n) {
            const int64_t x = stage == 0 ? in[n] : out[n];
            const int64_t accumulator = c[0] * x + c[1] * s[0] + c[2] * s[1] + c[3] * s[2] + c[4] * s[3];
            const int64_t whole = accumulator >> shift;
            const int32_t y = from_accumulator(accumulator, shift, q31);
            s[1] = s[0], s[0] = x, s[3] = s[2], s[2] = y;
            out[n] = y;
            if (stage + 1 < stages && (whole < 0 ? -whole : whole) > *peak)
                *peak = whole < 0 ? -whole : whole;
        }
    }
}

static void model_fir_block(const int32_t *in, int32_t *out, int count, int taps, int q31)
{
    int n, k;
    /* The history holds the taps - 1 samples before the block, then it. */
    for (n = 0; n < count; ++n)
        model_history[taps - 1 + n] = in[n];
    for (n = 0; n < count; ++n) {
        int64_t accumulator = 0;
        for (k = 0; k < taps; ++k)
            accumulator += (int64_t)model_coefficients[k] * model_history[n + k];
        out[n] = from_accumulator(accumulator, q31 ? 31 : 15, q31);
    }
    memmove(model_history, model_history + count, sizeof(int32_t) * (taps - 1));
}

static int32_t input[MOST_BLOCK], output[MOST_BLOCK], expected[MOST_BLOCK], first_output[NOISE];
static union {
    q15_t q15[MOST_BLOCK];
    q31_t q31[MOST_BLOCK];
} in_buffer, out_buffer;

/* The copies of the arrays, with guard words after them. */
static union {
    q15_t q15[MOST_COEFFICIENTS + GUARDS];
    q31_t q31[MOST_COEFFICIENTS + GUARDS];
} coefficients_copy;
static union {
    q15_t q15[MOST_STATE + GUARDS];
    q31_t q31[MOST_STATE + GUARDS];
} state_copy;

/* What a test of each kind and type does, through the functions below:
 * takes the model's coefficients from the array as the library reads it,
 * and runs the library's filter on a block. */
#define LOAD_BIQUAD(instance, array, q31)                                                                    \
    do {                                                                                                       \
        const int per_stage = (q31) ? 5 : 6;                                                                  \
        int s, j;                                                                                              \
        for (s = 0; s < (int)(instance)->numStages; ++s)                                                       \
            for (j = 0; j < 5; ++j)                                                                            \
                model_coefficients[5 * s + j] = (array)[per_stage * s + ((q31) || j == 0 ? j : j + 1)];        \
        memset(model_state, 0, sizeof model_state);                                                           \
    } while (0)
#define LOAD_FIR(instance, array, q31)                                                                       \
    do {                                                                                                       \
        int j;                                                                                                 \
        for (j = 0; j < (instance)->numTaps; ++j)                                                              \
            model_coefficients[j] = (array)[j];                                                                \
        memset(model_history, 0, sizeof model_history);                                                       \
    } while (0)
#define MODEL_BIQUAD(instance, q31, count, peak)                                                              \
    model_biquads_block(input, expected, count, (int)(instance)->numStages, (instance)->postShift, q31, peak)
#define MODEL_FIR(instance, q31, count, peak) model_fir_block(input, expected, count, (instance)->numTaps, q31)

#define TEST(kind, type, instance_type, function, full_scale, is_q31, guard_pattern)                          \
    static void run_##kind##_##type(const instance_type *instance, int block)                                 \
    {                                                                                                          \
        int n;                                                                                                 \
        for (n = 0; n < block; ++n)                                                                            \
            in_buffer.type[n] = (type##_t)input[n];                                                            \
        function(instance, in_buffer.type, out_buffer.type, (uint32_t)block);                                 \
        for (n = 0; n < block; ++n)                                                                            \
            output[n] = out_buffer.type[n];                                                                    \
    }                                                                                                          \
    static void test_##kind##_##type(const instance_type *instance, const char *name, int block,             \
                                     int state_length, type##_t *state, const type##_t *array, int array_length, \
                                     double frequency, int tone_fade, int measured, int tone_samples)         \
    {                                                                                                          \
        instance_type copy = *instance;                                                                        \
        long model_difference = 0, reads = 0, writes = 0;                                                     \
        int64_t inside = 0, ignored = 0;                                                                       \
        int which, i, n, start;                                                                                \
        for (which = 0; which < 4; ++which) {                                                                  \
            unsigned long generator = 2463534242ul;                                                            \
            const int count = which == tone ? (tone_samples + block - 1) / block * block                       \
                                            : signal_lengths[which] / block * block;                          \
            const int fade = which == tone ? tone_fade : FADE;                                                 \
            memset(state, 0, sizeof(type##_t) * state_length);                                                \
            LOAD_##kind(instance, array, is_q31);                                                              \
            if (which == tone) {                                                                               \
                print_heading("input", name, "tone", full_scale, 0);                                           \
                for (n = 0; n < count; ++n)                                                                    \
                    input[0] = signal_value(tone, n, frequency, fade, full_scale, &generator),                 \
                    print_values(input, 1);                                                                    \
            }                                                                                                  \
            print_heading("output", name, signal_names[which], which == tone ? tone_samples - measured : 0,     \
                          which == tone ? tone_samples : 0);                                                   \
            for (start = 0; start < count; start += block) {                                                   \
                for (n = 0; n < block; ++n)                                                                    \
                    input[n] = signal_value((enum signal)which, start + n, frequency, fade, full_scale, &generator); \
                run_##kind##_##type(instance, block);                                                          \
                MODEL_##kind(instance, is_q31, block, which == sweep ? &inside : &ignored);                    \
                for (n = 0; n < block; ++n) {                                                                  \
                    const long d = (long)output[n] - (long)expected[n];                                        \
                    model_difference = (d < 0 ? -d : d) > model_difference ? (d < 0 ? -d : d) : model_difference; \
                }                                                                                              \
                print_values(output, block);                                                                   \
            }                                                                                                  \
        }                                                                                                      \
        /* The copy, on the noise, with guards of 0 and then of a pattern. */                                  \
        for (i = 0; i < 2; ++i) {                                                                              \
            unsigned long generator = 2463534242ul;                                                            \
            const type##_t guard = i == 0 ? 0 : (type##_t)(guard_pattern);                                     \
            const int count = NOISE / block * block;                                                           \
            for (n = 0; n < array_length + GUARDS; ++n)                                                        \
                coefficients_copy.type[n] = n < array_length ? array[n] : guard;                               \
            for (n = 0; n < state_length + GUARDS; ++n)                                                        \
                state_copy.type[n] = n < state_length ? 0 : guard;                                             \
            copy.pState = state_copy.type;                                                                     \
            copy.pCoeffs = coefficients_copy.type;                                                             \
            for (start = 0; start < count; start += block) {                                                   \
                for (n = 0; n < block; ++n)                                                                    \
                    input[n] = signal_value(noise, start + n, frequency, FADE, full_scale, &generator);        \
                run_##kind##_##type(&copy, block);                                                             \
                for (n = 0; n < block; ++n) {                                                                  \
                    if (i == 0)                                                                                \
                        first_output[start + n] = output[n];                                                   \
                    else                                                                                       \
                        reads += output[n] != first_output[start + n];                                         \
                }                                                                                              \
            }                                                                                                  \
            for (n = 0; n < GUARDS; ++n)                                                                       \
                writes += state_copy.type[state_length + n] != guard;                                          \
        }                                                                                                      \
        printf("filter %s model %ld inside %ld reads %ld writes %ld\n", name, model_difference,                \
               (long)((double)inside * 10000.0 / (full_scale)), reads, writes);                                \
    }

TEST(BIQUAD, q15, arm_biquad_casd_df1_inst_q15, arm_biquad_cascade_df1_q15, 32768.0, 0, 0x5A5A)
TEST(BIQUAD, q31, arm_biquad_casd_df1_inst_q31, arm_biquad_cascade_df1_q31, 2147483648.0, 1, 0x5A5A5A5A)
TEST(FIR, q15, arm_fir_instance_q15, arm_fir_q15, 32768.0, 0, 0x5A5A)
TEST(FIR, q31, arm_fir_instance_q31, arm_fir_q31, 2147483648.0, 1, 0x5A5A5A5A)

#define KIND_ARRAY_BIQUAD(name) name##_coefficients
#define KIND_ARRAY_FIR(name) name##_taps
#define TEST_FILTER(kind, type, name, frequency, fade, measured, samples)                                   \
    test_##kind##_##type(&name, #name, name##_BLOCK_SIZE, name##_STATE_LENGTH, name##_state,                  \
                         KIND_ARRAY_##kind(name), sizeof KIND_ARRAY_##kind(name) / sizeof(type##_t), frequency,   \
                         fade, measured, samples)

int main(void)
{
#ifdef PRINT_OUTPUTS
    int which, n;
    for (which = 0; which < 3; ++which) {
        const double scales[] = {32768.0, 2147483648.0};
        const char *const types[] = {"q15", "q31"};
        int t;
        for (t = 0; t < 2; ++t) {
            unsigned long generator = 2463534242ul;
            printf("input %s_%s %.0f\n", signal_names[which], types[t], scales[t]);
            for (n = 0; n < signal_lengths[which]; ++n)
                printf("%ld\n", (long)signal_value((enum signal)which, n, 0.0, FADE, scales[t], &generator));
        }
    }
#endif
#define X(name, kind, type, frequency, fade, measured, samples)                                              \
    TEST_FILTER(kind, type, name, frequency, fade, measured, samples);
    FILTERS
#undef X
    /* A firmware's start-up code ends the run without flushing stdio. */
    fflush(stdout);
    return 0;
}
