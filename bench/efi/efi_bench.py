#!/usr/bin/env python3
"""UEFI speed of menvolt.efi in QEMU/OVMF: TCG, the firmware's own PXE
(virtio-net with no option ROM) and QEMU's built-in DHCP/TFTP server.

menu      From the firmware's "Downloading NBP file..." on the serial console
          (it is written just before the boot program is requested) to the
          last text of a three-item menu there: the help text of the first
          item for menvolt.efi, the third entry for GRUB's network image
          (grub-mknetdir, a grub.cfg of three entries), which draws its
          entries last. Both go through the same firmware console, so the
          serial mirror is the same clock for both. Goal: ours <= 1/4 GRUB's.
arm64     The same clock and the same menus on a 64-bit ARM PC (QEMU's virt
          board, -cpu max, AAVMF, virtio-net with no option ROM):
          menvolt-aa64.efi reading menvolt-aa64.ldr beside GRUB's ARM64
          network image (grub-mknetdir with Debian's arm64-efi modules,
          unpacked into build/grub-arm64 by scripts/setup.sh; the same
          three-entry grub.cfg). GRUB goes on drawing the rest of its box
          after its third entry; the clock stops at the entry all the
          same, to GRUB's advantage. Goal: ours <= 1/4 GRUB's.
shim      The same clock and the same menus with Secure Boot on, through
          Debian's signed shim (the boot file shimx64.efi, which fetches
          grubx64.efi from the same folder in 512-byte blocks and verifies
          it): on one side menvolt.efi signed with a site key made for the
          run, that key enrolled as shim's machine owner key in a copy of
          OVMF's store with Microsoft's keys (menvolt.ldr beside it); on the
          other Debian's signed GRUB network image, which shim trusts by
          itself, on the plain store, reading /grub/grub.cfg from the TFTP
          root. Before the pairs, shim must refuse our program on the plain
          store, or Secure Boot was not in force. The sizes of both second
          stages are printed too. Goal: ours <= 1/2 GRUB's.
transfer  A 16 MB file read and started by menvolt.efi (NAME.ldr, size,
          read, PE checks, LoadImage, StartImage) beside the firmware's bare
          MTFTP read of the same file with the same block size: both timed
          inside the guest by the TSC in bench_mtftp_floor.efi, which is at
          once the floor, the clock and (padded to 16 MB) the file.
          Goal: ours <= 1.2x the floor.

Each pair boots both sides in one round, in alternating order; figures are
medians with min-max, ratios are taken pair by pair.

  efi_bench.py --bin BUILD/bin [--pairs 7] [--only menu|shim|transfer|arm64]

Exit status 0 when every run finished (goals missed are reported, not
failed).
"""

import argparse
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
from qemu_harness import Machine  # noqa: E402

OVMF_CODE = "/usr/share/OVMF/OVMF_CODE_4M.fd"
AAVMF_CODE = "/usr/share/AAVMF/AAVMF_CODE.fd"
SECURE_BOOT_CODE = "/usr/share/OVMF/OVMF_CODE_4M.secboot.fd"
SHIPPED_VARS = "/usr/share/OVMF/OVMF_VARS_4M.ms.fd"   # Microsoft's keys, as PCs ship
SIGNED_GRUB = "/usr/lib/grub/x86_64-efi-signed/grubnetx64.efi.signed"
SHIM_BOOT_FILE = "shimx64.efi"
SHIM_REFUSAL = b"Verification failed"
GRUB_MODULES = "/usr/lib/grub/x86_64-efi"
GRUB_BOOT_FILE = "grub/x86_64-efi/core.efi"
GRUB_ARM64_MODULES = os.path.join(HERE, "..", "..", "build", "grub-arm64", "usr", "lib", "grub", "arm64-efi")
GRUB_ARM64_BOOT_FILE = "grub/arm64-efi/core.efi"
OURS_ARM64 = "menvolt-aa64.efi"
NBP_REQUEST = b"Downloading NBP file..."
OURS_LAST = b"Help of entry one"
GRUB_LAST = b"Menvolt bench entry three"
ENTRIES = ("one", "two", "three")
IMAGE_NAME = "bench16m.efi"   # as in mtftp_floor.c
IMAGE_SIZE = 16 << 20
POLL = 0.002
LIMIT = 90


