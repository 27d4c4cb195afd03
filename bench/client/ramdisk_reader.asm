; Guest of the RAM disk speed comparison. It is the boot sector of the disk
; it reads (the parameter block between offsets 3 and 3Dh is the image's
; own, and gives the geometry); the sectors after it on the first track hold
; the rest of the program, which the boot sector loads first.
;
; For each read pattern asked for (bit 0: one track per request; bit 1: up
; to 127 sectors per request, crossing tracks) it reads every sector of the
; disk in order: first SWEEPS times, then again and again until the time
; spent inside INT 13h adds up to SUSTAIN_TICKS BIOS ticks. Each request is
; timed with RDTSC around the INT 13h call alone; the TSC is measured
; against the BIOS tick first. Every byte read goes into a hash that the
; host compares with the image, so a fast wrong answer fails.
;
; Requests go to BUFFERS buffers 17.5 KB apart in turn. Under QEMU's TCG the
; cost of a copy depends on where source and destination lie relative to
; each other (its TLB is direct-mapped, 256 KB across when small), so one
; fixed buffer would favour whichever RAM disk happens to keep its data at a
; lucky distance from it; a spread of buffers gives every RAM disk the same
; mix of placements.
;
; Lines on COM1 (numbers in hex):
;   CAL ticks=T tsc=C                       C TSC counts in T ticks
;   SWEEP p=P n=N req=R cyc=C hash=H        one of the first SWEEPS sweeps
;   SUST p=P n=N req=R cyc=C hash=H         one sweep of the sustained pass
;   READ-DONE  /  READ-ERROR ...
; With the hold parameter set, "HOLD" before the reads and "READ-DONE" after
; them each wait for a key.
bits 16
cpu 586
org 0x7C00

BUFFER_SEG      equ 0x2000              ; first buffer at 2000:0000
; 17.5 KB, a step that no request size divides: with a step equal to the
; request size (16 KB tracks of 32 sectors) every request would sit at the
; same distance from its buffer, and a sweep would measure one placement
; instead of a mix.
BUFFER_STEP     equ 0x0460              ; the next one 17.5 KB further
BIG_REQUEST     equ 127
CAL_TICKS       equ 4
HASH_SEED       equ 0x811C9DC5
HASH_FACTOR     equ 0x9E3779B1
BIOS_TICKS      equ 0x046C

        jmp short boot
        nop
        times 0x3E - ($ - $$) db 0

boot:
        cli
        xor ax, ax
        mov ds, ax
        mov es, ax
        mov ss, ax
        mov sp, 0x7C00
        sti
        cld
        mov [drive], dl
        mov ax, 0x0200 | REST_SECTORS   ; sectors 2.. of cylinder 0, head 0
        mov cx, 0x0002
        xor dh, dh
        mov bx, rest
        int 0x13
        mov si, msg_load_error
        jc fail
        cmp dword [params], 'MVRB'
        jne fail
        jmp main

fail:   mov al, EXIT_FAIL
        jmp finish

%include "guest.inc"
msg_load_error: db "READ-ERROR loading the reader", 13, 10, 0
drive:  db 0
        times 510 - ($ - $$) db 0
        dw 0xAA55

; ---------------------------------------------------------------------------
; Sector 2 on. The host sets the parameters.
rest:
params:         db "MVRB"
sweeps:         dw 3
sustain_ticks:  dw 19                   ; 0: no sustained pass
patterns:       dw 3
hold:           dw 0                    ; 1: wait for a key before and after
buffers:        dw 16                   ; buffer places taken in turn

main:
        ; Geometry from the parameter block.
        movzx eax, word [0x7C18]
        mov [spt], eax
        movzx eax, word [0x7C1A]
        mov [heads], eax
        movzx eax, word [0x7C13]
        test eax, eax
        jnz .total
        mov eax, [0x7C20]
.total: mov [total], eax

        call calibrate
        mov si, msg_hold
        call wait_if_held
        mov byte [pattern], 1
