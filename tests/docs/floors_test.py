#!/usr/bin/env python3
"""floors_test.py SOURCE_ROOT: holds every `#include "folder/..."` to the
floor table of docs/architecture.md (with one include root the build would
take an upward include), and every CMakeLists.txt to its own targets."""
import os
import re
import sys

UNHELD_TESTS = ("tests/support/", "tests/e2e/", "tests/fuzz/", "tests/docs/", "tests/help/")


def read_rows(guide):
    """Folder -> every prefix it may include: the row's own, and those of
    the folders it names (a public link brings them)."""
    section = open(guide, encoding="utf-8").read().split("## Floors", 1)[1].split("\n## ", 1)[0]
    rows = {}
    for line in section.splitlines():
        cells = [c.strip() for c in line.strip().strip("|").split("|")]
        if len(cells) == 3 and re.fullmatch(r"\d+|-", cells[0]):
            folder = re.search(r"`([^`]+/)`", cells[1]).group(1)
            rows[folder] = (cells[0], re.findall(r"`([^`]+)`", cells[2]), "every floor below" in cells[2])
    if not rows:
        sys.exit("floors: no table under '## Floors' in " + guide)
    direct = {f: names + ([g for g, r in rows.items() if r[0] != "-" and floor != "-" and int(r[0]) < int(floor)]
                          if below else []) for f, (floor, names, below) in rows.items()}
    reach = {}
    for folder in direct:
        seen, todo = set(), list(direct[folder])
        while todo:
            item = todo.pop()
            if item not in seen:
                seen.add(item)
                todo.extend(direct.get(item, []))
        reach[folder] = seen
    return reach


def row_of(path, rows):
    return max((f for f in rows if path.startswith(f)), key=len, default=None)


def sources(root):
    for top, dirs, files in os.walk(root):
        dirs[:] = [d for d in dirs if not d.startswith((".", "build"))]
        for name in files:
            yield top, name, os.path.relpath(os.path.join(top, name), root).replace(os.sep, "/")


def include_faults(root, rows):
    for top, name, path in sources(root):
        if not name.endswith((".c", ".h", ".cpp")) or path.startswith(UNHELD_TESTS):
            continue
        is_test = path.startswith("tests/")
        folder = row_of(path[6:] if is_test else path, rows)
        if folder is None:
            if "/" in path:
                yield f"{path}: its folder has no row in the floor table"
            continue
        allowed = rows[folder] | {folder} | ({"tests/support/", "tests/" + folder, "app/editor_app.h"} if is_test else set())
        text = open(os.path.join(top, name), encoding="utf-8", errors="replace").read()
        for target in re.findall(r'^\s*#\s*include\s+"([^"]+/[^"]+)"', text, re.M):
            home = row_of(target, rows)  # platform/framework/ is not platform/
            if not (target in allowed or home in allowed or (home is None and any(map(target.startswith, allowed)))):
                yield f'{path}: #include "{target}" is not on a floor that {folder} may include'


def target_faults(root):
    """A link added to another folder's target is an include the table cannot see."""
    lists = {os.path.dirname(path): open(os.path.join(top, name), encoding="utf-8").read()
             for top, name, path in sources(root) if name == "CMakeLists.txt" and not path.startswith("tests/")}
    made = {t: f for f, text in lists.items() for t in re.findall(r"^\s*add_(?:library|executable)\(\s*([\w-]+)", text, re.M)}
    for folder, text in lists.items():
        for target in re.findall(r"^\s*target_\w+\(\s*([\w-]+)", text, re.M):
            if made.get(target, folder) != folder:
                yield f"{folder}/CMakeLists.txt: changes {target}, which {made[target]}/ makes"


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    faults = list(include_faults(root, read_rows(os.path.join(root, "docs", "architecture.md")))) + list(target_faults(root))
    print("\n".join(faults + [f"floors: {len(faults)} fault(s) against the table in docs/architecture.md"]))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
