// CMSIS-DSP's own code as the client of the CMSIS layouts, built from an
// unmodified copy of the library (CMSIS_DIR): its complex and real
// fixed-point FFTs at every size, forward and inverse, set up by its own init
// functions and by the generated constant instances, on the host and as
// firmware under qemu, for a Cortex-M4 (its DSP extension) and a Cortex-M55
// (Helium, and Helium left to the compiler's vectorizer); the generated
// files compiled with their headers, as C and C++, and refused by a Neon
// build; and the flash that a real FFT costs either way.

#include "installed_tool.h"
#include "markdown_table.h"
#include "tool_under_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

bool have_cmsis()
{
    return *CMSIS_DIR != '\0';
}

const std::string dsp = std::string(CMSIS_DIR) + "/CMSIS-DSP";
const std::string core_include = std::string(CMSIS_DIR) + "/CMSIS-Core/CMSIS/Core/Include";
const std::string cortex_m = CORTEX_M_DIR;

// One line of the client's report: its words, and its numbers by the word
// before each; a word followed by two numbers has their difference.
struct compared {
    std::string what;
    std::map<std::string, long> figures;
};

std::vector<compared> comparisons(const std::string &report)
{
    std::vector<compared> lines;
    std::istringstream text(report);
    for (std::string line; std::getline(text, line);) {
        std::istringstream words(line);
        compared c;
        std::string kind, size, direction, word;
        words >> kind >> size >> direction;
        c.what = kind + " " + size + " " + direction;
        std::string label;
        while (words >> word) {
            if (!word.empty() && (std::isdigit(static_cast<unsigned char>(word[0])) != 0 || word[0] == '-'))
                c.figures[label] = c.figures.count(label) == 0 ? std::stol(word) : c.figures[label] - std::stol(word);
            else
                label = word;
        }
        lines.push_back(c);
    }
    return lines;
}

// The sizes of a layout, and what the client is built with for it.
struct fft_kind {
    std::string layout;
    std::vector<std::string> sizes;
    std::vector<std::string> defines;
};

fft_kind kind_of(const std::string &layout, const std::string &type)
{
    fft_kind kind{layout, {}, {}};
    const bool real = layout == "cmsis-rfft";
    const bool floats = type == "f32" || type == "f16";
    // The library has no floating-point real FFT of 8192 points.
    for (int n = real ? 32 : 16; n <= (real && !floats ? 8192 : 4096); n *= 2)
        kind.sizes.push_back(std::to_string(n));
    if (real)
        kind.defines.push_back("-DREAL_FFT");
    if (type == "q31")
        kind.defines.push_back("-DTYPE_Q31");
    if (type == "f16")
        kind.defines.push_back("-DTYPE_F16");
    return kind;
}

class CmsisClient : public ScratchFolderTest {
protected:
    // Generates the tables of every size of the kind, named t<N>, with the
    // options, into a folder of their own, and returns their files.
    std::vector<std::string> generate(const fft_kind &kind, const std::vector<std::string> &options,
                                      const fs::path &where)
    {
        fs::create_directories(where);
        std::vector<std::string> files;
        for (const std::string &size : kind.sizes) {
            const std::string file = (where / ("t" + size + ".c")).string();
            std::vector<std::string> args = {"--layout=" + kind.layout, "--name=t" + size, "--output=" + file, size};
            args.insert(args.begin(), options.begin(), options.end());
            const process_result generated = run_tool(args);
            EXPECT_EQ(generated.status, 0) << described(generated);
            files.push_back(file);
        }
        return files;
    }

    // Every figure of every line of the report is 0, but the flags, which
    // are 1, and the lines are the sizes, each forward and inverse.
    static void expect_the_librarys(const std::vector<compared> &report, const std::string &what,
                                    std::size_t sizes = 9)
    {
        EXPECT_EQ(report.size(), 2 * sizes) << what << ": every size, forward and inverse";
        for (const compared &c : report) {
            SCOPED_TRACE(what + " " + c.what);
            for (const auto &[label, figure] : c.figures)
                EXPECT_EQ(figure, label == "flags" ? 1 : 0) << label;
        }
    }
};

class CmsisHost : public CmsisClient {
protected:
    std::vector<compared> run_client(const std::string &layout, const std::string &type,
                                     const std::vector<std::string> &options, const std::string &defines = "",
                                     const char *client = CMSIS_CLIENT)
    {
        const fft_kind kind = kind_of(layout, type);
        std::vector<std::string> build = {C_COMPILER, "-O2", "-D__GNUC_PYTHON__", "-DARM_ALL_FFT_TABLES",
                                          "-I" + dsp + "/Include", "-I" + dsp + "/PrivateInclude"};
        build.insert(build.end(), kind.defines.begin(), kind.defines.end());
        if (!defines.empty())
            build.push_back(defines);
        build.push_back(client);
        for (const std::string &file : generate(kind, options, folder / "tables"))
            build.push_back(file);
        build.insert(build.end(), {CMSIS_HOST_LIBRARY, "-lm", "-o", (folder / "client").string()});
        run_step(build);
        const std::vector<compared> report = comparisons(run_step({(folder / "client").string()}));
        fs::remove_all(folder / "tables");
        return report;
    }
};

// For every N of 16 to 4096, forward and inverse, q15 and q31: the default
// tables are the library's own, entry for entry, the bit reversal and its
// length too, and the output is the library's bit for bit, for every input.
TEST_F(CmsisHost, ComplexFftOfEverySizeIsTheLibrarys)
{
    if (!have_cmsis())
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    for (const char *type : {"q15", "q31"})
        expect_the_librarys(run_client("cmsis-cfft", type, {std::string("--type=") + type}), type);
}

// For every L of 32 to 8192, forward and inverse, q15 and q31, against
// arm_rfft_init's instance with the library's tables: A and B are the
// library's at its stride, and the output is its own bit for bit.
TEST_F(CmsisHost, RealFftOfEveryLengthIsTheLibrarys)
{
    if (!have_cmsis())
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    for (const char *type : {"q15", "q31"})
        expect_the_librarys(run_client("cmsis-rfft", type, {std::string("--type=") + type}), type);
}

// For every N of 16 to 4096 (of the real FFT, 32 to 4096), forward and
// inverse, in f32, against the size-specific init function's instance: the
// tables are the library's bit for bit, the radix-8 bit reversal makes the
// same permutation in as many swaps, and the output is its own, word for
// word.
TEST_F(CmsisHost, FloatFftsOfEverySizeAreTheLibrarys)
{
    if (!have_cmsis())
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    expect_the_librarys(run_client("cmsis-cfft", "f32", {"--type=f32"}, "", FLOAT_FFT_CLIENT), "cfft f32");
    expect_the_librarys(run_client("cmsis-rfft", "f32", {"--type=f32"}, "", FLOAT_FFT_CLIENT), "rfft f32", 8);
}

// The q31 outputs of every other rounding lie within the bound that the
// page on CMSIS-DSP gives, the largest difference found over many inputs
// (3000 of them pseudo-random) at every size and in both directions, and
// reach it.
TEST_F(CmsisHost, Q31OutputsOfEachRoundingLieWithinTheDocumentedBound)
{
    if (!have_cmsis())
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    const std::string page = read_file(SOURCE_DIR "/docs/cmsis-dsp.md");
    std::map<std::string, std::vector<long>> bounds;
    const std::vector<std::string> rows = table_rows(page, "| `--round` | `arm_cfft_q31` | `arm_rfft_q31` |");
    for (std::size_t row = 1; row < rows.size(); ++row) {
        const std::vector<std::string> cells = cells_of(rows[row]);
        ASSERT_EQ(cells.size(), 3u) << rows[row];
        // The rule, in backticks.
        bounds[cells[0].substr(1, cells[0].size() - 2)] = {std::stol(cells[1]), std::stol(cells[2])};
    }
    ASSERT_EQ(bounds.size(), 3u) << "the page's table of bounds";
    for (const auto &[rounding, bound] : bounds) {
        for (int real = 0; real < 2; ++real) {
            const std::string layout = real ? "cmsis-rfft" : "cmsis-cfft";
            SCOPED_TRACE(rounding + " " + layout);
            long worst = 0;
            for (const compared &c :
                 run_client(layout, "q31", {"--type=q31", "--round=" + rounding}, "-DRANDOM_INPUTS=3000"))
                worst = std::max(worst, c.figures.at("output"));
            EXPECT_EQ(worst, bound[static_cast<std::size_t>(real)]) << "the page says otherwise";
        }
    }
}

// An MFCC's configuration: the tool's arguments, and the script's.
struct mfcc_configuration {
    std::string length, rate, filters, outputs, fmin, fmax, window, type;

    std::vector<std::string> tool_arguments(const std::string &name) const
    {
        return {"--layout=cmsis-mfcc", "--type=" + type,       "--sample-rate=" + rate,
                "--mel-filters=" + filters, "--dct-outputs=" + outputs, "--fmin=" + fmin,
                "--fmax=" + fmax, "--window=" + window,         "--name=" + name, length};
    }

    std::string what() const
    {
        return length + " points, " + rate + " Hz, " + filters + " filters, " + outputs + " outputs, " + fmin +
               " to " + fmax + " Hz, " + window + ", " + type;
    }

    // What the client and the library's MFCC sources are built with for
    // the type: the client's define, and the MFCC's sources by name.
    std::string type_define() const
    {
        return type == "q31" ? "-DTYPE_Q31" : type == "f32" ? "-DTYPE_F32" : type == "f16" ? "-DTYPE_F16" : "";
    }

    std::vector<std::string> mfcc_sources() const
    {
        return {"arm_mfcc_" + type + ".c", "arm_mfcc_init_" + type + ".c"};
    }
};

// The configurations of the library's test data, Testing/Source/Tests/mfccdata.c,
// named config1 to config3 there, and more, of other rates, filters, ranges,
// windows and types, whose tables its script makes.
const std::vector<mfcc_configuration> test_data_configurations = {
    {"1024", "16000", "20", "13", "64", "8000", "hamming", ""},
    {"512", "16000", "20", "13", "64", "8000", "hamming", ""},
    {"256", "16000", "20", "13", "64", "8000", "hamming", ""},
};
const std::vector<mfcc_configuration> more_configurations = {
    {"1024", "16000", "40", "13", "20", "8000", "hann", "q15"},
    {"512", "8000", "24", "12", "0", "4000", "hamming", "q31"},
    {"2048", "44100", "64", "20", "30", "16000", "hann", "q31"},
    {"128", "16000", "10", "10", "300", "3400", "hann", "q15"},
    {"4096", "48000", "80", "40", "100", "24000", "hamming", "q15"},
    {"32", "8000", "4", "2", "0", "4000", "hamming", "q31"},
};
const std::vector<mfcc_configuration> float_configurations = {
    {"1024", "16000", "40", "13", "20", "8000", "hann", "f32"},
    {"512", "8000", "24", "12", "0", "4000", "hamming", "f32"},
    {"256", "16000", "20", "13", "64", "8000", "hamming", "f16"},
    {"2048", "44100", "64", "20", "30", "16000", "hann", "f16"},
};

