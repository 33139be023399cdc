#!/usr/bin/env python3
"""Checks the includes between the tree's folders against the table of floors in
docs/ARCHITECTURE.md: every #include "FOLDER/..." must be allowed there (no arrow up), and the
allowed arrows themselves must form no circle.

    check_layers.py SOURCE_DIR

A folder's own tests (FOLDER/tests/) may include what the folder may, the folder itself and
tests/support. Prints one line per fault and exits 1, or a summary and exits 0.
"""
import pathlib
import re
import sys

ROW = re.compile(r"^\|\s*`([a-z_/]+)/`\s*\|[^|]*\|([^|]*)\|\s*$")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z_]+(?:/[a-z_]+)?)/')
SOURCES = {".cpp", ".h"}


def read_table(architecture):
    """{folder: set of folders it may include}, from the rows of the floors table."""
    allowed = {}
    for line in architecture.read_text(encoding="utf-8").splitlines():
        m = ROW.match(line)
        if m:
            allowed[m.group(1)] = set(re.findall(r"`([a-z_/]+)/`", m.group(2)))
    return allowed


def folder_of(relative, folders):
    """The table's folder that holds this file (the longest that matches), or None."""
    parts = relative.parts
    for n in (2, 1):
        candidate = "/".join(parts[:n])
        if len(parts) > n and candidate in folders:
            return candidate
    return None


def target_of(included, folders):
    """The table's folder an include names: "world/x.h" -> world, "tests/support/x.h" -> tests/support."""
    for candidate in (included, included.split("/")[0]):
        if candidate in folders:
            return candidate
    return None


def find_circle(allowed):
    """A list of folders that allow each other round, or None."""
    state = {}

    def visit(node, path):
        state[node] = "open"
        for nxt in sorted(allowed.get(node, ())):
            if state.get(nxt) == "open":
                return path[path.index(nxt):] + [nxt] if nxt in path else path + [nxt]
            if nxt not in state:
                found = visit(nxt, path + [nxt])
                if found:
                    return found
        state[node] = "done"
        return None

    for start in sorted(allowed):
        if start not in state:
            found = visit(start, [start])
            if found:
                return found
    return None


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip().splitlines()[-4], file=sys.stderr)
        return 64
    root = pathlib.Path(argv[1])
    allowed = read_table(root / "docs" / "ARCHITECTURE.md")
    if not allowed:
        print("layers: no table of floors in docs/ARCHITECTURE.md")
        return 1
    faults = []
    for folder, targets in sorted(allowed.items()):
        for target in sorted(targets - set(allowed)):
            faults.append(f"docs/ARCHITECTURE.md: `{folder}/` may include `{target}/`, which the table does not list")
    circle = find_circle(allowed)
    if circle:
        faults.append("docs/ARCHITECTURE.md: the floors form a circle: " + " -> ".join(circle))

    files = arrows = 0
    for path in sorted(root.rglob("*")):
        relative = path.relative_to(root)
        if path.suffix not in SOURCES or relative.parts[0] in ("build", ".git") or not path.is_file():
            continue
        folder = folder_of(relative, allowed)
        if folder is None:
            faults.append(f"{relative}: in no folder of the table of floors")
            continue
        files += 1
        is_test = "tests" in relative.parts[len(folder.split("/")):-1]
        may = allowed[folder] | {folder} | ({"tests/support"} if is_test else set())
        for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            m = INCLUDE.match(line)
            if not m:
                continue
            target = target_of(m.group(1), allowed)
            if target is None:
                continue  # a header of the system or of a library
            arrows += 1
            if target not in may:
                faults.append(f"{relative}:{number}: `{folder}/` includes `{target}/`, which the table does not allow")
    for fault in faults:
        print(fault)
    if faults:
        return 1
    print(f"layers: {files} files, {arrows} includes between folders, all allowed; {len(allowed)} floors, no circle")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
