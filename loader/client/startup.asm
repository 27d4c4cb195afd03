; ===========================================================================
; Start-up (file offsets 0x02EF-0x0639): move to 0C00:0000, find the PXE
; interface, read the boot server's address, let the user choose an item,
; fetch its image file and start it.
; ===========================================================================

startup:
        pusha
        push ds
        push es
        cld
        push cs
        pop ds

; ---------------------------------------------------------------------------
; Move to LOADER_SEG:0000
;
; The copy may overlap the file where it was entered, and once the copy has
; passed over the code doing it, that code is gone. So the REP MOVSB and the
; far jump that follows it run from eight bytes on the caller's stack, which
; lies in neither copy. A source below the destination is copied from its
; last byte down, so every byte is read before it is overwritten.
; ---------------------------------------------------------------------------
        mov cx, [LDR_LENGTH]
        xor si, si
        xor di, di
        push word LOADER_SEG
        pop es
        mov ax, cs
        cmp ax, LOADER_SEG
        je relocated_here
        ja .forward
        mov si, cx
        dec si
        mov di, si
        std
.forward:
        push word 0x9000 | (LOADER_SEG >> 8)            ; 0C, NOP
        push word (relocated - $$) >> 8                 ; hi, 00
        push word 0x00EA | (((relocated - $$) & 0xFF) << 8) ; JMP FAR, lo
        push word 0xA4F3                                ; REP MOVSB
        mov bp, sp
        push ss
        push bp
        retf
relocated:
        add sp, 8                       ; drop the stub
        cld
relocated_here:
        push cs
        pop ds
        mov [entry_sp], sp
        sti

        ; The work buffer starts at the next paragraph after the file.
        mov ax, [LDR_LENGTH]
        add ax, 15
        and al, 0xF0
        mov [work_buffer_ptr], ax

; ---------------------------------------------------------------------------
; Boot ROM adjustment: a ROM that marks its segment with "KTAP" carries a
; second, stale PXENV+ in front of the live one. Blank the stale one, take its
; INT 1Ah hook out of the chain, and give the live structure the stale one's
; entry point and code size.
; ---------------------------------------------------------------------------
        call pxe_installed
        jne .ktap_done
        xor di, di
.ktap_scan:
        cmp di, bx
        jae .ktap_done
        cmp dword [es:di], 'KTAP'
        je .ktap_found
        add di, 16
        jmp .ktap_scan
.ktap_found:
        and dword [es:bx], byte 0
        mov ebp, [es:bx + PXENV_RMENTRY] ; EBP and DI outlive the INT 1Ah call
        mov di, [es:KTAP_CODE_SIZE]
        push ds
        push byte 0
        pop ds
        lds si, [PXE_INT * 4]           ; DS:SI = current INT 1Ah handler
        mov si, [si + KTAP_INT1A_CHAIN]
        mov edx, [si]                   ; the vector it chains to
        push byte 0
        pop ds
        mov [PXE_INT * 4], edx
        pop ds
        call pxe_installed
        jne resident_halt
        mov [es:bx + PXENV_BC_CODESIZE], di
        mov [es:bx + PXENV_RMENTRY], ebp
        shr ebp, 16
        mov [es:bx + PXENV_BC_CODESEG], bp
        mov [es:bx + PXENV_BC_DATASEG], bp
        movzx cx, byte [es:bx + PXENV_LENGTH]
        mov si, bx
        xor al, al
.ktap_sum:                              ; AL = what the sum lacks to be 0
        sub al, [es:si]
        inc si
        loop .ktap_sum
        add [es:bx + PXENV_CHECKSUM], al
.ktap_done:

