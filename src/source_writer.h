#ifndef VELTABGEN_SOURCE_WRITER_H
#define VELTABGEN_SOURCE_WRITER_H

#include <cstddef>
#include <cstdio>

#include "table_layout.h"
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

// Writes a C source file that defines the described arrays as constants,
// and then the instances that point at them: after a comment that records
// what they are, the #include of the request's header, if any (else of the
// header that declares the instances' types), and each array's placement:
// its section, its bank or its 4-byte alignment.
void write_twiddle_source(text_sink out, const table_description &description,
                          const table_request &request);

// Writes a header that declares the arrays and instances of
// write_twiddle_source, with C linkage, for C and C++ alike.
void write_twiddle_header(text_sink out, const table_description &description,
                          const table_request &request);

#endif
