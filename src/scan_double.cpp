#include "scan_double.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <system_error>

namespace {

bool is_space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

char to_lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool is_hex_digit(char c)
{
    return is_digit(c) || (to_lower(c) >= 'a' && to_lower(c) <= 'f');
}

bool starts_with_word(const char *text, const char *lower_case_word)
{
    for (; *lower_case_word != '\0'; ++text, ++lower_case_word)
        if (to_lower(*text) != *lower_case_word)
            return false;
    return true;
}

// Reads an unsigned finite number (text follows any sign). scanf first
// collects the longest run of characters that can continue a number, which
// may end in a bare exponent mark or sign ("1e+"), and then converts the
// longest number at the start of that run ("1"); the value is read here from
// the same run, by from_chars.
bool scan_finite(const char *text, double &value)
{
    const bool hex = text[0] == '0' && to_lower(text[1]) == 'x';
    const char exponent_mark = hex ? 'p' : 'e';
    const char *const digits = hex ? text + 2 : text;

    // In a hexadecimal number the "0" of "0x" does not count as a digit
    // before an exponent ("0xp1" is no number).
    bool got_digit = false;
    bool got_point = false;
    bool got_exponent = false;
    const char *end = digits;
    for (;; ++end) {
        const char c = *end;
        if (is_digit(c) || (hex && !got_exponent && is_hex_digit(c))) {
            got_digit = true;
        } else if (got_exponent && to_lower(end[-1]) == exponent_mark && (c == '+' || c == '-')) {
        } else if (got_digit && !got_exponent && to_lower(c) == exponent_mark) {
            got_exponent = true;
            got_point = true;
        } else if (!got_point && c == '.') {
            got_point = true;
        } else {
            break;
        }
    }
    if (hex && end == digits)
        return false; // "0x" alone

#ifdef __EMSCRIPTEN__
    // This platform's C++ library has no from_chars for a double. Its strtod
    // rounds correctly, and reads from the run the same number and value;
    // but it must be given one, that begins with a digit or a point, or it
    // would skip spaces and take a second sign where scanf has taken its own.
    if (end == digits)
        return false;
    char *number_end = nullptr;
    value = std::strtod(text, &number_end);
    return number_end != text;
#else
    const std::from_chars_result read = std::from_chars(
        digits, end, value, hex ? std::chars_format::hex : std::chars_format::general);
    if (read.ec == std::errc::invalid_argument) {
        // Only a point and no digit after "0x": the number is the leading 0.
        if (!hex)
            return false;
        value = 0.0;
    } else if (read.ec == std::errc::result_out_of_range) {
        // from_chars leaves the value alone where scanf overflows to infinity
        // or underflows to zero; strtod says which, and agrees everywhere on
        // that much.
        value = std::fabs(std::strtod(text, nullptr)) >= 1.0
                    ? std::numeric_limits<double>::infinity()
                    : 0.0;
    }
    return true;
#endif
}

} // namespace

bool scan_double(const char *text, double &value)
{
    while (is_space(*text))
        ++text;
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;

    double magnitude = 0.0;
    if (to_lower(*text) == 'n') {
        // scanf reads no "(...)" after nan.
        if (!starts_with_word(text, "nan"))
            return false;
        magnitude = std::numeric_limits<double>::quiet_NaN();
    } else if (to_lower(*text) == 'i') {
        // Once past "inf", an "i" commits scanf to "infinity": it cannot give
        // back the characters of a partial one.
        if (!starts_with_word(text, "inf") ||
            (to_lower(text[3]) == 'i' && !starts_with_word(text, "infinity")))
            return false;
        magnitude = std::numeric_limits<double>::infinity();
    } else if (!scan_finite(text, magnitude)) {
        return false;
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

void write_decimal(double value, char *out)
{
    for (int decimals = 0;; ++decimals) {
        std::snprintf(out, max_decimal_text, "%.*f", decimals, value);
        double read = 0.0;
        // The smallest double's 324 decimals always read back.
        if (decimals >= 324 || (scan_double(out, read) && read == value))
            return;
    }
}
