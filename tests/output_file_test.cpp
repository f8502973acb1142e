// Runs the tool with --output and --header as its users do, in a scratch
// folder, and checks that a file is replaced only by a complete one: on
// success it holds what standard output would, and on every failure an older
// file survives whole and no temporary file is left behind.

#include "scratch_folder.h"
#include "tool_under_test.h"
#include "twiddle_fixtures.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class OutputFile : public ScratchFolderTest {
protected:
    // Runs the tool in the scratch folder.
    process_result run_here(const std::vector<std::string> &args, const std::string &prelude = "")
    {
        process_options options;
        options.working_directory = folder.string();
        options.prelude = prelude;
        return run_tool(args, options);
    }
};

TEST_F(OutputFile, HoldsExactlyWhatStandardOutputWouldAndReplacesAnOlderFile)
{
    const std::vector<std::vector<std::string>> cases = {
        {"64"},
        {"-s", "1000.25", "32768"},
        {"--name=tw", "--align=gnu", "256"},
        {"--align=c11", "16", "--name", "t16"},
    };
    for (const auto &args : cases) {
        SCOPED_TRACE("args:" + bracketed(args));
        const process_result printed = run_here(args);
        ASSERT_EQ(printed.status, 0) << described(printed);

        write_file(folder / "twiddle.c", "an older table\n");
        std::vector<std::string> to_file = args;
        to_file.insert(to_file.begin(), "--output=twiddle.c");
        const process_result written = run_here(to_file);
        SCOPED_TRACE(described(written));
        EXPECT_EQ(written.status, 0);
        EXPECT_EQ(written.out, "");
        EXPECT_EQ(written.err, "");
        EXPECT_EQ(contents_of(folder), (folder_contents{{"twiddle.c", printed.out}}));
        fs::remove(folder / "twiddle.c");
    }
}

TEST_F(OutputFile, HeaderDeclaresTheArrayAndTheSourceIncludesIt)
{
    fs::create_directory(folder / "generated");
    write_file(folder / "generated" / "tw.h", "an older header\n");
    const process_result result = run_here({"--output", "generated/tw.c", "--name=tw", "-s", "500",
                                            "--header", "generated/tw.h", "128"});
    SCOPED_TRACE(described(result));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");

    table_request request = default_request(128, 500.0);
    request.array_name = "tw";
    request.header_path = "generated/tw.h";
    EXPECT_EQ(contents_of(folder / "generated"),
              (folder_contents{
                  {"tw.c", with_tool_line_ends(render(table_for(128, 500.0), request))},
                  {"tw.h", with_tool_line_ends(render_header(request))}}));

    // With the source on standard output, the header is still a file.
    const process_result printed = run_here({"--header=tw16.h", "16"});
    SCOPED_TRACE(described(printed));
    EXPECT_EQ(printed.status, 0);
    request = default_request(16, default_scale);
    request.header_path = "tw16.h";
    EXPECT_EQ(printed.out, with_tool_line_ends(render(table_for(16, default_scale), request)));
    EXPECT_EQ(read_file(folder / "tw16.h"), with_tool_line_ends(render_header(request)));
}

struct failure_case {
    std::vector<std::string> args;
    std::string error; // the start of the error line; empty for a fault in the command line
    std::string prelude;
};

TEST_F(OutputFile, EveryFailureLeavesTheOlderFilesWholeAndNoTemporaryFile)
{
    const std::string no_such_file = std::strerror(ENOENT);
    const failure_case cases[] = {
        {{"--output=missing/twiddle.c", "64"},
         "ERROR:  Unable to write missing/twiddle.c: " + no_such_file + "\n", ""},
        {{"--header=missing/twiddle.h", "--output=twiddle.c", "64"},
         "ERROR:  Unable to write missing/twiddle.h: " + no_such_file + "\n", ""},
        // The header is complete before the source fails, but is not put in
        // place without it.
        {{"--header=twiddle.h", "--output=missing/twiddle.c", "64"},
         "ERROR:  Unable to write missing/twiddle.c: " + no_such_file + "\n", ""},
        {{"--output=folder", "64"}, "ERROR:  Unable to write folder: ", ""},
        // A disk that fills up: the file may grow to 8 KiB, which the header
        // fits in and the largest source does not.
        {{"--output=twiddle.c", "32768"}, "ERROR:  Unable to write twiddle.c: ", "ulimit -f 16"},
        {{"--header=twiddle.h", "--output=twiddle.c", "32768"},
         "ERROR:  Unable to write twiddle.c: ", "ulimit -f 16"},
        {{"--output=twiddle.c", "100"}, "", ""},
        {{"--header=twiddle.h", "--output=twiddle.c", "--name=int", "64"}, "", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("args:" + bracketed(c.args) + ", prelude: " + c.prelude);
        fs::remove_all(folder);
        fs::create_directories(folder / "folder");
        write_file(folder / "twiddle.c", "an older table\n");
        write_file(folder / "twiddle.h", "an older header\n");
        const folder_contents before = contents_of(folder);

        const process_result result = run_here(c.args, c.prelude);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        if (c.error.empty())
            EXPECT_EQ(result.err.rfind(with_tool_line_ends(usage_text) + "ERROR:  ", 0), 0u)
                << result.err;
        else
            EXPECT_EQ(result.err.substr(0, with_tool_line_ends(c.error).size()),
                      with_tool_line_ends(c.error));
        EXPECT_EQ(contents_of(folder), before);
    }
}

// A file that replaces another keeps its permissions, as redirection into
// it would; a new one gets those redirection would give it.
TEST_F(OutputFile, PermissionsAreThoseOfRedirection)
{
    if (!tool_is_native())
        GTEST_SKIP() << "Windows files have no Unix permissions";
    write_file(folder / "shared.c", "an older table\n");
    fs::permissions(folder / "shared.c", fs::perms(0640));
    const process_result replacing = run_here({"--output=shared.c", "16"});
    ASSERT_EQ(replacing.status, 0) << described(replacing);
    EXPECT_EQ(fs::status(folder / "shared.c").permissions(), fs::perms(0640));

    const mode_t umask_now = umask(0);
    umask(umask_now);
    const process_result creating = run_here({"--output=new.c", "16"});
    ASSERT_EQ(creating.status, 0) << described(creating);
    EXPECT_EQ(fs::status(folder / "new.c").permissions(), fs::perms(0666 & ~umask_now));
}

} // namespace
