#!/usr/bin/python3
"""The user picture browser under a real X server: a folder of 2,000 pictures written
by Pillow, damaged ones among them (truncated JPEG, a bitmap that is only text, an
empty file, a bitmap header announcing a huge picture), is shown in the
picture-choice dialog's "ファイル" tab. While the thumbnails load, the list is scrolled
with the mouse wheel and the keyboard (xdotool); the event loop must keep answering
(no gap over 500 ms), the visible thumbnails must all arrive, and the damaged files
at the end of the folder must show the red error picture.

usage: picture_browser_xvfb.py BUILD_DIR [SCREENSHOT_DIR]
"""
import os
import subprocess
import sys
import tempfile
import time

from PIL import Image, ImageDraw

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xvfb_server  # noqa: E402  (beside this script)
from xvfb_server import seconds  # noqa: E402

BUILD = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 else None
HOST = os.path.join(BUILD, "tests", "picture_browser_host")
MAX_GAP_MS = 500


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def make_folder(folder):
    """2,000 listed pictures (20 of them damaged) and files the browser must skip."""
    good = 0
    for i in range(1980):
        colour = ((i * 37) % 256, (i * 91) % 256, (i * 53) % 256)
        if i % 10 == 0:
            image = Image.new("RGB", (100, 80), colour)
            image.save(os.path.join(folder, "p%04d.bmp" % i))
        else:
            image = Image.new("RGB", (320, 240), colour)
            ImageDraw.Draw(image).rectangle((40, 30, 280, 210), outline=(255, 255, 255), width=6)
            image.save(os.path.join(folder, "p%04d.jpg" % i), quality=80)
        good += 1
    sample = open(os.path.join(folder, "p0001.jpg"), "rb").read()
    damaged = []
    for i in range(20):
        # At the start and at the end of the sorted list.
        name = ("a_bad%02d" if i < 4 else "z_bad%02d") % i
        kind = i % 4
        if kind == 0:
            path, data = name + ".jpg", sample[: len(sample) // 3]
        elif kind == 1:
            path, data = name + ".bmp", b"this is not a bitmap" * 10
        elif kind == 2:
            path, data = name + ".JPEG", b""
        else:
            path, data = name + ".bmp", bytes.fromhex("424d3600000000000000360000002800000020ba0e0020ba0e00010018000000000000000000")
        with open(os.path.join(folder, path), "wb") as f:
            f.write(data)
        damaged.append(path)
    # Not listed: other formats and a folder that looks like a picture.
    Image.new("RGB", (10, 10)).save(os.path.join(folder, "skip.png"))
    Image.new("RGB", (10, 10)).save(os.path.join(folder, "skip.gif"))
    os.mkdir(os.path.join(folder, "folder.jpg"))
    return good + len(damaged)


def read_status(report):
    try:
        with open(report) as f:
            fields = f.read().split()
        return [int(x) for x in fields] if len(fields) == 8 else None
    except (OSError, ValueError):
        return None


def main():
    if not os.path.exists(HOST):
        fail("host not built: " + HOST)
    work = tempfile.mkdtemp(prefix="velmo-pictures-")
    folder = os.path.join(work, "pictures")
    os.mkdir(folder)
    expected = make_folder(folder)
    report = os.path.join(work, "status")
    xvfb, display = xvfb_server.start()
    env = dict(os.environ, DISPLAY=":%d" % display, QT_QPA_PLATFORM="xcb", XDG_RUNTIME_DIR=work, HOME=work,
               LANG="C.UTF-8")
    env.pop("WAYLAND_DISPLAY", None)
    host = subprocess.Popen([HOST, report, "--folder", folder], env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT)
    try:
        deadline = time.time() + seconds(30)
        status = None
        while time.time() < deadline:
            status = read_status(report)
            if status and status[0] > 0:
                break
            time.sleep(0.1)
        if not status:
            fail("the dialog did not report")
        if status[0] != expected:
            fail("listed %d pictures, expected %d" % (status[0], expected))
        window = subprocess.run(["xdotool", "search", "--sync", "--name", "イラストの選択"], env=env,
                                capture_output=True, text=True, timeout=seconds(20)).stdout.split()
        if not window:
            fail("no dialog window")
        geometry = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window[0]], env=env,
                                  capture_output=True, text=True).stdout
        g = dict(line.split("=") for line in geometry.split())
        cx, cy = int(g["X"]) + int(g["WIDTH"]) // 2, int(g["Y"]) + int(g["HEIGHT"]) // 2
        subprocess.run(["xdotool", "mousemove", str(cx), str(cy)], env=env, check=True)
        time.sleep(0.3)
        if SHOTS:
            os.makedirs(SHOTS, exist_ok=True)
            subprocess.run(["import", "-window", "root", os.path.join(SHOTS, "browser-loading.png")], env=env)
        # Scroll while the thumbnails load: the window must keep answering.
        worst = 0
        scrolls = []
        for step in range(40):
            subprocess.run(["xdotool", "click", "5"], env=env, check=True)
            time.sleep(0.05)
            s = read_status(report)
            if s:
                worst = max(worst, s[6])
                scrolls.append(s[7])
        if worst > MAX_GAP_MS:
            fail("the window did not answer for %d ms while loading" % worst)
        if not scrolls or scrolls[-1] <= 0:
            fail("the list did not scroll while loading")
        print("scrolled to %d while loading, longest pause %d ms" % (scrolls[-1], worst))
        # Click into the list and jump to the end with the keyboard.
        subprocess.run(["xdotool", "click", "1"], env=env, check=True)
        subprocess.run(["xdotool", "key", "End"], env=env, check=True)
        deadline = time.time() + seconds(60)
        while time.time() < deadline:
            s = read_status(report)
            if s and s[4] == expected - 1 and s[5] == s[4] - s[3] + 1:
                break
            time.sleep(0.2)
        else:
            fail("the thumbnails at the end did not all arrive: %s" % (read_status(report),))
        s = read_status(report)
        worst = max(worst, s[6])
        failed_at_end = s[2]
        if s[2] < 1:
            fail("no error picture among the damaged files at the end")
        time.sleep(0.3)
        shot = os.path.join(work, "end.png")
        subprocess.run(["import", "-window", "root", shot], env=env, check=True)
        if SHOTS:
            subprocess.run(["cp", shot, os.path.join(SHOTS, "browser-end.png")])
        image = Image.open(shot).convert("RGB")
        red = sum(1 for p in image.getdata() if p[0] > 180 and p[1] < 80 and p[2] < 80)
        if red < 50:
            fail("the error pictures are not on the screen (%d red pixels)" % red)
        print("end of list: items %d-%d ready, %d damaged shown, %d red pixels" % (s[3], s[4], s[2], red))
        # Back to the start: the damaged files there show their error pictures too.
        subprocess.run(["xdotool", "key", "Home"], env=env, check=True)
        deadline = time.time() + seconds(30)
        while time.time() < deadline:
            s = read_status(report)
            if s and s[3] == 0 and s[5] == s[4] - s[3] + 1:
                break
            time.sleep(0.2)
        else:
            fail("the start of the list did not finish: %s" % (read_status(report),))
        # Three of the four damaged files at the start cannot be read at all; the
        # truncated JPEG decodes as far as it goes, as libjpeg reads it.
        if s[2] < failed_at_end:
            fail("error pictures were lost: %d before, %d now" % (failed_at_end, s[2]))
        time.sleep(0.3)
        subprocess.run(["import", "-window", "root", shot], env=env, check=True)
        if SHOTS:
            subprocess.run(["cp", shot, os.path.join(SHOTS, "browser-start.png")])
        red = sum(1 for p in Image.open(shot).convert("RGB").getdata() if p[0] > 180 and p[1] < 80 and p[2] < 80)
        if red < 50:
            fail("the error pictures at the start are not on the screen (%d red pixels)" % red)
        print("PASS: %d pictures, %d damaged shown as error pictures, longest pause %d ms" % (expected, s[2], worst))
    finally:
        host.kill()
        host.wait()
        xvfb.kill()
        xvfb.wait()
        subprocess.run(["rm", "-rf", work])


if __name__ == "__main__":
    main()
