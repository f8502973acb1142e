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

// The command that runs the tool under test, to which its arguments are added.
std::vector<std::string> tool_command();

// Runs command, which runs tool_command() within it (a shell around it, say),
// as run_tool runs the tool: under Wine, a run that Wine itself failed is run
// again, so command must be one that can be run again.
process_result run_around_tool(const std::vector<std::string> &command,
                               const process_options &options = {});

// Runs command, whose first word is Wine, as run_process does; a run that
// Wine itself failed, after or before the program it ran, is run again, at
// most twice more, and each such rerun is reported on standard error. A run
// whose failure is the program's own is never run again.
process_result run_under_wine(const std::vector<std::string> &command,
                              const process_options &options = {});

// The line of err by which Wine or the system's loader reports a failure of
// its own, or an empty text when err holds none.
std::string wine_failure_in(const std::string &err);

// Whether the tool under test is the one just built for this host, rather
// than a build for another platform run through a command.
bool tool_is_native();

// The arguments, each in brackets, to name a case in a test's trace.
std::string bracketed(const std::vector<std::string> &args);

// A run for a failure message: its whole command, its exit status and its
// standard error, so that a rare failure can be told from one log.
std::string described(const process_result &result);

// The usage texts that precede the error line of a fault in the command
// line: the classic one of sixteen lines of 72 characters, for a command line
// of switches and sizes alone; and that of today's tool, for one with a long
// option, which ends with a line that points to --help.
std::string classic_usage();
std::string options_usage();

// The text as the tool under test writes it: with CR LF line ends where it
// writes those, else unchanged.
std::string with_tool_line_ends(const std::string &text);

#endif
