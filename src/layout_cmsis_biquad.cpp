// CMSIS-DSP's fixed-point biquad cascade, arm_biquad_cascade_df1_q15 and
// _q31 (and their _fast forms), for a design of the user's own: its
// second-order sections, each divided by its a0, as the file gives them, in
// the file's order, made what the library reads:
//  - the gain spread over the sections, so that the peak magnitude response
//    from the input to each section's output, as quantized, is the whole
//    filter's peak or 1, whichever is larger: a full-scale sinusoid then
//    overflows nowhere inside the cascade unless the filter itself amplifies
//    it, and each section's output is as large as that allows;
//  - the coefficients of each stage, {b0, 0, b1, b2, a1, a2} in q15 (the 0
//    for the library's loads of pairs) and {b0, b1, b2, a1, a2} in q31, a1
//    and a2 negated, as the library adds a1 y[n-1]; each scaled by
//    2^-postShift, the least shift by which every one fits, rounded to
//    nearest unless --round says otherwise;
//  - the state, 4 values a stage, zeroed, in RAM;
// and a constant arm_biquad_casd_df1_inst that points at both.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "filter_math.h"
#include "layout_cmsis.h"

namespace {

constexpr std::int32_t most_q15_stages = 127; // its numStages is an int8_t
constexpr std::int32_t most_stages = max_design_values / 6;

// The request's filter, once planned.
struct biquad_plan {
    std::int32_t stages;
    biquad exact[most_stages];  // as the file gives them
    biquad spread[most_stages]; // with the gain spread over them, before rounding
    std::int32_t fixed[5 * most_stages]; // b0 b1 b2 a1 a2 as the library reads them
    int post_shift;
    double exact_peak; // of the whole filter's response
    response_peak peak;
    bool fits; // whether every coefficient fits at some shift
};

biquad_plan plan;
// The magnitudes of the responses at response_points frequencies: of the
// sections before the one being spread, as quantized, and of the whole.
double before[response_points];
double whole[response_points];
double scratch[response_points];

bool is_q31(const table_request &request)
{
    return request.type == sample_type::q31;
}

int fraction_bits(bool q31)
{
    return q31 ? 31 : 15;
}

// A section as the library's coefficients give it back, in double.
biquad as_quantized(const std::int32_t *fixed, int post_shift, bool q31)
{
    const double unit = std::ldexp(1.0, post_shift - fraction_bits(q31));
    return {fixed[0] * unit, fixed[1] * unit, fixed[2] * unit, -fixed[3] * unit, -fixed[4] * unit};
}

// What the section's coefficients, with its numerator scaled by gain, become
// at the shift: false where one does not fit.
bool quantize(const biquad &section, int post_shift, bool q31, rounding_rule rule, std::int32_t *fixed)
{
    const double scale = std::ldexp(1.0, fraction_bits(q31) - post_shift);
    const double values[] = {section.b0, section.b1, section.b2, -section.a1, -section.a2};
    for (int i = 0; i < 5; ++i) {
        bool saturated = false;
        fixed[i] = to_fixed(values[i] * scale, rule, q31 ? 32 : 16, saturated);
        if (saturated)
            return false;
    }
    return true;
}

// The magnitude, at w, of the sections before the one being spread, as
// quantized, times that one's: for the search of a peak between points.
struct partial_response {
    const biquad *sections; // the quantized ones, then the one being spread
    int count;
};

double partial_magnitude(const void *context, double w)
{
    const auto &partial = *static_cast<const partial_response *>(context);
    double h = 1.0;
    for (int i = 0; i < partial.count; ++i)
        h *= magnitude_of(partial.sections[i], w);
    return h;
}

biquad with_gain(biquad section, double gain)
{
    section.b0 *= gain;
    section.b1 *= gain;
    section.b2 *= gain;
    return section;
}

// Spreads the gain at the shift and quantizes every section: false where a
// coefficient does not fit.
bool spread_at(const table_request &request, int post_shift)
{
    const bool q31 = is_q31(request);
    const rounding_rule rule = rule_for(request, rounding_rule::nearest);
    const double target = std::max(plan.exact_peak, 1.0) * 0.95;
    static biquad quantized[most_stages + 1];
    std::fill(before, before + response_points, 1.0);
    for (std::int32_t k = 0; k < plan.stages; ++k) {
        // The peak of what reaches this section's output, at its own gain.
        for (int i = 0; i < response_points; ++i)
            scratch[i] = before[i] * magnitude_of(plan.exact[k], response_frequency(i));
        quantized[k] = plan.exact[k];
        partial_response partial{quantized, k + 1};
        const response_peak reached = find_peak(partial_magnitude, &partial, scratch);
        // The last section keeps the whole filter's peak; each before it
        // reaches the target.
        double gain = (k + 1 == plan.stages ? plan.exact_peak : target) / reached.magnitude;
        std::int32_t *fixed = plan.fixed + 5 * k;
        for (int attempt = 0; attempt < 8; ++attempt) {
            plan.spread[k] = with_gain(plan.exact[k], gain);
            if (!quantize(plan.spread[k], post_shift, q31, rule, fixed))
                return false;
            quantized[k] = as_quantized(fixed, post_shift, q31);
            // As quantized, the sections before the last reach at most the
            // target: a rounding up is taken back.
            if (k + 1 == plan.stages)
                break;
            for (int i = 0; i < response_points; ++i)
                scratch[i] = before[i] * magnitude_of(quantized[k], response_frequency(i));
            const double peak = find_peak(partial_magnitude, &partial, scratch).magnitude;
            if (peak <= target)
                break;
            gain *= target / peak * (1.0 - 1e-12);
        }
        for (int i = 0; i < response_points; ++i)
            before[i] *= magnitude_of(quantized[k], response_frequency(i));
    }
    return true;
}

// Plans the request's filter: its peak, the gain of each section, the
// least shift at which every coefficient fits, and the coefficients.
void make_plan(const table_request &request)
{
    const filter_design &design = *request.design;
    plan.stages = design.count / 6;
    for (std::int32_t k = 0; k < plan.stages; ++k) {
        const double *v = design.values + 6 * k;
        plan.exact[k] = {v[0], v[1], v[2], v[4], v[5]};
    }
    std::fill(whole, whole + response_points, 1.0);
    for (std::int32_t k = 0; k < plan.stages; ++k)
        for (int i = 0; i < response_points; ++i)
            whole[i] *= magnitude_of(plan.exact[k], response_frequency(i));
    partial_response all{plan.exact, plan.stages};
    plan.peak = find_peak(partial_magnitude, &all, whole);
    plan.exact_peak = plan.peak.magnitude;
    plan.fits = false;
    for (plan.post_shift = 0; plan.post_shift <= fraction_bits(is_q31(request)); ++plan.post_shift)
        if ((plan.fits = spread_at(request, plan.post_shift)))
            break;
}

design_kind read_limits(const table_request &request, std::int32_t &most, const char *&too_many)
{
    most = is_q31(request) ? most_stages : most_q15_stages;
    too_many = is_q31(request) ? "more sections than the tool takes, 10922"
                               : "more sections than arm_biquad_casd_df1_inst_q15 counts, 127";
    return design_kind::sections;
}

// The line of the file that section k came from.
long line_of(const table_request &request, std::int32_t k)
{
    return static_cast<long>(request.design->lines[6 * k]);
}

bool refuse_design(const table_request &request, char *message, std::size_t size)
{
    const filter_design &design = *request.design;
    std::int32_t stages = design.count / 6;
    for (std::int32_t k = 0; k < stages; ++k) {
        const double *v = design.values + 6 * k;
        const double radius = pole_radius(v[4], v[5]);
        if (!(radius < 1.0)) {
            std::snprintf(message, size, "%s, line %ld: section %ld is unstable: a pole lies at radius %.6f",
                          design.path, line_of(request, k), static_cast<long>(k + 1), radius);
            return true;
        }
    }
    const bool q31 = is_q31(request);
    const char *type = q31 ? "q31" : "q15";
    const char *instead = q31 ? "" : ": try --type=q31";
    make_plan(request);
    if (!plan.fits) {
        std::snprintf(message, size, "%s: a coefficient does not fit in %s at any shift", design.path, type);
        return true;
    }
    for (std::int32_t k = 0; k < plan.stages; ++k) {
        const std::int32_t *fixed = plan.fixed + 5 * k;
        if (fixed[0] == 0 && fixed[1] == 0 && fixed[2] == 0) {
            std::snprintf(message, size, "%s, line %ld: the numerator of section %ld rounds to zeros in %s%s",
                          design.path, line_of(request, k), static_cast<long>(k + 1), type, instead);
            return true;
        }
        const biquad quantized = as_quantized(fixed, plan.post_shift, q31);
        const double radius = pole_radius(quantized.a1, quantized.a2);
        if (!(radius < 1.0)) {
            std::snprintf(message, size,
                          "%s, line %ld: section %ld is unstable in %s: its poles, rounded, lie at radius %.6f%s",
                          design.path, line_of(request, k), static_cast<long>(k + 1), type, radius, instead);
            return true;
        }
    }
    return false;
}

// The comment's rows of the design.
void add_rows(const table_request &request, table_description &description)
{
    add_row(description, "Design:", true, "%s", base_name(request.design->path));
    add_row(description, "Sections:", true, "%d, post shift %d", static_cast<int>(plan.stages), plan.post_shift);
}

long double exact_coefficient(const table_array &array, std::int32_t i)
{
    const std::int32_t per_stage = array.variant;
    const biquad &section = plan.spread[i / per_stage];
    const std::int32_t j = i % per_stage;
    // q15 stages hold a 0 after b0.
    const std::int32_t which = per_stage == 6 ? (j == 0 ? 0 : j == 1 ? -1 : j - 1) : j;
    const double values[] = {section.b0, section.b1, section.b2, -section.a1, -section.a2};
    return which < 0 ? 0.0L : static_cast<long double>(values[which]) * array.scale;
}

void fill_coefficients(table_array &array)
{
    const std::int32_t per_stage = array.variant;
    for (std::int32_t k = 0; k < plan.stages; ++k) {
        const std::int32_t *fixed = plan.fixed + 5 * k;
        for (std::int32_t j = 0; j < per_stage; ++j) {
            const std::int32_t value = per_stage == 6 ? (j == 0 ? fixed[0] : j == 1 ? 0 : fixed[j - 1]) : fixed[j];
            if (array.type == element_type::q31)
                static_cast<std::int32_t *>(array.values)[per_stage * k + j] = value;
            else
                static_cast<std::int16_t *>(array.values)[per_stage * k + j] = static_cast<std::int16_t>(value);
        }
    }
}

void add_report(const table_request &request, table_description &description);

void describe(const table_request &request, table_description &description)
{
    const bool q31 = is_q31(request);
    make_plan(request);
    describe_cmsis_filter_file(
        request, description, q31 ? "arm_biquad_cascade_df1_q31, _fast_q31" : "arm_biquad_cascade_df1_q15, _fast_q15",
        add_rows);
    description.title = "Automatically generated biquad cascade.";
    description.header_title = "Automatically generated biquad cascade: the declarations.";
    std::snprintf(description.summary, sizeof description.summary, "%d sections from %s, %s, rounded %s",
                  static_cast<int>(plan.stages), base_name(request.design->path), q31 ? "q31" : "q15",
                  rounding_name(rule_for(request, rounding_rule::nearest)));
    const std::int32_t per_stage = q31 ? 5 : 6;
    table_array &coefficients = add_array(description, request.array_name, "_coefficients", cmsis_value_type(request),
                                          q31 ? element_type::q31 : element_type::q15, per_stage * plan.stages);
    coefficients.variant = per_stage;
    coefficients.rule = rule_for(request, rounding_rule::nearest);
    coefficients.scale = std::ldexp(1.0, fraction_bits(q31) - plan.post_shift);
    coefficients.exact = exact_coefficient;
    coefficients.fill = fill_coefficients;
    table_array &state = add_array(description, request.array_name, "_state", cmsis_value_type(request),
                                   q31 ? element_type::q31 : element_type::q15, 4 * plan.stages);
    state.writable = true;
    state.size_macro = "_STATE_LENGTH";

    table_instance &instance = add_instance(description, request.array_name, "",
                                            q31 ? "arm_biquad_casd_df1_inst_q31" : "arm_biquad_casd_df1_inst_q15");
    add_field(instance, q31 ? field_kind::u32 : field_kind::u8, "%d", static_cast<int>(plan.stages));
    add_field(instance, field_kind::pointer, "%s", state.name);
    add_field(instance, field_kind::pointer, "%s", coefficients.name);
    add_field(instance, field_kind::u8, "%d", plan.post_shift);

    add_macro(description, "_BLOCK_SIZE", request.points);
    add_macro(description, "_STATE_LENGTH", 4L * plan.stages);

    // CMSIS-DSP's Helium code stores four outputs before it looks at the
    // block's size (q15), and reads two samples before the input (q31).
    const std::int32_t helium_least = q31 ? 2 : 4;
    if (request.points < helium_least) {
        static char refusal[160];
        std::snprintf(refusal, sizeof refusal,
                      "CMSIS-DSP's Helium %s biquad cascade faults on blocks of fewer than %d samples: this one "
                      "has %d.",
                      q31 ? "q31" : "q15", static_cast<int>(helium_least), static_cast<int>(request.points));
        description.refusals[description.refusal_count++] = {helium_build.expression, refusal, false};
    }
    if (request.stats)
        add_report(request, description);
}

// The test signal and the outputs of --stats: static, as they are long.
std::int32_t fixed_in[max_test_samples], fixed_out[max_test_samples];
double exact_in[max_test_samples], exact_out[max_test_samples];

void add_report(const table_request &request, table_description &description)
{
    const bool q31 = is_q31(request);
    add_report_row(description, "post shift:", "%d", plan.post_shift);
    double exact_radius = 0.0, quantized_radius = 0.0;
    static biquad quantized[most_stages];
    for (std::int32_t k = 0; k < plan.stages; ++k) {
        quantized[k] = as_quantized(plan.fixed + 5 * k, plan.post_shift, q31);
        exact_radius = std::max(exact_radius, pole_radius(plan.exact[k].a1, plan.exact[k].a2));
        quantized_radius = std::max(quantized_radius, pole_radius(quantized[k].a1, quantized[k].a2));
    }
    add_report_row(description, "poles:", "at radius %.6f at most, %.6f quantized", exact_radius, quantized_radius);
    // Where the file's response lies within 3 dB of its peak.
    double deviation = 0.0;
    const double passband = plan.exact_peak * half_power;
    for (int i = 0; i < response_points; ++i) {
        if (whole[i] < passband)
            continue;
        double h = 1.0;
        for (std::int32_t k = 0; k < plan.stages; ++k)
            h *= magnitude_of(quantized[k], response_frequency(i));
        deviation = std::max(deviation, std::fabs(20.0 * std::log10(h / whole[i])));
    }
    add_report_row(description, "passband:", "%.3f dB at most from the file's response", deviation);
    // The impulse response, to its decay.
    const double time_constant = 1.0 / std::max(1.0 - quantized_radius, 1e-6);
    const int settle = static_cast<int>(std::min<double>(max_test_samples / 2, std::max(1024.0, 12.0 * time_constant)));
    std::fill(exact_in, exact_in + settle, 0.0);
    exact_in[0] = 1.0;
    run_biquads(quantized, plan.stages, exact_in, exact_out, settle);
    double worst = 0.0;
    for (int n = 0; n < settle; ++n)
        worst += std::fabs(exact_out[n]);
    add_report_row(description, "worst gain:", "%.4f, the sum of the impulse response's magnitudes", worst);
    // A sinusoid at the frequency of the peak, faded in, then steady.
    const double periods = plan.peak.w > 0.0 ? 2.0 * 3.141592653589793 / plan.peak.w : 1.0;
    const int measured = static_cast<int>(std::min<double>(max_test_samples / 4, std::max(4096.0, 8.0 * periods)));
    const int samples = std::min(max_test_samples, 2 * settle + measured);
    const double f = test_frequency(plan.peak.w);
    make_test_signal(f, q31, settle, samples, fixed_in, exact_in);
    run_fixed_biquads(plan.fixed, plan.stages, plan.post_shift, q31, fixed_in, fixed_out, samples);
    run_biquads(plan.exact, plan.stages, exact_in, exact_out, samples);
    add_output_snr(description, output_snr_db(fixed_out, exact_out, q31, samples - measured, samples), f,
                   settle, measured, samples);
    if (q31)
        add_report_row(description, "on helium:", "CMSIS-DSP's q31 cascade rounds its sums: outputs differ");
}

} // namespace

extern const table_layout cmsis_biquad_layout = {
    .name = "cmsis-biquad",
    .what = "the coefficients, state and arm_biquad_casd_df1_inst of CMSIS-DSP's biquad cascade",
    .min_points = 1,
    .max_points = 32768,
    .power_of_two = false,
    .options = option_q31 | option_coefficients,
    .fixed_scale = "the design and its shift fix it",
    .runs_an_fft = false,
    .client = &cmsis_dsp,
    .read_limits = read_limits,
    .refuse_design = refuse_design,
    .describe = describe,
    .fill = fill_from_values,
};
