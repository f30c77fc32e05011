#pragma once
// Pictures gLabels 2.2 embedded in its projects: the GdkPixdata serialisation (a
// big-endian header "GdkP", total length, type, row stride, width, height, then the
// pixels raw or run-length encoded, 8-bit RGB or RGBA).
#include <QByteArray>
#include <QImage>
#include <QString>

namespace velmo {

// The picture, or a null image and the reason (a damaged header, pixels missing, a
// size beyond maxPixels).
QImage DecodeGdkPixdata(const QByteArray& bytes, QString* why, qint64 maxPixels);

} // namespace velmo
