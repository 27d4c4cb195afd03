; Start-up code of an extended boot image. The network boot menu copies the
; first N bytes of the image file to 1000:0000, moves the K KB of volume data
; that follow down to physical 110000h, writes "pc" at offset 4 of its work
; buffer and jumps here. This code
;   - checks that the header's sizes and geometry fit what was received,
;   - reads the memory map (INT 15h E820, else E801, else 88h) and moves the
;     volume to the highest usable RAM below 4 GiB that holds it, checking
;     every move and the moved volume as a whole,
;   - keeps or shuts down the network stack as the image's options say,
;   - installs a RAM disk over the volume as drive A: (INT 13h), read-only
;     unless the image's writable option is set, and hides the volume's
;     memory from the INT 15h memory map (E820 reports it reserved, E801 and
;     88h report no memory from its start on),
;   - and boots the volume's first sector at 0000:7C00 with DL = 0.
; Programs loaded from the disk that switch to protected mode (and use the
; memory the map reports free) therefore never run over the disk.
; The header fields marked "library" are written when the image is created.

bits 16
cpu 386

%define DATA_BASE       110000h         ; where the menu leaves the volume
%define LOADER_SEG      0C00h           ; where the menu program runs
%define RECEIVED_SIZE   073Ah + 130     ; its TFTP block's BufferSize after the read
%define SCRATCH_SEG     2000h           ; 32 KB of free base memory for checksums
%define PIECE           8000h           ; bytes per block move of the installer
%define MAP_MAX         64              ; ranges of the BIOS memory map kept
%define RMAP_MAX        (MAP_MAX + 2)   ; after splitting the volume's range off
%define SMAP            534D4150h
%define bios_map        8000h           ; the BIOS ranges, 1000:8000, past the code

%define PXENV_UNDI_CLEANUP      0002h
%define PXENV_UNDI_SHUTDOWN     0005h
%define PXENV_UNDI_CLOSE        0007h
%define PXENV_STOP_UNDI         0015h
%define PXENV_STOP_BASE         0076h

%define OPT_KEEP_UNDI   0200h
%define OPT_KEEP_BASE   0400h
%define OPT_WRITABLE    0800h

; The work area of the resident part, 1 KB in a page of its own.
%define W_CALLER_SP     0               ; the caller's SP, then SS
%define W_CALLER_SS     2
%define W_STACK_TOP     400h

; A field of the resident part, in the template copy inside this code.
%define TPL(field)      (resident_image + (field - r_mark))

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
vol_bytes:      dd 0                    ; K * 1024
vol_base:       dd 0                    ; where the volume goes
vol_sum:        dd 0                    ; checksum of the volume as received
max_cyl:        dw 0
map_count:      dw 0                    ; ranges in bios_map
map_entry_size: dw 20                   ; bytes per range the BIOS gave (20 or 24)
map_is_e820:    db 0                    ; the ranges came from E820
; One range being written into the hidden map.
e_base:         dd 0, 0
e_length:       dd 0, 0
e_type:         dd 0
e_attr:         dd 0

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

        call check_header
        mov si, msg_bad_header
        jc halt_with
        ; The boot ROM may hook INT 15h to hide its own memory and give it
        ; back when it is shut down: the map is read once that is settled.
        call network_stack
        call read_memory_map
        mov si, msg_map_too_large
        jc halt_with
        call choose_place
        mov si, msg_no_memory
        jc halt_with
        call move_volume
        mov si, msg_move_failed
        jc halt_with
        call build_hidden_map
        mov si, msg_map_too_large
        jc halt_with

        call install_disk

        ; First sector of the volume to 0000:7C00 and boot it as drive A:
        mov esi, [vol_base]
        mov edi, 7C00h
        mov ecx, 512
        call block_move
        mov si, msg_move_failed
        jc halt_with
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
        call print
        xor ah, ah
        int 16h
        xor ax, ax
        mov es, ax
        mov word [es:0472h], 1234h
        jmp 0FFFFh:0000h

; Shows the message at DS:SI and stops for good: nothing behind it may run.
halt_with:
        call print
