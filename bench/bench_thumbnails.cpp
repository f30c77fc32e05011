// Thumbnails as the picture browsers make them on the image-load thread: a
// 12-megapixel photo (decoded at a quarter, 256 colours), a small photo, a bitmap, and
// the box filter alone.
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include "pictures/UPictureCollections.h"
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace velmo;

namespace {

QImage Photo(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB888);
    for (int y = 0; y < h; ++y) {
        uchar* row = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = uchar(x * 255 / w);
            row[3 * x + 1] = uchar(y * 255 / h);
            row[3 * x + 2] = uchar((x ^ y) & 0xFF);
        }
    }
    return image;
}

QString Write(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile f(dir.filePath(name));
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return f.fileName();
}

void BM_ThumbnailOf12MegapixelJpeg(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString file = Write(dir, QStringLiteral("big.jpg"), EncodeJPEG(Photo(4000, 3000), 90));
    for (auto _ : state)
        benchmark::DoNotOptimize(MakeFileThumbnail(file, 100, clNone, clWhite));
}
BENCHMARK(BM_ThumbnailOf12MegapixelJpeg)->Unit(benchmark::kMillisecond);

void BM_ThumbnailOfSmallJpeg(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString file = Write(dir, QStringLiteral("small.jpg"), EncodeJPEG(Photo(320, 240), 85));
    for (auto _ : state)
        benchmark::DoNotOptimize(MakeFileThumbnail(file, 100, clNone, clWhite));
}
BENCHMARK(BM_ThumbnailOfSmallJpeg)->Unit(benchmark::kMicrosecond);

void BM_ThumbnailOfIllustrationBitmap(benchmark::State& state)
{
    RegisterImagingGraphics();
    RegisterPictureFormats();
    QTemporaryDir dir;
    TSafetyBitmap bitmap;
    bitmap.SetImage(Photo(136, 128));
    bitmap.SaveToFile(dir.filePath(QStringLiteral("illust.bmp")));
    const QString file = dir.filePath(QStringLiteral("illust.bmp"));
    for (auto _ : state)
        benchmark::DoNotOptimize(MakeFileThumbnail(file, 100, 0xF0F0F0, 0xE6E6E6));
}
BENCHMARK(BM_ThumbnailOfIllustrationBitmap)->Unit(benchmark::kMicrosecond);

void BM_BoxFilter12Megapixels(benchmark::State& state)
{
    const QImage image = Photo(4000, 3000);
    for (auto _ : state)
        benchmark::DoNotOptimize(MakeThumbnail(image, 100, clNone, clWhite));
}
BENCHMARK(BM_BoxFilter12Megapixels)->Unit(benchmark::kMillisecond);

} // namespace