def machine(root, bootfile, variables=None, arm64=False):
    """variables: a store to start from, for a PC with Secure Boot on;
    arm64: the ARM64 PC instead, which its firmware wants 512 MB for."""
    board = (dict(firmware=AAVMF_CODE, arm64=True, memory_mb=512) if arm64 else
             dict(firmware=SECURE_BOOT_CODE if variables else OVMF_CODE, variables=variables))
    return Machine(root, bootfile, nic="virtio-net-pci,romfile=", limit=LIMIT,
                   netdev="user,id=n0,ipv6=off,tftp=%s,bootfile=%s" % (root, bootfile),
                   extra_args=["-fw_cfg", "name=opt/org.tianocore/IPv6Support,string=no"], **board)


def serial_watch(m, done):
    """Reads the serial log whenever it grows until done(bytes) is true;
    returns (host time the bytes were read, bytes) of every growth."""
    seen, size = [], -1
    deadline = time.monotonic() + LIMIT
    while time.monotonic() < deadline and m.running():
        try:
            grown = os.stat(m.serial_path).st_size
        except FileNotFoundError:
            grown = 0
        if grown != size:
            size = grown
            with open(m.serial_path, "rb") as f:
                data = f.read()
            seen.append((time.monotonic(), data))
            if done(data):
                return seen
        time.sleep(POLL)
    raise SystemExit("the boot did not finish\nserial:\n%s" % m.serial())


def menu_seconds(root, bootfile, last, variables=None, arm64=False):
    """Seconds from the firmware's request of the boot program to `last` on
    the console."""
    def shown(data):
        at = data.find(NBP_REQUEST)
        return at >= 0 and data.find(last, at) >= 0
    with machine(root, bootfile, variables, arm64) as m:
        seen = serial_watch(m, shown)
    start = next(t for t, data in seen if NBP_REQUEST in data)
    return seen[-1][0] - start


def transfer_pair(root, bootfile):
    """(ours, floor) in seconds, measured in the guest."""
    with machine(root, bootfile) as m:
        text = serial_watch(m, lambda d: b"BENCH-DONE" in d or b"BENCH-ERROR" in d)[-1][1].decode("cp437")
    floor = re.search(r"FLOOR us=(\d+) bytes=(\d+)", text)
    ours = re.search(r"OURS us=(\d+)", text)
    if not floor or not ours or int(floor.group(2)) != IMAGE_SIZE:
        raise SystemExit("the transfer run failed\nserial:\n%s" % text)
    return int(ours.group(1)) / 1e6, int(floor.group(1)) / 1e6


def menvolt_loader(args, path):
    """The three-item menu on our side."""
    items = []
    for n, name in enumerate(ENTRIES):
        items += ["--item", str(n + 1), name + ".efi", "Menvolt bench entry " + name,
                  "Help of entry one" if n == 0 else "Help of entry " + name]
    subprocess.run([os.path.join(args.bin, "menvolt-cli"), "new", path, "--server-path", "", *items],
                   check=True, stdout=subprocess.DEVNULL)


def grub_config(path):
    """The same three entries on GRUB's side; no timeout, so that it stays
    on the menu like ours."""
    with open(path, "w") as f:
        f.write("set timeout=-1\n" + "".join('menuentry "Menvolt bench entry %s" { true }\n' % name
                                             for name in ENTRIES))


def menvolt_root(work, args, name, program):
    """Our program beside the loader file it asks for first, NAME.ldr."""
    ours = os.path.join(work, name)
    os.makedirs(ours)
    shutil.copy(os.path.join(args.bin, program), ours)
    menvolt_loader(args, os.path.join(ours, os.path.splitext(program)[0] + ".ldr"))
    return ours


