#!/usr/bin/python3
"""The layout view under a real X server, driven with real input events (xdotool) as
a new user would: a 12-up work file opened with `--layout`; a text "山田 太郎" made
vertical and bold; a rectangle behind it with a gradient fill, turned by dragging its
rotation pivot and moved with the arrow keys; two undos and a redo; position 5 gets an
image file and a QR code from the tool bar's barcode button; back to position 0; save. The saved file is then read by velmo-tool and
its design's text form compared with what the session built. Screenshots at 100 %
and 400 % with guides and the grid.

usage: layout_view_xvfb.py BUILD_DIR [SCREENSHOT_DIR] [DISPLAY_NUMBER]
"""
import os
import re
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
SHOTS = sys.argv[2] if len(sys.argv) > 2 and sys.argv[2] else None
HOST = os.path.join(BUILD, "tests", "velmo-test-host")
TOOL = os.path.join(BUILD, "src", "velmo-tool")


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


class Reports:
    def __init__(self, stream):
        self.latest = {}
        self.all = []
        self.lock = threading.Lock()
        threading.Thread(target=self._read, args=(stream,), daemon=True).start()

    def _read(self, stream):
        block = None
        for raw in stream:
            line = raw.decode("utf-8", "replace").rstrip("\n")
            self.all.append(line)
            if not line.startswith("velmo-layout: "):
                continue
            text = line[len("velmo-layout: "):]
            if text == "begin":
                block = []
            elif text == "end":
                with self.lock:
                    self.latest = parse(block or [])
                block = None
            elif block is not None:
                block.append(text)

    def wait(self, predicate, what, timeout=25):
        end = time.time() + seconds(timeout)
        while time.time() < end:
            with self.lock:
                state = dict(self.latest)
            try:
                if predicate(state):
                    return state
            except (KeyError, IndexError):
                pass
            time.sleep(0.1)
        print("\n".join(self.all[-60:]))
        shot("failed-" + re.sub(r"\W+", "-", what))
        fail("timed out waiting for " + what)


def parse(block):
    state = {"objs": [], "pivots": {}, "tools": {}, "menus": {}, "faces": {}, "status": {},
             "menuitems": {}, "buttons": {}, "tabpages": {}, "edits": {}, "combos": {}, "dialogs": []}
    for line in block:
        parts = line.split(" ")
        kind = parts[0]
        if kind == "view":
            state["view"] = tuple(int(x) for x in parts[1:4])
        elif kind == "site":
            state["site"] = tuple(int(x) for x in parts[1:5])
        elif kind == "obj":
            extra = dict(p.split("=", 1) for p in parts[9:] if "=" in p)
            state["objs"].append({"cls": parts[2], "rect": tuple(int(x) for x in parts[3:7]),
                                  "sel": parts[7] == "1", "angle": int(parts[8]), **extra})
        elif kind == "pivot":
            state["pivots"][int(parts[1])] = (int(parts[2]), int(parts[3]))
        elif kind == "history":
            state["history"] = tuple(int(x) for x in parts[1:4])
        elif kind == "tool":
            state["tools"][parts[1]] = (int(parts[2]), int(parts[3]), parts[4] == "1", parts[5] == "1")
        elif kind == "menu":
            state["menus"][parts[1]] = (int(parts[2]), int(parts[3]))
        elif kind == "face":
            state["faces"][int(parts[1])] = (int(parts[2]), int(parts[3]))
        elif kind == "status":
            state["status"][int(parts[1])] = " ".join(parts[2:])
        elif kind == "menuitem":
            state["menuitems"][parts[1]] = (int(parts[2]), int(parts[3]), parts[4] == "1")
        elif kind == "button":
            state["buttons"][parts[1]] = (int(parts[2]), int(parts[3]))
        elif kind == "tabpage":
            state["tabpages"][parts[1]] = (int(parts[2]), int(parts[3]))
        elif kind == "edit":
            state["edits"][parts[1]] = (int(parts[2]), int(parts[3]))
        elif kind == "combo":
            state["combos"][parts[1]] = (int(parts[2]), int(parts[3]), parts[4] == "1", " ".join(parts[5:]))
        elif kind == "dialog":
            state["dialogs"].append(parts[1])
        elif kind == "fontsize":
            state["fontsize"] = (int(parts[1]), int(parts[2]))
        elif kind == "rulers":
            state["rulers"] = (int(parts[1]), int(parts[2]))
        elif kind == "focus":
            state["focus"] = parts[1] == "1"
    return state