.stop:  sti
        hlt
        jmp short .stop

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
; Checks that the header describes what the menu received: the whole
; start-up code, a volume that lies inside the received file, a total of
; sectors that is the volume's size, and a geometry the BIOS interface can
; express (1-63 sectors, 1-256 heads, whole cylinders, at most 1024).
; Carry set when anything does not fit.
check_header:
        movzx eax, word [hdr_code_size]
        cmp ax, code_end
        jb .bad
        movzx ecx, word [hdr_disk_kb]
        jecxz .bad
        shl ecx, 10
        mov [vol_bytes], ecx
        add eax, ecx
        push LOADER_SEG
        pop es
        cmp eax, [es:RECEIVED_SIZE]
        ja .bad
        mov eax, [hdr_sectors]
        test eax, 0FFFE0000h
        jnz .bad
        shl eax, 9
        cmp eax, [vol_bytes]
        jne .bad
        movzx ecx, word [hdr_spt]
        jecxz .bad
        cmp cx, 63
        ja .bad
        movzx ebx, word [hdr_heads]
        test bx, bx
        jz .bad
        cmp bx, 256
        ja .bad
        imul ecx, ebx
        mov eax, [hdr_sectors]
        xor edx, edx
        div ecx
        test edx, edx
        jnz .bad
        cmp eax, 1024
        ja .bad
        dec ax
        mov [max_cyl], ax
        clc
        ret
.bad:   stc
        ret

; ---------------------------------------------------------------------------
; Reads the memory map into bios_map as 24-byte ranges (base, length, type,
; attributes). E820 when the BIOS has it; else the one or two ranges E801
; gives; else the one range of function 88h. Carry set when the BIOS has
; more ranges than the RAM disk keeps.
read_memory_map:
        push ds
        pop es
        xor ebx, ebx
        xor bp, bp
        mov di, bios_map
.e820:  mov dword [di + 20], 1          ; a range without attributes is valid
        mov eax, 0E820h
        mov edx, SMAP
        mov ecx, 24
        int 15h
        jc .e820_end                    ; some BIOSes end the list this way
        cmp eax, SMAP
        jne .e820_end
        cmp ecx, 20
        jb .e820_end
        cmp ecx, 24
        jb .counted
        mov word [map_entry_size], 24
.counted:
        cmp bp, MAP_MAX
        jae .too_many
        inc bp
        add di, 24
        test ebx, ebx
        jnz .e820
.e820_end:
        test bp, bp
        jz .e801
        mov [map_count], bp
        mov byte [map_is_e820], 1
        clc
        ret
.too_many:
        stc
        ret

.e801:  mov word [map_entry_size], 20
        xor cx, cx
        xor dx, dx
        mov ax, 0E801h
        int 15h
        jc .e88
        test ax, ax                     ; some BIOSes answer in CX and DX only
        jnz .e801_use
        test bx, bx
        jnz .e801_use
        mov ax, cx
        mov bx, dx
.e801_use:
        movzx eax, ax
        shl eax, 10
        mov edx, 100000h
        call .add_range
        movzx eax, bx
        shl eax, 16
        mov edx, 1000000h
        call .add_range
        clc
        ret
.e88:   mov ah, 88h
        int 15h
        jnc .e88_use
        xor ax, ax
.e88_use:
        movzx eax, ax
        shl eax, 10
        mov edx, 100000h
        call .add_range
        clc
        ret

; One usable range of EAX bytes at EDX, when it is not empty.
.add_range:
        test eax, eax
        jz .no_range
        mov di, [map_count]
        imul di, di, 24
        add di, bios_map
        mov [di], edx
        mov dword [di + 4], 0
        mov [di + 8], eax
        mov dword [di + 12], 0
        mov dword [di + 16], 1
        mov dword [di + 20], 1
        inc word [map_count]
.no_range:
        ret

; ---------------------------------------------------------------------------
; Chooses where the volume goes: the highest place below 4 GiB, on a 4 KiB
; boundary, not below 110000h, inside a usable range and over no range of
; another type. Sets vol_base; carry set when no place holds the volume.
choose_place:
        mov dword [vol_base], 0
        mov si, bios_map
        mov cx, [map_count]
