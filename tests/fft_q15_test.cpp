// The reference FFT of examples/fft_q15 with the tool's tables: its output
// against a double-precision DFT, one table read at a stride for every
// smaller size, a build in strict C99 by every compiler at hand, and the
// example's demo as Cortex-M4 and M7 firmware under qemu, whose output must be
// the host's, bit for bit.

#include "fft_q15.h"
#include "fft_reference.h"
#include "installed_tool.h"
#include "tool_under_test.h"
#include "twiddle_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <complex>
#include <numbers>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using complex = std::complex<double>;

std::vector<short> tone_input(std::int32_t n, std::int32_t bin)
{
    std::vector<short> x(static_cast<std::size_t>(2 * n));
    for (std::int32_t i = 0; i < n; ++i) {
        const complex value = std::polar(32000.0, 2.0 * std::numbers::pi * bin * i / n);
        x[static_cast<std::size_t>(2 * i)] = static_cast<short>(std::lround(value.real()));
        x[static_cast<std::size_t>(2 * i + 1)] = static_cast<short>(std::lround(value.imag()));
    }
    return x;
}

// The output SNR of fft_q15 with the table.
double output_snr_db(const std::vector<short> &input, const std::vector<std::int16_t> &table)
{
    std::vector<short> x = input;
    fft_q15(x.data(), static_cast<unsigned>(x.size() / 2), table.data(),
            static_cast<unsigned>(table.size()));
    return q15_output_snr_db(input, x);
}

// The floors for the default table, each a few dB below what a textbook
// FFT with the README's multiply reaches; a size between two takes the
// floor of the larger.
double floor_db(std::int32_t n)
{
    const struct {
        std::int32_t n;
        double db;
    } floors[] = {{16, 70}, {64, 63}, {256, 56}, {1024, 50}, {4096, 44}, {32768, 35}};
    for (const auto &floor : floors)
        if (n <= floor.n)
            return floor.db;
    return 0;
}

// Full-scale tones, of magnitude 32766.7, at every phase in steps of
// 2 pi / 6000, with the best table: the very edge of the input range, where
// the rounding of a butterfly once wrapped an output to the other end of 16
// bits (X[1] of bin 1 at phase 2999 came out as 32767 for -32766.7). Every
// output lies within 8 LSB of the exact DFT divided by n.
TEST(FftQ15, OutputAtTheEdgeOfTheInputRangeNeverWraps)
{
    const std::int32_t n = 64;
    const std::vector<std::int16_t> table = table_for(n, 32768.0, rounding_rule::nearest);
    for (const std::int32_t bin : {1, 17}) {
        for (int phase = 0; phase < 6000; ++phase) {
            std::vector<short> x(2 * n);
            for (std::int32_t i = 0; i < n; ++i) {
                const complex value = std::polar(
                    32766.7, 2.0 * std::numbers::pi * (bin * i / double(n) + phase / 6000.0));
                x[static_cast<std::size_t>(2 * i)] = static_cast<short>(std::lround(value.real()));
                x[static_cast<std::size_t>(2 * i + 1)] = static_cast<short>(std::lround(value.imag()));
            }
            const std::vector<short> input = x;
            ASSERT_EQ(fft_q15(x.data(), n, table.data(), n), 0);
            for (std::int32_t m = 0; m < n; ++m) {
                complex exact = 0;
                for (std::int32_t i = 0; i < n; ++i)
                    exact += complex(input[static_cast<std::size_t>(2 * i)],
                                     input[static_cast<std::size_t>(2 * i + 1)]) *
                             std::polar(1.0, -2.0 * std::numbers::pi * m * i / n);
                exact /= n;
                ASSERT_LE(std::abs(x[static_cast<std::size_t>(2 * m)] - exact.real()), 8.0)
                    << "bin " << bin << ", phase " << phase << "/6000, X[" << m << "]";
                ASSERT_LE(std::abs(x[static_cast<std::size_t>(2 * m + 1)] - exact.imag()), 8.0)
                    << "bin " << bin << ", phase " << phase << "/6000, X[" << m << "]";
            }
        }
    }
}

