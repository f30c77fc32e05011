"""A private X server and a fresh home for one window test: the program under test
sees no settings, printers or desktop of the machine it runs on, and whatever it
writes goes into one temporary folder that is removed afterwards (kept when
VELMO_KEEP_TEST_FILES is set). VELMO_XVFB_DISPLAY=N runs on an X server already
started on display :N instead of a private one (for watching a test)."""
import contextlib
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xvfb_server  # noqa: E402  (beside this script)


class Sandbox:
    def __init__(self, work, display):
        self.work = work
        self.home = os.path.join(work, "home")
        runtime = os.path.join(work, "runtime")
        os.makedirs(self.home)
        os.makedirs(runtime, mode=0o700)
        env = dict(os.environ)
        for k in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "PRINTER"):
            env.pop(k, None)
        # No print scheduler is reachable: the program must still run (print to PDF).
        env.update({"DISPLAY": ":%d" % display, "HOME": self.home, "XDG_RUNTIME_DIR": runtime,
                    "CUPS_SERVER": os.path.join(work, "no-scheduler.sock"), "QT_QPA_PLATFORM": "xcb"})
        self.env = env
        self._sessions = []

    def track(self, session):
        """A session whose program (its `proc`) is killed when the sandbox closes."""
        self._sessions.append(session)
        return session

    def _stop_programs(self):
        for s in self._sessions:
            proc = getattr(s, "proc", None)
            if proc and proc.poll() is None:
                proc.kill()
                proc.wait()


@contextlib.contextmanager
def desktop_sandbox(prefix):
    if not shutil.which("Xvfb") or not shutil.which("xdotool"):
        print("SKIPPED: Xvfb or xdotool missing")
        sys.exit(77)
    work = tempfile.mkdtemp(prefix=prefix)
    fixed = int(os.environ["VELMO_XVFB_DISPLAY"]) if os.environ.get("VELMO_XVFB_DISPLAY") else None
    xvfb, display = (None, fixed) if fixed is not None else xvfb_server.start()
    box = None
    try:
        box = Sandbox(work, display)
        yield box
    finally:
        if box:
            box._stop_programs()
        if xvfb:
            xvfb.kill()
            xvfb.wait()
        if os.environ.get("VELMO_KEEP_TEST_FILES"):
            print("kept", work)
        else:
            shutil.rmtree(work, ignore_errors=True)
