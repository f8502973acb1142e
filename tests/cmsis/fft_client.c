/* Runs CMSIS-DSP's fixed-point FFT at every size, forward and inverse, set
 * up by the library's own init function and by veltabgen's constant
 * instances, on the same inputs, and prints one line per size and direction
 * of how the two compare: the tables' entries, the bit reversal and its
 * length, Helium's rearranged tables where the build has them, and the
 * outputs, each as the largest difference found (0 where they are the same),
 * the outputs' over every input of a set: pseudo-random ones of several
 * seeds, constants and alternations at full scale, and impulses. Built with
 * -DREAL_FFT for arm_rfft, else arm_cfft, and -DTYPE_Q31 for q31, else q15;
 * veltabgen's tables are named t<N>. It runs on the host and as firmware. */
#include <stdio.h>
#include <string.h>

#include "arm_common_tables.h"
#include "arm_math.h"

#define CAT(a, b) CAT_(a, b)
#define CAT_(a, b) a##b
#ifdef TYPE_Q31
typedef q31_t sample;
#define TYPE q31
#define LARGEST 0x7FFFFFFFl
#define COEFFICIENTS_A realCoefAQ31
#define COEFFICIENTS_B realCoefBQ31
#else
typedef q15_t sample;
#define TYPE q15
#define LARGEST 0x7FFFl
#define COEFFICIENTS_A realCoefAQ15
#define COEFFICIENTS_B realCoefBQ15
#endif
#define OF_TYPE(name) CAT(name, TYPE)

#if defined(ARM_MATH_MVEI) && !defined(ARM_MATH_AUTOVECTORIZE)
#define HELIUM 1
#else
#define HELIUM 0
#endif

#define MAX_POINTS 8192

static sample input[2 * MAX_POINTS + 2], theirs[2 * MAX_POINTS + 2], ours[2 * MAX_POINTS + 2];

/* The largest difference between count values of a and those of b, read at
 * the stride (in pairs) from b. */
static long difference(const sample *a, const sample *b, unsigned count, unsigned stride)
{
    long largest = 0;
    unsigned i;
    for (i = 0; i < count; ++i) {
        const long d = (long)a[i] - (long)b[(i / 2) * stride * 2 + i % 2];
        largest = d > largest ? d : -d > largest ? -d : largest;
    }
    return largest;
}

/* The inputs: one pseudo-random over half the range of the type, then every
 * value the largest, every value the smallest, the two alternating by values
 * and by pairs, and unit impulses at full scale at the first and the second
 * value and at the middle; then RANDOM_INPUTS pseudo-random ones over the
 * whole range, of as many seeds. */
#ifndef RANDOM_INPUTS
#define RANDOM_INPUTS 8
#endif
#define INPUTS (8 + RANDOM_INPUTS)

static void make_input(int which, unsigned count)
{
    unsigned long state = 12345u + 977u * (unsigned long)which;
    unsigned i;
    memset(input, 0, sizeof input);
    for (i = 0; i < count; ++i) {
        long value = 0;
        state = (state * 1664525u + 1013904223u) & 0xFFFFFFFFul;
        switch (which) {
        case 0:
            value = (long)(state % ((unsigned long)LARGEST + 1u)) - (long)(((unsigned long)LARGEST + 1u) / 2u);
            break;
        case 1:
            value = LARGEST;
            break;
        case 2:
            value = -LARGEST - 1;
            break;
        case 3:
            value = i % 2 == 0 ? LARGEST : -LARGEST - 1;
            break;
        case 4:
            value = (i / 2) % 2 == 0 ? LARGEST : -LARGEST - 1;
            break;
        case 5:
            value = i == 0 ? LARGEST : 0;
            break;
        case 6:
            value = i == 1 ? -LARGEST - 1 : 0;
            break;
        case 7:
            value = i == count / 2 ? LARGEST : 0;
            break;
        default: {
            /* The top bits of the state, over the whole range. */
#ifdef TYPE_Q31
            value = (long)(int32_t)(uint32_t)state;
#else
            value = (long)(int16_t)(uint16_t)(state >> 16);
#endif
            break;
        }
        }
        input[i] = (sample)value;
    }
}

#ifndef REAL_FFT

#define TABLES(n) extern const OF_TYPE(arm_cfft_instance_) t##n;
#define SIZES X(16) X(32) X(64) X(128) X(256) X(512) X(1024) X(2048) X(4096)
#define X(n) TABLES(n)
SIZES
#undef X

#if HELIUM
/* The points of Helium's radix-4 stages: n, or n/2 after a radix-2 step. */
static unsigned radix4_points(unsigned n)
{
    unsigned bits = 0;
    while ((1u << bits) < n)
        ++bits;
    return bits % 2 == 0 ? n : n / 2;
}

/* How the rearranged twiddle factors and the stages' offsets compare, each
 * offset that the generated table holds (the library's have a last 0 more). */
