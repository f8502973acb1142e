/* Prints each table: a line with its name and its address modulo 4, which
 * is 0 for a table aligned as asked, then its entries, one to a line. */
#include <stdint.h>
#include <stdio.h>

#include "twiddle_1024.h"
#include "twiddle_256.h"

static void print_table(const char *name, const short *table, int entries)
{
    int i;
    printf("%s %d\n", name, (int)((uintptr_t)table % 4));
    for (i = 0; i < entries; ++i)
        printf("%d\n", table[i]);
}

int main(void)
{
    print_table("twiddle_256", twiddle_256, (int)(sizeof twiddle_256 / sizeof twiddle_256[0]));
    print_table("twiddle_1024", twiddle_1024, (int)(sizeof twiddle_1024 / sizeof twiddle_1024[0]));
    return 0;
}
