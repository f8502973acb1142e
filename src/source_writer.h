#ifndef VELTABGEN_SOURCE_WRITER_H
#define VELTABGEN_SOURCE_WRITER_H

#include <cstdint>
#include <cstdio>

// Writes to out a C source file that declares the n-entry twiddle table as the
// constant array w, after a header comment naming n and scale and an alignment
// pragma. Write errors are left in the stream's error state for the caller.
void write_twiddle_source(std::FILE *out, const std::int16_t *table, std::int32_t n,
                          double scale);

#endif
