#!/usr/bin/env python3
"""The editor under a real X server, driven by the keyboard only.

Usage: keyboard_e2e.py --program BUILD/bin/menvolt --cli BUILD/bin/menvolt-cli --shots DIR

Starts `menvolt --demo` on a private Xvfb display, creates a three-item
submenu entry with the Create Menu Wizard and edits it in Menu Item
Properties by typing, Tab, Alt+mnemonics and Enter (xdotool), then checks
the files on the share. Every window is waited for by polling which window
has the keyboard focus, never by a fixed pause. A picture of each dialog is
saved in DIR for a reviewer (Xvfb's frame buffer, cropped to the window).
"""

import argparse
import glob
import json
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zlib

TIMEOUT = 90  # seconds a window may take to come up on a loaded machine


class Display:
    """A private Xvfb that never resets. An X server resets when its last
    client leaves, and a client connecting during the reset is refused: each
    xdotool call is such a client, so without -noreset an editor starting
    beside one sometimes found no display.

    The number is drawn from a high range rather than taking the first free
    one, so that an X server elsewhere on the machine whose abstract socket
    is visible here cannot be reached in its place."""

    def __init__(self, work):
        self.fbdir = os.path.join(work, "fb")
        os.makedirs(self.fbdir)
        self.log_path = os.path.join(work, "xvfb.log")
        self.server = None
        numbers = random.sample(range(100, 1000), 5)
        for number in numbers:
            if self._start(str(number)):
                self.name = ":%d" % number
                return
            self.close()
        raise AssertionError("Xvfb did not start on any of %s:\n%s" % (numbers, self.log()))

    def _start(self, number):
        read_fd, write_fd = os.pipe()
        with open(self.log_path, "a") as log:
            log.write("--- :%s\n" % number)
            log.flush()
            self.server = subprocess.Popen(
                ["Xvfb", ":" + number, "-displayfd", str(write_fd), "-screen", "0", "1280x1024x24",
                 "-nolisten", "tcp", "-noreset", "-fbdir", self.fbdir], pass_fds=(write_fd,), stderr=log)
        os.close(write_fd)
        with os.fdopen(read_fd, "rb") as pipe:
            ready = pipe.readline().strip()
        if ready != number.encode():
            return False
        probe = subprocess.run(["xdotool", "getdisplaygeometry"], env=dict(os.environ, DISPLAY=":" + number),
                               capture_output=True, text=True)
        if probe.returncode != 0:
            with open(self.log_path, "a") as log:
                log.write("a client could not connect: %s\n" % probe.stderr)
            return False
        return True

    def log(self):
        with open(self.log_path, errors="replace") as log:
            return log.read()

    def close(self):
        if self.server is not None and self.server.poll() is None:
            self.server.terminate()
            self.server.wait(30)


