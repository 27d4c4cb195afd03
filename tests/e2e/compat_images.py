"""Diskette images for the compatibility boots, built at test time from
Debian packages (syslinux, grub-pc-bin, memtest86+, dosfstools, mtools).

Each builder writes into a work folder and returns the image's bytes."""

import os
import subprocess

GRUB_DIR = "/usr/lib/grub/i386-pc"
MEMTEST = "/boot/memtest86+x64.bin"

SYSLINUX_MARKER = "MENVOLT-SYSLINUX-SECOND-FILE"
GRUB_MARKER = "MENVOLT-GRUB-CONFIG-READ"


def _run(*cmd):
    subprocess.run(cmd, check=True, stdout=subprocess.DEVNULL)


def _write(path, text):
    with open(path, "w", newline="") as f:
        f.write(text)


def _fat12(work, name, kb=1440, reserved=None):
    path = os.path.join(work, name)
    if os.path.exists(path):
        os.unlink(path)
    cmd = ["mkfs.fat", "-C", "-F", "12"]
    if reserved:
        cmd += ["-R", str(reserved)]
    _run(*cmd, path, str(kb))
    return path


def syslinux(work):
    """syslinux 6 installed on a FAT12 diskette. Once its core runs from
    extended memory it reads syslinux.cfg and, through INCLUDE, marker.cfg,
    which prints the marker on the serial port."""
    path = _fat12(work, "syslinux.img")
    _run("syslinux", "--install", path)
    cfg = os.path.join(work, "syslinux.cfg")
    _write(cfg, "SERIAL 0 115200\r\nINCLUDE marker.cfg\r\nPROMPT 1\r\nTIMEOUT 0\r\n")
    marker = os.path.join(work, "marker.cfg")
    _write(marker, "SAY " + SYSLINUX_MARKER + "\r\n")
    _run("mcopy", "-i", path, cfg, marker, "::")
    return open(path, "rb").read()


def memtest(work):
    """memtest86+ started by syslinux through the Linux boot protocol."""
    path = _fat12(work, "memtest.img")
    _run("syslinux", "--install", path)
    cfg = os.path.join(work, "syslinux.cfg")
    _write(cfg, "SERIAL 0 115200\r\nDEFAULT memtest\r\nPROMPT 0\r\nLABEL memtest\r\n"
                "  LINUX memtest\r\n  APPEND console=ttyS0,115200\r\n")
    kernel = os.path.join(work, "memtest")
    with open(MEMTEST, "rb") as src, open(kernel, "wb") as dst:
        dst.write(src.read())
    _run("mcopy", "-i", path, cfg, kernel, "::")
    return open(path, "rb").read()


def _grub_modules(names):
    deps = {}
    with open(os.path.join(GRUB_DIR, "moddep.lst")) as f:
        for line in f:
            key, _, value = line.partition(":")
            deps[key] = value.split()
    need, todo = set(), list(names)
    while todo:
        m = todo.pop()
        if m not in need:
            need.add(m)
            todo += deps.get(m, [])
    return sorted(need)


def grub(work):
    """GRUB 2: boot.img in the boot sector (the FAT parameter block kept),
    a core.img with biosdisk and fat in the reserved sectors behind it, and
    normal mode with its modules and grub.cfg as files on the diskette,
    read after start-up. grub.cfg prints the marker on the serial port."""
    core = os.path.join(work, "core.img")
    _run("grub-mkimage", "-O", "i386-pc", "-o", core, "-p", "(fd0)/boot/grub", "biosdisk", "fat")
    core_bytes = open(core, "rb").read()
    sectors = (len(core_bytes) + 511) // 512
    path = _fat12(work, "grub.img", reserved=1 + sectors)
    image = bytearray(open(path, "rb").read())
    boot = open(os.path.join(GRUB_DIR, "boot.img"), "rb").read()
    image[0:3] = boot[0:3]
    image[0x5A:512] = boot[0x5A:512]
    image[512:512 + len(core_bytes)] = core_bytes
    with open(path, "wb") as f:
        f.write(image)
    _run("mmd", "-i", path, "::/boot", "::/boot/grub", "::/boot/grub/i386-pc")
    files = [os.path.join(GRUB_DIR, m + ".mod") for m in _grub_modules(["normal", "serial", "echo", "terminfo"])]
    files += [os.path.join(GRUB_DIR, n) for n in ("command.lst", "fs.lst", "moddep.lst", "terminal.lst")]
    _run("mcopy", "-i", path, *files, "::/boot/grub/i386-pc/")
    cfg = os.path.join(work, "grub.cfg")
    _write(cfg, "serial --unit=0 --speed=115200\nterminal_output serial\necho %s\n" % GRUB_MARKER)
    _run("mcopy", "-i", path, cfg, "::/boot/grub/grub.cfg")
    return open(path, "rb").read()


def raw_program(program, kb=1440):
    """A diskette without a file system: the program from sector 0 on."""
    return program + bytes(kb * 1024 - len(program))


def wrap(bin_dir, work, diskette, *options):
    """menvolt-image wrap of the diskette bytes; returns the wrapped image."""
    src = os.path.join(work, "diskette-to-wrap.img")
    out = os.path.join(work, "wrapped.img")
    with open(src, "wb") as f:
        f.write(diskette)
    # One output file serves every wrap of a run, so it is replaced each time.
    _run(os.path.join(bin_dir, "menvolt-image"), "wrap", src, out, "--force", *options)
    return open(out, "rb").read()
