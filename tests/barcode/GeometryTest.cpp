// Where the bars fall: the module grid of the rectangle, whole device pixels at
// printer resolutions, the digits' room, the frame, and symbols that draw nothing.
#include "BarCodeTestSupport.h"
#include "barcode/UBarCode.h"
#include "barcode/UJANCode.h"
#include "base/UNumbers.h"
#include "objects/ULabelObject.h"
#include "text/UTextCanvas.h"
#include <QPainter>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

// The dark modules of a JAN-13 symbol over its 109-module grid, from the tables.
QString JAN13Modules(const QString& code)
{
    QString m(109, u'0');
    auto put = [&m](int at, const char* p) {
        for (int i = 0; p[i]; ++i)
            m[at + i] = QChar(p[i]);
    };
    put(7, "101");
    const char* parity = JANParity(code[0].unicode() - u'0');
    for (int i = 0; i < 6; ++i) {
        const int d = code[1 + i].unicode() - u'0';
        put(10 + 7 * i, parity[i] == 'O' ? JANSetA(d) : JANSetB(d));
    }
    put(52, "01010");
    for (int i = 0; i < 6; ++i)
        put(57 + 7 * i, JANSetC(code[7 + i].unicode() - u'0'));
    put(99, "101");
    return m;
}

QImage Paint(TLOBarCode& code, int width, int height, double scale = 1.0, QColor fill = Qt::white)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(fill);
    QPainter painter(&image);
    painter.scale(scale, scale);
    code.Paint(painter);
    return image;
}

bool Dark(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y)) < 128;
}

int TextHeightOf(TLOBarCode& code)
{
    QImage image(10, 10, QImage::Format_RGB32);
    QPainter painter(&image);
    TTextCanvas canvas(&painter, 254);
    TLogFont font;
    font.FaceName = code.Font()->Name();
    font.Height = code.Font()->HeightFor(254);
    canvas.SetFont(font);
    return canvas.TextExtent(u"0").height();
}

} // namespace

TEST(Geometry, JAN13ModulesSpanTheRectangleByMulDiv)
{
    const QString jan = QStringLiteral("4901234567894");
    auto code = MakeBarCode(bkJAN, jan, {10, 5, 310, 105}, 0, false);
    const QImage image = Paint(*code, 330, 120); // one logical unit, one pixel
    const QString modules = JAN13Modules(jan);
    const int y = 50;
    for (int i = 0; i < 109; ++i) {
        const int x0 = 10 + MulDiv(i, 300, 109), x1 = 10 + MulDiv(i + 1, 300, 109);
        for (int x = x0; x < x1; ++x)
            EXPECT_EQ(Dark(image, x, y), modules[i] == u'1') << "module " << i << " x " << x;
    }
    // The quiet zones are the first and last seven modules, white.
    for (int x = 10; x < 10 + MulDiv(7, 300, 109); ++x)
        EXPECT_FALSE(Dark(image, x, y));
    // Bars run the full height without digits, and the rectangle is opaque white.
    EXPECT_TRUE(Dark(image, 10 + MulDiv(7, 300, 109), 5));
    EXPECT_TRUE(Dark(image, 10 + MulDiv(7, 300, 109), 104));
    EXPECT_FALSE(Dark(image, 10 + MulDiv(7, 300, 109), 105));
    const QImage onGrey = Paint(*code, 330, 120, 1.0, QColor(128, 128, 128));
    EXPECT_EQ(onGrey.pixelColor(12, 50), QColor(Qt::white));
    EXPECT_EQ(onGrey.pixelColor(309, 104), QColor(Qt::white));
    EXPECT_EQ(onGrey.pixelColor(310, 50), QColor(128, 128, 128));
}

TEST(Geometry, DigitsShortenDataBarsMoreThanGuardBars)
{
    auto code = MakeBarCode(bkJAN, QStringLiteral("4901234567894"), {0, 0, 327, 150}, 0, true);
    const QImage image = Paint(*code, 340, 160);
    const int th = TextHeightOf(*code);
    ASSERT_GT(th, 10);
    const int guardX = MulDiv(7, 327, 109) + 1; // inside the left guard's first bar
    const int guardBottom = 150 - (th / 2 + 2);
    EXPECT_TRUE(Dark(image, guardX, guardBottom - 1));
    EXPECT_FALSE(Dark(image, guardX, guardBottom));
    // The first data bar of digit 2 ("9", set A, "0001011": its bar starts at module 13).
    const int dataX = MulDiv(13, 327, 109) + 1;
    const int dataBottom = 150 - (th + 2);
    EXPECT_TRUE(Dark(image, dataX, dataBottom - 1));
    EXPECT_FALSE(Dark(image, dataX, dataBottom + 1));
    // The leading digit sits in the left quiet zone, below the bars' level.
    bool ink = false;
    for (int x = 0; x < MulDiv(7, 327, 109); ++x)
        for (int y = dataBottom; y < 150; ++y)
            ink = ink || Dark(image, x, y);
    EXPECT_TRUE(ink);
}

TEST(Geometry, FrameInsetsTheBarArea)
{
    auto code = MakeBarCode(bkCode39, QStringLiteral("A1"), {0, 0, 400, 120}, 0, false, true);
    const QImage image = Paint(*code, 420, 130);
    EXPECT_TRUE(Dark(image, 0, 60));
    EXPECT_TRUE(Dark(image, 2, 60));
    EXPECT_FALSE(Dark(image, 4, 60));
    EXPECT_TRUE(Dark(image, 399, 60));
    EXPECT_FALSE(Dark(image, 395, 60));
    // The start character's first bar begins 700 units into the grid of the inset area.
    const int units = (1000 + 600) * 4 + 1400;
    const int start = 10 + MulDiv(700, 380, units);
    EXPECT_FALSE(Dark(image, start - 1, 60));
    EXPECT_TRUE(Dark(image, start, 60));
    EXPECT_FALSE(Dark(image, start, 9));
    EXPECT_TRUE(Dark(image, start, 10));
    EXPECT_TRUE(Dark(image, start, 109));
    EXPECT_FALSE(Dark(image, start, 110));
}

