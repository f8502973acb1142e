// The tables of CMSIS-DSP's fixed-point complex FFT, arm_cfft_q15 and
// arm_cfft_q31, for exactly one size N, and a constant arm_cfft_instance that
// points at them, so that arm_cfft_q15(&IDENT, ...) needs no init call and
// no table of the library's, in every build of its headers:
//  - the twiddle factors, 3N/4 pairs (cos, +sin) of the angles 2 pi i / N,
//    rounded down (q31: down after adding 0.05), as the library's own. A
//    Helium build reads only the first N/2 pairs, for N = 2 * 4^k, and none
//    for N = 4^k, where the instance holds a null pointer;
//  - the bit reversal, index pairs (8k, 8 rev(k)) for each k below its
//    reversal rev(k). A Helium build reads it 8 indices (q31: 4) at a time,
//    past its end where its length is a multiple of that: zeros follow there;
//  - on Helium, the twiddle factors rearranged for its radix-4 stages, for
//    N or N/2, whichever is a power of 4: for stride m = 1, 2, 3 and stage
//    s, pairs (cos, -sin) of the angles 2 pi m j 4^s / N, rounded to
//    nearest, halves to even; and the offset of each stage in them, one table
//    for all three strides, without the final 0 that the library's have and
//    never reads.
// In f32 and f16, arm_cfft_f32 and arm_cfft_f16, whose Helium builds are
// those with MVE's floating point, the twiddle factors are N pairs, and the
// rearranged ones pairs (cos, +sin); each array is the library's own, bit
// for bit, as its texts were read: the twiddle factors are the floats of
// their values printed with nine decimals, Helium's f32 factors the floats
// of their floats printed with twenty, its f16 factors the nearest halves.
// The scalar f32 code runs radix-8 stages and reads another reversal: for
// each position i in turn, the swap that brings the output that belongs
// there from where the stages put it, in pairs (8i, 8j).

#include <cmath>
#include <cstdio>

#include "layout_cmsis.h"

extern const build_test helium_build = {
    "defined(ARM_MATH_MVEI) && !defined(ARM_MATH_AUTOVECTORIZE)",
    "Helium (MVE)",
    "a scalar or DSP-extension core",
};

namespace {

const build_test helium_float_build = {
    "defined(ARM_MATH_MVEF) && !defined(ARM_MATH_AUTOVECTORIZE)",
    "Helium (MVE) for floats",
    "a core without MVE's floating point",
};

const build_test helium_half_build = {
    "defined(ARM_MATH_MVE_FLOAT16) && !defined(ARM_MATH_AUTOVECTORIZE)",
    "Helium (MVE) for f16",
    "a core without MVE's f16",
};

} // namespace

const build_test &helium_build_of(const table_request &request)
{
    switch (request.type) {
    case sample_type::f32:
        return helium_float_build;
    case sample_type::f16:
        return helium_half_build;
    default:
        return helium_build;
    }
}

