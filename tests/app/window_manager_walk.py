#!/usr/bin/env python3
"""The editor under Xvfb with a window manager (openbox), by keyboard only.

Usage: window_manager_walk.py --program BUILD/bin/menvolt --cli BUILD/bin/menvolt-cli --shots DIR

On a share made with menvolt-cli, holding a menu that starts item 1 after
10 s, a read-only entry and an entry whose loader file is missing, it walks
what an administrator meets: removing the start item turns the countdown
off; the wizard's Start... sets the start of a new menu; the read-only entry
opens with OK off and cannot be removed; the right-click menu opens on its
first item and its PCs have Alt letters; a missing loader is called missing;
the image viewer's "Add UEFI Boot Program..." has its Alt letter. The files
on the share are checked after each step.
"""

import os
import shutil
import subprocess
import tempfile
import time

from keyboard_e2e import TIMEOUT, Display, Session, cli_json, end_program, on_share, walk_arguments

TOOLS = os.path.join("Setup", "English", "Tools", "Zent", "i386")


def wait_other(x, title, other, program):
    """Waits for a window titled `title` that is not `other` to have the
    focus: a message box that bears its owner's title."""
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        if program.poll() is not None:
            raise AssertionError("the editor ended while waiting for a %r box" % title)
        window, seen = x.focused_title()
        if seen == title and window != other:
            return window
        time.sleep(0.1)
    raise AssertionError("no %r box came up" % title)


def make_share(cli, image_tool, share):
    def run(*args):
        subprocess.run([cli, "--share", share, *args], check=True, capture_output=True)

    os.makedirs(os.path.join(share, TOOLS, "templates"))
    run("create", "--language", "English", "--description", "Countdown", "--item", "1", "", "Hard drive", "",
        "--item", "2", "mem.img", "Memory test", "", "--item", "3", "wipe.img", "Wipe disk", "",
        "--default", "1", "--timeout", "10", "--allow-missing-images")
    run("create", "--language", "English", "--description", "Locked", "--image", "dos.img",
        "--allow-missing-images")
    run("create", "--language", "English", "--description", "Lost loader", "--image", "dos.img",
        "--allow-missing-images")
    subprocess.run([image_tool, "create", os.path.join(share, TOOLS, "dos.img")], check=True, capture_output=True)
    entries = {e["description"]: e for e in cli_json(cli, share, "list")}
    locked = [os.path.join(share, p.replace("\\", "/")) for p in (entries["Locked"]["sif"], entries["Locked"]["loader"])]
    for path in locked:
        os.chmod(path, 0o444)
    os.remove(os.path.join(share, entries["Lost loader"]["loader"].replace("\\", "/")))
    return entries, locked


