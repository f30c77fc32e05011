#!/usr/bin/python3
"""The insertion controller in the real program under a real X server with real input
(xdotool): a work file whose label holds a merge text and a numbering object is opened,
a 20-record CSV is linked through 差し込みデータ > CSVファイルの選択, the controller shows
by itself, and its next, last, previous (key), first and jump buttons are pressed. After
each step the label must show the right record: the test host's report names the merge
text and number, and the label's pixels on the screen must change with the record and
come back identical for the same record.

usage: merge_controller_xvfb.py BUILD_DIR [SCREENSHOT_DIR]
"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop_sandbox import desktop_sandbox  # noqa: E402  (beside this script)
from xvfb_server import seconds  # noqa: E402
from host_reports import Reports  # noqa: E402

BUILD = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 else None
HOST = os.path.join(BUILD, "tests", "velmo-test-host")
TOOL = os.path.join(BUILD, "src", "velmo-tool")
PAPER = "A4 12面 86.4×42.3mm"

DESIGN = """object TLDObjects
  object TLOInsText
    Left = 40
    Top = 40
    Width = 600
    Height = 120
    Text.Strings = (
      'x')
    Font.Charset = SHIFTJIS_CHARSET
    Font.Color = clBlack
    Font.Name = 'IPAPGothic'
    Font.Size = 20
    Font.Style = []
    AutoSize = True
    InsertionField = 0
  end
  object TLONumbering
    Left = 40
    Top = 240
    Width = 300
    Height = 100
    Text.Strings = (
      '0')
    Font.Charset = SHIFTJIS_CHARSET
    Font.Color = clBlack
    Font.Name = 'IPAPGothic'
    Font.Size = 14
    Font.Style = []
    AutoSize = True
    HeaderText = 'No.'
    StartNumber = 1
    StepCount = 1
  end
