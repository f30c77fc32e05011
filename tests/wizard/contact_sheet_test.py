#!/usr/bin/python3
"""Every delivered wizard design and matching sheet: velmo-tool checks that each face
a text names is installed or has a stand-in, each picture decodes, each folder the
data files name holds designs and each paper they name is in the catalogue; the
contact sheet it draws of all of them is then read back with Pillow, an independent
reader, and every tile must show a drawing (not a blank or unreadable tile).

usage: contact_sheet_test.py BUILD_DIR [OUT.png]
"""
import os
import shutil
import subprocess
import sys
import tempfile

from PIL import Image

BUILD = sys.argv[1]
OUT = sys.argv[2] if len(sys.argv) > 2 else os.path.join(BUILD, "wizard-contact-sheet.png")
TOOL = os.path.join(BUILD, "src", "velmo-tool")
DATA = os.path.join(BUILD, "data", "Data")


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def main():
    r = subprocess.run([TOOL, "wizards", DATA, "--check", "--contact-sheet", OUT], capture_output=True, text=True)
    if r.returncode != 0:
        fail("velmo-tool wizards --check:\n" + r.stdout + r.stderr)
    lines = r.stdout.splitlines()
    checked = [l for l in lines if l.startswith("checked ")]
    if not checked:
        fail("no check summary:\n" + r.stdout)
    files = int(checked[0].split()[1])
    genres = [l for l in lines if l.startswith("Wizard.dat:") or l.startswith("Osoroi.dat:")]
    if genres != ["Wizard.dat: 12 genres", "Osoroi.dat: 5 genres"]:
        fail("genres: %s" % genres)
    designs = sum(int(l.rsplit(";", 1)[1].split()[0]) for l in lines if l.startswith("    ") and ";" in l)
    if files < 90:
        fail("only %d design files" % files)
    image = Image.open(OUT).convert("RGB")
    side, columns = 200, 8
    rows = (files + columns - 1) // columns
    if image.size != (columns * side, rows * (side + 34)):
        fail("contact sheet is %s for %d designs" % (image.size, files))
    for i in range(files):
        x, y = (i % columns) * side, (i // columns) * (side + 34)
        tile = image.crop((x + 4, y + 4, x + side - 4, y + side - 4))
        colours = tile.getcolors(maxcolors=1 << 16)
        # A drawn design has many colours; an empty or unreadable tile has one or two.
        if colours is not None and len(colours) < 6:
            fail("tile %d of the contact sheet is empty" % i)
        red = sum(1 for p in tile.getdata() if p[0] > 200 and p[1] < 40 and p[2] < 40)
        if red > 0.5 * tile.size[0] * tile.size[1]:
            fail("tile %d shows the unreadable mark" % i)
    print("contact sheet: %d design files (%d listed by the data files) drawn into %s" % (files, designs, OUT))
    check_refuses_missing_orientation()


def check_refuses_missing_orientation():
    """Both orientations of every matching-label item are offered: --check fails
    when a landscape folder is gone or empty, naming it."""
    with tempfile.TemporaryDirectory() as tmp:
        data = os.path.join(tmp, "Data")
        shutil.copytree(os.path.join(DATA, "Osoroi"), os.path.join(data, "Osoroi"))
        ok = subprocess.run([TOOL, "wizards", data, "--check"], capture_output=True, text=True)
        if ok.returncode != 0:
            fail("the copied matching-label data does not pass:\n" + ok.stderr)
        if "landscape" in ok.stderr:
            fail(ok.stderr)
        shutil.rmtree(os.path.join(data, "Osoroi", "Home", "Names", "Landscape"))
        names = os.path.join(data, "Osoroi", "Season", "NewYear", "Landscape")
        for f in os.listdir(names):
            os.remove(os.path.join(names, f))
        r = subprocess.run([TOOL, "wizards", data, "--check"], capture_output=True, text=True)
        if r.returncode == 0:
            fail("--check passes with a landscape folder missing and one empty")
        for expected in ("landscape folder", "Names", "NewYear", "does not exist", "holds no designs"):
            if expected not in r.stderr:
                fail("--check does not say %r:\n%s" % (expected, r.stderr))
        # A portrait sheet in a landscape folder is no landscape design.
        portrait = os.path.join(data, "Osoroi", "Season", "NewYear")
        shutil.copy(os.path.join(portrait, "nenga.lbd"), os.path.join(names, "nenga.lbd"))
        r = subprocess.run([TOOL, "wizards", data, "--check"], capture_output=True, text=True)
        if "is not a landscape sheet" not in r.stderr:
            fail("a portrait sheet in a landscape folder passes:\n" + r.stderr)
    print("--check refuses a missing, an empty and a wrongly turned landscape folder")


if __name__ == "__main__":
    main()
