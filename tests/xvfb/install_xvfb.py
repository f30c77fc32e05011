#!/usr/bin/python3
"""cmake --install into a temporary prefix, then the installed program started from
there with a fresh home folder under a real X server:

  - it starts (the catalogue is found and copied into the user's data folder) and
    offers the start-up choice;
  - 新規作成 opens the paper dialog; cancelling it brings the choice back;
  - Escape leaves the choice; F1 opens the installed guide in the desktop's browser
    (xdg-open is replaced by a recorder on PATH);
  - the installed tree holds the desktop entry, icon, file types, guide and data.

usage: install_xvfb.py BUILD_DIR [SCREENSHOT_DIR]
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time
import xml.dom.minidom

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xvfb_server  # noqa: E402
from xvfb_server import seconds  # noqa: E402
import main_window_xvfb as session_lib  # noqa: E402

BUILD = sys.argv[1]
SHOTS = sys.argv[2] if len(sys.argv) > 2 else None
session_lib.SHOTS = SHOTS


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def main():
    if not shutil.which("Xvfb") or not shutil.which("xdotool"):
        print("SKIPPED: Xvfb or xdotool missing")
        sys.exit(77)
    work = tempfile.mkdtemp(prefix="velmo-install-")
    prefix = os.path.join(work, "prefix")
    done = subprocess.run(["cmake", "--install", BUILD, "--prefix", prefix], capture_output=True, text=True)
    if done.returncode != 0:
        fail("cmake --install failed:\n" + done.stdout + done.stderr)
    expected = ["bin/velmo", "bin/velmo-tool", "share/velmo/velmo.ppr", "share/velmo/velmo.cdd",
                "share/velmo/velmo-cdd.res", "share/velmo/Images.res", "share/velmo/help/index.html",
                "share/applications/velmo.desktop", "share/mime/packages/velmo.xml",
                "share/icons/hicolor/scalable/apps/velmo.svg"]
    for path in expected:
        if not os.path.exists(os.path.join(prefix, path)):
            fail("not installed: " + path)
    if not os.listdir(os.path.join(prefix, "share/velmo/ILLUST/DecoLine")):
        fail("no decorative-line tiles installed")
    desktop = open(os.path.join(prefix, "share/applications/velmo.desktop"), encoding="utf-8").read()
    for line in ("Exec=velmo %f", "Icon=velmo", "MimeType=application/x-velmo-label-data;"):
        if line not in desktop:
            fail("desktop entry lacks " + line)
    mime = xml.dom.minidom.parse(os.path.join(prefix, "share/mime/packages/velmo.xml"))
    globs = sorted(g.getAttribute("pattern") for g in mime.getElementsByTagName("glob"))
    if globs != ["*.lbd", "*.lbt"]:
        fail("file types: %s" % globs)

    xvfb, display = xvfb_server.start()
    proc = None
    try:
        home = os.path.join(work, "home")
        runtime = os.path.join(work, "runtime")
        fake_bin = os.path.join(work, "fakebin")
        for d in (home, fake_bin):
            os.makedirs(d)
        os.makedirs(runtime, mode=0o700)
        opened = os.path.join(work, "opened.txt")
        with open(os.path.join(fake_bin, "xdg-open"), "w") as f:
            f.write("#!/bin/sh\necho \"$1\" >> '%s'\n" % opened)
        os.chmod(os.path.join(fake_bin, "xdg-open"), 0o755)
        env = dict(os.environ)
        for k in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "PRINTER", "XDG_CURRENT_DESKTOP",
                  "KDE_FULL_SESSION", "GNOME_DESKTOP_SESSION_ID"):
            env.pop(k, None)
        env.update({"DISPLAY": ":%d" % display, "HOME": home, "XDG_RUNTIME_DIR": runtime,
                    "PATH": fake_bin + os.pathsep + env.get("PATH", "/usr/bin"),
                    "CUPS_SERVER": os.path.join(work, "no-scheduler.sock"), "QT_QPA_PLATFORM": "xcb"})
        s = session_lib.Session(env, work)
        # The installed program, not the build's.
        s.proc = None
        log = os.path.join(work, "velmo.log")
        s.logfile = log
        proc = subprocess.Popen([os.path.join(prefix, "bin", "velmo")], env=env, stdout=open(log, "w"),
                                stderr=subprocess.STDOUT, cwd=work)
        s.proc = proc
        choice = s.startup_choice()
        copied = os.path.join(home, ".local", "share", "ベルモ", "velmo.ppr")
        if not os.path.isfile(copied):
            fail("the catalogue was not copied into the user's data folder")
        time.sleep(0.8)
        s.click(choice["X"] + choice["WIDTH"] // 2, choice["Y"] + 51)  # 新規作成
        paper = s.need("用紙の選択", "the paper dialog")
        time.sleep(0.5)
        s.shot("install-paper")
        s.keys("Escape")  # cancelled: the choice comes back
        if not s.gone("用紙の選択"):
            fail("the paper dialog did not close")
        s.startup_choice()
        s.keys("Escape")
        s.focus()
        s.keys("F1")
        deadline = time.time() + seconds(10)
        while time.time() < deadline and not os.path.exists(opened):
            time.sleep(0.2)
        if not os.path.exists(opened):
            fail("F1 did not open the guide; log:\n" + s.log())
        url = open(opened).read().strip()
        want = "file://" + os.path.join(prefix, "share", "velmo", "help", "index.html")
        if url != want:
            fail("the guide opened is %r, not the installed %r" % (url, want))
        s.focus()
        s.keys("alt+f", "x")
        s.wait_ended()
        if proc.returncode != 0:
            fail("the installed program ended with %s" % proc.returncode)
        print("installed program: catalogue, paper dialog, start-up choice, guide from the prefix")
        print("PASS")
    finally:
        if proc and proc.poll() is None:
            proc.kill()
            proc.wait()
        xvfb.kill()
        xvfb.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