; ---------------------------------------------------------------------------
; PXE discovery: PXENV+ through INT 1Ah, !PXE behind it from version 2.0
; ---------------------------------------------------------------------------
        mov si, msg_no_pxe
        call pxe_installed
        jne fatal
        mov [pxenv_ptr], bx
        mov [pxenv_ptr + 2], es
        mov eax, [es:bx + PXENV_RMENTRY]
        mov [pxenv_entry], eax
        mov ax, [es:bx + PXENV_VERSION]
        mov [pxenv_version], ax
        cmp ax, PXENV_VERSION_2_0
        jb .no_pxe
        les bx, [es:bx + PXENV_PXEPTR]
        cmp dword [es:bx], '!PXE'
        jne .no_pxe
        mov [pxe_ptr], bx
        mov [pxe_ptr + 2], es
        mov eax, [es:bx + PXE_ENTRY_POINT_SP]
        mov [pxe_entry_sp], eax
.no_pxe:

; ---------------------------------------------------------------------------
; Cached reply: the boot server's BOOTP/DHCP answer into the work buffer
; ---------------------------------------------------------------------------
        call pxe_params_clear
        mov byte [di + GCI_PACKET_TYPE], PXENV_PACKET_TYPE_CACHED_REPLY ; high byte cleared
        mov word [di + GCI_BUFFER_SIZE], WORK_BUFFER_SIZE
        mov si, [work_buffer_ptr]
        mov [di + GCI_BUFFER_OFF], si
        mov [di + GCI_BUFFER_SEG], ds
        mov bx, PXENV_GET_CACHED_INFO
        call pxe_call
        mov bx, msg_binl_info
        jc fatal_bx
        cmp word [di + GCI_STATUS], PXENV_EXIT_SUCCESS
        jne fatal_bx
        mov cx, [di + GCI_BUFFER_SIZE]
        cmp cx, BINL_REPLY_MIN
        jbe fatal_bx
        cmp byte [si + BOOTP_OP], BOOTP_REPLY
        jne fatal_bx

; ---------------------------------------------------------------------------
; Server address: siaddr, else DHCP option 54. The option walk never reads
; past what the boot ROM says it returned.
; ---------------------------------------------------------------------------
        mov eax, [si + BOOTP_SIADDR]
        test eax, eax
        jnz have_server
        mov bx, msg_server_ip
        cmp dword [si + BOOTP_VEND], DHCP_MAGIC_COOKIE
        jne fatal_bx
        cmp cx, WORK_BUFFER_SIZE
        jbe .size_ok
        mov cx, WORK_BUFFER_SIZE
.size_ok:
        add cx, si                      ; CX = end of the reply
        add si, BOOTP_VEND + 4
.option:
        cmp si, cx
        jae fatal_bx
        lodsb
        cmp al, DHCP_OPT_PAD
        je .option
        cmp al, DHCP_OPT_END
        je fatal_bx
        cmp si, cx
        jae fatal_bx
        mov ah, al
        lodsb                           ; option length
        movzx dx, al
        add dx, si                      ; DX = next option
        cmp ah, DHCP_OPT_SERVER_ID
        je server_id_option
        mov si, dx
        jmp .option

; ---------------------------------------------------------------------------
; fatal: write a message and stop for good
;   In:  SI (fatal) or BX (fatal_bx) = message
; ---------------------------------------------------------------------------
fatal_bx:
        mov si, bx
fatal:
        call print
        jmp resident_halt

server_id_option:
        cmp al, 4
        jb fatal_bx
        cmp dx, cx
        ja fatal_bx
        mov eax, [si]
have_server:
        mov [server_ip], eax

; ---------------------------------------------------------------------------
; Item choice. More than eight items cannot be shown; a stored index beyond
; the items starts at the first one.
; ---------------------------------------------------------------------------
        mov cx, [header + HDR_ITEM_COUNT]
        cmp cx, LDR_SLOT_COUNT
        jbe .count_ok
        mov cx, LDR_SLOT_COUNT
.count_ok:
        mov si, msg_no_images
        test cx, cx
        jz fatal
        mov [item_count], cx
        cmp [selected_item], cx
        jb choose_item
        and word [selected_item], byte 0
choose_item:
        cmp word [item_count], 1
        je .chosen
        call clear_screen
        call run_menu
        call clear_screen
.chosen:
        mov di, [selected_item]
        call item_slot
        mov bx, [si + SLOT_IMAGE]
        cmp byte [bx], 0
        je hard_drive
        call transfer
        jnc start_image
        mov si, msg_tftp_failed
        cmp word [item_count], 1
        je fatal
        call print
        call wait_key
        jmp choose_item

