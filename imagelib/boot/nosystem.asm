; Boot sector of every volume the image library formats. The library fills
; in the parameter block (bytes 3 to 61); this code never reads it, so it
; runs the same from a diskette image and from an extended image's RAM disk.
; It says that the image holds no system yet and restarts on a key.

bits 16
cpu 8086
org 7C00h

        jmp short start
        nop
        times 3Eh - ($ - $$) db 0       ; parameter block, written by the library

start:
        cli
        xor ax, ax
        mov ds, ax
        mov ss, ax
        mov sp, 7C00h
        sti
        cld
        mov si, message
.next:
        lodsb
        test al, al
        jz .wait
        mov ah, 0Eh
        mov bx, 0007h
        int 10h
        jmp short .next
.wait:
        xor ah, ah
        int 16h
        ; A warm restart: INT 19h would boot this same disk again while the
        ; RAM disk that serves it is still hooked.
        mov word [0472h], 1234h
        jmp 0FFFFh:0000h

message:
        db 13, 10, "This boot image holds no operating system.", 13, 10
        db "Choose another menu item, or give this one an image that can start.", 13, 10
        db "Press any key to restart the computer.", 13, 10, 0

        times 510 - ($ - $$) db 0
        dw 0AA55h
