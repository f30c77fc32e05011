#!/usr/bin/python3
"""The delivered picture collections, read with Pillow (not our readers), and the
contact sheets of velmo-tool pictures / thumbnails.

- Illust.dat is code page 932 INI whose every section names a folder that holds
  24-bit bitmaps; at least 300 illustrations; every illustration has the key colour
  0xF0F0F0 on its border (the ground the browsers and image objects key out) and
  something else inside.
- BackGrnd.dat names folders relative to itself holding at least 60 JPEG pictures.
- Data/trimming holds at least 20 frames: the window 0xF0F0F0 in the middle, the part
  cut away 0x607090 in the corners, the frame between them.
- velmo-tool pictures reports the same counts and writes a PNG; velmo-tool thumbnails
  lists a folder's pictures and marks the damaged one.

usage: delivered_pictures_test.py BUILD_DIR
"""
import configparser
import os
import subprocess
import sys
import tempfile

from PIL import Image

BUILD = sys.argv[1]
DATA = os.path.join(BUILD, "data")
TOOL = os.path.join(BUILD, "src", "velmo-tool")
KEY = (0xF0, 0xF0, 0xF0)
OUTSIDE = (0x90, 0x70, 0x60)  # 0x607090 as 0x00BBGGRR


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def read_ini(path):
    parser = configparser.ConfigParser(interpolation=None)
    parser.optionxform = str
    with open(path, "rb") as f:
        parser.read_string(f.read().decode("cp932"))
    return parser


def folder_of(root, relative):
    path = root
    for part in relative.replace("\\", "/").split("/"):
        names = {n.lower(): n for n in os.listdir(path)}
        if part.lower() not in names:
            fail("%s: no %s" % (path, part))
        path = os.path.join(path, names[part.lower()])
    return path


def check_illustrations():
    index = os.path.join(DATA, "Data", "OnePoint", "Illust.dat")
    ini = read_ini(index)
    total = 0
    counts = {}
    for section in ini.sections():
        name, folder = ini[section].get("Name"), ini[section].get("Dir")
        if not name or not folder:
            fail("Illust.dat [%s] lacks Name or Dir" % section)
        files = sorted(os.listdir(folder_of(DATA, folder)))
        if not files:
            fail("genre %s is empty" % name)
        for f in files:
            image = Image.open(os.path.join(folder_of(DATA, folder), f))
            if image.format != "BMP" or image.mode != "RGB":
                fail("%s/%s is %s %s, not a 24-bit bitmap" % (folder, f, image.format, image.mode))
            w, h = image.size
            border = [image.getpixel((x, 0)) for x in range(w)] + [image.getpixel((0, y)) for y in range(h)]
            if border.count(KEY) < len(border) * 0.9:
                fail("%s/%s: the ground is not the key colour" % (folder, f))
            inner = image.crop((w // 4, h // 4, 3 * w // 4, 3 * h // 4))
            if all(p == KEY for p in inner.getdata()):
                fail("%s/%s: nothing drawn" % (folder, f))
        counts[name] = len(files)
        total += len(files)
    if total < 300:
        fail("only %d illustrations" % total)
    return total, counts


def check_backgrounds():
    index = os.path.join(DATA, "Data", "BackGrnd", "BackGrnd.dat")
    ini = read_ini(index)
    total = 0
    for section in ini.sections():
        folder = ini[section].get("Folder")
        if not folder:
            fail("BackGrnd.dat [%s] lacks Folder" % section)
        path = folder_of(os.path.dirname(index), folder)
        for f in os.listdir(path):
            image = Image.open(os.path.join(path, f))
            if image.format != "JPEG" or image.size != (480, 320):
                fail("%s is %s %s" % (f, image.format, image.size))
            if len(set(image.resize((48, 32)).getdata())) < 2:
                fail("%s is a plain colour" % f)
            total += 1
    if total < 60:
        fail("only %d backgrounds" % total)
    return total, len(ini.sections())


def check_frames():
    folder = os.path.join(DATA, "Data", "trimming")
    files = sorted(os.listdir(folder))
    for f in files:
        image = Image.open(os.path.join(folder, f))
        if image.format != "BMP" or image.mode != "RGB":
            fail("%s is not a 24-bit bitmap" % f)
        w, h = image.size
        if image.getpixel((w // 2, h // 2)) != KEY:
            fail("%s: the window is not 0xF0F0F0" % f)
        if image.getpixel((0, 0)) != OUTSIDE:
            fail("%s: the corner is not cut away (0x607090)" % f)
        colours = set(image.getdata())
        if len(colours - {KEY, OUTSIDE}) < 1:
            fail("%s: no frame between window and outside" % f)
    if len(files) < 20:
        fail("only %d frames" % len(files))
    return len(files)


def run_tool(args):
    result = subprocess.run([TOOL] + args, capture_output=True, text=True, timeout=300)
    return result.returncode, result.stdout, result.stderr


def main():
    illust, genres = check_illustrations()
    backgrounds, background_genres = check_backgrounds()
    frames = check_frames()
    work = tempfile.mkdtemp(prefix="velmo-delivered-")
    for kind, expected in (("illust", illust), ("backgrounds", backgrounds), ("frames", frames)):
        out = os.path.join(work, kind + ".png")
        code, stdout, stderr = run_tool(["pictures", kind, out, "--data", DATA, "--size", "48", "--columns", "20"])
        if code != 0:
            fail("velmo-tool pictures %s: %d %s" % (kind, code, stderr))
        listed = sum(int(line.split("\t")[1]) for line in stdout.splitlines() if line.strip())
        if listed != expected:
            fail("velmo-tool pictures %s lists %d, the folders hold %d" % (kind, listed, expected))
        sheet = Image.open(out)
        if sheet.size[0] < 20 * 48:
            fail("contact sheet %s is %s" % (kind, sheet.size))
    # A folder with one good and one damaged picture and one that is not listed.
    folder = os.path.join(work, "user")
    os.mkdir(folder)
    Image.new("RGB", (40, 30), (10, 200, 10)).save(os.path.join(folder, "good.JPG"))
    with open(os.path.join(folder, "bad.bmp"), "wb") as f:
        f.write(b"BM" + b"\xff" * 30)
    Image.new("RGB", (4, 4)).save(os.path.join(folder, "other.png"))
    code, stdout, stderr = run_tool(["thumbnails", folder, os.path.join(work, "user.png")])
    if code != 0 or "2 pictures, 1 damaged" not in stdout:
        fail("velmo-tool thumbnails: %d %r %r" % (code, stdout, stderr))
    code, _, _ = run_tool(["thumbnails", os.path.join(work, "missing"), os.path.join(work, "x.png")])
    if code == 0:
        fail("a missing folder was reported as done")
    # A data root without the collection: nothing listed, an empty sheet, no failure.
    code, stdout, _ = run_tool(["pictures", "frames", os.path.join(work, "y.png"), "--data", os.path.join(work, "none")])
    if code != 0 or stdout.strip() != "trimming\t0":
        fail("an empty frame collection: %d %r" % (code, stdout))
    subprocess.run(["rm", "-rf", work])
    print("PASS: %d illustrations in %d genres, %d backgrounds in %d genres, %d frames"
          % (illust, len(genres), backgrounds, background_genres, frames))


if __name__ == "__main__":
    main()
