// Building the display picture of an image data from a 12-megapixel JPEG photo with
// trimming, a single-colour tint and a key colour, the way a label's picture is made
// before it is painted or printed; beside it what the cache saves and what the
// decoding alone costs.
#include "draw/UNotify.h"
#include "imaging/UImageData.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/USafetyJPEGImage.h"
#include <QImage>
#include <benchmark/benchmark.h>
#include <random>

using namespace velmo;

namespace {

QImage Photo(int w, int h)
{
    QImage image(w, h, QImage::Format_BGR888);
    std::mt19937 rng(1);
    for (int y = 0; y < h; ++y) {
        uchar* d = image.scanLine(y);
        for (int x = 0; x < w; ++x) {
            d[3 * x] = uchar((x * 255) / w + (rng() & 15));
            d[3 * x + 1] = uchar((y * 255) / h + (rng() & 15));
            d[3 * x + 2] = uchar(((x ^ y) & 64) ? 200 : 40);
        }
    }
    // A white ground round the subject, for the key colour to find.
    for (int y = 0; y < h / 8; ++y)
        memset(image.scanLine(y), 0xFF, size_t(w) * 3);
    return image;
}

const QByteArray& Jpeg12MP()
{
    static const QByteArray bytes = EncodeJPEG(Photo(4000, 3000), 90);
    return bytes;
}

std::unique_ptr<TAppJPEGImage> JpegGraphic()
{
    auto jpeg = std::make_unique<TAppJPEGImage>();
    jpeg->SetFileBytes(Jpeg12MP());
    return jpeg;
}

// Trimmed to a 3600 × 2400 area, sepia, white transparent.
void SetInputs(TImageData& data)
{
    data.ClipFilter()->SetClipRect({200, 300, 3800, 2700});
    data.MonotoneFilter()->SetRefColor(kSepiaRefColor);
    data.SetTransparentColor(clWhite);
}

// Rendering only: the JPEG was decoded when it arrived; each iteration changes the
// key colour so the display picture is built again.
void BuildDisplayPicture(benchmark::State& state)
{
    RegisterImagingGraphics();
    TImageData data;
    data.Picture()->SetGraphic(JpegGraphic());
    SetInputs(data);
    bool flip = false;
    for (auto _ : state) {
        data.SetTransparentColor(flip ? clWhite : TColor(0xFEFEFE));
        flip = !flip;
        benchmark::DoNotOptimize(data.DisplayPicture());
    }
    state.counters["renders"] = data.RenderCount();
    state.counters["Mpx/s"] =
        benchmark::Counter(3600.0 * 2400 / 1e6 * double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BuildDisplayPicture)->Unit(benchmark::kMillisecond)->MinTime(3);

// The same with every effect (blur 1 and brightness and contrast as well).
void BuildDisplayPictureAllEffects(benchmark::State& state)
{
    RegisterImagingGraphics();
    TImageData data;
    data.Picture()->SetGraphic(JpegGraphic());
    SetInputs(data);
    data.BlurFilter()->SetBlurCount(1);
    data.LightFilter()->SetBrightness(10);
    data.LightFilter()->SetContrast(10);
    bool flip = false;
    for (auto _ : state) {
        data.SetTransparentColor(flip ? clWhite : TColor(0xFEFEFE));
        flip = !flip;
        benchmark::DoNotOptimize(data.DisplayPicture());
    }
}
BENCHMARK(BuildDisplayPictureAllEffects)->Unit(benchmark::kMillisecond)->MinTime(3);

// A new picture each time: decoding on arrival plus rendering.
void LoadAndBuildDisplayPicture(benchmark::State& state)
{
    RegisterImagingGraphics();
    for (auto _ : state) {
        TImageData data;
        SetInputs(data);
        data.Picture()->SetGraphic(JpegGraphic());
        data.ClipFilter()->SetClipRect({200, 300, 3800, 2700});
        benchmark::DoNotOptimize(data.DisplayPicture());
    }
}
BENCHMARK(LoadAndBuildDisplayPicture)->Unit(benchmark::kMillisecond)->MinTime(3);

// What every paint after the first costs: the cached picture.
void CachedDisplayPicture(benchmark::State& state)
{
    RegisterImagingGraphics();
    TImageData data;
    data.Picture()->SetGraphic(JpegGraphic());
    SetInputs(data);
    data.DisplayPicture();
    for (auto _ : state)
        benchmark::DoNotOptimize(data.DisplayPicture());
    if (data.RenderCount() != 1)
        state.SkipWithError("the cache rendered again");
}
BENCHMARK(CachedDisplayPicture);

// A copy (undo, clipboard, printing copies) takes the display picture along.
void AssignImageData(benchmark::State& state)
{
    RegisterImagingGraphics();
    TImageData data;
    data.Picture()->SetGraphic(JpegGraphic());
    SetInputs(data);
    data.DisplayPicture();
    for (auto _ : state) {
        TImageData copy;
        copy.Assign(data);
        benchmark::DoNotOptimize(copy.DisplayPicture());
        if (copy.RenderCount() != 0)
            state.SkipWithError("the copy rendered");
    }
}
BENCHMARK(AssignImageData)->Unit(benchmark::kMillisecond);

} // namespace
