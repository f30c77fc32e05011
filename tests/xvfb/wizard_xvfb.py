#!/usr/bin/python3
"""Both wizards under a real X server, driven with real input events (xdotool), as a
new user goes through them: the wizard makes an address label (genre 宛名・差出人,
the first paper and design), a postcode, a two-line address and a name are typed;
the matching-label wizard makes a sheet of school name stickers with one typed name.
velmo-tool then reads the result files: the typed texts are in the wizard texts, the
paper is one the sub-genre offers, every design object is there and the label renders.
Cancel on every page of both wizards ends without a result file, leaves the file
already there byte for byte and leaves no temporary result behind.

usage: wizard_xvfb.py BUILD_DIR [SCREENSHOT_DIR]
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
VELMO = os.path.join(BUILD, "src", "velmo")
TOOL = os.path.join(BUILD, "src", "velmo-tool")


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def xdo(*args):
    return subprocess.run(["xdotool"] + [str(a) for a in args], capture_output=True, text=True).stdout


def wait_window(title, timeout=30):
    end = time.time() + seconds(timeout)
    while time.time() < end:
        ids = xdo("search", "--name", title).split()
        if ids:
            return ids[-1]
        time.sleep(0.2)
    fail("no window named " + title)


def wait_title(prefix, timeout=15):
    """Waits until a window's title begins with prefix (the wizard names its step)."""
    end = time.time() + seconds(timeout)
    while time.time() < end:
        for window in xdo("search", "--name", prefix).split():
            name = xdo("getwindowname", window).strip()
            if name.startswith(prefix):
                # No window manager gives the new window the keyboard: the test does.
                xdo("windowfocus", "--sync", window)
                return name
        time.sleep(0.2)
    fail("no step titled " + prefix)


def window_origin(prefix):
    window = xdo("search", "--name", prefix).split()[-1]
    geometry = {}
    for line in xdo("getwindowgeometry", "--shell", window).split():
        k, _, value = line.partition("=")
        geometry[k] = int(value)
    return geometry["X"], geometry["Y"]


