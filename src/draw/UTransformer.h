#pragma once
// Point transformers: move single points or whole paths, in place.
#include "draw/UStroke.h"

namespace velmo {

class TTransformer
{
public:
    virtual ~TTransformer() = default;
    // Applies TransformPoint to every point of the stroke, in order.
    virtual void TransformStroke(TStroke& stroke);
    virtual void TransformPoint(QPoint& point) = 0;
};

// Turns points about a centre; positive angles turn clockwise on the page since y
// grows downwards.
class TRotator : public TTransformer
{
public:
    TRotator() = default;
    TRotator(int angle, QPoint center) : FCenter(center) { SetAngle(angle); }

    int Angle() const { return FAngle; }
    void SetAngle(int angle);
    QPoint Center() const { return FCenter; }
    void SetCenter(QPoint center) { FCenter = center; }

    void TransformPoint(QPoint& point) override;
    QPoint Transformed(QPoint point)
    {
        TransformPoint(point);
        return point;
    }

private:
    int FAngle = 0;
    QPoint FCenter;
    // long double keeps the extra precision the rounding was tuned with.
    long double FCos = 1.0L;
    long double FSin = 0.0L;
};

} // namespace velmo
