; ===========================================================================
; Resident part (file offsets 0x005C-0x02ED)
;
; The first 750 bytes of the file are copied twice during a boot: below the
; top of base memory, where they stay as the RAM disk, and to 1000:0000,
; where they run the last move of a small boot program that would otherwise
; overwrite the code doing the move. Code here therefore runs at any
; segment: it reaches its own data through CS only and needs nothing that
; lies beyond offset 0x02ED.
; ===========================================================================

; ---------------------------------------------------------------------------
; pxe_call: call a PXE service through the PXENV+ real-mode entry point
;   In:  BX = opcode, ES:DI = parameter block
;   Out: AX = PXENV_EXIT_*, CF as the boot ROM left it
;   Clobbers: nothing else
; Some boot ROMs hand the caller's carry back untouched, so carry is cleared
; before the call: a set carry then always means the ROM set it.
; ---------------------------------------------------------------------------
pxe_call:
        push ds
        push es
        pushad
        clc
        call far [cs:pxenv_entry]
        mov bp, sp
        mov [bp + 28], ax               ; AX survives the POPAD
        popad
        pop es
        pop ds
        ret

; ---------------------------------------------------------------------------
; pxe_params_call: PXE service with the cleared block at pxe_params
;   In:  BX = opcode
;   Out: AX, CF as pxe_call; ES:DI = pxe_params
;   Clobbers: nothing else
; ---------------------------------------------------------------------------
pxe_params_call:
        call pxe_params_clear
        jmp pxe_call

; pxe_params_clear: ES:DI = CS:pxe_params, all 32 bytes zero. Clobbers nothing.
pxe_params_clear:
        push ax
        push cx
        push cs
        pop es
        mov di, pxe_params
        xor ax, ax
        mov cx, PXE_PARAMS_SIZE / 2
        rep stosw
        mov di, pxe_params
        pop cx
        pop ax
        ret

; ---------------------------------------------------------------------------
; pxe_shutdown: take the network stack down so that memory and interrupt
; vectors are free for what is booted next
;   In:  the PXE addresses found at start-up
;   Out: -
;   Clobbers: AX, BX, DI, ES
; ---------------------------------------------------------------------------
pxe_shutdown:
        mov bx, PXENV_UNDI_CLOSE
        call pxe_params_call
        mov bx, PXENV_UNDI_SHUTDOWN
        call pxe_params_call
        mov bx, PXENV_UNDI_CLEANUP
        call pxe_params_call
        cmp word [cs:pxenv_version], PXENV_VERSION_2_0
        jb .done
        cmp dword [cs:pxe_ptr], 0
        je .done
        call pxe_params_clear
        push es                         ; !PXE: segment, offset, opcode
        push di
        push word PXENV_STOP_UNDI
        clc
        call far [cs:pxe_entry_sp]
        add sp, 6
.done:  ret

; ---------------------------------------------------------------------------
; Boot from the hard drive: PXE down, and back to the caller with its
; registers and AX = 0
; ---------------------------------------------------------------------------
hard_drive:
        call pxe_shutdown
        mov sp, [cs:entry_sp]
        pop es
        pop ds
        popa
        xor ax, ax
        retf

        PAD_TO LDR_XMS_ENTRY
xms_entry:      dd 0
xms_handle:     dw 0
old_int13:      dd 0

; Saved at start-up: the stack as it was after the caller's registers were
; pushed, and where the restored registers go when an image starts.
entry_sp:       dw 0
boot_target:    dw BOOT_OFF, BOOT_SEG

; ---------------------------------------------------------------------------
; block_move: copy between any two physical addresses (INT 15h AH=87h), as
; BLOCK_MOVE of bios_routines.inc says, with the table at LDR_GDT. The
; resident copies reach it through CS, wherever they run.
;   In:  ESI = source, EDI = destination, ECX = byte count (1 to FFFFh)
;   Out: CF set when the BIOS refused; ESI and EDI advanced by ECX
;   Clobbers: EAX, EDX
; ---------------------------------------------------------------------------
block_move:
        BLOCK_MOVE cs, block_move_gdt
        ret

; ---------------------------------------------------------------------------
; int13_service: the RAM disk as drive 0 (A:)
;   In:  the INT 13h registers
;   Out: AH = status, CF set on error; a read returns AL = count
; Drive 0 answers reset, change line, read and write itself; everything else
; goes to the handler that was there before.
; ---------------------------------------------------------------------------
int13_service:
        test dl, dl
        jnz .chain
        sti
        cmp ah, DISK_READ
        je .read
        cmp ah, DISK_WRITE
        je .write
        cmp ah, DISK_RESET
        je .success
        cmp ah, DISK_CHANGE_LINE
        je .success
.chain: jmp far [cs:old_int13]

.write: mov ah, DISK_ERR_WRITE_PROTECT
        stc
        retf 2
.success:
        mov ah, 0
        clc
        retf 2

