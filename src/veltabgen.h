#ifndef VELTABGEN_VELTABGEN_H
#define VELTABGEN_VELTABGEN_H

#include <cstdio>

// The whole tool: reads the command line in argv (argv[0], the program's name,
// is not examined), writes the generated source, the help or the version to
// out, or the source and header to the files that the command line names, and
// any diagnostics, with the usage text for a fault in the command line, to
// err. Closes out, checking that everything written reached it. Returns the
// exit status: 0 when the whole of it was written, 1 after a reported fault,
// in which case nothing has been written to out and no named file has been
// changed.
int run_veltabgen(int argc, char *argv[], std::FILE *out, std::FILE *err);

#endif
