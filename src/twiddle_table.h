#ifndef VELTABGEN_TWIDDLE_TABLE_H
#define VELTABGEN_TWIDDLE_TABLE_H

#include <cmath>
#include <cstdint>

// How an entry, once scaled, becomes an integer: each saturates at the
// limits of the integer's type.
enum class rounding_rule {
    toward_zero,  // truncated: the radix-2 table's own rule
    nearest,      // to the nearest integer, halves away from zero
    down,         // toward minus infinity
    nearest_even, // to the nearest integer, halves to the even one
    down_after_a_twentieth, // down, once 0.05 is added: CMSIS-DSP's q31 twiddle factors
};

// Fills table[0] ... table[n - 1] with the n / 2 twiddle factors of an n-point
// radix-2 FFT: pair k holds -scale * cos(a) and -scale * sin(a) for the angle
// a = k * 2 * pi / n, each converted by to_short_saturated, or by rule. n
// must be even and positive. Returns n, the number of entries written.
std::int32_t make_twiddle_table(std::int16_t *table, std::int32_t n, double scale);
std::int32_t make_twiddle_table(std::int16_t *table, std::int32_t n, double scale,
                                rounding_rule rule);

// Truncates x toward zero, saturating at the limits of a signed 16-bit integer.
// x must not be NaN.
std::int16_t to_short_saturated(double x);

// x made an integer by rule and saturated at -2^(bits - 1) and
// 2^(bits - 1) - 1, where bits is 16 or 32; saturated is set where that
// changed it. x must not be NaN.
inline std::int32_t to_fixed(double x, rounding_rule rule, int bits, bool &saturated)
{
    const std::int64_t largest = bits == 32 ? 2147483647 : 32767;
    std::int64_t integer = x > 0 ? largest + 1 : -largest - 2; // beyond either limit
    // In double precision, whatever the platform's long double: the
    // addition rounds as the library's own tables were made.
    if (rule == rounding_rule::down_after_a_twentieth)
        x += 0.05;
    if (std::fabs(x) < 0x1p62) {
        // Truncated, then moved by the fraction it dropped, which is exact.
        integer = static_cast<std::int64_t>(x);
        const double fraction = x - static_cast<double>(integer);
        switch (rule) {
        case rounding_rule::nearest:
            integer += fraction >= 0.5 ? 1 : fraction <= -0.5 ? -1 : 0;
            break;
        case rounding_rule::nearest_even:
            integer += fraction > 0.5 || (fraction == 0.5 && integer % 2 != 0)     ? 1
                       : fraction < -0.5 || (fraction == -0.5 && integer % 2 != 0) ? -1
                                                                                    : 0;
            break;
        case rounding_rule::down:
        case rounding_rule::down_after_a_twentieth:
            integer -= fraction < 0 ? 1 : 0;
            break;
        case rounding_rule::toward_zero:
            break;
        }
    }
    saturated = integer > largest || integer < -largest - 1;
    if (saturated)
        integer = integer > 0 ? largest : -largest - 1;
    return static_cast<std::int32_t>(integer);
}

// How many of the n entries saturation changed: those whose value, as
// make_twiddle_table computes it and truncates or rounds it by rule, lies
// above 32767 or below -32768.
std::int32_t count_saturated(std::int32_t n, double scale, rounding_rule rule);

#endif
