#!/usr/bin/env python3
"""velmo-tool import-glabels end to end.

A project written here from the public format (every object kind, a field among
fixed text, a merge source in someone else's home) becomes a work file whose print,
merged with a replacement source, holds the merged lines (read back with poppler's
pdftotext) and ink where the objects lie (the page rasterised by pdftoppm, read with
Pillow). Damaged projects end with exit 1 and the reason, and OUT is neither
created nor touched.
"""
import gzip
import os
import shutil
import subprocess
import sys
import tempfile

from PIL import Image

PROJECT = """<?xml version="1.0"?>
<Glabels-document xmlns="http://glabels.org/xmlns/3.0/">
  <Template brand="Test" part="A4-2x4" size="A4" description="Eight labels">
    <Label-rectangle id="0" width="90mm" height="60mm" round="2mm">
      <Layout nx="2" ny="4" x0="10mm" y0="20mm" dx="100mm" dy="65mm"/>
    </Label-rectangle>
  </Template>
  <Objects id="0" rotate="False">
    <Object-box x="5mm" y="5mm" w="30mm" h="20mm" line_width="1mm" line_color="0xff0000ff" fill_color="0x0000ffff"/>
    <Object-ellipse x="40mm" y="5mm" w="20mm" h="20mm" line_width="0.5mm" line_color="0x00ff00ff"/>
    <Object-line x="5mm" y="30mm" dx="80mm" dy="0" line_width="0.5mm" line_color="0x000000ff"/>
    <Object-text x="5mm" y="35mm" w="0" h="0" justify="Left" valign="Top">
      <Span font_family="Sans" font_size="12" color="0x000000ff">Dear <Field name="name"/> of ${city}</Span>
    </Object-text>
    <Object-barcode x="60mm" y="35mm" w="25mm" h="20mm" style="IEC18004" backend="libqrencode" field="name"/>
    <Object-image x="65mm" y="5mm" w="20mm" h="20mm" src="logo.png"/>
  </Objects>
  <Merge type="Text/Comma/Line1Keys" src="/home/someone-else/people.csv"/>
  <Data/>
</Glabels-document>
"""


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def run(tool, *arguments, env):
    return subprocess.run([tool, "import-glabels", *arguments], capture_output=True, encoding="utf-8", env=env, timeout=120)


