#ifndef VELTABGEN_TWIDDLE_TABLE_H
#define VELTABGEN_TWIDDLE_TABLE_H

#include <cstdint>

// Fills table[0] ... table[n - 1] with the n / 2 twiddle factors of an n-point
// radix-2 FFT: pair k holds -scale * cos(a) and -scale * sin(a) for the angle
// a = k * 2 * pi / n, each converted by to_short_saturated. n must be even and
// positive. Returns n, the number of entries written.
std::int32_t make_twiddle_table(std::int16_t *table, std::int32_t n, double scale);

// Truncates x toward zero, saturating at the limits of a signed 16-bit integer.
// x must not be NaN.
std::int16_t to_short_saturated(double x);

#endif
