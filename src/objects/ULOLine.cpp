#include "objects/ULOLine.h"
#include "base/UNumbers.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "draw/UPainterState.h"
#include "imaging/UColorSpec.h"
#include "imaging/UGREffector.h"
#include "imaging/USafetyBitmap.h"
#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>
#include <limits>

namespace velmo {

namespace {

// Rounded and held inside the coordinate range (with room for the sums the
// geometry makes of two coordinates).
int SaturatedRound(double value)
{
    constexpr double limit = std::numeric_limits<int>::max() / 2;
    return RoundHalfAway(std::clamp(value, -limit, limit));
}

} // namespace

namespace {

} // namespace

TLogRect PathBounds(const QPainterPath& path)
{
    if (path.isEmpty())
        return {};
    const QRectF r = path.boundingRect();
    return {int(std::floor(r.left())), int(std::floor(r.top())), int(std::ceil(r.right())),
            int(std::ceil(r.bottom()))};
}

// ---------------------------------------------------------------------------------
// TLOLine

TLOLine::TLOLine(TComponent* owner) : TLabelObject(owner), FLineColor(std::make_unique<TColorSpec>())
{
    FColorListener = std::make_unique<TListener>([this](TComponent*, const TGUID& kind) {
        if (kind == nkChanged)
            ColorChanged();
    });
    FColorListener->ListenTo(&FLineColor->Notify());
}

TLOLine::~TLOLine()
{
    FColorListener.reset();
}

const TPropertyTable& TLOLine::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("StartX", &TLOLine::StartX, &TLOLine::SetStartX)
                                            .Int("StartY", &TLOLine::StartY, &TLOLine::SetStartY)
                                            .Int("EndX", &TLOLine::EndX, &TLOLine::SetEndX)
                                            .Int("EndY", &TLOLine::EndY, &TLOLine::SetEndY)
                                            .Object("LineColor", &TLOLine::LineColor)
                                            .Int("LineWidth", &TLOLine::LineWidth, &TLOLine::SetLineWidth)
                                            .Int<TLOLine>(
                                                "Angle", [](const TLOLine& o) { return o.GetAngle(); },
                                                [](TLOLine& o, int64_t v) { o.SetAngle(int(v)); })
                                            .StoredIf(false);
    return table;
}

void* TLOLine::QueryInterface(const TGUID& iid)
{
    if (iid == IDORotate::IID)
        return static_cast<IDORotate*>(this);
    if (iid == IDOLine::IID)
        return static_cast<IDOLine*>(this);
    if (iid == IDOBaseRect::IID)
        return static_cast<IDOBaseRect*>(this);
    if (iid == IDOLineColor::IID)
        return static_cast<IDOLineColor*>(this);
    if (iid == IDODraw::IID)
        return static_cast<IDODraw*>(this);
    if (iid == IDOEncloseBounds::IID)
        return static_cast<IDOEncloseBounds*>(this);
    return TLabelObject::QueryInterface(iid);
}

void TLOLine::ColorChanged()
{
    Changed();
    Invalidate();
}

void TLOLine::SetLineColor(const TColorSpec& color)
{
    FLineColor->Assign(color);
}

void TLOLine::SetLineWidth(int value)
{
    if (value == FLineWidth)
        return;
    Invalidate();
    FLineWidth = value;
    GeometryChanged();
}

void TLOLine::GeometryChanged()
{
    UpdateCenter();
    UpdateBounds();
    Changed();
    Invalidate();
}

void TLOLine::UpdateCenter()
{
    FRotator.SetCenter(QPoint(Div(FStart.x() + FEnd.x() + 1, 2), Div(FStart.y() + FEnd.y() + 1, 2)));
}

int TLOLine::GetAngle() const
{
    if (FStart == FEnd)
        return 0;
    return RoundHalfAway(std::atan2(double(FEnd.y() - FStart.y()), double(FEnd.x() - FStart.x())) * 180.0 /
                         M_PI);
}

