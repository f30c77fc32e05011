#!/usr/bin/python3
"""Writes the design sources of the delivered template collection.

    tools/template-designs.py [DATA_TEMPLATES_DIR]

The collection's sources under data/templates/ are generated from the layouts below
(one function per kind of label, parameterised by colours, faces and texts) and
committed; the build turns them into template files with tools/make-templates. The
pictures the designs use (a sample photograph and a few fill patterns) are drawn here
too, into data/templates/pictures/. Run it after changing a layout and look at the
contact sheet (`velmo-tool templates build/data/Data/Template/Template.dat --sheet
OUT.png`).
"""
import math
import os
import random
import sys

from PIL import Image, ImageDraw, ImageFilter

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUT = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "data", "templates")

# Faces (installed by scripts/install-deps).
GOTHIC = "IPAexGothic"
PGOTHIC = "IPAPGothic"
MINCHO = "IPAexMincho"
PMINCHO = "IPAPMincho"
ROUND = "MotoyaLMaru"
BRUSH = "AoyagiKouzanFontT"
HAND = "SetoFont"
POP = "M PLUS 1"
SANS = "Noto Sans CJK JP"
SERIF = "Noto Serif CJK JP"


def rgb(value):
    """'#rrggbb' -> the stored colour 0x00BBGGRR."""
    value = value.lstrip("#")
    r, g, b = int(value[0:2], 16), int(value[2:4], 16), int(value[4:6], 16)
    return r | (g << 8) | (b << 16)


def quote(text):
    return "'" + text.replace("'", "''") + "'"


# ---- colour settings --------------------------------------------------------------

class Solid:
    def __init__(self, colour):
        self.colour = colour

    def lines(self, prefix):
        return [f"{prefix}.Color = {rgb(self.colour)}"]


class Grad:
    """A gradation; angle 0 runs from the first colour at the top downwards, 90 from
    the left; kind one of rgkSimple, rgkCircleToCenter, rgkCircleToRim, …"""

    def __init__(self, colours, angle=0, kind=None):
        self.colours, self.angle, self.kind = colours, angle, kind

    def lines(self, prefix):
        count = len(self.colours).to_bytes(4, "little").hex().upper()
        body = "".join(rgb(c).to_bytes(4, "little").hex().upper() for c in self.colours)
        out = [f"{prefix}.Kind = cskGradation", f"{prefix}.GradAngle = {self.angle}"]
        if self.kind:
            out.append(f"{prefix}.GradKind = {self.kind}")
        out += [f"{prefix}.GradColors.Colors = {{", f"  {count}{body}}}"]
        return out


class Tile:
    def __init__(self, picture, tile=True):
        self.picture, self.tile = picture, tile

    def lines(self, prefix):
        out = [f"{prefix}.Kind = cskBitmap"]
        if self.tile:
            out.append(f"{prefix}.Tile = True")
        out.append(f"{prefix}.ImageData.Picture.Data = @picture '../pictures/{self.picture}'")
        return out


def spec(value):
    if value is None:
        return None
    return Solid(value) if isinstance(value, str) else value


# ---- objects -----------------------------------------------------------------------

class Design:
    def __init__(self, width, height):
        self.w, self.h = width, height
        self.objects = []

    def _add(self, kind, lines):
        name = f"{kind[3:]}{len(self.objects) + 1}"
        self.objects.append((name, kind, lines))
        return self

    @staticmethod
    def _box(x, y, w, h):
        return [f"Left = {int(x)}", f"Top = {int(y)}", f"Width = {int(w)}", f"Height = {int(h)}"]

    def back(self, fill, frame=None, frame_width=0):
        lines = self._box(0, 0, self.w, self.h) + spec(fill).lines("FillColor")
        if frame:
            lines += spec(frame).lines("FrameColor") + [f"FrameWidth = {frame_width}"]
        return self._add("TLOBackImage", lines)

    def rect(self, x, y, w, h, fill=None, frame=None, frame_width=0, round_corners=False, angle=0, kind="TLORect"):
        lines = self._box(x, y, w, h)
        lines.append(f"FrameWidth = {frame_width if frame else 0}")
        if frame:
            lines += spec(frame).lines("FrameColor")
        elif fill:
            # No frame: the frame takes the fill's colour so that no dark edge shows.
            first = fill if isinstance(fill, str) else None
            if first:
                lines += Solid(first).lines("FrameColor")
        if fill:
            lines += spec(fill).lines("FillColor") + ["FillInside = True"]
        else:
            lines.append("FillInside = False")
        if angle:
            lines.append(f"Angle = {angle}")
        if round_corners:
            lines.append("RoundRect = True")
        return self._add(kind, lines)

    def ellipse(self, x, y, w, h, fill=None, frame=None, frame_width=0):
        return self.rect(x, y, w, h, fill, frame, frame_width, kind="TLOCircle")

    def circle(self, cx, cy, r, fill=None, frame=None, frame_width=0):
        return self.ellipse(cx - r, cy - r, 2 * r, 2 * r, fill, frame, frame_width)

    def line(self, x1, y1, x2, y2, colour, width=3):
        left, top = min(x1, x2), min(y1, y2)
        lines = [f"Left = {left}", f"Top = {top}", f"Width = {max(1, abs(x2 - x1))}",
                 f"Height = {max(1, abs(y2 - y1))}", f"StartX = {x1}", f"StartY = {y1}", f"EndX = {x2}",
                 f"EndY = {y2}"] + Solid(colour).lines("LineColor") + [f"LineWidth = {width}"]
        return self._add("TLOLine", lines)

    def text(self, x, y, w, h, text, face=GOTHIC, size=12, colour="#303030", align=0, vertical=False,
             bold=False, outline=None, outline_width=0, shadow=None, shadow_preset=8, spacing=0,
             line_spacing=0, bulge=0, angle=0, field=None, distortion=None):
        rows = text.split("\n")
        lines = self._box(x, y, w, h) + ["Version = 1", "Text.Strings = ("]
        lines += ["  " + quote(r) + (")" if i == len(rows) - 1 else "") for i, r in enumerate(rows)]
        lines += [f"Font.Name = {quote(face)}", f"Font.Size = {size}"]
        if bold:
            lines.append("Font.Style = [fsBold]")
        if align:
            lines.append(f"Align = {align}")
        if vertical:
            lines.append("Vertical = True")
        if spacing:
            lines.append(f"CharSpacing = {spacing}")
        if line_spacing:
            lines.append(f"LineSpacing = {line_spacing}")
        if angle:
            lines.append(f"Angle = {angle}")
        lines += spec(colour).lines("TextColor")
        if outline:
            lines += ["Outline = True", f"OutLineWidth = {outline_width}"] + spec(outline).lines("OutlineColor")
        if shadow:
            lines += [f"Shadow = {shadow_preset}"] + spec(shadow).lines("ShadowColor")
        if bulge:
            lines.append(f"Bulge = {bulge}")
        if distortion:
            lines.append("CoonsDistortion.Data = {")
            lines += ["  " + distortion[i:i + 64] + ("}" if i + 64 >= len(distortion) else "")
                      for i in range(0, len(distortion), 64)]
        if field:
            kind, number = field
            lines += [f"FieldNo = {number}", f"FieldType = {kind}"]
        return self._add("TLOVelmoText", lines)

    def ctext(self, x, cy, w, text, face=GOTHIC, size=12, **options):
        """A text whose lines are centred vertically on cy (the layout starts each text
        at the top of its box)."""
        em = size * 254 / 72
        h = int(em * 1.2 * (text.count("\n") + 1)) + 8
        return self.text(x, int(cy - h / 2), w, h, text, face, size, **options)

    def image(self, x, y, w, h, picture, angle=0):
        lines = self._box(x, y, w, h) + [f"ImageData.Picture.Data = @picture '../pictures/{picture}'"]
        if angle:
            lines.append(f"Angle = {angle}")
        return self._add("TLOVelmoImage", lines)

    def source(self):
        out = ["object TLDObjects"]
        for name, kind, lines in self.objects:
            out.append(f"  object {name}: {kind}")
            out += ["    " + l for l in lines]
            out.append("  end")
        out.append("end")
        return "\n".join(out) + "\n"


# A text distortion (the arch the delivered pattern chooser also offers), in the stored
# form of a text object's CoonsDistortion.
ARCH = "7A16205C343F7E4AB7EE6489695F1C9605000000020000000500000002000000000000000000000000000098999999999999FD3F0000000000000080FD3F0098999999999999FB3F0000000000000080FE3F0000000000000000000000000000000000C0FE3F0098999999999999FB3F0000000000000080FF3F0098999999999999FD3F0000000000000080FF3F0098999999999999FD3F0000000000000080FF3F0000000000000080FF3F000000000000000000000000000000000080FF3F0000000000000080FD3F00686666666666C6FE3F0000000000000080FE3F00303333333333B3FE3F00000000000000C0FE3F00686666666666C6FE3F0000000000000080FF3F0000000000000080FF3F000000000000000000000098999999999999FD3F000000000000000000000000000000000080FF3F0001010100000000010101000000"

