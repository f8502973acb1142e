/* fft_q15: an in-place complex radix-2 FFT of 16-bit fixed-point data, with
 * its twiddle factors read from a table that veltabgen writes. See
 * fft_q15.h for what it computes. MIT licence, as the rest of veltabgen. */
#include "fft_q15.h"

#include <stdint.h>

/* Puts the n values of x in bit-reversed order of their indices, so that the
 * stages below leave the transform in natural order. */
static void reverse_bits(short *x, unsigned n)
{
    unsigned i, j = 0;
    for (i = 1; i < n; ++i) {
        unsigned bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j |= bit;
        if (i < j) {
            short re = x[2 * i], im = x[2 * i + 1];
            x[2 * i] = x[2 * j];
            x[2 * i + 1] = x[2 * j + 1];
            x[2 * j] = re;
            x[2 * j + 1] = im;
        }
    }
}

/* A butterfly's result, halved, lies within 16 bits but at the very edge of
 * the input range, where the rounding of the table's entries and of the
 * products can carry it one unit past: there it saturates instead of
 * wrapping to the other end. */
static short saturated(int32_t value)
{
    return (short)(value > 32767 ? 32767 : value < -32768 ? -32768 : value);
}

static int is_power_of_two(unsigned value)
{
    return value != 0 && (value & (value - 1)) == 0;
}

/* Decimation in time: stage by stage, each butterfly takes a value a and a
 * value b of the span, multiplies b by the twiddle factor of its place in
 * the span, and leaves (a + b w) / 2 and (a - b w) / 2. The right shifts of
 * negative values assume the arithmetic shift that gcc, clang and the
 * compilers for DSPs and microcontrollers do. */
int fft_q15(short *x, unsigned n, const short *w, unsigned table_points)
{
    unsigned span, start, i;
    if (n < 2 || !is_power_of_two(n) || !is_power_of_two(table_points) || n > table_points)
        return -1;
    reverse_bits(x, n);
    for (span = 2; span <= n; span *= 2) {
        const unsigned half = span / 2;
        /* Twiddle factor i of this stage is e^(-j 2 pi i / span), pair
         * i * table_points / span of the table. */
        const unsigned stride = table_points / span;
        for (start = 0; start < n; start += span) {
            for (i = 0; i < half; ++i) {
                short *a = x + 2 * (start + i);
                short *b = a + 2 * half;
                const unsigned k = i * stride;
                const int32_t xr = b[0], xi = b[1];
                int32_t re, im;
                re = -(xr * w[2*k] + xi * w[2*k + 1]) >> 15;
                im = (xr * w[2*k + 1] - xi * w[2*k]) >> 15;
                b[0] = saturated((a[0] - re) >> 1);
                b[1] = saturated((a[1] - im) >> 1);
                a[0] = saturated((a[0] + re) >> 1);
                a[1] = saturated((a[1] + im) >> 1);
            }
        }
    }
    return 0;
}
