// How the tool behaves when its machine runs short, of memory at any
// allocation or of stack: each fault must end in a documented message and
// status 1, never in a crash.

#include "scratch_folder.h"
#include "tool_under_test.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class ResourceFaults : public ScratchFolderTest {};

struct allocation_case {
    std::vector<std::string> args;
    std::set<std::string> failures; // the error lines a failed allocation may cause
};

// The k-th allocation fails, and every one after it, for k from 1 up: each
// run must give what it gives with memory to spare, or fail with one of the
// documented messages, nothing on standard output and no file changed.
TEST_F(ResourceFaults, EveryAllocationFailureEndsInADocumentedMessage)
{
    const std::string no_memory = std::strerror(ENOMEM);
    const std::string table_message = "ERROR:  Unable to allocate memory for twiddle factors\n";
    const allocation_case cases[] = {
        {{"64"}, {table_message}},
        {{"-s", "0", "64"}, {}},
        {{"--help"}, {}},
        {{"--output=tw.c", "--header=tw.h", "32768"},
         {table_message, "ERROR:  Unable to write tw.h: " + no_memory + "\n",
          "ERROR:  Unable to write tw.c: " + no_memory + "\n"}},
    };
    constexpr int max_allocations = 64;

    for (const auto &c : cases) {
        SCOPED_TRACE("args:" + bracketed(c.args));
        fs::remove_all(folder);
        fs::create_directories(folder);
        write_file(folder / "tw.c", "an older table\n");
        const folder_contents older = contents_of(folder);

        process_options options;
        options.working_directory = folder.string();
        const process_result expected = run_tool(c.args, options);
        const folder_contents expected_files = contents_of(folder);
        std::set<std::string> failures_seen;
        bool last_as_expected = false;
        for (int k = 1; k <= max_allocations; ++k) {
            SCOPED_TRACE("allocations fail from the " + std::to_string(k) + "th");
            fs::remove_all(folder);
            fs::create_directories(folder);
            write_file(folder / "tw.c", "an older table\n");
            options.prelude = "export LD_PRELOAD=" FAIL_ALLOCATION_LIBRARY
                             " FAIL_ALLOCATION_FROM=" + std::to_string(k);
            const process_result result = run_tool(c.args, options);
            SCOPED_TRACE(described(result));
            last_as_expected = result.status == expected.status && result.out == expected.out &&
                               result.err == expected.err;
            if (last_as_expected) {
                EXPECT_EQ(contents_of(folder), expected_files);
                continue;
            }
            EXPECT_EQ(result.status, 1);
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(c.failures.count(result.err), 1u) << result.err;
            EXPECT_EQ(contents_of(folder), older);
            failures_seen.insert(result.err);
            if (HasFailure())
                break;
        }
        // Every message was reached, so the preloaded library did its work,
        // and the last run had all the allocations it needed, so every one
        // of them has been made to fail.
        EXPECT_EQ(failures_seen, c.failures);
        EXPECT_TRUE(last_as_expected);
    }
}

// Runs a process with a stack of at most kib KiB, its address space laid out
// the same on every run: with the start of the stack at a random offset,
// the room left for the program would vary by a few KiB from run to run.
process_options small_stack(int kib)
{
    process_options options;
    options.prelude = "ulimit -s " + std::to_string(kib) + " && set -- setarch -R \"$@\"";
    return options;
}

int smallest_stack_kib(const std::vector<std::string> &command, int expected_status)
{
    for (int kib = 4; kib <= 256; ++kib)
        if (run_process(command, small_stack(kib)).status == expected_status)
            return kib;
    return -1;
}

// A small stack is no reason to crash: the tool must run in 4 KiB more stack
// than a plain C program that formats a line to each stream.
TEST_F(ResourceFaults, RunsInLittleMoreStackThanAPlainCProgram)
{
    if (run_process({"/bin/sh", "-c", "setarch -R true"}).status != 0)
        GTEST_SKIP() << "setarch -R cannot fix the layout of the address space here";
    const int plain_c = smallest_stack_kib({STACK_PROBE}, 0);
    ASSERT_GT(plain_c, 0);
    const std::vector<std::vector<std::string>> cases = {
        {"32768"},
        {"-s", "0x1p9", "-x"},
        {"--help"},
        {"--output=" + (folder / "tw.c").string(), "--header=" + (folder / "tw.h").string(),
         "32768"},
    };
    for (const auto &args : cases) {
        SCOPED_TRACE("args:" + bracketed(args));
        const process_result expected = run_tool(args);
        const process_result result = run_tool(args, small_stack(plain_c + 4));
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, expected.status);
        EXPECT_EQ(result.out, expected.out);
        EXPECT_EQ(result.err, expected.err);
    }
}

} // namespace
