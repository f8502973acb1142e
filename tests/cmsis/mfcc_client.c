/* Runs CMSIS-DSP's MFCC set up by its init function with the tables of the
 * library's own script (mfccdata.h, arrays mfcc_<table>_script_<type>), and
 * by veltabgen's constant instance, named generated (generated.h), on the
 * same frames: pseudo-random ones of several seeds, a tone, full-scale
 * alternations and an impulse. Prints one line of how the outputs compare:
 * the largest difference over every frame (of floats, the count of values
 * whose bits differ; 0 where they are the same), the sum of the library's
 * outputs' magnitudes, which tells that it computed some, the values of its
 * scratch that the MFCC wrote, beside those that the header says it needs,
 * and the values of the tables whose bits differ from the script's, as the
 * compiler made both. Built with -DTYPE_Q31 for q31, -DTYPE_F32 for f32,
 * -DTYPE_F16 for f16, else q15, and FFT_LENGTH, MEL_FILTERS and
 * DCT_OUTPUTS defined. It runs on the host and as firmware. */
#include <stdio.h>
#include <string.h>

#ifdef TYPE_F16
#include "arm_math_f16.h"
#else
#include "arm_math.h"
#endif
#include "generated.h"
#include "mfccdata.h"

#define CAT(a, b) CAT_(a, b)
#define CAT_(a, b) a##b
#define STRING(a) STRING_(a)
#define STRING_(a) #a
#if defined(TYPE_Q31)
typedef q31_t sample;
typedef q31_t scratch_value;
#define TYPE q31
#define LARGEST 0x7FFFFFFFl
#elif defined(TYPE_F32)
typedef float32_t sample;
typedef float32_t scratch_value;
#define TYPE f32
#define FLOATS 1
#elif defined(TYPE_F16)
typedef float16_t sample;
typedef float16_t scratch_value;
#define TYPE f16
#define FLOATS 1
#else
typedef q15_t sample;
typedef q31_t scratch_value;
#define TYPE q15
#define LARGEST 0x7FFFl
#endif
#ifndef FLOATS
#define FLOATS 0
#endif
#define OF_TYPE(name) CAT(name, TYPE)
#define SCRIPT(table) CAT(CAT(mfcc_, table), CAT(_script_, TYPE))

static sample frame[FFT_LENGTH], theirs[FFT_LENGTH], ours[FFT_LENGTH];
static sample their_output[DCT_OUTPUTS], our_output[DCT_OUTPUTS];
/* Room for twice what any build needs, whose values past those written
 * keep their guard. */
#define SCRATCH (4 * FFT_LENGTH + 2 * MEL_FILTERS)
static scratch_value scratch[SCRATCH];

/* Fills the scratch with the guard's bytes, runs the MFCC, and returns the
 * number of values up to the last that it changed. */
static unsigned scratch_used(const OF_TYPE(arm_mfcc_instance_) *mfcc, sample *in, sample *out, int guard)
{
    unsigned i, used = 0;
    scratch_value kept;
    memset(scratch, guard, sizeof scratch);
    memcpy(&kept, scratch, sizeof kept);
    OF_TYPE(arm_mfcc_)(mfcc, in, out, scratch);
    for (i = 0; i < SCRATCH; ++i)
        if (memcmp(&scratch[i], &kept, sizeof kept) != 0)
            used = i + 1;
    return used;
}

/* The count of values whose bits differ. */
static long differing(const void *a, const void *b, unsigned count, unsigned size)
{
    long values = 0;
    unsigned i;
    for (i = 0; i < count; ++i)
        values += memcmp((const char *)a + i * size, (const char *)b + i * size, size) != 0;
    return values;
}

#define FRAMES 12

