; ===========================================================================
; Menu screen, keyboard loop, text output and the image transfer
; (file offsets 0x07DA-0x099C)
; ===========================================================================

; Screen positions (SCREEN_*, ARROWS_*, ITEM_*, HELP_*) come from layout.def.

; ---------------------------------------------------------------------------
; run_menu: draw the menu and let the user pick an item
;   In:  item_count >= 2, selected_item < item_count
;   Out: selected_item = the item taken with Enter or Space
;   Clobbers: AX, BX, CX, DX, SI
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
        mov bl, [header + HDR_NORMAL_ATTR]
        cmp di, [selected_item]
        jne .draw_item
        mov bl, [header + HDR_HIGHLIGHT_ATTR]
.draw_item:
        call item_slot
        mov si, [bx + SLOT_DESCRIPTION]
        cmp byte [si], 0
        jne .described
        mov si, [bx + SLOT_IMAGE]
.described:
        mov bl, al                      ; attribute, kept by item_slot
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
        mov dx, (HELP_ROW << 8) | HELP_LEFT
        mov si, text_description
        call draw_text
        mov dl, HELP_COLUMN
        mov di, [selected_item]
        call item_slot
        mov si, [bx + SLOT_HELP]
        mov bl, al
        call draw_text

.key:   call wait_key
        cmp al, KEY_CR
        je .taken
        cmp al, KEY_SPACE
        je .taken
        cmp al, 0
        je .extended
        cmp al, KEY_EXTENDED
        jne .key
.extended:
        mov bx, [selected_item]
        cmp ah, SCAN_UP
        je .up
        cmp ah, SCAN_DOWN
        jne .key
        inc bx
        cmp bx, [item_count]
        jb .select
        xor bx, bx
        jmp .select
.up:    test bx, bx
        jnz .previous
        mov bx, [item_count]
.previous:
        dec bx
.select:
        mov [selected_item], bx
        jmp .redraw
.taken: ret

; ---------------------------------------------------------------------------
; item_slot: header slot of an item
;   In:  DI = item index, BL = attribute
;   Out: BX = address of the slot, AL = the attribute from BL
;   Clobbers: nothing else
; ---------------------------------------------------------------------------
item_slot:
        mov al, bl
        imul bx, di, HDR_SLOT_SIZE
        add bx, header + HDR_SLOTS
        ret

; ---------------------------------------------------------------------------
; wait_key: wait for a key and read it
;   Out: AL = character, AH = scan code
;   Clobbers: nothing else
; ---------------------------------------------------------------------------
wait_key:
        mov ah, KEY_CHECK
        int KEYBOARD_INT
        jz wait_key
        mov ah, KEY_READ_EXTENDED
        int KEYBOARD_INT
        ret

; ---------------------------------------------------------------------------
; clear_screen: set the video mode again and home the cursor
;   Clobbers: AX, BX, DX
; ---------------------------------------------------------------------------
clear_screen:
        mov ah, VIDEO_GET_MODE
        int VIDEO_INT
        mov ah, VIDEO_SET_MODE
        int VIDEO_INT
        mov ah, VIDEO_SET_CURSOR
        xor bx, bx
        xor dx, dx
        int VIDEO_INT
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
        push bx
        mov ah, VIDEO_SET_CURSOR
        xor bx, bx
        xor dx, dx
        int VIDEO_INT
        mov si, msg_transferring
        call print

        push ds
        pop es
        mov di, tftp_params
        mov cx, LDR_TFTP_PARAMS_SIZE / 2
        xor ax, ax
        rep stosw
        mov dword [tftp_params + TFTP_BUFFER_SIZE], RECEIVE_MAX
        mov dword [tftp_params + TFTP_BUFFER], RECEIVE_PHYS
        mov eax, [server_ip]
        mov [tftp_params + TFTP_SERVER_IP], eax

        ; Server path and image file name, cut to what the field holds.
        mov di, tftp_params + TFTP_FILE_NAME
        mov cx, LDR_TFTP_NAME_MAX
        mov si, [header + HDR_SERVER_PATH]
        call .append
        pop si
        call .append
        mov byte [di], 0

        mov di, tftp_params
        mov bx, PXENV_TFTP_READ_FILE
        call pxe_call
        jc .done
        cmp ax, PXENV_EXIT_SUCCESS
        je .done
        stc
.done:  ret

; DS:SI string onto ES:DI while CX > 0.
.append:
        jcxz .appended
        lodsb
        test al, al
        jz .appended
        stosb
        dec cx
        jmp .append
.appended:
        ret

