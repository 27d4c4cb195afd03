; ===========================================================================
; Start-up code of an extended boot image. The network boot menu copies the
; first N bytes of the image file to EXTX_SEG:0000, moves the K KB of volume
; data that follow down to EXTX_DATA_PHYS, writes the "pc" mark at
; EXTX_WORK_MARK of its work buffer and jumps here (the hand-off of
; common/extended_image.def). This code
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
;
; Stages, in this file's order: the header; the installer (check the
; header, settle the network stack, read the memory map, place and move the
; volume, write the hidden map, install the resident part, boot); the
; installer's helpers and messages; the resident part (INT 13h disk service
; and INT 15h memory map hook), which is copied below the top of base memory
; and stays there.
; ===========================================================================

bits 16
cpu 386

%include "region.inc"
%include "bios_pxe.inc"
%include "extended_image.inc"
%include "bios_routines.inc"

STACK_TOP               equ BOOT_OFF    ; the installer's stack, at 0000:7C00 down
SCRATCH_SEG             equ 0x2000      ; 32 KB of free base memory for checksums
PIECE                   equ EXTX_PIECE  ; bytes per block move, at most the scratch's 32 KB
MAP_MAX                 equ 64          ; ranges of the BIOS memory map kept
RMAP_MAX                equ MAP_MAX + 2 ; after splitting the volume's range off
bios_map                equ 0x8000      ; the BIOS ranges, EXTX_SEG:8000, past the code
RANGE_SIZE              equ E820_RANGE_SIZE_ACPI ; every range is kept with its attributes
MAX_CYLINDERS           equ 1024        ; what INT 13h function 08h can express
MAX_SECTORS_PER_TRACK   equ 63
MAX_HEADS               equ 256
MAX_VOLUME_SECTORS      equ 0x0001FFFF  ; TOTAL_SECTORS_LIMIT_MASK below is its complement
TOTAL_SECTORS_LIMIT_MASK equ ~MAX_VOLUME_SECTORS
PAGE_SIZE               equ 0x1000      ; the volume starts on a 4 KiB boundary
PAGE_MASK               equ ~(PAGE_SIZE - 1)
TOP_BELOW_4G            equ PAGE_MASK   ; the highest page start below 4 GiB
KB_SHIFT                equ 10          ; bytes = KB << KB_SHIFT
PARAGRAPH_SHIFT         equ 4           ; bytes = paragraphs << PARAGRAPH_SHIFT
SECTOR_SHIFT            equ 9           ; bytes = sectors << SECTOR_SHIFT
PARAGRAPH_KB_SHIFT      equ 6           ; paragraphs = KB << PARAGRAPH_KB_SHIFT
PAGE_KB                 equ PAGE_SIZE / 1024
LIMIT_16_BITS           equ 0xFFFF      ; E801/88h answers are 16-bit

; The work area of the resident part, 1 KB in a page of its own.
W_CALLER_SP             equ 0           ; the caller's SP, then SS
W_CALLER_SS             equ 2
W_BLOCK_MOVE_TABLE      equ 8           ; BMD_TABLE_SIZE bytes, zeroed at installation
W_STACK_TOP             equ 0x400

; The caller's flags in the interrupt frame, with BP pushed over it.
IRET_FLAGS              equ 2 + 4
FLAGS_CARRY             equ 0x01

; A field of the resident part, in the template copy inside this code.
%define TPL(field)      (resident_image + (field - r_mark))

section .text start=0 vstart=0

; ---------------------------------------------------------------------------
; Header: the fields of extended_image.def, each checked at its offset
; ---------------------------------------------------------------------------
header:
        CHECK_AT EXTX_ENTRY
        jmp near start
        CHECK_AT EXTX_NAME
        db "MENVOLT"
        CHECK_AT EXTX_CODE_SIZE
hdr_code_size:  dw 0                    ; N: bytes copied to EXTX_SEG:0000 (library)
        CHECK_AT EXTX_DATA_KB
hdr_disk_kb:    dw 0                    ; K: KB of volume data (library)
        CHECK_AT EXTX_MARK
                db "ExTx"               ; the mark the menu looks for
        CHECK_AT EXTX_OPTIONS
hdr_options:    dw 0                    ; KTIMG_OPTION_* bits (library)
        CHECK_AT EXTX_SECTORS_PER_TRACK
hdr_spt:        dw 32                   ; sectors per track (library)
        CHECK_AT EXTX_HEADS
hdr_heads:      dw 64                   ; heads (library)
        CHECK_AT EXTX_TOTAL_SECTORS
hdr_sectors:    dd 0                    ; total sectors (library)
        CHECK_AT EXTX_FORMAT
hdr_format:     dw EXTX_FORMAT_VERSION  ; layout of this header

