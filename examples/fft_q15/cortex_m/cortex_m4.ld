/* The demo on an MPS2 board with a Cortex-M4 (qemu's mps2-an386): code and
 * constants in SSRAM1 at 0, where qemu loads the image, data and the stack
 * in SSRAM2 and 3 at 0x20000000. */
MEMORY
{
    CODE (rx) : ORIGIN = 0x00000000, LENGTH = 4M
    RAM (rw)  : ORIGIN = 0x20000000, LENGTH = 4M
}

ENTRY(reset_handler)

SECTIONS
{
    .text : { KEEP(*(.vectors)) *(.text*) } > CODE
    .rodata : ALIGN(4) { *(.rodata*) } > CODE
    .data : ALIGN(4) { __data_start = .; *(.data*) . = ALIGN(4); __data_end = .; } > RAM AT > CODE
    __data_load = LOADADDR(.data);
    .dtcm_data : ALIGN(4) { __dtcm_start = .; KEEP(*(.dtcm_data)) . = ALIGN(4); __dtcm_end = .; } > RAM AT > CODE
    __dtcm_load = LOADADDR(.dtcm_data);
    .bss (NOLOAD) : ALIGN(4) { __bss_start = .; *(.bss*) *(COMMON) . = ALIGN(4); __bss_end = .; } > RAM
    __stack_top = ORIGIN(RAM) + LENGTH(RAM);
}
