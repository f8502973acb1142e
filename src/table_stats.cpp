#include "table_stats.h"

#include <cmath>
#include <algorithm>
#include <complex>
#include <cstring>
#include <limits>

namespace {

// The elements that the array holds in one build or another.
std::int32_t elements(const table_array &array)
{
    return array.count + array.tail;
}

} // namespace

// The exact values are computed in extended precision, whose rounding leaves
// an integer value up to about 1e-9 LSB off: an error below this is that
// rounding, and the entry is exact.
constexpr long double rounding_of_the_exact_values = 0x1p-20L;

table_accuracy measure_array(const table_array &array)
{
    long double largest = 0.0L;
    long double squared_errors = 0.0L;
    long double errors = 0.0L;
    long double squared_values = 0.0L;
    const std::int32_t n = elements(array);
    for (std::int32_t i = 0; i < n; ++i) {
        const long double exact = array.exact(array, i);
        long double error = element_value(array, i) - exact;
        if (std::fabs(error) < rounding_of_the_exact_values)
            error = 0.0L;
        largest = std::fmax(largest, std::fabs(error));
        squared_errors += error * error;
        errors += error;
        squared_values += exact * exact;
    }
    table_accuracy accuracy{};
    accuracy.max_error = static_cast<double>(largest);
    accuracy.rms_error = static_cast<double>(std::sqrt(squared_errors / n));
    accuracy.mean_error = static_cast<double>(errors / n);
    accuracy.exact = squared_errors == 0.0L;
    if (!accuracy.exact)
        accuracy.snr_db = static_cast<double>(10.0L * std::log10(squared_values / squared_errors));
    return accuracy;
}

namespace {

using complex = std::complex<long double>;

// The sums over the paths through the FFT's stages of the two products of
// fft_snr_db, for n points whose twiddle factors are the table's divided by
// unit.
struct path_sums {
    const std::int16_t *table;
    std::int32_t n;
    long double unit;
    long double gains;    // of prod_s (1 + |1 + r_j|^2)
    complex crossings;    // of prod_s (2 + r_j)
};

// Adds the paths whose stage-th index is low mod 2^(stage-1), with the
// products of the stages before it so far. A path's twiddle factor at a
// stage depends only on the low bits of its index, so the paths share their
// first stages' products, and every twiddle factor is visited once per
// stage's use of it: n - 1 in all.
void add_paths(path_sums &sums, std::int32_t stage_points, std::int32_t low, long double gain,
               complex crossing)
{
    const std::int32_t k = low * (sums.n / stage_points);
    const complex twiddle(-sums.table[2 * k] / sums.unit, sums.table[2 * k + 1] / sums.unit);
    const complex exact = std::polar(1.0L, -two_pi * k / sums.n);
    // 1 + r = twiddle / exact, whose magnitude is the twiddle's.
    gain *= 1.0L + std::norm(twiddle);
    crossing *= 1.0L + twiddle * std::conj(exact);
    if (stage_points == sums.n) {
        sums.gains += gain;
        sums.crossings += crossing;
        return;
    }
    add_paths(sums, 2 * stage_points, low, gain, crossing);
    add_paths(sums, 2 * stage_points, low + stage_points / 2, gain, crossing);
}

} // namespace

double fft_snr_db(const std::int16_t *table, std::int32_t n, double scale)
{
    // The smallest power of two at or above the scale: 32768 for the default.
    int exponent = 0;
    const double fraction = std::frexp(scale, &exponent);
    const long double unit = fraction == 0.5 ? scale : std::ldexp(1.0L, exponent);

    path_sums sums{table, n, unit, 0.0L, 0.0L};
    add_paths(sums, 2, 0, 1.0L, 1.0L);
    // Each index below n / 2 stands for two paths, m and m + n / 2.
    const long double points = n;
    const long double error =
        (2.0L * (sums.gains - 2.0L * sums.crossings.real()) + points * points) / (points * points);
    if (error <= 0.0L)
        return std::numeric_limits<double>::infinity();
    return static_cast<double>(-10.0L * std::log10(error));
}