; Work variables of the installer
pxenv:          dd 0                    ; PXENV+ structure
rm_entry:       dd 0                    ; its real-mode entry
pxe_sp_entry:   dd 0                    ; !PXE stack-based entry, 0 when none
pxe_params:     times PXE_PARAMS_SIZE db 0 ; parameter block of the PXE calls
gdt:            times BMD_TABLE_SIZE db 0 ; INT 15h 87h descriptors
vol_bytes:      dd 0                    ; K * 1024
vol_base:       dd 0                    ; where the volume goes
vol_sum:        dd 0                    ; checksum of the volume as received
max_cyl:        dw 0
map_count:      dw 0                    ; ranges in bios_map
map_entry_size: dw E820_RANGE_SIZE      ; bytes per range the BIOS gave (20 or 24)
map_is_e820:    db 0                    ; the ranges came from E820
; One range being written into the hidden map, laid out as an E820 range.
e_base:         dd 0, 0                 ; E820_BASE
e_length:       dd 0, 0                 ; E820_LENGTH
e_type:         dd 0                    ; E820_TYPE
e_attr:         dd 0                    ; E820_ATTRIBUTES

; ===========================================================================
; Installer
; ===========================================================================

; ---------------------------------------------------------------------------
; start: the entry from the menu's hand-off
;   In:  CS = EXTX_SEG, the volume at EXTX_DATA_PHYS, the "pc" mark in the
;        menu's work buffer
;   Out: does not return: boots the volume, or stops with a message
; ---------------------------------------------------------------------------
start:
        cli
        cld
        mov ax, cs
        mov ds, ax
        xor ax, ax
        mov ss, ax
        mov sp, STACK_TOP
        sti

        ; Only the menu leaves the volume at EXTX_DATA_PHYS; started any
        ; other way there is nothing there to serve.
        mov ax, EXTX_MENU_SEG
        mov es, ax
        mov bx, [es:EXTX_MENU_LENGTH]
        add bx, (1 << PARAGRAPH_SHIFT) - 1 ; the work buffer: the next paragraph
        and bx, ~((1 << PARAGRAPH_SHIFT) - 1)
        cmp word [es:bx + EXTX_WORK_MARK], EXTX_WORK_MARK_VALUE
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
        mov edi, BOOT_PHYS
        mov ecx, SECTOR_SIZE
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
        jmp BOOT_SEG:BOOT_OFF

; ---------------------------------------------------------------------------
; not_from_menu: started some other way: say so and restart on a key
;   In:  DS = CS
;   Out: does not return
; ---------------------------------------------------------------------------
not_from_menu:
        mov si, msg_not_from_menu
        call print
        xor ah, ah                      ; read a key
        int KEYBOARD_INT
        xor ax, ax
        mov es, ax
        mov word [es:BIOS_DATA_SEG * 16 + BDA_RESET_FLAG], BDA_WARM_BOOT
        jmp RESET_SEG:RESET_OFF

; ---------------------------------------------------------------------------
; halt_with: shows a message and stops for good: nothing behind it may run
;   In:  DS:SI = NUL-terminated message
;   Out: does not return
; ---------------------------------------------------------------------------
halt_with:
        call print
.stop:  sti
        hlt
        jmp short .stop

; ---------------------------------------------------------------------------
; print: the NUL-terminated text at DS:SI in teletype mode
;   In:  DS:SI = text
;   Out: SI past the NUL
;   Clobbers: AX, BX
; ---------------------------------------------------------------------------
print:
        TELETYPE_NEXT .done
        jmp short print
.done:
        ret

; ---------------------------------------------------------------------------
; check_header: does the header describe what the menu received?
; The whole start-up code, a volume that lies inside the received file, a
; total of sectors that is the volume's size, and a geometry the BIOS
; interface can express (1-63 sectors, 1-256 heads, whole cylinders, at
; most 1024).
;   In:  DS = CS
;   Out: CF set when anything does not fit; else vol_bytes and max_cyl set
;   Clobbers: EAX, EBX, ECX, EDX, ES
; ---------------------------------------------------------------------------
check_header:
        movzx eax, word [hdr_code_size]
        cmp ax, code_end
        jb .bad
        movzx ecx, word [hdr_disk_kb]
        jecxz .bad
        shl ecx, KB_SHIFT
        mov [vol_bytes], ecx
        add eax, ecx
        push EXTX_MENU_SEG
        pop es
        cmp eax, [es:EXTX_MENU_RECEIVED]
        ja .bad
        mov eax, [hdr_sectors]
        test eax, TOTAL_SECTORS_LIMIT_MASK
        jnz .bad
        shl eax, SECTOR_SHIFT
        cmp eax, [vol_bytes]
        jne .bad
        movzx ecx, word [hdr_spt]
        jecxz .bad
        cmp cx, MAX_SECTORS_PER_TRACK
        ja .bad
        movzx ebx, word [hdr_heads]
        test bx, bx
        jz .bad
        cmp bx, MAX_HEADS
        ja .bad
        imul ecx, ebx
        mov eax, [hdr_sectors]
        xor edx, edx
        div ecx
        test edx, edx
        jnz .bad
        cmp eax, MAX_CYLINDERS
        ja .bad
        dec ax
        mov [max_cyl], ax
        clc
        ret
