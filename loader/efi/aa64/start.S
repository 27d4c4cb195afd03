/* Start-up of the ARM64 build: the firmware enters here with the image
 * handle in x0 and the system table in x1. gnu-efi's _relocate applies the
 * ELF relocations for the address we were loaded at (ImageBase, from
 * efi_app.lds), then efi_main runs. */
    .section .text.head, "ax"
    .globl _start
_start:
    stp x29, x30, [sp, #-32]!
    mov x29, sp
    stp x0, x1, [sp, #16]
    adrp x0, ImageBase
    add x0, x0, :lo12:ImageBase
    adrp x1, _DYNAMIC
    add x1, x1, :lo12:_DYNAMIC
    bl _relocate
    cbnz x0, 1f
    ldp x0, x1, [sp, #16]
    bl efi_main
1:  ldp x29, x30, [sp], #32
    ret

    /* One base relocation block that relocates nothing: a PE file without
     * a relocation directory could only be loaded at its image base, 0. */
    .data
dummy:
    .4byte 0
    .section .reloc, "a"
    .4byte dummy - .
    .4byte 12
    .2byte 0
    .2byte 0
