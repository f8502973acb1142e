#include "twiddle_fixtures.h"
#include "twiddle_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace {

struct conversion_case {
    double input;
    std::int16_t expected;
};

TEST(ToShortSaturated, TruncatesTowardZeroAndSaturates)
{
    const double infinity = std::numeric_limits<double>::infinity();
    const conversion_case cases[] = {
        {0.0, 0},           {-0.0, 0},           {-0.4, 0},           {0.999, 0},
        {2.9, 2},           {-2.9, -2},          {1.0, 1},            {-1.0, -1},
        {32766.99, 32766},  {32767.0, 32767},    {32767.5, 32767},    {1e9, 32767},
        {infinity, 32767},  {-32767.5, -32767},  {-32767.99, -32767}, {-32768.0, -32768},
        {-32768.5, -32768}, {-1e9, -32768},      {-infinity, -32768}, {12345.678, 12345},
    };
    for (const auto &c : cases)
        EXPECT_EQ(to_short_saturated(c.input), c.expected) << "input " << c.input;
}

// Each rule, in 16 and 32 bits: the integer, and whether saturation changed
// it.
TEST(ToFixed, RoundsByEachRuleAndSaturates)
{
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        double input;
        rounding_rule rule;
        int bits;
        std::int32_t expected;
        bool saturated;
    } cases[] = {
        {0.0, rounding_rule::nearest, 16, 0, false},
        {-0.0, rounding_rule::nearest, 16, 0, false},
        {-0.4, rounding_rule::nearest, 16, 0, false},
        {0.4999, rounding_rule::nearest, 16, 0, false},
        {0.5, rounding_rule::nearest, 16, 1, false},
        {-0.5, rounding_rule::nearest, 16, -1, false},
        {2.5, rounding_rule::nearest, 16, 3, false},
        {-2.5, rounding_rule::nearest, 16, -3, false},
        {-2.9, rounding_rule::nearest, 16, -3, false},
        {32766.5, rounding_rule::nearest, 16, 32767, false},
        {32767.5, rounding_rule::nearest, 16, 32767, true},
        {infinity, rounding_rule::nearest, 16, 32767, true},
        {-32767.5, rounding_rule::nearest, 16, -32768, false},
        {-32768.5, rounding_rule::nearest, 16, -32768, true},
        {-infinity, rounding_rule::nearest, 16, -32768, true},
        {2.9, rounding_rule::toward_zero, 16, 2, false},
        {-2.9, rounding_rule::toward_zero, 16, -2, false},
        {32767.9, rounding_rule::toward_zero, 16, 32767, false},
        {-32768.9, rounding_rule::toward_zero, 16, -32768, false},
        {2.9, rounding_rule::down, 16, 2, false},
        {-2.1, rounding_rule::down, 16, -3, false},
        {-0.0, rounding_rule::down, 16, 0, false},
        {-1e-300, rounding_rule::down, 16, -1, false},
        {32768.0, rounding_rule::down, 16, 32767, true},
        {-32768.0, rounding_rule::down, 16, -32768, false},
        {-32768.1, rounding_rule::down, 16, -32768, true},
        {2147483647.9, rounding_rule::down, 32, 2147483647, false},
        {2147483648.0, rounding_rule::down, 32, 2147483647, true},
        {-2147483648.0, rounding_rule::down, 32, -2147483647 - 1, false},
        {-2147483647.5, rounding_rule::nearest, 32, -2147483647 - 1, false},
        {1073741823.5, rounding_rule::nearest, 32, 1073741824, false},
        // Halves to even, as numpy rounds.
        {2.5, rounding_rule::nearest_even, 16, 2, false},
        {3.5, rounding_rule::nearest_even, 16, 4, false},
        {-2.5, rounding_rule::nearest_even, 16, -2, false},
        {-2.51, rounding_rule::nearest_even, 16, -3, false},
        {32766.5, rounding_rule::nearest_even, 16, 32766, false},
        {32767.5, rounding_rule::nearest_even, 32, 32768, false},
        // Down after adding 0.05: CMSIS-DSP's q31 twiddle factors, the
        // scaled values of those a twentieth below an integer moved up to it.
        {10.95, rounding_rule::down_after_a_twentieth, 32, 11, false},
        {10.94, rounding_rule::down_after_a_twentieth, 32, 10, false},
        {0.0, rounding_rule::down_after_a_twentieth, 32, 0, false},
        {-0.04, rounding_rule::down_after_a_twentieth, 32, 0, false},
        {-0.06, rounding_rule::down_after_a_twentieth, 32, -1, false},
        {-3.04, rounding_rule::down_after_a_twentieth, 32, -3, false},
        {-3.06, rounding_rule::down_after_a_twentieth, 32, -4, false},
        {1518500249.9877, rounding_rule::down_after_a_twentieth, 32, 1518500250, false},
        {2147483647.96, rounding_rule::down_after_a_twentieth, 32, 2147483647, true},
        {2147483647.94, rounding_rule::down_after_a_twentieth, 32, 2147483647, false},
        {-2147483648.0, rounding_rule::down_after_a_twentieth, 32, -2147483647 - 1, false},
    };
    for (const auto &c : cases) {
        bool saturated = !c.saturated;
        EXPECT_EQ(to_fixed(c.input, c.rule, c.bits, saturated), c.expected)
            << "input " << c.input << ", " << c.bits << " bits";
        EXPECT_EQ(saturated, c.saturated) << "input " << c.input << ", " << c.bits << " bits";
    }
}

