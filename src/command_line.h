#ifndef VELTABGEN_COMMAND_LINE_H
#define VELTABGEN_COMMAND_LINE_H

#include <cstdint>

// How the source asks its compiler to align the table on 4 bytes.
enum class alignment_style {
    ti,   // #pragma DATA_ALIGN, for the DSP's own compiler
    gnu,  // __attribute__((aligned(4))), for GNU-compatible compilers
    c11,  // _Alignas(4), for any C11 compiler
    none, // no request
};

// What a run generates: the table, and the form of its source.
struct table_request {
    std::int32_t points;
    double scale;
    const char *array_name;
    alignment_style alignment;
    const char *output_path; // the source file, or null for standard output
    const char *header_path; // the header file, or null for none
};

enum class run_action { generate, show_help, show_version, report_fault };

struct command_line {
    run_action action;
    table_request request;
    // With report_fault: the message of the error line, or an empty text for
    // the usage text alone. Its room bounds every message, so that a fault is
    // reported without allocating.
    char fault_message[128];
};

// The usage text: sixteen lines of 72 characters.
extern const char usage_text[];

// The long options, one to a line, as --help shows them after the usage text.
extern const char option_summary[];

// The last component of path, after its last directory separator: the name
// by which the source includes the header beside it.
const char *base_name(const char *path);

// Reads the arguments after argv[0] from left to right, checking each value
// as it is met: the first fault decides, and a later value replaces an
// earlier one. --help and --version end the reading where they stand.
command_line read_command_line(int argc, char *argv[]);

#endif
