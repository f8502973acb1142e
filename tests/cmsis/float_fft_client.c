/* Runs CMSIS-DSP's floating-point FFT at every size, forward and inverse,
 * set up by the library's size-specific init function and by veltabgen's
 * constant instances, on the same inputs, and prints one line per size and
 * direction of how the two compare: the tables, bit for bit, the bit
 * reversal (on the scalar f32 code, whose radix-8 swaps may stand in another
 * order, as the permutation they make) and its length, Helium's rearranged
 * tables where the build has them, and the outputs, each as the count of
 * values whose bits differ (0 where all are the same). Built with -DREAL_FFT
 * for arm_rfft_fast, else arm_cfft, and -DTYPE_F16 for f16, else f32;
 * veltabgen's tables are named t<N>. It runs on the host and as firmware. */
#include <stdio.h>
#include <string.h>

#include "arm_common_tables.h"
#ifdef TYPE_F16
#include "arm_math_f16.h"
typedef float16_t sample;
#define TYPE f16
#if defined(ARM_MATH_MVE_FLOAT16) && !defined(ARM_MATH_AUTOVECTORIZE)
#define HELIUM 1
#endif
#else
#include "arm_math.h"
typedef float32_t sample;
#define TYPE f32
#if defined(ARM_MATH_MVEF) && !defined(ARM_MATH_AUTOVECTORIZE)
#define HELIUM 1
#endif
#endif
#ifndef HELIUM
#define HELIUM 0
#endif

#define CAT(a, b) CAT_(a, b)
#define CAT_(a, b) a##b
#define OF_TYPE(name) CAT(name, TYPE)
#define INIT(kind, n) CAT(CAT(CAT(kind, n), _), TYPE)

#define MAX_POINTS 4096

static sample input[2 * MAX_POINTS], theirs[2 * MAX_POINTS], ours[2 * MAX_POINTS];
static sample their_output[2 * MAX_POINTS], our_output[2 * MAX_POINTS];

/* The count of values whose bits differ. */
static long differing(const void *a, const void *b, unsigned count)
{
    const unsigned char *x = (const unsigned char *)a, *y = (const unsigned char *)b;
    long values = 0;
    unsigned i;
    for (i = 0; i < count; ++i)
        values += memcmp(x + i * sizeof(sample), y + i * sizeof(sample), sizeof(sample)) != 0;
    return values;
}

/* The inputs: pseudo-random ones in [-1, 1), then every value 1, every
 * value -1, the two alternating, and unit impulses at the first value and
 * the middle; then more pseudo-random ones of other seeds. */
#ifndef RANDOM_INPUTS
#define RANDOM_INPUTS 4
#endif
#define INPUTS (6 + RANDOM_INPUTS)

static void make_input(int which, unsigned count)
{
    unsigned long state = 12345u + 977u * (unsigned long)which;
    unsigned i;
    memset(input, 0, sizeof input);
    for (i = 0; i < count; ++i) {
        float value = 0.0f;
        state = (state * 1664525u + 1013904223u) & 0xFFFFFFFFul;
        switch (which) {
        case 1:
            value = 1.0f;
            break;
        case 2:
            value = -1.0f;
            break;
        case 3:
            value = i % 2 == 0 ? 1.0f : -1.0f;
            break;
        case 4:
            value = i == 0 ? 1.0f : 0.0f;
            break;
        case 5:
            value = i == count / 2 ? 1.0f : 0.0f;
            break;
        default:
            value = (float)(long)(state >> 8) / 8388608.0f - 1.0f;
            break;
        }
        input[i] = (sample)value;
    }
}

/* Where the swaps of a reversal table, pairs (8i, 8j), move the positions
 * 0 ... n - 1. */
static void permutation(const uint16_t *table, unsigned length, unsigned n, unsigned *order)
{
    const unsigned unit = 8;
    unsigned i;
    for (i = 0; i < n; ++i)
        order[i] = i;
    for (i = 0; i + 1 < length; i += 2) {
        const unsigned a = table[i] / unit, b = table[i + 1] / unit, kept = order[a];
        order[a] = order[b];
        order[b] = kept;
    }
}

static unsigned our_order[MAX_POINTS], their_order[MAX_POINTS];

