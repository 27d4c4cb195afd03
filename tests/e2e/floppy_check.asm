; Boot sector for the RAM disk scenario. It sits in a FAT12 diskette image
; (the BIOS parameter block between offsets 3 and 3Dh is the formatter's)
; and checks the drive it was booted from through INT 13h: the first
; sector, the last one, a 127-sector read, and the refusals.
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
        mov si, msg_drive
        test dl, dl
        jnz fail

        ; First sector: the boot sector itself.
        mov si, msg_first
        push word 0x1000
        pop es
        xor bx, bx
        mov ax, 0x0201
        mov cx, 0x0001
        xor dx, dx
        int 0x13
        jc fail
        mov cx, 256
        mov si, 0x7C00
        xor di, di
        repe cmpsw
        mov si, msg_first
        jne fail

        ; Last sector: cylinder 79, head 1, sector 18 (linear 2879).
        mov ax, 0x0201
        mov cx, 0x4F12
        mov dx, 0x0100
        xor bx, bx
        int 0x13
        mov si, msg_last
        jc fail
        cmp dword [es:4], '2879'
        jne fail

        ; 127 sectors at once from the start; linear sector 126 is the last.
        push word 0x2000
        pop es
        mov ax, 0x027F
        mov cx, 0x0001
        xor dx, dx
        xor bx, bx
        int 0x13
        mov si, msg_bulk
        jc fail
        cmp al, 127
        jne fail
        cmp dword [es:126 * 512 + 4], '0126'
        jne fail

        ; Sector 19 does not exist; writes are refused.
        mov ax, 0x0201
        mov cx, 0x0013
        xor dx, dx
        int 0x13
        mov si, msg_refuse
        jnc fail
        cmp ah, 0x04
        jne fail
        mov ax, 0x0301
        mov cx, 0x0001
        int 0x13
        jnc fail
        cmp ah, 0x03
        jne fail

        mov si, msg_ok
        mov al, EXIT_PASS
        jmp finish
%include "guest.inc"
GUEST_FAIL
msg_ok:     db "floppy: first last 127 refusals ok", 13, 10, 0
msg_fail:   db "floppy: FAILED ", 0
msg_drive:  db "drive", 13, 10, 0
msg_first:  db "first", 13, 10, 0
msg_last:   db "last", 13, 10, 0
msg_bulk:   db "127", 13, 10, 0
msg_refuse: db "refusal", 13, 10, 0
        times 510 - ($ - $$) db 0
        dw 0xAA55
