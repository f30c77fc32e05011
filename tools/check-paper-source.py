#!/usr/bin/python3
"""Check the paper catalogue source in data/papers/ (format: data/papers/README.md).

Exits 0 when every file is valid and the catalogue covers what the delivered
catalogue must offer; otherwise prints every error as FILE:LINE: MESSAGE and exits 1.
Standard library only.
"""

import argparse
import math
import os
import re
import sys
import unicodedata
from collections import Counter, OrderedDict

SHAPES = ["fsRect", "fsDoughnut", "fsEllipse", "fsRoundRect", "fsRectCD", "fsBarrelCD"]
SHAPE_NAMES = {
    "fsRect": "角型",
    "fsDoughnut": "CD型",
    "fsEllipse": "丸型",
    "fsRoundRect": "角丸型",
    "fsRectCD": "名刺型CD",
    "fsBarrelCD": "たる型CD",
}
HOLE_SHAPES = {"fsDoughnut", "fsRectCD", "fsBarrelCD"}
CORNER_SHAPES = {"fsRoundRect", "fsRectCD"}
CENTER_SHAPES = {"csEllipse", "csBarrel"}
# The default purpose list and the shapes each purpose may be chosen for.
PURPOSES = {
    "": set(SHAPES),
    "CD": {"fsDoughnut", "fsEllipse"},
    "CDCover": {"fsRect", "fsRoundRect"},
    "CDCaseTray": {"fsRect", "fsRoundRect"},
    "MOSquare": {"fsRect", "fsRoundRect"},
}

# What the delivered catalogue must cover.
MIN_PRODUCTS = 170
REQUIRED_A4_COUNTS = [2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 21, 24, 27, 28, 33, 36,
                      40, 44, 48, 52, 65]

LENGTH_RE = re.compile(r"^[0-9]{1,4}(\.[0-9])?$")
COUNT_RE = re.compile(r"^[1-9][0-9]{0,2}$")
MAX_TEXT = 80

M_FIELDS = 22
F_FIELDS = 7
FACE_FIELDS = 12


class SourceError(Exception):
    pass


def parse_length(text, what):
    if not LENGTH_RE.match(text):
        raise SourceError("%s: bad length %r (millimetres, at most one decimal)" % (what, text))
    whole, _, frac = text.partition(".")
    return int(whole) * 10 + (int(frac) if frac else 0)


def parse_count(text, what):
    if not COUNT_RE.match(text):
        raise SourceError("%s: bad count %r" % (what, text))
    return int(text)


def parse_text(text, what):
    if not text:
        raise SourceError("%s: empty" % what)
    if len(text) > MAX_TEXT:
        raise SourceError("%s: longer than %d characters" % (what, MAX_TEXT))
    if '"' in text:
        raise SourceError("%s: contains a double quote" % what)
    for ch in text:
        if unicodedata.category(ch) in ("Cc", "Cf", "Cs", "Co", "Cn"):
            raise SourceError("%s: contains control or unassigned character U+%04X" % (what, ord(ch)))
    # Python's encoder also accepts a few look-alikes (U+301C, U+2212, ...) that do
    # not come back unchanged; the program stores text in code page 932, so only
    # characters that survive the round trip are allowed.
    for ch in text:
        try:
            back = ch.encode("cp932").decode("cp932")
        except UnicodeError:
            back = None
        if back != ch:
            raise SourceError("%s: %r (U+%04X) is not representable in code page 932" % (what, ch, ord(ch)))
    return text


class Face:
    """One face in tenths of a millimetre, portrait sheet coordinates."""

    __slots__ = ("left", "top", "width", "height", "shape", "purpose", "bleed",
                 "corner", "hole_w", "hole_h", "center")

    def outer(self):
        b = self.bleed
        return (self.left - b, self.top - b, self.left + self.width + b, self.top + self.height + b)


