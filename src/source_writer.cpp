#include "source_writer.h"

#include <algorithm>
#include <cstdarg>
#include <string_view>

namespace {

constexpr char header_comment[] =
    "/* -------------------------------------------------------------------- */\n"
    "/*  Automatically generated twiddle-factor array.                       */\n"
    "/*      Number of points:    %-5d                                      */\n"
    "/*      Scale factor:        %-20.9f                       */\n"
    "%s"
    "/*      Appropriate FFTs:    QMX_cfftbf                                 */\n"
    "/*      Required alignment:  4 byte (word)                              */\n"
    "/* -------------------------------------------------------------------- */\n";

// The line of the comment that records a rounding other than the table's
// own truncation, which the comment leaves unsaid.
const char *rounding_line(rounding_rule rule)
{
    return rule == rounding_rule::nearest
               ? "/*      Rounding:            to nearest, halves away from zero          */\n"
               : "";
}

// The DSP's own compiler places the array in a memory bank; for another
// compiler the advice would only mislead.
constexpr std::string_view bank_note =
    "/*  NOTE:  It is suggested that this array be aligned in a different    */\n"
    "/*  starting bank than the actual FFT data, to reduce bank conflicts.   */\n"
    "/*  This can be achieved by using the DATA_MEM_BANK pragma.  Please     */\n"
    "/*  see the KORV7700XLP Optimizing C Compiler Reference (ZLQB311C)      */\n"
    "/*  for details on \"#pragma DATA_MEM_BANK\".                             */\n"
    "/* -------------------------------------------------------------------- */\n";

constexpr std::int32_t entries_per_line = 8;
constexpr std::string_view closing = "\n};\n";

// A line of entries: the line break and indent that precede it, then eight
// entries of seven characters, each but the first after ", ".
constexpr std::ptrdiff_t max_line_chars = 6 + entries_per_line * 9 - 2;

// Room for one more line and for the closing that may follow it.
constexpr std::ptrdiff_t block_reserve =
    max_line_chars + static_cast<std::ptrdiff_t>(closing.size());

char *append(char *out, std::string_view text)
{
    return std::copy(text.begin(), text.end(), out);
}

// Writes the same seven characters as printf("%c0x%.4X", sign, magnitude), the
// magnitude widened first so that -32768 has one (0x8000). A table of 32768
// points has as many entries, and printf would spend several times the cost
// of computing the whole table on them.
char *append_entry(char *out, std::int16_t value)
{
    static constexpr char hex_digits[] = "0123456789ABCDEF";
    const std::int32_t magnitude = value < 0 ? -std::int32_t{value} : std::int32_t{value};
    out[0] = value < 0 ? '-' : ' ';
    out[1] = '0';
    out[2] = 'x';
    out[3] = hex_digits[(magnitude >> 12) & 0xF];
    out[4] = hex_digits[(magnitude >> 8) & 0xF];
    out[5] = hex_digits[(magnitude >> 4) & 0xF];
    out[6] = hex_digits[magnitude & 0xF];
    return out + 7;
}

// Formats into a block of its own and hands the text to out. The block
// holds the longest text formatted here: the header comment, or a header
// file with names of 63 characters.
void format_to(text_sink out, const char *format, ...)
{
    static char text[4096];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length > 0)
        out.take(out.context, text, std::min(static_cast<std::size_t>(length), sizeof text - 1));
}

