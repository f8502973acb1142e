#include "twiddle_table.h"

#include <cmath>

namespace {

// Hands each pair's two entries, before their conversion, to use. The angle
// is accumulated and every pair takes the cosine and sine of its own angle,
// with no use of symmetry: the entries near the truncation boundaries depend
// on exactly these roundings, and the tables must match those generated
// before, bit for bit.
template <typename pair_user>
void for_each_pair(std::int32_t n, double scale, pair_user use)
{
    const double step = 6.283185307179586 / n;
    double angle = 0.0;
    for (std::int32_t i = 0; i < n; i += 2) {
        use(i, -scale * std::cos(angle), -scale * std::sin(angle));
        angle += step;
    }
}

} // namespace

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
    // The loop of for_each_pair, written out: the default table is the one
    // that every build generates, and so costs no more than it always has.
    const double step = 6.283185307179586 / n;
    double angle = 0.0;
    for (std::int32_t i = 0; i < n; i += 2) {
        table[i] = to_short_saturated(-scale * std::cos(angle));
        table[i + 1] = to_short_saturated(-scale * std::sin(angle));
        angle += step;
    }
    return n;
}

std::int32_t make_twiddle_table(std::int16_t *table, std::int32_t n, double scale,
                                rounding_rule rule)
{
    if (rule == rounding_rule::toward_zero)
        return make_twiddle_table(table, n, scale);
    for_each_pair(n, scale, [&](std::int32_t i, double cosine_term, double sine_term) {
        bool saturated = false;
        table[i] = static_cast<std::int16_t>(to_fixed(cosine_term, rule, 16, saturated));
        table[i + 1] = static_cast<std::int16_t>(to_fixed(sine_term, rule, 16, saturated));
    });
    return n;
}

std::int32_t count_saturated(std::int32_t n, double scale, rounding_rule rule)
{
    const auto beyond_limits = [rule](double entry) {
        bool saturated = false;
        to_fixed(entry, rule, 16, saturated);
        return saturated;
    };
    std::int32_t saturated = 0;
    for_each_pair(n, scale, [&](std::int32_t, double cosine_term, double sine_term) {
        saturated += (beyond_limits(cosine_term) ? 1 : 0) + (beyond_limits(sine_term) ? 1 : 0);
    });
    return saturated;
}
