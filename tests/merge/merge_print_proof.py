#!/usr/bin/python3
"""The merge print checked from the outside: a 12-up sheet with a merge text, a merge
picture and a Code 128 merge barcode, a Shift-JIS CSV, several copies, printed to PDF
by velmo-tool; each face is read back with pdftotext (text), by its pixels (the
picture's colour) and with zbarimg (the barcode). A damaged picture file and one that
is not there leave their labels without a picture, and the run says so once.

usage: merge_print_proof.py BUILD_DIR [--records N] [--copies N] [--keep DIR]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

from PIL import Image

PAPER = "A4 12面 86.4×42.3mm"
DPI = 150

DESIGN = """object TLDObjects
  object TLOInsText
    Left = 30
    Top = 20
    Width = 400
    Height = 60
    Text.Strings = (
      'x')
    Font.Charset = SHIFTJIS_CHARSET
    Font.Color = clBlack
    Font.Name = 'IPAPGothic'
    Font.Size = 12
    Font.Style = []
    AutoSize = True
    InsertionField = 0
  end
  object TLOInsImage
    Left = 30
    Top = 150
    Width = 200
    Height = 200
    InsertionField = 1
  end
  object TLOInsBarCode
    Left = 300
    Top = 120
    Width = 540
    Height = 220
    Angle = 0
    Font.Charset = SHIFTJIS_CHARSET
    Font.Color = clBlack
    Font.Name = 'IPAPGothic'
    Font.Size = 9
    Font.Style = []
    ShowNumber = False
    ShowFrame = False
    BarKind = 2
    AddCheckDigit = False
    ElementRatio = 250
    InsertionField = 2
  end
