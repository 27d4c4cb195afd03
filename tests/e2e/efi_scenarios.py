#!/usr/bin/env python3
"""End-to-end boots of menvolt.efi on OVMF: efi_scenarios.py SCENARIO --bin BUILD/bin --guests DIR.
The screen, rebuilt from the firmware's VT100 mirror on COM1, is compared cell by cell with
colours with the one the editor draws for the loader file (menvolt-cli show --screen)."""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from e2e_scenarios import COLORS, HIGHLIGHT, L, NORMAL, SERVER_PATH, Setup, expect  # noqa: E402
from e2e_scenarios import menu_screen, screen_mismatch  # noqa: E402
from qemu_harness import Machine  # noqa: E402
from tftp_server import TftpServer  # noqa: E402
from web_server import WebServer  # noqa: E402

OVMF_CODE = "/usr/share/OVMF/OVMF_CODE_4M.fd"
AAVMF_CODE = "/usr/share/AAVMF/AAVMF_CODE.fd"
SECURE_BOOT_CODE = "/usr/share/OVMF/OVMF_CODE_4M.secboot.fd"
TEST_KEY_VARS = "/usr/share/OVMF/OVMF_VARS_4M.snakeoil.fd"  # Debian's test key in PK, KEK and db
SHIPPED_KEY_VARS = "/usr/share/OVMF/OVMF_VARS_4M.ms.fd"     # Microsoft's keys, as PCs ship
ARM64_TEST_KEY_VARS = "/usr/share/AAVMF/AAVMF_VARS.snakeoil.fd"
REFUSED_PROGRAM = "Error: Secure Boot refused this EFI program (it is not signed with a key the PC trusts)."
REFUSED_DISK = ("Error: Secure Boot refused this image's UEFI boot program (it is not signed with a key "
                "the PC trusts).")
FIRMWARE_PXE = "virtio-net-pci,romfile="   # the firmware's own network stack
IPXE_EFI = "e1000"                          # iPXE's EFI driver from the card's ROM
BOOT_TIMEOUT = 60
MEMTEST = "/boot/memtest86+x64.efi"
CD_PAD_MB = 150
BIN = None  # the build's bin folder, for menvolt-cli


def word(data, at):
    return data[at] | data[at + 1] << 8


def wait_menu(m, ldr, selected, timeout, what):
    """Waits for the menu on `selected`, then for all of it, as the editor's
    renderer draws it: the serial terminal gets the screen a piece at a time,
    so the item row can be there before the help area. The terminal shows
    what is written, not the colour a clear leaves, so the blank cells of
    the background are left out (the help area is written blank); and it
    scrolls when its last cell is written: that one stays unset."""
    normal = ldr[word(ldr, L["LDR_HEADER_PTR"]) + L["HDR_NORMAL_ATTR"]]
    written = lambda row, column: (L["HELP_ROW"] <= row <= L["HELP_LAST_ROW"] and
                                   L["HELP_LEFT"] <= column <= L["HELP_RIGHT"])
    cells = {at: cell for at, cell in menu_screen(BIN, ldr, selected).items() if cell != (" ", normal) or written(*at)}
    cells.pop((L["SCREEN_LAST_ROW"], 79), None)
    m.wait_screen(menu_on(selected), timeout, what)
    deadline = time.monotonic() + 5
    while True:
        s = m.screen()
        mismatch = screen_mismatch(s, cells)
        if mismatch is None or time.monotonic() > deadline:
            expect(mismatch is None, "%s: %s" % (what, mismatch), s)
            return s
        time.sleep(0.2)


def countdown(s):
    return s.text(L["COUNTDOWN_ROW"], L["COUNTDOWN_COLUMN"], L["COUNTDOWN_WIDTH"])


def menu_on(selected):
    row = L["ITEM_ROW"] + selected
    return lambda s: (s.find("Use the arrow keys") == L["ARROWS_ROW"] and
                      s.attr(row, L["ITEM_COLUMN"] + 1) == HIGHLIGHT)


