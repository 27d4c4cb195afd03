#!/usr/bin/env python3
"""End-to-end boots of Menvolt loader files on QEMU's e1000 PXE boot ROM.

Usage: e2e_scenarios.py SCENARIO --bin BUILD/bin --guests DIR

Each scenario lays out a TFTP root the way an installation server would
(chain.0, the loader file next to it as chain.ldr, the image files under the
server path, whose backslashes QEMU's TFTP server takes literally), boots
the machine and checks what the screen and the serial port show.

Any image file can be served the same way: put it under SERVER_PATH with
serve() and name it in a loader item, or run the boot_image scenario with
--image FILE (and --expect TEXT when the image reports on the serial port
rather than through the debug-exit port).
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qemu_harness import Machine  # noqa: E402

SERVER_PATH = "Setup\\English\\Tools\\Zent\\i386\\"
NORMAL, HIGHLIGHT = 0x1F, 0x4E  # white on blue, yellow on red
COLORS = "0x%02X%02X" % (HIGHLIGHT, NORMAL)
BOOT_TIMEOUT = 40
LAYOUT_DEF = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "loader", "layout.def")
L = {m.group(1): int(m.group(2), 0)
     for m in re.finditer(r"^LAYOUT\((\w+), *([0-9A-Fa-fx]+)\)", open(LAYOUT_DEF).read(), re.M)}


class Setup:
    def __init__(self, args):
        self.args = args
        self.bin = args.bin
        self.guests = args.guests
        self.root = tempfile.mkdtemp(prefix="menvolt-tftp-")
        shutil.copy(os.path.join(self.bin, "chain.0"), os.path.join(self.root, "chain.0"))

    def loader(self, *items, options=()):
        """items: (image, description, help) for items 1, 2, ..."""
        cmd = [os.path.join(self.bin, "menvolt-cli"), "new", os.path.join(self.root, "chain.ldr"),
               "--server-path", SERVER_PATH, "--colors", COLORS, *options]
        for number, (image, description, help_text) in enumerate(items, 1):
            cmd += ["--item", str(number), image, description, help_text]
        subprocess.run(cmd, check=True)

    def serve(self, name, data):
        # QEMU's TFTP server looks the requested name up literally.
        with open(os.path.join(self.root, SERVER_PATH + name), "wb") as f:
            f.write(data)

    def guest(self, name):
        with open(os.path.join(self.guests, name), "rb") as f:
            return f.read()

    def floppy(self):
        """A 1.44 MB FAT12 diskette with the checking boot sector and
        markers in sectors 126 and 2879."""
        path = os.path.join(self.root, "floppy-build.img")
        subprocess.run(["mkfs.fat", "-C", "-F", "12", "-n", "MENVOLT", path, "1440"], check=True,
                       stdout=subprocess.DEVNULL)
        note = os.path.join(self.root, "readme.txt")
        with open(note, "w") as f:
            f.write("Menvolt test diskette\r\n")
        subprocess.run(["mcopy", "-i", path, note, "::README.TXT"], check=True)
        image = bytearray(open(path, "rb").read())
        boot = self.guest("floppy_check.bin")
        image[0:3] = boot[0:3]
        image[0x3E:512] = boot[0x3E:512]
        for sector in (126, 2879):
            image[sector * 512:sector * 512 + 8] = b"SECT%04d" % sector
        return bytes(image)

    def close(self):
        shutil.rmtree(self.root, ignore_errors=True)


def expect(condition, message, screen=None):
    if not condition:
        raise AssertionError(message + ("\n" + screen.dump() if screen else ""))


def menu_screen(bin_dir, ldr, selected):
    """{(row, column): (character, attribute)} of the menu that the loader
    file `ldr` (bytes) shows on item `selected`, as the editor's one renderer
    draws it (menvolt-cli show --screen). The countdown field is left out:
    it counts on the PC, and the scenarios read it themselves."""
    with tempfile.NamedTemporaryFile(suffix=".ldr") as f:
        f.write(ldr)
        f.flush()
        out = subprocess.run([os.path.join(bin_dir, "menvolt-cli"), "show", "--screen", f.name,
                              "--selected", str(selected + 1)], check=True, capture_output=True, text=True).stdout
    cells = {(row, column): (bytes([int(cell[:2], 16)]).decode("cp437"), int(cell[2:], 16))
             for row, line in enumerate(out.splitlines()) for column, cell in enumerate(line.split())}
    expect(len(cells) == 80 * 25, "menvolt-cli show --screen gave %d cells" % len(cells))
    for column in range(L["COUNTDOWN_COLUMN"], L["COUNTDOWN_COLUMN"] + L["COUNTDOWN_WIDTH"]):
        del cells[(L["COUNTDOWN_ROW"], column)]
    return cells


def screen_mismatch(s, cells):
    """The first of `cells` that the screen `s` shows otherwise, or None."""
    for (row, column), (ch, attr) in sorted(cells.items()):
        got = (s.text(row, column, 1), s.attr(row, column))
        if got != (ch, attr):
            return "cell %d,%d: %r, want %r" % (row, column, got, (ch, attr))
    return None


def check_menu(setup, s, selected):
    ldr = open(os.path.join(setup.root, "chain.ldr"), "rb").read()
    mismatch = screen_mismatch(s, menu_screen(setup.bin, ldr, selected))
    expect(mismatch is None, "the menu on item %d: %s" % (selected, mismatch), s)


def menu_shown(selected):
    return lambda s: s.text(3, 4, 9) == "Use the a" and s.attr(5 + selected, 8) == HIGHLIGHT


ITEMS = [
    ("floppy.img", "Diskette tools", "Checks the RAM disk through INT 13h."),
    ("missing.img", "Missing image", "This image file is not on the server."),
    ("", "Boot from hard drive", "Returns to the boot ROM."),
]


def scenario_menu_floppy(setup):
    setup.loader(*ITEMS)
    setup.serve("floppy.img", setup.floppy())
    with Machine(setup.root, "chain.0") as m:
        m.skip_boot_rom_prompt()
        s = m.wait_screen(menu_shown(0), BOOT_TIMEOUT, "the menu")
        check_menu(setup, s, 0)
        m.key("down")
        s = m.wait_screen(menu_shown(1), 10, "item 1 selected")
        check_menu(setup, s, 1)
        m.key("up", "up")
        s = m.wait_screen(menu_shown(2), 10, "wrap to the last item")
        check_menu(setup, s, 2)
        m.key("down")
        s = m.wait_screen(menu_shown(0), 10, "wrap to the first item")
        m.key("esc")
        s = m.wait_screen(menu_shown(0), 5, "escape ignored")
        check_menu(setup, s, 0)
        m.key("ret")
        status = m.wait_exit(60)
        expect("floppy: first last 127 refusals ok" in m.serial(), "floppy checks:\n" + m.serial())
        expect(status == 33, "exit status %d" % status)


def scenario_missing_then_hard_drive(setup):
    setup.loader(*ITEMS)
    with Machine(setup.root, "chain.0") as m:
        m.skip_boot_rom_prompt()
        m.wait_screen(menu_shown(0), BOOT_TIMEOUT, "the menu")
        m.key("down")
        m.wait_screen(menu_shown(1), 10, "item 1 selected")
        m.key("ret")
        s = m.wait_screen(lambda s: s.find("Error: TFTP failed") >= 0, 20, "the TFTP message")
        expect(s.text(0, 0, 25) == "Transferring image file..", "transfer line", s)
        expect(s.text(1, 0, 43) == "Error: TFTP failed transferring image file.", "message on row 1", s)
        m.key("a")
        s = m.wait_screen(menu_shown(1), 10, "the menu again with the same item")
        check_menu(setup, s, 1)
        m.key("down")
        s = m.wait_screen(menu_shown(2), 10, "the hard-drive item")
        check_menu(setup, s, 2)
        m.key("spc")
        m.wait_serial("chain: loader returned, back to the boot ROM", 20)
        # The boot ROM gives up on the network and the BIOS moves on.
        m.wait_screen(lambda s: s.find("Booting from Hard Disk") >= 0, 30, "the next boot device")


def scenario_countdown(setup):
    """Timeout 2 on the hard-drive item: with no key the menu hands back to
    the boot ROM; a key within the time keeps it up. No key goes to the boot
    ROM's prompt here, which ends by itself, so none reaches the menu."""
    setup.loader(*ITEMS, options=("--default", "3", "--timeout", "2"))
    counting = lambda s: menu_shown(2)(s) and s.text(3, 63, 4) in ("2   ", "1   ")
    with Machine(setup.root, "chain.0") as m:
        s = m.wait_screen(counting, BOOT_TIMEOUT, "the menu counting down")
        check_menu(setup, s, 2)
        expect(s.attr(3, 63) == NORMAL, "countdown colour", s)
        shots = os.path.join(os.path.dirname(os.path.abspath(setup.bin)), "screenshots")
        os.makedirs(shots, exist_ok=True)
        m.command("screendump", filename=os.path.join(shots, "menu_countdown.ppm"))
        m.wait_serial("chain: loader returned, back to the boot ROM", 20)
        m.wait_screen(lambda s: s.find("Booting from Hard Disk") >= 0, 30, "the next boot device")
    with Machine(setup.root, "chain.0") as m:
        m.wait_screen(counting, BOOT_TIMEOUT, "the menu counting down")
        m.key("esc")
        s = m.wait_screen(lambda s: menu_shown(2)(s) and s.text(3, 63, 4) == "    ", 5, "the count stopped")
        time.sleep(4)
        s = m.screen()
        check_menu(setup, s, 2)
        expect("loader returned" not in m.serial(), "the menu went on after a key:\n" + m.serial(), s)


