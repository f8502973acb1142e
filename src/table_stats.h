#ifndef VELTABGEN_TABLE_STATS_H
#define VELTABGEN_TABLE_STATS_H

#include <cstdint>
#include <cstdio>

#include "table_request.h"

// How far a table lies from the exact values it stands for: each entry's
// error is the entry minus -scale * cos(2 pi k / n) or -scale * sin(2 pi k / n),
// computed for each pair k directly, in extended precision, in LSB.
struct table_accuracy {
    double max_error;  // the largest absolute error
    double rms_error;  // the square root of the mean squared error
    double mean_error; // the mean signed error
    double snr_db;     // the exact values' power over the errors', in dB
    bool exact;        // every error is 0, and the SNR infinite
};

table_accuracy measure_table(const std::int16_t *table, std::int32_t n, double scale);

// Writes the report of --stats: the table's size, scale and rounding, its
// accuracy and how many entries saturated.
void write_table_report(std::FILE *out, const std::int16_t *table, const table_request &request);

#endif