.bad:   stc
        ret

; ---------------------------------------------------------------------------
; read_memory_map: the BIOS memory map into bios_map
; As RANGE_SIZE-byte ranges (base, length, type, attributes): E820 when the
; BIOS has it; else the one or two ranges E801 gives; else the one range of
; function 88h.
;   In:  DS = CS
;   Out: map_count, map_entry_size, map_is_e820 set; CF set when the BIOS
;        has more ranges than the RAM disk keeps
;   Clobbers: EAX, EBX, ECX, EDX, BP, DI, ES
; ---------------------------------------------------------------------------
read_memory_map:
        push ds
        pop es
        xor ebx, ebx
        xor bp, bp
        mov di, bios_map
.e820:  mov dword [di + E820_ATTRIBUTES], E820_ATTR_ENABLED ; a range without them is valid
        mov eax, SYSTEM_E820
        mov edx, SMAP_SIGNATURE
        mov ecx, E820_RANGE_SIZE_ACPI
        int SYSTEM_INT
        jc .e820_end                    ; some BIOSes end the list this way
        cmp eax, SMAP_SIGNATURE
        jne .e820_end
        cmp ecx, E820_RANGE_SIZE
        jb .e820_end
        cmp ecx, E820_RANGE_SIZE_ACPI
        jb .counted
        mov word [map_entry_size], E820_RANGE_SIZE_ACPI
.counted:
        cmp bp, MAP_MAX
        jae .too_many
        inc bp
        add di, RANGE_SIZE
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

.e801:  mov word [map_entry_size], E820_RANGE_SIZE
        xor cx, cx
        xor dx, dx
        mov ax, SYSTEM_E801
        int SYSTEM_INT
        jc .e88
        test ax, ax                     ; some BIOSes answer in CX and DX only
        jnz .e801_use
        test bx, bx
        jnz .e801_use
        mov ax, cx
        mov bx, dx
.e801_use:
        movzx eax, ax
        shl eax, KB_SHIFT
        mov edx, HIGH_MEMORY_PHYS
        call .add_range
        movzx eax, bx
        shl eax, 16                     ; 64 KB blocks to bytes
        mov edx, E801_HIGH_PHYS
        call .add_range
        clc
        ret
.e88:   mov ah, SYSTEM_EXTENDED_MEMORY
        int SYSTEM_INT
        jnc .e88_use
        xor ax, ax
.e88_use:
        movzx eax, ax
        shl eax, KB_SHIFT
        mov edx, HIGH_MEMORY_PHYS
        call .add_range
        clc
        ret

; .add_range: one usable range of EAX bytes at EDX, when it is not empty
;   Clobbers: DI
.add_range:
        test eax, eax
        jz .no_range
        mov di, [map_count]
        imul di, di, RANGE_SIZE
        add di, bios_map
        mov [di + E820_BASE], edx
        mov dword [di + E820_BASE + 4], 0
        mov [di + E820_LENGTH], eax
        mov dword [di + E820_LENGTH + 4], 0
        mov dword [di + E820_TYPE], E820_TYPE_USABLE
        mov dword [di + E820_ATTRIBUTES], E820_ATTR_ENABLED
        inc word [map_count]
.no_range:
        ret

; ---------------------------------------------------------------------------
; choose_place: where the volume goes
; The highest place below 4 GiB, on a page boundary, not below
; EXTX_DATA_PHYS, inside a usable range and over no range of another type.
;   In:  bios_map, map_count, vol_bytes
;   Out: vol_base; CF set when no place holds the volume
;   Clobbers: EAX, EBX, CX, EDX, SI
; ---------------------------------------------------------------------------
choose_place:
        mov dword [vol_base], 0
        mov si, bios_map
        mov cx, [map_count]
.range: cmp dword [si + E820_TYPE], E820_TYPE_USABLE
        jne .next
        test byte [si + E820_ATTRIBUTES], E820_ATTR_ENABLED
        jz .next
        cmp dword [si + E820_BASE + 4], 0
        jne .next
        ; top = end of the range, at most 4 GiB - 4 KiB, rounded down
        mov eax, [si + E820_BASE]
        xor edx, edx
        add eax, [si + E820_LENGTH]
        adc edx, [si + E820_LENGTH + 4]
        jz .end_low
        mov eax, TOP_BELOW_4G
