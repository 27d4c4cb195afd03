; Start-up code of an extended-capacity boot image. The network boot menu
; copies the first N bytes of the image file to 1000:0000, moves the K KB of
; volume data that follow down to physical 110000h, writes "pc" at offset 4
; of its work buffer and jumps here. This code
;   - keeps or shuts down the network stack as the image's options say,
;   - installs a read-only RAM disk over the volume as drive A: (INT 13h),
;   - and boots the volume's first sector at 0000:7C00 with DL = 0.
; The header fields marked "library" are written when the image is created.

bits 16
cpu 386

%define DATA_BASE       110000h         ; where the menu leaves the volume
%define LOADER_SEG      0C00h           ; where the menu program runs
%define RESIDENT_KB     1               ; base memory the disk service takes

%define PXENV_UNDI_CLEANUP      0002h
%define PXENV_UNDI_SHUTDOWN     0005h
%define PXENV_UNDI_CLOSE        0007h
%define PXENV_STOP_UNDI         0015h
%define PXENV_STOP_BASE         0076h

%define OPT_KEEP_UNDI   0200h
%define OPT_KEEP_BASE   0400h

section .text start=0 vstart=0

header:
        jmp near start                  ; 0x00
        db "MENVOLT"                    ; 0x03
hdr_code_size:  dw 0                    ; 0x0A N: bytes copied to 1000:0000 (library)
hdr_disk_kb:    dw 0                    ; 0x0C K: KB of volume data (library)
                db "ExTx"               ; 0x0E mark the menu looks for
hdr_options:    dw 0                    ; 0x12 option bits (library)
hdr_spt:        dw 32                   ; 0x14 sectors per track (library)
hdr_heads:      dw 64                   ; 0x16 heads (library)
hdr_sectors:    dd 0                    ; 0x18 total sectors (library)
hdr_format:     dw 1                    ; 0x1C layout of this header

; Work variables of the installer
pxenv:          dd 0                    ; PXENV+ structure
rm_entry:       dd 0                    ; its real-mode entry
pxe_sp_entry:   dd 0                    ; !PXE stack-based entry, 0 when none
pxe_params:     times 32 db 0           ; parameter block of the PXE calls
gdt:            times 48 db 0           ; INT 15h 87h descriptors

start:
        cli
        cld
        mov ax, cs
        mov ds, ax
        xor ax, ax
        mov ss, ax
        mov sp, 7C00h
        sti

        ; Only the menu leaves the volume at 110000h; started any other way
        ; there is nothing there to serve.
        mov ax, LOADER_SEG
        mov es, ax
        mov bx, [es:000Ah]
        add bx, 15
        and bx, 0FFF0h
        cmp word [es:bx + 4], 6370h     ; "pc"
        jne not_from_menu

        call network_stack
        call install_disk

        ; First sector of the volume to 0000:7C00 and boot it as drive A:
        mov esi, DATA_BASE
        mov edi, 7C00h
        mov cx, 512
        call block_move
        jc copy_failed
        xor ax, ax
        mov ds, ax
        mov es, ax
        xor bx, bx
        xor cx, cx
        xor dx, dx                      ; DL = 0: drive A:
        xor si, si
        xor di, di
        jmp 0000h:7C00h

not_from_menu:
        mov si, msg_not_from_menu
        jmp fatal
copy_failed:
        mov si, msg_copy_failed
fatal:
        call print
        xor ah, ah
        int 16h
        xor ax, ax
        mov es, ax
        mov word [es:0472h], 1234h
        jmp 0FFFFh:0000h

; Prints the NUL-terminated text at DS:SI in teletype mode.
print:
        lodsb
        test al, al
        jz .done
        mov ah, 0Eh
        mov bx, 0007h
        int 10h
        jmp short print
.done:
        ret

; ---------------------------------------------------------------------------
; The network stack. Without option 0x200 it is shut down the way the menu
; shuts it down before a diskette boot, and the base memory it held below
; the end of its UNDI blocks is given back. With 0x200 the UNDI driver stays;
; with 0x400 as well the base code stays too.
network_stack:
        mov ax, 5650h
        int 1Ah
        jc .done
        cmp ax, 564Eh
        jne .done
        mov [pxenv], bx
        mov [pxenv + 2], es
        mov eax, [es:bx + 0Ah]
        mov [rm_entry], eax
        cmp word [es:bx + 06h], 0200h
        jb .choose
        push es
        push bx
        les di, [es:bx + 28h]
        cmp dword [es:di], '!PXE'
        jne .no_sp_entry
        mov eax, [es:di + 10h]
        mov [pxe_sp_entry], eax
.no_sp_entry:
        pop bx
        pop es
.choose:
        test word [hdr_options], OPT_KEEP_UNDI
        jz .shut_down
        test word [hdr_options], OPT_KEEP_BASE
        jnz .done
        mov bx, PXENV_STOP_BASE
        call pxe_call
        jmp short .done

