// Compiles the generated source as users do, with the compilers they use, and
// checks what the compiled program holds: the tables' values, their
// alignment, and their linkage from C and C++.

#include "scratch_folder.h"
#include "tool_under_test.h"
#include "twiddle_fixtures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> gnu11_flags = {"-std=gnu11", "-Wall", "-Wextra", "-pedantic",
                                              "-Werror"};
const std::vector<std::string> c11_flags = {"-std=c11", "-Wall", "-Wextra", "-pedantic",
                                            "-Werror"};
const std::vector<std::string> cxx_flags = {"-x", "c++", "-std=c++17", "-Wall", "-Wextra",
                                            "-pedantic", "-Werror"};

// The C compilers the aligned styles are for, where they are installed.
std::vector<std::string> gnu_compatible_compilers()
{
    std::vector<std::string> compilers;
    for (const char *compiler : {GCC, CLANG})
        if (*compiler != '\0')
            compilers.push_back(compiler);
    return compilers;
}

const std::vector<std::string> &flags_for(const std::string &style)
{
    return style == "c11" ? c11_flags : gnu11_flags;
}

// Fails the test with the whole run if the step failed or warned.
std::string checked(const process_result &result)
{
    EXPECT_EQ(result.status, 0) << described(result);
    EXPECT_EQ(result.err, "") << described(result);
    return result.out;
}

std::string run_step(const std::vector<std::string> &command)
{
    return checked(run_process(command));
}

// Builds a command from its parts: words and lists of words.
struct command_builder {
    std::vector<std::string> words;
    command_builder &operator<<(const std::string &word)
    {
        words.push_back(word);
        return *this;
    }
    command_builder &operator<<(const std::vector<std::string> &more)
    {
        words.insert(words.end(), more.begin(), more.end());
        return *this;
    }
};

class GeneratedSource : public ScratchFolderTest {
protected:
    // Runs the tool in the folder and writes its standard output to file.
    std::string generate(const std::string &file, const std::vector<std::string> &args)
    {
        process_options options;
        options.working_directory = folder.string();
        const std::string path = (folder / file).string();
        write_file(path, checked(run_tool(args, options)));
        return path;
    }

    std::string path(const std::string &file) const { return (folder / file).string(); }
};

TEST_F(GeneratedSource, CompilesInStrictCAndHoldsTheTable)
{
    struct client_case {
        std::int32_t n;
        const char *scale_text;
        double scale;
    };
    std::vector<client_case> cases = {{256, "32767.6", 32767.6}, {1024, "1000.5", 1000.5}};
    for (std::int32_t n : valid_sizes)
        cases.push_back({n, nullptr, default_scale});
    const std::vector<std::string> strict_c = {"-std=c99", "-pedantic-errors", "-Wall", "-Wextra",
                                               "-Werror", "-Wno-unknown-pragmas"};

    for (const auto &c : cases) {
        SCOPED_TRACE("N " + std::to_string(c.n) + ", scale " + std::to_string(c.scale));
        std::vector<std::string> args;
        if (c.scale_text != nullptr)
            args.insert(args.end(), {"-s", c.scale_text});
        args.push_back(std::to_string(c.n));
        const std::string source = generate("twiddle.c", args);

        command_builder compile;
        compile << C_COMPILER << strict_c << "-DTABLES=X(w, " + std::to_string(c.n) + ")"
                << source << CLIENT_DIR "/print_tables.c" << "-o" << path("client");
        run_step(compile.words);
        if (HasFailure())
            break;
        EXPECT_EQ(tables_printed(run_step({path("client")}))["w"].entries, table_for(c.n, c.scale));
    }
}

