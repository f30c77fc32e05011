#!/usr/bin/python3
"""The label editing window's aids under a real X server, driven with real input
events (xdotool): a rectangle drawn with the shape tool, copied and pasted, the two
grouped, three undos; the copy read by another program as PNG; text pasted from
another program; a guide pulled out of a ruler and an object snapped to it.

usage: layout_edit_xvfb.py BUILD_DIR [SCREENSHOT_DIR] [DISPLAY_NUMBER]
"""
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xvfb_server  # noqa: E402  (beside this script)
from xvfb_server import seconds  # noqa: E402
from host_reports import Reports  # noqa: E402


BUILD = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 and sys.argv[2] else None
HOST = os.path.join(BUILD, "tests", "velmo-test-host")


def fail(message):
    print("FAIL:", message)
    sys.exit(1)






def parse(block):
    state = {"faces": {}, "shapes": [], "tools": {}}
    for line in block:
        parts = line.split()
        if parts[0] == "face":
            state["faces"][int(parts[1])] = (int(parts[2]), int(parts[3]))
        elif parts[0] == "shape":
            state["shapes"].append((parts[2], tuple(int(x) for x in parts[3:7]), parts[7] == "1"))
        elif parts[0] == "history":
            state["history"] = (int(parts[1]), int(parts[2]))
        elif parts[0] == "guides":
            state["guides"] = (parts[1] == "1", parts[2] if len(parts) > 2 else "")
        elif parts[0] in ("hruler", "vruler"):
            state[parts[0]] = (int(parts[1]), int(parts[2]))
        elif parts[0] == "site":
            state["site"] = tuple(int(x) for x in parts[1:5])
        elif parts[0] == "tool":
            state["tools"][parts[1]] = (int(parts[2]), int(parts[3]))
        elif parts[0] == "editing":
            state["editing"] = int(parts[1])
        elif parts[0] == "pastedtext":
            state["pastedtext"] = line[len("pastedtext "):]
    return state


def xdo(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True, env=ENV)
    time.sleep(0.15)


