/* A 256-point q15 real FFT and nothing else, set up by veltabgen's
 * instance, or by the library's init function for that size
 * (LIBRARY_SIZED_INIT) or for any size (LIBRARY_INIT), with its own tables:
 * what each way costs in flash. */
#include "arm_math.h"
#if !defined(LIBRARY_SIZED_INIT) && !defined(LIBRARY_INIT)
#include "alone_rfft_256.h"
#endif

static q15_t samples[2 * 256 + 2];
static q15_t spectrum[2 * 256];

int main(void)
{
#if defined(LIBRARY_SIZED_INIT) || defined(LIBRARY_INIT)
    static arm_rfft_instance_q15 instance;
#ifdef LIBRARY_SIZED_INIT
    arm_rfft_init_256_q15(&instance, 0, 1);
#else
    arm_rfft_init_q15(&instance, 256, 0, 1);
#endif
    arm_rfft_q15(&instance, samples, spectrum);
#else
    arm_rfft_q15(&alone_rfft_256_forward, samples, spectrum);
#endif
    return spectrum[0];
}