static long rearranged_difference(const OF_TYPE(arm_cfft_instance_) *generated,
                                  const OF_TYPE(arm_cfft_instance_) *library, unsigned n)
{
    const unsigned points = radix4_points(n);
    const unsigned values = 2 * (points - 4) / 3;
    unsigned stages = 0, i;
    long largest = 0;
    while ((1u << (2 * (stages + 2))) <= points)
        ++stages;
    largest = difference(generated->rearranged_twiddle_stride1, library->rearranged_twiddle_stride1, values, 1);
    if (difference(generated->rearranged_twiddle_stride2, library->rearranged_twiddle_stride2, values, 1) > largest)
        largest = difference(generated->rearranged_twiddle_stride2, library->rearranged_twiddle_stride2, values, 1);
    if (difference(generated->rearranged_twiddle_stride3, library->rearranged_twiddle_stride3, values, 1) > largest)
        largest = difference(generated->rearranged_twiddle_stride3, library->rearranged_twiddle_stride3, values, 1);
    for (i = 0; i < stages; ++i) {
        if (generated->rearranged_twiddle_tab_stride1_arr[i] != library->rearranged_twiddle_tab_stride1_arr[i] ||
            generated->rearranged_twiddle_tab_stride2_arr[i] != library->rearranged_twiddle_tab_stride2_arr[i] ||
            generated->rearranged_twiddle_tab_stride3_arr[i] != library->rearranged_twiddle_tab_stride3_arr[i])
            largest = largest > 1000000 ? largest : 1000000;
    }
    return largest;
}
#endif

static void compare(unsigned n, const OF_TYPE(arm_cfft_instance_) *generated)
{
    int inverse, which;
    OF_TYPE(arm_cfft_instance_) library;
    OF_TYPE(arm_cfft_init_)(&library, (uint16_t)n);
    for (inverse = 0; inverse <= 1; ++inverse) {
        long output = 0;
        for (which = 0; which < INPUTS; ++which) {
            long d;
            make_input(which, 2 * n);
            memcpy(theirs, input, sizeof input);
            memcpy(ours, input, sizeof input);
            OF_TYPE(arm_cfft_)(&library, theirs, (uint8_t)inverse, 1);
            OF_TYPE(arm_cfft_)(generated, ours, (uint8_t)inverse, 1);
            d = difference(ours, theirs, 2 * n, 1);
            output = d > output ? d : output;
        }
        printf("cfft %u %s", n, inverse ? "inverse" : "forward");
#if HELIUM
        /* Helium reads the first n values of the twiddle factors for
         * n = 2 * 4^k, and none for n = 4^k. */
        if (radix4_points(n) != n)
            printf(" twiddles %ld", difference(generated->pTwiddle, library.pTwiddle, n, 1));
        else
            printf(" twiddles %ld", generated->pTwiddle == NULL ? 0l : 1000000l);
        printf(" rearranged %ld", rearranged_difference(generated, &library, n));
#else
        printf(" twiddles %ld", difference(generated->pTwiddle, library.pTwiddle, 3 * n / 2, 1));
#endif
        printf(" bitrev %d length %u %u output %ld\n",
               generated->bitRevLength != library.bitRevLength ||
                   memcmp(generated->pBitRevTable, library.pBitRevTable,
                          library.bitRevLength * sizeof(uint16_t)) != 0,
               (unsigned)generated->bitRevLength, (unsigned)library.bitRevLength, output);
    }
}

int main(void)
{
#define X(n) compare(n, &t##n);
    SIZES
#undef X
    /* A firmware's start-up code ends the run without flushing stdio. */
    fflush(stdout);
    return 0;
}

#else

static sample their_output[2 * MAX_POINTS + 2], our_output[2 * MAX_POINTS + 2];

#define TABLES(n) extern const OF_TYPE(arm_rfft_instance_) t##n##_forward, t##n##_inverse;
#define SIZES X(32) X(64) X(128) X(256) X(512) X(1024) X(2048) X(4096) X(8192)
#define X(n) TABLES(n)
SIZES
#undef X

static void compare(unsigned n, const OF_TYPE(arm_rfft_instance_) *forward,
                    const OF_TYPE(arm_rfft_instance_) *inverse_of_ours)
{
    int inverse, which;
    for (inverse = 0; inverse <= 1; ++inverse) {
        OF_TYPE(arm_rfft_instance_) library;
        const OF_TYPE(arm_rfft_instance_) *generated = inverse ? inverse_of_ours : forward;
        long output = 0;
        OF_TYPE(arm_rfft_init_)(&library, n, (uint32_t)inverse, 1);
        for (which = 0; which < INPUTS; ++which) {
            long d;
            /* The inverse reads more than n values: the whole buffer is input. */
            make_input(which, 2 * n + 2);
            memcpy(theirs, input, sizeof input);
            memcpy(ours, input, sizeof input);
            memset(their_output, 0, sizeof their_output);
            memset(our_output, 0, sizeof our_output);
            OF_TYPE(arm_rfft_)(&library, theirs, their_output);
            OF_TYPE(arm_rfft_)(generated, ours, our_output);
            d = difference(our_output, their_output, 2 * n, 1);
            output = d > output ? d : output;
        }
        printf("rfft %u %s a %ld b %ld flags %d output %ld\n", n, inverse ? "inverse" : "forward",
               difference(generated->pTwiddleAReal, COEFFICIENTS_A, n, 8192 / n),
               difference(generated->pTwiddleBReal, COEFFICIENTS_B, n, 8192 / n),
               generated->fftLenReal == n && generated->ifftFlagR == inverse &&
                   generated->bitReverseFlagR == 1 && generated->twidCoefRModifier == 1,
               output);
    }
}

int main(void)
{
#define X(n) compare(n, &t##n##_forward, &t##n##_inverse);
    SIZES
#undef X
    /* A firmware's start-up code ends the run without flushing stdio. */
    fflush(stdout);
    return 0;
}

#endif