.end_low:
        and eax, PAGE_MASK
        ; lowest start = the range's base rounded up, at least 110000h
        mov ebx, [si + E820_BASE]
        add ebx, PAGE_SIZE - 1
        jc .next
        and ebx, PAGE_MASK
        cmp ebx, EXTX_DATA_PHYS
        jae .try
        mov ebx, EXTX_DATA_PHYS
.try:   mov edx, eax
        sub edx, [vol_bytes]
        jb .next
        and edx, PAGE_MASK
        cmp edx, ebx
        jb .next
        call find_conflict
        jc .try                         ; EAX is the lower top to try
        cmp edx, [vol_base]
        jbe .next
        mov [vol_base], edx
.next:  add si, RANGE_SIZE
        loop .range
        cmp dword [vol_base], 1
        ret                             ; carry set when still 0

; ---------------------------------------------------------------------------
; find_conflict: does a range that is not usable RAM overlap the volume?
;   In:  EDX = a start for the volume, bios_map, map_count, vol_bytes
;   Out: CF set, with EAX = the conflict's base rounded down to a page, when
;        one overlaps the volume placed there
;   Clobbers: EAX
; ---------------------------------------------------------------------------
find_conflict:
        push cx
        push si
        push ebx
        mov si, bios_map
        mov cx, [map_count]
.range: cmp dword [si + E820_TYPE], E820_TYPE_USABLE
        je .next
        test byte [si + E820_ATTRIBUTES], E820_ATTR_ENABLED
        jz .next
        cmp dword [si + E820_BASE + 4], 0
        jne .next
        mov ebx, edx
        add ebx, [vol_bytes]
        cmp [si + E820_BASE], ebx                   ; starts at or after the volume's end
        jae .next
        mov eax, [si + E820_BASE]
        xor ebx, ebx
        add eax, [si + E820_LENGTH]
        adc ebx, [si + E820_LENGTH + 4]
        jnz .conflict                   ; runs past 4 GiB
        cmp eax, edx                    ; ends at or before the volume's start
        jbe .next
.conflict:
        mov eax, [si + E820_BASE]
        and eax, PAGE_MASK
        stc
        jmp short .out
.next:  add si, RANGE_SIZE
        loop .range
        clc
.out:   pop ebx
        pop si
        pop cx
        ret

; ---------------------------------------------------------------------------
; move_volume: the volume from EXTX_DATA_PHYS to vol_base
; The destination is never below the source, so the pieces go from the end
; backwards and none is larger than the distance: an overlapping move never
; reads what it already wrote. Every block move is checked, and the moved
; volume must have the checksum the received one had.
;   In:  vol_base, vol_bytes
;   Out: CF set on any failure
;   Clobbers: EAX, ECX, EDX, EBP, ESI, EDI
; ---------------------------------------------------------------------------
move_volume:
        mov esi, EXTX_DATA_PHYS
        call checksum_volume
        jc .out
        mov [vol_sum], eax
        mov ebp, [vol_base]
        sub ebp, EXTX_DATA_PHYS         ; distance
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
        lea esi, [edx + EXTX_DATA_PHYS]
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

; ---------------------------------------------------------------------------
; checksum_volume: checksum of the volume's bytes at a physical address
; Read through the scratch buffer at SCRATCH_SEG, PIECE bytes at a time.
;   In:  ESI = physical address, vol_bytes
;   Out: EAX = checksum; CF set when a block move fails
;   Clobbers: ECX, ESI, EDI
; ---------------------------------------------------------------------------
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
        mov edi, SCRATCH_SEG << PARAGRAPH_SHIFT
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
; build_hidden_map: the memory map the hook will report, into the template
; The BIOS's ranges as they are, except that a usable range that holds part
; of the volume is split into the parts below and above it (still usable)
; and the part the volume takes (reserved). Nothing when the map did not
; come from E820: E801 and 88h are answered from limits instead.
;   In:  bios_map, map_count, map_is_e820, vol_base, vol_bytes
;   Out: TPL(r_map), TPL(r_map_count); CF set when the result has more
;        ranges than the template holds
;   Clobbers: EAX, EBX, ECX, EDX, SI, DI, e_base .. e_attr
; ---------------------------------------------------------------------------
build_hidden_map:
        cmp byte [map_is_e820], 0
        je .done
        mov si, bios_map
        mov di, TPL(r_map)
        mov cx, [map_count]