def parse_face_fields(fields, what):
    """fields: shape, purpose ID, bleed, corner, hole w, hole h, hole shape."""
    shape, purpose, bleed, corner, hole_w, hole_h, center = fields
    face = Face()
    if shape not in SHAPES:
        raise SourceError("%s: unknown shape %r" % (what, shape))
    if purpose not in PURPOSES:
        raise SourceError("%s: unknown purpose ID %r" % (what, purpose))
    if shape not in PURPOSES[purpose]:
        raise SourceError("%s: purpose %r is not allowed for shape %s" % (what, purpose, shape))
    face.shape = shape
    face.purpose = purpose
    face.bleed = parse_length(bleed, what + " bleed")
    if shape in CORNER_SHAPES:
        if not corner:
            raise SourceError("%s: %s needs a corner size" % (what, shape))
        face.corner = parse_length(corner, what + " corner")
    else:
        if corner:
            raise SourceError("%s: corner size given for %s" % (what, shape))
        face.corner = None
    if shape in HOLE_SHAPES:
        if not (hole_w and hole_h and center):
            raise SourceError("%s: %s needs hole width, height and shape" % (what, shape))
        face.hole_w = parse_length(hole_w, what + " hole width")
        face.hole_h = parse_length(hole_h, what + " hole height")
        if center not in CENTER_SHAPES:
            raise SourceError("%s: unknown hole shape %r" % (what, center))
        face.center = center
    else:
        if hole_w or hole_h or center:
            raise SourceError("%s: hole given for %s" % (what, shape))
        face.hole_w = face.hole_h = face.center = None
    return face


