// Thumbnails of a folder of 2,000 JPEG photos of 12 megapixels through a folder
// pack, the image-load thread decoding at 1/8 scale, and an owner that takes one
// result per idle moment and makes a 100 × 100 thumbnail of it, as the picture
// browsers do. Reported: the time until the first 24 thumbnails (one screen) are
// there, the time until all are, and the longest the owner's thread was blocked by
// any one step (a request, a fetch with its thumbnail, a cancel).
//
// The photos are generated once into VELMO_BENCH_JPEGS (default
// /tmp/velmo-bench-jpegs) and kept there between runs: 16 distinct pictures of
// 4000 × 3000, each written 125 times with a different comment, so every file is
// its own and decodes as a full 12-megapixel JPEG.
#include "imaging/UImageData.h"
#include "imaging/UImageLoadThread.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureFormats.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <thread>

using namespace velmo;

namespace {

constexpr int kFiles = 2000;
constexpr int kDistinct = 16;
constexpr int kScreen = 24;
constexpr int kThumb = 100;

QString PhotoFolder()
{
    const QString env = qEnvironmentVariable("VELMO_BENCH_JPEGS");
    return env.isEmpty() ? QStringLiteral("/tmp/velmo-bench-jpegs") : env;
}

// A photo-like picture: smooth colour fields with texture, different per seed.
QImage MakePhoto(int seed)
{
    QImage image(4000, 3000, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient sky(0, 0, 0, 3000);
    sky.setColorAt(0, QColor::fromHsv((seed * 37) % 360, 120, 240));
    sky.setColorAt(1, QColor::fromHsv((seed * 37 + 120) % 360, 160, 120));
    painter.fillRect(image.rect(), sky);
    for (int i = 0; i < 60; ++i) {
        const int r = 80 + (i * 53 + seed * 17) % 500;
        painter.setBrush(
            QColor::fromHsv((seed * 29 + i * 41) % 360, 140 + i % 100, 100 + (i * 7) % 150, 160));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QPoint((i * 733 + seed * 97) % 4000, (i * 419 + seed * 61) % 3000), r, r * 2 / 3);
    }
    painter.end();
    // Fine texture, as photos have: JPEG must work for its bytes.
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int n = int(((x * 1103515245u + y * 12345u + unsigned(seed)) >> 16) & 7) - 4;
            const QRgb c = line[x];
            line[x] = qRgb(std::clamp(qRed(c) + n, 0, 255), std::clamp(qGreen(c) + n, 0, 255),
                           std::clamp(qBlue(c) + n, 0, 255));
        }
    }
    return image;
}

// The photo folder, made when it is not complete.
void PreparePhotos()
{
    const QDir dir(PhotoFolder());
    if (dir.exists() && dir.entryList({QStringLiteral("*.jpg")}, QDir::Files).size() == kFiles)
        return;
    QDir().mkpath(dir.path());
    for (int d = 0; d < kDistinct; ++d) {
        const QByteArray jpeg = EncodeJPEG(MakePhoto(d).convertToFormat(QImage::Format_BGR888), 85);
        for (int k = d; k < kFiles; k += kDistinct) {
            // A comment segment after SOI makes each file its own.
            const QByteArray comment = QStringLiteral("velmo bench photo %1").arg(k).toLatin1();
            QByteArray file = jpeg.left(2);
            file += char(0xFF);
            file += char(0xFE);
            const int length = int(comment.size()) + 2;
            file += char(length >> 8);
            file += char(length & 0xFF);
            file += comment;
            file += jpeg.mid(2);
            QFile out(dir.filePath(QStringLiteral("photo%1.jpg").arg(k, 4, 10, QChar(u'0'))));
            if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size())
                qFatal("cannot write the benchmark photos");
        }
    }
}

