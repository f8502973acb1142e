/* Runs CMSIS-DSP's MFCC set up by its init function with the tables of the
 * library's own script (mfccdata.h, arrays mfcc_<table>_script_<type>), and
 * by veltabgen's constant instance, named generated, on the same frames:
 * pseudo-random ones of several seeds, a tone, full-scale alternations and
 * an impulse. Prints one line of how the outputs compare: the largest
 * difference over every frame (0 where they are the same), and the sum of
 * the library's outputs' magnitudes, which tells that it computed some. Built with
 * -DTYPE_Q31 for q31, else q15, and FFT_LENGTH, MEL_FILTERS and DCT_OUTPUTS
 * defined. It runs on the host and as firmware. */
#include <stdio.h>
#include <string.h>

#include "arm_math.h"
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

extern const OF_TYPE(arm_mfcc_instance_) generated;

static sample frame[FFT_LENGTH], theirs[FFT_LENGTH], ours[FFT_LENGTH];
static sample their_output[DCT_OUTPUTS], our_output[DCT_OUTPUTS];
static q31_t scratch[2 * FFT_LENGTH + 16];

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
        OF_TYPE(arm_mfcc_)(&generated, ours, our_output, scratch);
        d = difference(our_output, their_output, DCT_OUTPUTS);
        output = d > output ? d : output;
        for (d = 0; d < DCT_OUTPUTS; ++d)
            magnitudes += (unsigned long)(their_output[d] < 0 ? -(long)their_output[d] : (long)their_output[d]) >> 8;
    }
    printf("mfcc %u %s output %ld magnitudes %lu\n", (unsigned)FFT_LENGTH, sizeof(sample) == 2 ? "q15" : "q31",
           output, magnitudes);
    /* A firmware's start-up code ends the run without flushing stdio. */
    fflush(stdout);
    return 0;
}
