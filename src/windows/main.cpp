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

// The bytes of a UTF-16 argument in UTF-8, into out where it is not null;
// returns their number, with the terminating NUL. A lone surrogate, which
// UTF-8 cannot hold, becomes the three bytes that encode its value as any
// other: no path or number is ever read from them, since every later
// conversion takes UTF-8 alone, so that a name Windows could not spell back
// exactly is refused rather than taken for another.
std::size_t utf8_of(const wchar_t *wide, char *out)
{
    std::size_t bytes = 0;
    const auto put = [&](unsigned value) {
        if (out != nullptr)
            out[bytes] = static_cast<char>(value);
        ++bytes;
    };
    for (; *wide != L'\0'; ++wide) {
        unsigned code = static_cast<unsigned>(*wide);
        if (code >= 0xD800 && code < 0xDC00 && wide[1] >= 0xDC00 && wide[1] < 0xE000) {
            code = 0x10000 + ((code - 0xD800) << 10) + (static_cast<unsigned>(wide[1]) - 0xDC00);
            ++wide;
        }
        if (code < 0x80) {
            put(code);
        } else if (code < 0x800) {
            put(0xC0 | code >> 6);
            put(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            put(0xE0 | code >> 12);
            put(0x80 | (code >> 6 & 0x3F));
            put(0x80 | (code & 0x3F));
        } else {
            put(0xF0 | code >> 18);
            put(0x80 | (code >> 12 & 0x3F));
            put(0x80 | (code >> 6 & 0x3F));
            put(0x80 | (code & 0x3F));
        }
    }
    put(0);
    return bytes;
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
        bytes += utf8_of(wide_argv[i], nullptr);
    char **const argv = static_cast<char **>(
        std::malloc((static_cast<std::size_t>(argc) + 1) * sizeof(char *) + bytes));
    if (argv == nullptr) {
        std::fputs("ERROR:  Unable to allocate memory for the command line\n", stderr);
        return EXIT_FAILURE;
    }
    char *text = reinterpret_cast<char *>(argv + argc + 1);
    for (int i = 0; i < argc; ++i) {
        argv[i] = text;
        text += utf8_of(wide_argv[i], text);
    }
    argv[argc] = nullptr;
    reserve_standard_streams();
    return run_veltabgen(argc, argv, stdout, stderr);
}
