// Our PDF writer beside the toolkit's: the same drawing through both, read back by
// poppler, must look the same (shapes, pens, clips, pictures, transparency, brushes
// that go through a bitmap); glyphs stay text (pdftotext, pdffonts) also past 256
// glyphs of a face; a repeated picture is stored once; every write is checked.
#include "PrintTestSupport.h"
#include "print/UPdfEngine.h"
#include "text/UPdfText.h"
#include "text/UTextCanvas.h"
#include <QBuffer>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

constexpr int kDpi = 300;
const QSizeF kPage(300, 200); // points

QImage Picture(bool alpha, bool gray)
{
    QImage image(40, 30, QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int v = (x * 6) & 0xFF;
            QColor c = gray ? QColor(v, v, v) : QColor(v, (y * 8) & 0xFF, 255 - v);
            c.setAlpha(alpha ? (x < 20 ? 255 : 60) : 255);
            image.setPixelColor(x, y, c);
        }
    return image;
}

// Everything the label objects ask of a painter, in device pixels at kDpi.
void DrawScene(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(QRectF(40, 40, 300, 200), QColor(200, 30, 30));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 255, 120));
    p.drawRect(QRectF(200, 120, 300, 200));
    // Pens: width, dashes, ends and joins, in a turned and stretched frame.
    p.save();
    p.translate(700, 300);
    p.rotate(25);
    p.scale(1.5, 0.8);
    QPen pen(QColor(0, 120, 0), 18, Qt::DashLine, Qt::RoundCap, Qt::BevelJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    QPainterPath path;
    path.moveTo(0, 0);
    path.cubicTo(100, -150, 250, 150, 350, 0);
    path.lineTo(350, 150);
    p.drawPath(path);
    p.restore();
    // Odd-even polygon, ellipse, cosmetic pen.
    p.setPen(QPen(Qt::black, 0));
    p.setBrush(QColor(250, 200, 0));
    const QPointF star[] = {{100, 600}, {160, 420}, {220, 600}, {60, 490}, {260, 490}};
    p.drawPolygon(star, 5, Qt::OddEvenFill);
    p.drawEllipse(QRectF(300, 420, 200, 150));
    // Clips: a path, then a rectangle within it, and back.
    p.save();
    QPainterPath round;
    round.addRoundedRect(QRectF(600, 450, 450, 300), 60, 60);
    p.setClipPath(round);
    p.fillRect(QRectF(550, 400, 600, 400), QColor(120, 0, 160));
    p.save();
    p.setClipRect(QRectF(700, 500, 150, 150), Qt::IntersectClip);
    p.fillRect(QRectF(550, 400, 600, 400), QColor(0, 200, 200));
    p.restore();
    p.fillRect(QRectF(900, 600, 300, 300), QColor(255, 120, 0));
    p.restore();
    // Pictures: opaque, with transparency, grey; turned, and at half opacity.
    p.drawImage(QRectF(1150, 50, 80, 60), Picture(false, false));
    p.save();
    p.translate(1000, 200);
    p.rotate(-30);
    p.drawImage(QRectF(0, 0, 160, 120), Picture(true, false));
    p.restore();
    p.setOpacity(0.5);
    p.drawImage(QRectF(1050, 700, 120, 90), Picture(false, true));
    p.setOpacity(1);
    // A brush with no simple PDF form.
    QLinearGradient gradient(QPointF(80, 680), QPointF(480, 780));
    gradient.setColorAt(0, Qt::yellow);
    gradient.setColorAt(1, Qt::darkBlue);
    p.setPen(Qt::NoPen);
    p.setBrush(gradient);
    p.drawRoundedRect(QRectF(80, 680, 400, 100), 20, 20);
}

QImage ThroughOurs(const QString& file, const std::function<void(QPainter&)>& draw, int rasterDpi = 100)
{
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return {};
    TPdfPaintDevice device(out, kPage, kDpi);
    QPainter painter(&device);
    draw(painter);
    if (!painter.end() || device.Failed())
        return {};
    out.close();
    return RasterisePdf(file, 1, rasterDpi);
}

QImage ThroughToolkit(const QString& file, const std::function<void(QPainter&)>& draw)
{
    {
        QPdfWriter writer(file);
        writer.setResolution(kDpi);
        writer.setPageLayout(
            QPageLayout(QPageSize(kPage, QPageSize::Point), QPageLayout::Portrait, QMarginsF()));
        QPainter painter(&writer);
        draw(painter);
    }
    return RasterisePdf(file, 1, 100);
}

QImage White(QSize size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    return image;
}

// Pixels whose colour differs by more than `threshold` in any channel.
int Differing(const QImage& a, const QImage& b, int threshold)
{
    int n = 0;
    for (int y = 0; y < std::min(a.height(), b.height()); ++y)
        for (int x = 0; x < std::min(a.width(), b.width()); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            if (std::abs(qRed(p) - qRed(q)) > threshold || std::abs(qGreen(p) - qGreen(q)) > threshold ||
                std::abs(qBlue(p) - qBlue(q)) > threshold)
                ++n;
        }
    return n;
}