class EfiSetup(Setup):
    def __init__(self, args):
        super().__init__(args)
        shutil.copy(os.path.join(self.bin, "menvolt.efi"), os.path.join(self.root, "menvolt.efi"))

    def loader(self, *items, default=None, timeout=None):
        cmd = [os.path.join(self.bin, "menvolt-cli"), "new", os.path.join(self.root, "menvolt.ldr"),
               "--server-path", SERVER_PATH, "--colors", COLORS]
        for number, (image, description, help_text) in enumerate(items, 1):
            cmd += ["--item", str(number), image, description, help_text]
        subprocess.run(cmd, check=True)
        return self.patch_loader({L["LDR_SELECTED"]: default or 0, L["LDR_TIMEOUT"]: timeout or 0})

    def patch_loader(self, words):
        """Sets words of menvolt.ldr and seals it again (checksum)."""
        path = os.path.join(self.root, "menvolt.ldr")
        ldr = bytearray(open(path, "rb").read())
        for at, value in words.items():
            ldr[at:at + 2] = value.to_bytes(2, "little")
        at = word(ldr, L["LDR_HEADER_PTR"]) + L["HDR_CHECKSUM"]
        ldr[at] = (ldr[at] - sum(ldr)) & 0xFF
        open(path, "wb").write(ldr)
        return bytes(ldr)

    def boot_disk(self, name="disk.img", program=None, kb=8192, files=(), boot_name="BOOTX64.EFI"):
        """A FAT disk whose default boot program (`boot_name`) is the test
        program (or `program`), with more (host file, image path) pairs."""
        disk = os.path.join(self.root, name)
        if not os.path.exists(disk):
            subprocess.run(["mkfs.fat", "-C", disk, str(kb)], check=True, stdout=subprocess.DEVNULL)
        files = [*files, (program or os.path.join(self.guests, "test_program.efi"), "::EFI/BOOT/" + boot_name)]
        subprocess.run(["mmd", "-i", disk, "::EFI", "::EFI/BOOT"], check=True)
        for host, at in files:
            subprocess.run(["mcopy", "-i", disk, host, at], check=True)
        return disk

    def machine(self, nic, netdev=None, bootfile="menvolt.efi", variables=None, arm64=False, more_args=(),
                **options):
        """variables: a variable store, for a PC with Secure Boot on;
        arm64: a 64-bit ARM PC; more_args: more QEMU options."""
        netdev = netdev or "user,id=n0,ipv6=off,tftp=%s,bootfile=%s" % (self.root, bootfile)
        # No IPv6 stack: fewer network boot options to time out before the disk.
        no_ipv6 = ["-fw_cfg", "name=opt/org.tianocore/IPv6Support,string=no"]
        firmware = AAVMF_CODE if arm64 else SECURE_BOOT_CODE if variables else OVMF_CODE
        return Machine(self.root, bootfile, firmware=firmware, nic=nic, netdev=netdev,
                       extra_args=no_ipv6 + list(more_args),
                       variables=variables, arm64=arm64, **options)

    def secure_boot(self, *args):
        """menvolt-cli secureboot with the key folder of this run."""
        subprocess.run([os.path.join(self.bin, "menvolt-cli"), "secureboot", *args, "--keys",
                        os.path.join(self.root, "keys")], check=True, stdout=subprocess.DEVNULL)

    def signed_and_unsigned(self):
        """The test program as signed.efi and unsigned.efi, and FAT diskettes
        holding it, signed.img and unsigned.img; the site key made first."""
        self.secure_boot("key", "--name", "Menvolt test site")
        program = self.guest("test_program.efi")
        self.serve("unsigned.efi", program)
        self.serve("signed.efi", program)
        self.secure_boot("sign", os.path.join(self.root, SERVER_PATH + "signed.efi"))
        for name in ("signed.img", "unsigned.img"):
            disk = self.boot_disk(name, kb=1440)
            if name == "signed.img":
                self.secure_boot("sign", disk)
            self.serve(name, open(disk, "rb").read())


ITEMS = [
    ("test.efi", "Test program", "Prints a marker and what it was given, then returns to the menu."),
    ("missing.efi", "Missing image", "This image file is not on the server."),
    ("huge.img", "Huge image", "Larger than the memory of the PC."),
    ("", "Boot from hard drive", "Leaves the network boot, so the firmware goes on."),
]


def scenario_menu_program_missing_hard_drive(setup):
    """Four items through the firmware's own PXE: layout, colours, keys; a
    program that returns; a missing image; one larger than memory; the hard-drive item going on to
    the disk, whose own test program powers the machine off."""
    ldr = setup.loader(*ITEMS, timeout=90)
    setup.serve("test.efi", setup.guest("test_program.efi"))
    open(os.path.join(setup.root, SERVER_PATH + "huge.img"), "wb").truncate(1 << 30)  # sparse
    with setup.machine(FIRMWARE_PXE, disk=setup.boot_disk()) as m:
        s = wait_menu(m, ldr, 0, BOOT_TIMEOUT, "the menu")
        expect(re.fullmatch(r"\d+ *", countdown(s)) and int(countdown(s)) <= 90, "countdown shown", s)
        # The first key stops the countdown for good and blanks its field.
        for key, selected in (("down", 1), ("up", 0), ("up", 3), ("down", 0), ("esc", 0)):
            m.key(key)
            s = wait_menu(m, ldr, selected, 10, "item %d after %s" % (selected, key))
            expect(countdown(s) == " " * L["COUNTDOWN_WIDTH"], "countdown field blanked", s)

        m.key("ret")
        m.wait_serial("menvolt test program: returning", 30)
        started = m.serial().split("menvolt test program: started from ")[1].split("\r")[0]
        expect("IPv4(10.0.2.2" in started and "test.efi" in started, "device path given: " + started)
        wait_menu(m, ldr, 0, 10, "the menu after the program")

        m.key("down", "ret")
        s = m.wait_screen(lambda s: s.find("Error: TFTP failed transferring image file.") == 1, 20,
                          "the TFTP message")
        expect(s.text(0, 0, 25) == "Transferring image file..", "transfer line", s)
        m.key("a")
        wait_menu(m, ldr, 1, 10, "the menu on the same item")
        # Its size (told by tsize) is refused before anything is transferred.
        m.key("down", "ret")
        m.wait_screen(lambda s: s.find("Error: the file is larger than the memory of this PC allows.") == 1, 20, "big")
        m.key("a")
        wait_menu(m, ldr, 2, 10, "the menu after the huge image")

        # The firmware tries its HTTP boot first, which waits about a minute
        # for a server that is not there.
        m.key("down", "spc")
        m.wait_serial("menvolt disk test program: started", 150)
        expect(m.wait_exit(30) == 0, "the disk's program did not power off\n" + m.serial())


