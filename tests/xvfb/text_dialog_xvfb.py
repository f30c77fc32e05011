#!/usr/bin/python3
"""The text dialog under a real X server, driven with real input events (xdotool):
a work file with one text object is opened in the sheet view, the label and then the
text object are double-clicked, the dialog's text is replaced and confirmed with
Return, the label editing window is closed and the file saved; velmo-tool then reads
the new text back from the file. An empty text is refused first with the dialog's
message.

usage: text_dialog_xvfb.py BUILD_DIR [SCREENSHOT_DIR]
"""
import os
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xvfb_server  # noqa: E402  (beside this script)
from xvfb_server import seconds  # noqa: E402

BUILD = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 else None
HOST = os.path.join(BUILD, "tests", "velmo-test-host")
TOOL = os.path.join(BUILD, "src", "velmo-tool")
PAPER = "A4 1面 210×297mm"
DESIGN = """object TLDObjects
  object T1: TLOVelmoText
    Left = 300
    Top = 800
    Width = 1500
    Height = 1300
    Version = 1
    Text.Strings = (
      'before')
    Font.Size = 72
    Angle = 0
    DistortionRatio = 100
    Outline = False
    OutLineWidth = 0
    AutoSize = False
    Bulge = 0
    FieldNo = 0
    FieldType = ftProduct
  end
end
"""


def fail(message):
    print("FAIL:", message)
    sys.exit(1)




def xdo(*args):
    return subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, text=True).stdout


def wait_window(title, timeout=20):
    end = time.time() + seconds(timeout)
    while time.time() < end:
        ids = xdo("search", "--name", title).split()
        if ids:
            return ids[-1]
        time.sleep(0.2)
    fail("no window named " + title)


def gone(title, timeout=10):
    end = time.time() + seconds(timeout)
    while time.time() < end:
        if not xdo("search", "--name", title).split():
            return
        time.sleep(0.2)
    fail("window stayed open: " + title)


def centre(window):
    geometry = {}
    for line in xdo("getwindowgeometry", "--shell", window).split():
        key, _, value = line.partition("=")
        geometry[key] = int(value)
    return geometry["X"] + geometry["WIDTH"] // 2, geometry["Y"] + geometry["HEIGHT"] // 2


def double_click(x, y):
    xdo("mousemove", x, y)
    time.sleep(0.2)
    xdo("click", "--repeat", 2, "--delay", 80, 1)


def shot(name):
    if SHOTS:
        os.makedirs(SHOTS, exist_ok=True)
        subprocess.run(["import", "-window", "root", os.path.join(SHOTS, name + ".png")])


def main():
    work = tempfile.mkdtemp(prefix="velmo-text-xvfb-")
    document = os.path.join(work, "text.lbd")
    design = os.path.join(work, "design.txt")
    with open(design, "w", encoding="utf-8") as f:
        f.write(DESIGN)
    for args in (["new", "--paper", PAPER, document], ["put-label", document, "0", "0", design]):
        r = subprocess.run([TOOL] + args, capture_output=True, text=True)
        if r.returncode != 0:
            fail("velmo-tool %s: %s" % (args[0], r.stderr))
    xvfb, display = xvfb_server.start()
    os.environ["DISPLAY"] = ":%d" % display
    os.environ.pop("QT_QPA_PLATFORM", None)
    os.environ.setdefault("XDG_RUNTIME_DIR", work)
    os.environ["XDG_CONFIG_HOME"] = os.path.join(work, "config")
    os.environ["XDG_DATA_HOME"] = os.path.join(work, "data")
    app = None
    try:
        time.sleep(1)
        app = subprocess.Popen([HOST, "--sheet", document], stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        sheet = wait_window("text.lbd")
        time.sleep(1.5)
        shot("1-sheet")
        double_click(*centre(sheet))
        editor = wait_window("ラベルの編集")
        time.sleep(1)
        shot("2-label")
        double_click(*centre(editor))
        dialog = wait_window("文字の編集・設定")
        time.sleep(1)
        shot("3-dialog")
        # An empty text is refused with the dialog's message; the dialog stays.
        xdo("key", "ctrl+a")
        xdo("key", "Delete")
        xdo("key", "Tab")
        xdo("key", "Return")
        message = wait_window("文字の編集・設定", 5)
        time.sleep(0.5)
        shot("4-empty")
        boxes = xdo("search", "--name", "文字の編集・設定").split()
        if len(boxes) < 2:
            fail("no message for an empty text")
        xdo("key", "Return")  # closes the message box
        time.sleep(0.5)
        xdo("key", "ctrl+a")
        xdo("type", "--delay", 30, "edited under Xvfb")
        time.sleep(0.3)
        shot("5-typed")
        xdo("key", "Tab")
        xdo("key", "Return")
        gone("文字の編集・設定")
        time.sleep(0.5)
        shot("6-applied")
        xdo("key", "Escape")  # the label editing window writes the design back
        gone("ラベルの編集")
        # Without a window manager the focus does not come back by itself: a click on
        # the sheet gives it back.
        time.sleep(0.5)
        xdo("mousemove", *centre(sheet))
        xdo("click", 1)
        time.sleep(0.3)
        xdo("key", "ctrl+s")
        time.sleep(1.5)
        shot("7-saved")
        xdo("key", "ctrl+q")
        try:
            app.wait(15)
        except subprocess.TimeoutExpired:
            pass
    finally:
        if app:
            app.terminate()
            try:
                app.wait(10)
            except subprocess.TimeoutExpired:
                app.kill()
        xvfb.terminate()
        xvfb.wait()
    r = subprocess.run([TOOL, "get-label", document, "0", "0"], capture_output=True, text=True)
    if r.returncode != 0:
        fail("get-label: " + r.stderr)
    if "'edited under Xvfb'" not in r.stdout:
        print(r.stdout)
        fail("the edited text did not reach the file")
    if "'before'" in r.stdout:
        fail("the old text is still there")
    print("text dialog edited the object and the file kept it")


main()
