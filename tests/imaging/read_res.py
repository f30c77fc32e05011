#!/usr/bin/python3
"""An independent reader of resource files (.res), written from the published
layout: records of DataSize and HeaderSize (little-endian 32-bit), then the type and
the name, each 0xFFFF and a 16-bit ordinal or a zero-terminated UTF-16 string; data
at the record start plus HeaderSize rounded up to 4; the next record after the data
rounded up to 4.

Prints one line per record: TYPE NAME DATASIZE DATAOFFSET [WIDTH HEIGHT BITS MODE],
the picture part for bitmap records ("#2", and "CBM" whose data is a compressed
container and is reported as such), decoded with Pillow from the DIB with a file
header put in front."""
import io
import struct
import sys
import zlib

from PIL import Image


def read_id(data, pos):
    (first,) = struct.unpack_from("<H", data, pos)
    if first == 0xFFFF:
        (ordinal,) = struct.unpack_from("<H", data, pos + 2)
        return "#%d" % ordinal, pos + 4
    chars = []
    while True:
        (c,) = struct.unpack_from("<H", data, pos)
        pos += 2
        if c == 0:
            break
        chars.append(chr(c))
    return "".join(chars), pos


def dib_to_bmp(dib):
    header_size, = struct.unpack_from("<I", dib, 0)
    bits, = struct.unpack_from("<H", dib, 14)
    compression, = struct.unpack_from("<I", dib, 16)
    colours_used, = struct.unpack_from("<I", dib, 32)
    colours = colours_used or (1 << bits if bits <= 8 else 0)
    offset = 14 + header_size + 4 * colours + (12 if compression == 3 else 0)
    return b"BM" + struct.pack("<IHHI", 14 + len(dib), 0, 0, offset) + dib


def main():
    data = open(sys.argv[1], "rb").read()
    pos = 0
    while pos + 8 <= len(data):
        size, header = struct.unpack_from("<II", data, pos)
        rtype, at = read_id(data, pos + 8)
        name, at = read_id(data, at)
        offset = pos + ((header + 3) & ~3)
        line = "%s %s %d %d" % (rtype, name, size, offset)
        body = data[offset:offset + size]
        if rtype == "#2":
            image = Image.open(io.BytesIO(dib_to_bmp(body)))
            image.load()
            line += " %d %d %d %s" % (image.width, image.height, struct.unpack_from("<H", body, 14)[0], image.mode)
        elif rtype.upper() == "CBM":
            # "ZLIBCompress" 0x1A, the 32-bit size, then a zlib stream of a BMP file.
            assert body[:13] == b"ZLIBCompress\x1a", body[:13]
            (length,) = struct.unpack_from("<I", body, 13)
            bmp = zlib.decompress(body[17:])
            assert len(bmp) == length
            image = Image.open(io.BytesIO(bmp))
            image.load()
            line += " %d %d %d %s" % (image.width, image.height, struct.unpack_from("<H", bmp, 28)[0], image.mode)
        print(line)
        pos += ((header + 3) & ~3) + ((size + 3) & ~3)


main()
