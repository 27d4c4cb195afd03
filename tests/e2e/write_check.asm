; Boot sector for the writable RAM disk scenario: writes a pattern to
; cylinder 1, head 0, sector 5, reads the sector back into another buffer
; and compares. Reports on COM1 and ends QEMU through isa-debug-exit.
bits 16
cpu 386
org 0x7C00
        jmp short start
        nop
        times 0x3E - ($ - $$) db 0
start:
        xor ax, ax
        mov ds, ax
        mov ss, ax
        mov sp, 0x7C00
        cld
        ; The pattern at 1000:0000: byte i = i xor 5Ah.
        push word 0x1000
        pop es
        xor di, di
        mov cx, 512
.fill:  mov ax, di
        xor al, 0x5A
        stosb
        loop .fill
        mov ax, 0x0301
        mov cx, 0x0105
        xor dx, dx
        xor bx, bx
        int 0x13
        mov si, msg_write
        jc fail
        cmp al, 1
        jne fail
        push word 0x2000
        pop es
        mov ax, 0x0201
        mov cx, 0x0105
        xor dx, dx
        xor bx, bx
        int 0x13
        mov si, msg_read
        jc fail
        push ds
        push word 0x1000
        pop ds
        xor si, si
        xor di, di
        mov cx, 256
        repe cmpsw
        pop ds
        mov si, msg_compare
        jne fail
        mov si, msg_ok
        mov al, EXIT_PASS
        jmp finish
%include "guest.inc"
GUEST_FAIL
msg_ok:      db "write: read back ok", 13, 10, 0
msg_fail:    db "write: FAILED ", 0
msg_write:   db "write", 13, 10, 0
msg_read:    db "read", 13, 10, 0
msg_compare: db "compare", 13, 10, 0
        times 510 - ($ - $$) db 0
        dw 0xAA55
