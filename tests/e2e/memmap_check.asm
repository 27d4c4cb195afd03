; A diskette whose boot program checks the memory map the RAM disk reports.
; It finds the resident part through the INT 15h vector ("MVRD" at offset 0,
; the previous INT 15h vector at 8, the volume's start at 0Ch and size at
; 10h), asks the BIOS itself (through that previous vector) and the hooked
; handler for E820, E801 and 88h, and checks that
;   - E820 reports the volume's range as reserved (type 2), the usable range
;     it came from split around it, and every other range as the BIOS does;
;   - E801 and 88h report no memory at or above the volume's start and
;     otherwise what the BIOS reports.
; The boot sector loads the rest of the program (sectors 2-8) through the
; RAM disk itself. Reports on COM1 and ends QEMU through isa-debug-exit.
bits 16
cpu 386
org 0x7C00

SMAP            equ 0x534D4150
MAP_MAX         equ 32

        xor ax, ax
        mov ds, ax
        mov es, ax
        mov ss, ax
        mov sp, 0x7C00
        cld
        mov ax, 0x0207                  ; sectors 2-8 after this one
        mov cx, 0x0002
        xor dx, dx
        mov bx, 0x7E00
        int 0x13
        mov si, msg_load
        jc fail
        jmp main
%include "guest.inc"
GUEST_FAIL
msg_fail:       db "memmap: FAILED ", 0
msg_load:       db "loading the program", 13, 10, 0
        times 510 - ($ - $$) db 0
        dw 0xAA55

main:
        xor ax, ax
        mov es, ax
        mov gs, [es:0x15 * 4 + 2]
        mov si, msg_mark
        cmp dword [gs:0], 'MVRD'
        jne fail
        mov eax, [gs:8]
        mov [old15], eax
        mov eax, [gs:0x0C]
        mov [vbase], eax
        add eax, [gs:0x10]
        mov [vend], eax

        ; E820 from the BIOS and from the hook.
        mov byte [use_old], 1
        mov di, map_bios
        call read_map
        mov [count_bios], bp
        mov byte [use_old], 0
        mov di, map_hooked
        call read_map
        mov [count_hooked], bp
        call compare_maps

        ; E801 and 88h.
        mov eax, [vbase]
        sub eax, 0x100000
        shr eax, 10
        cmp eax, 0xFFFF
        jbe .kb
        mov eax, 0xFFFF
.kb:    mov [limit_kb], ax
        mov eax, [vbase]
        sub eax, 0x1000000
        jae .big
        xor eax, eax
.big:   shr eax, 16
        mov [limit_64k], ax

        mov ax, 0xE801
        call call_old
        mov si, msg_e801
        jc fail
        mov [bios_regs], ax
        mov [bios_regs + 2], bx
        mov [bios_regs + 4], cx
        mov [bios_regs + 6], dx
        mov ax, 0xE801
        int 0x15
        jc fail
        push dx
        push cx
        push bx
        push ax
        mov bx, [limit_kb]
        mov ax, [bios_regs]
        call min_ax_bx
        pop dx
        cmp dx, ax
        jne fail
        mov bx, [limit_64k]
        mov ax, [bios_regs + 2]
        call min_ax_bx
        pop dx
        cmp dx, ax
        jne fail
        mov bx, [limit_kb]
        mov ax, [bios_regs + 4]
        call min_ax_bx
        pop dx
        cmp dx, ax
        jne fail
        mov bx, [limit_64k]
        mov ax, [bios_regs + 6]
        call min_ax_bx
        pop dx
        cmp dx, ax
        jne fail

        mov ah, 0x88
        call call_old
        mov si, msg_88
        jc fail
        mov bx, [limit_kb]
        call min_ax_bx
        push ax
        mov ah, 0x88
        int 0x15
        pop dx
        jc fail
        cmp ax, dx
        jne fail

        mov si, msg_ok
        mov al, EXIT_PASS
        jmp finish

; AX = min(AX, BX)
min_ax_bx:
        cmp ax, bx
        jbe .done
        mov ax, bx
