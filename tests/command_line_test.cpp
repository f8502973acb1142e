// Runs the built tool as its users do, and checks its standard output,
// standard error and exit status.

#include "scratch_folder.h"
#include "table_stats.h"
#include "tool_under_test.h"
#include "twiddle_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

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

std::string repeated(const std::string &text, int times)
{
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

struct fault_case {
    std::vector<std::string> args;
    std::optional<std::string> message; // none: the usage text alone
    // Whether a long option asks for today's usage instead of the classic
    // one: an argument of "--" and one more character, even one that is a
    // value of -s.
    bool today = false;
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
        // One sign, then the number at once: no space, no second sign.
        {{"-s", "--5", "64"}, numeric_argument, true},
        {{"-s", "++5", "64"}, numeric_argument},
        {{"-s", "+-5", "64"}, numeric_argument},
        {{"-s", "+ 5", "64"}, numeric_argument},
        {{"-s", "- 5", "64"}, numeric_argument},
        {{"-s", "+\t7", "64"}, numeric_argument},
        {{"-s", "+ nan", "64"}, numeric_argument},
        {{"-s", "-+0x1p3", "64"}, numeric_argument},
        // Other switches.
        {{"-x"}, unrecognized_switch('x')},
        {{"/q", "64"}, unrecognized_switch('q')},
        {{"64", "-S500", "-h"}, unrecognized_switch('h')},
        {{"-64"}, unrecognized_switch('6')},
        {{"--"}, unrecognized_switch('-')},
        {{"--", "64"}, unrecognized_switch('-')},
        // Arguments that are not sizes, a lone switch character among them.
        {{"abc"}, unrecognized_argument("abc")},
        {{forty_letters}, unrecognized_argument(forty_letters.substr(0, 32))},
        {{"+64"}, unrecognized_argument("+64")},
        // Shown as given, cut at 32 bytes: a newline and a character cut in
        // two are the argument's own.
        {{"a\nb"}, unrecognized_argument("a\nb")},
        {{"\u00e9" + forty_letters}, unrecognized_argument("\u00e9" + forty_letters.substr(0, 30))},
        {{forty_letters.substr(0, 31) + "\u00e9"},
         unrecognized_argument(forty_letters.substr(0, 31) + "\xc3")},
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
        {{"80"}, power_of_two},
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
        // A correctly rounded reading of the scale: the text lies just above
        // the midpoint between 32767.6 and the next double up.
        {{"-s", "32767.6000000000003637978807091712951660156251", "64"}, scale_range},
        // Arguments that only look like ASCII ones: full-width digits, a
        // full-width minus and s.
        {{"\uFF16\uFF14"}, unrecognized_argument("\uFF16\uFF14")},
        {{"\uFF0D\uFF53", "\uFF15\uFF10\uFF10", "64"}, unrecognized_argument("\uFF0D\uFF53")},
        {{"-s", "\uFF15\uFF10\uFF10", "64"}, numeric_argument},
    };
    for (const auto &c : cases) {
        const process_result result = run_tool(c.args);
        SCOPED_TRACE(described(result));
        const std::string expected_err =
            with_tool_line_ends((c.today ? options_usage() : classic_usage()) +
                                (c.message ? "ERROR:  " + *c.message + "\n" : ""));
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
        // Texts at and either side of the midpoint between two doubles, where
        // the first entry or the range check depends on the last bit.
        {{"-s", "16383.9999999999990905", "16"}, 16, 0x1.fffffffffffffp+13},
        {{"-s", "16383.9999999999990905052982270717620849609375", "16"}, 16, 0x1p+14},
        {{"-s", "16383.99999999999909050529822707176208497", "16"}, 16, 0x1p+14},
        {{"-s", "0x3fff.fffffffffeffffffp0", "16"}, 16, 0x1.fffffffffffffp+13},
        {{"-s", "0x3fff.ffffffffffp0", "16"}, 16, 0x1p+14},
        {{"-s", "32767.600000000000363797880709171295166015625", "64"}, 64, 32767.6},
        {{"-s", "32767.60000000000036379788070917129516601562", "64"}, 64, 32767.6},
    };
    for (const auto &c : cases) {
        const process_result result = run_tool(c.args);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, with_tool_line_ends(render(table_for(c.n, c.scale), c.scale)));
    }
}

struct write_failure_case {
    std::vector<std::string> args;
    output_target target;
    int error;
};

TEST(CommandLine, FailedWriteToStandardOutputIsReported)
{
    const write_failure_case cases[] = {
        {{"16"}, output_target::full_device, ENOSPC},
        {{"32768"}, output_target::full_device, ENOSPC},
        {{"--help"}, output_target::full_device, ENOSPC},
        {{"--version"}, output_target::full_device, ENOSPC},
        {{"16"}, output_target::closed, EBADF},
        {{"32768"}, output_target::closed, EBADF},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("args:" + bracketed(c.args));
        process_options options;
        options.stdout_target = c.target;
        const process_result result = run_tool(c.args, options);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, with_tool_line_ends(std::string("ERROR:  Unable to write output: ") +
                                                  std::strerror(c.error) + "\n"));
    }
}

