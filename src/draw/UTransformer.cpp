#include "draw/UTransformer.h"
#include "base/UNumbers.h"
#include <cmath>

namespace velmo {

void TTransformer::TransformStroke(TStroke& stroke)
{
    for (int i = 0; i < stroke.Count(); ++i)
        TransformPoint(stroke.Point(i));
}

void TRotator::SetAngle(int angle)
{
    FAngle = angle;
    const long double radians = (long double)angle * 3.14159265358979323846264338327950288L / 180.0L;
    FCos = std::cos(radians);
    FSin = std::sin(radians);
}

void TRotator::TransformPoint(QPoint& point)
{
    const long double dx = point.x() - FCenter.x();
    const long double dy = point.y() - FCenter.y();
    point = QPoint(FCenter.x() + RoundHalfAway(dx * FCos - dy * FSin),
                   FCenter.y() + RoundHalfAway(dx * FSin + dy * FCos));
}

} // namespace velmo
