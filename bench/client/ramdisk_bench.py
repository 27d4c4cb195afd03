#!/usr/bin/env python3
"""RAM disk read speed in QEMU: a Menvolt loader against MEMDISK.

Both serve the same disk; its boot sector is the reader (ramdisk_reader.asm),
which reads every sector through INT 13h in two patterns (one track per
request, and up to 127 sectors per request), a few sweeps and then a
sustained pass of at least one second, timing each INT 13h call with RDTSC
calibrated against the BIOS tick. Every sweep's hash of the bytes read is
checked against the image here, so a wrong answer fails the run.

Menvolt (chain.0 -> loader -> image) and MEMDISK (pxelinux.0 -> memdisk ->
the same disk) run one after the other, in rounds whose order alternates, and
the figures are medians over the rounds with their spread; each side is also
set against the last one run by run (the paired ratio).

  ramdisk_bench.py --bin BUILD/bin --reader BUILD/bench/client/ramdisk_reader.bin
      [--pairs 7]              rounds
      [--short]                one round, one sweep a pattern, content only
      [--loader X.ldr]         this loader instead of a new one (item 0 names
                               the image; it is served under its server path)
      [--sides menvolt,ldr:OLD.ldr,memdisk]
                               more loaders in the same rounds
      [--image X.img]          this image instead of a generated diskette
      [--profile [--perf-dir D] [--trace-writes]]
                               one held run a side: the emulator's translation
                               counters, QEMU's CPU time a request (perf) and
                               the writes that took its slow path, by page

Extended images (their own start-up code, "ExTx"): give one with --image, e.g.

  build/bin/menvolt-image create ext.img --capacity 4
  ramdisk_bench.py --bin build/bin --reader ... --image ext.img

The reader goes over the boot code of the image's volume (the K KB behind its
N bytes of start-up code; the volume's parameter block stays and gives the
geometry), the volume's other sectors get bytes of their own, and Menvolt
serves the whole image; MEMDISK gets the bare volume with the same geometry
("floppy c= h= s="). The volume's first track must hold the reader (3
sectors), and its RAM disk must take reads of up to 127 sectors that cross
tracks.

Exit status 0 when every run read the right bytes, 1 otherwise.
"""

import argparse
import os
import random
import re
import shutil
import statistics
import struct
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

SECTOR = 512
TICK_HZ = 1193182 / 65536
PATTERNS = {1: "track", 2: "127-sector"}
HASH_SEED, HASH_FACTOR = 0x811C9DC5, 0x9E3779B1
PARAMS_MAGIC = b"MVRB"


# ---- The disk -----------------------------------------------------------

def reader_hash(data):
    """The reader's hash: per dword, rotate left 5, xor, multiply."""
    h = HASH_SEED
    for (w,) in struct.iter_unpack("<I", data):
        h = ((((h << 5) | (h >> 27)) & 0xFFFFFFFF) ^ w) * HASH_FACTOR & 0xFFFFFFFF
    return h


def diskette_bpb(volume):
    """A 1.44 MB diskette's parameter block (80 cylinders, 2 heads, 18 sectors)."""
    volume[3:0x3E] = (b"MENVOLT " + struct.pack("<HBHBHHBHHHII", 512, 1, 1, 2, 224, 2880, 0xF0, 9, 18, 2, 0, 0)
                      + bytes([0, 0, 0x29]) + struct.pack("<I", 0x13572468) + b"RAMDISKREAD" + b"FAT12   ")


def geometry(volume):
    spt, heads = struct.unpack_from("<HH", volume, 0x18)
    total = struct.unpack_from("<H", volume, 0x13)[0] or struct.unpack_from("<I", volume, 0x20)[0]
    return spt, heads, total


