/* A plain C tool's use of the stack, for comparison: it formats a line to
 * each stream, a number with nine decimals among them. */
#include <stdio.h>

int main(int argc, char *argv[])
{
    fprintf(stderr, "%s: %d arguments\n", argv[0], argc);
    printf("%-20.9f\n", 32767.5);
    return 0;
}
