// Picture work at label sizes: JPEG decoding of a 12-megapixel photo, the effects on
// a 3000 × 2000 picture, resampling to 600 dpi for a 90 × 55 mm label, and rotation by
// 30°, each beside the libjpeg-turbo or Qt equivalent in the same run.
#include "imaging/UGREffector.h"
#include "imaging/USafetyJPEGImage.h"
#include <QImage>
#include <QTransform>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <jpeglib.h>
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
    return image;
}

const QByteArray& Jpeg12MP()
{
    static const QByteArray bytes = EncodeJPEG(Photo(4000, 3000), 90);
    return bytes;
}

const QImage& Picture3000()
{
    static const QImage image = Photo(3000, 2000);
    return image;
}

void DecodeOurs(benchmark::State& state)
{
    TJPEGDecodeOptions o;
    o.ScaleDenominator = int(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeJPEG(Jpeg12MP(), o));
}
BENCHMARK(DecodeOurs)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

// libjpeg-turbo with nothing around it, the floor for DecodeOurs.
void DecodeLibjpeg(benchmark::State& state)
{
    std::vector<uint8_t> row(4000 * 3);
    for (auto _ : state) {
        jpeg_decompress_struct info;
        jpeg_error_mgr err;
        info.err = jpeg_std_error(&err);
        jpeg_create_decompress(&info);
        jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(Jpeg12MP().constData()),
                     Jpeg12MP().size());
        jpeg_read_header(&info, TRUE);
        info.scale_num = 1;
        info.scale_denom = unsigned(state.range(0));
        info.out_color_space = JCS_EXT_BGR;
        jpeg_start_decompress(&info);
        while (info.output_scanline < info.output_height) {
            JSAMPROW r = row.data();
            jpeg_read_scanlines(&info, &r, 1);
        }
        jpeg_finish_decompress(&info);
        jpeg_destroy_decompress(&info);
    }
}
BENCHMARK(DecodeLibjpeg)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

void Effect(benchmark::State& state, TGREffector& e)
{
    QImage target;
    e.SetSource(&Picture3000());
    e.SetTarget(&target);
    for (auto _ : state) {
        e.Execute();
        benchmark::DoNotOptimize(target.constBits());
    }
    state.SetItemsProcessed(state.iterations() * 3000 * 2000);
}

void Blur(benchmark::State& state)
{
    TGREffectBlur e(int(state.range(0)));
    Effect(state, e);
}
BENCHMARK(Blur)->Arg(1)->Arg(5)->Unit(benchmark::kMillisecond);

void UnsharpMask(benchmark::State& state)
{
    TGREffectUnsharpMask e(1);
    Effect(state, e);
}
BENCHMARK(UnsharpMask)->Unit(benchmark::kMillisecond);

void Tint(benchmark::State& state)
{
    TGREffectMonoTone e(0x6680A0);
    Effect(state, e);
}
BENCHMARK(Tint)->Unit(benchmark::kMillisecond);

void BrightnessContrast(benchmark::State& state)
{
    TGREffectBrightnessContrast e(20, 30);
    Effect(state, e);
}
BENCHMARK(BrightnessContrast)->Unit(benchmark::kMillisecond);

// 90 × 55 mm at 600 dpi.
constexpr int kLabelW = 2126, kLabelH = 1299;

void Resample(benchmark::State& state)
{
    for (auto _ : state) {
        QImage target(kLabelW, kLabelH, QImage::Format_BGR888);
        SmoothResample(target, Picture3000());
        benchmark::DoNotOptimize(target.constBits());
    }
}
BENCHMARK(Resample)->Unit(benchmark::kMillisecond);

void QtScaled(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(
            Picture3000().scaled(kLabelW, kLabelH, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}
BENCHMARK(QtScaled)->Unit(benchmark::kMillisecond);

void Rotate30(benchmark::State& state)
{
    TSafetyBitmap source;
    source.SetImage(Picture3000());
    for (auto _ : state) {
        TSafetyBitmap target;
        RotateBitmap(source, target, 30, QSize(3000, 2000));
        benchmark::DoNotOptimize(target.Pixels().constBits());
    }
}
BENCHMARK(Rotate30)->Unit(benchmark::kMillisecond);

void QtTransformed30(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(Picture3000().transformed(QTransform().rotate(30), Qt::FastTransformation));
}
BENCHMARK(QtTransformed30)->Unit(benchmark::kMillisecond);

} // namespace
