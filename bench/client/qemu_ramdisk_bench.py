#!/usr/bin/env python3
"""Time to read all 2880 sectors of a RAM disk through INT 13h, in QEMU:
once from a Menvolt loader (chain.0 -> chain.ldr -> floppy.img), once from
MEMDISK started by pxelinux, in the same run and on the same diskette.

Usage: qemu_ramdisk_bench.py --bin BUILD/bin --guest readall_boot.bin
Prints one line per RAM disk ("menvolt cycles=N seconds=S") and the ratio.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
from qemu_harness import Machine  # noqa: E402

SERVER_PATH = "Setup\\English\\Tools\\Zent\\i386\\"
PXELINUX = "/usr/lib/PXELINUX/pxelinux.0"
LDLINUX = "/usr/lib/syslinux/modules/bios/ldlinux.c32"
MEMDISK = "/usr/lib/syslinux/memdisk"


def diskette(work, boot):
    path = os.path.join(work, "build.img")
    subprocess.run(["mkfs.fat", "-C", "-F", "12", path, "1440"], check=True, stdout=subprocess.DEVNULL)
    image = bytearray(open(path, "rb").read())
    image[0:3] = boot[0:3]
    image[0x3E:512] = boot[0x3E:512]
    return bytes(image)


def measure(root, bootfile):
    with Machine(root, bootfile) as m:
        m.skip_boot_rom_prompt()
        started = m.wait_serial("READ-START", 120)
        done = m.wait_serial("READ-DONE", 300)
        text = m.serial()
        if "READ-ERROR" in text:
            raise RuntimeError("read failed:\n" + text)
        cycles = int(text.split("cycles=")[1][:16], 16)
        return cycles, done - started


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--guest", required=True)
    args = parser.parse_args()
    boot = open(args.guest, "rb").read()
    work = tempfile.mkdtemp(prefix="menvolt-bench-")
    try:
        image = diskette(work, boot)
        ours = os.path.join(work, "ours")
        os.makedirs(ours)
        shutil.copy(os.path.join(args.bin, "chain.0"), ours)
        with open(os.path.join(ours, SERVER_PATH + "floppy.img"), "wb") as f:
            f.write(image)
        subprocess.run([os.path.join(args.bin, "menvolt-cli"), "new", os.path.join(ours, "chain.ldr"),
                        "--server-path", SERVER_PATH, "--item", "0", "floppy.img", "Read all", ""], check=True)

        theirs = os.path.join(work, "memdisk")
        os.makedirs(os.path.join(theirs, "pxelinux.cfg"))
        for f in (PXELINUX, LDLINUX, MEMDISK):
            shutil.copy(f, theirs)
        with open(os.path.join(theirs, "floppy.img"), "wb") as f:
            f.write(image)
        with open(os.path.join(theirs, "pxelinux.cfg", "default"), "w") as f:
            f.write("DEFAULT floppy\nLABEL floppy\n  KERNEL memdisk\n  INITRD floppy.img\n  APPEND floppy\n")

        our_cycles, our_seconds = measure(ours, "chain.0")
        their_cycles, their_seconds = measure(theirs, "pxelinux.0")
        print("menvolt cycles=%d seconds=%.3f" % (our_cycles, our_seconds))
        print("memdisk cycles=%d seconds=%.3f" % (their_cycles, their_seconds))
        print("ratio cycles=%.3f seconds=%.3f" % (our_cycles / their_cycles, our_seconds / their_seconds))
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
