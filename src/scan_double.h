#ifndef VELTABGEN_SCAN_DOUBLE_H
#define VELTABGEN_SCAN_DOUBLE_H

// Reads the number at the start of text as sscanf(text, "%lf", &value) reads
// it with the GNU C library: the same texts are numbers (white space first,
// then a decimal or hexadecimal floating-point number, inf, infinity or nan,
// each with an optional sign; what follows is ignored), and the value is the
// correctly rounded double on every platform, whatever its own scanf does.
// Returns false, leaving value alone, where "%lf" finds no number.
bool scan_double(const char *text, double &value);

#endif