// The values of each array of a C file, by name, as its initializers give
// them: in decimal, or in hexadecimal of the type's bits (the script writes
// negative q15 and q31 values as their two's complement); of float32_t, the
// bits of the float that a C compiler reads.
std::map<std::string, std::vector<long>> arrays_of(const std::string &source)
{
    std::map<std::string, std::vector<long>> arrays;
    std::size_t at = 0;
    while ((at = source.find("\nconst ", at)) != std::string::npos) {
        const std::size_t type_end = source.find(' ', at + 7);
        const std::string type = source.substr(at + 7, type_end - at - 7);
        const std::size_t name_end = source.find('[', type_end);
        const std::size_t open = source.find('{', name_end);
        const std::size_t close = source.find('}', open);
        if (name_end == std::string::npos || open == std::string::npos || close == std::string::npos)
            break;
        const std::string name = source.substr(type_end + 1, name_end - type_end - 1);
        std::vector<long> &values = arrays[name];
        std::istringstream entries(source.substr(open + 1, close - open - 1));
        for (std::string entry; std::getline(entries, entry, ',');) {
            std::istringstream words(entry);
            std::string word;
            if (!(words >> word) || word[0] == '#')
                continue;
            if (type == "float32_t") {
                const float read = std::strtof(word.c_str(), nullptr);
                std::uint32_t bits = 0;
                std::memcpy(&bits, &read, sizeof bits);
                values.push_back(static_cast<long>(bits));
                continue;
            }
            const bool negative = word[0] == '-';
            const std::string digits = word.substr(word.find_first_not_of("- "));
            const bool hex = digits.rfind("0x", 0) == 0;
            long value = std::stol(digits, nullptr, hex ? 16 : 10);
            if (hex && type == "q15_t" && value >= 0x8000)
                value -= 0x10000;
            if (hex && type == "q31_t" && value >= 0x80000000l)
                value -= 0x100000000l;
            values.push_back(negative ? -value : value);
        }
        at = close;
    }
    return arrays;
}

class CmsisMfcc : public ScratchFolderTest {
protected:
    // The tool's MFCC tables for the configuration, named generated.
    std::map<std::string, std::vector<long>> generated(const mfcc_configuration &c)
    {
        const process_result result = run_tool(c.tool_arguments("generated"));
        EXPECT_EQ(result.status, 0) << described(result);
        return arrays_of(result.out);
    }

    // Writes the tables of the library's own script for the configuration,
    // mfccdata.c and mfccdata.h, into folder.
    void run_script(const mfcc_configuration &c)
    {
        run_step({"/usr/bin/python3", CMSIS_TEST_DIR "/mfcc_script.py", CMSIS_DIR, folder.string(), c.length, c.rate,
                  c.filters, c.outputs, c.fmin, c.fmax, c.window, c.type});
    }

    // Every table of the tool's is the one that theirs names, entry for entry.
    void expect_tables_equal(const std::map<std::string, std::vector<long>> &ours,
                             const std::map<std::string, std::vector<long>> &theirs, const std::string &suffix)
    {
        for (const char *table : {"dct_coefs", "window_coefs", "filter_pos", "filter_len", "filter_coefs"}) {
            const std::string mine = std::string("generated_") +
                                     (std::string(table) == "dct_coefs"      ? "dct"
                                      : std::string(table) == "window_coefs" ? "window"
                                      : std::string(table) == "filter_len"   ? "filter_lengths"
                                                                             : table);
            const std::string name = std::string("mfcc_") + table + "_" + suffix;
            ASSERT_EQ(theirs.count(name), 1u) << name;
            ASSERT_EQ(ours.count(mine), 1u) << mine;
            EXPECT_FALSE(theirs.at(name).empty()) << name;
            EXPECT_EQ(ours.at(mine), theirs.at(name)) << mine << " against " << name;
        }
    }
};

// The tables of the library's three configurations of test data, q15, q31
// and f32, are its own, entry for entry, the floats bit for bit.
TEST_F(CmsisMfcc, TablesAreThoseOfTheLibrarysTestData)
{
    if (!have_cmsis())
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    const auto theirs = arrays_of(read_file(dsp + "/Testing/Source/Tests/mfccdata.c"));
    for (std::size_t i = 0; i < test_data_configurations.size(); ++i) {
        for (const char *type : {"q15", "q31", "f32"}) {
            mfcc_configuration c = test_data_configurations[i];
            c.type = type;
            SCOPED_TRACE(c.what());
            const std::string config = "config" + std::to_string(i + 1) + "_" + type;
            // The test data has one DCT for its three configurations, config1's.
            std::map<std::string, std::vector<long>> named = theirs;
            named["mfcc_dct_coefs_" + config] = theirs.at(std::string("mfcc_dct_coefs_config1_") + type);
            expect_tables_equal(generated(c), named, config);
        }
    }
}

// For more configurations, the tables are what the library's own script
// (Scripts/mfccdata.py, with its templates) computes, entry for entry.
TEST_F(CmsisMfcc, TablesAreWhatTheLibrarysScriptComputes)
{
    if (!have_cmsis())
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    std::vector<mfcc_configuration> configurations = more_configurations;
    configurations.insert(configurations.end(), float_configurations.begin(), float_configurations.begin() + 2);
    for (const mfcc_configuration &c : configurations) {
        SCOPED_TRACE(c.what());
        run_script(c);
        expect_tables_equal(generated(c), arrays_of(read_file(folder / "mfccdata.c")), "script_" + c.type);
    }
}

// The MFCC's report: its output the library's, bit for bit, which computed
// something, with as much of its scratch as the header says, to the word,
// and its tables the script's as the compiler made them. Of floats, with
// the real FFT, the scratch is the N complex values that the library asks
// for, whose magnitudes it reads, and it writes the first N values alone
// (f16: N + 2).
void expect_mfcc_report(const std::vector<compared> &report, const mfcc_configuration &c, bool complex)
{
    ASSERT_EQ(report.size(), 1u);
    EXPECT_EQ(report[0].figures.at("output"), 0);
    EXPECT_EQ(report[0].figures.at("tables"), 0);
    EXPECT_GT(report[0].figures.at("magnitudes"), 0) << "the MFCC computed nothing";
    const bool floats = c.type == "f32" || c.type == "f16";
    const long unwritten = std::stol(c.length) - (c.type == "f16" ? 2 : 0);
    EXPECT_EQ(report[0].figures.at("scratch"), floats && !complex ? -unwritten : 0)
        << "the scratch that the MFCC wrote, less the header's";
}

// arm_mfcc_q15, _q31 and _f32 with the constant instance give what they give
// set up by arm_mfcc_init with the script's tables, frame for frame, bit for
// bit; with the real FFT, and with the complex one of ARM_MFCC_USE_CFFT.
TEST_F(CmsisMfcc, OutputIsTheLibrarysWithTheScriptsTables)
{
    if (!have_cmsis())
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    std::vector<mfcc_configuration> configurations = more_configurations;
    configurations.insert(configurations.end(), float_configurations.begin(), float_configurations.begin() + 2);
    for (const mfcc_configuration &c : configurations) {
        run_script(c);
        const process_result generated = run_tool([&] {
            std::vector<std::string> args = c.tool_arguments("generated");
            args.push_back("--output=" + (folder / "generated.c").string());
            args.push_back("--header=" + (folder / "generated.h").string());
            return args;
        }());
        ASSERT_EQ(generated.status, 0) << described(generated);
        for (const bool complex : {false, true}) {
            SCOPED_TRACE(c.what() + (complex ? ", ARM_MFCC_USE_CFFT" : ""));
            std::vector<std::string> build = {C_COMPILER, "-O2", "-w", "-D__GNUC_PYTHON__", "-DFFT_LENGTH=" + c.length,
                                              "-DMEL_FILTERS=" + c.filters, "-DDCT_OUTPUTS=" + c.outputs,
                                              "-I" + dsp + "/Include", "-I" + dsp + "/PrivateInclude",
                                              "-I" + folder.string(), MFCC_CLIENT, (folder / "mfccdata.c").string(),
                                              (folder / "generated.c").string()};
            if (!c.type_define().empty())
                build.push_back(c.type_define());
            if (complex) {
                // The MFCC's sources of the library, built for its complex FFT.
                build.push_back("-DARM_MFCC_USE_CFFT");
                for (const std::string &source : c.mfcc_sources())
                    build.push_back(dsp + "/Source/TransformFunctions/" + source);
            }
            build.insert(build.end(), {CMSIS_HOST_LIBRARY, "-lm", "-o", (folder / "mfcc").string()});
            run_step(build);
            expect_mfcc_report(comparisons(run_step({(folder / "mfcc").string()})), c, complex);
        }
    }
}

// A build of CMSIS-DSP for a core, from its unmodified sources, as qemu
// runs it.
struct core_build {
    const char *name;
    std::vector<std::string> flags;
    const char *linker_script;
    const char *machine;
};

const core_build cortex_m4 = {"cortex-m4", {"-mcpu=cortex-m4", "-mthumb"}, "cortex_m4.ld", "mps2-an386"};
const core_build cortex_m4f = {
    "cortex-m4", {"-mcpu=cortex-m4", "-mthumb", "-mfpu=fpv4-sp-d16", "-mfloat-abi=hard"}, "cortex_m4.ld", "mps2-an386"};
// A Cortex-M55 whose MVE has no floating point: its floats take the scalar code.
const core_build cortex_m55_integer_mve = {
    "cortex-m55", {"-mcpu=cortex-m55+nomve.fp", "-mthumb", "-mfloat-abi=hard"}, "cortex_m55.ld", "mps3-an547"};
const core_build cortex_m55 = {
    "cortex-m55", {"-mcpu=cortex-m55", "-mthumb", "-mfloat-abi=hard"}, "cortex_m55.ld", "mps3-an547"};
const core_build cortex_m55_autovectorized = {
    "cortex-m55", {"-mcpu=cortex-m55", "-mthumb", "-mfloat-abi=hard", "-DARM_MATH_AUTOVECTORIZE"},
    "cortex_m55.ld", "mps3-an547"};

bool have_firmware_tools()
{
    return have_cmsis() && *ARM_GCC != '\0' && *ARM_AR != '\0' && *ARM_OBJDUMP != '\0' && *QEMU_SYSTEM_ARM != '\0';
}

// What a firmware writes to the debugger's console, which qemu writes to its
// standard error; a firmware that hangs is stopped, and fails.
std::string run_firmware(const core_build &core, const fs::path &elf)
{
    const process_result run = run_process({"/usr/bin/timeout", "-k", "10", "300", QEMU_SYSTEM_ARM, "-M",
                                            core.machine, "-nographic", "-semihosting-config",
                                            "enable=on,target=native", "-kernel", elf.string()});
    EXPECT_EQ(run.status, 0) << "qemu's status\n" << run.err;
    return run.err;
}

