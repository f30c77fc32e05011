#!/usr/bin/python3
"""Writes BMP and JPEG variants with independent writers (ImageMagick, Pillow and
hand-made headers) into a folder, each with the pixels Pillow decodes from it (or, where
Pillow cannot read the variant, the pixels it was made from) as raw RGBA beside it.
A list "index.txt" names each picture and its reference: file width height ref."""
import io, os, random, struct, subprocess, sys
from PIL import Image

out = sys.argv[1]
os.makedirs(out, exist_ok=True)
index = []
random.seed(11)

def source(w=37, h=23):
    im = Image.new("RGB", (w, h))
    px = im.load()
    for y in range(h):
        for x in range(w):
            px[x, y] = ((x * 7) % 256, (y * 11) % 256, ((x + y) * 5) % 256)
    return im

def ref(name, im):
    rgba = im.convert("RGBA")
    with open(os.path.join(out, name + ".rgba"), "wb") as f:
        f.write(rgba.tobytes())
    index.append("%s %d %d %s.rgba" % (name, rgba.width, rgba.height, name))

def pillow_ref(name):
    ref(name, Image.open(os.path.join(out, name)))

base = source()
base.save(os.path.join(out, "src.png"))
magick = "/usr/bin/convert"

# ImageMagick: BMP2 (core header), BMP3 (info header), BMP (v4/v5), types and RLE.
for name, args in [
    ("im_bmp2_24.bmp", ["BMP2:"]),
    ("im_bmp2_8.bmp", ["-colors", "200", "-type", "Palette", "BMP2:"]),
    ("im_bmp3_24.bmp", ["BMP3:"]),
    ("im_bmp3_8.bmp", ["-colors", "180", "-type", "Palette", "BMP3:"]),
    ("im_bmp3_8raw.bmp", ["-colors", "180", "-type", "Palette", "-compress", "None", "BMP3:"]),
    ("im_bmp3_rle8.bmp", ["-colors", "100", "-type", "Palette", "-compress", "RLE", "BMP3:"]),
    ("im_bmp3_4.bmp", ["-colors", "14", "-type", "Palette", "-define", "bmp:format=bmp3", "BMP3:"]),
    ("im_bmp3_1.bmp", ["-monochrome", "-type", "Bilevel", "BMP3:"]),
    ("im_bmp3_gray.bmp", ["-colorspace", "Gray", "-type", "Grayscale", "BMP3:"]),
    ("im_bmp_24.bmp", ["-type", "TrueColor", "BMP:"]),
    ("im_bmp_32a.bmp", ["-alpha", "set", "-channel", "A", "-fx", "(i%4)/3", "-type", "TrueColorAlpha", "BMP:"]),
    ("im_bmp_565.bmp", ["-define", "bmp:subtype=RGB565", "BMP:"]),
    ("im_bmp_555.bmp", ["-define", "bmp:subtype=RGB555", "BMP:"]),
    ("im_bmp_8.bmp", ["-colors", "60", "-type", "Palette", "BMP:"]),
]:
    path = os.path.join(out, name)
    target = args[-1] + path
    subprocess.run([magick, os.path.join(out, "src.png")] + args[:-1] + [target], check=True)
    pillow_ref(name)

# Pillow's own writer.
base.save(os.path.join(out, "pil_24.bmp")); pillow_ref("pil_24.bmp")
base.quantize(16).save(os.path.join(out, "pil_p16.bmp")); pillow_ref("pil_p16.bmp")
base.quantize(77).save(os.path.join(out, "pil_p77.bmp")); pillow_ref("pil_p77.bmp")
base.convert("L").save(os.path.join(out, "pil_l.bmp")); pillow_ref("pil_l.bmp")
base.convert("1").save(os.path.join(out, "pil_1.bmp")); pillow_ref("pil_1.bmp")
rgba = base.convert("RGBA"); rgba.putalpha(Image.linear_gradient("L").resize(base.size))
rgba.save(os.path.join(out, "pil_32a.bmp")); pillow_ref("pil_32a.bmp")

# Hand-made variants: top-down rows, short palettes, RLE4/RLE8 with escapes, bit
# fields under 52- and 56-byte headers, an offset with a gap before the bits.
def file_header(total, off):
    return b"BM" + struct.pack("<IHHI", total, 0, 0, off)

def info(w, h, bits, comp=0, used=0, size=0, hsize=40, masks=()):
    hdr = struct.pack("<IiiHHIIiiII", hsize, w, h, 1, bits, comp, size, 2835, 2835, used, 0)
    hdr += b"".join(struct.pack("<I", m) for m in masks)
    return hdr + b"\0" * (hsize - len(hdr))

def rows24(im, topdown):
    w, h = im.size
    stride = (w * 3 + 3) & ~3
    data = b""
    ys = range(h) if topdown else range(h - 1, -1, -1)
    for y in ys:
        row = b"".join(bytes((b, g, r)) for r, g, b in (im.getpixel((x, y)) for x in range(w)))
        data += row + b"\0" * (stride - len(row))
    return data

def write(name, data, reference):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)
    ref(name, reference)

w, h = base.size
bits = rows24(base, True)
hdr = info(w, -h, 24)
write("hand_topdown24.bmp", file_header(14 + 40 + len(bits), 54) + hdr + bits, base)

# 8-bit with a 5-entry palette; bfOffBits leaves a gap of 6 bytes.
pal = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (250, 250, 0), (9, 9, 9)]
idx = [[(x + y) % 5 for x in range(w)] for y in range(h)]
stride = (w + 3) & ~3
data = b"".join(bytes(idx[y]) + b"\0" * (stride - w) for y in range(h - 1, -1, -1))
table = b"".join(bytes((b, g, r, 0)) for r, g, b in pal)
off = 14 + 40 + len(table) + 6
im = Image.new("RGB", (w, h)); im.putdata([pal[idx[y][x]] for y in range(h) for x in range(w)])
write("hand_shortpal8.bmp", file_header(off + len(data), off) + info(w, h, 8, used=5) + table + b"\xAA" * 6 + data, im)

# RLE8: runs, an absolute run, a delta and end of line / bitmap.
def rle8_encode(rows):
    outb = b""
    for row in rows:
        x = 0
        while x < len(row):
            run = 1
            while x + run < len(row) and row[x + run] == row[x] and run < 255:
                run += 1
            if run >= 3 or len(row) - x < 3:
                outb += bytes((run, row[x])); x += run
            else:
                n = min(len(row) - x, 3)
                outb += bytes((0, n)) + bytes(row[x:x + n]) + (b"\0" if n & 1 else b""); x += n
        outb += b"\0\0"
    return outb + b"\0\1"
rrows = [[(x // 4 + y) % 5 for x in range(w)] for y in range(h)]
enc = rle8_encode(list(reversed(rrows)))
im = Image.new("RGB", (w, h)); im.putdata([pal[rrows[y][x]] for y in range(h) for x in range(w)])
off = 14 + 40 + len(table)
write("hand_rle8.bmp", file_header(off + len(enc), off) + info(w, h, 8, 1, 5, len(enc)) + table + enc, im)

# RLE4 with even runs only (the readers differ on odd absolute runs).
w4 = 36
r4 = [[(x // 6 + y) % 5 for x in range(w4)] for y in range(h)]
enc = b""
for row in reversed(r4):
    for x in range(0, w4, 6):
        v = row[x]; enc += bytes((6, (v << 4) | v))
    enc += b"\0\0"
enc += b"\0\1"
im = Image.new("RGB", (w4, h)); im.putdata([pal[r4[y][x]] for y in range(h) for x in range(w4)])
write("hand_rle4.bmp", file_header(off + len(enc), off) + info(w4, h, 4, 2, 5, len(enc)) + table + enc, im)

# 16-bit 565 and 32-bit fields under 52- and 56-byte headers (Pillow cannot read those).
px = [base.getpixel((x, y)) for y in range(h) for x in range(w)]
def rows16(fn):
    stride = (w * 2 + 3) & ~3
    d = b""
    for y in range(h - 1, -1, -1):
        row = b"".join(struct.pack("<H", fn(*base.getpixel((x, y)))) for x in range(w))
        d += row + b"\0" * (stride - len(row))
    return d
d565 = rows16(lambda r, g, b: ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3))
ref565 = Image.new("RGB", (w, h)); ref565.putdata([(((r >> 3) * 255) // 31, ((g >> 2) * 255) // 63, ((b >> 3) * 255) // 31) for r, g, b in px])
write("hand_v2_565.bmp", file_header(14 + 52 + len(d565), 66) + info(w, h, 16, 3, hsize=52, masks=(0xF800, 0x7E0, 0x1F)) + d565, ref565)
d32 = b""
for y in range(h - 1, -1, -1):
    d32 += b"".join(struct.pack("<I", (r << 24) | (g << 16) | (b << 8) | 0x80) for r, g, b in (base.getpixel((x, y)) for x in range(w)))
ref32 = base.convert("RGBA"); ref32.putalpha(0x80)
write("hand_v3_rgba.bmp", file_header(14 + 56 + len(d32), 70) + info(w, h, 32, 3, hsize=56, masks=(0xFF000000, 0xFF0000, 0xFF00, 0xFF)) + d32, ref32)
# A core header with 256 three-byte entries.
gp = [(i, 255 - i, (i * 3) % 256) for i in range(256)]
core = struct.pack("<IHHHH", 12, w, h, 1, 8)
ctab = b"".join(bytes((b, g, r)) for r, g, b in gp)
ci = [[(x * 5 + y * 3) % 256 for x in range(w)] for y in range(h)]
data = b"".join(bytes(ci[y]) + b"\0" * (stride - w) for y in range(h - 1, -1, -1))
im = Image.new("RGB", (w, h)); im.putdata([gp[ci[y][x]] for y in range(h) for x in range(w)])
write("hand_core256.bmp", file_header(14 + 12 + 768 + len(data), 14 + 12 + 768) + core + ctab + data, im)

with open(os.path.join(out, "index.txt"), "w") as f:
    f.write("\n".join(index) + "\n")
