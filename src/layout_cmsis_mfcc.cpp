// CMSIS-DSP's MFCC, arm_mfcc_q15 and arm_mfcc_q31, for one configuration:
// the FFT length N, the sample rate, M mel filters, K DCT outputs, the
// filters' range from fmin to fmax and the frames' window. The tables are
// made by the rules of the library's own script (Scripts/mfccdata.py), in
// double precision as it computes them, and rounded to nearest, halves to
// even, as Python rounds:
//  - the window: the periodic Hamming or Hann window of N values;
//  - the mel filters: HTK's mel scale, 1127 ln(1 + f / 700); M + 2 points
//    evenly spaced in mel from fmin to fmax; filter n the triangle over mels
//    n, n + 1 and n + 2, at the mel of each bin k fs / N, k = 1 ... N/2 (bin
//    0 is 0). Its first bin that is not 0 and the length of its run that is
//    not 0 (uint32), and the runs, one after the other;
//  - the DCT: K x M values, row i, column j: cos(i pi (j + 0.5) / M) sqrt(2/M);
//  - the tables of the real FFT of N, as the cmsis-rfft layout makes them,
//    or, for a build with ARM_MFCC_USE_CFFT, of the complex FFT of N;
// and a constant arm_mfcc_instance that points at them all and holds the FFT's
// instance by value, so that arm_mfcc_q15(&IDENT, ...) needs no init call.
// In f32 and f16 (arm_mfcc_f32, arm_mfcc_f16), each value is the float of
// its float printed with six decimals, as the script prints it, and the FFT
// the floating-point one.

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "layout_cmsis.h"
#include "layout_window.h"

