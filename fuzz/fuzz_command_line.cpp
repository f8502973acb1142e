// Runs the whole tool in process on an argument vector made from the input,
// and checks that the run produced one of the results a run may have:
//  - status 0, nothing on standard error, and on standard output the help,
//    the version or the complete source, or else the complete source and any
//    header in the files that the command line names;
//  - status 1, no file left behind or changed, nothing on standard output
//    but a complete source before a header that failed, and on standard error
//    either the usage text with at most one documented error line, or one
//    message that reports a failed write and names its file.
// The files live in memory (memory_files.cpp), never on the disk.

#include "memory_files.h"
#include "veltabgen.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t max_arguments = 8;

std::string usage_text;
std::string option_usage;
std::string help_text;

void require(bool condition, const char *what, std::string_view text)
{
    if (condition)
        return;
    std::fprintf(stderr, "check failed: %s\n--- text ---\n%.*s\n--- end ---\n", what,
                 static_cast<int>(text.size()), text.data());
    std::abort();
}

struct run_result {
    int status;
    std::string out;
    std::string err;
};

run_result run(const std::vector<std::string> &arguments)
{
    std::vector<std::string> args = arguments;
    std::vector<char *> argv;
    for (std::string &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    char *out_text = nullptr;
    char *err_text = nullptr;
    std::size_t out_size = 0;
    std::size_t err_size = 0;
    std::FILE *out = open_memstream(&out_text, &out_size);
    std::FILE *err = open_memstream(&err_text, &err_size);
    if (out == nullptr || err == nullptr)
        std::abort();
    run_result result;
    committed_files.clear();
    result.status = run_veltabgen(static_cast<int>(args.size()), argv.data(), out, err);
    std::fclose(err);
    result.out.assign(out_text, out_size);
    result.err.assign(err_text, err_size);
    std::free(out_text);
    std::free(err_text);
    return result;
}

// The input is the arguments after the program's name, separated by NUL
// bytes; an empty input stands for no arguments.
// The bytes after three NULs are the file design.txt, a filter's design.
constexpr std::string_view design_marker{"\0\0\0", 3};

std::vector<std::string> arguments_of(const std::uint8_t *data, std::size_t size)
{
    const std::string_view input(reinterpret_cast<const char *>(data), size);
    const std::size_t design = input.find(design_marker);
    input_files.clear();
    if (design != std::string_view::npos) {
        input_files["design.txt"] = std::string(input.substr(design + design_marker.size()));
        size = design;
    }
    std::vector<std::string> args = {"veltabgen"};
    if (size > 0) {
        args.emplace_back();
        for (std::size_t i = 0; i < size; ++i) {
            if (data[i] != 0)
                args.back() += static_cast<char>(data[i]);
            else if (args.size() > max_arguments)
                break;
            else
                args.emplace_back();
        }
    }
    return args;
}

bool starts_with(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool is_upper_hex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

bool is_identifier_char(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Reads the decimal number at the start of text and moves past it.
long read_number(std::string_view &text)
{
    long value = 0;
    std::size_t i = 0;
    for (; i < text.size() && i < 6 && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10 + (text[i] - '0');
    require(i > 0, "a number", text);
    text.remove_prefix(i);
    return value;
}

// Reads the array's name at the start of text and moves past it.
std::string_view read_name(std::string_view &text)
{
    std::size_t length = 0;
    while (length < text.size() && is_identifier_char(text[length]))
        ++length;
    // A name given is at most 63 characters; a layout adds a suffix to it.
    require(length > 0 && length <= 79 && !(text[0] >= '0' && text[0] <= '9'),
            "an identifier of at most 79 characters", text.substr(0, 80));
    const std::string_view name = text.substr(0, length);
    text.remove_prefix(length);
    return name;
}

// The section's name at the start of text: letters, digits, '.', '_', '$'.
std::string_view read_section(std::string_view text)
{
    std::size_t length = 0;
    while (length < text.size() && (is_identifier_char(text[length]) || text[length] == '.' ||
                                    text[length] == '$'))
        ++length;
    require(length > 0 && length <= 64, "a section name of 1 to 64 characters", text.substr(0, 80));
    return text.substr(0, length);
}

void skip(std::string_view &text, std::string_view expected, const char *what)
{
    require(starts_with(text, expected), what, text.substr(0, 120));
    text.remove_prefix(expected.size());
}

// The entries of an array of count elements: eight of seven characters
// ("-0x7FFF") or six of eleven (a q31 value in decimal) to a line.
void check_entries(std::string_view &text, long count, bool wide)
{
    const long per_line = wide ? 6 : 8;
    for (long i = 0; i < count; ++i) {
        const std::string_view separator = i == 0 ? "\n    " : i % per_line == 0 ? ",\n    " : ", ";
        skip(text, separator, "an entry separator");
        if (wide) {
            const std::string_view entry = text.substr(0, 11);
            const std::size_t first = entry.find_first_not_of(' ');
            require(entry.size() == 11 && first != std::string_view::npos &&
                        entry.substr(first + (entry[first] == '-' ? 1 : 0)).find_first_not_of("0123456789") ==
                            std::string_view::npos,
                    "an entry of eleven characters", text.substr(0, 80));
            text.remove_prefix(11);
            continue;
        }
        require(text.size() >= 7 && (text[0] == ' ' || text[0] == '-') && text[1] == '0' &&
                    text[2] == 'x' && is_upper_hex(text[3]) && is_upper_hex(text[4]) &&
                    is_upper_hex(text[5]) && is_upper_hex(text[6]),
                "an entry of seven characters", text.substr(0, 80));
        require(!starts_with(text, "-0x0000"), "zero has no minus sign", text.substr(0, 80));
        text.remove_prefix(7);
    }
    skip(text, "\n};\n", "the array's closing");
}

// One radix-2 array: the lines that place it, its declaration and its
// entries. Returns the number of its pairs.
long check_array(std::string_view &text, std::string_view whole)
{
    std::string_view pragma_name;
    if (starts_with(text, "#pragma DATA_SECTION(")) {
        text.remove_prefix(std::strlen("#pragma DATA_SECTION("));
        pragma_name = read_name(text);
        skip(text, ", \"", "the section pragma");
        text.remove_prefix(read_section(text).size());
        skip(text, "\");\n", "the section pragma's end");
        require(starts_with(text, "#pragma DATA_ALIGN(") || starts_with(text, "#pragma DATA_MEM_BANK("),
                "an alignment or bank pragma after the section pragma", whole);
    }
    if (starts_with(text, "#pragma DATA_ALIGN(")) {
        text.remove_prefix(std::strlen("#pragma DATA_ALIGN("));
        const std::string_view name = read_name(text);
        require(pragma_name.empty() || pragma_name == name, "the pragmas name one array", whole);
        pragma_name = name;
        skip(text, ", 4);  /* Remove this if using DATA_MEM_BANK */\n\n", "the alignment pragma");
    } else if (starts_with(text, "#pragma DATA_MEM_BANK(")) {
        text.remove_prefix(std::strlen("#pragma DATA_MEM_BANK("));
        const std::string_view name = read_name(text);
        require(pragma_name.empty() || pragma_name == name, "the pragmas name one array", whole);
        pragma_name = name;
        skip(text, ", ", "the bank pragma");
        require(read_number(text) <= 15, "a bank from 0 to 15", whole);
        skip(text, ");\n\n", "the bank pragma's end");
    } else if (starts_with(text, "#ifdef __cplusplus\nalignas(4)\n#else\n_Alignas(4)\n#endif\n")) {
        text.remove_prefix(std::strlen("#ifdef __cplusplus\nalignas(4)\n#else\n_Alignas(4)\n#endif\n"));
    }
    skip(text, "const short ", "the declaration");
    const std::string_view name = read_name(text);
    require(pragma_name.empty() || pragma_name == name, "the pragma names the array", whole);
    skip(text, "[2 * ", "the declaration's size");
    const long pairs = read_number(text);
    skip(text, "]", "the declaration's size");
    if (pragma_name.empty() && starts_with(text, " __attribute__((aligned(4)))")) {
        text.remove_prefix(std::strlen(" __attribute__((aligned(4)))"));
    } else if (pragma_name.empty() && starts_with(text, " __attribute__((aligned(4), section(\"")) {
        text.remove_prefix(std::strlen(" __attribute__((aligned(4), section(\""));
        text.remove_prefix(read_section(text).size());
        skip(text, "\")))", "the attribute's end");
    }
    skip(text, " =\n{", "the declaration's opening brace");
    check_entries(text, 2 * pairs, false);
    return pairs;
}

// Takes the next line off text, without its newline.
std::string_view take_line(std::string_view &text)
{
    const std::size_t end = text.find('\n');
    require(end != std::string_view::npos, "every line ends", text.substr(0, 120));
    const std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    return line;
}

// How an array's entries are written.
enum class entry_kind {
    short_hex, // eight of seven characters to a line ("-0x7FFF")
    wide,      // six of eleven, a 32-bit value in decimal
    floating,  // four float literals, each right-aligned in at least thirteen
};

// A float literal, right-aligned in at least thirteen characters: digits,
// with a point or an exponent, then f. Returns its length.
std::size_t check_float_entry(std::string_view line)
{
    const std::size_t first = line.find_first_not_of(' ');
    const std::size_t end = line.find(',');
    const std::string_view literal =
        line.substr(first == std::string_view::npos ? line.size() : first,
                    (end == std::string_view::npos ? line.size() : end) - (first == std::string_view::npos ? 0 : first));
    require(first != std::string_view::npos && (first == 0 || first + literal.size() == 13) && literal.size() >= 3 &&
                literal.back() == 'f' && literal.find_first_of(".e") != std::string_view::npos &&
                literal.substr(0, literal.size() - 1).find_first_not_of("0123456789.e+-") == std::string_view::npos,
            "a float literal, right-aligned in thirteen characters", line.substr(0, 80));
    return first + literal.size();
}

// The entries of a line of an array, of their kind, after four spaces, each
// after ", " but the first, and a comma after the last where more follow.
// Returns their number.
long check_entry_line(std::string_view line, entry_kind kind)
{
    const bool wide = kind == entry_kind::wide;
    skip(line, "    ", "an entry line's indent");
    long count = 0;
    while (!line.empty()) {
        if (count > 0)
            skip(line, ", ", "an entry separator");
        if (kind == entry_kind::floating) {
            line.remove_prefix(check_float_entry(line));
        } else if (wide) {
            const std::string_view entry = line.substr(0, 11);
            const std::size_t first = entry.find_first_not_of(' ');
            require(entry.size() == 11 && first != std::string_view::npos &&
                        entry.substr(first + (entry[first] == '-' ? 1 : 0)).find_first_not_of("0123456789") ==
                            std::string_view::npos,
                    "an entry of eleven characters", line.substr(0, 80));
            line.remove_prefix(11);
        } else {
            require(line.size() >= 7 && (line[0] == ' ' || line[0] == '-') && line[1] == '0' && line[2] == 'x' &&
                        is_upper_hex(line[3]) && is_upper_hex(line[4]) && is_upper_hex(line[5]) &&
                        is_upper_hex(line[6]),
                    "an entry of seven characters", line.substr(0, 80));
            require(!starts_with(line, "-0x0000"), "zero has no minus sign", line.substr(0, 80));
            line.remove_prefix(7);
        }
        ++count;
        if (line == ",")
            break;
    }
    require(count <= (kind == entry_kind::floating ? 4 : wide ? 6 : 8), "at most eight entries, or six or four, to a line",
            line);
    return count;
}

// Follows the blocks of the preprocessor that a line opens or closes:
// every #else and #endif closes a block opened before it.
bool track_block(std::string_view line, int &depth)
{
    if (starts_with(line, "#if ") || starts_with(line, "#ifdef ")) {
        ++depth;
        return true;
    }
    if (line == "#else" || line == "#endif") {
        require(depth > 0, "an #else or #endif after its #if", line);
        depth -= line == "#endif" ? 1 : 0;
        return true;
    }
    return false;
}

// The source of a layout but radix2, after its comment: its #include, a
// refusal of a build, the declarations of what it defines, its arrays and
// its instances, with the blocks of the preprocessor around those that only
// some builds hold, each block closed. Every CMSIS layout defines an
// instance; a window does not.
void check_layout_source(std::string_view text, std::string_view whole, bool cmsis)
{
    int depth = 0;
    long arrays = 0, instances = 0;
    while (!text.empty()) {
        const std::string_view line = take_line(text);
        if (line.empty() || track_block(line, depth) || starts_with(line, "#include ") ||
            starts_with(line, "#error \"") || starts_with(line, "#pragma DATA_") || starts_with(line, "#define ") ||
            starts_with(line, "extern ") || line == "}" || line == "alignas(4)" || line == "_Alignas(4)")
            continue;
        // The client's state: zeroed, its size a macro of the file's.
        if (!starts_with(line, "const ") && line.back() == ';') {
            require(line.find("_STATE_LENGTH]") != std::string_view::npos, "a state sized by its macro", line);
            ++arrays;
            continue;
        }
        require(starts_with(line, "const ") && line.size() > 2 && line.substr(line.size() - 2) == " =",
                "a definition", line);
        skip(text, "{\n", "the definition's opening brace");
        if (starts_with(line, "const arm_")) {
            // An instance: its fields, and the instances it holds by value.
            int braces = 1;
            while (braces > 0) {
                const std::string_view field = take_line(text);
                if (track_block(field, depth))
                    continue;
                braces += field.find('{') != std::string_view::npos ? 1 : 0;
                braces -= field.find('}') != std::string_view::npos ? 1 : 0;
                require(field.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_&, {};") ==
                            std::string_view::npos,
                        "an instance's fields: names, numbers, braces and commas", field);
            }
            ++instances;
            continue;
        }
        // An array: its type, its size, and its entries, eight or six to a
        // line, a block of those of one build last.
        const entry_kind kind = line.find("float32_t ") != std::string_view::npos ||
                                        line.find("float16_t ") != std::string_view::npos
                                    ? entry_kind::floating
                                : line.find("q31_t ") != std::string_view::npos ||
                                        line.find("int32_t ") != std::string_view::npos
                                    ? entry_kind::wide
                                    : entry_kind::short_hex;
        const std::size_t open = line.find('[');
        require(open != std::string_view::npos, "an array's size", line);
        std::string_view size = line.substr(open + 1, line.find(']') - open - 1);
        long declared = -1;
        if (starts_with(size, "2 * ")) {
            size.remove_prefix(4);
            declared = 2 * read_number(size);
        } else if (!size.empty()) {
            declared = read_number(size);
        }
        long count = 0;
        int tail_depth = depth;
        for (;;) {
            const std::string_view entries = take_line(text);
            if (entries == "};")
                break;
            if (track_block(entries, depth))
                continue;
            count += check_entry_line(entries, kind);
        }
        require(depth == tail_depth, "an array's block closes in the array", whole.substr(0, 200));
        require(declared < 0 || count == declared, "the entries that the declaration counts", line);
        require(count > 0, "an array holds something", line);
        ++arrays;
    }
    require(depth == 0, "every block of the preprocessor closes", whole.substr(0, 200));
    require(arrays >= 1, "an array", whole.substr(0, 200));
    require(cmsis ? instances >= 1 : instances == 0, "a CMSIS layout's instances, and a window's none",
            whole.substr(0, 200));
}

void check_source(std::string_view text)
{
    const std::string_view whole = text;
    // The framed comment, every line 74 characters wide: for the DSP's
    // compiler alone, with a note on its memory banks.
    int framed = 0;
    while (starts_with(text, "/*")) {
        const std::size_t newline = text.find('\n');
        require(newline == 74, "header lines are 74 characters wide", whole);
        text.remove_prefix(newline + 1);
        ++framed;
    }
    const std::string_view title = whole.substr(75);
    const bool radix2 = starts_with(title, "/*  Automatically generated twiddle-factor array.");
    const bool window = starts_with(title, "/*  Automatically generated window table.");
    const bool filter = starts_with(title, "/*  Automatically generated biquad cascade.") ||
                        starts_with(title, "/*  Automatically generated FIR filter.");
    require(radix2 || window || filter || starts_with(title, "/*  Automatically generated twiddle-factor tables.") ||
                starts_with(title, "/*  Automatically generated MFCC tables."),
            "the comment's title", whole.substr(0, 200));
    require(framed >= 7 && framed <= 20, "the framed comment", whole.substr(0, 1200));
    // The size, of a filter its block's, in the header.
    const std::string_view size_row = filter ? "/*      Block size:          " : "/*      Number of points:    ";
    const std::size_t row = whole.find(size_row);
    require(row != std::string_view::npos, "the size in the header", whole.substr(0, 1200));
    std::string_view points = whole.substr(row + size_row.size());
    const long n = read_number(points);
    require(n >= (filter ? 1 : 2) && n <= 32768, "a valid size in the header", whole);
    skip(text, "\n", "the empty line after the header comment");
    if (!radix2) {
        check_layout_source(text, whole, !window);
        return;
    }
    require(n >= 16 && (n & (n - 1)) == 0, "a radix-2 table's size", whole);

    if (starts_with(text, "#include \"")) {
        text.remove_prefix(std::strlen("#include \""));
        const std::size_t end = text.find("\"\n\n");
        require(end != 0 && end != std::string_view::npos &&
                    text.substr(0, end).find_first_of("\"\\'\n/") == std::string_view::npos,
                "the header's name in an #include line", whole);
        text.remove_prefix(end + 3);
    }
    const bool bank_note = whole.find("/*  NOTE:") != std::string_view::npos;
    require(bank_note == (text.find("#pragma DATA_") != std::string_view::npos),
            "the note on banks with the DSP's pragmas alone", whole.substr(0, 1200));
    const long pairs = check_array(text, whole);
    require(pairs == n / 2, "the declaration counts N / 2 pairs", whole.substr(0, 1200));
    require(text.empty(), "one array, and nothing after it", text.substr(0, 80));
}

void check_header(std::string_view text)
{
    const std::string_view declaration = "\nextern const ";
    const std::size_t at = text.find(declaration);
    require(at != std::string_view::npos, "the header declares the array", text);
    require(text.find("\n#ifndef VELTABGEN_") != std::string_view::npos, "the include guard", text);
    require(text.find("extern \"C\" {") != std::string_view::npos, "C linkage for C++", text);
    require(text.substr(text.size() - 8) == "\n#endif\n", "the include guard's end", text);
}

// The report of --stats: what the table is, each array's figures, a window's
// too, a line on fft snr, and the bytes of each build.
void check_report(std::string_view report, std::string_view whole)
{
    skip(report, "table:      ", "the report's first line");
    take_line(report);
    const bool radix2 = !starts_with(report, "array:      ");
    do {
        if (!radix2) {
            skip(report, "array:      ", "an array's line");
            if (take_line(report).find(", exact") != std::string_view::npos)
                continue;
        }
        for (const std::string_view line : {"max error:  ", "rms error:  ", "mean error: ", "snr:        "}) {
            skip(report, line, "a line of an array's figures");
            take_line(report);
        }
        if (radix2) {
            skip(report, "fft snr:    ", "the radix-2 table's fft snr");
            take_line(report);
        }
        skip(report, "saturated:  ", "the array's saturated entries");
        take_line(report);
        if (starts_with(report, "gain:       ")) {
            take_line(report);
            skip(report, "enbw:       ", "a window's noise bandwidth");
            take_line(report);
        }
    } while (!radix2 && starts_with(report, "array:      "));
    if (starts_with(report, "fft snr:    does not apply to "))
        take_line(report);
    // A filter's own figures.
    for (const std::string_view row : {"post shift: ", "poles:      ", "taps:       ", "passband:   ", "worst gain: ",
                                       "output snr: ", "            faded in over ", "on helium:  "})
        if (starts_with(report, row))
            take_line(report);
    int builds = 0;
    while (starts_with(report, "bytes:      ")) {
        take_line(report);
        ++builds;
    }
    require(builds == 1 || builds == 2 || builds == 4, "the bytes of each build", whole);
    require(report.empty(), "nothing after the report", whole);
}

void check_success(const run_result &result)
{
    require(result.err.empty(), "a successful run writes nothing to standard error", result.err);
    if (result.out == help_text || result.out == "veltabgen " VELTABGEN_VERSION "\n")
        return;
    if (result.out.empty() && committed_files.empty())
        return; // --check found the files as they would be written
    if (starts_with(result.out, "table:      ")) {
        require(committed_files.empty(), "--stats writes no file", result.out);
        check_report(result.out, result.out);
        return;
    }
    std::size_t sources = result.out.empty() ? 0 : 1;
    if (sources == 1)
        check_source(result.out);
    for (const auto &[path, text] : committed_files) {
        if (text.find(": the declaration") != std::string::npos && starts_with(text, "/*  Automatically generated ")) {
            check_header(text);
        } else {
            check_source(text);
            ++sources;
        }
    }
    require(sources == 1, "one complete source", result.out);
}

bool has_control_character(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            return true;
    return false;
}

bool is_documented_message(std::string_view message)
{
    static const std::string_view fixed[] = {
        "The -s switch requires a numeric argument.\n",
        "Scale factor out of range.\n",
        "FFT size must be between 16 and 32768 points.",
        "FFT size must be a power of 2\n",
        "Must specify FFT size.",
        "The --name option requires a value.\n",
        "The --align option requires a value.\n",
        "The --header option requires a value.\n",
        "The --output option requires a value.\n",
        "The --section option requires a value.\n",
        "The --bank option requires a value.\n",
        "The --help option takes no value.\n",
        "The --version option takes no value.\n",
        "The --check option takes no value.\n",
        "The --round option requires a value.\n",
        "The --scale option requires a value.\n",
        "The --stats option takes no value.\n",
        "The --check and --stats options cannot be used together.\n",
        "The --layout option requires a value.\n",
        "The --type option requires a value.\n",
        "The radix2 layout holds 16-bit entries alone: --type=q31 needs cmsis-cfft, cmsis-rfft, window, "
        "cmsis-mfcc, cmsis-biquad or cmsis-fir.\n",
        "The cmsis-cfft layout takes no scale: its FFT fixes it. Leave out -s and --scale.\n",
        "The cmsis-rfft layout takes no scale: its FFT fixes it. Leave out -s and --scale.\n",
        "The window layout takes no scale: its values are fractions of full scale. Leave out -s and --scale.\n",
        "The cmsis-mfcc layout takes no scale: its tables are fractions of full scale. Leave out -s and --scale.\n",
        "The cmsis-cfft layout takes N from 16 to 4096, a power of 2.\n",
        "The cmsis-rfft layout takes N from 32 to 8192, a power of 2.\n",
        "The window layout takes N from 2 to 32768.\n",
        "The cmsis-mfcc layout takes N from 32 to 4096, a power of 2.\n",
        "The --window option requires a value.\n",
        "The --symmetric option takes no value.\n",
        "The --sample-rate option requires a value.\n",
        "The --mel-filters option requires a value.\n",
        "The --dct-outputs option requires a value.\n",
        "The --fmin option requires a value.\n",
        "The --fmax option requires a value.\n",
        "The --frame-length option requires a value.\n",
        "The --coefficients option requires a value.\n",
        "Must specify N, the block size: the samples that one call filters.\n",
        "The cmsis-biquad layout needs --coefficients=FILE, the filter's design.\n",
        "The cmsis-fir layout needs --coefficients=FILE, the filter's design.\n",
        "The cmsis-biquad layout takes no scale: the design and its shift fix it. Leave out -s and --scale.\n",
        "The cmsis-fir layout takes no scale: the design fixes it. Leave out -s and --scale.\n",
        "The cmsis-biquad layout takes N from 1 to 32768.\n",
        "The cmsis-rfft layout takes N from 32 to 4096 in f32, a power of 2.\n",
        "The cmsis-rfft layout takes N from 32 to 4096 in f16, a power of 2.\n",
        "The --round option rounds fixed-point values: the f32 tables are rounded as CMSIS-DSP's own.\n",
        "The --round option rounds fixed-point values: the f16 tables are rounded as CMSIS-DSP's own.\n",
        "The cmsis-fir layout takes N from 1 to 32768.\n",
        "The --stats option writes its report to standard output, and no file.\n",
        "The radix2 layout holds fixed-point values alone: --type=f32 needs cmsis-cfft, cmsis-rfft or cmsis-mfcc.\n",
        "The radix2 layout holds fixed-point values alone: --type=f16 needs cmsis-cfft, cmsis-rfft or cmsis-mfcc.\n",
        "The window layout holds fixed-point values alone: --type=f32 needs cmsis-cfft, cmsis-rfft or cmsis-mfcc.\n",
        "The window layout holds fixed-point values alone: --type=f16 needs cmsis-cfft, cmsis-rfft or cmsis-mfcc.\n",
        "The cmsis-biquad layout holds fixed-point values alone: --type=f32 needs cmsis-cfft, cmsis-rfft or "
        "cmsis-mfcc.\n",
        "The cmsis-biquad layout holds fixed-point values alone: --type=f16 needs cmsis-cfft, cmsis-rfft or "
        "cmsis-mfcc.\n",
        "The cmsis-fir layout holds fixed-point values alone: --type=f32 needs cmsis-cfft, cmsis-rfft or cmsis-mfcc.\n",
        "The cmsis-fir layout holds fixed-point values alone: --type=f16 needs cmsis-cfft, cmsis-rfft or cmsis-mfcc.\n",
        "The --header and --output files must differ.",
        "The --section option needs --align=ti or --align=gnu.\n",
        "The --bank option needs --align=ti.\n",
        "The --check option needs --output.\n",
    };
    for (std::string_view documented : fixed)
        if (message == documented)
            return true;

    // The messages of what a layout takes, and of an MFCC that cannot work.
    static const std::string_view of_a_layout[] = {
        "The radix2 layout takes no --", "The cmsis-cfft layout takes no --", "The cmsis-rfft layout takes no --",
        "The window layout takes no --", "The cmsis-mfcc layout takes no --", "The cmsis-biquad layout takes no --",
        "The cmsis-fir layout takes no --", "The name sqrt_initial_lut_q31 is that of CMSIS-DSP's table",
        "The cmsis-mfcc layout takes the window hamming or hann, not ", "The DCT outputs (",
        "The highest frequency, ", "The lowest frequency, ", "Mel filter ", "The frame length ("};
    // A frequency is shown in full, as the number it is: up to 326
    // characters, for the smallest.
    for (std::string_view prefix : of_a_layout)
        if (starts_with(message, prefix))
            return message.back() == '\n' && message.size() < 800 &&
                   !has_control_character(message.substr(0, message.size() - 1));

    const std::string_view bad_switch = "Unrecognized switch character: '";
    if (starts_with(message, bad_switch))
        return message.size() == bad_switch.size() + 3 && message.substr(bad_switch.size() + 1) == "'\n";

    static const std::string_view showing_an_argument[] = {
        "Unrecognized option:  --",
        "Array name must be a C identifier of at most 63 characters:  ",
        "Array name is a C or C++ keyword:  ",
        "Array name is reserved for the C implementation:  ",
        "Array name is a macro that compilers predefine:  ",
        "Array name is declared by the C standard library:  ",
        "Alignment style must be ti, gnu, c11 or none:  ",
        "Header file name cannot be used in #include:  ",
        "Section name must be 1 to 64 letters, digits, '.', '_' or '$':  ",
        "Memory bank must be a number from 0 to 15:  ",
        "Rounding must be zero, nearest or floor:  ",
        "Layout must be radix2, cmsis-cfft, cmsis-rfft, window, cmsis-mfcc, cmsis-biquad or cmsis-fir:  ",
        "Type must be q15, q31, f32 or f16:  ",
        "The --scale option needs a number above 0 and at most 32768:  ",
        "Array name is CMSIS-DSP's, whose arm_math.h the source includes:  ",
        "Window must be hann, hamming, blackman or flattop:  ",
        "The --sample-rate option needs a plain decimal number of hertz above 0 and at most 10000000:  ",
        "The --fmin option needs a plain decimal number of hertz, at most 5000000:  ",
        "The --fmax option needs a plain decimal number of hertz, at most 5000000:  ",
        "The --mel-filters option needs a whole number from 1 to 4096:  ",
        "The --dct-outputs option needs a whole number from 1 to 4096:  ",
        "The --frame-length option needs a whole number from 2 to 4096:  ",
    };
    // The spec's own message shows the argument as given; the others show a
    // value on one line, each of at most 32 bytes as an escape of 4.
    if (starts_with(message, "Unrecognized argument:  "))
        return message.back() == '\n' && message.size() <= std::strlen("Unrecognized argument:  ") + 32 + 1;
    for (std::string_view prefix : showing_an_argument)
        if (starts_with(message, prefix))
            return message.back() == '\n' && message.size() <= prefix.size() + 4 * 32 + 1 &&
                   !has_control_character(message.substr(0, message.size() - 1));
    return false;
}

// The text as an error line shows it: control characters escaped.
std::string shown(std::string_view text)
{
    std::string result;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\n')
            result += "\\n";
        else if (c == '\t')
            result += "\\t";
        else if (c == '\r')
            result += "\\r";
        else if (byte < 0x20 || byte == 0x7F) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02x", byte);
            result += escape;
        } else
            result += c;
    }
    return result;
}

// Whether the shown path is one named in the arguments, alone or after an
// option's "=".
bool is_named(std::string_view path, const std::vector<std::string> &args)
{
    for (const std::string &given : args) {
        const std::string arg = shown(given);
        if (arg == path || (arg.size() > path.size() && arg.substr(arg.size() - path.size()) == path &&
                            arg[arg.size() - path.size() - 1] == '='))
            return true;
    }
    return false;
}

// Whether the arguments ask for --check as a switch, not as the value of an
// option before it ("--header --check" names a header file "--check").
bool asks_for_check(const std::vector<std::string> &args)
{
    static const std::string_view options_with_values[] = {
        "--name",  "--align",  "--section", "--bank",        "--header",      "--output",
        "--round", "--scale",  "--layout",  "--type",        "--window",      "--sample-rate",
        "--fmin",  "--fmax",   "--mel-filters", "--dct-outputs", "--frame-length", "--coefficients"};
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (arg == "--check")
            return true;
        const bool scale_switch = arg.size() == 2 && (arg[0] == '-' || arg[0] == '/') &&
                                  (arg[1] == 's' || arg[1] == 'S');
        if (scale_switch || std::find(std::begin(options_with_values), std::end(options_with_values),
                                      arg) != std::end(options_with_values))
            ++i;
    }
    return false;
}

// Whether an argument names a filter's design, which is read once the
// command line is accepted.
bool names_a_design(const std::vector<std::string> &args)
{
    return std::any_of(args.begin() + 1, args.end(),
                       [](const std::string &arg) { return starts_with(arg, "--coefficients"); });
}

void check_fault(const run_result &result, const std::vector<std::string> &args)
{
    std::string_view err = result.err;
    // A design that cannot be read or made: one line, without the usage
    // text, before anything is written.
    if (names_a_design(args) && starts_with(err, "ERROR:  ") && !starts_with(err, "ERROR:  Unable to write ")) {
        require(result.out.empty() && committed_files.empty(), "a refused design writes nothing", err);
        require(err.back() == '\n' && err.find('\n') == err.size() - 1, "one error line", err);
        return;
    }
    const bool checking = asks_for_check(args);
    if (checking && !starts_with(err, usage_text) && !starts_with(err, option_usage)) {
        require(result.out.empty() && committed_files.empty(), "--check writes nothing", err);
        require(starts_with(err, "ERROR:  Unable to read ") ||
                    err.find(" differs from the generated text at line ") != std::string_view::npos,
                "a file that differs or cannot be read", err);
        return;
    }
    const std::string_view write_failure = "ERROR:  Unable to write ";
    if (starts_with(err, write_failure)) {
        // The header is put in place only after the source has gone whole to
        // standard output; if the header then fails, the source stays there.
        if (!result.out.empty())
            check_source(result.out);
        // The path is shown on the line, its control characters escaped.
        const std::size_t reason = err.rfind(": ");
        require(reason != std::string_view::npos && err.back() == '\n' &&
                    !has_control_character(err.substr(0, err.size() - 1)) &&
                    is_named(err.substr(write_failure.size(), reason - write_failure.size()), args),
                "one line names the file that failed", err);
        require(committed_files.empty(), "a failed write changes no file", err);
        return;
    }
    require(result.out.empty(), "a failed run writes nothing to standard output", result.out);
    require(committed_files.empty(), "a fault in the command line changes no file", err);
    // The classic usage text, but where an argument is a long option.
    const bool long_option = std::any_of(args.begin() + 1, args.end(), [](const std::string &arg) {
        return arg.size() > 2 && arg[0] == '-' && arg[1] == '-';
    });
    const std::string &usage = long_option ? option_usage : usage_text;
    require(starts_with(err, usage), "the usage text of the command line comes first", err);
    err.remove_prefix(usage.size());
    if (err.empty())
        return;
    const std::string_view error = "ERROR:  ";
    require(starts_with(err, error), "one error line", err);
    require(err.back() == '\n', "the error line ends the text", err);
    const std::string_view message = err.substr(error.size(), err.size() - error.size() - 1);
    require(is_documented_message(message), "a documented message", message);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const run_result bare = run({"veltabgen"});
    require(bare.status == 1 && bare.out.empty() && bare.err.size() == 16 * 73,
            "no arguments give the sixteen-line usage text alone", bare.err);
    usage_text = bare.err;
    const run_result unknown = run({"veltabgen", "--frobnicate"});
    option_usage = unknown.err.substr(0, unknown.err.find("ERROR:  "));
    require(unknown.status == 1 && starts_with(option_usage, "Usage: veltabgen ") &&
                option_usage.find("Run 'veltabgen --help'") != std::string::npos,
            "a fault with a long option gives today's usage", unknown.err);
    const run_result help = run({"veltabgen", "--help"});
    require(help.status == 0 && starts_with(help.out, "Usage: veltabgen ") && help.err.empty(),
            "--help shows its text", help.out);
    help_text = help.out;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::vector<std::string> args = arguments_of(data, size);
    const run_result result = run(args);
    require(result.status == 0 || result.status == 1, "the status is 0 or 1", result.err);
    require(open_temporary_files() == 0, "no temporary file is left behind", result.err);
    if (result.status == 0)
        check_success(result);
    else
        check_fault(result, args);
    return 0;
}
