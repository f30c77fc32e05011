// Decorative strings: the picture font's glyph lookup and measures, layout and
// rotation of the string, its stored form, its dialog's checks, and fonts with
// missing or damaged glyph pictures.
#include "base/UNumbers.h"
#include "base/UStream.h"
#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "objects/ULDObjects.h"
#include "persist/UComponentStream.h"
#include "persist/UComponentText.h"
#include "support/TestSupport.h"
#include "text/FDecoString.h"
#include "text/UImageFont.h"
#include "text/ULODecoString.h"
#include "ui/FPosition.h"
#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

// The colour of glyph picture i in the made-up fonts: distinct, never 0xF0F0F0.
QRgb GlyphColour(int i)
{
    return qRgb(20 + (i * 37) % 200, 10 + (i * 91) % 180, 30 + (i * 53) % 190);
}

// Writes n glyph pictures, 50 × 100 pixels each, a solid block of the glyph's
// colour inside a frame of the transparent colour, into folders of 64.
void MakeFonts(const QString& root, int n, int width = 50, int height = 100)
{
    for (int i = 0; i < n; ++i) {
        QImage image(width, height, QImage::Format_RGB32);
        image.fill(QColor(0xF0, 0xF0, 0xF0));
        QPainter p(&image);
        p.fillRect(QRect(5, 5, width - 10, height - 10), QColor(GlyphColour(i)));
        p.end();
        const QString folder = QStringLiteral("%1/%2").arg(root).arg(i / 64 + 1);
        QDir().mkpath(folder);
        ASSERT_TRUE(
            image.save(QStringLiteral("%1/%2.bmp").arg(folder).arg(i % 64, 2, 10, QLatin1Char('0')), "BMP"));
    }
}

class DecoString : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        RegisterDecoStringClasses();
        RegisterImagingGraphics();
        RegisterPictureFormats();
        root = dir.filePath("Font");
        QDir().mkpath(root);
        SetImageFontFolderLocator([this] { return root; });
        ResetImageFontPack();
    }
    void TearDown() override
    {
        ResetImageFontPack();
        SetImageFontFolderLocator({});
    }
    QTemporaryDir dir;
    QString root;
};

QImage Render(TLODecoString& object, QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    object.Paint(painter);
    return image;
}

// With VELMO_SHOTS set, the window as it looks now goes there as a PNG (for people
// checking the layout; the tests do not depend on it).
void SaveShot(QWidget& window, const QString& name)
{
    const QString folder = qEnvironmentVariable("VELMO_SHOTS");
    if (folder.isEmpty())
        return;
    window.show();
    QApplication::processEvents();
    window.grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
}

QRect InkBox(const QImage& image)
{
    QRect box;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                box |= QRect(x, y, 1, 1);
    return box;
}

QByteArray DesignBytes(TDrawObject& object)
{
    TDOList list;
    list.Add(&object);
    TMemoryStream stream;
    WriteLabelData(stream, list);
    list.Clear();
    return stream.Data();
}

} // namespace

TEST_F(DecoString, GlyphSetAndIndexes)
{
    EXPECT_EQ(ImageFontGlyphs().size(), 64);
    EXPECT_EQ(ImageFontGlyphIndex(u'A'), 0);
    EXPECT_EQ(ImageFontGlyphIndex(u'a'), 26);
    EXPECT_EQ(ImageFontGlyphIndex(u'0'), 52);
    EXPECT_EQ(ImageFontGlyphIndex(u'!'), 62);
    EXPECT_EQ(ImageFontGlyphIndex(u'?'), 63);
    EXPECT_EQ(ImageFontGlyphIndex(u' '), -1);
    EXPECT_EQ(ImageFontGlyphIndex(u'-'), -1);
    EXPECT_EQ(ImageFontGlyphIndex(QChar(0x41 + 0xFF00 - 0x20)), -1); // full-width Ａ
}

