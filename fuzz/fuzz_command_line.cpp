// Runs the whole tool in process on an argument vector made from the input,
// and checks that the run produced one of the two results a run may have: the
// complete source with nothing on standard error and status 0, or nothing on
// standard output, the usage text with at most one documented error line, and
// status 1.

#include "veltabgen.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr std::size_t max_arguments = 8;

std::string usage_text;

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

// The input is the arguments after the program's name, separated by NUL
// bytes; an empty input stands for no arguments.
run_result run(const std::uint8_t *data, std::size_t size)
{
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
    result.status = run_veltabgen(static_cast<int>(args.size()), argv.data(), out, err);
    std::fclose(out);
    std::fclose(err);
    result.out.assign(out_text, out_size);
    result.err.assign(err_text, err_size);
    std::free(out_text);
    std::free(err_text);
    return result;
}

bool starts_with(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool is_upper_hex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
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

void check_source(const run_result &result)
{
    require(result.err.empty(), "a successful run writes nothing to standard error", result.err);
    std::string_view text = result.out;
    const std::string_view whole = text;

    for (int line = 0; line < 13; ++line) {
        const std::size_t newline = text.find('\n');
        require(newline == 74, "header lines are 74 characters wide", whole);
        text.remove_prefix(newline + 1);
    }
    std::string_view points = whole.substr(2 * 75 + std::strlen("/*      Number of points:    "));
    const long n = read_number(points);
    require(n >= 16 && n <= 32768 && (n & (n - 1)) == 0, "a valid size in the header", whole);

    const std::string_view pragma =
        "\n#pragma DATA_ALIGN(w, 4);  /* Remove this if using DATA_MEM_BANK */\n\n";
    require(starts_with(text, pragma), "the alignment pragma", whole);
    text.remove_prefix(pragma.size());

    const std::string_view declaration = "const short w[2 * ";
    require(starts_with(text, declaration), "the declaration", whole);
    text.remove_prefix(declaration.size());
    require(read_number(text) == n / 2, "the declaration counts N / 2 pairs", whole);
    require(starts_with(text, "] =\n{"), "the declaration's opening brace", whole);
    text.remove_prefix(std::strlen("] =\n{"));

    for (long i = 0; i < n; ++i) {
        const std::string_view separator = i == 0 ? "\n    " : i % 8 == 0 ? ",\n    " : ", ";
        require(starts_with(text, separator), "an entry separator", text.substr(0, 80));
        text.remove_prefix(separator.size());
        require(text.size() >= 7 && (text[0] == ' ' || text[0] == '-') && text[1] == '0' &&
                    text[2] == 'x' && is_upper_hex(text[3]) && is_upper_hex(text[4]) &&
                    is_upper_hex(text[5]) && is_upper_hex(text[6]),
                "an entry of seven characters", text.substr(0, 80));
        require(!starts_with(text, "-0x0000"), "zero has no minus sign", text.substr(0, 80));
        text.remove_prefix(7);
    }
    require(text == "\n};\n", "the closing, and nothing after it", text.substr(0, 80));
}

bool is_documented_message(std::string_view message)
{
    static const std::string_view fixed[] = {
        "The -s switch requires a numeric argument.\n",
        "Scale factor out of range.\n",
        "FFT size must be between 16 and 32768 points.",
        "FFT size must be a power of 2\n",
        "Must specify FFT size.",
    };
    for (std::string_view documented : fixed)
        if (message == documented)
            return true;

    const std::string_view bad_switch = "Unrecognized switch character: '";
    if (starts_with(message, bad_switch))
        return message.size() == bad_switch.size() + 3 && message.substr(bad_switch.size() + 1) == "'\n";

    const std::string_view bad_argument = "Unrecognized argument:  ";
    return starts_with(message, bad_argument) && message.back() == '\n' &&
           message.size() <= bad_argument.size() + 32 + 1;
}

void check_fault(const run_result &result)
{
    require(result.out.empty(), "a failed run writes nothing to standard output", result.out);
    std::string_view err = result.err;
    require(starts_with(err, usage_text), "the usage text comes first", err);
    err.remove_prefix(usage_text.size());
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
    const run_result bare = run(nullptr, 0);
    require(bare.status == 1 && bare.out.empty() && bare.err.size() == 16 * 73,
            "no arguments give the sixteen-line usage text alone", bare.err);
    usage_text = bare.err;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const run_result result = run(data, size);
    require(result.status == 0 || result.status == 1, "the status is 0 or 1", result.err);
    if (result.status == 0)
        check_source(result);
    else
        check_fault(result);
    return 0;
}
