// The mapping from Windows system errors to the errno values by which the
// tool reports a fault: each error that the tool can meet is told as Linux
// tells the same fault. Built with MinGW-w64 and run under Wine.

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <windows.h>

#include "error_mapping.h"

int main()
{
    const struct {
        const char *name;
        unsigned long windows_error;
        int expected;
    } cases[] = {
        {"ERROR_FILE_NOT_FOUND", ERROR_FILE_NOT_FOUND, ENOENT},
        {"ERROR_PATH_NOT_FOUND", ERROR_PATH_NOT_FOUND, ENOENT},
        {"ERROR_ACCESS_DENIED", ERROR_ACCESS_DENIED, EACCES},
        {"ERROR_SHARING_VIOLATION", ERROR_SHARING_VIOLATION, EACCES},
        {"ERROR_LOCK_VIOLATION", ERROR_LOCK_VIOLATION, EACCES},
        {"ERROR_FILE_EXISTS", ERROR_FILE_EXISTS, EEXIST},
        {"ERROR_ALREADY_EXISTS", ERROR_ALREADY_EXISTS, EEXIST},
        {"ERROR_DISK_FULL", ERROR_DISK_FULL, ENOSPC},
        {"ERROR_HANDLE_DISK_FULL", ERROR_HANDLE_DISK_FULL, ENOSPC},
        {"ERROR_NOT_SAME_DEVICE", ERROR_NOT_SAME_DEVICE, EXDEV},
        {"ERROR_NOT_ENOUGH_MEMORY", ERROR_NOT_ENOUGH_MEMORY, ENOMEM},
        {"ERROR_FILENAME_EXCED_RANGE", ERROR_FILENAME_EXCED_RANGE, ENAMETOOLONG},
        {"ERROR_DIRECTORY", ERROR_DIRECTORY, ENOTDIR},
        {"ERROR_INVALID_NAME", ERROR_INVALID_NAME, EINVAL},
        {"ERROR_BROKEN_PIPE", ERROR_BROKEN_PIPE, EPIPE},
        {"ERROR_NO_DATA", ERROR_NO_DATA, EPIPE},
        {"ERROR_PIPE_NOT_CONNECTED", ERROR_PIPE_NOT_CONNECTED, EPIPE},
        {"ERROR_GEN_FAILURE", ERROR_GEN_FAILURE, EIO},
    };
    int failures = 0;
    for (const auto &c : cases) {
        const int got = errno_of(c.windows_error);
        if (got != c.expected) {
            std::printf("%s: \"%s\", where Linux says \"%s\"\n", c.name, std::strerror(got),
                        std::strerror(c.expected));
            ++failures;
        }
    }
    std::printf("%d of %d mappings as Linux tells them\n",
                static_cast<int>(sizeof cases / sizeof cases[0]) - failures,
                static_cast<int>(sizeof cases / sizeof cases[0]));
    return failures == 0 ? 0 : 1;
}