// The long options: each value form, their order against the classic
// arguments, and every fault they add.
TEST(LongOptions, FaultsShowUsageThenOneErrorAndWriteNoOutput)
{
    const std::string thirty_six_letters(36, 'q');
    const std::string name_of_64(64, 'n');
    std::vector<fault_case> cases = {
        {{"--s", "64"}, "Unrecognized option:  --s\n"},
        {{"--frobnicate=1", "64"}, "Unrecognized option:  --frobnicate\n"},
        {{"--Name=tw", "64"}, "Unrecognized option:  --Name\n"},
        {{"--" + thirty_six_letters}, "Unrecognized option:  --" + thirty_six_letters.substr(0, 30) + "\n"},
        {{"--name"}, "The --name option requires a value.\n"},
        {{"--name=", "64"}, "The --name option requires a value.\n"},
        {{"--name", "", "64"}, "The --name option requires a value.\n"},
        {{"--align"}, "The --align option requires a value.\n"},
        {{"64", "--header="}, "The --header option requires a value.\n"},
        {{"--output", "", "64"}, "The --output option requires a value.\n"},
        {{"--help=yes"}, "The --help option takes no value.\n"},
        {{"--version="}, "The --version option takes no value.\n"},
        {{"--name=9lives", "64"}, "Array name must be a C identifier of at most 63 characters:  9lives\n"},
        {{"--name=tw-64", "64"}, "Array name must be a C identifier of at most 63 characters:  tw-64\n"},
        {{"--name", name_of_64, "64"},
         "Array name must be a C identifier of at most 63 characters:  " + name_of_64.substr(0, 32) + "\n"},
        {{"--name=int", "64"}, "Array name is a C or C++ keyword:  int\n"},
        {{"--name=_Alignas", "64"}, "Array name is a C or C++ keyword:  _Alignas\n"},
        {{"--name=class", "64"}, "Array name is a C or C++ keyword:  class\n"},
        {{"--name=__func__", "64"}, "Array name is reserved for the C implementation:  __func__\n"},
        {{"--name=_Pragma", "64"}, "Array name is reserved for the C implementation:  _Pragma\n"},
        {{"--name=__LINE__", "64"}, "Array name is reserved for the C implementation:  __LINE__\n"},
        {{"--name=_Float32", "64"}, "Array name is reserved for the C implementation:  _Float32\n"},
        {{"--name=__int128", "64"}, "Array name is reserved for the C implementation:  __int128\n"},
        {{"--name=linux", "64"}, "Array name is a macro that compilers predefine:  linux\n"},
        // What the C standard library declares would clash with its headers.
        {{"--name=errno", "64"}, "Array name is declared by the C standard library:  errno\n"},
        {{"--name=printf", "64"}, "Array name is declared by the C standard library:  printf\n"},
        {{"--name=stdout", "64"}, "Array name is declared by the C standard library:  stdout\n"},
        {{"--name=sinf", "64"}, "Array name is declared by the C standard library:  sinf\n"},
        {{"--name=FILE", "64"}, "Array name is declared by the C standard library:  FILE\n"},
        // The layouts, and what each takes.
        {{"--layout=fft", "64"}, "Layout must be radix2, cmsis-cfft, cmsis-rfft, window, cmsis-mfcc, cmsis-biquad or cmsis-fir:  fft\n"},
        {{"--layout=CMSIS-CFFT", "64"},
         "Layout must be radix2, cmsis-cfft, cmsis-rfft, window, cmsis-mfcc, cmsis-biquad or cmsis-fir:  CMSIS-CFFT\n"},
        {{"--layout=", "64"}, "The --layout option requires a value.\n"},
        {{"--type=q7", "64"}, "Type must be q15, q31, f32 or f16:  q7\n"},
        {{"--type=F32", "--layout=cmsis-cfft", "64"}, "Type must be q15, q31, f32 or f16:  F32\n"},
        // The floats: the layouts that take them, the real FFT's sizes,
        // which the type limits wherever it stands, and no --round.
        {{"--type=f32", "64"},
         "The radix2 layout holds fixed-point values alone: --type=f32 needs cmsis-cfft, cmsis-rfft or "
         "cmsis-mfcc.\n"},
        {{"--layout=window", "--type=f16", "400"},
         "The window layout holds fixed-point values alone: --type=f16 needs cmsis-cfft, cmsis-rfft or "
         "cmsis-mfcc.\n"},
        {{"--layout=cmsis-rfft", "8192", "--type=f32"},
         "The cmsis-rfft layout takes N from 32 to 4096 in f32, a power of 2.\n"},
        {{"--type=f16", "--layout=cmsis-rfft", "8192"},
         "The cmsis-rfft layout takes N from 32 to 4096 in f16, a power of 2.\n"},
        {{"--layout=cmsis-cfft", "--type=f32", "--round=nearest", "64"},
         "The --round option rounds fixed-point values: the f32 tables are rounded as CMSIS-DSP's own.\n"},
        {{"--round=floor", "--layout=cmsis-mfcc", "--type=f16", "512"},
         "The --round option rounds fixed-point values: the f16 tables are rounded as CMSIS-DSP's own.\n"},
        {{"--type=q31", "64"},
         "The radix2 layout holds 16-bit entries alone: --type=q31 needs cmsis-cfft, cmsis-rfft, window, "
         "cmsis-mfcc, cmsis-biquad or cmsis-fir.\n"},
        {{"--layout=radix2", "--type", "q31", "64"},
         "The radix2 layout holds 16-bit entries alone: --type=q31 needs cmsis-cfft, cmsis-rfft, window, "
         "cmsis-mfcc, cmsis-biquad or cmsis-fir.\n"},
        {{"--layout=cmsis-cfft", "-s", "500", "64"},
         "The cmsis-cfft layout takes no scale: its FFT fixes it. Leave out -s and --scale.\n"},
        {{"--scale=32768", "--layout=cmsis-rfft", "64"},
         "The cmsis-rfft layout takes no scale: its FFT fixes it. Leave out -s and --scale.\n"},
        {{"--layout=cmsis-cfft", "8192"}, "The cmsis-cfft layout takes N from 16 to 4096, a power of 2.\n"},
        {{"--layout=cmsis-rfft", "--type=q31", "16"},
         "The cmsis-rfft layout takes N from 32 to 8192, a power of 2.\n"},
        {{"--layout=cmsis-rfft", "16384"}, "The cmsis-rfft layout takes N from 32 to 8192, a power of 2.\n"},
        // Every size error names the range of the layout asked for, wherever
        // the layout stands.
        {{"--layout=cmsis-rfft", "8"}, "The cmsis-rfft layout takes N from 32 to 8192, a power of 2.\n"},
        {{"99999", "--layout=cmsis-rfft"}, "The cmsis-rfft layout takes N from 32 to 8192, a power of 2.\n"},
        {{"8", "--layout", "cmsis-cfft"}, "The cmsis-cfft layout takes N from 16 to 4096, a power of 2.\n"},
        {{"--layout=cmsis-cfft", "100"}, "The cmsis-cfft layout takes N from 16 to 4096, a power of 2.\n"},
        {{"--layout=cmsis-cfft", "8", "--layout=radix2"}, size_range},
        {{"--layout=cmsis-cfft", "100", "--name=int"},
         "The cmsis-cfft layout takes N from 16 to 4096, a power of 2.\n"},
        // A scale is refused whatever its value, the radix-2 default too.
        {{"--layout=cmsis-cfft", "-s", "32767.5", "64"},
         "The cmsis-cfft layout takes no scale: its FFT fixes it. Leave out -s and --scale.\n"},
        {{"--layout=cmsis-rfft", "--scale=32767.5", "64"},
         "The cmsis-rfft layout takes no scale: its FFT fixes it. Leave out -s and --scale.\n"},
        // The source of a CMSIS layout includes arm_math.h, whose names its
        // own may not take, nor begin with its prefixes.
        {{"--layout=cmsis-cfft", "--name=arm_cfft_q15", "64"},
         "Array name is CMSIS-DSP's, whose arm_math.h the source includes:  arm_cfft_q15\n"},
        {{"--name=arm_rfft_q31", "--layout=cmsis-rfft", "64"},
         "Array name is CMSIS-DSP's, whose arm_math.h the source includes:  arm_rfft_q31\n"},
        {{"--layout=cmsis-cfft", "--name=arm_status", "64"},
         "Array name is CMSIS-DSP's, whose arm_math.h the source includes:  arm_status\n"},
        {{"--layout=cmsis-cfft", "--name=ARM_MATH_SUCCESS", "64"},
         "Array name is CMSIS-DSP's, whose arm_math.h the source includes:  ARM_MATH_SUCCESS\n"},
        {{"--layout=cmsis-rfft", "--name=arm", "64"},
         "Array name is CMSIS-DSP's, whose arm_math.h the source includes:  arm\n"},
        {{"--layout=cmsis-cfft", "--name=q15_t", "64"},
         "Array name is CMSIS-DSP's, whose arm_math.h the source includes:  q15_t\n"},
        {{"--layout=cmsis-cfft", "--name=q31_t", "64"},
         "Array name is CMSIS-DSP's, whose arm_math.h the source includes:  q31_t\n"},
        {{"--layout=cmsis-rfft", "--name=clip_q31_to_q15", "64"},
         "Array name is CMSIS-DSP's, whose arm_math.h the source includes:  clip_q31_to_q15\n"},
        {{"--layout=cmsis-cfft", "--name=PI", "64"},
         "Array name is CMSIS-DSP's, whose arm_math.h the source includes:  PI\n"},
        {{"--layout=cmsis-mfcc", "--name=arm_mfcc_instance_q15", "512"},
         "Array name is CMSIS-DSP's, whose arm_math.h the source includes:  arm_mfcc_instance_q15\n"},
        // A window: any length from 2, of one of four windows.
        {{"--layout=window", "1"}, "The window layout takes N from 2 to 32768.\n"},
        {{"--layout=window", "32769"}, "The window layout takes N from 2 to 32768.\n"},
        {{"--layout=window", "--window=kaiser", "400"}, "Window must be hann, hamming, blackman or flattop:  kaiser\n"},
        {{"--layout=window", "--window=", "400"}, "The --window option requires a value.\n"},
        {{"--layout=window", "--symmetric=yes", "400"}, "The --symmetric option takes no value.\n"},
        {{"--layout=window", "-s", "500", "400"},
         "The window layout takes no scale: its values are fractions of full scale. Leave out -s and --scale.\n"},
        {{"--layout=window", "--fmin=0", "400"}, "The window layout takes no --fmin option.\n"},
        {{"--window=hann", "64"}, "The radix2 layout takes no --window option.\n"},
        {{"--symmetric", "--layout=cmsis-rfft", "64"}, "The cmsis-rfft layout takes no --symmetric option.\n"},
        // An MFCC of a configuration that works, and of options that fit it.
        {{"--layout=cmsis-mfcc", "400"}, "The cmsis-mfcc layout takes N from 32 to 4096, a power of 2.\n"},
        {{"--layout=cmsis-mfcc", "--window=blackman", "512"},
         "The cmsis-mfcc layout takes the window hamming or hann, not blackman.\n"},
        {{"--layout=cmsis-mfcc", "--frame-length=1", "512"},
         "The --frame-length option needs a whole number from 2 to 4096:  1\n"},
        {{"--layout=cmsis-mfcc", "--frame-length=4097", "512"},
         "The --frame-length option needs a whole number from 2 to 4096:  4097\n"},
        {{"--layout=cmsis-mfcc", "--frame-length=640", "512"},
         "The frame length (640) must be at most the FFT length (512).\n"},
        {{"--layout=window", "--frame-length=300", "400"}, "The window layout takes no --frame-length option.\n"},
        {{"--layout=cmsis-mfcc", "--mel-filters=0", "512"},
         "The --mel-filters option needs a whole number from 1 to 4096:  0\n"},
        {{"--layout=cmsis-mfcc", "--mel-filters=4097", "512"},
         "The --mel-filters option needs a whole number from 1 to 4096:  4097\n"},
        {{"--layout=cmsis-mfcc", "--mel-filters", "040", "512"},
         "The --mel-filters option needs a whole number from 1 to 4096:  040\n"},
        {{"--layout=cmsis-mfcc", "--dct-outputs=1.5", "512"},
         "The --dct-outputs option needs a whole number from 1 to 4096:  1.5\n"},
        {{"--layout=cmsis-mfcc", "--dct-outputs=30", "512"},
         "The DCT outputs (30) must be at most the mel filters (20).\n"},
        {{"--layout=cmsis-mfcc", "--sample-rate=0", "512"},
         "The --sample-rate option needs a plain decimal number of hertz above 0 and at most 10000000:  0\n"},
        {{"--layout=cmsis-mfcc", "--sample-rate=16e3", "512"},
         "The --sample-rate option needs a plain decimal number of hertz above 0 and at most 10000000:  16e3\n"},
        {{"--layout=cmsis-mfcc", "--sample-rate=-8000", "512"},
         "The --sample-rate option needs a plain decimal number of hertz above 0 and at most 10000000:  -8000\n"},
        {{"--layout=cmsis-mfcc", "--fmin=.", "512"},
         "The --fmin option needs a plain decimal number of hertz, at most 5000000:  .\n"},
        {{"--layout=cmsis-mfcc", "--fmax=nan", "512"},
         "The --fmax option needs a plain decimal number of hertz, at most 5000000:  nan\n"},
        {{"--layout=cmsis-mfcc", "--fmax=9000", "512"},
         "The highest frequency, 9000 Hz, is above half the sample rate, 8000 Hz.\n"},
        {{"--layout=cmsis-mfcc", "--sample-rate=8000", "--fmin=4000", "512"},
         "The lowest frequency, 4000 Hz, must be below the highest, 4000 Hz.\n"},
        {{"--layout=cmsis-mfcc", "--fmin=4000", "--fmax=4000", "512"},
         "The lowest frequency, 4000 Hz, must be below the highest, 4000 Hz.\n"},
        {{"--layout=cmsis-mfcc", "--mel-filters=200", "256"},
         "Mel filter 1 of 200, from 0.0 to 17.8 Hz, covers no FFT bin: ask for fewer filters, a wider range or a "
         "longer FFT.\n"},
        // Each number as the number it is: two different ones never look alike.
        {{"--layout=cmsis-mfcc", "--fmax=8000.0001", "512"},
         "The highest frequency, 8000.0001 Hz, is above half the sample rate, 8000 Hz.\n"},
        {{"--layout=cmsis-mfcc", "--sample-rate=16000.14", "--fmax=8000.0700001", "512"},
         "The highest frequency, 8000.0700001 Hz, is above half the sample rate, 8000.07 Hz.\n"},
        {{"--layout=cmsis-mfcc", "--fmin=0.25", "--fmax=.25", "512"},
         "The lowest frequency, 0.25 Hz, must be below the highest, 0.25 Hz.\n"},
        {{"--layout=cmsis-mfcc", "--fmax=.5", "1024"},
         "Mel filter 1 of 20, from 0.00 to 0.05 Hz, covers no FFT bin: ask for fewer filters, a wider range or a "
         "longer FFT.\n"},
        // 0 is a highest frequency as given, not the default, and no range.
        {{"--layout=cmsis-mfcc", "--fmax=0", "512"},
         "The lowest frequency, 0 Hz, must be below the highest, 0 Hz.\n"},
        // 4096 is a number of DCT outputs, which 20 filters cannot give.
        {{"--layout=cmsis-mfcc", "--dct-outputs=4096", "512"},
         "The DCT outputs (4096) must be at most the mel filters (20).\n"},
        {{"--layout=cmsis-mfcc", "--dct-outputs=4097", "512"},
         "The --dct-outputs option needs a whole number from 1 to 4096:  4097\n"},
        {{"--layout=cmsis-cfft", "--bank=3", "64"}, "The --bank option needs --align=ti.\n"},
        {{"--round=ceiling", "64"}, "Rounding must be zero, nearest or floor:  ceiling\n"},
        {{"--stats", "--output=t.c", "64"},
         "The --stats option writes its report to standard output, and no file.\n"},
        {{"--header=t.h", "--stats", "64"},
         "The --stats option writes its report to standard output, and no file.\n"},
        {{"--name=unix", "64"}, "Array name is a macro that compilers predefine:  unix\n"},
        {{"--out=x.c", "64"}, "Unrecognized option:  --out\n"},
        {{"--section=", "64"}, "The --section option requires a value.\n"},
        {{"--section=.dtcm data", "64"},
         "Section name must be 1 to 64 letters, digits, '.', '_' or '$':  .dtcm data\n"},
        {{"--section", "\".text\"", "64"},
         "Section name must be 1 to 64 letters, digits, '.', '_' or '$':  \".text\"\n"},
        {{"--section", std::string(65, 's'), "64"},
         "Section name must be 1 to 64 letters, digits, '.', '_' or '$':  " + std::string(32, 's') +
             "\n"},
        {{"--section=.fast", "--align=c11", "64"},
         "The --section option needs --align=ti or --align=gnu.\n"},
        {{"--align=none", "64", "--section=.fast"},
         "The --section option needs --align=ti or --align=gnu.\n"},
        {{"--bank", "16", "64"}, "Memory bank must be a number from 0 to 15:  16\n"},
        {{"--bank=-1", "64"}, "Memory bank must be a number from 0 to 15:  -1\n"},
        {{"--bank=01", "64"}, "Memory bank must be a number from 0 to 15:  01\n"},
        {{"--bank=3", "--align=gnu", "64"}, "The --bank option needs --align=ti.\n"},
        {{"--check", "64"}, "The --check option needs --output.\n"},
        {{"--check=yes", "--output=t.c", "64"}, "The --check option takes no value.\n"},
        {{"--section=.fast", "--bank=3", "--align=c11"}, no_size},
        {{"--scale=0", "64"}, "The --scale option needs a number above 0 and at most 32768:  0\n"},
        {{"--scale", "32768.01", "64"},
         "The --scale option needs a number above 0 and at most 32768:  32768.01\n"},
        {{"--scale=abc", "64"}, "The --scale option needs a number above 0 and at most 32768:  abc\n"},
        {{"--scale=-5", "64"}, "The --scale option needs a number above 0 and at most 32768:  -5\n"},
        {{"--scale=nan", "64"}, "The --scale option needs a number above 0 and at most 32768:  nan\n"},
        {{"--scale=+ 5", "64"}, "The --scale option needs a number above 0 and at most 32768:  + 5\n"},
        {{"--scale=", "64"}, "The --scale option requires a value.\n"},
        {{"--scale"}, "The --scale option requires a value.\n"},
        // -s keeps its own range.
        {{"-s", "32768", "--scale=32768", "64"}, scale_range},
        {{"--round=up", "64"}, "Rounding must be zero, nearest or floor:  up\n"},
        {{"--round=Nearest", "64"}, "Rounding must be zero, nearest or floor:  Nearest\n"},
        {{"--round=", "64"}, "The --round option requires a value.\n"},
        {{"--stats=1", "64"}, "The --stats option takes no value.\n"},
        {{"--stats", "--check", "--output=t.c", "64"},
         "The --check and --stats options cannot be used together.\n"},
        {{"--h", "64"}, "Unrecognized option:  --h\n"},
        {{"--header=gen\\", "64"}, "Header file name cannot be used in #include:  gen\\\n"},
        // A value is shown on one line, its control characters escaped, and
        // cut at 32 bytes where a character begins.
        {{"--header=a\nb.h", "64"}, "Header file name cannot be used in #include:  a\\nb.h\n"},
        {{"--header=\x01\t\r\x7f.h", "64"},
         "Header file name cannot be used in #include:  \\x01\\t\\r\\x7f.h\n"},
        {{"--name=" + thirty_six_letters.substr(0, 31) + "\u00e9", "64"},
         "Array name must be a C identifier of at most 63 characters:  " +
             thirty_six_letters.substr(0, 31) + "\n"},
        {{"--name=" + thirty_six_letters.substr(0, 29) + "\U0001F600", "64"},
         "Array name must be a C identifier of at most 63 characters:  " +
             thirty_six_letters.substr(0, 29) + "\n"},
        {{"--name=" + thirty_six_letters.substr(0, 28) + "\U0001F600", "64"},
         "Array name must be a C identifier of at most 63 characters:  " +
             thirty_six_letters.substr(0, 28) + "\U0001F600\n"},
        {{"--align=" + std::string(31, '\n') + "x", "64"},
         "Alignment style must be ti, gnu, c11 or none:  " + repeated("\\n", 31) + "x\n"},
        {{"--\x1b[2J", "64"}, "Unrecognized option:  --\\x1b[2J\n"},

        // A trigraph, which a strict C compiler reads even in an #include.
        {{"--header=t?\?-.h", "64"}, "Header file name cannot be used in #include:  t?\?-.h\n"},
        {{"--header=gen/?\?=.h", "64"}, "Header file name cannot be used in #include:  gen/?\?=.h\n"},
        {{"--align=GNU", "64"}, "Alignment style must be ti, gnu, c11 or none:  GNU\n"},
        {{"--align", "-s", "64"}, "Alignment style must be ti, gnu, c11 or none:  -s\n"},
        {{"--header=a\"b.h", "64"}, "Header file name cannot be used in #include:  a\"b.h\n"},
        {{"--header", "gen/", "64"}, "Header file name cannot be used in #include:  gen/\n"},
        {{"--output=t.c", "--header=t.c", "64"}, "The --header and --output files must differ."},
        {{"--section", std::string(64, 's'), "--bank=10", "--check", "64"},
         "The --check option needs --output.\n"},
        {{"--bank=14", "--bank=11", "--bank=12", "--bank=13", "--check", "64"},
         "The --check option needs --output.\n"},
        {{"--name=tw", "--align=gnu"}, no_size},
        // A value is taken whatever it begins with, as -s takes its own.
        {{"-s", "--help"}, numeric_argument},
        {{"-s", "--name=tw", "64"}, numeric_argument},
        {{"--name", "--align=gnu", "64"},
         "Array name must be a C identifier of at most 63 characters:  --align=gnu\n"},
        // The leftmost fault decides; --help does not hide one before it.
        {{"-x", "--help"}, unrecognized_switch('x')},
        {{"8", "--version"}, size_range},
        {{"--name=int", "100"}, "Array name is a C or C++ keyword:  int\n"},
        {{"100", "--name=int"}, power_of_two},
    };
    // Arguments that are not UTF-8 reach only a native tool as they are.
    if (tool_is_native())
        cases.insert(cases.end(), {
            // Bytes that begin no character are cut where they fall.
            {{"--" + std::string(40, '\x86'), "64"},
             "Unrecognized option:  --" + std::string(30, '\x86') + "\n"},
            {{"--name=" + std::string(31, 'a') + "\xe9\x80", "64"},
             "Array name must be a C identifier of at most 63 characters:  " + std::string(31, 'a') +
                 "\n"},
        });
    for (const auto &c : cases) {
        const process_result result = run_tool(c.args);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, with_tool_line_ends(options_usage() + "ERROR:  " + *c.message + "\n"));
    }
}