.range: cmp dword [si + 16], 1
        jne .next
        test byte [si + 20], 1
        jz .next
        cmp dword [si + 4], 0
        jne .next
        ; top = end of the range, at most 4 GiB - 4 KiB, rounded down
        mov eax, [si]
        xor edx, edx
        add eax, [si + 8]
        adc edx, [si + 12]
        jz .end_low
        mov eax, 0FFFFF000h
.end_low:
        and eax, 0FFFFF000h
        ; lowest start = the range's base rounded up, at least 110000h
        mov ebx, [si]
        add ebx, 0FFFh
        jc .next
        and ebx, 0FFFFF000h
        cmp ebx, DATA_BASE
        jae .try
        mov ebx, DATA_BASE
.try:   mov edx, eax
        sub edx, [vol_bytes]
        jb .next
        and edx, 0FFFFF000h
        cmp edx, ebx
        jb .next
        call find_conflict
        jc .try                         ; EAX is the lower top to try
        cmp edx, [vol_base]
        jbe .next
        mov [vol_base], edx
.next:  add si, 24
        loop .range
        cmp dword [vol_base], 1
        ret                             ; carry set when still 0

; EDX = a start for the volume. Carry set, with EAX = the conflict's base
; rounded down, when a range that is not usable RAM overlaps the volume
; placed there.
find_conflict:
        push cx
        push si
        push ebx
        mov si, bios_map
        mov cx, [map_count]
.range: cmp dword [si + 16], 1
        je .next
        test byte [si + 20], 1
        jz .next
        cmp dword [si + 4], 0
        jne .next
        mov ebx, edx
        add ebx, [vol_bytes]
        cmp [si], ebx                   ; starts at or after the volume's end
        jae .next
        mov eax, [si]
        xor ebx, ebx
        add eax, [si + 8]
        adc ebx, [si + 12]
        jnz .conflict                   ; runs past 4 GiB
        cmp eax, edx                    ; ends at or before the volume's start
        jbe .next
.conflict:
        mov eax, [si]
        and eax, 0FFFFF000h
        stc
        jmp short .out
.next:  add si, 24
        loop .range
        clc
.out:   pop ebx
        pop si
        pop cx
        ret

; ---------------------------------------------------------------------------
; Moves the volume from 110000h to vol_base. The destination is never below
; the source, so the pieces go from the end backwards and none is larger
; than the distance: an overlapping move never reads what it already wrote.
; Every block move is checked, and the moved volume must have the checksum
; the received one had. Carry set on any failure.
move_volume:
        mov esi, DATA_BASE
        call checksum_volume
        jc .out
        mov [vol_sum], eax
        mov ebp, [vol_base]
        sub ebp, DATA_BASE              ; distance
        jz .verify
        mov edx, [vol_bytes]            ; bytes still to move, from the end
.piece: mov ecx, PIECE
        cmp ecx, ebp
        jbe .size1
        mov ecx, ebp
.size1: cmp ecx, edx
        jbe .size2
        mov ecx, edx
.size2: sub edx, ecx
        lea esi, [edx + DATA_BASE]
        mov edi, [vol_base]
        add edi, edx
        call block_move
        jc .out
        test edx, edx
        jnz .piece
.verify:
        mov esi, [vol_base]
        call checksum_volume
        jc .out
        cmp eax, [vol_sum]
        je .out                         ; equal: carry clear
        stc
.out:   ret

; EAX = checksum of the vol_bytes at physical ESI, read through the scratch
; buffer. Carry set when a block move fails.
checksum_volume:
        push edx
        push ebx
        mov edx, [vol_bytes]
        xor ebx, ebx
.piece: mov ecx, PIECE
        cmp ecx, edx
        jbe .sized
        mov ecx, edx
.sized: sub edx, ecx
        mov edi, SCRATCH_SEG << 4
        call block_move
        jc .out
        push ds
        push si
        push SCRATCH_SEG
        pop ds
        xor si, si
        shr cx, 2