def install_reader(volume, reader, fill):
    """Puts the reader over the volume's boot code (its parameter block stays)
    and, with fill, gives every other sector bytes of its own."""
    if fill:
        rng = random.Random(1440)
        volume[len(reader) + SECTOR:] = rng.randbytes(len(volume) - len(reader) - SECTOR)
    volume[0:3] = reader[0:3]
    volume[0x3E:len(reader)] = reader[0x3E:]
    spt, heads, total = geometry(volume)
    if not spt or not heads or total * SECTOR > len(volume):
        raise SystemExit("the image's parameter block gives no usable geometry")
    if spt * SECTOR < len(reader):
        raise SystemExit("the reader needs %d sectors on the first track" % (len(reader) // SECTOR + 1))


class Disk:
    """The image served to the Menvolt loader and the volume given to MEMDISK."""

    def __init__(self, reader, image_path=None, keep_content=False):
        if image_path:
            image = bytearray(open(image_path, "rb").read())
        else:
            image = bytearray(1474560)
            diskette_bpb(image)
        self.offset, size = 0, len(image)
        if image[0x0E:0x12] == b"ExTx":
            code, kb = struct.unpack_from("<HH", image, 0x0A)
            self.offset, size = code, kb * 1024
        volume = image[self.offset:self.offset + size]
        install_reader(volume, reader, fill=not keep_content)
        image[self.offset:self.offset + size] = volume
        self.image, self.volume = bytes(image), bytes(volume)
        self.spt, self.heads, self.total = geometry(self.volume)
        self.hash = reader_hash(self.volume[:self.total * SECTOR])

    def requests(self, pattern):
        chunk = self.spt if pattern == 1 else 127
        return -(-self.total // chunk)


def reader_with(reader, sweeps, sustain_ticks, patterns, buffers, hold=False):
    at = reader.index(PARAMS_MAGIC, SECTOR)  # the boot sector compares with it too
    out = bytearray(reader)
    struct.pack_into("<HHHHH", out, at + 4, sweeps, sustain_ticks, patterns, int(hold), buffers)
    return bytes(out)


# ---- The two sides --------------------------------------------------------

def loader_image_name(loader):
    """Server path and the image file name of item 0 of a loader file."""
    header = struct.unpack_from("<H", loader, 0x08)[0]

    def string(offset):
        return loader[offset:loader.index(b"\0", offset)].decode("latin-1")
    path = string(struct.unpack_from("<H", loader, header + 0x0C)[0])
    image = string(struct.unpack_from("<H", loader, header + 0x0E)[0])
    if not image:
        raise SystemExit("item 0 of the loader names no image file")
    return path, image


def menvolt_root(work, args, disk, given=None):
    root = tempfile.mkdtemp(prefix="menvolt-", dir=work)
    shutil.copy(args.chain or os.path.join(args.bin, "chain.0"), os.path.join(root, "chain.0"))
    loader = os.path.join(root, "chain.ldr")
    given = given or args.loader
    if given:
        shutil.copy(given, loader)
    else:
        subprocess.run([os.path.join(args.bin, "menvolt-cli"), "new", loader, "--server-path", SERVER_PATH,
                        "--item", "1", "disk.img", "Read all", ""], check=True, stdout=subprocess.DEVNULL)
    path, name = loader_image_name(open(loader, "rb").read())
    # QEMU's TFTP server takes the backslashes literally.
    with open(os.path.join(root, path + name), "wb") as f:
        f.write(disk.image)
    return root, "chain.0"


def memdisk_root(work, args, disk):
    root = os.path.join(work, "memdisk")
    os.makedirs(os.path.join(root, "pxelinux.cfg"))
    for f in (PXELINUX, LDLINUX, MEMDISK):
        shutil.copy(f, root)
    with open(os.path.join(root, "disk.img"), "wb") as f:
        f.write(disk.volume)
    options = "floppy"
    if len(disk.volume) != 1474560:
        options += " c=%d h=%d s=%d" % (disk.total // (disk.heads * disk.spt), disk.heads, disk.spt)
    if args.memdisk_mode:
        options += " " + args.memdisk_mode
    with open(os.path.join(root, "pxelinux.cfg", "default"), "w") as f:
        f.write("DEFAULT disk\nLABEL disk\n  KERNEL memdisk\n  INITRD disk.img\n  APPEND %s\n" % options)
    return root, "pxelinux.0"


# ---- One run --------------------------------------------------------------

class Run:
    def __init__(self, side, text):
        self.side = side
        self.text = text
        self.cal = None
        self.lines = []  # (kind, pattern, n, requests, cycles, hash)
        for line in text.splitlines():
            words = line.split()
            if not words:
                continue
            fields = dict(w.split("=", 1) for w in words[1:] if "=" in w)
            if words[0] == "CAL":
                self.cal = int(fields["tsc"], 16) / int(fields["ticks"], 16)
            elif words[0] in ("SWEEP", "SUST"):
                self.lines.append((words[0], int(fields["p"], 16), int(fields["n"], 16), int(fields["req"], 16),
                                   int(fields["cyc"], 16), int(fields["hash"], 16)))

    def seconds(self, cycles):
        return cycles / (self.cal * TICK_HZ)

    def figures(self, kind, pattern, disk):
        """(MB/s, microseconds a request) over the sweeps of one kind."""
        sweeps = [line for line in self.lines if line[0] == kind and line[1] == pattern]
        if not sweeps:
            return None
        seconds = self.seconds(sum(line[4] for line in sweeps))
        requests = sum(line[3] for line in sweeps)
        return len(sweeps) * disk.total * SECTOR / seconds / 1e6, seconds / requests * 1e6

    def problems(self, disk, patterns, sweeps, sustain):
        found = []
        if "READ-DONE" not in self.text:
            found.append("the reader did not finish")
        if not self.cal:
            found.append("no calibration line")
        for kind, pattern, n, requests, _, h in self.lines:
            if h != disk.hash:
                found.append("%s %d of pattern %s: hash %08X, the image gives %08X"
                             % (kind, n, PATTERNS[pattern], h, disk.hash))
            if requests != disk.requests(pattern):
                found.append("%s %d of pattern %s: %d requests" % (kind, n, PATTERNS[pattern], requests))
        for pattern in PATTERNS:
            if not patterns & pattern:
                continue
            count = sum(1 for line in self.lines if line[0] == "SWEEP" and line[1] == pattern)
            if count != sweeps:
                found.append("%d of %d sweeps of pattern %s" % (count, sweeps, PATTERNS[pattern]))
            if sustain and not any(line[0] == "SUST" and line[1] == pattern for line in self.lines):
                found.append("no sustained pass of pattern %s" % PATTERNS[pattern])
        return found


def run_once(side, root, bootfile, timeout, qemu_args=()):
    with Machine(root, bootfile, extra_args=qemu_args) as m:
        m.skip_boot_rom_prompt()
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            text = m.serial()
            if "READ-DONE" in text or "READ-ERROR" in text or not m.running():
                break
            time.sleep(0.2)
        time.sleep(0.1)
        run = Run(side, m.serial())
        if "READ-DONE" not in run.text and m.running():
            run.text += "\nscreen:\n" + m.screen().dump()
        return run


def run_together(sides, roots, timeout, qemu_args=()):
    """One machine a side at the same time: each boots and waits at HOLD,
    then all start reading at once, so that whatever else the host is doing
    weighs on every side alike."""
    machines = {}
    try:
        for side in sides:
            machines[side] = Machine(*roots[side], extra_args=qemu_args)
        for m in machines.values():
            m.skip_boot_rom_prompt()
        for m in machines.values():
            wait_for(m, "HOLD", timeout)
        for m in machines.values():
            m.command("send-key", keys=[{"type": "qcode", "data": "spc"}])
        for m in machines.values():
            wait_for(m, "READ-DONE", timeout)
        return [Run(side, machines[side].serial()) for side in sides]
    finally:
        for m in machines.values():
            m.close()


def wait_for(m, text, timeout):
    deadline = time.monotonic() + timeout
    while text not in m.serial():
        if time.monotonic() > deadline or not m.running() or "READ-ERROR" in m.serial():
            raise SystemExit("%s did not come\nserial:\n%s" % (text, m.serial()))
        time.sleep(0.1)


def jit_counters(m):
    """The emulator's translation counters (HMP "info jit") as name -> number."""
    text = m.command("human-monitor-command", **{"command-line": "info jit"})
    counters = {}
    for line in text.splitlines():
        match = re.match(r"(\D+?)\s+(\d+)", line)
        if match:
            counters[match.group(1)] = int(match.group(2))
    return counters


def profile_once(side, root, bootfile, timeout, perf_dir, work, trace_writes):
    """One held run: the translation counters across the reads, the guest
    writes that went the emulator's slow way because their page holds
    translated code, and with perf_dir a perf profile of QEMU."""
    log = os.path.join(work, side.replace("/", "_") + ".log")
    with Machine(root, bootfile, extra_args=["-D", log]) as m:
        m.skip_boot_rom_prompt()
        wait_for(m, "HOLD", timeout)
        if trace_writes:
            m.command("human-monitor-command", **{"command-line": "log trace:memory_notdirty_write_access"})
        before = jit_counters(m)
        perf = None
        if perf_dir:
            data = os.path.join(perf_dir, side.replace("/", "_") + ".perf")
            perf = subprocess.Popen(["perf", "record", "-q", "-g", "-F", "1999", "-p", str(m.proc.pid), "-o", data],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(1)
        m.key("spc")
        wait_for(m, "READ-DONE", timeout)
        if perf:
            perf.send_signal(2)
            perf.wait()
        after = jit_counters(m)
        m.command("human-monitor-command", **{"command-line": "log none"})
        run = Run(side, m.serial())
    pages = {}
    with open(log, "a+", errors="replace") as f:
        f.seek(0)
        for line in f:
            match = re.search(r"memory_notdirty_write_access .*?ram_addr 0x([0-9a-f]+)", line)
            if match:
                page = int(match.group(1), 16) >> 12
                pages[page] = pages.get(page, 0) + 1
    counters = {name: after[name] - before.get(name, 0) for name in after}
    for page, count in sorted(pages.items()):
        counters["slow writes to page %05Xh" % (page << 12)] = count
    return run, counters


# ---- Report ---------------------------------------------------------------

def spread(values):
    return "%8.1f %8.1f %8.1f" % (statistics.median(values), min(values), max(values))


def report(runs, disk, sides, patterns, kind):
    title = "sustained pass (>= 1 s of reading)" if kind == "SUST" else "sweeps"
    print("\n%s, MB/s = 10^6 bytes/s; %d runs a side" % (title, len(runs[sides[0]])))
    print("%-22s %-8s %8s %8s %8s" % ("pattern", "side", "median", "min", "max"))
    summary = {}
    for pattern, name in PATTERNS.items():
        if not patterns & pattern:
            continue
        label = "%s (%d requests)" % (name, disk.requests(pattern))
        rates = {}
        for side in sides:
            rates[side] = [run.figures(kind, pattern, disk)[0] for run in runs[side]]
            print("%-22s %-8s %s" % (label, side, spread(rates[side])))
            label = ""
            summary[(pattern, side)] = statistics.median(rates[side])
        # Every side against the last one, run by run of the same round.
        for side in sides[:-1]:
            ratios = [a / b for a, b in zip(rates[side], rates[sides[-1]])]
            print("%-22s %-8s %8.3f %8.3f %8.3f   (%s / %s, paired)"
                  % ("", "ratio", statistics.median(ratios), min(ratios), max(ratios), side, sides[-1]))
            if side == sides[0]:
                summary[(pattern, "ratio")] = statistics.median(ratios)
    return summary


def cost_model(runs, disk, sides):
    """Per-request and per-byte time from the two patterns: a sweep takes
    requests x a + bytes x b."""
    print("\ntime a sweep = requests x per-request + bytes x per-byte (from the sustained passes)")
    r1, r2 = disk.requests(1), disk.requests(2)
    for side in sides:
        fixed, per_kb = [], []
        for run in runs[side]:
            t1 = disk.total * SECTOR / run.figures("SUST", 1, disk)[0] / 1e6
            t2 = disk.total * SECTOR / run.figures("SUST", 2, disk)[0] / 1e6
            a = (t1 - t2) / (r1 - r2)
            fixed.append(a * 1e6)
            per_kb.append((t2 - r2 * a) / (disk.total * SECTOR) * 1024 * 1e6)
        print("%-8s per request %s us   per KB %s us   (median min max)" % (side, spread(fixed), spread(per_kb)))


def profile(args, disk, sides, roots):
    for side in sides:
        run, counters = profile_once(side, *roots[side], args.timeout, args.perf_dir, roots["work"],
                                     args.trace_writes)
        problems = run.problems(disk, args.patterns, args.sweeps, args.sustain_ticks)
        if problems:
            print("%s: %s" % (side, "; ".join(problems)))
            return 1
        requests = sum(line[3] for line in run.lines)
        print("%s: %d requests; across the reads:" % (side, requests))
        for name, value in counters.items():
            if value:
                print("  %-36s %10d  %10.2f a request" % (name, value, value / requests))
        if args.perf_dir:
            data = os.path.join(args.perf_dir, side.replace("/", "_") + ".perf")
            report = subprocess.run(["perf", "report", "-i", data, "--stdio", "--sort", "dso"],
                                    capture_output=True, text=True).stdout
            match = re.search(r"Event count \(approx.\): (\d+)", report)
            cpu_ns = int(match.group(1)) if match else 0
            # CPU time, not wall time: what the host's other load changes least
            print("  perf: %s, %.1f us of QEMU's CPU time a request (reads, hashing and output)"
                  % (data, cpu_ns / 1000 / requests))
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bin", required=True, help="build/bin with chain.0 and menvolt-cli")
    parser.add_argument("--reader", required=True, help="the assembled ramdisk_reader.bin")
    parser.add_argument("--pairs", type=int, default=7, help="rounds; each runs every side once")
    parser.add_argument("--sweeps", type=int, default=3)
    parser.add_argument("--sustain-ticks", type=int, default=19, help="BIOS ticks of the sustained pass")
    parser.add_argument("--patterns", type=int, default=3, help="1 track, 2 up to 127 sectors, 3 both")
    parser.add_argument("--buffers", type=int, default=16,
                        help="buffers 17.5 KB apart that requests use in turn (1: always 2000:0000)")
    parser.add_argument("--together", action="store_true",
                        help="run the sides of a round at the same time, reading in step (less "
                             "disturbed by other load on the host; needs a core a side)")
    parser.add_argument("--short", action="store_true", help="one pair, one sweep a pattern, content only")
    parser.add_argument("--sides", default="menvolt,memdisk",
                        help="comma-separated, the reference last: menvolt, memdisk, ldr:FILE (another "
                             "loader file, e.g. one of an earlier build)")
    parser.add_argument("--loader", help="loader file to start; item 0 names the image")
    parser.add_argument("--chain", help="network boot program to use instead of BIN/chain.0")
    parser.add_argument("--image", help="image to serve instead of a generated 1.44 MB diskette")
    parser.add_argument("--keep-content", action="store_true", help="leave the image's sectors as they are")
    parser.add_argument("--memdisk-mode", default="", help="extra MEMDISK option, e.g. raw")
    parser.add_argument("--timeout", type=int, default=300)
    parser.add_argument("--qemu-args", default="",
                        help="more QEMU options; '-icount shift=0,sleep=off' turns the times into "
                             "guest instruction counts (1 ns an instruction), which no load disturbs")
    parser.add_argument("--profile", action="store_true",
                        help="one run a side: the emulator's translation counters across the reads")
    parser.add_argument("--perf-dir", help="with --profile: record perf profiles of QEMU here")
    parser.add_argument("--trace-writes", action="store_true",
                        help="with --profile: count the writes to pages that hold translated code "
                             "(the emulator's slow way), by page")
    args = parser.parse_args()
    if args.short:
        args.pairs, args.sweeps, args.sustain_ticks = 1, 1, 0
    sides = args.sides.split(",")

    reader = reader_with(open(args.reader, "rb").read(), args.sweeps, args.sustain_ticks, args.patterns,
                         args.buffers, hold=args.profile or args.together)
    disk = Disk(reader, args.image, args.keep_content)
    print("disk: %d sectors, %d heads, %d sectors a track; hash %08X; load average %.2f %.2f %.2f"
          % ((disk.total, disk.heads, disk.spt, disk.hash) + os.getloadavg()))
    work = tempfile.mkdtemp(prefix="menvolt-ramdisk-bench-")
    failed = False
    try:
        roots = {}
        for side in sides:
            if side == "memdisk":
                roots[side] = memdisk_root(work, args, disk)
            elif side == "menvolt":
                roots[side] = menvolt_root(work, args, disk)
            elif side.startswith("ldr:"):
                roots[side] = menvolt_root(work, args, disk, side[4:])
            else:
                raise SystemExit("unknown side %r" % side)
        if args.profile:
            roots["work"] = work
            return profile(args, disk, sides, roots)
        runs = {side: [] for side in sides}
        for pair in range(args.pairs):
            order = sides if pair % 2 == 0 else sides[::-1]
            if len(sides) > 2:
                order = sides[pair % len(sides):] + sides[:pair % len(sides)]
            if args.together:
                done = run_together(order, roots, args.timeout, args.qemu_args.split())
            else:
                done = (run_once(side, *roots[side], args.timeout, args.qemu_args.split()) for side in order)
            for run in done:
                side = run.side
                problems = run.problems(disk, args.patterns, args.sweeps, args.sustain_ticks)
                if problems:
                    failed = True
                    print("%s, pair %d: %s\nserial:\n%s" % (side, pair + 1, "; ".join(problems), run.text))
                    continue
                runs[side].append(run)
                parts = []
                for pattern in PATTERNS:
                    if args.patterns & pattern:
                        kind = "SUST" if args.sustain_ticks else "SWEEP"
                        parts.append("%s %.1f MB/s" % (PATTERNS[pattern], run.figures(kind, pattern, disk)[0]))
                print("pair %d %-8s %s" % (pair + 1, side, ", ".join(parts)), flush=True)
        print("load average at the end %.2f %.2f %.2f" % os.getloadavg())
        if failed:
            print("FAILED: a run read wrong bytes or did not finish")
            return 1
        if args.short:
            print("content ok")
            return 0
        report(runs, disk, sides, args.patterns, "SWEEP")
        summary = report(runs, disk, sides, args.patterns, "SUST")
        if args.patterns == 3:
            cost_model(runs, disk, sides)
        for key, value in sorted(summary.items(), key=str):
            print("RESULT pattern=%d %s=%.4f" % (key[0], key[1], value))
        return 0
    finally:
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
