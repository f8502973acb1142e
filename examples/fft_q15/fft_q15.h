/* fft_q15: an in-place complex radix-2 FFT of 16-bit fixed-point data, with
 * its twiddle factors read from a table that veltabgen writes.
 *
 * What it computes: the n-point DFT of x divided by n,
 *
 *     X[m] = (1/n) * sum over i of x[i] * e^(-j 2 pi m i / n),
 *
 * in place, in natural order, for n a power of two from 16 to 32768. x holds
 * n complex values as interleaved pairs: x[2*i] is the real part of value i,
 * x[2*i + 1] its imaginary part.
 *
 * Scaling: every stage halves its results, so that the output is the DFT
 * divided by n, for any input whose values have a magnitude of at most 32767
 * (real and imaginary parts within +-23170, say). Each halving and each
 * product drops its low bits, toward minus infinity. At the very edge of that
 * range the rounding of the products can carry a result one unit past 16
 * bits; it then saturates at -32768 or 32767, never wraps.
 *
 * The table: w is an array that veltabgen writes for table_points points:
 * pair k, w[2*k] and w[2*k + 1], is the twiddle factor
 * e^(-j 2 pi k / table_points) as (-real, imaginary), times the table's
 * scale, which the FFT takes as 32768: the default, 32767.5, or the best
 * table, --scale=32768 --round=nearest. The FFT reads it at the stride
 * table_points / n, so that one table serves every size up to its own:
 *
 *     fft_q15(x, 256, twiddle_1024, 1024);
 *
 * Returns 0; or -1, leaving x as it was, where n or table_points is not a
 * power of two, n is below 2 or table_points below n. A product of a value
 * and a twiddle factor is formed in 32 bits and shifted right by 15, as
 * veltabgen's README gives it.
 *
 * Licence: MIT, as the rest of veltabgen; copy it freely. */
#ifndef FFT_Q15_H
#define FFT_Q15_H

#ifdef __cplusplus
extern "C" {
#endif

int fft_q15(short *x, unsigned n, const short *w, unsigned table_points);

#ifdef __cplusplus
}
#endif

#endif