.sum:   rol ebx, 5
        add ebx, [si]
        add si, 4
        loop .sum
        pop si
        pop ds
        test edx, edx
        jnz .piece
        mov eax, ebx
        clc
.out:   pop ebx
        pop edx
        ret

; ---------------------------------------------------------------------------
; Writes the memory map the hook will report into the resident template:
; the BIOS's ranges as they are, except that a usable range that holds part
; of the volume is split into the parts below and above it (still usable)
; and the part the volume takes (reserved, type 2). Carry set when the
; result has more ranges than the template holds.
build_hidden_map:
        cmp byte [map_is_e820], 0
        je .done
        mov si, bios_map
        mov di, TPL(r_map)
        mov cx, [map_count]
.range: push cx
        mov eax, [si + 20]
        mov [e_attr], eax
        cmp dword [si + 16], 1
        jne .copy
        cmp dword [si + 4], 0
        jne .copy
        ; end of the range, 64 bits in EBX:EAX
        mov eax, [si]
        xor ebx, ebx
        add eax, [si + 8]
        adc ebx, [si + 12]
        mov edx, [vol_base]
        add edx, [vol_bytes]            ; volume end
        cmp [si], edx
        jae .copy                       ; starts after the volume
        test ebx, ebx
        jnz .overlaps
        cmp eax, [vol_base]
        jbe .copy                       ; ends before the volume
.overlaps:
        push ebx
        push eax
        ; below the volume
        mov eax, [si]
        cmp eax, [vol_base]
        jae .no_below
        mov [e_base], eax
        mov edx, [vol_base]
        sub edx, eax
        mov [e_length], edx
        mov dword [e_length + 4], 0
        mov dword [e_type], 1
        call .emit
        jc .full2
.no_below:
        ; the volume's part, reserved
        mov eax, [si]
        cmp eax, [vol_base]
        jae .start_in
        mov eax, [vol_base]
.start_in:
        mov [e_base], eax
        pop edx                         ; end, low
        pop ebx                         ; end, high
        push ebx
        push edx
        mov ecx, [vol_base]
        add ecx, [vol_bytes]
        test ebx, ebx
        jnz .end_volume
        cmp edx, ecx
        jb .end_in
.end_volume:
        mov edx, ecx
.end_in:
        sub edx, eax
        mov [e_length], edx
        mov dword [e_length + 4], 0
        mov dword [e_type], 2
        call .emit
        jc .full2
        ; above the volume
        pop eax
        pop ebx
        mov ecx, [vol_base]
        add ecx, [vol_bytes]
        test ebx, ebx
        jnz .above
        cmp eax, ecx
        jbe .next
.above: mov [e_base], ecx
        sub eax, ecx
        sbb ebx, 0
        mov [e_length], eax
        mov [e_length + 4], ebx
        mov dword [e_type], 1
        call .emit
        jc .full
        jmp short .next
.copy:  push si
        push di
        mov di, e_base
        push es
        push ds
        pop es
        mov cx, 20
        rep movsb
        pop es
        pop di
        pop si
        call .emit
        jc .full
.next:  pop cx
        add si, 24
        dec cx
        jnz .range
.done:  clc
        ret
.full2: add sp, 8
.full:  pop cx
        stc
        ret

; Appends e_base .. e_attr to the template's map at DI.
.emit:  cmp word [TPL(r_map_count)], RMAP_MAX
        jae .no_room
        push si
        push es
        push ds
        pop es
        mov si, e_base
        mov cx, 24
        rep movsb
        pop es
        pop si
        inc word [TPL(r_map_count)]
        clc
        ret
