/* The start and the end of the demo as Cortex-M firmware, run by qemu: a
 * vector table, a reset handler that sets up the C program's memory (and
 * enables the FPU and, on a Cortex-M55, Helium), runs main and ends the run
 * with main's status, and write_text, which writes a program's text to the
 * debugger's console. Both go through semihosting, which qemu serves. */
#include <stddef.h>
#include <stdint.h>

int main(void);
void write_text(const char *text);

/* From the linker script: where each part of memory begins and ends, and
 * where the initial values of the sections in RAM are loaded. */
extern uint32_t __stack_top[];
extern uint32_t __data_load[], __data_start[], __data_end[];
extern uint32_t __dtcm_load[], __dtcm_start[], __dtcm_end[];
extern uint32_t __bss_start[], __bss_end[];

static int semihosting_call(int operation, const void *argument)
{
    register int r0 __asm__("r0") = operation;
    register const void *r1 __asm__("r1") = argument;
    __asm__ volatile("bkpt 0xab" : "+r"(r0) : "r"(r1) : "memory");
    return r0;
}

enum {
    sys_write0 = 0x04,
    sys_exit = 0x18,
    stopped_application_exit = 0x20026,
    stopped_run_time_error = 0x20023
};

void write_text(const char *text)
{
    semihosting_call(sys_write0, text);
}

/* Ends the run: qemu exits with status 0 after a normal exit, 1 otherwise. */
static void stop(int status)
{
    semihosting_call(sys_exit, (const void *)(uintptr_t)(status == 0 ? stopped_application_exit
                                                                     : stopped_run_time_error));
    for (;;) {
    }
}

static void copy_words(uint32_t *to, uint32_t *end, const uint32_t *from)
{
    while (to < end)
        *to++ = *from++;
}

void reset_handler(void)
{
    uint32_t *word;
#if defined(__ARM_FP) || defined(__ARM_FEATURE_MVE)
    /* A build for the FPU, with the hard-float ABI, may use it anywhere, and
     * one for Helium its vector instructions: full access for coprocessors
     * 10 and 11 (CPACR), which enables both, before any other code. */
    *(volatile uint32_t *)0xE000ED88u |= 0xFu << 20;
    __asm__ volatile("dsb\n\tisb" ::: "memory");
#endif
    copy_words(__data_start, __data_end, __data_load);
    copy_words(__dtcm_start, __dtcm_end, __dtcm_load);
    for (word = __bss_start; word < __bss_end; ++word)
        *word = 0;
    stop(main());
}

static void fault_handler(void)
{
    write_text("fault\n");
    stop(1);
}

/* The core takes its stack and its first instruction from the first two
 * words; a fault of any kind ends the run. */
struct vector_table {
    uint32_t *stack;
    void (*handlers[15])(void);
};

__attribute__((section(".vectors"), used)) static const struct vector_table vectors = {
    __stack_top,
    {reset_handler, fault_handler, fault_handler, fault_handler, fault_handler, fault_handler,
     0, 0, 0, 0, fault_handler, fault_handler, 0, fault_handler, fault_handler},
};

/* What the compiler may call for copies and clears, with no C library; with
 * one, such as newlib, these take the place of its own. The compiler must not
 * turn their loops into calls to themselves. */
#define NOT_A_CALL_TO_ITSELF __attribute__((optimize("no-tree-loop-distribute-patterns")))
NOT_A_CALL_TO_ITSELF void *memcpy(void *to, const void *from, size_t size)
{
    unsigned char *t = to;
    const unsigned char *f = from;
    while (size-- > 0)
        *t++ = *f++;
    return to;
}

NOT_A_CALL_TO_ITSELF void *memset(void *to, int value, size_t size)
{
    unsigned char *t = to;
    while (size-- > 0)
        *t++ = (unsigned char)value;
    return to;
}
