// CMSIS-DSP's fixed-point FIR, arm_fir_q15 and _q31 (and their _fast
// forms), for taps of the user's own design, in every build of its headers:
//  - the taps in time-reversed order, as the library reads them, rounded to
//    nearest unless --round says otherwise, with a zero tap before them
//    where a build needs more: q15 an even count, as its plain loop takes
//    two a pass and drops an odd last one; q31 of 29 to 32 taps, whose
//    Helium code is wrong for blocks of 32 samples or more that are not a
//    multiple of 4, 33. Helium reads the taps 8 (q31: 4) at a time: zeros
//    follow them there;
//  - the state, zeroed, in RAM, as long as each build uses it: numTaps +
//    blockSize - 1 on a scalar core, one more for q15 with
//    ARM_MATH_LOOPUNROLL, which reads one sample past; on Helium, where the
//    library's own lengths are too short, what its code reads and writes;
// and a constant arm_fir_instance that points at both. A tap must lie in
// [-1, 1): the FIR has no shift.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "filter_math.h"
#include "layout_cmsis.h"

namespace {

const build_test loop_unrolled_build = {"defined(ARM_MATH_LOOPUNROLL)", "with ARM_MATH_LOOPUNROLL", nullptr};

// The request's taps, once planned.
struct fir_plan {
    std::int32_t taps;     // as the file gives them
    std::int32_t num_taps; // as the instance counts them, zeros before them
    double peak_w;
    double peak;
};

fir_plan plan;
const double *design_taps;
double magnitudes[response_points];

bool is_q31(const table_request &request)
{
    return request.type == sample_type::q31;
}

std::int32_t round_up(std::int32_t n, std::int32_t multiple)
{
    return (n + multiple - 1) / multiple * multiple;
}

// Tap k in time order, h[k], of the planned count: 0 past the file's.
double tap(std::int32_t k)
{
    return k < plan.taps ? design_taps[k] : 0.0;
}

double response_magnitude(const void *, double w)
{
    return fir_magnitude(design_taps, plan.taps, w);
}

void make_plan(const table_request &request)
{
    design_taps = request.design->values;
    plan.taps = request.design->count;
    plan.num_taps = plan.taps;
    if (!is_q31(request) && plan.taps % 2 != 0)
        plan.num_taps = plan.taps + 1;
    const std::int32_t block = request.points;
    if (is_q31(request) && plan.taps >= 29 && plan.taps <= 32 && block >= 32 && block % 4 != 0)
        plan.num_taps = 33;
}

design_kind read_limits(const table_request &request, std::int32_t &most, const char *&too_many)
{
    most = is_q31(request) ? 65535 : 65534;
    too_many = is_q31(request) ? "more taps than arm_fir_instance_q31 counts, 65535"
                               : "more taps than arm_fir_instance_q15 counts, an even number, 65534";
    return design_kind::taps;
}

bool refuse_design(const table_request &request, char *message, std::size_t size)
{
    const filter_design &design = *request.design;
    const bool q31 = is_q31(request);
    bool all_zero = true;
    for (std::int32_t k = 0; k < design.count; ++k) {
        const double h = design.values[k];
        if (!(h >= -1.0 && h < 1.0)) {
            std::snprintf(message, size,
                          "%s, line %ld: tap %ld, %.17g, lies outside [-1, 1), which the FIR, with no shift, cannot "
                          "hold",
                          design.path, static_cast<long>(design.lines[k]), static_cast<long>(k + 1), h);
            return true;
        }
        bool saturated = false;
        all_zero = all_zero && to_fixed(h * (q31 ? 2147483648.0 : 32768.0),
                                        rule_for(request, rounding_rule::nearest), q31 ? 32 : 16, saturated) == 0;
    }
    if (all_zero) {
        std::snprintf(message, size, "%s: every tap rounds to 0 in %s%s", design.path, q31 ? "q31" : "q15",
                      q31 ? "" : ": try --type=q31");
        return true;
    }
    return false;
}

void add_rows(const table_request &request, table_description &description)
{
    add_row(description, "Design:", true, "%s", base_name(request.design->path));
    if (plan.num_taps == plan.taps)
        add_row(description, "Taps:", true, "%d", static_cast<int>(plan.taps));
    else
        add_row(description, "Taps:", true, "%d, a zero tap first to make %d", static_cast<int>(plan.taps),
                static_cast<int>(plan.num_taps));
}

// Element i of the time-reversed taps, and the zeros after them.
double reversed_tap(const table_array &, std::int32_t i)
{
    return i < plan.num_taps ? tap(plan.num_taps - 1 - i) : 0.0;
}

long double exact_reversed_tap(const table_array &array, std::int32_t i)
{
    return static_cast<long double>(reversed_tap(array, i)) * array.scale;
}

void describe(const table_request &request, table_description &description)
{
    const bool q31 = is_q31(request);
    make_plan(request);
    describe_cmsis_filter_file(request, description, q31 ? "arm_fir_q31, arm_fir_fast_q31" : "arm_fir_q15, arm_fir_fast_q15",
                               add_rows);
    description.title = "Automatically generated FIR filter.";
    description.header_title = "Automatically generated FIR filter: the declarations.";
    std::snprintf(description.summary, sizeof description.summary, "%d taps from %s, %s, rounded %s",
                  static_cast<int>(plan.taps), base_name(request.design->path), q31 ? "q31" : "q15",
                  rounding_name(rule_for(request, rounding_rule::nearest)));
    const condition helium = {add_build_test(description, helium_build), 0};
    const condition scalar = {0, helium.holds};
    const element_type type = q31 ? element_type::q31 : element_type::q15;

    table_array &taps = add_array(description, request.array_name, "_taps", cmsis_value_type(request), type,
                                  plan.num_taps);
    // Helium reads the taps a vector at a time.
    taps.tail = round_up(plan.num_taps, q31 ? 4 : 8) - plan.num_taps;
    taps.tail_where = helium;
    taps.rule = rule_for(request, rounding_rule::nearest);
    taps.scale = full_scale(type);
    taps.value = reversed_tap;
    taps.exact = exact_reversed_tap;
    table_array &state = add_array(description, request.array_name, "_state", cmsis_value_type(request), type, 0);
    state.writable = true;
    state.size_macro = "_STATE_LENGTH";

    table_instance &instance =
        add_instance(description, request.array_name, "", q31 ? "arm_fir_instance_q31" : "arm_fir_instance_q15");
    add_field(instance, field_kind::u16, "%d", static_cast<int>(plan.num_taps));
    add_field(instance, field_kind::pointer, "%s", state.name);
    add_field(instance, field_kind::pointer, "%s", taps.name);

    const long num_taps = plan.num_taps, block = request.points;
    add_macro(description, "_BLOCK_SIZE", block);
    add_macro(description, "_TAPS", num_taps);
    // The state that each build reads and writes.
    long helium_state = num_taps - 1 + 3 * round_up(request.points, 4);
    if (!q31)
        helium_state = num_taps > 32 ? num_taps - 1 + 2 * round_up(request.points, 4)
                                     : std::max(num_taps - 1 + block, block - 1 + round_up(plan.num_taps, 8));
    add_macro(description, "_STATE_LENGTH", helium_state).where = helium;
    if (q31) {
        add_macro(description, "_STATE_LENGTH", num_taps + block - 1).where = scalar;
    } else {
        const condition unrolled = {add_build_test(description, loop_unrolled_build), 0};
        add_macro(description, "_STATE_LENGTH", num_taps + block).where = both(scalar, unrolled);
        add_macro(description, "_STATE_LENGTH", num_taps + block - 1).where = both(scalar, {0, unrolled.holds});
    }

    // CMSIS-DSP's Helium q15 FIR of more than 32 taps computes the outputs
    // of the last two or three samples of a block wrongly.
    if (!q31 && num_taps > 32 && block % 4 >= 2) {
        static char refusal[200];
        std::snprintf(refusal, sizeof refusal,
                      "CMSIS-DSP's Helium q15 FIR of more than 32 taps gives wrong outputs for blocks of 4k + 2 or "
                      "4k + 3 samples: this one has %ld.",
                      block);
        description.refusals[description.refusal_count++] = {helium_build.expression, refusal, false};
    }
}

// The test signal and the outputs of --stats: static, as they are long.
std::int32_t fixed_taps[65536];
double quantized_taps[65536];
std::int32_t fixed_in[max_test_samples], fixed_out[max_test_samples];
double exact_in[max_test_samples], exact_out[max_test_samples];

void add_report(const table_request &request, table_description &description, const table_array &taps)
{
    const bool q31 = is_q31(request);
    for (int i = 0; i < response_points; ++i)
        magnitudes[i] = response_magnitude(nullptr, response_frequency(i));
    const response_peak peak = find_peak(response_magnitude, nullptr, magnitudes);
    // The quantized taps in time order, as the fill made them.
    for (std::int32_t k = 0; k < plan.num_taps; ++k) {
        const std::int32_t i = plan.num_taps - 1 - k;
        fixed_taps[k] = q31 ? static_cast<const std::int32_t *>(taps.values)[i]
                            : static_cast<const std::int16_t *>(taps.values)[i];
    }
    add_report_row(description, "taps:", "%d, and %d as the instance counts them", static_cast<int>(plan.taps),
                   static_cast<int>(plan.num_taps));
    const double unit = q31 ? 2147483648.0 : 32768.0;
    double deviation = 0.0, worst = 0.0;
    const double passband = peak.magnitude * half_power;
    for (std::int32_t k = 0; k < plan.num_taps; ++k)
        quantized_taps[k] = fixed_taps[k] / unit;
    for (int i = 0; i < response_points; ++i) {
        if (magnitudes[i] < passband)
            continue;
        const double h = fir_magnitude(quantized_taps, plan.num_taps, response_frequency(i));
        deviation = std::max(deviation, std::fabs(20.0 * std::log10(h / magnitudes[i])));
    }
    for (std::int32_t k = 0; k < plan.num_taps; ++k)
        worst += std::fabs(fixed_taps[k] / unit);
    add_report_row(description, "passband:", "%.3f dB at most from the file's response", deviation);
    add_report_row(description, "worst gain:", "%.4f, the sum of the taps' magnitudes", worst);
    const double periods = peak.w > 0.0 ? 2.0 * 3.141592653589793 / peak.w : 1.0;
    const int measured = static_cast<int>(std::min<double>(max_test_samples / 4, std::max(4096.0, 8.0 * periods)));
    const int settle = std::min(plan.num_taps, max_test_samples / 2);
    const int samples = std::min(max_test_samples, 2 * settle + measured);
    const double f = test_frequency(peak.w);
    make_test_signal(f, q31, settle, samples, fixed_in, exact_in);
    run_fixed_fir(fixed_taps, plan.num_taps, q31, fixed_in, fixed_out, samples - measured, samples);
    run_fir(design_taps, plan.taps, exact_in, exact_out, samples - measured, samples);
    add_output_snr(description, output_snr_db(fixed_out, exact_out, q31, samples - measured, samples), f,
                   settle, measured, samples);
    if (q31)
        add_report_row(description, "on helium:", "CMSIS-DSP's q31 FIR rounds its sums: outputs differ by 1 LSB");
}

// The taps by their value functions, then, for --stats, what they make.
void fill(const table_request &request, table_description &description)
{
    fill_values(description);
    if (request.stats)
        add_report(request, description, description.arrays[0]);
}

} // namespace

extern const table_layout cmsis_fir_layout = {
    .name = "cmsis-fir",
    .what = "the taps, state and arm_fir_instance of CMSIS-DSP's FIR filter",
    .min_points = 1,
    .max_points = 32768,
    .power_of_two = false,
    .options = option_q31 | option_coefficients,
    .fixed_scale = "the design fixes it",
    .runs_an_fft = false,
    .client = &cmsis_dsp,
    .read_limits = read_limits,
    .refuse_design = refuse_design,
    .describe = describe,
    .fill = fill,
};
