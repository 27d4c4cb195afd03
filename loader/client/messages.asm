; Client messages (file offsets 0x063A-0x0735), worded in loader/messages.def.
msg_transferring:  db CLIENT_MSG_TRANSFERRING, 13, 10, 0
msg_no_pxe:        db CLIENT_MSG_NO_PXE, 0
msg_binl_info:     db CLIENT_MSG_BINL_INFO, 0
msg_server_ip:     db CLIENT_MSG_SERVER_IP, 0
msg_no_images:     db CLIENT_MSG_NO_IMAGES, 0
msg_tftp_failed:   db CLIENT_MSG_TFTP_FAILED, 0
msg_copy_failed:   db CLIENT_MSG_COPY_FAILED, 0

; Number of menu items in use (the header's count, at most eight).
item_count:        dw 0