.pattern:
        mov al, [pattern]
        test [patterns], al
        jz .next_pattern
        mov ax, BIG_REQUEST
        cmp byte [pattern], 1
        jne .chunk
        mov ax, [spt]
.chunk: mov [chunk], ax

        mov word [sweep_no], 0
.sweep: mov ax, [sweep_no]
        cmp ax, [sweeps]
        jae .sustain
        call sweep
        mov si, msg_sweep
        call report
        inc word [sweep_no]
        jmp .sweep

.sustain:
        mov word [sweep_no], 0
        xor eax, eax
        mov [spent], eax
        mov [spent + 4], eax
.again: mov eax, [spent]
        mov edx, [spent + 4]
        sub eax, [threshold]
        sbb edx, [threshold + 4]
        jnc .next_pattern               ; spent >= threshold
        call sweep
        mov eax, [cycles]
        add [spent], eax
        mov eax, [cycles + 4]
        adc [spent + 4], eax
        mov si, msg_sust
        call report
        inc word [sweep_no]
        jmp .again

.next_pattern:
        shl byte [pattern], 1
        cmp byte [pattern], 4
        jb .pattern
        mov si, msg_done
        call serial_text
        mov si, msg_none
        call wait_if_held
        mov al, EXIT_PASS
        jmp finish

; wait_if_held: with hold set, say SI and wait for a key, so that the host
; can read the emulator's counters (or start a profiler) at this point
wait_if_held:
        cmp word [hold], 0
        je .done
.flush: mov ah, 0x01                    ; keys typed earlier do not count
        int 0x16
        jz .wait
        mov ah, 0x00
        int 0x16
        jmp .flush
.wait:  call serial_text
        mov ah, 0x00
        int 0x16
.done:  ret

; ---------------------------------------------------------------------------
; calibrate: TSC counts in CAL_TICKS BIOS ticks, and the threshold of the
; sustained pass. The waits halt between ticks, which leaves the host's
; processor to others.
calibrate:
        mov ax, [BIOS_TICKS]
.edge:  hlt
        cmp ax, [BIOS_TICKS]
        je .edge
        rdtsc
        mov [t0], eax
        mov [t0 + 4], edx
        mov bx, [BIOS_TICKS]
.wait:  hlt
        mov ax, [BIOS_TICKS]
        sub ax, bx
        cmp ax, CAL_TICKS
        jb .wait
        rdtsc
        sub eax, [t0]
        sbb edx, [t0 + 4]
        mov [cal], eax
        mov [cal + 4], edx
        ; threshold = cal / CAL_TICKS * sustain_ticks
        shrd eax, edx, 2
        shr edx, 2
        movzx ecx, word [sustain_ticks]
        mov ebx, edx
        mul ecx
        mov [threshold], eax
        mov [threshold + 4], edx
        mov eax, ebx
        mul ecx
        add [threshold + 4], eax

        mov si, msg_cal
        call serial_text
        mov eax, CAL_TICKS
        call hex16
        mov si, msg_tsc
        call serial_text
        mov eax, [cal + 4]
        call hex32
        mov eax, [cal]
        call hex32
        mov si, msg_crlf
        jmp serial_text

; ---------------------------------------------------------------------------
; sweep: every sector once, in order, [chunk] sectors a request (a track
; request never crosses a track, as the chunk is the track length)
;   Out: cycles = TSC counts inside INT 13h, hash, requests
sweep:
        xor eax, eax
        mov [cycles], eax
        mov [cycles + 4], eax
        mov [linear], eax
        mov [requests], ax
        mov dword [hash], HASH_SEED
.request:
        mov eax, [total]
        sub eax, [linear]
        jbe .done
        movzx ecx, word [chunk]
        cmp eax, ecx
        jae .count
        mov ecx, eax