.no_room:
        stc
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
; Moves the resident part (disk service, memory map hook, the map they
; report) into the top of base memory and hooks INT 13h and INT 15h.
install_disk:
        ; Geometry, place and limits into the template first.
        mov ax, [hdr_spt]
        mov [TPL(r_spt)], ax
        mov [TPL(r_dpt) + 4], al
        mov ax, [hdr_heads]
        mov [TPL(r_heads)], ax
        mov eax, [hdr_sectors]
        mov [TPL(r_total)], eax
        mov ax, [max_cyl]
        mov [TPL(r_max_cyl)], ax
        mov eax, [vol_base]
        mov [TPL(r_base)], eax
        mov ecx, [vol_bytes]
        mov [TPL(r_size)], ecx
        mov ax, [map_entry_size]
        mov [TPL(r_map_entry_size)], ax
        mov al, [map_is_e820]
        mov [TPL(r_serve_e820)], al
        test word [hdr_options], OPT_WRITABLE
        setnz [TPL(r_writable)]
        ; E801 and 88h: no KB at or above the volume's start.
        mov eax, [vol_base]
        sub eax, 100000h
        shr eax, 10
        cmp eax, 0FFFFh
        jbe .kb_fits
        mov ax, 0FFFFh
.kb_fits:
        mov [TPL(r_limit_kb)], ax
        mov eax, [vol_base]
        sub eax, 1000000h
        jae .above_16m
        xor eax, eax
.above_16m:
        shr eax, 16
        mov [TPL(r_limit_64k)], ax
        ; A diskette drive is present; base memory shrinks by the KB taken.
        ; The resident part is code (with the map) and a work area (stack and
        ; descriptor table) that must not share a 4 KB page with the code:
        ; an emulator takes a slow path for every write to a page that holds
        ; code it has translated. Either the work area sits in the KB under
        ; the top and the code under that page, or the code sits under the
        ; top and the work area in the KB under the code's lowest page;
        ; whichever takes less.
        push 0040h
        pop es
        or byte [es:0010h], 01h
        mov ax, [es:0013h]              ; top of base memory, KB
        mov bx, ax
        dec bx                          ; work area (first way)
        mov cx, bx
        and cx, byte ~3
        sub cx, RESIDENT_KB             ; code (first way), also the new top
        mov dx, ax
        sub dx, RESIDENT_KB             ; code (second way)
        mov ax, dx
        and ax, byte ~3
        dec ax                          ; work area (second way), the new top
        cmp ax, cx
        jb .first_way
        mov bx, ax
        mov cx, dx
        jmp short .placed
.first_way:
        mov ax, cx
.placed:
        mov [es:0013h], ax
        shl bx, 6                       ; KB to a segment
        mov [TPL(r_work_seg)], bx
        shl cx, 6
        mov es, cx

        mov si, resident_image
        xor di, di
        mov cx, resident_size
        rep movsb

        push ds
        xor ax, ax
        mov ds, ax
        cli
        mov eax, [13h * 4]
        mov [es:r_old13], eax
        mov word [13h * 4], r_int13
        mov [13h * 4 + 2], es
        mov eax, [15h * 4]
        mov [es:r_old15], eax
        mov word [15h * 4], r_int15
        mov [15h * 4 + 2], es
        sti
        pop ds
        push ds
        pop es
        ret

; Copies ECX bytes (even, at most 64 KB) from physical ESI to physical EDI
; with the BIOS block move; both addresses are advanced. Carry set on
; failure. Keeps every register but EAX.
block_move:
        push bx
        push cx
        push si
        mov eax, esi
        mov bx, gdt + 10h
        call .describe
        mov eax, edi
        mov bx, gdt + 18h
        call .describe
        xor eax, eax
        mov [gdt + 00h], eax
        mov [gdt + 04h], eax
        mov [gdt + 08h], eax
        mov [gdt + 0Ch], eax
        mov [gdt + 20h], eax
        mov [gdt + 24h], eax
        mov [gdt + 28h], eax
        mov [gdt + 2Ch], eax
        push es
        push ds
        pop es
        shr cx, 1
        jnz .words
        mov cx, 8000h                   ; 64 KB
.words: mov si, gdt
        mov ah, 87h
        int 15h
        pop es
        pop si
        pop cx
        pop bx
        jc .out
        add esi, ecx
        add edi, ecx
        clc
