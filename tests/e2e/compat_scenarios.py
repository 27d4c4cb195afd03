#!/usr/bin/env python3
"""Compatibility boots: diskettes whose programs use extended memory, booted
through chain.0, a loader made by menvolt-cli and the e1000's PXE boot ROM,
plain and wrapped by menvolt-image into an extended image.

Usage: compat_scenarios.py SCENARIO --bin BUILD/bin --guests DIR

A wrapped diskette's start-up code moves the disk to the top of memory and
hides it from the INT 15h memory map. A plain diskette is served by the
menu's own RAM disk at 110000h, which is not hidden: syslinux copies its
core to 100000h and over it, so a plain syslinux diskette never reaches its
configuration file. syslinux_plain_fails keeps that expected failure in
view: it passes when the marker does NOT appear.
"""

import argparse
import hashlib
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import compat_images  # noqa: E402
from e2e_scenarios import SERVER_PATH, Setup, expect  # noqa: E402
from qemu_harness import Machine  # noqa: E402

BOOT_TIMEOUT = 60


def boot(setup, data, name="disk.img"):
    setup.loader((name, "Image under test", ""))
    setup.serve(name, data)
    m = Machine(setup.root, "chain.0")
    m.skip_boot_rom_prompt()
    return m


def wrapped(setup, diskette, *options):
    return compat_images.wrap(setup.bin, setup.root, diskette, *options)


def syslinux_marker_shown(m):
    # syslinux echoes the serial console from its configuration on, but
    # SAY lines reach only the screen there.
    return compat_images.SYSLINUX_MARKER in m.serial() or m.screen().find(compat_images.SYSLINUX_MARKER) >= 0


def scenario_syslinux_plain_fails(setup):
    with boot(setup, compat_images.syslinux(setup.root)) as m:
        m.wait_screen(lambda s: s.find("Transferring image file..") >= 0, BOOT_TIMEOUT, "the transfer")
        # Its core, copied over the RAM disk, can no longer read the disk:
        # "Failed to load ldlinux.c32". Should it ever say something else,
        # the marker must still not come within the time the wrapped
        # diskette needs.
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline and m.screen().find("Failed to load ldlinux.c32") < 0:
            time.sleep(0.5)
        expect(not syslinux_marker_shown(m),
               "a plain syslinux diskette now boots: the RAM disk must be hidden from it\n" + m.serial())


def scenario_syslinux_wrapped(setup):
    with boot(setup, wrapped(setup, compat_images.syslinux(setup.root))) as m:
        m.wait_serial("SYSLINUX 6", BOOT_TIMEOUT)  # its core runs and has read syslinux.cfg
        m.wait_screen(lambda s: s.find(compat_images.SYSLINUX_MARKER) >= 0, 20, "the marker from marker.cfg")


def scenario_grub_wrapped(setup):
    with boot(setup, wrapped(setup, compat_images.grub(setup.root))) as m:
        m.wait_serial(compat_images.GRUB_MARKER, BOOT_TIMEOUT)


def scenario_memtest_wrapped(setup):
    with boot(setup, wrapped(setup, compat_images.memtest(setup.root))) as m:
        # Its running screen: the title and a test under way.
        def running(s):
            whole = "\n".join(s.text(r) for r in range(25))
            return "Memtest86+" in whole and ("Pass" in whole or "Test" in whole)
        m.wait_screen(running, 90, "memtest86+ running")


def scenario_memmap_wrapped(setup):
    program = setup.guest("memmap_check.bin")
    with boot(setup, wrapped(setup, compat_images.raw_program(program))) as m:
        status = m.wait_exit(BOOT_TIMEOUT)
        expect("memmap: E820 E801 88h hide the volume" in m.serial(), "memory map checks:\n" + m.serial())
        expect(status == 33, "exit status %d" % status)


def fat12(setup, data):
    with boot(setup, data) as m:
        status = m.wait_exit(BOOT_TIMEOUT)
        expect("floppy: first last 127 refusals ok" in m.serial(), "floppy checks:\n" + m.serial())
        expect(status == 33, "exit status %d" % status)


def scenario_fat12_plain(setup):
    fat12(setup, setup.floppy())


def scenario_fat12_wrapped(setup):
    fat12(setup, wrapped(setup, setup.floppy()))


def scenario_writable_wrapped(setup):
    diskette = bytearray(setup.floppy())
    boot_sector = setup.guest("write_check.bin")
    diskette[0:3] = boot_sector[0:3]
    diskette[0x3E:512] = boot_sector[0x3E:512]
    data = wrapped(setup, bytes(diskette), "--writable")
    served = os.path.join(setup.root, SERVER_PATH + "disk.img")
    with boot(setup, data) as m:
        before = hashlib.sha256(open(served, "rb").read()).hexdigest()
        status = m.wait_exit(BOOT_TIMEOUT)
        expect("write: read back ok" in m.serial(), "write checks:\n" + m.serial())
        expect(status == 33, "exit status %d" % status)
    after = hashlib.sha256(open(served, "rb").read()).hexdigest()
    expect(before == after and after == hashlib.sha256(data).hexdigest(), "the served image file changed")


SCENARIOS = {name[len("scenario_"):]: f for name, f in globals().items() if name.startswith("scenario_")}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--bin", required=True)
    parser.add_argument("--guests", required=True)
    args = parser.parse_args()
    setup = Setup(args)
    try:
        SCENARIOS[args.scenario](setup)
    finally:
        setup.close()
    print("%s: passed" % args.scenario)


if __name__ == "__main__":
    main()