def scenario_single_small_program(setup):
    setup.loader(("small.img", "Small program", ""))
    setup.serve("small.img", setup.guest("small_boot.bin"))
    with Machine(setup.root, "chain.0") as m:
        m.skip_boot_rom_prompt()
        status = m.wait_exit(BOOT_TIMEOUT)
        expect("small boot program: running, PXE loaded" in m.serial(), "small program:\n" + m.serial())
        expect(status == 33, "exit status %d" % status)


def scenario_boot_image(setup):
    """Any image file as the only item: --image FILE, passed when the serial
    port shows --expect TEXT (or QEMU ends with status 33 when none given)."""
    args = setup.args
    name = os.path.basename(args.image)
    setup.loader((name, "Image under test", ""))
    with open(args.image, "rb") as f:
        setup.serve(name, f.read())
    with Machine(setup.root, "chain.0") as m:
        m.skip_boot_rom_prompt()
        if args.expect:
            m.wait_serial(args.expect, args.timeout)
        else:
            status = m.wait_exit(args.timeout)
            expect(status == 33, "exit status %d\n%s" % (status, m.serial()))


SCENARIOS = {
    "boot_image": scenario_boot_image,
    "countdown": scenario_countdown,
    "menu_floppy": scenario_menu_floppy,
    "missing_then_hard_drive": scenario_missing_then_hard_drive,
    "single_small_program": scenario_single_small_program,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--bin", required=True)
    parser.add_argument("--guests", required=True)
    parser.add_argument("--image", help="boot_image: the image file to serve")
    parser.add_argument("--expect", help="boot_image: text the serial port must show")
    parser.add_argument("--timeout", type=float, default=60)
    args = parser.parse_args()
    setup = Setup(args)
    try:
        SCENARIOS[args.scenario](setup)
    finally:
        setup.close()
    print("%s: passed" % args.scenario)


if __name__ == "__main__":
    main()