def double_click_genre(prefix, genre, columns):
    """A double click on a genre button chooses it and moves on (the dialog's layout:
    buttons of about 150 x 120 from the page's top left)."""
    x, y = window_origin(prefix)
    step_x = 175 if columns == 4 else 156
    first_x = 119 if columns == 4 else 99
    xdo("mousemove", x + first_x + step_x * (genre % columns), y + 103 + 126 * (genre // columns))
    time.sleep(0.3)
    xdo("click", "--repeat", 2, "--delay", 80, 1)
    time.sleep(0.5)


def shot(name):
    if SHOTS:
        os.makedirs(SHOTS, exist_ok=True)
        subprocess.run(["import", "-window", "root", os.path.join(SHOTS, name + ".png")])


def key(*keys):
    xdo("key", "--delay", 60, *keys)
    time.sleep(0.3)


def type_text(text):
    xdo("type", "--delay", 40, text)
    time.sleep(0.3)


def tool(*args):
    r = subprocess.run([TOOL] + list(args), capture_output=True, text=True)
    if r.returncode != 0:
        fail("velmo-tool %s: %s" % (args[0], r.stderr))
    return r.stdout


class Run:
    def __init__(self, kind, out, env):
        self.out = out
        self.proc = subprocess.Popen([VELMO, "--" + kind, out], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                     env=env)

    def finish(self, timeout=30):
        try:
            output, _ = self.proc.communicate(timeout=seconds(timeout))
        except subprocess.TimeoutExpired:
            self.proc.kill()
            output, _ = self.proc.communicate()
            fail("the wizard did not end: " + output.decode(errors="replace"))
        return self.proc.returncode


def wizard_run(env, out, cancel_at=None, run=None):
    """The plain wizard to an address label; cancelled on step cancel_at if given.
    Without run, velmo --wizard OUT is started; with one, its wizard is already open."""
    started = run is None
    run = run or Run("wizard", out, env)
    title = wait_title("ウイザード 1/5 ジャンルの選択")
    time.sleep(1)
    if cancel_at == 0:
        key("Escape")
        return run.finish() if started else None
    shot("w1-genre") if cancel_at is None else None
    double_click_genre("ウイザード 1/5", 2, 4)  # 宛名・差出人
    wait_title("ウイザード 2/5 用紙の選択")
    time.sleep(1)
    if cancel_at == 1:
        key("Escape")
        return run.finish() if started else None
    shot("w2-paper") if cancel_at is None else None
    key("Return")
    wait_title("ウイザード 3/5 デザインの選択")
    time.sleep(2)
    if cancel_at == 2:
        key("Escape")
        return run.finish() if started else None
    shot("w3-design") if cancel_at is None else None
    key("Return")
    # The address designs hold no photo: straight to the input step.
    title = wait_title("ウイザード 4/5 入力項目の指定")
    time.sleep(1)
    if cancel_at == 4:
        key("Escape")
        return run.finish() if started else None
    key("ctrl+a")
    type_text("123-4567")
    key("Tab", "ctrl+a")
    type_text("Tokyo Chiyoda 1-2-3")
    key("Return")
    type_text("Velmo Heights 505")
    key("Tab", "ctrl+a")
    type_text("Velmo Shoji")
    key("Tab", "ctrl+a")
    type_text("Hanako Velmo")
    shot("w4-input") if cancel_at is None else None
    key("Return")
    wait_title("ウイザード 5/5 作成データの確認")
    time.sleep(1.5)
    if cancel_at == 5:
        key("Escape")
        return run.finish() if started else None
    shot("w5-finish")
    key("Return")  # 完了
    return run.finish() if started else None


def osoroi_run(env, out, cancel_at=None):
    run = Run("osoroi", out, env)
    wait_title("おそろいラベル 1/6 ジャンルの選択")
    time.sleep(1)
    if cancel_at == 0:
        key("Escape")
        return run.finish()
    shot("o1-genre") if cancel_at is None else None
    double_click_genre("おそろいラベル 1/6", 2, 5)  # スクール
    wait_title("おそろいラベル 2/6 用紙の選択")
    time.sleep(1)
    if cancel_at == 1:
        key("Escape")
        return run.finish()
    shot("o2-paper") if cancel_at is None else None
    key("Return")
    wait_title("おそろいラベル 3/6 デザインの選択")
    time.sleep(2.5)
    if cancel_at == 2:
        key("Escape")
        return run.finish()
    shot("o3-design") if cancel_at is None else None
    key("Return")
    wait_title("おそろいラベル 5/6 入力項目の指定")
    time.sleep(1)
    if cancel_at == 4:
        key("Escape")
        return run.finish()
    key("ctrl+a")
    type_text("Sakura Velmo")
    shot("o5-input") if cancel_at is None else None
    key("Return")
    wait_title("おそろいラベル 6/6 作成データの確認")
    time.sleep(2)
    if cancel_at == 5:
        key("Escape")
        return run.finish()
    shot("o6-finish")
    key("Return")
    return run.finish()


def windows_named(name):
    return [w for w in xdo("search", "--name", name).split() if xdo("getwindowname", w).strip() == name]


def wait_new_window(name, known, timeout=20):
    end = time.time() + seconds(timeout)
    while time.time() < end:
        fresh = [w for w in windows_named(name) if w not in known]
        if fresh:
            xdo("windowfocus", "--sync", fresh[-1])
            return fresh[-1]
        time.sleep(0.2)
    fail("no new window named " + name)


def main_window_scenario(env, work):
    """From the start-up choice as a new user: a wizard cancelled (the choice comes
    back), a wizard to the end (the main window holds its document, untitled), saved
    under a name; then the menu's wizards cancelled on each step leave it as it was."""
    app_title = "ベルモ"
    run = Run.__new__(Run)
    run.out = None
    run.proc = subprocess.Popen([VELMO], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env)
    try:
        main = wait_window("ベルモ - 新規作成")
        time.sleep(2)
        known = [w for w in windows_named(app_title)]
        # The start-up choice: 新規作成, 開く, おそろいラベル, ウイザード, 終了.
        end = time.time() + seconds(20)
        choice = None
        while time.time() < end and not choice:
            names = windows_named(app_title)
            if names:
                choice = names[-1]
            time.sleep(0.3)
        xdo("windowfocus", "--sync", choice)
        shot("m1-startup-choice")
        key("Tab", "Tab", "Tab", "space")
        wait_title("ウイザード 1/5")
        key("Escape")
        # A wizard that did not succeed brings the choice back.
        choice = wait_new_window(app_title, known + [choice])
        key("Tab", "Tab", "Tab", "space")
        wizard_run(env, None, run=run)
        title = wait_title("ベルモ - 新規作成")
        time.sleep(2)
        shot("m2-main-window")
        xdo("windowfocus", "--sync", main)
        key("ctrl+s")
        wait_title("名前を付けて保存")
        saved = os.path.join(work, "main.lbd")
        key("ctrl+a")
        type_text(saved)
        key("Return")
        wait_title("ベルモ - main.lbd")
        design = tool("get-label", saved, "0", "0")
        for typed in ("'123-4567'", "'Tokyo Chiyoda 1-2-3'", "'Velmo Heights 505'", "'Hanako Velmo'"):
            if typed not in design:
                fail("the main window's document lacks %s" % typed)
        with open(saved, "rb") as f:
            before = f.read()
        # The menu's wizards, cancelled on their first steps: the document stays.
        # "(&E)" is also 環境設定's mnemonic in the same menu: E moves to the first
        # entry with it, Return runs it.
        for menu_keys, prefix in ((("w",), "ウイザード"), (("e", "Return"), "おそろいラベル")):
            for steps in (0, 1, 2):
                xdo("windowfocus", "--sync", main)
                key("alt+f")
                key(*menu_keys)
                wait_title(prefix + " 1/")
                time.sleep(0.8)
                for _ in range(steps):
                    key("Return")
                    time.sleep(1.5)
                key("Escape")
                time.sleep(1)
                if not xdo("search", "--name", "ベルモ - main.lbd").split():
                    fail("cancelling the %s on step %d changed the main window's document" % (prefix, steps))
        xdo("windowfocus", "--sync", main)
        key("ctrl+s")
        time.sleep(1.5)
        with open(saved, "rb") as f:
            if tool("get-label", saved, "0", "0") != design:
                fail("the document changed after cancelled wizards")
    finally:
        run.proc.kill()
        run.proc.wait()


def leftovers(tmp):
    return [n for n in os.listdir(tmp) if n.startswith("LWZ")]


def main():
    work = tempfile.mkdtemp(prefix="velmo-wizard-xvfb-")
    tmp = os.path.join(work, "tmp")
    os.makedirs(tmp)
    xvfb, display = xvfb_server.start()
    env = dict(os.environ)
    env.pop("QT_QPA_PLATFORM", None)
    env.update({"DISPLAY": ":%d" % display, "XDG_RUNTIME_DIR": work, "TMPDIR": tmp,
                "XDG_CONFIG_HOME": os.path.join(work, "config"), "XDG_DATA_HOME": os.path.join(work, "data")})
    os.environ["DISPLAY"] = env["DISPLAY"]
    try:
        time.sleep(1)
        # Cancel on every step: no result, the file already there untouched, nothing left over.
        keep = os.path.join(work, "keep.lbd")
        for kind, steps in (("wizard", (0, 1, 2, 4, 5)), ("osoroi", (0, 1, 2, 4, 5))):
            for step in steps:
                with open(keep, "wb") as f:
                    f.write(b"the user's own file")
                code = (wizard_run if kind == "wizard" else osoroi_run)(env, keep, cancel_at=step)
                if code != 3:
                    fail("%s cancelled on step %d ended with %d" % (kind, step, code))
                with open(keep, "rb") as f:
                    if f.read() != b"the user's own file":
                        fail("%s cancelled on step %d changed the file" % (kind, step))
                if leftovers(tmp):
                    fail("%s cancelled on step %d left %s" % (kind, step, leftovers(tmp)))

        # The wizard from the start to the end.
        out = os.path.join(work, "address.lbd")
        code = wizard_run(env, out)
        if code != 0 or not os.path.isfile(out):
            fail("the wizard ended with %d and no result" % code)
        if leftovers(tmp):
            fail("the wizard left its temporary result: %s" % leftovers(tmp))
        info = tool("info", out)
        if "purpose: 宛名ラベル" not in info:
            fail("the paper is not an address-label paper:\n" + info)
        design = tool("get-label", out, "0", "0")
        for typed in ("'123-4567'", "'Tokyo Chiyoda 1-2-3'", "'Velmo Heights 505'", "'Velmo Shoji'", "'Hanako Velmo'"):
            if typed not in design:
                fail("typed text %s is not in the design:\n%s" % (typed, design))
        # Nothing of the design went missing: the delivered design's objects are all there.
        for kind in ("TLOBackImage", "TLORect", "TLOVelmoText"):
            if kind not in design:
                fail("the design lost its %s" % kind)
        png = os.path.join(work, "address.png")
        tool("render", out, "0", "0", png, "--dpi", "150")
        if os.path.getsize(png) < 2000:
            fail("the rendered label is empty")
        if SHOTS:
            shutil.copy(png, os.path.join(SHOTS, "w6-render.png"))

        # The matching-label wizard: one typed name on every sticker of the sheet.
        out = os.path.join(work, "stickers.lbd")
        code = osoroi_run(env, out)
        if code != 0 or not os.path.isfile(out):
            fail("the matching-label wizard ended with %d and no result" % code)
        info = tool("info", out)
        if "ハガキ 16面 角丸 44×14mm" not in info:
            fail("the sheet is not the item's paper:\n" + info)
        for k in range(16):
            design = tool("get-label", out, "0", str(k))
            if "'Sakura Velmo'" not in design:
                fail("sticker %d does not carry the typed name" % k)
        png = os.path.join(work, "stickers.png")
        tool("sheet", out, "0", png, "--dpi", "100")
        if SHOTS:
            shutil.copy(png, os.path.join(SHOTS, "o7-sheet.png"))
        main_window_scenario(env, work)
        print("wizard_xvfb: both wizards made their documents, also from the start-up choice into the main window; "
              "cancel left everything as it was")
    finally:
        xvfb.kill()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
