#include "draw/FRuler.h"
#include "base/UNumbers.h"
#include "draw/UCanvas.h"
#include "draw/UScaler.h"
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <limits>

namespace velmo {

TRuler::TRuler(QWidget* parent) : QWidget(parent)
{
    resize(32, 32);
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont f = font();
    f.setPixelSize(9);
    setFont(f);
}

#define VELMO_RULER_SETTER(Name, Field, Type)                                                                \
    void TRuler::Set##Name(Type value)                                                                       \
    {                                                                                                        \
        if (value == Field)                                                                                  \
            return;                                                                                          \
        Field = value;                                                                                       \
        Changed();                                                                                           \
    }
VELMO_RULER_SETTER(Scale, FScale, int)
VELMO_RULER_SETTER(Kind, FKind, TRulerKind)
VELMO_RULER_SETTER(RulerOffset, FRulerOffset, int)
VELMO_RULER_SETTER(RulerLength, FRulerLength, int)
VELMO_RULER_SETTER(Color, FColor, TColor)
#undef VELMO_RULER_SETTER

void TRuler::SetEndColor(TColor value)
{
    if (value == FEndColor)
        return;
    FEndColor = value;
    FGradient = QImage(); // made again from the new colour
    Changed();
}

void TRuler::SetMarker(int position)
{
    if (position == FMarker)
        return;
    FMarker = position;
    update();
}

void TRuler::Changed()
{
    update();
}

std::vector<TRuler::TTick> TRuler::Ticks(int deviceDpi, const QFontMetrics& metrics) const
{
    std::vector<TTick> ticks;
    TScaler scaler;
    scaler.SetScale(FScale);
    scaler.SetUnitDPI(254);
    const bool horizontal = FKind == TRulerKind::rkHorizontal;
    const int h = horizontal ? height() : width();
    const int end = scaler.ToDevice(deviceDpi, FRulerLength * 10);
    const int t =
        FPrintNum ? (horizontal ? metrics.height() : metrics.horizontalAdvance(QStringLiteral("99"))) : 0;
    const int s5 = h - MulDiv(h - t, FPercentage5, 100);
    const int s1 = h - MulDiv(h - t, FPercentage1, 100);
    const int step = scaler.ToDevice(deviceDpi, 10) <= 2 ? 2 : 1;
    // At small zooms ten millimetres are narrower than "100": a number that would
    // run into the one before it is left out, so that those shown stay readable.
    // The numbers keep an even rhythm (every 10, 20, 50 or 100 mm), the smallest whose
    // spacing holds the widest number.
    const int gap = std::max(2, metrics.horizontalAdvance(QLatin1Char(' ')) / 2);
    const int widest = metrics.horizontalAdvance(QString::number(std::max(0, FRulerLength))) + gap;
    int numberEvery = 10;
    for (int every : {10, 20, 50, 100, 200, 500, 1000}) {
        numberEvery = every;
        if (scaler.ToDevice(deviceDpi, every * 10) >= widest)
            break;
    }
    int numbersEnd = std::numeric_limits<int>::min();
    for (int m = 0;; m += step) {
        const int p = scaler.ToDevice(deviceDpi, m * 10);
        if (p >= end)
            break;
        TTick tick{m, p, s1, false};
        if (m % 10 == 0) {
            tick.Start = t;
            if (FPrintNum) {
                const int w = metrics.horizontalAdvance(QString::number(m));
                // Both kinds centre the text on the mark; only the rounding differs.
                const int first = horizontal ? p - w / 2 : p + w / 2 - w;
                tick.Number = m % numberEvery == 0 && first > 0 && first + w < end && first >= numbersEnd;
                if (tick.Number)
                    numbersEnd = first + w + gap;
            }
        } else if (m % 5 == 0) {
            tick.Start = s5;
        }
        ticks.push_back(tick);
    }
    return ticks;
}

void TRuler::PaintRuler(QPainter& painter, int deviceDpi)
{
    const bool horizontal = FKind == TRulerKind::rkHorizontal;
    painter.save();
    painter.setFont(font());
    const QRect client = rect();
    if (FColor == FEndColor) {
        painter.fillRect(client, ToQColor(FColor));
    } else {
        if (FGradient.isNull()) {
            FGradient = QImage(256, 256, QImage::Format_RGB888);
            const QColor first = ToQColor(FColor), second = ToQColor(FEndColor);
            for (int n = 0; n < 256; ++n) {
                const QColor c(first.red() + MulDiv(second.red() - first.red(), n, 256),
                               first.green() + MulDiv(second.green() - first.green(), n, 256),
                               first.blue() + MulDiv(second.blue() - first.blue(), n, 256));
                for (int k = 0; k < 256; ++k)
                    FGradient.setPixelColor(horizontal ? n : k, horizontal ? k : n, c);
            }
        }
        painter.drawImage(client, FGradient);
    }
    const int h = horizontal ? height() : width();
    TScaler scaler;
    scaler.SetScale(FScale);
    scaler.SetUnitDPI(254);
    const int end = scaler.ToDevice(deviceDpi, FRulerLength * 10);
    const QFontMetrics metrics(font(), painter.device());
    auto line = [&](int q, int start, int width) {
        painter.setPen(QPen(Qt::black, width, Qt::SolidLine, Qt::FlatCap));
        q += FRulerOffset;
        if (horizontal)
            painter.drawLine(q, start, q, h);
        else
            painter.drawLine(start, q, h, q);
    };
    line(0, 0, 1);
    line(end, 0, 1);
    for (const TTick& tick : Ticks(deviceDpi, metrics)) {
        line(tick.Position, tick.Start, tick.Millimetre % 10 == 0 ? 3 : 1);
        if (!tick.Number)
            continue;
        const QString text = QString::number(tick.Millimetre);
        const int w = metrics.horizontalAdvance(text);
        painter.setPen(Qt::black);
        if (horizontal) {
            painter.drawText(FRulerOffset + tick.Position - w / 2, metrics.ascent(), text);
        } else {
            // Turned text running upwards, its baseline at the ruler's left edge.
            painter.save();
            painter.translate(metrics.ascent(), FRulerOffset + tick.Position + w / 2);
            painter.rotate(-90);
            painter.drawText(0, 0, text);
            painter.restore();
        }
    }
    if (FMarker >= 0) {
        painter.setPen(QPen(Qt::red, 1));
        if (horizontal)
            painter.drawLine(FMarker, 0, FMarker, h);
        else
            painter.drawLine(0, FMarker, h, FMarker);
    }
    painter.restore();
}

void TRuler::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    PaintRuler(painter, DeviceDPI(this));
}

void TRuler::mousePressEvent(QMouseEvent* event)
{
    if (OnMouseDown)
        OnMouseDown(this, event->button(), event->position().toPoint());
    event->accept();
}

} // namespace velmo
