// What a table costs an FFT, as --stats reports it, against a computation
// by brute force: the FFT of every unit impulse, once with the table's
// twiddle factors and once with exact ones.

#include "fft_reference.h"
#include "table_stats.h"
#include "twiddle_fixtures.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using complex = std::complex<double>;

// The SNR of the FFT with the table's twiddle factors, each the entry pair
// (-w[2k], w[2k+1]) divided by the power of two at or above the scale,
// against the exact FFT, over every unit impulse: white input.
double snr_by_brute_force(const std::vector<std::int16_t> &table, double scale)
{
    const std::size_t n = table.size();
    double unit = 1.0;
    while (unit < scale)
        unit *= 2.0;
    while (unit / 2.0 >= scale)
        unit /= 2.0;
    const std::vector<complex> exact = exact_twiddles(n);
    std::vector<complex> tabled(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k)
        tabled[k] = complex(-table[2 * k], table[2 * k + 1]) / unit;
    double error = 0.0;
    for (std::size_t impulse = 0; impulse < n; ++impulse) {
        std::vector<complex> want(n);
        want[impulse] = 1.0;
        std::vector<complex> got = want;
        radix2_fft(want, exact);
        radix2_fft(got, tabled);
        for (std::size_t k = 0; k < n; ++k)
            error += std::norm(got[k] - want[k]);
    }
    // Every output of an impulse's transform has magnitude 1.
    return -10.0 * std::log10(error / static_cast<double>(n * n));
}

std::string printed(double db)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", db);
    return text;
}

TEST(FftSnr, AgreesWithTheFftOfEveryImpulse)
{
    for (const std::int32_t n : {16, 64, 256}) {
        for (const rounding_rule rule : {rounding_rule::toward_zero, rounding_rule::nearest}) {
            for (const double scale : {default_scale, 32767.0, 32768.0, 1000.0}) {
                SCOPED_TRACE("N " + std::to_string(n) + ", scale " + std::to_string(scale) +
                             (rule == rounding_rule::nearest ? ", nearest" : ", zero"));
                const std::vector<std::int16_t> table = table_for(n, scale, rule);
                const double reported = fft_snr_db(table.data(), n, scale);
                const double brute = snr_by_brute_force(table, scale);
                EXPECT_NEAR(reported, brute, 0.005);
                EXPECT_EQ(printed(reported), printed(brute));
            }
        }
    }
}

// The figures of a 1024-point FFT that the accuracy of a table was first
// measured by: the unity twiddle factors 1 LSB short at the default scale
// cost the most, and the table scaled by 32768 and rounded is the best.
TEST(FftSnr, FiguresOfA1024PointFft)
{
    const struct {
        double scale;
        rounding_rule rule;
        const char *db;
    } cases[] = {
        {default_scale, rounding_rule::toward_zero, "75.4"},
        {default_scale, rounding_rule::nearest, "84.2"},
        {32767.0, rounding_rule::nearest, "76.0"},
        {32768.0, rounding_rule::nearest, "93.3"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(printed(fft_snr_db(table_for(1024, c.scale, c.rule).data(), 1024, c.scale)), c.db)
            << "scale " << c.scale;
}

} // namespace
