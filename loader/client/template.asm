; ===========================================================================
; Loader template: the client menu loader program together with an empty
; header and 26 empty strings. Every loader file the editor writes starts
; as these 2706 bytes; the editor changes only the length word, the header
; and the string area behind it.
;
; The program is entered by a far call to offset 0 with the loader file at
; offset 0 of the code segment.
; ===========================================================================

bits 16
org 0

%include "layout.inc"
%include "client.inc"
%include "client_messages.inc"

; ---------------------------------------------------------------------------
; Fixed prologue
; ---------------------------------------------------------------------------
file_start:
        db 0xEB, LDR_ENTRY_JUMP - 2             ; jmp short entry_jump
        CHECK_AT LDR_SIGNATURE
        db "QVLRIS"
        CHECK_AT LDR_HEADER_PTR
        dw LDR_HEADER
        CHECK_AT LDR_LENGTH
        dw 0                                    ; set by the editor on save
        CHECK_AT LDR_NOTICE
notice: db "Menvolt client menu loader - network boot menus"
        PAD_TO LDR_NOTICE + LDR_NOTICE_SIZE         ; NUL-filled to 55 bytes

        CHECK_AT LDR_ENTRY_JUMP
entry_jump:
        db 0xE9
        dw LDR_STARTUP - (LDR_ENTRY_JUMP + 3)   ; jmp near startup

        CHECK_AT LDR_PXENV_PTR
pxenv_ptr:      dd 0
pxe_ptr:        dd 0
pxenv_entry:    dd 0
pxe_entry_sp:   dd 0
pxenv_version:  dw 0
        CHECK_AT LDR_RAMDISK_KB
ramdisk_kb:     dw 1440
ramdisk_spt:    dw 18

; ---------------------------------------------------------------------------
; Resident part: RAM disk installer, disk service, memory copy, PXE shut-down
; ---------------------------------------------------------------------------
        CHECK_AT LDR_RESIDENT
%include "resident.asm"
        PAD_TO LDR_RESIDENT_END + 1
        db 0                                    ; gap byte at 0x02EE

; ---------------------------------------------------------------------------
; Start-up, PXE discovery, server address, item choice, transfer, image start
; ---------------------------------------------------------------------------
        CHECK_AT LDR_STARTUP
%include "startup.asm"
%include "countdown.asm"
        PAD_TO LDR_MESSAGES
%include "messages.asm"
%include "screen.asm"
        PAD_TO LDR_SERVER_IP

; ---------------------------------------------------------------------------
; Client work area
; ---------------------------------------------------------------------------
server_ip:      dd 0
        CHECK_AT LDR_TFTP_PARAMS
tftp_params:    times LDR_TFTP_PARAMS_SIZE db 0
        CHECK_AT LDR_WORK_BUFFER_PTR
work_buffer_ptr: dw 0

; ---------------------------------------------------------------------------
; Menu screen, keyboard loop and text output
; ---------------------------------------------------------------------------
        CHECK_AT LDR_MENU
%include "menu.asm"
        PAD_TO LDR_TEXT_ARROWS

; ---------------------------------------------------------------------------
; Fixed menu texts
; ---------------------------------------------------------------------------
text_arrows:
        db "Use the arrow keys to select one of the following options:", 0
        CHECK_AT LDR_TEXT_CONTINUE
text_continue:
        db "  [ENTER] Continue"
        times 80 - 18 db ' '
        db 0
        CHECK_AT LDR_TEXT_DESCRIPTION
text_description:
        db "Description:", 0
        CHECK_AT LDR_SELECTED
selected_item:  dw 0
        CHECK_AT LDR_TIMEOUT
menu_timeout:   dw 0

; ---------------------------------------------------------------------------
; Header (template values) and the 26 empty strings
; ---------------------------------------------------------------------------
        CHECK_AT LDR_HEADER
header:
        dw LDR_FORMAT_VERSION                   ; +00 format version 1.00
        dw 1                                    ; +02 reserved
        db 0                                    ; +04 checksum
        db 0                                    ; +05 reserved
        db LDR_DEFAULT_COLORS & 0xFF            ; +06 normal attribute
        db LDR_DEFAULT_COLORS >> 8              ; +07 highlighted attribute
        dw 0                                    ; +08 item count
        dw LDR_STRINGS                          ; +0A title offset
        dw 0                                    ; +0C server path offset
        times LDR_SLOT_COUNT * HDR_SLOT_SIZE db 0
        CHECK_AT LDR_STRINGS
        times LDR_STRING_COUNT db 0
        CHECK_AT LDR_TEMPLATE_SIZE