; ---------------------------------------------------------------------------
; Start the received image
; ---------------------------------------------------------------------------
start_image:
        mov esi, RECEIVE_PHYS
        mov edi, EXTX_PHYS
        push dword EXTX_HEAD_SIZE
        pop ecx
        call block_move
        jc copy_failed
        push word EXTX_SEG
        pop es
        mov ebx, [tftp_params + TFTP_BUFFER_SIZE]
        cmp dword [es:EXTX_MARK], 'ExTx'
        jne not_extx

        ; Start-up code carried by the image: N bytes of code to 1000:0000, K
        ; KB of data behind it moved down to the start of the buffer. Both
        ; must lie inside what was received. Both go in pieces: N rounded up
        ; to whole words can reach 64 KB, one byte more than a block move's
        ; count can hold.
        movzx edx, word [es:EXTX_CODE_SIZE]
        movzx ebp, word [es:EXTX_DATA_KB]
        shl ebp, 10
        lea eax, [ebp + edx]
        cmp eax, ebx
        ja copy_failed
        mov ebx, edx                    ; EBX = N, kept by the moves
        push ebp                        ; data bytes
        lea ebp, [edx + 1]
        and bp, byte -2                 ; whole words
        sub esi, ecx                    ; back over the head just moved
        sub edi, ecx
        call move_pieces
        pop ebp
        jc copy_failed
        lea esi, [ebx + RECEIVE_PHYS]
        mov edi, RECEIVE_PHYS
        call move_pieces
        jc copy_failed
        mov bx, [work_buffer_ptr]
        mov word [bx + EXTX_WORK_MARK], EXTX_WORK_MARK_VALUE ; "pc"
        mov dword [boot_target], EXTX_SEG << 16
        jmp restore_and_boot

; move_pieces: EBP bytes from ESI to EDI in block moves of at most 32 KB,
; each going on where the last stopped. CF set when one failed.
; Clobbers EAX, ECX, EDX, EBP.
move_pieces:
        mov ecx, EXTX_PIECE
        cmp ecx, ebp
        jbe .full                       ; a whole piece is left
        mov ecx, ebp                    ; the rest; carry is clear
        jecxz .done
.full:  sub ebp, ecx
        call block_move
        jnc move_pieces
.done:  ret

copy_failed:
        mov si, msg_copy_failed
        jmp fatal

not_extx:
        cmp ebx, SMALL_PROGRAM_MAX
        jae ramdisk_install

        ; A small boot program. Its copy to 0000:7C00 can reach this code,
        ; so the last move runs from a copy of the resident part at
        ; 1000:0000, past the end of any program under 32 KB.
        call copy_resident
        mov ecx, ebx
        inc ecx
        and ecx, byte -2
        mov esi, RECEIVE_PHYS
        mov edi, BOOT_PHYS
        jmp EXTX_SEG:boot_from_copy

; ---------------------------------------------------------------------------
; ramdisk_install: make the received diskette image drive A: and boot it.
; Takes the network stack down, moves the top of base memory and copies the
; resident part there, then goes on in that copy (ramdisk_resident).
;   In:  DS = LOADER_SEG, the PXE addresses found at start-up
;   Out: does not return
; ---------------------------------------------------------------------------
ramdisk_install:
        call pxe_shutdown

        ; Base memory as the shut-down gives it back, less the resident copy.
        les bx, [pxenv_ptr]
        UNDI_BASE_MEMORY_KB
        sub ax, RESIDENT_KB
        mov [es:BDA_BASE_MEMORY_KB], ax
        or byte [es:BDA_EQUIPMENT], EQUIPMENT_DISKETTE

        shl ax, 6                       ; KB to segment
        mov es, ax
        call copy_resident
        push es
        push word ramdisk_resident
        retf

; copy_resident: the resident part to ES:0000
;   Clobbers: CX, SI, DI
copy_resident:
        xor si, si
        xor di, di
        mov cx, LDR_RESIDENT_SIZE
        rep movsb
        ret