.range: push cx
        mov eax, [si + E820_ATTRIBUTES]
        mov [e_attr], eax
        cmp dword [si + E820_TYPE], E820_TYPE_USABLE
        jne .copy
        cmp dword [si + E820_BASE + 4], 0
        jne .copy
        ; end of the range, 64 bits in EBX:EAX
        mov eax, [si + E820_BASE]
        xor ebx, ebx
        add eax, [si + E820_LENGTH]
        adc ebx, [si + E820_LENGTH + 4]
        mov edx, [vol_base]
        add edx, [vol_bytes]            ; volume end
        cmp [si + E820_BASE], edx
        jae .copy                       ; starts after the volume
        test ebx, ebx
        jnz .overlaps
        cmp eax, [vol_base]
        jbe .copy                       ; ends before the volume
.overlaps:
        push ebx
        push eax
        ; below the volume
        mov eax, [si + E820_BASE]
        cmp eax, [vol_base]
        jae .no_below
        mov [e_base], eax
        mov edx, [vol_base]
        sub edx, eax
        mov [e_length], edx
        mov dword [e_length + 4], 0
        mov dword [e_type], E820_TYPE_USABLE
        call .emit
        jc .full2
.no_below:
        ; the volume's part, reserved
        mov eax, [si + E820_BASE]
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
        mov dword [e_type], E820_TYPE_RESERVED
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
        mov dword [e_type], E820_TYPE_USABLE
        call .emit
        jc .full
        jmp short .next
.copy:  push si
        push di
        mov di, e_base
        push es
        push ds
        pop es
        mov cx, E820_TYPE + 4           ; base, length and type; e_attr is set
        rep movsb
        pop es
        pop di
        pop si
        call .emit
        jc .full
.next:  pop cx
        add si, RANGE_SIZE
        dec cx
        jnz .range
.done:  clc
        ret
.full2: add sp, 8                       ; the range's end, two dwords
.full:  pop cx
        stc
        ret

; .emit: appends e_base .. e_attr to the template's map
;   In:  DI = the next range in TPL(r_map)
;   Out: DI past it; CF set when the map is full
;   Clobbers: CX
.emit:  cmp word [TPL(r_map_count)], RMAP_MAX
        jae .no_room
        push si
        push es
        push ds
        pop es
        mov si, e_base
        mov cx, RANGE_SIZE
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
; network_stack: keeps or shuts down the boot ROM's network stack
; Without KTIMG_OPTION_KEEP_UNDI it is shut down the way the menu shuts it
; down before a diskette boot, and the base memory it held below the end of
; its UNDI blocks is given back. With KEEP_UNDI the UNDI driver stays; with
; KEEP_BASE as well the base code stays too.
;   In:  DS = CS, hdr_options
;   Out: pxenv, rm_entry, pxe_sp_entry found; ES = DS
;   Clobbers: EAX, BX, CX, DX, DI, whatever the PXE calls clobber
; ---------------------------------------------------------------------------
network_stack:
        mov ax, PXE_INSTALL_CHECK
        int PXE_INT
        jc .done
        cmp ax, PXE_INSTALLED
        jne .done
        mov [pxenv], bx
        mov [pxenv + 2], es
        mov eax, [es:bx + PXENV_RMENTRY]
        mov [rm_entry], eax
        cmp word [es:bx + PXENV_VERSION], PXENV_VERSION_2_0
        jb .choose
        push es
        push bx
        les di, [es:bx + PXENV_PXEPTR]
        cmp dword [es:di], PXE_SIGNATURE
        jne .no_sp_entry
        mov eax, [es:di + PXE_ENTRY_POINT_SP]
        mov [pxe_sp_entry], eax
.no_sp_entry:
        pop bx
        pop es
.choose:
        test word [hdr_options], KTIMG_OPTION_KEEP_UNDI
        jz .shut_down
        test word [hdr_options], KTIMG_OPTION_KEEP_BASE
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
        add sp, 6                       ; the three words pushed
.release:
        ; The menu's rule: base memory is given back up to the end of the
        ; UNDI blocks, and a boot ROM that cleared their fields at shut-down
        ; gives nothing back rather than 0 KB.
        les bx, [pxenv]
        UNDI_BASE_MEMORY_KB
        mov [es:BDA_BASE_MEMORY_KB], ax
.done:
        push ds
        pop es
        ret

; ---------------------------------------------------------------------------
; pxe_call: the PXENV+ entry with a cleared parameter block
;   In:  BX = opcode, DS = CS
;   Out: pxe_params as the boot ROM left it; ES:DI = pxe_params
;   Clobbers: AX and whatever the boot ROM clobbers
; ---------------------------------------------------------------------------
pxe_call:
        call clear_params
        push ds
        pop es
        mov di, pxe_params
        call far [rm_entry]
        ret

; ---------------------------------------------------------------------------
; clear_params: zeroes pxe_params
;   In:  DS = CS
;   Clobbers: AL
; ---------------------------------------------------------------------------
clear_params:
        push es
        push di
        push cx
        push ds
        pop es
        mov di, pxe_params
        mov cx, PXE_PARAMS_SIZE
        xor al, al
        rep stosb
        pop cx
        pop di
        pop es
        ret

