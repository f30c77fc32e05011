"""A private X server for the window tests.

Xvfb picks a free display number itself (-displayfd) and reports it once it listens,
so tests started side by side by CTest never share or race for a display.

-noreset: by default the server resets when its last client leaves, and a client that
connects during the reset is refused. Tests that close one program and start the next
would then fail now and then.
"""
import os
import select
import subprocess

# How many times slower the programs under test run than a normal build (the
# sanitizer build sets 3); the tests' waits for a window or a report grow alike.
TIME_FACTOR = max(1.0, float(os.environ.get("VELMO_TEST_TIME_FACTOR") or 1))


def seconds(timeout):
    """A wait of `timeout` seconds of a normal build, stretched by TIME_FACTOR."""
    return timeout * TIME_FACTOR


def start(fixed=None, screen="1280x1024x24", timeout=30.0):
    """Starts Xvfb and returns (process, display number) once it accepts clients."""
    if fixed is not None:
        proc = subprocess.Popen(["Xvfb", ":%d" % fixed, "-screen", "0", screen, "-nolisten", "tcp", "-noreset"],
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return proc, fixed
    read_end, write_end = os.pipe()
    proc = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp", "-noreset"],
                            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    data = b""
    try:
        while not data.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], timeout)
            if not ready:
                raise RuntimeError("Xvfb did not report a display within %.0f s" % timeout)
            chunk = os.read(read_end, 64)
            if not chunk:
                raise RuntimeError("Xvfb ended without reporting a display (exit %s)" % proc.poll())
            data += chunk
    except Exception:
        proc.kill()
        proc.wait()
        raise
    finally:
        os.close(read_end)
    return proc, int(data.strip())
