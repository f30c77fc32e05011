#!/usr/bin/python3
"""Fails when a source file includes a header of a library its own library may not use.

The rule is the table in docs/architecture.md: each row names a library's folder under
src/ and, in its "uses" column, the folders it may include from directly; what those
use comes with them. Folder names in the column are plain words before the first ";"
(outside libraries, capitalised, follow
it). Usage: check-includes.py SOURCE_DIR
"""
import os
import re
import sys


def read_table(doc_path):
    uses = {}
    with open(doc_path, encoding="utf-8") as doc:
        for line in doc:
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            if len(cells) != 4:
                continue
            folder = re.fullmatch(r"`src/([a-z_]+)`", cells[1])
            if not folder:
                continue
            inside = cells[3].split(";")[0]
            words = [w for w in re.split(r"[,\s]+", inside) if w]
            uses[folder.group(1)] = [w for w in words if re.fullmatch(r"[a-z_]+", w)]
    return uses


def closure(uses, folder, seen=None):
    seen = set() if seen is None else seen
    for below in uses.get(folder, []):
        if below not in seen:
            seen.add(below)
            closure(uses, below, seen)
    return seen


def self_test():
    """The check must catch a wrong include in a small tree of its own making."""
    import tempfile
    with tempfile.TemporaryDirectory() as root:
        os.makedirs(os.path.join(root, "docs"))
        for folder in ("low", "high"):
            os.makedirs(os.path.join(root, "src", folder, "main"))
        with open(os.path.join(root, "docs", "architecture.md"), "w", encoding="utf-8") as doc:
            doc.write("| library | folder | holds | uses |\n| --- | --- | --- | --- |\n"
                      "| `velmo_low` | `src/low` | x | Qt Core; zlib (private) |\n"
                      "| `velmo_high` | `src/high` | y | low; Qt Gui |\n")
        def write(path, text):
            with open(os.path.join(root, "src", path), "w", encoding="utf-8") as f:
                f.write(text)
        write("high/UHigh.cpp", '#include "low/ULow.h"\n#include "high/UHigh.h"\n')
        write("low/ULow.h", '#include <QString>\n')
        if check(root, quiet=True):
            return "a tree that follows its table was refused"
        write("low/main/tool.cpp", '  #  include "high/UHigh.h"\n')
        if not check(root, quiet=True):
            return "an include upwards in a subfolder was not found"
        return None


def main():
    if sys.argv[1:2] == ["--self-test"]:
        failure = self_test()
        print(failure or "the check finds a wrong include")
        return 1 if failure else 0
    root = sys.argv[1] if len(sys.argv) > 1 else "."
    return 1 if check(root) else 0


def check(root, quiet=False):
    uses = read_table(os.path.join(root, "docs", "architecture.md"))
    problems = []
    src = os.path.join(root, "src")
    folders = sorted(d for d in os.listdir(src) if os.path.isdir(os.path.join(src, d)))
    for folder in folders:
        if folder not in uses:
            problems.append(f"src/{folder}: no row in docs/architecture.md's table")
            continue
        for name in uses[folder]:
            if name not in uses:
                problems.append(f"docs/architecture.md: {folder} uses '{name}', which has no row")
    for folder in folders:
        allowed = closure(uses, folder) | {folder}
        for dirpath, _, files in os.walk(os.path.join(src, folder)):
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8") as source:
                    for number, line in enumerate(source, 1):
                        m = re.match(r'\s*#\s*include\s+"([a-z_]+)/', line)
                        if m and m.group(1) in uses and m.group(1) not in allowed:
                            rel = os.path.relpath(path, root)
                            problems.append(
                                f"{rel}:{number}: {folder} may not include {m.group(1)}/ "
                                f"(it uses {', '.join(sorted(allowed - {folder})) or 'nothing'})")
    if not quiet:
        for problem in problems:
            print(problem)
        if not problems:
            print(f"includes follow the table: {len(folders)} libraries")
    return problems


if __name__ == "__main__":
    sys.exit(main())
