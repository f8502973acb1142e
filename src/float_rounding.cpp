#include "float_rounding.h"

#include <cmath>

#include "scan_double.h"

namespace {

// A natural number of up to 256 bits, in 32-bit limbs, the lowest first:
// room for a double's 53-bit significand times 10^40.
struct wide_number {
    std::uint32_t limbs[8];
};

void multiply(wide_number &number, std::uint32_t factor)
{
    std::uint64_t carry = 0;
    for (std::uint32_t &limb : number.limbs) {
        const std::uint64_t product = static_cast<std::uint64_t>(limb) * factor + carry;
        limb = static_cast<std::uint32_t>(product);
        carry = product >> 32;
    }
}

// The remainder; number becomes the quotient.
std::uint32_t divide(wide_number &number, std::uint32_t divisor)
{
    std::uint64_t remainder = 0;
    for (int i = 7; i >= 0; --i) {
        const std::uint64_t part = remainder << 32 | number.limbs[i];
        number.limbs[i] = static_cast<std::uint32_t>(part / divisor);
        remainder = part % divisor;
    }
    return static_cast<std::uint32_t>(remainder);
}

bool bit(const wide_number &number, int index)
{
    return index < 256 && (number.limbs[index / 32] >> (index % 32) & 1u) != 0;
}

bool is_zero(const wide_number &number)
{
    for (const std::uint32_t limb : number.limbs)
        if (limb != 0)
            return false;
    return true;
}

// The number shifted right by shift bits, rounded to nearest, halves to even.
wide_number shifted_rounded(const wide_number &number, int shift)
{
    wide_number result{};
    for (int index = shift; index < 256; ++index)
        if (bit(number, index))
            result.limbs[(index - shift) / 32] |= 1u << ((index - shift) % 32);
    bool below_half = false;
    for (int index = 0; index < shift - 1 && !below_half; ++index)
        below_half = bit(number, index);
    if (bit(number, shift - 1) && (below_half || bit(result, 0))) {
        for (std::uint32_t &limb : result.limbs)
            if (++limb != 0)
                break;
    }
    return result;
}

} // namespace

double decimal_rounded(double value, int decimals)
{
    if (value == 0.0 || !std::isfinite(value))
        return value;
    // The scaled value in double precision is off by at most half its last
    // bit: where its fraction lies further than that from a half, it rounds
    // as the exact one does, and the quotient of the integer, below 2^53, by
    // the power of ten, exact in a double up to 10^22, is rounded once, as
    // strtod rounds the text.
    if (decimals <= 22) {
        double power = 1.0;
        for (int i = 0; i < decimals; ++i)
            power *= 10.0;
        const double scaled = value * power;
        if (std::fabs(scaled) < 0x1p52) {
            const double below = std::floor(scaled);
            const double error = std::ldexp(1.0, std::ilogb(scaled) - 52);
            if (std::fabs(scaled - below - 0.5) > error) {
                const double rounded = std::nearbyint(scaled);
                return rounded == 0.0 ? std::copysign(0.0, value) : rounded / power;
            }
        }
    }
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(value), &exponent);
    // |value| = significand / 2^shift exactly.
    const auto significand = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    const int shift = 53 - exponent;
    if (shift <= 0)
        return value; // a whole number
    wide_number digits{};
    digits.limbs[0] = static_cast<std::uint32_t>(significand);
    digits.limbs[1] = static_cast<std::uint32_t>(significand >> 32);
    for (int i = 0; i < decimals; ++i)
        multiply(digits, 10);
    wide_number rounded = shifted_rounded(digits, shift);

    // The rounded number's digits, the last decimals of them after a point.
    char reversed[96];
    int count = 0;
    while (count <= decimals || !is_zero(rounded))
        reversed[count++] = static_cast<char>('0' + divide(rounded, 10));
    char text[100];
    char *out = text;
    if (value < 0)
        *out++ = '-';
    for (int i = count - 1; i >= 0; --i) {
        *out++ = reversed[i];
        if (i == decimals && decimals > 0)
            *out++ = '.';
    }
    *out = '\0';
    double result = 0.0;
    scan_double(text, result);
    return result;
}

const char *float_rule_name(float_rule rule)
{
    switch (rule) {
    case float_rule::nine_decimals:
        return "to nine decimals, then to ";
    case float_rule::twenty_decimals_of_float:
        return "to f32, twenty decimals, then to ";
    case float_rule::six_decimals_of_float:
        return "to f32, six decimals, then to ";
    case float_rule::nearest:
        break;
    }
    return "to the nearest ";
}

float float_by_rule(double value, float_rule rule)
{
    switch (rule) {
    case float_rule::nine_decimals:
        return static_cast<float>(decimal_rounded(value, 9));
    case float_rule::twenty_decimals_of_float: {
        // Twenty decimals move a float of 1e-10 or more by 5e-21 at most,
        // far less than half its last bit: it reads back as itself.
        const float single = static_cast<float>(value);
        if (std::fabs(single) >= 1e-10f)
            return single;
        return static_cast<float>(decimal_rounded(single, 20));
    }
    case float_rule::six_decimals_of_float:
        return static_cast<float>(decimal_rounded(static_cast<float>(value), 6));
    case float_rule::nearest:
        break;
    }
    return static_cast<float>(value);
}

std::uint16_t half_of(double value)
{
    const std::uint16_t sign = std::signbit(value) ? 0x8000 : 0;
    const double magnitude = std::fabs(value);
    if (std::isnan(magnitude))
        return sign | 0x7E00;
    // At or past the midpoint between the largest half, 65504, and 65536.
    if (magnitude >= 65520.0)
        return sign | 0x7C00;
    if (magnitude == 0.0)
        return sign;
    int exponent = 0;
    std::frexp(magnitude, &exponent);
    // The units of the half's last bit: 2^-24 for the subnormals, whose
    // bits are the count of them; else 2^(exponent - 11).
    const int unit = exponent < -13 ? -24 : exponent - 11;
    const auto units = static_cast<std::uint32_t>(std::nearbyint(std::ldexp(magnitude, -unit)));
    if (unit == -24)
        return static_cast<std::uint16_t>(sign | units); // 1024 units make the least normal
    // units is 1024 to 2048; 2048 carries into the exponent.
    return static_cast<std::uint16_t>(sign | (((unit + 24) << 10) + units));
}

double half_value(std::uint16_t bits)
{
    const int exponent = bits >> 10 & 0x1F;
    const int fraction = bits & 0x3FF;
    double magnitude = 0.0;
    if (exponent == 0x1F)
        magnitude = fraction == 0 ? INFINITY : NAN;
    else if (exponent == 0)
        magnitude = std::ldexp(fraction, -24);
    else
        magnitude = std::ldexp(fraction + 1024, exponent - 25);
    return (bits & 0x8000) != 0 ? -magnitude : magnitude;
}

std::uint16_t half_by_rule(double value, float_rule rule)
{
    return rule == float_rule::nearest ? half_of(value) : half_of(float_by_rule(value, rule));
}
