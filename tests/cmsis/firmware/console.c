/* Where a firmware's standard output goes: newlib's printf writes through
 * _write, which hands the text to the debugger's console by semihosting,
 * which qemu serves on its standard error. */

int _write(int file, const char *text, int size);

/* Writes text, a string, to the console (semihosting's SYS_WRITE0). */
static void write0(const char *text)
{
    register int operation __asm__("r0") = 0x04;
    register const char *argument __asm__("r1") = text;
    __asm__ volatile("bkpt 0xab" : "+r"(operation) : "r"(argument) : "memory");
}

int _write(int file, const char *text, int size)
{
    char piece[65];
    int written = 0;
    (void)file;
    while (written < size) {
        int length = 0;
        while (length < 64 && written < size)
            piece[length++] = text[written++];
        piece[length] = '\0';
        write0(piece);
    }
    return size;
}