// A command line of switches and sizes alone is answered with the classic
// usage text, as it always was; one with a long option anywhere, with the
// usage of today's tool, whose lines open --help, and a pointer to --help.
TEST(LongOptions, AFaultIsAnsweredInTheTermsOfItsCommandLine)
{
    const fault_case cases[] = {
        {{"8"}, size_range},
        {{"-s", "0", "64"}, scale_range},
        {{"-x", "64"}, unrecognized_switch('x')},
        {{"--", "64"}, unrecognized_switch('-')},
        {{"-", "64"}, unrecognized_argument("-")},
        {{"--nmae=x", "64"}, "Unrecognized option:  --nmae\n", true},
        {{"8", "--name=tw"}, size_range, true},
        {{"-x", "--align=gnu", "64"}, unrecognized_switch('x'), true},
        {{"-s", "--scale=5", "64"}, numeric_argument, true},
        {{"--name=tw"}, no_size, true},
        {{"--stats", "-s", "40000", "64"}, scale_range, true},
    };
    const process_result help = run_tool({"--help"});
    const std::string usage_lines = options_usage().substr(0, options_usage().rfind("Run "));
    EXPECT_EQ(help.out.rfind(with_tool_line_ends(usage_lines + "\n"), 0), 0u) << help.out;
    for (const auto &c : cases) {
        const process_result result = run_tool(c.args);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, with_tool_line_ends((c.today ? options_usage() : classic_usage()) +
                                                  "ERROR:  " + *c.message + "\n"));
    }
}

