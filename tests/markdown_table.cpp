#include "markdown_table.h"

#include <sstream>

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
