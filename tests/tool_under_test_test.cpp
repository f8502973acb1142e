// The harness that runs the Windows build under Wine tells a failure of Wine
// itself, which it runs again, from one of the tool, which it never does.

#include "tool_under_test.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(WineHarness, RecognisesOnlyWinesOwnFailures)
{
    const std::string loader =
        "Inconsistency detected by ld.so: dl-fini.c: 87: _dl_fini: Assertion `ns != "
        "LM_ID_BASE || i == nloaded' failed!";
    const std::string server = "wine client error:0: write: Bad file descriptor";
    const std::string memory =
        "err:virtual:virtual_alloc_first_teb wine: failed to map the shared user data: c0000018";
    const struct {
        std::string err;
        std::string failure;
    } cases[] = {
        {loader + "\n", loader},
        {loader, loader},
        {server + "\n", server},
        {memory + "\n", memory},
        {"0044:" + memory + "\n", "0044:" + memory},
        // The tool had finished, a fault of its command line reported, when
        // the loader failed at exit.
        {"USAGE\nERROR:  FFT size must be a power of 2\n\n" + loader + "\n", loader},
        {"", ""},
        {"ERROR:  Unable to write output: No space left on device\n", ""},
        {"USAGE\nERROR:  Must specify FFT size.\n", ""},
        {"0044:err:winediag:nodrv_CreateWindow L\"The explorer process failed to start.\"\n", ""},
        // A crash of the tool is the tool's own failure.
        {"wine: Unhandled page fault on read access to 0000000000000000 at address "
         "000000014000152B (thread 0024), starting debugger...\n",
         ""},
        // A signature counts only at the start of a line, never inside one of
        // the tool's.
        {"ERROR:  Unable to write " + loader + ": No such file or directory\n", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("standard error:\n" + c.err);
        EXPECT_EQ(wine_failure_in(c.err), c.failure);
    }
}

} // namespace
