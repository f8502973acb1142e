#ifndef VELTABGEN_TESTS_TWIDDLE_FIXTURES_H
#define VELTABGEN_TESTS_TWIDDLE_FIXTURES_H

#include "table_layout.h"
#include "table_request.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Every FFT size the tool accepts.
inline const std::vector<std::int32_t> valid_sizes = {16,   32,   64,   128,  256,   512,
                                                      1024, 2048, 4096, 8192, 16384, 32768};

inline constexpr double default_scale = 32767.5;

// The table make_twiddle_table computes for n points at scale.
std::vector<std::int16_t> table_for(std::int32_t n, double scale,
                                    rounding_rule rule = rounding_rule::toward_zero);

// A request for n points at scale, with every option at its default.
table_request default_request(std::int32_t n, double scale);

// The text write_twiddle_source writes for table as request asks, by
// default as a run without options does.
std::string render(const std::vector<std::int16_t> &table, const table_request &request);
std::string render(const std::vector<std::int16_t> &table, double scale);

// The source that a run writes for request, whatever its layout.
std::string render_table(const table_request &request);

// The text write_twiddle_header writes for request.
std::string render_header(const table_request &request);

// A table as a program that was compiled with it prints it: a line with its
// name and its address modulo 4, then its entries, one to a line.
struct printed_table {
    int address_mod_4 = -1;
    std::vector<std::int16_t> entries;
};

// The tables in what such a program printed, by name.
std::map<std::string, printed_table> tables_printed(const std::string &text);

// The sections of an object file or library, by name, with their alignment
// as objdump -h shows it ("2**2").
std::map<std::string, std::string> section_alignments(const std::string &objdump_output);

// A figure of a --stats report as the report shows it: rounded once to the
// decimals, a value within a millionth of the last decimal of a tie taken
// for the tie and rounded away from zero, "inf" where it is infinite, and
// never a negative zero.
std::string shown(long double figure, int decimals);

// An array of a source as the tool wrote it: its declared type and name,
// and its entries, read back from the text, those of every build.
struct written_array {
    std::string type;
    std::string name;
    std::vector<long> entries;
};

std::vector<written_array> arrays_written(const std::string &source);

// The array of the source of that name, or one with no entries.
written_array array_named(const std::string &source, const std::string &name);

#endif
