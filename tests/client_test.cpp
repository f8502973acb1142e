// Compiles the generated source as users do, with the host C compiler in
// strict C, and checks that the compiled array holds the computed table.

#include "tool_under_test.h"
#include "twiddle_fixtures.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct client_case {
    std::int32_t n;
    const char *scale_text;
    double scale;
};

// Fails the test with a step's diagnostics if the step failed or warned.
std::string checked(const process_result &result, const std::string &step)
{
    EXPECT_EQ(result.status, 0) << step << " failed:\n" << result.err;
    EXPECT_EQ(result.err, "") << step << " warned:\n" << result.err;
    return result.out;
}

std::string run_step(const std::vector<std::string> &command)
{
    return checked(run_process(command), command[0]);
}

TEST(GeneratedSource, CompilesInStrictCAndHoldsTheTable)
{
    std::vector<client_case> cases = {{256, "32767.6", 32767.6}, {1024, "1000.5", 1000.5}};
    for (std::int32_t n : valid_sizes)
        cases.push_back({n, nullptr, default_scale});
    const fs::path dir = fs::temp_directory_path() / ("veltabgen-client-" + std::to_string(getpid()));
    fs::create_directories(dir);
    const std::vector<std::string> strict_c = {"-std=c99", "-pedantic-errors", "-Wall", "-Wextra",
                                               "-Werror", "-Wno-unknown-pragmas"};

    for (const auto &c : cases) {
        SCOPED_TRACE("N " + std::to_string(c.n) + ", scale " + std::to_string(c.scale));
        std::vector<std::string> args;
        if (c.scale_text != nullptr)
            args.insert(args.end(), {"-s", c.scale_text});
        args.push_back(std::to_string(c.n));
        const fs::path source = dir / "twiddle.c";
        std::ofstream(source, std::ios::binary) << checked(run_tool(args), "veltabgen");

        const fs::path object = dir / "twiddle.o";
        const fs::path checker = dir / "checker";
        std::vector<std::string> compile = {C_COMPILER};
        compile.insert(compile.end(), strict_c.begin(), strict_c.end());
        compile.insert(compile.end(), {"-c", source.string(), "-o", object.string()});
        run_step(compile);

        std::vector<std::string> link = {C_COMPILER};
        link.insert(link.end(), strict_c.begin(), strict_c.end());
        link.insert(link.end(), {"-DTWIDDLE_ENTRIES=" + std::to_string(c.n), CHECKER_SOURCE,
                                 object.string(), "-o", checker.string()});
        run_step(link);
        if (HasFailure())
            break;

        std::istringstream printed(run_step({checker.string()}));
        std::vector<std::int16_t> compiled;
        for (int value; printed >> value;)
            compiled.push_back(static_cast<std::int16_t>(value));

        EXPECT_EQ(compiled, table_for(c.n, c.scale));
    }
    fs::remove_all(dir);
}

} // namespace
