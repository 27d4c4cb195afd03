; ===========================================================================
; chain: network boot program that starts a Menvolt loader file from any
; PXE server (dnsmasq, tftpd-hpa, ...).
;
; The boot ROM loads it at 0000:7C00 and far-calls it. It asks the ROM for
; its own boot file name in the cached reply, replaces the extension with
; ".ldr" (or adds ".ldr" when there is none), reads that file by TFTP from
; the same server into 2000:0000 and far-calls it at offset 0, which is how
; a loader file expects to be started. A loader that returns (an item that
; boots from the hard drive) hands control back through here to the boot
; ROM, which then goes on to the next boot device.
;
; Progress and failures are written to the screen and to COM1.
; ===========================================================================

bits 16
cpu 386
org 0x7C00

%include "layout.inc"
%include "client.inc"

LOADER_LOAD_SEG         equ 0x2000
LOADER_LOAD_PHYS        equ 0x00020000
REPLY_BUFFER            equ 0x0600      ; cached reply, 0000:0600
REPLY_SIZE              equ 1500
BOOTP_FILE              equ 108         ; boot file name field, 128 bytes
BOOTP_FILE_SIZE         equ 128
COM1                    equ 0x3F8
COM1_LSR                equ COM1 + 5
LSR_THR_EMPTY           equ 0x20

start:
        jmp 0:main                      ; some ROMs enter at 07C0:0000
main:
        pushad
        push ds
        push es
        push fs
        push gs
        xor ax, ax
        mov ds, ax
        mov [saved_sp], sp
        mov [saved_ss], ss
        cld
        sti

        mov si, msg_hello
        call say

        ; ---- The boot ROM's PXE interface ---------------------------------
        mov ax, PXE_INSTALL_CHECK
        int PXE_INT
        cmp ax, PXE_INSTALLED
        mov si, msg_no_pxe
        jne fail
        mov eax, [es:bx + PXENV_RMENTRY]
        mov [pxenv_entry], eax

        ; ---- Our own boot file name from the cached reply ------------------
        push ds
        pop es
        mov di, gci
        mov word [di + GCI_PACKET_TYPE], PXENV_PACKET_TYPE_CACHED_REPLY
        mov word [di + GCI_BUFFER_SIZE], REPLY_SIZE
        mov word [di + GCI_BUFFER_OFF], REPLY_BUFFER
        mov word [di + GCI_BUFFER_SEG], 0
        mov bx, PXENV_GET_CACHED_INFO
        call pxe_call
        mov si, msg_no_reply
        jc fail

        mov si, REPLY_BUFFER + BOOTP_FILE
        mov di, tftp + TFTP_FILE_NAME
        mov cx, BOOTP_FILE_SIZE - 5     ; room for ".ldr" and the NUL
        xor bx, bx                      ; last '.' of the last path part
.name:  lodsb
        test al, al
        jz .named
        cmp al, '.'
        jne .not_dot
        mov bx, di
.not_dot:
        cmp al, '\'
        je .folder
        cmp al, '/'
        jne .store
.folder:
        xor bx, bx
.store: stosb
        loop .name
.named: test bx, bx
        jz .append
        mov di, bx
.append:
        mov dword [di], '.ldr'
        mov byte [di + 4], 0

        mov eax, [REPLY_BUFFER + BOOTP_SIADDR]
        mov [tftp + TFTP_SERVER_IP], eax
        mov dword [tftp + TFTP_BUFFER_SIZE], LDR_MAX_SIZE
        mov dword [tftp + TFTP_BUFFER], LOADER_LOAD_PHYS
        mov si, msg_reading
        call say
        mov si, tftp + TFTP_FILE_NAME
        call say
        mov si, msg_newline
        call say
        mov di, tftp
        mov bx, PXENV_TFTP_READ_FILE
        call pxe_call
        mov si, msg_no_file
        jc fail

        ; ---- Run the loader ------------------------------------------------
        call LOADER_LOAD_SEG:0
        xor ax, ax
        mov ds, ax
        mov si, msg_returned
        call say
        xor ax, ax                      ; PXENV_EXIT_SUCCESS
        jmp back_to_rom

; The boot ROM gets control back with its registers, AX = 1.
fail:   call say
        mov ax, 1
back_to_rom:
        mov ss, [cs:saved_ss]
        mov sp, [cs:saved_sp]
        mov bp, sp
        mov [bp + 8 + 28], ax           ; AX of the PUSHAD frame
        pop gs
        pop fs
        pop es
        pop ds
        popad
        retf

; ---------------------------------------------------------------------------
; pxe_call: PXE service through the PXENV+ entry
;   In:  BX = opcode, ES:DI = parameter block
;   Out: CF set when the call failed (carry from the ROM, or AX not 0)
;   Clobbers: AX
; ---------------------------------------------------------------------------
pxe_call:
        push es
        push di
        push bx
        clc                             ; the ROM may leave our carry as it is
        call far [pxenv_entry]
        pop bx
        pop di
        pop es
        jc .done
        cmp ax, 1                       ; CF = (AX = 0) ...
        cmc                             ; ... so CF = (AX != 0)
.done:  ret

; ---------------------------------------------------------------------------
; say: text to the screen (teletype) and to COM1
;   In:  DS:SI = NUL-terminated text
;   Clobbers: AX, BX, DX, SI
; ---------------------------------------------------------------------------
say:    TELETYPE_NEXT .done
        mov ah, al
        mov dx, COM1_LSR
.wait:  in al, dx
        test al, LSR_THR_EMPTY
        jz .wait
        mov al, ah
        mov dx, COM1
        out dx, al
        jmp say
.done:  ret

msg_hello:      db "Menvolt chain", 13, 10, 0
msg_reading:    db "Reading ", 0
msg_newline:    db 13, 10, 0
msg_no_pxe:     db "chain: no PXE interface", 13, 10, 0
msg_no_reply:   db "chain: no cached reply", 13, 10, 0
msg_no_file:    db "chain: loader file not read", 13, 10, 0
msg_returned:   db "chain: loader returned, back to the boot ROM", 13, 10, 0

saved_sp:       dw 0
saved_ss:       dw 0
pxenv_entry:    dd 0
gci:            times PXE_PARAMS_SIZE db 0
tftp:           times LDR_TFTP_PARAMS_SIZE db 0
