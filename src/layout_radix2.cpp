// The radix-2 table: one array of N/2 pairs, -scale * cos and -scale * sin
// of the angles of the upper half circle, truncated toward zero unless asked
// otherwise, for the DSP library routine QMX_cfftbf and for FFTs of one's own.

#include <cmath>
#include <cstdio>

#include "table_layout.h"

namespace {

long double exact_entry(const table_array &array, std::int32_t i)
{
    const long double angle = angle_of<long double>(array, i / 2);
    return -array.scale * (i % 2 == 0 ? std::cos(angle) : std::sin(angle));
}

void describe(const table_request &request, table_description &description)
{
    description.title = "Automatically generated twiddle-factor array.";
    description.header_title = "Automatically generated twiddle-factor array: the declaration.";
    std::snprintf(description.summary, sizeof description.summary, "%d points, scale %.9f, rounded %s",
                  request.points, request.scale, rounding_name(request.rounding));
    add_row(description, "Number of points:", true, "%d", request.points);
    add_row(description, "Scale factor:", true, "%.9f", request.scale);
    // Truncation, the table's own rule, goes unsaid, as it always has.
    if (request.rounding != rounding_rule::toward_zero)
        add_row(description, "Rounding:", true, "%s", rounding_phrase(request.rounding));
    add_row(description, "Appropriate FFTs:", false, "QMX_cfftbf");
    add_row(description, "Required alignment:", false, "4 byte (word)");
    table_array &array = add_array(description, request.array_name, "", "short",
                                   element_type::q15, request.points);
    array.paired = true;
    array.rule = request.rounding;
    array.exact = exact_entry;
    array.angle_points = request.points;
    array.scale = request.scale;
    // The largest FFT that the table serves, or that the smaller ones read
    // it at a stride of.
    add_macro(description, "_FFT_LENGTH", request.points);
}

void fill(const table_request &request, table_description &description)
{
    table_array &array = description.arrays[0];
    make_twiddle_table(static_cast<std::int16_t *>(array.values), request.points, request.scale,
                       request.rounding);
    if (request.stats)
        array.saturated = count_saturated(request.points, request.scale, request.rounding);
}

} // namespace

extern const table_layout radix2_layout = {
    .name = "radix2",
    .what = "the table above",
    .min_points = 16,
    .max_points = 32768,
    .options = option_scale,
    .has_fft_snr = true,
    .has_bank_note = true,
    .guard_by_name = true,
    .external_in_cxx = false,
    .default_alignment = alignment_style::ti,
    .describe = describe,
    .fill = fill,
};