struct option_case {
    std::vector<std::string> args;
    std::int32_t n;
    double scale;
    const char *name;
    alignment_style alignment;
    const char *section = nullptr;
    int bank = no_bank;
    rounding_rule rounding = rounding_rule::toward_zero;
};

TEST(LongOptions, ValidRunsWriteTheSourceInTheFormAskedFor)
{
    std::string name_of_63(63, 'x');
    name_of_63.front() = '_';
    name_of_63.back() = '9';
    const option_case cases[] = {
        {{"--name=tw64", "64"}, 64, default_scale, "tw64", alignment_style::ti},
        {{"--name", "tw64", "64"}, 64, default_scale, "tw64", alignment_style::ti},
        {{"--name", name_of_63, "64"}, 64, default_scale, name_of_63.c_str(), alignment_style::ti},
        // A radix-2 source includes no header of CMSIS-DSP's: its names are free.
        {{"--name=arm_cfft_q15", "64"}, 64, default_scale, "arm_cfft_q15", alignment_style::ti},
        {{"--align=gnu", "64"}, 64, default_scale, "w", alignment_style::gnu},
        {{"--align", "c11", "64"}, 64, default_scale, "w", alignment_style::c11},
        {{"--align=none", "64"}, 64, default_scale, "w", alignment_style::none},
        {{"--align=ti", "64"}, 64, default_scale, "w", alignment_style::ti},
        {{"--name=a", "--align=gnu", "--name", "b", "--align=c11", "64"}, 64, default_scale, "b",
         alignment_style::c11},
        {{"64", "--align=gnu", "-s", "500", "--name=tw", "128"}, 128, 500.0, "tw",
         alignment_style::gnu},
        {{"-s500", "--name=_", "32"}, 32, 500.0, "_", alignment_style::ti},
        {{"--name=_tw", "32"}, 32, default_scale, "_tw", alignment_style::ti},
        {{"--name=tw_64", "32"}, 32, default_scale, "tw_64", alignment_style::ti},
        {{"--name=format", "32"}, 32, default_scale, "format", alignment_style::ti},
        {{"--name=printf_table", "32"}, 32, default_scale, "printf_table", alignment_style::ti},
        {{"--name=short_tw", "32"}, 32, default_scale, "short_tw", alignment_style::ti},
        {{"--section=.dtcm_data", "64"}, 64, default_scale, "w", alignment_style::ti, ".dtcm_data"},
        {{"--section", "$fast.1", "--align=gnu", "--name=tw", "64"}, 64, default_scale, "tw",
         alignment_style::gnu, "$fast.1"},
        {{"--bank=0", "64"}, 64, default_scale, "w", alignment_style::ti, nullptr, 0},
        {{"--bank", "15", "--section=a", "--bank=7", "64"}, 64, default_scale, "w",
         alignment_style::ti, "a", 7},
        {{"--round=zero", "1024"}, 1024, default_scale, "w", alignment_style::ti},
        {{"--round", "nearest", "1024"}, 1024, default_scale, "w", alignment_style::ti, nullptr,
         no_bank, rounding_rule::nearest},
        {{"--round=nearest", "-s", "2.5", "--round=zero", "--round=nearest", "16"}, 16, 2.5, "w",
         alignment_style::ti, nullptr, no_bank, rounding_rule::nearest},
        // --scale reads its value as -s does, up to 32768; the last of the
        // two given is taken.
        {{"--scale=32768", "--round=nearest", "1024"}, 1024, 32768.0, "w", alignment_style::ti,
         nullptr, no_bank, rounding_rule::nearest},
        {{"--scale", "32768", "32768"}, 32768, 32768.0, "w", alignment_style::ti},
        {{"--scale=0x1p9abc", "64"}, 64, 512.0, "w", alignment_style::ti},
        {{"--scale=  5e2", "-s", "1000", "64"}, 64, 1000.0, "w", alignment_style::ti},
        {{"-s", "1000", "--scale=32767.9", "64"}, 64, 32767.9, "w", alignment_style::ti},
        // The placement is checked only once every argument is read.
        {{"--align=c11", "--section=.fast", "--bank=2", "--align=ti", "64"}, 64, default_scale, "w",
         alignment_style::ti, ".fast", 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("args:" + bracketed(c.args));
        table_request request = default_request(c.n, c.scale);
        request.array_name = c.name;
        request.alignment = c.alignment;
        request.section = c.section;
        request.bank = c.bank;
        request.rounding = c.rounding;
        const process_result result = run_tool(c.args);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out,
                  with_tool_line_ends(render(table_for(c.n, c.scale, c.rounding), request)));
    }
}

