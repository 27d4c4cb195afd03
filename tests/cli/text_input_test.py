#!/usr/bin/env python3
"""menvolt-cli and menvolt-image at their edges: text arguments become
Windows-1252 bytes and come back out unchanged, what the files cannot hold is
refused by name, stored control bytes never reach the terminal, odd OSChooser
files are left alone, and options and numbers are read strictly."""
import json
import os
import subprocess
import sys
import tempfile
from pathlib import Path

CLI, IMAGE_TOOL = sys.argv[1], sys.argv[2]
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what)


def run(*args, cwd=None):
    return subprocess.run([CLI, *args], capture_output=True, cwd=cwd)


def text_of(byte):
    """The character a stored byte stands for (the five bytes Windows-1252
    leaves undefined stand for the code points of the same value)."""
    try:
        return bytes([byte]).decode("cp1252")
    except UnicodeDecodeError:
        return chr(byte)


with tempfile.TemporaryDirectory() as tmp:
    tmp = Path(tmp)
    share = tmp / "share"
    folder = share / "Setup/English/Tools/Zent/i386"
    folder.mkdir(parents=True)
    server = "Setup\\English\\Tools\\Zent\\i386\\"
    sif_arg = server + "templates\\tool0.sif"

    def on_share(*args):
        return run("--share", str(share), *args)

    # ---- every byte from 20h to FFh through both files (7Fh and the five
    # bytes that stand for C1 controls are control characters and refused,
    # below) ---------------------------------------------------------------------
    all_bytes = bytes(b for b in range(0x20, 0x100) if b not in (0x7F, 0x81, 0x8D, 0x8F, 0x90, 0x9D))
    sif_bytes = all_bytes.replace(b'"', b"")  # refused there, see below
    r = on_share("create", "--language", "English", "--description", "x",
                 "--item", "1", "", "a", "", "--item", "2", "", "b", "")
    check(r.returncode == 0, f"create: {r.stderr!r}")
    for start in range(0, len(all_bytes), 56):
        chunk = all_bytes[start:start + 56]
        sif_chunk = chunk.replace(b'"', b"")
        text = "".join(text_of(b) for b in chunk)
        sif_text = "".join(text_of(b) for b in sif_chunk)
        r = on_share("edit", sif_arg, "--description", sif_text, "--help-text",
                     "".join(text_of(b) for b in sif_bytes), "--item", "1", "", text, text)
        check(r.returncode == 0, f"edit with bytes from {chunk[0]:02X}h: {r.stderr!r}")
        sif = (folder / "templates/tool0.sif").read_bytes()
        check(b'Description = "' + sif_chunk + b'"\r\n' in sif, f"sif description bytes from {chunk[0]:02X}h")
        check(b'Help = "' + sif_bytes + b'"\r\n' in sif, "sif help bytes")
        loader = (folder / "tool0.ldr").read_bytes()
        check(b"\0" + chunk + b"\0" in loader, f"loader description bytes from {chunk[0]:02X}h")
        shown = json.loads(on_share("--json", "show", sif_arg).stdout)
        check(shown["description"] == sif_text, f"json description from {chunk[0]:02X}h")
        check(shown["help"] == "".join(text_of(b) for b in sif_bytes), "json help")
        check(shown["items"][0]["description"] == text and shown["items"][0]["help"] == text,
              f"json item texts from {chunk[0]:02X}h")
        plain = run("show", str(folder / "tool0.ldr")).stdout.decode("utf-8")
        check('description "' + text.replace('"', '\\"') + '"' in plain,
              f"show prints the item description from {chunk[0]:02X}h as UTF-8")

    # ---- refused text: control characters, characters without a byte, quotes,
    # and bytes that are not UTF-8; nothing is written --------------------------
    before = (folder / "templates/tool0.sif").read_bytes()
    for value, says in (("a\x1bb", "\\x1B"), ("a\x7fb", "\\x7F"), ("a\x81b", "\\x81"), ("a\x9db", "\\x9D"), ("Zażółć", "U+017C"), ('say "hi"', "double quote"),
                        (b"\xff\xfe", "not UTF-8")):
        r = on_share("edit", sif_arg, "--description", value)
        check(r.returncode == 2 and says in r.stderr.decode("utf-8", "replace"),
              f"refusal of {value!r}: {r.returncode} {r.stderr!r}")
    check((folder / "templates/tool0.sif").read_bytes() == before, "a refused edit changed the file")
    r = on_share("edit", sif_arg, "--description", "tab\there")
    check(r.returncode == 0 and b'Description = "tab here"' in (folder / "templates/tool0.sif").read_bytes(),
          "a tab becomes a blank")

    # ---- stored control bytes are printed escaped -----------------------------
    crafted = folder / "templates/tool5.sif"
    crafted.write_bytes(b'[OSChooser]\r\nDescription = "\x1b]0;owned\x07\x1b[31mred"\r\n'
                        b'Help = "\x1b[2J"\r\nLaunchFile = "' + server.encode() + b'tool0.ldr"\r\n')
    for args in (("list",), ("show", server + "templates\\tool5.sif"), ("show", str(crafted))):
        out = on_share(*args).stdout if args[0] == "list" or not args[1].startswith("/") else run(*args).stdout
        check(b"\x1b" not in out and b"\x07" not in out, f"{args[0]} sent raw control bytes")
        check(b"\\x1B]0;owned\\x07\\x1B[31mred" in out, f"{args[0]} escapes them: {out!r}")
    js = on_share("--json", "list").stdout.decode()
    check("\\u001b]0;owned\\u0007" in js, "json escapes control bytes")

    # ---- OSChooser files that are not for editing -----------------------------
    odd = {"tool6.sif": "[OSChooser]\r\nDescription = \"u\"\r\n".encode("utf-16"),
           "tool7.sif": b'Description = "x"\r\nLaunchFile = "' + server.encode() + b'tool0.ldr"\r\n',
           "tool8.sif": b""}
    for name, content in odd.items():
        (folder / "templates" / name).write_bytes(content)
    check(on_share("list").returncode == 0, "list with odd files")
    for name, content in odd.items():
        r = on_share("edit", server + "templates\\" + name, "--description", "new")
        check(r.returncode == 1 and b"left unchanged" in r.stderr, f"edit of {name}: {r.stderr!r}")
        check((folder / "templates" / name).read_bytes() == content, f"{name} was changed")
        (folder / "templates" / name).unlink()
    crafted.unlink()

    # ---- a missing loader is made again by a loader change ---------------------
    (folder / "tool0.ldr").unlink()
    check(on_share("edit", sif_arg, "--description", "only text").returncode == 0, "edit without loader")
    check(not (folder / "tool0.ldr").exists(), "a text edit created the loader")
    r = on_share("edit", sif_arg, "--item", "1", "", "Hard drive", "")
    check(r.returncode == 0 and (folder / "tool0.ldr").exists(), f"loader not made again: {r.stderr!r}")
    shown = json.loads(on_share("--json", "show", sif_arg).stdout)
    check(shown.get("serverPath") == server and shown.get("kind") == "single", f"made loader: {shown}")

    # ---- --help and -h are always help; a file of that name follows "--" -------
    for args in (("template", "-h"), ("new", "--help"), ("check", "-h"), ("show", "-h"),
                 ("new", "x.ldr", "--title", "t", "-h"), ("--share", str(share), "edit", "-h")):
        r = run(*args, cwd=tmp)
        check(r.returncode == 0 and b"usage" in r.stdout, f"{args} is not help")
    check(not (tmp / "-h").exists() and not (tmp / "--help").exists() and not (tmp / "x.ldr").exists(),
          "a help request wrote a file")
    check(run("template", "--", "-h", cwd=tmp).returncode == 0 and (tmp / "-h").exists(), "template -- -h")

    # ---- numbers and limits ------------------------------------------------------
    out = str(tmp / "n.ldr")
    for args in (("--colors", "0x1FFFF"), ("--colors", "0x8007"), ("--colors", " 7"), ("--item", "1x", "a", "b", "c"),
                 ("--item", "-0", "a", "b", "c"), ("--item", "18446744073709551616", "a", "b", "c"),
                 ("--title", "T" * 76), ("--item", "1", "", "D" * 66, ""), ("--item", "1", "", "d", "H" * 261),
                 ("--server-path", "S" * 116 + "\\", "--item", "1", "abcdefgh.img", "d", ""),
                 ("--item", "1", "a/b.img", "d", "")):
        r = run("new", out, *args)
        check(r.returncode == 2 and not os.path.exists(out), f"new {args[:2]}: {r.returncode} {r.stderr!r}")
    check(run("new", out, "--server-path", "S" * 114 + "\\", "--item", "1", "abcdefgh.img", "d", "").returncode == 0,
          "127 characters are allowed")
    r = on_share("edit", sif_arg, "--remove-item", "99999999999999999999")
    check(r.returncode == 2, "--remove-item out of range")
    check(on_share("testboot", sif_arg, "--timeout", "abc").returncode == 2, "--timeout abc")
    for capacity in ("abc", "4294967298", "-2", ""):
        img = tmp / "c.img"
        r = subprocess.run([IMAGE_TOOL, "create", str(img), "--capacity", capacity], capture_output=True)
        check(r.returncode != 0 and not img.exists(), f"--capacity {capacity!r} made an image")
    r = subprocess.run([IMAGE_TOOL, "create", "-h"], capture_output=True, cwd=tmp)
    check(r.returncode == 0 and not (tmp / "-h.img").exists(), "menvolt-image create -h")

print("text input:", "FAILED" if failures else "all checks passed")
sys.exit(1 if failures else 0)