// Two tables, named apart, in one program built by each compiler in each
// style: both hold their values and lie on 4-byte boundaries, whichever way
// the 2-byte object before them shifts them.
TEST_F(GeneratedSource, AlignedStylesCompileCleanlyAndPutTwoTablesOnFourBytes)
{
    for (const std::string style : {"gnu", "c11"}) {
        const std::string small = generate(
            "tw256.c", {"--name=tw256", "--align=" + style, "256"});
        const std::string large = generate(
            "tw1024.c", {"--name", "tw1024", "--align", style, "-s", "1000.25", "1024"});
        for (const std::string &compiler : gnu_compatible_compilers()) {
            for (const char *shorts : {"1", "2"}) {
                SCOPED_TRACE(compiler + ", --align=" + style + ", SHORTS " + shorts);
                command_builder build;
                build << compiler << flags_for(style) << std::string("-DSHORTS=") + shorts
                      << "-DTABLES=X(tw256, 256) X(tw1024, 1024)" << CLIENT_DIR "/two_bytes.c"
                      << small << large << CLIENT_DIR "/print_tables.c" << "-o" << path("client");
                run_step(build.words);
                if (HasFailure())
                    return;
                auto tables = tables_printed(run_step({path("client")}));
                EXPECT_EQ(tables["tw256"].address_mod_4, 0);
                EXPECT_EQ(tables["tw1024"].address_mod_4, 0);
                EXPECT_EQ(tables["tw256"].entries, table_for(256, default_scale));
                EXPECT_EQ(tables["tw1024"].entries, table_for(1024, 1000.25));
            }
        }
    }
}

// The same for a Cortex-M0 firmware image, whose compiler, unlike the host's,
// gives a table no more alignment than it asks for: without a request, one of
// the two layouts puts it 2 bytes past a boundary.
TEST_F(GeneratedSource, AlignedStylesPutTheTableOnFourBytesInCortexMFirmware)
{
    if (*ARM_GCC == '\0' || *ARM_NM == '\0')
        GTEST_SKIP() << "arm-none-eabi-gcc is not installed";
    for (const std::string style : {"gnu", "c11", "none"}) {
        const std::string source = generate("tw.c", {"--name=tw", "--align=" + style, "256"});
        std::vector<std::uint64_t> addresses;
        for (const char *shorts : {"1", "2"}) {
            SCOPED_TRACE("--align=" + style + ", SHORTS " + shorts);
            command_builder build;
            build << ARM_GCC << "-Os" << "-mcpu=cortex-m0" << "-mthumb" << flags_for(style)
                  << "-nostdlib" << "-nostartfiles" << "-Wl,--entry=main"
                  << std::string("-DSHORTS=") + shorts << CLIENT_DIR "/two_bytes.c" << source
                  << CLIENT_DIR "/firmware.c" << "-o" << path("firmware.elf");
            run_step(build.words);
            std::istringstream symbols(run_step({ARM_NM, path("firmware.elf")}));
            for (std::string address, kind, name; symbols >> address >> kind >> name;)
                if (name == "tw")
                    addresses.push_back(std::stoull(address, nullptr, 16));
        }
        ASSERT_EQ(addresses.size(), 2u) << "--align=" << style;
        const bool aligned = addresses[0] % 4 == 0 && addresses[1] % 4 == 0;
        EXPECT_EQ(aligned, style != "none") << "--align=" << style << ": tw at 0x" << std::hex
                                            << addresses[0] << " and 0x" << addresses[1];
    }
}

// In Cortex-M4 firmware, --section puts the table in that section, aligned
// on 4 bytes, without a warning.
TEST_F(GeneratedSource, SectionPlacesTheTableInCortexMFirmware)
{
    if (*ARM_GCC == '\0' || *ARM_OBJDUMP == '\0')
        GTEST_SKIP() << "arm-none-eabi-gcc is not installed";
    const std::string source = generate(
        "tw.c", {"--name=tw", "--align=gnu", "--section=.dtcm_data", "-s", "1000.25", "1024"});
    command_builder build;
    build << ARM_GCC << "-Os" << "-mcpu=cortex-m4" << "-mthumb" << gnu11_flags << "-c" << source
          << "-o" << path("tw.o");
    run_step(build.words);
    EXPECT_EQ(section_alignments(run_step({ARM_OBJDUMP, "-h", path("tw.o")}))[".dtcm_data"], "2**2");
    const std::string symbols = run_step({ARM_OBJDUMP, "-t", path("tw.o")});
    EXPECT_NE(symbols.find(".dtcm_data\t00000800 tw"), std::string::npos) << symbols;
}

