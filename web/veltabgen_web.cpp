// The tool's entry in the browser page: runs the whole tool, command line
// included, with its standard output and standard error written to files in
// the page's memory, which the page then reads back byte for byte.

#include <cstdio>

#include <emscripten/emscripten.h>

#include "veltabgen.h"

extern "C" EMSCRIPTEN_KEEPALIVE int veltabgen_run(int argc, char *argv[])
{
    std::FILE *const out = std::fopen("/run/out", "w");
    std::FILE *const err = std::fopen("/run/err", "w");
    if (out == nullptr || err == nullptr)
        return 2;
    const int status = run_veltabgen(argc, argv, out, err); // closes out
    std::fclose(err);
    return status;
}
