"""Reads the public gLabels template database (Debian package glabels-data,
/usr/share/libglabels-3.0/templates/*.xml, MIT-licensed factual data) into plain
records in millimetres, so that the paper source checks can compare our product
numbers with an independent description of the same products.

Every length in the files carries its unit (mm, cm, in, pt). Round labels give a
radius, rectangles give a corner *radius* in "round", CD labels give outer and hole
*radii*: callers that need diameters double them here, not later.
"""
import os
import xml.etree.ElementTree as ET

DEFAULT_DIR = "/usr/share/libglabels-3.0/templates"

_UNIT = {"mm": 1.0, "cm": 10.0, "in": 25.4, "pt": 25.4 / 72.0}


def length(text):
    """A length attribute ("86.4mm", "0.5in", "12pt", "3") in millimetres."""
    if text is None:
        return 0.0
    text = text.strip()
    for unit, factor in _UNIT.items():
        if text.endswith(unit):
            return float(text[: -len(unit)]) * factor
    return float(text) * _UNIT["pt"]


class Layout:
    def __init__(self, nx, ny, x0, y0, dx, dy):
        self.nx, self.ny, self.x0, self.y0, self.dx, self.dy = nx, ny, x0, y0, dx, dy


class Template:
    """One template: sheet size, one label frame (kind "rect", "round", "ellipse",
    "cd") with its face width/height, corner radius, hole diameter, and layouts."""

    def __init__(self):
        self.brand = self.part = self.description = ""
        self.file = ""
        self.sheet_width = self.sheet_height = 0.0
        self.size = ""
        self.kind = ""
        self.width = self.height = 0.0
        self.corner_radius = 0.0
        self.hole = 0.0
        self.categories = []
        self.layouts = []

    def key(self):
        return (self.brand, self.part)

    def face_count(self):
        return sum(l.nx * l.ny for l in self.layouts)


def parse(path):
    """The file's root with namespaces dropped from the tags (some files declare
    xmlns="http://glabels.org/xmlns/3.0/", others none)."""
    root = ET.parse(path).getroot()
    for element in root.iter():
        if isinstance(element.tag, str) and "}" in element.tag:
            element.tag = element.tag.split("}", 1)[1]
    return root


def _paper_sizes(directory):
    sizes = {}
    path = os.path.join(directory, "paper-sizes.xml")
    if os.path.exists(path):
        for node in parse(path).iter("Paper-size"):
            sizes[node.get("id")] = (length(node.get("width")), length(node.get("height")))
    return sizes


def _read_frame(template, frame):
    tag = frame.tag
    if tag == "Label-rectangle":
        template.kind = "rect"
        template.width = length(frame.get("width"))
        template.height = length(frame.get("height"))
        template.corner_radius = length(frame.get("round", "0"))
    elif tag == "Label-round":
        template.kind = "round"
        template.width = template.height = 2 * length(frame.get("radius"))
    elif tag == "Label-ellipse":
        template.kind = "ellipse"
        template.width = length(frame.get("width"))
        template.height = length(frame.get("height"))
    elif tag == "Label-cd":
        template.kind = "cd"
        outer = 2 * length(frame.get("radius"))
        template.width = length(frame.get("width")) if frame.get("width") else outer
        template.height = length(frame.get("height")) if frame.get("height") else outer
        template.hole = 2 * length(frame.get("hole"))
    else:
        template.kind = tag
    for node in frame.findall("Layout"):
        template.layouts.append(Layout(int(node.get("nx", "1")), int(node.get("ny", "1")),
                                       length(node.get("x0")), length(node.get("y0")),
                                       length(node.get("dx")), length(node.get("dy"))))


def read_file(path, sizes):
    """Templates of one file, equivalents not yet resolved (kind "equiv:PART")."""
    result = []
    for node in parse(path).iter("Template"):
        t = Template()
        t.file = os.path.basename(path)
        t.brand = node.get("brand", "")
        t.part = node.get("part", "")
        t.description = node.get("_description", node.get("description", ""))
        t.size = node.get("size", "")
        if t.size in sizes:
            t.sheet_width, t.sheet_height = sizes[t.size]
        else:
            t.sheet_width = length(node.get("width"))
            t.sheet_height = length(node.get("height"))
        t.categories = [m.get("category") for m in node.findall("Meta") if m.get("category")]
        if node.get("equiv"):
            t.kind = "equiv:" + node.get("equiv")
        else:
            frames = [c for c in node if c.tag.startswith("Label-")]
            try:
                if frames:
                    _read_frame(t, frames[0])
                    if len(frames) > 1:
                        t.kind = "several-frames"
            except ValueError as error:
                t.kind = "invalid: %s" % error
        result.append(t)
    return result


def read_all(directory=DEFAULT_DIR):
    """All templates of the directory by (brand, part); an equivalent takes the
    geometry of the template it names (same brand)."""
    sizes = _paper_sizes(directory)
    templates = {}
    for name in sorted(os.listdir(directory)):
        if not name.endswith("-templates.xml"):
            continue
        for t in read_file(os.path.join(directory, name), sizes):
            templates[t.key()] = t
    for t in templates.values():
        if t.kind.startswith("equiv:"):
            base = templates.get((t.brand, t.kind[6:]))
            if base is None or base.kind.startswith("equiv:"):
                continue
            for attr in ("sheet_width", "sheet_height", "size", "kind", "width", "height",
                         "corner_radius", "hole", "layouts"):
                setattr(t, attr, getattr(base, attr))
            if not t.categories:
                t.categories = base.categories
            if not t.description:
                t.description = base.description
    return templates
