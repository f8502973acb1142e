// Runs the built tool as its users do, and checks its standard output,
// standard error and exit status.

#include "tool_under_test.h"
#include "twiddle_fixtures.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

std::string usage_text()
{
    const char *lines[] = {
        "",
        "USAGE",
        "    This is a stand-alone program intended to generate twiddle-factor",
        "    arrays for the QMX_cfftbf library routine.  It is called as follows:",
        "",
        "        veltabgen [-s scale] N > outputfile.c",
        "",
        "    The argument 'N' specifies the size of the FFT.  This value",
        "    must be a power of 2.  The switch '-s scale' allows selecting",
        "    a different scale factor for the coefficients.  The default",
        "    scale factor is 32767.5.",
        "",
        "    This program will generate the twiddle factor array 'w' and",
        "    output the result to the display.  Redirect the output to",
        "    a file as shown above.",
        "",
    };
    std::string text;
    for (const std::string line : lines)
        text += line + std::string(72 - line.size(), ' ') + "\n";
    return text;
}

const std::string numeric_argument = "The -s switch requires a numeric argument.\n";
const std::string scale_range = "Scale factor out of range.\n";
const std::string size_range = "FFT size must be between 16 and 32768 points.";
const std::string power_of_two = "FFT size must be a power of 2\n";
const std::string no_size = "Must specify FFT size.";

std::string unrecognized_switch(char c)
{
    return std::string("Unrecognized switch character: '") + c + "'\n";
}

std::string unrecognized_argument(const std::string &shown)
{
    return "Unrecognized argument:  " + shown + "\n";
}

std::string bracketed(const std::vector<std::string> &args)
{
    std::string text;
    for (const std::string &arg : args)
        text += " [" + arg + "]";
    return text;
}

struct fault_case {
    std::vector<std::string> args;
    std::optional<std::string> message; // none: the usage text alone
};

TEST(CommandLine, EveryFaultShowsUsageThenOneErrorAndWritesNoOutput)
{
    const std::string forty_letters(40, 'q');
    const fault_case cases[] = {
        {{}, std::nullopt},
        // The scale switch and its value.
        {{"-s"}, numeric_argument},
        {{"64", "-s"}, numeric_argument},
        {{"-s", "", "64"}, numeric_argument},
        {{"-s", "abc", "64"}, numeric_argument},
        {{"-size", "64"}, numeric_argument},
        {{"/S", ".", "64"}, numeric_argument},
        {{"-s", "0x", "64"}, numeric_argument},
        {{"-s", "-x", "64"}, numeric_argument},
        {{"-s", "-5", "64"}, scale_range},
        {{"-s", "0", "64"}, scale_range},
        {{"-s0", "64"}, scale_range},
        {{"/s", "-0", "64"}, scale_range},
        {{"-s", "32767.61", "64"}, scale_range},
        {{"-s", "32768", "64"}, scale_range},
        {{"-s", "1e400", "64"}, scale_range},
        {{"-s", "inf", "64"}, scale_range},
        {{"-s", "nan", "64"}, scale_range},
        {{"-snan", "64"}, scale_range},
        {{"-S", "-nan", "64"}, scale_range},
        // Other switches.
        {{"-x"}, unrecognized_switch('x')},
        {{"/q", "64"}, unrecognized_switch('q')},
        {{"64", "-S500", "-h"}, unrecognized_switch('h')},
        {{"-64"}, unrecognized_switch('6')},
        {{"--s", "64"}, unrecognized_switch('-')},
        // Arguments that are not sizes, a lone switch character among them.
        {{"abc"}, unrecognized_argument("abc")},
        {{forty_letters}, unrecognized_argument(forty_letters.substr(0, 32))},
        {{"+64"}, unrecognized_argument("+64")},
        {{" 64"}, unrecognized_argument(" 64")},
        {{""}, unrecognized_argument("")},
        {{"-"}, unrecognized_argument("-")},
        {{"/", "64"}, unrecognized_argument("/")},
        // Sizes.
        {{"8"}, size_range},
        {{"0"}, size_range},
        {{"0x40"}, size_range},
        {{"15"}, size_range},
        {{"32769"}, size_range},
        {{"65536"}, size_range},
        {{"4294967312"}, size_range},
        {{"99999999999999999999999999999999999999999"}, size_range},
        {{"100"}, power_of_two},
        {{"48"}, power_of_two},
        {{"32767"}, power_of_two},
        {{"-s", "500"}, no_size},
        {{"-s500"}, no_size},
        {{"-s", "64"}, no_size},
        // The leftmost fault decides, even where a later value would replace it.
        {{"100", "64"}, power_of_two},
        {{"-x", "abc"}, unrecognized_switch('x')},
        {{"abc", "-x"}, unrecognized_argument("abc")},
        {{"-s", "0", "8"}, scale_range},
        {{"8", "-s", "0"}, size_range},
        {{"-s", "0", "-s", "500", "64"}, scale_range},
    };
    const std::string usage = usage_text();
    for (const auto &c : cases) {
        SCOPED_TRACE("args:" + bracketed(c.args));
        const process_result result = run_tool(c.args);
        const std::string expected_err =
            with_tool_line_ends(usage + (c.message ? "ERROR:  " + *c.message + "\n" : ""));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, expected_err);
    }
}

struct success_case {
    std::vector<std::string> args;
    std::int32_t n;
    double scale;
};

TEST(CommandLine, ValidRunsWriteTheWholeSourceAndNothingElse)
{
    const success_case cases[] = {
        {{"16"}, 16, 32767.5},
        {{"64"}, 64, 32767.5},
        {{"32768"}, 32768, 32767.5},
        {{"64k"}, 64, 32767.5},
        {{"0064"}, 64, 32767.5},
        {{"64", "128"}, 128, 32767.5},
        {{"-s", "500", "64"}, 64, 500.0},
        {{"-s500", "64"}, 64, 500.0},
        {{"/S", "500", "64"}, 64, 500.0},
        {{"/s500", "64"}, 64, 500.0},
        {{"64", "-S", "500"}, 64, 500.0},
        {{"-s", "500abc", "64"}, 64, 500.0},
        {{"-s", "  5e2", "64"}, 64, 500.0},
        {{"-s", "1", "-s", "500", "64"}, 64, 500.0},
        {{"-s", "32767.6", "1024"}, 1024, 32767.6},
        {{"-s", "0.5", "256"}, 256, 0.5},
        {{"-s", "1e-300", "16"}, 16, 1e-300},
        {{"-s", "0x1p9", "64"}, 64, 512.0},
        {{"-s", "1234.5678901234567", "64"}, 64, 1234.5678901234567},
        {{"-s", "0.0000000005", "16"}, 16, 0.0000000005},
        {{"-s", "2.0000000005", "16"}, 16, 2.0000000005},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("args:" + bracketed(c.args));
        const process_result result = run_tool(c.args);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, with_tool_line_ends(render(table_for(c.n, c.scale), c.scale)));
    }
}

struct write_failure_case {
    output_target target;
    int error;
};

TEST(CommandLine, FailedWriteToStandardOutputIsReported)
{
    const write_failure_case cases[] = {
        {output_target::full_device, ENOSPC},
        {output_target::closed, EBADF},
    };
    for (const auto &c : cases) {
        for (const char *size : {"16", "32768"}) {
            const process_result result = run_tool({size}, c.target);
            EXPECT_EQ(result.status, 1) << size;
            EXPECT_EQ(result.err,
                      with_tool_line_ends(std::string("ERROR:  Unable to write output: ") +
                                          std::strerror(c.error) + "\n"))
                << size;
        }
    }
}

} // namespace
