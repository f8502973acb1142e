/*  Automatically generated twiddle-factor array: the declaration.      */
/*      Number of points:    1024                                       */
/*      Scale factor:        32767.500000000                            */

#ifndef VELTABGEN_twiddle_1024_H
#define VELTABGEN_twiddle_1024_H

#define twiddle_1024_FFT_LENGTH 1024

#ifdef __cplusplus
extern "C" {
#endif

extern const short twiddle_1024[2 * 512];

#ifdef __cplusplus
}
#endif

#endif
