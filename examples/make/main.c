/* Prints the first pair of each table and the section it lies in. */
#include <stdio.h>

#include "twiddle_1024.h"
#include "twiddle_256.h"

int main(void)
{
    printf("twiddle_256: %d %d\n", twiddle_256[0], twiddle_256[1]);
    printf("twiddle_1024: %d %d\n", twiddle_1024[0], twiddle_1024[1]);
    return 0;
}