PRODUCT = "ftProduct"
CREATOR = "ftCreatorJapanese"
CREATOR_EN = "ftCreatorEnglish"

# ---- the collection -----------------------------------------------------------------

SOURCES = []  # (folder, name, header dict, {positions: Design})


# Folders carry a number so that the index lists the groups in this order.
FOLDERS = ['address', 'return', 'card', 'name', 'filing', 'storage', 'price', 'greeting', 'photo', 'cd-card', 'cd', 'case', 'tray', 'media']


def add(folder, name, paper, title, purpose, group, designs, form="shared", landscape=False):
    folder = "%02d-%s" % (10 + 5 * FOLDERS.index(folder), folder)
    SOURCES.append((folder, name, dict(paper=paper, title=title, purpose=purpose, group=group, form=form,
                                       landscape=landscape), designs))


def size_of(paper):
    return PAPERS[paper]


PAPERS = {
    "A4 12面 86.4×42.3mm": (864, 423),
    "A4 10面 86.4×50.8mm": (864, 508),
    "A4 21面 70×42.3mm": (700, 423),
    "A4 24面 70×37mm": (700, 370),
    "A4 18面 63.5×46.6mm": (635, 466),
    "ハガキ 1面 100×148mm": (1000, 1480),
    "A4 44面 48.3×25.4mm": (483, 254),
    "A4 65面 38.1×21.2mm": (381, 212),
    "ハガキ 12面 44×21.2mm": (440, 212),
    "A4 10面 91×55mm": (910, 550),
    "A4 10面 85.6×54mm": (856, 540),
    "ハガキ 24面 40×9mm": (400, 90),
    "ハガキ 30面 30×12mm": (300, 120),
    "ハガキ 16面 角丸 44×14mm": (440, 140),
    "ハガキ 35面 丸型 15×15mm": (150, 150),
    "A4 10面 90×55mm": (900, 550),
    "A4 4面 44×277mm": (440, 2770),
    "A4 5面 34×277mm": (340, 2770),
    "A4 7面 24×277mm": (240, 2770),
    "A4 42面 角丸 27×34mm": (270, 340),
    "A4 30面 80×14mm": (800, 140),
    "A4 8面 105×74.2mm": (1050, 742),
    "A4 6面 105×99mm": (1050, 990),
    "A4 4面 105×148.5mm": (1050, 1485),
    "A4 40面 48.3×25.4mm": (483, 254),
    "A4 27面 角丸 50×30mm": (500, 300),
    "A4 32面 楕円 45×30mm": (450, 300),
    "A4 48面 丸型 30×30mm": (300, 300),
    "A4 12面 丸型 60×60mm": (600, 600),
    "A4 12面 丸型 50×50mm": (500, 500),
    "A4 6面 丸型 80×80mm": (800, 800),
    "A4 24面 丸型 40×40mm": (400, 400),
    "A4 10面 楕円 70×50mm": (700, 500),
    "A4 8面 楕円 90×60mm": (900, 600),
    "A4 24面 角丸 40×40mm": (400, 400),
    "L判 4面 44.5×63.5mm": (445, 635),
    "L判 1面 89×127mm": (890, 1270),
    "L判 12面 丸型 25×25mm": (250, 250),
    "ハガキ 16面 角丸 22×33mm": (220, 330),
    "A4 2面 CD/DVD 内径41mm 117×117mm": (1170, 1170),
    "A4 2面 CD/DVD 内径17mm 117×117mm": (1170, 1170),
    "A4 6面 CD/DVD 内径41mm 78×78mm": (780, 780),
    "A4 2面 120×120mm": (1200, 1200),
    "A4 2面 150×118mm": (1500, 1180),
    "A4 1面 183×273mm": (1830, 2730),
    "A4 15面 60×50mm": (600, 500),
    "A4 8面 70×58mm": (700, 580),
    "A4 8面 名刺型CD 86×64mm": (860, 640),
}


def paper_size(paper, landscape=False):
    w, h = PAPERS[paper]
    return (h, w) if landscape else (w, h)


# ---- address labels ---------------------------------------------------------------

NAME = "山田　太郎　様"
ZIP = "〒100-0001"
ADDRESS = "東京都千代田区千代田1-1\nベルモハイツ101号室"


def address_band(paper, colour_a, colour_b, face=PMINCHO):
    w, h = PAPERS[paper]
    d = Design(w, h)
    band = int(w * 0.07)
    d.rect(0, 0, band, h, fill=Grad([colour_a, colour_b], 0))
    x = band + 50
    d.text(x, int(h * 0.09), 300, 50, ZIP, GOTHIC, 9)
    d.text(x, int(h * 0.23), w - x - 40, 110, ADDRESS, GOTHIC, 10)
    d.line(x, int(h * 0.58), w - 40, int(h * 0.58), colour_a, 3)
    d.text(x + 30, int(h * 0.63), w - x - 70, int(h * 0.3), NAME, face, 18, align=1)
    return d