class CmsisFirmware : public CmsisClient {
protected:
    std::vector<std::string> compile_flags(const core_build &core) const
    {
        std::vector<std::string> flags = {ARM_GCC};
        flags.insert(flags.end(), core.flags.begin(), core.flags.end());
        flags.insert(flags.end(), {"-O2", "-ffunction-sections", "-fdata-sections", "-DARM_ALL_FFT_TABLES",
                                   "-I" + dsp + "/Include", "-I" + dsp + "/PrivateInclude", "-I" + core_include});
        return flags;
    }

    // The library for the core, with all its tables, Helium's among them.
    fs::path build_library(const core_build &core)
    {
        const fs::path objects = folder / "library";
        fs::create_directories(objects);
        std::vector<std::string> compile = compile_flags(core);
        compile.insert(compile.end(), {"-w", "-c"});
        // The FFTs and the MFCC, with every function they call.
        for (const char *functions : {"Transform", "BasicMath", "ComplexMath", "FastMath", "Matrix", "Statistics"})
            for (const fs::directory_entry &entry :
                 fs::directory_iterator(dsp + "/Source/" + functions + "Functions"))
                compile.push_back(entry.path().string());
        for (const char *table : {"arm_common_tables", "arm_const_structs", "arm_mve_tables"})
            for (const char *type : {".c", "_f16.c"})
                compile.push_back(dsp + "/Source/CommonTables/" + table + type);
        process_options in_objects;
        in_objects.working_directory = objects.string();
        run_step(compile, in_objects);
        std::vector<std::string> archive = {ARM_AR, "rcs", (folder / "libcmsis.a").string()};
        for (const fs::directory_entry &entry : fs::directory_iterator(objects))
            archive.push_back(entry.path().string());
        run_step(archive);
        return folder / "libcmsis.a";
    }

    // The client for the core, with newlib's printf writing to the console,
    // against the library and the tables generated with the options.
    fs::path build_client(const core_build &core, const fs::path &library, const fft_kind &kind,
                          const std::vector<std::string> &options, const std::string &name,
                          const char *client = CMSIS_CLIENT)
    {
        std::vector<std::string> link = compile_flags(core);
        link.insert(link.end(), kind.defines.begin(), kind.defines.end());
        link.push_back(client);
        for (const std::string &file : generate(kind, options, folder / name))
            link.push_back(file);
        const fs::path elf = folder / (name + ".elf");
        link.insert(link.end(), {cortex_m + "/startup.c", FIRMWARE_DIR "/console.c", library.string(), "-T",
                                 cortex_m + "/" + core.linker_script, "--specs=nano.specs", "--specs=nosys.specs",
                                 "-nostartfiles", "-Wl,--gc-sections", "-Wl,--defsym=end=__bss_end", "-o",
                                 elf.string()});
        run_step(link);
        return elf;
    }

    // The MFCC of a configuration with the generated instance gives what
    // it gives with the library's init function and its script's tables, bit
    // for bit, with the real FFT or, with complex, the complex one of
    // ARM_MFCC_USE_CFFT, whose MFCC sources are built so; and uses the
    // scratch that its header says.
    void expect_mfcc_is_the_librarys(const core_build &core, const fs::path &library, const mfcc_configuration &c,
                                     bool complex)
    {
        SCOPED_TRACE(c.what() + (complex ? ", ARM_MFCC_USE_CFFT" : ""));
        const fs::path tables = folder / ("mfcc_" + c.type);
        fs::create_directories(tables);
        run_step({"/usr/bin/python3", CMSIS_TEST_DIR "/mfcc_script.py", CMSIS_DIR, tables.string(), c.length, c.rate,
                  c.filters, c.outputs, c.fmin, c.fmax, c.window, c.type});
        std::vector<std::string> args = c.tool_arguments("generated");
        args.push_back("--output=" + (tables / "generated.c").string());
        args.push_back("--header=" + (tables / "generated.h").string());
        const process_result generated = run_tool(args);
        ASSERT_EQ(generated.status, 0) << described(generated);
        std::vector<std::string> link = compile_flags(core);
        link.insert(link.end(), {"-DFFT_LENGTH=" + c.length, "-DMEL_FILTERS=" + c.filters,
                                 "-DDCT_OUTPUTS=" + c.outputs, "-I" + tables.string(), MFCC_CLIENT,
                                 (tables / "mfccdata.c").string(), (tables / "generated.c").string()});
        if (!c.type_define().empty())
            link.push_back(c.type_define());
        if (complex) {
            link.push_back("-DARM_MFCC_USE_CFFT");
            for (const std::string &source : c.mfcc_sources())
                link.push_back(dsp + "/Source/TransformFunctions/" + source);
        }
        const fs::path elf = tables / "mfcc.elf";
        link.insert(link.end(), {cortex_m + "/startup.c", FIRMWARE_DIR "/console.c", library.string(), "-T",
                                 cortex_m + "/" + core.linker_script, "--specs=nano.specs", "--specs=nosys.specs",
                                 "-nostartfiles", "-Wl,--gc-sections", "-Wl,--defsym=end=__bss_end", "-lm", "-o",
                                 elf.string()});
        run_step(link);
        if (HasFailure())
            return;
        expect_mfcc_report(comparisons(run_firmware(core, elf)), c, complex);
    }

    // Every FFT of every size, q15 and q31, with the generated instances,
    // prints what it prints with the library's own init functions, and so
    // does the MFCC of a configuration of each type; returns the disassembly
    // of the FFTs' firmwares, with their symbols.
    std::string expect_every_fft_is_the_librarys(const core_build &core, bool complex_mfcc = false)
    {
        const fs::path library = build_library(core);
        for (const mfcc_configuration &c : {more_configurations[0], more_configurations[1]}) {
            expect_mfcc_is_the_librarys(core, library, c, false);
            if (complex_mfcc)
                expect_mfcc_is_the_librarys(core, library, c, true);
        }
        std::string disassembly;
        for (const char *layout : {"cmsis-cfft", "cmsis-rfft"}) {
            for (const char *type : {"q15", "q31"}) {
                const std::string name = std::string(layout) + "_" + type;
                const fs::path elf =
                    build_client(core, library, kind_of(layout, type), {std::string("--type=") + type}, name);
                if (HasFailure())
                    return "";
                expect_the_librarys(comparisons(run_firmware(core, elf)), name);
                disassembly += run_step({ARM_OBJDUMP, "-d", "-t", elf.string()});
            }
        }
        return disassembly;
    }

    // Every floating-point FFT of every size, of each type, with the generated
    // instances, prints what it prints with the library's size-specific init
    // functions, and so does the MFCC of a configuration of each type, with
    // the real FFT and the complex one; returns the disassembly of the FFTs'
    // firmwares.
    std::string expect_every_float_fft_is_the_librarys(const core_build &core, const std::vector<std::string> &types)
    {
        const fs::path library = build_library(core);
        for (const mfcc_configuration &c : float_configurations) {
            if (std::find(types.begin(), types.end(), c.type) == types.end())
                continue;
            expect_mfcc_is_the_librarys(core, library, c, false);
            expect_mfcc_is_the_librarys(core, library, c, true);
        }
        std::string disassembly;
        for (const char *layout : {"cmsis-cfft", "cmsis-rfft"}) {
            for (const std::string &type : types) {
                const std::string name = std::string(layout) + "_" + type;
                const fft_kind kind = kind_of(layout, type);
                const fs::path elf =
                    build_client(core, library, kind, {"--type=" + type}, name, FLOAT_FFT_CLIENT);
                if (HasFailure())
                    return "";
                expect_the_librarys(comparisons(run_firmware(core, elf)), name, kind.sizes.size());
                disassembly += run_step({ARM_OBJDUMP, "-d", elf.string()});
            }
        }
        return disassembly;
    }
};

// The library takes its DSP-extension SIMD path.
TEST_F(CmsisFirmware, CortexM4RunsEveryFftAsTheLibraryDoes)
{
    if (!have_firmware_tools())
        GTEST_SKIP() << "CMSIS-DSP, qemu-system-arm or arm-none-eabi-gcc is missing";
    const std::string image = expect_every_fft_is_the_librarys(cortex_m4);
    EXPECT_NE(image.find("smlad"), std::string::npos) << "no DSP-extension instruction in the image";
}

// The library takes its Helium path, whose code is in the image, and reads
// the rearranged tables and the instances' every field: all the same as
// the library's, entry for entry, for N = 16 ... 4096.
TEST_F(CmsisFirmware, CortexM55RunsEveryFftOnHeliumAsTheLibraryDoes)
{
    if (!have_firmware_tools())
        GTEST_SKIP() << "CMSIS-DSP, qemu-system-arm or arm-none-eabi-gcc is missing";
    const std::string image = expect_every_fft_is_the_librarys(cortex_m55, true);
    for (const char *helium : {"vhadd.s16", "vhadd.s32", "_arm_radix4_butterfly_q15_mve",
                               "_arm_radix4_butterfly_q31_mve"})
        EXPECT_NE(image.find(helium), std::string::npos) << helium << " is not in the image";
}

// With ARM_MATH_AUTOVECTORIZE the library's structures and code are the
// scalar ones, whatever the compiler makes of them.
TEST_F(CmsisFirmware, CortexM55RunsEveryFftAutovectorizedAsTheLibraryDoes)
{
    if (!have_firmware_tools())
        GTEST_SKIP() << "CMSIS-DSP, qemu-system-arm or arm-none-eabi-gcc is missing";
    const std::string image = expect_every_fft_is_the_librarys(cortex_m55_autovectorized);
    for (const char *helium : {"vhadd.s16", "vhadd.s32", "_mve"})
        EXPECT_EQ(image.find(helium), std::string::npos) << helium << ", of the Helium path, is in the image";
}

// In f32 on a Cortex-M4F, the library's scalar floating-point code.
TEST_F(CmsisFirmware, CortexM4FRunsEveryFloatFftAsTheLibraryDoes)
{
    if (!have_firmware_tools())
        GTEST_SKIP() << "CMSIS-DSP, qemu-system-arm or arm-none-eabi-gcc is missing";
    const std::string image = expect_every_float_fft_is_the_librarys(cortex_m4f, {"f32"});
    EXPECT_NE(image.find("vmul.f32"), std::string::npos) << "no floating-point instruction in the image";
}

// In f32 and f16 on Helium, whose floating-point code is in the image: the
// rearranged tables, the fixed-point bit reversal and pTwiddle are the
// library's, and the outputs its own, word for word.
TEST_F(CmsisFirmware, CortexM55RunsEveryFloatFftOnHeliumAsTheLibraryDoes)
{
    if (!have_firmware_tools())
        GTEST_SKIP() << "CMSIS-DSP, qemu-system-arm or arm-none-eabi-gcc is missing";
    const std::string image = expect_every_float_fft_is_the_librarys(cortex_m55, {"f32", "f16"});
    for (const char *helium : {"vcmla.f32", "vcmla.f16"})
        EXPECT_NE(image.find(helium), std::string::npos) << helium << " is not in the image";
}

