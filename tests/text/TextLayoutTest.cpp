// The text block laid out and drawn with the installed fonts.
#include "draw/UCanvas.h"
#include "persist/UComponentDump.h"
#include "persist/UComponentStream.h"
#include "support/TestSupport.h"
#include "text/UFontEngine.h"
#include "text/UFontList.h"
#include "text/USimpleText.h"
#include <QImage>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace velmo;

namespace {

QString U(const char16_t* s)
{
    return QString::fromUtf16(s);
}

void MakeBlock(TSimpleText& text, const QStringList& lines, int points = 24,
               const QString& face = U(u"ＭＳ Ｐゴシック"))
{
    TPointBasedFont font;
    font.SetName(face);
    font.SetSize(points);
    text.SetFont(&font);
    text.SetLines(lines);
}

// The ink of an image (darker than mid grey) as a pixel rectangle; null when blank.
QRect InkBounds(const QImage& image)
{
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(line[x]) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

// Draws the block into rect on a white image at dpi, painting in 0.1 mm units.
QImage Render(TSimpleText& text, const TLogRect& rect, int dpi, QSize logicalSize)
{
    const double scale = dpi / 254.0;
    QImage image(int(std::ceil(logicalSize.width() * scale)), int(std::ceil(logicalSize.height() * scale)),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setTransform(QTransform::fromScale(scale, scale));
    text.SetColor(clBlack);
    text.Draw(painter, rect);
    return image;
}

TLogRect OutlineBounds(TSimpleText& text, const TLogRect& rect)
{
    TStroke stroke;
    text.MakeOutline(stroke, rect, false);
    return stroke.Bounds();
}

} // namespace

TEST(PointBasedFont, HeightFromPointSizeOnTheMeasuringCanvas)
{
    TPointBasedFont font;
    font.SetSize(10);
    EXPECT_EQ(font.HeightFor(254), -35);
    font.SetSize(24);
    EXPECT_EQ(font.HeightFor(254), -85);
    // Saved by size, never by height.
    const TPropertyTable& table = TPointBasedFont::Properties();
    EXPECT_TRUE(table.Find(u"Size")->IsStored(font));
    EXPECT_FALSE(table.Find(u"Height")->IsStored(font));
    EXPECT_TRUE(TFont::Properties().Find(u"Height")->IsStored(font));
}

TEST(SimpleText, PropertyTableInDocumentedOrder)
{
    const TPropertyTable& t = TSimpleText::Properties();
    QStringList names;
    for (int i = 0; i < t.Count(); ++i)
        names << t[i].Name;
    EXPECT_EQ(names, QStringList({"Text", "Font", "Align", "Vertical", "CharSpacing", "LineSpacing", "Bulge",
                                  "Angle", "HanToZen", "NumToKnj", "MinusExc", "FeedAngle"}));
    EXPECT_FALSE(t.Find(u"Align")->Default.has_value());
    EXPECT_EQ(t.Find(u"FeedAngle")->Default, 0);
}

TEST(SimpleText, MeasuredHeightOnTheMeasuringCanvas)
{
    TSimpleText text;
    MakeBlock(text, {"A"}, 10);
    // IPA P Gothic's cell (win ascent + descent) is larger than its em of 35 units.
    const int h = text.LineHeight();
    EXPECT_GE(h, 35);
    EXPECT_LE(h, 50);
    TTextCanvas& canvas = TTextCanvas::Measuring();
    text.PrepareCanvas(canvas);
    EXPECT_EQ(canvas.Font().Height, -35);
    EXPECT_EQ(canvas.RealizedFamily(), "IPAPGothic");
    // A kanji's advance is the em; the proportional face's kana are narrower.
    EXPECT_EQ(canvas.CharABCWidths(U'漢').Width(), 35);
    EXPECT_LT(canvas.CharABCWidths(U'あ').Width(), 35);
}

TEST(SimpleText, DisplayLinesAndDefaultText)
{
    TSimpleText text;
    EXPECT_EQ(text.DisplayLines(), QStringList({U(u"未入力項目")}));
    text.SetLines({""});
    EXPECT_EQ(text.DisplayLines(), QStringList({""}));
    const TLogRect rect{100, 200, 900, 700};
    const TLogRect b = text.GetBounds(rect);
    // No line gave a width: the sides come from the rect.
    EXPECT_EQ(b.Left, 100);
    EXPECT_EQ(b.Right, 900);
    EXPECT_EQ(b.Top, 200);
    EXPECT_EQ(b.Bottom, 200 + text.LineHeight());
    text.SetLines({"12"});
    text.SetHanToZen(true);
    text.SetNumToKnj(true);
    EXPECT_EQ(text.DisplayLines(), QStringList({U(u"一二")}));
    text.SetLines({"A-1"});
    text.SetNumToKnj(false);
    text.SetMinusExc(true);
    EXPECT_EQ(text.DisplayLines(), QStringList({U(u"Ａ-１")}));
}

TEST(SimpleText, ChangeBracketAndCache)
{
    TSimpleText text;
    int changes = 0;
    text.OnChange = [&](TSimpleText* sender) {
        EXPECT_EQ(sender, &text);
        ++changes;
    };
    MakeBlock(text, {"abc"});
    const int afterSetup = changes;
    EXPECT_GE(afterSetup, 1);
    text.SetAlign(0); // unchanged: nothing
    EXPECT_EQ(changes, afterSetup);
    text.BeginUpdate();
    text.SetAlign(2);
    text.SetAngle(10);
    text.SetCharSpacing(5);
    EXPECT_EQ(changes, afterSetup);
    text.EndUpdate();
    EXPECT_EQ(changes, afterSetup + 1);

    // Char spacing is measured: the cache is refilled with the new widths.
    text.SetAlign(0);
    text.SetAngle(0);
    const int w5 = text.GetBounds({0, 0, 0, 0}).Width();
    text.SetCharSpacing(0);
    const int w0 = text.GetBounds({0, 0, 0, 0}).Width();
    EXPECT_EQ(w5 - w0, 10); // spacing after "a" and "b" inside the ink

    TSimpleText copy;
    int copyChanges = 0;
    copy.OnChange = [&](TSimpleText*) { ++copyChanges; };
    text.SetVertical(true);
    text.SetFeedAngle(7);
    copy.Assign(text);
    EXPECT_EQ(copyChanges, 1);
    EXPECT_EQ(copy.Text()->Lines(), text.Text()->Lines());
    EXPECT_TRUE(copy.Vertical());
    EXPECT_EQ(copy.FeedAngle(), 7);
    EXPECT_EQ(copy.Font()->Size(), 24);
}

TEST(SimpleText, TabsAdvanceToStopsOfEightZeros)
{
    TSimpleText text;
    MakeBlock(text, {"\tA", "abc\tA"});
    text.GetBounds({0, 0, 1000, 1000});
    TTextCanvas& canvas = TTextCanvas::Measuring();
    text.PrepareCanvas(canvas);
    const int zero = canvas.TextExtent(u"0").width();
    const auto& layouts = text.Layouts();
    EXPECT_EQ(layouts[0].Widths[0].B, 8 * zero);
    EXPECT_EQ(layouts[1].Widths[3].B, 5 * zero);
    EXPECT_EQ(layouts[1].Widths[3].A, 0);
    EXPECT_EQ(layouts[1].Widths[3].C, 0);
}

TEST(SimpleText, AlignmentsInsideTheRect)
{
    TSimpleText text;
    MakeBlock(text, {U(u"ラベル"), U(u"右寄せテスト")});
    const TLogRect rect{100, 50, 1100, 500};
    text.SetAlign(kAlignLeft);
    TLogRect b = text.GetBounds(rect);
    EXPECT_EQ(b.Left, 100 + 0);
    EXPECT_EQ(text.Layouts()[0].InkStart, 0);
    text.SetAlign(kAlignRight);
    b = text.GetBounds(rect);
    EXPECT_EQ(b.Right, 1100);
    EXPECT_EQ(text.Layouts()[0].InkEnd, 1000);
    EXPECT_EQ(text.Layouts()[1].InkEnd, 1000);
    text.SetAlign(kAlignCenter);
    text.GetBounds(rect);
    const TCharLayout& c = text.Layouts()[0];
    EXPECT_LE(std::abs((c.InkStart + c.InkEnd) - 1000), 1);
    text.SetAlign(kAlignJustify);
    b = text.GetBounds(rect);
    EXPECT_EQ(b.Left, 100);
    EXPECT_EQ(b.Right, 1100);
    // Justify in an empty rect is left alignment.
    b = text.GetBounds({100, 50, 100, 50});
    EXPECT_EQ(text.Layouts()[0].InkStart, 0);
    // Lines stack by the line height plus the line spacing.
    text.SetAlign(kAlignLeft);
    text.SetLineSpacing(-10);
    b = text.GetBounds(rect);
    EXPECT_EQ(b.Top, 50);
    EXPECT_EQ(b.Bottom, 50 + 2 * (text.LineHeight() - 10) + 10);
}

TEST(SimpleText, VerticalColumnsRunFromTheRightEdge)
{
    TSimpleText text;
    MakeBlock(text, {U(u"一列目"), U(u"二列目"), U(u"三列目")});
    text.SetVertical(true);
    text.SetLineSpacing(20);
    const TLogRect rect{0, 0, 1000, 800};
    const TLogRect b = text.GetBounds(rect);
    const int h = text.LineHeight();
    EXPECT_EQ(b.Right, 1000);
    EXPECT_EQ(b.Left, 1000 - (3 * (h + 20) - 20));
    EXPECT_EQ(b.Top, 0);

    // Drawn: the first column's ink lies at the right edge, the next ones further left.
    const QImage first = Render(text, rect, 254, {1000, 800});
    TSimpleText one;
    MakeBlock(one, {U(u"一列目")});
    one.SetVertical(true);
    const QRect ink1 = InkBounds(Render(one, rect, 254, {1000, 800}));
    const QRect all = InkBounds(first);
    ASSERT_FALSE(ink1.isNull());
    EXPECT_GT(ink1.left(), 1000 - h);
    EXPECT_LT(all.left(), 1000 - 2 * (h + 20));
}

TEST(SimpleText, FeedSlantShiftsLines)
{
    TSimpleText text;
    MakeBlock(text, {"A", "B", "C"});
    const TLogRect rect{0, 0, 1000, 1000};
    text.SetFeedAngle(45);
    text.GetBounds(rect);
    const int p = text.LineHeight();
    const int shift = int(std::nearbyint(std::sin(M_PI / 4) * 2 * p));
    TSimpleText plain;
    MakeBlock(plain, {"A", "B", "C"});
    plain.GetBounds(rect);
    EXPECT_EQ(text.Layouts()[0].InkStart - plain.Layouts()[0].InkStart, shift);
    EXPECT_EQ(text.Layouts()[2].InkStart, plain.Layouts()[2].InkStart);
    text.SetAlign(kAlignCenter);
    plain.SetAlign(kAlignCenter);
    text.GetBounds(rect);
    plain.GetBounds(rect);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(text.Layouts()[size_t(i)].InkStart, plain.Layouts()[size_t(i)].InkStart);
    // Right alignment with a negative angle: no line leaves the right edge.
    text.SetAlign(kAlignRight);
    text.SetFeedAngle(-30);
    text.GetBounds(rect);
    for (int i = 0; i < 3; ++i)
        EXPECT_LE(text.Layouts()[size_t(i)].InkEnd, 1000);
    // sin 30 = 0.5: the first line moves left by one pitch, the last stays at the edge.
    EXPECT_EQ(text.Layouts()[2].InkEnd, 1000);
    EXPECT_EQ(text.Layouts()[0].InkEnd, 1000 - int(std::nearbyint(0.5 * 2 * p)));
}

TEST(VerticalForms, GlyphsEqualThoseHarfBuzzChoosesTopToBottom)
{
    const QString hbShape = QStandardPaths::findExecutable("hb-shape");
    ASSERT_FALSE(hbShape.isEmpty()) << "hb-shape (libharfbuzz-bin) is needed";
    const QString sample = U(u"ー。、（」ぁ「");
    for (const QString& family :
         {QStringLiteral("IPAPGothic"), QStringLiteral("IPAMincho"), QStringLiteral("Noto Sans CJK JP")}) {
        std::shared_ptr<TFontFace> face = OpenFace(family, false, false);
        ASSERT_TRUE(face) << family.toStdString();
        ASSERT_TRUE(face->HasVerticalForms());
        for (const QChar c : sample) {
            const test::ProcessResult r = test::RunProgram(
                hbShape, {"--direction=ttb", "--language=ja", "--no-glyph-names", "--no-positions",
                          "--no-clusters", "--font-file=" + face->FileName(), "--text=" + QString(c)});
            ASSERT_EQ(r.ExitCode, 0) << r.StdErr.toStdString();
            const QByteArray expected = r.StdOut.trimmed(); // "[1234]"
            const QByteArray ours = "[" + QByteArray::number(face->VerticalGlyphIndex(c.unicode())) + "]";
            EXPECT_EQ(ours, expected) << family.toStdString() << " " << QString(c).toStdString();
            // The vertical form is another glyph than the horizontal one.
            EXPECT_NE(face->VerticalGlyphIndex(c.unicode()), face->GlyphIndex(c.unicode()))
                << family.toStdString() << " " << QString(c).toStdString();
        }
    }
}

TEST(VerticalForms, FullWidthUprightLatinOnItsSide)
{
    TSimpleText text;
    text.SetVertical(true);
    const TLogRect rect{0, 0, 1000, 1000};
    auto shape = [&](const QString& s) {
        MakeBlock(text, {s}, 40);
        const TLogRect b = OutlineBounds(text, rect);
        return QSize(b.Width(), b.Height());
    };
    // A long vowel mark runs down the column; a hyphen-like Latin "l" lies across it.
    const QSize bar = shape(U(u"ー"));
    EXPECT_GT(bar.height(), 3 * bar.width());
    const QSize ell = shape("l");
    EXPECT_GT(ell.width(), 3 * ell.height());
    // A kanji "一" stands upright (wide, flat), as it does in horizontal text.
    const QSize one = shape(U(u"一"));
    EXPECT_GT(one.width(), 3 * one.height());
    text.SetVertical(false);
    const QSize ellH = shape("l");
    EXPECT_GT(ellH.height(), 3 * ellH.width());
    // A face without vertical forms lays the whole column on its side.
    MakeBlock(text, {U(u"一")}, 40, "DejaVu Sans");
    text.SetVertical(true);
    text.SetLines({U(u"一")});
    TTextCanvas& canvas = TTextCanvas::Measuring();
    text.PrepareCanvas(canvas);
    EXPECT_FALSE(canvas.Font().FaceName.startsWith(u'@'));
    EXPECT_EQ(canvas.Font().Escapement, 2700);
}

TEST(Outline, ClosedFiguresInsideTheBounds)
{
    for (const bool vertical : {false, true}) {
        TSimpleText text;
        MakeBlock(text, {U(u"アウトライン Outline"), U(u"二行目（）。")}, 18);
        text.SetVertical(vertical);
        const TLogRect rect{50, 50, 1550, 1550};
        const TLogRect b = text.GetBounds(rect);
        TStroke stroke;
        text.MakeOutline(stroke, rect, false);
        ASSERT_GT(stroke.Count(), 100);
        // Every figure starts with a move and ends closed.
        for (int i = 0; i < stroke.Count(); ++i) {
            if (stroke.Type(i) == PT_MOVETO && i > 0) {
                EXPECT_TRUE(stroke.Type(i - 1) & PT_CLOSEFIGURE) << i;
            }
        }
        EXPECT_TRUE(stroke.Type(stroke.Count() - 1) & PT_CLOSEFIGURE);
        const TLogRect o = stroke.Bounds();
        EXPECT_GE(o.Left, b.Left - 2);
        EXPECT_GE(o.Top, b.Top - 2);
        EXPECT_LE(o.Right, b.Right + 2);
        EXPECT_LE(o.Bottom, b.Bottom + 2);
    }
}

TEST(Outline, DecorationsOnlyWhenAsked)
{
    TSimpleText text;
    MakeBlock(text, {"Under"});
    TPointBasedFont font;
    font.Assign(*text.Font());
    font.SetStyle(fsUnderline | fsStrikeOut);
    text.SetFont(&font);
    const TLogRect rect{0, 0, 2000, 300};
    TStroke plain, decorated;
    text.MakeOutline(plain, rect, false);
    text.MakeOutline(decorated, rect, true);
    EXPECT_EQ(decorated.Count(), plain.Count() + 8); // two closed quadrilaterals
    const TLogRect b = text.GetBounds(rect);
    const TLogRect d = decorated.Bounds();
    EXPECT_EQ(d.Left, b.Left);
    EXPECT_EQ(d.Right, b.Right);
}

TEST(Arc, GlyphsFollowTheCircle)
{
    TSimpleText text;
    MakeBlock(text, {U(u"円弧の文字")}, 24);
    text.SetBulge(100);
    text.SetAlign(kAlignCenter);
    const TLogRect rect{0, 0, 1000, 400};
    TStroke stroke;
    text.MakeOutline(stroke, rect, false);
    ASSERT_GT(stroke.Count(), 20);
    // R0 = 1000^2 / 800 + 50 = 1300, the centre 1200 below the baseline's midpoint.
    const QPointF centre(500, 200 + 1200);
    const int h = text.LineHeight();
    double least = 1e9, most = 0;
    for (const QPoint& p : stroke.Points()) {
        const double r = std::hypot(p.x() - centre.x(), p.y() - centre.y());
        least = std::min(least, r);
        most = std::max(most, r);
    }
    EXPECT_GE(least, 1300 - h / 2 - 3);
    EXPECT_LE(most, 1300 + h / 2 + h / 4);
    // Centred text sits on the top of the arch.
    const TLogRect o = stroke.Bounds();
    EXPECT_LE(std::abs((o.Left + o.Right) / 2 - 500), 6);
    EXPECT_LT(o.Top, 200 - 100 - h / 3);

    // A sag: the text on the lower arc, the circle's centre above.
    text.SetBulge(-100);
    TStroke sag;
    text.MakeOutline(sag, rect, false);
    const QPointF above(500, 200 - 1200);
    for (const QPoint& p : sag.Points()) {
        const double r = std::hypot(p.x() - above.x(), p.y() - above.y());
        EXPECT_GE(r, 1300 - h);
        EXPECT_LE(r, 1300 + h);
    }
    EXPECT_GT(sag.Bounds().Bottom, 200 + 100);
}

TEST(Rotated, NinetyDegreesRunsDownwards)
{
    TSimpleText text;
    MakeBlock(text, {U(u"回転ABC")}, 24);
    const TLogRect rect{0, 0, 1000, 1000};
    const TLogRect straight = OutlineBounds(text, rect);
    text.SetAngle(90);
    const TLogRect turned = OutlineBounds(text, rect);
    EXPECT_NEAR(turned.Height(), straight.Width(), 4);
    EXPECT_NEAR(turned.Width(), straight.Height(), 4);
    TTextCanvas canvas;
    TLogFont font;
    SetFontAngle(font, 900);
    EXPECT_EQ(font.Escapement, -900);
}

TEST(DeviceIndependence, LineKeepsItsMeasuredWidthOnEveryDevice)
{
    TSimpleText text;
    MakeBlock(text, {U(u"Label ラベル印刷 0123456789"), "Wide iiiii WWWWW"}, 11);
    text.SetCharSpacing(3);
    const TLogRect rect{20, 20, 2000, 300};
    text.GetBounds(rect);
    const std::vector<TCharLayout> measured = text.Layouts();
    for (const int dpi : {96, 254, 600, 1200}) {
        TSimpleText one;
        one.Assign(text);
        one.SetLines({measured[0].Text});
        const QImage image = Render(one, rect, dpi, {2100, 300});
        const QRect ink = InkBounds(image);
        const double scale = dpi / 254.0;
        const double expected = (measured[0].Width()) * scale;
        // The rendered ink spans the measured width, within a device pixel (plus the
        // antialiased edge pixels on each side).
        EXPECT_NEAR(ink.width(), expected, 1.0 + 2.0) << dpi;
        EXPECT_NEAR(ink.left(), (rect.Left + measured[0].InkStart) * scale, 1.5) << dpi;
    }
    // On a 96-dpi device at 100 %, the device's own widths differ from the measuring
    // canvas's; the line is re-spaced to the measured width anyway.
    TTextCanvas screen(96.0 / 254.0, 254);
    text.PrepareCanvas(screen);
    TCharLayout onScreen;
    MeasureLine(screen, onScreen, measured[1].Text, 0, kAlignLeft, 3);
    EXPECT_NE(onScreen.Width(), measured[1].Width());
    MeasureLine(screen, onScreen, measured[1].Text, measured[1].Width(), kAlignJustify, 0);
    EXPECT_EQ(onScreen.InkEnd - onScreen.InkStart, measured[1].Width());
}

TEST(Faces, MissingFaceDrawsWithTheFirstFallback)
{
    EXPECT_TRUE(IsFaceUnusable("No Such Face 1234"));
    EXPECT_TRUE(UnusableFaces().contains("No Such Face 1234"));
    TSimpleText text;
    MakeBlock(text, {"abc"}, 12, "No Such Face 1234");
    TTextCanvas& canvas = TTextCanvas::Measuring();
    text.PrepareCanvas(canvas);
    EXPECT_EQ(canvas.Font().FaceName, U(u"ＭＳ Ｐゴシック"));
    EXPECT_EQ(canvas.Font().Charset, 128);
    EXPECT_EQ(canvas.RealizedFamily(), "IPAPGothic");
    // The saved name stays what it was.
    EXPECT_EQ(text.Font()->Name(), "No Such Face 1234");
    EXPECT_GT(text.GetBounds({0, 0, 0, 0}).Width(), 0);
}

TEST(Faces, AliasTableMapsClassicNames)
{
    const std::pair<const char16_t*, const char*> expected[] = {
        {u"ＭＳ Ｐゴシック", "IPAPGothic"}, {u"ＭＳ ゴシック", "IPAGothic"},
        {u"ＭＳ 明朝", "IPAMincho"},        {u"ＭＳ Ｐ明朝", "IPAPMincho"},
        {u"標準ゴシック", "IPAexGothic"},   {u"標準明朝", "IPAexMincho"},
        {u"HG丸ｺﾞｼｯｸM-PRO", "MotoyaLMaru"}, {u"HG正楷書体-PRO", "AoyagiKouzanFontT"},
        {u"HG教科書体", "SetoFont"},
    };
    for (const auto& [name, family] : expected) {
        const QString face = QString::fromUtf16(name);
        EXPECT_FALSE(IsFaceUnusable(face)) << face.toStdString();
        EXPECT_TRUE(UsableFaces().contains(face));
        TTextCanvas canvas;
        TLogFont font;
        font.FaceName = face;
        font.Height = -35;
        canvas.SetFont(font);
        EXPECT_EQ(canvas.RealizedFamily(), QString::fromLatin1(family)) << face.toStdString();
    }
    EXPECT_EQ(FaceCharset("IPAMincho"), 128);
    EXPECT_EQ(FaceCharset("DejaVu Sans"), 0);
    EXPECT_EQ(FaceCharset("No Such Face 1234"), 1);
    EXPECT_TRUE(IsVerticalFace(U(u"@ＭＳ 明朝")));
    EXPECT_FALSE(IsVerticalFace("@DejaVu Sans"));
    EXPECT_FALSE(VerticalFaces().contains("@DejaVu Sans"));
    EXPECT_TRUE(VerticalFaces().contains("@IPAexGothic"));
    for (const QString& face : UsableFaces())
        EXPECT_FALSE(face.startsWith(u'@'));
}

TEST(Faces, SyntheticAndRealBold)
{
    TSimpleText text;
    MakeBlock(text, {"Bold"}, 24, "IPAPGothic");
    const int regular = text.GetBounds({0, 0, 0, 0}).Width();
    TPointBasedFont font;
    font.Assign(*text.Font());
    font.SetStyle(fsBold);
    text.SetFont(&font);
    EXPECT_GT(text.GetBounds({0, 0, 0, 0}).Width(), regular);
}

TEST(BadInput, BrokenFontFileFallsBack)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("broken.ttf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("\x00\x01\x00\x00\x00\x10garbage that is no font", 30));
    file.close();
    RegisterFaceFile("Broken Face", path);
    TSimpleText text;
    MakeBlock(text, {U(u"壊れたフォント")}, 12, "Broken Face");
    const TLogRect b = text.GetBounds({0, 0, 1000, 200});
    EXPECT_GT(b.Width(), 0);
    TStroke stroke;
    text.MakeOutline(stroke, {0, 0, 1000, 200}, true);
    EXPECT_GT(stroke.Count(), 0);
    EXPECT_TRUE(IsFaceUnusable("Broken Face"));
}

TEST(BadInput, ExtremeTextAndSizes)
{
    TSimpleText text;
    // Characters code page 932 cannot hold, empty lines, a long line.
    MakeBlock(text, {U(u"絵文字\U0001F600と\u00E9\u4E02"), "", QString(10000, u'あ')}, 10);
    TLogRect b = text.GetBounds({0, 0, 500, 500});
    EXPECT_EQ(text.Layouts()[2].Widths.size(), 10000u);
    EXPECT_EQ(text.Layouts()[0].Widths.size(), 7u);
    EXPECT_GT(text.Layouts()[0].Widths[3].Width(), 0); // drawn from a fallback face
    EXPECT_EQ(b.Right - b.Left, text.Layouts()[2].Width());
    EXPECT_GT(b.Right - b.Left, 10000 * 25);
    TStroke stroke;
    text.MakeOutline(stroke, {0, 0, 500, 500}, true);
    EXPECT_GT(stroke.Count(), 10000);
    for (const int points : {1, 999}) {
        TSimpleText t;
        MakeBlock(t, {U(u"寸法Size")}, points);
        t.SetBulge(30);
        const TLogRect r = t.GetBounds({0, 0, 3000, 3000});
        EXPECT_GT(r.Width(), 0);
        const QImage image = Render(t, {0, 0, 3000, 3000}, 50, {3000, 3000});
        EXPECT_FALSE(image.isNull());
        t.SetBulge(0);
        t.SetVertical(true);
        t.SetAngle(33);
        TStroke s;
        t.MakeOutline(s, {0, 0, 3000, 3000}, true);
        EXPECT_GT(s.Count(), 0);
    }
    // Arcs too small to form a circle draw nothing and do not fail.
    TSimpleText tiny;
    MakeBlock(tiny, {"x"});
    tiny.SetBulge(5);
    TStroke none;
    tiny.MakeOutline(none, {10, 10, 10, 10}, false);
    EXPECT_EQ(none.Count(), 0);
}

namespace {
class TTextHolder : public TComponent
{
    VELMO_PERSISTENT(TTextHolder, TComponent)
public:
    explicit TTextHolder(TComponent* owner = nullptr) : TComponent(owner) {}
    TSimpleText* Block() const { return const_cast<TSimpleText*>(&FBlock); }
    TSimpleText FBlock;
};
const TPropertyTable& TTextHolder::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties()).Object("Block", &TTextHolder::Block);
    return table;
}
} // namespace

