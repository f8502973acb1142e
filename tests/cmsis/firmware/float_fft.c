/* An f32 complex FFT of POINTS points (or, with REAL_FFT, a real one) and
 * nothing else, set up by veltabgen's instance GENERATED, declared in
 * GENERATED_HEADER, or by the library's init function for that size
 * (LIBRARY_SIZED_INIT) or for any size (LIBRARY_INIT), with its own tables:
 * what each way costs in flash. */
#include "arm_math.h"

#define CAT(a, b) CAT_(a, b)
#define CAT_(a, b) a##b

#if !defined(LIBRARY_SIZED_INIT) && !defined(LIBRARY_INIT)
#include GENERATED_HEADER
#endif

static float32_t samples[2 * POINTS];
#ifdef REAL_FFT
static float32_t spectrum[POINTS];
#endif

int main(void)
{
#ifdef REAL_FFT
#if defined(LIBRARY_SIZED_INIT)
    static arm_rfft_fast_instance_f32 instance;
    CAT(CAT(arm_rfft_fast_init_, POINTS), _f32)(&instance);
#elif defined(LIBRARY_INIT)
    static arm_rfft_fast_instance_f32 instance;
    arm_rfft_fast_init_f32(&instance, POINTS);
#else
#define instance GENERATED
#endif
    arm_rfft_fast_f32(&instance, samples, spectrum, 0);
    return (int)spectrum[0];
#else
#if defined(LIBRARY_SIZED_INIT)
    static arm_cfft_instance_f32 instance;
    CAT(CAT(arm_cfft_init_, POINTS), _f32)(&instance);
#else
#define instance GENERATED
#endif
    arm_cfft_f32(&instance, samples, 0, 1);
    return (int)samples[0];
#endif
}