// What a browser does with a result: a thumbnail of s × s with the picture fitted.
void MakeThumbnail(const TPictureEx& picture, TPictureEx& thumbnail)
{
    QImage thumb(kThumb, kThumb, QImage::Format_RGB32);
    thumb.fill(Qt::white);
    const QImage source = picture.Graphic()->Image();
    if (!source.isNull()) {
        const QSize fitted = source.size().scaled(kThumb, kThumb, Qt::KeepAspectRatio);
        QPainter painter(&thumb);
        painter.drawImage(
            QRect(QPoint((kThumb - fitted.width()) / 2, (kThumb - fitted.height()) / 2), fitted), source);
    }
    auto bitmap = std::make_unique<TAppBitmap>();
    bitmap->SetImage(thumb.convertToFormat(QImage::Format_BGR888), TPixelFormat::pf24bit);
    thumbnail.SetGraphic(std::move(bitmap));
}

void BM_FolderThumbnails(benchmark::State& state)
{
    static int argc = 1;
    static char name[] = "bench_image_packs";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(argc, argv);
    RegisterImagingGraphics();
    RegisterPictureFormats();
    PreparePhotos();

    for (auto _ : state) {
        TFolderImagePack folder;
        // Decoded at 1/8 on the loading thread: 500 × 375 instead of 4000 × 3000.
        folder.OnFileLoad = [](TImagePack*, const QString& fileName, TPictureEx& picture) {
            TSafetyJPEGImage* jpeg = picture.EnsureJPEG();
            jpeg->SetScale(TJPEGScale::jsEighth);
            jpeg->SetPerformance(TJPEGPerformance::jpBestSpeed);
            jpeg->LoadFromFile(fileName);
            jpeg->DIBNeeded();
        };
        folder.SetFileMask(PhotoFolder() + QStringLiteral("/*.jpg"));
        if (folder.GetCount() != kFiles)
            state.SkipWithError("the photo folder is incomplete");
        TCustomImagePack thumbnails;
        thumbnails.SetCacheLimit(10485760 / (3 * kThumb * kThumb));
        thumbnails.OnGetCount = [&folder](TImagePack*, int& n) { n = folder.GetCount(); };

        TImageLoadThread thread;
        thread.SetSourcePack(&folder);
        double longest = 0;
        auto timed = [&longest](auto step) {
            QElapsedTimer t;
            t.start();
            step();
            longest = std::max(longest, double(t.nsecsElapsed()) / 1e6);
        };
        QElapsedTimer clock;
        clock.start();
        // One screen of the browser asks for its items as it paints them.
        for (int i = 0; i < kScreen; ++i)
            timed([&] { thread.Request(i); });
        int done = 0;
        double firstScreen = 0;
        bool restRequested = false;
        std::vector<bool> have(kFiles, false);
        TPictureEx result;
        while (done < kFiles) {
            int index = -1;
            timed([&] {
                index = thread.FetchResult(result);
                if (index >= 0) {
                    TPictureEx thumb;
                    MakeThumbnail(result, thumb);
                    thumbnails.StoreCachedPicture(thumb, index);
                }
            });
            if (index >= 0 && !have[size_t(index)]) {
                have[size_t(index)] = true;
                ++done;
            }
            if (done == kScreen && !restRequested) {
                firstScreen = double(clock.nsecsElapsed()) / 1e6;
                // Then the user scrolls through the rest, a screen at a time.
                restRequested = true;
                for (int i = kFiles - 1; i >= kScreen; --i)
                    timed([&] { thread.Request(i); });
            }
            if (index < 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1)); // idle until the next tick
        }
        const double all = double(clock.nsecsElapsed()) / 1e6;
        timed([&] { thread.Cancel(); });
        thread.Stop();
        state.counters["first24_ms"] = firstScreen;
        state.counters["all_ms"] = all;
        state.counters["owner_block_max_ms"] = longest;
        state.counters["thumbs_per_s"] = kFiles / (all / 1000.0);
        state.SetIterationTime(all / 1000.0);
    }
}

} // namespace

BENCHMARK(BM_FolderThumbnails)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
