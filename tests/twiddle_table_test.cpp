#include "twiddle_fixtures.h"
#include "twiddle_table.h"

#include <gtest/gtest.h>

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
