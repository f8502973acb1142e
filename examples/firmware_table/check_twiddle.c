/* Checks a few entries of the generated 256-point table at the default scale. */
#include <stdio.h>

#define POINTS 256

extern const short w[POINTS];

struct expected_entry {
    int index;
    short value;
};

int main(void)
{
    /* Pair k is -32767.5 * cos(2 pi k / 256), -32767.5 * sin(2 pi k / 256),
     * truncated toward zero. */
    static const struct expected_entry expected[] = {
        {0, -32767},              /* k = 0: full scale, truncated from -32767.5 */
        {1, 0},                   /* k = 0: -sin(0) is a negative zero */
        {2, -32757},              /* k = 1 */
        {3, -804},                /* k = 1 */
        {POINTS / 2, 0},          /* k = 64, a quarter turn */
        {POINTS / 2 + 1, -32767}, /* k = 64 */
        {POINTS - 2, 32757},      /* k = 127 */
        {POINTS - 1, -804},       /* k = 127 */
    };
    int failures = 0;
    size_t i;
    for (i = 0; i < sizeof expected / sizeof expected[0]; ++i) {
        if (w[expected[i].index] != expected[i].value) {
            printf("w[%d] is %d, expected %d\n", expected[i].index, w[expected[i].index],
                   expected[i].value);
            ++failures;
        }
    }
    printf("%s\n", failures == 0 ? "twiddle table as expected" : "twiddle table wrong");
    return failures == 0 ? 0 : 1;
}
