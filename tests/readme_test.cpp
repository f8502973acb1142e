// The README as it stands: what it says the tool measures or prints is what
// the tool measures or prints.

#include "scratch_folder.h"
#include "tool_under_test.h"

#include <gtest/gtest.h>

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

// Every row of the accuracy table is what --stats reports for its size and
// options.
TEST(Readme, AccuracyTableIsWhatStatsReports)
{
    const std::string accuracy = section(readme(), "## Accuracy");
    ASSERT_NE(accuracy, "");
    std::istringstream lines(accuracy);
    int rows = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("| ", 0) != 0 || line.size() < 3 || line[2] < '1' || line[2] > '9')
            continue;
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
        ++rows;
    }
    EXPECT_GT(rows, 0) << "no table of figures in the README's Accuracy section";
}

} // namespace
