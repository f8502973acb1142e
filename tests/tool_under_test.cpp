#include "tool_under_test.h"

#include <cstdlib>
#include <sstream>

namespace {

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

process_result run_tool(const std::vector<std::string> &args, const process_options &options)
{
    std::vector<std::string> command = tool_command();
    command.insert(command.end(), args.begin(), args.end());
    return run_process(command, options);
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