def address_sky(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    top = int(h * 0.22)
    d.rect(0, 0, w, top, fill=Grad(["#5aa9e6", "#bfe3ff"], 90))
    d.circle(w - 90, top // 2, top // 3, fill="#ffffff")
    d.text(40, (top - 60) // 2, 400, 60, ZIP, GOTHIC, 10, colour="#ffffff", bold=True)
    d.text(40, top + 30, w - 80, 110, ADDRESS, GOTHIC, 10)
    d.text(60, int(h * 0.62), w - 120, int(h * 0.3), NAME, PGOTHIC, 17, colour="#1d4f7a", align=1)
    return d


def address_frame(paper, colour):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(25, 25, w - 50, h - 50, frame=colour, frame_width=8, round_corners=True)
    d.rect(45, 45, w - 90, h - 90, frame=colour, frame_width=2, round_corners=True)
    for cx, cy in ((45, 45), (w - 45, 45), (45, h - 45), (w - 45, h - 45)):
        d.circle(cx, cy, 14, fill=colour)
    d.text(90, 80, 300, 50, ZIP, MINCHO, 9, colour="#404040")
    d.text(90, 135, w - 180, 100, ADDRESS, MINCHO, 9, colour="#404040")
    d.text(90, int(h * 0.6), w - 180, int(h * 0.28), NAME, MINCHO, 16, align=1)
    return d


def address_washi(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Tile("washi.png"))
    d.rect(0, h - 45, w, 45, fill=Grad(["#b5473a", "#d9785a"], 90))
    d.text(60, 40, 300, 50, ZIP, MINCHO, 9, colour="#5a3a2a")
    d.text(60, 95, w - 120, 100, ADDRESS, MINCHO, 9, colour="#5a3a2a")
    d.text(60, int(h * 0.5), w - 120, int(h * 0.32), NAME, BRUSH, 20, colour="#2a1a10", align=1)
    return d


def address_dots(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(0, 0, int(w * 0.16), h, fill=Tile("dots-pink.png"))
    x = int(w * 0.16) + 40
    d.text(x, 40, 300, 50, ZIP, ROUND, 9, colour="#7a3550")
    d.text(x, 95, w - x - 30, 100, ADDRESS, ROUND, 9, colour="#7a3550")
    d.text(x, int(h * 0.58), w - x - 30, int(h * 0.3), NAME, ROUND, 16, colour="#c2406e", align=1)
    return d


def address_formal(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    for y in (30, 42):
        d.line(40, y, w - 40, y, "#1f3a5f", 4 if y == 30 else 1)
    for y in (h - 42, h - 30):
        d.line(40, y, w - 40, y, "#1f3a5f", 1 if y == h - 42 else 4)
    d.text(60, 70, 300, 50, ZIP, MINCHO, 9, colour="#1f3a5f")
    d.text(60, 125, w - 120, 110, ADDRESS, MINCHO, 10, colour="#1f3a5f")
    d.text(60, int(h * 0.55), w - 120, int(h * 0.3), NAME, MINCHO, 18, colour="#101828", align=1)
    return d


def address_mini(paper, colour):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(0, 0, w, 30, fill=Tile("stripe-mint.png") if colour is None else colour)
    d.text(40, 55, 300, 40, ZIP, GOTHIC, 8)
    d.text(40, 100, w - 80, 90, ADDRESS, GOTHIC, 8)
    d.text(40, int(h * 0.6), w - 80, int(h * 0.3), NAME, PMINCHO, 14, align=1)
    return d


def address_vertical_postcard():
    paper = "ハガキ 1面 100×148mm"
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back("#fbf8f1", frame="#b5473a", frame_width=15)
    d.text(500, 70, 440, 70, "１００－０００１", MINCHO, 14, colour="#b5473a", spacing=6)
    d.text(790, 220, 110, 1100, "東京都千代田区千代田一丁目一番", MINCHO, 15, vertical=True)
    d.text(670, 330, 100, 900, "ベルモハイツ一〇一号室", MINCHO, 13, vertical=True)
    d.text(400, 250, 180, 1150, "山田　太郎　様", MINCHO, 34, vertical=True, colour="#101010")
    d.line(70, 880, 70, 1380, "#b5473a", 3)
    d.text(170, 900, 70, 460, "千代田区千代田一－一", MINCHO, 8, vertical=True, colour="#404040")
    d.text(90, 960, 80, 400, "山田　花子", MINCHO, 10, vertical=True, colour="#202020")
    d.text(60, 1395, 300, 40, "１００－０００１", MINCHO, 7, colour="#404040")
    return d


def return_simple(paper, colour):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(20, 20, w - 40, h - 40, frame=colour, frame_width=3, round_corners=True)
    d.text(45, 40, w - 90, 40, ZIP, GOTHIC, 6, colour=colour)
    d.text(45, 80, w - 90, 70, "東京都千代田区千代田1-1", GOTHIC, 6)
    d.text(45, h - 95, w - 90, 60, "山田　太郎", PMINCHO, 9, align=2)
    return d


def return_leaf(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#eef7e8", "#ffffff"], 90))
    d.circle(60, h // 2, 38, fill="#7bb661")
    d.circle(60, h // 2, 18, fill="#ffffff")
    d.text(120, 35, w - 140, 40, ZIP, GOTHIC, 6, colour="#3d6b2b")
    d.text(120, 75, w - 140, 70, "東京都千代田区千代田1-1", GOTHIC, 6)
    d.text(120, h - 90, w - 140, 60, "山田　太郎", PMINCHO, 8, align=2)
    return d


def return_line(paper, colour):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(0, 0, 18, h, fill=colour)
    d.text(40, 25, w - 55, 35, ZIP + " 東京都千代田区", GOTHIC, 5)
    d.text(40, 60, w - 55, 35, "千代田1-1-101", GOTHIC, 5)
    d.line(40, h - 95, w - 20, h - 95, colour, 2)
    d.text(40, h - 85, w - 60, 60, "山田　太郎", PMINCHO, 8, align=2)
    return d


# ---- business cards -----------------------------------------------------------------

def card_blue(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(0, 0, 60, h, fill=Grad(["#1f4e8c", "#3f8fd2"], 0))
    d.rect(60, 0, 12, h, fill="#a9cdee")
    d.text(130, 60, w - 180, 60, "株式会社ベルモ", GOTHIC, 9, colour="#1f4e8c", bold=True, field=(CREATOR, 1))
    d.text(130, 120, w - 180, 45, "営業部", GOTHIC, 7, colour="#505050", field=(CREATOR, 2))
    d.text(130, 200, w - 180, 110, "山田　太郎", MINCHO, 20, colour="#202020")
    d.line(130, 330, w - 50, 330, "#3f8fd2", 2)
    d.text(130, 350, w - 180, 40, "〒100-0001", GOTHIC, 6, field=(CREATOR, 5))
    d.text(130, 390, w - 180, 40, "東京都千代田区千代田1-1", GOTHIC, 6, field=(CREATOR, 6))
    d.text(130, 440, 350, 40, "TEL 03-0000-0000", GOTHIC, 6, field=(CREATOR, 3))
    d.text(490, 440, 370, 40, "FAX 03-0000-0001", GOTHIC, 6, field=(CREATOR, 4))
    return d


def card_gradient(paper, colours, accent):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(0, 0, w, 150, fill=Grad(colours, 90))
    d.text(50, 40, w - 100, 70, "ベルモ デザイン室", POP, 11, colour="#ffffff", bold=True, field=(CREATOR, 1))
    d.text(50, 200, w - 100, 50, "デザイナー", GOTHIC, 7, colour=accent)
    d.text(50, 250, w - 100, 110, "山田　太郎", GOTHIC, 18, colour="#222222", bold=True)
    d.text(50, 400, w - 100, 40, "TEL 03-0000-0000", GOTHIC, 6, field=(CREATOR, 3))
    d.text(50, 445, w - 100, 40, "https://www.example.jp/", GOTHIC, 6, colour=accent, field=(CREATOR, 8))
    return d


def card_dark(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back("#23272f")
    d.rect(w - 220, 0, 220, h, fill=Grad(["#c9a44c", "#8a6a22"], 0))
    d.text(60, 70, 560, 60, "VELMO STUDIO", SANS, 10, colour="#c9a44c", bold=True, spacing=20, field=(CREATOR_EN, 1))
    d.text(60, 220, 600, 110, "山田　太郎", SERIF, 18, colour="#ffffff")
    d.text(60, 340, 600, 45, "Taro Yamada", SANS, 7, colour="#b0b4bc")
    d.text(60, 430, 600, 40, "03-0000-0000", SANS, 6, colour="#d0d4dc", field=(CREATOR, 3))
    d.text(w - 200, 220, 180, 110, "★", GOTHIC, 28, colour="#ffffff", align=1)
    return d


def card_natural(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Tile("kraft.png"))
    d.rect(40, 40, w - 80, h - 80, fill="#fffdf6", round_corners=True)
    d.circle(w - 140, 140, 60, fill="#8fbf6a")
    d.circle(w - 190, 120, 36, fill="#b7d99a")
    d.text(90, 80, 500, 50, "cafe & bakery", HAND, 9, colour="#6b8f4e")
    d.text(90, 140, 560, 100, "ベルモ食堂", ROUND, 18, colour="#5b4030")
    d.text(90, 300, w - 180, 40, "営業時間 8:00～18:00（水曜定休）", ROUND, 6, colour="#5b4030")
    d.text(90, 345, w - 180, 40, "東京都千代田区千代田1-1", ROUND, 6, colour="#5b4030", field=(CREATOR, 6))
    d.text(90, 390, w - 180, 40, "TEL 03-0000-0000", ROUND, 6, colour="#5b4030", field=(CREATOR, 3))
    return d


def card_vertical_japanese(paper):
    w, h = paper_size(paper, True)
    d = Design(w, h)
    d.back("#fbf8f1")
    d.rect(30, 30, w - 60, h - 60, frame="#8a2e2e", frame_width=3)
    d.text(370, 80, 110, 520, "株式会社ベルモ", MINCHO, 9, vertical=True, colour="#8a2e2e", field=(CREATOR, 1))
    d.text(200, 160, 160, 660, "山田　太郎", BRUSH, 26, vertical=True, colour="#1a1a1a")
    d.text(80, 420, 90, 440, "03-0000-0000", MINCHO, 6, vertical=True, field=(CREATOR, 3))
    d.circle(440, 800, 40, fill="#b5473a")
    d.text(410, 770, 60, 60, "印", BRUSH, 9, colour="#ffffff", align=1)
    return d


def card_vertical_simple(paper):
    w, h = paper_size(paper, True)
    d = Design(w, h)
    d.rect(0, 0, w, 100, fill=Grad(["#2f6f6f", "#5fa8a8"], 90))
    d.text(60, 140, w - 120, 50, "ベルモ商会", GOTHIC, 8, colour="#2f6f6f", field=(CREATOR, 1))
    d.text(60, 200, w - 120, 40, "総務課", GOTHIC, 6, field=(CREATOR, 2))
    d.text(60, 330, w - 120, 100, "山田 太郎", GOTHIC, 17, align=1)
    d.text(60, 430, w - 120, 40, "Taro Yamada", GOTHIC, 6, colour="#707070", align=1)
    d.line(60, 700, w - 60, 700, "#5fa8a8", 2)
    d.text(60, 720, w - 120, 40, "〒100-0001", GOTHIC, 5, field=(CREATOR, 5))
    d.text(60, 760, w - 120, 40, "千代田区千代田1-1", GOTHIC, 5, field=(CREATOR, 6))
    d.text(60, 800, w - 120, 40, "03-0000-0000", GOTHIC, 5, field=(CREATOR, 3))
    return d


def card_english(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(0, h - 70, w, 70, fill=Grad(["#6a3d9a", "#b07cd8"], 90))
    d.text(60, 60, w - 120, 60, "Velmo Design Inc.", SANS, 10, colour="#6a3d9a", bold=True, field=(CREATOR_EN, 1))
    d.text(60, 120, w - 120, 40, "Sales Department", SANS, 6, colour="#606060", field=(CREATOR_EN, 2))
    d.text(60, 200, w - 120, 90, "Taro Yamada", SERIF, 16, colour="#202020")
    d.text(60, 330, w - 120, 40, "1-1 Chiyoda, Chiyoda-ku, Tokyo", SANS, 6, field=(CREATOR_EN, 6))
    d.text(60, 375, w - 120, 40, "Phone +81-3-0000-0000", SANS, 6, field=(CREATOR_EN, 3))
    return d


def card_shop(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Tile("gingham-blue.png"))
    d.rect(80, 70, w - 160, h - 140, fill="#ffffff", frame="#5b8fc9", frame_width=4, round_corners=True)
    d.text(100, 110, w - 200, 70, "Handmade Shop", HAND, 10, colour="#5b8fc9", align=1)
    d.text(100, 190, w - 200, 100, "ベルモ雑貨店", ROUND, 16, colour="#33557a", align=1)
    d.text(100, 320, w - 200, 40, "毎月第一土曜日 open", ROUND, 6, colour="#33557a", align=1)
    d.text(100, 370, w - 200, 40, "www.example.jp", ROUND, 6, colour="#5b8fc9", align=1, field=(CREATOR, 8))
    return d


# ---- name labels ---------------------------------------------------------------------

def name_star(paper, colour):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad([colour, "#ffffff"], 90))
    d.ctext(8, h // 2, 70, "★", GOTHIC, 10, colour="#e85d04", align=1)
    d.ctext(90, h // 2, w - 110, "やまだ たろう", ROUND, 10, colour="#303030", align=1)
    return d


def name_band(paper, colour):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(0, 0, w, 22, fill=colour)
    d.rect(0, h - 22, w, 22, fill=colour)
    d.ctext(10, h // 2, w - 20, "やまだ はなこ", ROUND, 9, colour="#303030", align=1)
    return d


def name_colour(paper, colour, light):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(light)
    d.circle(70, h // 2, 45, fill=colour)
    d.ctext(30, h // 2, 80, "♪", GOTHIC, 12, colour="#ffffff", align=1)
    d.ctext(125, h // 2, w - 135, "やまだ たろう", ROUND, 11, colour="#303030", align=1)
    return d


def name_round(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#ffb3c6", "#ff6f91"], 0, "rgkCircleToCenter"))
    d.ctext(10, h // 2, w - 20, "はな", ROUND, 12, colour="#ffffff", align=1, bold=True)
    return d


def name_badge(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(0, 0, w, 150, fill="#d83a3a")
    d.text(40, 20, w - 80, 70, "こんにちは", POP, 14, colour="#ffffff", align=1, bold=True)
    d.text(40, 90, w - 80, 45, "わたしの なまえは", POP, 7, colour="#ffe0e0", align=1)
    d.text(40, 220, w - 80, 160, "山田 太郎", PGOTHIC, 30, colour="#202020", align=1)
    d.rect(0, h - 40, w, 40, fill="#d83a3a")
    return d


def name_event(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#fff4d6", "#ffe08a"], 0))
    d.text(40, 30, w - 80, 60, "第10回 ベルモ交流会", GOTHIC, 8, colour="#8a5a00", align=1, bold=True)
    d.line(60, 110, w - 60, 110, "#d9a520", 4)
    d.text(40, 160, w - 80, 60, "株式会社ベルモ", GOTHIC, 8, colour="#505050", align=1, field=(CREATOR, 1))
    d.text(40, 240, w - 80, 150, "山田 太郎", MINCHO, 24, align=1)
    d.text(40, 430, w - 80, 60, "受付番号 001", GOTHIC, 7, colour="#8a5a00", align=1)
    return d


# ---- filing -------------------------------------------------------------------------

def spine(paper, colour, light, year=True):
    w, h = PAPERS[paper]
    d = Design(w, h)
    top = int(w * 1.2)
    d.rect(0, 0, w, top, fill=Grad([colour, light], 0))
    title = int(w * 0.5 / 3.53)
    if year:
        d.ctext(5, top // 2, w - 10, "2025\n年度", GOTHIC, max(7, int(w * 0.28 / 3.53)), colour="#ffffff",
                align=1, bold=True)
    d.text((w - int(title * 3.53 * 1.3)) // 2, top + 100, int(title * 3.53 * 1.3), 1900, "会議資料・議事録", GOTHIC,
           title, vertical=True, colour="#202020", field=(PRODUCT, 1))
    d.rect(0, h - 320, w, 320, fill=light)
    small = min(int(title * 0.6), 22)
    d.text((w - int(small * 3.53 * 1.3)) // 2, h - 290, int(small * 3.53 * 1.3), 270, "総務部", GOTHIC, small,
           vertical=True, colour="#202020")
    return d


def index_tab(paper, colour, number):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(0, 0, w, int(h * 0.45), fill=colour)
    d.text(10, 20, w - 20, int(h * 0.45) - 40, str(number), POP, 16, colour="#ffffff", align=1, bold=True)
    d.text(10, int(h * 0.5), w - 20, 140, "見出し", GOTHIC, 7, colour="#303030", align=1)
    return d


def heading(paper, colour):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(0, 0, 140, h, fill=colour)
    d.ctext(5, h // 2, 130, "No.1", GOTHIC, 11, colour="#ffffff", align=1, bold=True)
    d.ctext(170, h // 2, w - 190, "見積書・請求書", GOTHIC, 18, colour="#202020")
    return d


# ---- storage --------------------------------------------------------------------------

def storage_box(paper, colour, title, sub):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Tile("kraft.png"))
    d.rect(60, 60, w - 120, h - 120, fill="#fffdf6", frame=colour, frame_width=6, round_corners=True)
    d.text(100, 110, w - 200, 60, sub, HAND, 10, colour=colour, align=1)
    d.text(100, 190, w - 200, int(h * 0.3), title, ROUND, 26, colour="#4a3828", align=1)
    d.line(160, h - 170, w - 160, h - 170, colour, 3)
    d.text(100, h - 150, w - 200, 60, "2025年　月　日", ROUND, 9, colour="#4a3828", align=1)
    return d


def fragile(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back("#ffffff", frame="#d62828", frame_width=40)
    d.text(60, 80, w - 120, 200, "ワレモノ注意", GOTHIC, 30, colour="#d62828", align=1, bold=True)
    d.rect(80, 320, w - 160, 6, fill="#d62828")
    d.text(60, 360, w - 120, 100, "取扱注意・天地無用", GOTHIC, 14, colour="#202020", align=1, bold=True)
    d.text(60, h - 170, w - 120, 80, "FRAGILE  HANDLE WITH CARE", SANS, 9, colour="#d62828", align=1)
    return d


def freezer(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#dff3ff", "#ffffff"], 0))
    d.rect(0, 0, w, 170, fill=Grad(["#3a8dde", "#6fc3ff"], 90))
    d.text(40, 40, w - 80, 100, "冷凍保存", ROUND, 20, colour="#ffffff", align=1, bold=True)
    y = 230
    for label in ("品　名", "保存日", "期　限", "メモ"):
        d.text(70, y + 20, 300, 90, label, ROUND, 18, colour="#2a5d8f")
        d.line(330, y + 100, w - 70, y + 100, "#7fb2e5", 4)
        y += 280
    return d


def moving(paper, colour, room):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(0, 0, w, int(h * 0.3), fill=colour)
    d.text(40, 40, w - 80, int(h * 0.3) - 80, room, GOTHIC, 36, colour="#ffffff", align=1, bold=True)
    y = int(h * 0.36)
    for label in ("中身", "個数", "お名前"):
        d.text(70, y + 30, 330, 110, label, GOTHIC, 22, colour="#303030")
        d.line(330, y + 130, w - 70, y + 130, colour, 5)
        y += int(h * 0.17)
    d.text(40, h - 170, w - 80, 110, "引越しラベル", GOTHIC, 16, colour=colour, align=1)
    return d


# ---- prices and products -------------------------------------------------------------

def price_red(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(0, 0, int(w * 0.3), h, fill="#d62828")
    d.ctext(5, h // 2, int(w * 0.3) - 10, "特価", GOTHIC, 9, colour="#ffffff", align=1, bold=True)
    d.text(int(w * 0.3) + 10, 30, w - int(w * 0.3) - 20, 50, "商品名", GOTHIC, 6, colour="#505050", align=1)
    d.text(int(w * 0.3) + 10, 90, w - int(w * 0.3) - 20, 130, "¥980", GOTHIC, 16, colour="#d62828", align=1,
           bold=True)
    return d


def price_simple(paper, colour):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(15, 15, w - 30, h - 30, frame=colour, frame_width=3)
    d.text(30, 25, w - 60, 50, "品名", MINCHO, 6, colour="#404040")
    d.line(30, h // 2 - 10, w - 30, h // 2 - 10, colour, 1)
    d.text(30, h // 2, w - 60, h // 2 - 30, "¥1,200（税込）", MINCHO, 9, colour="#202020", align=2)
    return d


def handmade_oval(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#fbe9d7", "#f3c99f"], 0, "rgkCircleToCenter"))
    d.text(40, 40, w - 80, 90, "Handmade", HAND, 10, colour="#8a4f2a", align=1, bulge=60)
    d.text(40, 135, w - 80, 70, "手づくりジャム", ROUND, 9, colour="#5a3318", align=1)
    d.text(40, 210, w - 80, 45, "いちご", ROUND, 6, colour="#8a4f2a", align=1)
    return d


def ingredients(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(0, 0, w, 70, fill="#4f7d3a")
    d.text(20, 12, w - 40, 46, "焼き菓子", ROUND, 7, colour="#ffffff", align=1, bold=True)
    d.text(25, 85, w - 50, 160, "原材料：小麦粉、バター、砂糖、卵\n内容量：6個\n賞味期限：枠外下部に記載",
           GOTHIC, 4, colour="#303030", line_spacing=10)
    d.text(25, h - 45, w - 50, 35, "ベルモ工房", GOTHIC, 4, colour="#4f7d3a", align=2, field=(CREATOR, 1))
    return d


def sale_round(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#ffcc4d", "#ff7b1c"], 0, "rgkCircleToCenter"))
    d.text(30, int(h * 0.2), w - 60, int(h * 0.3), "SALE", POP, max(8, w // 30), colour="#ffffff", align=1, bold=True,
           outline="#c0392b", outline_width=6)
    d.text(30, int(h * 0.55), w - 60, int(h * 0.25), "30%OFF", POP, max(6, w // 50), colour="#c0392b", align=1,
           bold=True)
    return d


def festival(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#fff3e0", "#ffcc80"], 0))
    d.text(30, 30, w - 60, 150, "夏まつり", POP, 22, colour=Grad(["#e53935", "#fb8c00"], 90), align=1, bold=True,
           outline="#ffffff", outline_width=6, distortion=ARCH)
    d.line(60, 200, w - 60, 200, "#e53935", 3)
    d.text(30, 215, w - 60, 60, "8月10日(日) 中央公園", ROUND, 7, colour="#5d4037", align=1)
    return d


def new_item(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back("#fff8e1", frame="#e0a800", frame_width=15)
    d.text(20, 20, 90, 90, "★", GOTHIC, 8, colour="#e0a800", align=1)
    d.text(w - 110, 20, 90, 90, "★", GOTHIC, 8, colour="#e0a800", align=1)
    d.text(30, 70, w - 60, 120, "新商品", GOTHIC, 14, colour="#c0392b", align=1, bold=True)
    d.text(30, 200, w - 60, 60, "NEW ARRIVAL", SANS, 6, colour="#806000", align=1)
    return d


# ---- greetings --------------------------------------------------------------------------

def new_year(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#e8473c", "#a3161b"], 0, "rgkCircleToCenter"))
    d.circle(w // 2, h // 2, int(w * 0.36), frame="#f5d37a", frame_width=8)
    d.text(int(w * 0.28), int(h * 0.2), int(w * 0.44), int(h * 0.6), "謹賀\n新年", BRUSH, max(10, w // 22),
           colour="#ffffff", align=1, vertical=True, line_spacing=20)
    return d


def summer(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#e6f7ff", "#5bc0eb"], 0))
    for i, (x, r) in enumerate(((120, 40), (200, 26), (560, 34))):
        d.circle(x, h - 110 + (i % 2) * 20, r, frame="#ffffff", frame_width=6)
    d.text(40, 90, w - 80, 120, "暑中お見舞い", BRUSH, 20, colour="#0b4f8a", align=1)
    d.text(40, 230, w - 80, 70, "申し上げます", MINCHO, 10, colour="#0b4f8a", align=1)
    d.text(40, 320, w - 80, 60, "令和七年 盛夏", MINCHO, 7, colour="#2a6fa8", align=1)
    return d


def christmas(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#2e7d32", "#0f3d12"], 0, "rgkCircleToCenter"))
    d.text(70, 90, w - 140, 110, "Merry Christmas", HAND, 11, colour="#ffffff", align=1, bulge=120)
    d.text((w - 160) // 2, int(h * 0.35), 160, 160, "★", GOTHIC, 28, colour="#ffd54f", align=1)
    d.text(40, int(h * 0.7), w - 80, 70, "& Happy New Year", HAND, 7, colour="#ffcdd2", align=1)
    return d


def thanks(paper, colour, light):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(light, frame=colour, frame_width=12)
    d.text(30, int(h * 0.22), w - 60, int(h * 0.3), "ありがとう", ROUND, max(8, w // 45), colour=colour, align=1,
           bold=True)
    d.text(30, int(h * 0.55), w - 60, int(h * 0.2), "Thank you", HAND, max(6, w // 70), colour="#606060", align=1)
    return d


def birthday(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#fff1f6", "#ffc2d6"], 0, "rgkCircleToCenter"))
    d.text(110, 150, w - 220, 150, "Happy Birthday", HAND, 15, colour="#d6336c", align=1, bulge=180)
    d.circle(w // 2, h // 2 + 30, 90, fill="#ffd166")
    d.text(w // 2 - 90, h // 2 - 30, 180, 120, "♪", GOTHIC, 24, colour="#ffffff", align=1)
    d.text(60, h - 230, w - 120, 90, "おめでとう", ROUND, 14, colour="#d6336c", align=1)
    return d


def winter(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Tile("snow.png"))
    d.rect(50, 110, w - 100, 170, fill="#ffffff", round_corners=True)
    d.text(60, 125, w - 120, 90, "寒中見舞い", MINCHO, 11, colour="#2a4a7a", align=1)
    d.text(60, 215, w - 120, 50, "申し上げます", MINCHO, 6, colour="#2a4a7a", align=1)
    return d


def wedding(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#fffaf0", "#f1e3c6"], 0, "rgkCircleToCenter"))
    d.ellipse(40, 40, w - 80, h - 80, frame="#c9a44c", frame_width=5)
    d.text(80, 150, w - 160, 110, "Thank you", HAND, 16, colour="#a67c1f", align=1)
    d.text(80, 280, w - 160, 70, "for coming", HAND, 9, colour="#a67c1f", align=1)
    d.text(80, 380, w - 160, 60, "Taro & Hanako", SERIF, 7, colour="#6b5020", align=1)
    return d


def congrats(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#fff3b0", "#ffd166"], 45))
    d.text(30, 80, w - 60, 120, "祝", BRUSH, 30, colour="#c1121f", align=1)
    d.text(30, 240, w - 60, 80, "ご入学おめでとう", ROUND, 8, colour="#6a040f", align=1)
    return d


# ---- photo stickers ------------------------------------------------------------------------

def photo_white(paper, caption_colour):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back("#ffffff", frame="#e0e0e0", frame_width=6)
    margin = int(w * 0.07)
    ph = int((w - 2 * margin) * 0.75) if h > w else h - 2 * margin - 120
    d.image(margin, margin, w - 2 * margin, ph, "photo-sample.jpg")
    d.ctext(margin, (margin + ph + h) // 2, w - 2 * margin, "2025.8.10\n海辺の休日", HAND, 11,
            colour=caption_colour, align=1)
    return d


def photo_pop(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Tile("dots-pink.png"))
    margin = int(w * 0.08)
    d.rect(margin - 10, margin - 10, w - 2 * margin + 20, int(h * 0.62) + 20, fill="#ffffff")
    d.image(margin, margin, w - 2 * margin, int(h * 0.62), "photo-sample.jpg")
    d.text(margin, int(h * 0.74), w - 2 * margin, int(h * 0.2), "Summer!", POP, max(8, w // 35), colour="#ffffff",
           align=1, bold=True, outline="#e05a8a", outline_width=5)
    return d


def photo_round(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.image(0, 0, w, h, "photo-sample.jpg")
    d.text(10, h - 70, w - 20, 50, "2025", POP, 5, colour="#ffffff", align=1, bold=True, outline="#3a6ea5",
           outline_width=3)
    return d


def photo_postcard(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#fdf6e3", "#f5e6c4"], 0))
    d.image(60, 60, w - 120, int((w - 120) * 0.75), "photo-sample.jpg")
    y = 60 + int((w - 120) * 0.75) + 50
    d.text(60, y, w - 120, 110, "夏の思い出", BRUSH, 18, colour="#6b4226", align=1)
    d.text(60, y + 130, w - 120, 70, "みんなで行った海", HAND, 9, colour="#6b4226", align=1)
    d.line(120, h - 140, w - 120, h - 140, "#c8a06a", 2)
    d.text(60, h - 120, w - 120, 60, "2025年8月", HAND, 7, colour="#8a6a44", align=1)
    return d


def photo_mini(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back("#ffffff", frame="#ffb703", frame_width=14)
    d.image(25, 25, w - 50, h - 110, "photo-sample.jpg")
    d.text(20, h - 80, w - 40, 55, "Happy", HAND, 5, colour="#fb8500", align=1)
    return d


# ---- CD and media ----------------------------------------------------------------------------

def cd_gradient(paper, colours, text_colour, dark):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(colours, 0, "rgkCircleToCenter"))
    d.circle(w // 2, h // 2, int(w * 0.46), frame="#ffffff", frame_width=4)
    d.text(240, 210, w - 480, 160, "タイトル", GOTHIC, 22, colour=text_colour, align=1, bold=True, bulge=220,
           shadow=dark, field=(PRODUCT, 1))
    d.text(200, int(h * 0.68), w - 400, 80, "サブタイトル", GOTHIC, 12, colour=dark, align=1, bold=True,
           field=(PRODUCT, 2))
    d.text(300, int(h * 0.78), w - 600, 60, "2025.08.10", GOTHIC, 9, colour=dark, align=1, field=(PRODUCT, 6))
    return d


def cd_stripe(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Tile("stripe-mint.png"))
    d.rect(0, int(h * 0.12), w, 220, fill="#ffffff")
    d.text(100, int(h * 0.12) + 30, w - 200, 160, "MY BEST", SANS, 24, colour="#2a8c6e", align=1, bold=True,
           field=(PRODUCT, 1))
    d.rect(0, int(h * 0.7), w, 150, fill="#ffffff")
    d.text(150, int(h * 0.7) + 35, w - 300, 80, "Vol.1", SANS, 12, colour="#2a8c6e", align=1, field=(PRODUCT, 2))
    return d


def cd_photo(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.image(0, 0, w, h, "photo-sample.jpg")
    d.text(240, 210, w - 480, 150, "Summer Trip", HAND, 22, colour="#ffffff", align=1, bulge=220,
           shadow="#304050", shadow_preset=8, field=(PRODUCT, 1))
    d.text(250, int(h * 0.75), w - 500, 80, "2025.08", SANS, 10, colour="#ffffff", align=1, bold=True,
           shadow="#304050", field=(PRODUCT, 6))
    return d


def cd_simple(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.circle(w // 2, h // 2, int(w * 0.45), frame="#303030", frame_width=3)
    d.circle(w // 2, h // 2, int(w * 0.22), frame="#a0a0a0", frame_width=2)
    d.text(200, 160, w - 400, 110, "タイトル", MINCHO, 18, colour="#202020", align=1, field=(PRODUCT, 1))
    d.line(330, 290, w - 330, 290, "#909090", 2)
    d.text(200, int(h * 0.72), w - 400, 70, "作成日 2025年8月10日", MINCHO, 8, colour="#505050", align=1,
           field=(PRODUCT, 6))
    return d


def cd_night(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Tile("stars-night.png"))
    d.text(240, 210, w - 480, 150, "Night Drive", SANS, 20, colour="#ffe082", align=1, bold=True, bulge=220,
           field=(PRODUCT, 1))
    for x, y in ((260, 420), (860, 380), (300, 760), (840, 800)):
        d.text(x - 50, y - 50, 100, 100, "★", GOTHIC, 14, colour="#fff59d", align=1)
    d.text(250, int(h * 0.76), w - 500, 70, "DISC 1", SANS, 10, colour="#ffffff", align=1, field=(PRODUCT, 2))
    return d


def cd_disc(paper, disc, colour):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#ffffff", colour], 0, "rgkCircleToCenter"))
    d.text(240, 210, w - 480, 150, "Live Recording", SERIF, 18, colour="#202020", align=1, bulge=220,
           field=(PRODUCT, 1))
    d.text(350, int(h * 0.7), w - 700, 110, f"DISC {disc}", SANS, 14, colour="#ffffff", align=1, bold=True,
           outline="#404040", outline_width=4)
    return d


def cd_small(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#ffe0b2", "#ff8a65"], 0, "rgkCircleToCenter"))
    d.text(170, 150, w - 340, 110, "Memories", HAND, 13, colour="#5d2e16", align=1, bulge=160, field=(PRODUCT, 1))
    d.text(150, int(h * 0.75), w - 300, 60, "2025", SANS, 7, colour="#5d2e16", align=1, field=(PRODUCT, 6))
    return d


def cd_card(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#283e51", "#4b79a1"], 90))
    d.text(40, 40, 300, 80, "Portfolio", SANS, 12, colour="#ffffff", bold=True, field=(PRODUCT, 1))
    d.text(w - 340, h - 120, 300, 70, "2025", SANS, 9, colour="#cfe3f5", align=2, field=(PRODUCT, 6))
    return d


def jacket(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.image(0, 0, w, int(h * 0.72), "photo-sample.jpg")
    d.rect(0, int(h * 0.72), w, h - int(h * 0.72), fill="#1d2b3a")
    d.text(60, int(h * 0.75), w - 120, 150, "Summer Trip", SERIF, 26, colour="#ffffff", field=(PRODUCT, 1))
    d.text(60, int(h * 0.75) + 170, w - 120, 70, "photographs & music", SANS, 9, colour="#9fb3c8",
           field=(PRODUCT, 2))
    return d


def jacket_type(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#f7f7f2", "#e4e4d8"], 0))
    d.rect(80, 80, w - 160, h - 160, frame="#1a1a1a", frame_width=4)
    d.text(130, 200, w - 260, 300, "作品集", BRUSH, 60, colour="#1a1a1a", align=1, field=(PRODUCT, 1))
    d.line(300, 620, w - 300, 620, "#b5473a", 6)
    d.text(130, 700, w - 260, 100, "山田 太郎", MINCHO, 16, colour="#404040", align=1, field=(PRODUCT, 3))
    return d


def tray(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back("#1d2b3a")
    spine_w = 65
    d.rect(0, 0, spine_w, h, fill="#2e4a66")
    d.rect(w - spine_w, 0, spine_w, h, fill="#2e4a66")
    d.text(8, 100, spine_w - 16, h - 200, "Summer Trip", SANS, 9, colour="#ffffff", vertical=True,
           field=(PRODUCT, 1))
    d.text(w - spine_w + 8, 100, spine_w - 16, h - 200, "Summer Trip", SANS, 9, colour="#ffffff", vertical=True,
           field=(PRODUCT, 1))
    tracks = "\n".join(f"{i:02d}  Track {i}" for i in range(1, 11))
    d.text(spine_w + 120, 90, w - 2 * spine_w - 240, 900, tracks, SANS, 13, colour="#e0e8f0", line_spacing=15)
    d.text(spine_w + 120, h - 150, w - 2 * spine_w - 240, 60, "2025 Velmo Records", SANS, 7, colour="#9fb3c8",
           align=2, field=(PRODUCT, 4))
    return d


def dvd_cover(paper):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.back(Grad(["#0f2027", "#2c5364"], 0))
    d.image(150, 300, w - 300, int((w - 300) * 0.75), "photo-sample.jpg")
    d.text(150, 1500, w - 300, 300, "Family Movie", SERIF, 40, colour="#ffffff", align=1, field=(PRODUCT, 1))
    d.text(150, 1850, w - 300, 120, "2025 夏", SANS, 16, colour="#a7c4d4", align=1, field=(PRODUCT, 2))
    d.text(150, h - 300, w - 300, 80, "Velmo Home Video", SANS, 9, colour="#6f8fa0", align=1)
    return d


def mo_label(paper, colour):
    w, h = PAPERS[paper]
    d = Design(w, h)
    d.rect(0, 0, w, 110, fill=colour)
    d.text(30, 20, w - 60, 70, "BACKUP", SANS, 12, colour="#ffffff", bold=True, field=(PRODUCT, 1))
    y = 150
    for label in ("内容", "日付", "担当"):
        d.text(30, y, 120, 60, label, GOTHIC, 8, colour="#303030")
        d.line(150, y + 60, w - 30, y + 60, colour, 5)
        y += 100
    return d


# ---- the list -------------------------------------------------------------------------------

def collection():
    A12, A10, A21, A24, A18 = ("A4 12面 86.4×42.3mm", "A4 10面 86.4×50.8mm", "A4 21面 70×42.3mm",
                               "A4 24面 70×37mm", "A4 18面 63.5×46.6mm")
    g = "宛名ラベル"
    add("address", "aozora", A12, "青空", "*", g, {"0": address_sky(A12)})
    add("address", "koushi", A12, "額縁", "*", g, {"0": address_frame(A12, "#8c6d3f")})
    add("address", "washi", A10, "和紙", "*", g, {"0": address_washi(A10)})
    add("address", "mizutama", A12, "水玉", "*", g, {"0": address_dots(A12)})
    add("address", "formal", A10, "フォーマル", "*", g, {"0": address_formal(A10)})
    add("address", "stripe", A21, "ストライプ", "*", g, {"0": address_mini(A21, None)})
    add("address", "gray", A24, "グレー", "*", g, {"0": address_mini(A24, "#8a8f99")})
    add("address", "frame-navy", A18, "紺の額縁", "*", g, {"0": address_frame(A18, "#1f3a5f")})
    add("address", "colour4", A12, "4色の帯", "*", g, {
        "0": address_band(A12, "#3a8d3a", "#a8dc8a"), "1": address_band(A12, "#2f6fb3", "#9cc8f0"),
        "2": address_band(A12, "#c2406e", "#f5a9c4"), "3": address_band(A12, "#d9822b", "#f7c98b")},
        form="separate")
    add("address", "tategaki", "ハガキ 1面 100×148mm", "はがき縦書き", "*", g, {"0": address_vertical_postcard()})

    g = "差出人ラベル"
    add("return", "simple", "A4 44面 48.3×25.4mm", "シンプル", "*", g,
        {"0": return_simple("A4 44面 48.3×25.4mm", "#3a6ea5")})
    add("return", "leaf", "A4 44面 48.3×25.4mm", "葉っぱ", "*", g, {"0": return_leaf("A4 44面 48.3×25.4mm")})
    add("return", "line", "A4 65面 38.1×21.2mm", "ライン", "*", g, {"0": return_line("A4 65面 38.1×21.2mm", "#c2406e")})
    add("return", "postcard", "ハガキ 12面 44×21.2mm", "はがきシート", "*", g,
        {"0": return_simple("ハガキ 12面 44×21.2mm", "#8c6d3f")})

    g = "名刺"
    C = "A4 10面 91×55mm"
    add("card", "blue", C, "ビジネス ブルー", "*", g, {"0": card_blue(C)})
    add("card", "gradient", C, "グラデーション", "*", g, {"0": card_gradient(C, ["#ff7e5f", "#feb47b"], "#e0603a")})
    add("card", "dark", C, "ダーク", "*", g, {"0": card_dark(C)})
    add("card", "natural", C, "ナチュラル", "*", g, {"0": card_natural(C)})
    add("card", "tate-wa", C, "縦 和風", "*", g, {"0": card_vertical_japanese(C)}, landscape=True)
    add("card", "tate-simple", C, "縦 シンプル", "*", g, {"0": card_vertical_simple(C)}, landscape=True)
    add("card", "english", C, "英文", "*", g, {"0": card_english(C)})
    add("card", "shop", "A4 10面 85.6×54mm", "ショップカード", "*", g, {"0": card_shop("A4 10面 85.6×54mm")})

    g = "お名前ラベル"
    add("name", "star", "ハガキ 24面 40×9mm", "ほし", "*", g, {"0": name_star("ハガキ 24面 40×9mm", "#ffb703")})
    add("name", "band", "ハガキ 30面 30×12mm", "帯", "*", g, {"0": name_band("ハガキ 30面 30×12mm", "#8ecae6")})
    P = "ハガキ 16面 角丸 44×14mm"
    add("name", "colourful", P, "カラフル", "*", g, {
        "0": name_colour(P, "#e63946", "#fde2e4"), "1": name_colour(P, "#2a9d8f", "#d8f3ef"),
        "2": name_colour(P, "#f4a261", "#fdebd8"), "3": name_colour(P, "#457b9d", "#dcebf5")}, form="separate")
    add("name", "round", "ハガキ 35面 丸型 15×15mm", "まる", "*", g, {"0": name_round("ハガキ 35面 丸型 15×15mm")})
    add("name", "badge", "A4 10面 90×55mm", "名札 こんにちは", "*", g, {"0": name_badge("A4 10面 90×55mm")})
    add("name", "event", "A4 10面 90×55mm", "名札 イベント", "*", g, {"0": name_event("A4 10面 90×55mm")})

    g = "ファイル・インデックス"
    add("filing", "spine44", "A4 4面 44×277mm", "背ラベル 44mm", "*", g,
        {"0": spine("A4 4面 44×277mm", "#1f4e8c", "#a9cdee")})
    add("filing", "spine34", "A4 5面 34×277mm", "背ラベル 5色", "*", g, {
        str(i): spine("A4 5面 34×277mm", c, l) for i, (c, l) in enumerate(
            (("#c0392b", "#f5b7b1"), ("#d68910", "#fad7a0"), ("#1e8449", "#abebc6"), ("#1f618d", "#a9cce3"),
             ("#6c3483", "#d2b4de")))}, form="separate")
    add("filing", "spine24", "A4 7面 24×277mm", "背ラベル 24mm", "*", g,
        {"0": spine("A4 7面 24×277mm", "#4a4a4a", "#d0d0d0", year=False)})
    add("filing", "index", "A4 42面 角丸 27×34mm", "インデックス 6色", "*", g, {
        str(i): index_tab("A4 42面 角丸 27×34mm", c, i + 1) for i, c in enumerate(
            ("#e63946", "#f4a261", "#e9c46a", "#2a9d8f", "#457b9d", "#6d597a"))}, form="separate")
    add("filing", "heading", "A4 30面 80×14mm", "見出し", "*", g, {"0": heading("A4 30面 80×14mm", "#2a9d8f")})

    g = "整理・収納ラベル"
    add("storage", "box", "A4 8面 105×74.2mm", "収納ボックス", "*", g,
        {"0": storage_box("A4 8面 105×74.2mm", "#8a6d3b", "文房具", "stationery")})
    add("storage", "pantry", "A4 6面 105×99mm", "保存びん", "*", g,
        {"0": storage_box("A4 6面 105×99mm", "#4f7d3a", "お米", "rice")})
    add("storage", "fragile", "A4 8面 105×74.2mm", "ワレモノ注意", "*", g, {"0": fragile("A4 8面 105×74.2mm")})
    add("storage", "freezer", "A4 4面 105×148.5mm", "冷凍保存", "*", g, {"0": freezer("A4 4面 105×148.5mm")})
    add("storage", "moving", "A4 4面 105×148.5mm", "引越し 部屋別", "*", g, {
        "0": moving("A4 4面 105×148.5mm", "#e76f51", "台所"), "1": moving("A4 4面 105×148.5mm", "#2a9d8f", "寝室"),
        "2": moving("A4 4面 105×148.5mm", "#457b9d", "居間"), "3": moving("A4 4面 105×148.5mm", "#8d6a9f", "子供部屋")},
        form="separate")

    g = "値札・商品ラベル"
    add("price", "tokka", "A4 40面 48.3×25.4mm", "特価", "*", g, {"0": price_red("A4 40面 48.3×25.4mm")})
    add("price", "simple", "A4 65面 38.1×21.2mm", "シンプル値札", "*", g,
        {"0": price_simple("A4 65面 38.1×21.2mm", "#606060")})
    add("price", "handmade", "A4 32面 楕円 45×30mm", "手づくり", "*", g, {"0": handmade_oval("A4 32面 楕円 45×30mm")})
    add("price", "ingredients", "A4 27面 角丸 50×30mm", "原材料表示", "*", g,
        {"0": ingredients("A4 27面 角丸 50×30mm")})
    add("price", "sale", "A4 48面 丸型 30×30mm", "SALE", "*", g, {"0": sale_round("A4 48面 丸型 30×30mm")})
    add("price", "new", "A4 27面 角丸 50×30mm", "新商品", "*", g, {"0": new_item("A4 27面 角丸 50×30mm")})
    add("price", "festival", "A4 27面 角丸 50×30mm", "夏まつり", "*", g, {"0": festival("A4 27面 角丸 50×30mm")})

    g = "季節・ごあいさつ"
    add("greeting", "newyear", "A4 12面 丸型 60×60mm", "謹賀新年", "*", g, {"0": new_year("A4 12面 丸型 60×60mm")})
    add("greeting", "summer", "A4 10面 楕円 70×50mm", "暑中見舞い", "*", g, {"0": summer("A4 10面 楕円 70×50mm")})
    add("greeting", "christmas", "A4 12面 丸型 50×50mm", "クリスマス", "*", g, {"0": christmas("A4 12面 丸型 50×50mm")})
    add("greeting", "thanks", "A4 24面 丸型 40×40mm", "ありがとう", "*", g, {
        "0": thanks("A4 24面 丸型 40×40mm", "#e05a8a", "#fff0f5"),
        "1": thanks("A4 24面 丸型 40×40mm", "#2a9d8f", "#e8f8f5"),
        "2": thanks("A4 24面 丸型 40×40mm", "#e9a23b", "#fff6e0"),
        "3": thanks("A4 24面 丸型 40×40mm", "#5b7bd5", "#eef2ff")}, form="separate")
    add("greeting", "birthday", "A4 6面 丸型 80×80mm", "お誕生日", "*", g, {"0": birthday("A4 6面 丸型 80×80mm")})
    add("greeting", "winter", "A4 24面 角丸 40×40mm", "寒中見舞い", "*", g, {"0": winter("A4 24面 角丸 40×40mm")})
    add("greeting", "wedding", "A4 8面 楕円 90×60mm", "ウエディング", "*", g, {"0": wedding("A4 8面 楕円 90×60mm")})
    add("greeting", "congrats", "A4 24面 角丸 40×40mm", "お祝い", "*", g, {"0": congrats("A4 24面 角丸 40×40mm")})

    g = "写真シール"
    add("photo", "white", "L判 4面 44.5×63.5mm", "白ふち", "*", g, {"0": photo_white("L判 4面 44.5×63.5mm", "#505050")})
    add("photo", "pop", "L判 4面 44.5×63.5mm", "ポップ", "*", g, {"0": photo_pop("L判 4面 44.5×63.5mm")})
    add("photo", "round", "L判 12面 丸型 25×25mm", "まる", "*", g, {"0": photo_round("L判 12面 丸型 25×25mm")})
    add("photo", "postcard", "L判 1面 89×127mm", "思い出", "*", g, {"0": photo_postcard("L判 1面 89×127mm")})
    add("photo", "mini", "ハガキ 16面 角丸 22×33mm", "ミニ", "*", g, {"0": photo_mini("ハガキ 16面 角丸 22×33mm")})

    CD41, CD17, CD78 = ("A4 2面 CD/DVD 内径41mm 117×117mm", "A4 2面 CD/DVD 内径17mm 117×117mm",
                        "A4 6面 CD/DVD 内径41mm 78×78mm")
    g = "CD・DVDラベル"
    add("cd", "gradient-blue", CD41, "ブルー", "CD", g, {"0": cd_gradient(CD41, ["#e0f2ff", "#1e6bb8"], "#ffffff", "#0d3d73")})
    add("cd", "gradient-rose", CD41, "ローズ", "CD", g, {"0": cd_gradient(CD41, ["#fff0f3", "#d6336c"], "#ffffff", "#8c1d47")})
    add("cd", "stripe", CD41, "ストライプ", "CD", g, {"0": cd_stripe(CD41)})
    add("cd", "photo", CD41, "写真", "CD", g, {"0": cd_photo(CD41)})
    add("cd", "simple", CD41, "シンプル", "CD", g, {"0": cd_simple(CD41)})
    add("cd", "night", CD17, "夜空", "CD", g, {"0": cd_night(CD17)})
    add("cd", "discs", CD41, "2枚組", "CD", g, {"0": cd_disc(CD41, 1, "#7aa6d8"), "1": cd_disc(CD41, 2, "#d87a9c")},
        form="separate")
    add("cd", "small", CD78, "8cmディスク", "CD", g, {"0": cd_small(CD78)})
    add("cd-card", "portfolio", "A4 8面 名刺型CD 86×64mm", "名刺型CD", "*", "名刺型CD",
        {"0": cd_card("A4 8面 名刺型CD 86×64mm")})

    g = "ケース"
    add("case", "jacket-photo", "A4 2面 120×120mm", "ジャケット 写真", "CDCover", g, {"0": jacket("A4 2面 120×120mm")})
    add("case", "jacket-type", "A4 2面 120×120mm", "ジャケット 文字", "CDCover", g,
        {"0": jacket_type("A4 2面 120×120mm")})
    add("case", "dvd", "A4 1面 183×273mm", "DVDケース", "CDCover", g, {"0": dvd_cover("A4 1面 183×273mm")})
    add("tray", "tracks", "A4 2面 150×118mm", "曲目リスト", "CDCaseTray", "裏表紙", {"0": tray("A4 2面 150×118mm")})
    add("media", "mo", "A4 15面 60×50mm", "MO バックアップ", "MOSquare", "MO・FD",
        {"0": mo_label("A4 15面 60×50mm", "#3a6ea5")})
    add("media", "fd", "A4 8面 70×58mm", "FD バックアップ", "MOSquare", "MO・FD",
        {"0": mo_label("A4 8面 70×58mm", "#c2406e")})


# ---- pictures ----------------------------------------------------------------------------------

def draw_pictures(folder):
    os.makedirs(folder, exist_ok=True)

    def tile(name, size, background, painter):
        big = Image.new("RGB", (size * 4, size * 4), background)
        painter(ImageDraw.Draw(big), size * 4)
        big.resize((size, size), Image.LANCZOS).save(os.path.join(folder, name))

    tile("dots-pink.png", 48, "#ffe4ec", lambda d, s: [d.ellipse((x, y, x + s // 4, y + s // 4), fill="#ff9fbf")
                                                         for x, y in ((s // 8, s // 8), (s * 5 // 8, s * 5 // 8))])

    def gingham(d, s):
        for i in range(2):
            d.rectangle((i * s // 2, 0, i * s // 2 + s // 4, s), fill="#b7d3f2")
            d.rectangle((0, i * s // 2, s, i * s // 2 + s // 4), fill="#b7d3f2")
        for i in range(2):
            for j in range(2):
                d.rectangle((i * s // 2, j * s // 2, i * s // 2 + s // 4, j * s // 2 + s // 4), fill="#7fb0e6")
    tile("gingham-blue.png", 48, "#ffffff", gingham)

    def stripes(d, s):
        for k in range(-2, 3):
            off = k * s // 2
            d.polygon([(off, s), (off + s // 4, s), (off + s // 4 + s, 0), (off + s, 0)], fill="#bfe8d8")
    tile("stripe-mint.png", 48, "#ffffff", stripes)

    rnd = random.Random(7)

    def stars(d, s):
        for _ in range(14):
            x, y, r = rnd.randrange(s), rnd.randrange(s), rnd.choice((3, 4, 6, 8))
            d.ellipse((x - r, y - r, x + r, y + r), fill="#fff7c2")
    tile("stars-night.png", 96, "#152447", stars)

    def snow(d, s):
        for x, y in ((s // 4, s // 4), (s * 3 // 4, s * 3 // 4)):
            for a in range(0, 180, 60):
                dx, dy = math.cos(math.radians(a)) * s / 7, math.sin(math.radians(a)) * s / 7
                d.line((x - dx, y - dy, x + dx, y + dy), fill="#ffffff", width=s // 40)
    tile("snow.png", 64, "#a9c9ea", snow)

    for name, base, spread in (("washi.png", (246, 240, 226), 10), ("kraft.png", (214, 186, 146), 14)):
        img = Image.new("RGB", (96, 96), base)
        px = img.load()
        noise = random.Random(name)
        for y in range(96):
            for x in range(96):
                v = noise.randint(-spread, spread)
                px[x, y] = tuple(max(0, min(255, c + v)) for c in base)
        # Fibres: soft longer strokes, so the paper does not read as plain noise.
        d = ImageDraw.Draw(img)
        for _ in range(18):
            x, y = noise.randrange(96), noise.randrange(96)
            d.line((x, y, x + noise.randint(-12, 12), y + noise.randint(4, 14)),
                   fill=tuple(max(0, c - spread) for c in base), width=1)
        img.filter(ImageFilter.SMOOTH).save(os.path.join(folder, name))

    # A sample photograph of our own: sea, sky, sun and an island, for photo layouts.
    w, h = 640, 480
    img = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(img)
    for y in range(h):
        if y < h * 0.6:
            t = y / (h * 0.6)
            c = (int(120 + 120 * t), int(180 + 60 * t), int(240 - 10 * t))
        else:
            t = (y - h * 0.6) / (h * 0.4)
            c = (int(40 + 30 * t), int(120 + 40 * t), int(180 + 20 * t))
        d.line((0, y, w, y), fill=c)
    d.ellipse((450, 70, 550, 170), fill=(255, 236, 170))
    d.polygon([(80, int(h * 0.6)), (200, 190), (330, int(h * 0.6))], fill=(70, 120, 80))
    d.polygon([(230, int(h * 0.6)), (300, 240), (420, int(h * 0.6))], fill=(90, 140, 95))
    for i in range(12):
        y = int(h * 0.63) + i * 14
        d.line((40 + i * 17, y, 220 + i * 31, y), fill=(200, 230, 245), width=2)
    d.rectangle((0, int(h * 0.88), w, h), fill=(236, 214, 170))
    img.filter(ImageFilter.SMOOTH_MORE).save(os.path.join(folder, "photo-sample.jpg"), quality=88)


def write_sources():
    collection()
    written = 0
    for folder, name, head, designs in SOURCES:
        path = os.path.join(OUT, folder, name + ".txt")
        os.makedirs(os.path.dirname(path), exist_ok=True)
        lines = [f"# {head['group']}「{head['title']}」 (written by tools/template-designs.py)",
                 f"paper = {head['paper']}", f"design = {head['form']}"]
        if head["landscape"]:
            lines.append("landscape = yes")
        lines += [f"name = {head['title']}", f"index = {head['purpose']}, {head['group']}", ""]
        for positions, design in designs.items():
            lines += [f"[label {positions}]", design.source().rstrip("\n"), ""]
        with open(path, "w", encoding="utf-8", newline="\n") as f:
            f.write("\n".join(lines))
        written += 1
    return written


if __name__ == "__main__":
    draw_pictures(os.path.join(OUT, "pictures"))
    print(write_sources(), "sources")
