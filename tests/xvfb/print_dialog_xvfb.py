#!/usr/bin/python3
"""The print command of the sheet-view window under a real X server, driven with real
input events (xdotool): the tool bar's 印刷 opens "ラベルシートの印刷", which prints the
sheet to a PDF file (checked with pdfinfo and pdftoppm: the designs' colours on their
faces); chosen faces with frames and an offset; then a slow run whose printing window
is asked to stop ("印刷を中断しますか？" answered Yes): no PDF is left behind.

Without printers (the scheduler is pointed at a socket that does not exist) the
dialog offers the PDF file, in the test's own home folder.

usage: print_dialog_xvfb.py BUILD_DIR [SCREENSHOT_DIR]
"""
import os
import shutil
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


def fail(message):
    print("FAIL:", message)
    sys.exit(1)




class Session:
    def __init__(self, env):
        self.env = env

    def xdo(self, *args):
        return subprocess.run(["xdotool"] + list(args), env=self.env, capture_output=True, text=True).stdout

    def window(self, name, timeout=10, last=False):
        deadline = time.time() + seconds(timeout)
        while time.time() < deadline:
            ids = self.xdo("search", "--onlyvisible", "--name", name).split()
            if ids:
                wid = ids[-1] if last else ids[0]
                geo = {}
                for line in self.xdo("getwindowgeometry", "--shell", wid).splitlines():
                    k, _, v = line.partition("=")
                    geo[k] = int(v) if v.isdigit() else v
                if "X" in geo:
                    return geo
            time.sleep(0.2)
        return None

    def gone(self, name, timeout=30):
        deadline = time.time() + seconds(timeout)
        while time.time() < deadline:
            if not self.xdo("search", "--onlyvisible", "--name", name).split():
                return True
            time.sleep(0.2)
        return False

    def click(self, x, y):
        self.xdo("mousemove", str(x), str(y))
        time.sleep(0.1)
        self.xdo("click", "1")
        time.sleep(0.3)

    def type_into(self, x, y, text):
        self.click(x, y)
        self.xdo("key", "ctrl+a")
        self.xdo("type", "--", text)
        time.sleep(0.2)

    def shot(self, name):
        if SHOTS:
            subprocess.run(["import", "-window", "root", os.path.join(SHOTS, name + ".png")], env=self.env)


def wait_file(path, timeout=30):
    deadline = time.time() + seconds(timeout)
    while time.time() < deadline:
        if os.path.exists(path) and subprocess.run(["pdfinfo", path], capture_output=True).returncode == 0:
            return True
        time.sleep(0.3)
    return False


def colours(pdf, folder):
    """Which of red and blue appear in which half of the page (left/right)."""
    prefix = os.path.join(folder, "page")
    subprocess.run(["pdftoppm", "-r", "40", "-singlefile", "-png", pdf, prefix], check=True)
    from PIL import Image
    img = Image.open(prefix + ".png").convert("RGB")
    w, h = img.size
    found = set()
    px = img.load()
    for y in range(h):
        for x in range(w):
            r, g, b = px[x, y]
            side = "left" if x < w // 2 else "right"
            if r > 180 and g < 80 and b < 80:
                found.add(("red", side))
            if b > 150 and r < 60:
                found.add(("blue", side))
    return found


def run_host(env, slow=0):
    e = dict(env)
    e["VELMO_TEST_SHAPES"] = "1"
    if slow:
        e["VELMO_TEST_SLOW_PRINT"] = str(slow)
    log = open(os.path.join(os.path.dirname(env["SAMPLE"]), "host-%d.log" % slow), "w")
    return subprocess.Popen([HOST, "--sheet", env["SAMPLE"]], env=e, stdout=log,
                            stderr=subprocess.STDOUT)


