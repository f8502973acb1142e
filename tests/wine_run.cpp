// Runs a program under Wine through the same harness as the end-to-end
// tests, for the test scripts: what the last run wrote to standard output and
// standard error is passed on, and its exit status returned.
// Usage: wine_run WINE64 PROGRAM.exe [ARGUMENT...]

#include "tool_under_test.h"

#include <cstdio>
#include <string>
#include <vector>

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fputs("usage: wine_run WINE64 PROGRAM.exe [ARGUMENT...]\n", stderr);
        return 2;
    }
    const process_result result = run_under_wine(std::vector<std::string>(argv + 1, argv + argc));
    std::fwrite(result.out.data(), 1, result.out.size(), stdout);
    std::fwrite(result.err.data(), 1, result.err.size(), stderr);
    return std::fflush(stdout) == 0 && result.status >= 0 ? result.status : 1;
}