TEST_F(CmsisFirmware, CortexM55RunsEveryFloatFftAutovectorizedAsTheLibraryDoes)
{
    if (!have_firmware_tools())
        GTEST_SKIP() << "CMSIS-DSP, qemu-system-arm or arm-none-eabi-gcc is missing";
    const std::string image = expect_every_float_fft_is_the_librarys(cortex_m55_autovectorized, {"f32", "f16"});
    for (const char *helium : {"vcmla.f32", "vcmla.f16"})
        EXPECT_EQ(image.find(helium), std::string::npos) << helium << ", of the Helium path, is in the image";
}

// A Cortex-M55 with integer MVE alone runs the scalar f32 code, which reads
// the radix-8 bit reversal, and so do the generated instances.
TEST_F(CmsisFirmware, CortexM55WithIntegerMveRunsTheScalarFloatFft)
{
    if (!have_firmware_tools())
        GTEST_SKIP() << "CMSIS-DSP, qemu-system-arm or arm-none-eabi-gcc is missing";
    const std::string image = expect_every_float_fft_is_the_librarys(cortex_m55_integer_mve, {"f32"});
    EXPECT_EQ(image.find("vcmla.f32"), std::string::npos) << "MVE's floating point is in the image";
}

// A design of the tests' own, as tests/cmsis/filter_designs.py makes it with
// scipy: its name and kind, the block size that its instances take, and the
// least SNR, in dB, that its output reaches against scipy's filter in double
// precision, in q15 and q31, on the noise and on the sweep at half of full
// scale.
struct filter_case {
    std::string name;
    bool fir;
    std::string block;
    double noise_q15, sweep_q15, noise_q31, sweep_q31;
};

const std::vector<filter_case> filter_cases = {
    {"butter_lp2", false, "64", 65, 66, 161, 162},
    {"ellip_bp6", false, "37", 41, 43, 138, 140},
    {"butter_lp4_narrow", false, "64", 13, -4, 109, 93},
    {"cheby1_hp5", false, "3", 63, 65, 160, 162},
    {"cheby2_bs4", false, "64", 36, 37, 132, 134},
    {"ellip_lp12", false, "80", 45, 45, 141, 141},
    {"cheby1_bp8", false, "5", 48, 50, 146, 147},
    {"butter_hp8", false, "64", 14, 15, 116, 117},
    {"cheby2_lp7", false, "1", 52, 52, 148, 148},
    {"ellip_bs4", false, "64", 47, 47, 149, 149},
    {"firwin_lp63", true, "38", 75, 75, 173, 173},
    {"firwin_hp31", true, "38", 80, 81, 176, 177},
    {"remez_bp129", true, "41", 71, 71, 168, 169},
    {"firwin_lp8", true, "7", 78, 79, 174, 175},
};

// One line of the filter client's report, by its words.
struct filter_report {
    long model, inside, reads, writes;
};

std::map<std::string, filter_report> filter_reports(const std::string &text)
{
    std::map<std::string, filter_report> reports;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string word, name, label;
        filter_report report{};
        if (!(words >> word) || word != "filter")
            continue;
        words >> name >> label >> report.model >> label >> report.inside >> label >> report.reads >> label >>
            report.writes;
        reports[name] = report;
    }
    return reports;
}

class CmsisFilters : public ScratchFolderTest {
protected:
    // Designs the cases with scipy, generates each in q15 and q31 with its
    // block size into the folder, with the --stats report of each, and writes
    // filters.h, which lists them for the client; on Helium, those that its
    // source refuses are left out.
    void generate(bool helium = false, const std::vector<filter_case> &cases = filter_cases,
                  const std::vector<std::string> &by_hand = {})
    {
        run_step({"/usr/bin/python3", CMSIS_TEST_DIR "/filter_designs.py", "designs", folder.string()});
        std::string includes, list = "#define FILTERS \\\n";
        // Designs converted by hand, as users do, beside the generated ones.
        for (const std::string &name : by_hand) {
            sources.push_back((folder / (name + ".c")).string());
            includes += "#include \"" + name + ".h\"\n";
            list += "    X(" + name + ", BIQUAD, q15, 0.1, 1024, 4096, 8192) \\\n";
        }
        for (const filter_case &c : cases) {
            for (const char *type : {"q15", "q31"}) {
                const std::string name = c.name + "_" + type;
                const std::vector<std::string> args = {
                    c.fir ? "--layout=cmsis-fir" : "--layout=cmsis-biquad", std::string("--type=") + type,
                    "--coefficients=" + (folder / (c.name + ".txt")).string(), c.block};
                std::vector<std::string> write = args;
                write.insert(write.end() - 1, {"--name=" + name, "--header=" + (folder / (name + ".h")).string(),
                                               "--output=" + (folder / (name + ".c")).string()});
                const process_result generated = run_tool(write);
                ASSERT_EQ(generated.status, 0) << described(generated);
                std::vector<std::string> stats = args;
                stats.insert(stats.end() - 1, "--stats");
                const process_result report = run_tool(stats);
                ASSERT_EQ(report.status, 0) << described(report);
                reports[name] = report.out;
                if (helium && read_file(folder / (name + ".c")).find("#error \"CMSIS-DSP's Helium") != std::string::npos)
                    continue;
                // The frequency of the report's cosine, and its samples.
                const std::string &out = report.out;
                const std::size_t at = out.find(" of full scale at ") + 18;
                const std::string frequency = out.substr(at, out.find(' ', at) - at);
                const std::size_t fade = out.find("faded in over ") + 14;
                std::istringstream samples(out.substr(fade));
                long fade_samples = 0, measured = 0, all = 0;
                std::string word;
                samples >> fade_samples >> word >> word >> word >> word >> word >> measured >> word >> all;
                sources.push_back((folder / (name + ".c")).string());
                includes += "#include \"" + name + ".h\"\n";
                list += "    X(" + name + ", " + (c.fir ? "FIR" : "BIQUAD") + ", " + type + ", " + frequency + ", " +
                        std::to_string(fade_samples) + ", " + std::to_string(measured) + ", " + std::to_string(all) +
                        ") \\\n";
            }
        }
        write_file(folder / "filters.h", includes + list + "\n");
    }

    // Builds the client for the host against the library, runs it, and
    // returns the SNR of each filter's output on each signal against scipy's
    // filter in double precision, by name and signal, as "inf" or a number;
    // the client's report, by name, in report.
    std::map<std::string, std::string> host_snr(std::map<std::string, filter_report> &report)
    {
        std::vector<std::string> build = {C_COMPILER, "-O2", "-w", "-D__GNUC_PYTHON__", "-I" + folder.string(),
                                          "-I" + dsp + "/Include", "-I" + dsp + "/PrivateInclude", "-DPRINT_OUTPUTS",
                                          CMSIS_TEST_DIR "/filter_client.c"};
        build.insert(build.end(), sources.begin(), sources.end());
        const std::vector<std::string> library = library_sources();
        build.insert(build.end(), library.begin(), library.end());
        build.insert(build.end(), {"-lm", "-o", (folder / "client").string()});
        run_step(build);
        const std::string printed = run_step({(folder / "client").string()});
        report = filter_reports(printed);
        write_file(folder / "outputs.txt", printed);
        std::map<std::string, std::string> found;
        std::istringstream lines(run_step({"/usr/bin/python3", CMSIS_TEST_DIR "/filter_designs.py", "snr",
                                           folder.string(), (folder / "outputs.txt").string()}));
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            std::string name, signal, figure;
            words >> name >> signal >> figure;
            found[name + " " + signal] = figure;
        }
        return found;
    }

    // The library's filter sources.
    static std::vector<std::string> library_sources()
    {
        std::vector<std::string> files;
        for (const char *file : {"arm_biquad_cascade_df1_q15.c", "arm_biquad_cascade_df1_q31.c", "arm_fir_q15.c",
                                 "arm_fir_q31.c"})
            files.push_back(dsp + "/Source/FilteringFunctions/" + file);
        return files;
    }

    std::map<std::string, std::string> reports; // --stats, by name
    std::vector<std::string> sources;
};

// Every filter with its generated instance gives, on the host, what a model
// of the library's scalar arithmetic gives; no section of a biquad cascade
// whose whole response peaks at 1 or below saturates or wraps on a sine at
// 0.98 of full scale swept over the band; words after each array stay
// unread, and after the state unwritten, in a build with
// ARM_MATH_LOOPUNROLL too; against scipy's filter in double precision, each
// output's SNR is at least the case's on noise and on a sweep at half of full
// scale, and that of --stats' cosine is --stats' prediction, within 2 dB.
TEST_F(CmsisFilters, HostOutputsAreTheModelsAndTheirSnrIsThePredictions)
{
    if (!have_cmsis())
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    generate();
    ASSERT_FALSE(HasFailure());
    for (const bool unrolled : {false, true}) {
        SCOPED_TRACE(unrolled ? "with ARM_MATH_LOOPUNROLL" : "");
        std::vector<std::string> build = {C_COMPILER, "-O2", "-w", "-D__GNUC_PYTHON__", "-I" + folder.string(),
                                          "-I" + dsp + "/Include", "-I" + dsp + "/PrivateInclude",
                                          unrolled ? "-DARM_MATH_LOOPUNROLL" : "-DPRINT_OUTPUTS",
                                          CMSIS_TEST_DIR "/filter_client.c"};
        build.insert(build.end(), sources.begin(), sources.end());
        const std::vector<std::string> library = library_sources();
        build.insert(build.end(), library.begin(), library.end());
        build.insert(build.end(), {"-lm", "-o", (folder / "client").string()});
        run_step(build);
        const std::string printed = run_step({(folder / "client").string()});
        const std::map<std::string, filter_report> found = filter_reports(printed);
        EXPECT_EQ(found.size(), 2 * filter_cases.size());
        for (const auto &[name, report] : found) {
            SCOPED_TRACE(name);
            EXPECT_EQ(report.model, 0) << "the library's output differs from its scalar arithmetic's";
            EXPECT_LT(report.inside, 10000) << "a section's output saturates or wraps";
            EXPECT_EQ(report.reads, 0) << "the library reads past an array";
            EXPECT_EQ(report.writes, 0) << "the library writes past the state";
        }
        if (unrolled)
            continue;
        write_file(folder / "outputs.txt", printed);
        std::istringstream lines(run_step({"/usr/bin/python3", CMSIS_TEST_DIR "/filter_designs.py", "snr",
                                           folder.string(), (folder / "outputs.txt").string()}));
        int checked = 0;
        for (std::string line; std::getline(lines, line);) {
            std::istringstream words(line);
            std::string name, signal, figure;
            words >> name >> signal >> figure;
            SCOPED_TRACE(line);
            const double snr = figure == "inf" ? 1e9 : std::stod(figure);
            const std::string design = name.substr(0, name.rfind('_'));
            const bool q31 = name.substr(name.rfind('_') + 1) == "q31";
            const auto c = std::find_if(filter_cases.begin(), filter_cases.end(),
                                        [&](const filter_case &f) { return f.name == design; });
            ASSERT_NE(c, filter_cases.end());
            if (signal == "noise")
                EXPECT_GE(snr, q31 ? c->noise_q31 : c->noise_q15);
            else if (signal == "half_sweep")
                EXPECT_GE(snr, q31 ? c->sweep_q31 : c->sweep_q15);
            else if (signal == "tone") {
                // Within the rounding of the exact filter's sums, the output
                // is exact: "inf".
                const std::string &report = reports.at(name);
                const std::size_t at = report.find("output snr: ") + 12;
                const std::string predicted = report.substr(at, report.find(' ', at) - at);
                if (predicted == "inf")
                    EXPECT_GE(snr, 300.0) << report;
                else
                    EXPECT_NEAR(snr, std::stod(predicted), 2.0) << report;
            }
            ++checked;
        }
        EXPECT_EQ(checked, 4 * 2 * static_cast<int>(filter_cases.size()));
    }
}

