#include "twiddle_fixtures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::size_t header_lines = 16;
constexpr std::size_t framed_header_lines = 13;

std::string render_table(std::int32_t n, double scale)
{
    return render(table_for(n, scale), scale);
}

std::vector<std::string> lines_of(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

// The entries as a plain printf of each one would write them, after the
// declaration's opening brace.
std::string entries_by_printf(const std::vector<std::int16_t> &table)
{
    std::string text;
    char entry[32];
    for (std::size_t i = 0; i < table.size(); ++i) {
        const char *separator = i == 0 ? "\n    " : i % 8 == 0 ? ",\n    " : ", ";
        const int value = table[i];
        std::snprintf(entry, sizeof entry, "%s%c0x%.4X", separator, value < 0 ? '-' : ' ',
                      static_cast<unsigned>(value < 0 ? -value : value));
        text += entry;
    }
    return text;
}

std::string entries_of(const std::string &text)
{
    const std::size_t begin = text.find('{') + 1;
    const std::size_t end = text.rfind("\n};\n");
    return text.substr(begin, end - begin);
}

TEST(WriteTwiddleSource, SixteenPointsMatchTheReferenceFile)
{
    std::ifstream golden(GOLDEN_DIR "/twiddle_16.c", std::ios::binary);
    ASSERT_TRUE(golden) << "cannot open " GOLDEN_DIR "/twiddle_16.c";
    std::ostringstream expected;
    expected << golden.rdbuf();
    EXPECT_EQ(render_table(16, default_scale), expected.str());
}

struct header_case {
    std::int32_t n;
    double scale;
    const char *points_line;
    const char *scale_line;
};

TEST(WriteTwiddleSource, HeaderRecordsSizeAndScale)
{
    const header_case cases[] = {
        {32768, default_scale,
         "/*      Number of points:    32768                                      */",
         "/*      Scale factor:        32767.500000000                            */"},
        {64, 1234.56789012345678,
         "/*      Number of points:    64                                         */",
         "/*      Scale factor:        1234.567890123                             */"},
        {1024, 32767.6,
         "/*      Number of points:    1024                                       */",
         "/*      Scale factor:        32767.600000000                            */"},
        {16, 1e-12,
         "/*      Number of points:    16                                         */",
         "/*      Scale factor:        0.000000000                                */"},
    };
    for (const auto &c : cases) {
        const std::vector<std::string> lines = lines_of(render_table(c.n, c.scale));
        ASSERT_GT(lines.size(), header_lines);
        EXPECT_EQ(lines[2], c.points_line);
        EXPECT_EQ(lines[3], c.scale_line);
        char declaration[64];
        std::snprintf(declaration, sizeof declaration, "const short w[2 * %d] =", c.n / 2);
        EXPECT_EQ(lines[header_lines], declaration);
        EXPECT_EQ(lines[header_lines + 1], "{");
    }
}

TEST(WriteTwiddleSource, FramedHeaderLinesAreAllSeventyFourWide)
{
    const double scales[] = {default_scale, 32767.6, 0.5, 1e-300, 9999.999999999};
    for (std::int32_t n : valid_sizes) {
        for (double scale : scales) {
            const std::vector<std::string> lines = lines_of(render_table(n, scale));
            for (std::size_t i = 0; i < framed_header_lines; ++i)
                EXPECT_EQ(lines[i].size(), 74u) << "N " << n << ", scale " << scale << ": "
                                                << lines[i];
            EXPECT_EQ(lines[13], "");
            EXPECT_EQ(lines[14], "#pragma DATA_ALIGN(w, 4);  /* Remove this if using DATA_MEM_BANK */");
            EXPECT_EQ(lines[15], "");
        }
    }
}

TEST(WriteTwiddleSource, EntriesMatchPrintfForEveryValidTable)
{
    const double scales[] = {default_scale, 32767.6, 1000.0, 1.0};
    for (std::int32_t n : valid_sizes) {
        for (double scale : scales) {
            const std::vector<std::int16_t> table = table_for(n, scale);
            ASSERT_EQ(entries_of(render(table, scale)), entries_by_printf(table))
                << "N " << n << ", scale " << scale;
        }
    }
}

// Values no valid table holds, down to the negative limit, in every column.
TEST(WriteTwiddleSource, EntriesMatchPrintfAtTheLimits)
{
    const std::vector<std::int16_t> values = {-32768, 32767, -32767, -1, 1, 0, 0x1234, -0x0ABC,
                                              0x00F0, -0x000F, 0x7FFF, 0x0100, -0x1000, 9, -10};
    std::vector<std::int16_t> table;
    for (int round = 0; round < 3; ++round)
        table.insert(table.end(), values.begin(), values.end());
    table.resize(48, -32768);
    const std::string text = render(table, default_scale);
    EXPECT_EQ(entries_of(text), entries_by_printf(table));
    EXPECT_NE(text.find("-0x8000"), std::string::npos);
}

TEST(WriteTwiddleSource, EightSevenCharacterEntriesPerLineAndNoTrailingEmptyLine)
{
    for (std::int32_t n : valid_sizes) {
        const std::string text = render_table(n, default_scale);
        const std::vector<std::string> lines = lines_of(text);
        const std::size_t entry_lines = static_cast<std::size_t>(n / 8);
        ASSERT_EQ(lines.size(), header_lines + 2 + entry_lines + 1) << "N " << n;
        for (std::size_t i = 0; i < entry_lines; ++i) {
            const std::string &line = lines[header_lines + 2 + i];
            const bool last = i + 1 == entry_lines;
            ASSERT_EQ(line.size(), 4 + 8 * 7 + 7 * 2 + (last ? 0 : 1)) << "N " << n << ": " << line;
            ASSERT_EQ(line.back() == ',', !last) << "N " << n << ": " << line;
        }
        EXPECT_EQ(lines.back(), "};");
        EXPECT_EQ(text.substr(text.size() - 4), "\n};\n");
    }
}

struct form_case {
    const char *name;
    alignment_style alignment;
    const char *header_path;
    const char *section;
    int bank;
    // What follows the header comment, up to the declaration's brace.
    const char *declaration;
};

// The options change only the lines between the header comment and the
// entries; the header comment, entries and closing stay byte for byte.
// The options change the declaration, and the comment block loses its note
// on the DSP compiler's memory banks where the style is not that compiler's:
// the lines from "NOTE:" to the separator after them.
TEST(WriteTwiddleSource, OptionsChangeOnlyTheDeclarationAndTheBankNote)
{
    const form_case cases[] = {
        {"w", alignment_style::ti, nullptr, nullptr, no_bank,
         "#pragma DATA_ALIGN(w, 4);  /* Remove this if using DATA_MEM_BANK */\n\n"
         "const short w[2 * 32] =\n{"},
        {"tw64", alignment_style::ti, nullptr, nullptr, no_bank,
         "#pragma DATA_ALIGN(tw64, 4);  /* Remove this if using DATA_MEM_BANK */\n\n"
         "const short tw64[2 * 32] =\n{"},
        {"tw64", alignment_style::gnu, nullptr, nullptr, no_bank,
         "const short tw64[2 * 32] __attribute__((aligned(4))) =\n{"},
        {"_T", alignment_style::c11, nullptr, nullptr, no_bank,
         "#ifdef __cplusplus\nalignas(4)\n#else\n_Alignas(4)\n#endif\nconst short _T[2 * 32] =\n{"},
        {"w", alignment_style::none, nullptr, nullptr, no_bank, "const short w[2 * 32] =\n{"},
        {"tw64", alignment_style::gnu, "generated/tw64.h", nullptr, no_bank,
         "#include \"tw64.h\"\n\n"
         "const short tw64[2 * 32] __attribute__((aligned(4))) =\n{"},
        {"tw64", alignment_style::ti, "tw64.h", nullptr, no_bank,
         "#include \"tw64.h\"\n\n"
         "#pragma DATA_ALIGN(tw64, 4);  /* Remove this if using DATA_MEM_BANK */\n\n"
         "const short tw64[2 * 32] =\n{"},
        // Placed in a section or a bank.
        {"tw64", alignment_style::ti, nullptr, ".dtcm_data", no_bank,
         "#pragma DATA_SECTION(tw64, \".dtcm_data\");\n"
         "#pragma DATA_ALIGN(tw64, 4);  /* Remove this if using DATA_MEM_BANK */\n\n"
         "const short tw64[2 * 32] =\n{"},
        {"w", alignment_style::ti, nullptr, nullptr, 0,
         "#pragma DATA_MEM_BANK(w, 0);\n\n"
         "const short w[2 * 32] =\n{"},
        {"tw64", alignment_style::ti, "tw64.h", "$fast.1", 15,
         "#include \"tw64.h\"\n\n"
         "#pragma DATA_SECTION(tw64, \"$fast.1\");\n"
         "#pragma DATA_MEM_BANK(tw64, 15);\n\n"
         "const short tw64[2 * 32] =\n{"},
        {"tw64", alignment_style::gnu, nullptr, ".dtcm_data", no_bank,
         "const short tw64[2 * 32] __attribute__((aligned(4), section(\".dtcm_data\"))) =\n{"},
    };
    const std::vector<std::int16_t> table = table_for(64, 1000.0);
    const std::string plain = render(table, 1000.0);
    const std::size_t comment_end = plain.find("*/\n\n", plain.find("DATA_MEM_BANK\".")) + 4;
    const std::size_t entries_begin = plain.find('{') + 1;
    const std::size_t note_begin = plain.find("/*  NOTE:");
    for (const auto &c : cases) {
        table_request request = default_request(64, 1000.0);
        request.array_name = c.name;
        request.alignment = c.alignment;
        request.header_path = c.header_path;
        request.section = c.section;
        request.bank = c.bank;
        const std::string comment = c.alignment == alignment_style::ti
                                        ? plain.substr(0, comment_end)
                                        : plain.substr(0, note_begin) + "\n";
        const std::string expected = comment + c.declaration + plain.substr(entries_begin);
        EXPECT_EQ(render(table, request), expected) << c.name << ", " << c.declaration;
    }
}

TEST(WriteTwiddleHeader, DefinesTheSizeAndDeclaresTheArrayWithCLinkage)
{
    table_request request = default_request(1024, 1000.25);
    request.array_name = "tw1024";
    const std::string expected =
        "/*  Automatically generated twiddle-factor array: the declaration.      */\n"
        "/*      Number of points:    1024                                       */\n"
        "/*      Scale factor:        1000.250000000                             */\n"
        "\n"
        "#ifndef VELTABGEN_tw1024_H\n"
        "#define VELTABGEN_tw1024_H\n"
        "\n"
        "#define tw1024_FFT_LENGTH 1024\n"
        "\n"
        "#ifdef __cplusplus\n"
        "extern \"C\" {\n"
        "#endif\n"
        "\n"
        "extern const short tw1024[2 * 512];\n"
        "\n"
        "#ifdef __cplusplus\n"
        "}\n"
        "#endif\n"
        "\n"
        "#endif\n";
    EXPECT_EQ(render_header(request), expected);
}

// A rounding other than the table's own truncation is recorded in the
// comment of the source and of the header, on a line of its own after the
// scale, framed as the others; truncation, said or not, adds none.
TEST(WriteTwiddleSource, ARoundingOtherThanTruncationIsRecordedInTheComment)
{
    const std::string row =
        "/*      Scale factor:        32767.500000000                            */\n"
        "/*      Rounding:            to nearest, halves away from zero          */\n";
    table_request request = default_request(64, default_scale);
    request.header_path = "tw.h";
    const std::vector<std::int16_t> table = table_for(64, default_scale);
    EXPECT_EQ(render(table, request).find("Rounding:"), std::string::npos);
    EXPECT_EQ(render_header(request).find("Rounding:"), std::string::npos);
    request.rounding = rounding_rule::nearest;
    EXPECT_EQ(render(table, request).find(row), 3 * 75u);
    EXPECT_EQ(render_header(request).find(row), 2 * 75u);
}

} // namespace
