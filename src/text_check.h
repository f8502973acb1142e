#ifndef VELTABGEN_TEXT_CHECK_H
#define VELTABGEN_TEXT_CHECK_H

#include <cstdint>
#include <cstdio>

#include "source_writer.h"

// Compares generated text, as a sink takes it, with a file's, byte for byte,
// a stream's buffer at a time: the file holds what the tool would write on
// this host, with CR LF line ends on Windows.
struct text_check {
    std::FILE *file;
    std::int32_t line;           // the line of the text being compared, from 1
    std::int32_t differing_line; // where the two first differ, or 0
    int read_error;              // errno of a failed read, or 0
};

// Opens the file at path to compare with. Returns false with errno set.
bool start_text_check(text_check &check, const char *path);

text_sink text_check_sink(text_check &check);

// Once the whole text has been taken, checks that the file holds no more,
// and closes it. Returns whether the file holds the text exactly; where it
// does not, differing_line or read_error says why.
bool finish_text_check(text_check &check);

#endif