def check_face_self(face, what):
    if face.width <= 0 or face.height <= 0:
        raise SourceError("%s: face has no area" % what)
    shorter = min(face.width, face.height)
    if face.corner is not None:
        if face.corner <= 0 or face.corner * 2 > shorter:
            raise SourceError("%s: corner size %d is not within (0, %d]" % (what, face.corner, shorter // 2))
    if face.hole_w is not None:
        if face.hole_w <= 0 or face.hole_h <= 0:
            raise SourceError("%s: hole has no area" % what)
        if face.hole_w >= face.width or face.hole_h >= face.height:
            raise SourceError("%s: hole %dx%d does not fit the face %dx%d"
                              % (what, face.hole_w, face.hole_h, face.width, face.height))
        if face.shape == "fsDoughnut" and (face.width - face.hole_w < 20 or face.height - face.hole_h < 20):
            raise SourceError("%s: ring around the hole narrower than 1 mm" % what)
        if face.hole_w <= 2 * face.bleed or face.hole_h <= 2 * face.bleed:
            raise SourceError("%s: bleed closes the hole" % what)
        if face.shape in ("fsRectCD", "fsBarrelCD"):
            # The hole must lie inside the label's own outline, not only its box.
            for x, y in hole_corner_points(face):
                if not inside_shape(face.shape, face_rect(face), face.corner, x, y):
                    raise SourceError("%s: hole reaches outside the label outline" % what)


def face_rect(face):
    return (face.left, face.top, face.left + face.width, face.top + face.height)


def hole_corner_points(face):
    l = face.left + (face.width - face.hole_w) // 2
    t = face.top + (face.height - face.hole_h) // 2
    r, b = l + face.hole_w, t + face.hole_h
    cx, cy = (l + r) / 2, (t + b) / 2
    if face.center == "csEllipse":
        # Points on the ellipse every 10 degrees.
        return [(cx + face.hole_w / 2 * math.cos(a), cy + face.hole_h / 2 * math.sin(a))
                for a in (math.radians(d) for d in range(0, 360, 10))]
    return [(l + 0.5, t + 0.5), (r - 0.5, t + 0.5), (l + 0.5, b - 0.5), (r - 0.5, b - 0.5)]


def inside_shape(shape, rect, corner, x, y):
    """Whether point (x, y) (tenths, may be fractional) is inside a face outline."""
    l, t, r, b = rect
    if not (l <= x <= r and t <= y <= b):
        return False
    w, h = r - l, b - t
    cx, cy = (l + r) / 2, (t + b) / 2
    if shape in ("fsEllipse", "fsDoughnut"):
        return ((x - cx) / (w / 2)) ** 2 + ((y - cy) / (h / 2)) ** 2 <= 1.0
    if shape in ("fsRoundRect", "fsRectCD"):
        rx = ry = (corner or 0) / 2
        if rx <= 0:
            return True
        qx = min(x - l, r - x)
        qy = min(y - t, b - y)
        if qx >= rx or qy >= ry:
            return True
        return ((rx - qx) / rx) ** 2 + ((ry - qy) / ry) ** 2 <= 1.0
    if shape == "fsBarrelCD":
        # The barrel's two arcs lie on the circle whose diameter is the longer side.
        radius = max(w, h) / 2
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    return True


def faces_overlap(a, b):
    """Overlap of the bled outlines of two faces on the 0.1 mm cell grid."""
    ra, rb = a.outer(), b.outer()
    l, t = max(ra[0], rb[0]), max(ra[1], rb[1])
    r, bt = min(ra[2], rb[2]), min(ra[3], rb[3])
    if l >= r or t >= bt:
        return False
    if a.shape == "fsRect" and b.shape == "fsRect":
        return True
    # Test the cell centres of the shared box; a bled face keeps its shape, scaled to
    # its outer box, and its corner grown by the bleed.
    ca = None if a.corner is None else a.corner + 2 * a.bleed
    cb = None if b.corner is None else b.corner + 2 * b.bleed
    for y in range(t, bt):
        for x in range(l, r):
            px, py = x + 0.5, y + 0.5
            if inside_shape(a.shape, ra, ca, px, py) and inside_shape(b.shape, rb, cb, px, py):
                return True
    return False


class Paper:
    def __init__(self, kind, name, group, maker, purpose, width, height, where):
        self.kind = kind
        self.name = name
        self.group = group
        self.maker = maker
        self.purpose = purpose
        self.width = width
        self.height = height
        self.where = where
        self.faces = []
        self.uncertain = False
        self.category = os.path.basename(where.split(":")[0])

    def sheet_name(self):
        sizes = {(2100, 2970): "A4", (1000, 1480): "ハガキ", (890, 1270): "L判",
                 (1020, 1520): "KG", (1270, 1780): "2L判", (1480, 2100): "A5",
                 (1820, 2570): "B5", (540, 860): "カードサイズ"}
        return sizes.get((self.width, self.height), "%gx%g" % (self.width / 10, self.height / 10))


def split_fields(line):
    return [f.strip(" \t") for f in line.split(",")]


def read_file(path, errors):
    papers = []
    rel = os.path.relpath(path)
    with open(path, "rb") as fh:
        raw = fh.read()
    if raw.startswith(b"\xef\xbb\xbf"):
        errors.append("%s:1: byte order mark" % rel)
        raw = raw[3:]
    try:
        text = raw.decode("utf-8")
    except UnicodeDecodeError as e:
        errors.append("%s: not UTF-8 at byte %d" % (rel, e.start))
        return papers
    current_free = None
    pending_uncertain = False
    for number, line in enumerate(text.split("\n"), 1):
        where = "%s:%d" % (rel, number)
        bad = [c for c in line if (ord(c) < 0x20 and c != "\t") or ord(c) == 0x7F]
        if bad:
            errors.append("%s: control character U+%04X" % (where, ord(bad[0])))
            continue
        stripped = line.strip(" \t")
        if not stripped:
            continue
        if stripped.startswith("#"):
            if stripped.startswith("#?"):
                pending_uncertain = True
            continue
        fields = split_fields(line)
        kind = fields[0]
        try:
            if kind == "M":
                current_free = None
                if len(fields) != M_FIELDS:
                    raise SourceError("M record has %d fields, needs %d" % (len(fields), M_FIELDS))
                paper = Paper("M", parse_text(fields[1], "name"), parse_text(fields[2], "group"),
                              parse_text(fields[3], "maker"), parse_text(fields[4], "purpose"),
                              parse_length(fields[5], "sheet width"),
                              parse_length(fields[6], "sheet height"), where)
                left = parse_length(fields[7], "left")
                top = parse_length(fields[8], "top")
                fw = parse_length(fields[9], "face width")
                fh_ = parse_length(fields[10], "face height")
                cols = parse_count(fields[11], "columns")
                rows = parse_count(fields[12], "rows")
                gx = parse_length(fields[13], "horizontal gap")
                gy = parse_length(fields[14], "vertical gap")
                proto = parse_face_fields(fields[15:22], "face")
                for i in range(cols * rows):
                    face = Face()
                    for slot in Face.__slots__:
                        setattr(face, slot, getattr(proto, slot, None))
                    face.left = left + (i % cols) * (fw + gx)
                    face.top = top + (i // cols) * (fh_ + gy)
                    face.width, face.height = fw, fh_
                    paper.faces.append(face)
                paper.grid = (cols, rows)
                paper.uncertain = pending_uncertain
                pending_uncertain = False
                papers.append(paper)
            elif kind == "F":
                if len(fields) != F_FIELDS:
                    raise SourceError("F record has %d fields, needs %d" % (len(fields), F_FIELDS))
                current_free = Paper("F", parse_text(fields[1], "name"), parse_text(fields[2], "group"),
                                     parse_text(fields[3], "maker"), parse_text(fields[4], "purpose"),
                                     parse_length(fields[5], "sheet width"),
                                     parse_length(fields[6], "sheet height"), where)
                current_free.grid = None
                current_free.uncertain = pending_uncertain
                pending_uncertain = False
                papers.append(current_free)
            elif kind == "FACE":
                if current_free is None:
                    raise SourceError("FACE record without a preceding F record")
                if len(fields) != FACE_FIELDS:
                    raise SourceError("FACE record has %d fields, needs %d" % (len(fields), FACE_FIELDS))
                face = parse_face_fields(fields[5:12], "face %d" % (len(current_free.faces) + 1))
                face.left = parse_length(fields[1], "left")
                face.top = parse_length(fields[2], "top")
                face.width = parse_length(fields[3], "width")
                face.height = parse_length(fields[4], "height")
                current_free.faces.append(face)
            else:
                raise SourceError("unknown record kind %r" % kind)
        except SourceError as e:
            errors.append("%s: %s" % (where, e))
            if kind == "F":
                current_free = None
    if pending_uncertain:
        errors.append("%s: '#?' mark without a following record" % rel)
    return papers


def check_paper(paper, errors):
    where = paper.where
    if paper.width <= 0 or paper.height <= 0:
        errors.append("%s: %s: sheet has no area" % (where, paper.name))
        return
    if not paper.faces:
        errors.append("%s: %s: paper without faces" % (where, paper.name))
        return
    for i, face in enumerate(paper.faces):
        what = "%s: %s: face %d" % (where, paper.name, i + 1)
        try:
            check_face_self(face, what)
        except SourceError as e:
            errors.append(str(e))
            return
        l, t, r, b = face.outer()
        if l < 0 or t < 0 or r > paper.width or b > paper.height:
            errors.append("%s lies outside the sheet: (%d,%d)-(%d,%d) on %dx%d"
                          % (what, l, t, r, b, paper.width, paper.height))
            return
    for i in range(len(paper.faces)):
        for j in range(i):
            if faces_overlap(paper.faces[i], paper.faces[j]):
                errors.append("%s: %s: face %d overlaps face %d" % (where, paper.name, i + 1, j + 1))
                return


def name_key(name):
    return unicodedata.normalize("NFKC", name).casefold().replace(" ", "")


def dominant_shape(paper):
    return paper.faces[0].shape if paper.faces else "-"


def display_width(text):
    return sum(2 if unicodedata.east_asian_width(c) in ("W", "F") else 1 for c in text)


def pad(text, width):
    return text + " " * (width - display_width(text))


def print_table(title, counter, order=None):
    print("\n%s" % title)
    keys = order if order is not None else sorted(counter, key=lambda k: (-counter[k], str(k)))
    width = max([display_width(str(k)) for k in keys] + [4])
    for k in keys:
        if counter.get(k):
            print("  %s %4d" % (pad(str(k), width), counter[k]))
    print("  %s %4d" % (pad("計", width), sum(counter.values())))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("folder", nargs="?", default=os.path.join(here, "..", "data", "papers"))
    parser.add_argument("--quiet", action="store_true", help="print errors only")
    parser.add_argument("--list", action="store_true",
                        help="also list every product: sheet, faces, shapes, name")
    args = parser.parse_args()

    errors = []
    files = sorted(f for f in os.listdir(args.folder) if f.endswith(".csv"))
    if not files:
        errors.append("%s: no .csv files" % args.folder)
    papers = []
    for name in sorted(files, key=lambda n: n.encode("utf-8")):
        papers.extend(read_file(os.path.join(args.folder, name), errors))

    seen = {}
    for paper in papers:
        key = name_key(paper.name)
        if key in seen:
            errors.append("%s: name %r duplicates %s" % (paper.where, paper.name, seen[key]))
        else:
            seen[key] = paper.where
        check_paper(paper, errors)

    # Coverage the delivered catalogue must have.
    if len(papers) < MIN_PRODUCTS:
        errors.append("only %d products, at least %d wanted" % (len(papers), MIN_PRODUCTS))
    shapes_used = {f.shape for p in papers for f in p.faces}
    for shape in SHAPES:
        if shape not in shapes_used:
            errors.append("no face of shape %s" % shape)
    purposes_used = {f.purpose for p in papers for f in p.faces}
    for purpose in PURPOSES:
        if purpose not in purposes_used:
            errors.append("no face with purpose ID %r" % purpose)
    if "csBarrel" not in {f.center for p in papers for f in p.faces}:
        errors.append("no face with a barrel hole")
    a4_counts = {len(p.faces) for p in papers if (p.width, p.height) == (2100, 2970)}
    for n in REQUIRED_A4_COUNTS:
        if n not in a4_counts:
            errors.append("no A4 sheet with %d faces" % n)
    if not any(p.kind == "F" for p in papers):
        errors.append("no free paper")

    for e in errors:
        print(e, file=sys.stderr)

    if args.list:
        for p in papers:
            shapes = "/".join(sorted({f.shape for f in p.faces}, key=SHAPES.index))
            print("%s%s %3d面 %-22s %s" % ("?" if p.uncertain else " ", pad(p.sheet_name(), 12),
                                           len(p.faces), shapes, p.name))
    if not args.quiet:
        print("%d products in %d files, %d faces, %d free papers, %d marked less certain ('#?')"
              % (len(papers), len(files), sum(len(p.faces) for p in papers),
                 sum(1 for p in papers if p.kind == "F"), sum(1 for p in papers if p.uncertain)))
        print_table("Products per file", Counter(p.category for p in papers),
                    order=list(OrderedDict.fromkeys(p.category for p in papers)))
        print_table("Products per group", Counter(p.group for p in papers),
                    order=list(OrderedDict.fromkeys(p.group for p in papers)))
        print_table("Products per maker", Counter(p.maker for p in papers))
        shape_counter = Counter()
        for p in papers:
            for s in sorted({f.shape for f in p.faces}, key=SHAPES.index):
                shape_counter["%s %s" % (s, SHAPE_NAMES[s])] += 1
        print_table("Products per face shape (a paper with several shapes counts under each)",
                    shape_counter, order=["%s %s" % (s, SHAPE_NAMES[s]) for s in SHAPES])
        purpose_counter = Counter()
        for p in papers:
            for pu in sorted({f.purpose for f in p.faces}):
                purpose_counter[pu or "(なし)"] += 1
        print_table("Products per purpose ID", purpose_counter)
        print_table("Products per sheet", Counter(p.sheet_name() for p in papers))
        counts = Counter(len(p.faces) for p in papers)
        print("\nProducts per face count (all sheets)")
        print("  " + "  ".join("%d面:%d" % (n, counts[n]) for n in sorted(counts)))
        a4 = Counter(len(p.faces) for p in papers if (p.width, p.height) == (2100, 2970))
        print("Products per face count (A4)")
        print("  " + "  ".join("%d面:%d" % (n, a4[n]) for n in sorted(a4)))
        print("\n%s" % ("OK" if not errors else "%d error(s)" % len(errors)))
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
