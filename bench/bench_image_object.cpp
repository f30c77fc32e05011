// A label with a 12-megapixel photo drawn at 600 dpi (upright and turned), and the
// template list filled from a folder of 200 template files.
#include "base/UStream.h"
#include "document/ULabelData.h"
#include "document/UTemplateInfo.h"
#include "imaging/UColorSpec.h"
#include "imaging/USafetyBitmap.h"
#include "objects/ULDObjects.h"
#include "objects/ULOImage.h"
#include "paper/UPaperInfo.h"
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <memory>

using namespace velmo;

namespace {

QApplication& App()
{
    static int argc = 1;
    static char name[] = "bench_image_object";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(argc, argv);
    return app;
}

std::unique_ptr<TLOVelmoImage> Photo()
{
    App();
    QImage photo(4000, 3000, QImage::Format_RGB888);
    for (int y = 0; y < photo.height(); ++y) {
        uchar* row = photo.scanLine(y);
        for (int x = 0; x < photo.width(); ++x) {
            row[3 * x] = uchar(x * 255 / 4000);
            row[3 * x + 1] = uchar(y * 255 / 3000);
            row[3 * x + 2] = uchar((x ^ y) & 0xFF);
        }
    }
    auto bitmap = std::make_unique<TSafetyBitmap>();
    bitmap->SetImage(photo);
    TPictureEx picture;
    picture.SetGraphic(std::move(bitmap));
    auto image = std::make_unique<TLOVelmoImage>();
    image->ImageData()->SetPicture(&picture);
    image->SetBaseRect({0, 0, 900, 600}); // 90 x 60 mm
    return image;
}

void Render600(benchmark::State& state)
{
    std::unique_ptr<TLOVelmoImage> image = Photo();
    image->SetAngleValue(int(state.range(0)));
    QImage page(2126, 1417, QImage::Format_RGB32); // 90 x 60 mm at 600 dpi
    for (auto _ : state) {
        page.fill(Qt::white);
        QPainter p(&page);
        p.scale(600.0 / 254.0, 600.0 / 254.0);
        image->PaintBlended(p);
        benchmark::DoNotOptimize(page.constBits());
    }
}
BENCHMARK(Render600)->Arg(0)->Arg(30)->Unit(benchmark::kMillisecond);

void TemplateFolder200(benchmark::State& state)
{
    App();
    QTemporaryDir dir;
    {
        TLabelData data;
        auto paper = std::make_unique<TMatrixPaperInfo>();
        paper->SetPaperName(QStringLiteral("A4 12面"));
        paper->SetPortraitWidth(2100);
        paper->SetPortraitHeight(2970);
        paper->SetFaceCountX(2);
        paper->SetFaceCountY(6);
        paper->SetFaceWidth(900);
        paper->SetFaceHeight(400);
        paper->SetFacePurpose(QStringLiteral("ADDR"));
        data.SetPaper(paper.get());
        auto* back = new TLOBackImage;
        back->FitToFace({0, 0, 900, 400});
        back->FillColor()->SetColor(0x80C0FF);
        TDOList list;
        list.Add(back);
        data.WriteLabel(0, list);
        list.FreeObjects();
        data.Save(dir.filePath(QStringLiteral("t000.lbt")));
    }
    for (int i = 1; i < 200; ++i)
        QFile::copy(dir.filePath(QStringLiteral("t000.lbt")),
                    dir.filePath(QStringLiteral("t%1.lbt").arg(i, 3, 10, QLatin1Char('0'))));
    TTemplateFace face;
    face.Purpose = QStringLiteral("ADDR");
    face.Rect = {0, 0, 900, 400};
    for (auto _ : state) {
        TTemplateList list;
        list.FillFromFolder(dir.path(), face, false);
        benchmark::DoNotOptimize(list.Count());
    }
}
BENCHMARK(TemplateFolder200)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

// The picture and label classes, before any benchmark runs.
[[maybe_unused]] const bool kRegistered = [] {
    RegisterImagingGraphics();
    RegisterImageClasses();
    return true;
}();
