/* Runs fft_q15 on fixed inputs and prints every value of its output: three
 * sizes, each with a tone and with a pseudo-random input, all three read
 * from one 1024-point table. The host and a Cortex-M firmware print the
 * same text, bit for bit, so that the two can be compared. */
#include "demo_output.h"
#include "fft_q15.h"
#include "twiddle_1024.h"

#define TABLE_POINTS 1024u

static short data[2 * TABLE_POINTS];

static void write_number(long value)
{
    char text[16];
    char *end = text + sizeof text - 1;
    unsigned long magnitude = value < 0 ? 0ul - (unsigned long)value : (unsigned long)value;
    *end = '\0';
    do {
        *--end = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        *--end = '-';
    write_text(end);
}

/* A complex tone e^(-j 2 pi bin i / n) of magnitude 23170, from the table
 * itself: its pairs cover the upper half circle, and the lower half is the
 * upper one negated. */
static void make_tone(unsigned n, unsigned bin)
{
    unsigned i;
    for (i = 0; i < n; ++i) {
        const unsigned turn = (bin * i) % n;
        const unsigned k = (turn % (n / 2)) * (TABLE_POINTS / n);
        const long sign = turn < n / 2 ? 1 : -1;
        data[2 * i] = (short)(sign * -twiddle_1024[2 * k] * 23170L / 32768);
        data[2 * i + 1] = (short)(sign * twiddle_1024[2 * k + 1] * 23170L / 32768);
    }
}

/* Values uniform over -23170 ... 23170, from a linear congruential
 * generator: the same on every machine. */
static void make_noise(unsigned n)
{
    unsigned long state = 12345u;
    unsigned i;
    for (i = 0; i < 2 * n; ++i) {
        state = (state * 1664525u + 1013904223u) & 0xFFFFFFFFu;
        data[i] = (short)((long)((state >> 8) % 46341u) - 23170);
    }
}

static void print_output(unsigned n, const char *input)
{
    unsigned i;
    write_text("fft ");
    write_number((long)n);
    write_text(" ");
    write_text(input);
    write_text("\n");
    for (i = 0; i < n; ++i) {
        write_number(data[2 * i]);
        write_text(" ");
        write_number(data[2 * i + 1]);
        write_text("\n");
    }
}

int main(void)
{
    static const unsigned sizes[] = {64, 256, 1024};
    unsigned i;
    for (i = 0; i < sizeof sizes / sizeof sizes[0]; ++i) {
        make_tone(sizes[i], sizes[i] / 8 + 1);
        fft_q15(data, sizes[i], twiddle_1024, TABLE_POINTS);
        print_output(sizes[i], "tone");
        make_noise(sizes[i]);
        fft_q15(data, sizes[i], twiddle_1024, TABLE_POINTS);
        print_output(sizes[i], "noise");
    }
    return 0;
}