// A size that is no power of two, or larger than the table, or a table of
// no power of two, is refused, and the data left as it was.
TEST(FftQ15, ArgumentsThatCannotBeRightAreRefused)
{
    const std::vector<std::int16_t> table = table_for(64, default_scale);
    const struct {
        unsigned n;
        unsigned table_points;
    } cases[] = {{0, 64}, {1, 64}, {48, 64}, {128, 64}, {32, 48}, {64, 96}};
    for (const auto &c : cases) {
        std::vector<short> x = random_q15_input(256, 7);
        const std::vector<short> before = x;
        EXPECT_EQ(fft_q15(x.data(), c.n, table.data(), c.table_points), -1)
            << "n " << c.n << ", table_points " << c.table_points;
        EXPECT_EQ(x, before);
    }
    std::vector<short> x = random_q15_input(64, 7);
    EXPECT_EQ(fft_q15(x.data(), 2, table.data(), 64), 0);
    EXPECT_EQ(fft_q15(x.data(), 64, table.data(), 64), 0);
}

TEST(FftQ15, OutputOfTheDefaultTablesMeetsTheFloors)
{
    for (const std::int32_t n : valid_sizes) {
        const std::vector<std::int16_t> table = table_for(n, default_scale);
        for (std::uint32_t seed = 1; seed <= 3; ++seed)
            EXPECT_GE(output_snr_db(random_q15_input(n, seed), table), floor_db(n))
                << "N " << n << ", random input " << seed;
        for (const std::int32_t bin : {1, n / 4 + 3, n - 5})
            EXPECT_GE(output_snr_db(tone_input(n, bin), table), floor_db(n))
                << "N " << n << ", tone at bin " << bin;
    }
}

// The best table does better than the default, never worse: its products
// are closer to what the FFT takes them for.
TEST(FftQ15, TheBestTableDoesAtLeastAsWell)
{
    for (const std::int32_t n : {64, 1024, 32768}) {
        const std::vector<short> x = random_q15_input(n, 7);
        EXPECT_GE(output_snr_db(x, table_for(n, 32768.0, rounding_rule::nearest)),
                  output_snr_db(x, table_for(n, default_scale)))
            << "N " << n;
    }
}

// The largest table, read at a stride, is every smaller one, entry for
// entry; and the FFT with a stride into it is the FFT with the smaller
// table, bit for bit.
TEST(FftQ15, OneTableServesEverySmallerSize)
{
    for (const rounding_rule rule : {rounding_rule::toward_zero, rounding_rule::nearest}) {
        for (const double scale : {default_scale, 32768.0, 32767.0, 1000.25}) {
            const std::vector<std::int16_t> largest = table_for(32768, scale, rule);
            for (const std::int32_t n : valid_sizes) {
                SCOPED_TRACE("N " + std::to_string(n) + ", scale " + std::to_string(scale) +
                             (rule == rounding_rule::nearest ? ", nearest" : ", zero"));
                const std::vector<std::int16_t> table = table_for(n, scale, rule);
                const std::int32_t stride = 32768 / n;
                std::vector<std::int16_t> strided;
                for (std::int32_t k = 0; k < n / 2; ++k) {
                    strided.push_back(largest[static_cast<std::size_t>(2 * k * stride)]);
                    strided.push_back(largest[static_cast<std::size_t>(2 * k * stride + 1)]);
                }
                EXPECT_EQ(strided, table);

                std::vector<short> with_own = random_q15_input(n, 11);
                std::vector<short> with_largest = with_own;
                fft_q15(with_own.data(), static_cast<unsigned>(n), table.data(),
                        static_cast<unsigned>(n));
                fft_q15(with_largest.data(), static_cast<unsigned>(n), largest.data(), 32768u);
                EXPECT_EQ(with_largest, with_own);
            }
        }
    }
}

// The example's C builds without a warning in strict C99, as a user who
// copies it may build it.
class FftQ15Build : public ScratchFolderTest {};

