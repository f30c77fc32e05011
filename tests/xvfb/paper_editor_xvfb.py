#!/usr/bin/python3
"""Both paper editors of "用紙の追加・編集" under a real X server, driven with real
input events (xdotool): a grid sheet typed into the boxes (after switching the kind
there and back), and a free CD sheet whose first label is typed in, whose second is
added with the button, dragged with the mouse and then placed exactly, and a third
added and deleted again. Each is stored into a catalogue, which is reopened by
velmo-tool, and its label outlines printed to PDF; the PDF is rendered by Poppler
at 254 dpi (0.1 mm per pixel) and the outline edges must lie where the geometry was
entered, within 0.1 mm.

usage: paper_editor_xvfb.py BUILD_DIR [SCREENSHOT_DIR] [DISPLAY_NUMBER]
"""
import os
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

from PIL import Image

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xvfb_server  # noqa: E402  (beside this script)
from xvfb_server import seconds  # noqa: E402

BUILD = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 and sys.argv[2] else None
HOST = os.path.join(BUILD, "tests", "velmo-paper-editor-host")
TOOL = os.path.join(BUILD, "src", "velmo-tool")
ENV = dict(os.environ)


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


class Host:
    """The editor program and its latest report."""

    def __init__(self, catalogue, kind, pdf):
        self.proc = subprocess.Popen([HOST, catalogue, kind, pdf], stdout=subprocess.PIPE,
                                     stderr=subprocess.STDOUT, env=ENV)
        self.latest = None
        self.lines = []
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        block = None
        for raw in self.proc.stdout:
            line = raw.decode("utf-8", "replace").rstrip("\n")
            self.lines.append(line)
            if not line.startswith("velmo: "):
                continue
            text = line[len("velmo: "):]
            if text == "report begin":
                block = {"widgets": {}, "faces": []}
            elif text == "report end" and block is not None:
                with self.lock:
                    self.latest = block
                block = None
            elif block is not None:
                parts = text.split(" ")
                if parts[0] == "widget":
                    value = urllib.parse.unquote(parts[6]) if len(parts) > 6 else None
                    block["widgets"][parts[1]] = ([int(p) for p in parts[2:6]], value)
                elif parts[0] == "face":
                    block["faces"].append(([int(p) for p in parts[2:6]], parts[6] == "1"))
                elif parts[0] == "kind":
                    block["kind"] = parts[1]
                elif parts[0] == "current":
                    block["current"] = int(parts[1])

    def wait(self, predicate, what, timeout=20):
        end = time.time() + seconds(timeout)
        while time.time() < end:
            with self.lock:
                state = self.latest
            if state is not None and predicate(state):
                return state
            if self.proc.poll() is not None:
                break
            time.sleep(0.1)
        print("\n".join(self.lines[-40:]))
        fail("timed out waiting for " + what)

    def widget(self, name):
        state = self.wait(lambda s: name in s["widgets"], "widget " + name)
        return state["widgets"][name]

    def value(self, name):
        return self.widget(name)[1]

    def centre(self, name):
        (x, y, w, h), _ = self.widget(name)
        return x + w // 2, y + h // 2


def xdo(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True, env=ENV)


def click(x, y):
    xdo("mousemove", x, y)
    time.sleep(0.1)
    xdo("click", 1)
    time.sleep(0.2)


