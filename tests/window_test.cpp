// The window layout against scipy.signal.windows, whose windows and
// coefficients it takes: every window, periodic and symmetric, q15 and q31,
// at lengths of a power of 2 and not, and at the largest; and what --stats
// reports of a window.

#include "scratch_folder.h"
#include "tool_under_test.h"
#include "twiddle_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// scipy's windows, by "window:periodic|symmetric:N", each value in double
// precision, from tests/window/scipy_windows.py.
std::map<std::string, std::vector<double>> scipy_windows(const std::vector<std::string> &cases)
{
    std::vector<std::string> command = {"/usr/bin/python3", WINDOW_TEST_DIR "/scipy_windows.py"};
    command.insert(command.end(), cases.begin(), cases.end());
    const process_result result = run_process(command);
    EXPECT_EQ(result.status, 0) << described(result);
    std::map<std::string, std::vector<double>> windows;
    std::istringstream lines(result.out);
    std::vector<double> *current = nullptr;
    for (std::string line; std::getline(lines, line);) {
        if (line.find(':') != std::string::npos)
            current = &windows[line];
        else if (current != nullptr)
            current->push_back(std::stod(line));
    }
    return windows;
}

bool have_scipy()
{
    return run_process({"/usr/bin/python3", "-c", "import scipy.signal.windows"}).status == 0;
}

// Every window equals scipy's rounded to nearest, halves away from zero, and
// saturated: in q15 exactly, in q31 within 1 LSB, as scipy's cosines may
// differ from this platform's in their last bit.
TEST(Window, EqualsScipysWindowRoundedToNearest)
{
    if (!have_scipy())
        GTEST_SKIP() << "no python3-scipy";
    std::vector<std::string> cases;
    for (const char *window : {"hann", "hamming", "blackman", "flattop"})
        for (const char *kind : {"periodic", "symmetric"})
            for (const char *length : {"2", "16", "400", "1023", "32768"})
                cases.push_back(std::string(window) + ":" + kind + ":" + length);
    const std::map<std::string, std::vector<double>> windows = scipy_windows(cases);
    ASSERT_EQ(windows.size(), cases.size());
    for (const std::string &c : cases) {
        const std::string window = c.substr(0, c.find(':'));
        const bool symmetric = c.find(":symmetric:") != std::string::npos;
        const std::string length = c.substr(c.rfind(':') + 1);
        const std::vector<double> &values = windows.at(c);
        ASSERT_EQ(values.size(), static_cast<std::size_t>(std::stol(length))) << c;
        for (const int bits : {16, 32}) {
            SCOPED_TRACE(c + (bits == 16 ? " q15" : " q31"));
            std::vector<std::string> args = {"--layout=window", "--window=" + window, bits == 16 ? "--type=q15" : "--type=q31",
                                             length};
            if (symmetric)
                args.insert(args.begin(), "--symmetric");
            const process_result result = run_tool(args);
            ASSERT_EQ(result.status, 0) << described(result);
            const std::vector<written_array> arrays = arrays_written(result.out);
            ASSERT_EQ(arrays.size(), 1u);
            EXPECT_EQ(arrays[0].type, bits == 16 ? "int16_t" : "int32_t");
            ASSERT_EQ(arrays[0].entries.size(), values.size());
            const double unit = std::ldexp(1.0, bits - 1);
            long worst = 0;
            for (std::size_t i = 0; i < values.size(); ++i) {
                const double rounded = std::fmin(std::fmax(std::round(values[i] * unit), -unit), unit - 1);
                worst = std::max(worst, std::labs(arrays[0].entries[i] - static_cast<long>(rounded)));
            }
            EXPECT_LE(worst, bits == 16 ? 0 : 1);
        }
    }
}

// The MFCC's window for frames shorter than its FFT (--frame-length=L) is
// scipy's window of L values, periodic or symmetric, rounded as the MFCC's
// other tables are, then zeros up to N; its other tables are those of N
// without it, and the header tells both lengths.
class WindowOfFrames : public ScratchFolderTest {};

