#!/usr/bin/python3
"""Decodes barcode pictures with two independent decoders, ZBar (zbarimg) and ZXing
(zxing-cpp's Python binding), and prints one JSON object: for each file the bytes
each decoder read, as hex ("" when it read nothing), and the symbology it saw.
Usage: decode.py FILE.png...
       decode.py --pdf-ops FILE.pdf: counts of the filled rectangles ("re" … "f"), of
       the fills that take them and of the pictures (image XObjects) in the PDF."""
import json
import re
import zlib
import subprocess
import sys

import zxingcpp
from PIL import Image


def zbar(path):
    # -Sbinary gives the symbol's bytes as they are (no text conversion, no type
    # prefix, no line end); the plain run names the symbology.
    data = subprocess.run(["zbarimg", "-q", "-Sbinary", path], capture_output=True, timeout=120)
    if data.returncode != 0:
        return "", ""
    named = subprocess.run(["zbarimg", "-q", path], capture_output=True, timeout=120)
    kind = named.stdout.split(b":", 1)[0].decode("ascii", "replace") if b":" in named.stdout else ""
    return data.stdout.hex(), kind


def zxing_one(path, downscale):
    with Image.open(path) as image:
        results = zxingcpp.read_barcodes(image.convert("L"), try_downscale=downscale)
    if not results:
        return "", ""
    result = results[0]
    data = result.bytes if hasattr(result, "bytes") else result.text.encode("latin-1", "replace")
    return bytes(data).hex(), result.format.name


def zxing_child(downscale, paths):
    """Decodes in this process, one JSON line per file as soon as it is read."""
    for path in paths:
        data, kind = zxing_one(path, downscale)
        print(json.dumps([path, data, kind]), flush=True)


def zxing_all(paths):
    """zxing-cpp 2.0 may abort on an assertion while it merges the results it found
    at several scales; such a file is read again without the smaller scales, in a
    process of its own, so one abort costs no other file its result."""
    found = {}
    pending = list(paths)
    downscale = True
    while pending:
        mode = "--zxing-child" if downscale else "--zxing-child-full"
        run = subprocess.run([sys.executable, __file__, mode] + pending, capture_output=True, timeout=600)
        for line in run.stdout.decode("utf-8", "replace").splitlines():
            path, data, kind = json.loads(line)
            found[path] = (data, kind)
        pending = [p for p in pending if p not in found]
        if run.returncode != 0 and pending:
            if downscale:
                # The first unread file is the one that aborted: once more at full scale.
                crashed = pending[0]
                again = subprocess.run([sys.executable, __file__, "--zxing-child-full", crashed],
                                       capture_output=True, timeout=600)
                for line in again.stdout.decode("utf-8", "replace").splitlines():
                    path, data, kind = json.loads(line)
                    found[path] = (data, kind)
                if crashed not in found:
                    found[crashed] = ("", "")
                pending = pending[1:]
            else:
                found[pending[0]] = ("", "")
                pending = pending[1:]
    return found


def pdf_ops(path):
    with open(path, "rb") as f:
        data = f.read()
    rects = 0
    fills = 0
    for match in re.finditer(rb"stream\r?\n(.*?)endstream", data, re.S):
        body = match.group(1)
        try:
            body = zlib.decompress(body)
        except zlib.error:
            pass
        # Rectangles gathered into one fill ("re re … re f") count one each.
        for group in re.findall(rb"((?:[-\d.]+\s+[-\d.]+\s+[-\d.]+\s+[-\d.]+\s+re\s+)+)f\b", body):
            rects += len(re.findall(rb"\bre\b", group))
            fills += 1
    images = len(re.findall(rb"/Subtype\s*/Image", data))
    return {"rects": rects, "fills": fills, "images": images}


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--pdf-ops":
        json.dump(pdf_ops(sys.argv[2]), sys.stdout)
        return
    if len(sys.argv) >= 2 and sys.argv[1] in ("--zxing-child", "--zxing-child-full"):
        zxing_child(sys.argv[1] == "--zxing-child", sys.argv[2:])
        return
    report = {}
    paths = sys.argv[1:]
    zx = zxing_all(paths)
    for path in paths:
        zb, zbk = zbar(path)
        report[path] = {"zbar": zb, "zbar_kind": zbk, "zxing": zx[path][0], "zxing_kind": zx[path][1]}
    json.dump(report, sys.stdout)


if __name__ == "__main__":
    main()