.out:   ret
.describe:
        push cx
        dec cx
        mov [bx], cx                    ; limit
        pop cx
        mov [bx + 2], eax               ; base bits 0-23, then the access byte
        mov byte [bx + 5], 93h
        shr eax, 24
        mov byte [bx + 6], 0
        mov [bx + 7], al
        ret

msg_not_from_menu:
        db 13, 10, "This extended boot image must be started from a network boot menu.", 13, 10
        db "Press any key to restart the computer.", 13, 10, 0
msg_bad_header:
        db 13, 10, "Error: this boot image is damaged: its header does not fit the file received", 13, 10
        db "(sizes or disk geometry). Nothing was started; restart the computer.", 13, 10, 0
msg_no_memory:
        db 13, 10, "Error: this computer has too little memory above 1 MB for the boot image's", 13, 10
        db "RAM disk. Nothing was started; restart the computer.", 13, 10, 0
msg_move_failed:
        db 13, 10, "Error: the boot image's RAM disk could not be moved to high memory intact.", 13, 10
        db "Nothing was started; restart the computer.", 13, 10, 0
msg_map_too_large:
        db 13, 10, "Error: this computer's memory map has more ranges than the RAM disk can keep.", 13, 10
        db "Nothing was started; restart the computer.", 13, 10, 0

                align 16
resident_image:

; ---------------------------------------------------------------------------
; The resident part, copied to the top of base memory. It serves drive 0
; from the volume at r_base and hands every other drive to the handler that
; was there before; it answers the memory map functions with the volume's
; memory taken out and passes every other INT 15h function on unchanged.
; It starts with a description other programs may read: the "MVRD" mark,
; the two previous vectors, and the volume's place and size.
section resident follows=.text vstart=0 align=16

r_mark:         db "MVRD"               ; 0x00
r_old13:        dd 0                    ; 0x04
r_old15:        dd 0                    ; 0x08
r_base:         dd 0                    ; 0x0C physical start of the volume
r_size:         dd 0                    ; 0x10 its size in bytes
r_total:        dd 0                    ; sectors
r_spt:          dw 0
r_heads:        dw 0
r_max_cyl:      dw 0
r_limit_kb:     dw 0                    ; E801 AX/CX and 88h AX at most this
r_limit_64k:    dw 0                    ; E801 BX/DX at most this
r_map_count:    dw 0
r_map_entry_size: dw 20
r_serve_e820:   db 0
r_writable:     db 0
r_work_seg:     dw 0                    ; the work area: stack and descriptors
; Diskette parameter table for function 08h (byte 4: sectors per track).
r_dpt:          db 0DFh, 02h, 25h, 02h, 18, 1Bh, 0FFh, 54h, 0F6h, 0Fh, 08h

; A read or write of function 02h/03h: with the caller's EAX saved, the
; range checked (refused through .refused) and the registers the block moves
; use saved; CX = sectors asked, ESI = EDI = the buffer, EAX = the volume.
; Macros rather than routines: .refused finds the caller's EAX on top of
; the stack, and the resident part keeps its size.
%macro TRANSFER_ENTER 0
        push eax
        call check_range
        jc .refused
        push esi
        push edi
        push ecx
        push bx
        push es
        movzx cx, al                    ; sectors asked
        call buffer_address             ; ESI = EDI = buffer, EAX = volume
%endmacro

; Undoes TRANSFER_ENTER; the caller's EAX is back, AH is set after it.
%macro TRANSFER_LEAVE 0
        pop es
        pop bx
        pop ecx
        pop edi
        pop esi
        pop eax
%endmacro

r_int13:
        cmp dl, 0
        jne .chain
        ; Everything this request pushes, the BIOS's block move included,
        ; goes on the work area's stack; of the caller's stack only the word
        ; for DS is written. Interrupts stay off until the answer, so the
        ; one stack is never entered twice.
        push ds
        mov ds, [cs:r_work_seg]
        mov [W_CALLER_SP], sp
        mov [W_CALLER_SS], ss
        mov ss, [cs:r_work_seg]         ; no interrupt before the next one
        mov sp, W_STACK_TOP
        push bx
        lds bx, [W_CALLER_SP]
        mov ds, [bx]                    ; the caller's DS again
        pop bx
        cmp ah, 02h
        je .read
        cmp ah, 03h
        je .write
        cmp ah, 00h
        je .ok
        cmp ah, 01h
        je .status
        cmp ah, 04h
        je .verify
        cmp ah, 08h
        je .params
        cmp ah, 15h
        je .type
        cmp ah, 16h
        je .change_line
        mov ah, 01h                     ; no such function on this drive
        jmp .finish
