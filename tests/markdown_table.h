#ifndef VELTABGEN_TESTS_MARKDOWN_TABLE_H
#define VELTABGEN_TESTS_MARKDOWN_TABLE_H

// The tables of the README and of the pages under docs/, as the tests that
// hold the figures and lists there to what is measured read them.

#include <string>
#include <vector>

// The cells of a table's row, each without the spaces around it.
std::vector<std::string> cells_of(const std::string &row);

// The lines of the table in text whose heading row begins with heading:
// the heading row first, then each row of figures.
std::vector<std::string> table_rows(const std::string &text, const std::string &heading);

#endif