.count: mov [count], cl
        ; CHS of the first sector
        mov eax, [linear]
        xor edx, edx
        div dword [spt]
        inc dx
        mov cl, dl                      ; sector
        xor edx, edx
        div dword [heads]
        mov dh, dl                      ; head
        mov ch, al                      ; cylinder bits 0-7
        shl ah, 6
        or cl, ah                       ; bits 8-9
        mov dl, [drive]
        mov [req_cx], cx
        mov [req_dx], dx

        ; buffer: request number modulo [buffers], BUFFER_STEP apart
        mov ax, [requests]
        xor dx, dx
        div word [buffers]
        imul dx, dx, BUFFER_STEP
        add dx, BUFFER_SEG
        mov es, dx

        rdtsc
        mov [t0], eax
        mov [t0 + 4], edx
        xor bx, bx
        mov ah, 0x02
        mov al, [count]
        mov cx, [req_cx]
        mov dx, [req_dx]
        int 0x13
        setc [failed]
        mov [status], ax
        rdtsc
        sub eax, [t0]
        sbb edx, [t0 + 4]
        add [cycles], eax
        adc [cycles + 4], edx
        cmp byte [failed], 0
        jne read_error
        cmp byte [status + 1], 0
        jne read_error

        ; hash what arrived
        movzx cx, byte [count]
        shl cx, 7                       ; dwords
        xor si, si
        mov ebx, [hash]
.hash:  rol ebx, 5
        xor ebx, [es:si]
        imul ebx, ebx, HASH_FACTOR
        add si, 4
        loop .hash
        mov [hash], ebx

        movzx eax, byte [count]
        add [linear], eax
        inc word [requests]
        jmp .request
.done:  ret

read_error:
        mov si, msg_error
        call serial_text
        mov eax, [linear]
        call hex32
        mov si, msg_status
        call serial_text
        mov ax, [status]
        call hex16
        mov si, msg_crlf
        jmp fail

; report: "<SI> p=P n=N req=R cyc=C hash=H"
report:
        call serial_text
        mov si, msg_p
        call serial_text
        movzx ax, byte [pattern]
        call hex16
        mov si, msg_n
        call serial_text
        mov ax, [sweep_no]
        call hex16
        mov si, msg_req
        call serial_text
        mov ax, [requests]
        call hex16
        mov si, msg_cyc
        call serial_text
        mov eax, [cycles + 4]
        call hex32
        mov eax, [cycles]
        call hex32
        mov si, msg_hash
        call serial_text
        mov eax, [hash]
        call hex32
        mov si, msg_crlf
        jmp serial_text

; hex32 / hex16: EAX / AX in hex. Clobbers EAX, CX, DX, SI.
hex32:  mov cx, 8
        jmp hex
hex16:  shl eax, 16
        mov cx, 4
hex:    rol eax, 4
        push eax
        and al, 0x0F
        add al, '0'
        cmp al, '9'
        jbe .out
        add al, 'A' - '0' - 10
.out:   mov [digit], al
        mov si, digit
        call serial_text
        pop eax
        loop hex
        ret

msg_cal:    db "CAL ticks=", 0
msg_tsc:    db " tsc=", 0
msg_sweep:  db "SWEEP", 0
msg_sust:   db "SUST", 0
msg_p:      db " p=", 0
msg_n:      db " n=", 0
msg_req:    db " req=", 0
msg_cyc:    db " cyc=", 0
msg_hash:   db " hash=", 0
msg_error:  db "READ-ERROR sector=", 0
msg_status: db " ax=", 0
msg_hold:   db "HOLD", 13, 10, 0
msg_done:   db "READ-DONE", 13, 10, 0
msg_crlf:   db 13, 10
msg_none:   db 0
digit:      db 0, 0

        align 4
spt:        dd 0
heads:      dd 0
total:      dd 0
linear:     dd 0
hash:       dd 0
cycles:     dd 0, 0
spent:      dd 0, 0
threshold:  dd 0, 0
cal:        dd 0, 0
t0:         dd 0, 0
chunk:      dw 0
requests:   dw 0
sweep_no:   dw 0
req_cx:     dw 0
req_dx:     dw 0
status:     dw 0
count:      db 0
failed:     db 0
pattern:    db 0
rest_end:
REST_SECTORS equ (rest_end - rest + 511) / 512
