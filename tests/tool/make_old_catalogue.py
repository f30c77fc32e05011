#!/usr/bin/env python3
"""Writes an older paper catalogue from its record layout, for the tool tests.

The records are component streams built here byte by byte; the compound file is made
by gsf (libgsf's tool), so neither comes from our own writers. Exit code 3 when gsf
is missing.
"""
import os
import shutil
import struct
import subprocess
import sys
import tempfile


def short(b):
    return bytes([len(b)]) + b


def integer(v):
    if -128 <= v < 128:
        return b"\x02" + struct.pack("<b", v)
    if -32768 <= v < 32768:
        return b"\x03" + struct.pack("<h", v)
    return b"\x04" + struct.pack("<i", v)


def string(text):
    return b"\x06" + short(text.encode("cp932"))


def ident(name):
    return b"\x07" + short(name)


def matrix(name, count_x, count_y, shape=b"fsRect"):
    body = b"TPF0" + short(b"TMatrixPaperInfo") + short(b"")
    body += short(b"Landscape") + b"\x08"
    body += short(b"Width") + integer(2100) + short(b"Height") + integer(2970)
    body += short(b"PaperName") + string(name) + short(b"GroupName") + string("A4")
    body += short(b"ReadOnly") + b"\x09"
    body += short(b"PaperPurpose") + string("宛名") + short(b"Technology") + integer(2)
    body += short(b"Version") + integer(0)
    for key, value in ((b"TopOffset", 105), (b"LeftOffset", 80), (b"BottomMargin", 20),
                       (b"RightMargin", 30), (b"FaceWidth", 900), (b"FaceHeight", 420),
                       (b"FaceCountX", count_x), (b"FaceCountY", count_y)):
        body += short(key) + integer(value)
    body += short(b"FaceShape") + ident(shape) + short(b"FacePurpose") + string("ADDR")
    body += short(b"FaceMargin") + integer(0)
    return body + b"\x00\x00"


def main():
    out = os.path.abspath(sys.argv[1])
    gsf = shutil.which("gsf")
    if not gsf:
        return 3
    with tempfile.TemporaryDirectory() as tree:
        os.makedirs(os.path.join(tree, "Papers"))
        os.makedirs(os.path.join(tree, "GroupList"))
        os.makedirs(os.path.join(tree, "Version"))
        with open(os.path.join(tree, "Papers", "P1"), "wb") as f:
            f.write(matrix("ABC 12面", 2, 6, b"fsRoundRect"))
        with open(os.path.join(tree, "Papers", "P2"), "wb") as f:
            f.write(matrix("定型ハガキ", 1, 1))
        with open(os.path.join(tree, "GroupList", "GroupList"), "wb") as f:
            f.write("A4\r\nハガキ\r\n".encode("cp932"))
        with open(os.path.join(tree, "Version", "Version"), "wb") as f:
            f.write(struct.pack("<i", 0))
        subprocess.run([gsf, "createole", out, "Papers", "GroupList", "Version"], cwd=tree, check=True,
                       stdout=subprocess.DEVNULL)
    return 0


if __name__ == "__main__":
    sys.exit(main())