class Session:
    def __init__(self, display, shots):
        self.display = display
        self.shots = shots
        self.env = dict(os.environ, DISPLAY=display.name)

    def xdotool(self, *args, check=True):
        result = subprocess.run(["xdotool", *args], env=self.env, capture_output=True, text=True)
        if check and result.returncode != 0:
            raise AssertionError("xdotool %s: %s" % (" ".join(args), result.stderr))
        return result.stdout.strip()

    def focused_title(self):
        window = self.xdotool("getwindowfocus", "-f", check=False)
        if not window or not window.isdigit():
            return None, None
        return window, self.xdotool("getwindowname", window, check=False)

    def wait_focus(self, title, program, top_level=False):
        """Waits until the window titled `title` has the keyboard focus.

        There is no window manager on the display: when a dialog closes,
        nobody gives its owner the focus back. Once the owner is the only
        window of that title on screen, the focus is handed to it here, as a
        window manager would. A `top_level` window (the help viewer) is not
        modal: a window manager focuses it when it maps, and so does this
        once it is on screen, whoever has the focus."""
        deadline = time.monotonic() + TIMEOUT
        seen = None
        while time.monotonic() < deadline:
            if program.poll() is not None:
                raise AssertionError("the editor ended while waiting for %r:\n%s\nXvfb:\n%s"
                                     % (title, program.stderr.read(), self.display.log()))
            window, seen = self.focused_title()
            if seen == title:
                return window
            if not seen or top_level:
                shown = self.xdotool("search", "--onlyvisible", "--name", "^%s$" % title, check=False).split()
                if len(shown) == 1:
                    self.xdotool("windowfocus", shown[0], check=False)
            time.sleep(0.1)
        raise AssertionError("%r never got the focus (last focused: %r)" % (title, seen))

    def keys(self, *keys):
        self.xdotool("key", "--delay", "40", *keys)

    def type(self, text):
        self.xdotool("type", "--delay", "40", text)

    def shot(self, window, name):
        """Saves the window, as the frame buffer shows it, to NAME.png. Its
        place is xwininfo's: under a window manager xdotool counts the frame
        twice."""
        info = subprocess.run(["xwininfo", "-id", window], env=self.env, capture_output=True, text=True).stdout
        values = dict(line.strip().split(":", 1) for line in info.splitlines() if ":" in line)
        try:
            box = tuple(int(values[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
        except (KeyError, ValueError):
            return
        time.sleep(0.3)  # a picture only: let the window paint
        save_png(os.path.join(self.display.fbdir, "Xvfb_screen0"), box, os.path.join(self.shots, name + ".png"))

    def step(self, program, keys, title, shot=None):
        """Presses `keys`, waits for the window `title` and, given a name,
        saves its picture; returns the window."""
        self.keys(*keys)
        window = self.wait_focus(title, program)
        if shot:
            self.shot(window, shot)
        return window


def save_png(xwd_path, box, out_path):
    """Crops the XWD frame buffer Xvfb keeps (32 bits a pixel) to a PNG."""
    with open(xwd_path, "rb") as f:
        data = f.read()
    header = struct.unpack(">25I", data[:100])
    header_size, width, height, bytes_per_line, ncolors = header[0], header[4], header[5], header[12], header[19]
    pixels = header_size + ncolors * 12
    x0, y0, w, h = box
    x0, y0 = max(0, x0), max(0, y0)
    w, h = min(w, width - x0), min(h, height - y0)
    if w <= 0 or h <= 0:
        return
    rows = []
    for y in range(y0, y0 + h):
        line = data[pixels + y * bytes_per_line + 4 * x0: pixels + y * bytes_per_line + 4 * (x0 + w)]
        rgb = bytearray(3 * w)
        rgb[0::3], rgb[1::3], rgb[2::3] = line[2::4], line[1::4], line[0::4]
        rows.append(b"\0" + bytes(rgb))

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows))) + chunk(b"IEND", b"")
    with open(out_path, "wb") as f:
        f.write(png)


def cli_json(cli, share, *args):
    out = subprocess.run([cli, "--share", share, "--json", *args], check=True, capture_output=True, text=True)
    return json.loads(out.stdout)


def on_share(cli, share, *args, until):
    """What `menvolt-cli --json ARGS` says once `until` holds for it.

    The editor writes an entry after its dialog has closed, so the main
    window can have the focus before the files are on the share: the answer
    is asked again until it holds or TIMEOUT has passed, and the last one is
    returned either way for the caller to judge."""
    deadline = time.monotonic() + TIMEOUT
    while True:
        try:
            answer = cli_json(cli, share, *args)
            if until(answer) or time.monotonic() > deadline:
                return answer
        except subprocess.CalledProcessError as failure:  # a file caught half-written
            if time.monotonic() > deadline:
                raise AssertionError("menvolt-cli %s: %s" % (" ".join(args), failure.stderr))
        time.sleep(0.1)


