// The scale is read as the GNU C library's "%lf" reads it, correctly rounded
// on every platform. On glibc, whose reading is correctly rounded, the two are
// compared directly; the end-to-end tests carry the cases where rounding
// decides over to the Windows build.

#include "scan_double.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

#ifdef __GLIBC__

// Fails with the text when scan_double and sscanf disagree on whether it
// holds a number, or on its value (NaNs by their sign alone).
void expect_as_sscanf(const std::string &text)
{
    double expected = 0.0;
    double value = 0.0;
    const bool found = std::sscanf(text.c_str(), "%lf", &expected) == 1;
    ASSERT_EQ(scan_double(text.c_str(), value), found) << "[" << text << "]";
    if (!found)
        return;
    if (std::isnan(expected)) {
        ASSERT_TRUE(std::isnan(value)) << "[" << text << "]";
        ASSERT_EQ(std::signbit(value), std::signbit(expected)) << "[" << text << "]";
    } else {
        ASSERT_EQ(std::memcmp(&value, &expected, sizeof value), 0)
            << "[" << text << "] read as " << value << ", not " << expected;
    }
}

TEST(ScanDouble, AgreesWithSscanfOnEveryShortText)
{
    const std::string alphabet = "019xX.eEpP+- intfyaAg";
    std::vector<std::size_t> digits;
    for (std::size_t length = 0; length <= 4; ++length) {
        digits.assign(length, 0);
        for (;;) {
            std::string text;
            for (std::size_t digit : digits)
                text += alphabet[digit];
            expect_as_sscanf(text);
            if (HasFatalFailure())
                return;
            std::size_t k = 0;
            while (k < length && ++digits[k] == alphabet.size())
                digits[k++] = 0;
            if (k == length)
                break;
        }
    }
}

// Longer texts, pieced together from parts that matter to the reading: many
// digits, both kinds of exponent, the limits of a double's range, and the
// words scanf knows.
TEST(ScanDouble, AgreesWithSscanfOnLongTexts)
{
    const char *const parts[] = {
        "0x", "0X", "1", "9", "ffff", "F", ".", "e", "E", "p", "P", "-", "+", " ", "\t",
        "inf", "infinity", "nan", "nAn", "999999999999999999999", "00000000000000000000",
        "e400", "e-400", "p-1080", "p1023", "1e308", "e-324", "2.4703282292062327",
        "16383.99999999999909050529822707176208496", "3fff.ffffffffff", "x", "5"};
    std::mt19937 random(20261210);
    std::uniform_int_distribution<std::size_t> part(0, std::size(parts) - 1);
    std::uniform_int_distribution<int> count(1, 8);
    for (int round = 0; round < 200000; ++round) {
        std::string text;
        for (int i = count(random); i > 0; --i)
            text += parts[part(random)];
        expect_as_sscanf(text);
        if (HasFatalFailure())
            return;
    }
}

#endif

struct rounding_case {
    const char *text;
    double expected;
};

// Texts at and either side of the midpoint between two neighbouring doubles,
// where only a correctly rounded reading gets the last bit right; the same
// texts run end to end, on Windows too.
TEST(ScanDouble, RoundsCorrectlyAtMidpoints)
{
    const rounding_case cases[] = {
        // 16384 - 2^-40, halfway between 16384 - 2^-39 and 16384.
        {"16383.9999999999990905", 0x1.fffffffffffffp+13},
        {"16383.99999999999909050529822707176208496", 0x1.fffffffffffffp+13},
        {"16383.9999999999990905052982270717620849609375", 0x1p+14},
        {"16383.99999999999909050529822707176208497", 0x1p+14},
        {"0x3fff.fffffffffeffffffp0", 0x1.fffffffffffffp+13},
        {"0x3fff.ffffffffffp0", 0x1p+14},
        // Halfway between 1 and the next double up: even rounds down.
        {"1.00000000000000011102230246251565404236316680908203125", 1.0},
        {"1.00000000000000011102230246251565404236316680908203126", 0x1.0000000000001p+0},
        {"-0x1.00000000000008p0", -1.0},
        {"-0x1.000000000000081p0", -0x1.0000000000001p+0},
    };
    for (const auto &c : cases) {
        double value = 0.0;
        ASSERT_TRUE(scan_double(c.text, value)) << c.text;
        EXPECT_EQ(value, c.expected) << c.text;
    }
}

} // namespace