namespace {

// What CMSIS-DSP's headers declare or define, through arm_math.h and
// arm_math_f16.h, in any of its builds, but for the names of its prefixes and
// those that C reserves: its types, macros and inline functions.
const char *const cmsis_names[] = {
    "BASIC_MATH_FUNCTIONS_F16_H_", "BASIC_MATH_FUNCTIONS_H_", "BAYES_FUNCTIONS_F16_H_", "BAYES_FUNCTIONS_H_",
    "CMPLX_DIM", "CMSIS_DEPRECATED", "COMPLEX_MATH_FUNCTIONS_F16_H_", "COMPLEX_MATH_FUNCTIONS_H_",
    "CONTROLLER_FUNCTIONS_F16_H_", "CONTROLLER_FUNCTIONS_H_", "CONTROLLER_Q31_SHIFT",
    "DEFAULT_HOUSEHOLDER_THRESHOLD_F16", "DEFAULT_HOUSEHOLDER_THRESHOLD_F32", "DEFAULT_HOUSEHOLDER_THRESHOLD_F64",
    "DELTA_Q15", "DELTA_Q31", "DISTANCE_FUNCTIONS_F16_H_", "DISTANCE_FUNCTIONS_H_", "F16INFINITY", "F16_ABSMAX",
    "F16_ABSMIN", "F16_MAX", "F16_MIN", "F32_ABSMAX", "F32_ABSMIN", "F32_MAX", "F32_MIN", "F64_ABSMAX", "F64_ABSMIN",
    "F64_MAX", "F64_MIN", "FAST_MATH_FUNCTIONS_F16_H_", "FAST_MATH_FUNCTIONS_H_", "FAST_MATH_Q15_SHIFT",
    "FAST_MATH_Q31_SHIFT", "FAST_MATH_TABLE_SIZE", "FILTERING_FUNCTIONS_F16_H_", "FILTERING_FUNCTIONS_H_",
    "IAR_ONLY_LOW_OPTIMIZATION_ENTER", "IAR_ONLY_LOW_OPTIMIZATION_EXIT", "INDEX_MASK", "INPUT_SPACING",
    "INTERPOLATION_FUNCTIONS_F16_H_", "INTERPOLATION_FUNCTIONS_H_", "LOW_OPTIMIZATION_ENTER", "LOW_OPTIMIZATION_EXIT",
    "MATRIX_FUNCTIONS_F16_H_", "MATRIX_FUNCTIONS_H_", "MAX", "MIN", "NONE_H_", "NO_INLINE", "PI", "PI_F64",
    "Q15_ABSMAX", "Q15_ABSMIN", "Q15_MAX", "Q15_MIN", "Q31_ABSMAX", "Q31_ABSMIN", "Q31_MAX", "Q31_MIN", "Q7_ABSMAX",
    "Q7_ABSMIN", "Q7_MAX", "Q7_MIN", "QUATERNION_MATH_FUNCTIONS_H_", "SECTION_NOINIT", "STATISTICS_FUNCTIONS_F16_H_",
    "STATISTICS_FUNCTIONS_H_", "STEP", "SUPPORT_FUNCTIONS_F16_H_", "SUPPORT_FUNCTIONS_H_", "SVM_DEFINES_H_",
    "SVM_FUNCTIONS_F16_H_", "SVM_FUNCTIONS_H_", "TRANSFORM_FUNCTIONS_F16_H_", "TRANSFORM_FUNCTIONS_H_",
    "WINDOW_FUNCTIONS_H_", "any16x8_t", "any32x4_t", "clip_q31_to_q15", "clip_q63_to_q31", "f16x8_t", "f16x8x2_t",
    "f16x8x4_t", "f32x4_t", "f32x4x2_t", "f32x4x4_t", "float16_t", "float32_t", "float64_t", "mult32x64",
    "multAcc_32x32_keep32", "multAcc_32x32_keep32_R", "multSub_32x32_keep32", "multSub_32x32_keep32_R",
    "mult_32x32_keep32", "mult_32x32_keep32_R", "q15_t", "q15x8_t", "q15x8x2_t", "q15x8x4_t", "q23_t", "q23x4_t",
    "q31_t", "q31x4_t", "q31x4x2_t", "q31x4x4_t", "q63_t", "q63x2_t", "q7_t", "q7x16_t", "q7x16x2_t", "q7x16x4_t",
    "read_q15x2", "read_q15x2_da", "read_q15x2_ia", "read_q7x4", "read_q7x4_da", "read_q7x4_ia", "status16x8_t",
    "status32x4_t", "status64x2_t", "status8x16_t", "write_q15x2", "write_q15x2_ia", "write_q7x4_ia",
};
const char *const cmsis_prefixes[] = {"arm_", "ARM_", nullptr};

} // namespace

extern const table_client cmsis_dsp = {
    // CMSIS-DSP's own hook for placing its tables, empty unless the build's
    // arm_dsp_config.h defines it.
    .table_attribute = "ARM_DSP_TABLE_ATTRIBUTE",
    .taken_names = cmsis_names,
    .taken_name_count = sizeof cmsis_names / sizeof cmsis_names[0],
    .taken_prefixes = cmsis_prefixes,
    .names_taken_by = "CMSIS-DSP's, whose arm_math.h the source includes",
};

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

void fill_bit_reversal(table_array &array)
{
    auto *const values = static_cast<std::uint16_t *>(array.values);
    const std::int32_t n = array.angle_points;
    std::int32_t pair = 0;
    // The reversal of k, kept as k counts up: adding 1 to a reversed number
    // carries from its top bit down.
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

// Where the scalar f32 FFT of n points leaves output k before its
// reversal: its first stage of radix 2, 4 or 8, then stages of radix 8,
// each leaving its outputs in blocks, one block per remainder.
std::int32_t radix8_position(std::int32_t k, std::int32_t n)
{
    std::int32_t position = 0;
    for (std::int32_t points = n; points > 1;) {
        const int bits = bits_of(points);
        const std::int32_t radix = points <= 8 ? points : 1 << (bits % 3 == 0 ? 3 : bits % 3);
        points /= radix;
        position += (k % radix) * points;
        k /= radix;
    }
    return position;
}

// The swaps that put the outputs in order, one for each position i in turn
// whose output is elsewhere: where the output that belongs at i is now, after
// the swaps before, which moved it on from each position below i.
std::int32_t radix8_swaps(std::int32_t n, std::uint16_t *values)
{
    std::int32_t swaps = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        std::int32_t from = radix8_position(i, n);
        while (from < i)
            from = radix8_position(from, n);
        if (from == i)
            continue;
        if (values != nullptr) {
            values[2 * swaps] = static_cast<std::uint16_t>(8 * i);
            values[2 * swaps + 1] = static_cast<std::uint16_t>(8 * from);
        }
        ++swaps;
    }
    return swaps;
}

