#ifndef VELTABGEN_TESTS_TOOL_UNDER_TEST_H
#define VELTABGEN_TESTS_TOOL_UNDER_TEST_H

#include "run_process.h"

#include <string>
#include <vector>

// The tool that the end-to-end tests run: the one just built, or the command
// given in the environment variable VELTABGEN_TEST_COMMAND (words separated by
// spaces), such as the Windows build run by Wine. VELTABGEN_TEST_LINE_ENDS=crlf
// says that the tool writes text-mode Windows line ends.
process_result run_tool(const std::vector<std::string> &args, const process_options &options = {});

// Whether the tool under test is the one just built for this host, rather
// than a build for another platform run through a command.
bool tool_is_native();

// The arguments, each in brackets, to name a case in a test's trace.
std::string bracketed(const std::vector<std::string> &args);

// The text as the tool under test writes it: with CR LF line ends where it
// writes those, else unchanged.
std::string with_tool_line_ends(const std::string &text);

#endif
