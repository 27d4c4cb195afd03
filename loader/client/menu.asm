; ===========================================================================
; Menu screen, keyboard loop, text output and the image transfer
; (file offsets 0x07DA-0x099C)
; ===========================================================================

; Screen positions (SCREEN_*, ARROWS_*, ITEM_*, HELP_*) come from layout.def.

; ---------------------------------------------------------------------------
; run_menu: draw the menu and let the user pick an item
;   In:  item_count >= 2, selected_item < item_count
;   Out: selected_item = the item taken with Enter or Space, with its digit,
;        or by the menu's timeout running out
;   Clobbers: AX, BX, CX, DX, SI, DI, BP, ES
; ---------------------------------------------------------------------------
run_menu:
        mov bh, [header + HDR_NORMAL_ATTR]
        xor cx, cx
        mov dx, (SCREEN_LAST_ROW << 8) | (SCREEN_COLUMNS - 1)
        call clear_window

        mov bl, [header + HDR_HIGHLIGHT_ATTR]
        xor dx, dx
        mov si, [header + HDR_TITLE]
        call draw_text
        mov dx, SCREEN_LAST_ROW << 8
        mov si, text_continue
        call draw_text
        mov bl, [header + HDR_NORMAL_ATTR]
        mov dx, (ARROWS_ROW << 8) | ARROWS_COLUMN
        mov si, text_arrows
        call draw_text

.redraw:
        xor di, di                      ; item index
        mov dx, (ITEM_ROW << 8) | ITEM_COLUMN
.item:  cmp di, [item_count]
        jae .help
        mov bx, [header + HDR_NORMAL_ATTR]      ; BH = the highlight
        cmp di, [selected_item]
        jne .draw_item
        mov bl, bh
.draw_item:
        call item_slot
%if SLOT_DESCRIPTION != SLOT_IMAGE + 2
  %error "the item line reads the image name and the description in a row"
%endif
        lodsw                           ; AX = image file name
        mov si, [si]                    ; the description, else the image name
        cmp byte [si], 0
        jne .described
        xchg ax, si
.described:
        push dx
        mov al, ' '
        call draw_char
        call draw_text
        mov al, ' '
        call draw_char
        pop dx
        inc dh
        inc di
        jmp .item

.help:  mov bh, [header + HDR_NORMAL_ATTR]
        mov cx, (HELP_ROW << 8) | HELP_LEFT
        mov dx, (HELP_LAST_ROW << 8) | HELP_RIGHT
        call clear_window
        mov bl, bh
        mov dx, cx
        mov si, text_description
        call draw_text
        mov dl, HELP_COLUMN
        mov di, [selected_item]
        call item_slot
        mov si, [si + SLOT_HELP]
        call draw_text

.key:   call menu_key
        cmp al, KEY_CR
        je .taken
        cmp al, KEY_SPACE
        je .taken
        sub al, '1'                     ; digits 1-8 take their item at once
        cmp al, [item_count]
        jb .digit
        ; Up and Down by their scan codes, whatever the character

        mov cx, [item_count]
        mov bx, cx
        dec bx                          ; one up is count - 1 down
        cmp ah, SCAN_UP
        je .step
        mov bx, 1
        cmp ah, SCAN_DOWN
        jne .key
.step:  xchg ax, bx
        add ax, [selected_item]
        div cl
        mov [selected_item], ah         ; below eight: the high byte stays 0
        jmp .redraw
.digit: mov [selected_item], al
.taken: ret

; ---------------------------------------------------------------------------
; item_slot: header slot of an item
;   In:  DI = item index
;   Out: SI = address of the slot
;   Clobbers: nothing else
; ---------------------------------------------------------------------------
item_slot:
        imul si, di, HDR_SLOT_SIZE
        add si, header + HDR_SLOTS
        ret

; ---------------------------------------------------------------------------
; menu_key: wait_key for the menu. On its first call it counts the menu's
; timeout down and shows the seconds left; a key stops the count for good
; and blanks the field, and when the count runs out the key is Enter. The
; BIOS tick (18.2 a second) is only watched for a change, so the midnight
; wrap of the count does not matter; a tick missed while drawing only makes
; the count slower.
;   Out: AL = character, AH = scan code
;   Clobbers: BX, CX, DX, SI, DI, BP, ES
; ---------------------------------------------------------------------------
menu_key:
        xor si, si
        xchg si, [menu_timeout]         ; SI = seconds left; the count runs once
        test si, si
        jz wait_key
        cmp si, LDR_TIMEOUT_MAX
        jbe .counting
        mov si, LDR_TIMEOUT_MAX
.counting:
        push byte BIOS_DATA_SEG
        pop es
        mov di, 182                     ; tenths of a tick left of this second
        mov bl, [header + HDR_NORMAL_ATTR]
.second:
        call countdown_field
.poll:  mov ah, KEY_CHECK
        int KEYBOARD_INT
        jnz .stop
        mov ax, [es:BDA_TICKS]
        xchg ax, bp
        cmp ax, bp
        je .poll
        sub di, 10
        jns .poll
        add di, 182
        dec si
        jnz .second
        mov al, KEY_CR
        ret