namespace {

// A figure with the given decimals, rounded once from its value: a value
// within a millionth of the last decimal of a tie (a mean of -1/400,
// -0.0025, at 3 decimals) is taken for the tie, and rounded away from zero,
// so that it is shown alike whatever precision the platform's long double
// computed it in. "inf" where it is infinite, and never a negative zero,
// which would only tell on which side of it rounding fell.
void format_figure(char *out, std::size_t size, long double value, int decimals)
{
    if (std::isinf(value)) {
        std::snprintf(out, size, "%sinf", value < 0 ? "-" : "");
        return;
    }
    const long double scaled = value * std::pow(10.0L, decimals);
    long double whole = std::floor(scaled);
    const long double fraction = scaled - whole;
    if (fraction > 0.5L + 1e-6L || (std::fabs(fraction - 0.5L) <= 1e-6L && scaled > 0))
        whole += 1.0L;
    const long long units = std::llround(whole);
    const unsigned long long magnitude = units < 0 ? 0ULL - static_cast<unsigned long long>(units)
                                                   : static_cast<unsigned long long>(units);
    unsigned long long power = 1;
    for (int i = 0; i < decimals; ++i)
        power *= 10;
    std::snprintf(out, size, "%s%llu", units < 0 ? "-" : "", magnitude / power);
    if (decimals > 0) {
        const std::size_t length = std::strlen(out);
        std::snprintf(out + length, size - length, ".%0*llu", decimals, magnitude % power);
    }
}

// Writes a report line's value, with the given decimals.
void write_figure(std::FILE *out, const char *label, long double value, int decimals, const char *unit)
{
    char figure[64];
    format_figure(figure, sizeof figure, value, decimals);
    std::fprintf(out, "%-12s%s %s\n", label, figure, unit);
}

} // namespace

namespace {

// The size and alignment of a structure, or of one field, on a 32-bit
// target under the ARM EABI: each field at the next multiple of its own
// alignment, the whole a multiple of its largest.
struct storage {
    long size;
    long alignment;
};

storage storage_of(const table_description &description, const table_instance &instance,
                   unsigned tests_holding)
{
    storage whole{0, 1};
    for (int i = 0; i < instance.field_count; ++i) {
        const instance_field &field = instance.fields[i];
        if (!holds_in(field.where, tests_holding))
            continue;
        storage part{4, 4};
        switch (field.kind) {
        case field_kind::u8:
            part = {1, 1};
            break;
        case field_kind::u16:
            part = {2, 2};
            break;
        case field_kind::u32:
        case field_kind::pointer:
            break;
        case field_kind::instance:
            part = storage_of(description, description.instances[field.instance], tests_holding);
            break;
        }
        whole.size = (whole.size + part.alignment - 1) / part.alignment * part.alignment + part.size;
        whole.alignment = std::max(whole.alignment, part.alignment);
    }
    whole.size = (whole.size + whole.alignment - 1) / whole.alignment * whole.alignment;
    return whole;
}

// A window's coherent gain, the mean of its values, and its equivalent
// noise bandwidth in bins, n times the sum of their squares over the square
// of their sum.
struct window_figures {
    long double gain;
    long double bandwidth;
};

template <typename value_of>
window_figures measure_window(std::int32_t n, value_of value)
{
    long double sum = 0.0L;
    long double squares = 0.0L;
    for (std::int32_t i = 0; i < n; ++i) {
        const long double v = value(i);
        sum += v;
        squares += v * v;
    }
    // A window whose values sum to 0 has no noise bandwidth.
    return {sum / n, sum == 0.0L ? std::numeric_limits<long double>::quiet_NaN() : n * squares / (sum * sum)};
}

// A noise bandwidth in bins, or the words that say there is none.
void format_bandwidth(char *out, std::size_t size, long double bandwidth)
{
    if (std::isnan(bandwidth)) {
        std::snprintf(out, size, "none (the values sum to 0)");
        return;
    }
    format_figure(out, size, bandwidth, 4);
    std::snprintf(out + std::strlen(out), size - std::strlen(out), " bins");
}

// The name of the build in which the tests of tests_holding hold and the
// others fail, as the tests name them.
void write_build_name(std::FILE *out, const table_description &description, unsigned tests_holding)
{
    const char *space = "";
    for (int t = 0; t < description.test_count; ++t) {
        const build_test &test = description.tests[t];
        const char *name = (tests_holding & (1u << t)) != 0 ? test.holds : test.fails;
        if (name == nullptr)
            continue;
        std::fprintf(out, "%s%s", space, name);
        space = " ";
    }
}

// The size of a writable array in the build: the value of its macro there.
long writable_count(const table_description &description, const table_array &array, unsigned tests_holding)
{
    char name[max_derived_name];
    std::snprintf(name, sizeof name, "%s%s", description.ident, array.size_macro);
    for (int i = 0; i < description.macro_count; ++i) {
        const table_macro &macro = description.macros[i];
        if (std::strcmp(macro.name, name) == 0 && holds_in(macro.where, tests_holding))
            return macro.value;
    }
    return 0;
}

} // namespace

long bytes_of_state(const table_description &description, unsigned tests_holding)
{
    long bytes = 0;
    for (int i = 0; i < description.array_count; ++i) {
        const table_array &array = description.arrays[i];
        if (array.writable && holds_in(array.where, tests_holding))
            bytes += writable_count(description, array, tests_holding) * static_cast<long>(element_size(array.type));
    }
    return bytes;
}

