// veltabgen: writes the twiddle-factor table of an N-point fixed-point radix-2
// FFT to standard output as C source.

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "veltabgen.h"

namespace {

// A standard stream that was closed when the process started is opened on
// the null device, so that no file the tool opens takes its number; opened
// the other way round from the stream's own direction, it still fails every
// read or write as a closed one would.
void reserve_standard_streams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (_get_osfhandle(fd) != -1)
            continue;
        const int null_device = _open("NUL", fd == 0 ? _O_WRONLY : _O_RDONLY);
        if (null_device >= 0 && null_device != fd) {
            _dup2(null_device, fd);
            _close(null_device);
        }
    }
}

} // namespace

// Windows hands a narrow main its arguments in the ANSI code page, whose
// best-fit mapping turns look-alikes into ASCII (a full-width "６４" into the
// valid size "64"). The arguments are taken as UTF-16 instead and converted
// to UTF-8, so that the tool sees the bytes it would see on Linux.
int wmain(int argc, wchar_t *wide_argv[])
{
    std::size_t bytes = 0;
    for (int i = 0; i < argc; ++i)
        bytes += static_cast<std::size_t>(
            WideCharToMultiByte(CP_UTF8, 0, wide_argv[i], -1, nullptr, 0, nullptr, nullptr));
    char **const argv = static_cast<char **>(
        std::malloc((static_cast<std::size_t>(argc) + 1) * sizeof(char *) + bytes));
    if (argv == nullptr) {
        std::fputs("ERROR:  Unable to allocate memory for the command line\n", stderr);
        return EXIT_FAILURE;
    }
    char *text = reinterpret_cast<char *>(argv + argc + 1);
    for (int i = 0; i < argc; ++i) {
        argv[i] = text;
        const int written = WideCharToMultiByte(CP_UTF8, 0, wide_argv[i], -1, text,
                                                static_cast<int>(bytes), nullptr, nullptr);
        text += written;
        bytes -= static_cast<std::size_t>(written);
    }
    argv[argc] = nullptr;
    reserve_standard_streams();
    return run_veltabgen(argc, argv, stdout, stderr);
}
