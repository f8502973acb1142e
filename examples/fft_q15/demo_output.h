/* Where the demo's text goes: standard output on the host, the debugger's
 * console (semihosting) on a Cortex-M board. */
#ifndef DEMO_OUTPUT_H
#define DEMO_OUTPUT_H

void write_text(const char *text);

#endif
