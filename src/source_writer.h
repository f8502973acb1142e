#ifndef VELTABGEN_SOURCE_WRITER_H
#define VELTABGEN_SOURCE_WRITER_H

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "table_request.h"

// Where generated text goes, a piece at a time: a stream, or what compares
// it with a file.
struct text_sink {
    void (*take)(void *context, const char *text, std::size_t size);
    void *context;
};

// The sink that writes to out. Write errors are left in the stream's error
// state for the caller.
text_sink stream_sink(std::FILE *out);

// Writes a C source file that defines the request.points-entry twiddle table
// as a constant array, after a header comment naming the size and scale, the
// #include of the request's header, if any, and its placement: its section,
// its bank or its 4-byte alignment.
void write_twiddle_source(text_sink out, const std::int16_t *table,
                          const table_request &request);
void write_twiddle_source(std::FILE *out, const std::int16_t *table,
                          const table_request &request);

// Writes a header that declares the array of write_twiddle_source, with C
// linkage, for C and C++ alike.
void write_twiddle_header(text_sink out, const table_request &request);
void write_twiddle_header(std::FILE *out, const table_request &request);

#endif
