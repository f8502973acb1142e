// The README as it stands: what it says the tool measures or prints is what
// the tool measures or prints.

#include "scratch_folder.h"
#include "tool_under_test.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::string readme()
{
    return read_file(SOURCE_DIR "/README.md");
}

// The section of text that begins with the line heading, up to the next
// heading of its level or above.
std::string section(const std::string &text, const std::string &heading)
{
    const std::size_t start = text.find("\n" + heading + "\n");
    if (start == std::string::npos)
        return "";
    const std::string level = heading.substr(0, heading.find(' ') + 1);
    std::size_t end = start + 1;
    for (;;) {
        end = text.find("\n#", end + 1);
        if (end == std::string::npos)
            return text.substr(start + 1);
        const std::size_t hashes = text.find_first_not_of('#', end + 1) - (end + 1);
        if (hashes <= level.size() - 1)
            return text.substr(start + 1, end - start);
    }
}

std::vector<std::string> cells_of(const std::string &row)
{
    std::vector<std::string> cells;
    std::istringstream parts(row.substr(1));
    for (std::string cell; std::getline(parts, cell, '|');) {
        const std::size_t first = cell.find_first_not_of(' ');
        const std::size_t last = cell.find_last_not_of(' ');
        cells.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
    }
    return cells;
}

// The figures of a --stats report, by the label of their line.
std::map<std::string, std::string> figures_of(const std::string &report)
{
    std::map<std::string, std::string> figures;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(':');
        std::istringstream value(line.substr(colon + 1));
        std::string figure, unit;
        value >> figure >> unit;
        figures[line.substr(0, colon)] = unit == "LSB" || unit == "dB" ? figure + " " + unit : figure;
    }
    return figures;
}

// The lines of the table in text whose heading row begins with heading:
// the heading row first, then each row of figures.
std::vector<std::string> table_rows(const std::string &text, const std::string &heading)
{
    std::vector<std::string> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (rows.empty() && line.rfind(heading, 0) != 0)
            continue;
        if (line.rfind("|", 0) != 0)
            break;
        if (line.rfind("|---", 0) != 0)
            rows.push_back(line);
    }
    return rows;
}

// The first fenced block in text that opens with the fence.
std::string fenced_block(const std::string &text, const std::string &fence)
{
    const std::size_t start = text.find("\n" + fence + "\n");
    if (start == std::string::npos)
        return "";
    const std::size_t body = start + fence.size() + 2;
    return text.substr(body, text.find("\n```\n", body) + 1 - body);
}

// Every row of the accuracy table is what --stats reports for its size and
// options.
TEST(Readme, AccuracyTableIsWhatStatsReports)
{
    const std::string accuracy = section(readme(), "## Accuracy");
    ASSERT_NE(accuracy, "");
    const std::vector<std::string> table = table_rows(accuracy, "| N | options |");
    ASSERT_GT(table.size(), 1u) << "no table of figures in the README's Accuracy section";
    for (std::size_t row = 1; row < table.size(); ++row) {
        const std::string &line = table[row];
        const std::vector<std::string> cells = cells_of(line);
        ASSERT_EQ(cells.size(), 7u) << line;
        std::vector<std::string> args = {"--stats"};
        if (cells[1] != "(none)") {
            std::istringstream options(cells[1].substr(1, cells[1].size() - 2));
            for (std::string option; options >> option;)
                args.push_back(option);
        }
        args.push_back(cells[0]);
        const process_result result = run_tool(args);
        ASSERT_EQ(result.status, 0) << described(result);
        std::map<std::string, std::string> figures = figures_of(result.out);
        SCOPED_TRACE(line + "\n" + result.out);
        EXPECT_EQ(cells[2], figures["max error"]);
        EXPECT_EQ(cells[3], figures["rms error"]);
        EXPECT_EQ(cells[4], figures["snr"]);
        EXPECT_EQ(cells[5], figures["fft snr"]);
        EXPECT_EQ(cells[6], figures["saturated"]);
    }
}

// The output SNR of the reference FFT with 16-bit data that the README
// quotes is what the benchmark measures, row for row.
TEST(Readme, SixteenBitDataFiguresAreTheBenchmarks)
{
    const std::vector<std::string> quoted = table_rows(section(readme(), "## Accuracy"), "| N | (none) |");
    ASSERT_GT(quoted.size(), 1u) << "no table of the FFT's output SNR in the README's Accuracy section";
    const process_result measured = run_process({FFT_SNR});
    ASSERT_EQ(measured.status, 0) << described(measured);
    const std::vector<std::string> rows = table_rows(measured.out, "| N |");
    EXPECT_EQ(quoted.front(), rows.front());
    for (std::size_t row = 1; row < quoted.size(); ++row) {
        const std::string size = cells_of(quoted[row]).front();
        const auto same_size = std::find_if(rows.begin(), rows.end(), [&](const std::string &line) {
            return cells_of(line).front() == size;
        });
        ASSERT_NE(same_size, rows.end()) << quoted[row];
        EXPECT_EQ(quoted[row], *same_size);
    }
}

// The README's multiply is the one the reference FFT does, line for line.
TEST(Readme, MultiplyIsTheReferenceFftsOwn)
{
    const std::string formula = fenced_block(section(readme(), "## Using the table"), "```c");
    ASSERT_NE(formula, "");
    const std::string code = read_file(FFT_Q15_SOURCE);
    std::istringstream lines(formula);
    for (std::string line; std::getline(lines, line);)
        EXPECT_NE(code.find("                " + line + "\n"), std::string::npos)
            << "fft_q15.c does not hold the README's line: " << line;
}

} // namespace