TEST_F(WindowOfFrames, MfccFramesShorterThanTheFftTakeTheirOwnWindowPaddedWithZeros)
{
    if (!have_scipy())
        GTEST_SKIP() << "no python3-scipy";
    const struct {
        std::string window, kind, frame, fft;
    } cases[] = {{"hann", "periodic", "640", "1024"}, {"hamming", "symmetric", "400", "512"},
                 {"hann", "symmetric", "2", "32"}, {"hamming", "periodic", "255", "256"}};
    std::vector<std::string> names;
    for (const auto &c : cases)
        names.push_back(c.window + ":" + c.kind + ":" + c.frame);
    const std::map<std::string, std::vector<double>> windows = scipy_windows(names);
    for (const auto &c : cases) {
        for (const char *type : {"q15", "q31"}) {
            SCOPED_TRACE(c.window + " " + c.kind + " of " + c.frame + " in " + c.fft + ", " + type);
            std::vector<std::string> args = {"--layout=cmsis-mfcc", std::string("--type=") + type,
                                             "--window=" + c.window, "--mel-filters=8", "--dct-outputs=8", c.fft};
            if (c.kind == "symmetric")
                args.insert(args.begin(), "--symmetric");
            const process_result whole = run_tool(args);
            args.insert(args.begin(), "--frame-length=" + c.frame);
            args.insert(args.begin(), "--header=" + (folder / "w.h").string());
            const process_result framed = run_tool(args);
            ASSERT_EQ(whole.status, 0) << described(whole);
            ASSERT_EQ(framed.status, 0) << described(framed);
            const std::vector<double> &values = windows.at(c.window + ":" + c.kind + ":" + c.frame);
            const double unit = std::string(type) == "q31" ? 2147483648.0 : 32768.0;
            const std::vector<written_array> framed_arrays = arrays_written(framed.out);
            const std::vector<written_array> whole_arrays = arrays_written(whole.out);
            ASSERT_EQ(framed_arrays.size(), whole_arrays.size());
            for (std::size_t a = 0; a < framed_arrays.size(); ++a) {
                if (framed_arrays[a].name != "w_window") {
                    EXPECT_EQ(framed_arrays[a].entries, whole_arrays[a].entries) << framed_arrays[a].name;
                    continue;
                }
                const std::vector<long> &window = framed_arrays[a].entries;
                ASSERT_EQ(window.size(), static_cast<std::size_t>(std::stol(c.fft)));
                long worst = 0;
                for (std::size_t i = 0; i < window.size(); ++i) {
                    const double value = i < values.size() ? values[i] : 0.0;
                    const double rounded = std::fmin(std::nearbyint(value * unit), unit - 1);
                    worst = std::max(worst, std::labs(window[i] - static_cast<long>(rounded)));
                }
                EXPECT_LE(worst, unit > 32768.0 ? 1 : 0);
            }
            const std::string header = read_file(folder / "w.h");
            EXPECT_NE(header.find(with_tool_line_ends("#define w_FFT_LENGTH " + c.fft + "\n")), std::string::npos)
                << header;
            EXPECT_NE(header.find(with_tool_line_ends("#define w_FRAME_LENGTH " + c.frame + "\n")), std::string::npos)
                << header;
        }
    }
}

