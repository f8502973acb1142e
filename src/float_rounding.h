#ifndef VELTABGEN_FLOAT_ROUNDING_H
#define VELTABGEN_FLOAT_ROUNDING_H

// How a value becomes an element of a floating-point table: the rules by
// which a library's own tables were made, each a text that a C compiler read
// back, or a plain conversion. Computed from the value's exact binary
// digits, not by the platform's printf, so that every platform makes the
// same tables.

#include <cstdint>

enum class float_rule {
    nearest,                  // the value's nearest float or half
    nine_decimals,            // the float of the value printed with nine decimals
    twenty_decimals_of_float, // the float of its float printed with twenty decimals
    six_decimals_of_float,    // the float of its float printed with six decimals
};

// How a report tells the rule, before the type's name: "to nine decimals,
// then to ".
const char *float_rule_name(float_rule rule);

// The value as "%.*f" prints it, with decimals decimals, its exact digits
// rounded to nearest, halves to even, then read back as the nearest double.
// decimals is at most 40; |value| below 2^63.
double decimal_rounded(double value, int decimals);

// The value made a float by rule.
float float_by_rule(double value, float_rule rule);

// The IEEE half-precision number nearest value, halves to even, as its
// bits; and the value of a half's bits.
std::uint16_t half_of(double value);
double half_value(std::uint16_t bits);

// The value made a half by rule: by nearest, the half nearest the value; by
// another rule, the half nearest the float it makes, as a float literal
// that a half is initialized from.
std::uint16_t half_by_rule(double value, float_rule rule);

#endif