TEST_F(DecoString, FontsAreBlocksOfSixtyFourTakenRoundThePack)
{
    MakeFonts(root, 128);
    TImageFont font;
    font.SetFontNo(2);
    EXPECT_EQ(font.ImageIndex(u'A'), 64);
    EXPECT_EQ(font.ImageIndex(u'?'), 127);
    font.SetFontNo(1);
    EXPECT_EQ(font.ImageIndex(u'?'), 63);
    // Font 3 of two fonts is font 1 again; font 0 from a damaged document is not an
    // index before the first picture.
    font.SetFontNo(3);
    EXPECT_EQ(font.ImageIndex(u'A'), 0);
    font.SetFontNo(0);
    EXPECT_EQ(font.ImageIndex(u'A'), 64);
    EXPECT_EQ(ImageFontNumbers(root).size(), 2);
}

TEST_F(DecoString, WithOnlyOneFontTheSecondShowsTheFirst)
{
    MakeFonts(root, 64);
    TImageFont font;
    font.SetFontNo(2);
    EXPECT_EQ(font.ImageIndex(u'A'), 0);
    EXPECT_EQ(font.ImageIndex(u'?'), 63);
}

TEST_F(DecoString, FitToTextMeasuresGlyphsAndSpaces)
{
    MakeFonts(root, 64);
    TLODecoString s;
    s.SetText("ABC");
    s.FitToText();
    EXPECT_EQ(s.BaseRect(), (TLogRect{0, 0, 150, 100}));
    s.SetText("A B");
    s.FitToText();
    EXPECT_EQ(s.BaseRect(), (TLogRect{0, 0, 133, 100}));
    EXPECT_EQ(s.Font().Height(), 100);
    // The font follows the rectangle's height.
    s.SetBaseRect({0, 0, 300, 200});
    EXPECT_EQ(s.Font().Height(), 200);
    EXPECT_EQ(s.Font().GlyphSize(u'A'), QSize(100, 200));
}

TEST_F(DecoString, AngleIsKeptInOneTurn)
{
    TLODecoString s;
    s.SetAngleValue(-90);
    EXPECT_EQ(s.Angle(), 270);
    s.SetAngleValue(360);
    EXPECT_EQ(s.Angle(), 0);
    s.SetAngleValue(725);
    EXPECT_EQ(s.Angle(), 5);
}

TEST_F(DecoString, JustifiedGlyphsEndAtTheRightEdge)
{
    MakeFonts(root, 64);
    TLODecoString s;
    s.SetText("ABC");
    s.SetBaseRect({0, 0, 400, 100});
    s.SetAlignValue(3);
    std::vector<int> p = s.GlyphPositions(400);
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[2] + 50, 400);
    s.SetAlignValue(2);
    p = s.GlyphPositions(400);
    EXPECT_EQ(p[2] + 50, 400);
    EXPECT_EQ(p[0], 250);
    s.SetAlignValue(1);
    p = s.GlyphPositions(400);
    EXPECT_EQ(p[0], 125);
    // Drawn: the last glyph's colour reaches the right edge.
    const QImage image = Render(s, QSize(420, 120));
    s.SetAlignValue(3);
    const QImage justified = Render(s, QSize(420, 120));
    EXPECT_EQ(justified.pixel(400 - 6, 50) & 0xFFFFFF, GlyphColour(2) & 0xFFFFFF);
    EXPECT_EQ(justified.pixel(6, 50) & 0xFFFFFF, GlyphColour(0) & 0xFFFFFF);
    EXPECT_EQ(image.pixel(125 + 6, 50) & 0xFFFFFF, GlyphColour(0) & 0xFFFFFF);
}

