#ifndef VELTABGEN_COEFFICIENT_FILE_H
#define VELTABGEN_COEFFICIENT_FILE_H

// A filter's design, as the user's own tool wrote it to a file: numbers
// separated by white space or commas, in C-locale decimal or exponent form,
// with "#" to the end of a line a comment, as numpy.savetxt and MATLAB's
// writematrix write them. A biquad cascade has one second-order section to
// a line, b0 b1 b2 a0 a1 a2 (scipy's sos, MATLAB's SOS matrix); an FIR its
// taps h[0] ... h[N-1] in time order, any number to a line.

#include <cstddef>
#include <cstdint>

// What the file holds.
enum class design_kind {
    sections, // six numbers to a line
    taps,     // any number to a line
};

// The most numbers that a file may hold, and so the most taps.
constexpr std::int32_t max_design_values = 65536;

struct filter_design {
    const char *path;
    design_kind kind;
    // The numbers, in the file's order; of a section, each divided by its
    // a0, which is then 1.
    const double *values;
    const std::int32_t *lines; // the line of each number
    std::int32_t count;
};

// Reads the design from path, whole, and closes the file: at most most
// sections (six numbers each) or taps, past which too_many tells what is
// wrong. On a fault returns false with the error line's text in message:
// the file, the line and what is wrong, or why the file cannot be read.
// The numbers are held in static storage, to the next reading.
bool read_design(const char *path, design_kind kind, std::int32_t most, const char *too_many,
                 filter_design &design, char *message, std::size_t size);

#endif