// The lines that place the array, then its declaration up to its opening
// brace: pragmas for the DSP's own compiler, an attribute for GNU ones.
void write_declaration(text_sink out, const table_request &request)
{
    const char *name = request.array_name;
    if (request.alignment == alignment_style::ti) {
        if (request.section != nullptr)
            format_to(out, "#pragma DATA_SECTION(%s, \"%s\");\n", name, request.section);
        if (request.bank != no_bank)
            format_to(out, "#pragma DATA_MEM_BANK(%s, %d);\n\n", name, request.bank);
        else
            format_to(out,
                      "#pragma DATA_ALIGN(%s, 4);  /* Remove this if using DATA_MEM_BANK */\n\n",
                      name);
    }
    const bool gnu = request.alignment == alignment_style::gnu;
    const bool in_section = gnu && request.section != nullptr;
    // C11's keyword is C++11's alignas.
    format_to(out, "%sconst short %s[2 * %d]%s%s%s%s =\n{",
              request.alignment == alignment_style::c11
                  ? "#ifdef __cplusplus\nalignas(4)\n#else\n_Alignas(4)\n#endif\n"
                  : "",
              name,
              request.points / 2, gnu ? " __attribute__((aligned(4)" : "",
              in_section ? ", section(\"" : "", in_section ? request.section : "",
              gnu ? (in_section ? "\")))" : "))") : "");
}

// Hands the text from begin to end over to out: kept out of line, so that the
// loop that formats the entries needs no room for the call.
[[gnu::noinline]] void hand_over(const text_sink &out, const char *begin, const char *end)
{
    out.take(out.context, begin, static_cast<std::size_t>(end - begin));
}

void write_to_stream(void *stream, const char *text, std::size_t size)
{
    std::fwrite(text, 1, size, static_cast<std::FILE *>(stream));
}

} // namespace

text_sink stream_sink(std::FILE *out)
{
    return {write_to_stream, out};
}

void write_twiddle_source(text_sink out, const std::int16_t *table,
                          const table_request &request)
{
    const std::int32_t n = request.points;
    format_to(out, header_comment, n, request.scale, rounding_line(request.rounding));
    if (request.alignment == alignment_style::ti)
        out.take(out.context, bank_note.data(), bank_note.size());
    out.take(out.context, "\n", 1);
    // Declared first with C linkage, the array keeps external linkage when
    // the source is compiled as C++.
    if (request.header_path != nullptr)
        format_to(out, "#include \"%s\"\n\n", base_name(request.header_path));
    write_declaration(out, request);

    // The entries are formatted into a block and written a block at a time.
    // The block is static, not on the stack, which may be small.
    static char block[16384];
    char *end = block;
    for (std::int32_t first = 0; first < n; first += entries_per_line) {
        if (block + sizeof block - end < block_reserve) {
            hand_over(out, block, end);
            end = block;
        }
        end = append(end, first == 0 ? "\n    " : ",\n    ");
        end = append_entry(end, table[first]);
        const std::int32_t last = std::min(first + entries_per_line, n);
        for (std::int32_t i = first + 1; i < last; ++i)
            end = append_entry(append(end, ", "), table[i]);
    }
    end = append(end, closing);
    hand_over(out, block, end);
}

void write_twiddle_source(std::FILE *out, const std::int16_t *table,
                          const table_request &request)
{
    write_twiddle_source(stream_sink(out), table, request);
}

void write_twiddle_header(text_sink out, const table_request &request)
{
    const char *name = request.array_name;
    format_to(out,
              "/*  Automatically generated twiddle-factor array: the declaration.      */\n"
              "/*      Number of points:    %-5d                                      */\n"
              "/*      Scale factor:        %-20.9f                       */\n"
              "%s"
              "\n"
              "#ifndef VELTABGEN_%s_H\n"
              "#define VELTABGEN_%s_H\n"
              "\n"
              "#ifdef __cplusplus\n"
              "extern \"C\" {\n"
              "#endif\n"
              "\n"
              "extern const short %s[2 * %d];\n"
              "\n"
              "#ifdef __cplusplus\n"
              "}\n"
              "#endif\n"
              "\n"
              "#endif\n",
              request.points, request.scale, rounding_line(request.rounding), name, name, name,
              request.points / 2);
}

void write_twiddle_header(std::FILE *out, const table_request &request)
{
    write_twiddle_header(stream_sink(out), request);
}