TEST_F(DecoString, TurnedStringsAreDrawnTurnedAndCached)
{
    MakeFonts(root, 64);
    TLODecoString s;
    s.SetText("AB");
    s.SetBaseRect({100, 100, 300, 200}); // centre (200, 150)
    s.SetAlignValue(3);                  // A at 100 … 150, B at 250 … 300
    QImage flat = Render(s, QSize(400, 400));
    QRect box = InkBox(flat);
    EXPECT_GT(box.width(), box.height());
    EXPECT_EQ(flat.pixel(110, 150) & 0xFFFFFF, GlyphColour(0) & 0xFFFFFF);
    s.SetAngleValue(90);
    EXPECT_FALSE(s.HasCachedPicture());
    const QImage quarter = Render(s, QSize(400, 400));
    EXPECT_TRUE(s.HasCachedPicture());
    box = InkBox(quarter);
    EXPECT_GT(box.height(), box.width());
    // Turned clockwise about the centre: the first glyph is at the top.
    EXPECT_EQ(quarter.pixel(200, 75) & 0xFFFFFF, GlyphColour(0) & 0xFFFFFF);
    EXPECT_EQ(quarter.pixel(200, 225) & 0xFFFFFF, GlyphColour(1) & 0xFFFFFF);
    EXPECT_TRUE(s.HitTest({200, 65}));
    EXPECT_FALSE(s.HitTest({110, 150}));
    // Later paints reuse the turned picture; a change of text renders anew.
    const int renders = s.RenderCount();
    Render(s, QSize(400, 400));
    EXPECT_EQ(s.RenderCount(), renders);
    s.SetText("BA");
    EXPECT_FALSE(s.HasCachedPicture());
    const QImage again = Render(s, QSize(400, 400));
    EXPECT_EQ(s.RenderCount(), renders + 1);
    EXPECT_EQ(again.pixel(200, 75) & 0xFFFFFF, GlyphColour(1) & 0xFFFFFF);
    // 45°: the enclosing box is the turned corners' bounds.
    s.SetAngleValue(45);
    const TLogRect e = s.GetEncloseRect();
    EXPECT_NEAR(e.Width(), int(std::lround((200 + 100) * std::sqrt(0.5))), 2);
    const QImage diagonal = Render(s, QSize(400, 400));
    box = InkBox(diagonal);
    EXPECT_NEAR(box.width(), box.height(), 6);
    // The transparent frame of the glyph pictures stays transparent.
    EXPECT_EQ(diagonal.pixel(e.Left + 1, e.Top + 1) & 0xFFFFFF, 0xFFFFFFu);
}

TEST_F(DecoString, StoredFormRoundTrips)
{
    MakeFonts(root, 128);
    TLODecoString s;
    s.SetText("Hello World!");
    s.SetFontNo(2);
    s.SetAlignValue(3);
    s.SetBaseRect({10, 20, 610, 120});
    s.SetAngleValue(45);
    const QByteArray first = DesignBytes(s);
    const QString text = ComponentToText(first);
    EXPECT_TRUE(text.contains("object TLODecoString")) << text.toStdString();
    EXPECT_LT(text.indexOf("Text = "), text.indexOf("FontNo = 2"));
    EXPECT_LT(text.indexOf("FontNo = 2"), text.indexOf("Align = 3"));
    EXPECT_LT(text.indexOf("Align = 3"), text.indexOf("Angle = 45"));
    TReadOnlyMemoryStream stream(first.constData(), first.size());
    TDOList list;
    ReadLabelData(stream, list);
    ASSERT_EQ(list.Count(), 1);
    std::unique_ptr<TDrawObject> back(list[0]);
    auto* r = dynamic_cast<TLODecoString*>(back.get());
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Text(), s.Text());
    EXPECT_EQ(r->FontNo(), 2);
    EXPECT_EQ(r->Align(), 3);
    EXPECT_EQ(r->Angle(), 45);
    EXPECT_EQ(r->BaseRect(), s.BaseRect());
    EXPECT_EQ(r->Font().Height(), 100);
    EXPECT_EQ(DesignBytes(*r), first);
    // Defaults: an empty text and alignment 0 are not written, font and angle are.
    TLODecoString plain;
    plain.SetBaseRect({0, 0, 10, 10});
    const QString plainText = ComponentToText(DesignBytes(plain));
    EXPECT_FALSE(plainText.contains("Text = "));
    EXPECT_FALSE(plainText.contains("Align = "));
    EXPECT_TRUE(plainText.contains("FontNo = 1"));
    EXPECT_TRUE(plainText.contains("Angle = 0"));
    // Copies carry everything.
    TLODecoString copy;
    copy.Assign(s);
    EXPECT_EQ(copy.Text(), s.Text());
    EXPECT_EQ(copy.FontNo(), 2);
    EXPECT_EQ(copy.Angle(), 45);
}