.shut_down:
        mov bx, PXENV_UNDI_CLOSE
        call pxe_call
        mov bx, PXENV_UNDI_SHUTDOWN
        call pxe_call
        mov bx, PXENV_UNDI_CLEANUP
        call pxe_call
        cmp dword [pxe_sp_entry], 0
        je .release
        call clear_params
        push ds
        push pxe_params
        push PXENV_STOP_UNDI
        call far [pxe_sp_entry]
        add sp, 6
.release:
        ; Base memory ends where the higher of the two UNDI blocks ended.
        les bx, [pxenv]
        mov ax, [es:bx + 20h]           ; UNDI data segment
        mov dx, [es:bx + 22h]           ; and size
        mov cx, [es:bx + 24h]           ; UNDI code segment
        cmp cx, ax
        jbe .data_higher
        mov ax, cx
        mov dx, [es:bx + 26h]
.data_higher:
        shr dx, 4
        add ax, dx
        jc .done
        shr ax, 6                       ; paragraphs to KB
        cmp ax, 640
        jbe .set_size
        mov ax, 640
.set_size:
        push 0040h
        pop es
        mov [es:0013h], ax
.done:
        push ds
        pop es
        ret

; Calls the PXENV+ entry with opcode BX and a cleared parameter block.
pxe_call:
        call clear_params
        push ds
        pop es
        mov di, pxe_params
        call far [rm_entry]
        ret

clear_params:
        push es
        push di
        push cx
        push ds
        pop es
        mov di, pxe_params
        mov cx, 32
        xor al, al
        rep stosb
        pop cx
        pop di
        pop es
        ret

; ---------------------------------------------------------------------------
; Moves the resident disk service into the top of base memory and hooks
; INT 13h with it.
install_disk:
        push 0040h
        pop es
        mov ax, [es:0013h]
        sub ax, RESIDENT_KB
        mov [es:0013h], ax
        or byte [es:0010h], 01h         ; a diskette drive is present
        shl ax, 6                       ; KB to a segment
        mov es, ax

        mov si, resident_image
        xor di, di
        mov cx, resident_size
        rep movsb

        ; Geometry and size from the header.
        mov ax, [hdr_spt]
        mov [es:r_spt], ax
        mov ax, [hdr_heads]
        mov [es:r_heads], ax
        mov eax, [hdr_sectors]
        mov [es:r_total], eax
        mov ax, [hdr_disk_kb]
        mov [es:r_disk_kb], ax
        ; Highest cylinder for function 08h.
        mov eax, [hdr_sectors]
        xor edx, edx
        movzx ecx, word [hdr_spt]
        div ecx
        xor edx, edx
        movzx ecx, word [hdr_heads]
        div ecx
        dec ax
        mov [es:r_max_cyl], ax

        push ds
        xor ax, ax
        mov ds, ax
        cli
        mov eax, [13h * 4]
        mov [es:r_old13], eax
        mov word [13h * 4], r_int13
        mov [13h * 4 + 2], es
        sti
        pop ds
        push ds
        pop es
        ret

; Copies CX bytes (even) from physical ESI to physical EDI with the BIOS
; block move. Carry set on failure.
block_move:
        push es
        push ds
        pop es
        push edi
        push cx
        mov di, gdt
        mov cx, 48
        xor al, al
        rep stosb
        pop cx
        pop edi
        mov eax, esi
        mov bx, gdt + 10h
        call .describe
        mov eax, edi
        mov bx, gdt + 18h
        call .describe
        shr cx, 1
        mov si, gdt
        mov ah, 87h
        int 15h
        pop es
        ret
.describe:
        push cx
        dec cx
        mov [bx], cx                    ; limit
        pop cx
        mov [bx + 2], ax
        shr eax, 16
        mov [bx + 4], al
        mov byte [bx + 5], 93h
        mov [bx + 7], ah
        ret

msg_not_from_menu:
        db 13, 10, "This extended boot image must be started from a network boot menu.", 13, 10
        db "Press any key to restart the computer.", 13, 10, 0
msg_copy_failed:
        db 13, 10, "Error: the boot image's data could not be read from extended memory.", 13, 10
        db "Press any key to restart the computer.", 13, 10, 0

resident_image:

; ---------------------------------------------------------------------------
; The resident RAM disk service, copied to the top of base memory. It serves
; drive 0 from the volume at 110000h, read-only, and hands every other drive
; to the handler that was there before.
section resident follows=.text vstart=0 align=1

r_old13:        dd 0
r_total:        dd 0
r_spt:          dw 0
r_heads:        dw 0
r_max_cyl:      dw 0
r_disk_kb:      dw 0
r_xms_handle:   dw 0
r_xms_entry:    dd 0
r_count:        db 0
; Diskette parameter table for function 08h.
r_dpt:          db 0DFh, 02h, 25h, 02h, 32, 1Bh, 0FFh, 54h, 0F6h, 0Fh, 08h
                align 4
r_gdt:          times 48 db 0