def scenario_countdown_memtest(setup):
    """The default item (memtest86+'s EFI program on a FAT diskette) is taken when the
    countdown, shown second by second, runs out."""
    ldr = setup.loader(("", "Boot from hard drive", ""), ("memtest.img", "Memory test", "memtest86+"),
                       default=1, timeout=3)
    setup.serve("memtest.img", open(setup.boot_disk("memtest.img", MEMTEST, 1440), "rb").read())
    with setup.machine(FIRMWARE_PXE) as m:
        s = wait_menu(m, ldr, 1, BOOT_TIMEOUT, "the menu on the default item")
        seen = set()
        while m.running() and "Transferring image file.." not in m.serial():
            s = m.screen()
            if menu_on(1)(s):
                seen.add(countdown(s).strip())
                expect(s.attr(L["COUNTDOWN_ROW"], L["COUNTDOWN_COLUMN"]) == NORMAL, "countdown colour", s)
            expect(len(seen) < 5, "the countdown does not end: %s" % seen, s)
        expect({"2", "1"} <= seen, "seconds shown: %s" % seen)
        memtest_running(m)


def memtest_running(m):
    """memtest86+ draws on the frame buffer only: mostly blue (nothing of
    the firmware's or ours is), and changing as its tests go on."""
    deadline = time.monotonic() + 60
    while time.monotonic() < deadline:
        expect(m.running() and "Error" not in m.terminal().dump(), "memtest did not start\n" + m.serial())
        first = m.screendump()
        data = first.split(b"\n", 3)[3]  # P6 PPM: the pixels follow three header lines
        pixels = [data[i:i + 3] for i in range(0, len(data) - 2, 3 * 97)]
        time.sleep(2)
        if sum(b > 128 and r < 64 and g < 64 for r, g, b in pixels) > len(pixels) // 2 and m.screendump() != first:
            return
    raise AssertionError("memtest86+ did not reach its running screen")


def scenario_single_item(setup):
    """One item through iPXE's EFI driver: no menu, the program runs, and
    its return hands back to the firmware, also from a CD larger than half
    the PC's free memory; a refused one hands back an error."""
    setup.loader(("test.efi", "Test program", ""))
    setup.serve("test.efi", setup.guest("test_program.efi"))
    with setup.machine(IPXE_EFI) as m:
        m.wait_serial("menvolt test program: returning", BOOT_TIMEOUT)
        expect("Transferring image file.." in m.serial() and "Use the arrow keys" not in m.serial(), m.serial())
    # iPXE does not tell a file's size: the buffer doubles from 4 MB, and
    # a CD of more than half the free memory fits only in the last try,
    # the longest free run.
    os.remove(os.path.join(setup.root, "menvolt.ldr"))
    setup.loader(("cd.iso", "CD image", ""))
    cd = big_cd(setup)
    setup.serve("cd.iso", cd)
    with setup.machine(IPXE_EFI) as m:
        m.wait_serial("menvolt test program: returning", BOOT_TIMEOUT)
        expect(m.serial().split("on a RAM disk")[-1].split("\r")[0].endswith("/CDROM(0x0)"), m.serial())
        # The disk ends with the file, not with the larger buffer it came into.
        expect(last_ram_disk_size(m.serial()) == len(cd), "RAM disk of %d bytes for a CD of %d"
               % (last_ram_disk_size(m.serial()), len(cd)))
    # A refused image is a boot that failed: the firmware goes on to its next option.
    os.remove(os.path.join(setup.root, "menvolt.ldr"))
    setup.loader(("bios.img", "BIOS only", ""))
    setup.serve("bios.img", bytes(40960))
    message_then_firmware(setup, FIRMWARE_PXE, "This image needs a PC that boots in BIOS mode.")


def message_then_firmware(setup, nic, message):
    with setup.machine(nic) as m:
        s = m.wait_screen(lambda s: s.find(message) >= 0, BOOT_TIMEOUT, message)
        expect("Use the arrow keys" not in m.serial(), "no menu", s)
        m.key("spc")
        m.wait_serial("BdsDxe: failed to", 30)


