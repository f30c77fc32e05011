#!/usr/bin/python3
"""The sheet view and the label editing window under a real X server, driven with
real input events (xdotool): a label dragged from position 1 to position 4 with the
overwrite question answered, a label pasted onto a smaller label of another sheet,
and an object moved, resized by a corner pivot and turned by the rotation pivot.

usage: sheet_view_xvfb.py BUILD_DIR [SCREENSHOT_DIR]
"""
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xvfb_server  # noqa: E402  (beside this script)
from xvfb_server import seconds  # noqa: E402

BUILD = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 else None
HOST = os.path.join(BUILD, "tests", "velmo-test-host")
TOOL = os.path.join(BUILD, "src", "velmo-tool")


def fail(message):
    print("FAIL:", message)
    sys.exit(1)




class Reports:
    """Collects the host's "velmo: report" blocks from its stderr."""

    def __init__(self, stream):
        self.latest = {}
        self.lines = queue.Queue()
        self.all = []
        self.lock = threading.Lock()
        threading.Thread(target=self._read, args=(stream,), daemon=True).start()

    def _read(self, stream):
        block = None
        for raw in stream:
            line = raw.decode("utf-8", "replace").rstrip("\n")
            self.all.append(line)
            if not line.startswith("velmo: "):
                continue
            text = line[len("velmo: "):]
            if text == "report begin":
                block = []
            elif text == "report end":
                with self.lock:
                    self.latest = parse(block or [])
                block = None
            elif block is not None:
                block.append(text)

    def wait(self, predicate, what, timeout=20):
        end = time.time() + seconds(timeout)
        while time.time() < end:
            with self.lock:
                state = dict(self.latest)
            if predicate(state):
                return state
            time.sleep(0.1)
        print("\n".join(self.all[-40:]))
        fail("timed out waiting for " + what)


def parse(block):
    state = {"faces": {}, "tabs": {}, "pivots": {}}
    for line in block:
        parts = line.split()
        if parts[0] == "face":
            state["faces"][int(parts[1])] = (int(parts[2]), int(parts[3]))
        elif parts[0] == "tab":
            state["tabs"][int(parts[1])] = (int(parts[2]), int(parts[3]))
        elif parts[0] == "pivot":
            state["pivots"][int(parts[1])] = (int(parts[2]), int(parts[3]))
        elif parts[0] == "sheet":
            state["sheet"] = int(parts[1])
            state["current"] = int(parts[3])
        elif parts[0] == "designed":
            state["designed"] = [int(x) for x in parts[1].split(",") if x] if len(parts) > 1 else []
        elif parts[0] == "object":
            state["object"] = tuple(int(x) for x in parts[1:6])
        elif parts[0] == "objectcentre":
            state["objectcentre"] = (int(parts[1]), int(parts[2]))
        elif parts[0] == "paperchoice":
            state["paperchoice"] = line[len("paperchoice "):]
        elif parts[0] == "editing":
            state["editing"] = int(parts[1])
    return state


def xdo(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True, env=ENV)
    time.sleep(0.15)


def drag(start, end, steps=8, modifier=None, before_release=None):
    xdo("mousemove", start[0], start[1])
    if modifier:
        xdo("keydown", modifier)
    xdo("mousedown", 1)
    for i in range(1, steps + 1):
        x = start[0] + (end[0] - start[0]) * i // steps
        y = start[1] + (end[1] - start[1]) * i // steps
        xdo("mousemove", x, y)
    if before_release:
        time.sleep(0.3)
        shot(before_release)
    xdo("mouseup", 1)
    if modifier:
        xdo("keyup", modifier)


def shot(name):
    if not SHOTS:
        return
    os.makedirs(SHOTS, exist_ok=True)
    subprocess.run(["import", "-display", ENV["DISPLAY"], "-window", "root", os.path.join(SHOTS, name + ".png")],
                   env=ENV, check=False)


work = tempfile.mkdtemp(prefix="velmo-sheet-")
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

