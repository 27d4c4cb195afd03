#!/usr/bin/env python3
"""Boots a virtual PC from the network on a tap interface (DHCP and TFTP come
from whatever serves that interface) and waits for texts on its screen."""

import argparse
import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from qemu_harness import Machine  # noqa: E402


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--tap", required=True)
    parser.add_argument("--expect", action="append", default=[])
    parser.add_argument("--timeout", type=float, default=60)
    parser.add_argument("--uefi", action="store_true", help="OVMF with its own PXE on virtio-net")
    parser.add_argument("--secure-boot", metavar="VARS", help="UEFI with Secure Boot on, from this variable store")
    parser.add_argument("--arm64", action="store_true", help="a 64-bit ARM PC: AAVMF with its own PXE")
    parser.add_argument("--http", action="store_true", help="OVMF booting by HTTP: its PXE and IPv6 off")
    parser.add_argument("--then", nargs=2, action="append", default=[], metavar=("KEY", "TEXT"),
                        help="then press KEY and wait for TEXT on the serial port (gone from the screen soon)")
    args = parser.parse_args()
    netdev = "tap,id=n0,ifname=%s,script=no,downscript=no" % args.tap
    uefi = dict(firmware="/usr/share/OVMF/OVMF_CODE_4M.fd", nic="virtio-net-pci,romfile=") \
        if args.uefi or args.http else {}
    if args.http:
        uefi["extra_args"] = ["-fw_cfg", "name=opt/org.tianocore/IPv4PXESupport,string=no",
                              "-fw_cfg", "name=opt/org.tianocore/IPv6Support,string=no"]
    if args.arm64:
        uefi = dict(firmware="/usr/share/AAVMF/AAVMF_CODE.fd", nic="virtio-net-pci,romfile=", arm64=True,
                    memory_mb=512)
    if args.secure_boot:
        uefi = dict(firmware="/usr/share/OVMF/OVMF_CODE_4M.secboot.fd", nic="virtio-net-pci,romfile=",
                    variables=args.secure_boot)
    with Machine(tftp_root=None, bootfile=None, netdev=netdev, **uefi) as machine:
        if not uefi:
            machine.skip_boot_rom_prompt()
        screen = machine.wait_screen(lambda s: all(s.find(t) >= 0 for t in args.expect), args.timeout,
                                     "the menu")
        for key, text in args.then:
            machine.key(key)
            machine.wait_serial(text, args.timeout)
        print(screen.dump())
    return 0


if __name__ == "__main__":
    sys.exit(main())