def visit_items(m, ldr, items):
    """Takes each (item, what the PC shows, whether it is a program that
    returns); the menu must come back on the same item after each."""
    for item, shows, returns in items:
        before = m.serial().count(shows)
        m.key(str(item + 1))
        if returns:
            m.wait_screen(lambda s: m.serial().count(shows) > before, 60, shows)
        else:
            # A message longer than a row goes on in the next; shim says
            # its own word above ours. The key it waits for is asked for.
            m.wait_screen(lambda s: 1 <= s.find(shows[:80]) < s.find("Press any key to continue."), 30, shows)
            m.key("a")
        wait_menu(m, ldr, item, 30, "the menu after item %d" % item)


SIGNED_ITEMS = [("signed.efi", "Signed program", ""), ("unsigned.efi", "Unsigned program", ""),
                ("signed.img", "Signed boot disk", ""), ("unsigned.img", "Unsigned boot disk", "")]


def scenario_secure_boot_db(setup):
    """Secure Boot with the site key in the firmware's db (beside Debian's
    test key): the firmware refuses an unsigned menvolt.efi; the signed one
    shows the menu, starts a signed program and a disk whose boot program is
    signed, and refuses the unsigned ones with the message, the menu back on
    the same item."""
    setup.signed_and_unsigned()
    variables = os.path.join(setup.root, "db.fd")
    setup.secure_boot("vm-vars", variables, "--from", TEST_KEY_VARS)
    ldr = setup.loader(*SIGNED_ITEMS)
    with setup.machine(FIRMWARE_PXE, variables=variables) as m:
        m.wait_serial("Access Denied", BOOT_TIMEOUT)
        expect("Use the arrow keys" not in m.serial(), "an unsigned menvolt.efi ran\n" + m.serial())
    setup.secure_boot("sign", os.path.join(setup.root, "menvolt.efi"))
    with setup.machine(FIRMWARE_PXE, variables=variables) as m:
        wait_menu(m, ldr, 0, BOOT_TIMEOUT, "the menu")
        visit_items(m, ldr, [(1, REFUSED_PROGRAM, False), (0, "menvolt test program: returning", True),
                             (3, REFUSED_DISK, False), (2, "menvolt test program: on a RAM disk", True)])


def scenario_secure_boot_shim(setup):
    """A PC with the keys it ships with: Debian's signed shim starts
    menvolt.efi signed with the site key once that key is a machine owner
    key; menvolt.efi finds menvolt.ldr (the boot file name is shim's), and
    what it starts passes shim's verification or is refused with the
    message. Without the key, shim refuses menvolt.efi and offers its MOK
    manager instead of hanging."""
    setup.signed_and_unsigned()
    program = os.path.join(setup.root, "menvolt.efi")
    setup.secure_boot("shim", setup.root, "--program", program)
    os.remove(program)  # only the signed copy, as grubx64.efi, is served
    ldr = setup.loader(*SIGNED_ITEMS)
    setup.secure_boot("check", setup.root)
    variables = os.path.join(setup.root, "mok.fd")
    setup.secure_boot("vm-vars", variables, "--mok")
    with setup.machine(FIRMWARE_PXE, variables=variables, bootfile="shimx64.efi") as m:
        wait_menu(m, ldr, 0, BOOT_TIMEOUT, "the menu through shim")
        visit_items(m, ldr, [(1, REFUSED_PROGRAM, False), (0, "menvolt test program: returning", True),
                             (3, REFUSED_DISK, False), (2, "menvolt test program: on a RAM disk", True)])
    with setup.machine(FIRMWARE_PXE, variables=SHIPPED_KEY_VARS, bootfile="shimx64.efi") as m:
        m.wait_serial("Verification failed: (0x1A) Security Violation", BOOT_TIMEOUT)
        m.key("ret")
        m.wait_serial("Press any key to perform MOK management", 30)
        expect("Use the arrow keys" not in m.serial(), "menvolt.efi ran without its key\n" + m.serial())


def scenario_arm64(setup):
    """menvolt-aa64.efi on a 64-bit ARM PC (AAVMF) shows the menu of the
    same menvolt.ldr, cell by cell (its own name's loader file is not on the
    server); an ARM64 program runs and returns, and so does the one of a
    disk holding BOOTAA64.EFI, from a RAM disk; an x86-64 program and a disk
    with BOOTX64.EFI alone are refused with the PC they need, the menu back
    on the same item; the hard-drive item hands back to the firmware. Then
    the same PC with Secure Boot on, the site key in db: the signed
    menvolt-aa64.efi starts a signed ARM64 program and refuses an unsigned
    one with the message."""
    shutil.copy(os.path.join(setup.bin, "menvolt-aa64.efi"), setup.root)
    arm = os.path.join(setup.guests, "test_program_aa64.efi")
    setup.serve("arm.efi", open(arm, "rb").read())
    setup.serve("x64.efi", setup.guest("test_program.efi"))
    for name, program, boot_name in (("arm.img", arm, "BOOTAA64.EFI"), ("x64.img", None, "BOOTX64.EFI")):
        setup.serve(name, open(setup.boot_disk(name, program, 1440, boot_name=boot_name), "rb").read())
    ldr = setup.loader(("arm.efi", "ARM64 program", "Returns to the menu."), ("x64.efi", "x86-64 program", ""),
                       ("arm.img", "ARM64 boot disk", ""), ("x64.img", "x86-64 boot disk", ""),
                       ("", "Boot from hard drive", "Hands back to the firmware."))
    with setup.machine(FIRMWARE_PXE, bootfile="menvolt-aa64.efi", arm64=True, memory_mb=512) as m:
        wait_menu(m, ldr, 0, 2 * BOOT_TIMEOUT, "the menu on an ARM64 PC")
        visit_items(m, ldr, [(1, "This image needs an x86-64 PC.", False), (0, "menvolt test program: returning", True),
                             (3, "This image needs an x86-64 PC.", False),
                             (2, "menvolt test program: on a RAM disk", True)])
        m.key("5")
        m.wait_serial("BdsDxe: failed to start Boot0001", 30)
    setup.secure_boot("key", "--name", "Menvolt test site")
    setup.serve("signed-arm.efi", open(arm, "rb").read())
    for program in (SERVER_PATH + "signed-arm.efi", "menvolt-aa64.efi"):
        setup.secure_boot("sign", os.path.join(setup.root, program))
    variables = os.path.join(setup.root, "aa64-db.fd")
    setup.secure_boot("vm-vars", variables, "--from", ARM64_TEST_KEY_VARS)
    ldr = setup.loader(("signed-arm.efi", "Signed ARM64 program", ""), ("arm.efi", "Unsigned ARM64 program", ""))
    with setup.machine(FIRMWARE_PXE, bootfile="menvolt-aa64.efi", arm64=True, memory_mb=512,
                       variables=variables) as m:
        wait_menu(m, ldr, 0, 2 * BOOT_TIMEOUT, "the menu on an ARM64 PC with Secure Boot")
        visit_items(m, ldr, [(1, REFUSED_PROGRAM, False), (0, "menvolt test program: returning", True)])


def scenario_zero_items(setup):
    setup.loader()
    message_then_firmware(setup, FIRMWARE_PXE, "Error: no image files defined.")


def scenario_damaged_loader(setup):
    """A string offset pointing past the file's end: refused before use."""
    ldr = setup.loader(*ITEMS)
    setup.patch_loader({word(ldr, L["LDR_HEADER_PTR"]) + L["HDR_SLOTS"] + L["SLOT_HELP"]: len(ldr) + 100})
    message_then_firmware(setup, IPXE_EFI, "Error: the loader file's strings are damaged.")


GRUB_MARKER = "menvolt grub: read grub.cfg"


def last_ram_disk_size(serial):
    """Bytes of the RAM disk the test program last ran from, from the start
    and end address in its device path node."""
    node = re.findall(r"on a RAM disk \(1 of them\) Path\(132,9,0x([0-9A-F]{32})", serial)[-1]
    start, end = (int.from_bytes(bytes.fromhex(node[i:i + 16]), "little") for i in (0, 16))
    return end - start + 1