def walk_arguments():
    """--program, --cli and --shots (made if missing), as both walks take them."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--program", required=True)
    parser.add_argument("--cli", required=True)
    parser.add_argument("--shots", required=True)
    args = parser.parse_args()
    os.makedirs(args.shots, exist_ok=True)
    return args


def end_program(program):
    """Ends an editor a failed walk left running and shows what it said."""
    if program is not None:
        program.kill()
        program.wait()
        sys.stderr.write(program.stderr.read())


def main():
    args = walk_arguments()
    # Only this test's own pictures go: other tests (the QEMU boots) keep theirs in the same folder.
    for old in glob.glob(os.path.join(args.shots, "[0-9][0-9]-*.png")):
        os.remove(old)

    work = tempfile.mkdtemp(prefix="menvolt-keys-")
    display = Display(work)
    program = None
    try:
        x = Session(display, args.shots)
        tmp = os.path.join(work, "tmp")
        runtime = os.path.join(work, "runtime")
        os.makedirs(tmp)
        os.makedirs(runtime, mode=0o700)
        env = dict(x.env, TMPDIR=tmp, XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb")
        program = subprocess.Popen([args.program, "--demo"], env=env, stderr=subprocess.PIPE, text=True)
        main_window = x.wait_focus("Menvolt", program)
        share = glob.glob(os.path.join(tmp, "menvolt-demo-*"))[0]
        x.shot(main_window, "01-main-window")

        # F1 is the window's Help.
        x.keys("F1")
        x.wait_focus("Menvolt Help", program, top_level=True)
        x.keys("Escape")
        x.wait_focus("Menvolt", program)
        # Shift+F10 opens the list's menu; its Test Boot (on a BIOS PC, the
        # first of its menu) on the entry that names no loader says so (or,
        # without QEMU, what to install).
        x.keys("Down", "Down", "shift+F10", "t", "Return")
        x.shot(x.wait_focus("Test Boot", program), "01-test-boot-no-loader")
        x.keys("Return")
        x.wait_focus("Menvolt", program)
        x.keys("Home")

        # Nothing typed is lost: with the entry folder write-protected,
        # Finish says which file and stays; Cancel then leaves nothing. On the
        # way, a character the code page lacks gets a balloon, not a box.
        folder = os.path.join(share, "Setup", "English", "Tools", "Zent", "i386")
        before = sorted(os.listdir(folder)), sorted(os.listdir(os.path.join(folder, "templates")))
        os.chmod(folder, 0o555)
        x.keys("alt+a")
        wizard = x.wait_focus("Create Menu Wizard", program)
        x.keys("F1")
        x.wait_focus("Menvolt Help", program, top_level=True)
        x.keys("Escape")
        x.wait_focus("Create Menu Wizard", program)
        x.keys("Return")
        x.type("Lost? \u0437\u0434")
        if not x.xdotool("search", "--onlyvisible", "--name", "^Character not stored$", check=False):
            raise AssertionError("no notice for characters the code page lacks")
        x.shot(wizard, "02-code-page-notice")
        if x.focused_title()[1] != "Create Menu Wizard":
            raise AssertionError("the notice took the focus")
        x.keys("Return")
        x.type("dos.img")
        x.keys("Return")  # Finish
        box = x.wait_focus("Menvolt", program)
        x.shot(box, "02-write-protected")
        x.keys("Return")
        x.wait_focus("Create Menu Wizard", program)
        x.keys("Escape")
        x.wait_focus("Menvolt", program)
        os.chmod(folder, 0o755)
        if (sorted(os.listdir(folder)), sorted(os.listdir(os.path.join(folder, "templates")))) != before:
            raise AssertionError("a cancelled wizard left files behind")

        # Remove (Del) asks first: a Yes/No box ignores Escape; No keeps the entry.
        x.keys("shift+Tab", "Delete")  # from Add, which kept the focus, back to the list
        box = x.wait_focus("Edit Menu", program)
        x.keys("Escape")
        x.shot(box, "02-remove-question")
        if x.focused_title()[1] != "Edit Menu":
            raise AssertionError("Escape closed a Yes/No box")
        x.keys("n")
        x.wait_focus("Menvolt", program)

        # Create: a submenu of three items, typed.
        x.keys("alt+a")
        wizard = x.wait_focus("Create Menu Wizard", program)
        x.shot(wizard, "03-wizard-setup")
        x.keys("alt+m", "Return")
        x.shot(wizard, "04-wizard-description")
        x.type("Rescue tools")
        x.keys("alt+q", "Tab")  # no such mnemonic: types nothing
        x.type("Tools for broken PCs")
        x.keys("Tab", "Return")  # Tab leaves the help text for Next
        x.type("Memory test")
        x.keys("Tab")
        x.type("Tests the memory.")
        x.keys("alt+i")
        x.type("memtest.img")
        x.shot(wizard, "05-wizard-submenu-1")
        x.keys("Return")
        x.type("DOS")
        x.keys("alt+i")
        x.type("dos.img")
        x.keys("Return")
        x.type("Hard drive")
        x.keys("alt+d", "Tab", "Tab", "Tab", "Tab")  # Start..., Back, Next, Finish
        x.shot(wizard, "06-wizard-submenu-3")
        x.keys("Return")
        x.wait_focus("Menvolt", program)

        listed = on_share(args.cli, share, "list", until=lambda l: any(e["description"] == "Rescue tools" for e in l))
        entries = [e for e in listed if e["description"] == "Rescue tools"]
        if len(entries) != 1:
            raise AssertionError("the wizard's entry is not on the share: %r" % entries)
        sif = entries[0]["sif"]

        # Edit it: the list selects the new entry; Properties opens on its
        # description, whose text typing replaces.
        x.keys("alt+p")
        sheet = x.wait_focus("Menu Item Properties", program)
        x.type("Rescue kit")
        x.shot(sheet, "07-properties-menu-item")
        x.keys("shift+Tab")  # the tab strip, with its focus mark
        x.shot(sheet, "07-properties-tab-strip-focus")
        x.keys("Tab", "ctrl+Tab")
        x.shot(sheet, "08-properties-submenu")
        x.keys("Down", "alt+p")
        item = x.wait_focus("Submenu Item Properties", program)
        x.shot(item, "09-submenu-item")
        x.keys("alt+b")
        browse = x.wait_focus("Open", program)
        x.shot(browse, "09-browse")
        x.keys("Escape")
        x.wait_focus("Submenu Item Properties", program)
        x.keys("alt+c")
        create = x.wait_focus("Create Boot Image File", program)
        x.shot(create, "10-create-image")
        x.keys("alt+a")
        advanced = x.wait_focus("Advanced Image Settings", program)
        x.shot(advanced, "11-advanced-image-settings")
        x.keys("Escape")
        x.wait_focus("Create Boot Image File", program)
        x.keys("Escape")
        x.wait_focus("Submenu Item Properties", program)
        x.keys("alt+f")
        x.type("DOS 6.22")
        x.keys("Return")
        x.wait_focus("Menu Item Properties", program)
        x.keys("alt+e")
        appearance = x.wait_focus("Submenu Screen Appearance", program)
        x.type("Rescue kit")
        x.keys("alt+g", "Down")  # normal background: Blue
        x.keys("alt+s")
        start = x.wait_focus("Unattended Start", program)
        x.keys("End", "alt+a")  # start on the last item, Hard drive
        x.type("5")
        x.shot(start, "12-unattended-start")
        x.keys("Return")
        x.wait_focus("Submenu Screen Appearance", program)
        x.keys("alt+v")
        preview = x.wait_focus("Client Screen Preview", program)
        x.shot(appearance, "12-appearance")
        x.shot(preview, "13-client-screen-preview")
        x.keys("Escape")
        x.wait_focus("Submenu Screen Appearance", program)
        x.keys("alt+b", "Return")  # from the banner (Preview... kept the focus), Enter is OK
        x.wait_focus("Menu Item Properties", program)
        x.keys("ctrl+Tab", "Return")  # Appearance... kept the focus: Enter from the Menu Item tab
        x.wait_focus("Menvolt", program)

        shown = on_share(args.cli, share, "show", sif, until=lambda s: s["description"] == "Rescue kit")
        problems = []
        if shown["description"] != "Rescue kit":
            problems.append("description %r" % shown["description"])
        if shown["help"] != "Tools for broken PCs":
            problems.append("help %r" % shown["help"])
        if shown["banner"] != "Rescue kit":
            problems.append("banner %r" % shown["banner"])
        if shown["colors"] != "0x7017":
            problems.append("colours %r" % shown["colors"])
        if (shown["defaultItem"], shown["timeout"]) != (3, 5):
            problems.append("start item and timeout %r" % ((shown["defaultItem"], shown["timeout"]),))
        items = [(i["image"], i["description"], i["help"]) for i in shown["items"]]
        if items != [("memtest.img", "Memory test", "Tests the memory."), ("dos.img", "DOS 6.22", ""),
                     ("", "Hard drive", "")]:
            problems.append("items %r" % items)
        if problems:
            raise AssertionError("the files on the share: " + "; ".join(problems))

        x.keys("Escape")  # Close
        program.wait(TIMEOUT)
        program = None

        # A share that is not there: the refusal says where it looked, and
        # the program ends unsuccessfully.
        program = subprocess.Popen([args.program, "--share", os.path.join(work, "none")], env=env,
                                   stderr=subprocess.PIPE, text=True)
        x.shot(x.wait_focus("Menvolt", program), "03-start-up-refusal")
        x.keys("Return")
        if program.wait(TIMEOUT) != 1:
            raise AssertionError("a refused start ended with status %d" % program.returncode)
        program = None
    finally:
        end_program(program)
        display.close()
        shutil.rmtree(work, ignore_errors=True)
    print("keyboard-only create and edit: passed; pictures in " + args.shots)


if __name__ == "__main__":
    main()