def main():
    if not shutil.which("Xvfb") or not shutil.which("xdotool"):
        print("SKIPPED: Xvfb or xdotool missing")
        sys.exit(77)
    work = tempfile.mkdtemp(prefix="velmo-print-xvfb-")
    xvfb, display = xvfb_server.start()
    host = None
    try:
        home = os.path.join(work, "home")
        runtime = os.path.join(work, "runtime")
        os.makedirs(home)
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ)
        env.update({"DISPLAY": ":%d" % display, "HOME": home, "XDG_RUNTIME_DIR": runtime,
                    "XDG_CONFIG_HOME": os.path.join(home, ".config"),
                    "CUPS_SERVER": os.path.join(work, "no-scheduler.sock"), "QT_QPA_PLATFORM": "xcb",
                    "SAMPLE": os.path.join(work, "sample.lbd")})
        env.pop("PRINTER", None)
        for _ in range(50):
            if os.path.exists("/tmp/.X11-unix/X%d" % display):
                break
            time.sleep(0.1)
        e = dict(env)
        e["VELMO_TEST_MAKE_SHEET"] = env["SAMPLE"]
        subprocess.run([HOST], env=e, check=True, timeout=seconds(60))
        s = Session(env)
        pdf = os.path.join(home, "ラベル.pdf")

        # 1. Everything, as the dialog opens.
        host = run_host(env)
        main_win = s.window("sample.lbd", 20)
        if not main_win:
            fail("the sheet window did not show")
        s.click(main_win["X"] + 40, main_win["Y"] + 33)  # the tool bar's 印刷
        dlg = s.window("ラベルシートの印刷")
        if not dlg:
            fail("the print dialog did not open")
        s.shot("1-dialog")
        s.click(dlg["X"] + 404, dlg["Y"] + 515)  # 印刷開始
        if not wait_file(pdf):
            fail("no PDF after 印刷開始")
        found = colours(pdf, work)
        if ("red", "right") not in found or ("blue", "left") not in found:
            fail("the designs are not on their faces: %s" % sorted(found))
        print("all faces: the red label on the right, the blue one on the left")

        # 2. Chosen faces: face 0 is marked on switching, face 1 (red) added, frames on,
        # 2.0 mm to the right; the blue label (face 4) stays off the page.
        os.remove(pdf)
        s.click(main_win["X"] + 40, main_win["Y"] + 33)
        dlg = s.window("ラベルシートの印刷")
        if not dlg:
            fail("the print dialog did not open again")
        s.click(dlg["X"] + 429, dlg["Y"] + 146)  # 指定ラベル(&S)
        s.click(dlg["X"] + 464, dlg["Y"] + 202)  # face 1 on the small sheet
        s.click(dlg["X"] + 18, dlg["Y"] + 146)   # ラベル枠線を印刷(&F)
        s.type_into(dlg["X"] + 200, dlg["Y"] + 304, "2.0")  # 左から(&L)
        s.shot("2-chosen")
        s.click(dlg["X"] + 404, dlg["Y"] + 515)
        if not wait_file(pdf):
            fail("no PDF for the chosen faces")
        found = colours(pdf, work)
        if ("red", "right") not in found or any(c == "blue" for c, _ in found):
            fail("chosen faces printed wrongly: %s" % sorted(found))
        print("chosen faces: red only")

        # 3. A slow run, stopped from its window.
        host.terminate()
        host.wait(10)
        os.remove(pdf)
        host = run_host(env, slow=600)
        main_win = s.window("sample.lbd", 20)
        if not main_win:
            os.system("cat %s/host-600.log; xdotool search --name . getwindowname %%@ 2>&1 | head -20" % work)
            print("host alive:", host.poll())
            fail("the sheet window did not show again")
        s.click(main_win["X"] + 40, main_win["Y"] + 33)
        dlg = s.window("ラベルシートの印刷")
        if not dlg:
            fail("the print dialog did not open for the slow run")
        s.type_into(dlg["X"] + 110, dlg["Y"] + 119, "20")  # 印刷部数
        s.click(dlg["X"] + 404, dlg["Y"] + 515)
        progress = s.window("印刷中です")
        if not progress:
            fail("no printing window")
        time.sleep(1.0)
        s.shot("3-printing")
        s.click(progress["X"] + 330, progress["Y"] + 71)  # 中止
        question = None
        deadline = time.time() + seconds(10)
        while time.time() < deadline:
            ids = s.xdo("search", "--onlyvisible", "--name", "印刷中です").split()
            if len(ids) >= 2:
                question = s.window("印刷中です", last=True)
                if question and (question["WIDTH"], question["HEIGHT"]) != (progress["WIDTH"], progress["HEIGHT"]):
                    break
            time.sleep(0.2)
        else:
            fail("no question on 中止")
        s.shot("4-question")
        s.click(question["X"] + 129, question["Y"] + 60)  # Yes
        if not s.gone("印刷中です", 30):
            fail("the printing window stayed")
        time.sleep(0.5)
        if os.path.exists(pdf):
            fail("an aborted run left a PDF")
        leftovers = [f for f in os.listdir(home) if f.endswith(".pdf") or f.startswith(".ラベル")]
        if leftovers:
            fail("an aborted run left files: %s" % leftovers)
        s.shot("5-after-abort")
        print("stopped: no PDF left")
        print("PASSED")
    finally:
        if host:
            host.terminate()
            try:
                host.wait(10)
            except subprocess.TimeoutExpired:
                host.kill()
        xvfb.terminate()
        xvfb.wait(10)
        if os.environ.get("KEEP_WORK"): print("kept", work)
        else: shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
