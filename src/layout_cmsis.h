#ifndef VELTABGEN_LAYOUT_CMSIS_H
#define VELTABGEN_LAYOUT_CMSIS_H

// What the CMSIS-DSP layouts share: the complex FFT's tables and instance,
// which the real FFT holds too, the real FFT's, which the MFCC holds, the
// builds the library's headers tell apart, and the names they declare.

#include "table_layout.h"

// The builds of CMSIS-DSP's headers whose FFT structures differ: Helium
// (MVE), where the complex FFT reads rearranged tables and the real FFT holds
// its complex FFT by value, against a scalar or DSP-extension core.
extern const build_test helium_build;

// The Helium build of the request's type: for floats, MVE's floating point,
// which a Cortex-M55 with integer MVE alone lacks; for f16, its halves.
const build_test &helium_build_of(const table_request &request);

// What CMSIS-DSP's headers, which every layout's source includes, ask of it.
extern const table_client cmsis_dsp;

// The C type of the request's values (q15_t, q31_t, float32_t, float16_t),
// and the element type that holds them.
const char *cmsis_value_type(const table_request &request);
element_type cmsis_element_type(const table_request &request);

// Of four names, the one of the request's type.
const char *by_type(const table_request &request, const char *q15, const char *q31, const char *f32,
                    const char *f16);

// The comment's title, the header the source includes and the refusal of
// a Neon build, and the rows that name the size, the layout, the type, any
// that more_rows adds, the rounding, and the functions that read the tables
// after label.
void describe_cmsis_file(const table_request &request, table_description &description, const char *label,
                         const char *functions,
                         void (*more_rows)(const table_request &, table_description &) = nullptr);

// The same for a filter: the rows that name the layout, the type, any that
// more_rows adds, the block size, the rounding, and the functions that
// read the tables; no build is refused, as the filters' structures are the
// same in every one.
void describe_cmsis_filter_file(const table_request &request, table_description &description,
                                const char *functions, void (*more_rows)(const table_request &, table_description &));

// Adds the arrays and the instance of CMSIS-DSP's n-point complex FFT where
// where holds, each named the request's name and suffix: the twiddle factors
// ("_twiddle"), the bit reversal ("_bitrev"), Helium's rearranged twiddle
// factors ("_rearranged_stride1" ...) and their stages' offsets
// ("_rearranged_offsets"), and the instance itself (""), defined where it
// is, or else only held by value. Returns the instance's index.
int describe_cmsis_cfft(const table_request &request, table_description &description, std::int32_t n,
                        const char *suffix, condition where, bool defined);

// Adds the arrays of CMSIS-DSP's real FFT of the given length where where
// holds, each named the request's name and suffix: the split factors A
// ("_a") and B ("_b"), and the complex FFT of half the length ("_cfft"),
// which is defined where the real FFT points at it. Then adds an instance
// of the real FFT for each direction asked for, forward ("_forward") and
// inverse ("_inverse"), defined where it is. Returns the forward instance's
// index, or the inverse one's where only that is asked for. Of floats, adds
// the split factors ("_twiddle"), the complex FFT ("_cfft"), held by value,
// and one instance for both directions (""), and returns its index.
int describe_cmsis_rfft(const table_request &request, table_description &description, std::int32_t length,
                        const char *suffix, condition where, bool forward, bool inverse, bool defined);

// The report's lines of the SNR at a filter's output, of a cosine at -0.1 dB
// of full scale at the frequency f (cycles a sample), faded in over fade
// samples and measured over the last measured of samples.
void add_output_snr(table_description &description, double snr_db, double f, int fade, int measured, int samples);

#endif
