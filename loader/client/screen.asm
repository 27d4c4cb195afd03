; ===========================================================================
; Clearing the screen for the menu and the messages. It sits behind the
; messages, where there is room for it.
; ===========================================================================

; ---------------------------------------------------------------------------
; clear_screen: set the video mode again and home the cursor
; (home_cursor: only the latter)
;   Clobbers: AX, BX, DX
; ---------------------------------------------------------------------------
clear_screen:
        mov ah, VIDEO_GET_MODE
        int VIDEO_INT
        mov ah, VIDEO_SET_MODE
        int VIDEO_INT
home_cursor:
        mov ah, VIDEO_SET_CURSOR
        xor bx, bx
        xor dx, dx
        int VIDEO_INT
        ret
