; Boot sector for the RAM disk speed comparison: reads every sector of the
; 1.44 MB diskette it was booted from through INT 13h, one sector per call,
; four times over, and reports the time-stamp counter difference in hex on
; COM1 ("cycles=XXXXXXXXXXXXXXXX"). The BIOS parameter block between
; offsets 3 and 3Dh is the formatter's.
bits 16
cpu 586
org 0x7C00
        jmp short start
        nop
        times 0x3E - ($ - $$) db 0
PASSES  equ 4
start:
        xor ax, ax
        mov ds, ax
        mov ss, ax
        mov sp, 0x7C00
        cld
        mov [drive], dl
        mov si, msg_start
        call serial_text
        rdtsc
        mov [tsc], eax
        mov [tsc + 4], edx
        mov byte [pass], PASSES
.pass:  xor bp, bp                      ; linear sector
.sector:
        mov ax, bp
        xor dx, dx
        mov bx, 18
        div bx                          ; AX = track, DX = sector - 1
        mov cl, dl
        inc cl
        mov dh, al
        and dh, 1                       ; head
        shr ax, 1
        mov ch, al                      ; cylinder
        mov dl, [drive]
        push word 0x1000
        pop es
        xor bx, bx
        mov ax, 0x0201
        int 0x13
        jc .error
        inc bp
        cmp bp, 2880
        jb .sector
        dec byte [pass]
        jnz .pass
        rdtsc
        sub eax, [tsc]
        sbb edx, [tsc + 4]
        push eax
        push edx
        mov si, msg_cycles
        call serial_text
        pop eax
        call serial_hex
        pop eax
        call serial_hex
        mov si, msg_done
        mov al, EXIT_PASS
        jmp finish
.error: mov si, msg_error
        mov al, EXIT_FAIL
        jmp finish

; serial_hex: EAX as eight hex digits. Clobbers EAX, CX, DX, SI.
serial_hex:
        mov cx, 8
.digit: rol eax, 4
        push eax
        and al, 0x0F
        add al, '0'
        cmp al, '9'
        jbe .out
        add al, 'A' - '0' - 10
.out:   mov [hex], al
        mov si, hex
        call serial_text
        pop eax
        loop .digit
        ret

%include "guest.inc"
msg_start:  db "READ-START", 13, 10, 0
msg_cycles: db "cycles=", 0
msg_done:   db 13, 10, "READ-DONE", 13, 10, 0
msg_error:  db "READ-ERROR", 13, 10, 0
hex:        db 0, 0
drive:      db 0
pass:       db 0
tsc:        dd 0, 0
        times 510 - ($ - $$) db 0
        dw 0xAA55
