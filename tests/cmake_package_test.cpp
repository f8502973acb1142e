// Uses the CMake package as a firmware project does: installed, with
// find_package and veltabgen_generate, natively and cross-compiled for a
// Cortex-M4, with its arguments checked and its tables built before a target
// of another folder that uses them. The README's own recipes are run by
// readme_test.cpp.

#include "installed_tool.h"
#include "tool_under_test.h"
#include "twiddle_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Two tables of the example: one named by default after its files, and the
// one committed with its sources.
void expect_example_tables(const std::string &printed)
{
    auto tables = tables_printed(printed);
    EXPECT_EQ(tables["twiddle_256"].address_mod_4, 0);
    EXPECT_EQ(tables["twiddle_1024"].address_mod_4, 0);
    EXPECT_EQ(tables["twiddle_256"].entries, table_for(256, default_scale));
    EXPECT_EQ(tables["twiddle_1024"].entries, table_for(1024, default_scale));
}

class CMakePackage : public InstalledToolTest {
protected:
    void check_arguments_at_configure(const fs::path &project, const fs::path &build, package_form form);

    // Configures and builds the example project against the installed tool.
    void build_example(const fs::path &build, std::vector<std::string> options = {})
    {
        options.insert(options.begin(), {"-G", CMAKE_GENERATOR});
        build_project(EXAMPLE_DIR, build, options);
    }
};

// The example's tables in one library, by gcc and by clang: each has its own
// array, aligned as the compiler understands, without a warning; each is
// generated again only when the tool changes; the committed one is current.
TEST_F(CMakePackage, InstalledPackageGeneratesDistinctAlignedTablesOnlyWhenNeeded)
{
    install();
    const fs::path build = folder / "native";
    build_example(build, {"-DCMAKE_C_COMPILER=" C_COMPILER, "-DCMAKE_C_FLAGS=-Wall -Wextra -Werror"});
    ASSERT_FALSE(HasFailure());
    expect_example_tables(run_step({(build / "print_tables").string()}));
    // Its committed table is current.
    run_step({CTEST_COMMAND, "--test-dir", build.string(), "--output-on-failure", "--no-tests=error"});
    if (*CLANG != '\0') {
        const fs::path clang_build = folder / "clang";
        build_example(clang_build,
                      {"-DCMAKE_C_COMPILER=" CLANG, "-DCMAKE_C_FLAGS=-Wall -Wextra -Werror"});
        ASSERT_FALSE(HasFailure());
        expect_example_tables(run_step({(clang_build / "print_tables").string()}));
    }

    // A second build with nothing changed regenerates nothing.
    const fs::path table = build / "veltabgen" / "twiddle_256.c";
    const fs::file_time_type generated = fs::last_write_time(table);
    const std::string second = run_step({CMAKE_COMMAND, "--build", build.string()});
    EXPECT_EQ(second.find("Generating"), std::string::npos) << second;
    EXPECT_EQ(fs::last_write_time(table), generated);

    // A new tool regenerates every table.
    fs::last_write_time(prefix() / "bin" / "veltabgen", generated + std::chrono::seconds(10));
    const std::string third = run_step({CMAKE_COMMAND, "--build", build.string()});
    EXPECT_NE(third.find("Generating the 256-point twiddle table twiddle_256"), std::string::npos);
    EXPECT_NE(third.find("Generating the 512-point twiddle table twiddle_fast"),
              std::string::npos);
    EXPECT_GT(fs::last_write_time(table), generated);
}

// The tool runs on the build host while the tables are compiled for the
// target, each in a section that asks for 4-byte alignment, with no ALIGN
// given; the toolchain file confines packages to the target's sysroot, as
// vendors' do, and the example finds the package as the README says.
TEST_F(CMakePackage, CrossCompiledFirmwareGetsFourByteAlignedTables)
{
    if (*ARM_OBJDUMP == '\0')
        GTEST_SKIP() << "arm-none-eabi-gcc is not installed";
    install();
    const fs::path build = folder / "cortex-m4";
    build_example(build, {"-DCMAKE_TOOLCHAIN_FILE=" TOOLCHAIN_DIR "/cortex_m4.cmake"});
    ASSERT_FALSE(HasFailure());

    auto alignment =
        section_alignments(run_step({ARM_OBJDUMP, "-h", (build / "libtwiddle_tables.a").string()}));
    EXPECT_EQ(alignment[".rodata.twiddle_256"], "2**2");
    EXPECT_EQ(alignment[".rodata.twiddle_1024"], "2**2");
    EXPECT_EQ(alignment[".dtcm_data"], "2**2");
}