; ---------------------------------------------------------------------------
; install_disk: the resident part into the top of base memory
; Fills in the template (geometry, place, limits), moves the resident part
; (disk service, memory map hook, the map they report) below the top of base
; memory, lowers that top, and hooks INT 13h and INT 15h.
;   In:  DS = CS, the header, vol_base, vol_bytes, max_cyl, the map
;   Out: ES = DS; the hooks in place
;   Clobbers: EAX, BX, ECX, DX, SI, DI
; ---------------------------------------------------------------------------
install_disk:
        ; Geometry, place and limits into the template first.
        mov ax, [hdr_spt]
        mov [TPL(r_spt)], ax
        mov [TPL(r_dpt) + DPT_SECTORS_PER_TRACK], al
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
        test word [hdr_options], KTIMG_OPTION_WRITABLE
        setnz [TPL(r_writable)]
        ; E801 and 88h: no KB at or above the volume's start.
        mov eax, [vol_base]
        sub eax, HIGH_MEMORY_PHYS
        shr eax, KB_SHIFT
        cmp eax, LIMIT_16_BITS
        jbe .kb_fits
        mov ax, LIMIT_16_BITS
.kb_fits:
        mov [TPL(r_limit_kb)], ax
        mov eax, [vol_base]
        sub eax, E801_HIGH_PHYS
        jae .above_16m
        xor eax, eax
.above_16m:
        shr eax, 16                     ; bytes to 64 KB blocks
        mov [TPL(r_limit_64k)], ax
        ; A diskette drive is present; base memory shrinks by the KB taken.
        ; The resident part is code (with the map) and a work area (stack and
        ; descriptor table) that must not share a 4 KB page with the code:
        ; an emulator takes a slow path for every write to a page that holds
        ; code it has translated. Either the work area sits in the KB under
        ; the top and the code under that page, or the code sits under the
        ; top and the work area in the KB under the code's lowest page;
        ; whichever takes less.
        push BIOS_DATA_SEG
        pop es
        or byte [es:BDA_EQUIPMENT], EQUIPMENT_DISKETTE
        mov ax, [es:BDA_BASE_MEMORY_KB] ; top of base memory, KB
        mov bx, ax
        dec bx                          ; work area (first way)
        mov cx, bx
        and cx, byte ~(PAGE_KB - 1)
        sub cx, RESIDENT_KB             ; code (first way), also the new top
        mov dx, ax
        sub dx, RESIDENT_KB             ; code (second way)
        mov ax, dx
        and ax, byte ~(PAGE_KB - 1)
        dec ax                          ; work area (second way), the new top
        cmp ax, cx
        jb .first_way
        mov bx, ax
        mov cx, dx
        jmp short .placed
.first_way:
        mov ax, cx
.placed:
        mov [es:BDA_BASE_MEMORY_KB], ax
        shl bx, PARAGRAPH_KB_SHIFT      ; KB to a segment
        mov [TPL(r_work_seg)], bx
        mov es, bx
        mov di, W_BLOCK_MOVE_TABLE
        push cx
        mov cx, BMD_TABLE_SIZE
        xor al, al
        rep stosb
        pop cx
        shl cx, PARAGRAPH_KB_SHIFT
        mov es, cx

        mov si, resident_image
        xor di, di
        mov cx, resident_size
        rep movsb

        push ds
        xor ax, ax
        mov ds, ax
        cli
        mov eax, [DISK_INT * 4]         ; the interrupt vectors at 0000:0000
        mov [es:r_old13], eax
        mov word [DISK_INT * 4], r_int13
        mov [DISK_INT * 4 + 2], es
        mov eax, [SYSTEM_INT * 4]
        mov [es:r_old15], eax
        mov word [SYSTEM_INT * 4], r_int15
        mov [SYSTEM_INT * 4 + 2], es
        sti
        pop ds
        push ds
        pop es
        ret

; ---------------------------------------------------------------------------
; block_move: ECX bytes from physical ESI to physical EDI (BIOS block move,
; BLOCK_MOVE of bios_routines.inc with the table at gdt)
;   In:  ECX = bytes, even, at most 32 KB; ESI, EDI = physical addresses
;   Out: ESI, EDI advanced by ECX; CF set on failure
;   Clobbers: EAX
; ---------------------------------------------------------------------------
block_move:
        push edx
        BLOCK_MOVE cs, gdt
        pop edx
        ret

; ---------------------------------------------------------------------------
; Messages of the installer
; ---------------------------------------------------------------------------
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