def grub_root(work, name, modules):
    """GRUB's network image reads grub/grub.cfg through its platform's
    grub.cfg, which grub-mknetdir writes beside core.efi."""
    grub = os.path.join(work, name)
    subprocess.run(["grub-mknetdir", "--net-directory=" + grub, "--subdir=grub", "-d", modules],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    grub_config(os.path.join(grub, "grub", "grub.cfg"))
    return grub


def menu_roots(work, args):
    return {"menvolt": (menvolt_root(work, args, "menvolt", "menvolt.efi"), "menvolt.efi", OURS_LAST),
            "grub": (grub_root(work, "grub", GRUB_MODULES), GRUB_BOOT_FILE, GRUB_LAST)}


def arm64_roots(work, args):
    """The menu's two sides on the ARM64 PC; no store, for Secure Boot is
    off there as in `menu`."""
    if not os.path.isfile(os.path.join(GRUB_ARM64_MODULES, "moddep.lst")):
        raise SystemExit("no GRUB arm64-efi modules in %s: run scripts/setup.sh" % GRUB_ARM64_MODULES)
    return {"menvolt": (menvolt_root(work, args, "menvolt-aa64", OURS_ARM64), OURS_ARM64, OURS_LAST, None, True),
            "grub": (grub_root(work, "grub-aa64", GRUB_ARM64_MODULES), GRUB_ARM64_BOOT_FILE, GRUB_LAST, None,
                     True)}


def secure_boot(args, *words):
    subprocess.run([os.path.join(args.bin, "menvolt-cli"), "secureboot", *words], check=True,
                   stdout=subprocess.DEVNULL)


def shim_roots(work, args):
    """Two TFTP folders served to shimx64.efi, the same shim in both; the
    key and the store made here live in `work` and go with it."""
    keys, ours, grub = (os.path.join(work, name) for name in ("keys", "shim-menvolt", "shim-grub"))
    for folder in (keys, ours, grub):
        os.makedirs(folder)
    secure_boot(args, "key", "--keys", keys, "--name", "Menvolt bench site")
    secure_boot(args, "shim", ours, "--keys", keys, "--program", os.path.join(args.bin, "menvolt.efi"))
    # Started by shim the program reads shimx64.ldr, else menvolt.ldr: the
    # latter is what a site that has both boot files keeps.
    menvolt_loader(args, os.path.join(ours, "menvolt.ldr"))
    mok = os.path.join(work, "mok.fd")
    secure_boot(args, "vm-vars", mok, "--keys", keys, "--mok")
    for name in (SHIM_BOOT_FILE, "mmx64.efi"):
        shutil.copy(os.path.join(ours, name), grub)
    shutil.copy(SIGNED_GRUB, os.path.join(grub, "grubx64.efi"))
    # Its built-in prefix is /grub on the server it was fetched from.
    os.makedirs(os.path.join(grub, "grub"))
    grub_config(os.path.join(grub, "grub", "grub.cfg"))
    return {"menvolt": (ours, SHIM_BOOT_FILE, OURS_LAST, mok),
            "grub": (grub, SHIM_BOOT_FILE, GRUB_LAST, SHIPPED_VARS)}


def shim_refuses_without_key(root):
    """A run whose figures would mean nothing unless shim verified what it
    started: on the store without our key it must refuse our program."""
    with machine(root, SHIM_BOOT_FILE, SHIPPED_VARS) as m:
        data = serial_watch(m, lambda d: SHIM_REFUSAL in d or OURS_LAST in d)[-1][1]
    if OURS_LAST in data:
        raise SystemExit("shim started menvolt.efi without its key: Secure Boot is not in force\nserial:\n%s"
                         % data.decode("cp437"))


def menu_pairs(roots, pairs, what):
    """Both sides booted in each pair, in alternating order."""
    times = {"menvolt": [], "grub": []}
    for pair in range(pairs):
        for side in (("menvolt", "grub") if pair % 2 == 0 else ("grub", "menvolt")):
            times[side].append(menu_seconds(*roots[side]))
        print("pair %d: %s menvolt %.1f ms, grub %.1f ms"
              % (pair + 1, what, times["menvolt"][-1] * 1000, times["grub"][-1] * 1000), flush=True)
    return times


def second_stage_sizes(roots):
    """What shim fetches after itself, in bytes and in its 512-byte blocks."""
    print("\nsecond stage fetched by shim (grubx64.efi), signed:")
    for side in ("menvolt", "grub"):
        size = os.path.getsize(os.path.join(roots[side][0], "grubx64.efi"))
        print("  %-10s %9d bytes  %6d blocks of 512" % (side, size, -(-size // 512)))


def transfer_root(work, args):
    root = os.path.join(work, "transfer")
    os.makedirs(root)
    floor = open(os.path.join(args.bin, "bench_mtftp_floor.efi"), "rb").read()
    with open(os.path.join(root, IMAGE_NAME), "wb") as f:
        f.write(floor + random.Random(16).randbytes(IMAGE_SIZE - len(floor)))
    shutil.copy(os.path.join(args.bin, "menvolt.efi"), root)
    for order in ("floor-first", "ours-first"):
        with open(os.path.join(root, order + ".efi"), "wb") as f:
            f.write(floor)
        subprocess.run([os.path.join(args.bin, "menvolt-cli"), "new", os.path.join(root, order + ".ldr"),
                        "--server-path", "", "--item", "1", IMAGE_NAME, "16 MB", ""],
                       check=True, stdout=subprocess.DEVNULL)
    return root


def figure(values, unit, scale):
    return "%9.1f %s  (%.1f-%.1f)" % (statistics.median(values) * scale, unit, min(values) * scale,
                                      max(values) * scale)


def report(title, ours, floor, floor_name, goal, unit="ms", scale=1000):
    ratios = [a / b for a, b in zip(ours, floor)]
    median = statistics.median(ratios)
    print("\n%s, %d pairs: median (min-max)" % (title, len(ours)))
    print("  %-10s %s" % ("menvolt", figure(ours, unit, scale)))
    print("  %-10s %s" % (floor_name, figure(floor, unit, scale)))
    print("  %-10s %9.3f     (%.3f-%.3f)  goal <= %.2f: %s"
          % ("ratio", median, min(ratios), max(ratios), goal, "met" if median <= goal else "MISSED"))
    print("RESULT %s ours_ms=%.1f %s_ms=%.1f ratio=%.3f" % (title.split()[0], statistics.median(ours) * 1000,
                                                         floor_name, statistics.median(floor) * 1000, median))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", required=True,
                        help="build/bin with menvolt.efi, menvolt-aa64.efi, bench_mtftp_floor.efi, menvolt-cli")
    parser.add_argument("--pairs", type=int, default=7)
    parser.add_argument("--only", choices=("menu", "shim", "transfer", "arm64"))
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="menvolt-efi-bench-")
    print("load average %.2f %.2f %.2f" % os.getloadavg())
    def wanted(mode):
        return args.only in (None, mode)
    try:
        # Before any run, so that a tree without GRUB's ARM64 modules stops
        # a run of all modes at once, not after the others.
        arm64 = arm64_roots(work, args) if wanted("arm64") else None
        if wanted("menu"):
            times = menu_pairs(menu_roots(work, args), args.pairs, "menu")
        if wanted("shim"):
            shim = shim_roots(work, args)
            shim_refuses_without_key(shim["menvolt"][0])
            shim_times = menu_pairs(shim, args.pairs, "shim")
        if wanted("transfer"):
            root = transfer_root(work, args)
            ours, floor = [], []
            for pair in range(args.pairs):
                o, f = transfer_pair(root, ("floor-first.efi", "ours-first.efi")[pair % 2])
                ours.append(o)
                floor.append(f)
                print("pair %d: 16 MB menvolt %.1f ms, floor %.1f ms" % (pair + 1, o * 1000, f * 1000), flush=True)
        if wanted("arm64"):
            arm64_times = menu_pairs(arm64, args.pairs, "arm64 menu")
        print("load average at the end %.2f %.2f %.2f" % os.getloadavg())
        if wanted("menu"):
            report("menu on screen after the boot program's request", times["menvolt"], times["grub"], "grub", 0.25)
        if wanted("shim"):
            report("shim to menu on screen after shim's request, Secure Boot on", shim_times["menvolt"],
                   shim_times["grub"], "grub", 0.5)
            second_stage_sizes(shim)
        if wanted("transfer"):
            report("transfer of 16 MB, read and started", ours, floor, "floor", 1.2)
        if wanted("arm64"):
            report("arm64 menu on screen after the boot program's request, ARM64 PC", arm64_times["menvolt"],
                   arm64_times["grub"], "grub", 0.25)
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