def type_into(host, name, text):
    """Clicks the box, selects what it holds and types the text, then Tab."""
    x, y = host.centre(name)
    # Left of the spin arrows.
    (bx, by, bw, bh), _ = host.widget(name)
    click(bx + min(40, bw // 3), by + bh // 2)
    xdo("key", "ctrl+a")
    xdo("type", "--delay", "30", text)
    xdo("key", "Tab")
    time.sleep(0.3)


def expect_value(host, name, expected):
    host.wait(lambda s: name in s["widgets"] and s["widgets"][name][1] == expected,
              "%s to read %s (reads %s)" % (name, expected, host.value(name)))


def choose(host, name, typed):
    """Opens the drop-down, finds the entry by typing its start, Enter."""
    x, y = host.centre(name)
    click(x, y)
    time.sleep(0.3)
    xdo("type", "--delay", "50", typed)
    xdo("key", "Return")
    time.sleep(0.3)


def shot(name):
    if SHOTS:
        os.makedirs(SHOTS, exist_ok=True)
        subprocess.run(["import", "-window", "root", os.path.join(SHOTS, name)], env=ENV, check=False)


def finish(host, pdf, name):
    click(*host.centre("OK"))
    try:
        code = host.proc.wait(timeout=seconds(30))
    except subprocess.TimeoutExpired:
        host.proc.kill()
        print("\n".join(host.lines[-40:]))
        fail("the editor did not close after OK")
    if code != 0 or not any(line == "velmo: saved " + name for line in host.lines):
        print("\n".join(host.lines[-40:]))
        fail("the editor did not save %s (exit %d)" % (name, code))
    if not os.path.getsize(pdf):
        fail("no PDF")


def render(pdf, tmp):
    base = os.path.join(tmp, os.path.basename(pdf)[:-4])
    subprocess.run(["pdftoppm", "-r", "254", "-gray", "-png", "-singlefile", pdf, base], check=True)
    return Image.open(base + ".png").convert("L")


def dark_runs(pixels, count, get):
    """Positions of the dark pixels along a line, grouped into runs (centres)."""
    runs = []
    start = None
    for i in range(count):
        dark = get(i) < 128
        if dark and start is None:
            start = i
        if not dark and start is not None:
            runs.append((start + i - 1) / 2)
            start = None
    if start is not None:
        runs.append((start + count - 1) / 2)
    return runs


def expect_edges(found, expected, what):
    # An edge drawn at x tenths lies on pixel x or the one before it (a hairline on
    # the boundary); 1 pixel is 0.1 mm.
    if len(found) != len(expected):
        fail("%s: edges %s, expected %s" % (what, found, expected))
    for f, e in zip(found, expected):
        if abs(f - e) > 1.0:
            fail("%s: edge at %.1f, expected %d (0.1 mm per pixel): %s" % (what, f, e, found))


def catalogue_listing(catalogue):
    out = subprocess.run([TOOL, "papers", catalogue], capture_output=True, text=True, env=ENV)
    if out.returncode != 0:
        fail("velmo-tool papers: " + out.stderr)
    return out.stdout


def run_grid(tmp, catalogue):
    pdf = os.path.join(tmp, "grid.pdf")
    host = Host(catalogue, "matrix", pdf)
    host.wait(lambda s: s.get("kind") == "matrix" and "OK" in s["widgets"], "the grid editor")
    # The kind buttons switch editors; each keeps its own copy.
    click(*host.centre("FreeKind"))
    host.wait(lambda s: s.get("kind") == "free" and len(s["faces"]) == 1, "the free editor")
    click(*host.centre("MatrixKind"))
    host.wait(lambda s: s.get("kind") == "matrix", "the grid editor again")
    expect_value(host, "FaceCountX", "2")
    expect_value(host, "FaceCountY", "3")
    type_into(host, "PaperName", "MY GRID 10UP")
    type_into(host, "FaceCountY", "5")
    type_into(host, "FaceWidth", "86.4")
    type_into(host, "FaceHeight", "50.8")
    type_into(host, "LeftOffset", "18.6")
    type_into(host, "TopOffset", "21.2")
    type_into(host, "RightMargin", "0")
    type_into(host, "BottomMargin", "0")
    for name, value in (("FaceCountY", "5"), ("FaceWidth", "86.4"), ("FaceHeight", "50.8"),
                        ("LeftOffset", "18.6"), ("TopOffset", "21.2"), ("RightMargin", "0.0"),
                        ("BottomMargin", "0.0"), ("PaperName", "MY GRID 10UP")):
        expect_value(host, name, value)
    choose(host, "FaceShape", "角丸")
    expect_value(host, "FaceShape", "角丸ラベル")
    shot("grid-editor-typed.png")
    finish(host, pdf, "MY GRID 10UP")
    image = render(pdf, tmp)
    w, h = image.size
    px = image.load()
    # A row through the middle of the first label row, clear of the rounded corners.
    y = 212 + 254
    xs = dark_runs(px, w, lambda i: px[i, y])
    # Neighbouring labels share an edge: one line.
    expect_edges(xs, [186, 1050, 1914], "grid row")
    x = 186 + 432
    ys = dark_runs(px, h, lambda i: px[x, i])
    expect_edges(ys, [212 + 508 * r for r in range(6)], "grid column")
    listing = catalogue_listing(catalogue)
    if "MY GRID 10UP" not in listing:
        fail("the grid paper is not in the reopened catalogue:\n" + listing)


def run_free(tmp, catalogue):
    pdf = os.path.join(tmp, "free.pdf")
    host = Host(catalogue, "free", pdf)
    host.wait(lambda s: s.get("kind") == "free" and len(s["faces"]) == 1, "the free editor")
    # The starting label: centred, half the width and a quarter of the height.
    expect_value(host, "FaceWidth", "105.0")
    expect_value(host, "FaceHeight", "74.2")
    type_into(host, "PaperName", "MY CD 2UP")
    choose(host, "FacePurpose", "CD")
    expect_value(host, "FacePurpose", "CD")
    # The CD purpose offers CD and round labels only; the shape moved to the first.
    expect_value(host, "FaceShape", "CDラベル")
    for name, value in (("FaceWidth", "117"), ("FaceHeight", "117"), ("Left", "46.5"), ("Top", "21.5"),
                        ("Hole", "41")):
        type_into(host, name, value)
    expect_value(host, "Left", "46.5")
    expect_value(host, "Hole", "41.0")
    click(*host.centre("AddLabel"))
    state = host.wait(lambda s: len(s["faces"]) == 2 and s.get("current") == 1, "a second label")
    expect_value(host, "Left", "52.5")
    expect_value(host, "FaceShape", "CDラベル")
    # Drag the new label with the mouse: the boxes follow the face.
    (fx, fy, fw, fh), _ = state["faces"][1]
    sx, sy = fx + fw // 2, fy + fh // 2
    xdo("mousemove", sx, sy)
    time.sleep(0.2)
    xdo("mousedown", 1)
    for step in range(1, 6):
        xdo("mousemove", sx + 8 * step, sy + 10 * step)
        time.sleep(0.05)
    time.sleep(0.2)
    xdo("mouseup", 1)
    time.sleep(0.4)
    left = float(host.value("Left"))
    top = float(host.value("Top"))
    if not (left > 52.5 + 10 and top > 111.4 + 10):
        fail("dragging the label did not move it (left %.1f, top %.1f)" % (left, top))
    shot("free-editor-dragged.png")
    for name, value in (("FaceWidth", "117"), ("FaceHeight", "117"), ("Left", "46.5"), ("Top", "158.5")):
        type_into(host, name, value)
    expect_value(host, "Top", "158.5")
    # A third label, deleted again; the last one cannot be deleted.
    click(*host.centre("AddLabel"))
    host.wait(lambda s: len(s["faces"]) == 3 and s.get("current") == 2, "a third label")
    click(*host.centre("DeleteLabel"))
    host.wait(lambda s: len(s["faces"]) == 2 and s.get("current") == 1, "the third label deleted")
    expect_value(host, "Top", "158.5")
    shot("free-editor-cd.png")
    finish(host, pdf, "MY CD 2UP")
    image = render(pdf, tmp)
    w, h = image.size
    px = image.load()
    for top in (215, 1585):
        y = top + 585
        xs = dark_runs(px, w, lambda i: px[i, y])
        # Outer circle, hole, hole, outer circle.
        expect_edges(xs, [465, 845, 1255, 1635], "CD label row at %d" % y)
    x = 465 + 585
    ys = dark_runs(px, h, lambda i: px[x, i])
    expect_edges(ys, [215, 595, 1005, 1385, 1585, 1965, 2375, 2755], "CD column")
    listing = catalogue_listing(catalogue)
    if "MY CD 2UP" not in listing:
        fail("the CD paper is not in the reopened catalogue:\n" + listing)


def main():
    xvfb, display = xvfb_server.start(int(sys.argv[3]) if len(sys.argv) > 3 else None)
    ENV["DISPLAY"] = ":%d" % display
    ENV["QT_QPA_PLATFORM"] = "xcb"
    ENV.pop("WAYLAND_DISPLAY", None)
    try:
        with tempfile.TemporaryDirectory() as tmp:
            catalogue = os.path.join(tmp, "user.ppr")
            run_grid(tmp, catalogue)
            run_free(tmp, catalogue)
            listing = catalogue_listing(catalogue)
            if "MY GRID 10UP" not in listing or "MY CD 2UP" not in listing:
                fail("the catalogue lost a paper:\n" + listing)
    finally:
        xvfb.terminate()
        xvfb.wait()
    print("paper editors: ok")


main()
