#include "fft_reference.h"

#include <cmath>
#include <numbers>
#include <random>
#include <utility>

void radix2_fft(std::vector<std::complex<double>> &x,
                const std::vector<std::complex<double>> &twiddles)
{
    const std::size_t n = x.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1)
            j ^= bit;
        j |= bit;
        if (i < j)
            std::swap(x[i], x[j]);
    }
    for (std::size_t half = 1; half < n; half *= 2)
        for (std::size_t start = 0; start < n; start += 2 * half)
            for (std::size_t k = 0; k < half; ++k) {
                const std::complex<double> product =
                    twiddles[k * (n / (2 * half))] * x[start + k + half];
                x[start + k + half] = x[start + k] - product;
                x[start + k] += product;
            }
}

std::vector<std::complex<double>> exact_twiddles(std::size_t n)
{
    std::vector<std::complex<double>> twiddles(n / 2);
    for (std::size_t k = 0; k < n / 2; ++k)
        twiddles[k] = std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k) /
                                          static_cast<double>(n));
    return twiddles;
}

std::vector<short> random_q15_input(std::size_t n, std::uint32_t seed)
{
    std::mt19937 generator(seed);
    std::uniform_int_distribution<int> part(-23170, 23170);
    std::vector<short> x(2 * n);
    for (short &value : x)
        value = static_cast<short>(part(generator));
    return x;
}

double q15_output_snr_db(const std::vector<short> &input, const std::vector<short> &output)
{
    const std::size_t n = input.size() / 2;
    std::vector<std::complex<double>> exact(n);
    for (std::size_t i = 0; i < n; ++i)
        exact[i] = {static_cast<double>(input[2 * i]), static_cast<double>(input[2 * i + 1])};
    radix2_fft(exact, exact_twiddles(n));
    double signal = 0.0;
    double noise = 0.0;
    for (std::size_t m = 0; m < n; ++m) {
        const std::complex<double> want = exact[m] / static_cast<double>(n);
        signal += std::norm(want);
        noise += std::norm(std::complex<double>(output[2 * m], output[2 * m + 1]) - want);
    }
    return 10.0 * std::log10(signal / noise);
}
