/* Finds the frequency of a test tone with CMSIS-DSP's q15 real FFT of 512
 * points and its q31 complex FFT of 1024 points, and filters two tones with
 * its q15 biquad cascade, each set up by a constant instance that veltabgen
 * generated: no init call, and no table of the library's linked. */
#include <math.h>
#include <stdio.h>

#include "arm_math.h"
#include "cfft_1024.h"
#include "lowpass.h"
#include "rfft_512.h"

/* The index of the largest magnitude among the first count complex bins. */
static unsigned strongest_q15(const q15_t *bins, unsigned count)
{
    unsigned best = 0, k;
    long largest = -1;
    for (k = 0; k < count; ++k) {
        const long power = (long)bins[2 * k] * bins[2 * k] + (long)bins[2 * k + 1] * bins[2 * k + 1];
        if (power > largest) {
            largest = power;
            best = k;
        }
    }
    return best;
}

static unsigned strongest_q31(const q31_t *bins, unsigned count)
{
    unsigned best = 0, k;
    double largest = -1.0;
    for (k = 0; k < count; ++k) {
        const double power = (double)bins[2 * k] * bins[2 * k] + (double)bins[2 * k + 1] * bins[2 * k + 1];
        if (power > largest) {
            largest = power;
            best = k;
        }
    }
    return best;
}

int main(void)
{
    /* The real FFT reads, and may change, its input; its output holds 512
     * complex bins. */
    static q15_t samples[512 + 2], spectrum[2 * 512];
    static q31_t signal[2 * 1024];
    const double pi = 3.14159265358979323846;
    unsigned i;
    for (i = 0; i < 512; ++i)
        samples[i] = (q15_t)(16000.0 * sin(2.0 * pi * 37.0 * i / 512.0));
    arm_rfft_q15(&rfft_512_forward, samples, spectrum);
    printf("rfft_512: strongest bin %u\n", strongest_q15(spectrum, 256));

    for (i = 0; i < 1024; ++i) {
        signal[2 * i] = (q31_t)(1.0e9 * cos(2.0 * pi * 100.0 * i / 1024.0));
        signal[2 * i + 1] = (q31_t)(1.0e9 * sin(2.0 * pi * 100.0 * i / 1024.0));
    }
    arm_cfft_q31(&cfft_1024, signal, 0, 1);
    printf("cfft_1024: strongest bin %u\n", strongest_q31(signal, 1024));

    /* Tones of 500 and 5000 Hz at 16 kHz, a block of lowpass_BLOCK_SIZE
     * samples at a time: the level of each after the filter has settled. */
    for (i = 0; i < 2; ++i) {
        static q15_t in[lowpass_BLOCK_SIZE], out[lowpass_BLOCK_SIZE];
        const double hertz = i == 0 ? 500.0 : 5000.0;
        double power = 0.0;
        unsigned block, n;
        for (block = 0; block < 64; ++block) {
            for (n = 0; n < lowpass_BLOCK_SIZE; ++n)
                in[n] = (q15_t)(16000.0 * sin(2.0 * pi * hertz * (block * lowpass_BLOCK_SIZE + n) / 16000.0));
            arm_biquad_cascade_df1_q15(&lowpass, in, out, lowpass_BLOCK_SIZE);
            for (n = 0; block >= 32 && n < lowpass_BLOCK_SIZE; ++n)
                power += (double)out[n] * out[n];
        }
        /* Rounded to a tenth, with no minus sign before a zero. */
        printf("lowpass: %.0f Hz at %.1f dB\n", hertz,
               floor(100.0 * log10(power / (32.0 * lowpass_BLOCK_SIZE) / (16000.0 * 16000.0 / 2.0)) + 0.5) / 10.0 +
                   0.0);
    }
    return 0;
}
