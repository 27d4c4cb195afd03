; Start-up code of the client program (file offsets 0x02EF-0x0639).
; Placeholder until the client program lands: a halt loop.
startup:
        cli
.halt:  hlt
        jmp .halt
