; Menu screen, keyboard loop and text output (file offsets 0x07DA-0x099C).
; Placeholder until the client program lands: nothing.
menu_start:
