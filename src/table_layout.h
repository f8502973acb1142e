#ifndef VELTABGEN_TABLE_LAYOUT_H
#define VELTABGEN_TABLE_LAYOUT_H

// What a run writes, as data: the arrays of a table layout, each with its
// element type and values, and the instances that point at them, each part
// where it holds: in every build, or only where a test of the preprocessor
// holds or fails (a Helium build, say). Each layout (layout_radix2.cpp,
// layout_cmsis_cfft.cpp, layout_cmsis_rfft.cpp, layout_window.cpp,
// layout_cmsis_mfcc.cpp) describes them for a request; the writer, the
// header, --check and --stats then print or measure any description alike.

#include <cstddef>
#include <cstdint>

#include "coefficient_file.h"
#include "float_rounding.h"
#include "scan_double.h"
#include "table_request.h"
#include "twiddle_table.h"

struct table_description;

// What an array's elements are, and how they are printed.
enum class element_type {
    q15,    // a signed 16-bit value, in hexadecimal
    q31,    // a signed 32-bit value, in decimal
    index,  // an unsigned 16-bit index, in hexadecimal
    offset, // an unsigned 32-bit offset, position or length, in decimal
    f32,    // a float, as a literal that reads back as it
    f16,    // a half (its bits, stored), as a float literal of its value
};

// A test of the preprocessor, made after the source's #include, that some
// parts of a file depend on: the compiler's own macros decide, as they decide
// in the headers of the library that reads the tables.
struct build_test {
    const char *expression; // as #if takes it
    const char *holds;      // the builds where it holds, as --stats names them
    const char *fails;      // and those where it fails, or null to name none
};

constexpr int max_build_tests = 2;

// Where a part of the file holds: in the builds where every test of holds
// holds and every test of fails fails (bit t for test t of the description).
// The empty condition holds in every build.
struct condition {
    unsigned char holds;
    unsigned char fails;
};

constexpr condition every_build = {0, 0};

inline bool operator==(condition a, condition b)
{
    return a.holds == b.holds && a.fails == b.fails;
}

// Both conditions at once.
inline condition both(condition a, condition b)
{
    return {static_cast<unsigned char>(a.holds | b.holds), static_cast<unsigned char>(a.fails | b.fails)};
}

// Whether no build meets both.
inline bool excludes(condition a, condition b)
{
    return (a.holds & b.fails) != 0 || (a.fails & b.holds) != 0;
}

// The build in which each test holds where its bit of tests_holding is set.
inline bool holds_in(condition where, unsigned tests_holding)
{
    return (where.holds & ~tests_holding) == 0 && (where.fails & tests_holding) == 0;
}

constexpr std::size_t max_derived_name = 96; // IDENT and the longest suffix

// One array of the source: count elements of its type in every build where
// it holds, then tail more where tail_where holds too.
struct table_array {
    char name[max_derived_name];
    const char *c_type; // "short", "q15_t", "q31_t", "float32_t", "float16_t", "int16_t", "uint16_t", "uint32_t"
    element_type type;
    std::int32_t count;
    bool paired;     // declared as [2 * pairs], a pair to an angle
    condition where; // where the array is defined
    std::int32_t tail;
    condition tail_where;
    void *values; // count + tail elements; set by reserve_values
    rounding_rule rule; // how each value became an integer (not for an index or offset)
    float_rule float_rounding; // how each value became a float or half
    // Of a window: its values, before the zeros that pad it to count, whose
    // gain and noise bandwidth --stats reports; 0 for any other array.
    std::int32_t window_length;
    // Not a constant but the client's state, in RAM, zeroed: declared with
    // no initializer, its size the macro IDENT and size_macro in each build.
    bool writable;
    const char *size_macro;
    // A table of the client library's own, named as the library names it,
    // equal to its own, and defined weakly where the compiler can: a
    // program linked with a library built without a section for each table
    // then need not take along the library's every table with this one, and
    // one linked with the library's own takes that. The library's headers
    // declare it, not the file's.
    bool weak;
    // The exact value of element i, in the element's units (LSB), for
    // --stats; null for an array of indices or offsets, which is exact.
    long double (*exact)(const table_array &array, std::int32_t i);
    // Element i before it is made an integer, in units of 1.0, where the
    // layout fills its arrays by fill_values: in double precision, which
    // every platform computes alike, so that the tables are the same
    // everywhere.
    double (*value)(const table_array &array, std::int32_t i);
    // Or else what fills the elements, where they are not values made
    // integers, but indices or offsets.
    void (*fill)(table_array &array);
    std::int32_t angle_points; // n, where the angles are 2 pi k / n
    std::int32_t variant;      // which one of the layout's arrays of one kind
    double scale;              // the value of 1.0, in LSB
    std::int32_t saturated;    // elements that saturation changed, counted by fill
};

