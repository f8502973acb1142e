#include "table_stats.h"

#include <cmath>

table_accuracy measure_table(const std::int16_t *table, std::int32_t n, double scale)
{
    constexpr long double two_pi = 6.283185307179586476925286766559005768L;
    long double largest = 0.0L;
    long double squared_errors = 0.0L;
    long double errors = 0.0L;
    long double squared_values = 0.0L;
    for (std::int32_t i = 0; i < n; i += 2) {
        const long double angle = two_pi * (i / 2) / n;
        const long double exact[2] = {-scale * std::cos(angle), -scale * std::sin(angle)};
        for (int j = 0; j < 2; ++j) {
            const long double error = table[i + j] - exact[j];
            largest = std::fmax(largest, std::fabs(error));
            squared_errors += error * error;
            errors += error;
            squared_values += exact[j] * exact[j];
        }
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

void write_table_report(std::FILE *out, const std::int16_t *table, const table_request &request)
{
    const table_accuracy accuracy = measure_table(table, request.points, request.scale);
    std::fprintf(out, "table:      %d points, scale %.9f, rounded %s\n", request.points,
                 request.scale,
                 request.rounding == rounding_rule::nearest ? "to nearest" : "toward zero");
    std::fprintf(out, "max error:  %.3f LSB\n", accuracy.max_error);
    std::fprintf(out, "rms error:  %.3f LSB\n", accuracy.rms_error);
    std::fprintf(out, "mean error: %.3f LSB\n", accuracy.mean_error);
    if (accuracy.exact)
        std::fputs("snr:        inf dB\n", out);
    else
        std::fprintf(out, "snr:        %.1f dB\n", accuracy.snr_db);
    std::fprintf(out, "saturated:  %d of %d entries\n",
                 static_cast<int>(count_saturated(request.points, request.scale)),
                 static_cast<int>(request.points));
}
