// veltabgen: writes the twiddle-factor table of an N-point fixed-point radix-2
// FFT to standard output as C source.

#include <csignal>
#include <cstdio>
#include <fcntl.h>

#include "veltabgen.h"

namespace {

// A standard stream that was closed when the process started is opened on
// the null device, so that no file the tool opens takes its number; opened
// the other way round from the stream's own direction, it still fails every
// read or write as a closed one would.
void reserve_standard_streams()
{
    for (int fd = 0; fd <= 2; ++fd)
        if (fcntl(fd, F_GETFD) < 0)
            open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
}

} // namespace

int main(int argc, char *argv[])
{
    reserve_standard_streams();
    // A file grown past the process's size limit is a failed write, reported
    // as a full disk is, not a reason to end the process silently.
    std::signal(SIGXFSZ, SIG_IGN);
    return run_veltabgen(argc, argv, stdout, stderr);
}
