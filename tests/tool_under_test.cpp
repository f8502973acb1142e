#include "tool_under_test.h"

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string_view>

namespace {

// The starts of the lines by which Wine, or the loader beneath it, reports a
// failure of its own: never a line the tool writes, nor one Wine writes for a
// fault of the program it runs (an unhandled exception is the tool's).
constexpr std::string_view wine_failure_signatures[] = {
    // glibc's loader, as Wine's process ends after the program has.
    "Inconsistency detected by ld.so: ",
    // The connection to the wineserver broke down.
    "wine client error:",
    // Wine could not start the program at all: its memory could not be laid
    // out (seen on a loaded machine, with status 1 and nothing else), or its
    // own libraries could not be loaded.
    "err:virtual:",
    "wine: could not load ",
    "wine: failed to ",
};

// Wine's debugging lines may begin with the thread's number: "0044:err:...".
std::string_view without_thread_number(std::string_view line)
{
    const std::size_t colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos ||
        line.substr(0, colon).find_first_not_of("0123456789abcdef") != std::string_view::npos)
        return line;
    return line.substr(colon + 1);
}

constexpr int wine_reruns = 2;

bool writes_crlf()
{
    const char *line_ends = std::getenv("VELTABGEN_TEST_LINE_ENDS");
    return line_ends != nullptr && std::string(line_ends) == "crlf";
}

} // namespace

bool tool_is_native()
{
    const char *command = std::getenv("VELTABGEN_TEST_COMMAND");
    return command == nullptr || *command == '\0';
}

std::vector<std::string> tool_command()
{
    if (tool_is_native())
        return {VELTABGEN_TOOL};
    std::vector<std::string> words;
    std::istringstream stream(std::getenv("VELTABGEN_TEST_COMMAND"));
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

process_result run_tool(const std::vector<std::string> &args, const process_options &options)
{
    std::vector<std::string> command = tool_command();
    command.insert(command.end(), args.begin(), args.end());
    return run_around_tool(command, options);
}

process_result run_around_tool(const std::vector<std::string> &command, const process_options &options)
{
    return tool_is_native() ? run_process(command, options) : run_under_wine(command, options);
}

std::string wine_failure_in(const std::string &err)
{
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);)
        for (std::string_view signature : wine_failure_signatures)
            if (without_thread_number(line).substr(0, signature.size()) == signature)
                return line;
    return "";
}

process_result run_under_wine(const std::vector<std::string> &command,
                              const process_options &options)
{
    process_result result = run_process(command, options);
    for (int rerun = 1; rerun <= wine_reruns; ++rerun) {
        const std::string failure = wine_failure_in(result.err);
        if (failure.empty())
            break;
        std::cerr << "Wine itself failed (" << failure << "), with status " << result.status
                  << ", running" << bracketed(command) << "; running it again (" << rerun
                  << " of " << wine_reruns << ")" << std::endl;
        result = run_process(command, options);
    }
    return result;
}

std::string classic_usage()
{
    const char *lines[] = {
        "",
        "USAGE",
        "    This is a stand-alone program intended to generate twiddle-factor",
        "    arrays for the QMX_cfftbf library routine.  It is called as follows:",
        "",
        "        veltabgen [-s scale] N > outputfile.c",
        "",
        "    The argument 'N' specifies the size of the FFT.  This value",
        "    must be a power of 2.  The switch '-s scale' allows selecting",
        "    a different scale factor for the coefficients.  The default",
        "    scale factor is 32767.5.",
        "",
        "    This program will generate the twiddle factor array 'w' and",
        "    output the result to the display.  Redirect the output to",
        "    a file as shown above.",
        "",
    };
    std::string text;
    for (const std::string line : lines)
        text += line + std::string(72 - line.size(), ' ') + "\n";
    return text;
}

std::string options_usage()
{
    return "Usage: veltabgen [-s scale | --scale=S] [--round=RULE] [--layout=LAYOUT]\n"
           "                 [--type=TYPE] [--window=WINDOW] [--symmetric]\n"
           "                 [--sample-rate=HZ] [--mel-filters=M] [--dct-outputs=K]\n"
           "                 [--fmin=HZ] [--fmax=HZ] [--frame-length=L]\n"
           "                 [--coefficients=FILE] [--name=IDENT] [--align=STYLE]\n"
           "                 [--section=NAME] [--bank=B] [--header=FILE] [--output=FILE]\n"
           "                 [--check | --stats] N\n"
           "       veltabgen --help | --version\n"
           "Run 'veltabgen --help' for what each option does.\n";
}

std::string with_tool_line_ends(const std::string &text)
{
    if (!writes_crlf())
        return text;
    std::string converted;
    for (char c : text) {
        if (c == '\n')
            converted += '\r';
        converted += c;
    }
    return converted;
}

std::string bracketed(const std::vector<std::string> &args)
{
    std::string text;
    for (const std::string &arg : args)
        text += " [" + arg + "]";
    return text;
}

std::string described(const process_result &result)
{
    return "run:" + bracketed(result.command) + "\nexit status: " +
           std::to_string(result.status) + "\nstandard error:\n" + result.err + "(end)";
}
