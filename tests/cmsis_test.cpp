// CMSIS-DSP's own code as the client of the CMSIS layouts: on the host, its
// complex and real fixed-point FFTs at every size, forward and inverse, with
// its own tables and with the generated ones; and as Cortex-M4 firmware
// under qemu, where the library takes its DSP-extension SIMD path. The
// library's sources come from CMSIS_DIR, unmodified.

#include "installed_tool.h"
#include "tool_under_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

bool have_cmsis()
{
    return *CMSIS_DIR != '\0';
}

// One line of the client's report: its words, and its numbers by the word
// before each.
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

class CmsisHost : public ScratchFolderTest {
protected:
    // Generates the tables of every size for the layout, with the options,
    // named t<N>, builds the client against them and the library, and
    // returns its report.
    std::vector<compared> run_client(const std::string &layout, const std::vector<std::string> &options)
    {
        const bool real = layout == "cmsis-rfft";
        std::vector<std::string> build = {C_COMPILER, "-O2", "-D__GNUC_PYTHON__", "-DARM_ALL_FFT_TABLES",
                                          "-I" CMSIS_DIR "/CMSIS-DSP/Include",
                                          "-I" CMSIS_DIR "/CMSIS-DSP/PrivateInclude"};
        if (real)
            build.push_back("-DREAL_FFT");
        for (const std::string &option : options)
            if (option == "--type=q31")
                build.push_back("-DTYPE_Q31");
        build.push_back(CMSIS_CLIENT);
        for (std::int32_t n = real ? 32 : 16; n <= (real ? 8192 : 4096); n *= 2) {
            const std::string size = std::to_string(n);
            const std::string file = (folder / ("t" + size + ".c")).string();
            std::vector<std::string> args = {"--layout=" + layout, "--name=t" + size,
                                             "--output=" + file, size};
            args.insert(args.begin(), options.begin(), options.end());
            const process_result generated = run_tool(args);
            EXPECT_EQ(generated.status, 0) << described(generated);
            build.push_back(file);
        }
        build.insert(build.end(), {CMSIS_HOST_LIBRARY, "-lm", "-o", (folder / "client").string()});
        run_step(build);
        const std::vector<compared> report = comparisons(run_step({(folder / "client").string()}));
        EXPECT_EQ(report.size(), 18u) << "nine sizes, each forward and inverse";
        return report;
    }
};

// The options of q31 tables: rounded as the library rounds its own, then by
// each rule asked for.
const std::vector<std::string> q31_of_each_rounding[] = {
    {"--type=q31"}, {"--type=q31", "--round=nearest"}, {"--type=q31", "--round=floor"}};

// For every N of 16 to 4096, forward and inverse: the default q15 tables are
// the library's own, entry for entry, the bit reversal and its length too,
// and the output is the library's bit for bit. The q31 outputs, of every
// rounding, lie within 8 LSB of the library's (measured: at most 2).
TEST_F(CmsisHost, ComplexFftOfEverySizeIsTheLibrarys)
{
    if (!have_cmsis())
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    for (const compared &c : run_client("cmsis-cfft", {})) {
        SCOPED_TRACE("q15 " + c.what);
        EXPECT_EQ(c.figures.at("twiddles"), 0);
        EXPECT_EQ(c.figures.at("bitrev"), 0);
        EXPECT_EQ(c.figures.at("length"), 0) << "the two lengths differ";
        EXPECT_EQ(c.figures.at("output"), 0);
    }
    for (const std::vector<std::string> &options : q31_of_each_rounding) {
        for (const compared &c : run_client("cmsis-cfft", options)) {
            SCOPED_TRACE(options.back() + " " + c.what);
            EXPECT_LE(c.figures.at("twiddles"), 1);
            EXPECT_EQ(c.figures.at("bitrev"), 0);
            EXPECT_EQ(c.figures.at("length"), 0);
            EXPECT_LE(c.figures.at("output"), 8);
        }
    }
}

// For every L of 32 to 8192, forward and inverse, against arm_rfft_init's
// instance with the library's tables: the generated file alone gives the
// q15 output bit for bit, its A and B the library's at its stride; q31's
// output lies within 8 LSB.
TEST_F(CmsisHost, RealFftOfEveryLengthIsTheLibrarys)
{
    if (!have_cmsis())
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    for (const compared &c : run_client("cmsis-rfft", {})) {
        SCOPED_TRACE("q15 " + c.what);
        EXPECT_EQ(c.figures.at("a"), 0);
        EXPECT_EQ(c.figures.at("b"), 0);
        EXPECT_EQ(c.figures.at("flags"), 1);
        EXPECT_EQ(c.figures.at("output"), 0);
    }
    for (const std::vector<std::string> &options : q31_of_each_rounding) {
        for (const compared &c : run_client("cmsis-rfft", options)) {
            SCOPED_TRACE(options.back() + " " + c.what);
            EXPECT_EQ(c.figures.at("flags"), 1);
            EXPECT_LE(c.figures.at("output"), 8);
        }
    }
}