void fill_radix8_reversal(table_array &array)
{
    radix8_swaps(array.angle_points, static_cast<std::uint16_t *>(array.values));
}

// The stages of Helium's radix-4 FFT of n = 4^L points that read rearranged
// twiddle factors, s = 0 ... L - 2, stage s with n / 4^(s + 1) pairs.
std::int32_t stage_pairs(std::int32_t n, std::int32_t stage)
{
    return n >> (2 * (stage + 1));
}

std::int32_t rearranged_stages(std::int32_t n)
{
    return bits_of(n) / 2 - 1;
}

// Element i of the rearranged twiddle factors of stride m (array.variant):
// pair j of its stage s, (cos, -sin) of 2 pi m j 4^s / n, in double
// precision, as the library's are made; of floats, (cos, +sin).
double rearranged_value(const table_array &array, std::int32_t i, long double *exact)
{
    const bool floats = array.type == element_type::f32 || array.type == element_type::f16;
    const std::int32_t n = array.angle_points;
    std::int32_t pair = i / 2;
    std::int32_t stage = 0;
    while (pair >= stage_pairs(n, stage))
        pair -= stage_pairs(n, stage++);
    const double angle = static_cast<double>(two_pi) * array.variant * pair * (1 << (2 * stage)) / n;
    if (exact != nullptr) {
        const long double precise = two_pi * array.variant * pair * (1 << (2 * stage)) / n;
        *exact = i % 2 == 0 ? std::cos(precise) : floats ? std::sin(precise) : -std::sin(precise);
    }
    return i % 2 == 0 ? std::cos(angle) : floats ? std::sin(angle) : -std::sin(angle);
}

double rearranged(const table_array &array, std::int32_t i)
{
    return rearranged_value(array, i, nullptr);
}

long double exact_rearranged(const table_array &array, std::int32_t i)
{
    long double exact = 0.0L;
    rearranged_value(array, i, &exact);
    return exact * array.scale;
}

void fill_stage_offsets(table_array &array)
{
    auto *const values = static_cast<std::uint32_t *>(array.values);
    std::uint32_t offset = 0;
    for (std::int32_t stage = 0; stage < array.count; ++stage) {
        values[stage] = offset;
        offset += 2 * static_cast<std::uint32_t>(stage_pairs(array.angle_points, stage));
    }
}

bool power_of_four(std::int32_t n)
{
    return bits_of(n) % 2 == 0;
}

void describe(const table_request &request, table_description &description)
{
    describe_cmsis_file(request, description, "Appropriate FFTs:",
                        by_type(request, "arm_cfft_q15", "arm_cfft_q31", "arm_cfft_f32", "arm_cfft_f16"));
    describe_cmsis_cfft(request, description, request.points, "", every_build, true);
    // The caller's buffer, transformed in place: N complex values.
    add_macro(description, "_FFT_LENGTH", request.points);
    add_macro(description, "_BUFFER_LENGTH", 2L * request.points);
}

} // namespace

const char *by_type(const table_request &request, const char *q15, const char *q31, const char *f32, const char *f16)
{
    switch (request.type) {
    case sample_type::q31:
        return q31;
    case sample_type::f32:
        return f32;
    case sample_type::f16:
        return f16;
    case sample_type::q15:
        break;
    }
    return q15;
}

const char *cmsis_value_type(const table_request &request)
{
    return by_type(request, "q15_t", "q31_t", "float32_t", "float16_t");
}

element_type cmsis_element_type(const table_request &request)
{
    switch (request.type) {
    case sample_type::q31:
        return element_type::q31;
    case sample_type::f32:
        return element_type::f32;
    case sample_type::f16:
        return element_type::f16;
    case sample_type::q15:
        break;
    }
    return element_type::q15;
}

