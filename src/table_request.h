#ifndef VELTABGEN_TABLE_REQUEST_H
#define VELTABGEN_TABLE_REQUEST_H

#include <cstdint>

#include "twiddle_table.h"

// How the source asks its compiler to align the table on 4 bytes.
enum class alignment_style {
    ti,   // #pragma DATA_ALIGN, for the DSP's own compiler
    gnu,  // __attribute__((aligned(4))), for GNU-compatible compilers
    c11,  // _Alignas(4), for any C11 compiler
    none, // no request
};

constexpr int no_bank = -1;

// The type of a CMSIS layout's values.
enum class sample_type {
    q15, // 16-bit fixed point
    q31, // 32-bit fixed point
    f32, // single precision
    f16, // half precision
};

// Whether the type is a floating-point one.
inline bool is_float(sample_type type)
{
    return type == sample_type::f32 || type == sample_type::f16;
}

// The type as --type names it.
const char *type_name(sample_type type);

// The window function of a window table, or of an MFCC's frames.
enum class window_kind {
    hann,
    hamming,
    blackman,
    flattop,
};

struct table_layout;
struct filter_design;

// What a run generates: the table, and the form of its source. The command
// line fills it; the table and the writers read it.
struct table_request {
    const table_layout *layout; // what the source holds: radix2 by default
    sample_type type;
    std::int32_t points;
    double scale;
    const char *array_name;
    alignment_style alignment;
    const char *output_path; // the source file, or null for standard output
    const char *header_path; // the header file, or null for none
    const char *section;     // the section that holds the array, or null
    int bank;                // the memory bank that holds it, or no_bank
    bool check;              // compare the files with the text instead of writing them
    rounding_rule rounding;
    bool rounding_given;     // by --round; else each array is rounded as its layout rounds it
    bool stats;              // report the table's accuracy instead of writing it
    window_kind window;      // of the window layout, and of the MFCC's frames
    bool window_given;       // by --window; else the layout's default
    bool symmetric;          // the window for filter design, not spectral analysis
    double sample_rate;      // of the MFCC's input, in Hz
    std::int32_t mel_filters;
    std::int32_t dct_outputs;
    double fmin, fmax;       // of the mel filters, in Hz
    bool fmax_given;         // by --fmax; else half the sample rate
    std::int32_t frame_length; // of the MFCC's frames, by --frame-length; 0 for N
    const char *coefficients_path; // the filter's design, by --coefficients, or null
    const filter_design *design;   // as read from it, once the command line is accepted
};

// The last component of path, after its last directory separator: the name
// by which the source includes the header beside it.
const char *base_name(const char *path);

#endif