; ===========================================================================
; Resident part, copied to the top of base memory. It serves drive 0
; from the volume at r_base and hands every other drive to the handler that
; was there before; it answers the memory map functions with the volume's
; memory taken out and passes every other INT 15h function on unchanged.
; It starts with a description other programs may read: the "MVRD" mark,
; the two previous vectors, and the volume's place and size.
; ===========================================================================
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
r_map_entry_size: dw E820_RANGE_SIZE
r_serve_e820:   db 0
r_writable:     db 0
r_work_seg:     dw 0                    ; the work area: stack and descriptors
; Diskette parameter table for function 08h, a 1.44 MB drive's; install_disk
; puts the volume's sectors per track at DPT_SECTORS_PER_TRACK.
r_dpt:          db 0xDF                 ; step rate, head unload time
                db 0x02                 ; head load time, DMA
                db 0x25                 ; motor off delay, ticks
                db 0x02                 ; bytes per sector: 128 << 2
                db 18                   ; sectors per track
                db 0x1B                 ; gap length
                db 0xFF                 ; data length
                db 0x54                 ; format gap length
                db 0xF6                 ; format fill byte
                db 0x0F                 ; head settle time, ms
                db 0x08                 ; motor start time, 1/8 s

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

; ---------------------------------------------------------------------------
; r_int13: INT 13h, drive 0 served from the volume
; Functions 00h-04h, 08h, 15h and 16h; any other function on drive 0 is
; answered 01h; every other drive goes to the previous handler.
;   In:  AH = function, DL = drive, the registers of that function
;   Out: AH = status (also in the BIOS data area), CF = AH != 0, and what
;        the function returns
;   Clobbers: nothing the function does not return
; ---------------------------------------------------------------------------
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
        cmp ah, DISK_READ
        je .read
        cmp ah, DISK_WRITE
        je .write
        cmp ah, DISK_RESET
        je .ok
        cmp ah, DISK_STATUS
        je .status
        cmp ah, DISK_VERIFY
        je .verify
        cmp ah, DISK_PARAMETERS
        je .params
        cmp ah, DISK_TYPE
        je .type
        cmp ah, DISK_CHANGE_LINE
        je .change_line
        mov ah, DISK_ERR_BAD_COMMAND    ; no such function on this drive
        jmp .finish
.chain:
        jmp far [cs:r_old13]

.status:
        push ds
        push BIOS_DATA_SEG
        pop ds
        mov ah, [BDA_DISK_STATUS]       ; the last request's status
        pop ds
        cmp ah, 1
        cmc
        jmp .ret
.change_line:
        xor ah, ah                      ; not changed
        clc
        jmp .ret
.type:
        mov ah, DISK_TYPE_CHANGE_LINE
        clc
        jmp .ret
.params:
        mov ax, [cs:r_max_cyl]
        mov ch, al
        mov cl, ah
        shl cl, DISK_CYLINDER_HIGH_SHIFT
        or cl, [cs:r_spt]
        mov dh, [cs:r_heads]
        dec dh
        push ds
        push BIOS_DATA_SEG
        pop ds
        mov dl, [BDA_EQUIPMENT]         ; diskette drives the BIOS counts
        pop ds
        shr dl, EQUIPMENT_DISKETTES_SHIFT
        inc dl
        mov bl, DRIVE_TYPE_1440K        ; unless the geometry says else
        cmp byte [cs:r_spt], 9          ; sectors per track of a 720 KB diskette
        jne .not_720
        mov bl, DRIVE_TYPE_720K
.not_720:
        cmp byte [cs:r_spt], 36         ; and of a 2.88 MB one
        jne .not_2880
        mov bl, DRIVE_TYPE_2880K
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
        mov ah, DISK_ERR_WRITE_PROTECT
        jmp .finish
.writable:
        TRANSFER_ENTER
        mov edi, eax
        jmp short .piece

; The caller's EAX is on the stack: it comes back with AH = the error.
.refused:
        push bp
        mov bp, sp
        mov [bp + 2 + 1], ah            ; over BP: the saved EAX's AH
        pop bp
        pop eax
        jmp .finish

.read:
        TRANSFER_ENTER
        mov esi, eax
.piece: mov bx, cx
        cmp bx, DISK_MAX_SECTORS        ; sectors of one block move
        jbe .sized
        mov bx, DISK_MAX_SECTORS
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
        mov ah, DISK_ERR_CONTROLLER
        jmp short .finish
.ok:
        xor ah, ah
; AH = status: kept in the BIOS data area for function 01h; carry = AH != 0.
.finish:
        push ds
        push BIOS_DATA_SEG
        pop ds
        mov [BDA_DISK_STATUS], ah
        pop ds
        cmp ah, 1
        cmc
.ret:
        lss sp, [ss:W_CALLER_SP]        ; flags kept
        pop ds                          ; the same DS as now
        sti
        retf 2

