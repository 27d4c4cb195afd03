; Boot sector that checks, through INT 13h, the disk it was booted from: it
; is laid over the volume's boot sector (the parameter block at 3..3Dh stays
; the library's) and takes the geometry from that parameter block, so it
; serves the diskette and every extended capacity alike. Results go to COM1;
; QEMU ends through the isa-debug-exit port.
;   - the first data sector holds "MENVOLT-FILE" (the first file added),
;   - the last sector holds "MENVOLT-LAST",
;   - 127 sectors read at once from the start of the disk,
;   - a write is refused with 03h and a read past the end with 04h,
;   - and whether the network stack still answers INT 1Ah.
bits 16
cpu 386
org 0x7C00

COM1            equ 0x3F8
DEBUG_EXIT      equ 0xF4

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

        ; Total sectors and first data sector from the parameter block.
        movzx eax, word [0x7C13]
        test ax, ax
        jnz .small
        mov eax, [0x7C20]
.small:
        mov [total], eax
        movzx eax, word [0x7C11]        ; root entries * 32 / 512
        shr eax, 4
        movzx ecx, byte [0x7C10]
        movzx edx, word [0x7C16]
        imul ecx, edx
        add eax, ecx
        movzx ecx, word [0x7C0E]
        add eax, ecx
        mov si, msg_file
        mov di, mark_file
        call check_sector

        mov eax, [total]
        dec eax
        mov si, msg_last
        mov di, mark_last
        call check_sector

        ; 127 sectors at once from the start.
        mov si, msg_bulk
        xor eax, eax
        call to_chs
        push word 0x2000
        pop es
        xor bx, bx
        mov ax, 0x027F
        int 0x13
        jc fail
        cmp al, 127
        jne fail

        ; A write is refused as write-protected.
        mov si, msg_write
        xor eax, eax
        call to_chs
        mov ax, 0x0301
        xor bx, bx
        int 0x13
        jnc fail
        cmp ah, 0x03
        jne fail

        ; The sector after the last one does not exist.
        mov si, msg_range
        mov eax, [total]
        call to_chs
        mov ax, 0x0201
        xor bx, bx
        int 0x13
        jnc fail
        cmp ah, 0x04
        jne fail

        mov si, msg_pass
        call serial_text
        mov ax, 0x5650
        int 0x1A
        mov si, msg_pxe_gone
        cmp ax, 0x564E
        jne .report
        mov si, msg_pxe_here
.report:
        call serial_text
        mov al, 0x10
        out DEBUG_EXIT, al
        jmp halt

; EAX = sector, DI = expected text, SI = message on failure.
check_sector:
        call to_chs
        push word 0x1000
        pop es
        xor bx, bx
        mov ax, 0x0201
        int 0x13
        jc fail
        push si
        xor si, si
        mov cx, 12
.cmp:   mov al, [es:si]
        cmp al, [di]
        jne .bad
        inc si
        inc di
        loop .cmp
        pop si
        ret
.bad:   pop si
        jmp fail

; EAX = sector -> CH, CL, DH (DL = 0) by the parameter block's geometry.
to_chs:
        xor edx, edx
        movzx ecx, word [0x7C18]
        div ecx                         ; eax = track, edx = sector - 1
        inc dx
        mov bl, dl
        xor edx, edx
        movzx ecx, word [0x7C1A]
        div ecx                         ; eax = cylinder, edx = head
        mov dh, dl
        mov ch, al
        mov cl, ah
        shl cl, 6
        or cl, bl
        xor dl, dl
        ret

fail:
        push si
        mov si, msg_fail
        call serial_text
        pop si
        call serial_text
        mov al, 0x11
        out DEBUG_EXIT, al
halt:
        cli
        hlt
        jmp halt

serial_text:
        lodsb
        test al, al
        jz .done
        mov ah, al
        mov dx, COM1 + 5
.wait:  in al, dx
        test al, 0x20
        jz .wait
        mov al, ah
        mov dx, COM1
        out dx, al
        jmp serial_text
.done:  ret

total:          dd 0
mark_file:      db "MENVOLT-FILE"
mark_last:      db "MENVOLT-LAST"
msg_fail:       db "probe failed: ", 0
msg_drive:      db "drive", 13, 10, 0
msg_file:       db "file", 13, 10, 0
msg_last:       db "last", 13, 10, 0
msg_bulk:       db "bulk", 13, 10, 0
msg_write:      db "write", 13, 10, 0
msg_range:      db "range", 13, 10, 0
msg_pass:       db "probe ok", 13, 10, 0
msg_pxe_here:   db "pxe=1", 13, 10, 0
msg_pxe_gone:   db "pxe=0", 13, 10, 0

        times 510 - ($ - $$) db 0
        dw 0xAA55
