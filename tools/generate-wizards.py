#!/usr/bin/python3
"""Writes the wizard designs of data/wizard as readable design sources (the component
text form, one file per design or matching sheet) from parameterised layouts.

    /usr/bin/python3 tools/generate-wizards.py

Run it after changing a layout and commit what it writes; the build turns the
sources into work files (tools/make-wizards). Lengths are in 0.1 mm, colours #RRGGBB.
The sample photo of the photo designs is drawn here (our own picture).
"""
import io
import os
import shutil

from PIL import Image, ImageDraw, ImageFilter

WIZARD_DATA = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "data", "wizard")

GOTHIC = "ＭＳ Ｐゴシック"
MINCHO = "ＭＳ Ｐ明朝"
ROUND = "HG丸ｺﾞｼｯｸM-PRO"
BRUSH = "HG正楷書体-PRO"
GYOSHO = "HG行書体"
TEXTBOOK = "HG教科書体"
POP = "HGP創英角ﾎﾟｯﾌﾟ体"
HEAVY = "HGｺﾞｼｯｸE"
PT = 254 / 72  # 0.1 mm per point


def colour(hex_rgb):
    v = hex_rgb.lstrip("#")
    r, g, b = int(v[0:2], 16), int(v[2:4], 16), int(v[4:6], 16)
    return b << 16 | g << 8 | r


def quote(text):
    out, plain = [], ""
    for ch in text:
        if ch == "'":
            plain += "''"
        else:
            plain += ch
    return "'" + plain + "'"


class Design:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.items = []  # bottom-most first

    def back(self, c1, c2=None, angle=90):
        body = ["  object TLOBackImage", "    Left = 0", "    Top = 0", "    Width = 0", "    Height = 0",
                "    Border = False", "    LayerGroup = -100", "    DontPrint = False"]
        if c2 is None:
            body.append("    FillColor.Color = %d" % colour(c1))
        else:
            a, b = colour(c1), colour(c2)
            hexa = "02000000" + "".join("%02X%02X%02X00" % (x & 255, x >> 8 & 255, x >> 16 & 255) for x in (a, b))
            body += ["    FillColor.Kind = cskGradation", "    FillColor.GradAngle = %d" % angle,
                     "    FillColor.GradColors.Colors = {", "      " + hexa + "}"]
        body.append("  end")
        self.items.append(body)

    def rect(self, x, y, w, h, fill=None, frame=None, fw=10, round_=False, circle=False):
        kind = "TLOCircle" if circle else "TLORect"
        body = ["  object %s" % kind, "    Left = %d" % x, "    Top = %d" % y, "    Width = %d" % w,
                "    Height = %d" % h, "    Border = False", "    LayerGroup = 0", "    DontPrint = False",
                "    FrameWidth = %d" % (fw if frame else 0)]
        if frame:
            body.append("    FrameColor.Color = %d" % colour(frame))
        else:
            body.append("    FrameColor.Style = bsClear")
        body += ["    FillColor.Color = %d" % colour(fill or "#FFFFFF"), "    FillInside = %s" % ("True" if fill else "False"),
                 "    Angle = 0", "    RoundRect = %s" % ("True" if round_ else "False"), "  end"]
        self.items.append(body)

    def circle(self, x, y, w, h, fill=None, frame=None, fw=10):
        self.rect(x, y, w, h, fill, frame, fw, circle=True)

    def line(self, x1, y1, x2, y2, c="#000000", width=5):
        self.items.append(["  object TLOLine", "    Border = False", "    LayerGroup = 0", "    DontPrint = False",
                           "    StartX = %d" % x1, "    StartY = %d" % y1, "    EndX = %d" % x2, "    EndY = %d" % y2,
                           "    LineColor.Color = %d" % colour(c), "    LineWidth = %d" % width, "  end"])

    def text(self, x, y, w, lines, size, font=GOTHIC, c="#222222", align=0, bold=False, field=None, h=None,
             vertical=False, spacing=0, line_spacing=0):
        if isinstance(lines, str):
            lines = [lines]
        if h is None:
            h = int(len(lines) * size * PT * 1.25 + line_spacing * (len(lines) - 1)) + 4
        body = ["  object TLOVelmoText", "    Left = %d" % x, "    Top = %d" % y, "    Width = %d" % w,
                "    Height = %d" % h, "    Border = False", "    LayerGroup = 0", "    DontPrint = False",
                "    Version = 1", "    Text.Strings = ("]
        body += ["      %s%s" % (quote(t), ")" if i == len(lines) - 1 else "") for i, t in enumerate(lines)]
        body += ["    Font.Charset = SHIFTJIS_CHARSET", "    Font.Color = clBlack", "    Font.Name = %s" % quote(font),
                 "    Font.Size = %d" % size, "    Font.Style = [%s]" % ("fsBold" if bold else ""),
                 "    Align = %d" % align]
        if vertical:
            body.append("    Vertical = True")
        if spacing:
            body.append("    CharSpacing = %d" % spacing)
        if line_spacing:
            body.append("    LineSpacing = %d" % line_spacing)
        body += ["    Angle = 0", "    DistortionRatio = 100", "    TextColor.Color = %d" % colour(c),
                 "    Outline = False", "    OutLineWidth = 0", "    AutoSize = False", "    Bulge = 0",
                 "    FieldNo = 0", "    FieldType = ftProduct",
                 "    wizInputEnable = %s" % ("True" if field else "False")]
        if field:
            body.append("    wizInputCaption = %s" % quote(field))
        body.append("  end")
        self.items.append(body)

    def photo(self, x, y, w, h, caption="写真"):
        data = "0A544A504547496D616765" + "%02X%02X%02X%02X" % tuple(len(SAMPLE_JPEG).to_bytes(4, "little")) + SAMPLE_JPEG.hex().upper()
        rows = [data[i:i + 64] for i in range(0, len(data), 64)]
        body = ["  object TLOVelmoImage", "    Left = %d" % x, "    Top = %d" % y, "    Width = %d" % w,
                "    Height = %d" % h, "    Border = False", "    LayerGroup = 0", "    DontPrint = False",
                "    ImageData.Picture.Data = {"]
        body += ["      " + r + ("}" if i == len(rows) - 1 else "") for i, r in enumerate(rows)]
        body += ["    Angle = 0", "    ImageSource = isFile", "    wizInputEnable = True",
                 "    wizInputCaption = %s" % quote(caption), "  end"]
        self.items.append(body)

    def source(self):
        # The wizards ask for fields topmost first: fields go last, the first made on
        # top, so that the questions come in reading order.
        fields = [b for b in self.items if any(line.startswith("    wizInputEnable = True") for line in b)]
        rest = [b for b in self.items if b not in fields]
        out = ["object TLDObjects"]
        for body in rest + fields[::-1]:
            out += body
        out.append("end")
        return "\n".join(out) + "\n"