TEST_F(FftQ15Build, CompilesAsStrictC99)
{
    std::vector<std::string> compilers = {C_COMPILER};
    for (const char *compiler : {CLANG, ARM_GCC})
        if (*compiler != '\0')
            compilers.push_back(compiler);
    for (const std::string &compiler : compilers) {
        const process_result result =
            run_process({compiler, "-std=c99", "-Wall", "-Wextra", "-pedantic", "-Werror", "-c",
                         EXAMPLE_DIR "/fft_q15.c", "-o", (folder / "fft_q15.o").string()});
        EXPECT_EQ(result.status, 0) << described(result);
        EXPECT_EQ(result.err, "") << described(result);
    }
}

class FftQ15Target : public InstalledToolTest {
protected:
    // Builds the example as the README says, against the tool installed in
    // the scratch folder: with the toolchain file, or for the host.
    fs::path build_example(const std::string &name, const std::string &toolchain = "")
    {
        const fs::path build = folder / name;
        build_project(EXAMPLE_DIR, build,
                      {toolchain.empty() ? "-DCMAKE_C_COMPILER=" C_COMPILER
                                         : "-DCMAKE_TOOLCHAIN_FILE=" EXAMPLE_DIR "/cortex_m/" + toolchain});
        return build;
    }

    // Runs the demo on the host and as firmware for the board, whose table
    // must lie in section, on 4 bytes.
    void run_on_board(const std::string &cpu, const std::string &board, const std::string &section)
    {
        if (*QEMU_SYSTEM_ARM == '\0' || *ARM_GCC == '\0' || *ARM_NM == '\0' || *ARM_OBJDUMP == '\0')
            GTEST_SKIP() << "qemu-system-arm or arm-none-eabi-gcc is not installed";
        install();
        const std::string host = run_step({(build_example("host") / "fft_demo").string()});
        const fs::path firmware = build_example(cpu, "cortex_" + cpu + ".cmake") / "fft_demo.elf";
        ASSERT_FALSE(HasFailure());

        // The board writes the demo's text to the debugger's console, which
        // qemu writes to its standard error. A firmware that hangs is
        // stopped by the time limit, and fails.
        const process_result run = run_process(
            {"/usr/bin/timeout", "-k", "10", "120", QEMU_SYSTEM_ARM, "-M", board, "-nographic",
             "-semihosting-config", "enable=on,target=native", "-kernel", firmware.string()});
        EXPECT_EQ(run.status, 0) << "qemu's status";
        EXPECT_EQ(run.err.size(), host.size());
        EXPECT_TRUE(run.err == host) << "the firmware's output differs from the host's";
        EXPECT_EQ(std::count(host.begin(), host.end(), '\n'), 6 + 2 * (64 + 256 + 1024));

        std::istringstream symbols(run_step({ARM_OBJDUMP, "-t", firmware.string()}));
        bool found = false;
        for (std::string line; std::getline(symbols, line);) {
            std::istringstream words(line);
            std::vector<std::string> fields;
            for (std::string word; words >> word;)
                fields.push_back(word);
            if (fields.empty() || fields.back() != "twiddle_1024")
                continue;
            found = true;
            EXPECT_EQ(std::stoul(fields.front(), nullptr, 16) % 4, 0u) << line;
            EXPECT_NE(std::find(fields.begin(), fields.end(), section), fields.end()) << line;
        }
        EXPECT_TRUE(found) << "no symbol twiddle_1024 in the firmware";
    }
};

TEST_F(FftQ15Target, CortexM4)
{
    run_on_board("m4", "mps2-an386", ".rodata");
}

// A Cortex-M4F with its FPU, the hard-float ABI and newlib, from the
// toolchain file that a firmware of one's own starts from.
TEST_F(FftQ15Target, CortexM4F)
{
    run_on_board("m4f", "mps2-an386", ".rodata");
}

// The M7's table is in its data TCM, by the SECTION of veltabgen_generate.
TEST_F(FftQ15Target, CortexM7)
{
    run_on_board("m7", "mps2-an500", ".dtcm_data");
}

} // namespace
