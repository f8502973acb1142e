/* Prints the entries of the generated table w, one per line, as the
 * program that compiled it sees them. */
#include <stdio.h>

extern const short w[TWIDDLE_ENTRIES];

int main(void)
{
    int i;
    for (i = 0; i < TWIDDLE_ENTRIES; ++i)
        printf("%d\n", w[i]);
    return 0;
}
