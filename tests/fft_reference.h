#ifndef VELTABGEN_TESTS_FFT_REFERENCE_H
#define VELTABGEN_TESTS_FFT_REFERENCE_H

// What the tests and the benchmarks measure an FFT against: the DFT in
// double precision, by a radix-2 FFT of its own with exact twiddle factors.

#include <complex>
#include <cstddef>
#include <cstdint>
#include <vector>

// An n-point radix-2 FFT, decimation in time, in place, in double precision,
// with twiddle factor k of n / 2 at twiddles[k]: with exact_twiddles(n), the
// DFT of x.
void radix2_fft(std::vector<std::complex<double>> &x,
                const std::vector<std::complex<double>> &twiddles);
std::vector<std::complex<double>> exact_twiddles(std::size_t n);

// n complex values as interleaved 16-bit pairs, real and imaginary parts
// uniform over -23170 ... 23170, so that every magnitude is below 32767.
std::vector<short> random_q15_input(std::size_t n, std::uint32_t seed);

// The SNR of output, an FFT of input that divides by n, both interleaved
// 16-bit pairs, against the exact DFT of input divided by n.
double q15_output_snr_db(const std::vector<short> &input, const std::vector<short> &output);

#endif
