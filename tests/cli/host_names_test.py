#!/usr/bin/env python3
"""Host file names are UTF-8 while the program's names are Windows-1252: a
share with a "Français" language folder and an image named with "é" is
listed, given entries, checked and shown through menvolt-cli, and every file
it makes is named in UTF-8 on disk."""
import os
import subprocess
import sys
import tempfile
from pathlib import Path

CLI = sys.argv[1]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


with tempfile.TemporaryDirectory() as tmp:
    share = Path(tmp) / "share"
    (share / "Setup/Français").mkdir(parents=True)
    (share / "Setup/日本語").mkdir()  # no Windows-1252 form: not a language

    def on_share(*args):
        return subprocess.run([CLI, "--share", str(share), *args], capture_output=True)

    folder = share / "Setup/Français/Tools/Zent/i386"
    folder.mkdir(parents=True)
    (folder / "café.img").write_bytes(bytes(1474560))
    r = on_share("create", "--language", "Français", "--description", "Démarrage",
                 "--item", "1", "café.img", "Café", "")
    check(r.returncode == 0, f"create in Français: {r.stderr!r}")
    check((folder / "templates").is_dir(), "the entry's folders are made below the UTF-8 language folder")
    names = {n for _, dirs, files in os.walk(os.fsencode(share)) for n in dirs + files}
    def is_utf8(name):
        try:
            name.decode("utf-8")
            return True
        except UnicodeDecodeError:
            return False

    check(all(is_utf8(n) for n in names), f"every name on disk is UTF-8: {names!r}")
    check(b"Fran\xe7ais" not in names, "no folder named in raw Windows-1252 bytes")

    out = on_share("list").stdout.decode(errors="replace")
    check("Français" in out and "Démarrage" in out, f"list: {out!r}")
    check("日本語" not in out, "a name without a Windows-1252 form is not listed")
    check(out.index('"') == len("Français   tools  single     "), f"list pads by characters: {out!r}")
    r = on_share("verify")
    check(r.returncode == 0 and b"1 entry, 0 problems" in r.stdout, f"verify finds the image named with é: {r.stdout!r}")

    (folder / "café.img").unlink()
    r = on_share("verify")
    out = r.stdout.decode(errors="replace")
    check(r.returncode != 0 and "image file missing: café.img" in out, f"verify names the missing image: {out!r}")
    sif = "Setup\\Français\\Tools\\Zent\\i386\\templates\\tool0.sif"
    r = on_share("show", sif)
    check(r.returncode == 0 and "Démarrage" in r.stdout.decode(errors="replace"), f"show through the 1252 path: {r.stdout!r}")

if failures:
    sys.exit(1)
print("ok")