def big_cd(setup):
    """bios.iso, a CD with an El Torito BIOS entry only, and cd.iso, one
    with an EFI entry holding the test program; cd.iso's bytes."""
    root = setup.root
    if not os.path.exists(os.path.join(root, "cd.iso")):
        os.makedirs(os.path.join(root, "cd"))
        setup.boot_disk("cd/efi.img", kb=1440)
        shutil.copy(os.path.join(setup.guests, "small_boot.bin"), os.path.join(root, "cd", "bios.bin"))
        for name, boot in (("bios.iso", ["-b", "bios.bin"]), ("cd.iso", ["-e", "efi.img"])):
            subprocess.run(["xorriso", "-as", "mkisofs", "-o", os.path.join(root, name), *boot, "-no-emul-boot",
                            os.path.join(root, "cd")], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            # The EFI one is more than half the free memory of the 256 MB PC:
            # its disk must be made where it was received, not in a copy.
            open(os.path.join(root, "cd", "pad.bin"), "wb").truncate(CD_PAD_MB << 20)
    return open(os.path.join(root, "cd.iso"), "rb").read()


def disk_images(setup):
    """name -> bytes of the images the RAM disk scenario serves."""
    root, tool = setup.root, os.path.join(setup.bin, "menvolt-image")
    run = lambda *cmd: subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    read = lambda name: bytearray(open(os.path.join(root, name), "rb").read())
    # GRUB for EFI on the volume behind an extended image's start-up code.
    grub = os.path.join(root, "BOOTX64.EFI")
    run("grub-mkimage", "-O", "x86_64-efi", "-p", "/EFI/BOOT", "-o", grub, "fat", "part_msdos", "normal", "echo",
        "minicmd")
    open(os.path.join(root, "grub.cfg"), "w").write("echo %s\nexit\n" % GRUB_MARKER)
    run(tool, "create", os.path.join(root, "grub.img"), "--capacity", "2")
    for folder in ("EFI", "EFI\\BOOT"):
        run(tool, "mkdir", os.path.join(root, "grub.img"), folder)
    run(tool, "add", os.path.join(root, "grub.img"), "--folder", "EFI\\BOOT", grub, os.path.join(root, "grub.cfg"))
    # The BIOS bed's checking diskette with the test program: its marker
    # sectors are stamped again over a padding file.
    open(os.path.join(root, "both.img"), "wb").write(setup.floppy())
    open(os.path.join(root, "pad.bin"), "wb").write(bytes(64 * 1024))
    setup.boot_disk("both.img", files=[(os.path.join(root, "pad.bin"), "::PAD.BIN")])
    both = read("both.img")
    both[126 * 512:126 * 512 + 8] = b"SECT0126"
    big_cd(setup)
    run("mkfs.fat", "-C", os.path.join(root, "none.img"), "1440")
    images = {"grub.img": read("grub.img"), "both.img": both, "cd.iso": read("cd.iso"), "bios.iso": read("bios.iso"),
              "none.img": read("none.img")}
    images["badfat.img"] = images["none.img"][:512] + bytes(3) + images["none.img"][515:]
    images["badboot.img"] = images["none.img"][:13] + b"\x03" + images["none.img"][14:]
    images["badext.img"] = images["grub.img"][:0x0C] + b"\xff\xff" + images["grub.img"][0x0E:]
    return images


RAM_DISK_ITEMS = [  # image, description, what the UEFI PC shows
    ("grub.img", "GRUB 2", GRUB_MARKER),
    ("both.img", "BIOS and UEFI diskette", "menvolt test program: on a RAM disk (1 of them) Path("),
    ("cd.iso", "CD image", "menvolt test program: on a RAM disk (1 of them) Path("),
    ("none.img", "No UEFI program", "This image has no UEFI boot program."),
    ("badfat.img", "Damaged FAT", "Error: the file allocation table of this image's FAT volume is damaged."),
    ("badboot.img", "Damaged boot sector", "Error: the boot sector of this image's FAT volume is damaged."),
    ("bios.iso", "BIOS-only CD", "This image has no UEFI boot program."),
    ("badext.img", "Short extended image",
     "Error: this extended image's header gives sizes that do not fit the file."),
]


def scenario_ram_disks(setup):
    """Disk images as firmware RAM disks, all from one menu: a program that
    returns brings the menu back, a refused image says why first. Then the
    same loader file on a BIOS PC boots the diskette that holds both."""
    for name, data in disk_images(setup).items():
        setup.serve(name, data)
    ldr = setup.loader(*[(image, description, "") for image, description, _ in RAM_DISK_ITEMS])
    with setup.machine(FIRMWARE_PXE) as m:
        m.wait_screen(menu_on(0), BOOT_TIMEOUT, "the menu")
        # No program first: the menu and a later item must still work.
        visit_items(m, ldr, [(item, RAM_DISK_ITEMS[item][2], item < 3) for item in (3, 0, 1, 2, 4, 5, 6, 7)])
        expect(m.serial().split("on a RAM disk")[-1].split("\r")[0].endswith("/CDROM(0x0)"), "the El Torito image")
    shutil.copy(os.path.join(setup.root, "menvolt.ldr"), os.path.join(setup.root, "chain.ldr"))
    with Machine(setup.root, "chain.0") as m:
        m.skip_boot_rom_prompt()
        m.wait_screen(lambda s: s.find("BIOS and UEFI diskette") >= 0, BOOT_TIMEOUT, "the BIOS menu")
        m.key("down", "ret")
        expect(m.wait_exit(60) == 33 and "floppy: first last 127 refusals ok" in m.serial(), m.serial())


TAP_ADDRESS = "192.168.77.1"  # tap0's, in the namespace of tap_namespace.sh
TAP_NETDEV = "tap,id=n0,ifname=tap0,script=no,downscript=no"


def dnsmasq(setup, *options):
    """dnsmasq as the DHCP server (and more, by `options`) of tap0."""
    return subprocess.Popen(["dnsmasq", "--no-daemon", "--port=0", "--interface=tap0", "--bind-interfaces",
                             "--user=root", "--pid-file=", "--dhcp-leasefile=" + os.path.join(setup.root, "leases"),
                             "--dhcp-range=192.168.77.50,192.168.77.60,1h", *options], stderr=subprocess.DEVNULL)


BAD_SERVER_ITEMS = [  # image, description, what the PC shows
    ("refuse.efi", "Options refused", "menvolt test program: returning"),
    ("ignore.efi", "Options ignored", "menvolt test program: returning"),
    ("broken.efi", "Broken transfer", "Error: TFTP failed transferring image file."),
    ("arm64.efi", "AArch64 program", "This image needs an ARM64 PC."),
    ("again.efi", "menvolt.efi, one item", "Error: TFTP failed transferring image file."),
]


def scenario_bad_server(setup):
    """Our own TFTP server on a tap device (QEMU's user network would answer
    every TFTP request itself), with dnsmasq for DHCP only. A server that
    refuses options or ignores them still serves the program; an error in
    the middle of a transfer and a PE file for AArch64 show why, and the
    menu comes back on the same item, from which later items still boot.
    Last, a second menvolt.efi started from the menu finds a loader file
    with one item, whose failed transfer ends it: back to its caller."""
    ldr = setup.loader(*[(image, description, "") for image, description, _ in BAD_SERVER_ITEMS])
    program = setup.guest("test_program.efi")
    pe = struct.unpack_from("<I", program, 0x3C)[0]
    for name in ("refuse.efi", "ignore.efi", "broken.efi"):
        setup.serve(name, program)
    setup.serve("again.efi", open(os.path.join(setup.root, "menvolt.efi"), "rb").read())
    setup.serve("arm64.efi", program[:pe + 4] + struct.pack("<H", 0xAA64) + program[pe + 6:])
    server = TftpServer(TAP_ADDRESS, setup.root, refuse={SERVER_PATH + "refuse.efi"},
                        ignore={SERVER_PATH + "ignore.efi"}, broken={SERVER_PATH + "broken.efi"})
    server.start()
    dhcp = dnsmasq(setup, "--dhcp-boot=menvolt.efi,,%s" % TAP_ADDRESS)
    try:
        with setup.machine(FIRMWARE_PXE, netdev=TAP_NETDEV) as m:
            m.wait_screen(menu_on(0), BOOT_TIMEOUT, "the menu")
            for item in (2, 3, 0, 1, 4):
                shows, before = BAD_SERVER_ITEMS[item][2], m.serial().count(BAD_SERVER_ITEMS[item][2])
                if item == 4:
                    setup.loader(("broken.efi", "Broken transfer", ""))
                m.key(str(item + 1))
                if item < 2:
                    m.wait_screen(lambda s: m.serial().count(shows) > before, 30, shows)
                    started = m.serial().split("menvolt test program: started from ")[-1].split("\r")[0]
                    expect(started.endswith(BAD_SERVER_ITEMS[item][0]), "started: " + started)
                else:
                    s = m.wait_screen(lambda s: s.find(shows) == 1, 30, shows)
                    expect(s.find("Use the arrow keys") < 0, "no menu under the message", s)
                    m.key("a")
                wait_menu(m, ldr, item, 30, "the menu after item %d" % item)
    finally:
        print("TFTP requests:", *server.requests, sep="\n  ")
        dhcp.terminate()
        dhcp.wait(5)
    asked = [options for name, options in server.requests if name == SERVER_PATH + "refuse.efi"]
    expect(any(b"blksize" in o for o in asked) and any(b"blksize" not in o and b"tsize" not in o for o in asked),
           "refuse.efi asked with options, then again without: %s" % asked)


WEB_ITEMS = [  # image, description, what the PC shows
    ("test.efi", "Program over HTTP", "menvolt test program: returning"),
    ("cd.iso", "CD image over HTTP", "menvolt test program: on a RAM disk (1 of them) Path("),
    ("missing.efi", "Not on the server", "Error: the web server does not have this file (HTTP 404)."),
    ("cut.efi", "Cut transfer", "Error: the web server stopped sending before the whole file came."),
    ("chunked.efi", "No length", "Error: the web server did not say how long the file is (no Content-Length)."),
    ("loop.efi", "Redirect loop", "Error: HTTP 302 (redirect) for this file: redirects are not followed."),
]
WEB_FAULTS = {"cut.efi": "cut", "chunked.efi": "chunked", "loop.efi": "redirect"}
NO_PXE = ["-fw_cfg", "name=opt/org.tianocore/IPv4PXESupport,string=no"]


def web_share(setup, port=80):
    """The menu of WEB_ITEMS and our web server over the share."""
    ldr = setup.loader(*[(image, description, "") for image, description, _ in WEB_ITEMS])
    program = setup.guest("test_program.efi")
    for name in ("test.efi", "cut.efi", "chunked.efi", "loop.efi"):
        setup.serve(name, program)
    setup.serve("cd.iso", big_cd(setup))
    faults = {"/" + (SERVER_PATH + name).replace("\\", "/"): fault for name, fault in WEB_FAULTS.items()}
    web = WebServer(TAP_ADDRESS, setup.root, port=port, faults=faults)
    web.start()
    return ldr, web


def visit_web_items(m, ldr, items):
    """Starts each item: a program or a disk runs and returns, a fault
    shows its message alone until a key; the menu comes back on the item."""
    for item in items:
        shows, before = WEB_ITEMS[item][2], m.serial().count(WEB_ITEMS[item][2])
        m.key(str(item + 1))
        if item < 2:
            m.wait_screen(lambda s: m.serial().count(shows) > before, 120, shows)
        else:
            s = m.wait_screen(lambda s: s.find(shows) >= 0, 60, shows)
            expect(s.find("Use the arrow keys") < 0, "no menu under the message", s)
            m.key("a")
        wait_menu(m, ldr, item, 60, "the menu after item %d" % item)


def scenario_http_boot(setup):
    """The firmware's own HTTP Boot starts menvolt.efi from a boot URL
    (PXE off): the loader file, a program and the 159 MB CD as a RAM disk
    all come over HTTP from the same server; a missing file, a cut
    transfer, an answer without length and a redirect loop each say why,
    and the menu comes back on the same item."""
    ldr, web = web_share(setup)
    dhcp = dnsmasq(setup, "--dhcp-vendorclass=set:http,HTTPClient", "--dhcp-option-force=tag:http,60,HTTPClient",
                   "--dhcp-boot=tag:http,http://%s/menvolt.efi" % TAP_ADDRESS)
    try:
        with setup.machine(FIRMWARE_PXE, netdev=TAP_NETDEV, more_args=NO_PXE) as m:
            m.wait_screen(menu_on(0), BOOT_TIMEOUT, "the menu")
            visit_web_items(m, ldr, (2, 0, 3, 4, 5, 1))
            expect(last_ram_disk_size(m.serial()) == len(big_cd(setup)), "the whole CD on the RAM disk")
    finally:
        print("HTTP requests:", *web.requests, sep="\n  ")
        dhcp.terminate()
        dhcp.wait(5)
        web.stop()
    expect("/menvolt.efi" in web.requests and "/menvolt.ldr" in web.requests, "read by HTTP: %s" % web.requests)


def scenario_http_after_pxe(setup):
    """Started by PXE, with menvolt.url naming a web server: the loader file
    and a program come over HTTP. With the web server gone, the next read
    says so and comes by TFTP, and so does every read after it."""
    ldr, web = web_share(setup, port=8080)
    open(os.path.join(setup.root, "menvolt.url"), "w").write("http://%s:8080\r\n" % TAP_ADDRESS)
    tftp = TftpServer(TAP_ADDRESS, setup.root)
    tftp.start()
    dhcp = dnsmasq(setup, "--dhcp-boot=menvolt.efi,,%s" % TAP_ADDRESS)
    gone = "Error: the web server could not be reached. Reading by TFTP from now on."
    try:
        with setup.machine(FIRMWARE_PXE, netdev=TAP_NETDEV) as m:
            m.wait_screen(menu_on(0), BOOT_TIMEOUT, "the menu")
            visit_web_items(m, ldr, (0, 2))
            web.stop()
            visit_web_items(m, ldr, (0,))
            expect(gone in m.serial(), "the fall back to TFTP shown")
            before = len(tftp.requests)
            visit_web_items(m, ldr, (0,))
            later = {name for name, _ in tftp.requests[before:]}
            expect(m.serial().count(gone) == 1 and later == {SERVER_PATH + "test.efi"}, "TFTP from then on")
    finally:
        print("HTTP requests:", *web.requests, "TFTP requests:", *tftp.requests, sep="\n  ")
        dhcp.terminate()
        dhcp.wait(5)
    test_efi = "/" + (SERVER_PATH + "test.efi").replace("\\", "/")
    expect(web.requests == ["/menvolt.ldr", test_efi, test_efi.replace("test", "missing")],
           "the menu and the first program by HTTP: %s" % web.requests)


def scenario_tftp_windows(setup):
    """The 159 MB CD by TFTP from atftpd, which answers RFC 7440 window
    sizes: read in windows of the size asked, whole, as a RAM disk."""
    setup.loader(("cd.iso", "CD image", ""))
    cd = big_cd(setup)
    setup.serve("cd.iso", cd)
    log = open(os.path.join(setup.root, "atftpd.log"), "w+")
    # Unpacked by scripts/setup.sh into the build folder: it conflicts with tftpd-hpa.
    atftpd = os.path.join(setup.bin, "..", "tftp-servers", "atftpd", "usr", "sbin", "atftpd")
    tftp = subprocess.Popen([atftpd, "--daemon", "--no-fork", "--bind-address", TAP_ADDRESS, "--user", "root",
                             "--group", "root", "--verbose=7", "--logfile", "-", setup.root], stdout=log,
                            stderr=subprocess.STDOUT)
    dhcp = dnsmasq(setup, "--dhcp-boot=menvolt.efi,,%s" % TAP_ADDRESS)
    try:
        with setup.machine(FIRMWARE_PXE, netdev=TAP_NETDEV) as m:
            m.wait_serial("on a RAM disk (1 of them)", 120)
            expect(last_ram_disk_size(m.serial()) == len(cd), "the whole CD on the RAM disk")
    finally:
        dhcp.terminate()
        tftp.terminate()
        dhcp.wait(5)
        tftp.wait(5)
    log.seek(0)
    served = log.read()
    expect(re.search(r"cd\.iso to .*\n.*windowsize option -> 16\n", served), "cd.iso in windows of 16:\n" + served)


def main():
    scenarios = {name[9:]: f for name, f in globals().items() if name.startswith("scenario_")}
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(scenarios))
    parser.add_argument("--bin", required=True)
    parser.add_argument("--guests", required=True)
    setup = EfiSetup(parser.parse_args())
    global BIN
    BIN = setup.bin
    try:
        scenarios[setup.args.scenario](setup)
    finally:
        setup.close()
    print("%s: passed" % setup.args.scenario)


if __name__ == "__main__":
    main()
