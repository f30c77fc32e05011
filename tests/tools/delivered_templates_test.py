#!/usr/bin/env python3
"""The delivered template collection as the build made it.

The index (read here as code page 932 text, not with our reader) names at least ten
groups; each group's folder exists and holds template files that are compound files
(olefile); at least 60 templates in all. `velmo-tool templates` lists every one of
them, draws all of them into one contact sheet without a missing face or picture, and
finds a label position of the delivered catalogue for each; the contact sheet is a
picture of the size the listing calls for, and no cell of it is left blank. Without
an index the command lists the same collection.
"""
import configparser
import os
import subprocess
import sys
import tempfile

import olefile
from PIL import Image


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def main():
    build = sys.argv[1]
    tool = os.path.join(build, "src", "velmo-tool")
    root = os.path.join(build, "data", "Data", "Template")
    index = os.path.join(root, "Template.dat")
    with open(index, "rb") as f:
        text = f.read().decode("cp932")
    parser = configparser.ConfigParser(comment_prefixes=(";",), interpolation=None)
    parser.optionxform = str
    parser.read_string(text)
    files = set()
    groups = 0
    for section in parser.sections():
        names = parser[section]["Name"].split(",")
        dirs = parser[section]["Dir"].split(",")
        if len(names) != len(dirs):
            fail(f"[{section}]: {len(names)} names, {len(dirs)} folders")
        for name, folder in zip(names, dirs):
            path = os.path.join(root, folder.replace("\\", "/"))
            found = [f for f in os.listdir(path) if f.endswith(".lbt")] if os.path.isdir(path) else []
            if not found:
                fail(f"group {name} ({folder}) holds no template")
            for f in found:
                full = os.path.join(path, f)
                if not olefile.isOleFile(full):
                    fail(f"{full} is not a compound file")
                files.add(os.path.relpath(full, root))
            groups += 1
    if groups < 10 or len(files) < 60:
        fail(f"{groups} groups and {len(files)} templates; at least 10 and 60 are delivered")
    for section in ("*", "CD", "CDCover", "CDCaseTray", "MOSquare"):
        if section not in parser.sections():
            fail(f"no section [{section}]")

    with tempfile.TemporaryDirectory() as work:
        sheet = os.path.join(work, "contact.png")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=work)
        run = subprocess.run([tool, "templates", index, "--sheet", sheet, "--catalogue",
                              os.path.join(build, "data", "velmo.ppr")],
                             capture_output=True, text=True, env=env, timeout=600)
        if run.returncode != 0:
            fail("velmo-tool templates: " + run.stderr)
        rows = [line.split("\t") for line in run.stdout.splitlines()]
        listed = {r[2] for r in rows}
        if listed != files:
            fail(f"listed and delivered differ: {sorted(listed ^ files)[:10]}")
        if any(len(r) != 5 for r in rows):
            fail("a listed template is blank or malformed")
        image = Image.open(sheet).convert("RGB")
        columns, cell_w, cell_h, gap = 8, 220, 220 + 44, 12
        expected_rows = (len(rows) + columns - 1) // columns
        if image.size != (columns * (cell_w + gap) + gap, expected_rows * (cell_h + gap) + gap):
            fail(f"contact sheet of {image.size} for {len(rows)} templates")
        for i in range(len(rows)):
            x = gap + (i % columns) * (cell_w + gap)
            y = gap + (i // columns) * (cell_h + gap)
            cell = image.crop((x, y, x + cell_w, y + cell_w))
            colours = cell.getcolors(cell_w * cell_w)
            if colours is None:
                continue  # thousands of colours: clearly drawn
            drawn = sum(n for n, c in colours if c not in ((0xE8, 0xE8, 0xE8), (255, 255, 255)))
            if drawn < 200:
                fail(f"{rows[i][2]} #{rows[i][4]} draws (almost) nothing")
            if any(c == (0xFF, 0xD0, 0xD0) and n > 1000 for n, c in colours):
                fail(f"{rows[i][2]} #{rows[i][4]} could not be drawn")
        # Without an argument the command lists the delivered collection, as
        # `papers` lists the delivered catalogue.
        bare = subprocess.run([tool, "templates"], capture_output=True, text=True, env=env, timeout=600)
        named = subprocess.run([tool, "templates", index], capture_output=True, text=True, env=env, timeout=600)
        if bare.returncode != 0 or named.returncode != 0:
            fail("velmo-tool templates without an index: " + bare.stderr + named.stderr)
        if bare.stdout != named.stdout or not bare.stdout:
            fail("velmo-tool templates without an index lists something else than the delivered index")
    print(f"ok: {len(files)} templates in {groups} groups, {len(rows)} entries")


if __name__ == "__main__":
    main()
