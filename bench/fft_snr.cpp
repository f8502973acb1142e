// Measures the output SNR of the reference Q15 FFT (examples/fft_q15) with
// 16-bit data, by FFT size and by table, against the DFT in double precision
// with exact twiddle factors: the mean over 10 random inputs whose real and
// imaginary parts are uniform over -23170 ... 23170. Prints a Markdown table.

#include "fft_q15.h"
#include "fft_reference.h"
#include "twiddle_table.h"

#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

struct table_choice {
    const char *options;
    double scale;
    rounding_rule rule;
};

constexpr table_choice choices[] = {
    {"(none)", 32767.5, rounding_rule::toward_zero},
    {"`--round=nearest`", 32767.5, rounding_rule::nearest},
    {"`-s 32767 --round=nearest`", 32767.0, rounding_rule::nearest},
    {"`--scale=32768 --round=nearest`", 32768.0, rounding_rule::nearest},
};

constexpr int inputs = 10;

double mean_snr_db(std::int32_t n, const table_choice &choice)
{
    std::vector<std::int16_t> table(static_cast<std::size_t>(n));
    make_twiddle_table(table.data(), n, choice.scale, choice.rule);
    double total = 0.0;
    for (int seed = 1; seed <= inputs; ++seed) {
        const std::vector<short> input = random_q15_input(static_cast<std::size_t>(n),
                                                          static_cast<std::uint32_t>(seed));
        std::vector<short> output = input;
        fft_q15(output.data(), static_cast<unsigned>(n), table.data(), static_cast<unsigned>(n));
        total += q15_output_snr_db(input, output);
    }
    return total / inputs;
}

} // namespace

int main()
{
    std::printf("| N |");
    for (const table_choice &choice : choices)
        std::printf(" %s |", choice.options);
    std::printf("\n|---|");
    for (std::size_t i = 0; i < std::size(choices); ++i)
        std::printf("---|");
    std::printf("\n");
    for (std::int32_t n = 16; n <= 32768; n *= 2) {
        std::printf("| %d |", static_cast<int>(n));
        for (const table_choice &choice : choices)
            std::printf(" %.1f dB |", mean_snr_db(n, choice));
        std::printf("\n");
    }
    return 0;
}