void describe_cmsis_file(const table_request &request, table_description &description, const char *label,
                         const char *functions, void (*more_rows)(const table_request &, table_description &))
{
    description.title = "Automatically generated twiddle-factor tables.";
    description.header_title = "Automatically generated twiddle-factor tables: the declarations.";
    description.types_header = request.type == sample_type::f16 ? "\"arm_math_f16.h\"" : "\"arm_math.h\"";
    description.refusals[description.refusal_count++] = {
        "defined(ARM_MATH_NEON)",
        "These tables are for CMSIS-DSP on Cortex-M, not for its Neon build (ARM_MATH_NEON), whose "
        "FFT structures differ: on Neon, set up the FFT with CMSIS-DSP's init function instead.",
        false};
    if (request.type == sample_type::f16)
        description.refusals[description.refusal_count++] = {
            "!defined(ARM_FLOAT16_SUPPORTED)",
            "These tables are f16, which this build of CMSIS-DSP leaves out (ARM_FLOAT16_SUPPORTED is not "
            "defined): build for a core and compiler with half-precision floats, or generate f32 tables.",
            true};
    std::snprintf(description.summary, sizeof description.summary, "%d points, %s, %s, rounded %s",
                  request.points, request.layout->name, type_name(request.type),
                  request.rounding_given ? rounding_name(request.rounding) : "as CMSIS-DSP rounds");
    add_row(description, "Number of points:", true, "%d", request.points);
    add_row(description, "Layout:", true, "%s", request.layout->name);
    add_row(description, "Type:", true, "%s", type_name(request.type));
    if (more_rows != nullptr)
        more_rows(request, description);
    add_row(description, "Rounding:", true, "%s",
            request.rounding_given ? rounding_phrase(request.rounding) : "as CMSIS-DSP's own tables");
    add_row(description, label, false, "%s", functions);
    add_row(description, "Required alignment:", false, "4 byte (word)");
}

void describe_cmsis_filter_file(const table_request &request, table_description &description,
                                const char *functions, void (*more_rows)(const table_request &, table_description &))
{
    description.types_header = "\"arm_math.h\"";
    add_row(description, "Layout:", true, "%s", request.layout->name);
    add_row(description, "Type:", true, "%s", request.type == sample_type::q31 ? "q31" : "q15");
    more_rows(request, description);
    add_row(description, "Block size:", true, "%d", static_cast<int>(request.points));
    add_row(description, "Rounding:", true, "%s",
            rounding_phrase(rule_for(request, rounding_rule::nearest)));
    add_row(description, "Read by:", false, "%s", functions);
    add_row(description, "Required alignment:", false, "4 byte (word)");
}

void add_output_snr(table_description &description, double snr_db, double f, int fade, int measured, int samples)
{
    char figure[32];
    if (std::isinf(snr_db))
        std::snprintf(figure, sizeof figure, "inf");
    else
        std::snprintf(figure, sizeof figure, "%.1f", snr_db);
    add_report_row(description, "output snr:", "%s dB, of a cosine at -0.1 dB of full scale at %.10f of the rate",
                   figure, f);
    add_report_row(description, "", "faded in over %d samples, measured over the last %d of %d", fade, measured,
                   samples);
}