// Each bad argument stops the configure step with a message that names it,
// and every value is taken as given: NAME N names the array N. So with the
// installed package, and with veltabgen built in the project's tree, where
// only what the tool alone can tell waits for the build.
TEST_F(CMakePackage, ArgumentsAreCheckedWhenTheProjectIsConfigured)
{
    install();
    const fs::path project = folder / "project";
    fs::create_directories(project);
    for (const package_form form : {package_form::installed, package_form::in_tree}) {
        SCOPED_TRACE(name_of(form));
        check_arguments_at_configure(project, folder / (form == package_form::installed ? "build" : "in-tree"),
                                     form);
    }
}

void CMakePackage::check_arguments_at_configure(const fs::path &project, const fs::path &build, package_form form)
{
    write_file(project / "lowpass.txt", "0.0675 0.1349 0.0675 1 -1.1430 0.4128\n");
    write_file(project / "unstable.txt", "0.5 1 0.5 1 -2.5 1.6\n");
    write_file(project / "taps.txt", "0.25 0.5 0.25\n");
    const auto configure = [&](const std::string &calls) {
        write_file(project / "CMakeLists.txt",
                   in_form("cmake_minimum_required(VERSION 3.20)\n"
                           "project(tables LANGUAGES C CXX)\n"
                           "find_package(veltabgen 1.3 REQUIRED)\n"
                           "add_library(tables STATIC)\n" +
                               calls + "\n",
                           form));
        return run_process({CMAKE_COMMAND, "-S", project.string(), "-B", build.string(), "-G",
                            CMAKE_GENERATOR, "-DCMAKE_PREFIX_PATH=" + prefix().string(),
                            "-DCMAKE_C_COMPILER=" C_COMPILER, "-DCMAKE_CXX_COMPILER=" CXX_COMPILER});
    };
    const struct {
        std::string call;
        std::string message;
        bool told_by_the_tool = false; // by the installed tool alone, at configure time
    } faults[] = {
        {"SIZE 100", "SIZE \"100\" is not one of"},
        {"SIZE --help", "SIZE \"--help\" is not one of"},
        {"SIZE 64k", "SIZE \"64k\" is not one of"},
        {"SIZE 0", "SIZE \"0\" is not one of"},
        {"SIZE 064", "SIZE \"064\" is not one of"},
        {"SCALE 500", "SIZE is required"},
        {"SIZE \"\"", "SIZE needs a value"},
        {"SIZE 64 SCALE abc", "SCALE \"abc\" is not a plain decimal number"},
        {"SIZE 64 SCALE 1e3", "SCALE \"1e3\" is not a plain decimal number"},
        {"SIZE 64 SCALE \"\"", "SCALE needs a value"},
        {"SIZE 64 SCALE 0", "SCALE \"0\" is not above 0 and at most 32768"},
        {"SIZE 64 SCALE 32768.01", "SCALE \"32768.01\" is not above 0 and at most 32768"},
        {"SIZE 64 SCALE 32768.0000001", "SCALE \"32768.0000001\" is not above 0 and at most 32768"},
        {"SIZE 64 NAME int", "NAME \"int\" is a C or C++ keyword"},
        {"SIZE 64 NAME __func__", "NAME \"__func__\" is a C or C++ keyword, or a name reserved"},
        {"SIZE 64 NAME linux", "NAME \"linux\" is a C or C++ keyword, or a name reserved"},
        {"SIZE 64 NAME 9lives", "NAME \"9lives\" is not a C identifier"},
        {"SIZE 64 NAME printf", "NAME \"printf\" is declared by the C standard library"},
        // A list is no value of any argument.
        {"SIZE \"64;128\"", "SIZE \"64;128\" is not one of"},
        {"SIZE 64 SCALE \"1;2\"", "SCALE \"1;2\" is not a plain decimal number"},
        {"SIZE 64 NAME \"a;b\"", "NAME \"a;b\" is not a C identifier"},
        {"SIZE 64 ALIGN \"gnu;ti\"", "ALIGN \"gnu;ti\" is not one of ti, gnu, c11 and none"},
        {"SIZE 64 SECTION \".a;.b\"", "SECTION \".a;.b\" is not 1 to 64 letters"},
        {"SIZE 64 ALIGN ti BANK \"1;2\"", "BANK \"1;2\" is not a number from 0 to 15"},
        {"SIZE 64 NAME", "NAME needs a value"},
        {"SIZE 64 NAME HEADER",
         "NAME needs a value: HEADER is a keyword of veltabgen_generate, not a value"},
        {"NAME SIZE 64", "NAME needs a value: SIZE is a keyword of veltabgen_generate, not a value"},
        {"SIZE 64 ALIGN foo", "ALIGN \"foo\" is not one of ti, gnu, c11 and none"},
        {"SIZE 64 ALIGN OFF", "ALIGN \"OFF\" is not one of ti, gnu, c11 and none"},
        {"SIZE 64 SECTION \".a b\"", "SECTION \".a b\" is not 1 to 64 letters"},
        {"SIZE 64 SECTION " + std::string(65, 's'),
         "SECTION \"" + std::string(65, 's') + "\" is not 1 to 64 letters"},
        {"SIZE 64 ROUND up", "ROUND \"up\" is not zero, nearest or floor"},
        {"SIZE 64 LAYOUT fft",
         "LAYOUT \"fft\" is not radix2, cmsis-cfft, cmsis-rfft, window, cmsis-mfcc, cmsis-biquad or cmsis-fir"},
        {"SIZE 64 LAYOUT", "LAYOUT needs a value"},
        {"SIZE 8192 LAYOUT cmsis-cfft", "SIZE \"8192\" is not one of 16, 32, 64"},
        {"SIZE 16 LAYOUT cmsis-rfft", "SIZE \"16\" is not one of 32, 64"},
        {"SIZE 64 TYPE q31",
         "TYPE \"q31\" needs LAYOUT cmsis-cfft, cmsis-rfft, window, cmsis-mfcc, cmsis-biquad or cmsis-fir"},
        {"SIZE 64 LAYOUT cmsis-cfft TYPE q7", "TYPE \"q7\" is not q15, q31, f32 or f16"},
        {"SIZE 64 LAYOUT cmsis-cfft TYPE q31x", "TYPE \"q31x\" is not q15, q31, f32 or f16"},
        {"SIZE 64 LAYOUT cmsis-rfft TYPE xq15", "TYPE \"xq15\" is not q15, q31, f32 or f16"},
        {"SIZE 64 LAYOUT cmsis-cfft TYPE f64", "TYPE \"f64\" is not q15, q31, f32 or f16"},
        {"SIZE 64 LAYOUT window TYPE f32", "TYPE \"f32\" needs LAYOUT cmsis-cfft, cmsis-rfft or cmsis-mfcc"},
        {"SIZE 64 TYPE f16", "TYPE \"f16\" needs LAYOUT cmsis-cfft, cmsis-rfft or cmsis-mfcc"},
        {"SIZE 8192 LAYOUT cmsis-rfft TYPE f32", "SIZE \"8192\" is above 4096, the largest in f32"},
        {"SIZE 64 LAYOUT cmsis-cfft TYPE f16 ROUND nearest", "ROUND \"nearest\" rounds fixed-point values"},
        {"SIZE 64 LAYOUT cmsis-cfft NAME arm_cfft_q15", "NAME \"arm_cfft_q15\" is CMSIS-DSP's"},
        {"SIZE 64 LAYOUT cmsis-rfft NAME PI", "NAME \"PI\" is CMSIS-DSP's"},
        {"SIZE 64 LAYOUT cmsis-rfft NAME arm", "NAME \"arm\" is CMSIS-DSP's"},
        {"SIZE 64 LAYOUT cmsis-cfft NAME q31_t", "NAME \"q31_t\" is CMSIS-DSP's"},
        {"SIZE 64 LAYOUT cmsis-rfft SCALE 1000", "SCALE is not taken by LAYOUT cmsis-rfft: it needs LAYOUT radix2"},
        // The window and the MFCC, and what they take.
        {"SIZE 1 LAYOUT window", "SIZE \"1\" is not a whole number from 2 to 32768"},
        {"SIZE 32769 LAYOUT window", "SIZE \"32769\" is not a whole number from 2 to 32768"},
        {"SIZE 0400 LAYOUT window", "SIZE \"0400\" is not a whole number from 2 to 32768"},
        {"SIZE 400 LAYOUT window WINDOW kaiser", "WINDOW \"kaiser\" is not hann, hamming, blackman or flattop"},
        {"SIZE 400 LAYOUT window WINDOW \"hann;hamming\"", "WINDOW \"hann;hamming\" is not hann"},
        {"SIZE 64 WINDOW hann", "WINDOW is not taken by LAYOUT radix2: it needs LAYOUT window or cmsis-mfcc"},
        {"SIZE 400 LAYOUT window SAMPLE_RATE 8000",
         "SAMPLE_RATE is not taken by LAYOUT window: it needs LAYOUT cmsis-mfcc"},
        {"SIZE 64 SYMMETRIC", "SYMMETRIC is not taken by LAYOUT radix2: it needs LAYOUT window"},
        {"SIZE 400 LAYOUT cmsis-mfcc", "SIZE \"400\" is not one of 32, 64"},
        {"SIZE 512 LAYOUT cmsis-mfcc WINDOW blackman", "WINDOW \"blackman\" is not hamming or hann"},
        {"SIZE 512 LAYOUT cmsis-mfcc SAMPLE_RATE 16k", "SAMPLE_RATE \"16k\" is not a plain decimal number"},
        {"SIZE 512 LAYOUT cmsis-mfcc SAMPLE_RATE 0", "SAMPLE_RATE \"0\" is not from 0 to 10000000 hertz"},
        {"SIZE 512 LAYOUT cmsis-mfcc FMAX 1e3", "FMAX \"1e3\" is not a plain decimal number"},
        {"SIZE 512 LAYOUT cmsis-mfcc FMIN 6000000", "FMIN \"6000000\" is not from 0 to 5000000 hertz"},
        {"SIZE 512 LAYOUT cmsis-mfcc MEL_FILTERS 0", "MEL_FILTERS \"0\" is not a whole number from 1 to 4096"},
        {"SIZE 512 LAYOUT cmsis-mfcc DCT_OUTPUTS 4097", "DCT_OUTPUTS \"4097\" is not a whole number from 1 to 4096"},
        {"SIZE 512 LAYOUT cmsis-mfcc FRAME_LENGTH 1", "FRAME_LENGTH \"1\" is not a whole number from 2 to 4096"},
        {"SIZE 512 LAYOUT cmsis-mfcc FRAME_LENGTH 0640", "FRAME_LENGTH \"0640\" is not a whole number from 2 to 4096"},
        {"SIZE 512 LAYOUT cmsis-mfcc FRAME_LENGTH 640", "FRAME_LENGTH \"640\" is above SIZE, 512"},
        {"SIZE 400 LAYOUT window FRAME_LENGTH 300",
         "FRAME_LENGTH is not taken by LAYOUT window: it needs LAYOUT cmsis-mfcc"},
        // The filters, and the file of their design.
        {"SIZE 64 LAYOUT cmsis-biquad", "LAYOUT cmsis-biquad needs COEFFICIENTS, the file of the filter's design"},
        {"SIZE 64 LAYOUT cmsis-fir COEFFICIENTS missing.txt", "COEFFICIENTS \"missing.txt\" is not a file, relative to"},
        {"SIZE 64 LAYOUT cmsis-fir COEFFICIENTS \"\"", "COEFFICIENTS needs a value"},
        {"SIZE 64 LAYOUT cmsis-cfft COEFFICIENTS lowpass.txt",
         "COEFFICIENTS is not taken by LAYOUT cmsis-cfft: it needs LAYOUT cmsis-biquad or cmsis-fir"},
        {"SIZE 0 LAYOUT cmsis-fir COEFFICIENTS lowpass.txt", "SIZE \"0\" is not a whole number from 1 to 32768"},
        {"SIZE 64 LAYOUT cmsis-biquad COEFFICIENTS unstable.txt",
         "unstable.txt, line 1: section 1 is unstable: a pole lies at radius 1.264911", true},
        {"SIZE 512 LAYOUT cmsis-mfcc MEL_FILTERS", "MEL_FILTERS needs a value"},
        {"SIZE 512 LAYOUT cmsis-mfcc FMIN SYMMETRIC",
         "FMIN needs a value: SYMMETRIC is a keyword of veltabgen_generate, not a value"},
        // What the arguments cannot do together, which the installed tool tells.
        {"SIZE 512 LAYOUT cmsis-mfcc MEL_FILTERS 10 DCT_OUTPUTS 13",
         "The DCT outputs (13) must be at most the mel filters (10).", true},
        {"SIZE 512 LAYOUT cmsis-mfcc SAMPLE_RATE 8000 FMAX 5000",
         "The highest frequency, 5000 Hz, is above half the sample rate, 4000 Hz.", true},
        {"SIZE 512 LAYOUT cmsis-mfcc FMIN 300 FMAX 300", "The lowest frequency, 300 Hz, must be below the highest",
         true},
        {"SIZE 64 LAYOUT cmsis-mfcc MEL_FILTERS 40", "Mel filter 1 of 40, from 0.0 to 91.6 Hz, covers no FFT bin",
         true},
        {"SIZE 64 ROUND", "ROUND needs a value"},
        {"SIZE 64 SECTION .fast ALIGN c11", "SECTION \".fast\" needs ALIGN ti or gnu, not c11"},
        {"SIZE 64 BANK 16 ALIGN ti", "BANK \"16\" is not a number from 0 to 15"},
        {"SIZE 64 BANK 2 ALIGN gnu", "BANK \"2\" needs ALIGN ti, not gnu"},
        {"SIZE 64 NAME tw)\nveltabgen_generate(tables SIZE 128 NAME tw",
         "a table named tw is already generated in this folder"},
        {"SIZE 64)\nveltabgen_generate(tables SIZE 64 SCALE 1000",
         "a table named twiddle_64 is already generated in this folder"},
    };
    for (const auto &c : faults) {
        if (c.told_by_the_tool && form == package_form::in_tree)
            continue;
        const process_result result = configure("veltabgen_generate(tables " + c.call + ")");
        SCOPED_TRACE(described(result));
        EXPECT_NE(result.status, 0);
        // CMake folds a long message over indented lines.
        std::string err;
        std::istringstream words(result.err);
        for (std::string word; words >> word;)
            err += word + " ";
        EXPECT_NE(err.find("veltabgen_generate: "), std::string::npos);
        EXPECT_NE(err.find(c.message), std::string::npos);
    }

    // Names that CMake would read as false are names like any other.
    const process_result named = configure(
        "veltabgen_generate(tables SIZE 64 NAME N HEADER)\n"
        "veltabgen_generate(tables SIZE 32 NAME no ROUND nearest)\n"
        "veltabgen_generate(tables SIZE 32 NAME best SCALE 32768 ROUND nearest)\n"
        "veltabgen_generate(tables SIZE 16 NAME banked ALIGN ti BANK 12 SECTION " +
        std::string(64, 's') + ")\n"
        "veltabgen_generate(tables SIZE 16 NAME top_bank ALIGN ti BANK 15)\n"
        // Generated, not compiled: the MFCC's source needs CMSIS-DSP's headers.
        "add_custom_target(generated ALL)\n"
        "veltabgen_generate(generated SIZE 400 LAYOUT window NAME blackman_400 WINDOW blackman SYMMETRIC TYPE q31)\n"
        "veltabgen_generate(generated SIZE 1024 LAYOUT cmsis-mfcc NAME kws WINDOW hann SYMMETRIC FRAME_LENGTH 640\n"
        "                   SAMPLE_RATE 16000.5 MEL_FILTERS 40 DCT_OUTPUTS 10 FMIN 20 FMAX 7600 ROUND floor)\n"
        "veltabgen_generate(generated SIZE 37 LAYOUT cmsis-biquad NAME lowpass COEFFICIENTS lowpass.txt TYPE q31)\n"
        "veltabgen_generate(generated SIZE 4096 LAYOUT cmsis-rfft NAME spectrum TYPE f32)\n"
        "veltabgen_generate(generated SIZE 80 LAYOUT cmsis-fir NAME taps COEFFICIENTS taps.txt ROUND floor)");
    ASSERT_EQ(named.status, 0) << described(named);
    run_step({CMAKE_COMMAND, "--build", build.string()});
    // Each keyword reaches the tool as its option.
    for (const auto &[file, args] : std::vector<std::pair<std::string, std::vector<std::string>>>{
             {"blackman_400.c",
              {"--layout=window", "--type=q31", "--window=blackman", "--symmetric", "--name=blackman_400", "400"}},
             {"kws.c",
              {"--layout=cmsis-mfcc", "--round=floor", "--window=hann", "--symmetric", "--sample-rate=16000.5",
               "--fmin=20", "--fmax=7600", "--mel-filters=40", "--dct-outputs=10", "--frame-length=640", "--name=kws",
               "1024"}},
             {"spectrum.c", {"--layout=cmsis-rfft", "--type=f32", "--name=spectrum", "4096"}},
             {"lowpass.c",
              {"--layout=cmsis-biquad", "--type=q31", "--coefficients=" + (project / "lowpass.txt").string(),
               "--name=lowpass", "37"}},
             {"taps.c",
              {"--layout=cmsis-fir", "--round=floor", "--coefficients=" + (project / "taps.txt").string(),
               "--name=taps", "80"}}}) {
        std::vector<std::string> all = args;
        all.insert(all.end() - 1, "--align=gnu");
        EXPECT_EQ(read_file(build / "veltabgen" / file), run_tool(all).out) << file;
    }
    // An edit of a design makes its tables again, and nothing else; a build
    // with nothing changed runs nothing.
    const std::string unchanged = run_step({CMAKE_COMMAND, "--build", build.string()});
    EXPECT_EQ(unchanged.find("Generating"), std::string::npos) << unchanged;
    write_file(project / "lowpass.txt", "0.0675 0.1349 0.0675 1 -1.1430 0.4128 # edited\n");
    const std::string edited = run_step({CMAKE_COMMAND, "--build", build.string()});
    EXPECT_NE(edited.find("Generating the cmsis-biquad table lowpass, for blocks of 37 samples"), std::string::npos)
        << edited;
    EXPECT_EQ(edited.find("Generating the cmsis-fir"), std::string::npos) << edited;
    EXPECT_EQ(edited.find("Generating the 32-point"), std::string::npos) << edited;
    EXPECT_NE(read_file(build / "veltabgen" / "N.c").find("const short N[2 * 32]"),
              std::string::npos);
    EXPECT_NE(read_file(build / "veltabgen" / "N.h").find("extern const short N[2 * 32];"),
              std::string::npos);
    EXPECT_NE(read_file(build / "veltabgen" / "banked.c")
                  .find("#pragma DATA_SECTION(banked, \"" + std::string(64, 's') +
                        "\");\n#pragma DATA_MEM_BANK(banked, 12);"),
              std::string::npos);
    const process_result best = run_tool({"--scale=32768", "--round=nearest", "--name=best", "--align=gnu", "32"});
    EXPECT_EQ(read_file(build / "veltabgen" / "best.c"), best.out);
    EXPECT_NE(read_file(build / "veltabgen" / "top_bank.c").find("#pragma DATA_MEM_BANK(top_bank, 15);"),
              std::string::npos);

    // Rounded to nearest, the first entry is -32768.
    EXPECT_NE(read_file(build / "veltabgen" / "no.c").find("const short no[2 * 16]"
                                                           " __attribute__((aligned(4))) =\n{\n"
                                                           "    -0x8000,"),
              std::string::npos);
}

