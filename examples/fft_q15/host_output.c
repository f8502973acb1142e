/* The demo's text on the host: standard output. */
#include <stdio.h>

#include "demo_output.h"

void write_text(const char *text)
{
    fputs(text, stdout);
}