def main():
    build = sys.argv[1]
    tool = os.path.join(build, "src", "velmo-tool")
    with tempfile.TemporaryDirectory() as work:
        env = dict(os.environ, HOME=work, XDG_DATA_HOME=os.path.join(work, "share"), QT_QPA_PLATFORM="offscreen")
        project = os.path.join(work, "people.glabels")
        with gzip.open(project, "wt", encoding="utf-8") as f:
            f.write(PROJECT)
        Image.new("RGB", (40, 40), (0, 160, 0)).save(os.path.join(work, "logo.png"))
        data = os.path.join(work, "mine.csv")
        with open(data, "w", encoding="utf-8") as f:
            f.write("name,city\nTaro,Tokyo\nHanako,Osaka\n")
        out = os.path.join(work, "people.lbd")

        # Without a replacement the missing source is named, and the import goes on.
        r = run(tool, project, out, env=env)
        if r.returncode != 0 or "warning: 差し込み: 差し込みデータ /home/someone-else/people.csv が見つかりません" not in r.stdout:
            fail("import without the merge data: %d\n%s%s" % (r.returncode, r.stdout, r.stderr))
        r = run(tool, project, out, "--merge", data, env=env)
        if r.returncode != 0 or "merge: " + data not in r.stdout or "warning:" in r.stdout:
            fail("import with --merge: %d\n%s%s" % (r.returncode, r.stdout, r.stderr))
        if "paper: Test A4-2x4 8面 90×60mm (from the project)" not in r.stdout:
            fail("paper line: " + r.stdout)
        design = subprocess.run([tool, "get-label", out, "0", "0"], capture_output=True, encoding="utf-8", env=env).stdout
        for kind in ("TLORect", "TLOCircle", "TLOLine", "TLOInsText", "TLOInsZintBarCode", "TLOVelmoImage"):
            if "object " + kind not in design:
                fail("design lacks " + kind + ":\n" + design)

        pdf = os.path.join(work, "people.pdf")
        p = subprocess.run([tool, "print", out, "--merge", data, "--header", "--pdf", pdf],
                           capture_output=True, encoding="utf-8", env=env, timeout=120)
        if p.returncode != 0:
            fail("print: " + p.stderr)
        text = subprocess.run(["pdftotext", pdf, "-"], capture_output=True, encoding="utf-8").stdout
        for line in ("Dear Taro of Tokyo", "Dear Hanako of Osaka"):
            if line not in text:
                fail("the print lacks %r: %r" % (line, text))
        subprocess.run(["pdftoppm", "-r", "50", "-png", "-singlefile", pdf, os.path.join(work, "page")], check=True)
        page = Image.open(os.path.join(work, "page.png")).convert("RGB")
        mm = page.width / 210.0
        # The first label's box is filled blue, its centre at (10+5+15, 20+5+10) mm.
        r_, g_, b_ = page.getpixel((int(30 * mm), int(30 * mm)))
        if not (b_ > 200 and r_ < 80 and g_ < 80):
            fail("no blue box where the project puts it: %r" % ((r_, g_, b_),))
        # The second label in the row carries the same design 100 mm further right.
        if page.getpixel((int(130 * mm), int(30 * mm))) != (r_, g_, b_):
            fail("the second label differs from the first")
        # The picture beside the project, green, centred at (10+65+10, 20+5+10) mm.
        r_, g_, b_ = page.getpixel((int(85 * mm), int(35 * mm)))
        if not (g_ > 120 and r_ < 60 and b_ < 60):
            fail("no picture where the project puts it: %r" % ((r_, g_, b_),))

        # With a catalogue of the user's own, the sheet joins it, and the next import
        # finds it there.
        catalogue = os.path.join(work, "share", "ベルモ", "velmo.ppr")
        os.makedirs(os.path.dirname(catalogue))
        shutil.copyfile(os.path.join(build, "data", "velmo.ppr"), catalogue)
        r = run(tool, project, out, "--merge", data, env=env)
        if r.returncode != 0 or "(added to the user's catalogue)" not in r.stdout:
            fail("the new sheet did not join the user's catalogue: " + r.stdout + r.stderr)
        r = run(tool, project, out, "--merge", data, env=env)
        if r.returncode != 0 or "paper: Test A4-2x4 8面 90×60mm (catalogue)" not in r.stdout:
            fail("the sheet was not found in the user's catalogue the second time: " + r.stdout + r.stderr)

        # Damaged projects: no OUT, an existing OUT untouched.
        raw = gzip.compress(PROJECT.encode())
        cases = {
            "truncated.glabels": (raw[: len(raw) // 2], "途中で切れて"),
            "broken.glabels": (PROJECT[:-40].encode(), "XMLとして正しくありません"),
            "negative.glabels": (PROJECT.replace('w="30mm"', 'w="-30mm"').encode(), "大きさが負です"),
            "nolayout.glabels": (PROJECT.replace('<Layout nx="2" ny="4" x0="10mm" y0="20mm" dx="100mm" dy="65mm"/>', "").encode(),
                                 "no layout"),
            "bomb.glabels": (b'<?xml version="1.0"?><!DOCTYPE d [<!ENTITY a "aaaa"><!ENTITY b "&a;&a;&a;&a;">]>'
                             b'<Glabels-document><Objects><Object-text><Span>&b;</Span></Object-text></Objects></Glabels-document>',
                             "文書型の宣言"),
        }
        for name, (content, reason) in cases.items():
            path = os.path.join(work, name)
            with open(path, "wb") as f:
                f.write(content)
            target = os.path.join(work, name + ".lbd")
            r = run(tool, path, target, env=env)
            if r.returncode != 1 or reason not in r.stderr or os.path.exists(target):
                fail("%s: %d %r, OUT %s" % (name, r.returncode, r.stderr, os.path.exists(target)))
            before = open(out, "rb").read()
            r = run(tool, path, out, env=env)
            if r.returncode != 1 or open(out, "rb").read() != before:
                fail(name + ": the existing OUT was touched")
        if run(tool, project, env=env).returncode != 2:
            fail("a missing OUT is not a usage error")
    print("import-glabels: ok")


if __name__ == "__main__":
    main()
