#!/usr/bin/env python3
"""Prints through a real CUPS scheduler of the test's own.

A private cupsd is started with its configuration, spool, cache, logs and socket in a
temporary folder, inside a mount namespace of its own in which that folder's
configuration is mounted over /etc/cups (the PDF backend reads its settings from
there, and only from there). The machine's own scheduler, queues and configuration
are never touched or even seen. A PDF queue is added (the cups-pdf backend, with a
page description whose printable area leaves margins, so that the program must put
logical (0, 0) on the paper's corner itself), and a work file is printed to it
through velmo-tool print --printer and through QPrinter in the test program; each
produced PDF is checked page by page against the same sheet printed straight to a
PDF file. A vanished printer and a queue that refuses jobs must fail clearly.

Exit code 77 (skipped, with the reason) where it cannot run: not root, cupsd or the
PDF backend missing, or no mount namespaces.

usage: private_cups_test.py BUILD_DIR
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIP = 77


def skip(reason):
    print("SKIPPED: private CUPS printing test: " + reason)
    sys.exit(SKIP)


def run(cmd, env=None, check=True, timeout=300):
    r = subprocess.run(cmd, env=env, capture_output=True, text=True, timeout=timeout)
    if check and r.returncode != 0:
        raise SystemExit("FAILED: %s\nexit %d\nstdout: %s\nstderr: %s" % (" ".join(cmd), r.returncode, r.stdout, r.stderr))
    return r


def write(path, text):
    with open(path, "w") as f:
        f.write(text)


def wait_for_pdfs(folder, count, seconds=120):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = sorted(f for f in os.listdir(folder) if f.endswith(".pdf"))
        if len(found) >= count:
            # The backend writes the file while converting: wait until it reads whole.
            paths = [os.path.join(folder, f) for f in found]
            for _ in range(120):
                if all(subprocess.run(["pdfinfo", p], capture_output=True).returncode == 0 for p in paths):
                    return paths
                time.sleep(0.5)
            return paths
        time.sleep(0.5)
    return []


def page_info(pdf):
    out = run(["pdfinfo", pdf]).stdout
    pages = int([l for l in out.splitlines() if l.startswith("Pages:")][0].split()[1])
    size = [l for l in out.splitlines() if l.startswith("Page size:")][0].split()
    return pages, float(size[2]), float(size[4])


def raster(pdf, page, dpi, folder, name):
    prefix = os.path.join(folder, name)
    run(["pdftoppm", "-r", str(dpi), "-f", str(page), "-l", str(page), "-singlefile", "-gray", pdf, prefix])
    from PIL import Image
    return Image.open(prefix + ".pgm").convert("L")


def ink_mismatch(a, b, tolerance=2):
    """Ink pixels of a with no ink of b within tolerance pixels, and the ink count of a."""
    from PIL import ImageFilter
    grown = b.point(lambda v: 255 if v < 200 else 0).filter(ImageFilter.MaxFilter(2 * tolerance + 1))
    ink = a.point(lambda v: 255 if v < 200 else 0)
    pa, pg = ink.load(), grown.load()
    w, h = a.size
    missing = total = 0
    for y in range(h):
        for x in range(w):
            if pa[x, y]:
                total += 1
                if not pg[x, y]:
                    missing += 1
    return missing, total


def gui_print(build, env, dirs, work):
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "xvfb"))
    import print_dialog_xvfb as pd
    run(["lpadmin", "-d", "velmo-pdf"], env=env)
    import xvfb_server
    xvfb, display = xvfb_server.start()
    host = None
    try:
        home = os.path.join(work, "home")
        runtime = os.path.join(work, "runtime")
        os.makedirs(home, exist_ok=True)
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        genv = dict(env)
        genv.update({"DISPLAY": ":%d" % display, "HOME": home, "XDG_RUNTIME_DIR": runtime,
                     "XDG_CONFIG_HOME": os.path.join(home, ".config"), "QT_QPA_PLATFORM": "xcb",
                     "SAMPLE": os.path.join(work, "sample.lbd")})
        for _ in range(50):
            if os.path.exists("/tmp/.X11-unix/X%d" % display):
                break
            time.sleep(0.1)
        e = dict(genv)
        e["VELMO_TEST_MAKE_SHEET"] = genv["SAMPLE"]
        run([os.path.join(build, "tests", "velmo-test-host")], env=e)
        host = pd.run_host(genv)
        s = pd.Session(genv)
        main_win = s.window("sample.lbd", 20)
        if not main_win:
            raise SystemExit("FAILED: the sheet window did not show")
        s.click(main_win["X"] + 40, main_win["Y"] + 33)
        dlg = s.window("ラベルシートの印刷")
        if not dlg:
            raise SystemExit("FAILED: the print dialog did not open")
        shots = os.environ.get("VELMO_CUPS_SHOTS")
        if shots:
            subprocess.run(["import", "-window", "root", os.path.join(shots, "dialog-to-queue.png")], env=genv)
        s.click(dlg["X"] + 404, dlg["Y"] + 515)  # 印刷開始
        printed = wait_for_pdfs(dirs["out"], 1)
        if not printed:
            raise SystemExit("FAILED: the dialog's job produced no PDF")
        pages, w, h = page_info(printed[0])
        assert pages == 1 and abs(w - 595.3) < 1.5 and abs(h - 841.9) < 1.5, (pages, w, h)
        found = pd.colours(printed[0], work)
        if ("red", "right") not in found or ("blue", "left") not in found:
            raise SystemExit("FAILED: the queue's page lacks the designs: %s" % sorted(found))
        if shots:
            shutil.copy(printed[0], os.path.join(shots, "dialog-to-queue.pdf"))
        for f in printed:
            os.remove(f)
        print("print dialog to the queue: the red and the blue label on their faces")
    finally:
        if host:
            host.terminate()
            try:
                host.wait(10)
            except subprocess.TimeoutExpired:
                host.kill()
        xvfb.terminate()
        xvfb.wait(10)


def inside_namespace(build):
    tool = os.path.join(build, "src", "velmo-tool")
    test_print = os.path.join(build, "tests", "test_print")
    catalogue = os.path.join(build, "data", "velmo.ppr")
    root = tempfile.mkdtemp(prefix="velmo-cups-")
    os.chmod(root, 0o755)
    try:
        etc = os.path.join(root, "etc")
        dirs = {n: os.path.join(root, n) for n in ("spool", "tmp", "cache", "state", "log", "out", "pdfspool", "work")}
        os.makedirs(etc)
        for d in dirs.values():
            os.makedirs(d)
            os.chmod(d, 0o777)
        os.chmod(dirs["spool"], 0o710)
        sock = os.path.join(root, "cups.sock")
        write(os.path.join(etc, "cupsd.conf"), """LogLevel warn