// The package's own policies hold whatever the project's: a project that
// asks for the policies of CMake 3.2, before IN_LIST, has its arguments
// checked alike.
TEST_F(CMakePackage, AProjectOfOldPoliciesGetsThePackagesOwn)
{
    install();
    const fs::path project = folder / "project";
    const fs::path build = folder / "build";
    fs::create_directories(project);
    const auto configure = [&](const std::string &size) {
        write_file(project / "CMakeLists.txt",
                   "cmake_minimum_required(VERSION 3.2)\n"
                   "project(tables LANGUAGES C)\n"
                   "find_package(veltabgen 1.3 REQUIRED)\n"
                   "add_library(tables STATIC)\n"
                   "veltabgen_generate(tables SIZE " + size + " HEADER)\n");
        return run_process({CMAKE_COMMAND, "-S", project.string(), "-B", build.string(), "-G",
                            CMAKE_GENERATOR, "-DCMAKE_PREFIX_PATH=" + prefix().string(),
                            "-DCMAKE_C_COMPILER=" C_COMPILER});
    };
    const process_result bad = configure("100");
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.err.find("veltabgen_generate: SIZE \"100\" is not one of"), std::string::npos)
        << described(bad);
    fs::remove_all(build);
    const process_result good = configure("64");
    ASSERT_EQ(good.status, 0) << described(good);
    run_step({CMAKE_COMMAND, "--build", build.string()});
    EXPECT_TRUE(fs::exists(build / "veltabgen" / "twiddle_64.h"));
}

