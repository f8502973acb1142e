/* Runs CMSIS-DSP's fixed-point FFT at every size, forward and inverse, with
 * the library's own tables and with veltabgen's, on the same pseudo-random
 * input, and prints one line per size and direction of how the two compare:
 * the tables' entries, the bit reversal and its length, and the outputs,
 * each as the largest difference found (0 where they are the same). Built
 * with -DREAL_FFT for arm_rfft, else arm_cfft, and -DTYPE_Q31 for q31, else q15;
 * veltabgen's tables are named t<N>. */
#include <stdio.h>
#include <string.h>

#include "arm_common_tables.h"
#include "arm_const_structs.h"
#include "arm_math.h"

#define CAT(a, b) CAT_(a, b)
#define CAT_(a, b) a##b
#ifdef TYPE_Q31
typedef q31_t sample;
#define TYPE q31

#define SAMPLE_RANGE 0x7FFFFFFFul
#define COEFFICIENTS_A realCoefAQ31
#define COEFFICIENTS_B realCoefBQ31
#else
typedef q15_t sample;
#define TYPE q15

#define SAMPLE_RANGE 0x7FFFul
#define COEFFICIENTS_A realCoefAQ15
#define COEFFICIENTS_B realCoefBQ15
#endif
#define OF_TYPE(name) CAT(name, TYPE)


#define MAX_POINTS 8192

static sample input[2 * MAX_POINTS + 2], theirs[2 * MAX_POINTS + 2], ours[2 * MAX_POINTS + 2];

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

/* The same input every run: a linear congruential generator over the whole
 * range of the type, halved so that no FFT stage saturates. */
static void make_input(unsigned count)
{
    unsigned long state = 12345u;
    unsigned i;
    for (i = 0; i < count; ++i) {
        state = (state * 1664525u + 1013904223u) & 0xFFFFFFFFul;
        input[i] = (sample)((long)(state % (SAMPLE_RANGE + 1)) - (long)((SAMPLE_RANGE + 1) / 2));
    }
}

#ifndef REAL_FFT

#define TABLES(n) extern const OF_TYPE(arm_cfft_instance_) t##n;
#define SIZES X(16) X(32) X(64) X(128) X(256) X(512) X(1024) X(2048) X(4096)
#define X(n) TABLES(n)
SIZES
#undef X

static void compare(unsigned n, const OF_TYPE(arm_cfft_instance_) *library,
                    const OF_TYPE(arm_cfft_instance_) *generated)
{
    int inverse;
    for (inverse = 0; inverse <= 1; ++inverse) {
        make_input(2 * n);
        memcpy(theirs, input, sizeof input);
        memcpy(ours, input, sizeof input);
        OF_TYPE(arm_cfft_)(library, theirs, (uint8_t)inverse, 1);
        OF_TYPE(arm_cfft_)(generated, ours, (uint8_t)inverse, 1);
        printf("cfft %u %s twiddles %ld bitrev %d length %u %u output %ld\n", n,
               inverse ? "inverse" : "forward",
               difference(generated->pTwiddle, library->pTwiddle, 3 * n / 2, 1),
               generated->bitRevLength != library->bitRevLength ||
                   memcmp(generated->pBitRevTable, library->pBitRevTable,
                          library->bitRevLength * sizeof(uint16_t)) != 0,
               (unsigned)generated->bitRevLength, (unsigned)library->bitRevLength,
               difference(ours, theirs, 2 * n, 1));
    }
}

int main(void)
{
#define X(n) compare(n, &CAT(OF_TYPE(arm_cfft_sR_), _len##n), &t##n);
    SIZES
#undef X
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
    int inverse;
    for (inverse = 0; inverse <= 1; ++inverse) {
        OF_TYPE(arm_rfft_instance_) library;
        const OF_TYPE(arm_rfft_instance_) *generated = inverse ? inverse_of_ours : forward;
        OF_TYPE(arm_rfft_init_)(&library, n, (uint32_t)inverse, 1);
        /* The inverse reads more than n values: the whole buffer is input. */
        make_input(2 * n + 2);
        memcpy(theirs, input, sizeof input);
        memcpy(ours, input, sizeof input);
        memset(their_output, 0, sizeof their_output);
        memset(our_output, 0, sizeof our_output);
        OF_TYPE(arm_rfft_)(&library, theirs, their_output);
        OF_TYPE(arm_rfft_)(generated, ours, our_output);
        printf("rfft %u %s a %ld b %ld flags %d output %ld\n", n, inverse ? "inverse" : "forward",
               difference(generated->pTwiddleAReal, COEFFICIENTS_A, n, 8192 / n),
               difference(generated->pTwiddleBReal, COEFFICIENTS_B, n, 8192 / n),
               generated->fftLenReal == n && generated->ifftFlagR == inverse &&
                   generated->bitReverseFlagR == 1 && generated->twidCoefRModifier == 1,
               difference(our_output, their_output, 2 * n, 1));
    }
}

int main(void)
{
#define X(n) compare(n, &t##n##_forward, &t##n##_inverse);
    SIZES
#undef X
    return 0;
}

#endif