// The README's table of the SNR that the library's q15 and q31 cascades
// reach on noise, with the generated instances and as users convert scipy's
// designs by hand, is what the library's code measures, figure for figure.
TEST_F(CmsisFilters, ReadmeTableIsWhatTheLibraryMeasures)
{
    if (!have_cmsis())
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    const std::vector<std::string> rows =
        table_rows(read_file(SOURCE_DIR "/README.md"), "| design | q15 | q31 | q15 by hand |");
    ASSERT_GT(rows.size(), 1u) << "no table of the filters' SNR in the README";
    std::vector<filter_case> cases;
    std::vector<std::string> by_hand;
    for (std::size_t row = 1; row < rows.size(); ++row) {
        const std::string design = cells_of(rows[row]).front();
        const std::string name = design.substr(1, design.find('`', 1) - 1); // in backticks
        const auto c = std::find_if(filter_cases.begin(), filter_cases.end(),
                                    [&](const filter_case &f) { return f.name == name; });
        ASSERT_NE(c, filter_cases.end()) << rows[row];
        cases.push_back(*c);
    }
    generate(false, {});
    for (const filter_case &c : cases) {
        std::istringstream names(run_step(
            {"/usr/bin/python3", CMSIS_TEST_DIR "/filter_designs.py", "by_hand", folder.string(), c.name, "64"}));
        for (std::string name; names >> name;)
            by_hand.push_back(name);
    }
    sources.clear();
    generate(false, cases, by_hand);
    ASSERT_FALSE(HasFailure());
    std::map<std::string, filter_report> report;
    const std::map<std::string, std::string> snr = host_snr(report);
    for (std::size_t row = 1; row < rows.size(); ++row) {
        const std::vector<std::string> cells = cells_of(rows[row]);
        ASSERT_EQ(cells.size(), 7u) << rows[row];
        const std::string name = cells[0].substr(1, cells[0].find('`', 1) - 1);
        const std::string columns[] = {"_q15", "_q31", "_right_q15", "_not_negated_q15", "_no_shift_q15", "_no_zero_q15"};
        for (std::size_t column = 0; column < 6; ++column) {
            const std::string key = name + columns[column] + " noise";
            ASSERT_EQ(snr.count(key), 1u) << key;
            char measured[32];
            std::snprintf(measured, sizeof measured, "%.1f", std::stod(snr.at(key)));
            EXPECT_EQ(cells[column + 1], measured) << key;
        }
    }
}

// The same filters as firmware: on a Cortex-M4 the outputs are the model's;
// on a Cortex-M55, whose Helium code the image holds, too, but for those of
// the q31 cascades, where Helium rounds a partial sum where the scalar code
// truncates it, and so may differ by a few LSB, and of the q31 FIRs, by 1;
// the words after the arrays and the state are as on the host. The sources
// that refuse Helium (blocks too short, a q15 FIR of more than 32 taps on a
// block of 4k + 2 or 4k + 3) stop its build with their #error, and build for
// the Cortex-M4.
TEST_F(CmsisFilters, FirmwareOutputsAreTheModelsOnEveryCore)
{
    if (!have_firmware_tools())
        GTEST_SKIP() << "CMSIS-DSP, qemu-system-arm or arm-none-eabi-gcc is missing";
    for (const core_build *core : {&cortex_m4, &cortex_m55}) {
        SCOPED_TRACE(core->name);
        const bool helium = core == &cortex_m55;
        sources.clear();
        generate(helium);
        ASSERT_FALSE(HasFailure());
        std::vector<std::string> link = {ARM_GCC};
        link.insert(link.end(), core->flags.begin(), core->flags.end());
        link.insert(link.end(), {"-O2", "-w", "-ffunction-sections", "-fdata-sections", "-I" + folder.string(),
                                 "-I" + dsp + "/Include", "-I" + dsp + "/PrivateInclude", "-I" + core_include,
                                 CMSIS_TEST_DIR "/filter_client.c"});
        link.insert(link.end(), sources.begin(), sources.end());
        const std::vector<std::string> library = library_sources();
        link.insert(link.end(), library.begin(), library.end());
        const fs::path elf = folder / "filters.elf";
        link.insert(link.end(), {cortex_m + "/startup.c", FIRMWARE_DIR "/console.c", "-T",
                                 cortex_m + "/" + core->linker_script, "--specs=nano.specs", "--specs=nosys.specs",
                                 "-nostartfiles", "-Wl,--gc-sections", "-Wl,--defsym=end=__bss_end", "-lm", "-o",
                                 elf.string()});
        run_step(link);
        if (HasFailure())
            return;
        const std::map<std::string, filter_report> found = filter_reports(run_firmware(*core, elf));
        EXPECT_EQ(found.size() + (helium ? 4 : 0), 2 * filter_cases.size()) << "filters that did not run";
        for (const auto &[name, report] : found) {
            SCOPED_TRACE(name);
            const bool q31 = name.substr(name.rfind('_') + 1) == "q31";
            const bool fir = read_file(folder / (name + ".c")).find("arm_fir_instance") != std::string::npos;
            const long allowed = helium && q31 ? (fir ? 1 : 8) : 0;
            EXPECT_LE(report.model, allowed) << "the library's output differs from its scalar arithmetic's";
            EXPECT_EQ(report.reads, 0) << "the library reads past an array";
            EXPECT_EQ(report.writes, 0) << "the library writes past the state";
        }
        if (!helium)
            continue;
        // What Helium refuses, it refuses by its #error, which says why.
        int refused = 0;
        for (const std::string &file : {std::string("cheby1_hp5_q15"), std::string("cheby2_lp7_q15"),
                                        std::string("cheby2_lp7_q31"), std::string("firwin_lp63_q15")}) {
            SCOPED_TRACE(file);
            for (const core_build *build : {&cortex_m4, &cortex_m55}) {
                std::vector<std::string> compile = {ARM_GCC};
                compile.insert(compile.end(), build->flags.begin(), build->flags.end());
                compile.insert(compile.end(), {"-I" + dsp + "/Include", "-I" + core_include, "-c", "-o",
                                               (folder / "t.o").string(), (folder / (file + ".c")).string()});
                const process_result result = run_process(compile);
                if (build == &cortex_m4) {
                    EXPECT_EQ(result.status, 0) << described(result);
                    continue;
                }
                EXPECT_NE(result.status, 0);
                EXPECT_NE(result.err.find("error: #error \"CMSIS-DSP's Helium"), std::string::npos) << result.err;
                ++refused;
            }
        }
        EXPECT_EQ(refused, 4);
    }
}

class CmsisSource : public ScratchFolderTest {
protected:
    // Generates the source for the arguments, named t.c.
    void generate(const std::vector<std::string> &args)
    {
        std::vector<std::string> all = args;
        all.push_back("--output=" + (folder / "t.c").string());
        const process_result result = run_tool(all);
        ASSERT_EQ(result.status, 0) << described(result);
    }
};

// Every CMSIS layout's source, compiled with its header on the host, as C
// and as C++: the header's types and counts are the source's (the compiler
// checks the one against the other), every array and instance is a
// constant, and each has external linkage, in C++ without the header too.
TEST_F(CmsisSource, CompilesWithItsHeaderAsConstantsOfExternalLinkage)
{
    if (!have_cmsis())
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    const std::vector<std::vector<std::string>> cases = {
        {"--layout=cmsis-cfft", "256"},          {"--layout=cmsis-cfft", "--type=q31", "512"},
        {"--layout=cmsis-rfft", "4096"},         {"--layout=cmsis-rfft", "--type=q31", "--round=nearest", "128"},
        {"--layout=cmsis-cfft", "--align=c11", "64"},
        {"--layout=cmsis-cfft", "--type=f32", "256"}, {"--layout=cmsis-rfft", "--type=f32", "--align=c11", "2048"},
        {"--layout=cmsis-mfcc", "--type=f32", "512"}};
    for (const auto &args : cases) {
        for (const bool with_header : {true, false}) {
            std::vector<std::string> run = args;
            if (with_header)
                run.push_back("--header=" + (folder / "t.h").string());
            run.push_back("--output=" + (folder / "t.c").string());
            ASSERT_EQ(run_tool(run).status, 0);
            for (const bool cxx : {false, true}) {
                SCOPED_TRACE(bracketed(run) + (cxx ? " as C++" : " as C"));
                // Without position-independent code, where the instances'
                // pointers would need relocations: in read-only data.
                std::vector<std::string> compile = {cxx ? CXX_COMPILER : C_COMPILER, "-Wall", "-Wextra", "-Werror",
                                                    "-fno-pic", "-D__GNUC_PYTHON__", "-isystem", dsp + "/Include",
                                                    "-c", "-o", (folder / "t.o").string()};
                if (cxx)
                    compile.insert(compile.end(), {"-x", "c++"});
                compile.push_back((folder / "t.c").string());
                run_step(compile);
                // Every symbol that the file defines is a global constant.
                std::istringstream symbols(run_step({NM, "--defined-only", (folder / "t.o").string()}));
                int defined = 0;
                for (std::string line; std::getline(symbols, line);) {
                    std::istringstream words(line);
                    std::string address, kind, name;
                    if (!(words >> address >> kind >> name))
                        continue;
                    ++defined;
                    EXPECT_EQ(kind, "R") << name;
                }
                EXPECT_GE(defined, 3);
            }
        }
    }
}

// Two headers that declare different things have different guards, and
// define sizes of different names: a file that includes a complex and a
// real FFT's, both of the default name, or a radix-2 table's or a window's
// and a real FFT's, declares all of them.
TEST_F(CmsisSource, HeadersOfDifferentTablesCanBeIncludedTogether)
{
    if (!have_cmsis())
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    const std::vector<std::pair<std::vector<std::string>, std::string>> pairs[] = {
        {{{"--layout=cmsis-cfft", "256"}, "&w"}, {{"--layout=cmsis-rfft", "512"}, "&w_forward"}},
        {{{"--align=gnu", "256"}, "w"}, {{"--layout=cmsis-rfft", "512"}, "&w_forward"}},
        {{{"--layout=window", "400"}, "w"}, {{"--layout=cmsis-rfft", "512"}, "&w_forward"}},
    };
    for (const auto &pair : pairs) {
        std::string uses;
        std::string includes;
        for (std::size_t i = 0; i < pair.size(); ++i) {
            const std::string header = (folder / ("t" + std::to_string(i) + ".h")).string();
            std::vector<std::string> args = pair[i].first;
            args.insert(args.end(), {"--header=" + header, "--output=" + (folder / "t.c").string()});
            ASSERT_EQ(run_tool(args).status, 0);
            includes += "#include \"" + header + "\"\n";
            uses += "    (void)" + pair[i].second + ";\n";
        }
        write_file(folder / "both.c", includes + "int main(void)\n{\n" + uses + "    return 0;\n}\n");
        run_step({C_COMPILER, "-Wall", "-Werror", "-D__GNUC_PYTHON__", "-I" + dsp + "/Include", "-c", "-o",
                  (folder / "both.o").string(), (folder / "both.c").string()});
    }
}