// Clear ink of a with no clear ink of b within one pixel.
int Unpartnered(const QImage& a, const QImage& b)
{
    auto ink = [](QRgb p) { return qGray(p) < 128; };
    int n = 0;
    for (int y = 1; y + 1 < std::min(a.height(), b.height()); ++y)
        for (int x = 1; x + 1 < std::min(a.width(), b.width()); ++x) {
            if (!ink(a.pixel(x, y)))
                continue;
            bool found = false;
            for (int dy = -1; dy <= 1 && !found; ++dy)
                for (int dx = -1; dx <= 1 && !found; ++dx)
                    found = ink(b.pixel(x + dx, y + dy));
            n += found ? 0 : 1;
        }
    return n;
}

QString RunProgram(const QString& program, const QStringList& args, QString* errors = nullptr)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000))
        return {};
    if (errors)
        *errors = QString::fromUtf8(p.readAllStandardError());
    return QString::fromUtf8(p.readAllStandardOutput());
}

void DrawText(QPainter& p, const QString& text, int height = -60, int escapement = 0)
{
    TTextCanvas canvas(&p);
    TLogFont font;
    font.FaceName = QStringLiteral("IPAexGothic");
    font.Height = height;
    font.Escapement = escapement;
    font.Color = 0x402000;
    canvas.SetFont(font);
    canvas.TextOut(QPoint(60, 100), text);
    canvas.Flush();
}

// A device that takes `limit` bytes and then fails every write.
class TFailingDevice : public QIODevice
{
public:
    explicit TFailingDevice(qint64 limit) : FLimit(limit) { open(QIODevice::WriteOnly); }
    qint64 Written = 0;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 size) override
    {
        if (Written + size > FLimit)
            return -1;
        Written += size;
        return size;
    }

private:
    qint64 FLimit;
};

} // namespace

TEST(PdfEngine, DrawsWhatTheToolkitsWriterDraws)
{
    QTemporaryDir dir;
    const QImage ours = ThroughOurs(dir.filePath(QStringLiteral("ours.pdf")), DrawScene);
    const QImage theirs = ThroughToolkit(dir.filePath(QStringLiteral("theirs.pdf")), DrawScene);
    ASSERT_FALSE(ours.isNull());
    ASSERT_FALSE(theirs.isNull());
    ASSERT_EQ(ours.size(), theirs.size());
    if (const QString keep = qEnvironmentVariable("VELMO_PRINT_TEST_KEEP"); !keep.isEmpty()) {
        ours.save(keep + QStringLiteral("/engine-ours.png"));
        theirs.save(keep + QStringLiteral("/engine-theirs.png"));
    }
    // Antialiased edges and the bitmap brush may differ by a shade; whole areas may not.
    const int pixels = ours.width() * ours.height();
    EXPECT_LT(Differing(ours, theirs, 60), pixels / 200) << "of " << pixels;
    EXPECT_LT(Differing(ours, theirs, 12), pixels / 25) << "of " << pixels;
    // And the scene is really there (the comparison cannot pass on two blank pages).
    EXPECT_GT(Differing(ours, White(ours.size()), 0), pixels / 4);

    QString errors;
    RunProgram(QStringLiteral("pdfinfo"), {dir.filePath(QStringLiteral("ours.pdf"))}, &errors);
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
}