long bytes_defined(const table_description &description, unsigned tests_holding)
{
    long bytes = 0;
    for (int i = 0; i < description.array_count; ++i) {
        const table_array &array = description.arrays[i];
        if (!holds_in(array.where, tests_holding) || array.writable)
            continue;
        const bool tail = holds_in(array.tail_where, tests_holding);
        bytes += (array.count + (tail ? array.tail : 0)) * static_cast<long>(element_size(array.type));
    }
    for (int i = 0; i < description.instance_count; ++i) {
        const table_instance &instance = description.instances[i];
        if (instance.defined && holds_in(instance.where, tests_holding))
            bytes += storage_of(description, instance, tests_holding).size;
    }
    return bytes;
}

void write_table_report(std::FILE *out, const table_description &description)
{
    const table_layout &layout = *description.layout;
    std::fprintf(out, "table:      %s\n", description.summary);
    // A table of one array is the array; the arrays of another are named.
    const bool named = description.array_count > 1 || !layout.has_fft_snr;
    for (int i = 0; i < description.array_count; ++i) {
        const table_array &array = description.arrays[i];
        if (array.writable)
            continue;
        const std::int32_t n = elements(array);
        const char *unit = array.paired ? "pairs" : "values";
        const std::int32_t count = array.paired ? n / 2 : n;
        if (array.exact == nullptr) {
            std::fprintf(out, "array:      %s, %d %s of %s, exact\n", array.name, static_cast<int>(count),
                         unit, array.type == element_type::index ? "indices" : "offsets");
            continue;
        }
        const bool floats = array.type == element_type::f32 || array.type == element_type::f16;
        if (floats) {
            // A float's error, in units of its epsilon, is its rounding's
            // alone; nothing saturates.
            std::fprintf(out, "array:      %s, %d %s, rounded %s%s\n", array.name, static_cast<int>(count), unit,
                         float_rule_name(array.float_rounding), array.type == element_type::f32 ? "f32" : "f16");
            const table_accuracy accuracy = measure_array(array);
            write_figure(out, "max error:", accuracy.max_error, 3, array.type == element_type::f32 ? "eps (2^-23)"
                                                                                                   : "eps (2^-10)");
            write_figure(out, "snr:", accuracy.exact ? std::numeric_limits<long double>::infinity() : accuracy.snr_db,
                         1, "dB");
            continue;
        }
        if (named)
            std::fprintf(out, "array:      %s, %d %s, rounded %s\n", array.name, static_cast<int>(count),
                         unit, rounding_name(array.rule));
        const table_accuracy accuracy = measure_array(array);
        write_figure(out, "max error:", accuracy.max_error, 3, "LSB");
        write_figure(out, "rms error:", accuracy.rms_error, 3, "LSB");
        write_figure(out, "mean error:", accuracy.mean_error, 3, "LSB");
        write_figure(out, "snr:", accuracy.exact ? std::numeric_limits<long double>::infinity() : accuracy.snr_db, 1,
                     "dB");
        if (layout.has_fft_snr)
            write_figure(out, "fft snr:",
                         fft_snr_db(static_cast<const std::int16_t *>(array.values), n, array.scale),
                         1, "dB");
        std::fprintf(out, "saturated:  %d of %d entries\n", static_cast<int>(array.saturated),
                     static_cast<int>(n));
        if (array.window_length > 0) {
            const std::int32_t length = array.window_length;
            const window_figures exact =
                measure_window(length, [&](std::int32_t k) { return array.exact(array, k) / array.scale; });
            const window_figures quantized =
                measure_window(length, [&](std::int32_t k) { return element_value(array, k) / array.scale; });
            char exact_figure[64], quantized_figure[64];
            format_figure(exact_figure, sizeof exact_figure, exact.gain, 6);
            format_figure(quantized_figure, sizeof quantized_figure, quantized.gain, 6);
            std::fprintf(out, "gain:       %s exact, %s quantized\n", exact_figure, quantized_figure);
            format_bandwidth(exact_figure, sizeof exact_figure, exact.bandwidth);
            format_bandwidth(quantized_figure, sizeof quantized_figure, quantized.bandwidth);
            std::fprintf(out, "enbw:       %s exact, %s quantized\n", exact_figure, quantized_figure);
        }
    }
    if (layout.runs_an_fft && !layout.has_fft_snr)
        std::fprintf(out, "fft snr:    does not apply to %s, whose FFT is not the radix-2 one\n",
                     layout.name);
    for (int i = 0; i < description.report_count; ++i)
        std::fprintf(out, "%-12s%s\n", description.report[i].label, description.report[i].value);
    for (unsigned tests = 0; tests < 1u << description.test_count; ++tests) {
        std::fprintf(out, "bytes:      %ld", bytes_defined(description, tests));
        // The state, where the layout has one, is RAM's.
        const long state = bytes_of_state(description, tests);
        if (state > 0)
            std::fprintf(out, " of constants and %ld of RAM", state);
        if (description.test_count > 0) {
            std::fputs(" on ", out);
            write_build_name(out, description, tests);
        }
        std::fputs("\n", out);
    }
}