void TLOLine::SetAngle(int degrees)
{
    if (IsReading())
        return;
    const int delta = degrees - GetAngle();
    if (delta == 0)
        return;
    TRotator rotator(delta, FRotator.Center());
    const QPoint s = rotator.Transformed(FStart);
    const QPoint e = rotator.Transformed(FEnd);
    TUpdateBracket bracket(Notifier());
    SetStartPoint(s);
    SetEndPoint(e);
}

void TLOLine::SetStartPoint(QPoint point)
{
    if (point == FStart)
        return;
    Invalidate();
    FStart = point;
    GeometryChanged();
}

void TLOLine::SetEndPoint(QPoint point)
{
    if (point == FEnd)
        return;
    Invalidate();
    FEnd = point;
    GeometryChanged();
}

TLogRect TLOLine::GetBaseRect() const
{
    return NormalizedRect({FStart.x(), FStart.y(), FEnd.x(), FEnd.y()});
}

void TLOLine::MoveBy(int dx, int dy)
{
    TUpdateBracket bracket(Notifier());
    SetStartPoint(FStart + QPoint(dx, dy));
    SetEndPoint(FEnd + QPoint(dx, dy));
}

void TLOLine::SetEncloseSize(int width, int height)
{
    TUpdateBracket bracket(Notifier());
    if (FStart.x() < FEnd.x())
        SetEndX(FStart.x() + width - FLineWidth);
    else
        SetStartX(FEnd.x() + width - FLineWidth);
    if (FStart.y() < FEnd.y())
        SetEndY(FStart.y() + height - FLineWidth);
    else
        SetStartY(FEnd.y() + height - FLineWidth);
}

std::vector<QPoint> TLOLine::CenterLine() const
{
    return {FStart, FEnd};
}

QPainterPath TLOLine::CenterPath() const
{
    const std::vector<QPoint> points = CenterLine();
    QPainterPath path;
    if (points.empty())
        return path;
    path.moveTo(points.front());
    for (size_t i = 1; i < points.size(); ++i)
        path.lineTo(points[i]);
    return path;
}

QPainterPath TLOLine::WidenedPath(int width, Qt::PenCapStyle cap) const
{
    QPainterPathStroker stroker;
    stroker.setWidth(std::max(1, width));
    stroker.setCapStyle(cap);
    stroker.setJoinStyle(Qt::MiterJoin);
    QPainterPath center = CenterPath();
    if (FStart == FEnd && cap == Qt::RoundCap) {
        // A zero-length segment still shows its round dot.
        QPainterPath dot;
        const double r = std::max(1, width) / 2.0;
        dot.addEllipse(QPointF(FStart), r, r);
        return dot;
    }
    QPainterPath widened = stroker.createStroke(center);
    widened.setFillRule(Qt::WindingFill);
    return widened;
}

TLogRect TLOLine::GetEncloseRect() const
{
    const std::vector<QPoint> points = CenterLine();
    if (points.size() == 2) {
        // Round caps reach exactly half the width beyond the segment.
        const double half = std::max(1, FLineWidth) / 2.0;
        const TLogRect b = GetBaseRect();
        return {int(std::floor(b.Left - half)), int(std::floor(b.Top - half)), int(std::ceil(b.Right + half)),
                int(std::ceil(b.Bottom + half))};
    }
    return PathBounds(WidenedPath(FLineWidth, Qt::RoundCap));
}

void TLOLine::Paint(QPainter& painter)
{
    const TLogRect e = GetEncloseRect();
    painter.save();
    painter.setClipPath(WidenedPath(FLineWidth, Qt::RoundCap), Qt::IntersectClip);
    FLineColor->Fill(painter, ToQRect(e));
    painter.restore();
}