// --stats tells a window's coherent gain, the mean of its values, and its
// equivalent noise bandwidth in bins, exact (from its definition) and as the
// table's values give them; full scale, 1.0, saturates to 0x7FFF.
TEST(Window, StatsTellGainAndNoiseBandwidth)
{
    const long double pi = 3.141592653589793238462643383279502884L;
    const struct {
        std::string window;
        std::vector<long double> coefficients;
    } windows[] = {
        {"hann", {0.5L, 0.5L}},
        {"hamming", {0.54L, 0.46L}},
        {"blackman", {0.42L, 0.5L, 0.08L}},
        {"flattop", {0.21557895L, 0.41663158L, 0.277263158L, 0.083578947L, 0.006947368L}},
    };
    for (const auto &w : windows) {
        for (const bool symmetric : {false, true}) {
            const long n = 1000;
            std::vector<std::string> args = {"--layout=window", "--window=" + w.window, std::to_string(n)};
            if (symmetric)
                args.insert(args.begin(), "--symmetric");
            const process_result table = run_tool(args);
            args.push_back("--stats");
            const process_result report = run_tool(args);
            SCOPED_TRACE(described(report) + "\n" + report.out);
            ASSERT_EQ(table.status, 0);
            ASSERT_EQ(report.status, 0);
            const std::vector<long> entries = arrays_written(table.out).at(0).entries;
            long double exact_sum = 0, exact_squares = 0, sum = 0, squares = 0;
            const long points = symmetric ? n : n + 1;
            for (long i = 0; i < n; ++i) {
                long double value = 0;
                for (std::size_t k = 0; k < w.coefficients.size(); ++k)
                    value += w.coefficients[k] * std::cos(k * (2 * pi * i / (points - 1) - pi));
                exact_sum += value;
                exact_squares += value * value;
                sum += entries[static_cast<std::size_t>(i)] / 32768.0L;
                squares += entries[static_cast<std::size_t>(i)] / 32768.0L * entries[static_cast<std::size_t>(i)] / 32768.0L;
            }
            const std::string gain = "gain:       " + shown(exact_sum / n, 6) + " exact, " + shown(sum / n, 6) +
                                     " quantized\n";
            const std::string bandwidth = "enbw:       " + shown(n * exact_squares / (exact_sum * exact_sum), 4) +
                                          " bins exact, " + shown(n * squares / (sum * sum), 4) +
                                          " bins quantized\n";
            EXPECT_NE(report.out.find(with_tool_line_ends(gain)), std::string::npos) << gain;
            EXPECT_NE(report.out.find(with_tool_line_ends(bandwidth)), std::string::npos) << bandwidth;
            EXPECT_NE(report.out.find(with_tool_line_ends("bytes:      2000\n")), std::string::npos);
        }
    }
    // The periodic Hann window's figures, as the books give them: gain 0.5,
    // and a noise bandwidth of 1.5 bins.
    const process_result hann = run_tool({"--layout=window", "--stats", "1024"});
    EXPECT_NE(hann.out.find(with_tool_line_ends("gain:       0.500000 exact")), std::string::npos) << hann.out;
    EXPECT_NE(hann.out.find(with_tool_line_ends("enbw:       1.5000 bins exact")), std::string::npos) << hann.out;
    // The values of 1.0, and of those within half an LSB of it, saturate.
    EXPECT_NE(hann.out.find(with_tool_line_ends("saturated:  3 of 1024 entries\n")), std::string::npos) << hann.out;
}

// The figures that lie on an edge: each is rounded once from its value
// (the symmetric Hann window of 1001 points has the gain 0.4995004995...);
// a table whose every value is exact has an infinite SNR; a window whose
// values sum to 0 has a gain of 0, and no noise bandwidth, which the report
// says in words, alike on every platform.
TEST(Window, StatsOnTheEdgesSayWhatTheFiguresAre)
{
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> lines;
    } cases[] = {
        {{"--symmetric", "1001"}, {"gain:       0.499500 exact, 0.499500 quantized\n"}},
        // 0, 0.75, 0.75, 0: 24576 LSB, exactly.
        {{"--symmetric", "4"},
         {"max error:  0.000 LSB\n", "snr:        inf dB\n", "gain:       0.375000 exact, 0.375000 quantized\n",
          "enbw:       2.0000 bins exact, 2.0000 bins quantized\n"}},
        {{"--symmetric", "2"},
         {"snr:        inf dB\n", "gain:       0.000000 exact, 0.000000 quantized\n",
          "enbw:       none (the values sum to 0) exact, none (the values sum to 0) quantized\n"}},
        {{"--symmetric", "--window=blackman", "2"},
         {"snr:        inf dB\n", "gain:       0.000000 exact, 0.000000 quantized\n",
          "enbw:       none (the values sum to 0) exact, none (the values sum to 0) quantized\n"}},
        // Flat top's ends are negative: -0.000421051, -13.797 LSB in q15.
        {{"--symmetric", "--window=flattop", "2"},
         {"max error:  0.203 LSB\n", "gain:       -0.000421 exact, -0.000427 quantized\n",
          "enbw:       1.0000 bins exact, 1.0000 bins quantized\n"}},
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = {"--layout=window", "--stats"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const process_result report = run_tool(args);
        SCOPED_TRACE(described(report) + "\n" + report.out);
        ASSERT_EQ(report.status, 0);
        for (const std::string &line : c.lines)
            EXPECT_NE(report.out.find(with_tool_line_ends(line)), std::string::npos) << line;
        EXPECT_EQ(report.out.find("nan"), std::string::npos);
        for (const char *negative_zero : {" -0.000 ", " -0.000000 ", " -0.0000 "})
            EXPECT_EQ(report.out.find(negative_zero), std::string::npos) << negative_zero;
    }
}

} // namespace
