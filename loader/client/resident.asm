; Resident part of the client program (file offsets 0x005C-0x02ED).
; Placeholder until the client program lands: a halt loop, and the work
; areas at their fixed offsets.
resident_start:
        cli
.halt:  hlt
        jmp .halt

        PAD_TO LDR_XMS_ENTRY
xms_entry:      dd 0
xms_handle:     dw 0
old_int13:      dd 0

        PAD_TO LDR_RAMDISK_SECTORS
ramdisk_sectors: dw 0
request_count:  db 0
        CHECK_AT LDR_GDT
block_move_gdt: times 48 db 0
        CHECK_AT LDR_PXE_PARAMS
pxe_params:     times 32 db 0