void TLOLine::PaintMask(QPainter& maskPainter)
{
    maskPainter.save();
    maskPainter.setPen(Qt::NoPen);
    maskPainter.setBrush(Qt::white);
    maskPainter.drawPath(WidenedPath(FLineWidth, Qt::RoundCap));
    maskPainter.restore();
}

bool TLOLine::HitTest(QPoint logical)
{
    THitBitmap hit(Site(), logical, FLineWidth);
    QPen pen = hit.Pen();
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    hit.Painter().setPen(pen);
    const std::vector<QPoint> points = CenterLine();
    if (points.size() == 2 && points[0] == points[1])
        hit.Painter().drawPoint(points[0]);
    else
        hit.Painter().drawPolyline(points.data(), int(points.size()));
    return hit.Hit();
}

void TLOLine::DrawGhost(QPainter& painter)
{
    const std::vector<QPoint> points = CenterLine();
    painter.drawPolyline(points.data(), int(points.size()));
}

void TLOLine::AssignDrawObject(const TDrawObject& source)
{
    TLabelObject::AssignDrawObject(source);
    if (const auto* other = dynamic_cast<const TLOLine*>(&source)) {
        FLineColor->Assign(*other->FLineColor);
        SetLineWidth(other->FLineWidth);
        SetStartPoint(other->FStart);
        SetEndPoint(other->FEnd);
    }
}

// ---------------------------------------------------------------------------------
// TLOCurve

TLOCurve::TLOCurve(TComponent* owner) : TLOLine(owner) {}

const TPropertyTable& TLOCurve::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Int("Bulge", &TLOCurve::Bulge, &TLOCurve::SetBulge);
    return table;
}

void* TLOCurve::QueryInterface(const TGUID& iid)
{
    if (iid == IDOCurve::IID)
        return static_cast<IDOCurve*>(this);
    if (iid == IDOLine::IID)
        return static_cast<IDOLine*>(static_cast<IDOCurve*>(this));
    return TLOLine::QueryInterface(iid);
}

void TLOCurve::SetBulge(int value)
{
    if (value == FBulge)
        return;
    Invalidate();
    FBulge = value;
    GeometryChanged();
}

QPoint TLOCurve::GetControlPoint() const
{
    const QPoint s = GetStartPoint(), e = GetEndPoint();
    const double b = std::clamp(FBulge, -kMaxBulge, kMaxBulge);
    const double dx = double(e.x()) - s.x(), dy = double(e.y()) - s.y();
    const double l = std::sqrt(dx * dx + dy * dy);
    if (l < 0.1)
        return s;
    return {SaturatedRound(s.x() + dx / 2 + dy * b / l), SaturatedRound(s.y() + dy / 2 - dx * b / l)};
}

void TLOCurve::CircleThrough(QPoint p1, QPoint p2, QPoint p3, QPoint& center, double& radius)
{
    const double ux = double(p2.x()) - p1.x(), uy = double(p2.y()) - p1.y();
    const double vx = double(p3.x()) - p1.x(), vy = double(p3.y()) - p1.y();
    const double det = ux * vy - uy * vx;
    if (std::abs(det) < 0.1) {
        center = QPoint(int((int64_t(p1.x()) + p2.x() + p3.x()) / 3),
                        int((int64_t(p1.y()) + p2.y() + p3.y()) / 3));
        radius = std::hypot(double(p2.x()) - center.x(), double(p2.y()) - center.y());
        return;
    }
    const double u2 = ux * ux + uy * uy, v2 = vx * vx + vy * vy;
    const double ox = 0.5 / det * (vy * u2 - uy * v2);
    const double oy = 0.5 / det * (ux * v2 - vx * u2);
    // Three points nearly in a line far apart put the centre beyond any coordinate.
    center = QPoint(SaturatedRound(p1.x() + ox), SaturatedRound(p1.y() + oy));
    radius = std::hypot(ox, oy);
}