TEST(Geometry, PrinterResolutionsPutEveryEdgeOnAWholePixel)
{
    for (const bool printing : {false, true}) {
        SetPrintOutput(printing);
        for (const int dpi : {300, 600, 1200}) {
            for (const int angle : {0, 90, 180, 270}) {
                auto code = MakeBarCode(bkCode128, QStringLiteral("ABCDE"), {3, 7, 403, 127}, angle, false);
                const QImage image = RenderBarCode(*code, dpi);
                // Only black and white: no bar edge is smeared over a pixel.
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x) {
                        const QRgb p = image.pixel(x, y);
                        ASSERT_TRUE(p == qRgb(0, 0, 0) || p == qRgb(255, 255, 255))
                            << dpi << " dpi, " << angle << " degrees, at " << x << "," << y;
                    }
                // One-module bars differ by at most one pixel from the module; printed
                // bars lose one unit less one pixel (the reduction), at most a quarter
                // of a module.
                const bool across = angle % 180 == 0;
                const int line = across ? image.height() / 2 : image.width() / 2;
                std::vector<int> bars;
                int run = 0;
                bool inBar = false;
                const int length = across ? image.width() : image.height();
                for (int i = 0; i < length; ++i) {
                    const bool dark = across ? Dark(image, i, line) : Dark(image, line, i);
                    if (dark)
                        ++run;
                    if (!dark && inBar) {
                        bars.push_back(run);
                        run = 0;
                    }
                    inBar = dark;
                }
                // Start, five characters and the check, three bars each; the stop four.
                ASSERT_EQ(bars.size(), size_t(7 * 3 + 4)) << dpi << " " << angle;
                const double module = 400.0 * dpi / 254 / (19 + 12 * 5 + 32); // 111 modules
                int reduction = 0;
                if (printing)
                    reduction = std::min(int(std::floor(dpi / 254.0 - 1 + 0.5)), int(std::floor(module)) / 4);
                const int narrowest = *std::min_element(bars.begin(), bars.end());
                EXPECT_GE(narrowest, int(std::floor(module)) - reduction)
                    << dpi << " " << angle << " " << printing;
                EXPECT_LE(narrowest, int(std::ceil(module)) - reduction)
                    << dpi << " " << angle << " " << printing;
                if (printing && dpi >= 600) {
                    EXPECT_GT(reduction, 0);
                }
            }
        }
    }
    SetPrintOutput(false);
}

TEST(Geometry, ScreenScalesKeepTheBarWidthsOfTheGrid)
{
    // At one pixel per unit the bars cover exactly their modules (no reduction).
    auto code = MakeBarCode(bkCode128, QStringLiteral("ABCDEF"), {0, 0, 369, 50}, 0, false);
    const QImage image = Paint(*code, 380, 60);
    // 369 units over 123 modules (19 + 6 x 12 + 32): 3 pixels a module. Start A "11010000100" from module 7.
    const char* start = "11010000100";
    for (int i = 0; i < 11; ++i)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(Dark(image, (7 + i) * 3 + x, 25), start[i] == '1') << i;
}

TEST(Geometry, SymbolsThatDrawNothing)
{
    const QColor grey(128, 128, 128);
    struct Case
    {
        int Kind;
        QString Code;
    };
    const Case cases[] = {
        {bkJAN, QStringLiteral("123456789012")},  // 12 digits set directly
        {bkJAN, QStringLiteral("49012345678a9")}, // a letter in 13 characters
        {bkJAN, QString()},
        {bkCode39, QStringLiteral("A*B")},
        {bkCode39, QString()},
        {bkCode128, QString()},
        {bkCode128, QStringLiteral("ＡＢ")}, // no single-byte form
        {3, QStringLiteral("1234567890128")},
        {-1, QStringLiteral("1234567890128")},
    };
    for (const Case& c : cases) {
        auto code = MakeBarCode(c.Kind, c.Code, {0, 0, 300, 100}, 0, true, true);
        const QImage image = Paint(*code, 300, 100, 1.0, grey);
        bool untouched = true;
        for (int y = 0; y < 100 && untouched; ++y)
            for (int x = 0; x < 300 && untouched; ++x)
                untouched = image.pixelColor(x, y) == grey;
        EXPECT_TRUE(untouched) << c.Kind << " " << c.Code.toStdString();
        EXPECT_TRUE(code->HitTest({150, 50})); // still selectable
    }
}

TEST(Geometry, QuarterTurnsTurnTheSymbolClockwise)
{
    auto code = MakeBarCode(bkJAN, QStringLiteral("4901234567894"), {0, 0, 327, 100}, 90, false);
    auto flat = MakeBarCode(bkJAN, QStringLiteral("4901234567894"), {0, 0, 327, 100}, 0, false);
    const QImage turned = RenderBarCode(*code, 254, 0);
    const QImage plain = RenderBarCode(*flat, 254, 0);
    ASSERT_EQ(turned.width(), plain.height());
    ASSERT_EQ(turned.height(), plain.width());
    // A clockwise quarter turn: the plain picture's (x, y) lands at (h - 1 - y, x).
    int differ = 0;
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            differ += Dark(plain, x, y) != Dark(turned, plain.height() - 1 - y, x);
    EXPECT_EQ(differ, 0);
}