// The report of --stats, figured by the test itself: each entry against the
// exact value in extended precision, and the entries that saturation
// changed. What the table costs an FFT is fft_snr_db's, which the unit tests
// hold to a computation by brute force.
std::string expected_report(std::int32_t n, double scale, rounding_rule rule)
{
    const std::vector<std::int16_t> table = table_for(n, scale, rule);
    const long double pi = 3.141592653589793238462643383279502884L;
    long double largest = 0, sum_squares = 0, sum = 0, power = 0;
    std::int32_t saturated = 0;
    double angle = 0.0;
    for (std::int32_t k = 0; k < n / 2; ++k, angle += 6.283185307179586 / n) {
        const long double exact[] = {-scale * std::cos(2 * pi * k / n),
                                     -scale * std::sin(2 * pi * k / n)};
        const double computed[] = {-scale * std::cos(angle), -scale * std::sin(angle)};
        for (int j = 0; j < 2; ++j) {
            const long double error = table[static_cast<std::size_t>(2 * k + j)] - exact[j];
            largest = std::max(largest, std::fabs(error));
            sum_squares += error * error;
            sum += error;
            power += exact[j] * exact[j];
            const double integer = rule == rounding_rule::nearest ? std::round(computed[j])
                                                                  : std::trunc(computed[j]);
            saturated += integer > 32767.0 || integer < -32768.0;
        }
    }
    char report[512];
    std::snprintf(report, sizeof report,
                  "table:      %d points, scale %.9f, rounded %s\n"
                  "max error:  %s LSB\nrms error:  %s LSB\nmean error: %s LSB\n"
                  "snr:        %s dB\nfft snr:    %s dB\nsaturated:  %d of %d entries\n"
                  "bytes:      %d\n",
                  n, scale, rule == rounding_rule::nearest ? "to nearest" : "toward zero",
                  shown(largest, 3).c_str(), shown(std::sqrt(sum_squares / n), 3).c_str(), shown(sum / n, 3).c_str(),
                  shown(10 * std::log10(power / sum_squares), 1).c_str(),
                  shown(fft_snr_db(table.data(), n, scale), 1).c_str(), saturated, n, 2 * n);
    return report;
}

TEST(Stats, ReportTheTablesErrorAgainstTheExactValues)
{
    const struct {
        std::vector<std::string> args;
        std::int32_t n;
        double scale;
        rounding_rule rule;
    } cases[] = {
        {{"--stats", "1024"}, 1024, default_scale, rounding_rule::toward_zero},
        {{"--stats", "--round=nearest", "1024"}, 1024, default_scale, rounding_rule::nearest},
        // Almost every entry is 0 at scale 1.
        {{"-s", "1", "--stats", "256"}, 256, 1.0, rounding_rule::toward_zero},
        {{"--round=nearest", "-s", "2.5", "--stats", "16"}, 16, 2.5, rounding_rule::nearest},
        {{"--stats", "-s", "32767.6", "32768"}, 32768, 32767.6, rounding_rule::toward_zero},
        {{"--stats", "--round=nearest", "4096"}, 4096, default_scale, rounding_rule::nearest},
        // Rounded, the last cosine terms saturate at 32768, and just past
        // 32767.5 only the very last.
        {{"--stats", "--scale=32768", "--round=nearest", "32768"}, 32768, 32768.0,
         rounding_rule::nearest},
        {{"--stats", "--round=nearest", "--scale", "32767.501", "32768"}, 32768, 32767.501,
         rounding_rule::nearest},
        // The mean error rounds to zero from below.
        {{"--stats", "-s", "1000.25", "--round=nearest", "8192"}, 8192, 1000.25,
         rounding_rule::nearest},
    };
    for (const auto &c : cases) {
        const process_result result = run_tool(c.args);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, with_tool_line_ends(expected_report(c.n, c.scale, c.rule)));
    }
    const process_result report = run_tool({"--stats", "1024"});
    EXPECT_EQ(report.out, with_tool_line_ends("table:      1024 points, scale 32767.500000000, "
                                              "rounded toward zero\n"
                                              "max error:  0.997 LSB\n"
                                              "rms error:  0.601 LSB\n"
                                              "mean error: 0.264 LSB\n"
                                              "snr:        91.7 dB\n"
                                              "fft snr:    75.4 dB\n"
                                              "saturated:  0 of 1024 entries\n"
                                              "bytes:      2048\n"));
    const process_result best = run_tool({"--scale=32768", "--round=nearest", "--stats", "1024"});
    EXPECT_NE(best.out.find(with_tool_line_ends("fft snr:    93.3 dB\n")), std::string::npos)
        << best.out;
    const process_result one = run_tool({"--scale=32767.501", "--round=nearest", "--stats", "32768"});
    EXPECT_NE(one.out.find(with_tool_line_ends("saturated:  1 of 32768 entries\n")),
              std::string::npos)
        << one.out;
    for (const std::int32_t n : valid_sizes) {
        for (const char *rule : {"--round=zero", "--round=nearest"}) {
            const process_result none = run_tool({"--stats", rule, std::to_string(n)});
            EXPECT_NE(none.out.find(with_tool_line_ends("saturated:  0 of ")), std::string::npos)
                << none.out;
        }
    }
    const process_result minus_zero =
        run_tool({"--stats", "-s", "1000.25", "--round=nearest", "8192"});
    EXPECT_NE(minus_zero.out.find(with_tool_line_ends("mean error: 0.000 LSB\n")),
              std::string::npos)
        << minus_zero.out;
}

// --help tells all of today's tool in a terminal's width: every option, the
// sizes N may take and the range and default of the scale.
TEST(LongOptions, HelpAndVersionEndTheReadingWhereTheyStand)
{
    const std::vector<std::vector<std::string>> help_cases = {
        {"--help"}, {"64", "--help"}, {"--help", "-x", "abc"}, {"-s", "500", "--help", "8"}};
    const process_result first = run_tool(help_cases[0]);
    const std::string help = first.out;
    EXPECT_EQ(help.rfind(with_tool_line_ends("Usage: veltabgen [-s scale | --scale=S] "), 0), 0u)
        << help;
    for (const char *told : {"-s scale", "--scale=S", "most 32768", "--name=IDENT", "--align=STYLE", "--section=NAME",
                             "--bank=B", "--header=FILE", "--output=FILE", "--check", "--round=RULE",
                             "zero", "nearest", "--stats", "--help",
                             "--version", "16, 32, 64, 128, 256, 512, 1024, 2048, 4096",
                             "8192, 16384 or 32768", "at most 32767.6", "32767.5"})
        EXPECT_NE(help.find(told), std::string::npos) << told;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        EXPECT_LE(line.size(), 79u) << line;
        EXPECT_TRUE(line.empty() || line.back() != ' ') << "[" << line << "]";
    }
    for (const auto &args : help_cases) {
        const process_result result = run_tool(args);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, help);
    }
    const std::vector<std::vector<std::string>> version_cases = {
        {"--version"}, {"64", "--version", "--help"}, {"--version", "-x"}};
    for (const auto &args : version_cases) {
        const process_result result = run_tool(args);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.err, "");
        EXPECT_EQ(result.out, with_tool_line_ends("veltabgen " VELTABGEN_VERSION "\n"));
    }
}

