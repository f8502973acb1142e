#ifndef VELTABGEN_SCAN_DOUBLE_H
#define VELTABGEN_SCAN_DOUBLE_H

// Reads the number at the start of text as sscanf(text, "%lf", &value) reads
// it with the GNU C library: the same texts are numbers (white space first,
// then a decimal or hexadecimal floating-point number, inf, infinity or nan,
// each with an optional sign; what follows is ignored), and the value is the
// correctly rounded double on every platform, whatever its own scanf does.
// Returns false, leaving value alone, where "%lf" finds no number.
bool scan_double(const char *text, double &value);

// The room for any finite double in plain decimal notation: 309 digits
// before the point of the largest, or 324 decimals of the smallest.
constexpr int max_decimal_text = 344;

// Writes value, finite, in plain decimal notation ("16000.14", "0.5",
// "10000000"), with the fewest decimals that scan_double reads back as
// value: the number as it was given, whatever notation it was given in,
// and never one that stands for another. out holds max_decimal_text bytes.
void write_decimal(double value, char *out);

#endif
