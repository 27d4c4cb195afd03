#!/usr/bin/env python3
"""How fast a large image reaches a UEFI PC, four ways, on one bed: OVMF
(TCG) on a tap device in a private network namespace, dnsmasq for DHCP,
the tests' own web server, dnsmasq's or atftpd's TFTP.

  http      menvolt.efi started by the firmware's HTTP Boot, reading the
            image over HTTP
  fw-http   the firmware's own HTTP Boot of the image itself (an ISO it
            registers as a RAM disk and boots; an EFI program it starts):
            the peer to beat
  tftp      menvolt.efi by PXE, the image by TFTP from dnsmasq, which
            answers no window size: one block per round trip (as before
            windows)
  windows   menvolt.efi by PXE, the image by TFTP from atftpd, which
            answers the window size menvolt.efi asks for

The images: a 64 MB ISO whose El Torito EFI image holds the tests' program,
and that program padded to 16 MB. The clock, on the serial console for all
four: from the firmware's or menvolt.efi's last line before it asks for the
image ("URI: " of the image for the firmware, "Transferring image file.."
for ours) to the test program's first line. Each round runs every way once,
in a rotating order, with and without QEMU's filter-buffer (up to 1 ms
held each way, what makes lock-step TFTP slow on real networks; this
kernel has no netem). Figures: medians with min-max; ratios pair by pair.
Goals, with the filter: http at least 5x faster than tftp and no slower
than fw-http, windows at least 2x faster than tftp; without it, http no
slower than fw-http.

  tests/e2e/tap_namespace.sh python3 bench/efi/web_bench.py --bin BUILD/bin --guests BUILD/tests/e2e/guests
      [--rounds 5] [--only iso|program] [--filter on|off]

Needs root (the namespace). Exit status 0 when every run finished (goals
missed are reported, not failed).
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "tests", "e2e"))
from qemu_harness import Machine  # noqa: E402
from web_server import WebServer  # noqa: E402

OVMF_CODE = "/usr/share/OVMF/OVMF_CODE_4M.fd"
TAP = "192.168.77.1"
NETDEV = "tap,id=n0,ifname=tap0,script=no,downscript=no"
FILTER = ["-object", "filter-buffer,id=f0,netdev=n0,queue=all,interval=1000"]
NO_IPV6 = ["-fw_cfg", "name=opt/org.tianocore/IPv6Support,string=no"]
NO_PXE = ["-fw_cfg", "name=opt/org.tianocore/IPv4PXESupport,string=no"]
STARTED = b"menvolt test program:"
WAYS = ("http", "fw-http", "tftp", "windows")
LIMIT = 600
ATFTPD = None  # the copy scripts/setup.sh unpacks into the build folder
POLL = 0.005


def make_images(root, guests):
    """name -> bytes: iso.iso (64 MB) and program.efi (16 MB)."""
    program = open(os.path.join(guests, "test_program.efi"), "rb").read()
    cd = os.path.join(root, "cd")
    os.makedirs(cd)
    efi_img = os.path.join(cd, "efi.img")
    subprocess.run(["mkfs.fat", "-C", efi_img, "1440"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["mmd", "-i", efi_img, "::EFI", "::EFI/BOOT"], check=True)
    subprocess.run(["mcopy", "-i", efi_img, os.path.join(guests, "test_program.efi"), "::EFI/BOOT/BOOTX64.EFI"],
                   check=True)
    open(os.path.join(cd, "pad.bin"), "wb").write(os.urandom(62 << 20))
    subprocess.run(["xorriso", "-as", "mkisofs", "-o", os.path.join(root, "iso.iso"), "-e", "efi.img",
                    "-no-emul-boot", cd], check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    shutil.rmtree(cd)
    open(os.path.join(root, "program.efi"), "wb").write(program + os.urandom((16 << 20) - len(program)))
    return {name: os.path.getsize(os.path.join(root, name)) for name in ("iso.iso", "program.efi")}


def loaders(bin_dir, root, image):
    """menvolt.ldr: one item, the image, read as soon as the file is."""
    subprocess.run([os.path.join(bin_dir, "menvolt-cli"), "new", os.path.join(root, "menvolt.ldr"),
                    "--server-path", "", "--item", "1", image, "Bench image", ""],
                   check=True, stdout=subprocess.DEVNULL)


def dhcp(root, way, image):
    if way in ("http", "fw-http"):
        url = "http://%s/%s" % (TAP, "menvolt.efi" if way == "http" else image)
        boot = ["--dhcp-vendorclass=set:http,HTTPClient", "--dhcp-option-force=tag:http,60,HTTPClient",
                "--dhcp-boot=tag:http," + url]
    else:
        boot = ["--dhcp-boot=menvolt.efi,,%s" % TAP]
    if way == "tftp":
        boot += ["--enable-tftp", "--tftp-root=" + root]
    return subprocess.Popen(["dnsmasq", "--no-daemon", "--port=0", "--interface=tap0", "--bind-interfaces",
                             "--user=root", "--pid-file=", "--dhcp-leasefile=" + os.path.join(root, "leases"),
                             "--dhcp-range=192.168.77.50,192.168.77.60,1h", *boot],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def seconds(root, way, image, filtered):
    """One boot: seconds from the request's last line to the program."""
    start_line = b"URI: http://%s/%s" % (TAP.encode(), image.encode()) if way == "fw-http" else \
        b"Transferring image file.."
    servers = [dhcp(root, way, image)]
    if way == "windows":
        servers.append(subprocess.Popen([ATFTPD, "--daemon", "--no-fork", "--bind-address", TAP, "--user", "root",
                                         "--group", "root", root], stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL))
    args = NO_IPV6 + (NO_PXE if way in ("http", "fw-http") else []) + (FILTER if filtered else [])
    try:
        with Machine(root, "menvolt.efi", firmware=OVMF_CODE, nic="virtio-net-pci,romfile=", netdev=NETDEV,
                     extra_args=args, limit=LIMIT, memory_mb=512) as m:
            started = None
            deadline = time.monotonic() + LIMIT
            while time.monotonic() < deadline:
                data = open(m.serial_path, "rb").read() if os.path.exists(m.serial_path) else b""
                now = time.monotonic()
                if started is None and start_line in data:
                    started, data = now, data[data.find(start_line):]
                if started is not None and STARTED in data:
                    return now - started
                time.sleep(POLL)
            raise SystemExit("%s %s: the image was not started\nserial:\n%s" % (way, image, m.serial()))
    finally:
        for server in servers:
            server.terminate()
            server.wait(5)