// The scaled entries as the table computes them, before their conversion:
// the angle accumulated in steps of 2 pi / n.
std::vector<double> scaled_entries(std::int32_t n, double scale)
{
    std::vector<double> entries;
    double angle = 0.0;
    for (std::int32_t k = 0; k < n / 2; ++k, angle += 6.283185307179586 / n) {
        entries.push_back(-scale * std::cos(angle));
        entries.push_back(-scale * std::sin(angle));
    }
    return entries;
}

// Rounding to nearest against a rounding of the test's own, on tables where
// entries land exactly on a half (scales 0.5 and 2.5), start at the default
// scale's full-scale -32767.5, and saturate (32767.6).
TEST(MakeTwiddleTable, NearestRoundingMatchesAnIndependentRounding)
{
    for (const std::int32_t n : {16, 256, 1024, 32768}) {
        for (const double scale : {default_scale, 0.5, 2.5, 1.0, 1000.25, 32767.6}) {
            std::vector<std::int16_t> expected;
            for (const double x : scaled_entries(n, scale)) {
                const double away = x < 0 ? -std::floor(-x + 0.5) : std::floor(x + 0.5);
                expected.push_back(static_cast<std::int16_t>(std::clamp(away, -32768.0, 32767.0)));
            }
            ASSERT_EQ(table_for(n, scale, rounding_rule::nearest), expected)
                << "N " << n << ", scale " << scale;
        }
    }
    EXPECT_EQ(table_for(16, default_scale, rounding_rule::nearest)[0], -32768);
    EXPECT_EQ(table_for(16, 0.5, rounding_rule::nearest)[0], -1);
    EXPECT_EQ(table_for(16, 2.5, rounding_rule::nearest)[0], -3);
    EXPECT_EQ(table_for(32768, 32767.6, rounding_rule::nearest).end()[-2], 32767);
    EXPECT_EQ(table_for(1024, default_scale, rounding_rule::toward_zero),
              table_for(1024, default_scale));
    // A scale of 32767 keeps every rounded entry within +-32767, for a
    // routine that negates its twiddles.
    for (const std::int32_t n : valid_sizes) {
        const std::vector<std::int16_t> table = table_for(n, 32767.0, rounding_rule::nearest);
        EXPECT_EQ(*std::min_element(table.begin(), table.end()), -32767) << "N " << n;
    }
}

// The entries that saturation changed: those whose truncated or rounded
// value lies beyond the 16-bit limits. None at the default scale, whichever
// the rule: truncation saturates only from 32768 up, rounding from 32767.5.
// At 32768, rounding saturates the last cosine terms of the larger tables;
// just past 32767.5, only the very last one of the largest.
TEST(CountSaturated, CountsTheEntriesThatSaturationChanged)
{
    for (const rounding_rule rule : {rounding_rule::toward_zero, rounding_rule::nearest}) {
        for (const std::int32_t n : valid_sizes) {
            for (const double scale : {default_scale, 32767.6, 32768.0, 1000.0, 32767.501}) {
                std::int32_t expected = 0;
                for (const double x : scaled_entries(n, scale)) {
                    const double integer =
                        rule == rounding_rule::nearest ? (x < 0 ? -std::floor(-x + 0.5) : std::floor(x + 0.5))
                                                       : (x < 0 ? std::ceil(x) : std::floor(x));
                    expected += integer > 32767.0 || integer < -32768.0 ? 1 : 0;
                }
                EXPECT_EQ(count_saturated(n, scale, rule), expected)
                    << "N " << n << ", scale " << scale << ", rule " << static_cast<int>(rule);
            }
            EXPECT_EQ(count_saturated(n, default_scale, rule), 0) << "N " << n;
            EXPECT_EQ(count_saturated(n, 32768.0, rounding_rule::toward_zero), 0) << "N " << n;
        }
    }
    EXPECT_EQ(count_saturated(1024, 32768.0, rounding_rule::nearest), 0);
    EXPECT_GT(count_saturated(32768, 32768.0, rounding_rule::nearest), 1);
    EXPECT_EQ(count_saturated(32768, 32767.501, rounding_rule::nearest), 1);
    EXPECT_EQ(count_saturated(16384, 32767.501, rounding_rule::nearest), 0);
}

