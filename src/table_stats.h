#ifndef VELTABGEN_TABLE_STATS_H
#define VELTABGEN_TABLE_STATS_H

#include <cstdint>
#include <cstdio>

#include "table_layout.h"

// How far an array lies from the exact values it stands for: each entry's
// error is the entry minus its exact value (for the radix-2 table,
// -scale * cos(2 pi k / n) or -scale * sin(2 pi k / n)), computed for each
// entry directly, in extended precision, in LSB.
struct table_accuracy {
    double max_error;  // the largest absolute error
    double rms_error;  // the square root of the mean squared error
    double mean_error; // the mean signed error
    double snr_db;     // the exact values' power over the errors', in dB
    bool exact;        // every error is 0, and the SNR infinite
};

table_accuracy measure_array(const table_array &array);

// What the table costs an FFT: the signal-to-noise ratio, in dB, of an
// n-point radix-2 FFT computed in exact arithmetic but for its twiddle
// factors, which are the table's entries divided by the smallest power of
// two at or above the scale (as an FFT that shifts its products right by 15
// divides them by 32768), against the exact FFT, for white input. Infinite
// where the twiddle factors are exact.
//
// The FFT's error for white input is the error of its matrix, the sum over
// every path from an input to an output of the product of the twiddle
// factors along it. With r_k the relative error of twiddle factor k, that
// comes to E = (1/n^2) sum over m of [prod_s (1 + |1 + r_j|^2)
// - 2 Re prod_s (2 + r_j) + n], where stage s of the path m takes twiddle
// factor j = (m mod 2^(s-1)) n / 2^s; the SNR is -10 log10 E. Computed in
// extended precision, exactly rather than to first order, in O(n) twiddle
// factors.
double fft_snr_db(const std::int16_t *table, std::int32_t n, double scale);

// The bytes that the file defines in one build, on a 32-bit target: its
// arrays and instances (each structure laid out as the ARM EABI lays it out),
// where each test of the description holds whose bit of tests_holding is set.
long bytes_defined(const table_description &description, unsigned tests_holding);

// The bytes of the client's state, in RAM, that the file defines in the build.
long bytes_of_state(const table_description &description, unsigned tests_holding);

// Writes the report of --stats: what the table is, then for each array its
// accuracy and how many entries saturated, for a window its coherent gain and
// noise bandwidth, for the radix-2 table what it costs an FFT, and the bytes
// that the file defines in each build it can meet.
void write_table_report(std::FILE *out, const table_description &description);

#endif
