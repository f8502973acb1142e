#ifndef VELTABGEN_COMMAND_LINE_H
#define VELTABGEN_COMMAND_LINE_H

#include <cstddef>
#include <cstdio>

#include "table_layout.h"
#include "table_request.h"

enum class run_action { generate, show_help, show_version, report_fault };

struct command_line {
    run_action action;
    table_request request;
    // Whether an argument is a long option ("--" and one more character):
    // the tool's own usage then answers a fault, not the classic one.
    bool long_options;
    bool alignment_given; // by --align; else the layout's own
    unsigned options_given; // the table_options of the options given
    // The layout against which a size and a name are checked as they are
    // met: that of the run, once a first reading has found it; null before.
    const table_layout *layout_of_run;
    // With report_fault: the message of the error line, or an empty text for
    // the usage text alone, in a static room that bounds every message, so
    // that a fault is reported without allocating.
    const char *fault_message;
};

// Writes c into out as an error line shows a value: as itself, or, for a
// control character, as an escape ("\n", "\t", "\x01"), so that one error
// stays one line. Returns the number of characters written, at most 4.
std::size_t show_character(char c, char *out);

// The usage text: sixteen lines of 72 characters.
extern const char usage_text[];

// The usage lines of today's tool, with every option, which open --help and
// answer a fault in a command line with a long option.
extern const char option_usage[];

// What follows option_usage in --help: each option.
extern const char help_text[];

// Writes what follows help_text in --help: each layout, its sizes and the
// options that not every layout takes, from the layouts' own data.
void write_layout_help(std::FILE *out);

// What follows option_usage after a fault: where to read more.
extern const char help_pointer[];

// Reads the arguments after argv[0] from left to right, checking each value
// as it is met: the first fault decides, and a later value replaces an
// earlier one. --help and --version end the reading where they stand.
command_line read_command_line(int argc, char *argv[]);

#endif
