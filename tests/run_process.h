#ifndef VELTABGEN_TESTS_RUN_PROCESS_H
#define VELTABGEN_TESTS_RUN_PROCESS_H

#include <string>
#include <vector>

struct process_result {
    std::vector<std::string> command; // as run, the program first
    int status; // the exit status, or -1 when a signal ended the process
    std::string out;
    std::string err;
};

// Where the command's standard output goes: captured, to a device that is
// always full, or nowhere (closed).
enum class output_target { captured, full_device, closed };

struct process_options {
    output_target stdout_target = output_target::captured;
    std::string working_directory; // empty: the test's own
    // Shell commands run before the command, in the shell that then becomes
    // it: limits ("ulimit -f 8") and environment ("export NAME=value"). The
    // shell ignores SIGXFSZ, so that a file grown too large fails a write
    // instead of ending the process.
    std::string prelude;
};

// Runs command (its first element a program path) with an empty standard
// input, and returns its exit status and what it wrote to standard output
// and standard error.
process_result run_process(const std::vector<std::string> &command,
                           const process_options &options = {});

#endif
