#!/usr/bin/python3
"""make-wizards on damaged sources: each fails the build with FILE:LINE: error and a
reason, never a crash; a good source next to them builds.

usage: make_wizards_test.py BUILD_DIR
"""
import os
import subprocess
import sys
import tempfile

BUILD = sys.argv[1]
TOOL = os.path.join(BUILD, "tools", "make-wizards")
CATALOGUE = os.path.join(BUILD, "data", "velmo.ppr")
GOOD = """# paper: A4 10面 91×55mm
object TLDObjects
  object TLORect
    Left = 10
    Top = 10
    Width = 300
    Height = 200
  end
end
"""

CASES = [
    ("no-paper.txt", GOOD.replace("# paper: A4 10面 91×55mm\n", "").encode(), "no \"# paper:\" line"),
    ("unknown-paper.txt", GOOD.replace("91×55mm", "91×99mm").encode(), "no paper named"),
    ("cut.txt", GOOD[:GOOD.index("  end")].encode(), ":2: error"),
    ("bad-class.txt", GOOD.replace("TLORect", "TNoSuchThing").encode(), "error"),
    ("position.txt", GOOD.replace("object TLDObjects", "# label 3\nobject TLDObjects").encode(), "no position 3"),
    ("twice.txt", ("# paper: A4 10面 91×55mm\n# separate: yes\n# label 1\n" + GOOD.split("\n", 1)[1] +
                   "# label 1\n" + GOOD.split("\n", 1)[1]).encode(), "has a design already"),
    ("latin1.txt", "# paper: caf\u00e9\n".encode("latin-1"), "is not UTF-8"),
    ("Bad.dat", "[ジャンル]\n\u2603=\n".encode(), "code page 932 cannot store"),
]


def main():
    for name, data, expected in CASES:
        with tempfile.TemporaryDirectory() as work:
            src, out = os.path.join(work, "src"), os.path.join(work, "out")
            os.makedirs(src)
            with open(os.path.join(src, name), "wb") as f:
                f.write(data)
            r = subprocess.run([TOOL, CATALOGUE, src, out], capture_output=True, text=True,
                               env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
            if r.returncode != 1:
                print("FAIL: %s: exit %d\n%s%s" % (name, r.returncode, r.stdout, r.stderr))
                sys.exit(1)
            if name not in r.stderr or expected not in r.stderr or "error:" not in r.stderr:
                print("FAIL: %s: message %r lacks %r" % (name, r.stderr, expected))
                sys.exit(1)
    with tempfile.TemporaryDirectory() as work:
        src, out = os.path.join(work, "src"), os.path.join(work, "out")
        os.makedirs(os.path.join(src, "Cards"))
        with open(os.path.join(src, "Cards", "good.txt"), "w", encoding="utf-8") as f:
            f.write(GOOD)
        r = subprocess.run([TOOL, CATALOGUE, src, out], capture_output=True, text=True,
                           env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
        if r.returncode != 0 or not os.path.isfile(os.path.join(out, "Cards", "good.lbd")):
            print("FAIL: a good source did not build: " + r.stderr)
            sys.exit(1)
    print("make-wizards: %d damaged sources refused with their line" % len(CASES))


if __name__ == "__main__":
    main()
