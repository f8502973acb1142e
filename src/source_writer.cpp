#include "source_writer.h"

#include <algorithm>
#include <cstdarg>
#include <string_view>

namespace {

constexpr std::string_view rule_line =
    "/* -------------------------------------------------------------------- */\n";

// The DSP's own compiler places the array in a memory bank; for another
// compiler the advice would only mislead.
constexpr std::string_view bank_note =
    "/*  NOTE:  It is suggested that this array be aligned in a different    */\n"
    "/*  starting bank than the actual FFT data, to reduce bank conflicts.   */\n"
    "/*  This can be achieved by using the DATA_MEM_BANK pragma.  Please     */\n"
    "/*  see the KORV7700XLP Optimizing C Compiler Reference (ZLQB311C)      */\n"
    "/*  for details on \"#pragma DATA_MEM_BANK\".                             */\n"
    "/* -------------------------------------------------------------------- */\n";

constexpr std::string_view closing = "\n};\n";

char *append(char *out, std::string_view text)
{
    return std::copy(text.begin(), text.end(), out);
}

constexpr char hex_digits[] = "0123456789ABCDEF";

// Writes the same seven characters as printf("%c0x%.4X", sign, magnitude), the
// magnitude widened first so that -32768 has one (0x8000). A table of 32768
// points has as many entries, and printf would spend several times the cost
// of computing the whole table on them.
char *append_entry(char *out, std::int32_t value)
{
    const std::int32_t magnitude = value < 0 ? -value : value;
    out[0] = value < 0 ? '-' : ' ';
    out[1] = '0';
    out[2] = 'x';
    out[3] = hex_digits[(magnitude >> 12) & 0xF];
    out[4] = hex_digits[(magnitude >> 8) & 0xF];
    out[5] = hex_digits[(magnitude >> 4) & 0xF];
    out[6] = hex_digits[magnitude & 0xF];
    return out + 7;
}

// Writes a 32-bit value in decimal, right-aligned in eleven characters: in
// hexadecimal, -0x80000000 would be the negation of an unsigned constant.
char *append_wide_entry(char *out, std::int32_t value)
{
    std::uint32_t magnitude = value < 0 ? 0u - static_cast<std::uint32_t>(value)
                                        : static_cast<std::uint32_t>(value);
    char *end = out + 11;
    char *digit = end;
    do {
        *--digit = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        *--digit = '-';
    std::fill(out, digit, ' ');
    return end;
}

// Formats into a block of its own and hands the text to out. The block
// holds the longest text formatted here: a line of the comment, or a
// declaration with names of 80 characters.
void format_to(text_sink out, const char *format, ...)
{
    static char text[1024];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    if (length > 0)
        out.take(out.context, text, std::min(static_cast<std::size_t>(length), sizeof text - 1));
}

// The comment's frame: a title, then a label and a value to a line, each
// line 74 characters wide.
void write_rows(text_sink out, const table_description &description, bool header)
{
    for (int i = 0; i < description.row_count; ++i) {
        const comment_row &row = description.rows[i];
        if (!header || row.in_header)
            format_to(out, "/*      %-21s%-43s*/\n", row.label, row.value);
    }
}

// The lines that place an array, then its declaration up to its opening
// brace: pragmas for the DSP's own compiler, an attribute for GNU ones, the
// keyword of C11 or C++11.
void write_declaration(text_sink out, const table_array &array, const table_request &request)
{
    const char *name = array.name;
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
    format_to(out, "%sconst %s %s[2 * %d]%s%s%s%s =\n{",
              request.alignment == alignment_style::c11
                  ? "#ifdef __cplusplus\nalignas(4)\n#else\n_Alignas(4)\n#endif\n"
                  : "",
              array.c_type, name, array.pairs, gnu ? " __attribute__((aligned(4)" : "",
              in_section ? ", section(\"" : "", in_section ? request.section : "",
              gnu ? (in_section ? "\")))" : "))") : "");
}

// Hands the text from begin to end over to out: kept out of line, so that the
// loop that formats the entries needs no room for the call.
[[gnu::noinline]] void hand_over(const text_sink &out, const char *begin, const char *end)
{
    out.take(out.context, begin, static_cast<std::size_t>(end - begin));
}

// The entries of an array, eight of 16 bits or six of 32 to a line, each
// line indented by four spaces and every entry but a line's first after
// ", ", then the closing. They are formatted into a block and written a
// block at a time; the block is static, not on the stack, which may be small.
template <typename element, std::int32_t per_line, char *(*append_value)(char *, std::int32_t)>
void write_entries(text_sink out, const element *values, std::int32_t count)
{
    static char block[16384];
    // A line, with the break and indent before it, and the closing after it.
    constexpr std::ptrdiff_t block_reserve = 6 + per_line * 13 + 4;
    char *end = block;
    for (std::int32_t first = 0; first < count; first += per_line) {
        if (block + sizeof block - end < block_reserve) {
            hand_over(out, block, end);
            end = block;
        }
        end = append(end, first == 0 ? "\n    " : ",\n    ");
        end = append_value(end, values[first]);
        const std::int32_t last = std::min(first + per_line, count);
        for (std::int32_t i = first + 1; i < last; ++i)
            end = append_value(append(end, ", "), values[i]);
    }
    end = append(end, closing);
    hand_over(out, block, end);
}

void write_array(text_sink out, const table_array &array, const table_request &request)
{
    write_declaration(out, array, request);
    const std::int32_t count = 2 * array.pairs;
    switch (array.type) {
    case element_type::q15:
        write_entries<std::int16_t, 8, append_entry>(
            out, static_cast<const std::int16_t *>(array.values), count);
        break;
    case element_type::index:
        write_entries<std::uint16_t, 8, append_entry>(
            out, static_cast<const std::uint16_t *>(array.values), count);
        break;
    case element_type::q31:
        write_entries<std::int32_t, 6, append_wide_entry>(
            out, static_cast<const std::int32_t *>(array.values), count);
        break;
    }
}

void write_instance(text_sink out, const table_instance &instance)
{
    format_to(out, "\nconst %s %s =\n{\n   ", instance.c_type, instance.name);
    for (int i = 0; i < instance.field_count; ++i)
        format_to(out, " %s%s", instance.fields[i], i + 1 < instance.field_count ? "," : "\n};\n");
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

void write_twiddle_source(text_sink out, const table_description &description,
                          const table_request &request)
{
    out.take(out.context, rule_line.data(), rule_line.size());
    format_to(out, "/*  %-68s*/\n", description.title);
    write_rows(out, description, false);
    out.take(out.context, rule_line.data(), rule_line.size());
    if (description.layout->has_bank_note && request.alignment == alignment_style::ti)
        out.take(out.context, bank_note.data(), bank_note.size());
    out.take(out.context, "\n", 1);
    // Declared first with C linkage, the arrays keep external linkage when
    // the source is compiled as C++.
    if (request.header_path != nullptr)
        format_to(out, "#include \"%s\"\n\n", base_name(request.header_path));
    else if (description.types_header != nullptr)
        format_to(out, "#include \"%s\"\n\n", description.types_header);
    for (int i = 0; i < description.array_count; ++i) {
        if (i > 0)
            out.take(out.context, "\n", 1);
        write_array(out, description.arrays[i], request);
    }
    for (int i = 0; i < description.instance_count; ++i)
        write_instance(out, description.instances[i]);
}

void write_twiddle_header(text_sink out, const table_description &description,
                          const table_request &request)
{
    const char *name = request.array_name;
    format_to(out, "/*  %-68s*/\n", description.header_title);
    write_rows(out, description, true);
    format_to(out, "\n#ifndef VELTABGEN_%s_H\n#define VELTABGEN_%s_H\n\n", name, name);
    if (description.types_header != nullptr)
        format_to(out, "#include \"%s\"\n\n", description.types_header);
    format_to(out, "#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n");
    for (int i = 0; i < description.array_count; ++i) {
        const table_array &array = description.arrays[i];
        format_to(out, "extern const %s %s[2 * %d];\n", array.c_type, array.name, array.pairs);
    }
    for (int i = 0; i < description.instance_count; ++i)
        format_to(out, "extern const %s %s;\n", description.instances[i].c_type,
                  description.instances[i].name);
    format_to(out, "\n#ifdef __cplusplus\n}\n#endif\n\n#endif\n");
}