// How a field of an instance is stored, for its size on a 32-bit target.
enum class field_kind {
    u8,
    u16,
    u32,
    pointer,
    instance, // another instance of the description, held by value
};

constexpr std::size_t max_field_text = max_derived_name + 2;

struct instance_field {
    condition where;
    field_kind kind;
    int instance;               // with field_kind::instance: which one
    char text[max_field_text];  // the initializer of any other kind, as C
};

// A constant structure that points at the arrays: the layout's entry point
// for the library that reads them.
constexpr int max_instance_fields = 16;
struct table_instance {
    char name[max_derived_name];
    const char *c_type;
    condition where; // where it is defined
    bool defined;    // false for one that only other instances hold by value
    instance_field fields[max_instance_fields];
    int field_count;
};

// The room of a row's value: a count and two numbers in full.
constexpr std::size_t max_row_value = 2 * max_decimal_text + 32;

// A size that the header defines as a macro, named IDENT and a suffix
// ("_FFT_LENGTH"), for the buffers of the code that calls the library: its
// value in the builds where it holds.
struct table_macro {
    char name[max_derived_name];
    long value;
    condition where;
};

// A line of the comment above the tables: a label and its value.
struct comment_row {
    const char *label;
    char value[max_row_value];
    bool in_header; // also in the header file's comment
};

// A build that the source refuses, with #error; and the header too, where
// its declarations cannot compile there.
struct build_refusal {
    const char *expression;
    const char *message;
    bool in_header;
};

// A line of --stats that a layout adds of its own, after the arrays'.
struct report_row {
    const char *label;
    char value[160];
};

constexpr int max_arrays = 24;
constexpr int max_instances = 8;
constexpr int max_rows = 16;
constexpr int max_macros = 12;
constexpr int max_report_rows = 12;

// What the table has beyond its arrays, for the options that set it, by bit.
enum table_option : unsigned {
    option_scale = 1u << 0,       // -s and --scale
    option_q31 = 1u << 1,         // --type=q31
    option_window = 1u << 2,      // --window
    option_symmetric = 1u << 3,   // --symmetric
    option_sample_rate = 1u << 4, // --sample-rate
    option_mel_filters = 1u << 5, // --mel-filters
    option_dct_outputs = 1u << 6, // --dct-outputs
    option_fmin = 1u << 7,        // --fmin
    option_fmax = 1u << 8,        // --fmax
    option_frame_length = 1u << 9, // --frame-length
    option_coefficients = 1u << 10, // --coefficients, which the layout needs
    option_float = 1u << 11,       // --type=f32 and --type=f16
};

// What the library whose headers the source includes asks of it: shared by
// that library's layouts.
struct table_client {
    const char *table_attribute; // what follows each array's declarator but for --section, or null
    // The names, besides the C library's, that its headers declare: a name
    // of the file may be none of these, nor begin with one of the prefixes.
    const char *const *taken_names;
    std::size_t taken_name_count;
    const char *const *taken_prefixes; // ending in null
    const char *names_taken_by;        // what declares them, for the message
};

// A layout gives what differs from the defaults here.
struct table_layout {
    const char *name;           // as --layout names it
    const char *what;           // what it writes, for --help
    std::int32_t min_points, max_points;
    std::int32_t max_float_points = 0; // in f32 and f16, where it is less
    bool power_of_two = true;   // N must be one
    unsigned options = 0;       // the table_options it takes
    const char *fixed_scale = nullptr;    // why it takes no scale, where it takes none
    const char *const *windows = nullptr; // the --window values it takes, the default first, or null
    bool runs_an_fft = true;    // its tables serve an FFT, as a window's do not
    bool has_fft_snr = false;   // --stats reports fft snr, a figure of this table's own FFT
    bool has_bank_note = false; // with --align=ti, the note on the DSP's memory banks
    bool guard_by_name = false; // the header's guard is VELTABGEN_<IDENT>_H, as it always was
    bool external_in_cxx = true; // compiled as C++ without its header, the source keeps C linkage
    alignment_style default_alignment = alignment_style::gnu; // where --align is not given
    const table_client *client = nullptr; // the library whose headers the source includes, or null
    // Refuses a request that cannot work, with a message written into
    // message, or returns false; null where every request works.
    bool (*refuse)(const table_request &request, char *message, std::size_t size) = nullptr;
    // Of a layout that takes --coefficients, what the file holds, and at
    // most how many sections or taps, past which too_many says what is
    // wrong; then refuses a design that the request's type cannot hold, as
    // refuse does, once the file is read.
    design_kind (*read_limits)(const table_request &request, std::int32_t &most, const char *&too_many) = nullptr;
    bool (*refuse_design)(const table_request &request, char *message, std::size_t size) = nullptr;
    // Names the arrays and instances, their types, sizes and rules, and the
    // comment, for the request; leaves the values to fill.
    void (*describe)(const table_request &request, table_description &description);
    // Computes every array's values, once reserve_values has given them room.
    void (*fill)(const table_request &request, table_description &description);
};