static void make_frame(int which)
{
    unsigned long state = 12345u + 977u * (unsigned long)which;
    unsigned i;
    for (i = 0; i < FFT_LENGTH; ++i) {
#if FLOATS
        float value;
        state = (state * 1664525u + 1013904223u) & 0xFFFFFFFFul;
        switch (which) {
        case 0: /* a tone, a square wave of 16 periods, at half scale */
            value = (i * 32 / FFT_LENGTH) % 2 == 0 ? 0.5f : -0.5f;
            break;
        case 1:
            value = i % 2 == 0 ? 1.0f : -1.0f;
            break;
        case 2:
            value = i == FFT_LENGTH / 3 ? 1.0f : 0.0f;
            break;
        case 3: /* quiet noise, a 256th of full scale */
            value = (float)((long)((state >> 8) % 256u) - 128) / 32768.0f;
            break;
        default:
            value = (float)(long)(state >> 8) / 8388608.0f - 1.0f;
            break;
        }
#else
        long value;
        state = (state * 1664525u + 1013904223u) & 0xFFFFFFFFul;
        switch (which) {
        case 0: /* a tone, a square wave of 16 periods, at half scale */
            value = (i * 32 / FFT_LENGTH) % 2 == 0 ? LARGEST / 2 : -(LARGEST / 2);
            break;
        case 1:
            value = i % 2 == 0 ? LARGEST : -LARGEST - 1;
            break;
        case 2:
            value = i == FFT_LENGTH / 3 ? LARGEST : 0;
            break;
        case 3: /* quiet noise, a 256th of full scale */
            value = (long)((state >> 8) % 256u) - 128;
            break;
        default:
#ifdef TYPE_Q31
            value = (long)(int32_t)(uint32_t)state;
#else
            value = (long)(int16_t)(uint16_t)(state >> 16);
#endif
            break;
        }
#endif
        frame[i] = (sample)value;
    }
}

static long difference(const sample *a, const sample *b, unsigned count)
{
#if FLOATS
    return differing(a, b, count, sizeof(sample));
#else
    long largest = 0;
    unsigned i;
    for (i = 0; i < count; ++i) {
        const long d = (long)a[i] - (long)b[i];
        largest = d > largest ? d : -d > largest ? -d : largest;
    }
    return largest;
#endif
}

/* The values of the instance's tables whose bits differ from the script's. */
static long tables_differing(const OF_TYPE(arm_mfcc_instance_) *ours_, const OF_TYPE(arm_mfcc_instance_) *theirs_)
{
    unsigned i, coefficients = 0;
    long values = differing(ours_->filterPos, theirs_->filterPos, MEL_FILTERS, sizeof(uint32_t)) +
                  differing(ours_->filterLengths, theirs_->filterLengths, MEL_FILTERS, sizeof(uint32_t));
    if (values != 0)
        return values;
    for (i = 0; i < MEL_FILTERS; ++i)
        coefficients += (unsigned)theirs_->filterLengths[i];
    return differing(ours_->dctCoefs, theirs_->dctCoefs, DCT_OUTPUTS * MEL_FILTERS, sizeof(sample)) +
           differing(ours_->filterCoefs, theirs_->filterCoefs, coefficients, sizeof(sample)) +
           differing(ours_->windowCoefs, theirs_->windowCoefs, FFT_LENGTH, sizeof(sample));
}

int main(void)
{
    OF_TYPE(arm_mfcc_instance_) library;
    long output = 0;
    unsigned long magnitudes = 0;
    unsigned used = 0;
    int which;
    OF_TYPE(arm_mfcc_init_)(&library, FFT_LENGTH, MEL_FILTERS, DCT_OUTPUTS, SCRIPT(dct_coefs), SCRIPT(filter_pos),
                            SCRIPT(filter_len), SCRIPT(filter_coefs), SCRIPT(window_coefs));
    for (which = 0; which < FRAMES; ++which) {
        long d;
        make_frame(which);
        /* The MFCC scales its input in place. */
        memcpy(theirs, frame, sizeof frame);
        memcpy(ours, frame, sizeof frame);
        OF_TYPE(arm_mfcc_)(&library, theirs, their_output, scratch);
        /* Two guards, so that no word written goes unseen as equal to one. */
        memcpy(theirs, ours, sizeof ours);
        d = (long)scratch_used(&generated, theirs, our_output, 0x5A);
        used = (unsigned)d > used ? (unsigned)d : used;
        d = (long)scratch_used(&generated, ours, our_output, 0xA5);
        used = (unsigned)d > used ? (unsigned)d : used;
        d = difference(our_output, their_output, DCT_OUTPUTS);
        output = d > output ? d : output;
        for (d = 0; d < DCT_OUTPUTS; ++d)
#if FLOATS
            magnitudes += (unsigned long)(256.0f * ((float)their_output[d] < 0 ? -(float)their_output[d]
                                                                             : (float)their_output[d]));
#else
            magnitudes += (unsigned long)(their_output[d] < 0 ? -(long)their_output[d] : (long)their_output[d]) >> 8;
#endif
    }
    printf("mfcc %u %s output %ld magnitudes %lu scratch %u %u tables %ld\n", (unsigned)FFT_LENGTH,
           STRING(TYPE), output, magnitudes, used, (unsigned)generated_SCRATCH_LENGTH,
           tables_differing(&generated, &library));
    /* A firmware's start-up code ends the run without flushing stdio. */
    fflush(stdout);
    return 0;
}
