#ifndef VELTABGEN_TABLE_LAYOUT_H
#define VELTABGEN_TABLE_LAYOUT_H

// What a run writes, as data: the arrays of a table layout, each with its
// element type and values, and the instances that point at them. Each layout
// (layout_radix2.cpp, layout_cmsis_cfft.cpp, layout_cmsis_rfft.cpp) describes
// them for a request; the writer, the header, --check and --stats then print
// or measure any description alike.

#include <cstddef>
#include <cstdint>

#include "table_request.h"
#include "twiddle_table.h"

struct table_description;

// What an array's elements are, and how they are printed.
enum class element_type {
    q15,   // a signed 16-bit fraction of 32768, in hexadecimal
    q31,   // a signed 32-bit fraction of 2^31, in decimal
    index, // an unsigned 16-bit index, in hexadecimal
};

constexpr std::size_t max_derived_name = 80; // IDENT and the longest suffix

// One array of the source: 2 * pairs elements of its type.
struct table_array {
    char name[max_derived_name];
    const char *c_type; // "short", "q15_t", "q31_t", "uint16_t"
    element_type type;
    std::int32_t pairs;
    void *values; // std::int16_t, std::int32_t or std::uint16_t elements; set by reserve_values
    rounding_rule rule; // how each value became an integer (not for an index)
    // The exact value of element i, in the element's units (LSB), for
    // --stats; null for an index array, which is exact.
    long double (*exact)(const table_array &array, std::int32_t i);
    // Element i before it is made an integer, in double precision, where the
    // layout fills its arrays by fill_values.
    double (*value)(const table_array &array, std::int32_t i);
    std::int32_t angle_points; // n, where the angles are 2 pi k / n
    double scale;              // the value of 1.0, in LSB
    std::int32_t saturated;    // elements that saturation changed, counted by fill
};

// A constant structure that points at the arrays: the layout's entry point
// for the library that reads them.
constexpr int max_instance_fields = 7;
struct table_instance {
    char name[max_derived_name];
    const char *c_type;
    char fields[max_instance_fields][max_derived_name + 1]; // each initializer, as C
    int field_count;
};

// A line of the comment above the tables: a label and its value.
struct comment_row {
    const char *label;
    char value[48];
    bool in_header; // also in the header file's comment
};

constexpr int max_arrays = 4;
constexpr int max_instances = 3;
constexpr int max_rows = 8;

struct table_layout {
    const char *name; // as --layout names it
    std::int32_t min_points, max_points;
    bool takes_scale;     // -s and --scale
    bool takes_q31;       // --type=q31
    bool has_fft_snr;     // --stats reports fft snr, a figure of this table's own FFT
    bool has_bank_note;   // with --align=ti, the note on the DSP's memory banks
    alignment_style default_alignment; // where --align is not given
    // Names the arrays and instances, their types, sizes and rules, and the
    // comment, for the request; leaves the values to fill.
    void (*describe)(const table_request &request, table_description &description);
    // Computes every array's values, once reserve_values has given them room.
    void (*fill)(const table_request &request, table_description &description);
};

struct table_description {
    const table_layout *layout;
    const char *title;        // of the source's comment
    const char *header_title; // of the header's comment
    const char *types_header; // the header that declares the instances' types, or null
    char summary[96];         // what --stats reports first, after "table:" 
    comment_row rows[max_rows];
    int row_count;
    table_array arrays[max_arrays];
    int array_count;
    table_instance instances[max_instances];
    int instance_count;
};

// Every layout, the default first, and the one that name names (or null).
extern const table_layout *const table_layouts[];
extern const int table_layout_count;
const table_layout *find_layout(const char *name);

// Describes the request's table, as its layout does.
void describe_table(const table_request &request, table_description &description);

// The room for every array's values, in one allocation, which the caller
// frees with std::free; null where there is no memory.
void *reserve_values(table_description &description);

// Fills the reserved arrays, as the request's layout does.
void fill_table(const table_request &request, table_description &description);

// Helpers for the layouts' files.
table_array &add_array(table_description &description, const char *ident, const char *suffix,
                       const char *c_type, element_type type, std::int32_t pairs);
table_instance &add_instance(table_description &description, const char *ident,
                             const char *suffix, const char *c_type);
void add_field(table_instance &instance, const char *format, ...);
void add_row(table_description &description, const char *label, bool in_header,
             const char *format, ...);

// Fills each array that has a value function, counting what saturated.
void fill_values(table_description &description);

// Makes element i of array the integer that value (in units of 1.0) stands
// for, by the array's rule, counting it where it saturated.
inline void store_value(table_array &array, std::int32_t i, double value)
{
    bool saturated = false;
    if (array.type == element_type::q31) {
        static_cast<std::int32_t *>(array.values)[i] = to_fixed(value * array.scale, array.rule, 32, saturated);
    } else {
        static_cast<std::int16_t *>(array.values)[i] =
            static_cast<std::int16_t>(to_fixed(value * array.scale, array.rule, 16, saturated));
    }
    array.saturated += saturated ? 1 : 0;
}

// The array's angle for pair i, 2 pi i / angle_points.
template <typename real>
real angle_of(const table_array &array, std::int32_t pair)
{
    return static_cast<real>(6.283185307179586476925286766559005768L) * pair / array.angle_points;
}

// A rule as a report tells it, and as a comment does.
const char *rounding_name(rounding_rule rule);
const char *rounding_phrase(rounding_rule rule);

#endif
