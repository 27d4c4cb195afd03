; Client messages (file offsets 0x063A-0x0735).
msg_transferring:  db "Transferring image file..", 13, 10, 0
msg_no_pxe:        db "Error: Preboot API not found!", 0
msg_binl_info:     db "Error: Get BINL info failed!", 0
msg_server_ip:     db "Error: Bad Server IP from BINL!", 0
msg_no_images:     db "Error: no image files defined.", 0
msg_tftp_failed:   db "Error: TFTP failed transferring image file.", 0
msg_copy_failed:   db "Error: Extended memory copy failed!", 0

; Number of menu items in use (the header's count, at most eight).
item_count:        dw 0