// The names that the function refuses are those that the tool refuses: the
// words of each list in the tool's source are the words of the function's.
TEST(CMakePackageNames, TheFunctionRefusesTheNamesTheToolRefuses)
{
    const std::string tool = read_file(SOURCE_DIR "/src/command_line.cpp");
    const std::string function = read_file(SOURCE_DIR "/cmake/veltabgenGenerate.cmake");
    const auto words_between = [](const std::string &text, const std::string &start,
                                  const std::string &end, bool quoted) {
        std::set<std::string> words;
        const std::size_t from = text.find(start);
        EXPECT_NE(from, std::string::npos) << start;
        if (from == std::string::npos)
            return words;
        const std::string part = text.substr(from + start.size(),
                                             text.find(end, from + start.size()) - from - start.size());
        std::istringstream stream(part);
        for (std::string word; stream >> word;) {
            if (quoted)
                word = word.substr(1, word.find('"', 1) - 1);
            words.insert(word);
        }
        return words;
    };
    std::set<std::string> refused = words_between(tool, "reserved_words[] = {", "};", true);
    for (const std::string &word : words_between(tool, "predefined_macros[] = {", "};", true))
        refused.insert(word);
    EXPECT_EQ(words_between(function, "set(reserved_names", ")", false), refused);
    EXPECT_EQ(words_between(function, "set(library_names", ")", false),
              words_between(tool, "library_names[] = {", "};", true));
    EXPECT_EQ(words_between(function, "set(cmsis_names", ")", false),
              words_between(read_file(SOURCE_DIR "/src/layout_cmsis_cfft.cpp"), "cmsis_names[] = {", "};", true));
}

