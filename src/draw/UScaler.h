#pragma once
// The scaler maps logical units (0.1 mm on label sites) to the pixels of whatever
// device a site is drawn on, at a zoom percentage.
#include "base/UClasses.h"
#include "draw/UStroke.h"
#include <QPoint>
#include <functional>

class QPainter;
class QPaintDevice;

namespace velmo {

// Vertical pixels per inch of the device a painter draws on; a non-zero override
// (memory canvases rendering for another device) wins.
int CanvasDPI(const QPainter& painter, int overrideDpi = 0);
int DeviceDPI(const QPaintDevice* device);
// The screen's logical pixels per inch (96 when there is no screen).
int ScreenDPI();

// Persistent: Scale (percent, default 100) and UnitDPI (logical units per inch,
// always written).
class TScaler : public TPersistent
{
    VELMO_PERSISTENT(TScaler, TPersistent)
public:
    TScaler();

    int Scale() const { return FScale; }
    void SetScale(int percent);
    int UnitDPI() const { return FUnitDPI; }
    void SetUnitDPI(int unitsPerInch);
    // Copies Scale and UnitDPI and reports one change.
    void Assign(const TScaler& other);
    void Assign(const TPersistent& source) override;

    std::function<void()> OnChange;

    // Device resolution deviceDpi; each coordinate is mapped with MulDiv.
    QPoint ToDevice(int deviceDpi, QPoint logical) const;
    QPoint ToLogical(int deviceDpi, QPoint device) const;
    int ToDevice(int deviceDpi, int logical) const;
    int ToLogical(int deviceDpi, int device) const;
    // Rounds outward: left/top down, right/bottom up, correct for negative values.
    TLogRect RectToDevice(int deviceDpi, const TLogRect& logical) const;

    QPoint ToDevice(const QPainter& painter, QPoint logical) const;
    QPoint ToLogical(const QPainter& painter, QPoint device) const;
    TLogRect RectToDevice(const QPainter& painter, const TLogRect& logical) const;

    // Makes the painter draw in logical units: keeps the device position of the
    // current logical origin and scales by deviceDpi*Scale / (UnitDPI*100). With
    // deviceDpi 0 the painter's own resolution is used.
    void ApplyMapping(QPainter& painter, int deviceDpi = 0) const;

private:
    void Changed();
    int FScale = 100;
    int FUnitDPI;
};

} // namespace velmo
