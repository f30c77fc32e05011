#include "draw/UScaler.h"
#include "base/UNumbers.h"
#include <QFont>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QScreen>
#include <cmath>
#include <numeric>

namespace velmo {

int ScreenDPI()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        return std::max(1, int(std::lround(screen->logicalDotsPerInchY())));
    return 96;
}

int DeviceDPI(const QPaintDevice* device)
{
    if (!device)
        return ScreenDPI();
    const int dpi = device->logicalDpiY();
    return dpi > 0 ? dpi : ScreenDPI();
}

int CanvasDPI(const QPainter& painter, int overrideDpi)
{
    if (overrideDpi > 0)
        return overrideDpi;
    return DeviceDPI(painter.device());
}

TScaler::TScaler() : FUnitDPI(ScreenDPI()) {}

const TPropertyTable& TScaler::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("Scale", &TScaler::Scale, &TScaler::SetScale)
                                            .Default(100)
                                            .Int("UnitDPI", &TScaler::UnitDPI, &TScaler::SetUnitDPI);
    return table;
}

void TScaler::Assign(const TPersistent& source)
{
    if (const auto* other = dynamic_cast<const TScaler*>(&source)) {
        Assign(*other);
        return;
    }
    inherited::Assign(source);
}

void TScaler::SetScale(int percent)
{
    if (percent == FScale)
        return;
    FScale = percent;
    Changed();
}

void TScaler::SetUnitDPI(int unitsPerInch)
{
    if (unitsPerInch == FUnitDPI)
        return;
    FUnitDPI = unitsPerInch;
    Changed();
}

void TScaler::Assign(const TScaler& other)
{
    if (&other == this) {
        Changed();
        return;
    }
    FScale = other.FScale;
    FUnitDPI = other.FUnitDPI;
    Changed();
}

void TScaler::Changed()
{
    if (OnChange)
        OnChange();
}

int TScaler::ToDevice(int deviceDpi, int logical) const
{
    return MulDiv(logical, deviceDpi * FScale, FUnitDPI * 100);
}

int TScaler::ToLogical(int deviceDpi, int device) const
{
    return MulDiv(device, FUnitDPI * 100, deviceDpi * FScale);
}

QPoint TScaler::ToDevice(int deviceDpi, QPoint logical) const
{
    return {ToDevice(deviceDpi, logical.x()), ToDevice(deviceDpi, logical.y())};
}

QPoint TScaler::ToLogical(int deviceDpi, QPoint device) const
{
    return {ToLogical(deviceDpi, device.x()), ToLogical(deviceDpi, device.y())};
}

namespace {
// Floor and ceiling divisions with a 64-bit intermediate: the outward rounding must
// also hold for coordinates left of or above the origin.
int FloorDiv(int64_t n, int64_t d)
{
    int64_t q = n / d;
    if ((n % d != 0) && ((n < 0) != (d < 0)))
        --q;
    return Wrap32(q);
}
int CeilDiv(int64_t n, int64_t d)
{
    int64_t q = n / d;
    if ((n % d != 0) && ((n < 0) == (d < 0)))
        ++q;
    return Wrap32(q);
}
} // namespace

TLogRect TScaler::RectToDevice(int deviceDpi, const TLogRect& r) const
{
    const int64_t a = int64_t(deviceDpi) * FScale;
    const int64_t b = int64_t(FUnitDPI) * 100;
    if (b == 0)
        return {};
    return {FloorDiv(a * r.Left, b), FloorDiv(a * r.Top, b), CeilDiv(a * r.Right, b),
            CeilDiv(a * r.Bottom, b)};
}

QPoint TScaler::ToDevice(const QPainter& painter, QPoint logical) const
{
    return ToDevice(CanvasDPI(painter), logical);
}

QPoint TScaler::ToLogical(const QPainter& painter, QPoint device) const
{
    return ToLogical(CanvasDPI(painter), device);
}

TLogRect TScaler::RectToDevice(const QPainter& painter, const TLogRect& logical) const
{
    return RectToDevice(CanvasDPI(painter), logical);
}

void TScaler::ApplyMapping(QPainter& painter, int deviceDpi) const
{
    const int d = deviceDpi > 0 ? deviceDpi : CanvasDPI(painter);
    const QTransform current = painter.worldTransform();
    const QPointF origin = current.map(QPointF(0, 0)); // device position of the logical origin
    const int64_t num = int64_t(d) * FScale;
    const int64_t den = int64_t(FUnitDPI) * 100;
    const int64_t g = std::gcd(num, den);
    const double factor = (g == 0 || den == 0) ? 1.0 : double(num / g) / double(den / g);
    painter.setWorldTransform(QTransform(factor, 0, 0, factor, origin.x(), origin.y()));
    // A font sized in points would be turned into pixels at the device's resolution
    // and then scaled again by the mapping. Sized in logical units instead, a point
    // means the same physical size at every zoom and on every device. A font already
    // sized in pixels (an earlier mapping did this) stays as it is.
    QFont font = painter.font();
    if (font.pointSizeF() > 0 && FUnitDPI > 0) {
        font.setPixelSize(std::max(1, int(std::lround(font.pointSizeF() * FUnitDPI / 72.0))));
        painter.setFont(font);
    }
}

} // namespace velmo
