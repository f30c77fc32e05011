#!/usr/bin/python3
"""The badge job (two merge texts and a Code 39 merge barcode, 8 per US Letter sheet)
printed to PDF by velmo-tool and read back by poppler and ZBar: the text is text in
an embedded font (pdffonts, pdftotext: every record's name and department once), each
barcode decodes to its record at 300 dpi, a page stays compact, and the page looks
the same as when its glyphs are drawn as outlines (VELMO_PDF_TEXT_OUTLINES=1).

usage: pdf_badges_proof.py BUILD_DIR [--records N]
"""
import argparse
import os
import subprocess
import sys
import tempfile

from PIL import Image, ImageFilter

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# The peer's file for the same job holds about 3.8 KB a page; ours may not grow far
# beyond it without the test saying so.
MAX_BYTES_PER_PAGE = 6000


def run(args, env=None):
    r = subprocess.run(args, capture_output=True, env=env)
    if r.returncode != 0:
        sys.exit("failed: %s\n%s" % (" ".join(args), r.stderr.decode(errors="replace")))
    return r.stdout.decode(errors="replace")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--records", type=int, default=40)
    a = parser.parse_args()
    tool = os.path.join(a.build, "src", "velmo-tool")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        ppr = os.path.join(tmp, "b.ppr")
        run([tool, "import-templates", "--catalogue", ppr, os.path.join(ROOT, "bench", "data", "badge-template.xml")], env)
        work = os.path.join(tmp, "b.lbd")
        run([tool, "new", "--paper-file", ppr, "Papers/$00000001", work], env)
        for position in range(8):
            run([tool, "put-label", work, "0", str(position), os.path.join(ROOT, "bench", "data", "badge-design.txt")], env)
        csv = os.path.join(tmp, "list.csv")
        names = ["Person %d" % k for k in range(a.records)]
        with open(csv, "w") as f:
            f.write("Name,Department,SN\n")
            for k in range(a.records):
                f.write("Person %d,Dept %d,SN%08d\n" % (k, k, k))
        pdf = os.path.join(tmp, "text.pdf")
        outlines = os.path.join(tmp, "outlines.pdf")
        args = ["print", work, "--copies", "all", "--merge", csv, "--header", "--pdf"]
        run([tool] + args + [pdf], env)
        run([tool] + args + [outlines], dict(env, VELMO_PDF_TEXT_OUTLINES="1"))
        pages = (a.records + 7) // 8

        fonts = run(["pdffonts", pdf], env).splitlines()[2:]
        if not fonts or not all(" yes " in line for line in fonts):
            failures.append("fonts not embedded: %s" % fonts)
        text = run(["pdftotext", "-layout", pdf, "-"], env)
        for k, name in enumerate(names):
            if text.count(name + " ") + text.count(name + "\n") != 1:
                failures.append("%r found %d times" % (name, text.count(name)))
            if text.count("Dept %d " % k) + text.count("Dept %d\n" % k) != 1:
                failures.append("Dept %d not found once" % k)
        size = os.path.getsize(pdf)
        if size > MAX_BYTES_PER_PAGE * pages + 60000:
            failures.append("PDF of %d pages is %d bytes" % (pages, size))
        if os.path.getsize(outlines) <= size:
            failures.append("glyph outlines (%d bytes) should outweigh text (%d)" % (os.path.getsize(outlines), size))

        for page in range(1, pages + 1):
            stem = os.path.join(tmp, "p%d" % page)
            run(["pdftoppm", "-r", "300", "-f", str(page), "-l", str(page), "-gray", "-png", pdf, stem], env)
            png = [f for f in os.listdir(tmp) if f.startswith("p%d-" % page) and f.endswith(".png")][0]
            codes = run(["zbarimg", "-q", "--raw", os.path.join(tmp, png)], env).split()
            want = {"SN%08d" % k for k in range((page - 1) * 8, min(page * 8, a.records))}
            # Code 39 with its check character: ZBar returns the data with the check.
            got = {c[:-1] if c[:-1] in want else c for c in codes}
            if not want <= got:
                failures.append("page %d: barcodes %s, wanted %s" % (page, sorted(got), sorted(want)))
            os.remove(os.path.join(tmp, png))

        # Same page either way: ink that differs between the two renderings.
        run(["pdftoppm", "-r", "150", "-f", "1", "-l", "1", "-gray", "-png", pdf, os.path.join(tmp, "t")], env)
        run(["pdftoppm", "-r", "150", "-f", "1", "-l", "1", "-gray", "-png", outlines, os.path.join(tmp, "o")], env)
        t = Image.open([os.path.join(tmp, f) for f in os.listdir(tmp) if f.startswith("t-")][0]).convert("L").point(lambda v: 255 if v > 128 else 0)
        o = Image.open([os.path.join(tmp, f) for f in os.listdir(tmp) if f.startswith("o-")][0]).convert("L").point(lambda v: 255 if v > 128 else 0)
        # Ink of one rendering with no ink of the other within a pixel: the text's own
        # renderer smooths edges its own way, but nothing may move or go missing.
        def unpartnered(a, b):
            near = b.filter(ImageFilter.MinFilter(3))
            return sum(1 for x, y in zip(a.getdata(), near.getdata()) if x == 0 and y != 0)
        differing = unpartnered(t, o) + unpartnered(o, t)
        ink = sum(1 for v in o.getdata() if not v)
        if ink == 0 or differing > ink * 0.002:
            failures.append("text and outlines differ in %d of %d ink pixels" % (differing, ink))
        # A picture repeated over every label (a tiled background of 10 business
        # cards, three sheets) is one picture in the file.
        shop = os.path.join(a.build, "data", "Data", "Template", "20-card", "shop.lbt")
        shop_pdf = os.path.join(tmp, "shop.pdf")
        run([tool, "print", shop, "--copies", "3", "--pdf", shop_pdf], env)
        listed = run(["pdfimages", "-list", shop_pdf], env).splitlines()[2:]
        objects = {line.split()[10] for line in listed}
        if len(listed) < 30 or len(objects) != 1:
            failures.append("the tile is drawn %d times as %d pictures" % (len(listed), len(objects)))
        if os.path.getsize(shop_pdf) > 200000:
            failures.append("three sheets of business cards take %d bytes" % os.path.getsize(shop_pdf))
        print("pages %d, PDF %d bytes (%d a page), outlines %d bytes, differing pixels %d of %d ink"
              % (pages, size, size // pages, os.path.getsize(outlines), differing, ink))
    if failures:
        print("\n".join(failures[:40]))
        return 1
    print("ok")
    return 0


if __name__ == "__main__":
    sys.exit(main())
