// The tables of CMSIS-DSP's fixed-point real FFT, arm_rfft_q15 and
// arm_rfft_q31, for exactly one length L, and two constant
// arm_rfft_instances, forward and inverse, that point at them all, with no
// init call and no table of the library's, in every build of its headers:
//  - the split factors A and B, L/2 pairs each for the angles 2 pi i / L,
//    read at the stride 1 (twidCoefRModifier), rounded to nearest as the
//    library's own. A Helium build reads one pair more, that of the angle pi;
//  - the tables of the L/2-point complex FFT that it runs, and that FFT's
//    instance, which the real FFT's instances point at, or, on Helium, hold
//    by value.
//   A = (0.5 (1 - sin), -0.5 cos)    B = (0.5 (1 + sin), 0.5 cos)
// In f32 and f16, of arm_rfft_fast_f32 and arm_rfft_fast_f16, for L up to
// 4096, one constant arm_rfft_fast_instance for both directions, which holds
// the complex FFT's by value in every build, and its split factors: L/2
// pairs (sin, cos) of the angles 2 pi i / L, made as the complex FFT's
// twiddle factors are, from nine decimals.

#include <cmath>
#include <cstdio>

#include "layout_cmsis.h"

namespace {

// Element i of A (sign -1) or of B (sign 1), for the angle of its pair.
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

long double exact_b(const table_array &array, std::int32_t i)
{
    return split_factor<long double>(array, i, 1) * array.scale;
}

double a_value(const table_array &array, std::int32_t i)
{
    return split_factor<double>(array, i, -1.0);
}

double b_value(const table_array &array, std::int32_t i)
{
    return split_factor<double>(array, i, 1.0);
}

template <typename real>
real fast_factor(const table_array &array, std::int32_t i)
{
    const real angle = angle_of<real>(array, i / 2);
    return i % 2 == 0 ? std::sin(angle) : std::cos(angle);
}

long double exact_fast_factor(const table_array &array, std::int32_t i)
{
    return fast_factor<long double>(array, i) * array.scale;
}

double fast_factor_value(const table_array &array, std::int32_t i)
{
    return fast_factor<double>(array, i);
}

// The floating-point real FFT of the given length, named as
// describe_cmsis_rfft names its parts: its split factors ("_twiddle"), the
// complex FFT of half the length ("_cfft"), which only the instance holds,
// and the instance itself (""). Returns the instance's index.
int describe_fast_rfft(const table_request &request, table_description &description, std::int32_t length,
                       const char *suffix, condition where, bool defined)
{
    char name[max_derived_name];
    std::snprintf(name, sizeof name, "%s%s", request.array_name, suffix);
    table_array &factors = add_array(description, name, "_twiddle", cmsis_value_type(request),
                                     cmsis_element_type(request), length);
    factors.paired = true;
    factors.where = where;
    factors.float_rounding = float_rule::nine_decimals;
    factors.exact = exact_fast_factor;
    factors.value = fast_factor_value;
    factors.angle_points = length;
    factors.scale = full_scale(factors.type);
    char cfft_suffix[max_derived_name];
    std::snprintf(cfft_suffix, sizeof cfft_suffix, "%s_cfft", suffix);
    const int cfft = describe_cmsis_cfft(request, description, length / 2, cfft_suffix, where, false);

    const int index = description.instance_count;
    table_instance &instance = add_instance(description, name, "",
                                            request.type == sample_type::f16 ? "arm_rfft_fast_instance_f16"
                                                                             : "arm_rfft_fast_instance_f32");
    instance.where = where;
    instance.defined = defined;
    add_instance_field(instance, cfft);
    add_field(instance, field_kind::u16, "%d", static_cast<int>(length));
    add_field(instance, field_kind::pointer, "%s", factors.name);
    return index;
}

void describe(const table_request &request, table_description &description)
{
    describe_cmsis_file(request, description, "Appropriate FFTs:",
                        by_type(request, "arm_rfft_q15", "arm_rfft_q31", "arm_rfft_fast_f32", "arm_rfft_fast_f16"));
    describe_cmsis_rfft(request, description, request.points, "", every_build, true, true, true);
    // The caller's buffers: N samples, which the forward FFT changes, and
    // the spectrum, N complex values and the one more that the inverse reads;
    // of floats, N values, packed. Named apart from the other layouts' sizes,
    // as a header of this layout can be included with one of theirs of the
    // same name.
    add_macro(description, "_RFFT_LENGTH", request.points);
    add_macro(description, "_SPECTRUM_LENGTH", is_float(request.type) ? request.points : 2L * request.points + 2);
}

} // namespace