Listen %s
Browsing No
WebInterface No
DefaultAuthType None
PreserveJobFiles Yes
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
""" % sock)
        write(os.path.join(etc, "cups-files.conf"), """ServerRoot /etc/cups
RequestRoot %(spool)s
TempDir %(tmp)s
CacheDir %(cache)s
StateDir %(state)s
ErrorLog %(log)s/error_log
AccessLog %(log)s/access_log
PageLog %(log)s/page_log
FileDevice No
Sandboxing Relaxed
""" % dirs)
        write(os.path.join(etc, "client.conf"), "ServerName %s\n" % sock)
        write(os.path.join(etc, "cups-pdf.conf"), """Out %(out)s
Spool %(pdfspool)s
AnonDirName %(out)s
UserUMask 0000
Grp root
""" % dirs)
        os.makedirs(os.path.join(etc, "ppd"))
        # The PDF queue's page description, with margins on the A4 page: the printable
        # area starts 18 points from the left and 36 from the top.
        with open("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd", encoding="latin-1") as f:
            ppd = f.read()
        ppd = ppd.replace('*ImageableArea A4/A4: "0 0 595 842"', '*ImageableArea A4/A4: "18 24 577 806"')
        ppd_path = os.path.join(root, "velmo-pdf.ppd")
        with open(ppd_path, "w", encoding="latin-1") as f:
            f.write(ppd)
        # From here on /etc/cups is ours (only inside this namespace).
        run(["mount", "--bind", etc, "/etc/cups"])
        env = dict(os.environ)
        env["CUPS_SERVER"] = sock
        env["QT_QPA_PLATFORM"] = "offscreen"
        env.pop("PRINTER", None)
        env.pop("LPDEST", None)
        cupsd = subprocess.Popen(["cupsd", "-f", "-c", "/etc/cups/cupsd.conf", "-s", "/etc/cups/cups-files.conf"],
                                 env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        try:
            for _ in range(100):
                if os.path.exists(sock):
                    break
                if cupsd.poll() is not None:
                    raise SystemExit("FAILED: cupsd ended: " + cupsd.stderr.read().decode())
                time.sleep(0.1)
            else:
                raise SystemExit("FAILED: cupsd made no socket")
            run(["lpadmin", "-p", "velmo-pdf", "-E", "-v", "cups-pdf:/", "-P", ppd_path], env=env)
            run(["lpadmin", "-p", "velmo-pdf", "-o", "PageSize=A4"], env=env)
            names = run(["lpstat", "-p"], env=env).stdout
            if "velmo-pdf" not in names:
                raise SystemExit("FAILED: the queue is not there: " + names)

            # A work file on a catalogue paper: frames and cut lines need no label kind.
            work = dirs["work"]
            lbd = os.path.join(work, "cd.lbd")
            run([tool, "new", "--paper", "A4 2面 CD/DVD 内径41mm 117×117mm", lbd], env=env)
            common = ["--copies", "2", "--frames", "--cut-lines", "--offset", "1.5,-2.0"]
            direct = os.path.join(work, "direct.pdf")
            run([tool, "print", lbd] + common + ["--pdf", direct], env=env)
            r = run([tool, "print", lbd] + common + ["--printer", "velmo-pdf"], env=env)
            printed = wait_for_pdfs(dirs["out"], 1)
            if not printed:
                log = open(os.path.join(dirs["log"], "error_log")).read() if os.path.exists(os.path.join(dirs["log"], "error_log")) else ""
                raise SystemExit("FAILED: the queue produced no PDF; scheduler log:\n" + log)
            pages, w, h = page_info(printed[0])
            assert pages == 2, "pages %d" % pages
            assert abs(w - 595.3) < 1.5 and abs(h - 841.9) < 1.5, (w, h)
            for page in (1, 2):
                a = raster(printed[0], page, 150, work, "cups%d" % page)
                b = raster(direct, page, 150, work, "direct%d" % page)
                assert a.size == b.size, (a.size, b.size)
                missing, total = ink_mismatch(a, b)
                back, total_b = ink_mismatch(b, a)
                assert total > 1000 and total_b > 1000, (total, total_b)
                assert missing * 200 < total and back * 200 < total_b, \
                    "page %d: %d of %d printed pixels away from the PDF's, %d of %d the other way" % (
                        page, missing, total, back, total_b)
            print("velmo-tool print --printer: 2 pages, A4, frames and cut lines where the PDF has them")
            shutil.copy(printed[0], os.path.join(work, "via-tool.pdf"))
            for f in printed:
                os.remove(f)

            # A landscape sheet: the page turned, the printable area's offset taken in
            # the turned page's terms.
            turned = os.path.join(work, "turned.lbd")
            run([tool, "new", "--paper", "A4 4面 105×148.5mm", "--landscape", turned], env=env)
            common = ["--frames", "--cut-lines", "--offset", "-1.0,2.5"]
            direct_turned = os.path.join(work, "direct-turned.pdf")
            run([tool, "print", turned] + common + ["--pdf", direct_turned], env=env)
            run([tool, "print", turned] + common + ["--printer", "velmo-pdf"], env=env)
            printed = wait_for_pdfs(dirs["out"], 1)
            if not printed:
                raise SystemExit("FAILED: the queue produced no PDF for the landscape sheet")
            a = raster(printed[0], 1, 150, work, "turned-cups")
            b = raster(direct_turned, 1, 150, work, "turned-direct")
            # The PDF page is landscape; the queue turns the print onto the portrait sheet
            # that goes through the printer, as a printer does. Turned back, it must match.
            assert b.size[0] > b.size[1], b.size
            from PIL import Image
            results = []
            for turn in (Image.ROTATE_90, Image.ROTATE_270):
                c = a.transpose(turn) if a.size != b.size else a
                if c.size != b.size:
                    continue
                missing, total = ink_mismatch(c, b)
                back, total_b = ink_mismatch(b, c)
                results.append((missing, total, back, total_b))
                if total > 1000 and missing * 200 < total and back * 200 < total_b:
                    break
            else:
                raise SystemExit("FAILED: the landscape page does not match the direct PDF: %s" % results)
            for f in printed:
                os.remove(f)
            print("landscape through the queue: the page turned, frames where the PDF has them")

            # Real label objects: barcodes on positions 0 and 3 of a 4-up sheet, banded
            # at the queue's resolution, read back by ZBar from the queue's PDF.
            if shutil.which("zbarimg"):
                codes = os.path.join(work, "codes.lbd")
                run([tool, "new", "--paper", "A4 4面 105×148.5mm", "--design", "each", codes], env=env)
                design = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                      "data", "barcode", "label-design.txt")
                for position in ("0", "3"):
                    run([tool, "put-label", codes, "0", position, design], env=env)
                run([tool, "print", codes, "--banding", "--printer", "velmo-pdf"], env=env)
                printed = wait_for_pdfs(dirs["out"], 1)
                if not printed:
                    raise SystemExit("FAILED: the queue produced no PDF for the barcodes")
                prefix = os.path.join(work, "codes-page")
                run(["pdftoppm", "-r", "300", "-singlefile", "-png", printed[0], prefix])
                out = run(["zbarimg", "-q", prefix + ".png"], check=False).stdout
                assert "EAN-13:4901234567894" in out and "CODE-128:Sheet-128" in out, out
                for f in printed:
                    os.remove(f)
                print("barcodes through the queue: " + " ".join(out.split()))

            # The badge job, 1,000 records through the queue: the spooled job is the
            # same compact PDF as the file, not a rendering of it.
            root_dir = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
            badges = os.path.join(work, "badges.lbd")
            badge_ppr = os.path.join(work, "badges.ppr")
            run([tool, "import-templates", "--catalogue", badge_ppr,
                 os.path.join(root_dir, "bench", "data", "badge-template.xml")], env=env)
            run([tool, "new", "--paper-file", badge_ppr, "Papers/$00000001", badges], env=env)
            for position in range(8):
                run([tool, "put-label", badges, "0", str(position),
                     os.path.join(root_dir, "bench", "data", "badge-design.txt")], env=env)
            badge_list = os.path.join(work, "badges.csv")
            with open(badge_list, "w") as f:
                f.write("Name,Department,SN\n")
                for k in range(1000):
                    f.write("Person %d,Dept %d,SN%08d\n" % (k, k, k))
            merge = ["--copies", "all", "--merge", badge_list, "--header"]
            # The file at the queue's resolution (printers are driven at 1200 dpi; the
            # resolution only changes how many digits a coordinate takes).
            badge_pdf = os.path.join(work, "badges.pdf")
            run([tool, "print", badges] + merge + ["--dpi", "1200", "--pdf", badge_pdf], env=env)
            before = set(os.listdir(dirs["spool"]))
            run([tool, "print", badges] + merge + ["--printer", "velmo-pdf"], env=env)
            spooled = []
            for _ in range(200):
                spooled = [f for f in set(os.listdir(dirs["spool"])) - before if f.startswith("d")]
                if spooled:
                    break
                time.sleep(0.1)
            assert spooled, "no job file in the spool"
            job = os.path.join(dirs["spool"], spooled[0])
            # The job is written whole before the scheduler takes it.
            job_size = os.path.getsize(job)
            pdf_size = os.path.getsize(badge_pdf)
            printed = wait_for_pdfs(dirs["out"], 1, seconds=300)
            assert printed, "the queue produced no PDF for the badges"
            pages, w, h = page_info(printed[0])
            assert pages == 125, "pages %d" % pages
            assert job_size <= pdf_size, "spooled %d bytes for a PDF file of %d" % (job_size, pdf_size)
            for f in printed:
                os.remove(f)
            print("1,000 badges: PDF file %d bytes, job spooled to the queue %d bytes, 125 pages printed"
                  % (pdf_size, job_size))

            # The job file cannot be made (its folder takes no files): the print fails
            # with the reason and nothing reaches the queue.
            env_gone = dict(env)
            env_gone["TMPDIR"] = "/proc/self"
            before = set(os.listdir(dirs["spool"]))
            r = run([tool, "print", badges, "--printer", "velmo-pdf"], env=env_gone, check=False)
            assert r.returncode != 0, "a job without its file was reported as printed"
            assert "印刷を始められません" in r.stderr, r.stderr
            time.sleep(1)
            assert not [f for f in set(os.listdir(dirs["spool"])) - before if f.startswith("d")], \
                "a job reached the queue"
            print("job file not writable: refused with " + r.stderr.strip().splitlines()[-1])

            # Through QPrinter in the test program, with designs of its own label kind.
            env2 = dict(env)
            env2["VELMO_TEST_CUPS_PRINTER"] = "velmo-pdf"
            env2["VELMO_TEST_CUPS_OUT"] = dirs["out"]
            r = run([test_print, "--gtest_filter=PrivateCups.*"], env=env2, check=False, timeout=600)
            if r.returncode != 0 or "[  PASSED  ] 1 test" not in r.stdout:
                raise SystemExit("FAILED: QPrinter test\n" + r.stdout[-4000:] + r.stderr[-2000:])
            print("QPrinter: a filled sheet printed through the queue, ink inside every face")

            # The print dialog of the sheet-view window on a private X server, printing
            # to the queue (the scheduler's default and only printer).
            if shutil.which("Xvfb") and shutil.which("xdotool"):
                gui_print(build, env, dirs, work)
            else:
                print("print dialog to the queue: skipped (Xvfb or xdotool missing)")

            # A queue that refuses jobs, then a queue that has gone.
            run(["cupsreject", "velmo-pdf"], env=env)
            r = run([tool, "print", lbd, "--frames", "--printer", "velmo-pdf"], env=env, check=False)
            assert r.returncode == 1, (r.returncode, r.stderr)
            assert "プリンタ「velmo-pdf」は印刷を受け付けていません" in r.stderr, r.stderr
            print("refused job: " + r.stderr.strip())
            run(["lpadmin", "-x", "velmo-pdf"], env=env)
            r = run([tool, "print", lbd, "--frames", "--printer", "velmo-pdf"], env=env, check=False)
            assert r.returncode == 1 and "プリンタ「velmo-pdf」が見つかりません" in r.stderr, (r.returncode, r.stderr)
            print("vanished printer: " + r.stderr.strip())
        finally:
            cupsd.terminate()
            try:
                cupsd.wait(10)
            except subprocess.TimeoutExpired:
                cupsd.kill()
            run(["umount", "/etc/cups"], check=False)
    finally:
        keep = os.environ.get("VELMO_CUPS_KEEP")
        if keep:
            shutil.copytree(os.path.join(root, "work"), keep, dirs_exist_ok=True)
        shutil.rmtree(root, ignore_errors=True)
    print("PASSED")


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        sys.exit(2)
    build = os.path.abspath(sys.argv[1])
    if len(sys.argv) > 2 and sys.argv[2] == "--inside":
        inside_namespace(build)
        return
    if os.geteuid() != 0:
        skip("needs root (a private scheduler with the PDF backend, which runs as root)")
    for program in ("cupsd", "lpadmin", "lpstat", "cupsreject", "unshare", "pdfinfo", "pdftoppm"):
        if not shutil.which(program):
            skip("%s is not installed (scripts/install-deps installs cups and printer-driver-cups-pdf)" % program)
    if not os.path.exists("/usr/lib/cups/backend/cups-pdf"):
        skip("the cups-pdf backend is not installed (printer-driver-cups-pdf)")
    probe = subprocess.run(["unshare", "--mount", "--propagation", "private", "true"], capture_output=True)
    if probe.returncode != 0:
        skip("no mount namespaces here: " + probe.stderr.decode().strip())
    r = subprocess.run(["unshare", "--mount", "--propagation", "private", sys.executable, os.path.abspath(__file__),
                        build, "--inside"])
    sys.exit(r.returncode)


if __name__ == "__main__":
    main()
