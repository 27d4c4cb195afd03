; ===========================================================================
; The menu's countdown field. It sits behind the start-up code, where there
; is room for it; menu_key (menu.asm) draws it.
; ===========================================================================

; ---------------------------------------------------------------------------
; countdown_field: the seconds left in decimal, left-aligned in the
; countdown field, blanks behind them
;   In:  SI = seconds; 0 leaves the field blank; BL = the normal attribute
;   Clobbers: AX, BH, CX, DX (countdown_blank: SI = 0 too)
; ---------------------------------------------------------------------------
countdown_blank:
        xor si, si
countdown_field:
        push byte ' '                   ; behind the digits
        mov ax, si
        mov cx, 10
.digit: test ax, ax
        jz .draw
        xor dx, dx
        div cx
        add dl, '0'
        push dx
        jmp .digit
.draw:  mov dx, (COUNTDOWN_ROW << 8) | COUNTDOWN_COLUMN
.cell:  pop ax
        cmp al, ' '
        jne .put
        push ax                         ; the blank stays for the rest
.put:   call draw_char
        cmp dl, COUNTDOWN_COLUMN + COUNTDOWN_WIDTH
        jb .cell
        pop ax                          ; the blank
        ret
