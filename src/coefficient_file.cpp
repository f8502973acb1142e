// The reading of a filter's design: a small scanner over the file, a block
// at a time, that takes each number as it ends and each section as its line
// ends, and stops at the first fault with the line it is on.

#include "coefficient_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "atomic_file.h"
#include "command_line.h"
#include "scan_double.h"

namespace {

// Static, as they may hold a large FIR, and the stack may be small.
double values[max_design_values];
std::int32_t lines[max_design_values];

// The longest token that can be a number that the scanner keeps whole: a
// longer one is shown cut.
constexpr std::size_t max_token = 512;
constexpr std::size_t shown_token = 32;

bool is_separator(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == ',';
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// Whether text is a decimal number as C writes one: a sign, digits with a
// point among or before them, and an exponent.
bool is_decimal(const char *text)
{
    const char *c = text;
    if (*c == '+' || *c == '-')
        ++c;
    bool digits = false;
    while (is_digit(*c)) {
        ++c;
        digits = true;
    }
    if (*c == '.') {
        ++c;
        while (is_digit(*c)) {
            ++c;
            digits = true;
        }
    }
    if (!digits)
        return false;
    if (*c == 'e' || *c == 'E') {
        ++c;
        if (*c == '+' || *c == '-')
            ++c;
        if (!is_digit(*c))
            return false;
        while (is_digit(*c))
            ++c;
    }
    return *c == '\0';
}

// Whether text names an infinity or NaN, as numpy and MATLAB write them.
bool is_not_finite(const char *text)
{
    const char *c = text;
    if (*c == '+' || *c == '-')
        ++c;
    char word[4] = {};
    for (int i = 0; i < 3 && c[i] != '\0'; ++i)
        word[i] = static_cast<char>(c[i] >= 'A' && c[i] <= 'Z' ? c[i] - 'A' + 'a' : c[i]);
    return std::strcmp(word, "inf") == 0 || std::strcmp(word, "nan") == 0;
}

// Writes text as an error line shows a value: its first bytes, each control
// character escaped.
void show_text(const char *text, char *out, std::size_t size)
{
    std::size_t written = 0;
    char shown[4];
    for (std::size_t i = 0; text[i] != '\0' && i < shown_token; ++i) {
        const std::size_t length = show_character(text[i], shown);
        if (written + length + 1 > size)
            break;
        std::memcpy(out + written, shown, length);
        written += length;
    }
    out[written] = '\0';
}

struct scanner {
    const char *path;
    design_kind kind;
    std::int32_t most;
    const char *too_many;
    char *message;
    std::size_t size;
    std::int32_t count;
    std::int32_t line;
    std::int32_t line_start; // the count when the line began
    char token[max_token + 1];
    std::size_t token_length;
    bool token_cut;
    bool in_comment;
};

// The path as an error line shows it.
const char *shown_path(const scanner &scan)
{
    static char path[4 * 256 + 1];
    std::size_t written = 0;
    char shown[4];
    for (const char *c = scan.path; *c != '\0'; ++c) {
        const std::size_t length = show_character(*c, shown);
        if (written + length + 1 > sizeof path)
            break;
        std::memcpy(path + written, shown, length);
        written += length;
    }
    path[written] = '\0';
    return path;
}

bool fail_on_line(scanner &scan, const char *format, const char *value)
{
    char what[256];
    std::snprintf(what, sizeof what, format, value);
    std::snprintf(scan.message, scan.size, "%s, line %ld: %s", shown_path(scan), static_cast<long>(scan.line),
                  what);
    return false;
}

// Takes the token that has just ended.
bool take_token(scanner &scan)
{
    if (scan.token_length == 0)
        return true;
    scan.token[scan.token_length] = '\0';
    scan.token_length = 0;
    char shown[4 * shown_token + 1];
    show_text(scan.token, shown, sizeof shown);
    double value = 0.0;
    if (!scan.token_cut && is_decimal(scan.token) && scan_double(scan.token, value) &&
        value - value == 0.0) {
        if (scan.count == scan.most * (scan.kind == design_kind::sections ? 6 : 1))
            return fail_on_line(scan, "%s", scan.too_many);
        values[scan.count] = value;
        lines[scan.count] = scan.line;
        ++scan.count;
        return true;
    }
    if (!scan.token_cut && (is_not_finite(scan.token) || is_decimal(scan.token)))
        return fail_on_line(scan, "not a finite number:  %s", shown);
    return fail_on_line(scan, "not a number:  %s", shown);
}

// Ends a line: of a biquad's, the section that it holds.
bool take_line(scanner &scan)
{
    if (scan.kind == design_kind::sections && scan.count > scan.line_start) {
        const std::int32_t numbers = scan.count - scan.line_start;
        if (numbers != 6) {
            char count[16];
            std::snprintf(count, sizeof count, "%ld", static_cast<long>(numbers));
            return fail_on_line(scan, "a section takes six numbers, b0 b1 b2 a0 a1 a2, not %s", count);
        }
        double *section = values + scan.line_start;
        const double a0 = section[3];
        if (a0 == 0.0)
            return fail_on_line(scan, "a0 is 0%s", "");
        for (int i = 0; i < 6; ++i)
            section[i] /= a0;
    }
    ++scan.line;
    scan.line_start = scan.count;
    scan.in_comment = false;
    return true;
}

bool take_character(scanner &scan, char c)
{
    if (c == '\n')
        return take_token(scan) && take_line(scan);
    if (scan.in_comment)
        return true;
    if (c == '#') {
        scan.in_comment = true;
        return take_token(scan);
    }
    if (is_separator(c))
        return take_token(scan);
    if (scan.token_length == 0)
        scan.token_cut = false;
    if (scan.token_length < max_token)
        scan.token[scan.token_length++] = c;
    else
        scan.token_cut = true;
    return true;
}

} // namespace

bool read_design(const char *path, design_kind kind, std::int32_t most, const char *too_many,
                 filter_design &design, char *message, std::size_t size)
{
    // Static, as it holds a block of the file, and the stack may be small.
    static scanner scan;
    scan = {};
    scan.path = path;
    scan.kind = kind;
    scan.most = most;
    scan.too_many = too_many;
    scan.message = message;
    scan.size = size;
    scan.line = 1;
    std::FILE *file = open_file_to_read(path);
    if (file == nullptr) {
        std::snprintf(message, size, "Unable to read %s: %s", shown_path(scan), std::strerror(errno));
        return false;
    }
    static char block[16384];
    bool good = true;
    std::size_t read = 0;
    while (good && (read = std::fread(block, 1, sizeof block, file)) > 0)
        for (std::size_t i = 0; good && i < read; ++i)
            good = take_character(scan, block[i]);
    const bool read_whole = !std::ferror(file);
    const int error = errno;
    std::fclose(file);
    if (good && !read_whole) {
        std::snprintf(message, size, "Unable to read %s: %s", shown_path(scan), std::strerror(error));
        return false;
    }
    // The last line may have no line end.
    if (!good || !take_character(scan, '\n'))
        return false;
    if (scan.count == 0) {
        std::snprintf(message, size, "%s holds no coefficients", shown_path(scan));
        return false;
    }
    design = {path, kind, values, lines, scan.count};
    return true;
}