class CmsisTarget : public InstalledToolTest {
protected:
    fs::path build_firmware(const std::string &name, bool library_tables)
    {
        const fs::path build = folder / name;
        build_project(FIRMWARE_DIR, build,
                      {"-DCMAKE_TOOLCHAIN_FILE=" CORTEX_M_DIR "/cortex_m4.cmake",
                       "-DCMSIS_DIR=" CMSIS_DIR, "-DCORTEX_M_DIR=" CORTEX_M_DIR,
                       std::string("-DLIBRARY_TABLES=") + (library_tables ? "ON" : "OFF")});
        return build;
    }

    // What the firmware writes to the debugger's console, which qemu writes
    // to its standard error; a firmware that hangs is stopped, and fails.
    std::string run_firmware(const fs::path &elf)
    {
        const process_result run = run_process(
            {"/usr/bin/timeout", "-k", "10", "120", QEMU_SYSTEM_ARM, "-M", "mps2-an386", "-nographic",
             "-semihosting-config", "enable=on,target=native", "-kernel", elf.string()});
        EXPECT_EQ(run.status, 0) << "qemu's status";
        return run.err;
    }
};

// The firmware prints, with the generated tables, what it prints with the
// library's own, bit for bit; the tables lie in the section asked for, on
// 4 bytes, as the SIMD path reads a q15 pair as one word.
TEST_F(CmsisTarget, CortexM4FirmwarePrintsWhatItPrintsWithTheLibrarysTables)
{
    if (!have_cmsis() || *QEMU_SYSTEM_ARM == '\0' || *ARM_GCC == '\0' || *ARM_OBJDUMP == '\0')
        GTEST_SKIP() << "CMSIS-DSP, qemu-system-arm or arm-none-eabi-gcc is missing";
    install();
    const fs::path generated = build_firmware("generated", false) / "fft_firmware.elf";
    const fs::path library = build_firmware("library", true) / "fft_firmware.elf";
    ASSERT_FALSE(HasFailure());
    const std::string ours = run_firmware(generated);
    const std::string theirs = run_firmware(library);
    EXPECT_EQ(std::count(theirs.begin(), theirs.end(), '\n'),
              7 + (2 * (16 + 64 + 256 + 1024) + 2 * (64 + 256 + 1024)) / 8);
    EXPECT_TRUE(ours == theirs) << "the firmware's output differs with the generated tables";

    std::istringstream symbols(run_step({ARM_OBJDUMP, "-t", generated.string()}));
    int tables = 0;
    for (std::string line; std::getline(symbols, line);) {
        std::istringstream words(line);
        std::vector<std::string> fields;
        for (std::string word; words >> word;)
            fields.push_back(word);
        const std::string &name = fields.empty() ? line : fields.back();
        const bool table = (name.rfind("cfft_", 0) == 0 || name.rfind("rfft_", 0) == 0) &&
                           (name.find("_twiddle") != std::string::npos ||
                            name.find("_bitrev") != std::string::npos ||
                            (name.size() > 2 && (name.substr(name.size() - 2) == "_a" ||
                                                 name.substr(name.size() - 2) == "_b")));
        if (!table)
            continue;
        ++tables;
        EXPECT_EQ(std::stoul(fields.front(), nullptr, 16) % 4, 0u) << line;
        EXPECT_NE(std::find(fields.begin(), fields.end(), ".dtcm_data"), fields.end()) << line;
    }
    EXPECT_EQ(tables, 4 * 2 + 3 * 4) << "the arrays of four complex and three real FFTs";
}

// The flash that a 256-point q15 real FFT costs, set up by arm_rfft_init_q15
// or by the generated instance, both at -Os with --gc-sections for a
// Cortex-M4: the README quotes these figures.
TEST_F(CmsisTarget, FlashOfA256PointRealFftIsTheReadmes)
{
    if (!have_cmsis() || *ARM_GCC == '\0' || *ARM_SIZE == '\0')
        GTEST_SKIP() << "CMSIS-DSP or arm-none-eabi-gcc is missing";
    install();
    const fs::path build = build_firmware("sizes", false);
    ASSERT_FALSE(HasFailure());
    const auto text_of = [&](const char *elf) {
        std::istringstream sizes(run_step({ARM_SIZE, (build / elf).string()}));
        std::string heading;
        std::getline(sizes, heading);
        long text = 0;
        sizes >> text;
        return text;
    };
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
    const long library = text_of("rfft_256_library.elf");
    const long generated = text_of("rfft_256_generated.elf");
    EXPECT_GT(library, 10 * generated);
    const std::string readme = read_file(SOURCE_DIR "/README.md");
    const std::string quoted = "links " + with_commas(library) + " bytes of text with `arm_rfft_init_q15`, and " +
                               with_commas(generated) + " with the generated file";
    EXPECT_NE(readme.find(quoted), std::string::npos) << "the README should say: " << quoted;
}

} // namespace
