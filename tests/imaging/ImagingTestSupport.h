#pragma once
#include "imaging/USafetyBitmap.h"
#include "support/TestSupport.h"
#include <QByteArray>
#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <random>

namespace velmo::test {

// The pixels as straight RGBA bytes (what Pillow's tobytes gives for "RGBA").
inline QByteArray RgbaBytes(const QImage& image, TPixelFormat format)
{
    QImage rgb = ConvertPixels(image, format, TPixelFormat::pf24bit);
    QByteArray out;
    out.reserve(image.width() * image.height() * 4);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const uchar* p = rgb.constScanLine(y) + 3 * x;
            out.append(char(p[2]));
            out.append(char(p[1]));
            out.append(char(p[0]));
            out.append(image.format() == QImage::Format_ARGB32 ? char(qAlpha(image.pixel(x, y)))
                                                               : char(0xFF));
        }
    return out;
}

// A random 24-bit picture.
inline QImage RandomPicture(int width, int height, unsigned seed,
                            QImage::Format format = QImage::Format_BGR888)
{
    std::mt19937 rng(seed);
    QImage image(width, height, format);
    const int bpp = image.depth() / 8;
    for (int y = 0; y < height; ++y) {
        uchar* d = image.scanLine(y);
        for (int x = 0; x < width * bpp; ++x)
            d[x] = uchar(rng());
        if (format == QImage::Format_RGB32)
            for (int x = 0; x < width; ++x)
                d[4 * x + 3] = 0xFF;
    }
    return image;
}

inline QString Python()
{
    return QStringLiteral("/usr/bin/python3");
}

} // namespace velmo::test
