/* Runs CMSIS-DSP's q15 complex FFT at four sizes and its real FFT at three
 * lengths, forward, on a fixed pseudo-random input, and prints every value
 * of each output in hexadecimal: the same text with the library's own tables
 * (LIBRARY_TABLES) as with veltabgen's, which the test compares. */
#include "arm_math.h"
#include "demo_output.h"

#ifdef LIBRARY_TABLES
#include "arm_const_structs.h"
#define COMPLEX_FFT(n) (&arm_cfft_sR_q15_len##n)
#else
#include "cfft_1024.h"
#include "cfft_16.h"
#include "cfft_256.h"
#include "cfft_64.h"
#include "rfft_1024.h"
#include "rfft_256.h"
#include "rfft_64.h"
#define COMPLEX_FFT(n) (&cfft_##n)
#endif

static q15_t data[2 * 1024 + 2];
static q15_t spectrum[2 * 1024];

static void make_input(unsigned count)
{
    unsigned long state = 12345u;
    unsigned i;
    for (i = 0; i < count; ++i) {
        state = (state * 1664525u + 1013904223u) & 0xFFFFFFFFul;
        data[i] = (q15_t)((long)((state >> 8) & 0xFFFF) - 32768);
    }
}

static void print_values(const char *title, unsigned n, const q15_t *values, unsigned count)
{
    static const char digits[] = "0123456789abcdef";
    char line[8];
    unsigned i, d;
    write_text(title);
    for (d = 0; d < 5; ++d)
        line[d] = digits[(n >> (4 * (4 - d))) & 0xF];
    line[5] = '\n';
    line[6] = '\0';
    write_text(line);
    for (i = 0; i < count; ++i) {
        const unsigned value = (unsigned short)values[i];
        for (d = 0; d < 4; ++d)
            line[d] = digits[(value >> (4 * (3 - d))) & 0xF];
        line[4] = i % 8 == 7 || i + 1 == count ? '\n' : ' ';
        line[5] = '\0';
        write_text(line);
    }
}

static void complex_fft(unsigned n, const arm_cfft_instance_q15 *instance)
{
    make_input(2 * n);
    arm_cfft_q15(instance, data, 0, 1);
    print_values("cfft ", n, data, 2 * n);
}

static void real_fft(unsigned n)
{
#ifdef LIBRARY_TABLES
    arm_rfft_instance_q15 library;
    const arm_rfft_instance_q15 *instance = &library;
    arm_rfft_init_q15(&library, n, 0, 1);
#else
    const arm_rfft_instance_q15 *instance =
        n == 64 ? &rfft_64_forward : n == 256 ? &rfft_256_forward : &rfft_1024_forward;
#endif
    make_input(n);
    arm_rfft_q15(instance, data, spectrum);
    print_values("rfft ", n, spectrum, 2 * n);
}

int main(void)
{
    complex_fft(16, COMPLEX_FFT(16));
    complex_fft(64, COMPLEX_FFT(64));
    complex_fft(256, COMPLEX_FFT(256));
    complex_fft(1024, COMPLEX_FFT(1024));
    real_fft(64);
    real_fft(256);
    real_fft(1024);
    return 0;
}