// The CMSIS layouts: each array has the size, name and type that its layout
// gives it, its elements in every build and those that only a Helium or only
// a scalar build reads, and its entries are what --stats measures, against
// exact values that the test works out on its own; the bytes that --stats
// reports are those worked out by hand for a 32-bit target; fft snr is the
// radix-2 table's alone.
TEST(Layouts, CmsisArraysAreNamedSizedAndMeasuredAsDocumented)
{
    const long double pi = 3.141592653589793238462643383279502884L;
    // Element i of the twiddle factors of n points, of A (sign -1) or B
    // (sign 1) of length n, and of Helium's rearranged factors of stride m.
    const auto twiddle = [&](long n, long i) {
        const long double angle = 2 * pi * (i / 2) / n;
        return i % 2 == 0 ? std::cos(angle) : std::sin(angle);
    };
    const auto split = [&](long n, long i, int sign) {
        const long double angle = 2 * pi * (i / 2) / n;
        return i % 2 == 0 ? 0.5L * (1 + sign * std::sin(angle)) : sign * 0.5L * std::cos(angle);
    };
    const auto rearranged = [&](long n, int m, long i) {
        long pair = i / 2, stage = 0;
        while (pair >= n >> (2 * (stage + 1)))
            pair -= n >> (2 * (stage++ + 1));
        const long double angle = 2 * pi * m * pair * (1L << (2 * stage)) / n;
        return i % 2 == 0 ? std::cos(angle) : -std::sin(angle);
    };
    struct expected_array {
        std::string name;
        long everywhere, helium, scalar; // elements in every build, and more in one
        std::string rule;                // as the report names it; empty for indices or offsets
        std::function<long double(long)> exact;
    };
    const std::string helium = "#if defined(ARM_MATH_MVEI) && !defined(ARM_MATH_AUTOVECTORIZE)";
    const std::string scalar = "#if !(defined(ARM_MATH_MVEI) && !defined(ARM_MATH_AUTOVECTORIZE))";
    const std::string down = "down", nearest = "to nearest", even = "to nearest, halves to even";
    const struct {
        std::vector<std::string> args;
        std::vector<expected_array> arrays;
        std::vector<long> bytes; // on a scalar core, on Helium
    } cases[] = {
        {{"--layout=cmsis-cfft", "64"},
         {{"w_twiddle", 0, 0, 96, down, [&](long i) { return twiddle(64, i); }},
          {"w_bitrev", 56, 0, 0, "", nullptr},
          {"w_rearranged_offsets", 0, 2, 0, "", nullptr},
          {"w_rearranged_stride1", 0, 40, 0, even, [&](long i) { return rearranged(64, 1, i); }},
          {"w_rearranged_stride2", 0, 40, 0, even, [&](long i) { return rearranged(64, 2, i); }},
          {"w_rearranged_stride3", 0, 40, 0, even, [&](long i) { return rearranged(64, 3, i); }}},
         {96 * 2 + 56 * 2 + 16, 56 * 2 + 2 * 4 + 3 * 40 * 2 + 40}},
        {{"--layout=cmsis-cfft", "--type=q31", "--round=nearest", "--name=c", "16"},
         {{"c_twiddle", 0, 0, 24, nearest, [&](long i) { return twiddle(16, i); }},
          {"c_bitrev", 12, 0, 0, "", nullptr},
          {"c_rearranged_offsets", 0, 1, 0, "", nullptr},
          {"c_rearranged_stride1", 0, 8, 0, nearest, [&](long i) { return rearranged(16, 1, i); }},
          {"c_rearranged_stride2", 0, 8, 0, nearest, [&](long i) { return rearranged(16, 2, i); }},
          {"c_rearranged_stride3", 0, 8, 0, nearest, [&](long i) { return rearranged(16, 3, i); }}},
         {24 * 4 + 12 * 2 + 16, 12 * 2 + 4 + 3 * 8 * 4 + 40}},
        {{"--layout=cmsis-rfft", "--name=r", "32"},
         {{"r_a", 32, 2, 0, nearest, [&](long i) { return split(32, i, -1); }},
          {"r_b", 32, 2, 0, nearest, [&](long i) { return split(32, i, 1); }},
          {"r_cfft_twiddle", 0, 0, 24, down, [&](long i) { return twiddle(16, i); }},
          {"r_cfft_bitrev", 12, 0, 0, "", nullptr},
          {"r_cfft_rearranged_offsets", 0, 1, 0, "", nullptr},
          {"r_cfft_rearranged_stride1", 0, 8, 0, even, [&](long i) { return rearranged(16, 1, i); }},
          {"r_cfft_rearranged_stride2", 0, 8, 0, even, [&](long i) { return rearranged(16, 2, i); }},
          {"r_cfft_rearranged_stride3", 0, 8, 0, even, [&](long i) { return rearranged(16, 3, i); }}},
         // A, B, the twiddle factors, the bit reversal, the complex FFT's
         // instance and the two real FFTs', which on Helium hold the
         // complex one by value.
         {64 * 2 + 24 * 2 + 12 * 2 + 16 + 2 * 24, 68 * 2 + 12 * 2 + 4 + 3 * 8 * 2 + 2 * 60}},
        {{"--layout=cmsis-rfft", "--type=q31", "--round=floor", "64"},
         {{"w_a", 64, 2, 0, down, [&](long i) { return split(64, i, -1); }},
          {"w_b", 64, 2, 0, down, [&](long i) { return split(64, i, 1); }},
          {"w_cfft_twiddle", 32, 0, 16, down, [&](long i) { return twiddle(32, i); }},
          {"w_cfft_bitrev", 24, 4, 0, "", nullptr},
          {"w_cfft_rearranged_offsets", 0, 1, 0, "", nullptr},
          {"w_cfft_rearranged_stride1", 0, 8, 0, down, [&](long i) { return rearranged(16, 1, i); }},
          {"w_cfft_rearranged_stride2", 0, 8, 0, down, [&](long i) { return rearranged(16, 2, i); }},
          {"w_cfft_rearranged_stride3", 0, 8, 0, down, [&](long i) { return rearranged(16, 3, i); }}},
         {2 * 64 * 4 + 48 * 4 + 24 * 2 + 16 + 2 * 24, 2 * 66 * 4 + 32 * 4 + 28 * 2 + 4 + 3 * 8 * 4 + 2 * 60}},
    };
    for (const auto &c : cases) {
        const process_result source = run_tool(c.args);
        const process_result report = run_tool([&] {
            std::vector<std::string> args = c.args;
            args.push_back("--stats");
            return args;
        }());
        SCOPED_TRACE(described(source) + "\n" + report.out);
        ASSERT_EQ(source.status, 0);
        ASSERT_EQ(report.status, 0);
        const bool q31 = std::find(c.args.begin(), c.args.end(), "--type=q31") != c.args.end();
        const std::vector<written_array> arrays = arrays_written(source.out);
        ASSERT_EQ(arrays.size(), c.arrays.size());
        std::string expected;
        for (std::size_t a = 0; a < arrays.size(); ++a) {
            const expected_array &want = c.arrays[a];
            const long elements = want.everywhere + want.helium + want.scalar;
            EXPECT_EQ(arrays[a].name, want.name);
            EXPECT_EQ(arrays[a].entries.size(), static_cast<std::size_t>(elements)) << want.name;
            // What only one build has is in a block of its own, after what
            // every build has.
            const std::size_t at = source.out.find("\nconst " + arrays[a].type + " " + want.name + "[");
            const std::size_t end = source.out.find("};", at);
            const std::string before = source.out.substr(0, at);
            const std::string body = source.out.substr(at, end - at);
            const bool helium_only = want.everywhere == 0 && want.scalar == 0;
            const std::string block = helium_only || want.helium > 0 ? helium : scalar;
            if (want.everywhere == 0) {
                EXPECT_EQ(before.rfind("#if"), before.rfind(block)) << want.name << " is not in its build's block";
                EXPECT_GT(before.rfind(block), before.rfind("#endif") + (before.rfind("#endif") == std::string::npos))
                    << want.name;
            } else if (want.helium + want.scalar > 0) {
                EXPECT_NE(body.find(block), std::string::npos) << want.name << "'s tail";
            } else {
                EXPECT_TRUE(before.rfind("#if") == std::string::npos || before.rfind("#endif") > before.rfind("#if"))
                    << want.name << " is not in every build";
            }
            const bool index = want.rule.empty();
            const bool paired = want.name.find("offsets") == std::string::npos;
            EXPECT_EQ(arrays[a].type, want.name.find("bitrev") != std::string::npos ? "uint16_t"
                                      : !paired                                     ? "uint32_t"
                                      : q31                                         ? "q31_t"
                                                                                    : "q15_t");
            const std::string count = paired ? std::to_string(elements / 2) + " pairs"
                                             : std::to_string(elements) + " values";
            if (index) {
                expected += "array:      " + want.name + ", " + count + " of " +
                            (paired ? "indices" : "offsets") + ", exact\n";
                continue;
            }
            const long double unit = q31 ? 2147483648.0L : 32768.0L;
            const long double largest = unit - 1;
            long double worst = 0, squares = 0, sum = 0, power = 0;
            long saturated = 0;
            for (long i = 0; i < elements; ++i) {
                const long double exact = unit * want.exact(i);
                const long double error = arrays[a].entries[static_cast<std::size_t>(i)] - exact;
                worst = std::max(worst, std::fabs(error));
                squares += error * error;
                sum += error;
                power += exact * exact;
                saturated += exact >= largest + 0.5L || exact < -unit - 0.5L ? 1 : 0;
            }
            char figures[512];
            std::snprintf(figures, sizeof figures,
                          "array:      %s, %s, rounded %s\nmax error:  %s LSB\nrms error:  %s LSB\n"
                          "mean error: %s LSB\nsnr:        %s dB\nsaturated:  %ld of %ld entries\n",
                          want.name.c_str(), count.c_str(), want.rule.c_str(), shown(worst, 3).c_str(),
                          shown(std::sqrt(squares / elements), 3).c_str(), shown(sum / elements, 3).c_str(),
                          shown(10 * std::log10(power / squares), 1).c_str(), saturated, elements);
            expected += figures;
        }
        const std::size_t first_line = report.out.find('\n') + 1;
        EXPECT_EQ(report.out.substr(first_line),
                  with_tool_line_ends(expected + "fft snr:    does not apply to " +
                                      c.args.front().substr(9) + ", whose FFT is not the radix-2 one\n" +
                                      "bytes:      " + std::to_string(c.bytes[0]) +
                                      " on a scalar or DSP-extension core\n" +
                                      "bytes:      " + std::to_string(c.bytes[1]) + " on Helium (MVE)\n"));
    }
}

