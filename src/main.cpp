// veltabgen: writes the twiddle-factor table of an N-point fixed-point radix-2
// FFT to standard output as C source.

#include <cstdio>

#include "veltabgen.h"

int main(int argc, char *argv[])
{
    return run_veltabgen(argc, argv, stdout, stderr);
}