TEST(SimpleText, StreamsByPointSizeAndReadsBack)
{
    RegisterClass<TTextHolder>();
    TTextHolder holder;
    holder.SetName("Holder");
    MakeBlock(*holder.Block(), {U(u"縦書き"), "two"}, 14, U(u"ＭＳ 明朝"));
    holder.Block()->SetVertical(true);
    holder.Block()->SetCharSpacing(-3);
    const QByteArray bytes = ComponentStreamBytes(holder);
    const QString dump = DumpComponent(bytes);
    EXPECT_TRUE(dump.contains("Block.Font.Size = 14")) << dump.toStdString();
    EXPECT_FALSE(dump.contains("Block.Font.Height")) << dump.toStdString();
    EXPECT_FALSE(dump.contains("FeedAngle")) << dump.toStdString();
    TMemoryStream stream;
    stream.WriteBytes(bytes);
    stream.SetPosition(0);
    TTextHolder back;
    ReadComponentInto(stream, back);
    EXPECT_EQ(back.Block()->Text()->Lines(), holder.Block()->Text()->Lines());
    EXPECT_EQ(back.Block()->Font()->Size(), 14);
    EXPECT_EQ(back.Block()->Font()->Name(), U(u"ＭＳ 明朝"));
    EXPECT_TRUE(back.Block()->Vertical());
    EXPECT_EQ(back.Block()->CharSpacing(), -3);
    UnRegisterClass<TTextHolder>();
}