.stop:  call countdown_blank            ; blank the field, then read the key

; ---------------------------------------------------------------------------
; wait_key: wait for a key and read it
;   Out: AL = character, AH = scan code
;   Clobbers: nothing else
; ---------------------------------------------------------------------------
wait_key:
        mov ah, KEY_READ_EXTENDED
        int KEYBOARD_INT
        ret

; ---------------------------------------------------------------------------
; clear_window: fill a window with blanks
;   In:  CH, CL = top row, left column; DH, DL = bottom row, right column;
;        BH = attribute
;   Clobbers: AX
; ---------------------------------------------------------------------------
clear_window:
        mov ax, VIDEO_SCROLL_UP << 8    ; AL = 0: blank the whole window
        int VIDEO_INT
        ret

; ---------------------------------------------------------------------------
; draw_text: write a text cell by cell with one attribute; a line feed goes
; on at column 4 of the next row
;   In:  DS:SI = NUL-terminated text, DH = row, DL = column, BL = attribute
;   Out: DX = the cell after the text, SI past the NUL
;   Clobbers: AX, BH, CX
; ---------------------------------------------------------------------------
draw_text:
        lodsb
        test al, al
        jz .done
        cmp al, 0x0A
        jne .char
        inc dh
        mov dl, HELP_NEXT_COLUMN
        jmp draw_text
.char:  call draw_char
        jmp draw_text
.done:  ret

; ---------------------------------------------------------------------------
; draw_char: write one character with an attribute and step right; cells
; off the screen are dropped, so a long text never wraps onto other rows
;   In:  AL = character, BL = attribute, DH = row, DL = column
;   Out: DL = next column (stays at 80 past the right edge)
;   Clobbers: AH, BH, CX
; ---------------------------------------------------------------------------
draw_char:
        cmp dl, SCREEN_COLUMNS
        jae .done
        cmp dh, SCREEN_LAST_ROW
        ja .done
        mov ah, VIDEO_SET_CURSOR
        xor bh, bh
        int VIDEO_INT
        mov ah, VIDEO_WRITE_CHAR_ATTR
        mov cx, 1
        int VIDEO_INT
        inc dl
.done:  ret

; ---------------------------------------------------------------------------
; print: write a text at the cursor in teletype mode, grey on black
;   In:  DS:SI = NUL-terminated text
;   Out: SI past the NUL
;   Clobbers: AX, BX, CX
; Teletype output keeps the attribute a cell already has, so each printable
; character is first written with its attribute, then again to advance.
; ---------------------------------------------------------------------------
print:
        lodsb
        test al, al
        jz .done
        mov bx, TEXT_ATTR_GREY
        cmp al, ' '
        jb .teletype
        mov ah, VIDEO_WRITE_CHAR_ATTR
        mov cx, 1
        int VIDEO_INT
.teletype:
        mov ah, VIDEO_TELETYPE
        int VIDEO_INT
        jmp print
.done:  ret


; ---------------------------------------------------------------------------
; transfer: fetch the image file of the item by TFTP
;   In:  BX = image file name
;   Out: CF set when the boot ROM reported a failure
;   Clobbers: EAX, BX, CX, SI, DI, ES
; ---------------------------------------------------------------------------
transfer:
        mov di, tftp_params
        push di
        push bx
        call home_cursor
        mov si, msg_transferring
        call print

        push ds
        pop es
        mov cx, LDR_TFTP_PARAMS_SIZE / 2
        xor ax, ax
        rep stosw
%if TFTP_BUFFER != TFTP_BUFFER_SIZE + 4 || TFTP_SERVER_IP != TFTP_BUFFER + 4
  %error "buffer size, buffer and server address are stored in a row"
%endif
        mov di, tftp_params + TFTP_BUFFER_SIZE
        mov eax, RECEIVE_MAX
        stosd
        mov eax, RECEIVE_PHYS
        stosd
        mov eax, [server_ip]
        stosd

        ; Server path and image file name, cut to what the field holds;
        ; the NUL behind them is left from the clearing.
        mov di, tftp_params + TFTP_FILE_NAME
        mov cx, LDR_TFTP_NAME_MAX
        mov si, [header + HDR_SERVER_PATH]
        call .append
        pop si
        call .append

        pop di                          ; tftp_params
        mov bx, PXENV_TFTP_READ_FILE
        call pxe_call
        jc .done
        neg ax                          ; CF = (AX != PXENV_EXIT_SUCCESS)
.done:  ret

; DS:SI string onto ES:DI while CX > 0.
.append:
        jcxz .appended
.next:  lodsb
        test al, al
        jz .appended
        stosb
        loop .next
.appended:
        ret

; ---------------------------------------------------------------------------
; pxe_installed: the PXE installation check (for the start-up code; it
; sits here, where there is room for it)
;   Out: ZF set when PXENV+ is at ES:BX
;   Clobbers: AX
; ---------------------------------------------------------------------------
pxe_installed:
        mov ax, PXE_INSTALL_CHECK
        int PXE_INT
        cmp ax, PXE_INSTALLED
        ret
