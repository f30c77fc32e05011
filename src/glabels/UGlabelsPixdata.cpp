#include "glabels/UGlabelsPixdata.h"

namespace velmo {

namespace {

quint32 BigEndian(const QByteArray& b, int at)
{
    const auto* p = reinterpret_cast<const uchar*>(b.constData() + at);
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | quint32(p[3]);
}

constexpr quint32 kMagic = 0x47646B50; // "GdkP"
constexpr int kHeader = 24;
constexpr quint32 kColourRgb = 0x01, kColourRgba = 0x02, kColourMask = 0xFF;
constexpr quint32 kSample8 = 0x01 << 16, kSampleMask = 0x0F << 16;
constexpr quint32 kEncodingRaw = 0x01 << 24, kEncodingRle = 0x02 << 24, kEncodingMask = 0x0F << 24;

QImage Refuse(QString* why, const QString& text)
{
    if (why)
        *why = text;
    return {};
}

} // namespace

QImage DecodeGdkPixdata(const QByteArray& bytes, QString* why, qint64 maxPixels)
{
    if (bytes.size() < kHeader || BigEndian(bytes, 0) != kMagic)
        return Refuse(why, QStringLiteral("GdkPixdataの画像ではありません"));
    const quint32 type = BigEndian(bytes, 8);
    const quint32 rowstride = BigEndian(bytes, 12);
    const quint32 width = BigEndian(bytes, 16), height = BigEndian(bytes, 20);
    const quint32 colour = type & kColourMask;
    if ((colour != kColourRgb && colour != kColourRgba) || (type & kSampleMask) != kSample8)
        return Refuse(
            why, QStringLiteral("対応していない画素の形式です（0x%1）").arg(type, 8, 16, QLatin1Char('0')));
    const int bpp = colour == kColourRgba ? 4 : 3;
    if (width == 0 || height == 0 || width > 1000000 || height > 1000000 ||
        qint64(width) * qint64(height) > maxPixels)
        return Refuse(why,
                      QStringLiteral("画像の大きさ %1 × %2 が範囲を超えています").arg(width).arg(height));
    const QByteArray data = bytes.mid(kHeader);
    QImage image(int(width), int(height), QImage::Format_ARGB32);
    if (image.isNull())
        return Refuse(why, QStringLiteral("%1 × %2 画素のメモリが足りません").arg(width).arg(height));
    const auto* src = reinterpret_cast<const uchar*>(data.constData());
    const qint64 n = data.size();
    auto put = [&image, bpp](qint64 index, const uchar* px) {
        const int x = int(index % image.width()), y = int(index / image.width());
        const int a = bpp == 4 ? px[3] : 255;
        reinterpret_cast<QRgb*>(image.scanLine(y))[x] = qRgba(px[0], px[1], px[2], a);
    };
    const qint64 total = qint64(width) * height;
    if ((type & kEncodingMask) == kEncodingRaw) {
        if (qint64(rowstride) < qint64(width) * bpp ||
            qint64(rowstride) * (height - 1) + qint64(width) * bpp > n)
            return Refuse(why, QStringLiteral("画素のデータが途中で切れています"));
        for (quint32 y = 0; y < height; ++y)
            for (quint32 x = 0; x < width; ++x)
                put(qint64(y) * width + x, src + qint64(y) * rowstride + qint64(x) * bpp);
    } else if ((type & kEncodingMask) == kEncodingRle) {
        qint64 at = 0, pixel = 0;
        while (pixel < total) {
            if (at >= n)
                return Refuse(why, QStringLiteral("画素のデータが途中で切れています"));
            const uchar count = src[at++];
            const int run = count & 0x7F;
            if (count & 0x80) {
                if (at + bpp > n)
                    return Refuse(why, QStringLiteral("画素のデータが途中で切れています"));
                for (int i = 0; i < run && pixel < total; ++i)
                    put(pixel++, src + at);
                at += bpp;
            } else {
                if (at + qint64(run) * bpp > n)
                    return Refuse(why, QStringLiteral("画素のデータが途中で切れています"));
                for (int i = 0; i < run && pixel < total; ++i, at += bpp)
                    put(pixel++, src + at);
            }
        }
    } else {
        return Refuse(why, QStringLiteral("不明な符号化です"));
    }
    return image;
}

} // namespace velmo