def sample_photo():
    w, h = 240, 180
    im = Image.new("RGB", (w, h))
    d = ImageDraw.Draw(im)
    for y in range(h):
        t = y / h
        d.line([(0, y), (w, y)], fill=(int(150 + 80 * t), int(200 + 40 * t), int(250 - 10 * t)))
    d.ellipse([170, 22, 210, 62], fill=(255, 236, 160))
    d.polygon([(0, 120), (60, 70), (120, 118), (170, 84), (240, 126), (240, 180), (0, 180)], fill=(110, 170, 110))
    d.polygon([(0, 150), (80, 118), (160, 150), (240, 132), (240, 180), (0, 180)], fill=(80, 140, 90))
    d.ellipse([96, 96, 134, 134], fill=(250, 214, 180))
    d.rectangle([92, 130, 138, 180], fill=(232, 110, 100))
    im = im.filter(ImageFilter.SMOOTH)
    buf = io.BytesIO()
    im.save(buf, "JPEG", quality=82)
    return buf.getvalue()


SAMPLE_JPEG = sample_photo()

# ---------------------------------------------------------------------------------
# Papers (names of the delivered catalogue) and their label sizes.
PAPERS = {
    "card": ("A4 10面 91×55mm", 910, 550),
    "member": ("A4 10面 85.6×54mm", 856, 540),
    "badge": ("A4 10面 90×55mm", 900, 550),
    "address": ("A4 12面 86.4×42.3mm", 864, 423),
    "return": ("A4 20面 86.4×25.4mm", 864, 254),
    "postcard2": ("ハガキ 2面 100×74mm", 1000, 740),
    "postcard": ("ハガキ 1面 100×148mm", 1000, 1480),
    "cd": ("A4 2面 CD/DVD 内径41mm 117×117mm", 1170, 1170),
    "jacket": ("A4 2面 120×120mm", 1200, 1200),
    "tray": ("A4 2面 150×118mm", 1500, 1180),
    "cardcd": ("A4 10面 名刺型CD 85×54mm", 850, 540),
    "spine": ("A4 4面 44×277mm", 440, 2770),
    "index": ("A4 42面 角丸 27×34mm", 270, 340),
    "box": ("A4 12面 角丸 84×42mm", 840, 420),
    "name": ("A4 60面 角丸 44×16mm", 440, 160),
    "photo": ("A4 4面 89×127mm", 890, 1270),
    "round50": ("A4 12面 丸型 50×50mm", 500, 500),
    "round40": ("A4 24面 丸型 40×40mm", 400, 400),
    "kitchen": ("A4 24面 角丸 62×31mm", 620, 310),
    "note": ("A4 24面 70×33.9mm", 700, 339),
    "oval": ("A4 10面 楕円 70×50mm", 700, 500),
    "oval60": ("A4 18面 楕円 60×40mm", 600, 400),
    "price": ("A4 27面 70×31mm", 700, 310),
    "cdset1": ("A4 2面 CD/DVDラベル その1", None, None),
    "cdset2": ("A4 2面 CD/DVDラベル その2", None, None),
    "hname": ("ハガキ 16面 角丸 44×14mm", 440, 140),
}

PALETTES = [
    ("#1F4E79", "#DCE9F5", "#F2B134"),  # navy, pale blue, amber
    ("#2E6B47", "#E3F1E6", "#C8553D"),  # green, mint, brick
    ("#7A1F3D", "#F7E4EA", "#D4A017"),  # wine, blush, gold
    ("#4B3F72", "#ECE8F6", "#F08A5D"),  # violet, lilac, coral
    ("#333333", "#F1F1F1", "#E03C31"),  # charcoal, grey, red
    ("#8A5A2B", "#FBF1E4", "#3E7CB1"),  # brown, cream, blue
    ("#0F7C8C", "#E0F4F6", "#F4A259"),  # teal, aqua, orange
    ("#B5446E", "#FDEBF1", "#5DA271"),  # rose, pink, leaf
]


# ---------------------------------------------------------------------------------
# Layouts: each returns a Design for (w, h) and a palette (dark, pale, accent).

def card_band(w, h, p, company="株式会社 ベルモ企画", title="営業部　主任", name="山田 太郎",
              roman="Taro Yamada", contact=("〒150-0001 東京都渋谷区神宮前1-2-3", "TEL 03-1234-5678  taro@example.jp")):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(0, 0, 70, h, fill=dark)
    d.rect(70, 0, 14, h, fill=acc)
    x = 150
    d.text(x, 50, w - x - 50, company, 9, GOTHIC, dark, bold=True, field="会社名")
    d.text(x, 130, w - x - 50, title, 7, GOTHIC, "#555555", field="役職")
    d.text(x, 175, w - x - 50, name, 18, MINCHO, "#111111", field="氏名")
    d.text(x, 265, w - x - 50, roman, 7, GOTHIC, "#777777", field="ローマ字")
    d.line(x, 335, w - 50, 335, acc, 4)
    d.text(x, 360, w - x - 40, list(contact), 6, GOTHIC, "#333333", field="連絡先")
    return d


