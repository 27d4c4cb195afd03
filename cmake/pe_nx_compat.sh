#!/bin/sh
# pe_nx_compat.sh FILE: sets IMAGE_DLLCHARACTERISTICS_NX_COMPAT (0x0100) in
# the optional header of a PE32+ file that objcopy wrote, in place. The flag
# is the high byte of DllCharacteristics, 70 bytes into the optional header,
# which follows the 4-byte signature and the 20-byte file header at the
# offset the word at 3Ch gives.
set -eu
pe=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
high=$((pe + 24 + 70 + 1))
old=$(od -An -tu1 -j"$high" -N1 "$1" | tr -d ' ')
printf "$(printf '\\%03o' $((old | 1)))" | dd of="$1" bs=1 seek="$high" conv=notrunc status=none
