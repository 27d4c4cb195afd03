#!/usr/bin/env python3
"""Keeps the floor table of docs/architecture.md true.

With one include root every header is reachable from every folder, so the
build no longer refuses an upward include; this test does. It reads the
table ("may include" names folders or single headers in backticks, "every
floor below" means the folders of the lower floors) and fails on any
`#include "folder/..."` that the including folder's row does not allow.
A folder's tests (tests/<folder>/) may include what the folder may, the
folder itself, tests/support/ and the application object; the cross-cutting
test folders are not held to a row. Usage: floors_test.py SOURCE_ROOT
"""
import os
import re
import sys

SOURCE_SUFFIXES = (".c", ".h", ".cpp", ".hpp")
CROSS_CUTTING_TESTS = ("tests/support/", "tests/e2e/", "tests/fuzz/", "tests/docs/", "tests/help/")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def read_rows(guide):
    """Folder -> (floor, allowed prefixes), from the table under 'Floors'."""
    text = open(guide, encoding="utf-8").read()
    section = text.split("## Floors", 1)[1].split("\n## ", 1)[0]
    rows = {}
    for line in section.splitlines():
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) != 3 or not re.fullmatch(r"\d+|-", cells[0]):
            continue
        folder = re.search(r"`([^`]+/)`", cells[1])
        if not folder:
            sys.exit("floors: no folder in row: " + line)
        allowed = re.findall(r"`([^`]+)`", cells[2])
        rows[folder.group(1)] = (cells[0], allowed, "every floor below" in cells[2])
    if not rows:
        sys.exit("floors: no table under '## Floors' in " + guide)
    direct = {}
    for folder, (floor, allowed, below) in rows.items():
        if below:
            allowed = allowed + [f for f, r in rows.items() if r[0] != "-" and floor != "-" and int(r[0]) < int(floor)]
        direct[folder] = allowed
    # What a folder may include it may reach through: the floors below come
    # with a folder the row names, as the targets' public links bring them.
    resolved = {}
    for folder in direct:
        reach, todo = set(), list(direct[folder])
        while todo:
            item = todo.pop()
            if item in reach:
                continue
            reach.add(item)
            todo.extend(direct.get(item, []))
        resolved[folder] = sorted(reach)
    return resolved


def row_of(path, rows):
    """The row whose folder is the longest prefix of `path`, or None."""
    best = None
    for folder in rows:
        if path.startswith(folder) and (best is None or len(folder) > len(best)):
            best = folder
    return best


def check(root, rows):
    faults = []
    for top, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if not d.startswith((".", "build"))]
        for name in files:
            if not name.endswith(SOURCE_SUFFIXES):
                continue
            path = os.path.relpath(os.path.join(top, name), root).replace(os.sep, "/")
            if path.startswith(CROSS_CUTTING_TESTS):
                continue
            subject = path[len("tests/"):] if path.startswith("tests/") else path
            folder = row_of(subject, rows)
            if folder is None:
                if "/" in path:
                    faults.append(f"{path}: its folder has no row in the floor table")
                continue
            allowed = rows[folder] + [folder]
            if path.startswith("tests/"):
                allowed = allowed + ["tests/support/", "tests/" + folder, "app/editor_app.h"]
            text = open(os.path.join(root, path), encoding="utf-8", errors="replace").read()
            for target in INCLUDE.findall(text):
                if "/" not in target:
                    continue
                if row_of(target, rows) == folder and not path.startswith("tests/"):
                    continue
                if not any(target == a or (a.endswith("/") and target.startswith(a)) for a in allowed):
                    faults.append(f'{path}: #include "{target}" is not on a floor that {folder} may include')
    return faults


def check_target_edits(root):
    """A folder's CMakeLists.txt changes only the targets it makes itself:
    a link added from elsewhere is an include the table cannot see."""
    lists = {}
    for top, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if not d.startswith((".", "build")) and d != "tests"]
        if "CMakeLists.txt" in files:
            lists[os.path.relpath(top, root)] = open(os.path.join(top, "CMakeLists.txt"), encoding="utf-8").read()
    made = {}
    for folder, text in lists.items():
        for target in re.findall(r"^\s*add_(?:library|executable)\(\s*([\w-]+)", text, re.M):
            made[target] = folder
    faults = []
    for folder, text in lists.items():
        for target in re.findall(r"^\s*target_\w+\(\s*([\w-]+)", text, re.M):
            if made.get(target, folder) != folder:
                faults.append(f"{folder}/CMakeLists.txt: changes {target}, which {made[target]}/ makes")
    return faults


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    faults = check(root, read_rows(os.path.join(root, "docs", "architecture.md"))) + check_target_edits(root)
    for fault in faults:
        print(fault)
    print(f"floors: {len(faults)} fault(s) against the table in docs/architecture.md")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
