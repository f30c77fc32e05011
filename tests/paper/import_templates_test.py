#!/usr/bin/env python3
"""velmo-tool import-templates over the whole gLabels template database.

Every template converts or is refused with a reason; the catalogue written reads
back; converted sheets, listed and drawn by `velmo-tool paper`, put every label where
the template (read independently by tools/glabels_templates.py) says, within 0.1 mm.
Also: a damaged file stops the command before the catalogue is touched.
"""
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import glabels_templates  # noqa: E402

FACE = re.compile(r"^(\d+)\t(\w+)\t([\d.]+)mm, ([\d.]+)mm - ([\d.]+)mm, ([\d.]+)mm")


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def main():
    build = sys.argv[1]
    tool = os.path.join(build, "src", "velmo-tool")
    directory = glabels_templates.DEFAULT_DIR
    if not os.path.isdir(directory):
        fail("glabels-data is not installed (scripts/install-deps installs it)")
    files = sorted(os.path.join(directory, f) for f in os.listdir(directory) if f.endswith("-templates.xml"))
    count = sum(len(list(glabels_templates.parse(f).iter("Template"))) for f in files)
    with tempfile.TemporaryDirectory() as work:
        catalogue = os.path.join(work, "user.ppr")
        env = dict(os.environ, HOME=work, XDG_DATA_HOME=work)
        run = subprocess.run([tool, "import-templates", "--catalogue", catalogue] + files,
                             capture_output=True, text=True, env=env, timeout=300)
        if run.returncode != 0:
            fail("import failed: " + run.stderr)
        lines = run.stdout.splitlines()
        if len(lines) != count:
            fail("%d lines for %d templates" % (len(lines), count))
        imported = {}
        for line in lines:
            verdict, key, detail = line.split("\t")
            if verdict not in ("imported", "refused") or not detail.strip():
                fail("line without a verdict and reason: " + line)
            if verdict == "imported":
                imported[key] = detail
        if len(imported) < count * 0.9:
            fail("only %d of %d imported" % (len(imported), count))
        listing = subprocess.run([tool, "papers", catalogue], capture_output=True, text=True, env=env, timeout=120)
        if listing.returncode != 0 or listing.stderr:
            fail("the catalogue does not read back whole: " + listing.stderr[:500])
        keys = {}
        for row in listing.stdout.splitlines()[1:]:
            fields = row.split("\t")
            keys[fields[1]] = fields[0]
        templates = glabels_templates.read_all(directory)
        checked = 0
        for (brand, part), t in sorted(templates.items()):
            name = imported.get("%s %s" % (brand, part))
            if name is None or len(t.layouts) != 1 or t.kind not in ("rect", "round", "ellipse", "cd"):
                continue
            checked += 1
            if checked % 7 and part not in ("OP861", "5160", "L7160"):
                continue
            svg = os.path.join(work, "p.svg")
            shown = subprocess.run([tool, "paper", catalogue, "Papers/" + keys[name], "--svg", svg],
                                   capture_output=True, text=True, env=env, timeout=60)
            if shown.returncode != 0:
                fail("%s does not draw: %s" % (name, shown.stderr))
            ET.parse(svg)  # well-formed
            layout = t.layouts[0]
            faces = [FACE.match(l) for l in shown.stdout.splitlines()[1:]]
            faces = [f for f in faces if f]
            if len(faces) != layout.nx * layout.ny:
                fail("%s: %d faces, template %d" % (name, len(faces), layout.nx * layout.ny))
            for f in faces:
                i = int(f.group(1))
                column, row = i % layout.nx, i // layout.nx
                left = layout.x0 + column * layout.dx
                top = layout.y0 + row * layout.dy
                got = [float(f.group(k)) for k in range(3, 7)]
                want = [left, top, left + t.width, top + t.height]
                if any(abs(a - b) > 0.1 + 1e-6 for a, b in zip(got, want)):
                    fail("%s face %d at %s, template %s" % (name, i, got, [round(v, 2) for v in want]))
        if checked < 500:
            fail("only %d templates compared" % checked)

        # A damaged file stops everything before the catalogue is written.
        before = open(catalogue, "rb").read()
        bad = os.path.join(work, "bad.xml")
        with open(bad, "w") as handle:
            handle.write("<Glabels-templates><Template brand='X' part='1' size='A4'>")
        damaged = subprocess.run([tool, "import-templates", "--catalogue", catalogue, files[0], bad],
                                 capture_output=True, text=True, env=env, timeout=60)
        if damaged.returncode == 0 or "bad.xml" not in damaged.stderr:
            fail("damaged file accepted: %s" % damaged.stderr)
        if open(catalogue, "rb").read() != before:
            fail("the catalogue changed although the import was refused")
        # Without --catalogue and without the user's catalogue: a clear message.
        missing = subprocess.run([tool, "import-templates", files[0]], capture_output=True, text=True,
                                 env=env, timeout=60)
        if missing.returncode == 0 or "does not exist" not in missing.stderr:
            fail("missing user catalogue: %s" % missing.stderr)
    print("%d templates: %d imported, %d refused with a reason" % (count, len(imported), count - len(imported)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