// What the function takes of each layout, its sizes, keywords and windows,
// is what the tool tells of it in --help, from the layouts' own data.
TEST(CMakePackageLayouts, TheFunctionTakesWhatTheToolTellsOfEachLayout)
{
    const process_result help = run_tool({"--help"});
    ASSERT_EQ(help.status, 0) << described(help);
    const std::string function = read_file(SOURCE_DIR "/cmake/veltabgenGenerate.cmake");
    // The words of set(<variable> ...) in the function, or none.
    const auto cmake_list = [&](const std::string &variable) {
        const std::size_t at = function.find("set(" + variable + " ");
        std::vector<std::string> words;
        if (at == std::string::npos)
            return words;
        std::istringstream list(function.substr(at + 5 + variable.size(),
                                                function.find(')', at) - at - 5 - variable.size()));
        for (std::string word; list >> word;)
            words.push_back(word);
        return words;
    };
    std::string section = help.out.substr(help.out.find("The layouts, with their sizes N"));
    section = section.substr(section.find('\n') + 1);
    // Each layout's text, its continuation lines joined.
    std::vector<std::pair<std::string, std::string>> layouts;
    std::istringstream lines(section);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.rfind("    ", 0) == 0 && !layouts.empty()) {
            layouts.back().second += " " + line.substr(line.find_first_not_of(' '));
        } else if (line.rfind("  ", 0) == 0) {
            std::istringstream words(line);
            std::string name;
            words >> name;
            layouts.emplace_back(name, line.substr(line.find(name) + name.size()));
        }
    }
    std::vector<std::string> names;
    for (const auto &[name, text] : layouts)
        names.push_back(name);
    EXPECT_EQ(cmake_list("_veltabgen_layouts"), names);
    for (const auto &[name, text] : layouts) {
        SCOPED_TRACE(name + ":" + text);
        // "N from A to B[, a power of 2]; options"
        std::istringstream sizes(text.substr(text.find("from ") + 5));
        std::string smallest, to, largest;
        sizes >> smallest >> to >> largest;
        largest = largest.substr(0, largest.find_first_of(",;"));
        const bool power = text.find(", a power of 2") != std::string::npos;
        EXPECT_EQ(cmake_list("_veltabgen_sizes_" + name),
                  (std::vector<std::string>{smallest, largest, power ? "POWER" : "ANY"}));
        // ", to L in f32 and f16", where the floats' largest is less.
        const std::size_t floats = text.find(" in f32 and f16");
        const std::size_t float_largest = text.rfind(", to ", floats) + 5;
        EXPECT_EQ(cmake_list("_veltabgen_float_largest_" + name),
                  floats == std::string::npos
                      ? std::vector<std::string>{}
                      : std::vector<std::string>{text.substr(float_largest, floats - float_largest)});
        std::vector<std::string> keywords;
        std::vector<std::string> windows;
        const std::size_t semicolon = text.find(';');
        std::istringstream options(semicolon == std::string::npos ? "" : text.substr(semicolon + 1));
        for (std::string option; std::getline(options, option, ',');) {
            option = option.substr(option.find_first_not_of(' '));
            if (option == "-s")
                continue;
            if (option == "--type=q31") {
                keywords.push_back("Q31");
                continue;
            }
            if (option == "--type=f32|f16") {
                keywords.push_back("FLOAT");
                continue;
            }
            std::string keyword = option.substr(2, option.find('=') - 2);
            if (option.find('=') != std::string::npos) {
                std::istringstream names_of(option.substr(option.find('=') + 1));
                for (std::string window; std::getline(names_of, window, '|');)
                    windows.push_back(window);
            }
            std::transform(keyword.begin(), keyword.end(), keyword.begin(),
                           [](char c) { return c == '-' ? '_' : static_cast<char>(std::toupper(c)); });
            keywords.push_back(keyword);
        }
        EXPECT_EQ(cmake_list("_veltabgen_keywords_" + name), keywords);
        EXPECT_EQ(cmake_list("_veltabgen_windows_" + name), windows);
    }
}

