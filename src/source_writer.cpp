#include "source_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "scan_double.h"

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

void put(text_sink out, std::string_view text)
{
    out.take(out.context, text.data(), text.size());
}

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
char *append_wide_entry(char *out, std::int64_t value)
{
    std::uint64_t magnitude = value < 0 ? 0u - static_cast<std::uint64_t>(value)
                                        : static_cast<std::uint64_t>(value);
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

// Writes the significant digits, count of them, of a number whose first
// digit stands for 10^exponent, as printf's "%g" writes them with that
// precision: trailing zeros dropped, in plain notation but for exponents
// below -4 or at or above count. Returns the end of the text.
char *write_g_style(char *out, bool negative, const char *digits, int count, int exponent)
{
    while (count > 1 && digits[count - 1] == '0')
        --count;
    if (negative)
        *out++ = '-';
    if (exponent < -4 || exponent >= 9) {
        *out++ = digits[0];
        if (count > 1) {
            *out++ = '.';
            out = std::copy(digits + 1, digits + count, out);
        }
        return out + std::sprintf(out, "e%c%02d", exponent < 0 ? '-' : '+', exponent < 0 ? -exponent : exponent);
    }
    if (exponent < 0) {
        out = append(out, "0.");
        out = std::fill_n(out, -exponent - 1, '0');
        return std::copy(digits, digits + count, out);
    }
    for (int i = 0; i <= exponent; ++i)
        *out++ = i < count ? digits[i] : '0';
    if (count > exponent + 1) {
        *out++ = '.';
        out = std::copy(digits + exponent + 1, digits + count, out);
    }
    return out;
}

// The nine significant digits of a float's magnitude, to nearest, halves to
// even, and the power of ten of the first, as printf's "%.8e" gives them:
// scaled in double precision, which every platform computes alike, where
// that is exact enough, else by printf, which is exact.
void nine_digits(float value, char *digits, int &exponent)
{
    const double magnitude = std::fabs(static_cast<double>(value));
    int power = magnitude == 0.0 ? 0 : static_cast<int>(std::floor(std::log10(magnitude)));
    for (int tries = 0; magnitude != 0.0 && tries < 3; ++tries) {
        const int shift = 8 - power;
        if (shift > 22 || shift < -22)
            break;
        double ten = 1.0;
        for (int i = 0; i < (shift < 0 ? -shift : shift); ++i)
            ten *= 10.0;
        // One rounding, exact powers of ten: off by half a last bit at most.
        const double scaled = shift < 0 ? magnitude / ten : magnitude * ten;
        if (scaled < 1e8 || scaled >= 1e9) {
            power += scaled < 1e8 ? -1 : 1;
            continue;
        }
        const double below = std::floor(scaled);
        if (std::fabs(scaled - below - 0.5) <= std::ldexp(1.0, std::ilogb(scaled) - 52))
            break; // too near a half to tell
        auto whole = static_cast<long>(std::nearbyint(scaled));
        if (whole == 1000000000) {
            whole = 100000000;
            ++power;
        }
        for (int i = 8; i >= 0; --i, whole /= 10)
            digits[i] = static_cast<char>('0' + whole % 10);
        exponent = power;
        return;
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.8e", magnitude);
    digits[0] = text[0];
    std::copy(text + 2, text + 10, digits + 1);
    exponent = std::atoi(text + 11);
}

// Writes a float as a literal that a C compiler reads back as it, of the
// fewest significant digits, six to nine, that do: its nine digits rounded
// to fewer ("0.70710677f", "-0.0f", "1.2246469e-16f"), alike on every
// platform, right-aligned in thirteen characters.
char *append_float_entry(char *out, float value)
{
    const bool negative = std::signbit(value);
    char digits[9];
    int exponent = 0;
    nine_digits(value, digits, exponent);
    char text[40];
    char *end = text;
    for (int count = 6; count <= 9; ++count) {
        char rounded[9];
        std::copy(digits, digits + count, rounded);
        int shifted = exponent;
        if (count < 9 && digits[count] >= '5') {
            int i = count - 1;
            while (i >= 0 && rounded[i] == '9')
                rounded[i--] = '0';
            if (i >= 0) {
                ++rounded[i];
            } else {
                rounded[0] = '1';
                ++shifted;
            }
        }
        end = write_g_style(text, negative, rounded, count, shifted);
        *end = '\0';
        double read = 0.0;
        if (count == 9 || (scan_double(text, read) && static_cast<float>(read) == value))
            break;
    }
    if (std::strpbrk(text, ".e") == nullptr)
        end = append(end, ".0");
    *end++ = 'f';
    const std::ptrdiff_t length = end - text;
    if (length < 13)
        out = std::fill_n(out, 13 - length, ' ');
    return std::copy(text, end, out);
}

// A half, as the float literal of its value, which converts to it exactly.
char *append_half_entry(char *out, std::uint16_t bits)
{
    return append_float_entry(out, static_cast<float>(half_value(bits)));
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

// The #if lines around the parts of a file that hold only in some builds.
// Parts follow one another, each with where it holds; a part that holds
// where the one before it fails, by one test, opens an #else, once. Where a block
// opens inside another, what the outer one already says goes unsaid.
struct preprocessor_blocks {
    text_sink out;
    const table_description &description;
    condition context; // what holds wherever these blocks are
    condition open;    // the block open now, or every_build for none
    bool in_else = false; // the open block is an #else
};

// One test, as it holds or fails, as a part of an #if.
void write_test(text_sink out, const build_test &test, bool fails, bool alone)
{
    // A test of a single macro negates as itself; any other in parentheses.
    const bool single = std::strchr(test.expression, ' ') == nullptr;
    if (fails)
        format_to(out, single ? "!%s" : "!(%s)", test.expression);
    else
        format_to(out, single || alone ? "%s" : "(%s)", test.expression);
}

int tests_in(condition where)
{
    int count = 0;
    for (unsigned bits = where.holds | where.fails; bits != 0; bits &= bits - 1)
        ++count;
    return count;
}

// Whether a block that holds where can follow the open one as its #else.
bool is_else_of(condition where, condition open)
{
    return tests_in(open) == 1 && where.holds == open.fails && where.fails == open.holds;
}

// What of where the blocks' context does not already say.
condition part_of(const preprocessor_blocks &blocks, condition where)
{
    return {static_cast<unsigned char>(where.holds & ~blocks.context.holds),
            static_cast<unsigned char>(where.fails & ~blocks.context.fails)};
}

// Makes the block for a part that holds where, with separator between the
// block's lines and the part before it (but before an #else, which parts
// the two alternatives closely): returns false for a part that no build
// within the context has, which is left out.
bool enter(preprocessor_blocks &blocks, condition where, std::string_view separator = "")
{
    if (excludes(where, blocks.context))
        return false;
    const condition part = part_of(blocks, where);
    if (part == blocks.open) {
        put(blocks.out, separator);
        return true;
    }
    if (!blocks.in_else && is_else_of(part, blocks.open)) {
        put(blocks.out, "#else\n");
        blocks.open = part;
        blocks.in_else = true;
        return true;
    }
    blocks.in_else = false;
    if (!(blocks.open == every_build))
        put(blocks.out, "#endif\n");
    put(blocks.out, separator);
    blocks.open = part;
    if (part == every_build)
        return true;
    put(blocks.out, "#if ");
    const bool alone = tests_in(part) == 1;
    const char *joint = "";
    for (int t = 0; t < blocks.description.test_count; ++t) {
        const unsigned bit = 1u << t;
        if (((part.holds | part.fails) & bit) == 0)
            continue;
        put(blocks.out, joint);
        write_test(blocks.out, blocks.description.tests[t], (part.fails & bit) != 0, alone);
        joint = " && ";
    }
    put(blocks.out, "\n");
    return true;
}

void leave(preprocessor_blocks &blocks)
{
    if (!(blocks.open == every_build))
        put(blocks.out, "#endif\n");
    blocks.open = every_build;
}

// The condition that holds where the one-test condition where fails.
condition opposite(condition where)
{
    return {where.fails, where.holds};
}

// What the request asks of every object's declaration after its declarator:
// its section, for GNU compilers.
bool gnu_section(const table_request &request)
{
    return request.alignment == alignment_style::gnu && request.section != nullptr;
}

// The pragma that places an object in a section, for the DSP's own compiler.
void write_section_pragma(text_sink out, const char *name, const table_request &request)
{
    if (request.alignment == alignment_style::ti && request.section != nullptr)
        format_to(out, "#pragma DATA_SECTION(%s, \"%s\");\n", name, request.section);
}

// The size of the array where its tail holds or not, as its declaration
// gives it: pairs or elements.
void write_size(text_sink out, const table_array &array, std::int32_t count)
{
    if (array.paired)
        format_to(out, "2 * %d", static_cast<int>(count / 2));
    else
        format_to(out, "%d", static_cast<int>(count));
}

// The lines that place an array, then its declaration up to its opening
// brace: pragmas for the DSP's own compiler, an attribute for GNU ones, the
// keyword of C11 or C++11. An array with a tail has its size from its
// initializer, whose tail holds only in some builds; the header gives it.
void write_declaration(text_sink out, const table_array &array, const table_description &description,
                       const table_request &request)
{
    const char *name = array.name;
    // The client's state stays in RAM, where zeroed data goes, whatever
    // section the tables take.
    const bool in_section = request.section != nullptr && !array.writable;
    if (request.alignment == alignment_style::ti) {
        if (in_section)
            write_section_pragma(out, name, request);
        if (request.bank != no_bank)
            format_to(out, "#pragma DATA_MEM_BANK(%s, %d);\n\n", name, request.bank);
        else
            format_to(out,
                      "#pragma DATA_ALIGN(%s, 4);  /* Remove this if using DATA_MEM_BANK */\n\n",
                      name);
    }
    if (request.alignment == alignment_style::c11)
        put(out, "#ifdef __cplusplus\nalignas(4)\n#else\n_Alignas(4)\n#endif\n");
    format_to(out, array.writable ? "%s %s[" : "const %s %s[", array.c_type, name);
    if (array.writable)
        format_to(out, "%s%s", description.ident, array.size_macro);
    else if (array.tail == 0)
        write_size(out, array, array.count);
    put(out, "]");
    const table_client *client = description.layout->client;
    if (client != nullptr && client->table_attribute != nullptr && request.section == nullptr && !array.writable)
        format_to(out, " %s", client->table_attribute);
    const bool gnu_placed = gnu_section(request) && !array.writable;
    if (request.alignment == alignment_style::gnu)
        format_to(out, " __attribute__((aligned(4)%s%s%s))", gnu_placed ? ", section(\"" : "",
                  gnu_placed ? request.section : "", gnu_placed ? "\")" : "");
    if (array.weak)
        put(out, " __attribute__((weak))");
    put(out, array.writable ? ";\n" : " =\n{");
}

// The compilers that take a weak definition as GNU's do; for any other, a
// weak array is left to the library.
constexpr std::string_view weak_compilers = "#if defined(__GNUC__) || defined(__ARMCC_VERSION)\n";

// Hands the text from begin to end over to out: kept out of line, so that the
// loop that formats the entries needs no room for the call.
[[gnu::noinline]] void hand_over(const text_sink &out, const char *begin, const char *end)
{
    out.take(out.context, begin, static_cast<std::size_t>(end - begin));
}

// Elements first to last of values, eight of 16 bits or six of 32 to a line,
// each line indented by four spaces and every element but a line's first
// after ", ", after opening and before ending: each line after a break, but
// the first after first_break. They are formatted into a block and written a block
// at a time; the block is static, not on the stack, which may be small.
template <typename element, std::int32_t per_line, typename widened,
          char *(*append_value)(char *, widened)>
void write_entries(text_sink out, const element *values, std::int32_t first_element,
                   std::int32_t end_element, std::string_view first_break, std::string_view ending)
{
    static char block[16384];
    // A line, with the break and indent before it, and the ending after it.
    constexpr std::ptrdiff_t block_reserve = 6 + per_line * 24 + 4;
    char *end = first_element < end_element ? append(block, first_break) : block;
    for (std::int32_t first = first_element; first < end_element; first += per_line) {
        if (block + sizeof block - end < block_reserve) {
            hand_over(out, block, end);
            end = block;
        }
        if (first != first_element)
            end = append(end, ",\n    ");
        end = append_value(end, values[first]);
        const std::int32_t last = std::min(first + per_line, end_element);
        for (std::int32_t i = first + 1; i < last; ++i)
            end = append_value(append(end, ", "), values[i]);
    }
    end = append(end, ending);
    hand_over(out, block, end);
}

void write_elements(text_sink out, const table_array &array, std::int32_t first, std::int32_t end,
                    std::string_view first_break, std::string_view ending)
{
    switch (array.type) {
    case element_type::q15:
        write_entries<std::int16_t, 8, std::int32_t, append_entry>(
            out, static_cast<const std::int16_t *>(array.values), first, end, first_break, ending);
        break;
    case element_type::index:
        write_entries<std::uint16_t, 8, std::int32_t, append_entry>(
            out, static_cast<const std::uint16_t *>(array.values), first, end, first_break, ending);
        break;
    case element_type::q31:
        write_entries<std::int32_t, 6, std::int64_t, append_wide_entry>(
            out, static_cast<const std::int32_t *>(array.values), first, end, first_break, ending);
        break;
    case element_type::offset:
        write_entries<std::uint32_t, 6, std::int64_t, append_wide_entry>(
            out, static_cast<const std::uint32_t *>(array.values), first, end, first_break, ending);
        break;
    case element_type::f32:
        write_entries<float, 4, float, append_float_entry>(out, static_cast<const float *>(array.values), first,
                                                           end, first_break, ending);
        break;
    case element_type::f16:
        write_entries<std::uint16_t, 4, std::uint16_t, append_half_entry>(
            out, static_cast<const std::uint16_t *>(array.values), first, end, first_break, ending);
        break;
    }
}

void write_array(text_sink out, const table_array &array, const table_description &description,
                 const table_request &request)
{
    if (array.weak) {
        // Declared with C linkage first, so that it keeps it in C++ too.
        put(out, weak_compilers);
        format_to(out, "#ifdef __cplusplus\nextern \"C\" const %s %s[%d];\n#endif\n", array.c_type, array.name,
                  static_cast<int>(array.count));
    }
    write_declaration(out, array, description, request);
    if (array.writable)
        return;
    if (array.tail == 0) {
        write_elements(out, array, 0, array.count, "\n    ", closing);
        if (array.weak)
            put(out, "#endif\n");
        return;
    }
    // The elements of every build end with a comma, which C takes before the
    // closing brace as before the tail.
    write_elements(out, array, 0, array.count, "\n    ", ",\n");
    preprocessor_blocks blocks{out, description, array.where, every_build};
    enter(blocks, both(array.where, array.tail_where));
    write_elements(out, array, array.count, array.count + array.tail, "    ", "\n");
    leave(blocks);
    put(out, "};\n");
}

// The initializers of an instance's fields that hold in context, indented:
// the fields of a line after ", ", a line for each block of the preprocessor
// and for each instance held by value, in braces. Every field but the last
// is followed by a comma, which C takes before a closing brace too, where
// the fields after it do not hold.
void write_fields(text_sink out, const table_description &description, const table_instance &instance,
                  condition context, int indent)
{
    int last = instance.field_count - 1;
    while (last > 0 && excludes(instance.fields[last].where, context))
        --last;
    preprocessor_blocks blocks{out, description, context, every_build};
    int column = 0; // of the line being written, 0 for none
    const auto end_line = [&] {
        if (column > 0)
            put(out, "\n");
        column = 0;
    };
    for (int i = 0; i < instance.field_count; ++i) {
        const instance_field &field = instance.fields[i];
        if (excludes(field.where, context))
            continue;
        if (!(part_of(blocks, field.where) == blocks.open))
            end_line();
        enter(blocks, field.where);
        const char *comma = i < last ? "," : "";
        if (field.kind == field_kind::instance) {
            end_line();
            format_to(out, "%*s{\n", indent, "");
            write_fields(out, description, description.instances[field.instance],
                         both(context, field.where), indent + 4);
            format_to(out, "%*s}%s\n", indent, "", comma);
            continue;
        }
        const int width = static_cast<int>(std::strlen(field.text) + std::strlen(comma));
        if (column > 0 && column + 1 + width > 100)
            end_line();
        format_to(out, column == 0 ? "%*s%s%s" : "%*s %s%s", column == 0 ? indent : 0, "", field.text, comma);
        column += (column == 0 ? indent : 1) + width;
    }
    end_line();
    leave(blocks);
}

void write_instance(text_sink out, const table_description &description, const table_instance &instance,
                    const table_request &request)
{
    write_section_pragma(out, instance.name, request);
    format_to(out, "const %s %s%s%s%s =\n{\n", instance.c_type, instance.name,
              gnu_section(request) ? " __attribute__((section(\"" : "",
              gnu_section(request) ? request.section : "", gnu_section(request) ? "\")))" : "");
    write_fields(out, description, instance, instance.where, 4);
    put(out, "};\n");
}

void write_to_stream(void *stream, const char *text, std::size_t size)
{
    std::fwrite(text, 1, size, static_cast<std::FILE *>(stream));
}

// The declarations of the arrays and instances, with C linkage for C++: of
// each in every build, those that a build does not define too, so that every
// build sees the same names; an array whose tail holds in some builds alone
// has its size in each.
void write_declarations(text_sink out, const table_description &description)
{
    put(out, "#ifdef __cplusplus\nextern \"C\" {\n#endif\n\n");
    for (int i = 0; i < description.array_count; ++i) {
        const table_array &array = description.arrays[i];
        if (array.weak)
            continue;
        if (array.writable) {
            format_to(out, "extern %s %s[%s%s];\n", array.c_type, array.name, description.ident, array.size_macro);
            continue;
        }
        if (array.tail == 0) {
            format_to(out, "extern const %s %s[", array.c_type, array.name);
            write_size(out, array, array.count);
            put(out, "];\n");
            continue;
        }
        preprocessor_blocks tail{out, description, every_build, every_build};
        for (const condition where : {array.tail_where, opposite(array.tail_where)}) {
            enter(tail, where);
            format_to(out, "extern const %s %s[", array.c_type, array.name);
            write_size(out, array, array.count + (where == array.tail_where ? array.tail : 0));
            put(out, "];\n");
        }
        leave(tail);
    }
    for (int i = 0; i < description.instance_count; ++i) {
        const table_instance &instance = description.instances[i];
        if (instance.defined)
            format_to(out, "extern const %s %s;\n", instance.c_type, instance.name);
    }
    put(out, "\n#ifdef __cplusplus\n}\n#endif\n");
}

// Whether an array is declared with a size that a macro gives.
bool has_sized_arrays(const table_description &description)
{
    for (int i = 0; i < description.array_count; ++i)
        if (description.arrays[i].writable)
            return true;
    return false;
}

// The macros of the sizes that the caller's buffers need, each in the
// builds where it holds.
void write_macros(text_sink out, const table_description &description)
{
    if (description.macro_count == 0)
        return;
    preprocessor_blocks blocks{out, description, every_build, every_build};
    for (int i = 0; i < description.macro_count; ++i) {
        const table_macro &macro = description.macros[i];
        enter(blocks, macro.where);
        format_to(out, "#define %s %ld\n", macro.name, macro.value);
    }
    leave(blocks);
    put(out, "\n");
}

// Where refusals are written: a header writes those of builds where its
// declarations cannot compile, and a source that includes it the others.
enum class refusal_place {
    source_alone,
    source_with_header,
    header,
};

// The #error of each build that the file cannot serve.
void write_refusals(text_sink out, const table_description &description, refusal_place place)
{
    for (int i = 0; i < description.refusal_count; ++i) {
        const build_refusal &refusal = description.refusals[i];
        if (place == refusal_place::source_alone || refusal.in_header == (place == refusal_place::header))
            format_to(out, "#if %s\n#error \"%s\"\n#endif\n\n", refusal.expression, refusal.message);
    }
}

// A sink that takes text into a 32-bit FNV-1a hash.
void take_into_hash(void *hash, const char *text, std::size_t size)
{
    auto &value = *static_cast<std::uint32_t *>(hash);
    for (std::size_t i = 0; i < size; ++i)
        value = (value ^ static_cast<unsigned char>(text[i])) * 16777619u;
}

} // namespace

text_sink stream_sink(std::FILE *out)
{
    return {write_to_stream, out};
}

void write_twiddle_source(text_sink out, const table_description &description,
                          const table_request &request)
{
    put(out, rule_line);
    format_to(out, "/*  %-68s*/\n", description.title);
    write_rows(out, description, false);
    put(out, rule_line);
    if (description.layout->has_bank_note && request.alignment == alignment_style::ti)
        put(out, bank_note);
    put(out, "\n");
    // Declared first with C linkage, the arrays and instances keep external
    // linkage when the source is compiled as C++: by the header, or, without
    // it, by the same declarations here.
    if (request.header_path != nullptr)
        format_to(out, "#include \"%s\"\n\n", base_name(request.header_path));
    else if (description.types_header != nullptr)
        format_to(out, "#include %s\n\n", description.types_header);
    write_refusals(out, description, request.header_path == nullptr ? refusal_place::source_alone
                                                                     : refusal_place::source_with_header);
    if (request.header_path == nullptr && description.layout->external_in_cxx) {
        // The sizes that arrays are declared with, which the header would
        // define.
        if (has_sized_arrays(description))
            write_macros(out, description);
        write_declarations(out, description);
        put(out, "\n");
    }
    preprocessor_blocks blocks{out, description, every_build, every_build};
    for (int i = 0; i < description.array_count; ++i) {
        const table_array &array = description.arrays[i];
        if (enter(blocks, array.where, i > 0 ? "\n" : ""))
            write_array(out, array, description, request);
    }
    for (int i = 0; i < description.instance_count; ++i) {
        const table_instance &instance = description.instances[i];
        if (instance.defined && enter(blocks, instance.where, "\n"))
            write_instance(out, description, instance, request);
    }
    leave(blocks);
}

void write_twiddle_header(text_sink out, const table_description &description,
                          const table_request &request)
{
    const char *name = request.array_name;
    format_to(out, "/*  %-68s*/\n", description.header_title);
    write_rows(out, description, true);
    // Two headers that declare different things have different guards, so
    // that a file can include both.
    if (description.layout->guard_by_name) {
        format_to(out, "\n#ifndef VELTABGEN_%s_H\n#define VELTABGEN_%s_H\n\n", name, name);
    } else {
        std::uint32_t hash = 2166136261u;
        write_macros({take_into_hash, &hash}, description);
        write_declarations({take_into_hash, &hash}, description);
        format_to(out, "\n#ifndef VELTABGEN_%s_%08X_H\n#define VELTABGEN_%s_%08X_H\n\n", name,
                  static_cast<unsigned>(hash), name, static_cast<unsigned>(hash));
    }
    if (description.types_header != nullptr)
        format_to(out, "#include %s\n\n", description.types_header);
    write_refusals(out, description, refusal_place::header);
    write_macros(out, description);
    write_declarations(out, description);
    put(out, "\n#endif\n");
}
