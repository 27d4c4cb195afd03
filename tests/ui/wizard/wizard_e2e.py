#!/usr/bin/env python3
"""Boots a loader file written by the create wizard on QEMU's PXE boot ROM.

Usage: wizard_e2e.py --writer WIZARD_ENTRY_WRITER --bin BUILD/bin --guests DIR

The wizard writes a two-item submenu (the small guest program, and the hard
drive) into a share; its tool0.ldr is served as chain.ldr and small.img under
the server path the wizard stored. The client must show the wizard's menu in
the new loader's colours and boot the small program.
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "e2e"))
from qemu_harness import Machine  # noqa: E402

SERVER_PATH = "Setup\\English\\Tools\\Zent\\i386\\"
NORMAL, HIGHLIGHT = 0x07, 0x70  # a new loader's colours


def fail(message, screen=None):
    raise AssertionError(message + ("\n" + screen.dump() if screen else ""))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--writer", required=True)
    parser.add_argument("--bin", required=True)
    parser.add_argument("--guests", required=True)
    args = parser.parse_args()

    work = tempfile.mkdtemp(prefix="menvolt-wizard-e2e-")
    try:
        share = os.path.join(work, "share")
        small = os.path.join(args.guests, "small_boot.bin")
        env = dict(os.environ)
        env.setdefault("XDG_RUNTIME_DIR", work)
        subprocess.run([args.writer, share, small], check=True, stdout=subprocess.DEVNULL, env=env)
        entry = os.path.join(share, "Setup", "English", "Tools", "Zent", "i386")
        tftp = os.path.join(work, "tftp")
        os.makedirs(tftp)
        shutil.copy(os.path.join(args.bin, "chain.0"), os.path.join(tftp, "chain.0"))
        shutil.copy(os.path.join(entry, "tool0.ldr"), os.path.join(tftp, "chain.ldr"))
        # QEMU's TFTP server looks the requested name up literally.
        shutil.copy(os.path.join(entry, "small.img"), os.path.join(tftp, SERVER_PATH + "small.img"))

        with Machine(tftp, "chain.0") as m:
            m.skip_boot_rom_prompt()
            s = m.wait_screen(lambda s: s.text(3, 4, 9) == "Use the a" and s.attr(5, 8) == HIGHLIGHT, 40,
                              "the wizard's menu")
            if s.text(5, 7, 15) != " Small program ":
                fail("item 0", s)
            if s.text(6, 7, 22) != " Boot from hard drive ":
                fail("item 1", s)
            if s.attr(6, 8) != NORMAL:
                fail("item 1 colour", s)
            help_text = "Boots the small program from the server."
            if s.text(18, 19, len(help_text)) != help_text:
                fail("help text", s)
            m.key("ret")
            status = m.wait_exit(60)
            if "small boot program: running" not in m.serial():
                fail("small program:\n" + m.serial())
            if status != 33:
                fail("exit status %d" % status)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print("wizard entry boots: passed")


if __name__ == "__main__":
    main()