// A firmware target that gathers its sources from subfolders: a table
// generated in a subfolder, for the target defined above it, is built before
// the target's sources that include its header, with each generator that
// CMake offers here.
TEST_F(CMakePackage, TablesForATargetOfAnotherFolderAreBuiltFirst)
{
    install();
    const fs::path project = folder / "project";
    fs::create_directories(project / "dsp");
    write_file(project / "CMakeLists.txt",
               "cmake_minimum_required(VERSION 3.20)\n"
               "project(layered LANGUAGES C)\n"
               "find_package(veltabgen 1.3 REQUIRED)\n"
               "add_executable(firmware main.c)\n"
               "add_subdirectory(dsp)\n");
    write_file(project / "dsp" / "CMakeLists.txt",
               "veltabgen_generate(firmware SIZE 64 HEADER)\n"
               "veltabgen_generate(firmware SIZE 128 NAME tw128 SCALE 1000.25 HEADER)\n");
    write_file(project / "main.c",
               "#include <stdio.h>\n"
               "#include \"twiddle_64.h\"\n"
               "#include \"tw128.h\"\n"
               "int main(void)\n"
               "{\n"
               "    int i;\n"
               "    printf(\"twiddle_64 0\\n\");\n"
               "    for (i = 0; i < 64; ++i)\n"
               "        printf(\"%d\\n\", twiddle_64[i]);\n"
               "    printf(\"tw128 0\\n\");\n"
               "    for (i = 0; i < 128; ++i)\n"
               "        printf(\"%d\\n\", tw128[i]);\n"
               "    return 0;\n"
               "}\n");
    std::vector<std::string> generators = {"Unix Makefiles"};
    if (*NINJA != '\0')
        generators.push_back("Ninja");
    for (const std::string &generator : generators) {
        SCOPED_TRACE(generator);
        const fs::path build = folder / ("build-" + generator.substr(0, generator.find(' ')));
        run_step({CMAKE_COMMAND, "-S", project.string(), "-B", build.string(), "-G", generator,
                  "-DCMAKE_PREFIX_PATH=" + prefix().string(), "-DCMAKE_C_COMPILER=" C_COMPILER});
        run_step({CMAKE_COMMAND, "--build", build.string()});
        if (HasFailure())
            return;
        auto tables = tables_printed(run_step({(build / "firmware").string()}));
        EXPECT_EQ(tables["twiddle_64"].entries, table_for(64, default_scale));
        EXPECT_EQ(tables["tw128"].entries, table_for(128, 1000.25));

        const fs::path table = build / "dsp" / "veltabgen" / "twiddle_64.c";
        const fs::file_time_type generated = fs::last_write_time(table);
        const std::string second = run_step({CMAKE_COMMAND, "--build", build.string()});
        EXPECT_EQ(second.find("Generating"), std::string::npos) << second;
        // A new tool, and then the old one again for the next generator.
        const fs::path tool = prefix() / "bin" / "veltabgen";
        const fs::file_time_type installed = fs::last_write_time(tool);
        fs::last_write_time(tool, generated + std::chrono::seconds(10));
        run_step({CMAKE_COMMAND, "--build", build.string()});
        EXPECT_GT(fs::last_write_time(table), generated);
        fs::last_write_time(tool, installed);
    }
}

} // namespace
