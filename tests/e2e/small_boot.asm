; Small boot program for the single-item scenario: reports that it runs at
; 0000:7C00 with the PXE stack still answering, then ends QEMU.
bits 16
cpu 386
org 0x7C00
        jmp 0:start
start:  xor ax, ax
        mov ds, ax
        mov ax, 0x5650
        int 0x1A
        mov si, msg_no_pxe
        cmp ax, 0x564E
        mov al, EXIT_FAIL
        jne finish
        mov si, msg_ok
        mov al, EXIT_PASS
        jmp finish
%include "guest.inc"
msg_ok:     db "small boot program: running, PXE loaded", 13, 10, 0
msg_no_pxe: db "small boot program: PXE gone", 13, 10, 0
        times 1000 - ($ - $$) db 0x90      ; a program bigger than one sector
        db 0x5A
