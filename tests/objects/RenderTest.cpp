// Renders one label site at 100 % on the screen, at 400 % and at 600 dpi into PNG
// files in the build folder, and checks that the three agree geometrically.
#include "LabelTestClasses.h"
#include "base/UNumbers.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "objects/UDOGroup.h"
#include "support/TestSupport.h"
#include <QDir>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

using namespace velmo;
using namespace velmo::test;

namespace {

// The first and last column in a row whose pixel has the colour.
std::pair<int, int> Span(const QImage& image, int y, QColor colour)
{
    int first = -1, last = -1;
    for (int x = 0; x < image.width(); ++x) {
        if (QColor(image.pixel(x, y)) == colour) {
            if (first < 0)
                first = x;
            last = x;
        }
    }
    return {first, last};
}

void BuildSite(TDrawSite& site)
{
    site.Scaler()->SetUnitDPI(254);
    site.SetLogWidth(900); // a 90 x 50 mm label
    site.SetLogHeight(500);
    site.SetColor(clWhite);
    auto* background = new TLORect(&site);
    background->SetBaseRect({0, 0, 900, 500});
    background->FillColor = QColor(230, 240, 255);
    background->SetLayerGroup(-100);
    background->SetSelectable(false);
    site.AddObject(background);
    auto* group = new TDOGroup(&site);
    auto* a = new TLORect;
    a->SetBaseRect({100, 100, 300, 200});
    a->FillColor = Qt::red;
    auto* b = new TLOCircle;
    b->SetBaseRect({350, 150, 450, 400});
    b->FillColor = Qt::blue;
    group->AddMember(a);
    group->AddMember(b);
    site.AddObject(group);
    auto* half = new TLORect(&site);
    half->SetBaseRect({550, 100, 800, 300});
    half->FillColor = Qt::black;
    half->SetBlendRatio(50);
    site.AddObject(half);
}

} // namespace

TEST(Render, ScreenZoomAndPrinterResolutionAgree)
{
    RegisterStandIns();
    TDrawSite site;
    BuildSite(site);
    const QString dir = BinaryDir();
    const int screenDpi = site.SiteDPI();

    const QImage screen = site.grab().toImage().convertToFormat(QImage::Format_RGB32);
    site.Scaler()->SetScale(400);
    const QImage zoomed = site.grab().toImage().convertToFormat(QImage::Format_RGB32);
    site.Scaler()->SetScale(100);

    // 600 dpi through DrawTo, as a printer band would be drawn.
    QImage printed(MulDiv(900, 600, 254) + 1, MulDiv(500, 600, 254) + 1, QImage::Format_RGB32);
    SetImageDPI(printed, 600);
    printed.fill(Qt::white);
    {
        QPainter p(&printed);
        site.DrawTo(p, {0, 0}, 100);
    }
    EXPECT_TRUE(screen.save(dir + QStringLiteral("/render-100.png")));
    EXPECT_TRUE(zoomed.save(dir + QStringLiteral("/render-400.png")));
    EXPECT_TRUE(printed.save(dir + QStringLiteral("/render-600dpi.png")));

    // The red rectangle runs from x 100 to 300 logical units at y 150.
    struct Case
    {
        const QImage* Image;
        int Dpi;
    };
    for (const Case& c : {Case{&screen, screenDpi}, Case{&zoomed, screenDpi * 4}, Case{&printed, 600}}) {
        const int y = MulDiv(150, c.Dpi, 254);
        const auto [first, last] = Span(*c.Image, y, Qt::red);
        const double left = first * 254.0 / c.Dpi;
        const double right = (last + 1) * 254.0 / c.Dpi;
        // One device pixel of tolerance, in logical units.
        const double tolerance = 254.0 / c.Dpi + 0.01;
        EXPECT_NEAR(left, 100, tolerance) << c.Dpi;
        EXPECT_NEAR(right, 300, tolerance) << c.Dpi;
        // The blue member from y 150 to 400 at x 400.
        int top = -1, bottom = -1;
        const int x = MulDiv(400, c.Dpi, 254);
        for (int yy = 0; yy < c.Image->height(); ++yy)
            if (QColor(c.Image->pixel(x, yy)) == QColor(Qt::blue)) {
                if (top < 0)
                    top = yy;
                bottom = yy;
            }
        EXPECT_NEAR(top * 254.0 / c.Dpi, 150, tolerance) << c.Dpi;
        EXPECT_NEAR((bottom + 1) * 254.0 / c.Dpi, 400, tolerance) << c.Dpi;
        // The half-transparent black over the light background.
        const QColor mixed(c.Image->pixel(MulDiv(700, c.Dpi, 254), MulDiv(200, c.Dpi, 254)));
        EXPECT_NEAR(mixed.red(), 115, 2) << c.Dpi;
    }
}
