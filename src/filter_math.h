#ifndef VELTABGEN_FILTER_MATH_H
#define VELTABGEN_FILTER_MATH_H

// The arithmetic of the filter layouts: the responses of a biquad cascade
// and of an FIR, their poles and peaks, and the library's own fixed-point
// arithmetic, sample for sample, against the filter in double precision.
// Every value is computed by the same operations on every platform, with no
// function of the C library's but the square root, which IEEE arithmetic
// rounds alike everywhere: the gain that a biquad's coefficients take, and
// the reports, must not depend on a platform's cosine.

#include <cstdint>

// A second-order section with scipy's signs: y[n] = b0 x[n] + b1 x[n-1] +
// b2 x[n-2] - a1 y[n-1] - a2 y[n-2].
struct biquad {
    double b0, b1, b2, a1, a2;
};

// The cosine and sine of w, within a few units of their last bit.
void cos_sin(double w, double &cosine, double &sine);

// The magnitude of the section's response at the angular frequency w (0 to
// pi).
double magnitude_of(const biquad &section, double w);

// The magnitude of the response of an FIR of count taps, h[0] first, at w.
double fir_magnitude(const double *taps, int count, double w);

// The largest magnitude of its poles, the roots of z^2 + a1 z + a2.
double pole_radius(double a1, double a2);

// The magnitude of a response over the frequencies from 0 to pi, as
// response(context, w) gives it: its peak, and where it lies.
struct response_peak {
    double magnitude;
    double w;
};

// 10^(-3 / 20): the magnitude of half the power, at which a passband ends.
constexpr double half_power = 0x1.6a77deae8ab8ap-1;

// The frequencies at which the responses are taken, evenly from 0 to pi.
constexpr int response_points = 8193;

inline double response_frequency(int i)
{
    return 3.141592653589793 * i / (response_points - 1);
}

// The peak of a response: the largest of response_points magnitudes, then
// refined between that one's neighbours.
response_peak find_peak(double (*magnitude)(const void *context, double w), const void *context,
                        const double *magnitudes);

// The library's arithmetic of a biquad cascade, as its scalar code computes
// it (arm_biquad_cascade_df1_q15 and _q31): coefficients of each stage as it
// reads them, b0 b1 b2 a1 a2, a1 and a2 negated, scaled by 2^-post_shift;
// the samples of in and out in q15 or q31.
void run_fixed_biquads(const std::int32_t *coefficients, int stages, int post_shift, bool q31,
                       const std::int32_t *in, std::int32_t *out, int samples);

// The library's arithmetic of an FIR (arm_fir_q15 and _q31): the taps in
// time order, h[0] first; the outputs from first on.
void run_fixed_fir(const std::int32_t *taps, int count, bool q31, const std::int32_t *in, std::int32_t *out,
                   int first, int samples);

// The same filters in double precision, on values of full scale 1.
void run_biquads(const biquad *sections, int count, const double *in, double *out, int samples);
void run_fir(const double *taps, int count, const double *in, double *out, int first, int samples);

// The most samples of a test signal.
constexpr int max_test_samples = 65536;

// The frequency of a test signal, in cycles a sample, for the angular
// frequency w: with ten decimals, as a report writes it, so that the report's
// signal can be made again from it.
double test_frequency(double w);

// A cosine at -0.1 dB of full scale, of frequency f (cycles a sample),
// faded in over fade samples with half a Hann window, then steady, of
// samples in all: in fixed point, rounded to nearest, and the same as
// fractions of full scale, which the exact filter takes.
void make_test_signal(double f, bool q31, int fade, int samples, std::int32_t *fixed, double *exact);

// The signal-to-noise ratio, in dB, of the fixed-point output against the
// exact one, over the samples from first on: infinite where they are equal.
double output_snr_db(const std::int32_t *fixed, const double *exact, bool q31, int first, int samples);

#endif