// Rounding down applies to the radix-2 table too, and the comment says so.
// Every array of every size of each CMSIS layout, q15 and q31, lies within
// 1 LSB of the exact values that --stats holds it to: Helium's rearranged
// tables, stage by stage and stride by stride, the MFCC's tables, and the
// library's own table that the MFCC's source defines, as the others.
TEST(Layouts, EveryCmsisArrayLiesWithinOneLsbOfItsExactValues)
{
    std::vector<std::vector<std::string>> runs;
    for (const char *type : {"--type=q15", "--type=q31"}) {
        for (int n = 16; n <= 4096; n *= 2)
            runs.push_back({"--layout=cmsis-cfft", type, std::to_string(n)});
        for (int n = 32; n <= 8192; n *= 2)
            runs.push_back({"--layout=cmsis-rfft", type, std::to_string(n)});
        for (int n = 32; n <= 4096; n *= 4)
            runs.push_back({"--layout=cmsis-mfcc", type, "--mel-filters=8", "--dct-outputs=8", std::to_string(n)});
        runs.push_back({"--layout=cmsis-mfcc", type, "--frame-length=400", "--window=hann", "--symmetric", "512"});
    }
    for (std::vector<std::string> args : runs) {
        args.push_back("--stats");
        const process_result report = run_tool(args);
        SCOPED_TRACE(bracketed(args) + "\n" + report.out);
        ASSERT_EQ(report.status, 0);
        int measured = 0;
        std::istringstream lines(report.out);
        std::string array;
        for (std::string line; std::getline(lines, line);) {
            if (line.rfind("array:      ", 0) == 0)
                array = line;
            if (line.rfind("max error:  ", 0) != 0)
                continue;
            ++measured;
            EXPECT_LE(std::stod(line.substr(12)), 1.0) << array;
        }
        EXPECT_GE(measured, 3);
    }
}

// With --align=ti and --section, each array and each instance has its
// DATA_SECTION pragma, once.
TEST(Layouts, TiPragmasPlaceEveryArrayAndInstanceInTheSection)
{
    const process_result result = run_tool({"--layout=cmsis-cfft", "--align=ti", "--section=.fast", "64"});
    ASSERT_EQ(result.status, 0) << described(result);
    std::multiset<std::string> placed;
    const std::string pragma = "#pragma DATA_SECTION(";
    for (std::size_t at = result.out.find(pragma); at != std::string::npos; at = result.out.find(pragma, at + 1)) {
        const std::size_t name = at + pragma.size();
        const std::string section = ", \".fast\");";
        EXPECT_EQ(result.out.compare(result.out.find(',', name), section.size(), section), 0);
        placed.insert(result.out.substr(name, result.out.find(',', name) - name));
    }
    EXPECT_EQ(placed, (std::multiset<std::string>{"w", "w_bitrev", "w_rearranged_offsets", "w_rearranged_stride1",
                                                  "w_rearranged_stride2", "w_rearranged_stride3", "w_twiddle"}));
}

// The header's guard names the radix-2 table alone, as it always has; any
// other layout's holds a hash of what the header declares, so that headers
// of one name but of different tables can be included together.
class HeaderGuards : public ScratchFolderTest {
protected:
    // The header that the arguments write, as w.h in the scratch folder.
    std::string header_of(std::vector<std::string> args)
    {
        args.insert(args.begin(), "--header=w.h");
        process_options options;
        options.working_directory = folder.string();
        const process_result result = run_tool(args, options);
        EXPECT_EQ(result.status, 0) << described(result);
        return read_file(folder / "w.h");
    }
};

// The guard of a header, VELTABGEN_w_ and eight upper-case hexadecimal
// digits, which its #ifndef and #define name alike; or "" for none.
std::string hashed_guard(const std::string &text)
{
    const std::string start = "\n#ifndef VELTABGEN_w_";
    const std::size_t at = text.find(start);
    if (at == std::string::npos)
        return "";
    const std::string guard = text.substr(at + 9, 22);
    for (std::size_t i = 12; i < 20; ++i)
        if (std::isxdigit(static_cast<unsigned char>(guard[i])) == 0 ||
            std::islower(static_cast<unsigned char>(guard[i])) != 0)
            return "";
    const std::size_t end = at + 9 + guard.size();
    const std::string line_end = text.compare(end, 2, "\r\n") == 0 ? "\r\n" : "\n";
    if (guard.compare(20, 2, "_H") != 0 || text.compare(end, line_end.size() + 8 + guard.size(),
                                                         line_end + "#define " + guard) != 0)
        return "";
    return guard;
}

TEST_F(HeaderGuards, HeadersOfTheOtherLayoutsHaveGuardsOfTheirOwn)
{
    std::set<std::string> guards;
    for (const char *layout : {"window", "cmsis-cfft", "cmsis-rfft", "cmsis-mfcc"}) {
        for (const char *size : {"256", "512"}) {
            const std::string text = header_of({std::string("--layout=") + layout, size});
            const std::string guard = hashed_guard(text);
            EXPECT_NE(guard, "") << layout << "\n" << text;
            guards.insert(guard);
        }
    }
    EXPECT_EQ(guards.size(), 8u) << "two headers of different tables share a guard";
    EXPECT_NE(header_of({"256"}).find(with_tool_line_ends("\n#ifndef VELTABGEN_w_H\n#define VELTABGEN_w_H\n")),
              std::string::npos);
}