.chain:
        jmp far [cs:r_old13]

.status:
        push ds
        push 0040h
        pop ds
        mov ah, [0041h]                 ; the last request's status
        pop ds
        cmp ah, 1
        cmc
        jmp .ret
.change_line:
        xor ah, ah                      ; not changed
        clc
        jmp .ret
.type:
        mov ah, 02h                     ; a diskette drive with change line
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
        push ds
        push 0040h
        pop ds
        mov dl, [0010h]                 ; diskette drives the BIOS counts
        pop ds
        shr dl, 6
        inc dl
        mov bl, 04h                     ; 1.44 MB unless the geometry says else
        cmp byte [cs:r_spt], 9
        jne .not_720
        mov bl, 03h
.not_720:
        cmp byte [cs:r_spt], 36
        jne .not_2880
        mov bl, 06h
.not_2880:
        push cs
        pop es
        mov di, r_dpt
        xor ax, ax
        jmp .finish

.verify:
        push eax
        call check_range
        jc .refused
        pop eax
        xor ah, ah                      ; AL = count, as asked
        jmp .finish

.write:
        cmp byte [cs:r_writable], 0
        jne .writable
        mov ah, 03h                     ; write-protected
        jmp .finish
.writable:
        TRANSFER_ENTER
        mov edi, eax
        jmp short .piece

; The caller's EAX is on the stack: it comes back with AH = the error.
.refused:
        push bp
        mov bp, sp
        mov [bp + 3], ah
        pop bp
        pop eax
        jmp .finish

.read:
        TRANSFER_ENTER
        mov esi, eax
.piece: mov bx, cx
        cmp bx, 127                     ; sectors of one block move
        jbe .sized
        mov bx, 127
.sized: sub cx, bx
        call r_move
        jc .io_error
        test cx, cx
        jnz .piece
        TRANSFER_LEAVE
        xor ah, ah                      ; AL = count, as asked
        jmp short .finish
.io_error:
        TRANSFER_LEAVE
        mov ah, 20h                     ; controller failure
        jmp short .finish
.ok:
        xor ah, ah
; AH = status: kept in the BIOS data area for function 01h; carry = AH != 0.
.finish:
        push ds
        push 0040h
        pop ds
        mov [0041h], ah
        pop ds
        cmp ah, 1
        cmc
.ret:
        lss sp, [ss:W_CALLER_SP]        ; flags kept
        pop ds                          ; the same DS as now
        sti
        retf 2

; From EAX = sector number and AL = count: EAX = physical address of the
; sector in the volume, ESI = EDI = physical address of the buffer ES:BX.
buffer_address:
        push eax
        movzx edi, bx
        mov ax, es
        movzx eax, ax
        shl eax, 4
        add edi, eax
        mov esi, edi
        pop eax
        shr eax, 8                      ; the sector number, count dropped
        shl eax, 9
        add eax, [cs:r_base]
        ret

; Moves BX sectors from physical ESI to physical EDI with the BIOS block
; move and advances both. Carry set on failure. The descriptor table is
; built on the stack: the resident part itself is never written while it
; serves, so an emulator never sees its code page change.
r_move:
        push cx
        push ax
        push si
        sub sp, 48
        push ss
        pop es
        mov cx, bx
        shl cx, 8                       ; sectors to words
        push bp
        mov bp, sp
        add bp, 2                       ; the table
        xor eax, eax
        mov [bp + 00h], eax
        mov [bp + 04h], eax
        mov [bp + 08h], eax
        mov [bp + 0Ch], eax
        mov [bp + 20h], eax
        mov [bp + 24h], eax
        mov [bp + 28h], eax
        mov [bp + 2Ch], eax
        mov eax, esi
        lea si, [bp + 10h]
        call describe
        mov eax, edi
        lea si, [bp + 18h]
        call describe
        mov si, bp
        pop bp
        mov ah, 87h
        int 15h
        lea sp, [esp + 48]              ; keeps the carry
        pop si
        pop ax
        pop cx
        jc .out
        push bx
        movzx ebx, bx
        shl ebx, 9
        add esi, ebx
        add edi, ebx
        pop bx
        clc
