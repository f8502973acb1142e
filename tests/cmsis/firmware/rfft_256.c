/* A 256-point q15 real FFT and nothing else, set up by arm_rfft_init_q15
 * with the library's tables (LIBRARY_TABLES) or by veltabgen's instance:
 * what each way costs in flash. */
#include "arm_math.h"
#ifndef LIBRARY_TABLES
#include "alone_256.h"
#endif

static q15_t samples[2 * 256 + 2];
static q15_t spectrum[2 * 256];

int main(void)
{
#ifdef LIBRARY_TABLES
    static arm_rfft_instance_q15 instance;
    arm_rfft_init_q15(&instance, 256, 0, 1);
    arm_rfft_q15(&instance, samples, spectrum);
#else
    arm_rfft_q15(&alone_256_forward, samples, spectrum);
#endif
    return spectrum[0];
}
