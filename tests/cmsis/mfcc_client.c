/* Runs CMSIS-DSP's MFCC set up by its init function with the tables of the
 * library's own script (mfccdata.h, arrays mfcc_<table>_script_<type>), and
 * by veltabgen's constant instance, named generated (generated.h), on the
 * same frames: pseudo-random ones of several seeds, a tone, full-scale
 * alternations and an impulse. Prints one line of how the outputs compare:
 * the largest difference over every frame (0 where they are the same), the
 * sum of the library's outputs' magnitudes, which tells that it computed
 * some, and the q31 values of its scratch that the MFCC wrote, beside those
 * that the header says it needs. Built with -DTYPE_Q31 for q31, else q15,
 * and FFT_LENGTH, MEL_FILTERS and DCT_OUTPUTS defined. It runs on the host
 * and as firmware. */
#include <stdio.h>
#include <string.h>

#include "arm_math.h"
#include "generated.h"
#include "mfccdata.h"

#define CAT(a, b) CAT_(a, b)
#define CAT_(a, b) a##b
#ifdef TYPE_Q31
typedef q31_t sample;
#define TYPE q31
#define LARGEST 0x7FFFFFFFl
#else
typedef q15_t sample;
#define TYPE q15
#define LARGEST 0x7FFFl
#endif
#define OF_TYPE(name) CAT(name, TYPE)
#define SCRIPT(table) CAT(CAT(mfcc_, table), CAT(_script_, TYPE))

static sample frame[FFT_LENGTH], theirs[FFT_LENGTH], ours[FFT_LENGTH];
static sample their_output[DCT_OUTPUTS], our_output[DCT_OUTPUTS];
/* Room for twice what any build needs, whose words past those written
 * keep their guard. */
#define SCRATCH (4 * FFT_LENGTH + 2 * MEL_FILTERS)
static q31_t scratch[SCRATCH];

/* Fills the scratch with the guard, runs the MFCC, and returns the number of
 * words up to the last that it changed. */
static unsigned scratch_used(const OF_TYPE(arm_mfcc_instance_) *mfcc, sample *in, sample *out, q31_t guard)
{
    unsigned i, used = 0;
    for (i = 0; i < SCRATCH; ++i)
        scratch[i] = guard;
    OF_TYPE(arm_mfcc_)(mfcc, in, out, scratch);
    for (i = 0; i < SCRATCH; ++i)
        if (scratch[i] != guard)
            used = i + 1;
    return used;
}

#define FRAMES 12

static void make_frame(int which)
{
    unsigned long state = 12345u + 977u * (unsigned long)which;
    unsigned i;
    for (i = 0; i < FFT_LENGTH; ++i) {
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
        frame[i] = (sample)value;
    }
}

static long difference(const sample *a, const sample *b, unsigned count)
{
    long largest = 0;
    unsigned i;
    for (i = 0; i < count; ++i) {
        const long d = (long)a[i] - (long)b[i];
        largest = d > largest ? d : -d > largest ? -d : largest;
    }
    return largest;
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
        d = (long)scratch_used(&generated, theirs, our_output, 0x5A5A5A5A);
        used = (unsigned)d > used ? (unsigned)d : used;
        d = (long)scratch_used(&generated, ours, our_output, -0x5A5A5A5B);
        used = (unsigned)d > used ? (unsigned)d : used;
        d = difference(our_output, their_output, DCT_OUTPUTS);
        output = d > output ? d : output;
        for (d = 0; d < DCT_OUTPUTS; ++d)
            magnitudes += (unsigned long)(their_output[d] < 0 ? -(long)their_output[d] : (long)their_output[d]) >> 8;
    }
    printf("mfcc %u %s output %ld magnitudes %lu scratch %u %u\n", (unsigned)FFT_LENGTH,
           sizeof(sample) == 2 ? "q15" : "q31", output, magnitudes, used, (unsigned)generated_SCRATCH_LENGTH);
    /* A firmware's start-up code ends the run without flushing stdio. */
    fflush(stdout);
    return 0;
}
