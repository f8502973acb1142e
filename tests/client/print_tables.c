/* Prints each generated table that TABLES names, as X(name, entries) ...:
 * a line with its name and its address modulo 4, then its entries, one to a
 * line, as the program that compiled it sees them. Where TABLES_FROM_HEADERS
 * is defined, the tables are declared by the generated headers alone, which
 * the compiler is told to include. */
#include <stdint.h>
#include <stdio.h>

#ifndef TABLES_FROM_HEADERS
#define X(name, entries) extern const short name[entries];
TABLES
#undef X
#endif

static void print_table(const char *name, const short *table, int entries)
{
    int i;
    printf("%s %d\n", name, (int)((uintptr_t)table % 4));
    for (i = 0; i < entries; ++i)
        printf("%d\n", table[i]);
}

int main(void)
{
#define X(name, entries) print_table(#name, name, entries);
    TABLES
#undef X
    return 0;
}