def drag(start, end, steps=8, before_release=None):
    xdo("mousemove", start[0], start[1])
    xdo("mousedown", 1)
    for i in range(1, steps + 1):
        xdo("mousemove", start[0] + (end[0] - start[0]) * i // steps, start[1] + (end[1] - start[1]) * i // steps)
    if before_release:
        time.sleep(0.3)
        shot(before_release)
    xdo("mouseup", 1)


def shot(name):
    if not SHOTS:
        return
    os.makedirs(SHOTS, exist_ok=True)
    subprocess.run(["import", "-display", ENV["DISPLAY"], "-window", "root", os.path.join(SHOTS, name + ".png")],
                   env=ENV, check=False)


def to_screen(state, lx, ly):
    """A logical point of the site on the screen."""
    ox, oy, kx, ky = state["site"]
    return (ox + (kx - ox) * lx // 1000, oy + (ky - oy) * ly // 1000)


work = tempfile.mkdtemp(prefix="velmo-layout-")
document = os.path.join(work, "twelve.lbd")
env = dict(os.environ)
env["HOME"] = work
env["XDG_CONFIG_HOME"] = os.path.join(work, "config")
env["XDG_DATA_HOME"] = os.path.join(work, "data")
env["XDG_RUNTIME_DIR"] = os.path.join(work, "run")
os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
env["QT_QPA_PLATFORM"] = "offscreen"
env["VELMO_TEST_MAKE_SHEET"] = document
subprocess.run([HOST], env=env, check=True)
del env["VELMO_TEST_MAKE_SHEET"]

xvfb, display = xvfb_server.start(int(sys.argv[3]) if len(sys.argv) > 3 else None)
ENV = dict(env)
ENV["DISPLAY"] = ":%d" % display
ENV["QT_QPA_PLATFORM"] = "xcb"
ENV["VELMO_TEST_SHAPES"] = "1"
ENV["VELMO_TEST_REPORT"] = "1"
host = None
try:
    for _ in range(50):
        if os.path.exists("/tmp/.X11-unix/X%d" % display):
            break
        time.sleep(0.1)
    host = subprocess.Popen([HOST, "--sheet", document], env=ENV, stderr=subprocess.PIPE, stdout=subprocess.DEVNULL)
    reports = Reports(host.stderr, parse, fail)
    state = reports.wait(lambda s: len(s.get("faces", {})) == 12, "the sheet view")
    time.sleep(0.5)
    xdo("mousemove", *state["faces"][0])
    xdo("click", "--repeat", 2, "--delay", 80, 1)
    state = reports.wait(lambda s: s.get("editing") == 0 and "site" in s and "CreateTLORect" in s["tools"],
                         "the editing window of the empty label 0")
    if state["shapes"]:
        fail("label 0 is not empty: %s" % state["shapes"])
    time.sleep(0.5)
    shot("layout-start")

    # 1. Draw a rectangle with the tool: 10 mm, 10 mm to 40 mm, 30 mm.
    xdo("mousemove", *state["tools"]["CreateTLORect"])
    xdo("click", 1)
    drag(to_screen(state, 100, 100), to_screen(state, 400, 300), before_release="layout-drawing")
    state = reports.wait(lambda s: len(s["shapes"]) == 1 and s.get("history") == (1, 0), "the new rectangle")
    kind, rect, selected = state["shapes"][0]
    if kind != "TLORect" or abs(rect[0] - 95) > 12 or abs(rect[2] - 405) > 12:
        fail("the drawn rectangle: %s %s" % (kind, rect))
    time.sleep(0.3)
    shot("layout-rectangle")

    # 2. Copy and paste it: two rectangles, the copy on top and selected.
    xdo("key", "ctrl+c")
    targets = []
    for _ in range(20):
        time.sleep(0.3)
        r = subprocess.run(["xclip", "-selection", "clipboard", "-t", "TARGETS", "-o"], env=ENV,
                           capture_output=True, text=True, timeout=seconds(10))
        targets = r.stdout.split()
        if targets:
            break
    if not targets:
        print(r.stderr)
        shot("layout-copy-failed")
    if "image/png" not in targets or not any(t.startswith("application/x-") for t in targets):
        fail("clipboard targets: %s" % targets)
    png = subprocess.run(["xclip", "-selection", "clipboard", "-t", "image/png", "-o"], env=ENV,
                         capture_output=True, timeout=seconds(10)).stdout
    png_file = os.path.join(work, "copied.png")
    with open(png_file, "wb") as f:
        f.write(png)
    size = subprocess.run(["identify", "-format", "%w %h", png_file], capture_output=True, text=True).stdout.split()
    if len(size) != 2 or abs(int(size[0]) - 310) > 12 or abs(int(size[1]) - 210) > 12:
        fail("the copied picture another program reads: %s" % size)
    xdo("key", "ctrl+v")
    state = reports.wait(lambda s: len(s["shapes"]) == 2 and s.get("history") == (2, 1), "the paste")
    time.sleep(0.3)
    shot("layout-pasted")

    # 3. Group the two.
    xdo("key", "ctrl+a")
    xdo("key", "ctrl+g")
    state = reports.wait(lambda s: len(s["shapes"]) == 1 and s["shapes"][0][0] == "TDOGroup"
                         and s.get("history") == (3, 2), "the group")
    time.sleep(0.3)
    shot("layout-grouped")

    # 4. Three undos: nothing left, everything undone.
    for _ in range(3):
        xdo("key", "ctrl+z")
    state = reports.wait(lambda s: len(s["shapes"]) == 0 and s.get("history") == (3, -1), "three undos")
    shot("layout-undone")
    # Redo the drawing: the rectangle is back.
    xdo("key", "ctrl+shift+z")
    state = reports.wait(lambda s: len(s["shapes"]) == 1 and s.get("history") == (3, 0), "the redo")

    # 5. Plain text from another program becomes a text object (through the kind's hook).
    subprocess.run(["xclip", "-selection", "clipboard", "-i"], input="よそのテキスト".encode(), env=ENV, timeout=seconds(10))
    time.sleep(0.4)
    xdo("key", "ctrl+v")
    state = reports.wait(lambda s: s.get("pastedtext") == "よそのテキスト", "the text paste")
    xdo("key", "ctrl+z")
    state = reports.wait(lambda s: len(s["shapes"]) == 1 and "pastedtext" not in s, "undoing the text paste")

    # 6. A guide pulled out of the vertical ruler to 50 mm (a vertical guide).
    vr = state["vruler"]
    target = to_screen(state, 500, 200)
    drag(vr, target, steps=10, before_release="layout-guide-drag")
    state = reports.wait(lambda s: s.get("guides", (False, ""))[1] != "", "the guide")
    enabled, guides = state["guides"]
    gx = int(guides.split(",")[0].split(":")[0])
    if not enabled or abs(gx - 500) > 10 or gx % 10 != 0:
        fail("guide: %s" % (state["guides"],))
    time.sleep(0.3)
    shot("layout-guide")

    # 7. Drag the rectangle so that its right edge comes within a few pixels of the
    # guide: it snaps onto it.
    kind, rect, _ = state["shapes"][0]
    # An unfilled rectangle is taken by its frame: press on the left edge.
    centre = to_screen(state, rect[0] + 5, (rect[1] + rect[3]) // 2)
    ox, oy, kx, ky = state["site"]
    px_per_unit = (kx - ox) / 1000.0
    move_px = int(round((gx - rect[2]) * px_per_unit)) - 3  # three pixels short of the guide
    drag(centre, (centre[0] + move_px, centre[1] + 20), before_release="layout-snapping")
    state = reports.wait(lambda s: s["shapes"] and s["shapes"][0][1] != rect, "the move")
    moved = state["shapes"][0][1]
    if moved[2] != gx and moved[0] != gx:
        fail("no snap: guide %d, rectangle %s -> %s" % (gx, rect, moved))
    time.sleep(0.3)
    shot("layout-snapped")

    # 8. A decorative line: the chooser opens first; OK takes the remembered pattern and
    # the line gets the tile's size.
    xdo("mousemove", *state["tools"]["CreateTLODecoLine"])
    xdo("click", 1)
    time.sleep(seconds(1.0))
    shot("layout-decoline-chooser")
    xdo("key", "Return")
    state = reports.wait(lambda s: any(k == "TLODecoLine" for k, _, _ in s["shapes"]), "the decorative line")
    time.sleep(0.3)
    shot("layout-decoline")

    # 9. The grid through the view menu's settings: shown as lines.
    xdo("key", "alt+v")
    xdo("key", "g")
    time.sleep(0.6)
    shot("layout-grid-dialog")
    xdo("key", "alt+v")
    xdo("key", "alt+f")
    xdo("key", "Return")
    time.sleep(0.6)
    shot("layout-grid")

    xdo("key", "Escape")
    state = reports.wait(lambda s: "editing" not in s and len(s.get("faces", {})) == 12, "the sheet again")
    print("velmo layout aids under Xvfb: all steps passed (guide at %d, rectangle %s)" % (gx, moved))
finally:
    if host is not None:
        host.kill()
    xvfb.terminate()
    xvfb.wait()
    shutil.rmtree(work, ignore_errors=True)