// The names that a CMSIS layout refuses are those that CMSIS-DSP's headers
// declare or define, as clang reads them in every build, but for those of
// its prefixes, which the tool refuses by rule.
TEST_F(CmsisSource, RefusedNamesAreThoseThatTheLibrarysHeadersDeclare)
{
    if (!have_cmsis() || *CLANG == '\0')
        GTEST_SKIP() << "CMSIS-DSP or clang is missing";
    std::set<std::string> declared;
    std::istringstream lines(
        run_step({"/usr/bin/python3", CMSIS_TEST_DIR "/declared_names.py", CLANG, CMSIS_DIR, folder.string()}));
    for (std::string name; lines >> name;)
        declared.insert(name);
    const std::string tool = read_file(SOURCE_DIR "/src/layout_cmsis_cfft.cpp");
    const std::size_t start = tool.find("cmsis_names[] = {");
    ASSERT_NE(start, std::string::npos);
    std::set<std::string> refused;
    std::istringstream words(tool.substr(start + 17, tool.find("};", start) - start - 17));
    for (std::string word; words >> word;)
        refused.insert(word.substr(1, word.find('"', 1) - 1));
    EXPECT_EQ(refused, declared);
}

// A Neon build (a Cortex-A) of a generated source stops at its #error,
// which names Neon and says what to do.
TEST_F(CmsisSource, NeonBuildStopsWithAnErrorThatSaysWhy)
{
    if (!have_cmsis() || *ARM_GCC == '\0')
        GTEST_SKIP() << "CMSIS-DSP or arm-none-eabi-gcc is missing";
    for (const char *layout : {"--layout=cmsis-cfft", "--layout=cmsis-rfft"}) {
        generate({layout, "256"});
        // A Cortex-A9 with Neon, without CMSIS-Core, whose Cortex-M headers
        // a Cortex-A build does not take.
        const process_result neon = run_process(
            {ARM_GCC, "-mcpu=cortex-a9", "-mfpu=neon", "-mfloat-abi=hard", "-DARM_MATH_NEON", "-D__GNUC_PYTHON__",
             "-I" + dsp + "/Include", "-c", "-o", (folder / "t.o").string(), (folder / "t.c").string()});
        EXPECT_NE(neon.status, 0);
        const std::size_t error = neon.err.find("error: #error");
        EXPECT_NE(error, std::string::npos) << neon.err;
        EXPECT_NE(neon.err.find("Neon build (ARM_MATH_NEON)", error), std::string::npos) << neon.err;
        EXPECT_NE(neon.err.find("init function instead", error), std::string::npos) << neon.err;
        EXPECT_EQ(neon.err.find("error:"), error) << "an error before the #error:\n" << neon.err;
    }
}

// An f16 file, with its header or without, in a build without half-precision
// floats (a Cortex-M4 without them, the host) stops at an #error that says
// so, before any other error.
TEST_F(CmsisSource, F16WithoutHalfPrecisionStopsWithAnErrorThatSaysWhy)
{
    if (!have_cmsis())
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    for (const char *layout : {"--layout=cmsis-cfft", "--layout=cmsis-rfft", "--layout=cmsis-mfcc"}) {
        for (const bool with_header : {false, true}) {
            SCOPED_TRACE(std::string(layout) + (with_header ? " with its header" : ""));
            std::vector<std::string> args = {layout, "--type=f16", "256"};
            if (with_header)
                args.push_back("--header=" + (folder / "t.h").string());
            generate(args);
            const process_result host = run_process({C_COMPILER, "-D__GNUC_PYTHON__", "-I" + dsp + "/Include", "-c",
                                                     "-o", (folder / "t.o").string(), (folder / "t.c").string()});
            EXPECT_NE(host.status, 0);
            const std::size_t error = host.err.find("error: #error");
            EXPECT_NE(error, std::string::npos) << host.err;
            EXPECT_NE(host.err.find("ARM_FLOAT16_SUPPORTED is not defined", error), std::string::npos) << host.err;
            EXPECT_EQ(host.err.find("error:"), error) << "an error before the #error:\n" << host.err;
        }
    }
}

// The CMSIS-DSP files that the page on CMSIS-DSP lists for each layout, in
// its table, by layout: those of Source/, for q15.
std::map<std::string, std::vector<std::string>> documented_sources(const std::string &heading = "| layout | files |")
{
    const std::string page = read_file(SOURCE_DIR "/docs/cmsis-dsp.md");
    std::map<std::string, std::vector<std::string>> sources;
    const std::vector<std::string> rows = table_rows(page, heading);
    for (std::size_t row = 1; row < rows.size(); ++row) {
        const std::string &line = rows[row];
        std::vector<std::string> quoted;
        for (std::size_t open = line.find('`'); open != std::string::npos; open = line.find('`', open + 1)) {
            const std::size_t close = line.find('`', open + 1);
            quoted.push_back(line.substr(open + 1, close - open - 1));
            open = close;
        }
        if (quoted.empty())
            continue;
        std::vector<std::string> &files = sources[quoted.front()];
        for (std::size_t i = 1; i < quoted.size(); ++i) {
            if (sources.count(quoted[i]) != 0 && quoted[i] != quoted.front())
                files.insert(files.end(), sources[quoted[i]].begin(), sources[quoted[i]].end());
            else
                files.push_back(quoted[i]);
        }
    }
    return sources;
}

// Each layout's source, q15 and q31, links with a program that calls its
// function and the CMSIS-DSP files that the page lists for it, and no other:
// for this host, for a Cortex-M4 and for a Cortex-M55 on Helium.
TEST_F(CmsisSource, LinksWithTheLibrarysFilesThatThePageLists)
{
    if (!have_cmsis() || *ARM_GCC == '\0')
        GTEST_SKIP() << "CMSIS-DSP or arm-none-eabi-gcc is missing";
    const std::map<std::string, std::vector<std::string>> sources = documented_sources();
    ASSERT_EQ(sources.size(), 3u) << "the page's table of files";
    const std::map<std::string, std::string> calls = {
        {"cmsis-cfft", "arm_cfft_TYPE(&w, (TYPE_t *)0, 0, 1)"},
        {"cmsis-rfft", "arm_rfft_TYPE(&w_forward, (TYPE_t *)0, (TYPE_t *)0)"},
        {"cmsis-mfcc", "arm_mfcc_TYPE(&w, (TYPE_t *)0, (TYPE_t *)0, (q31_t *)0)"},
    };
    const auto typed = [](std::string text, const std::string &type) {
        for (std::size_t at = text.find("q15"); at != std::string::npos; at = text.find("q15", at + 3))
            text.replace(at, 3, type);
        for (std::size_t at = text.find("TYPE"); at != std::string::npos; at = text.find("TYPE", at + 3))
            text.replace(at, 4, type);
        return text;
    };
    for (const auto &[layout, files] : sources) {
        ASSERT_EQ(calls.count(layout), 1u) << layout;
        for (const char *type : {"q15", "q31"}) {
            generate({"--layout=" + layout, std::string("--type=") + type,
                      "--header=" + (folder / "t.h").string(), "1024"});
            write_file(folder / "main.c", "#include \"t.h\"\nint main(void)\n{\n    " +
                                              typed(calls.at(layout), type) + ";\n    return 0;\n}\n");
            std::set<std::string> compiled;
            for (const std::string &file : files)
                compiled.insert(dsp + "/Source/" + typed(file, type));
            for (const core_build *core : {static_cast<const core_build *>(nullptr), &cortex_m4, &cortex_m55}) {
                SCOPED_TRACE(layout + " " + type + " " + (core == nullptr ? "host" : core->name));
                std::vector<std::string> link = {C_COMPILER, "-D__GNUC_PYTHON__"};
                if (core != nullptr) {
                    link = {ARM_GCC, "-I" + core_include, "--specs=nosys.specs"};
                    link.insert(link.end(), core->flags.begin(), core->flags.end());
                }
                link.insert(link.end(), {"-O1", "-w", "-I" + dsp + "/Include", "-I" + dsp + "/PrivateInclude",
                                         (folder / "main.c").string(), (folder / "t.c").string()});
                link.insert(link.end(), compiled.begin(), compiled.end());
                link.insert(link.end(), {"-lm", "-o", (folder / "program").string()});
                const process_result linked = run_process(link);
                EXPECT_EQ(linked.status, 0) << described(linked);
            }
        }
    }
}

// So with the floats' files: f32 for a PC, a Cortex-M4F and a Cortex-M55,
// with Helium and with integer MVE alone; f16 for a Cortex-M55, with Helium
// and with ARM_MATH_AUTOVECTORIZE.
TEST_F(CmsisSource, FloatsLinkWithTheLibrarysFilesThatThePageLists)
{
    if (!have_cmsis() || *ARM_GCC == '\0')
        GTEST_SKIP() << "CMSIS-DSP or arm-none-eabi-gcc is missing";
    const std::map<std::string, std::string> calls = {
        {"cmsis-cfft", "arm_cfft_TYPE(&w, (float_t *)0, 0, 1)"},
        {"cmsis-rfft", "arm_rfft_fast_TYPE(&w, (float_t *)0, (float_t *)0, 0)"},
        {"cmsis-mfcc", "arm_mfcc_TYPE(&w, (float_t *)0, (float_t *)0, (float_t *)0)"},
    };
    for (const std::string type : {"f32", "f16"}) {
        const std::map<std::string, std::vector<std::string>> sources = documented_sources("| layout | " + type + " files |");
        ASSERT_EQ(sources.size(), 3u) << "the page's table of " << type << " files";
        const std::vector<const core_build *> cores =
            type == "f32" ? std::vector<const core_build *>{nullptr, &cortex_m4f, &cortex_m55, &cortex_m55_integer_mve}
                          : std::vector<const core_build *>{&cortex_m55, &cortex_m55_autovectorized};
        for (const auto &[layout, files] : sources) {
            ASSERT_EQ(calls.count(layout), 1u) << layout;
            generate({"--layout=" + layout, "--type=" + type, "--header=" + (folder / "t.h").string(), "1024"});
            std::string call = calls.at(layout);
            for (std::size_t at = call.find("TYPE"); at != std::string::npos; at = call.find("TYPE", at))
                call.replace(at, 4, type);
            for (std::size_t at = call.find("float_t"); at != std::string::npos; at = call.find("float_t", at + 9))
                call.replace(at, 7, type == "f32" ? "float32_t" : "float16_t");
            write_file(folder / "main.c", "#include \"t.h\"\nint main(void)\n{\n    " + call + ";\n    return 0;\n}\n");
            for (const core_build *core : cores) {
                SCOPED_TRACE(layout + " " + type + " " + (core == nullptr ? "host" : core->name) + " " +
                             (core == nullptr ? "" : core->flags.front()));
                std::vector<std::string> link = {C_COMPILER, "-D__GNUC_PYTHON__"};
                if (core != nullptr) {
                    link = {ARM_GCC, "-I" + core_include, "--specs=nosys.specs"};
                    link.insert(link.end(), core->flags.begin(), core->flags.end());
                }
                // As a firmware links: arm_cfft_radix4_f16.c's older FFT
                // calls a function of another file.
                link.insert(link.end(), {"-O1", "-w", "-ffunction-sections", "-Wl,--gc-sections", "-I" + dsp + "/Include",
                                         "-I" + dsp + "/PrivateInclude", (folder / "main.c").string(),
                                         (folder / "t.c").string()});
                for (const std::string &file : files)
                    link.push_back(dsp + "/Source/" + file);
                link.insert(link.end(), {"-lm", "-o", (folder / "program").string()});
                const process_result linked = run_process(link);
                EXPECT_EQ(linked.status, 0) << described(linked);
            }
        }
    }
}