int describe_cmsis_cfft(const table_request &request, table_description &description, std::int32_t n,
                        const char *suffix, condition where, bool defined)
{
    const bool q31 = request.type == sample_type::q31;
    const bool floats = is_float(request.type);
    const condition helium = {add_build_test(description, helium_build_of(request)), 0};
    const condition scalar = {0, helium.holds};
    char name[max_derived_name];
    std::snprintf(name, sizeof name, "%s%s", request.array_name, suffix);
    const element_type values = cmsis_element_type(request);

    // Helium reads the first N/2 pairs for N = 2 * 4^k, none for N = 4^k; the
    // other builds 3N/4 pairs, or, of floats, the N pairs that the library
    // holds.
    const bool helium_reads_twiddles = !power_of_four(n);
    const std::int32_t twiddle_values = floats ? 2 * n : 3 * n / 2;
    table_array &twiddles = add_array(description, name, "_twiddle", cmsis_value_type(request), values,
                                      helium_reads_twiddles ? n : twiddle_values);
    twiddles.paired = true;
    twiddles.where = helium_reads_twiddles ? where : both(where, scalar);
    twiddles.tail = helium_reads_twiddles ? twiddle_values - n : 0;
    twiddles.tail_where = scalar;
    twiddles.rule = rule_for(request, q31 ? rounding_rule::down_after_a_twentieth : rounding_rule::down);
    twiddles.float_rounding = float_rule::nine_decimals;
    twiddles.exact = exact_twiddle;
    twiddles.value = twiddle_value;
    twiddles.angle_points = n;
    twiddles.scale = full_scale(values);

    // The scalar f32 code's radix-8 reversal, then the fixed-point one,
    // which every other build reads.
    const table_array *radix8 = nullptr;
    if (request.type == sample_type::f32) {
        table_array &swaps = add_array(description, name, "_bitrev_radix8", "uint16_t", element_type::index,
                                       2 * radix8_swaps(n, nullptr));
        swaps.paired = true;
        swaps.where = both(where, scalar);
        swaps.angle_points = n;
        swaps.fill = fill_radix8_reversal;
        radix8 = &swaps;
    }

    const std::int32_t pairs = reversal_pairs(n);
    table_array &reversal = add_array(description, name, "_bitrev", "uint16_t", element_type::index, 2 * pairs);
    reversal.paired = true;
    reversal.where = request.type == sample_type::f32 ? both(where, helium) : where;
    // Helium loads the indices 8 (of 32-bit values: 4) at a time, one load
    // ahead.
    const std::int32_t load = element_size(values) == 4 ? 8 : 16;
    reversal.tail = 2 * pairs % load == 0 ? load / 2 : 0;
    reversal.tail_where = helium;
    reversal.angle_points = n;
    reversal.fill = fill_bit_reversal;
    // Helium's radix-4 stages: those of N, or of N/2 after a radix-2 step.
    const std::int32_t radix4_points = power_of_four(n) ? n : n / 2;
    table_array &offsets = add_array(description, name, "_rearranged_offsets", "uint32_t", element_type::offset,
                                     rearranged_stages(radix4_points));
    offsets.where = both(where, helium);
    offsets.angle_points = radix4_points;
    offsets.fill = fill_stage_offsets;
    const char *stride_names[] = {"_rearranged_stride1", "_rearranged_stride2", "_rearranged_stride3"};
    int strides[3];
    for (int m = 1; m <= 3; ++m) {
        strides[m - 1] = description.array_count;
        table_array &stride = add_array(description, name, stride_names[m - 1], cmsis_value_type(request),
                                        values, 2 * (radix4_points - 4) / 3);
        stride.paired = true;
        stride.where = both(where, helium);
        stride.variant = m;
        stride.rule = rule_for(request, rounding_rule::nearest_even);
        stride.float_rounding =
            request.type == sample_type::f32 ? float_rule::twenty_decimals_of_float : float_rule::nearest;
        stride.exact = exact_rearranged;
        stride.value = rearranged;
        stride.angle_points = radix4_points;
        stride.scale = twiddles.scale;
    }

    const int index = description.instance_count;
    table_instance &instance =
        add_instance(description, name, "",
                     by_type(request, "arm_cfft_instance_q15", "arm_cfft_instance_q31", "arm_cfft_instance_f32",
                             "arm_cfft_instance_f16"));
    instance.where = where;
    instance.defined = defined;
    add_field(instance, field_kind::u16, "%d", static_cast<int>(n));
    if (radix8 != nullptr) {
        // The scalar build's fields, then Helium's, which differ in each.
        add_field(instance, field_kind::pointer, "%s", twiddles.name).where = scalar;
        add_field(instance, field_kind::pointer, "%s", radix8->name).where = scalar;
        add_field(instance, field_kind::u16, "%d", static_cast<int>(radix8->count)).where = scalar;
        add_field(instance, field_kind::pointer, "%s", helium_reads_twiddles ? twiddles.name : "NULL").where = helium;
        add_field(instance, field_kind::pointer, "%s", reversal.name).where = helium;
        add_field(instance, field_kind::u16, "%d", static_cast<int>(2 * pairs)).where = helium;
    } else {
        if (helium_reads_twiddles) {
            add_field(instance, field_kind::pointer, "%s", twiddles.name);
        } else {
            add_field(instance, field_kind::pointer, "NULL").where = helium;
            add_field(instance, field_kind::pointer, "%s", twiddles.name).where = scalar;
        }
        add_field(instance, field_kind::pointer, "%s", reversal.name);
        add_field(instance, field_kind::u16, "%d", static_cast<int>(2 * pairs));
    }
    for (int m = 0; m < 3; ++m)
        add_field(instance, field_kind::pointer, "%s", offsets.name).where = helium;
    for (int m = 0; m < 3; ++m)
        add_field(instance, field_kind::pointer, "%s", description.arrays[strides[m]].name).where = helium;
    return index;
}

extern const table_layout cmsis_cfft_layout = {
    .name = "cmsis-cfft",
    .what = "the tables and arm_cfft_instance of CMSIS-DSP's complex FFT",
    .min_points = 16,
    .max_points = 4096,
    .options = option_q31 | option_float,
    .fixed_scale = "its FFT fixes it",
    .client = &cmsis_dsp,
    .describe = describe,
    .fill = fill_from_values,
};