; ---------------------------------------------------------------------------
; buffer_address: the physical addresses of a transfer
;   In:  EAX = first sector * 256 + count (check_range's answer), ES:BX =
;        the caller's buffer
;   Out: EAX = physical address of the sector in the volume, ESI = EDI =
;        physical address of the buffer
;   Clobbers: nothing else
; ---------------------------------------------------------------------------
buffer_address:
        push eax
        movzx edi, bx
        mov ax, es
        movzx eax, ax
        shl eax, PARAGRAPH_SHIFT        ; segment to physical
        add edi, eax
        mov esi, edi
        pop eax
        shr eax, 8                      ; the sector number, count dropped
        shl eax, SECTOR_SHIFT
        add eax, [cs:r_base]
        ret

; ---------------------------------------------------------------------------
; r_move: BX sectors from physical ESI to physical EDI (BIOS block move,
; BLOCK_MOVE of bios_routines.inc)
; The descriptor table lies in the work area (SS): the resident part itself
; is never written while it serves, so an emulator never sees its code page
; change.
;   In:  BX = sectors, at most DISK_MAX_SECTORS; ESI, EDI = physical
;        addresses; SS = the work area
;   Out: ESI, EDI advanced; CF set on failure
;   Clobbers: EAX
; ---------------------------------------------------------------------------
r_move:
        push edx
        push ecx
        movzx ecx, bx
        shl ecx, SECTOR_SHIFT
        BLOCK_MOVE ss, W_BLOCK_MOVE_TABLE
        pop ecx
        pop edx
        ret

; ---------------------------------------------------------------------------
; check_range: does a request lie on the disk?
;   In:  AL = count, CH/CL = cylinder and sector, DH = head
;   Out: CF clear and EAX = first sector * 256 + count (AL as it came), or
;        CF set and AH = DISK_ERR_BAD_COMMAND or DISK_ERR_NOT_FOUND
;   Clobbers: nothing else
; ---------------------------------------------------------------------------
check_range:
        test al, al
        jz .bad_command
        push edx
        push ecx
        push ebx
        push si
        movzx si, al
        movzx ebx, cl
        and bl, DISK_SECTOR_MASK
        jz .not_found
        cmp bx, [cs:r_spt]
        ja .not_found
        movzx eax, dh
        cmp ax, [cs:r_heads]
        jae .not_found
        ; cylinder = CH + (CL bits 6-7) * 256
        movzx ecx, cx
        xchg cl, ch
        shr ch, DISK_CYLINDER_HIGH_SHIFT
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
        mov ah, DISK_ERR_NOT_FOUND
        stc
        ret
.bad_command:
        mov ah, DISK_ERR_BAD_COMMAND
        stc
        ret

; ---------------------------------------------------------------------------
; r_int15: INT 15h, the memory map without the volume
; E820 is answered from r_map (when the BIOS had E820), E801 and 88h with
; the previous handler's answer cut at the volume's start; every other
; function goes to the previous handler unchanged.
;   In:  AX (EAX for E820) = function, the registers of that function
;   Out: what the function returns, CF in the caller's flags
;   Clobbers: nothing the function does not return
; ---------------------------------------------------------------------------
r_int15:
        cmp ax, SYSTEM_E801
        je .e801
        cmp ah, SYSTEM_EXTENDED_MEMORY
        je .e88
        cmp eax, SYSTEM_E820
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
        cmp edx, SMAP_SIGNATURE
        jne .chain
        movzx eax, word [cs:r_map_count]
        cmp ebx, eax
        jae .bad_e820
        cmp ecx, E820_RANGE_SIZE
        jb .bad_e820
        push ds
        push si
        push di
        mov ax, E820_RANGE_SIZE_ACPI
        cmp ecx, eax
        jb .size20
        cmp word [cs:r_map_entry_size], E820_RANGE_SIZE_ACPI
        je .sized
.size20:
        mov ax, E820_RANGE_SIZE
.sized: movzx ecx, ax
        imul si, bx, RANGE_SIZE
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
.more:  mov eax, SMAP_SIGNATURE
        jmp short .success
.bad_e820:
        mov ah, SYSTEM_UNSUPPORTED
.fail:  push bp
        mov bp, sp
        or byte [bp + IRET_FLAGS], FLAGS_CARRY
        pop bp
        iret
.success:
        push bp
        mov bp, sp
        and byte [bp + IRET_FLAGS], ~FLAGS_CARRY
        pop bp
        iret

                align 4
r_map:          times RMAP_MAX * RANGE_SIZE db 0

resident_end:
resident_size equ resident_end - r_mark
RESIDENT_KB equ (resident_size + 1023) / 1024

code_end equ resident_image + resident_size
