#ifndef VELTABGEN_LAYOUT_CMSIS_H
#define VELTABGEN_LAYOUT_CMSIS_H

// What the two CMSIS-DSP layouts share: the complex FFT's tables and
// instance, which the real FFT points at too, and the values' type.

#include "table_layout.h"

// The C type of the request's values (q15_t, q31_t), and of an instance of
// the given kind (arm_cfft_instance_q15 ...).
const char *cmsis_value_type(const table_request &request);

// Adds the arrays and the instance of CMSIS-DSP's n-point complex FFT, each
// named the request's name and suffix: the twiddle factors ("_twiddle"),
// the bit reversal ("_bitrev") and the instance itself ("").
void describe_cmsis_cfft(const table_request &request, table_description &description,
                         std::int32_t n, const char *suffix);

// The rows of the comment that name the layout, the type and the rounding.
void add_cmsis_rows(const table_request &request, table_description &description,
                    const char *functions);

// Fills every array of the description: the values, and the bit reversal.
void fill_cmsis(const table_request &request, table_description &description);

// Fills the index arrays of the description: the bit reversals.
void fill_bit_reversals(table_description &description);

#endif