int describe_cmsis_rfft(const table_request &request, table_description &description, std::int32_t length,
                        const char *suffix, condition where, bool forward, bool inverse, bool defined)
{
    if (is_float(request.type))
        return describe_fast_rfft(request, description, length, suffix, where, defined);
    const bool q31 = request.type == sample_type::q31;
    const condition helium = {add_build_test(description, helium_build), 0};
    const condition scalar = {0, helium.holds};
    char name[max_derived_name];
    std::snprintf(name, sizeof name, "%s%s", request.array_name, suffix);

    const char *names[] = {"_a", "_b"};
    long double (*exact[])(const table_array &, std::int32_t) = {exact_a, exact_b};
    double (*value[])(const table_array &, std::int32_t) = {a_value, b_value};
    int factors[2];
    for (int j = 0; j < 2; ++j) {
        factors[j] = description.array_count;
        table_array &array = add_array(description, name, names[j], cmsis_value_type(request),
                                       q31 ? element_type::q31 : element_type::q15, length);
        array.paired = true;
        array.where = where;
        // Helium's split step reads the pair past the last that the scalar one reads.
        array.tail = 2;
        array.tail_where = helium;
        array.rule = rule_for(request, rounding_rule::nearest);
        array.exact = exact[j];
        array.value = value[j];
        array.angle_points = length;
        array.scale = full_scale(array.type);
    }
    char cfft_suffix[max_derived_name];
    std::snprintf(cfft_suffix, sizeof cfft_suffix, "%s_cfft", suffix);
    // Its complex FFT, whose instance the real FFT points at, and so is
    // defined, but on Helium holds by value.
    const int cfft = describe_cmsis_cfft(request, description, length / 2, cfft_suffix, where, true);
    description.instances[cfft].where = both(where, scalar);

    int first = -1;
    const char *const directions[] = {"_forward", "_inverse"};
    for (int direction = 0; direction < 2; ++direction) {
        if (!(direction == 0 ? forward : inverse))
            continue;
        if (first < 0)
            first = description.instance_count;
        table_instance &instance = add_instance(description, name, directions[direction],
                                                q31 ? "arm_rfft_instance_q31" : "arm_rfft_instance_q15");
        instance.where = where;
        instance.defined = defined;
        add_field(instance, field_kind::u32, "%d", static_cast<int>(length));
        add_field(instance, field_kind::u8, "%d", direction); // ifftFlagR
        add_field(instance, field_kind::u8, "1");             // bitReverseFlagR
        add_field(instance, field_kind::u32, "1");            // twidCoefRModifier
        add_field(instance, field_kind::pointer, "%s", description.arrays[factors[0]].name);
        add_field(instance, field_kind::pointer, "%s", description.arrays[factors[1]].name);
        add_instance_field(instance, cfft).where = helium;
        add_field(instance, field_kind::pointer, "&%s", description.instances[cfft].name).where = scalar;
    }
    return first;
}

extern const table_layout cmsis_rfft_layout = {
    .name = "cmsis-rfft",
    .what = "those of its real FFT",
    .min_points = 32,
    .max_points = 8192,
    .max_float_points = 4096,
    .options = option_q31 | option_float,
    .fixed_scale = "its FFT fixes it",
    .client = &cmsis_dsp,
    .describe = describe,
    .fill = fill_from_values,
};
