// The tables of CMSIS-DSP's fixed-point real FFT, arm_rfft_q15 and
// arm_rfft_q31, for exactly one length L: the split factors A and B, L/2
// pairs each for the angles 2 pi i / L, read at the stride 1
// (twidCoefRModifier); the tables and instance of the L/2-point complex FFT
// that it runs; and two constant arm_rfft_instances, forward and inverse,
// that point at them all, with no init call and no table of the library's.
// By default A and B are rounded to nearest and the complex FFT's twiddle
// factors down, as the library's own tables are.
//   A = (0.5 (1 - sin), -0.5 cos)    B = (0.5 (1 + sin), 0.5 cos)

#include <cmath>

#include "layout_cmsis.h"

namespace {

// Element i of A (sign -1) or of B (sign 1), from the sine and cosine of
// its angle.
template <typename real>
real split_factor(real sine, real cosine, std::int32_t i, real sign)
{
    const real half = static_cast<real>(0.5);
    return i % 2 == 0 ? half * (1 + sign * sine) : sign * half * cosine;
}

long double exact_factor(const table_array &array, std::int32_t i, long double sign)
{
    const long double angle = angle_of<long double>(array, i / 2);
    return split_factor(std::sin(angle), std::cos(angle), i, sign) * array.scale;
}

long double exact_a(const table_array &array, std::int32_t i)
{
    return exact_factor(array, i, -1);
}

long double exact_b(const table_array &array, std::int32_t i)
{
    return exact_factor(array, i, 1);
}

void describe(const table_request &request, table_description &description)
{
    const bool q31 = request.type == fixed_type::q31;
    add_cmsis_rows(request, description, q31 ? "arm_rfft_q31" : "arm_rfft_q15");
    const std::int32_t length = request.points;
    const char *names[] = {"_a", "_b"};
    long double (*exact[])(const table_array &, std::int32_t) = {exact_a, exact_b};
    for (int j = 0; j < 2; ++j) {
        table_array &factors = add_array(description, request.array_name, names[j], cmsis_value_type(request),
                                         q31 ? element_type::q31 : element_type::q15, length / 2);
        factors.rule = request.rounding_given ? request.rounding : rounding_rule::nearest;
        factors.exact = exact[j];
        factors.angle_points = length;
        factors.scale = q31 ? 2147483648.0 : 32768.0;
    }
    describe_cmsis_cfft(request, description, length / 2, "_cfft");
    const char *const directions[] = {"_forward", "_inverse"};
    for (int inverse = 0; inverse < 2; ++inverse) {
        table_instance &instance = add_instance(description, request.array_name, directions[inverse],
                                                q31 ? "arm_rfft_instance_q31" : "arm_rfft_instance_q15");
        add_field(instance, "%d", length);
        add_field(instance, "%d", inverse); // ifftFlagR
        add_field(instance, "1");           // bitReverseFlagR
        add_field(instance, "1");           // twidCoefRModifier
        add_field(instance, "%s", description.arrays[0].name);
        add_field(instance, "%s", description.arrays[1].name);
        add_field(instance, "&%s", description.instances[0].name);
    }
}

// A, B and the complex FFT's twiddle factors share their angles: pair i of
// the twiddle factors, of the angle 2 pi i / (L/2), has the angle of pair 2i
// of A and B, 2 pi 2i / L, the same double. Each sine and cosine is taken
// once, and gives every entry of its angle.
void fill(const table_request &, table_description &description)
{
    table_array &a = description.arrays[0];
    table_array &b = description.arrays[1];
    table_array &twiddles = description.arrays[2];
    for (std::int32_t k = 0; k < a.pairs; ++k) {
        const double angle = angle_of<double>(a, k);
        const double sine = std::sin(angle);
        const double cosine = std::cos(angle);
        for (std::int32_t i = 2 * k; i < 2 * k + 2; ++i) {
            store_value(a, i, split_factor(sine, cosine, i, -1.0));
            store_value(b, i, split_factor(sine, cosine, i, 1.0));
        }
        if (k % 2 == 0 && k / 2 < twiddles.pairs) {
            store_value(twiddles, k, cosine);
            store_value(twiddles, k + 1, sine);
        }
    }
    for (std::int32_t i = a.pairs / 2; i < twiddles.pairs; ++i) {
        const double angle = angle_of<double>(twiddles, i);
        store_value(twiddles, 2 * i, std::cos(angle));
        store_value(twiddles, 2 * i + 1, std::sin(angle));
    }
    fill_bit_reversals(description);
}

} // namespace

extern const table_layout cmsis_rfft_layout = {
    "cmsis-rfft", 32, 8192, false, true, false, false, alignment_style::gnu, describe, fill,
};