int TLOCurve::BulgeFor(QPoint s, QPoint q, QPoint e)
{
    // In doubles throughout: points stored far apart differ by more than an int holds.
    const double sx = s.x(), sy = s.y(), qx = q.x(), qy = q.y(), ex0 = e.x(), ey0 = e.y();
    const double cross = (ex0 - sx) * (qy - sy) - (ey0 - sy) * (qx - sx);
    if (std::abs(cross) < 1e-9)
        return 0;
    QPoint c;
    double r = 0;
    CircleThrough(s, q, e, c, r);
    const double mx = (sx + ex0) / 2.0, my = (sy + ey0) / 2.0;
    double sagitta = r - std::hypot(c.x() - mx, c.y() - my);
    if (sagitta < -1)
        return 0;
    // Which side of the chord the centre and the control point lie on.
    const double ex = ex0 - sx, ey = ey0 - sy;
    const double sideC = ex * (c.y() - sy) - ey * (c.x() - sx);
    const double sideQ = ex * (qy - sy) - ey * (qx - sx);
    double value = sagitta;
    if ((sideC > 0) == (sideQ > 0) && sideC != 0)
        value = 2 * r - sagitta;
    // The turn S -> E -> Q: the bulge is positive for the turn GetControlPoint makes.
    const double turn = ex * (qy - ey0) - ey * (qx - ex0);
    if (turn > 0)
        value = -value;
    return SaturatedRound(value);
}

void TLOCurve::SetControlPoint(QPoint point)
{
    SetBulge(std::clamp(BulgeFor(GetStartPoint(), point, GetEndPoint()), -kMaxBulge, kMaxBulge));
    UpdateCenter();
}

std::vector<QPoint> TLOCurve::ArcPolyline(QPoint s, QPoint p, QPoint e)
{
    QPoint c;
    double r = 0;
    CircleThrough(s, p, e, c, r);
    const int bulge = std::abs(BulgeFor(s, p, e));
    std::vector<QPoint> points;
    if (bulge <= 20 || r >= 7999.5) {
        points.push_back(s);
        for (int i = 1; i <= 7; ++i) {
            const double t = i / 8.0;
            const double x =
                s.x() + t * (4.0 * p.x() - 3.0 * s.x() - e.x()) + 2 * t * t * (s.x() + e.x() - 2.0 * p.x());
            const double y =
                s.y() + t * (4.0 * p.y() - 3.0 * s.y() - e.y()) + 2 * t * t * (s.y() + e.y() - 2.0 * p.y());
            points.emplace_back(SaturatedRound(x), SaturatedRound(y));
        }
        points.push_back(e);
        return points;
    }
    auto angleOf = [&](QPoint q) {
        double a = std::atan2(double(q.y()) - c.y(), double(q.x()) - c.x());
        if (a < 0)
            a += 2 * M_PI;
        return a;
    };
    double a0 = angleOf(s);
    const double a1 = angleOf(e);
    if (a0 > a1)
        a0 -= 2 * M_PI;
    constexpr double kStep = 0.034906585;
    for (double a = a0; a <= a1 - kStep; a += kStep)
        points.emplace_back(c.x() + RoundHalfAway(r * std::cos(a)), c.y() + RoundHalfAway(r * std::sin(a)));
    points.push_back(e);
    return points;
}

std::vector<QPoint> TLOCurve::CenterLine() const
{
    const QPoint s = GetStartPoint(), e = GetEndPoint(), p = GetControlPoint();
    if (FBulge == 0 || s == e)
        return {s, e};
    return FBulge > 0 ? ArcPolyline(s, p, e) : ArcPolyline(e, p, s);
}