end
"""


def colour(k):
    """A distinct, saturated colour per record (never white or black)."""
    return ((k * 67) % 200 + 40, (k * 131) % 200 + 40, (k * 29) % 200 + 40)


def name(k):
    # Kanji, kana and the record number: what pdftotext must give back per face.
    return "山田ラベル%03d" % k


def code(k):
    return "REC-%05d" % (k * 37)


def run(args, **kw):
    r = subprocess.run(args, capture_output=True, **kw)
    if r.returncode != 0:
        raise SystemExit("failed: %s\n%s%s" % (" ".join(args), r.stdout.decode(errors="replace"),
                                                 r.stderr.decode(errors="replace")))
    return r


def faces(tool, work):
    out = run([tool, "paper", work, "Sheets/NameList0/PaperInfo"]).stdout.decode()
    rects = []
    for line in out.splitlines()[1:]:
        m = re.match(r"(\d+)\t\S+\t([\d.]+)mm, ([\d.]+)mm - ([\d.]+)mm, ([\d.]+)mm", line)
        if m:
            rects.append(tuple(float(v) for v in m.groups()[1:]))
    return rects


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--records", type=int, default=40)
    ap.add_argument("--copies", type=int, default=3)
    ap.add_argument("--keep")
    a = ap.parse_args()
    tool = os.path.join(os.path.abspath(a.build), "src", "velmo-tool")
    tmp = tempfile.mkdtemp(prefix="merge-proof-")
    try:
        work = os.path.join(tmp, "w.lbd")
        run([tool, "new", "--paper", PAPER, work])
        design = os.path.join(tmp, "design.txt")
        with open(design, "w", encoding="utf-8") as f:
            f.write(DESIGN)
        for position in range(12):
            run([tool, "put-label", work, "0", str(position), design])
        rects = faces(tool, work)
        assert len(rects) == 12, rects

        # Pictures in a folder beside the CSV, named relatively; one damaged file.
        pics = os.path.join(tmp, "pics")
        os.mkdir(pics)
        damaged = 5
        missing = 7
        rows = ["名前,画像,コード"]
        for k in range(a.records):
            pic = "pics/p%03d.png" % k
            if k == missing:
                pass  # named in the list, never written
            elif k == damaged:
                with open(os.path.join(tmp, pic), "wb") as f:
                    f.write(b"\x89PNG\r\n\x1a\n broken")
            else:
                Image.new("RGB", (40, 30), colour(k)).save(os.path.join(tmp, pic))
            rows.append("%s,%s,%s" % (name(k), pic, code(k)))
        csv = os.path.join(tmp, "data.csv")
        with open(csv, "w", encoding="cp932", newline="") as f:
            f.write("\r\n".join(rows) + "\r\n")

        pdf = os.path.join(tmp, "out.pdf")
        # Started from another folder: the relative picture names must still resolve.
        printed = run([tool, "print", work, "--copies", str(a.copies), "--merge", csv, "--header", "--pdf", pdf],
                      cwd="/")
        told = printed.stderr.decode(errors="replace")
        expected_missing = len([k for k in (damaged, missing) if k < a.records])
        if told.count("差込みイメージのファイルが見つからない") != (1 if expected_missing else 0):
            raise SystemExit("the missing pictures are not told once:\n" + told)
        if expected_missing and ("%d 枚" % expected_missing) not in told:
            raise SystemExit("the notice does not count %d labels:\n%s" % (expected_missing, told))
        pages = int(re.search(r"Pages:\s+(\d+)", run(["pdfinfo", pdf]).stdout.decode()).group(1))
        assert pages == a.copies, pages
        run(["pdftoppm", "-r", str(DPI), "-png", pdf, os.path.join(tmp, "page")])
        pngs = sorted(p for p in os.listdir(tmp) if p.startswith("page") and p.endswith(".png"))
        assert len(pngs) == a.copies, pngs

        failures = []
        checked = 0
        for copy in range(a.copies):
            page = Image.open(os.path.join(tmp, pngs[copy])).convert("RGB")
            for f, (l, t, r, b) in enumerate(rects):
                k = copy * 12 + f
                px = lambda mm: int(round(mm * DPI / 25.4))
                # Text of the face alone.
                text = run(["pdftotext", "-f", str(copy + 1), "-l", str(copy + 1), "-r", "72",
                            "-x", str(int(l * 72 / 25.4) + 1), "-y", str(int(t * 72 / 25.4) + 1),
                            "-W", str(int((r - l) * 72 / 25.4) - 2), "-H", str(int((b - t) * 72 / 25.4) - 2),
                            pdf, "-"]).stdout.decode().strip()
                face = page.crop((px(l), px(t), px(r), px(b)))
                face_png = os.path.join(tmp, "face-%d-%d.png" % (copy, f))
                face.save(face_png)
                zr = subprocess.run(["zbarimg", "-q", "--raw", face_png], capture_output=True)
                decoded = zr.stdout.decode().strip()
                # The picture's box: 3..23 mm across, 15..35 mm down within the face;
                # the proportions keep the 40x30 picture inside it, centred.
                cx, cy = px(l + 3 + 10), px(t + 15 + 10)  # the box centre
                pixel = page.getpixel((cx, cy))
                if k < a.records:
                    if text != name(k):
                        failures.append("label %d: text %r, expected %r" % (k, text, name(k)))
                    if decoded != code(k):
                        failures.append("label %d: barcode %r, expected %r" % (k, decoded, code(k)))
                    if k in (damaged, missing):
                        # Nothing: neither the previous picture nor the error picture.
                        box = face.crop((px(3), px(15), px(23), px(35)))
                        if box.getcolors(box.width * box.height) != [(box.width * box.height, (255, 255, 255))]:
                            failures.append("label %d: a picture printed for a file that cannot be read" % k)
                    elif max(abs(pixel[i] - colour(k)[i]) for i in range(3)) > 12:
                        failures.append("label %d: picture colour %r, expected %r" % (k, pixel, colour(k)))
                else:
                    # Beyond the last record: empty fields and no barcode.
                    if text != "":
                        failures.append("label %d: text %r beyond the end" % (k, text))
                    if decoded:
                        failures.append("label %d: barcode %r beyond the end" % (k, decoded))
                    if pixel != (255, 255, 255):
                        failures.append("label %d: picture %r beyond the end" % (k, pixel))
                checked += 1
        if a.keep:
            os.makedirs(a.keep, exist_ok=True)
            for p in pngs:
                shutil.copy(os.path.join(tmp, p), a.keep)
        if failures:
            print("\n".join(failures))
            return 1
        print("%d faces checked (%d records, %d copies)" % (checked, a.records, a.copies))
        return 0
    finally:
        if not a.keep:
            shutil.rmtree(tmp, ignore_errors=True)
        else:
            print("kept", tmp)


if __name__ == "__main__":
    sys.exit(main())
