#!/usr/bin/python3
"""The libzint symbologies of the barcode object, checked from the outside.

Every symbology is drawn by velmo-tool through the object's own drawing, at 300 and
600 dpi, upright and turned 90 degrees, as PNG and as PDF (rasterised by pdftoppm),
and read back with ZXing (zxing-cpp), ZBar where ZXing has no reader. The Japan Post
customer barcode, which neither reads, is measured bar by bar against an encoder
written here from the published encoding. Refused data ends with the Japanese reason
and exit 1; the PDF of a symbol holds one filled path for its modules.

usage: zint_symbols_test.py BUILD_DIR [--quick] [--keep DIR]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unicodedata
import zlib

import zxingcpp
from PIL import Image

failures = []


def fail(message):
    failures.append(message)
    print("FAIL:", message)


def run(args, expect=0):
    r = subprocess.run(args, capture_output=True, timeout=300)
    if expect is not None and r.returncode != expect:
        raise SystemExit("exit %d (expected %d): %s\n%s%s" % (r.returncode, expect, " ".join(args),
                                                             r.stdout.decode(errors="replace"),
                                                             r.stderr.decode(errors="replace")))
    return r


# kind, data, what a reader hands over (None: the human-readable text velmo-tool
# reports, without GS1 parentheses), extra options
SAMPLES = [
    ("qr", "https://example.jp/label?id=42", None, []),
    ("qr", "東京都千代田区千代田1-1 ラベル印刷テスト", None, ["--ecc", "M"]),
    ("qr", "𠮷野家 😀 UTF-8", None, ["--ecc", "H"]),
    ("microqr", "12345", None, []),
    ("microqr", "日本", None, []),
    ("datamatrix", "ABC-123456", None, []),
    ("datamatrix", "部品番号 X-1", None, []),
    ("pdf417", "PDF417 LABEL 2024", None, []),
    ("aztec", "AZTEC 123", None, []),
    ("nw7", "A123456B", None, []),
    ("itf", "123456", None, []),
    ("itf14", "1490123456789", None, []),
    ("ean13", "490123456789", None, []),
    ("ean8", "4901234", None, []),
    ("upca", "01234567890", None, []),
    ("upce", "0123456", None, []),
    ("gs1-128", "(01)14912345678901", None, []),
    ("databar", "0491234567890", None, []),
    ("databar-expanded", "(01)14912345678901(10)ABC123", None, []),
    ("code93", "CODE93-TEST", None, []),
]


def zxing_texts(path):
    with Image.open(path) as image:
        gray = image.convert("L")
        out = []
        for result in zxingcpp.read_barcodes(gray):
            out.append((result.text, result.format.name))
        if not out:
            # Small symbols in a large page: once more without the smaller scales.
            result = zxingcpp.read_barcode(gray, try_downscale=False)
            if result and result.valid:
                out.append((result.text, result.format.name))
    return out


def zbar_texts(path):
    r = subprocess.run(["zbarimg", "-q", "--raw", path], capture_output=True, timeout=120)
    return [line for line in r.stdout.decode("utf-8", "replace").splitlines() if line]


def normal(text):
    # GS1 element strings come back with or without parentheses, Codabar with or
    # without its start and stop characters.
    return text.replace("(", "").replace(")", "").replace("\x1d", "")


def matches(kind, expected, got):
    e, g = normal(expected), normal(got)
    if e == g:
        return True
    if kind == "nw7" and (g == e[1:-1] or e == g[1:-1]):
        return True
    if kind.startswith("databar") and g.endswith(e[2:]) and e.startswith("01"):
        return True
    return False


def human_text(stdout, data):
    m = re.search(r'text "([^"]*)"', stdout)
    return m.group(1) if m else data


def decode_all(tool, tmp, quick, keep):
    dpis = [300] if quick else [300, 600]
    angles = [0] if quick else [0, 90]
    checked = 0
    for index, (kind, data, expected, options) in enumerate(SAMPLES):
        for dpi in dpis:
            for angle in angles:
                base = os.path.join(tmp, "%02d-%s-%d-%d" % (index, kind, dpi, angle))
                r = run([tool, "barcode", kind, data, base + ".png", "--dpi", str(dpi), "--angle", str(angle),
                         "--pdf", base + ".pdf"] + options)
                want = expected or human_text(r.stdout.decode(), data)
                run(["pdftoppm", "-r", str(dpi), "-png", "-singlefile", base + ".pdf", base + "-pdf"])
                for path in (base + ".png", base + "-pdf.png"):
                    got = zxing_texts(path)
                    ok = any(matches(kind, want, text) for text, _ in got)
                    reader = "zxing"
                    if not ok:
                        zb = zbar_texts(path)
                        ok = any(matches(kind, want, text) for text in zb)
                        reader = "zbar"
                        got = got + [(t, "zbar") for t in zb]
                    if not ok:
                        fail("%s %r at %d dpi, %d degrees (%s): read %r" % (kind, want, dpi, angle,
                                                                           os.path.basename(path), got))
                    checked += 1
                if keep and dpi == 300 and angle == 0:
                    shutil.copy(base + ".png", keep)
    print("decoded %d pictures of %d samples" % (checked, len(SAMPLES)))


def japanese_readers(tool, tmp):
    """Which readers read Japanese QR text back: both must (Kanji mode)."""
    text = "カスタマ様 宛名ラベル 東京都"
    path = os.path.join(tmp, "jp-qr.png")
    run([tool, "barcode", "qr", text, path, "--dpi", "300"])
    zx = [t for t, _ in zxing_texts(path)]
    zb = zbar_texts(path)
    if text not in zx:
        fail("ZXing read %r for the Japanese QR code" % zx)
    if text not in zb:
        fail("ZBar read %r for the Japanese QR code" % zb)
    print("Japanese QR text read by ZXing %s, ZBar %s" % (text in zx, text in zb))


# ---- Japan Post, from the published encoding: bars 1 long, 2 ascender (upper
# semi-long), 3 descender (lower semi-long), 4 timing; three bars a character.
JP_BARS = {
    "1": "114", "2": "132", "3": "312", "4": "123", "5": "141", "6": "321", "7": "213", "8": "231",
    "9": "411", "0": "144", "-": "414", "CC1": "324", "CC2": "342", "CC3": "234", "CC4": "432",
    "CC5": "243", "CC6": "423", "CC7": "441", "CC8": "111",
}
JP_VALUE = dict([(str(d), d) for d in range(10)] + [("-", 10)] + [("CC%d" % n, 10 + n) for n in range(1, 9)])


def jp_characters(data):
    """The 20 characters: postcode and address number, letters as control code and
    digit, cut at 20 (a letter's control code in place 20 stays alone), CC4 after."""
    s = unicodedata.normalize("NFKC", data).upper().replace(" ", "")
    for dash in "\u2010\u2011\u2012\u2013\u2014\u2015\u2212\u30fc\uff70":
        s = s.replace(dash, "-")
    s = re.sub(r"^(\d{3})-(\d{4})", r"\1\2", s)
    if len(s) > 7 and s[7] == "-":
        s = s[:7] + s[8:]
    chars = []
    for c in s:
        if c.isdigit() or c == "-":
            chars.append(c)
        else:
            n = ord(c) - ord("A")
            chars += ["CC%d" % (1 + n // 10), str(n % 10)]
    chars = chars[:20]
    while len(chars) < 20:
        chars.append("CC4")
    return chars


def jp_bars(data):
    chars = jp_characters(data)
    total = sum(JP_VALUE[c] for c in chars)
    check = (19 - total % 19) % 19
    check_char = [k for k, v in JP_VALUE.items() if v == check][0]
    return "13" + "".join(JP_BARS[c] for c in chars) + JP_BARS[check_char] + "31"


def measured_bars(path):
    """The bars of a rendered Japan Post symbol from left to right, classified by
    where they start and end against the full bar's top and bottom."""
    image = Image.open(path).convert("L")
    w, h = image.size
    px = image.load()
    columns = []
    for x in range(w):
        dark = [y for y in range(h) if px[x, y] < 128]
        columns.append((min(dark), max(dark)) if dark else None)
    bars = []
    x = 0
    while x < w:
        if columns[x] is None:
            x += 1
            continue
        start = x
        while x < w and columns[x] is not None:
            x += 1
        middle = columns[(start + x) // 2]
        bars.append(middle)
    if not bars:
        return ""
    top = min(b[0] for b in bars)
    bottom = max(b[1] for b in bars)
    height = bottom - top
    out = ""
    for t, b in bars:
        up = t - top < height / 6
        down = bottom - b < height / 6
        out += "1" if up and down else "2" if up else "3" if down else "4"
    return out


def japan_post(tool, tmp, keep):
    cases = [
        "263-0023 3-2-B1103",          # postcode hyphen, a letter
        "1540023-3-16-4-205",          # the joining hyphen
        "１００−０００１　１−２−３Ａ",   # full width, as merge records hold it
        "9100067 3-80-25J1-2B",        # a letter's control code falls in place 20
        "0640804 29-1524-23-2-501",    # cut at 20 characters
        "1000001",                     # no address number: CC4 padding
    ]
    for i, data in enumerate(cases):
        path = os.path.join(tmp, "jp%d.png" % i)
        run([tool, "barcode", "japanpost", data, path, "--dpi", "600", "--module", "0.6"])
        got = measured_bars(path)
        want = jp_bars(data)
        if len(want) != 67:
            fail("the reference encoder made %d bars for %r" % (len(want), data))
        if got != want:
            fail("Japan Post %r:\n  drawn    %s\n  expected %s" % (data, got, want))
        if keep and i == 0:
            shutil.copy(path, keep)
    print("Japan Post: %d addresses checked bar by bar" % len(cases))


def refusals(tool, tmp):
    cases = [
        (["qr", "A" * 8000], "QRコードに入りきりません"),
        (["microqr", "1" * 40], "マイクロQRコードに入りきりません"),
        (["ean13", "49012345678X"], "数字以外の文字があります"),
        (["ean13", "4901234567890"], "チェックデジットが正しくありません（正しくは 4）"),
        (["nw7", "123456"], "NW-7は A〜D のスタート・ストップ文字で始めて終えてください"),
        (["itf", "12A4"], "数字以外の文字があります"),
        (["code93", "日本"], "使えない文字があります"),
        (["qr", ""], "データがありません"),
        (["gs1-128", "12345"], "GS1のアプリケーション識別子とデータが正しくありません"),
        (["databar-expanded", "(01)14912345678904(10)A"], "チェックデジットが正しくありません（正しくは 1）"),
        (["gs1-128", "[01]14912345678904"], "チェックデジットが正しくありません（正しくは 1）"),
        (["japanpost", "263-0023 3-2-#1"], "使えない文字があります（数字・英字・ハイフンのみ）"),
    ]
    for args, message in cases:
        r = run([tool, "barcode", args[0], args[1], os.path.join(tmp, "refused.png")], expect=None)
        err = r.stderr.decode("utf-8", "replace")
        if r.returncode != 1 or message not in err:
            fail("%s %r: exit %d, %r (expected exit 1 and %r)" % (args[0], args[1][:20], r.returncode,
                                                                  err.strip(), message))
        if os.path.exists(os.path.join(tmp, "refused.png")):
            fail("%s %r: a picture was written for refused data" % (args[0], args[1][:20]))
    for module in ("0", "0.01", "11", "-1", "abc"):
        r = run([tool, "barcode", "qr", "X", os.path.join(tmp, "m.png"), "--module", module], expect=None)
        if r.returncode == 0:
            fail("--module %s was taken" % module)
    print("%d refusals checked" % len(cases))


def fill_operators(pdf):
    with open(pdf, "rb") as f:
        data = f.read()
    fills = rects = 0
    for match in re.finditer(rb"stream\r?\n(.*?)endstream", data, re.S):
        body = match.group(1)
        try:
            body = zlib.decompress(body)
        except zlib.error:
            pass
        fills += len(re.findall(rb"(?<![A-Za-z])(f\*?|B\*?)(?![A-Za-z])", body))
        rects += len(re.findall(rb"\bre\b", body))
    return fills, rects


def one_path(tool, tmp):
    # A QR code of version 10 has hundreds of module runs; its PDF must carry one
    # filled path for them and one for the white ground, not a rectangle each.
    png = os.path.join(tmp, "path.png")
    pdf = os.path.join(tmp, "path.pdf")
    run([tool, "barcode", "qr", "ONE PATH " * 20, png, "--pdf", pdf, "--version", "10"])
    fills, rects = fill_operators(pdf)
    if fills > 2 or rects > 2:
        fail("the QR code's PDF has %d fill operators and %d rectangles" % (fills, rects))
    print("PDF of a version 10 QR code: %d fills, %d rectangles" % (fills, rects))


MERGE_PAPER = "A4 12面 86.4×42.3mm"
MERGE_DESIGN = """object TLDObjects
  object TLOInsZintBarCode
    Left = 480
    Top = 40
    Width = 320
    Height = 320
    Angle = %d
    Font.Charset = SHIFTJIS_CHARSET
    Font.Color = clBlack
    Font.Name = 'IPAPGothic'
    Font.Size = 9
    Font.Style = []
    ShowNumber = False
    ShowFrame = False
    Symbology = 58
    QuietZone = True
    InsertionField = 1
  end
end
"""


def merge_value(k):
    return "https://example.jp/r/%03d" % k if k % 2 == 0 else "東京都港区芝公園%d-%d 山田様" % (k, k % 7)


def faces(tool, work):
    out = run([tool, "paper", work, "Sheets/NameList0/PaperInfo"]).stdout.decode()
    rects = []
    for line in out.splitlines()[1:]:
        m = re.match(r"(\d+)\t\S+\t([\d.]+)mm, ([\d.]+)mm - ([\d.]+)mm, ([\d.]+)mm", line)
        if m:
            rects.append(tuple(float(v) for v in m.groups()[1:]))
    return rects


def merge_print(tool, tmp, records=100, keep=None):
    """A merge print of 100 records with a QR merge barcode: every label's symbol
    reads back as its record; the labels beyond the last record carry none."""
    work = os.path.join(tmp, "merge.lbd")
    run([tool, "new", "--paper", MERGE_PAPER, work])
    design = os.path.join(tmp, "design.txt")
    with open(design, "w", encoding="utf-8") as f:
        f.write(MERGE_DESIGN % 0)
    for position in range(12):
        run([tool, "put-label", work, "0", str(position), design])
    rects = faces(tool, work)
    if len(rects) != 12:
        fail("the paper has %d faces" % len(rects))
        return
    csv = os.path.join(tmp, "records.csv")
    with open(csv, "w", encoding="utf-8", newline="") as f:
        f.write("番号,内容\r\n")
        for k in range(records):
            f.write("%d,%s\r\n" % (k, merge_value(k)))
    copies = (records + 11) // 12
    pdf = os.path.join(tmp, "merge.pdf")
    run([tool, "print", work, "--copies", str(copies), "--merge", csv, "--header", "--pdf", pdf])
    dpi = 300
    run(["pdftoppm", "-r", str(dpi), "-png", pdf, os.path.join(tmp, "mpage")])
    pages = sorted(p for p in os.listdir(tmp) if p.startswith("mpage") and p.endswith(".png"))
    if len(pages) != copies:
        fail("%d pages for %d copies" % (len(pages), copies))
        return
    read = 0
    for copy, name in enumerate(pages):
        page = Image.open(os.path.join(tmp, name)).convert("L")
        if keep and copy == 0:
            page.save(os.path.join(keep, "merge-page1.png"))
        for f, (l, t, r, b) in enumerate(rects):
            k = copy * 12 + f
            px = lambda mm: int(round(mm * dpi / 25.4))
            face = page.crop((px(l), px(t), px(r), px(b)))
            results = [x.text for x in zxingcpp.read_barcodes(face)]
            if k < records:
                if results != [merge_value(k)]:
                    fail("merge label %d read %r, expected %r" % (k, results, merge_value(k)))
                else:
                    read += 1
            elif results:
                fail("merge label %d beyond the records read %r" % (k, results))
    print("merge print: %d of %d labels read back as their records" % (read, records))


JP_DESIGN = """object TLDObjects
  object TLOInsZintBarCode
    Left = 9
    Top = 200
    Width = 846
    Height = 84
    Angle = 0
    Font.Charset = SHIFTJIS_CHARSET
    Font.Color = clBlack
    Font.Name = 'IPAPGothic'
    Font.Size = 9
    Font.Style = []
    ShowNumber = False
    ShowFrame = False
    Symbology = 76
    ModuleSize = 60
    QuietZone = True
    InsertionField = 0
    InsertionField2 = 1
  end
end
"""

JP_RECORDS = [
    ("263-0023", "3-2-B1103"), ("100-0001", "1-1"), ("１５４－００２３", "３－１６－４－２０５"),
    ("910-0067", "3-80-25J1-2B"), ("064-0804", "29-1524-23-2-501"), ("100-0005", "1-#-3"),
    ("530-0001", ""), ("980-8691", "215"),
]


def merge_japan_post(tool, tmp):
    """Japan Post codes joined from a postcode field and an address number field;
    the record whose address cannot be encoded is reported once and prints none."""
    work = os.path.join(tmp, "jp.lbd")
    run([tool, "new", "--paper", MERGE_PAPER, work])
    design = os.path.join(tmp, "jp-design.txt")
    with open(design, "w", encoding="utf-8") as f:
        f.write(JP_DESIGN)
    for position in range(12):
        run([tool, "put-label", work, "0", str(position), design])
    rects = faces(tool, work)
    csv = os.path.join(tmp, "jp.csv")
    with open(csv, "w", encoding="utf-8", newline="") as f:
        for postcode, address in JP_RECORDS:
            f.write("%s,%s\r\n" % (postcode, address))
    pdf = os.path.join(tmp, "jp.pdf")
    r = run([tool, "print", work, "--merge", csv, "--pdf", pdf])
    err = r.stderr.decode("utf-8", "replace")
    refused = [i for i, (p, a) in enumerate(JP_RECORDS) if "#" in a]
    if "1 label was printed without its barcode" not in err or ("label %d" % refused[0]) not in err:
        fail("the refused Japan Post record was not reported once: %r" % err)
    dpi = 600
    run(["pdftoppm", "-r", str(dpi), "-png", "-singlefile", pdf, os.path.join(tmp, "jppage")])
    page = Image.open(os.path.join(tmp, "jppage.png")).convert("L")
    checked = 0
    for k, (postcode, address) in enumerate(JP_RECORDS):
        l, t, r_, b = rects[k]
        px = lambda mm: int(round(mm * dpi / 25.4))
        crop = os.path.join(tmp, "jpface%d.png" % k)
        page.crop((px(l), px(t + 18), px(r_), px(t + 30))).save(crop)
        got = measured_bars(crop)
        if k in refused:
            if got:
                fail("the refused record %d printed bars" % k)
            continue
        want = jp_bars(postcode + address)
        if got != want:
            fail("Japan Post merge label %d:\n  drawn    %s\n  expected %s" % (k, got, want))
        checked += 1
    print("merge print: %d Japan Post codes from two fields checked bar by bar" % checked)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--quick", action="store_true")
    ap.add_argument("--keep")
    a = ap.parse_args()
    tool = os.path.join(os.path.abspath(a.build), "src", "velmo-tool")
    tmp = tempfile.mkdtemp(prefix="zint-test-")
    if a.keep:
        os.makedirs(a.keep, exist_ok=True)
    try:
        refusals(tool, tmp)
        one_path(tool, tmp)
        japan_post(tool, tmp, a.keep)
        japanese_readers(tool, tmp)
        merge_print(tool, tmp, keep=a.keep)
        merge_japan_post(tool, tmp)
        decode_all(tool, tmp, a.quick, a.keep)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    if failures:
        print("%d failures" % len(failures))
        return 1
    print("all passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
