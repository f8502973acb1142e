#include "filter_math.h"

#include "scan_double.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

void cos_sin(double w, double &cosine, double &sine)
{
    // w less a multiple of pi/2, which is split in two so that the product
    // of the first part loses nothing for the multiples that matter here.
    constexpr double half_pi_high = 0x1.921fb54442d18p0, half_pi_low = 0x1.1a62633145c07p-54;
    const double quarter_turns = std::nearbyint(w / half_pi_high);
    const double r = (w - quarter_turns * half_pi_high) - quarter_turns * half_pi_low;
    // The Taylor series on |r| <= pi/4, to the terms below 2^-60.
    const double r2 = r * r;
    double c = 1.0, s = 1.0;
    double term_c = 1.0, term_s = 1.0;
    for (int k = 1; k <= 11; ++k) {
        term_c *= -r2 / ((2 * k - 1) * (2 * k));
        term_s *= -r2 / ((2 * k) * (2 * k + 1));
        c += term_c;
        s += term_s;
    }
    s *= r;
    const double turns = quarter_turns - 4.0 * std::floor(quarter_turns / 4.0);
    const int quadrant = static_cast<int>(turns);
    cosine = quadrant == 0 ? c : quadrant == 1 ? -s : quadrant == 2 ? -c : s;
    sine = quadrant == 0 ? s : quadrant == 1 ? c : quadrant == 2 ? -s : -c;
}

double magnitude_of(const biquad &section, double w)
{
    // z^-1 and z^-2 at w, and the squared magnitudes of the numerator and
    // the denominator.
    double c1 = 0.0, s1 = 0.0;
    cos_sin(w, c1, s1);
    const double c2 = c1 * c1 - s1 * s1, s2 = 2.0 * c1 * s1;
    const double nr = section.b0 + section.b1 * c1 + section.b2 * c2;
    const double ni = -(section.b1 * s1 + section.b2 * s2);
    const double dr = 1.0 + section.a1 * c1 + section.a2 * c2;
    const double di = -(section.a1 * s1 + section.a2 * s2);
    return std::sqrt((nr * nr + ni * ni) / (dr * dr + di * di));
}

double fir_magnitude(const double *taps, int count, double w)
{
    double c = 0.0, s = 0.0;
    cos_sin(w, c, s);
    // z^-k turns by -w a tap: its cosine and sine kept by the rotation.
    double zr = 1.0, zi = 0.0, hr = 0.0, hi = 0.0;
    for (int k = 0; k < count; ++k) {
        hr += taps[k] * zr;
        hi += taps[k] * zi;
        const double next_r = zr * c + zi * s;
        zi = zi * c - zr * s;
        zr = next_r;
    }
    return std::sqrt(hr * hr + hi * hi);
}

double pole_radius(double a1, double a2)
{
    const double discriminant = a1 * a1 - 4.0 * a2;
    if (discriminant < 0.0)
        return std::sqrt(a2); // a pair of conjugates, whose product is a2
    const double root = std::sqrt(discriminant);
    return std::max(std::fabs(-a1 + root), std::fabs(-a1 - root)) / 2.0;
}

response_peak find_peak(double (*magnitude)(const void *context, double w), const void *context,
                        const double *magnitudes)
{
    int best = 0;
    for (int i = 1; i < response_points; ++i)
        if (magnitudes[i] > magnitudes[best])
            best = i;
    // A golden-section search between the neighbours of the largest, where
    // a peak narrower than their spacing may lie.
    double low = response_frequency(std::max(best - 1, 0));
    double high = response_frequency(std::min(best + 1, response_points - 1));
    const double ratio = (std::sqrt(5.0) - 1.0) / 2.0;
    double left = high - ratio * (high - low), right = low + ratio * (high - low);
    double at_left = magnitude(context, left), at_right = magnitude(context, right);
    for (int step = 0; step < 60; ++step) {
        if (at_left > at_right) {
            high = right;
            right = left;
            at_right = at_left;
            left = high - ratio * (high - low);
            at_left = magnitude(context, left);
        } else {
            low = left;
            left = right;
            at_left = at_right;
            right = low + ratio * (high - low);
            at_right = magnitude(context, right);
        }
    }
    // A peak that the search finds no higher than the point itself, within
    // the rounding of its sums, is the point: the 0 or pi of a flat response.
    response_peak peak{magnitudes[best], response_frequency(best)};
    const double between = std::max(at_left, at_right);
    if (between > peak.magnitude * (1.0 + 1e-9))
        peak = {between, at_left > at_right ? left : right};
    return peak;
}

