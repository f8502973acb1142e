#ifndef VELTABGEN_LAYOUT_WINDOW_H
#define VELTABGEN_LAYOUT_WINDOW_H

// A window function's table: what the window layout writes, and the MFCC
// layout too, for its frames.

#include "table_layout.h"

// The windows as --window names them, in the order of window_kind.
extern const char *const window_names[];

// Adds an array of n values, named the request's name and suffix, of the C
// type and element type given, made integers by rule: the length values of
// the window, then zeros. The periodic window (for spectral analysis, of
// period length) or the symmetric one (for filter design), each value as
// scipy.signal.windows computes it in double precision.
table_array &add_window_array(table_description &description, const table_request &request,
                              const char *suffix, const char *c_type, element_type type, window_kind window,
                              std::int32_t n, std::int32_t length, bool symmetric, rounding_rule rule);

#endif
