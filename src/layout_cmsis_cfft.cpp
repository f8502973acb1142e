// The tables of CMSIS-DSP's fixed-point complex FFT, arm_cfft_q15 and
// arm_cfft_q31, for exactly one size: the twiddle factors, 3N/4 pairs
// (cos, +sin) of the angles 2 pi i / N; the bit reversal, index pairs
// (8k, 8 rev(k)) for each k below its reversal rev(k); and a constant
// arm_cfft_instance that points at both, so that arm_cfft_q15(&IDENT, ...)
// needs no init call and no table of the library's. By default the twiddle
// factors are rounded down, as the library's own tables are.

#include <cmath>
#include <cstdio>

#include "layout_cmsis.h"

namespace {

template <typename real>
real twiddle(const table_array &array, std::int32_t i)
{
    const real angle = angle_of<real>(array, i / 2);
    return i % 2 == 0 ? std::cos(angle) : std::sin(angle);
}

long double exact_twiddle(const table_array &array, std::int32_t i)
{
    return twiddle<long double>(array, i) * array.scale;
}

double twiddle_value(const table_array &array, std::int32_t i)
{
    return twiddle<double>(array, i);
}

std::int32_t bits_of(std::int32_t n)
{
    std::int32_t bits = 0;
    while ((1 << bits) < n)
        ++bits;
    return bits;
}

// The number of pairs of the bit reversal of n points: the k below their
// reversal, which is half of those that are not their own. Those are the
// palindromes of log2 n bits, whose first half decides them.
std::int32_t reversal_pairs(std::int32_t n)
{
    return (n - (1 << ((bits_of(n) + 1) / 2))) / 2;
}

void describe(const table_request &request, table_description &description)
{
    add_cmsis_rows(request, description,
                   request.type == fixed_type::q31 ? "arm_cfft_q31" : "arm_cfft_q15");
    describe_cmsis_cfft(request, description, request.points, "");
}

} // namespace

const char *cmsis_value_type(const table_request &request)
{
    return request.type == fixed_type::q31 ? "q31_t" : "q15_t";
}

void add_cmsis_rows(const table_request &request, table_description &description,
                    const char *functions)
{
    description.title = "Automatically generated twiddle-factor tables.";
    description.header_title = "Automatically generated twiddle-factor tables: the declarations.";
    description.types_header = "arm_math.h";
    std::snprintf(description.summary, sizeof description.summary, "%d points, %s, %s, rounded %s",
                  request.points, request.layout->name, request.type == fixed_type::q31 ? "q31" : "q15",
                  request.rounding_given ? rounding_name(request.rounding) : "as CMSIS-DSP rounds");
    add_row(description, "Number of points:", true, "%d", request.points);
    add_row(description, "Layout:", true, "%s", request.layout->name);
    add_row(description, "Type:", true, "%s", request.type == fixed_type::q31 ? "q31" : "q15");
    add_row(description, "Rounding:", true, "%s",
            request.rounding_given ? rounding_phrase(request.rounding) : "as CMSIS-DSP's own tables");
    add_row(description, "Appropriate FFTs:", false, "%s", functions);
    add_row(description, "Required alignment:", false, "4 byte (word)");
}

void describe_cmsis_cfft(const table_request &request, table_description &description,
                         std::int32_t n, const char *suffix)
{
    const bool q31 = request.type == fixed_type::q31;
    char name[max_derived_name];
    std::snprintf(name, sizeof name, "%s%s", request.array_name, suffix);

    table_array &twiddles = add_array(description, name, "_twiddle", cmsis_value_type(request),
                                      q31 ? element_type::q31 : element_type::q15, 3 * n / 4);
    twiddles.rule = request.rounding_given ? request.rounding : rounding_rule::down;
    twiddles.exact = exact_twiddle;
    twiddles.value = twiddle_value;
    twiddles.angle_points = n;
    twiddles.scale = q31 ? 2147483648.0 : 32768.0;

    const std::int32_t pairs = reversal_pairs(n);
    table_array &reversal = add_array(description, name, "_bitrev", "uint16_t", element_type::index, pairs);
    reversal.angle_points = n;

    table_instance &instance =
        add_instance(description, name, "", q31 ? "arm_cfft_instance_q31" : "arm_cfft_instance_q15");
    add_field(instance, "%d", n);
    add_field(instance, "%s", twiddles.name);
    add_field(instance, "%s", reversal.name);
    add_field(instance, "%d", 2 * pairs);
}

void fill_cmsis(const table_request &, table_description &description)
{
    fill_values(description);
    fill_bit_reversals(description);
}

void fill_bit_reversals(table_description &description)
{
    for (int a = 0; a < description.array_count; ++a) {
        table_array &array = description.arrays[a];
        if (array.type != element_type::index)
            continue;
        auto *const values = static_cast<std::uint16_t *>(array.values);
        const std::int32_t n = array.angle_points;
        std::int32_t pair = 0;
        // The reversal of k, kept as k counts up: adding 1 to a reversed
        // number carries from its top bit down.
        std::int32_t reversal = 0;
        for (std::int32_t k = 0; k < n; ++k) {
            if (k > 0) {
                std::int32_t bit = n >> 1;
                for (; (reversal & bit) != 0; bit >>= 1)
                    reversal ^= bit;
                reversal |= bit;
            }
            if (k >= reversal)
                continue;
            values[2 * pair] = static_cast<std::uint16_t>(8 * k);
            values[2 * pair + 1] = static_cast<std::uint16_t>(8 * reversal);
            ++pair;
        }
    }
}

extern const table_layout cmsis_cfft_layout = {
    "cmsis-cfft", 16, 4096, false, true, false, false, alignment_style::gnu, describe, fill_cmsis,
};
