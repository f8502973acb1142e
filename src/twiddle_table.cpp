#include "twiddle_table.h"

#include <cmath>

std::int16_t to_short_saturated(double x)
{
    if (x >= 32767.0)
        return 32767;
    if (x <= -32768.0)
        return -32768;
    return static_cast<std::int16_t>(x);
}

std::int32_t make_twiddle_table(std::int16_t *table, std::int32_t n, double scale)
{
    // The angle is accumulated and every pair takes the cosine and sine of its
    // own angle, with no use of symmetry: the entries near the truncation
    // boundaries depend on exactly these roundings, and the tables must match
    // those generated before, bit for bit.
    const double step = 6.283185307179586 / n;
    double angle = 0.0;
    for (std::int32_t i = 0; i < n; i += 2) {
        table[i] = to_short_saturated(-scale * std::cos(angle));
        table[i + 1] = to_short_saturated(-scale * std::sin(angle));
        angle += step;
    }
    return n;
}
