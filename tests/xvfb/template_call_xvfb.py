#!/usr/bin/python3
"""Dialogs of the label editing window under a real X server, driven with real input
events (xdotool): Escape in the background dialog, in the picture chooser and in the
template dialog closes that dialog only, the editing window stays; then a template
of the delivered collection is called into the label through the template dialog,
and the sheet shows the label designed.

usage: template_call_xvfb.py BUILD_DIR [SCREENSHOT_DIR] [DISPLAY_NUMBER]
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
        elif parts[0] == "templates":
            state["templates"] = (int(parts[1]), parts[2] == "1")
        elif parts[0] == "templateitem":
            state.setdefault("templateitems", {})[int(parts[1])] = (int(parts[2]), int(parts[3]))
        elif parts[0] == "templateok":
            state["templateok"] = (int(parts[1]), int(parts[2]))
        elif parts[0] == "designed":
            state["designed"] = parts[1] if len(parts) > 1 else ""
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




def windows(name):
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", name], env=ENV, capture_output=True,
                       text=True)
    return r.stdout.split()


def wait_window(name, present=True, timeout=15):
    end = time.time() + seconds(timeout)
    while time.time() < end:
        if bool(windows(name)) == present:
            return
        time.sleep(0.2)
    shot("missing-" + name)
    fail(("no window " if present else "window stayed: ") + name)


work = tempfile.mkdtemp(prefix="velmo-template-call-")
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
if not os.path.exists(os.path.join(BUILD, "data", "Data", "Template", "Template.dat")):
    fail("the delivered template collection was not built (target templates)")

xvfb, display = xvfb_server.start(int(sys.argv[3]) if len(sys.argv) > 3 else None)
ENV = dict(env)
ENV["DISPLAY"] = ":%d" % display
ENV["QT_QPA_PLATFORM"] = "xcb"
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
    state = reports.wait(lambda s: s.get("editing") == 0 and "CallTemplate" in s["tools"], "the editing window")
    if state["shapes"]:
        fail("label 0 is not empty: %s" % state["shapes"])
    time.sleep(0.5)

    # Escape in each dialog the editing window opens closes that dialog only.
    for tool, title in (("CreateTLOBackImage", "背景柄の設定"), ("CreateTLOImage", "イラストの選択"),
                        ("CallTemplate", "テンプレートの選択")):
        xdo("mousemove", *state["tools"][tool])
        xdo("click", 1)
        wait_window(title)
        time.sleep(0.6)
        shot("escape-" + tool)
        xdo("key", "Escape")
        wait_window(title, present=False)
        time.sleep(0.8)
        if not windows("ラベルの編集"):
            shot("escape-closed-editor")
            fail("Escape in %s closed the editing window too" % title)
        state = reports.wait(lambda s: s.get("editing") == 0, "the editing window after Escape in " + title)
        if state["shapes"]:
            fail("cancelling %s left objects: %s" % (title, state["shapes"]))

    # A template of the collection into the empty label: no question, the dialog, OK.
    xdo("mousemove", *state["tools"]["CallTemplate"])
    xdo("click", 1)
    state = reports.wait(lambda s: s.get("templates", (0, False))[0] > 0 and s.get("templateitems"),
                         "the template dialog's entries")
    time.sleep(1.0)
    shot("template-dialog")
    xdo("mousemove", *state["templateitems"][0])
    xdo("click", 1)
    state = reports.wait(lambda s: s.get("templates", (0, False))[1], "OK enabled by a chosen entry")
    xdo("mousemove", *state["templateok"])
    xdo("click", 1)
    wait_window("テンプレートの選択", present=False)
    state = reports.wait(lambda s: s.get("editing") == 0 and len(s["shapes"]) >= 3, "the called template")
    kinds = {k for k, _, _ in state["shapes"]}
    if "TLOVelmoText" not in kinds:
        fail("the called template has no text: %s" % kinds)
    time.sleep(0.5)
    shot("template-called")
    xdo("key", "Escape")
    state = reports.wait(lambda s: "editing" not in s and s.get("designed", "").split(",")[0] == "0",
                         "the sheet with label 0 designed")
    shot("template-sheet")
    print("velmo template call under Xvfb: all steps passed (%d objects)" % len(state.get("shapes", [])))
finally:
    if host is not None:
        host.kill()
    xvfb.terminate()
    xvfb.wait()
    shutil.rmtree(work, ignore_errors=True)
