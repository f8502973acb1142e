#ifndef VELTABGEN_COMMAND_LINE_H
#define VELTABGEN_COMMAND_LINE_H

#include <cstddef>

#include "table_request.h"

enum class run_action { generate, show_help, show_version, report_fault };

struct command_line {
    run_action action;
    table_request request;
    // With report_fault: the message of the error line, or an empty text for
    // the usage text alone. Its room bounds every message, so that a fault is
    // reported without allocating.
    char fault_message[256];
};

// Writes c into out as an error line shows a value: as itself, or, for a
// control character, as an escape ("\n", "\t", "\x01"), so that one error
// stays one line. Returns the number of characters written, at most 4.
std::size_t show_character(char c, char *out);

// The usage text: sixteen lines of 72 characters.
extern const char usage_text[];

// What --help shows: a usage line with every option, then each option.
extern const char help_text[];

// Reads the arguments after argv[0] from left to right, checking each value
// as it is met: the first fault decides, and a later value replaces an
// earlier one. --help and --version end the reading where they stand.
command_line read_command_line(int argc, char *argv[]);

#endif