xvfb, display = xvfb_server.start()
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
    reports = Reports(host.stderr)
    state = reports.wait(lambda s: len(s.get("faces", {})) == 12, "the sheet view with 12 faces")
    if state["designed"] != [1, 4]:
        fail("designed labels at start: %s" % state["designed"])
    time.sleep(0.5)
    shot("sheet-start")

    # 1 -> 4: the overwrite question, answered Yes with Return (its default button).
    drag(state["faces"][1], state["faces"][4], before_release="sheet-dragging")
    time.sleep(0.8)
    shot("sheet-overwrite-question")
    xdo("key", "Return")
    state = reports.wait(lambda s: s.get("current") == 1 and s.get("designed") == [1, 4], "the drop")
    time.sleep(0.5)
    shot("sheet-after-drag")

    # Copy label 1, paste it onto position 0 of the sheet with smaller labels.
    xdo("mousemove", *state["faces"][1])
    xdo("click", 1)
    xdo("key", "ctrl+c")
    xdo("mousemove", *state["tabs"][1])
    xdo("click", 1)
    state = reports.wait(lambda s: s.get("sheet") == 1 and len(s.get("faces", {})) == 24, "the second sheet")
    xdo("mousemove", *state["faces"][0])
    xdo("click", 1)
    xdo("key", "ctrl+v")
    time.sleep(0.8)
    shot("sheet-size-question")
    xdo("key", "Return")
    state = reports.wait(lambda s: s.get("sheet") == 1 and s.get("designed") == [0], "the paste onto the small label")
    time.sleep(0.5)
    shot("sheet-after-paste")

    # Back to the first sheet; open label 4 in the editing window.
    xdo("mousemove", *state["tabs"][0])
    xdo("click", 1)
    state = reports.wait(lambda s: s.get("sheet") == 0 and len(s.get("faces", {})) == 12, "the first sheet again")
    xdo("mousemove", *state["faces"][4])
    xdo("click", "--repeat", 2, "--delay", 80, 1)
    state = reports.wait(lambda s: s.get("editing") == 4 and "object" in s, "the editing window")
    before = state["object"]
    if before != (120, 80, 400, 250, 0):
        fail("label 4 does not hold label 1's design after the drop: %s" % (before,))
    time.sleep(0.5)
    shot("edit-start")

    # Move: press on the object, drag 60 pixels right and 30 down.
    c = state["objectcentre"]
    drag(c, (c[0] + 60, c[1] + 30), before_release="edit-moving")
    state = reports.wait(lambda s: "object" in s and s["object"][0] != before[0] and 7 in s["pivots"], "the move")
    moved = state["object"]
    if not (moved[0] > before[0] and moved[1] > before[1] and moved[2:4] == before[2:4]):
        fail("move: %s -> %s" % (before, moved))
    shot("edit-after-move")

    # Resize by the bottom-right corner pivot.
    p = state["pivots"][7]
    drag(p, (p[0] + 50, p[1] + 40), before_release="edit-resizing")
    state = reports.wait(lambda s: "object" in s and s["object"][2] != moved[2] and 8 in s["pivots"], "the resize")
    resized = state["object"]
    if not (resized[2] > moved[2] and resized[3] > moved[3] and resized[0:2] == moved[0:2]):
        fail("resize: %s -> %s" % (moved, resized))
    shot("edit-after-resize")

    # Turn by a rotation pivot about the object's centre, a quarter of the way round.
    rotation = min(state["pivots"].items(), key=lambda kv: kv[0] != 8)[1]
    centre = state["objectcentre"]
    dx, dy = rotation[0] - centre[0], rotation[1] - centre[1]
    # Halfway drag: turn the pivot 40 degrees clockwise about the centre in steps.
    import math
    r = math.hypot(dx, dy)
    a0 = math.atan2(dy, dx)
    xdo("mousemove", *rotation)
    xdo("mousedown", 1)
    for i in range(1, 9):
        a = a0 + math.radians(40) * i / 8
        xdo("mousemove", int(centre[0] + r * math.cos(a)), int(centre[1] + r * math.sin(a)))
    time.sleep(0.3)
    shot("edit-rotating")
    xdo("mouseup", 1)
    state = reports.wait(lambda s: "object" in s and s["object"][4] != 0, "the rotation")
    angle = state["object"][4]
    if not (35 <= angle <= 45):
        fail("rotation: angle %d" % angle)
    time.sleep(0.4)
    shot("edit-after-rotate")

    # Close the editor (the design goes back), save and quit.
    xdo("key", "Escape")
    state = reports.wait(lambda s: "editing" not in s and len(s.get("faces", {})) == 12, "the sheet after editing")
    time.sleep(0.4)
    shot("sheet-after-edit")
    # Without a window manager the focus does not come back by itself: a click on the
    # sheet gives it back.
    xdo("mousemove", *state["faces"][4])
    xdo("click", 1)
    # The paper choice opens from the menu with its summary; Escape leaves the paper.
    xdo("key", "alt+p")
    xdo("key", "Return")
    state = reports.wait(lambda s: "paperchoice" in s, "the paper choice")
    if not state["paperchoice"].startswith("面数："):
        fail("paper summary: " + state["paperchoice"])
    time.sleep(0.4)
    shot("paper-choice")
    xdo("key", "Escape")
    state = reports.wait(lambda s: "paperchoice" not in s and s.get("designed") == [1, 4], "the sheet again")
    xdo("mousemove", *state["faces"][4])
    xdo("click", 1)
    xdo("key", "ctrl+s")
    time.sleep(0.8)
    shot("after-save")
    xdo("key", "ctrl+q")
    try:
        host.wait(timeout=seconds(20))
    except subprocess.TimeoutExpired:
        shot("after-quit")
        print("\n".join(reports.all[-10:]))
        fail("the program did not end")
    host = None
    info = subprocess.run([TOOL, "info", document], env=env, capture_output=True, text=True)
    if info.returncode != 0:
        fail("info: " + info.stderr)
    print(info.stdout)
    # Saved from the sheet view (its mode is stored), label 4 current, the paste on sheet 2.
    for expected in ("view: sheet", "current label 4", "designed labels: 1,4", "designed labels: 0"):
        if expected not in info.stdout:
            fail("the saved file lacks \"%s\"" % expected)
    print("velmo sheet view under Xvfb: all steps passed (rotation %d degrees)" % angle)
finally:
    if host is not None:
        host.kill()
    xvfb.terminate()
    xvfb.wait()
    shutil.rmtree(work, ignore_errors=True)
