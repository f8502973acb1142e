// The floats and halves of the tables, against independent references: the
// C library's printf, which prints a double's exact digits on this host, and
// the halves' own values and midpoints.

#include "float_rounding.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

namespace {

// The value as glibc prints it with decimals decimals, read back.
double printed(double value, int decimals)
{
    char text[400];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return std::strtod(text, nullptr);
}

bool same_bits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(DecimalRounded, AgreesWithPrintfOnValuesOfEveryScale)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    for (int i = 0; i < 20000; ++i) {
        // Values of the tables' own scale, and far smaller ones, whose digits
        // run long.
        const double value = std::ldexp(unit(random), -static_cast<int>(random() % 60));
        for (const int decimals : {6, 9, 20}) {
            SCOPED_TRACE(decimals);
            ASSERT_TRUE(same_bits(decimal_rounded(value, decimals), printed(value, decimals))) << value;
        }
    }
}

TEST(DecimalRounded, TiesGoToTheEvenDigitAndTheSignStays)
{
    struct tie {
        double value;
        int decimals;
        double rounded;
    };
    // 1/128 and 3/128 are exactly 0.0078125 and 0.0234375; 2^-30's ninth
    // decimal is followed by more digits, and so rounds up.
    for (const tie &t : {tie{0.0078125, 6, 0.007812}, tie{0.0234375, 6, 0.023438}, tie{-0.0078125, 6, -0.007812},
                         tie{0.5, 0, 0.0}, tie{1.5, 0, 2.0}, tie{std::ldexp(1.0, -30), 9, 1e-9},
                         tie{1e-12, 6, 0.0}, tie{123456.0, 3, 123456.0}}) {
        SCOPED_TRACE(t.value);
        EXPECT_TRUE(same_bits(decimal_rounded(t.value, t.decimals), t.rounded)) << decimal_rounded(t.value, t.decimals);
    }
    // A negative value that prints as "-0.000000" reads back as -0.0.
    EXPECT_TRUE(same_bits(decimal_rounded(-1e-12, 6), -0.0));
    EXPECT_TRUE(same_bits(decimal_rounded(-0.0, 9), -0.0));
}

TEST(HalfOf, EveryHalfIsItsOwnAndMidpointsGoToTheEvenOne)
{
    for (unsigned bits = 0; bits < 0x7C00; ++bits) {
        const auto half = static_cast<std::uint16_t>(bits);
        const double value = half_value(half);
        ASSERT_EQ(half_of(value), half) << value;
        ASSERT_EQ(half_of(-value), half | 0x8000) << value;
        if (bits + 1 == 0x7C00)
            break;
        // The midpoint to the next half, and either side of it.
        const double next = half_value(static_cast<std::uint16_t>(bits + 1));
        const double midpoint = (value + next) / 2;
        ASSERT_EQ(half_of(midpoint), bits % 2 == 0 ? half : bits + 1) << midpoint;
        ASSERT_EQ(half_of(std::nextafter(midpoint, 0.0)), half) << midpoint;
        ASSERT_EQ(half_of(std::nextafter(midpoint, 1e9)), bits + 1) << midpoint;
    }
    // The largest half, 65504; from the midpoint to 65536 on, infinity.
    EXPECT_EQ(half_of(65519.99), 0x7BFF);
    EXPECT_EQ(half_of(65520.0), 0x7C00);
    EXPECT_EQ(half_of(-1e9), 0xFC00);
    // Below half the least subnormal, 2^-25, zero; above it, the subnormal.
    EXPECT_EQ(half_of(std::ldexp(1.0, -25)), 0);
    EXPECT_EQ(half_of(std::ldexp(1.5, -25)), 1);
}

TEST(FloatByRule, EachRuleIsItsTextReadAsACompilerReadsIt)
{
    // cos(2 pi / 16) prints as 0.923879533 with nine decimals; cos(pi / 2),
    // 6.1e-17 in double precision, as 0.000000000, whose float is not the
    // double's own float.
    const double value = std::cos(2 * 3.141592653589793 / 16);
    EXPECT_EQ(float_by_rule(value, float_rule::nine_decimals), std::strtof("0.923879533", nullptr));
    const double quarter = std::cos(3.141592653589793 / 2);
    EXPECT_EQ(float_by_rule(quarter, float_rule::nine_decimals), 0.0f);
    EXPECT_EQ(float_by_rule(quarter, float_rule::nearest), static_cast<float>(quarter));
    EXPECT_NE(float_by_rule(quarter, float_rule::nearest), 0.0f);
    // Six decimals of the float; twenty decimals of the float make a tiny
    // value coarse.
    EXPECT_EQ(float_by_rule(0.31622776601683794, float_rule::six_decimals_of_float), std::strtof("0.316228", nullptr));
    EXPECT_EQ(float_by_rule(6.123233995736766e-17, float_rule::twenty_decimals_of_float),
              std::strtof("0.00000000000000006123", nullptr));
    // A half of such a rule is the half of the float.
    EXPECT_EQ(half_by_rule(value, float_rule::nine_decimals), half_of(std::strtof("0.923879533", nullptr)));
}

} // namespace
