/* The demo on an MPS2 board with a Cortex-M7 (qemu's mps2-an500): code and
 * constants at 0, where qemu loads the image; the fast RAM at 0x20000000,
 * where a Cortex-M7 has its data TCM, holds the section .dtcm_data (the
 * twiddle table) and the stack; other data goes to the board's larger, slower
 * RAM at 0x60000000. */
MEMORY
{
    CODE (rx) : ORIGIN = 0x00000000, LENGTH = 4M
    DTCM (rw) : ORIGIN = 0x20000000, LENGTH = 64K
    RAM (rw)  : ORIGIN = 0x60000000, LENGTH = 16M
}

ENTRY(reset_handler)

SECTIONS
{
    .text : { KEEP(*(.vectors)) *(.text*) } > CODE
    .rodata : ALIGN(4) { *(.rodata*) } > CODE
    .data : ALIGN(4) { __data_start = .; *(.data*) . = ALIGN(4); __data_end = .; } > RAM AT > CODE
    __data_load = LOADADDR(.data);
    .dtcm_data : ALIGN(4) { __dtcm_start = .; KEEP(*(.dtcm_data)) . = ALIGN(4); __dtcm_end = .; } > DTCM AT > CODE
    __dtcm_load = LOADADDR(.dtcm_data);
    .bss (NOLOAD) : ALIGN(4) { __bss_start = .; *(.bss*) *(COMMON) . = ALIGN(4); __bss_end = .; } > RAM
    __stack_top = ORIGIN(DTCM) + LENGTH(DTCM);
}
