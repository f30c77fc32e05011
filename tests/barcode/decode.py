#!/usr/bin/python3
"""Decodes barcode pictures with two independent decoders, ZBar (zbarimg) and ZXing
(zxing-cpp's Python binding), and prints one JSON object: for each file the bytes
each decoder read, as hex ("" when it read nothing), and the symbology it saw.
Usage: decode.py FILE.png...
       decode.py --pdf-ops FILE.pdf: counts of the filled rectangles ("re" then "f")
       and of the pictures (image XObjects) in the PDF's content."""
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


def zxing(path):
    with Image.open(path) as image:
        results = zxingcpp.read_barcodes(image.convert("L"))
    if not results:
        return "", ""
    result = results[0]
    data = result.bytes if hasattr(result, "bytes") else result.text.encode("latin-1", "replace")
    return bytes(data).hex(), result.format.name


def pdf_ops(path):
    with open(path, "rb") as f:
        data = f.read()
    rects = 0
    for match in re.finditer(rb"stream\r?\n(.*?)endstream", data, re.S):
        body = match.group(1)
        try:
            body = zlib.decompress(body)
        except zlib.error:
            pass
        rects += len(re.findall(rb"\bre\s+f\b", body))
    images = len(re.findall(rb"/Subtype\s*/Image", data))
    return {"rects": rects, "images": images}


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--pdf-ops":
        json.dump(pdf_ops(sys.argv[2]), sys.stdout)
        return
    report = {}
    for path in sys.argv[1:]:
        zb, zbk = zbar(path)
        zx, zxk = zxing(path)
        report[path] = {"zbar": zb, "zbar_kind": zbk, "zxing": zx, "zxing_kind": zxk}
    json.dump(report, sys.stdout)


if __name__ == "__main__":
    main()