/* How the complex FFTs' tables compare. */
static void compare_tables(unsigned n, const OF_TYPE(arm_cfft_instance_) *ours_, const OF_TYPE(arm_cfft_instance_) *theirs_)
{
    long bitrev = 0;
#if HELIUM
    unsigned bits = 0, points, values, stages = 0, i;
    while ((1u << bits) < n)
        ++bits;
    points = bits % 2 == 0 ? n : n / 2;
    values = 2 * (points - 4) / 3;
    /* Helium reads the first n values of the twiddle factors for
     * n = 2 * 4^k, and none for n = 4^k. */
    if (points != n)
        printf(" twiddles %ld", differing(ours_->pTwiddle, theirs_->pTwiddle, n));
    else
        printf(" twiddles %ld", ours_->pTwiddle == NULL ? 0l : 1000000l);
    while ((1u << (2 * (stages + 2))) <= points)
        ++stages;
    for (i = 0; i < stages; ++i)
        if (ours_->rearranged_twiddle_tab_stride1_arr[i] != theirs_->rearranged_twiddle_tab_stride1_arr[i] ||
            ours_->rearranged_twiddle_tab_stride2_arr[i] != theirs_->rearranged_twiddle_tab_stride2_arr[i] ||
            ours_->rearranged_twiddle_tab_stride3_arr[i] != theirs_->rearranged_twiddle_tab_stride3_arr[i])
            bitrev = 1000000;
    printf(" rearranged %ld",
           differing(ours_->rearranged_twiddle_stride1, theirs_->rearranged_twiddle_stride1, values) +
               differing(ours_->rearranged_twiddle_stride2, theirs_->rearranged_twiddle_stride2, values) +
               differing(ours_->rearranged_twiddle_stride3, theirs_->rearranged_twiddle_stride3, values) + bitrev);
    bitrev = 0;
#else
    printf(" twiddles %ld", differing(ours_->pTwiddle, theirs_->pTwiddle, 2 * n));
#endif
    if (ours_->bitRevLength == theirs_->bitRevLength) {
        unsigned i;
        permutation(ours_->pBitRevTable, ours_->bitRevLength, n, our_order);
        permutation(theirs_->pBitRevTable, theirs_->bitRevLength, n, their_order);
        for (i = 0; i < n; ++i)
            bitrev += our_order[i] != their_order[i];
    }
    printf(" bitrev %ld length %u %u", bitrev, (unsigned)ours_->bitRevLength, (unsigned)theirs_->bitRevLength);
}

#ifndef REAL_FFT

#define SIZES X(16) X(32) X(64) X(128) X(256) X(512) X(1024) X(2048) X(4096)
#define X(n) extern const OF_TYPE(arm_cfft_instance_) t##n;
SIZES
#undef X

static void compare(unsigned n, const OF_TYPE(arm_cfft_instance_) *generated,
                    arm_status (*init)(OF_TYPE(arm_cfft_instance_) *))
{
    int inverse, which;
    OF_TYPE(arm_cfft_instance_) library;
    init(&library);
    for (inverse = 0; inverse <= 1; ++inverse) {
        long output = 0;
        for (which = 0; which < INPUTS; ++which) {
            make_input(which, 2 * n);
            memcpy(theirs, input, sizeof input);
            memcpy(ours, input, sizeof input);
            OF_TYPE(arm_cfft_)(&library, theirs, (uint8_t)inverse, 1);
            OF_TYPE(arm_cfft_)(generated, ours, (uint8_t)inverse, 1);
            output += differing(ours, theirs, 2 * n);
        }
        printf("cfft %u %s", n, inverse ? "inverse" : "forward");
        compare_tables(n, generated, &library);
        printf(" output %ld\n", output);
    }
}

int main(void)
{
#define X(n) compare(n, &t##n, INIT(arm_cfft_init_, n));
    SIZES
#undef X
    /* A firmware's start-up code ends the run without flushing stdio. */
    fflush(stdout);
    return 0;
}

#else

#define SIZES X(32) X(64) X(128) X(256) X(512) X(1024) X(2048) X(4096)
#define X(n) extern const OF_TYPE(arm_rfft_fast_instance_) t##n;
SIZES
#undef X

static void compare(unsigned n, const OF_TYPE(arm_rfft_fast_instance_) *generated,
                    arm_status (*init)(OF_TYPE(arm_rfft_fast_instance_) *))
{
    int inverse, which;
    OF_TYPE(arm_rfft_fast_instance_) library;
    init(&library);
    for (inverse = 0; inverse <= 1; ++inverse) {
        long output = 0;
        for (which = 0; which < INPUTS; ++which) {
            make_input(which, n);
            memcpy(theirs, input, sizeof input);
            memcpy(ours, input, sizeof input);
            OF_TYPE(arm_rfft_fast_)(&library, theirs, their_output, (uint8_t)inverse);
            OF_TYPE(arm_rfft_fast_)(generated, ours, our_output, (uint8_t)inverse);
            output += differing(our_output, their_output, n);
        }
        printf("rfft %u %s", n, inverse ? "inverse" : "forward");
        printf(" real %u %u split %ld", (unsigned)generated->fftLenRFFT, (unsigned)library.fftLenRFFT,
               differing(generated->pTwiddleRFFT, library.pTwiddleRFFT, n));
        printf(" points %u %u", (unsigned)generated->Sint.fftLen, (unsigned)library.Sint.fftLen);
        compare_tables(n / 2, &generated->Sint, &library.Sint);
        printf(" output %ld\n", output);
    }
}

int main(void)
{
#define X(n) compare(n, &t##n, INIT(arm_rfft_fast_init_, n));
    SIZES
#undef X
    fflush(stdout);
    return 0;
}

#endif