// The bytes that --stats reports for each build are those of the symbols
// that a Cortex-M4 build, and a Cortex-M55 build for Helium, define; of
// the MFCC, also with ARM_MFCC_USE_CFFT, where it holds a complex FFT's
// instance by value in place of a real one's, and its weak table.
TEST_F(CmsisSource, StatsTellTheBytesThatTheCompilerPlaces)
{
    if (!have_cmsis() || *ARM_GCC == '\0' || *ARM_NM == '\0')
        GTEST_SKIP() << "CMSIS-DSP or arm-none-eabi-gcc is missing";
    const std::vector<std::vector<std::string>> cases = {
        {"--layout=cmsis-cfft", "16"},  {"--layout=cmsis-cfft", "--type=q31", "2048"},
        {"--layout=cmsis-rfft", "256"}, {"--layout=cmsis-rfft", "--type=q31", "--section=.fast", "8192"},
        {"--layout=cmsis-mfcc", "1024"}, {"--layout=cmsis-mfcc", "--type=q31", "--mel-filters=40", "512"},
        {"--layout=cmsis-cfft", "--type=f32", "256"}, {"--layout=cmsis-cfft", "--type=f16", "2048"},
        {"--layout=cmsis-rfft", "--type=f32", "1024"}, {"--layout=cmsis-mfcc", "--type=f16", "256"}};
    for (const auto &args : cases) {
        SCOPED_TRACE(bracketed(args));
        generate(args);
        const bool f16 = args[1] == "--type=f16";
        const bool floats = f16 || args[1] == "--type=f32";
        std::vector<std::string> stats = args;
        stats.push_back("--stats");
        const process_result report = run_tool(stats);
        ASSERT_EQ(report.status, 0);
        const bool mfcc = args.front() == "--layout=cmsis-mfcc";
        // Floats, on a Cortex-M4F and on Helium's floating point.
        for (const core_build *core : floats ? std::vector<const core_build *>{&cortex_m4f, &cortex_m55}
                                             : std::vector<const core_build *>{&cortex_m4, &cortex_m55}) {
            for (const bool complex : {false, true}) {
                if (complex && !mfcc)
                    continue;
                std::vector<std::string> compile = {ARM_GCC};
                compile.insert(compile.end(), core->flags.begin(), core->flags.end());
                if (complex)
                    compile.push_back("-DARM_MFCC_USE_CFFT");
                // The half-precision floats of a Cortex-M4F's compiler.
                if (f16 && core == &cortex_m4f)
                    compile.push_back("-mfp16-format=ieee");
                compile.insert(compile.end(), {"-I" + dsp + "/Include", "-I" + core_include, "-c", "-o",
                                               (folder / "t.o").string(), (folder / "t.c").string()});
                run_step(compile);
                long bytes = 0;
                std::istringstream symbols(run_step({ARM_NM, "-S", "--defined-only", (folder / "t.o").string()}));
                for (std::string line; std::getline(symbols, line);) {
                    std::istringstream words(line);
                    std::string address, size, kind;
                    // Read-only data, data, or a weak object.
                    if (words >> address >> size >> kind && (kind == "R" || kind == "D" || kind == "V"))
                        bytes += std::stol(size, nullptr, 16);
                }
                std::string build = core == &cortex_m4  ? "a scalar or DSP-extension core"
                                    : core == &cortex_m4f ? (f16 ? "a core without MVE's f16"
                                                                 : "a core without MVE's floating point")
                                    : floats              ? (f16 ? "Helium (MVE) for f16" : "Helium (MVE) for floats")
                                                          : "Helium (MVE)";
                if (complex)
                    build += " with ARM_MFCC_USE_CFFT";
                EXPECT_NE(report.out.find("bytes:      " + std::to_string(bytes) + " on " + build + "\n"),
                          std::string::npos)
                    << core->name << (complex ? " with ARM_MFCC_USE_CFFT" : "") << " defines " << bytes
                    << " bytes\n"
                    << report.out;
            }
        }
    }
}

// Without --section, each array carries ARM_DSP_TABLE_ATTRIBUTE, CMSIS-DSP's
// hook for placing its tables: a build that defines it as a section
// attribute finds every array of each layout in that section, on the host
// and on a Cortex-M55 with Helium's tables.
TEST_F(CmsisSource, ArraysTakeTheLibrarysTableAttribute)
{
    if (!have_cmsis() || *ARM_GCC == '\0' || *ARM_OBJDUMP == '\0')
        GTEST_SKIP() << "CMSIS-DSP or arm-none-eabi-gcc is missing";
    const std::string attribute = "-DARM_DSP_TABLE_ATTRIBUTE=__attribute__((section(\".dsp_tables\")))";
    for (const char *layout : {"--layout=cmsis-cfft", "--layout=cmsis-rfft", "--layout=cmsis-mfcc"}) {
        generate({layout, "--header=" + (folder / "t.h").string(), "512"});
        const std::string header = read_file(folder / "t.h");
        for (const core_build *core : {static_cast<const core_build *>(nullptr), &cortex_m55}) {
            SCOPED_TRACE(std::string(layout) + " " + (core == nullptr ? "host" : core->name));
            std::vector<std::string> compile = {C_COMPILER, "-D__GNUC_PYTHON__"};
            if (core != nullptr) {
                compile = {ARM_GCC, "-I" + core_include};
                compile.insert(compile.end(), core->flags.begin(), core->flags.end());
            }
            compile.insert(compile.end(), {attribute, "-I" + dsp + "/Include", "-c", "-o", (folder / "t.o").string(),
                                           (folder / "t.c").string()});
            run_step(compile);
            const std::string table =
                run_step({core == nullptr ? std::string(OBJDUMP) : std::string(ARM_OBJDUMP), "-t",
                          (folder / "t.o").string()});
            int arrays = 0;
            std::istringstream symbols(table);
            for (std::string line; std::getline(symbols, line);) {
                std::istringstream words(line);
                std::vector<std::string> fields;
                for (std::string word; words >> word;)
                    fields.push_back(word);
                if (std::find(fields.begin(), fields.end(), "O") == fields.end())
                    continue;
                const std::string &name = fields.back();
                // An array: a name the header declares followed by '['.
                if (header.find(" " + name + "[") == std::string::npos)
                    continue;
                ++arrays;
                EXPECT_NE(std::find(fields.begin(), fields.end(), ".dsp_tables"), fields.end()) << line;
            }
            EXPECT_GE(arrays, 2) << table;
        }
    }
}

class CmsisTarget : public InstalledToolTest {
protected:
    fs::path build_firmware(const std::string &name, const std::string &toolchain, bool library_tables,
                            const fs::path &script_tables = {})
    {
        const fs::path build = folder / name;
        build_project(FIRMWARE_DIR, build,
                      {"-DCMAKE_TOOLCHAIN_FILE=" + cortex_m + "/" + toolchain, "-DCMSIS_DIR=" CMSIS_DIR,
                       "-DCORTEX_M_DIR=" + cortex_m, std::string("-DLIBRARY_TABLES=") + (library_tables ? "ON" : "OFF"),
                       "-DSCRIPT_TABLES=" + script_tables.string()});
        return build;
    }
};

// The firmware, its tables generated by the installed package at build time
// and placed in a section of their own, prints what it prints with the
// library's own tables, bit for bit; the tables lie in that section, on 4
// bytes, as the SIMD path reads a q15 pair as one word.
TEST_F(CmsisTarget, CortexM4FirmwarePrintsWhatItPrintsWithTheLibrarysTables)
{
    if (!have_firmware_tools())
        GTEST_SKIP() << "CMSIS-DSP, qemu-system-arm or arm-none-eabi-gcc is missing";
    install();
    const fs::path generated = build_firmware("generated", "cortex_m4.cmake", false) / "fft_firmware.elf";
    const fs::path library = build_firmware("library", "cortex_m4.cmake", true) / "fft_firmware.elf";
    ASSERT_FALSE(HasFailure());
    const std::string ours = run_firmware(cortex_m4, generated);
    const std::string theirs = run_firmware(cortex_m4, library);
    EXPECT_EQ(std::count(theirs.begin(), theirs.end(), '\n'),
              7 + (2 * (16 + 64 + 256 + 1024) + 2 * (64 + 256 + 1024)) / 8);
    EXPECT_TRUE(ours == theirs) << "the firmware's output differs with the generated tables";

    std::istringstream symbols(run_step({ARM_OBJDUMP, "-t", generated.string()}));
    int placed = 0;
    for (std::string line; std::getline(symbols, line);) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string word; words >> word;)
            fields.push_back(word);
        const std::string &name = fields.empty() ? line : fields.back();
        const bool object = std::find(fields.begin(), fields.end(), "O") != fields.end();
        if (!object || (name.rfind("cfft_", 0) != 0 && name.rfind("rfft_", 0) != 0))
            continue;
        // The arrays and the instances alike.
        ++placed;
        EXPECT_NE(std::find(fields.begin(), fields.end(), ".dtcm_data"), fields.end()) << line;
        if (name.find("_twiddle") != std::string::npos || name.find("_bitrev") != std::string::npos) {
            EXPECT_EQ(std::stoul(fields.front(), nullptr, 16) % 4, 0u) << line;
        }
    }
    // Four complex FFTs' twiddle factors, bit reversals and instances, and
    // three real FFTs' A, B, complex FFT's tables and instances, and two
    // instances each.
    EXPECT_EQ(placed, 4 * 3 + 3 * (4 + 1 + 2)) << "the arrays and instances of four complex and three real FFTs";
}

