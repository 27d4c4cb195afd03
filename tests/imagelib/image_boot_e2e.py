#!/usr/bin/env python3
"""Boots images made and filled by the image library through the network
boot menu on QEMU's e1000 PXE boot ROM, and checks the RAM disk through
INT 13h with a probe boot sector laid over the volume's own.

Usage: image_boot_e2e.py SCENARIO --bin BUILD/bin --probe probe_boot.bin
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from qemu_harness import Machine  # noqa: E402

SERVER_PATH = "Setup\\English\\Tools\\Zent\\i386\\"


def make_image(bin_dir, work, capacity, keep):
    """An image made by the library and filled by its editor, with the probe
    as boot code and a mark in the volume's last sector."""
    tool = os.path.join(bin_dir, "menvolt-image")
    image = os.path.join(work, "probe.img")
    cmd = [tool, "create", image, "--capacity", str(capacity)]
    if keep:
        cmd += ["--keep-undi", "--keep-base"]
    subprocess.run(cmd, check=True)
    mark = os.path.join(work, "mark.txt")
    with open(mark, "wb") as f:
        f.write(b"MENVOLT-FILE" + b"." * 500 + b"\r\n")
    subprocess.run([tool, "add", image, mark], check=True, stdout=subprocess.DEVNULL)

    data = bytearray(open(image, "rb").read())
    offset = 0
    if data[0x0E:0x12] == b"ExTx":
        offset = data[0x0A] | (data[0x0B] << 8)
    volume = os.path.join(work, "volume.img")
    with open(volume, "wb") as f:
        f.write(data[offset:])
    fsck = subprocess.run(["fsck.fat", "-n", volume], capture_output=True, text=True)
    if fsck.returncode != 0:
        raise AssertionError("fsck.fat:\n" + fsck.stdout + fsck.stderr)
    probe = open(ARGS.probe, "rb").read()
    data[offset:offset + 3] = probe[0:3]
    data[offset + 0x3E:offset + 512] = probe[0x3E:512]
    data[-512:-500] = b"MENVOLT-LAST"
    return bytes(data)


def boot(capacity, keep):
    root = tempfile.mkdtemp(prefix="menvolt-image-e2e-")
    try:
        shutil.copy(os.path.join(ARGS.bin, "chain.0"), os.path.join(root, "chain.0"))
        subprocess.run([os.path.join(ARGS.bin, "menvolt-cli"), "new", os.path.join(root, "chain.ldr"),
                        "--server-path", SERVER_PATH, "--item", "1", "probe.img", "Probe", ""], check=True)
        with open(os.path.join(root, SERVER_PATH + "probe.img"), "wb") as f:
            f.write(make_image(ARGS.bin, root, capacity, keep))
        with Machine(root, "chain.0") as m:
            m.skip_boot_rom_prompt()
            status = m.wait_exit(90)
            serial = m.serial()
            if "probe ok" not in serial or status != 33:
                raise AssertionError("status %s, serial:\n%s" % (status, serial))
            return serial
    finally:
        shutil.rmtree(root, ignore_errors=True)


def scenario_normal():
    boot(0, False)


def scenario_extended_16mb():
    serial = boot(16, False)
    if "pxe=1" in serial:
        print("note: the boot ROM still answers INT 1Ah after its UNDI was stopped")


def scenario_extended_keep_stack():
    serial = boot(2, True)
    if "pxe=1" not in serial:
        raise AssertionError("the network stack should still answer:\n" + serial)


SCENARIOS = {
    "normal": scenario_normal,
    "extended_16mb": scenario_extended_16mb,
    "extended_keep_stack": scenario_extended_keep_stack,
}

if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    parser.add_argument("--bin", required=True)
    parser.add_argument("--probe", required=True)
    ARGS = parser.parse_args()
    SCENARIOS[ARGS.scenario]()
    print("%s: passed" % ARGS.scenario)