void TLOCurve::SetEncloseSize(int width, int height)
{
    const TLogRect e0 = GetEncloseRect();
    if (e0.Width() == 0 || e0.Height() == 0)
        return;
    // Ends stored far apart differ by more than an int holds.
    const auto scaled = [](int64_t span, int size, int old) {
        const double v = std::abs(std::round(double(span) * size / old));
        return int(std::min(v, double(std::numeric_limits<int>::max() / 2)));
    };
    const int rx = scaled(int64_t(StartX()) - EndX(), width, e0.Width());
    const int ry = scaled(int64_t(StartY()) - EndY(), height, e0.Height());
    TUpdateBracket bracket(Notifier());
    if (StartX() > EndX())
        SetStartX(EndX() + rx);
    else
        SetEndX(StartX() + rx);
    if (StartY() > EndY())
        SetStartY(EndY() + ry);
    else
        SetEndY(StartY() + ry);
}

void TLOCurve::UpdateCenter()
{
    const TLogRect e = GetEncloseRect();
    SetRotatorCenter(RectCenter(e));
}

void TLOCurve::AssignDrawObject(const TDrawObject& source)
{
    TLOLine::AssignDrawObject(source);
    if (const auto* other = dynamic_cast<const TLOCurve*>(&source))
        SetBulge(other->FBulge);
}

// ---------------------------------------------------------------------------------
// TLODecoLine

TLODecoLine::TLODecoLine(TComponent* owner) : TLOLine(owner), FImage(std::make_unique<TPicture>())
{
    FImage->OnChange = [this] {
        FCache = QImage();
        Changed();
        Invalidate();
    };
}

TLODecoLine::~TLODecoLine()
{
    FImage->OnChange = nullptr;
}

const TPropertyTable& TLODecoLine::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Object("Image", &TLODecoLine::Image, &TLODecoLine::SetImage);
    return table;
}

void TLODecoLine::SetImage(const TPicture* value)
{
    if (value)
        FImage->Assign(*value);
    else
        FImage->Clear();
}

void TLODecoLine::SetLineWidth(int value)
{
    TLOLine::SetLineWidth(std::max(1, value));
}

void TLODecoLine::GeometryChanged()
{
    FCache = QImage();
    TLOLine::GeometryChanged();
}

void TLODecoLine::FitToTile()
{
    const QImage tile = FImage->HasGraphic() ? FImage->Graphic()->Image() : QImage();
    if (tile.isNull())
        return;
    TUpdateBracket bracket(Notifier());
    SetStartPoint({0, 0});
    SetEndPoint({6 * MulDiv(tile.width(), 254, 180), 0});
    SetLineWidth(MulDiv(tile.height(), 254, 180));
}

std::vector<QPoint> TLODecoLine::Outline() const
{
    const QPainterPath widened = WidenedPath(LineWidth() + 4, Qt::FlatCap);
    // The flat-capped stroke of one segment is one quadrilateral.
    std::vector<QPoint> corners;
    const QPointF s = GetStartPoint(), e = GetEndPoint();
    const double dx = e.x() - s.x(), dy = e.y() - s.y();
    const double l = std::hypot(dx, dy);
    const double half = (LineWidth() + 4) / 2.0;
    if (l < 0.5) {
        const TLogRect b = PathBounds(widened);
        return {{b.Left, b.Top}, {b.Right, b.Top}, {b.Right, b.Bottom}, {b.Left, b.Bottom}};
    }
    const double nx = -dy / l * half, ny = dx / l * half;
    corners.emplace_back(RoundHalfAway(s.x() - nx), RoundHalfAway(s.y() - ny));
    corners.emplace_back(RoundHalfAway(e.x() - nx), RoundHalfAway(e.y() - ny));
    corners.emplace_back(RoundHalfAway(e.x() + nx), RoundHalfAway(e.y() + ny));
    corners.emplace_back(RoundHalfAway(s.x() + nx), RoundHalfAway(s.y() + ny));
    return corners;
}

int TLODecoLine::StripWidth() const
{
    // In doubles: ends stored far apart differ by more than an int holds.
    const double length = std::hypot(double(StartX()) - double(EndX()), double(StartY()) - double(EndY()));
    return RoundHalfAway(std::min(length, double(std::numeric_limits<int>::max() / 2)));
}