// A source of the C11 style, compiled as C++11 by g++ and clang, holds its
// table on 4 bytes and exports it through its header.
TEST_F(GeneratedSource, C11StyleCompilesAsCxx)
{
    generate("tw.c", {"--name=tw", "--align=c11", "--header=tw.h", "-s", "1234.5", "128"});
    std::vector<std::string> compilers = {CXX_COMPILER};
    if (*CLANG != '\0')
        compilers.push_back(CLANG);
    const std::vector<std::string> cxx11 = {"-x", "c++", "-std=c++11", "-Wall", "-Wextra",
                                            "-pedantic", "-Werror"};
    for (const std::string &compiler : compilers) {
        SCOPED_TRACE(compiler);
        command_builder compile_source;
        compile_source << compiler << cxx11 << "-c" << path("tw.c") << "-o" << path("tw.o");
        run_step(compile_source.words);
        command_builder compile_user;
        compile_user << C_COMPILER << gnu11_flags << "-DSHORTS=1" << "-DTABLES_FROM_HEADERS"
                     << "-DTABLES=X(tw, 128)" << "-include" << path("tw.h") << "-c"
                     << CLIENT_DIR "/print_tables.c" << "-o" << path("user.o");
        run_step(compile_user.words);
        run_step({CXX_COMPILER, path("user.o"), path("tw.o"), "-o", path("client")});
        if (HasFailure())
            return;
        auto tables = tables_printed(run_step({path("client")}));
        EXPECT_EQ(tables["tw"].entries, table_for(128, 1234.5));
        EXPECT_EQ(tables["tw"].address_mod_4, 0);
    }
}

// The header lets a C or C++ program use the table, whether the source is
// compiled as C or as C++; without it, a source compiled as C++ keeps its
// array to itself.
TEST_F(GeneratedSource, HeaderLinksTheTableFromCAndCxxWithTheSourceCompiledEither)
{
    generate("tw.c", {"--name=tw", "--align=gnu", "--header=tw.h", "-s", "1234.5", "128"});
    const std::string user_defines[] = {"-DTABLES_FROM_HEADERS", "-DTABLES=X(tw, 128)", "-include",
                                        path("tw.h")};
    const std::vector<std::string> user(std::begin(user_defines), std::end(user_defines));
    for (const bool source_as_cxx : {false, true}) {
        for (const bool user_as_cxx : {false, true}) {
            SCOPED_TRACE(std::string("source as ") + (source_as_cxx ? "C++" : "C") + ", user as " +
                         (user_as_cxx ? "C++" : "C"));
            command_builder compile_source;
            compile_source << (source_as_cxx ? CXX_COMPILER : C_COMPILER)
                           << (source_as_cxx ? cxx_flags : gnu11_flags) << "-c" << path("tw.c")
                           << "-o" << path("tw.o");
            run_step(compile_source.words);
            command_builder compile_user;
            compile_user << (user_as_cxx ? CXX_COMPILER : C_COMPILER)
                         << (user_as_cxx ? cxx_flags : gnu11_flags) << user << "-c"
                         << CLIENT_DIR "/print_tables.c" << "-o" << path("user.o");
            run_step(compile_user.words);
            run_step({CXX_COMPILER, path("user.o"), path("tw.o"), "-o", path("client")});
            if (HasFailure())
                return;
            EXPECT_EQ(tables_printed(run_step({path("client")}))["tw"].entries,
                      table_for(128, 1234.5));
        }
    }

    // Two runs that write one pair at once may leave the header of one beside
    // the source of the other: the source includes its header so that such a
    // pair never compiles.
    generate("other.c", {"--name=tw", "--align=gnu", "--header=tw.h", "256"});
    command_builder compile_mismatched;
    compile_mismatched << C_COMPILER << gnu11_flags << "-c" << path("tw.c") << "-o" << path("tw.o");
    const process_result mismatched = run_process(compile_mismatched.words);
    EXPECT_NE(mismatched.status, 0) << "a 128-point source compiled against a 256-point header";

    generate("plain.c", {"--name=tw", "--align=gnu", "-s", "1234.5", "128"});
    command_builder compile_plain;
    compile_plain << CXX_COMPILER << cxx_flags << "-c" << path("plain.c") << "-o" << path("tw.o");
    run_step(compile_plain.words);
    const process_result link =
        run_process({CXX_COMPILER, path("user.o"), path("tw.o"), "-o", path("client")});
    EXPECT_NE(link.status, 0) << "a C++ source without the header should not export tw";
}