TEST_F(DecoString, DamagedAndMissingGlyphPicturesShowTheErrorPicture)
{
    MakeFonts(root, 64);
    // Glyph "B" damaged, glyph "C" gone (the pack then has 63 pictures: "C" takes
    // the picture after it, and so on round the pack).
    WriteFileBytes(root + "/1/01.bmp", QByteArray("BM not really a bitmap"));
    QFile::remove(root + "/1/02.bmp");
    ResetImageFontPack();
    EXPECT_EQ(ImageFontPack().GetCount(), 63);
    TLODecoString s;
    s.SetText("ABC");
    s.FitToText();
    const QSize error(ErrorPicture().Width(), ErrorPicture().Height());
    ASSERT_FALSE(error.isEmpty());
    EXPECT_EQ(s.Font().GlyphSize(u'B').width(), MulDiv(error.width(), 100, error.height()));
    const QImage image = Render(s, QSize(s.BaseRect().Width() + 10, 110));
    EXPECT_EQ(image.pixel(10, 50) & 0xFFFFFF, GlyphColour(0) & 0xFFFFFF);
    // The error picture's red text is somewhere in the second glyph.
    bool red = false;
    for (int y = 0; y < 100 && !red; ++y)
        for (int x = 50; x < 50 + s.Font().GlyphSize(u'B').width() && !red; ++x) {
            const QRgb c = image.pixel(x, y);
            red = qRed(c) > 150 && qGreen(c) < 100 && qBlue(c) < 100;
        }
    EXPECT_TRUE(red);
}

TEST_F(DecoString, NoPicturesMeansBlankGlyphsAndNoFonts)
{
    // An empty folder: every character is a blank a third of the height wide.
    TImageFont font;
    font.SetFontNo(1);
    font.SetHeight(90);
    EXPECT_EQ(font.GlyphSize(u'A'), QSize(30, 90));
    EXPECT_EQ(font.TextSize("AB C"), QSize(120, 90));
    TLODecoString s;
    s.SetText("AB");
    s.FitToText();
    const QImage image = Render(s, QSize(100, 120));
    EXPECT_TRUE(InkBox(image).isEmpty());
    EXPECT_TRUE(TfrmDecoString::AvailableFonts().isEmpty());
    EXPECT_FALSE(TfrmDecoString::Edit(s));
    // No folder at all.
    SetImageFontFolderLocator([] { return QString(); });
    ResetImageFontPack();
    EXPECT_EQ(ImageFontPack().GetCount(), 0);
}

TEST_F(DecoString, FontFilesSortByPathAndSkipHiddenEntries)
{
    MakeFonts(root, 128);
    WriteFileBytes(root + "/.hidden.bmp", "x");
    QDir().mkpath(root + "/.cache");
    WriteFileBytes(root + "/.cache/a.bmp", "x");
    const QStringList files = ImageFontFiles(root);
    ASSERT_EQ(files.size(), 128);
    EXPECT_TRUE(files.first().endsWith("/1/00.bmp"));
    EXPECT_TRUE(files[64].endsWith("/2/00.bmp"));
    // Only whole numbers other than 0 name fonts.
    QDir().mkpath(root + "/0");
    QDir().mkpath(root + "/extra");
    QDir().mkpath(root + "/10");
    EXPECT_EQ(ImageFontNumbers(root), (QList<int>{1, 2, 10}));
}