TEST(MakeTwiddleTable, SixteenPointsAtTheDefaultScale)
{
    const std::vector<std::int16_t> expected = {-32767, 0,      -30273, -12539, -23170, -23170,
                                                -12539, -30273, 0,      -32767, 12539,  -30273,
                                                23170,  -23170, 30273,  -12539};
    EXPECT_EQ(table_for(16, default_scale), expected);
}

TEST(MakeTwiddleTable, WritesExactlyNEntriesAndReturnsN)
{
    constexpr std::int16_t guard = 0x5A5A;
    for (std::int32_t n : valid_sizes) {
        std::vector<std::int16_t> table(static_cast<std::size_t>(n) + 1, guard);
        EXPECT_EQ(make_twiddle_table(table.data(), n, default_scale), n);
        EXPECT_EQ(table[static_cast<std::size_t>(n)], guard) << "N " << n;
        EXPECT_EQ(table[0], -32767) << "N " << n;
    }
}

TEST(MakeTwiddleTable, UnitScaleLeavesOnlyTheFullScaleTerms)
{
    for (std::int32_t n : valid_sizes) {
        const std::vector<std::int16_t> table = table_for(n, 1.0);
        const std::size_t quarter_sine = static_cast<std::size_t>(n / 2 + 1);
        for (std::size_t i = 0; i < table.size(); ++i) {
            const std::int16_t expected = (i == 0 || i == quarter_sine) ? -1 : 0;
            ASSERT_EQ(table[i], expected) << "N " << n << ", entry " << i;
        }
    }
}

TEST(MakeTwiddleTable, HalfUnitScaleGivesAllZeros)
{
    for (std::int32_t n : valid_sizes) {
        const std::vector<std::int16_t> table = table_for(n, 0.5);
        EXPECT_EQ(table, std::vector<std::int16_t>(table.size(), 0)) << "N " << n;
    }
}

TEST(MakeTwiddleTable, QuarterPointCosineTruncatesToZero)
{
    for (std::int32_t n : valid_sizes) {
        const std::vector<std::int16_t> table = table_for(n, default_scale);
        EXPECT_EQ(table[static_cast<std::size_t>(n / 2)], 0) << "N " << n;
        EXPECT_EQ(table[static_cast<std::size_t>(n / 2 + 1)], -32767) << "N " << n;
    }
}

TEST(MakeTwiddleTable, LastPairOfTheLargestTable)
{
    const std::vector<std::int16_t> table = table_for(32768, default_scale);
    EXPECT_EQ(table[32766], 32767);
    EXPECT_EQ(table[32767], -6);
}

TEST(MakeTwiddleTable, NoDefaultScaleEntryReachesTheNegativeLimit)
{
    for (std::int32_t n : valid_sizes)
        for (std::int16_t entry : table_for(n, default_scale))
            ASSERT_GT(entry, -32768) << "N " << n;
}

// Checks every entry against the angle k * 2 * pi / n computed directly in
// extended precision. Entries whose exact value lies within a millionth of an
// integer are left out: there the accumulated angle may legitimately fall on
// either side of the truncation boundary.
TEST(MakeTwiddleTable, AgreesWithAnExtendedPrecisionReference)
{
    const long double pi = 3.141592653589793238462643383279502884L;
    const double scales[] = {default_scale, 32767.6, 30000.0, 16384.0, 1000.25, 1.0};
    for (std::int32_t n : valid_sizes) {
        for (double scale : scales) {
            const std::vector<std::int16_t> table = table_for(n, scale);
            for (std::int32_t k = 0; k < n / 2; ++k) {
                const long double angle = 2.0L * pi * k / n;
                const long double exact[2] = {-scale * std::cos(angle), -scale * std::sin(angle)};
                for (int part = 0; part < 2; ++part) {
                    const long double value = exact[part];
                    if (std::fabs(value - std::round(value)) < 1e-6L)
                        continue;
                    const long double expected =
                        std::fmax(-32768.0L, std::fmin(32767.0L, std::trunc(value)));
                    ASSERT_EQ(table[static_cast<std::size_t>(2 * k + part)],
                              static_cast<std::int16_t>(expected))
                        << "N " << n << ", scale " << scale << ", pair " << k << ", part " << part;
                }
            }
        }
    }
}

} // namespace
