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

template <typename real>
real split_factor(const table_array &array, std::int32_t i, real sign)
{
    const real angle = angle_of<real>(array, i / 2);
    const real half = static_cast<real>(0.5);
    return i % 2 == 0 ? half * (1 + sign * std::sin(angle)) : sign * half * std::cos(angle);
}

long double exact_a(const table_array &array, std::int32_t i)
{
    return split_factor<long double>(array, i, -1) * array.scale;
}

double value_a(const table_array &array, std::int32_t i)
{
    return split_factor<double>(array, i, -1);
}

long double exact_b(const table_array &array, std::int32_t i)
{
    return split_factor<long double>(array, i, 1) * array.scale;
}

double value_b(const table_array &array, std::int32_t i)
{
    return split_factor<double>(array, i, 1);
}

void describe(const table_request &request, table_description &description)
{
    const bool q31 = request.type == fixed_type::q31;
    add_cmsis_rows(request, description, q31 ? "arm_rfft_q31" : "arm_rfft_q15");
    const std::int32_t length = request.points;
    const char *names[] = {"_a", "_b"};
    long double (*exact[])(const table_array &, std::int32_t) = {exact_a, exact_b};
    double (*value[])(const table_array &, std::int32_t) = {value_a, value_b};
    for (int j = 0; j < 2; ++j) {
        table_array &factors = add_array(description, request.array_name, names[j], cmsis_value_type(request),
                                         q31 ? element_type::q31 : element_type::q15, length / 2);
        factors.rule = request.rounding_given ? request.rounding : rounding_rule::nearest;
        factors.exact = exact[j];
        factors.value = value[j];
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

} // namespace

extern const table_layout cmsis_rfft_layout = {
    "cmsis-rfft", 32, 8192, false, true, false, false, alignment_style::gnu, describe, fill_cmsis,
};
