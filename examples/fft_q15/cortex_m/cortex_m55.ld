/* A program on an MPS3 board with a Cortex-M55 (qemu's mps3-an547): code in
 * the ITCM at 0, where the core starts; constants, and the initial values of
 * the data, in the SRAM at 0x01000000; data, the section .dtcm_data and the
 * stack in the DTCM at 0x20000000. qemu loads each part of the image where
 * it belongs. */
MEMORY
{
    ITCM (rx) : ORIGIN = 0x00000000, LENGTH = 512K
    SRAM (r)  : ORIGIN = 0x01000000, LENGTH = 2M
    DTCM (rw) : ORIGIN = 0x20000000, LENGTH = 512K
}

ENTRY(reset_handler)

SECTIONS
{
    .text : { KEEP(*(.vectors)) *(.text*) } > ITCM
    .rodata : ALIGN(4) { *(.rodata*) } > SRAM
    .data : ALIGN(4) { __data_start = .; *(.data*) . = ALIGN(4); __data_end = .; } > DTCM AT > SRAM
    __data_load = LOADADDR(.data);
    .dtcm_data : ALIGN(4) { __dtcm_start = .; KEEP(*(.dtcm_data)) . = ALIGN(4); __dtcm_end = .; } > DTCM AT > SRAM
    __dtcm_load = LOADADDR(.dtcm_data);
    .bss (NOLOAD) : ALIGN(4) { __bss_start = .; *(.bss*) *(COMMON) . = ALIGN(4); __bss_end = .; } > DTCM
    __stack_top = ORIGIN(DTCM) + LENGTH(DTCM);
}