.out:   ret

; One descriptor at SS:SI for CX words at physical EAX.
describe:
        push cx
        shl cx, 1
        dec cx
        mov [ss:si], cx
        pop cx
        mov [ss:si + 2], eax            ; base bits 0-23, access byte after
        mov byte [ss:si + 5], 93h
        shr eax, 24
        mov byte [ss:si + 6], 0
        mov [ss:si + 7], al
        ret

; Checks a request: AL count, CH/CL cylinder and sector, DH head. Returns
; with carry clear and EAX = first sector * 256 + count (AL as it came), or
; AH = error with carry set.
check_range:
        test al, al
        jz .bad_command
        push edx
        push ecx
        push ebx
        push si
        movzx si, al
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
        movzx ecx, si
        add ecx, eax
        cmp ecx, [cs:r_total]
        ja .not_found
        shl eax, 8
        or ax, si
        pop si
        pop ebx
        pop ecx
        pop edx
        clc
        ret
.not_found:
        pop si
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

; ---------------------------------------------------------------------------
; INT 15h: the memory map without the volume.
r_int15:
        cmp ax, 0E801h
        je .e801
        cmp ah, 88h
        je .e88
        cmp eax, 0E820h
        je .e820
.chain:
        jmp far [cs:r_old15]

.e801:
        pushf
        call far [cs:r_old15]
        jc .fail
        cmp ax, [cs:r_limit_kb]
        jbe .ax_ok
        mov ax, [cs:r_limit_kb]
.ax_ok: cmp cx, [cs:r_limit_kb]
        jbe .cx_ok
        mov cx, [cs:r_limit_kb]
.cx_ok: cmp bx, [cs:r_limit_64k]
        jbe .bx_ok
        mov bx, [cs:r_limit_64k]
.bx_ok: cmp dx, [cs:r_limit_64k]
        jbe .success
        mov dx, [cs:r_limit_64k]
        jmp .success

.e88:
        pushf
        call far [cs:r_old15]
        jc .fail
        cmp ax, [cs:r_limit_kb]
        jbe .success
        mov ax, [cs:r_limit_kb]
        jmp short .success

.e820:
        cmp byte [cs:r_serve_e820], 0
        je .chain
        cmp edx, SMAP
        jne .chain
        movzx eax, word [cs:r_map_count]
        cmp ebx, eax
        jae .bad_e820
        cmp ecx, 20
        jb .bad_e820
        push ds
        push si
        push di
        mov ax, 24
        cmp ecx, eax
        jb .size20
        cmp word [cs:r_map_entry_size], 24
        je .sized
.size20:
        mov ax, 20
.sized: movzx ecx, ax
        imul si, bx, 24
        add si, r_map
        push cs
        pop ds
        push cx
        cld
        rep movsb
        pop cx
        pop di
        pop si
        pop ds
        inc ebx
        cmp bx, [cs:r_map_count]
        jb .more
        xor ebx, ebx
.more:  mov eax, SMAP
        jmp short .success
.bad_e820:
        mov ah, 86h
.fail:  push bp
        mov bp, sp
        or byte [bp + 6], 1
        pop bp
        iret
.success:
        push bp
        mov bp, sp
        and byte [bp + 6], 0FEh
        pop bp
        iret

                align 4
r_map:          times RMAP_MAX * 24 db 0

resident_end:
resident_size equ resident_end - r_mark
RESIDENT_KB equ (resident_size + 1023) / 1024

code_end equ resident_image + resident_size