namespace {

// A value of the accumulator as the library takes it: shifted right, cut to
// 32 bits, and, for q15, saturated to 16.
std::int32_t from_accumulator(std::int64_t accumulator, int shift, bool q31)
{
    const auto word = static_cast<std::int32_t>(static_cast<std::uint32_t>(
        static_cast<std::uint64_t>(accumulator >> shift) & 0xFFFFFFFFu));
    if (q31)
        return word;
    return std::clamp<std::int32_t>(word, -32768, 32767);
}

} // namespace

void run_fixed_biquads(const std::int32_t *coefficients, int stages, int post_shift, bool q31,
                       const std::int32_t *in, std::int32_t *out, int samples)
{
    const int shift = (q31 ? 31 : 15) - post_shift;
    const std::int32_t *from = in;
    for (int stage = 0; stage < stages; ++stage) {
        const std::int32_t *c = coefficients + 5 * stage;
        std::int64_t x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (int n = 0; n < samples; ++n) {
            const std::int64_t x = from[n];
            const std::int64_t accumulator = c[0] * x + c[1] * x1 + c[2] * x2 + c[3] * y1 + c[4] * y2;
            const std::int32_t y = from_accumulator(accumulator, shift, q31);
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            out[n] = y;
        }
        from = out;
    }
}

void run_fixed_fir(const std::int32_t *taps, int count, bool q31, const std::int32_t *in, std::int32_t *out,
                   int first, int samples)
{
    for (int n = first; n < samples; ++n) {
        std::int64_t accumulator = 0;
        for (int k = 0; k < count && k <= n; ++k)
            accumulator += static_cast<std::int64_t>(taps[k]) * in[n - k];
        out[n] = from_accumulator(accumulator, q31 ? 31 : 15, q31);
    }
}

void run_biquads(const biquad *sections, int count, const double *in, double *out, int samples)
{
    const double *from = in;
    for (int s = 0; s < count; ++s) {
        const biquad &b = sections[s];
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (int n = 0; n < samples; ++n) {
            const double x = from[n];
            const double y = b.b0 * x + b.b1 * x1 + b.b2 * x2 - b.a1 * y1 - b.a2 * y2;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            out[n] = y;
        }
        from = out;
    }
}

void run_fir(const double *taps, int count, const double *in, double *out, int first, int samples)
{
    for (int n = first; n < samples; ++n) {
        double sum = 0.0;
        for (int k = 0; k < count && k <= n; ++k)
            sum += taps[k] * in[n - k];
        out[n] = sum;
    }
}

double test_frequency(double w)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.10f", w / (2.0 * 3.141592653589793));
    double f = 0.0;
    scan_double(text, f);
    return f;
}

void make_test_signal(double f, bool q31, int fade, int samples, std::int32_t *fixed, double *exact)
{
    const double pi = 3.141592653589793;
    const double full_scale = q31 ? 2147483648.0 : 32768.0;
    const double amplitude = 0x1.fa23a197d2819p-1; // 10^(-0.1 / 20), -0.1 dB
    for (int n = 0; n < samples; ++n) {
        double ramp = 1.0, cosine = 0.0, sine = 0.0;
        if (n < fade) {
            cos_sin(pi * n / fade, cosine, sine);
            ramp = 0.5 - 0.5 * cosine;
        }
        // The phase in turns, less the whole ones.
        const double turns = f * n - std::floor(f * n);
        cos_sin(2.0 * pi * turns, cosine, sine);
        const double value = std::floor(amplitude * ramp * cosine * full_scale + 0.5);
        fixed[n] = static_cast<std::int32_t>(value >= full_scale ? full_scale - 1.0 : value);
        exact[n] = fixed[n] / full_scale;
    }
}

double output_snr_db(const std::int32_t *fixed, const double *exact, bool q31, int first, int samples)
{
    const double full_scale = q31 ? 2147483648.0 : 32768.0;
    long double signal = 0.0L, noise = 0.0L;
    for (int n = first; n < samples; ++n) {
        long double error = fixed[n] / full_scale - exact[n];
        // An output within the rounding of the exact filter's sums is exact.
        if (std::fabs(error) < 0x1p-40L)
            error = 0.0L;
        signal += static_cast<long double>(exact[n]) * exact[n];
        noise += error * error;
    }
    if (noise == 0.0L)
        return std::numeric_limits<double>::infinity();
    return static_cast<double>(10.0L * std::log10(signal / noise));
}