end
"""


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def parse(block):
    state = {"ctlbutton": {}, "instext": None, "numbering": None}
    for line in block:
        parts = line.split(" ")
        key = parts[0]
        if key == "ctlbutton":
            state["ctlbutton"][int(parts[1])] = (int(parts[2]), int(parts[3]), parts[4] == "1", parts[5] == "1")
        elif key == "controller":
            state["controller"] = parts[1]
            if parts[1] == "shown":
                state["status"] = parts[2].replace("_", " ")
                state["active"] = parts[3] == "1"
        elif key == "instext":
            state["instext"] = parts[1]
        elif key == "numbering":
            state["numbering"] = int(parts[1])
        elif key == "site":
            state["site"] = tuple(int(v) for v in parts[1:5])
        elif key == "counter":
            state["counter"] = (int(parts[1]), int(parts[2]))
        elif key == "dialog":
            state["dialog"] = parts[1]
        elif key == "spin":
            state["spin"] = (int(parts[1]), parts[2] == "1", int(parts[3]), int(parts[4]))
        elif key == "button":
            state.setdefault("buttons", {})[parts[1]] = (int(parts[2]), int(parts[3]))
        else:
            state[key] = parts[1:]
    return state


class Session:
    def __init__(self, env, work):
        self.env = env
        self.work = work

    def xdo(self, *args):
        return subprocess.run(["xdotool"] + list(args), env=self.env, capture_output=True, text=True).stdout

    def click(self, x, y):
        self.xdo("mousemove", str(x), str(y))
        time.sleep(0.15)
        self.xdo("click", "1")
        time.sleep(0.3)

    def keys(self, *keys):
        for k in keys:
            self.xdo("key", k)
            time.sleep(0.35)

    def type(self, text):
        self.xdo("type", "--delay", "30", "--", text)
        time.sleep(0.3)

    def shot(self, name):
        if SHOTS:
            subprocess.run(["import", "-window", "root", os.path.join(SHOTS, name + ".png")], env=self.env)

    def grab(self, rect, name):
        """The label on the screen as the user sees it (an independent look at what the
        view drew)."""
        from PIL import Image
        path = os.path.join(self.work, name + ".png")
        subprocess.run(["import", "-window", "root", path], env=self.env, check=True)
        x, y, w, h = rect
        return Image.open(path).convert("RGB").crop((x, y, x + w, y + h))

    def gone(self, name, timeout=10):
        deadline = time.time() + seconds(timeout)
        while time.time() < deadline:
            if not self.xdo("search", "--onlyvisible", "--name", name).split():
                return True
            time.sleep(0.2)
        return False

    def find(self, name, timeout=15):
        deadline = time.time() + seconds(timeout)
        while time.time() < deadline:
            ids = self.xdo("search", "--onlyvisible", "--name", name).split()
            if ids:
                return ids[0]
            time.sleep(0.2)
        return None


def expect_record(s, reports, n, count, what):
    """Record n (1-based) shown: the merge text, the number, "n / N"."""
    want = "名前%02d" % n
    state = reports.wait(lambda st: st.get("instext") == want and st.get("status") == "%d / %d" % (n, count),
                         "%s: label showing %s and %d / %d" % (what, want, n, count))
    if state.get("numbering") != n - 1:
        fail("%s: numbering shows %r, the record's label is %d" % (what, state.get("numbering"), n - 1))
    return state


def different(a, b):
    from PIL import ImageChops
    return ImageChops.difference(a, b).getbbox() is not None


def run(s, home):
    work = os.path.join(home, "badges.lbd")
    design = os.path.join(s.work, "design.txt")
    with open(design, "w", encoding="utf-8") as f:
        f.write(DESIGN)
    for args in ([TOOL, "new", "--paper", PAPER, work], [TOOL, "put-label", work, "0", "0", design]):
        r = subprocess.run(args, capture_output=True, text=True)
        if r.returncode != 0:
            fail("%s: %s" % (" ".join(args), r.stderr))
    csv = os.path.join(home, "names.csv")
    with open(csv, "w", encoding="utf-8") as f:
        for i in range(1, 21):
            f.write("名前%02d,東京都%d丁目\n" % (i, i))

    log = open(os.path.join(s.work, "host.log"), "wb")
    env = dict(s.env)
    env["VELMO_TEST_MERGE_REPORT"] = "1"
    proc = subprocess.Popen([HOST, work], env=env, stdout=log, stderr=subprocess.PIPE)
    reports = Reports(proc.stderr, parse, fail)
    try:
        state = reports.wait(lambda st: st.get("view") == ["layout"] and st.get("instext") is not None,
                             "the layout view with the merge text", 30)
        if state.get("controller") != "hidden":
            fail("the controller shows before any merge data is linked")
        time.sleep(2.5)  # the splash goes
        site = state["site"]
        s.click(site[0] + site[2] - 5, site[1] + site[3] - 5)  # keyboard to the main window
        s.keys("alt+f", "m", "f")  # 差し込みデータ(M) > CSVファイルの選択(F)
        if not s.find("CSVファイルの選択"):
            s.shot("missing-csv-dialog")
            fail("the CSV file dialog did not show")
        s.keys("ctrl+a")
        s.type(csv)
        s.keys("Return")
        if not s.gone("CSVファイルの選択"):
            fail("the CSV file dialog stayed open")
        state = expect_record(s, reports, 1, 20, "linked")
        if state.get("controller") != "shown":
            fail("the controller did not show by itself for a label with merge objects")
        if state.get("command") != ["1", "1"]:
            fail("the menu command is not checked: %r" % state.get("command"))
        time.sleep(0.5)
        s.shot("controller-linked")
        site = state["site"]
        first = s.grab(site, "first")
        buttons = state["ctlbutton"]
        if buttons[0][2] or buttons[1][2] or not buttons[2][2] or not buttons[3][2]:
            fail("on the first record only next and last may be pressed: %r" % buttons)

        s.click(*buttons[2][:2])  # next
        expect_record(s, reports, 2, 20, "next")
        time.sleep(0.3)
        second = s.grab(site, "second")
        if not different(first, second):
            fail("the label on the screen did not change with the record")

        s.click(*reports.latest["ctlbutton"][3][:2])  # last
        state = expect_record(s, reports, 20, 20, "last")
        time.sleep(0.3)
        s.shot("controller-last")
        if state["ctlbutton"][2][2] or state["ctlbutton"][3][2]:
            fail("next and last stay pressable on the last record")

        # The keyboard: the controller has it after the click.
        s.keys("Left")
        expect_record(s, reports, 19, 20, "the Left key")
        s.keys("Home")
        expect_record(s, reports, 1, 20, "the Home key")
        time.sleep(0.3)
        again = s.grab(site, "again")
        if different(first, again):
            first.save(os.path.join(s.work, "diff-a.png"))
            again.save(os.path.join(s.work, "diff-b.png"))
            fail("the first record looks different the second time it is shown")

        s.click(*reports.latest["ctlbutton"][4][:2])  # jump
        state = reports.wait(lambda st: st.get("dialog") == "ジャンプ・検索・並べかえ" and "spin" in st,
                             "the jump dialog")
        s.shot("controller-jump-dialog")
        if not state["spin"][1]:
            fail("the record number box does not have the keyboard")
        s.keys("ctrl+a")
        s.type("7")
        s.keys("Return")
        if not s.gone("ジャンプ・検索・並べかえ"):
            fail("the jump dialog stayed open")
        state = expect_record(s, reports, 7, 20, "jump to 7")
        time.sleep(0.3)
        s.shot("controller-record-7")
        if state.get("modified") != ["0"]:
            fail("browsing marked the label as edited")

        # Closing the controller unchecks its command; the label keeps the record.
        s.keys("Escape")
        state = reports.wait(lambda st: st.get("controller") == "hidden", "the controller closed by Escape")
        if state.get("command") != ["1", "0"] or state.get("instext") != "名前07":
            fail("after Escape: command %r, label %r" % (state.get("command"), state.get("instext")))
        print("controller: link, next, last, Left, Home, jump to 7 and Escape checked")
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()


def main():
    with desktop_sandbox("velmo-merge-controller-") as box:
        s = box.track(Session(box.env, box.work))
        run(s, box.home)
        print("PASS")


if __name__ == "__main__":
    main()