TEST_F(DecoString, DialogRefusesOtherCharactersAndEmptyText)
{
    MakeFonts(root, 128);
    TfrmDecoString dialog({1, 2});
    dialog.SetQuietMessages(true);
    TLODecoString s;
    s.SetFontNo(2);
    dialog.LoadFrom(s, true);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("飾り文字の追加"));
    EXPECT_EQ(dialog.FontList()->currentRow(), 1);
    EXPECT_FALSE(dialog.TextEdit()->testAttribute(Qt::WA_InputMethodEnabled));
    dialog.TextEdit()->setText("ABC-1");
    EXPECT_FALSE(dialog.Validate());
    EXPECT_EQ(dialog.LastMessage(), QStringLiteral("飾り文字には「A～Z、a～z、0～9、?、!」しか使えません"));
    dialog.TextEdit()->setText("");
    EXPECT_FALSE(dialog.Validate());
    EXPECT_EQ(dialog.LastMessage(), QStringLiteral("文字列が入力されていません"));
    dialog.TextEdit()->setText("ＡＢ");
    EXPECT_FALSE(dialog.Validate());
    dialog.TextEdit()->setText("Hello World!");
    EXPECT_TRUE(dialog.Validate());
    SaveShot(dialog, "deco-dialog");
    // A new string is fitted to its glyphs: 10 mm high.
    dialog.FontList()->setCurrentRow(0);
    dialog.ApplyTo(s);
    EXPECT_EQ(s.Text(), QStringLiteral("Hello World!"));
    EXPECT_EQ(s.FontNo(), 1);
    EXPECT_EQ(s.BaseRect().Height(), 100);
    EXPECT_EQ(s.BaseRect().Width(), 11 * 50 + 33);
}

TEST_F(DecoString, RendersTheDeliveredFonts)
{
    // The fonts the build draws: each glyph comes out, turned as asked.
    const QString built = BinaryDir() + "/data/Data/Font";
    if (!QFileInfo(built).isDir())
        GTEST_SKIP() << "picture fonts not built";
    root = built;
    ResetImageFontPack();
    ASSERT_GE(ImageFontNumbers(root).size(), 4);
    ASSERT_EQ(ImageFontPack().GetCount() % 64, 0);
    const QString shots = qEnvironmentVariable("VELMO_SHOTS");
    {
        TfrmDecoString dialog(ImageFontNumbers(root));
        TLODecoString s;
        s.SetText("Velmo 2024!");
        s.SetFontNo(2);
        s.SetBaseRect({100, 100, 900, 200});
        dialog.LoadFrom(s, false);
        SaveShot(dialog, "deco-dialog-fonts");
        dialog.Tabs()->setCurrentIndex(1);
        SaveShot(dialog, "deco-dialog-position");
    }
    for (int font : ImageFontNumbers(root)) {
        for (int angle : {0, 45, 90}) {
            TLODecoString s;
            s.SetFontNo(font);
            s.SetText("Velmo 2024!");
            s.FitToText();
            s.SetBaseRect({60, 300, 60 + s.BaseRect().Width(), 400});
            s.SetAngleValue(angle);
            const QImage image = Render(s, QSize(1000, 800));
            const QRect box = InkBox(image);
            ASSERT_FALSE(box.isEmpty()) << font << " " << angle;
            if (angle == 0) {
                EXPECT_GT(box.width(), 3 * box.height());
            } else if (angle == 90) {
                EXPECT_GT(box.height(), 3 * box.width());
            } else {
                EXPECT_NEAR(double(box.width()) / box.height(), 1.0, 0.3);
            }
            if (!shots.isEmpty())
                image.save(QStringLiteral("%1/deco-font%2-%3.png").arg(shots).arg(font).arg(angle));
        }
    }
}