// A header of the other layouts declares the same names in every build that
// the library's headers tell apart: a scalar or DSP-extension core, Helium
// (for floats, its floating point, and for f16 its halves), Helium
// autovectorized, and the MFCC on its complex FFT; only the sizes of its
// arrays differ. The library's headers are stand-ins that define nothing
// but, for f16, the macro of a build that takes it.
TEST_F(GeneratedSource, HeaderDeclaresTheSameNamesInEveryBuild)
{
    write_file(path("arm_math.h"), "");
    write_file(path("arm_math_f16.h"), "#define ARM_FLOAT16_SUPPORTED\n");
    const std::vector<std::vector<std::string>> builds = {
        {}, {"-DARM_MATH_MVEI"}, {"-DARM_MATH_MVEI", "-DARM_MATH_AUTOVECTORIZE"},
        {"-DARM_MFCC_USE_CFFT"}, {"-DARM_MFCC_USE_CFFT", "-DARM_MATH_MVEI"},
        {"-DARM_MATH_MVEI", "-DARM_MATH_MVEF", "-DARM_MATH_MVE_FLOAT16"},
        {"-DARM_MFCC_USE_CFFT", "-DARM_MATH_MVEI", "-DARM_MATH_MVEF", "-DARM_MATH_MVE_FLOAT16"}};
    for (const char *layout : {"cmsis-cfft 32 q15", "cmsis-cfft 256 q15", "cmsis-rfft 64 q15", "cmsis-mfcc 1024 q15",
                               "window 400 q15", "cmsis-cfft 256 f32", "cmsis-cfft 128 f16", "cmsis-rfft 64 f32",
                               "cmsis-mfcc 512 f32", "cmsis-mfcc 256 f16"}) {
        SCOPED_TRACE(layout);
        std::istringstream words(layout);
        std::string name, size, type;
        words >> name >> size >> type;
        generate("t.c", {"--layout=" + name, "--type=" + type, "--name=gen", "--header=" + path("t.h"), size});
        std::set<std::string> first;
        for (const std::vector<std::string> &defines : builds) {
            command_builder preprocess;
            preprocess << C_COMPILER << "-E" << "-P" << defines << "-I" + folder.string() << path("t.h");
            std::set<std::string> declared;
            std::istringstream lines(run_step(preprocess.words));
            for (std::string line; std::getline(lines, line);) {
                if (line.rfind("extern const ", 0) != 0)
                    continue;
                const std::size_t start = line.find(" gen") + 1;
                declared.insert(line.substr(start, line.find_first_of("[;", start) - start));
            }
            if (first.empty())
                first = declared;
            EXPECT_EQ(declared, first) << defines.size() << " defines";
        }
        EXPECT_GT(first.size(), 0u);
        EXPECT_EQ(first.count("gen"), name == "cmsis-rfft" && type == "q15" ? 0u : 1u);
    }
}

} // namespace