TEST(PdfEngine, GlyphsStayTextInFontsOfTheirOutlinesAlsoPastTwoHundredFiftySixGlyphs)
{
    QTemporaryDir dir;
    // 300 different kanji and kana, then Latin: more glyphs than one Type 3 font holds.
    QString many;
    for (char16_t c = 0x4E00; many.size() < 300; c += 3)
        many += QChar(c);
    const QString line = QStringLiteral("ベルモ Label 123");
    const QString file = dir.filePath(QStringLiteral("text.pdf"));
    const auto scene = [&](QPainter& p) {
        DrawText(p, line);
        for (int k = 0; k < 6; ++k) {
            p.translate(0, k == 0 ? 120 : 40);
            DrawText(p, many.mid(k * 50, 50), -20);
        }
        p.translate(600, 200);
        DrawText(p, QStringLiteral("斜め"), -80, 300);
    };
    const QImage asText = ThroughOurs(file, scene, kDpi);
    ASSERT_FALSE(asText.isNull());
    const QString text = RunProgram(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
    EXPECT_TRUE(text.contains(line)) << text.toStdString();
    for (int k = 0; k < 6; ++k)
        EXPECT_TRUE(text.contains(many.mid(k * 50, 50))) << k << text.toStdString();
    const QString fonts = RunProgram(QStringLiteral("pdffonts"), {file});
    EXPECT_GE(fonts.count(QStringLiteral("Type 3")), 2) << fonts.toStdString();
    for (const QString& row : fonts.split(u'\n').mid(2, fonts.count(QStringLiteral("Type 3")))) {
        EXPECT_TRUE(row.contains(QRegularExpression(QStringLiteral("yes\\s+no\\s+yes"))))
            << row.toStdString();
    }

    // The same glyphs filled as outlines look the same.
    SetGlyphsAsText(false);
    const QImage outlines = ThroughOurs(dir.filePath(QStringLiteral("outlines.pdf")), scene, kDpi);
    SetGlyphsAsText(true);
    ASSERT_FALSE(outlines.isNull());
    if (const QString keep = qEnvironmentVariable("VELMO_PRINT_TEST_KEEP"); !keep.isEmpty()) {
        asText.save(keep + QStringLiteral("/glyphs-text.png"));
        outlines.save(keep + QStringLiteral("/glyphs-outlines.png"));
        QFile::copy(file, keep + QStringLiteral("/glyphs-text.pdf"));
    }
    const int pixels = asText.width() * asText.height();
    // Readers place small glyphs of a font to the nearest pixel: ink may move by one.
    const int ink = Unpartnered(asText, White(asText.size()));
    EXPECT_LT(Unpartnered(asText, outlines), ink / 200) << ink;
    EXPECT_LT(Unpartnered(outlines, asText), ink / 200) << ink;
    EXPECT_GT(Differing(asText, White(asText.size()), 0), pixels / 50);
    EXPECT_EQ(RunProgram(QStringLiteral("pdftotext"),
                         {dir.filePath(QStringLiteral("outlines.pdf")), QStringLiteral("-")})
                  .trimmed(),
              QString());
}

TEST(PdfEngine, ARepeatedPictureIsStoredOnceAndPagesStayBalanced)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pages.pdf"));
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    const QPixmap logo = QPixmap::fromImage(Picture(true, false));
    {
        TPdfPaintDevice device(out, kPage, kDpi);
        QPainter p(&device);
        for (int page = 0; page < 3; ++page) {
            if (page > 0) {
                ASSERT_TRUE(device.NewPage());
            }
            for (int k = 0; k < 20; ++k) {
                p.save();
                p.setClipRect(QRectF(k * 50, 0, 45, 300));
                p.drawPixmap(QRectF(k * 50, 10, 40, 30), logo, QRectF(logo.rect()));
                p.restore();
            }
        }
        EXPECT_EQ(device.PageCount(), 3);
        ASSERT_TRUE(p.end());
        EXPECT_FALSE(device.Failed());
    }
    out.close();
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    // The picture and its transparency mask: two images for sixty placements.
    EXPECT_EQ(bytes.count("/Subtype /Image"), 2);
    EXPECT_EQ(bytes.count("/SMask"), 1);
    int pages = 0;
    QSizeF size;
    ASSERT_TRUE(PdfInfo(file, pages, size));
    EXPECT_EQ(pages, 3);
    EXPECT_NEAR(size.width(), kPage.width(), 0.01);
    // Every page renders, and each shows the twenty pictures.
    for (int page = 1; page <= 3; ++page) {
        const QImage image = RasterisePdf(file, page, 100);
        ASSERT_FALSE(image.isNull()) << page;
        int columns = 0;
        for (int k = 0; k < 20; ++k)
            columns += IsInk(image.pixel((k * 50 + 5) * 100 / kDpi, 20 * 100 / kDpi)) ? 1 : 0;
        EXPECT_EQ(columns, 20) << page;
    }
}

TEST(PdfEngine, AFailedWriteAnywhereIsReportedAndNothingBreaks)
{
    // The whole file's size first, then a failure at points all through it.
    qint64 whole = 0;
    {
        TFailingDevice sink(std::numeric_limits<qint64>::max());
        TPdfPaintDevice device(sink, kPage, kDpi);
        QPainter p(&device);
        DrawScene(p);
        device.NewPage();
        DrawText(p, QStringLiteral("ラベル"));
        ASSERT_TRUE(p.end());
        EXPECT_FALSE(device.Failed());
        whole = sink.Written;
    }
    ASSERT_GT(whole, 1000);
    for (const qint64 limit : {qint64(0), qint64(10), whole / 7, whole / 2, whole - 200, whole - 1}) {
        TFailingDevice sink(limit);
        TPdfPaintDevice device(sink, kPage, kDpi);
        QPainter p;
        const bool begun = p.begin(&device);
        if (begun) {
            DrawScene(p);
            device.NewPage();
            DrawText(p, QStringLiteral("ラベル"));
            EXPECT_FALSE(p.end()) << limit;
        }
        EXPECT_TRUE(device.Failed()) << limit;
        EXPECT_LE(sink.Written, limit);
    }
}
