/* A 1024-point q15 MFCC and nothing else (16 kHz, 40 mel filters from 20 to
 * 8000 Hz, 13 DCT outputs, a Hann window), set up by veltabgen's instance,
 * or by the library's init function for that size with its script's tables
 * (LIBRARY_SIZED_INIT): what each way costs in flash. */
#include "arm_math.h"
#ifdef LIBRARY_SIZED_INIT
#include "mfccdata.h"
#else
#include "mfcc_1024.h"
#endif

static q15_t frame[1024];
static q15_t coefficients[13];
static q31_t scratch[2 * 1024 + 16];

int main(void)
{
#ifdef LIBRARY_SIZED_INIT
    static arm_mfcc_instance_q15 mfcc;
    arm_mfcc_init_1024_q15(&mfcc, 40, 13, mfcc_dct_coefs_script_q15, mfcc_filter_pos_script_q15,
                           mfcc_filter_len_script_q15, mfcc_filter_coefs_script_q15, mfcc_window_coefs_script_q15);
    arm_mfcc_q15(&mfcc, frame, coefficients, scratch);
#else
    arm_mfcc_q15(&mfcc_1024, frame, coefficients, scratch);
#endif
    return coefficients[0];
}
