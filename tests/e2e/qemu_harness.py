"""Runs a PC in QEMU that boots from the network through the e1000's PXE
boot ROM, with QEMU's own DHCP/TFTP server handing out files from a folder.

The test talks to the machine through QMP: it reads the text screen with
pmemsave of B8000h and types with send-key. A UEFI machine (firmware=OVMF
code) has no text buffer at B8000h: its screen is rebuilt from the VT100
mirror the firmware writes to COM1 (terminal()). The guest ends a run through
the isa-debug-exit port (exit status = value * 2 + 1); otherwise the run is
ended by killing QEMU by its process id.
"""

import json
import os
import shutil
import signal
import socket
import subprocess
import tempfile
import time

QEMU = "qemu-system-x86_64"
QEMU_AA64 = "qemu-system-aarch64"
OVMF_VARS = "/usr/share/OVMF/OVMF_VARS_4M.fd"
AAVMF_VARS = "/usr/share/AAVMF/AAVMF_VARS.fd"
# PC attribute colour index -> the name pyte gives the matching ANSI colour
# (the firmware's terminal sends bright foregrounds as bold).
ANSI_NAMES = ["black", "blue", "green", "cyan", "red", "magenta", "brown", "white"]


class Screen:
    """80x25 text cells: (character, attribute)."""

    def __init__(self, raw):
        self.raw = raw

    def char(self, row, column):
        return self.raw[(row * 80 + column) * 2]

    def attr(self, row, column):
        return self.raw[(row * 80 + column) * 2 + 1]

    def text(self, row, column=0, length=80):
        out = bytes(self.char(row, c) for c in range(column, min(80, column + length)))
        return out.decode("cp437")

    def find(self, needle):
        for r in range(25):
            if needle in self.text(r):
                return r
        return -1

    def dump(self):
        return "\n".join("%2d|%s|" % (r, self.text(r)) for r in range(25))


class Terminal(Screen):
    """80x25 cells rebuilt from a VT100 byte stream, with the PC attribute
    each cell's colours stand for."""

    def __init__(self, data):
        import pyte  # only the UEFI boots need it
        self.screen = pyte.Screen(80, 25)
        pyte.ByteStream(self.screen).feed(data)

    def text(self, row, column=0, length=80):
        line = self.screen.buffer[row]
        return "".join(line[c].data for c in range(column, min(80, column + length)))

    def attr(self, row, column):
        cell = self.screen.buffer[row][column]
        def index(name, default):
            name = default if name == "default" else name
            return ANSI_NAMES.index(name) if name in ANSI_NAMES else -1
        fg = index(cell.fg, "white") + (8 if cell.bold else 0)
        return index(cell.bg, "black") * 16 + fg