def card_centre(w, h, p, company="ベルモ デザイン事務所", name="佐藤 花子", title="デザイナー",
                contact=("〒530-0001 大阪市北区梅田2-4-6", "TEL 06-9876-5432", "hanako@example.jp")):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(pale, "#FFFFFF", 90)
    d.rect(40, 40, w - 80, h - 80, frame=dark, fw=6)
    d.text(60, 80, w - 120, company, 8, GOTHIC, dark, align=1, field="会社名")
    d.text(60, 150, w - 120, title, 7, GOTHIC, "#666666", align=1, field="役職")
    d.text(60, 195, w - 120, name, 17, MINCHO, "#111111", align=1, field="氏名")
    d.line(w // 2 - 120, 290, w // 2 + 120, 290, acc, 6)
    d.text(60, 320, w - 120, list(contact), 6, GOTHIC, "#333333", align=1, field="連絡先")
    return d


def card_circle(w, h, p, shop="Café ベルモ", catch="自家焙煎コーヒーと焼き菓子",
                info=("営業時間 10:00～19:00（水曜定休）", "〒600-8001 京都市下京区四条通1-1", "TEL 075-123-4567")):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.circle(-160, -160, 560, 560, fill=pale)
    d.circle(60, 60, 240, 240, fill=dark)
    d.text(70, 140, 220, "OPEN", 12, HEAVY, "#FFFFFF", align=1)
    d.text(330, 60, w - 360, shop, 16, ROUND, dark, field="店名")
    d.text(330, 170, w - 360, catch, 7, ROUND, acc, field="キャッチコピー")
    d.line(330, 240, w - 40, 240, dark, 3)
    d.text(330, 280, w - 350, list(info), 6, GOTHIC, "#333333", field="店舗情報")
    return d


def card_vertical(w, h, p, name="鈴木 一郎", company="鈴木工務店", info=("代表", "TEL 045-222-3333")):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(w - 190, 0, 190, h, fill=pale)
    d.rect(w - 200, 0, 10, h, fill=dark)
    d.text(w - 175, 40, 150, name, 18, MINCHO, "#111111", vertical=True, h=h - 80, field="氏名")
    d.text(60, 60, w - 300, company, 12, BRUSH, dark, field="会社名")
    d.text(60, h - 190, w - 300, list(info), 7, GOTHIC, "#333333", field="連絡先")
    d.circle(60, 170, 60, 60, fill=acc)
    return d


def member_card(w, h, p, shop="ベルモ ベーカリー", label="POINT CARD", name="お名前"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(dark, acc, 45)
    d.text(50, 40, w - 100, label, 9, HEAVY, "#FFFFFF", spacing=8)
    d.text(50, 110, w - 100, shop, 15, ROUND, "#FFFFFF", field="店名")
    d.rect(50, h - 170, w - 100, 110, fill="#FFFFFF", round_=True)
    d.text(80, h - 150, w - 160, name + "：", 8, GOTHIC, "#444444", field="記入欄")
    return d


def address_simple(w, h, p, zipc="〒100-0001", addr=("東京都千代田区千代田1-1", "ベルモマンション 101号"),
                   name="山田 太郎 様"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(0, 0, w, 24, fill=dark)
    d.text(40, 50, w - 80, zipc, 9, GOTHIC, "#222222", field="郵便番号")
    d.text(40, 100, w - 80, list(addr), 9, GOTHIC, "#222222", field="住所")
    d.text(40, h - 140, w - 80, name, 15, MINCHO, "#111111", align=2, field="宛名")
    return d


def address_frame(w, h, p, zipc="〒460-0008", addr=("愛知県名古屋市中区栄3-5-7", "ベルモビル 8階"), company="株式会社 ベルモ商事 御中",
                  name="総務部 田中 様"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(pale)
    d.rect(20, 20, w - 40, h - 40, fill="#FFFFFF", frame=dark, fw=5, round_=True)
    d.text(50, 40, w - 100, zipc, 8, GOTHIC, dark, field="郵便番号")
    d.text(50, 85, w - 100, list(addr), 8, GOTHIC, "#333333", field="住所")
    d.text(50, 175, w - 100, company, 9, GOTHIC, "#222222", field="会社名")
    d.text(50, h - 150, w - 100, name, 14, MINCHO, "#111111", align=2, field="宛名")
    return d


def address_stamp(w, h, p, zipc="〒812-0011", addr=("福岡県福岡市博多区博多駅前2-2-2",), name="中村 さくら 様"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(30, 30, 90, h - 60, fill=pale)
    d.circle(45, 45, 60, 60, fill=acc)
    d.text(160, 40, w - 200, zipc, 8, GOTHIC, dark, field="郵便番号")
    d.text(160, 85, w - 200, list(addr), 8, GOTHIC, "#333333", field="住所")
    d.line(160, h - 150, w - 40, h - 150, dark, 3)
    d.text(160, h - 135, w - 200, name, 14, MINCHO, "#111111", align=2, field="宛名")
    return d


def return_label(w, h, p, addr="〒150-0001 東京都渋谷区神宮前1-2-3", name="山田 太郎", font=GOTHIC, motif=True):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    if motif:
        d.rect(0, 0, 40, h, fill=dark)
        d.rect(40, 0, 8, h, fill=acc)
    x = 90 if motif else 40
    d.text(x, 30, w - x - 30, addr, 7, font, "#333333", field="住所")
    d.text(x, 100, w - x - 30, name, 12, font, dark, field="氏名")
    return d


def return_centre(w, h, p, addr="〒530-0001 大阪市北区梅田2-4-6", name="佐藤 花子"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(pale)
    d.text(30, 30, w - 60, addr, 7, ROUND, "#333333", align=1, field="住所")
    d.text(30, 100, w - 60, name, 12, ROUND, dark, align=1, field="氏名")
    d.circle(30, h - 60, 30, 30, fill=acc)
    d.circle(w - 60, h - 60, 30, 30, fill=acc)
    return d


def cd_label(w, h, p, title="Summer Memories 2026", sub="夏休みの思い出", date="2026.08", style=0):
    dark, pale, acc = p
    d = Design(w, h)
    if style == 0:
        d.back(pale, "#FFFFFF", 90)
        d.circle(60, 60, w - 120, h - 120, frame=dark, fw=8)
    elif style == 1:
        d.back(dark, acc, 135)
    else:
        d.back("#FFFFFF")
        for i, c in enumerate((pale, acc, dark)):
            d.circle(120 + i * 60, 120 + i * 60, w - 240 - i * 120, h - 240 - i * 120, frame=c, fw=20)
    fg = "#FFFFFF" if style == 1 else dark
    d.text(150, 150, w - 300, title, 16, HEAVY if style != 2 else ROUND, fg, align=1, field="タイトル")
    d.text(150, 250, w - 300, sub, 10, GOTHIC, fg if style == 1 else "#444444", align=1, field="サブタイトル")
    d.text(200, h - 330, w - 400, date, 9, GOTHIC, fg if style == 1 else acc, align=1, field="日付")
    return d


def cardcd(w, h, p, title="DEMO CD", left=("ベルモ バンド", "2026 春"), right=("1. はじまり", "2. 風のうた", "3. 夜明け"),
           foot="Demo Tracks"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(pale, "#FFFFFF", 90)
    d.rect(0, 0, w, 125, fill=dark)
    d.text(40, 30, w - 80, title, 12, HEAVY, "#FFFFFF", align=1, field="タイトル")
    # The hole (about 22 mm) sits in the middle: text stays left and right of it.
    d.text(40, 190, 250, list(left), 8, GOTHIC, "#222222", field="左の文字")
    d.text(w - 290, 190, 250, list(right), 7, GOTHIC, "#333333", field="右の文字")
    d.rect(0, h - 110, w, 110, fill=acc)
    d.text(40, h - 85, w - 80, foot, 9, GOTHIC, "#FFFFFF", align=1, field="下の文字")
    return d


def cd_tracklist(w, h, p, title="ドライブ ベスト", tracks=("01. 朝の光", "02. 海岸線", "03. 夕暮れ", "04. 星空")):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF", pale, 90)
    d.rect(0, 200, w, 150, fill=dark)
    d.text(100, 225, w - 200, title, 15, HEAVY, "#FFFFFF", align=1, field="タイトル")
    d.text(120, h - 420, w - 240, list(tracks), 8, GOTHIC, "#333333", align=1, field="曲目")
    return d


def jacket(w, h, p, title="Family Album", sub="2026 春", photo=False):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(pale, "#FFFFFF", 90)
    if photo:
        d.photo(100, 100, w - 200, int((w - 200) * 0.75))
        ty = 100 + int((w - 200) * 0.75) + 60
    else:
        d.circle(w - 500, -200, 700, 700, fill=acc)
        d.rect(100, 200, 30, h - 400, fill=dark)
        ty = h // 2 - 150
    tx = 100 if photo else 190
    d.text(tx, ty, w - tx - 100, title, 22, HEAVY, dark, field="タイトル")
    d.text(tx, ty + 130, w - tx - 100, sub, 11, GOTHIC, "#555555", field="サブタイトル")
    return d


def tray(w, h, p, title="Family Album 2026", tracks=("1. 入学式", "2. 運動会", "3. 夏祭り", "4. 旅行", "5. 発表会")):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(0, 0, 65, h, fill=dark)
    d.rect(w - 65, 0, 65, h, fill=dark)
    d.text(12, 60, 45, title, 8, GOTHIC, "#FFFFFF", vertical=True, h=h - 120, field="背タイトル")
    d.text(w - 53, 60, 45, title, 8, GOTHIC, "#FFFFFF", vertical=True, h=h - 120)
    d.text(150, 100, w - 300, title, 14, HEAVY, dark, field="タイトル")
    d.line(150, 200, w - 150, 200, acc, 5)
    d.text(150, 260, w - 300, list(tracks), 9, GOTHIC, "#333333", field="曲目")
    return d


def spine(w, h, p, year="2026年度", title="経理書類", dept="総務部"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(0, 0, w, 300, fill=dark)
    d.text(20, 100, w - 40, year, 14, GOTHIC, "#FFFFFF", align=1, field="年度")
    d.text(w // 2 - 150, 420, 300, title, 38, GOTHIC, "#111111", vertical=True, bold=True, h=1900, field="タイトル")
    d.rect(0, h - 300, w, 300, fill=pale)
    d.rect(0, h - 310, w, 10, fill=acc)
    d.text(20, h - 200, w - 40, dept, 13, GOTHIC, dark, align=1, field="部署")
    return d


def index_tab(w, h, p, text="見積書", num="01"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(pale)
    d.rect(0, 0, w, 110, fill=dark)
    d.text(10, 20, w - 20, num, 11, HEAVY, "#FFFFFF", align=1, field="番号")
    d.text(10, 150, w - 20, text, 9, GOTHIC, "#222222", align=1, field="見出し")
    return d


def box_label(w, h, p, title="冬物衣類", note="2026年 10月 収納", icon=True):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(0, 0, w, 90, fill=dark)
    d.text(30, 20, w - 60, "STORAGE", 8, HEAVY, "#FFFFFF", spacing=10)
    if icon:
        d.circle(w - 110, 15, 60, 60, fill=acc)
    d.text(30, 130, w - 60, title, 20, GOTHIC, "#111111", align=1, bold=True, field="内容")
    d.text(30, h - 90, w - 60, note, 7, GOTHIC, "#666666", align=2, field="メモ")
    return d


def name_sticker(w, h, p, name="やまだ たろう", mark="circle", font=ROUND):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(pale)
    if mark == "circle":
        d.circle(20, 20, h - 40, h - 40, fill=acc)
    elif mark == "dots":
        for i in range(3):
            d.circle(15 + i * 35, h // 2 - 12, 24, 24, fill=(acc, dark, acc)[i])
    else:
        d.rect(0, 0, 30, h, fill=dark)
    x = h + 10 if mark == "circle" else 130 if mark == "dots" else 60
    room = w - x - 20
    size = max(6, min(11, int(room / (len(name) * PT * 1.05))))
    d.text(x, h // 2 - int(size * PT * 0.62), room, name, size, font, dark, align=1, field="なまえ")
    return d


def badge(w, h, p, event="ベルモ交流会 2026", role="参加者", name="山田 太郎", org="ベルモ株式会社"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(0, 0, w, 120, fill=dark)
    d.text(30, 30, w - 60, event, 10, GOTHIC, "#FFFFFF", align=1, bold=True, field="イベント名")
    d.text(30, 150, w - 60, org, 8, GOTHIC, "#555555", align=1, field="所属")
    d.text(30, 210, w - 60, name, 22, GOTHIC, "#111111", align=1, bold=True, field="氏名")
    d.rect(0, h - 70, w, 70, fill=acc)
    d.text(30, h - 62, w - 60, role, 7, GOTHIC, "#FFFFFF", align=1, field="区分")
    return d


def place_card(w, h, p, name="佐藤 花子 様", note="本日はお越しいただきありがとうございます"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF", pale, 90)
    d.rect(30, 30, w - 60, h - 60, frame=acc, fw=5)
    d.rect(45, 45, w - 90, h - 90, frame=acc, fw=2)
    d.text(60, 150, w - 120, name, 18, GYOSHO, dark, align=1, field="お名前")
    d.text(60, h - 150, w - 120, note, 6, MINCHO, "#555555", align=1, field="メッセージ")
    return d


def photo_sticker(w, h, p, title="Happy Birthday!", sub="2026.5.5", style=0):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(pale if style else "#FFFFFF")
    pw = w - 160
    ph = int(pw * 0.75)
    if style == 0:
        d.rect(60, 60, w - 120, ph + 40, fill="#FFFFFF", frame=dark, fw=6)
    d.photo(80, 80, pw, ph)
    d.text(60, ph + 160, w - 120, title, 16, POP if style else ROUND, dark, align=1, field="タイトル")
    d.text(60, ph + 280, w - 120, sub, 10, GOTHIC, acc, align=1, field="日付")
    if style:
        for i in range(5):
            d.circle(100 + i * (w - 260) // 4, h - 130, 60, 60, fill=(acc, dark)[i % 2])
    return d


def greeting(w, h, p, head="謹賀新年", body=("旧年中は大変お世話になりました", "本年もよろしくお願い申し上げます"),
             date="令和八年 元旦", name="山田 太郎", font=BRUSH):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF", pale, 90)
    d.circle(w - 260, 40, 200, 200, fill=acc)
    d.text(60, 60, w - 340, head, 24, font, dark, field="見出し")
    d.text(60, 260, w - 120, list(body), 8, MINCHO, "#333333", field="あいさつ文")
    d.text(60, h - 180, w - 120, date, 7, MINCHO, "#555555", field="日付")
    d.text(60, h - 110, w - 120, name, 9, MINCHO, "#222222", align=2, field="差出人")
    return d


def round_gift(w, h, p, head="Thank you", msg="ありがとう", ring=True, font=ROUND):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(pale)
    if ring:
        d.circle(30, 30, w - 60, h - 60, frame=acc, fw=12)
    d.text(60, h // 2 - 130, w - 120, head, 9, HEAVY, dark, align=1, field="見出し")
    d.text(50, h // 2 - 40, w - 100, msg, 13, font, dark, align=1, field="メッセージ")
    d.line(w // 2 - 80, h // 2 + 90, w // 2 + 80, h // 2 + 90, acc, 6)
    return d


def kitchen(w, h, p, item="強力粉", date="開封日 2026.1.10", font=ROUND):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(0, 0, w, 70, fill=dark)
    d.rect(0, h - 40, w, 40, fill=pale)
    d.text(30, 95, w - 60, item, 16, font, "#222222", align=1, field="品名")
    d.text(30, h - 105, w - 60, date, 6, GOTHIC, "#666666", align=2, field="日付")
    return d


def spice(w, h, p, item="塩", sub="SALT"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(pale)
    d.circle(25, 25, w - 50, h - 50, fill="#FFFFFF", frame=dark, fw=6)
    d.text(50, h // 2 - 100, w - 100, item, 20 if len(item) <= 2 else 13, BRUSH, dark, align=1, field="品名")
    d.text(50, h // 2 + 40, w - 100, sub, 7, GOTHIC, acc, align=1, spacing=6, field="英名")
    return d


def notebook(w, h, p, subject="こくご", name="2年1組 やまだ たろう"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(0, 0, 180, h, fill=dark)
    d.text(10, h // 2 - 55, 160, subject, 10, TEXTBOOK, "#FFFFFF", align=1, field="教科")
    d.line(210, h // 2 + 60, w - 30, h // 2 + 60, acc, 3)
    d.text(210, h // 2 - 40, w - 240, name, 10, TEXTBOOK, "#222222", field="なまえ")
    return d


def handmade(w, h, p, title="Handmade", name="atelier ベルモ", note="手づくりの品です"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(pale)
    d.circle(30, 30, w - 60, h - 60, frame=dark, fw=4)
    d.text(80, 110, w - 160, title, 9, MINCHO, acc, align=1, spacing=8)
    d.text(80, 180, w - 160, name, 13, ROUND, dark, align=1, field="工房名")
    d.text(80, h - 160, w - 160, note, 6, GOTHIC, "#555555", align=1, field="メモ")
    return d


def collection(w, h, p, title="切手コレクション", no="No. 012", note="1980～1989"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(15, 15, w - 30, h - 30, frame=dark, fw=4)
    d.text(40, 35, 200, no, 7, HEAVY, acc, field="番号")
    d.text(40, 100, w - 80, title, 13, GOTHIC, "#222222", bold=True, field="名称")
    d.text(40, h - 90, w - 80, note, 6, GOTHIC, "#666666", align=2, field="メモ")
    return d


def price(w, h, p, item="りんごジャム", value="￥580", note="税込"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(0, 0, w, 75, fill=acc)
    d.text(25, 15, w - 50, "PRICE", 7, HEAVY, "#FFFFFF", spacing=10)
    d.text(25, 95, w - 50, item, 9, GOTHIC, "#333333", field="品名")
    d.text(25, 160, w - 160, value, 20, HEAVY, dark, align=2, field="価格")
    d.text(w - 130, 200, 110, note, 6, GOTHIC, "#555555", field="税表示")
    return d


def product(w, h, p, name="はちみつ", detail=("国産 100%", "内容量 250g"), maker="ベルモ養蜂園"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(pale, "#FFFFFF", 90)
    d.circle(20, 20, w - 40, h - 40, frame=acc, fw=6)
    d.text(60, 60, w - 120, maker, 6, GOTHIC, "#555555", align=1, field="製造者")
    d.text(60, 110, w - 120, name, 15, BRUSH, dark, align=1, field="商品名")
    d.text(60, 230, w - 120, list(detail), 6, GOTHIC, "#333333", align=1, field="詳細")
    return d


def caution(w, h, p, head="注意", msg="このコンセントは抜かないでください"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(0, 0, 200, h, fill=acc)
    d.text(10, h // 2 - 55, 180, head, 14, HEAVY, "#FFFFFF", align=1, field="見出し")
    d.text(230, h // 2 - 35, w - 250, msg, 9, GOTHIC, "#222222", field="メッセージ")
    return d


# ---------------------------------------------------------------------------------
# Layouts for the matching sheets turned to landscape: the paper turns, so each label
# is as tall as it was wide. Narrow labels take vertical writing.

def tall_name(w, h, p, name="やまだ", mark="circle", font=ROUND):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(pale)
    if mark == "circle":
        d.circle(20, 20, w - 40, w - 40, fill=acc)
        top = w + 10
    elif mark == "dots":
        for i in range(3):
            d.circle(w // 2 - 12, 15 + i * 35, 24, 24, fill=(acc, dark, acc)[i])
        top = 130
    else:
        d.rect(0, 0, w, 30, fill=dark)
        top = 60
    room = h - top - 20
    size = max(6, min(11, int(room / (len(name) * PT * 1.05)), int((w - 30) / (PT * 1.1))))
    d.text(w // 2 - int(size * PT * 0.6), top, int(size * PT * 1.25), name, size, font, dark, vertical=True,
           h=room, field="なまえ")
    return d


def address_tall(w, h, p, zipc="〒100-0001", addr=("東京都千代田区千代田1-1", "ベルモマンション101号"),
                 name="山田 太郎 様", frame=False):
    dark, pale, acc = p
    d = Design(w, h)
    d.back(pale if frame else "#FFFFFF")
    if frame:
        d.rect(15, 15, w - 30, h - 30, fill="#FFFFFF", frame=dark, fw=5, round_=True)
    else:
        d.rect(0, 0, w, 24, fill=dark)
    d.text(30, 45, w - 60, zipc, 8, GOTHIC, dark, field="郵便番号")
    # Vertical writing: the address on the right, the name large in the middle.
    d.text(w - 150, 110, 110, list(addr), 8, GOTHIC, "#333333", vertical=True, h=h - 160, field="住所")
    d.text(w // 2 - 110, 150, 130, name, 14, MINCHO, "#111111", vertical=True, h=h - 200, field="宛名")
    return d


def card_tall(w, h, p, company="株式会社 ベルモ企画", title="営業部　主任", name="山田 太郎",
              contact=("〒150-0001", "東京都渋谷区神宮前1-2-3", "TEL 03-1234-5678")):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(0, 0, w, 60, fill=dark)
    d.rect(0, 60, w, 12, fill=acc)
    d.text(50, 130, w - 100, company, 8, GOTHIC, dark, bold=True, field="会社名")
    d.text(50, 200, w - 100, title, 7, GOTHIC, "#555555", field="役職")
    d.text(w // 2 - 55, 270, 110, name, 18, MINCHO, "#111111", vertical=True, h=380, field="氏名")
    d.line(50, h - 230, w - 50, h - 230, acc, 4)
    d.text(50, h - 200, w - 100, list(contact), 6, GOTHIC, "#333333", field="連絡先")
    return d


def spine_wide(w, h, p, year="2026年度", title="経理書類", dept="総務部"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(0, 0, 420, h, fill=dark)
    d.text(20, h // 2 - 40, 380, year, 14, GOTHIC, "#FFFFFF", align=1, field="年度")
    d.text(480, h // 2 - 110, w - 1000, title, 38, GOTHIC, "#111111", align=1, bold=True, field="タイトル")
    d.rect(w - 440, 0, 440, h, fill=pale)
    d.rect(w - 450, 0, 10, h, fill=acc)
    d.text(w - 420, h // 2 - 35, 400, dept, 13, GOTHIC, dark, align=1, field="部署")
    return d


def notebook_tall(w, h, p, subject="こくご", name="やまだ たろう"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(0, 0, w, 150, fill=dark)
    d.text(10, 40, w - 20, subject, 10, TEXTBOOK, "#FFFFFF", align=1, field="教科")
    d.line(w // 2 + 70, 190, w // 2 + 70, h - 30, acc, 3)
    d.text(w // 2 - 45, 190, 90, name, 10, TEXTBOOK, "#222222", vertical=True, h=h - 220, field="なまえ")
    return d


def tray_tall(w, h, p, title="Piano Works", tracks=("1. ソナチネ", "2. 月の光", "3. 子守歌")):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF", pale, 90)
    d.rect(0, 0, w, 65, fill=dark)
    d.rect(0, h - 65, w, 65, fill=dark)
    d.text(60, 12, w - 120, title, 8, GOTHIC, "#FFFFFF", align=1, field="背タイトル")
    d.text(60, h - 53, w - 120, title, 8, GOTHIC, "#FFFFFF", align=1)
    d.text(120, 160, w - 240, title, 14, HEAVY, dark, align=1, field="タイトル")
    d.line(150, 280, w - 150, 280, acc, 5)
    d.text(150, 340, w - 300, list(tracks), 9, GOTHIC, "#333333", field="曲目")
    return d


def badge_tall(w, h, p, event="ベルモ交流会 2026", role="参加者", name="山田 太郎", org="ベルモ株式会社"):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF")
    d.rect(0, 0, w, 150, fill=dark)
    d.text(20, 45, w - 40, event, 8, GOTHIC, "#FFFFFF", align=1, bold=True, field="イベント名")
    d.text(20, 190, w - 40, org, 7, GOTHIC, "#555555", align=1, field="所属")
    d.text(w // 2 - 70, 270, 140, name, 22, GOTHIC, "#111111", vertical=True, bold=True, h=480, field="氏名")
    d.rect(0, h - 90, w, 90, fill=acc)
    d.text(20, h - 75, w - 40, role, 7, GOTHIC, "#FFFFFF", align=1, field="区分")
    return d


def greeting_tall(w, h, p, head="謹賀新年", body=("旧年中は大変お世話になりました", "本年もよろしくお願い申し上げます"),
                  date="令和八年 元旦", name="山田 太郎", font=BRUSH):
    dark, pale, acc = p
    d = Design(w, h)
    d.back("#FFFFFF", pale, 90)
    d.circle(40, 40, 160, 160, fill=acc)
    # Vertical writing from the right: the greeting, the message, the date and name.
    d.text(w - 180, 60, 130, head, 24, font, dark, vertical=True, h=560, field="見出し")
    d.text(w - 400, 80, 180, list(body), 8, MINCHO, "#333333", vertical=True, h=h - 160, field="あいさつ文")
    d.text(120, 280, 60, date, 7, MINCHO, "#555555", vertical=True, h=h - 360, field="日付")
    d.text(40, 280, 70, name, 9, MINCHO, "#222222", vertical=True, h=h - 360, field="差出人")
    return d


# ---------------------------------------------------------------------------------

def write(path, paper_key, design, separate=False, landscape=False):
    full = os.path.join(WIZARD_DATA, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    name = PAPERS[paper_key][0]
    head = ["# paper: " + name]
    if landscape:
        head.append("# landscape: yes")
    if isinstance(design, list):
        head.append("# separate: yes")
        body = []
        for k, d in enumerate(design):
            if d is None:
                continue
            body += ["# label %d" % k, d.source()]
        text = "\n".join(head) + "\n" + "\n".join(body)
    else:
        text = "\n".join(head) + "\n" + design.source()
    with open(full, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    COUNT[0] += 1


COUNT = [0]


def size(key):
    return PAPERS[key][1], PAPERS[key][2]


def P(i):
    return PALETTES[i % len(PALETTES)]


def wizard_designs():
    t = "Template/Wizard/"
    # CD and DVD
    for i, (title, sub, date, style) in enumerate([
            ("Summer Memories 2026", "夏休みの思い出", "2026.08", 0), ("LIVE COLLECTION", "ライブ音源集", "2026.04", 1),
            ("運動会 2026", "ひまわり組", "2026.10.10", 2), ("Wedding Movie", "結婚式の記録", "2026.06.21", 1),
            ("発表会", "ピアノ教室 春の発表会", "2026.03.20", 0), ("BACKUP", "写真データ保存用", "2026.12", 2)]):
        write(t + "CD/Label/cd%02d.txt" % (i + 1), "cd", cd_label(*size("cd"), P(i), title, sub, date, style))
    write(t + "CD/Label/cd07.txt", "cd", cd_tracklist(*size("cd"), P(6)))
    write(t + "CD/Label/cd08.txt", "cd", cd_tracklist(*size("cd"), P(3), "Piano Works", ("1. ソナチネ", "2. 月の光", "3. 子守歌")))
    for i, (title, sub, photo) in enumerate([("Family Album", "2026 春", True), ("DRIVE MIX", "vol.3", False),
                                             ("Travel", "北海道 2026", True), ("Best Songs", "2026", False)]):
        write(t + "CD/Jacket/jacket%02d.txt" % (i + 1), "jacket", jacket(*size("jacket"), P(i + 2), title, sub, photo))
    write(t + "CD/Tray/tray01.txt", "tray", tray(*size("tray"), P(0)))
    write(t + "CD/Tray/tray02.txt", "tray", tray(*size("tray"), P(5), "Piano Works", ("1. ソナチネ", "2. 月の光", "3. 子守歌")))
    write(t + "CD/CardCD/cardcd01.txt", "cardcd", cardcd(*size("cardcd"), P(1)))
    write(t + "CD/CardCD/cardcd02.txt", "cardcd", cardcd(*size("cardcd"), P(7), "PHOTO DATA", ("運動会 2026", "ひまわり組"),
                                                       ("写真 248枚", "動画 12本"), "2026.10.10"))
    # Business cards
    for i in range(3):
        write(t + "Card/Business/band%02d.txt" % (i + 1), "card", card_band(*size("card"), P(i)))
        write(t + "Card/Business/centre%02d.txt" % (i + 1), "card", card_centre(*size("card"), P(i + 3)))
    write(t + "Card/Business/vertical01.txt", "card", card_vertical(*size("card"), P(1)))
    write(t + "Card/Business/vertical02.txt", "card", card_vertical(*size("card"), P(2), "高橋 美咲", "たかはし書道教室", ("師範", "TEL 022-333-4444")))
    for i in range(4):
        write(t + "Card/Shop/shop%02d.txt" % (i + 1), "card", card_circle(*size("card"), P(i + 4)))
    for i, (shop, label) in enumerate([("ベルモ ベーカリー", "POINT CARD"), ("ヘアサロン ベルモ", "MEMBER'S CARD"), ("ベルモ書店", "STAMP CARD")]):
        write(t + "Card/Member/member%02d.txt" % (i + 1), "member", member_card(*size("member"), P(i + 1), shop, label))
    # Addresses
    for i in range(3):
        write(t + "Address/To/simple%02d.txt" % (i + 1), "address", address_simple(*size("address"), P(i)))
        write(t + "Address/To/frame%02d.txt" % (i + 1), "address", address_frame(*size("address"), P(i + 3)))
    write(t + "Address/To/stamp01.txt", "address", address_stamp(*size("address"), P(6)))
    write(t + "Address/To/stamp02.txt", "address", address_stamp(*size("address"), P(7)))
    for i in range(3):
        write(t + "Address/From/band%02d.txt" % (i + 1), "return", return_label(*size("return"), P(i)))
    write(t + "Address/From/plain01.txt", "return", return_label(*size("return"), P(4), font=MINCHO, motif=False))
    write(t + "Address/From/round01.txt", "return", return_centre(*size("return"), P(7)))
    # Office and filing
    for i, (year, title, dept) in enumerate([("2026年度", "経理書類", "総務部"), ("2026", "契約書", "法務課"),
                                             ("令和8年", "議事録", "企画室"), ("2026", "取扱説明書", "家庭")]):
        write(t + "Office/Spine/spine%02d.txt" % (i + 1), "spine", spine(*size("spine"), P(i), year, title, dept))
    for i, (text, num) in enumerate([("見積書", "01"), ("請求書", "02"), ("領収書", "03")]):
        write(t + "Office/Index/index%02d.txt" % (i + 1), "index", index_tab(*size("index"), P(i + 4), text, num))
    for i, (title, note) in enumerate([("冬物衣類", "2026年 10月 収納"), ("工具", "ガレージ 棚2"), ("書類", "2025年度分"), ("おもちゃ", "リビング")]):
        write(t + "Office/Box/box%02d.txt" % (i + 1), "box", box_label(*size("box"), P(i + 2), title, note, i % 2 == 0))
    # Names
    for i, (mark, font) in enumerate([("circle", ROUND), ("dots", ROUND), ("bar", GOTHIC), ("circle", TEXTBOOK), ("dots", POP)]):
        write(t + "Name/Sticker/name%02d.txt" % (i + 1), "name", name_sticker(*size("name"), P(i + 1), "やまだ たろう", mark, font))
    for i in range(3):
        write(t + "Name/Badge/badge%02d.txt" % (i + 1), "badge", badge(*size("badge"), P(i * 2), "ベルモ交流会 2026", "参加者"))
    # Photos
    for i, (title, sub) in enumerate([("Happy Birthday!", "2026.5.5"), ("はじめての海", "2026.7.20"),
                                      ("入学おめでとう", "2026.4.6"), ("Our Trip", "京都 2026")]):
        write(t + "Photo/Sticker/photo%02d.txt" % (i + 1), "photo", photo_sticker(*size("photo"), P(i + 3), title, sub, i % 2))
    write(t + "Photo/Card/photocard01.txt", "postcard", photo_sticker(*size("postcard"), P(7), "Thank you!", "2026.11", 1))
    write(t + "Photo/Card/photocard02.txt", "postcard", photo_sticker(*size("postcard"), P(0), "家族の写真", "2026 夏", 0))
    # Gifts and seasons
    write(t + "Season/Greeting/nenga01.txt", "postcard2", greeting(*size("postcard2"), P(4)))
    write(t + "Season/Greeting/nenga02.txt", "postcard2", greeting(*size("postcard2"), P(2), "賀正", font=GYOSHO))
    write(t + "Season/Greeting/summer01.txt", "postcard2", greeting(*size("postcard2"), P(6), "暑中お見舞い", ("暑い日が続きますが", "いかがお過ごしでしょうか"), "令和八年 盛夏", font=BRUSH))
    write(t + "Season/Greeting/xmas01.txt", "postcard2", greeting(*size("postcard2"), P(1), "Merry Christmas", ("楽しいクリスマスを", "お過ごしください"), "2026.12", font=POP))
    write(t + "Season/Greeting/move01.txt", "postcard2", greeting(*size("postcard2"), P(5), "転居しました", ("新しい住所は下記のとおりです", "お近くにお越しの際はお立ち寄りください"), "2026年 春", font=ROUND))
    for i, (head, msg) in enumerate([("Thank you", "ありがとう"), ("For you", "心ばかりですが"), ("Merry X'mas", "メリークリスマス"), ("Congratulations", "おめでとう")]):
        write(t + "Season/Gift/gift%02d.txt" % (i + 1), "round50", round_gift(*size("round50"), P(i + 2), head, msg, i % 2 == 0))
    # Home and kitchen
    for i, (item, date) in enumerate([("強力粉", "開封日 2026.1.10"), ("パスタ", "賞味期限 2027.3"), ("コーヒー豆", "焙煎日 2026.2.1"), ("だし", "2026.4")]):
        write(t + "Home/Kitchen/kitchen%02d.txt" % (i + 1), "kitchen", kitchen(*size("kitchen"), P(i + 5), item, date, (ROUND, GOTHIC)[i % 2]))
    for i, (item, sub) in enumerate([("塩", "SALT"), ("砂糖", "SUGAR"), ("こしょう", "PEPPER")]):
        write(t + "Home/Spice/spice%02d.txt" % (i + 1), "round40", spice(*size("round40"), P(i + 1), item, sub))
    # School
    for i, (mark, font) in enumerate([("circle", TEXTBOOK), ("dots", ROUND), ("bar", TEXTBOOK), ("circle", POP)]):
        write(t + "School/Belongings/mochimono%02d.txt" % (i + 1), "name", name_sticker(*size("name"), P(i + 4), "やまだ はなこ", mark, font))
    for i, subject in enumerate(["こくご", "さんすう", "れんらく"]):
        write(t + "School/Notebook/note%02d.txt" % (i + 1), "note", notebook(*size("note"), P(i), subject))
    # Parties and events
    for i, (event, role) in enumerate([("ベルモ同窓会 2026", "3年B組"), ("地域清掃ボランティア", "スタッフ"),
                                       ("ABC セミナー", "講師"), ("子ども会 夏祭り", "係")]):
        write(t + "Event/Badge/badge%02d.txt" % (i + 1), "badge", badge(*size("badge"), P(i + 1), event, role))
    for i in range(3):
        write(t + "Event/Place/place%02d.txt" % (i + 1), "card", place_card(*size("card"), P(i + 2)))
    # Hobbies
    for i, (title, name) in enumerate([("Handmade", "atelier ベルモ"), ("Homemade", "ベルモ キッチン"), ("Original", "工房 つむぎ")]):
        write(t + "Hobby/Handmade/handmade%02d.txt" % (i + 1), "oval", handmade(*size("oval"), P(i + 5), title, name))
    for i, (title, no) in enumerate([("切手コレクション", "No. 012"), ("レコード", "No. 105"), ("鉄道模型", "No. 007")]):
        write(t + "Hobby/Collection/collection%02d.txt" % (i + 1), "note", collection(*size("note"), P(i), title, no))
    # Shop and others
    for i, (item, value) in enumerate([("りんごジャム", "￥580"), ("手づくりクッキー", "￥350"), ("ブレンドコーヒー", "￥1,200"), ("季節の花束", "￥2,000")]):
        write(t + "Other/Price/price%02d.txt" % (i + 1), "price", price(*size("price"), P(i + 2), item, value))
    for i, (name, maker) in enumerate([("はちみつ", "ベルモ養蜂園"), ("梅干し", "ベルモ農園"), ("いちごジャム", "ベルモ工房")]):
        write(t + "Other/Product/product%02d.txt" % (i + 1), "oval60", product(*size("oval60"), P(i + 3), name, maker=maker))
    write(t + "Other/Sign/caution01.txt", "return", caution(*size("return"), P(4)))
    write(t + "Other/Sign/caution02.txt", "return", caution(*size("return"), P(6), "お願い", "使用後は電気を消してください"))


def osoroi_sets():
    o = "Osoroi/"
    # Home: family name stickers, four motifs over the 60 positions
    w, h = size("name")
    marks = ["circle", "dots", "bar", "circle"]
    designs = [name_sticker(w, h, P(k % 4 + 1), "やまだ", marks[k % 4], ROUND) for k in range(60)]
    write(o + "Home/Names/family-names.txt", "name", designs)
    w, h = size("address")
    designs = [(address_simple, address_frame, address_stamp)[k % 3](w, h, P(k % 4)) for k in range(12)]
    write(o + "Home/Address/address-set.txt", "address", designs)
    # Office: business cards in two colourways, file spines in four
    w, h = size("card")
    write(o + "Office/Cards/cards.txt", "card", [(card_band if k % 2 == 0 else card_centre)(w, h, P(k % 2)) for k in range(10)])
    w, h = size("spine")
    write(o + "Office/Spines/spines.txt", "spine", [spine(w, h, P(k), "2026年度", "経理書類", "総務部") for k in range(4)])
    # School: belongings stickers and notebook labels by subject
    w, h = size("hname")
    write(o + "School/Belongings/mochimono.txt", "hname", [name_sticker(w, h, P(k % 4 + 4), "やまだ たろう", marks[k % 4], TEXTBOOK) for k in range(16)])
    w, h = size("note")
    subjects = ["こくご", "さんすう", "せいかつ", "おんがく", "ずこう", "たいいく", "どうとく", "れんらく",
                "こくご", "さんすう", "せいかつ", "おんがく", "ずこう", "たいいく", "どうとく", "れんらく",
                "こくご", "さんすう", "せいかつ", "おんがく", "ずこう", "たいいく", "どうとく", "れんらく"]
    designs = []
    for k in range(24):
        d = notebook(w, h, P(k % 8), subjects[k])
        # The subject is part of each label; only the name is asked for.
        for body in d.items:
            if any("wizInputCaption = '教科'" in line for line in body):
                body[:] = [line.replace("wizInputEnable = True", "wizInputEnable = False") for line in body
                           if "wizInputCaption" not in line]
        designs.append(d)
    write(o + "School/Notebooks/notebooks.txt", "note", designs)
    # Party: a disc with its jacket, a disc with its tray card, and name badges
    cd = cd_label(1170, 1170, P(3), "Family Album", "2026 春", "2026.04", 0)
    jk = jacket(1200, 1200, P(3), "Family Album", "2026 春", True)
    write(o + "Party/CDJacket/cd-jacket.txt", "cdset1", [cd, jk])
    cd = cd_label(1170, 1170, P(0), "Piano Works", "春の発表会", "2026.03.20", 1)
    tr = tray(1500, 1180, P(0), "Piano Works", ("1. ソナチネ", "2. 月の光", "3. 子守歌"))
    write(o + "Party/CDTray/cd-tray.txt", "cdset2", [cd, tr])
    w, h = size("badge")
    write(o + "Party/Badges/badges.txt", "badge", [badge(w, h, P(k % 5), "ベルモ交流会 2026", "参加者") for k in range(10)])
    # Seasons: Christmas gift seals and New Year greeting labels
    w, h = size("round50")
    heads = ["Merry X'mas", "Happy Holidays", "Season's Greetings"]
    write(o + "Season/Christmas/xmas-gift.txt", "round50",
          [round_gift(w, h, (P(1), P(4), P(2))[k % 3], heads[k % 3], "メリークリスマス", k % 2 == 0) for k in range(12)])
    w, h = size("postcard2")
    write(o + "Season/NewYear/nenga.txt", "postcard2",
          [greeting(w, h, P(4), "謹賀新年"), greeting(w, h, P(2), "謹賀新年", font=GYOSHO)])


def osoroi_landscape_sets():
    # Each item's landscape folder: the paper turned, so w and h trade places.
    o = "Osoroi/"
    marks = ["circle", "dots", "bar", "circle"]
    h, w = size("name")
    write(o + "Home/Names/Landscape/family-names-tall.txt", "name",
          [tall_name(w, h, P(k % 4 + 1), "やまだ", marks[k % 4], ROUND) for k in range(60)], landscape=True)
    h, w = size("address")
    write(o + "Home/Address/Landscape/address-tall.txt", "address",
          [address_tall(w, h, P(k % 4), frame=k % 2 == 1) for k in range(12)], landscape=True)
    h, w = size("card")
    write(o + "Office/Cards/Landscape/cards-tall.txt", "card", [card_tall(w, h, P(k % 2)) for k in range(10)], landscape=True)
    h, w = size("spine")
    write(o + "Office/Spines/Landscape/spines-wide.txt", "spine",
          [spine_wide(w, h, P(k), "2026年度", "経理書類", "総務部") for k in range(4)], landscape=True)
    h, w = size("hname")
    write(o + "School/Belongings/Landscape/mochimono-tall.txt", "hname",
          [tall_name(w, h, P(k % 4 + 4), "やまだ", marks[k % 4], TEXTBOOK) for k in range(16)], landscape=True)
    h, w = size("note")
    subjects = ["こくご", "さんすう", "せいかつ", "おんがく", "ずこう", "たいいく", "どうとく", "れんらく"]
    designs = []
    for k in range(24):
        d = notebook_tall(w, h, P(k % 8), subjects[k % 8])
        for body in d.items:
            if any("wizInputCaption = '教科'" in line for line in body):
                body[:] = [line.replace("wizInputEnable = True", "wizInputEnable = False") for line in body
                           if "wizInputCaption" not in line]
        designs.append(d)
    write(o + "School/Notebooks/Landscape/notebooks-tall.txt", "note", designs, landscape=True)
    cd = cd_label(1170, 1170, P(5), "Family Album", "2026 春", "2026.04", 1)
    jk = jacket(1200, 1200, P(5), "Family Album", "2026 春", False)
    write(o + "Party/CDJacket/Landscape/cd-jacket-landscape.txt", "cdset1", [cd, jk], landscape=True)
    cd = cd_label(1170, 1170, P(1), "Piano Works", "春の発表会", "2026.03.20", 0)
    tr = tray_tall(1180, 1500, P(1), "Piano Works")
    write(o + "Party/CDTray/Landscape/cd-tray-tall.txt", "cdset2", [cd, tr], landscape=True)
    h, w = size("badge")
    write(o + "Party/Badges/Landscape/badges-tall.txt", "badge",
          [badge_tall(w, h, P(k % 5), "ベルモ交流会 2026", "参加者") for k in range(10)], landscape=True)
    w, h = size("round50")
    heads = ["Joyeux Noël", "Merry X'mas", "Happy Holidays"]
    write(o + "Season/Christmas/Landscape/xmas-gift-landscape.txt", "round50",
          [round_gift(w, h, (P(2), P(1), P(4))[k % 3], heads[k % 3], "よいクリスマスを", k % 2 == 1, POP) for k in range(12)],
          landscape=True)
    h, w = size("postcard2")
    write(o + "Season/NewYear/Landscape/nenga-tall.txt", "postcard2",
          [greeting_tall(w, h, P(4), "謹賀新年"), greeting_tall(w, h, P(2), "賀正", font=GYOSHO)], landscape=True)


def main():
    for sub in ("Template/Wizard", "Osoroi/Home", "Osoroi/Office", "Osoroi/School", "Osoroi/Party", "Osoroi/Season"):
        shutil.rmtree(os.path.join(WIZARD_DATA, sub), ignore_errors=True)
    wizard_designs()
    n = COUNT[0]
    osoroi_sets()
    osoroi_landscape_sets()
    print("wizard designs:", n, "matching sheets:", COUNT[0] - n)


if __name__ == "__main__":
    main()