def figure(values):
    return "%8.2f s (%.2f-%.2f)" % (statistics.median(values), min(values), max(values))


def ratio(times, slow, fast):
    values = [a / b for a, b in zip(times[slow], times[fast])]
    return statistics.median(values), min(values), max(values)


def report(image, size, filtered, times):
    print("\n%s (%.1f MB), %s filter-buffer, %d rounds: median (min-max)"
          % (image, size / 1e6, "with" if filtered else "without", len(times["http"])))
    for way in WAYS:
        print("  %-8s %s  %6.1f MB/s" % (way, figure(times[way]), size / 1e6 / statistics.median(times[way])))
    goals = [("tftp", "http", 5.0), ("fw-http", "http", 1.0), ("tftp", "windows", 2.0)] if filtered else \
        [("fw-http", "http", 1.0)]
    for slow, fast, goal in goals:
        median, low, high = ratio(times, slow, fast)
        print("  %s / %s = %.2f (%.2f-%.2f)  goal >= %.1f: %s"
              % (slow, fast, median, low, high, goal, "met" if median >= goal else "MISSED"))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", required=True)
    parser.add_argument("--guests", required=True)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--only", choices=("iso", "program"))
    parser.add_argument("--filter", choices=("on", "off"))
    args = parser.parse_args()
    global ATFTPD
    ATFTPD = os.path.join(args.bin, "..", "tftp-servers", "atftpd", "usr", "sbin", "atftpd")  # scripts/setup.sh
    if os.environ.get("MENVOLT_IN_NETNS") != "1":
        raise SystemExit("run me through tests/e2e/tap_namespace.sh (a private network with tap0)")
    root = tempfile.mkdtemp(prefix="menvolt-web-bench-")
    print("load average %.2f %.2f %.2f" % os.getloadavg())
    try:
        sizes = make_images(root, args.guests)
        shutil.copy(os.path.join(args.bin, "menvolt.efi"), root)
        web = WebServer(TAP, root)
        web.start()
        images = [name for name in sizes if args.only is None or name.startswith(args.only)]
        for filtered in [f for f in (False, True) if args.filter in (None, "on" if f else "off")]:
            for image in images:
                loaders(args.bin, root, image)
                times = {way: [] for way in WAYS}
                for n in range(args.rounds):
                    for way in WAYS[n % 4:] + WAYS[:n % 4]:
                        times[way].append(seconds(root, way, image, filtered))
                    print("round %d: %s" % (n + 1, "  ".join("%s %.2f s" % (w, times[w][-1]) for w in WAYS)),
                          flush=True)
                report(image, sizes[image], filtered, times)
        print("load average at the end %.2f %.2f %.2f" % os.getloadavg())
        return 0
    finally:
        shutil.rmtree(root, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