int TLODecoLine::TileCount() const
{
    const QImage tile = FImage->HasGraphic() ? FImage->Graphic()->Image() : QImage();
    if (tile.isNull() || tile.width() <= 0 || LineWidth() <= 0)
        return 0;
    const int stripWidth = StripWidth();
    return std::max<int64_t>(1, int64_t(stripWidth) * tile.height() / (int64_t(tile.width()) * LineWidth()));
}

void TLODecoLine::RenderCache()
{
    if (!FCache.isNull())
        return;
    const QImage tile = FImage->HasGraphic() ? FImage->Graphic()->Image() : QImage();
    if (tile.isNull())
        return;
    const int stripWidth = StripWidth();
    const int stripHeight = LineWidth();
    // A strip larger than a label could ever need is not made.
    if (stripWidth <= 0 || stripHeight <= 0 || int64_t(stripWidth) * stripHeight > 64LL * 1024 * 1024)
        return;
    QImage strip(stripWidth, stripHeight, QImage::Format_RGB32);
    strip.fill(QColor(240, 240, 240));
    const int n = TileCount();
    {
        QPainter p(&strip);
        p.setRenderHint(QPainter::SmoothPixmapTransform, true);
        for (int i = 1; i <= n; ++i) {
            const int x0 = MulDiv(stripWidth, i - 1, n), x1 = MulDiv(stripWidth, i, n);
            p.drawImage(QRect(x0, 0, x1 - x0, stripHeight), tile);
        }
    }
    const std::vector<QPoint> q = Outline();
    TSafetyBitmap source;
    source.SetImage(strip, TPixelFormat::pf32bit);
    QRect bounds;
    TSafetyBitmap mapped = MapQuad(source, QRect(0, 0, stripWidth, stripHeight), q[0], q[1], q[2], q[3],
                                   kTransparentColor, &bounds);
    FCache = mapped.Image();
    // bounds holds the points' extremes; the picture covers them inclusive.
    FCacheRect = {bounds.left(), bounds.top(), bounds.left() + FCache.width(),
                  bounds.top() + FCache.height()};
}

QImage TLODecoLine::RenderedImage(TLogRect* where)
{
    RenderCache();
    if (where)
        *where = FCacheRect;
    return FCache;
}

TLogRect TLODecoLine::GetEncloseRect() const
{
    return TLOLine::GetEncloseRect();
}

void TLODecoLine::Paint(QPainter& painter)
{
    RenderCache();
    if (FCache.isNull())
        return;
    // The tile's 240-grey is its transparent colour.
    QImage picture = FCache.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x)
            if ((row[x] & 0xFFFFFF) == 0xF0F0F0)
                row[x] = 0;
    }
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    DrawSharedImage(painter, QRectF(ToQRect(FCacheRect)), picture);
    painter.restore();
}

void TLODecoLine::PaintMask(QPainter& maskPainter)
{
    const std::vector<QPoint> q = Outline();
    maskPainter.save();
    maskPainter.setPen(Qt::NoPen);
    maskPainter.setBrush(Qt::white);
    maskPainter.drawPolygon(q.data(), int(q.size()));
    maskPainter.restore();
}

bool TLODecoLine::HitTest(QPoint logical)
{
    THitBitmap hit(Site(), logical, 0);
    const std::vector<QPoint> q = Outline();
    hit.Painter().setBrush(Qt::black);
    hit.Painter().drawPolygon(q.data(), int(q.size()));
    return hit.Hit();
}

void TLODecoLine::DrawGhost(QPainter& painter)
{
    const std::vector<QPoint> q = Outline();
    painter.drawPolygon(q.data(), int(q.size()));
}

void TLODecoLine::AssignDrawObject(const TDrawObject& source)
{
    TLOLine::AssignDrawObject(source);
    if (const auto* other = dynamic_cast<const TLODecoLine*>(&source))
        FImage->Assign(*other->FImage);
}

} // namespace velmo
