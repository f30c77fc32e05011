#include "document/ULDPreview.h"
#include "base/UNumbers.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include <QCoreApplication>
#include <QPainter>
#include <QtEndian>
#include <algorithm>
#include <vector>

namespace velmo {

QSize PreviewSizeFor(int width, int height, int maxSide)
{
    if (width <= 0 || height <= 0 || maxSide <= 0)
        return {};
    if (width >= height)
        return {maxSide, std::max(1, MulDiv(maxSide, height, width))};
    return {std::max(1, MulDiv(maxSide, width, height)), maxSide};
}

QImage ResampleAverage(const QImage& source, QSize target)
{
    if (source.isNull() || target.isEmpty())
        return {};
    const QImage src = source.convertToFormat(QImage::Format_RGB32);
    const int sw = src.width(), sh = src.height();
    const int tw = target.width(), th = target.height();
    QImage result(target, QImage::Format_RGB888);
    // Source spans of each target column and row; a target pixel larger than one
    // source pixel (enlarging) takes the one it falls on.
    auto spans = [](int from, int to) {
        std::vector<std::pair<int, int>> r(static_cast<size_t>(to));
        for (int t = 0; t < to; ++t) {
            int a = int(int64_t(t) * from / to);
            int b = int(int64_t(t + 1) * from / to);
            if (b <= a)
                b = a + 1;
            r[size_t(t)] = {a, std::min(b, from)};
        }
        return r;
    };
    const auto xs = spans(sw, tw);
    const auto ys = spans(sh, th);
    for (int ty = 0; ty < th; ++ty) {
        uchar* out = result.scanLine(ty);
        for (int tx = 0; tx < tw; ++tx) {
            uint64_t r = 0, g = 0, b = 0, n = 0;
            for (int y = ys[size_t(ty)].first; y < ys[size_t(ty)].second; ++y) {
                const QRgb* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
                for (int x = xs[size_t(tx)].first; x < xs[size_t(tx)].second; ++x) {
                    r += qRed(line[x]);
                    g += qGreen(line[x]);
                    b += qBlue(line[x]);
                    ++n;
                }
            }
            out[tx * 3] = uchar((r + n / 2) / n);
            out[tx * 3 + 1] = uchar((g + n / 2) / n);
            out[tx * 3 + 2] = uchar((b + n / 2) / n);
        }
    }
    return result;
}

namespace {
void Put16(QByteArray& a, int at, uint16_t v)
{
    qToLittleEndian(v, a.data() + at);
}
void Put32(QByteArray& a, int at, uint32_t v)
{
    qToLittleEndian(v, a.data() + at);
}
} // namespace

QByteArray EncodeBmp24(const QImage& image)
{
    const QImage src = image.convertToFormat(QImage::Format_RGB888);
    const int w = src.width(), h = src.height();
    const int stride = (w * 3 + 3) & ~3;
    const int headerSize = 14 + 40;
    QByteArray bytes(headerSize + stride * h, '\0');
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes, 2, uint32_t(bytes.size()));
    Put32(bytes, 10, headerSize);
    Put32(bytes, 14, 40);
    Put32(bytes, 18, uint32_t(w));
    Put32(bytes, 22, uint32_t(h));
    Put16(bytes, 26, 1);
    Put16(bytes, 28, 24);
    Put32(bytes, 30, 0); // BI_RGB
    Put32(bytes, 34, uint32_t(stride * h));
    // 96 pixels per inch, as the screen the preview was made for.
    Put32(bytes, 38, 3780);
    Put32(bytes, 42, 3780);
    for (int y = 0; y < h; ++y) {
        const uchar* in = src.constScanLine(y);
        char* out = bytes.data() + headerSize + (h - 1 - y) * stride;
        for (int x = 0; x < w; ++x) {
            out[x * 3] = char(in[x * 3 + 2]);
            out[x * 3 + 1] = char(in[x * 3 + 1]);
            out[x * 3 + 2] = char(in[x * 3]);
        }
    }
    return bytes;
}

bool CanRenderPreviews()
{
    QCoreApplication* app = QCoreApplication::instance();
    return app && app->inherits("QApplication");
}

QImage RenderLabel(TDOList& objects, int logWidth, int logHeight)
{
    if (logWidth <= 0 || logHeight <= 0) {
        objects.FreeObjects();
        return {};
    }
    TDrawSite site;
    site.Scaler()->SetUnitDPI(254);
    site.SetLogWidth(logWidth);
    site.SetLogHeight(logHeight);
    site.SetColor(clWhite);
    for (TDrawObject* object : objects.Objects()) {
        site.InsertComponent(object);
        site.AddObject(object);
    }
    objects.Clear();

    const int longer = std::max(logWidth, logHeight);
    const int dpi = std::clamp(MulDiv(2 * kPreviewMaxSize, 254, longer), 48, 1200);
    const int w = std::max(1, MulDiv(logWidth, dpi, 254));
    const int h = std::max(1, MulDiv(logHeight, dpi, 254));
    QImage image(w, h, QImage::Format_RGB32);
    SetImageDPI(image, dpi);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        site.DrawTo(painter, QPoint(0, 0), 100);
    }
    return image;
}

QImage MakePreviewImage(TDOList& objects, int logWidth, int logHeight)
{
    const QImage rendered = RenderLabel(objects, logWidth, logHeight);
    if (rendered.isNull())
        return {};
    return ResampleAverage(rendered, PreviewSizeFor(logWidth, logHeight));
}

} // namespace velmo
