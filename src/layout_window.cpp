// A window function as a table of N values in q15 or q31, one constant
// array of int16_t or int32_t, for plain C and CMSIS-DSP alike: Hann,
// Hamming, Blackman or flat top, periodic (DFT-even, for spectral analysis)
// by default or symmetric (for filter design), with the coefficients of
// scipy.signal.windows, rounded to nearest and saturated, so that 1.0 is
// 0x7FFF. Each value is the sum a0 - a1 cos(x) + a2 cos(2x) - ... as scipy
// sums it in double precision, for x from 0 to 2 pi over the window's period:
// N + 1 points for a periodic window, whose last is left out, N for a
// symmetric one.

#include <cmath>
#include <cstdio>

#include "layout_window.h"

extern const char *const window_names[] = {"hann", "hamming", "blackman", "flattop", nullptr};

namespace {

struct cosine_sum {
    int terms;
    double coefficients[5]; // as scipy writes them, in double precision
    // As the window's definition gives them: whole numbers over one
    // denominator, so that a sum that is 0, as Blackman's at its ends, is
    // exactly 0.
    long double numerators[5];
    long double denominator;
};

// In the order of window_kind. Hann and Hamming are scipy's general Hamming
// window, whose second coefficient it computes as 1 - alpha.
const cosine_sum windows[] = {
    {2, {0.5, 1.0 - 0.5}, {1, 1}, 2},
    {2, {0.54, 1.0 - 0.54}, {54, 46}, 100},
    {3, {0.42, 0.50, 0.08}, {42, 50, 8}, 100},
    {5,
     {0.21557895, 0.41663158, 0.277263158, 0.083578947, 0.006947368},
     {215578950, 416631580, 277263158, 83578947, 6947368},
     1e9L},
};

// The points over which the window's cosines run, from -pi to pi.
std::int32_t points_of(const table_array &array)
{
    return array.angle_points;
}

// Element i: the sum of its cosines as scipy's general_cosine sums them,
// over numpy's linspace(-pi, pi, points), whose last point is pi itself; 0
// past the window.
double window_value(const table_array &array, std::int32_t i)
{
    if (i >= array.window_length)
        return 0.0;
    const cosine_sum &sum = windows[array.variant];
    const std::int32_t points = points_of(array);
    const double start = -static_cast<double>(pi), stop = static_cast<double>(pi);
    const double step = (stop - start) / (points - 1);
    const double x = i == points - 1 ? stop : static_cast<double>(i) * step + start;
    double w = 0.0;
    for (int k = 0; k < sum.terms; ++k)
        w += sum.coefficients[k] * std::cos(k * x);
    return w;
}

long double exact_window(const table_array &array, std::int32_t i)
{
    if (i >= array.window_length)
        return 0.0L;
    const cosine_sum &sum = windows[array.variant];
    const long double x = 2 * pi * i / (points_of(array) - 1) - pi;
    long double w = 0.0L;
    for (int k = 0; k < sum.terms; ++k)
        w += sum.numerators[k] * std::cos(k * x);
    return w / sum.denominator * array.scale;
}

void describe(const table_request &request, table_description &description)
{
    const bool q31 = request.type == sample_type::q31;
    const char *window = window_names[static_cast<int>(request.window)];
    const rounding_rule rule = rule_for(request, rounding_rule::nearest);
    description.title = "Automatically generated window table.";
    description.header_title = "Automatically generated window table: the declaration.";
    description.types_header = "<stdint.h>";
    std::snprintf(description.summary, sizeof description.summary, "%d points, %s %s, %s, rounded %s",
                  request.points, request.symmetric ? "symmetric" : "periodic", window, q31 ? "q31" : "q15",
                  rounding_name(rule));
    add_row(description, "Number of points:", true, "%d", request.points);
    add_row(description, "Layout:", true, "window");
    add_row(description, "Window:", true, "%s, %s", window, request.symmetric ? "symmetric" : "periodic");
    add_row(description, "Type:", true, "%s", q31 ? "q31" : "q15");
    add_row(description, "Rounding:", true, "%s", rounding_phrase(rule));
    add_row(description, "Required alignment:", false, "4 byte (word)");
    add_window_array(description, request, "", q31 ? "int32_t" : "int16_t", q31 ? element_type::q31 : element_type::q15,
                     request.window, request.points, request.points, request.symmetric, rule);
    add_macro(description, "_LENGTH", request.points);
}

} // namespace

table_array &add_window_array(table_description &description, const table_request &request,
                              const char *suffix, const char *c_type, element_type type, window_kind window,
                              std::int32_t n, std::int32_t length, bool symmetric, rounding_rule rule)
{
    table_array &array = add_array(description, request.array_name, suffix, c_type, type, n);
    array.variant = static_cast<std::int32_t>(window);
    array.window_length = length;
    array.angle_points = symmetric ? length : length + 1;
    array.rule = rule;
    array.value = window_value;
    array.exact = exact_window;
    array.scale = full_scale(type);
    return array;
}

extern const table_layout window_layout = {
    .name = "window",
    .what = "a window function's values",
    .min_points = 2,
    .max_points = 32768,
    .power_of_two = false,
    .options = option_q31 | option_window | option_symmetric,
    .fixed_scale = "its values are fractions of full scale",
    .windows = window_names,
    .runs_an_fft = false,
    .describe = describe,
    .fill = fill_from_values,
};