def main():
    args = walk_arguments()
    image_tool = os.path.join(os.path.dirname(args.cli), "menvolt-image")

    work = tempfile.mkdtemp(prefix="menvolt-wm-")
    display = Display(work)
    manager = program = None
    try:
        x = Session(display, args.shots)
        share = os.path.join(work, "share")
        entries, locked = make_share(args.cli, image_tool, share)
        runtime = os.path.join(work, "runtime")
        os.makedirs(runtime, mode=0o700)
        env = dict(x.env, XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb", HOME=work)
        manager = subprocess.Popen(["openbox", "--sm-disable"], env=env, stdout=subprocess.DEVNULL,
                                   stderr=subprocess.DEVNULL)
        # Ready once it holds the focus itself: a window mapped before then
        # would be taken over unfocused.
        deadline = time.monotonic() + TIMEOUT
        while x.focused_title()[1] != "Openbox":
            if time.monotonic() > deadline or manager.poll() is not None:
                raise AssertionError("openbox did not take over the display")
            time.sleep(0.1)
        program = subprocess.Popen([args.program, "--share", share], env=env, stderr=subprocess.PIPE, text=True)
        main_window = x.wait_focus("Menvolt", program)
        x.shot(main_window, "20-wm-main-window")

        def box(keys, shot):  # a message box that bears the main window's title
            x.keys(*keys)
            x.shot(wait_other(x, "Menvolt", main_window, program), shot)

        # The start item removed on the Submenu page: the page says the
        # countdown is off, and so is it on the share.
        x.step(program, ["Home", "alt+p"], "Menu Item Properties")
        x.step(program, ["ctrl+Tab"], "Menu Item Properties", "21-wm-submenu-start")
        x.step(program, ["Home", "alt+d"], "Delete Item")
        x.step(program, ["y"], "Delete Item", "22-wm-start-item-removed")
        x.step(program, ["Return"], "Menu Item Properties", "22-wm-countdown-off")
        x.step(program, ["Return"], "Menvolt")
        shown = on_share(args.cli, share, "show", entries["Countdown"]["sif"], until=lambda s: s["timeout"] == 0)
        if shown["timeout"] != 0 or [i["description"] for i in shown["items"]] != ["Memory test", "Wipe disk"]:
            raise AssertionError("after removing the start item: timeout %r, items %r"
                                 % (shown["timeout"], shown["items"]))

        # The read-only entry: the sheet opens, OK says why not, and Remove
        # refuses; both files stay.
        x.step(program, ["Home", "Down", "alt+p"], "Menu Item Properties", "23-wm-read-only-sheet")
        box(["Return"], "23-wm-read-only-ok")
        x.step(program, ["Return"], "Menu Item Properties")
        x.step(program, ["Escape"], "Menvolt")
        box(["alt+r"], "24-wm-read-only-remove")
        x.step(program, ["Return"], "Menvolt")
        if not all(os.path.exists(p) for p in locked):
            raise AssertionError("a read-only entry lost a file")

        # The right-click menu (the menu key) opens on its first item, Test
        # Boot, whose PCs have Alt letters: the missing loader is named.
        x.step(program, ["Home", "Down", "Down", "Menu", "Return", "u"], "Test Boot", "25-wm-test-boot-missing-loader")
        x.step(program, ["Return"], "Menvolt")
        # Its Image page says the loader file is missing; the image named
        # there opens in the viewer, whose Add UEFI Boot Program has Alt+U.
        x.step(program, ["alt+p"], "Menu Item Properties")
        x.step(program, ["ctrl+Tab"], "Menu Item Properties", "26-wm-image-page-missing-loader")
        x.keys("alt+i", "ctrl+a")
        x.type("dos.img")
        x.step(program, ["alt+v"], "Boot Image - dos.img")
        x.step(program, ["alt+u"], "Add UEFI Boot Program", "27-wm-add-uefi-program")
        x.step(program, ["Escape"], "Boot Image - dos.img", "27-wm-image-viewer")
        x.step(program, ["Escape"], "Menu Item Properties")
        x.step(program, ["Escape"], "Menvolt")

        # The wizard's item page sets the new menu's start: item 2 after 7 s.
        x.step(program, ["alt+a"], "Create Menu Wizard")
        x.keys("alt+m", "Return")
        x.type("Unattended")
        x.keys("Tab", "Tab", "Return")
        x.type("DOS")
        x.keys("alt+i")
        x.type("dos.img")
        x.keys("Return")
        x.type("Hard drive")
        x.step(program, ["alt+d", "alt+s"], "Unattended Start")
        x.keys("End", "alt+a")
        x.type("7")
        x.shot(x.focused_title()[0], "28-wm-wizard-start")
        x.step(program, ["Return"], "Create Menu Wizard", "28-wm-wizard-start-shown")
        x.step(program, ["Tab", "Tab", "Tab", "Return"], "Menvolt")  # Start..., then Back, Next and Finish
        listed = on_share(args.cli, share, "list", until=lambda l: any(e["description"] == "Unattended" for e in l))
        made = [e for e in listed if e["description"] == "Unattended"]
        if len(made) != 1:
            raise AssertionError("the wizard's entry is not on the share: %r" % listed)
        shown = on_share(args.cli, share, "show", made[0]["sif"], until=lambda s: s["timeout"] == 7)
        if (shown["defaultItem"], shown["timeout"]) != (2, 7):
            raise AssertionError("the wizard's start: %r" % ((shown["defaultItem"], shown["timeout"]),))

        x.keys("Escape")
        program.wait(TIMEOUT)
        program = None
    finally:
        end_program(program)
        if manager is not None:
            manager.terminate()
            manager.wait()
        display.close()
        shutil.rmtree(work, ignore_errors=True)
    print("window manager walk: passed; pictures in " + args.shots)


if __name__ == "__main__":
    main()