def xdo(*args):
    subprocess.run(["xdotool"] + [str(a) for a in args], check=True, env=ENV)
    time.sleep(0.15)


def click(point, button=1):
    xdo("mousemove", point[0], point[1])
    xdo("click", button)


def drag(start, end, steps=10):
    xdo("mousemove", start[0], start[1])
    xdo("mousedown", 1)
    for i in range(1, steps + 1):
        xdo("mousemove", start[0] + (end[0] - start[0]) * i // steps, start[1] + (end[1] - start[1]) * i // steps)
    xdo("mouseup", 1)


def shot(name):
    if not SHOTS:
        return
    os.makedirs(SHOTS, exist_ok=True)
    subprocess.run(["import", "-display", ENV["DISPLAY"], "-window", "root", os.path.join(SHOTS, name + ".png")],
                   env=ENV, check=False)


def to_screen(state, lx, ly):
    ox, oy, kx, ky = state["site"]
    return (ox + (kx - ox) * lx // 1000, oy + (ky - oy) * ly // 1000)


def texts(state):
    return [o for o in state["objs"] if o["cls"] == "TLOVelmoText"]


def rects(state):
    return [o for o in state["objs"] if o["cls"] == "TLORect"]


def menu_entry(reports, menu, entry):
    """Opens a menu of the view's menu bar and clicks one of its entries."""
    state = reports.wait(lambda s: menu in s["menus"], "the menu " + menu)
    click(state["menus"][menu])
    state = reports.wait(lambda s: entry in s["menuitems"] and s["menuitems"][entry][2], "the entry " + entry)
    click(state["menuitems"][entry][:2])


work = tempfile.mkdtemp(prefix="velmo-layout-view-")
document = os.path.join(work, "twelve.lbd")
# The picture browser lists BMP and JPEG files; a folder of its own holds the one.
os.makedirs(os.path.join(work, "pictures"))
picture = os.path.join(work, "pictures", "photo.bmp")
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
# A picture file to insert: 120 x 80 pixels in two colours.
subprocess.run(["convert", "-size", "60x80", "xc:#3060c0", "-size", "60x80", "xc:#e0a020", "+append", "BMP3:" + picture],
               check=True)

xvfb, display = xvfb_server.start(int(sys.argv[3]) if len(sys.argv) > 3 else None)
ENV = dict(env)
ENV["DISPLAY"] = ":%d" % display
ENV["QT_QPA_PLATFORM"] = "xcb"
ENV["VELMO_TEST_SHAPES"] = "1"
ENV["VELMO_TEST_LAYOUT_REPORT"] = "1"
ENV["VELMO_TEST_LAYOUT_GRID"] = "1"
host = None
try:
    for _ in range(50):
        if os.path.exists("/tmp/.X11-unix/X%d" % display):
            break
        time.sleep(0.1)
    host = subprocess.Popen([HOST, "--layout", document], env=ENV, stderr=subprocess.PIPE,
                            stdout=subprocess.DEVNULL)
    reports = Reports(host.stderr)
    state = reports.wait(lambda s: len(s["faces"]) == 12 and "site" in s and "tbText" in s["tools"]
                         and s["view"][1] == 0, "the layout view of position 0")
    if state["objs"]:
        fail("position 0 is not empty: %s" % state["objs"])
    time.sleep(0.5)
    shot("layout-view-start")

    # 1. A text "山田 太郎".
    click(state["tools"]["tbText"][:2])
    state = reports.wait(lambda s: "OK" in s["buttons"], "the text dialog")
    time.sleep(seconds(1.0))
    # The first character xdotool types through a remapped key can be lost while the
    # server's keymap changes; one typed and rubbed out first makes the rest reliable.
    # A slower program (a sanitizer build) reads the remapped keys later: the pauses
    # stretch with the time factor.
    typing_delay = str(int(seconds(0.12) * 1000))
    xdo("type", "--delay", typing_delay, "山")
    time.sleep(seconds(0.3))
    xdo("key", "BackSpace")
    xdo("type", "--delay", typing_delay, "山田 太郎")
    time.sleep(seconds(0.5))
    shot("layout-view-text-dialog")
    click(state["buttons"]["OK"])
    state = reports.wait(lambda s: len(texts(s)) == 1 and texts(s)[0]["sel"], "the new text")
    if texts(state)[0]["text"] != "山田_太郎":
        fail("the text holds %r" % texts(state)[0]["text"])

    # 2. Vertical (menu) and bold (tool button).
    menu_entry(reports, "文字(S)", "縦書き(V)")
    state = reports.wait(lambda s: texts(s)[0]["vertical"] == "1", "the vertical text")
    click(state["tools"]["actBold"][:2])
    state = reports.wait(lambda s: texts(s)[0]["bold"] == "1", "the bold text")
    text_rect = texts(state)[0]["rect"]

    # 3. A rectangle beside the text, then behind it.
    lx = 600 if text_rect[0] < 400 else 60
    click(state["tools"]["tbRect"][:2])
    drag(to_screen(state, lx, 60), to_screen(state, lx + 220, 300))
    state = reports.wait(lambda s: len(rects(s)) == 1 and rects(s)[0]["sel"], "the rectangle")
    xdo("key", "ctrl+b")
    state = reports.wait(lambda s: s["objs"][0]["cls"] == "TLORect", "the rectangle behind the text")

    # 4. A gradient fill through its dialog (double click).
    r = rects(state)[0]["rect"]
    centre = to_screen(state, (r[0] + r[2]) // 2, (r[1] + r[3]) // 2)
    xdo("mousemove", centre[0], centre[1])
    xdo("click", "--repeat", 2, "--delay", 80, 1)
    state = reports.wait(lambda s: "塗り色" in s["tabpages"], "the rectangle dialog")
    click(state["tabpages"]["塗り色"])
    state = reports.wait(lambda s: "グラデーション(G)" in s["buttons"], "the fill kinds")
    click(state["buttons"]["グラデーション(G)"])
    time.sleep(0.5)
    shot("layout-view-gradient")
    click(state["buttons"]["OK"])
    state = reports.wait(lambda s: not s["dialogs"] and rects(s)[0].get("fillkind") == "2", "the gradient fill")

    # 5. Turned by its rotation pivot, a quarter of the way round its centre.
    state = reports.wait(lambda s: 8 in s["pivots"], "the rotation pivot")
    rotation = state["pivots"][8]
    r = rects(state)[0]["rect"]
    c = to_screen(state, (r[0] + r[2]) // 2, (r[1] + r[3]) // 2)
    vx, vy = rotation[0] - c[0], rotation[1] - c[1]
    drag(rotation, (c[0] - vy // 2 + vx // 2, c[1] + vx // 2 + vy // 2), steps=12)
    state = reports.wait(lambda s: rects(s)[0]["angle"] != 0, "the turned rectangle")
    turned = rects(state)[0]
    shot("layout-view-turned")

    # 6. Arrow keys: right (0.1 mm), then shift+down (1 mm); two undos, one redo.
    before = turned["rect"]
    history = state["history"]
    xdo("key", "Right")
    state = reports.wait(lambda s: rects(s)[0]["rect"][0] == before[0] + 1, "the move right")
    if "ﾏｳｽ(" not in state["status"].get(0, "") or "位置(" not in state["status"].get(1, ""):
        fail("the status panels: %s" % state["status"])
    xdo("key", "shift+Down")
    state = reports.wait(lambda s: rects(s)[0]["rect"][1] == before[1] + 10, "the move down")
    xdo("key", "ctrl+z")
    xdo("key", "ctrl+z")
    state = reports.wait(lambda s: rects(s)[0]["rect"] == before, "two undos")
    xdo("key", "ctrl+y")
    state = reports.wait(lambda s: rects(s)[0]["rect"][0] == before[0] + 1 and rects(s)[0]["rect"][1] == before[1],
                         "one redo")
    if rects(state)[0]["angle"] != turned["angle"] or rects(state)[0].get("fillkind") != "2":
        fail("the redo changed more than the move: %s" % rects(state)[0])
    built0 = state["objs"]

    # 7. Position 5 gets an image file.
    click(state["faces"][5])
    state = reports.wait(lambda s: s["view"][1] == 5 and not s["objs"], "position 5")
    menu_entry(reports, "画像(I)", "イメージファイル(F)...")
    # "イラストの選択" on its ファイル page: the picture's folder typed into the folder
    # box, then its only thumbnail (just below the tab row's first tab) double-clicked.
    state = reports.wait(lambda s: "edFolder" in s["edits"] and "イラスト集" in s["tabpages"], "the picture chooser")
    click(state["edits"]["edFolder"])
    xdo("key", "ctrl+a")
    xdo("type", "--delay", "30", os.path.dirname(picture))
    xdo("key", "Return")
    time.sleep(1.5)
    shot("layout-view-picture-chooser")
    tab = state["tabpages"]["イラスト集"]
    xdo("mousemove", tab[0] + 42, tab[1] + 99)
    time.sleep(0.2)
    xdo("click", "--repeat", "2", "1")
    state = reports.wait(lambda s: "OK" in s["buttons"] and "edFolder" not in s["edits"], "the image dialog")
    time.sleep(0.5)
    shot("layout-view-image-dialog")
    click(state["buttons"]["OK"])
    state = reports.wait(lambda s: not s["dialogs"] and len(s["objs"]) == 1 and s["objs"][0]["cls"] == "TLOVelmoImage",
                         "the image on position 5")

    # 7b. A QR code beside it from the tool bar: the barcode dialog's その他 kinds.
    click(state["tools"]["tbBarCode"][:2])
    state = reports.wait(lambda s: "その他(O)" in s["buttons"] and "edtCode" in s["edits"], "the barcode dialog")
    # The dialog settles into its place first: the positions are read again after.
    time.sleep(seconds(0.5))
    state = reports.wait(lambda s: "その他(O)" in s["buttons"], "the barcode dialog in its place")
    click(state["buttons"]["その他(O)"])
    state = reports.wait(lambda s: s["combos"]["cmbSymbology"][2:] == (True, "QRコード")
                         and s["combos"]["cmbErrorLevel"][2], "the QR code's options")
    click(state["edits"]["edtCode"])
    xdo("key", "ctrl+a")
    xdo("type", "--delay", "30", "VELMO-0042")
    time.sleep(seconds(0.8))
    shot("layout-view-qr-dialog")
    click(state["buttons"]["OK"])
    state = reports.wait(lambda s: not s["dialogs"] and len(s["objs"]) == 2
                         and s["objs"][1]["cls"] == "TLOZintBarCode" and s["objs"][1]["sel"], "the QR code on position 5")
    time.sleep(0.5)
    shot("layout-view-qr")
    built5 = state["objs"]

    # 8. Back to position 0: the design as it was left.
    click(state["faces"][0])
    state = reports.wait(lambda s: s["view"][1] == 0 and len(s["objs"]) == 2, "position 0 again")
    for a, b in zip(state["objs"], built0):
        if (a["cls"], a["rect"], a["angle"]) != (b["cls"], b["rect"], b["angle"]):
            fail("position 0 came back as %s, not %s" % (state["objs"], built0))

    # 9. Guides from both rulers, then the screenshots at 400 % and 100 %.
    state = reports.wait(lambda s: "site" in s and "rulers" in s, "the site and rulers")
    ox, oy, kx, ky = state["site"]
    hy, vx = state["rulers"]
    drag((ox + 40, hy), to_screen(state, 300, 200))
    drag((vx, oy + 40), to_screen(state, 430, 200))
    time.sleep(0.5)
    menu_entry(reports, "表示(V)", "400%")
    state = reports.wait(lambda s: s["view"][2] == 400, "the zoom of 400 %")
    time.sleep(0.7)
    shot("layout-view-400")
    menu_entry(reports, "表示(V)", "100%")
    state = reports.wait(lambda s: s["view"][2] == 100, "the zoom of 100 %")
    time.sleep(0.7)
    shot("layout-view-100")

    # 10. Save and quit.
    stamp = os.stat(document).st_mtime_ns
    xdo("key", "ctrl+s")
    for _ in range(100):
        if os.stat(document).st_mtime_ns != stamp:
            break
        time.sleep(0.1)
    else:
        fail("the file was not saved")
    time.sleep(0.5)
    xdo("key", "ctrl+q")
    host.wait(timeout=seconds(20))
    host = None

    # 11. The saved designs, read by another program.
    def design(position):
        out = subprocess.run([TOOL, "get-label", document, "0", str(position)], capture_output=True, text=True,
                             env=env)
        if out.returncode != 0:
            fail("get-label %d: %s" % (position, out.stderr))
        return out.stdout

    text0 = design(0)
    # The text form lists the design from the bottom up: the rectangle behind the text.
    blocks = re.split(r"^  object ", text0, flags=re.M)[1:]
    saved = []
    for block in blocks:
        cls = block.split("\n", 1)[0].strip()
        props = dict(re.findall(r"^    ([\w.]+) = (.*)$", block, re.M))
        saved.append((cls, props))
    if [c for c, _ in saved] != ["TLORect", "TLOVelmoText"]:
        print(text0)
        fail("position 0 holds %s, not the rectangle behind the text" % [c for c, _ in saved])
    built_bottom_up = built0
    for (cls, props), built in zip(saved, built_bottom_up):
        base = tuple(int(x) for x in built["base"].split(","))
        got = tuple(int(props.get(k, "-1")) for k in ("Left", "Top", "Width", "Height"))
        if cls != built["cls"] or got != base or int(props.get("Angle", "0")) != built["angle"]:
            print(text0)
            fail("saved %s %s angle %s, built %s %s angle %d" % (cls, got, props.get("Angle"), built["cls"], base,
                                                                 built["angle"]))
    rect, text = saved[0][1], saved[1][1]
    if rect.get("FillColor.Kind") != "cskGradation" or int(rect.get("Angle", "0")) != turned["angle"]:
        print(text0)
        fail("the rectangle lost its gradient or its turn")
    if text.get("Vertical") != "True" or text.get("Font.Style") != "[fsBold]" or "山田 太郎" not in text0:
        print(text0)
        fail("the text is not the vertical bold 山田 太郎")
    text5 = design(5)
    if "TLOVelmoImage" not in text5 or "ImageData" not in text5:
        print(text5)
        fail("position 5 holds no image")
    if not re.search(r"^  object TLOZintBarCode$", text5, re.M) or not re.search(r"^    Symbology = 58$", text5, re.M) \
            or "VELMO-0042" not in text5:
        print(text5)
        fail("position 5 holds no QR code of VELMO-0042")
    for other in (1, 4):
        if "TLOTestShape" not in design(other):
            fail("position %d lost its design" % other)
    print("layout view session: ok")
finally:
    if host:
        host.kill()
        host.wait()
    xvfb.kill()
    xvfb.wait()
    shutil.rmtree(work, ignore_errors=True)
