#include "table_stats.h"

#include <cmath>
#include <complex>
#include <cstring>
#include <limits>

namespace {

constexpr long double two_pi = 6.283185307179586476925286766559005768L;

// Element i of the array, of whichever integer type it holds.
long double element(const table_array &array, std::int32_t i)
{
    return array.type == element_type::q31 ? static_cast<const std::int32_t *>(array.values)[i]
                                            : static_cast<const std::int16_t *>(array.values)[i];
}

} // namespace

table_accuracy measure_array(const table_array &array)
{
    long double largest = 0.0L;
    long double squared_errors = 0.0L;
    long double errors = 0.0L;
    long double squared_values = 0.0L;
    const std::int32_t n = 2 * array.pairs;
    for (std::int32_t i = 0; i < n; ++i) {
        const long double exact = array.exact(array, i);
        const long double error = element(array, i) - exact;
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

// Writes a report line's value with the given decimals, "inf" where it is
// infinite, and never a negative zero, which would only tell on which side
// of it rounding fell.
void write_figure(std::FILE *out, const char *label, double value, int decimals, const char *unit)
{
    char figure[64];
    if (std::isinf(value))
        std::snprintf(figure, sizeof figure, "inf");
    else
        std::snprintf(figure, sizeof figure, "%.*f", decimals, value);
    const char *shown = figure;
    if (figure[0] == '-' && std::strspn(figure + 1, "0.") == std::strlen(figure + 1))
        ++shown;
    std::fprintf(out, "%-12s%s %s\n", label, shown, unit);
}

} // namespace

void write_table_report(std::FILE *out, const table_description &description)
{
    const table_layout &layout = *description.layout;
    std::fprintf(out, "table:      %s\n", description.summary);
    // A table of one array is the array; the arrays of another are named.
    const bool named = description.array_count > 1 || !layout.has_fft_snr;
    for (int i = 0; i < description.array_count; ++i) {
        const table_array &array = description.arrays[i];
        if (array.exact == nullptr) {
            std::fprintf(out, "array:      %s, %d pairs of indices, exact\n", array.name,
                         static_cast<int>(array.pairs));
            continue;
        }
        if (named)
            std::fprintf(out, "array:      %s, %d pairs, rounded %s\n", array.name,
                         static_cast<int>(array.pairs), rounding_name(array.rule));
        const table_accuracy accuracy = measure_array(array);
        write_figure(out, "max error:", accuracy.max_error, 3, "LSB");
        write_figure(out, "rms error:", accuracy.rms_error, 3, "LSB");
        write_figure(out, "mean error:", accuracy.mean_error, 3, "LSB");
        write_figure(out, "snr:",
                     accuracy.exact ? std::numeric_limits<double>::infinity() : accuracy.snr_db, 1,
                     "dB");
        if (layout.has_fft_snr)
            write_figure(out, "fft snr:",
                         fft_snr_db(static_cast<const std::int16_t *>(array.values),
                                    2 * array.pairs, array.scale),
                         1, "dB");
        std::fprintf(out, "saturated:  %d of %d entries\n", static_cast<int>(array.saturated),
                     static_cast<int>(2 * array.pairs));
    }
    if (!layout.has_fft_snr)
        std::fprintf(out, "fft snr:    does not apply to %s, whose FFT is not the radix-2 one\n",
                     layout.name);
}
