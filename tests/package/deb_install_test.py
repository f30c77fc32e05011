#!/usr/bin/python3
"""Installs the package deb_package built (BUILD_DIR/deb-test) with apt, as a Debian
user would, runs the installed programs from /usr/bin and removes it again:

  - apt installs it without fetching anything (its dependencies are what
    scripts/install-deps installs);
  - /usr/bin/velmo-tool papers lists the catalogue from /usr/share/velmo, the manual
    page is found by man, the desktop's caches know the program (the triggers of
    shared-mime-info and desktop-file-utils ran);
  - apt remove leaves nothing behind: every file the package listed is gone, the
    caches forget it, and no path under /usr, /etc or /var names velmo that was not
    there before.

Needs root (skipped with exit code 77 otherwise); skipped too when a velmo package is
installed already, which the test must not replace or remove.

usage: deb_install_test.py BUILD_DIR
"""
import glob
import os
import re
import subprocess
import sys
import tempfile
import time

BUILD = os.path.abspath(sys.argv[1])
ENV = dict(os.environ, DEBIAN_FRONTEND="noninteractive", LC_ALL="C.UTF-8", QT_QPA_PLATFORM="offscreen")
APT = ["apt-get", "-y", "-q", "-o", "DPkg::Lock::Timeout=300"]


def fail(message):
    print("FAIL:", message)
    sys.exit(1)


def skip(message):
    print("SKIPPED:", message)
    sys.exit(77)


def run(args, check=True):
    done = subprocess.run(args, capture_output=True, text=True, env=ENV)
    if check and done.returncode != 0:
        fail("%s ended with %d:\n%s%s" % (" ".join(args), done.returncode, done.stdout, done.stderr))
    return done


def installed():
    done = run(["dpkg-query", "-W", "-f=${Status}", "velmo"], check=False)
    return done.returncode == 0 and "installed" in done.stdout.split()[-1:]


def velmo_paths():
    """Every path under the folders a package writes to whose name holds "velmo"
    (/usr/local is the administrator's, not the package's)."""
    found = set()
    for top in ("/usr", "/etc", "/var/lib/dpkg/info"):
        done = run(["find", top, "-xdev", "-path", "/usr/local", "-prune", "-o", "-iname", "*velmo*", "-print"],
                    check=False)
        found.update(done.stdout.split("\n"))
    found.discard("")
    return found


def start_installed_velmo():
    """/usr/bin/velmo started by a new user (off-screen, no display needed): it must keep
    running and take the catalogue from /usr/share/velmo into the user's folder."""
    with tempfile.TemporaryDirectory(prefix="velmo-deb-home-") as home:
        runtime = os.path.join(home, "runtime")
        os.makedirs(runtime, mode=0o700)
        env = dict(ENV, HOME=home, XDG_RUNTIME_DIR=runtime)
        for key in ("XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "DISPLAY"):
            env.pop(key, None)
        proc = subprocess.Popen(["/usr/bin/velmo"], env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                cwd=home)
        copied = os.path.join(home, ".local", "share", "ベルモ", "velmo.ppr")
        deadline = time.time() + 30
        while time.time() < deadline and proc.poll() is None and not os.path.isfile(copied):
            time.sleep(0.2)
        ended = proc.poll()
        proc.terminate()
        try:
            output = proc.communicate(timeout=10)[0].decode("utf-8", "replace")
        except subprocess.TimeoutExpired:
            proc.kill()
            output = proc.communicate()[0].decode("utf-8", "replace")
        if ended is not None:
            fail("/usr/bin/velmo ended with %d at its start:\n%s" % (ended, output))
        if not os.path.isfile(copied):
            fail("/usr/bin/velmo did not take the catalogue from /usr/share/velmo:\n" + output)
        with open(copied, "rb") as a, open("/usr/share/velmo/velmo.ppr", "rb") as b:
            if a.read() != b.read():
                fail("the user's catalogue is not the installed one")
    return "velmo started and copied the installed catalogue"


def main():
    if os.geteuid() != 0:
        skip("installing a package needs root")
    debs = glob.glob(os.path.join(BUILD, "deb-test", "velmo_*.deb"))
    if len(debs) != 1:
        fail("no package in %s/deb-test (the deb_package test builds it)" % BUILD)
    deb = debs[0]
    if installed():
        skip("a velmo package is installed on this machine already; not touching it")
    # Nothing but the package itself may be fetched or installed: its dependencies are
    # what scripts/install-deps installs (a run on a machine without the network).
    planned = run(APT + ["install", "--no-install-recommends", "--simulate", deb]).stdout
    installs = re.findall(r"^Inst (\S+)", planned, re.M)
    if installs != ["velmo"]:
        fail("apt would install %s; run scripts/install-deps first" % installs)
    before = velmo_paths()
    try:
        done = run(APT + ["install", "--no-install-recommends", deb], check=False)
        if done.returncode != 0:
            fail("apt-get install %s:\n%s%s" % (deb, done.stdout, done.stderr))
        if not installed():
            fail("apt installed, dpkg does not list velmo as installed")
        files = [p for p in run(["dpkg", "-L", "velmo"]).stdout.splitlines() if p and p != "/."]

        papers = run(["/usr/bin/velmo-tool", "papers"]).stdout.splitlines()
        if len(papers) < 10 or not papers[0].startswith("key\tname"):
            fail("/usr/bin/velmo-tool papers printed:\n" + "\n".join(papers[:5]))
        started = start_installed_velmo()
        manual = run(["man", "-w", "velmo-tool"]).stdout.strip()
        if manual != "/usr/share/man/man1/velmo-tool.1.gz":
            fail("man finds velmo-tool's page at %r" % manual)
        shown = run(["man", "velmo-tool"]).stdout
        if "COMMANDS" not in shown or "papers" not in shown:
            fail("man velmo-tool shows no command reference")
        if not os.path.isfile("/usr/share/mime/application/x-velmo-label-data.xml"):
            fail("the MIME database does not know .lbd files (shared-mime-info's trigger)")
        cache = "/usr/share/applications/mimeinfo.cache"
        if os.path.exists("/usr/bin/update-desktop-database") and "velmo.desktop" not in open(cache).read():
            fail("the desktop database does not offer velmo for its file types")
        print("installed: %d paths, velmo-tool papers listed %d papers, man page %s, %s" % (
            len(files), len(papers) - 1, manual, started))
    finally:
        if installed():
            run(APT + ["remove", "velmo"])
    if installed() or run(["dpkg-query", "-W", "velmo"], check=False).returncode == 0 and \
            "config-files" in run(["dpkg-query", "-W", "-f=${Status}", "velmo"], check=False).stdout:
        fail("velmo is still known to dpkg after apt remove")
    left = [p for p in files if os.path.isfile(p) or os.path.islink(p)]
    if left:
        fail("apt remove left files behind: %s" % left[:10])
    if os.path.exists("/usr/share/mime/application/x-velmo-label-data.xml"):
        fail("the MIME database still knows .lbd files after removal")
    if os.path.exists("/usr/share/applications/mimeinfo.cache") and \
            "velmo.desktop" in open("/usr/share/applications/mimeinfo.cache").read():
        fail("the desktop database still names velmo.desktop after removal")
    new = sorted(velmo_paths() - before)
    if new:
        fail("paths left behind after removal: %s" % new[:10])
    print("removed: no file, cache entry or path left behind")
    print("PASS")


if __name__ == "__main__":
    main()
