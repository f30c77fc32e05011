#!/usr/bin/env python3
"""make-templates: design sources into label documents and the collection index.

A good source becomes a compound file (read with olefile, not our reader) that holds
the paper, one compressed design and a preview per designed position, and that
`velmo-tool get-label` reads back with the objects of the source; the index is code
page 932 text whose sections list each group's folder once. Every bad source fails
with FILE:LINE: error: naming the line at fault, and writes no index.
"""
import os
import subprocess
import sys
import tempfile

import olefile

PAPER = "A4 12面 86.4×42.3mm"  # in the delivered catalogue, 12 positions
ROUND = "A4 24面 丸型 40×40mm"


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def text_object(name="T", left=60, top=60, width=600, height=120, text="見本", face="ＭＳ Ｐゴシック", extra=""):
    return f"""  object {name}: TLOVelmoText
    Left = {left}
    Top = {top}
    Width = {width}
    Height = {height}
    Version = 1
    Text.Strings = (
      '{text}')
    Font.Name = '{face}'
{extra}  end
"""


def design(*objects):
    return "object TLDObjects\n" + "".join(objects) + "end\n"


def source(paper=PAPER, form="shared", labels=None, index="*, 見本", more=""):
    head = f"# test source\npaper = {paper}\ndesign = {form}\n"
    if index:
        head += f"index = {index}\n"
    head += more
    if labels is None:
        labels = {"0": design(text_object())}
    for spec, body in labels.items():
        head += f"\n[label {spec}]\n" + body
    return head