namespace {

const build_test complex_fft_build = {"defined(ARM_MFCC_USE_CFFT)", "with ARM_MFCC_USE_CFFT", nullptr};

const char *const mfcc_windows[] = {"hamming", "hann", nullptr};

constexpr std::int32_t max_bins = 4096 / 2 + 1;

constexpr const char *square_root_table = "sqrt_initial_lut_q31";

// The mel scale of HTK, as the script computes it.
double mel_of(double frequency)
{
    return 1127.0 * std::log(1.0 + frequency / 700.0);
}

double fmax_of(const table_request &request)
{
    return request.fmax_given ? request.fmax : request.sample_rate / 2.0;
}

std::int32_t frame_length_of(const table_request &request)
{
    return request.frame_length != 0 ? request.frame_length : request.points;
}

// The mel filters of a request, as the script lays them out: the mels of
// the bins, and those of the filters' corners, each as numpy's linspace
// makes its points.
struct mel_scale {
    std::int32_t bins; // N/2 + 1, bin 0 included
    double bin_mels[max_bins];
    double first_mel, step, last_mel; // of the M + 2 corners
};

// Static, as it holds some 16 kilobytes, and the stack may be small.
mel_scale scale;

// The filters' values before they were made integers, as fill stored them:
// a bin lies under at most two filters.
double filter_values[2 * max_bins];

void make_scale(const table_request &request)
{
    scale.bins = request.points / 2 + 1;
    const double half_rate = request.sample_rate / 2.0;
    const double bin_step = (half_rate - 0.0) / (scale.bins - 1);
    for (std::int32_t k = 1; k < scale.bins; ++k)
        scale.bin_mels[k] = mel_of(k == scale.bins - 1 ? half_rate : static_cast<double>(k) * bin_step + 0.0);
    scale.first_mel = mel_of(request.fmin);
    scale.last_mel = mel_of(fmax_of(request));
    scale.step = (scale.last_mel - scale.first_mel) / (request.mel_filters + 1);
}

double corner(const table_request &request, std::int32_t n)
{
    return n == request.mel_filters + 1 ? scale.last_mel : static_cast<double>(n) * scale.step + scale.first_mel;
}

// The value of filter n at bin k: 0 at bin 0, else the triangle's.
double filter_value(const table_request &request, std::int32_t n, std::int32_t k)
{
    if (k == 0)
        return 0.0;
    const double left = corner(request, n), middle = corner(request, n + 1), right = corner(request, n + 2);
    const double upper = (scale.bin_mels[k] - left) / (middle - left);
    const double lower = (right - scale.bin_mels[k]) / (right - middle);
    const double smaller = std::fmin(upper, lower);
    return smaller > 0.0 ? smaller : 0.0;
}

// Filter n's first bin that is not 0, and the length of that run.
void filter_run(const table_request &request, std::int32_t n, std::int32_t &first, std::int32_t &length)
{
    first = 0;
    while (first < scale.bins && filter_value(request, n, first) == 0.0)
        ++first;
    length = 0;
    while (first + length < scale.bins && filter_value(request, n, first + length) != 0.0)
        ++length;
}

std::int32_t filter_coefficients(const table_request &request)
{
    std::int32_t total = 0;
    for (std::int32_t n = 0; n < request.mel_filters; ++n) {
        std::int32_t first = 0, length = 0;
        filter_run(request, n, first, length);
        total += length;
    }
    return total;
}

// Two frequencies in full, each as the number it is: static, as each may be
// long, and the stack small.
char first_frequency[max_decimal_text];
char second_frequency[max_decimal_text];

bool refuse(const table_request &request, char *message, std::size_t size)
{
    const double fmax = fmax_of(request);
    if (!is_float(request.type) && std::strcmp(request.array_name, square_root_table) == 0) {
        std::snprintf(message, size, "The name %s is that of CMSIS-DSP's table, which the source defines too.\n",
                      square_root_table);
        return true;
    }
    if (frame_length_of(request) > request.points) {
        std::snprintf(message, size, "The frame length (%d) must be at most the FFT length (%d).\n",
                      static_cast<int>(frame_length_of(request)), static_cast<int>(request.points));
        return true;
    }
    if (request.dct_outputs > request.mel_filters) {
        std::snprintf(message, size, "The DCT outputs (%d) must be at most the mel filters (%d).\n",
                      static_cast<int>(request.dct_outputs), static_cast<int>(request.mel_filters));
        return true;
    }
    if (fmax > request.sample_rate / 2.0) {
        write_decimal(fmax, first_frequency);
        write_decimal(request.sample_rate / 2.0, second_frequency);
        std::snprintf(message, size, "The highest frequency, %s Hz, is above half the sample rate, %s Hz.\n",
                      first_frequency, second_frequency);
        return true;
    }
    if (request.fmin >= fmax) {
        write_decimal(request.fmin, first_frequency);
        write_decimal(fmax, second_frequency);
        std::snprintf(message, size, "The lowest frequency, %s Hz, must be below the highest, %s Hz.\n",
                      first_frequency, second_frequency);
        return true;
    }
    make_scale(request);
    for (std::int32_t n = 0; n < request.mel_filters; ++n) {
        std::int32_t first = 0, length = 0;
        filter_run(request, n, first, length);
        if (length > 0)
            continue;
        const auto hertz = [](double mel) { return 700.0 * (std::exp(mel / 1127.0) - 1.0); };
        const double low = hertz(corner(request, n)), high = hertz(corner(request, n + 2));
        // One decimal, or as many more as tell the two apart.
        int decimals = 1;
        for (; decimals < 17; ++decimals) {
            std::snprintf(first_frequency, sizeof first_frequency, "%.*f", decimals, low);
            std::snprintf(second_frequency, sizeof second_frequency, "%.*f", decimals, high);
            if (std::strcmp(first_frequency, second_frequency) != 0)
                break;
        }
        std::snprintf(message, size,
                      "Mel filter %d of %d, from %s to %s Hz, covers no FFT bin: ask for fewer filters, a "
                      "wider range or a longer FFT.\n",
                      static_cast<int>(n + 1), static_cast<int>(request.mel_filters), first_frequency,
                      second_frequency);
        return true;
    }
    return false;
}

// The DCT's element i, of row i / M and column i % M, as the script's numpy
// computes it: cos((row pi) s) sqrt(2 / M), s = (column + 1 - 0.5) / M.
double dct_value(const table_array &array, std::int32_t i)
{
    const std::int32_t filters = array.angle_points;
    const double s = (static_cast<double>(i % filters + 1) - 0.5) / filters;
    return std::cos(i / filters * static_cast<double>(pi) * s) * std::sqrt(2.0 / filters);
}

// The first guesses of the library's square roots (arm_sqrt_q31), which
// its complex magnitudes take: 2^28 / sqrt(x) for x = 0.25 + i / 32, rounded
// to nearest, as arm_common_tables.c holds them.
constexpr std::int32_t square_root_guesses = 32;
constexpr double square_root_guess_scale = 268435456.0;

double square_root_guess(const table_array &, std::int32_t i)
{
    return 1.0 / std::sqrt(0.25 + i / 32.0);
}

long double exact_square_root_guess(const table_array &array, std::int32_t i)
{
    return array.scale / std::sqrt(0.25L + i / 32.0L);
}

// A filter's exact value is the script's: only its rounding is an error.
long double exact_filter(const table_array &array, std::int32_t i)
{
    return filter_values[i] * array.scale;
}

long double exact_dct(const table_array &array, std::int32_t i)
{
    const std::int32_t filters = array.angle_points;
    return std::cos(i / filters * pi * (i % filters + 0.5L) / filters) * std::sqrt(2.0L / filters) * array.scale;
}

// The rows of the comment that tell the configuration.
void add_rows(const table_request &request, table_description &description)
{
    write_decimal(request.sample_rate, first_frequency);
    add_row(description, "Sample rate:", true, "%s Hz", first_frequency);
    write_decimal(request.fmin, first_frequency);
    write_decimal(fmax_of(request), second_frequency);
    add_row(description, "Mel filters:", true, "%d, from %s to %s Hz", static_cast<int>(request.mel_filters),
            first_frequency, second_frequency);
    add_row(description, "DCT outputs:", true, "%d", static_cast<int>(request.dct_outputs));
    add_row(description, "Window:", true, "%s, %s", window_names[static_cast<int>(request.window)],
            request.symmetric ? "symmetric" : "periodic");
    // Its length, where a frame is shorter than the FFT, which the window
    // pads with zeros.
    if (frame_length_of(request) != request.points)
        add_row(description, "Frame length:", true, "%d, padded with zeros", static_cast<int>(frame_length_of(request)));
}

void describe(const table_request &request, table_description &description)
{
    const bool q31 = request.type == sample_type::q31;
    const bool floats = is_float(request.type);
    const char *value_type = cmsis_value_type(request);
    const element_type values = cmsis_element_type(request);
    describe_cmsis_file(request, description, "Read by:",
                        by_type(request, "arm_mfcc_q15", "arm_mfcc_q31", "arm_mfcc_f32", "arm_mfcc_f16"), add_rows);
    description.title = "Automatically generated MFCC tables.";
    description.header_title = "Automatically generated MFCC tables: the declarations.";

    const rounding_rule rule = rule_for(request, rounding_rule::nearest_even);
    table_array &dct = add_array(description, request.array_name, "_dct", value_type, values,
                                 request.dct_outputs * request.mel_filters);
    dct.rule = rule;
    dct.float_rounding = float_rule::six_decimals_of_float;
    dct.value = dct_value;
    dct.exact = exact_dct;
    dct.angle_points = request.mel_filters;
    dct.scale = full_scale(values);
    make_scale(request);
    table_array &filters =
        add_array(description, request.array_name, "_filter_coefs", value_type, values, filter_coefficients(request));
    filters.rule = rule;
    filters.float_rounding = float_rule::six_decimals_of_float;
    filters.exact = exact_filter;
    filters.scale = dct.scale;
    table_array &window = add_window_array(description, request, "_window", value_type, values, request.window,
                                           request.points, frame_length_of(request), request.symmetric, rule);
    window.float_rounding = float_rule::six_decimals_of_float;
    table_array &positions = add_array(description, request.array_name, "_filter_pos", "uint32_t",
                                       element_type::offset, request.mel_filters);
    table_array &lengths = add_array(description, request.array_name, "_filter_lengths", "uint32_t",
                                     element_type::offset, request.mel_filters);

    // The FFT: a real one, or a complex one with ARM_MFCC_USE_CFFT; each
    // for a scalar core or for Helium, the test the FFTs add first.
    add_build_test(description, helium_build_of(request));
    const condition complex = {add_build_test(description, complex_fft_build), 0};
    const condition real = {0, complex.holds};
    const int rfft = describe_cmsis_rfft(request, description, request.points, "_rfft", real, true, false, false);
    const int cfft = describe_cmsis_cfft(request, description, request.points, "_cfft", complex, false);

    table_instance &instance =
        add_instance(description, request.array_name, "",
                     by_type(request, "arm_mfcc_instance_q15", "arm_mfcc_instance_q31", "arm_mfcc_instance_f32",
                             "arm_mfcc_instance_f16"));
    for (const table_array *array : {&dct, &filters, &window, &positions, &lengths})
        add_field(instance, field_kind::pointer, "%s", array->name);
    add_field(instance, field_kind::u32, "%d", static_cast<int>(request.points));
    add_field(instance, field_kind::u32, "%d", static_cast<int>(request.mel_filters));
    add_field(instance, field_kind::u32, "%d", static_cast<int>(request.dct_outputs));
    add_instance_field(instance, cfft).where = complex;
    add_instance_field(instance, rfft).where = real;

    // The one table of the library's own that the fixed-point MFCC's
    // functions read on a scalar or DSP-extension core, where it is its
    // arm_sqrt_q31's.
    if (!floats) {
        table_array &guesses =
            add_array(description, square_root_table, "", "q31_t", element_type::q31, square_root_guesses);
        guesses.weak = true;
        guesses.rule = rounding_rule::nearest;
        guesses.value = square_root_guess;
        guesses.exact = exact_square_root_guess;
        guesses.scale = square_root_guess_scale;
    }

    // The sizes of the caller's buffers: the frame, which the MFCC changes,
    // holds the FFT's length of samples, of which the window keeps the
    // frame's length; the scratch, of q31 values (of floats, the type's),
    // holds the spectrum that the FFT writes there, then one value a filter.
    add_macro(description, "_FFT_LENGTH", request.points);
    add_macro(description, "_FRAME_LENGTH", frame_length_of(request));
    add_macro(description, "_MEL_FILTERS", request.mel_filters);
    add_macro(description, "_DCT_OUTPUTS", request.dct_outputs);
    // The complex FFT runs in place on N complex values; the real one writes
    // N of them, but on Helium the first N/2 + 1 alone.
    // Of floats, in every build, the complex FFT's N complex values, and as
    // many that the magnitudes read after the real FFT's N values.
    const long points = request.points;
    if (floats) {
        add_macro(description, "_SCRATCH_LENGTH", std::max<long>(2 * points, request.mel_filters));
        return;
    }
    const long complex_spectrum = q31 ? 2 * points : points;
    const long helium_spectrum = q31 ? points + 2 : points / 2 + 1;
    const condition helium = {add_build_test(description, helium_build_of(request)), 0};
    const struct {
        condition where;
        long spectrum;
    } scratch[] = {{both(real, helium), helium_spectrum},
                   {both(real, {0, helium.holds}), complex_spectrum},
                   {complex, complex_spectrum}};
    for (const auto &[where, spectrum] : scratch)
        add_macro(description, "_SCRATCH_LENGTH", std::max<long>(spectrum, request.mel_filters)).where = where;
}

// The filters' runs, their first bins and lengths, and the rest by their
// value functions.
void fill(const table_request &request, table_description &description)
{
    table_array &filters = description.arrays[1];
    auto *const positions = static_cast<std::uint32_t *>(description.arrays[3].values);
    auto *const lengths = static_cast<std::uint32_t *>(description.arrays[4].values);
    make_scale(request);
    std::int32_t next = 0;
    for (std::int32_t n = 0; n < request.mel_filters; ++n) {
        std::int32_t first = 0, length = 0;
        filter_run(request, n, first, length);
        positions[n] = static_cast<std::uint32_t>(first);
        lengths[n] = static_cast<std::uint32_t>(length);
        for (std::int32_t k = first; k < first + length; ++k, ++next) {
            filter_values[next] = filter_value(request, n, k);
            store_value(filters, next, filter_values[next]);
        }
    }
    fill_values(description);
}

} // namespace

extern const table_layout cmsis_mfcc_layout = {
    .name = "cmsis-mfcc",
    .what = "the tables and arm_mfcc_instance of CMSIS-DSP's MFCC",
    .min_points = 32,
    .max_points = 4096,
    .options = option_q31 | option_float | option_window | option_symmetric | option_sample_rate |
               option_mel_filters | option_dct_outputs | option_fmin | option_fmax | option_frame_length,
    .fixed_scale = "its tables are fractions of full scale",
    .windows = mfcc_windows,
    .client = &cmsis_dsp,
    .refuse = refuse,
    .describe = describe,
    .fill = fill,
};
