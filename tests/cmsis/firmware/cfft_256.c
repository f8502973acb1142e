/* A 256-point q15 complex FFT and nothing else, set up by veltabgen's
 * instance, or by the library's own: on a scalar or DSP-extension core its
 * constant instance, on Helium, which has none, its init function for that
 * size (LIBRARY_SIZED_INIT). What each way costs in flash. */
#include "arm_math.h"
#ifdef LIBRARY_SIZED_INIT
#include "arm_const_structs.h"
#else
#include "alone_cfft_256.h"
#endif

static q15_t samples[2 * 256];

int main(void)
{
#if defined(LIBRARY_SIZED_INIT) && defined(ARM_MATH_MVEI) && !defined(ARM_MATH_AUTOVECTORIZE)
    static arm_cfft_instance_q15 instance;
    arm_cfft_init_256_q15(&instance);
    arm_cfft_q15(&instance, samples, 0, 1);
#elif defined(LIBRARY_SIZED_INIT)
    arm_cfft_q15(&arm_cfft_sR_q15_len256, samples, 0, 1);
#else
    arm_cfft_q15(&alone_cfft_256, samples, 0, 1);
#endif
    return samples[0];
}