TEST(Layouts, FloorRoundsTheRadix2TableDown)
{
    const process_result result = run_tool({"--round=floor", "-s", "1000.5", "64"});
    ASSERT_EQ(result.status, 0) << described(result);
    const std::vector<written_array> arrays = arrays_written(result.out);
    ASSERT_EQ(arrays.size(), 1u);
    double angle = 0.0;
    for (std::size_t i = 0; i < 64; i += 2, angle += 6.283185307179586 / 64) {
        EXPECT_EQ(arrays[0].entries[i], static_cast<long>(std::floor(-1000.5 * std::cos(angle))));
        EXPECT_EQ(arrays[0].entries[i + 1], static_cast<long>(std::floor(-1000.5 * std::sin(angle))));
    }
    EXPECT_NE(result.out.find(with_tool_line_ends(
                  "/*      Rounding:            down, toward minus infinity                */\n")),
              std::string::npos);
}

} // namespace

namespace {

// A filter's design from a file in the scratch folder, named by a relative
// path, so that every platform shows it alike.
class CoefficientFiles : public ScratchFolderTest {
protected:
    process_result run_here(const std::vector<std::string> &args)
    {
        process_options options;
        options.working_directory = folder.string();
        return run_tool(args, options);
    }
};

// A file that cannot be a design is refused with one error line that names
// it, the line and what is wrong, without the usage text, status 1 and
// nothing written; so is a design that the type cannot hold, or that is
// unstable itself, and a file that cannot be read.
TEST_F(CoefficientFiles, BadDesignsAreRefusedByTheirLine)
{
    const struct {
        std::string layout, type, text, error;
    } cases[] = {
        {"cmsis-biquad", "q15", "1 2 3 1 0.5 0.2\n1 2 abc 1 0 0\n", "d.txt, line 2: not a number:  abc"},
        {"cmsis-biquad", "q15", "1 2 3 1 0.5 0.2\n1 2 3 0 0.5 0.1\n", "d.txt, line 2: a0 is 0"},
        {"cmsis-biquad", "q15", "# b0 b1 b2 a0 a1 a2\n0.1 0.2 0.1 1 0.5\n",
         "d.txt, line 2: a section takes six numbers, b0 b1 b2 a0 a1 a2, not 5"},
        {"cmsis-biquad", "q15", "0.1 0.2 0.1 1 -0.5 0.2 0.3\n",
         "d.txt, line 1: a section takes six numbers, b0 b1 b2 a0 a1 a2, not 7"},
        {"cmsis-biquad", "q31", "0.1 0.2 nan 1 -0.5 0.2\n", "d.txt, line 1: not a finite number:  nan"},
        {"cmsis-fir", "q15", "0.1\n0.2\n-Infinity\n", "d.txt, line 3: not a finite number:  -Infinity"},
        {"cmsis-fir", "q15", "0.1 1e400\n", "d.txt, line 1: not a finite number:  1e400"},
        {"cmsis-fir", "q15", "0.1 0x10\n", "d.txt, line 1: not a number:  0x10"},
        {"cmsis-fir", "q15", "0.1, 0.2,, 1.5e\n", "d.txt, line 1: not a number:  1.5e"},
        {"cmsis-fir", "q15", "0.1 \x01\n", "d.txt, line 1: not a number:  \\x01"},
        {"cmsis-fir", "q15", "0.1 " + std::string(40, '7') + "x\n",
         "d.txt, line 1: not a number:  " + std::string(32, '7')},
        {"cmsis-fir", "q31", "# nothing\n\n  \n", "d.txt holds no coefficients"},
        {"cmsis-biquad", "q15", "", "d.txt holds no coefficients"},
        {"cmsis-fir", "q15", "0.25 0.5\n-1\n1.0\n",
         "d.txt, line 3: tap 4, 1, lies outside [-1, 1), which the FIR, with no shift, cannot hold"},
        {"cmsis-fir", "q15", "0.00001 -0.00001\n", "d.txt: every tap rounds to 0 in q15: try --type=q31"},
        {"cmsis-biquad", "q15", "0.5 1 0.5 1 -2.5 1.6\n",
         "d.txt, line 1: section 1 is unstable: a pole lies at radius 1.264911"},
        {"cmsis-biquad", "q31", "1 0 0 1 0 -1\n", "d.txt, line 1: section 1 is unstable: a pole lies at radius 1.000000"},
        {"cmsis-biquad", "q15", "# a second section whose gain rounds away\n1 0 0 1 0 0\n1e-9 0 0 1 0 0\n",
         "d.txt, line 3: the numerator of section 2 rounds to zeros in q15: try --type=q31"},
        // Poles 0.00001 inside the unit circle, which rounding to q15 puts on it.
        {"cmsis-biquad", "q15", "1 0 0 1 -1.99988 0.99998\n",
         "d.txt, line 1: section 1 is unstable in q15: its poles, rounded, lie at radius 1.000000: try --type=q31"},
        {"cmsis-biquad", "q15",
         [] {
             std::string sections;
             for (int i = 0; i < 128; ++i)
                 sections += "0.1 0 0 1 0 0\n";
             return sections;
         }(),
         "d.txt, line 128: more sections than arm_biquad_casd_df1_inst_q15 counts, 127"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.layout + " " + c.type + ": " + c.text.substr(0, 80));
        write_file(folder / "d.txt", c.text);
        const process_result result =
            run_here({"--layout=" + c.layout, "--type=" + c.type, "--coefficients=d.txt", "--output=t.c", "64"});
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, with_tool_line_ends("ERROR:  " + c.error + "\n"));
        EXPECT_FALSE(std::filesystem::exists(folder / "t.c"));
    }
    const process_result missing = run_here({"--layout=cmsis-fir", "--coefficients=none.txt", "64"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err, with_tool_line_ends("ERROR:  Unable to read none.txt: " + std::string(std::strerror(ENOENT)) +
                                               "\n"));
}

// The formats that numpy.savetxt and MATLAB's writematrix write, with
// comments and commas, give one table: a biquad's sections each divided by
// its a0, an FIR's taps whatever the lines.
TEST_F(CoefficientFiles, SavetxtAndWritematrixFormsAreOneDesign)
{
    const std::string sections[] = {
        "6.745527388907192334e-02 1.349105477781438467e-01 6.745527388907192334e-02 1.000000000000000000e+00 "
        "-1.142980502539901133e+00 4.128015980961887710e-01\n",
        "# scipy.signal.butter(2, 1600, fs=16000, output='sos')\r\n0.067455273889071923,0.13491054777814385,"
        "0.067455273889071923,1,-1.1429805025399011,0.41280159809618877\r\n",
        "0.13491054777814385 0.2698210955562877 0.13491054777814385 2 -2.2859610050798022 0.82560319619237754 # x2\n",
    };
    std::string first;
    for (const std::string &text : sections) {
        write_file(folder / "d.txt", text);
        const process_result result = run_here({"--layout=cmsis-biquad", "--coefficients=d.txt", "--name=lp", "64"});
        ASSERT_EQ(result.status, 0) << described(result);
        if (first.empty())
            first = result.out;
        EXPECT_EQ(result.out, first) << text;
    }
    EXPECT_NE(first.find(with_tool_line_ends("     0x0451,  0x0000,  0x08A2,  0x0451,  0x4927, -0x1A6B\n")),
              std::string::npos)
        << first;
    write_file(folder / "d.txt", "0.25 0.5 -0.125\n");
    const process_result lines = run_here({"--layout=cmsis-fir", "--coefficients=d.txt", "64"});
    write_file(folder / "d.txt", "0.25\n0.5,\n-125e-3 # the last\n");
    const process_result columns = run_here({"--layout=cmsis-fir", "--coefficients=d.txt", "64"});
    ASSERT_EQ(lines.status, 0) << described(lines);
    EXPECT_EQ(lines.out, columns.out);
    // Time-reversed, and a zero tap first for an even count.
    EXPECT_NE(lines.out.find(with_tool_line_ends("     0x0000, -0x1000,  0x4000,  0x2000,\n")), std::string::npos)
        << lines.out;
}

} // namespace