class Machine:
    def __init__(self, tftp_root, bootfile, floppy=None, memory_mb=256, netdev=None, extra_args=(),
                 firmware=None, nic="e1000", disk=None, limit=240, variables=None, arm64=False):
        """netdev: a QEMU -netdev value to use instead of the built-in
        DHCP/TFTP server (for example a tap interface served by dnsmasq);
        extra_args: more QEMU options (for example -D LOGFILE);
        firmware: UEFI code to run instead of the BIOS (a fresh copy of its
        variable store is made); nic: the -device of the network card;
        disk: a raw disk image, the boot option after the network;
        limit: seconds after which QEMU is ended whatever it does;
        variables: a variable store to start from instead of the empty
        one; with it the firmware runs with Secure Boot (q35 with SMM,
        the flash writable only from SMM), as OVMF's secboot code needs;
        arm64: a 64-bit ARM PC (QEMU's virt board; firmware: AAVMF)."""
        self.work = tempfile.mkdtemp(prefix="menvolt-qemu-")
        self.qmp_path = os.path.join(self.work, "qmp.sock")
        self.serial_path = os.path.join(self.work, "serial.log")
        self.uefi = firmware is not None
        args = [
            "timeout", "-k", "5", str(limit),
            QEMU_AA64 if arm64 else QEMU, "-accel", "tcg",
            *(["-M", "virt", "-cpu", "max"] if arm64 else ["-M", "q35,smm=on" if variables else "pc"]),
            "-m", str(memory_mb), "-display", "none", "-monitor", "none",
            "-serial", "file:" + self.serial_path, "-no-reboot",
            # The virt board has no keyboard of its own: keys go to a USB one.
            *(["-device", "qemu-xhci", "-device", "usb-kbd"] if arm64 else
              ["-device", "isa-debug-exit,iobase=0xf4,iosize=0x04"]),
            "-netdev", netdev or "user,id=n0,tftp=%s,bootfile=%s" % (tftp_root, bootfile),
            "-qmp", "unix:%s,server=on,wait=off" % self.qmp_path,
        ]
        if self.uefi:
            store = os.path.join(self.work, "vars.fd")
            shutil.copy(variables or (AAVMF_VARS if arm64 else OVMF_VARS), store)
            if variables and not arm64:  # the x86 PC's store is SMM-only; the ARM board has no secure world here
                args += ["-global", "driver=cfi.pflash01,property=secure,value=on"]
            args += ["-drive", "if=pflash,format=raw,unit=0,readonly=on,file=" + firmware,
                     "-drive", "if=pflash,format=raw,unit=1,file=" + store,
                     "-device", nic + ",netdev=n0,bootindex=1"]
            if disk:
                args += ["-drive", "if=none,format=raw,id=d0,file=" + disk,
                         "-device", "virtio-blk-pci,drive=d0,bootindex=2"]
        else:
            args += ["-device", nic + ",netdev=n0", "-boot", "n"]
        if floppy:
            args += ["-drive", "file=%s,if=floppy,format=raw" % floppy]
        args += list(extra_args)
        self.proc = subprocess.Popen(args, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                     start_new_session=True)
        self.sock = None
        self.buffer = b""
        self.started = time.monotonic()
        self._connect()

    # ---- QMP -------------------------------------------------------------
    def _connect(self):
        deadline = time.monotonic() + 10
        while True:
            try:
                s = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
                s.connect(self.qmp_path)
                self.sock = s
                break
            except OSError:
                if time.monotonic() > deadline or self.proc.poll() is not None:
                    raise RuntimeError("QMP did not come up: %s" % self.proc.stderr.read().decode(errors="replace")
                                       if self.proc.poll() is not None else "QMP did not come up")
                time.sleep(0.05)
        self.sock.settimeout(10)
        self._read_message()  # greeting
        self.command("qmp_capabilities")

    def _read_message(self):
        while b"\n" not in self.buffer:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise RuntimeError("QMP closed")
            self.buffer += chunk
        line, self.buffer = self.buffer.split(b"\n", 1)
        return json.loads(line)

    def command(self, name, **arguments):
        message = {"execute": name}
        if arguments:
            message["arguments"] = arguments
        self.sock.sendall(json.dumps(message).encode() + b"\n")
        while True:
            reply = self._read_message()
            if "return" in reply:
                return reply["return"]
            if "error" in reply:
                raise RuntimeError("QMP %s: %s" % (name, reply["error"]))

    # ---- Screen, keys, serial -------------------------------------------
    def screen(self):
        if self.uefi:
            return self.terminal()
        path = os.path.join(self.work, "screen.bin")
        self.command("pmemsave", val=0xB8000, size=4000, filename=path)
        with open(path, "rb") as f:
            return Screen(f.read())

    def key(self, *names):
        for name in names:
            self.command("send-key", keys=[{"type": "qcode", "data": name}])
            time.sleep(0.15)

    def screendump(self):
        """The frame buffer as PPM bytes, for programs that draw there only."""
        path = os.path.join(self.work, "dump.ppm")
        self.command("screendump", filename=path)
        with open(path, "rb") as f:
            return f.read()

    def terminal(self):
        try:
            with open(self.serial_path, "rb") as f:
                return Terminal(f.read())
        except FileNotFoundError:
            return Terminal(b"")

    def serial(self):
        try:
            with open(self.serial_path, "rb") as f:
                return f.read().decode("cp437")
        except FileNotFoundError:
            return ""

    def running(self):
        return self.proc.poll() is None

    def wait_screen(self, predicate, timeout, what):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if not self.running():
                raise AssertionError("QEMU ended (status %s) while waiting for %s\nserial:\n%s"
                                     % (self.proc.returncode, what, self.serial()))
            s = self.screen()
            if predicate(s):
                return s
            time.sleep(0.2)
        raise AssertionError("timed out waiting for %s\nscreen:\n%s\nserial:\n%s"
                             % (what, self.screen().dump(), self.serial()))

    def wait_serial(self, text, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if text in self.serial():
                return time.monotonic()
            if not self.running():
                break
            time.sleep(0.05)
        if text in self.serial():
            return time.monotonic()
        raise AssertionError("no %r on the serial port\nserial:\n%s" % (text, self.serial()))

    def wait_exit(self, timeout):
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise AssertionError("QEMU did not end\nserial:\n%s" % self.serial())

    def skip_boot_rom_prompt(self, timeout=30):
        """The boot ROM waits 2 s for Ctrl-B; any other key lets it go on.
        Escape is sent because the menu ignores it, should the key arrive
        after the prompt has gone; a prompt already gone gets no key."""
        def past_or_prompt(s):
            return s.find("Ctrl-B") >= 0 or s.find("Configuring") >= 0
        s = self.wait_screen(past_or_prompt, timeout, "the boot ROM prompt")
        if s.find("Configuring") < 0:
            self.key("esc")

    def close(self):
        if self.sock:
            try:
                self.sock.close()
            except OSError:
                pass
        if self.proc.poll() is None:
            # QEMU runs under timeout(1) in a process group of its own.
            os.killpg(self.proc.pid, signal.SIGTERM)
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                os.killpg(self.proc.pid, signal.SIGKILL)
                self.proc.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