r_int13:
        cmp dl, 0
        jne .chain
        cmp ah, 00h
        je .ok
        cmp ah, 02h
        je .read
        cmp ah, 03h
        je .write
        cmp ah, 04h
        je .verify
        cmp ah, 08h
        je .params
        cmp ah, 15h
        je .type
        cmp ah, 16h
        je .ok
.chain:
        jmp far [cs:r_old13]

.write:
        mov ah, 03h                     ; write-protected
        jmp .fail
.ok:
        xor ah, ah
        jmp .done
.type:
        mov ah, 01h                     ; a diskette drive without change line
        clc
        jmp .ret
.params:
        mov ax, [cs:r_max_cyl]
        mov ch, al
        mov cl, ah
        shl cl, 6
        or cl, [cs:r_spt]
        mov dh, [cs:r_heads]
        dec dh
        mov dl, 1                       ; one diskette drive
        mov bl, 04h                     ; reported as a 1.44 MB drive type
        push cs
        pop es
        mov di, r_dpt
        xor ax, ax
        jmp .done

.verify:
        call check_range
        jc .fail
        mov al, [cs:r_count]
        xor ah, ah
        jmp .done

.read:
        call check_range
        jc .fail
        ; EAX = first sector. Source 110000h + sector * 512.
        push esi
        push edi
        push ecx
        push es
        push bx
        shl eax, 9
        add eax, DATA_BASE
        mov esi, eax
        movzx edi, bx
        mov ax, es
        movzx eax, ax
        shl eax, 4
        add edi, eax
        movzx cx, byte [cs:r_count]
        shl cx, 8                       ; sectors to words
        push cs
        pop es
        mov bx, r_gdt
        ; descriptors at r_gdt + 10h (source) and + 18h (destination)
        push di
        mov di, r_gdt
        push cx
        mov cx, 48
        xor al, al
        rep stosb
        pop cx
        pop di
        mov eax, esi
        mov bx, r_gdt + 10h
        call describe
        mov eax, edi
        mov bx, r_gdt + 18h
        call describe
        mov si, r_gdt
        mov ah, 87h
        int 15h
        pop bx
        pop es
        pop ecx
        pop edi
        pop esi
        jc .io_error
        call claim_xms
        mov al, [cs:r_count]
        xor ah, ah
        jmp .done
.io_error:
        mov ah, 20h                     ; controller failure
.fail:
        stc
        jmp .ret
.done:
        clc
.ret:
        sti
        retf 2

; Checks a request: AL count, CH/CL cylinder and sector, DH head. Returns
; the first sector in EAX with carry clear, or AH = error with carry set.
check_range:
        mov [cs:r_count], al
        test al, al
        jz .bad_command
        cmp al, 128
        jae .bad_command
        push edx
        push ecx
        push ebx
        movzx ebx, cl
        and bl, 3Fh
        jz .not_found
        cmp bx, [cs:r_spt]
        ja .not_found
        movzx eax, dh
        cmp ax, [cs:r_heads]
        jae .not_found
        ; cylinder = CH + (CL bits 6-7) * 256
        movzx ecx, cx
        xchg cl, ch
        shr ch, 6
        ; sector = (cylinder * heads + head) * spt + sector - 1
        push eax
        movzx eax, word [cs:r_heads]
        mul ecx
        pop ecx
        add eax, ecx
        movzx ecx, word [cs:r_spt]
        mul ecx
        lea eax, [eax + ebx - 1]
        ; the whole request must lie on the disk
        movzx ecx, byte [cs:r_count]
        add ecx, eax
        cmp ecx, [cs:r_total]
        ja .not_found
        pop ebx
        pop ecx
        pop edx
        clc
        ret
.not_found:
        pop ebx
        pop ecx
        pop edx
        mov ah, 04h
        stc
        ret
.bad_command:
        mov ah, 01h
        stc
        ret

describe:
        push cx
        shl cx, 1
        dec cx
        mov [cs:bx], cx
        pop cx
        mov [cs:bx + 2], ax
        shr eax, 16
        mov [cs:bx + 4], al
        mov byte [cs:bx + 5], 93h
        mov [cs:bx + 7], ah
        ret

; Once a memory manager is loaded, claims the disk's extended memory from it
; so that no program it serves is handed the RAM disk.
claim_xms:
        cmp word [cs:r_xms_handle], 0
        jne .done
        pusha
        push es
        mov ax, 4300h
        int 2Fh
        cmp al, 80h
        jne .out
        mov ax, 4310h
        int 2Fh
        mov [cs:r_xms_entry], bx
        mov [cs:r_xms_entry + 2], es
        mov ah, 08h
        call far [cs:r_xms_entry]
        mov dx, ax
        mov ah, 09h
        call far [cs:r_xms_entry]
        test ax, ax
        jz .out
        mov [cs:r_xms_handle], dx
        mov bx, [cs:r_disk_kb]
        mov ah, 0Fh
        call far [cs:r_xms_entry]
        mov dx, [cs:r_xms_handle]
        mov ah, 0Ch
        call far [cs:r_xms_entry]
.out:
        pop es
        popa
.done:
        ret

resident_end:
resident_size equ resident_end

