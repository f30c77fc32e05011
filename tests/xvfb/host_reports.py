"""The test host's report blocks ("velmo: report begin" … "velmo: report end") read
from its stderr on a thread, for the window tests that steer the host by them."""
import os
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from xvfb_server import seconds  # noqa: E402  (beside this script)


def _fail(message):
    print("FAIL:", message)
    sys.exit(1)


class Reports:
    def __init__(self, stream, parse, fail=_fail):
        self.parse = parse
        self.fail = fail
        self.latest = {}
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
                    self.latest = self.parse(block or [])
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
        self.fail("timed out waiting for " + what)
