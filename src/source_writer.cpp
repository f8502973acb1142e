#include "source_writer.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr char header_template[] =
    "/* -------------------------------------------------------------------- */\n"
    "/*  Automatically generated twiddle-factor array.                       */\n"
    "/*      Number of points:    %-5d                                      */\n"
    "/*      Scale factor:        %-20.9f                       */\n"
    "/*      Appropriate FFTs:    QMX_cfftbf                                 */\n"
    "/*      Required alignment:  4 byte (word)                              */\n"
    "/* -------------------------------------------------------------------- */\n"
    "/*  NOTE:  It is suggested that this array be aligned in a different    */\n"
    "/*  starting bank than the actual FFT data, to reduce bank conflicts.   */\n"
    "/*  This can be achieved by using the DATA_MEM_BANK pragma.  Please     */\n"
    "/*  see the KORV7700XLP Optimizing C Compiler Reference (ZLQB311C)      */\n"
    "/*  for details on \"#pragma DATA_MEM_BANK\".                             */\n"
    "/* -------------------------------------------------------------------- */\n"
    "\n"
    "#pragma DATA_ALIGN(w, 4);  /* Remove this if using DATA_MEM_BANK */\n"
    "\n";

constexpr int entries_per_line = 8;
constexpr std::string_view closing = "\n};\n";

// The longest separator, ",\n    ", and the longest entry, "-0x8000".
constexpr std::ptrdiff_t max_entry_chars = 6 + 7;

// Room for one more entry and for the closing that may follow it.
constexpr std::ptrdiff_t block_reserve =
    max_entry_chars + static_cast<std::ptrdiff_t>(closing.size());

char *append(char *out, std::string_view text)
{
    return std::copy(text.begin(), text.end(), out);
}

// Writes the same bytes as printf("%s%c0x%.4X", separator, sign, magnitude).
// A table of 32768 points has as many entries, and printf would spend several
// times the cost of the whole table computation on them.
char *append_entry(char *out, std::int32_t index, std::int16_t value)
{
    static constexpr char hex_digits[] = "0123456789ABCDEF";

    if (index == 0)
        out = append(out, "\n    ");
    else if (index % entries_per_line == 0)
        out = append(out, ",\n    ");
    else
        out = append(out, ", ");

    // Widened first, so that -32768 has a magnitude: 0x8000.
    const std::int32_t magnitude = value < 0 ? -std::int32_t{value} : std::int32_t{value};
    *out++ = value < 0 ? '-' : ' ';
    *out++ = '0';
    *out++ = 'x';
    for (int shift = 12; shift >= 0; shift -= 4)
        *out++ = hex_digits[(magnitude >> shift) & 0xF];
    return out;
}

} // namespace

void write_twiddle_source(std::FILE *out, const std::int16_t *table, std::int32_t n,
                          double scale)
{
    std::fprintf(out, header_template, n, scale);
    std::fprintf(out, "const short w[2 * %d] =\n{", n / 2);

    char block[16384];
    char *end = block;
    for (std::int32_t i = 0; i < n; ++i) {
        if (block + sizeof block - end < block_reserve) {
            std::fwrite(block, 1, static_cast<std::size_t>(end - block), out);
            end = block;
        }
        end = append_entry(end, i, table[i]);
    }
    end = append(end, closing);
    std::fwrite(block, 1, static_cast<std::size_t>(end - block), out);
}
