// Runs the whole tool in process, on streams that fail as a file system may.

#include "veltabgen.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A stream whose every write succeeds but whose close fails, as one on a
// network file system or over its quota may.
std::FILE *stream_failing_at_close(int error)
{
    static int close_error;
    close_error = error;
    cookie_io_functions_t functions{};
    functions.write = [](void *, const char *, std::size_t size) -> ssize_t {
        return static_cast<ssize_t>(size);
    };
    functions.close = [](void *) {
        errno = close_error;
        return -1;
    };
    return fopencookie(nullptr, "w", functions);
}

TEST(RunVeltabgen, FailedCloseOfStandardOutputIsReported)
{
    for (const std::vector<const char *> &args :
         {std::vector<const char *>{"veltabgen", "16"}, {"veltabgen", "--version"}}) {
        std::FILE *out = stream_failing_at_close(EDQUOT);
        char *err_text = nullptr;
        std::size_t err_size = 0;
        std::FILE *err = open_memstream(&err_text, &err_size);
        ASSERT_NE(out, nullptr);
        ASSERT_NE(err, nullptr);
        std::vector<char *> argv;
        for (const char *arg : args)
            argv.push_back(const_cast<char *>(arg));
        argv.push_back(nullptr);

        const int status = run_veltabgen(static_cast<int>(args.size()), argv.data(), out, err);
        std::fclose(err);
        const std::string reported(err_text, err_size);
        std::free(err_text);
        EXPECT_EQ(status, 1) << args[1];
        EXPECT_EQ(reported, std::string("ERROR:  Unable to write output: ") +
                                std::strerror(EDQUOT) + "\n")
            << args[1];
    }
}

} // namespace