; Read AL sectors from cylinder CH (bits 8-9 in CL 6-7), sector CL 0-5,
; head DH into ES:BX. The verdict goes into the AH of the saved frame, once,
; so that POPAD hands back every other register unchanged; until then it
; waits in BH, and BL holds the count less one.
.read:
        pushad
        mov bp, sp
        mov bh, DISK_ERR_BAD_COMMAND
        dec al                          ; 0 and 128-255 wrap above 126
        cmp al, DISK_MAX_SECTORS - 1
        ja .answer
        mov bl, al
        mov bh, DISK_ERR_NOT_FOUND
        mov si, cx
        and si, 0x3F                    ; sector, 1-based
        jz .answer
        cmp si, [cs:ramdisk_spt]
        ja .answer
        cmp dh, 1
        ja .answer
        mov al, ch
        mov ah, cl
        shr ah, 6                       ; AX = cylinder
        shl ax, 1
        or al, dh                       ; cylinder x 2 + head
        mul word [cs:ramdisk_spt]
        add ax, si
        dec ax                          ; linear sector
        movzx ecx, bl
        inc cx                          ; count
        lea dx, [eax + ecx]             ; one past the last sector
        cmp dx, [cs:ramdisk_sectors]
        ja .answer
        movzx esi, ax
        shl esi, 9
        add esi, RECEIVE_PHYS
        mov di, es
        movzx edi, di
        shl edi, 4
        movzx eax, word [bp + PUSHAD_BX]
        add edi, eax
        shl ecx, 9
        mov bh, DISK_ERR_CONTROLLER
        call block_move
        jc .answer
        call xms_claim
        mov bh, 0
.answer:
        mov [bp + PUSHAD_AH], bh
        popad
        cmp ah, 1                       ; CF = (AH = 0) ...
        cmc                             ; ... turned into CF = (AH != 0)
        retf 2

; ---------------------------------------------------------------------------
; xms_claim: once a memory manager is loaded, take the RAM disk's memory
; from it so that nothing else is put there
;   In:  -
;   Out: xms_entry and xms_handle stored when the claim succeeded
;   Clobbers: AX, BX, DX
; ---------------------------------------------------------------------------
xms_claim:
        cmp word [cs:xms_handle], 0
        jne .done
        mov ax, XMS_INSTALL_CHECK
        int MULTIPLEX_INT
        cmp al, XMS_INSTALLED
        jne .done
        push es
        mov ax, XMS_GET_ENTRY
        int MULTIPLEX_INT
        mov [cs:xms_entry], bx
        mov [cs:xms_entry + 2], es
        pop es
        mov ah, XMS_QUERY_FREE
        call far [cs:xms_entry]         ; AX = largest free block in KB
        mov dx, ax
        mov ah, XMS_ALLOCATE
        call far [cs:xms_entry]         ; AX = 1, DX = handle
        cmp ax, 1
        jne .done
        mov [cs:xms_handle], dx
        mov bx, [cs:ramdisk_kb]
        mov ah, XMS_REALLOCATE
        call far [cs:xms_entry]
        mov dx, [cs:xms_handle]
        mov ah, XMS_LOCK
        call far [cs:xms_entry]
.done:  ret

; ---------------------------------------------------------------------------
; ramdisk_resident: second half of the RAM disk installation, running in
; the resident copy below the top of base memory: hook INT 13h, load the
; boot sector, boot drive A:
;   In:  CS = the resident copy (entered by a far jump from ramdisk_install)
;   Out: does not return
; ---------------------------------------------------------------------------
ramdisk_resident:
        push cs
        pop ds
        xor ax, ax
        mov es, ax
        cli
        mov eax, [es:DISK_INT * 4]
        mov [old_int13], eax
        mov word [es:DISK_INT * 4], int13_service
        mov [es:DISK_INT * 4 + 2], cs
        mov esi, RECEIVE_PHYS
        mov edi, BOOT_PHYS
        mov ecx, SECTOR_SIZE
        call block_move
        jc resident_halt
        mov ax, [ramdisk_kb]
        shl ax, 1
        mov [ramdisk_sectors], ax
        sti
        xor dx, dx                      ; DL = 0: booted from drive A:
        jmp BOOT_SEG:BOOT_OFF

; ---------------------------------------------------------------------------
; boot_from_copy: last move of an image and start it, run from a copy of
; this part that the move cannot reach
;   In:  ESI, EDI, ECX as block_move; boot_target = where to go
;   Out: does not return; the caller's registers are restored
; ---------------------------------------------------------------------------
boot_from_copy:
        call block_move
        jc resident_halt
restore_and_boot:
        mov sp, [cs:entry_sp]
        pop es
        pop ds
        popa
        jmp far [cs:boot_target]

; Nothing to say and nowhere to say it: the texts are not resident.
resident_halt:
        sti
.stop:  hlt
        jmp .stop

        PAD_TO LDR_RAMDISK_SECTORS
ramdisk_sectors: dw 0
request_count:  db 0                    ; the read keeps its count in BL instead
        CHECK_AT LDR_GDT
block_move_gdt: times BMD_TABLE_SIZE db 0
        CHECK_AT LDR_PXE_PARAMS
pxe_params:     times PXE_PARAMS_SIZE db 0