// The firmware that the page on CMSIS-DSP documents, built exactly so: the
// toolchain file, linker script and startup code of examples/fft_q15, the
// generated source and the library's files that the page lists for the
// layout, and no other file, flag or library; for a Cortex-M4 and a
// Cortex-M55, of each layout in q15 and q31. Each links and runs under qemu.
TEST_F(CmsisTarget, DocumentedFirmwareOfEachLayoutBuildsAndRuns)
{
    if (!have_firmware_tools())
        GTEST_SKIP() << "CMSIS-DSP, qemu-system-arm or arm-none-eabi-gcc is missing";
    const std::map<std::string, std::vector<std::string>> sources = documented_sources();
    ASSERT_EQ(sources.size(), 3u) << "the page's table of files";
    const std::map<std::string, std::string> calls = {
        {"cmsis-cfft", "static TYPE_t buffer[t_BUFFER_LENGTH];\n"
                       "    arm_cfft_TYPE(&t, buffer, 0, 1);\n    return buffer[0];"},
        {"cmsis-rfft", "static TYPE_t samples[t_RFFT_LENGTH], spectrum[t_SPECTRUM_LENGTH];\n"
                       "    arm_rfft_TYPE(&t_forward, samples, spectrum);\n    return spectrum[0];"},
        {"cmsis-mfcc", "static TYPE_t frame[t_FFT_LENGTH], out[t_DCT_OUTPUTS];\n"
                       "    static q31_t scratch[t_SCRATCH_LENGTH];\n"
                       "    frame[1] = 1000;\n"
                       "    arm_mfcc_TYPE(&t, frame, out, scratch);\n    return out[0] == 0;"},
    };
    const auto typed = [](std::string text, const std::string &type) {
        for (const char *from : {"q15", "TYPE"})
            for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 3))
                text.replace(at, std::strlen(from), type);
        return text;
    };
    const fs::path project = folder / "project";
    fs::create_directories(project);
    std::string lists = "cmake_minimum_required(VERSION 3.20)\nproject(documented LANGUAGES C)\n"
                        "set(dsp " + dsp + ")\n";
    std::vector<std::string> programs;
    for (const auto &[layout, files] : sources) {
        for (const std::string type : {"q15", "q31"}) {
            const std::string name = layout.substr(6) + "_" + type;
            const fs::path sources_of = project / name;
            fs::create_directories(sources_of);
            const process_result generated = run_tool({"--layout=" + layout, "--type=" + type, "--name=t",
                                                       "--header=" + (sources_of / "t.h").string(),
                                                       "--output=" + (sources_of / "t.c").string(), "1024"});
            ASSERT_EQ(generated.status, 0) << described(generated);
            write_file(sources_of / "main.c",
                       "#include \"t.h\"\nint main(void)\n{\n    " + typed(calls.at(layout), type) + "\n}\n");
            lists += "add_executable(" + name + " " + name + "/main.c " + name + "/t.c " + cortex_m + "/startup.c";
            std::set<std::string> listed;
            for (const std::string &file : files)
                listed.insert(typed(file, type));
            for (const std::string &file : listed)
                lists += "\n    ${dsp}/Source/" + file;
            lists += ")\ntarget_include_directories(" + name + " PRIVATE " + name +
                     " ${dsp}/Include ${dsp}/PrivateInclude " + core_include + ")\n"
                     "target_link_options(" + name + " PRIVATE -T " + cortex_m + "/${LINKER_SCRIPT})\n";
            programs.push_back(name);
        }
    }
    write_file(project / "CMakeLists.txt", lists);
    for (const core_build *core : {&cortex_m4, &cortex_m55}) {
        SCOPED_TRACE(core->name);
        const std::string cpu = core == &cortex_m4 ? "cortex_m4" : "cortex_m55";
        const fs::path build = folder / cpu;
        run_step({CMAKE_COMMAND, "-S", project.string(), "-B", build.string(),
                  "-DCMAKE_TOOLCHAIN_FILE=" + cortex_m + "/" + cpu + ".cmake", "-DLINKER_SCRIPT=" + cpu + ".ld"});
        run_step({CMAKE_COMMAND, "--build", build.string()});
        if (HasFailure())
            return;
        for (const std::string &program : programs) {
            SCOPED_TRACE(program);
            run_firmware(*core, build / program);
        }
    }
}

// The flash that a 256-point q15 real FFT costs, text and data, set up by
// the generated instance or by the library's init functions, all at -Os
// with --gc-sections, on a Cortex-M4 and a Cortex-M55; a 256-point complex
// FFT, by the generated instance or by the library's own, which is constant
// but on Helium; and a 1024-point q15 MFCC, by the generated instance or by
// arm_mfcc_init_1024_q15 with its script's tables. The README quotes these
// figures, row for row.
TEST_F(CmsisTarget, FlashOfTheFftsAndTheMfccIsTheReadmes)
{
    if (!have_cmsis() || *ARM_GCC == '\0' || *ARM_SIZE == '\0')
        GTEST_SKIP() << "CMSIS-DSP or arm-none-eabi-gcc is missing";
    install();
    const auto with_commas = [](long bytes) {
        const std::string digits = std::to_string(bytes);
        std::string shown;
        for (std::size_t i = 0; i < digits.size(); ++i) {
            if (i > 0 && (digits.size() - i) % 3 == 0)
                shown += ',';
            shown += digits[i];
        }
        return shown;
    };
    // The script's tables of the MFCC's configuration.
    const fs::path tables = folder / "mfcc";
    fs::create_directories(tables);
    run_step({"/usr/bin/python3", CMSIS_TEST_DIR "/mfcc_script.py", CMSIS_DIR, tables.string(), "1024", "16000", "40",
              "13", "20", "8000", "hann", "q15"});
    // Each program's bytes, on the Cortex-M4 and on the Cortex-M55, and, of
    // the f32 programs, on the Cortex-M4F then the Cortex-M55.
    std::map<std::string, std::vector<long>> bytes;
    for (const char *toolchain : {"cortex_m4.cmake", "cortex_m55.cmake", "cortex_m4f.cmake"}) {
        const fs::path build = build_firmware(std::string("sizes_") + toolchain, toolchain, false, tables);
        ASSERT_FALSE(HasFailure()) << toolchain;
        const bool floats = std::string(toolchain) == "cortex_m4f.cmake";
        for (const char *program : {"rfft_256_generated", "rfft_256_sized_init", "rfft_256_init", "cfft_256_generated",
                                    "cfft_256_sized_init", "mfcc_1024_generated", "mfcc_1024_sized_init",
                                    "rfft_256_whole", "cfft_256_whole", "mfcc_1024_whole", "f32_cfft_256_generated",
                                    "f32_cfft_256_sized_init", "f32_cfft_1024_generated", "f32_cfft_1024_sized_init",
                                    "f32_rfft_256_generated", "f32_rfft_256_sized_init", "f32_rfft_256_init"}) {
            const std::string name = program;
            if (floats != (name.rfind("f32_", 0) == 0) && std::string(toolchain) != "cortex_m55.cmake")
                continue;
            std::istringstream sizes(run_step({ARM_SIZE, (build / (std::string(program) + ".elf")).string()}));
            std::string heading;
            std::getline(sizes, heading);
            long text = 0, data = 0;
            sizes >> text >> data;
            bytes[program].push_back(text + data);
        }
    }
    // The f32 programs on the Cortex-M55 came before those on the M4F.
    for (auto &[program, sizes] : bytes)
        if (program.rfind("f32_", 0) == 0)
            std::swap(sizes[0], sizes[1]);
    // No f32 FFT takes more with the generated instance than with the
    // library's init function for its size; on Helium, whose init function
    // links the N-point twiddle factors that a 4^k-point FFT never reads, a
    // 256-point one saves 2,000 bytes and a 1024-point one 8,000.
    for (const char *program : {"f32_cfft_256", "f32_cfft_1024", "f32_rfft_256"}) {
        for (std::size_t core = 0; core < 2; ++core) {
            const std::string name = program;
            EXPECT_LE(bytes[name + "_generated"][core], bytes[name + "_sized_init"][core])
                << name << (core == 0 ? " on the Cortex-M4F" : " on the Cortex-M55");
        }
    }
    EXPECT_GE(bytes["f32_cfft_256_sized_init"][1] - bytes["f32_cfft_256_generated"][1], 2000);
    EXPECT_GE(bytes["f32_cfft_1024_sized_init"][1] - bytes["f32_cfft_1024_generated"][1], 8000);
    for (std::size_t core = 0; core < 2; ++core) {
        SCOPED_TRACE(core == 0 ? "Cortex-M4" : "Cortex-M55");
        EXPECT_LE(4 * bytes["rfft_256_generated"][core], bytes["rfft_256_sized_init"][core])
            << "the generated file costs more than a quarter of arm_rfft_init_256_q15";
        EXPECT_LT(bytes["rfft_256_sized_init"][core], bytes["rfft_256_init"][core]);
        EXPECT_LE(2 * bytes["mfcc_1024_generated"][core], bytes["mfcc_1024_sized_init"][core])
            << "the generated MFCC costs more than half of arm_mfcc_init_1024_q15";
        // With a library built without a section for each function and
        // table, as it may come prebuilt, each program stays within 1 KB of
        // itself with a library built with them: none takes the library's
        // every table. Helium's MFCC reads seeds of the library's own that
        // the tool cannot make, and so takes them all.
        for (const char *program : {"rfft_256", "cfft_256", "mfcc_1024"}) {
            if (core == 1 && std::string(program) == "mfcc_1024")
                continue;
            const std::string name = program;
            EXPECT_LE(bytes[name + "_whole"][core], bytes[name + "_generated"][core] + 1024)
                << name << " with a library built as one may come prebuilt";
        }
    }
    const std::string readme = read_file(SOURCE_DIR "/README.md");
    const std::vector<std::pair<std::string, std::string>> rows = {
        {"256-point q15 real FFT, generated", "rfft_256_generated"},
        {"the same, `arm_rfft_init_256_q15`", "rfft_256_sized_init"},
        {"the same, `arm_rfft_init_q15`", "rfft_256_init"},
        {"256-point q15 complex FFT, generated", "cfft_256_generated"},
        {"the same, the library's own", "cfft_256_sized_init"},
        {"1024-point q15 MFCC, generated", "mfcc_1024_generated"},
        {"the same, `arm_mfcc_init_1024_q15`", "mfcc_1024_sized_init"},
        {"256-point f32 complex FFT, generated", "f32_cfft_256_generated"},
        {"the same, `arm_cfft_init_256_f32`", "f32_cfft_256_sized_init"},
        {"1024-point f32 complex FFT, generated", "f32_cfft_1024_generated"},
        {"the same, `arm_cfft_init_1024_f32`", "f32_cfft_1024_sized_init"},
        {"256-point f32 real FFT, generated", "f32_rfft_256_generated"},
        {"the same, `arm_rfft_fast_init_256_f32`", "f32_rfft_256_sized_init"},
        {"the same, `arm_rfft_fast_init_f32`", "f32_rfft_256_init"},
    };
    for (const auto &[label, program] : rows) {
        const std::string row =
            "| " + label + " | " + with_commas(bytes[program][0]) + " | " + with_commas(bytes[program][1]) + " |";
        EXPECT_NE(readme.find("\n" + row + "\n"), std::string::npos) << "the README should say: " << row;
    }
}

} // namespace
