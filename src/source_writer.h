#ifndef VELTABGEN_SOURCE_WRITER_H
#define VELTABGEN_SOURCE_WRITER_H

#include <cstdint>
#include <cstdio>

#include "command_line.h"

// Writes to out a C source file that defines the request.points-entry
// twiddle table as a constant array, after a header comment naming the size
// and scale, the #include of the request's header, if any, and its request
// for a 4-byte alignment. Write errors are left in the stream's error state
// for the caller.
void write_twiddle_source(std::FILE *out, const std::int16_t *table,
                          const table_request &request);

// Writes to out a header that declares the array of write_twiddle_source,
// with C linkage, for C and C++ alike.
void write_twiddle_header(std::FILE *out, const table_request &request);

#endif