.done:  ret

; INT 15h straight to the BIOS, past the hook.
call_old:
        pushf
        call far [old15]
        ret

; Reads E820 into DS:DI (20-byte ranges); BP = ranges read.
read_map:
        xor ebx, ebx
        xor bp, bp
.next:  mov eax, 0xE820
        mov edx, SMAP
        mov ecx, 20
        cmp byte [use_old], 0
        je .hooked
        call call_old
        jmp short .called
.hooked:
        int 0x15
.called:
        jc .end
        mov si, msg_e820
        cmp eax, SMAP
        jne fail
        cmp ecx, 20
        jne fail
        inc bp
        add di, 20
        cmp bp, MAP_MAX
        jae .end
        test ebx, ebx
        jnz .next
.end:   mov si, msg_e820
        test bp, bp
        jz fail
        ret

; Walks the BIOS's ranges and the hook's side by side.
compare_maps:
        mov si, map_bios
        mov di, map_hooked
        mov cx, [count_bios]
        xor bp, bp                      ; hooked ranges used
        mov byte [found], 0
.range: cmp dword [si + 16], 1
        jne .same
        cmp dword [si + 4], 0
        jne .same
        cmp dword [si + 12], 0
        jne .same
        mov eax, [si]
        cmp eax, [vbase]
        ja .same
        add eax, [si + 8]
        jc .same
        cmp eax, [vend]
        jb .same
        ; This range held the volume: below, the volume, above.
        inc byte [found]
        mov dword [want + 4], 0
        mov dword [want + 12], 0
        mov eax, [si]
        cmp eax, [vbase]
        jae .no_below
        mov [want], eax
        mov edx, [vbase]
        sub edx, eax
        mov [want + 8], edx
        mov dword [want + 16], 1
        call expect_want
.no_below:
        mov eax, [vbase]
        mov [want], eax
        mov edx, [vend]
        sub edx, eax
        mov [want + 8], edx
        mov dword [want + 16], 2
        call expect_want
        mov eax, [si]
        add eax, [si + 8]
        cmp eax, [vend]
        jbe .next
        mov edx, [vend]
        mov [want], edx
        sub eax, edx
        mov [want + 8], eax
        mov dword [want + 16], 1
        call expect_want
        jmp short .next
.same:  push si
        push di
        push cx
        mov di, want
        mov cx, 20
        rep movsb
        pop cx
        pop di
        pop si
        call expect_want
.next:  add si, 20
        dec cx
        jnz .range
        mov si, msg_split
        cmp byte [found], 1
        jne fail
        mov si, msg_count
        cmp bp, [count_hooked]
        jne fail
        ret

; The next hooked range (DI) must be `want`; advances DI and BP.
expect_want:
        push si
        push cx
        mov si, msg_range
        cmp bp, [count_hooked]
        jae fail
        push di
        mov si, want
        mov cx, 20
        repe cmpsb
        pop di
        mov si, msg_range
        jne fail
        add di, 20
        inc bp
        pop cx
        pop si
        ret

msg_ok:         db "memmap: E820 E801 88h hide the volume, other ranges as the BIOS gave them", 13, 10, 0
msg_mark:       db "no resident mark", 13, 10, 0
msg_e820:       db "E820", 13, 10, 0
msg_split:      db "volume not inside one usable range", 13, 10, 0
msg_count:      db "extra ranges", 13, 10, 0
msg_range:      db "a range differs", 13, 10, 0
msg_e801:       db "E801", 13, 10, 0
msg_88:         db "88h", 13, 10, 0

align 4
old15:          dd 0
vbase:          dd 0
vend:           dd 0
limit_kb:       dw 0
limit_64k:      dw 0
bios_regs:      times 4 dw 0
count_bios:     dw 0
count_hooked:   dw 0
use_old:        db 0
found:          db 0
align 4
want:           times 20 db 0
map_bios:       times MAP_MAX * 20 db 0
map_hooked:     times MAP_MAX * 20 db 0
        times 8 * 512 - ($ - $$) db 0