def run(tool, catalogue, work, files, index=True):
    """files: {relative path: text}; returns the completed process."""
    src = os.path.join(work, "src")
    out = os.path.join(work, "out")
    subprocess.run(["rm", "-rf", src, out], check=True)
    for rel, text in files.items():
        path = os.path.join(src, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(text if isinstance(text, bytes) else text.encode("utf-8"))
    args = [tool, "--catalogue", catalogue]
    if index:
        args += ["--index", os.path.join(out, "Template.dat")]
    args += [out, src]
    runtime = os.path.join(work, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", HOME=work, XDG_RUNTIME_DIR=runtime)
    return subprocess.run(args, capture_output=True, text=True, env=env, timeout=120)


def expect_error(tool, catalogue, work, files, line, words, rel="G/a.txt"):
    result = run(tool, catalogue, work, files)
    where = os.path.join(work, "src", rel) + f":{line}: error: "
    if result.returncode != 1:
        fail(f"expected failure for {words!r}, got {result.returncode}: {result.stderr}")
    if where not in result.stderr or words not in result.stderr:
        fail(f"expected {where!r} and {words!r} in: {result.stderr!r}")
    if os.path.exists(os.path.join(work, "out", "Template.dat")):
        fail("an index was written although a source failed")


def main():
    build = sys.argv[1]
    tool = os.path.join(build, "tools", "make-templates")
    velmo_tool = os.path.join(build, "src", "velmo-tool")
    catalogue = os.path.join(build, "data", "velmo.ppr")
    with tempfile.TemporaryDirectory() as work:
        # ---- a good collection: shared and separate forms, two groups, two purposes
        separate = source(form="separate", index="*, 見本", labels={
            "0-1": design(text_object(text="一と二")),
            "5": design(text_object(name="Vert", left=700, top=20, width=120, height=380, text="縦",
                                    extra="    Vertical = True\n")),
        })
        files = {
            "G/a.txt": source(),
            "G/b.txt": separate,
            "H/c.txt": source(paper=ROUND, index="*, 丸", labels={"*": design(text_object(width=300))}),
            "H/d.txt": source(paper=ROUND, index="*, 丸", more="index = MOSquare, 丸\n",
                              labels={"0": design(text_object(width=300))}),
            "README.txt": "not a source",
        }
        result = run(tool, catalogue, work, files)
        if result.returncode != 0:
            fail("good sources: " + result.stderr)
        out = os.path.join(work, "out")
        for rel in ["G/a.lbt", "G/b.lbt", "H/c.lbt", "H/d.lbt"]:
            path = os.path.join(out, rel)
            if not olefile.isOleFile(path):
                fail(rel + " is not a compound file")
            with olefile.OleFileIO(path) as ole:
                names = {"/".join(e) for e in ole.listdir(streams=True, storages=False)}
                if "Sheets/NameList0/PaperInfo" not in names or "DataInfo" not in names:
                    fail(f"{rel} lacks the paper or DataInfo: {sorted(names)}")
                designs = sorted(n for n in names if n.startswith("Sheets/NameList0/NameList") and n != "Sheets/NameList0/NameList")
                previews = sorted(n for n in names if n.startswith("Sheets/NameList0/Preview") and n != "Sheets/NameList0/Preview")
                nonempty = [n for n in designs if ole.get_size(n) > 0]
                want = {"G/a.lbt": 1, "G/b.lbt": 3, "H/c.lbt": 1, "H/d.lbt": 1}[rel]
                if len(nonempty) != want or len([p for p in previews if ole.get_size(p) > 0]) != want:
                    fail(f"{rel}: {len(nonempty)} designs, previews {previews}; expected {want}")
                for n in nonempty:
                    if ole.openstream(n).read(1) == b"\xff":
                        fail(f"{rel}: {n} is not compressed")
        # The separate form: positions 0, 1 and 5 read back with their own texts.
        for pos, want in [(0, "一と二"), (1, "一と二"), (5, "縦")]:
            got = subprocess.run([velmo_tool, "get-label", os.path.join(out, "G/b.lbt"), "0", str(pos)],
                                 capture_output=True, text=True)
            if got.returncode != 0 or f"'{want}'" not in got.stdout:
                fail(f"get-label position {pos}: {got.stdout[:300]} {got.stderr}")
        if "Vertical = True" not in subprocess.run(
                [velmo_tool, "get-label", os.path.join(out, "G/b.lbt"), "0", "5"], capture_output=True,
                text=True).stdout:
            fail("the vertical text lost its setting")
        missing = subprocess.run([velmo_tool, "get-label", os.path.join(out, "G/b.lbt"), "0", "3"],
                                 capture_output=True, text=True)
        if missing.returncode == 0:
            fail("position 3 of the separate form has a design")
        with open(os.path.join(out, "Template.dat"), "rb") as f:
            index = f.read().decode("cp932")
        expected = ("[*]\r\nName=見本,丸\r\nDir=G,H\r\n", "[MOSquare]\r\nName=丸\r\nDir=H\r\n")
        for part in expected:
            if part not in index:
                fail(f"index lacks {part!r}: {index!r}")
        listed = subprocess.run([velmo_tool, "templates", os.path.join(out, "Template.dat")],
                                capture_output=True, text=True)
        if listed.returncode != 0 or "G/a.lbt" not in listed.stdout or "H/d.lbt" not in listed.stdout:
            fail("velmo-tool templates: " + listed.stdout + listed.stderr)

        # ---- bad sources: each names its line
        obj = text_object()
        cases = [
            ("paper = 存在しない用紙\ndesign = shared\n[label 0]\n" + design(obj), 1, "no paper named"),
            ("paper = " + PAPER + "\ndesign = both\n", 2, "is not shared or separate"),
            ("paper = " + PAPER + "\ndesign = shared\ncolour = red\n", 3, "unknown setting"),
            ("paper = " + PAPER + "\ndesign = shared\n", 3, "no [label"),
            ("design = shared\n[label 0]\n" + design(obj), 1, "no paper given"),
            ("paper = " + PAPER + "\ndesign = shared\n[label 1]\n" + design(obj), 3, "shared design"),
            ("paper = " + PAPER + "\ndesign = separate\n[label 12]\n" + design(obj), 3, "the paper has 12 labels"),
            ("paper = " + PAPER + "\ndesign = separate\n[label 0-2]\n" + design(obj) + "[label 2]\n" + design(obj),
             4 + design(obj).count("\n"), "designed twice"),
            ("paper = " + PAPER + "\ndesign = separate\n[label 3-1]\n" + design(obj), 3, "runs backwards"),
            ("paper = " + PAPER + "\ndesign = shared\n[label 0]\nobject TLDObjects\n  object A: TLORect\n"
             "    Left = 10\n    Top = 'x\nend\n", 7, "unterminated string"),
            ("paper = " + PAPER + "\ndesign = shared\n[label 0]\n" + design(text_object(left=800)), 3,
             "lies outside the label"),
            ("paper = " + PAPER + "\ndesign = shared\n[label 0]\n" + design(text_object(face="存在しない書体")), 3,
             "which no installed font provides"),
            ("paper = " + PAPER + "\ndesign = shared\n[label 0]\n" + design(text_object(text="")), 3, "has no text"),
            ("paper = " + PAPER + "\ndesign = shared\n[label 0]\nobject TLDObjects\n  object A: TLOUnknown\n"
             "  end\nend\n", 3, "does not read back"),
            ("paper = " + PAPER + "\ndesign = shared\n[label 0]\nobject TLDObjects\nend\n", 3, "holds no object"),
            ("paper = " + PAPER + "\ndesign = shared\n[label 0]\nobject TLDObjects\n  object I: TLOVelmoImage\n"
             "    Left = 0\n    Top = 0\n    Width = 100\n    Height = 100\n  end\nend\n", 3, "without a picture"),
            ("paper = " + PAPER + "\ndesign = shared\n[label 0]\nobject TLDObjects\n  object I: TLOVelmoImage\n"
             "    ImageData.Picture.Data = @picture 'missing.png'\n  end\nend\n", 6, "picture missing.png"),
            ("paper = " + PAPER + "\ndesign = shared\nindex = *, a,b\n[label 0]\n" + design(obj), 3, "no commas"),
            ("paper = " + PAPER + "\ndesign = shared\nindex = 宛名\n[label 0]\n" + design(obj), 3,
             "expected a purpose"),
            ("paper = " + PAPER + "\r\ndesign = shared\n", 1, "LF only"),
            (b"paper = \xff\xfe\n", 1, "not UTF-8"),
        ]
        for text, line, words in cases:
            expect_error(tool, catalogue, work, {"G/a.txt": text}, line, words)
        # A picture line whose picture loads becomes the image's data; later lines keep
        # their numbers (the error below is reported at its own line).
        picture = os.path.join(work, "dot.bmp")
        subprocess.run(["convert", "-size", "8x8", "xc:red", "BMP3:" + picture], check=True)
        with_picture = ("paper = " + PAPER + "\ndesign = shared\n[label 0]\nobject TLDObjects\n"
                        "  object I: TLOVelmoImage\n    Left = 10\n    Top = 10\n    Width = 100\n    Height = 100\n"
                        f"    ImageData.Picture.Data = @picture '{picture}'\n  end\n  object B: TLORect\n"
                        "    Left = 10\n    Top = 'x\n  end\nend\n")
        expect_error(tool, catalogue, work, {"G/a.txt": with_picture}, 14, "unterminated string")
        good_picture = with_picture.replace("    Top = 'x\n", "    Top = 10\n    Width = 50\n    Height = 50\n")
        result = run(tool, catalogue, work, {"G/a.txt": good_picture}, index=False)
        if result.returncode != 0:
            fail("a picture source: " + result.stderr)
        got = subprocess.run([velmo_tool, "render", os.path.join(work, "out", "G/a.lbt"), "0", "0",
                              os.path.join(work, "r.png")], capture_output=True, text=True)
        if got.returncode != 0:
            fail("render of the picture source: " + got.stderr)
        pixel = subprocess.run(["convert", os.path.join(work, "r.png"), "-format", "%[pixel:p{20,20}]", "info:"],
                               capture_output=True, text=True).stdout
        if "255,0,0" not in pixel and "red" not in pixel:
            fail("the picture is not drawn: " + pixel)
        # Two groups claiming one folder, or one group two folders, fail at the second.
        expect_error(tool, catalogue, work, {"G/a.txt": source(index="*, 一"), "G/b.txt": source(index="*, 二")},
                     4, "already the group", rel="G/b.txt")
        expect_error(tool, catalogue, work, {"G/a.txt": source(index="*, 一"), "H/b.txt": source(index="*, 一")},
                     4, "already the folder", rel="H/b.txt")
        # The contact sheet of `velmo-tool templates` fails for a template whose face no
        # font provides or whose image has no picture (documents made by hand: the
        # tool refuses such sources).
        folder = os.path.join(work, "bad", "G")
        os.makedirs(folder)
        doc = os.path.join(folder, "x.lbt")
        bad_design = os.path.join(work, "bad.txt")
        with open(bad_design, "w", encoding="utf-8") as f:
            f.write("object TLDObjects\n" + text_object(face="存在しない書体") +
                    "  object I: TLOVelmoImage\n    Left = 10\n    Top = 10\n    Width = 50\n    Height = 50\n"
                    "  end\nend\n")
        for args in (["new", "--paper", PAPER, doc], ["put-label", doc, "0", "0", bad_design]):
            r = subprocess.run([velmo_tool] + args, capture_output=True, text=True)
            if r.returncode != 0:
                fail(f"velmo-tool {args[0]}: {r.stderr}")
        with open(os.path.join(work, "bad", "Template.dat"), "wb") as f:
            f.write("[*]\r\nName=悪い\r\nDir=G\r\n".encode("cp932"))
        sheet = os.path.join(work, "bad.png")
        r = subprocess.run([velmo_tool, "templates", os.path.join(work, "bad", "Template.dat"), "--sheet", sheet],
                           capture_output=True, text=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
        if r.returncode != 1 or "face \"存在しない書体\"" not in r.stderr or "without a picture" not in r.stderr:
            fail("contact sheet of a broken template: %d %s" % (r.returncode, r.stderr))
        if not os.path.exists(sheet):
            fail("no contact sheet drawn for the broken template")
    print("ok")


if __name__ == "__main__":
    main()
