/* Prints each table: a line with its name and its address modulo 4, which
 * is 0 for a table aligned as asked, then its entries, one to a line. */
#include <stdint.h>
#include <stdio.h>

#include "tw1024.h"
#include "tw256.h"

static void print_table(const char *name, const short *table, int entries)
{
    int i;
    printf("%s %d\n", name, (int)((uintptr_t)table % 4));
    for (i = 0; i < entries; ++i)
        printf("%d\n", table[i]);
}

int main(void)
{
    print_table("tw256", tw256, (int)(sizeof tw256 / sizeof tw256[0]));
    print_table("tw1024", tw1024, (int)(sizeof tw1024 / sizeof tw1024[0]));
    return 0;
}