struct table_description {
    const table_layout *layout;
    const char *ident;        // the request's name, which the names of the parts begin with
    const char *title;        // of the source's comment
    const char *header_title; // of the header's comment
    const char *types_header; // what the source and header include for their types, or null
    char summary[128];        // what --stats reports first, after "table:"
    comment_row rows[max_rows];
    int row_count;
    build_test tests[max_build_tests];
    int test_count;
    build_refusal refusals[2];
    int refusal_count;
    table_array arrays[max_arrays];
    int array_count;
    table_instance instances[max_instances];
    int instance_count;
    table_macro macros[max_macros];
    int macro_count;
    report_row report[max_report_rows];
    int report_count;
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
                       const char *c_type, element_type type, std::int32_t count);
table_instance &add_instance(table_description &description, const char *ident,
                             const char *suffix, const char *c_type);
instance_field &add_field(table_instance &instance, field_kind kind, const char *format, ...);
// A field that holds the instance held_instance of the description by value.
instance_field &add_instance_field(table_instance &instance, int held_instance);
void add_row(table_description &description, const char *label, bool in_header,
             const char *format, ...);
table_macro &add_macro(table_description &description, const char *suffix, long value);
void add_report_row(table_description &description, const char *label, const char *format, ...);
// The test's bit, adding it to the description where it is not there yet.
unsigned char add_build_test(table_description &description, const build_test &test);

// Fills each array that has a fill or value function, counting what saturated.
void fill_values(table_description &description);
// The same, as a layout's fill, for a layout whose arrays all have one.
void fill_from_values(const table_request &request, table_description &description);

// The size in bytes of an element of the type.
std::size_t element_size(element_type type);

// Makes element i of array the integer that value (in units of 1.0) stands
// for, by the array's rule, counting it where it saturated.
inline void store_value(table_array &array, std::int32_t i, double value)
{
    bool saturated = false;
    if (array.type == element_type::f32) {
        static_cast<float *>(array.values)[i] = float_by_rule(value, array.float_rounding);
    } else if (array.type == element_type::f16) {
        static_cast<std::uint16_t *>(array.values)[i] = half_by_rule(value, array.float_rounding);
    } else if (array.type == element_type::q31) {
        static_cast<std::int32_t *>(array.values)[i] = to_fixed(value * array.scale, array.rule, 32, saturated);
    } else {
        static_cast<std::int16_t *>(array.values)[i] =
            static_cast<std::int16_t>(to_fixed(value * array.scale, array.rule, 16, saturated));
    }
    array.saturated += saturated ? 1 : 0;
}

// pi, to the precision of the widest long double. Made a double, it is the
// double nearest pi, 3.141592653589793, and two_pi the double nearest 2 pi.
constexpr long double pi = 3.141592653589793238462643383279502884L;
constexpr long double two_pi = 2 * pi;

// The array's angle for pair i, 2 pi i / angle_points.
template <typename real>
real angle_of(const table_array &array, std::int32_t pair)
{
    return static_cast<real>(two_pi) * pair / array.angle_points;
}

// The value of 1.0 in an element of the type, in LSB; of a float, in units
// of its epsilon, which --stats measures its errors in.
inline double full_scale(element_type type)
{
    switch (type) {
    case element_type::q31:
        return 2147483648.0;
    case element_type::f32:
        return 8388608.0;
    case element_type::f16:
        return 1024.0;
    default:
        return 32768.0;
    }
}

// Element i of an array of values, in the element's units (LSB, or epsilons).
inline long double element_value(const table_array &array, std::int32_t i)
{
    switch (array.type) {
    case element_type::q31:
        return static_cast<const std::int32_t *>(array.values)[i];
    case element_type::f32:
        return static_cast<long double>(static_cast<const float *>(array.values)[i]) * array.scale;
    case element_type::f16:
        return half_value(static_cast<const std::uint16_t *>(array.values)[i]) * static_cast<long double>(array.scale);
    default:
        return static_cast<const std::int16_t *>(array.values)[i];
    }
}

// The rule of the request's --round, or else the array's own.
inline rounding_rule rule_for(const table_request &request, rounding_rule own)
{
    return request.rounding_given ? request.rounding : own;
}

// A rule as a report tells it, and as a comment does.
const char *rounding_name(rounding_rule rule);
const char *rounding_phrase(rounding_rule rule);

#endif
