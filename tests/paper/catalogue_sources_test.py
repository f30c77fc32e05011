#!/usr/bin/env python3
"""Every maker's product number in data/papers must be confirmed by a public source.

A record whose maker is not "汎用" carries the line "#source: glabels-data VERSION
FILE BRAND PART" right before it; this test reads that template from the gLabels
template database (Debian glabels-data) with our own reader and compares sheet,
label size, layout, gaps, corners and holes within 0.05 mm (the source files keep
tenths of a millimetre). Generic records must not pretend to be products.
Also checks itself: a record with one changed length must be rejected.
"""
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools"))
import glabels_templates  # noqa: E402

TOLERANCE = 0.051


def records(directory):
    """(file, line number, fields, source line or None) for every M/F record."""
    for name in sorted(os.listdir(directory)):
        if not name.endswith(".csv"):
            continue
        source = None
        with open(os.path.join(directory, name), encoding="utf-8") as handle:
            for number, line in enumerate(handle, 1):
                text = line.strip()
                if not text:
                    continue
                if text.startswith("#source:"):
                    source = text[len("#source:"):].split()
                    continue
                if text.startswith("#"):
                    continue
                fields = [f.strip() for f in text.split(",")]
                if fields[0] in ("M", "F"):
                    yield name, number, fields, source
                    source = None


def compare(fields, template):
    """List of disagreements between an M record and a template (empty = confirmed)."""
    problems = []
    if fields[0] != "M":
        return ["only grid papers can be confirmed by a one-layout template"]
    if len(template.layouts) != 1:
        return ["template has %d layouts" % len(template.layouts)]
    layout = template.layouts[0]

    def near(label, ours, theirs):
        if abs(float(ours) - theirs) > TOLERANCE:
            problems.append("%s %s, source %.2f" % (label, ours, theirs))

    near("sheet width", fields[5], template.sheet_width)
    near("sheet height", fields[6], template.sheet_height)
    near("left", fields[7], layout.x0)
    near("top", fields[8], layout.y0)
    near("label width", fields[9], template.width)
    near("label height", fields[10], template.height)
    if int(fields[11]) != layout.nx or int(fields[12]) != layout.ny:
        problems.append("layout %sx%s, source %dx%d" % (fields[11], fields[12], layout.nx, layout.ny))
    if layout.nx > 1:
        near("horizontal gap", fields[13], layout.dx - template.width)
    if layout.ny > 1:
        near("vertical gap", fields[14], layout.dy - template.height)
    shape = fields[15]
    if template.kind == "rect":
        if template.corner_radius > 0:
            if shape != "fsRoundRect":
                problems.append("shape %s, source has rounded corners" % shape)
            else:
                # Our corner field is the rounding ellipse, twice the source's radius.
                near("corner", fields[18], 2 * template.corner_radius)
        elif shape != "fsRect":
            problems.append("shape %s, source is a plain rectangle" % shape)
    elif template.kind in ("round", "ellipse"):
        if shape != "fsEllipse":
            problems.append("shape %s, source is %s" % (shape, template.kind))
    elif template.kind == "cd":
        if shape != "fsDoughnut":
            problems.append("shape %s, source is a CD label" % shape)
        else:
            near("hole", fields[19], template.hole)
    else:
        problems.append("source kind %s" % template.kind)
    return problems


def check(directory, templates):
    errors = []
    confirmed = 0
    for name, number, fields, source in records(directory):
        where = "%s:%d %s" % (name, number, fields[1])
        if fields[3] == "汎用":
            if source:
                errors.append("%s: generic sheet with a source line" % where)
            continue
        if not source or len(source) < 5 or source[0] != "glabels-data":
            errors.append("%s: maker %s without a #source: line" % (where, fields[3]))
            continue
        brand, part = " ".join(source[3:-1]), source[-1]
        template = templates.get((brand, part))
        if template is None:
            errors.append("%s: %s %s is not in the template database" % (where, brand, part))
            continue
        if (" %s " % part) not in (" %s " % fields[1]):
            errors.append("%s: name does not carry the part number %s" % (where, part))
        problems = compare(fields, template)
        if problems:
            errors.append("%s: disagrees with %s %s: %s" % (where, brand, part, "; ".join(problems)))
        else:
            confirmed += 1
    return errors, confirmed


def self_test(templates):
    """The comparison must catch a wrong label width, a wrong corner and a wrong layout."""
    t = templates[("Hisago", "OP861")]
    good = ["M", "ヒサゴ OP861", "g", "ヒサゴ", "p", "210", "297", "20.3", "20.3", "83.8", "42.3",
            "2", "6", "3.8", "0", "fsRoundRect", "", "0", "3", "", "", ""]
    assert compare(good, t) == [], compare(good, t)
    for index, value in ((9, "86.4"), (18, "1.5"), (12, "7"), (13, "0"), (15, "fsRect")):
        bad = list(good)
        bad[index] = value
        assert compare(bad, t), "change of field %d to %s not caught" % (index, value)


def main():
    directory = os.path.join(ROOT, "data", "papers")
    template_dir = glabels_templates.DEFAULT_DIR
    if not os.path.isdir(template_dir):
        print("glabels-data is not installed (scripts/install-deps installs it)")
        return 1
    templates = glabels_templates.read_all(template_dir)
    self_test(templates)
    errors, confirmed = check(directory, templates)
    for error in errors:
        print(error)
    print("%d product numbers confirmed, %d errors" % (confirmed, len(errors)))
    return 1 if errors or confirmed == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
