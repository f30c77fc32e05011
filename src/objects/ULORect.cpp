#include "objects/ULORect.h"
#include "base/UClassesFiler.h"
#include "base/UNumbers.h"
#include "draw/FDrawSite.h"
#include "draw/UCanvas.h"
#include "imaging/UColorSpec.h"
#include "objects/ULOLine.h"
#include <QPainterPathStroker>
#include <algorithm>

namespace velmo {

TLORect::TLORect(TComponent* owner)
    : TLORectBase(owner), FFrameColor(std::make_unique<TColorSpec>()),
      FFillColor(std::make_unique<TColorSpec>())
{
    FFillColor->SetColor(clWhite);
    FColorListener = std::make_unique<TListener>([this](TComponent*, const TGUID& kind) {
        if (kind == nkChanged)
            ColorChanged();
    });
    FColorListener->ListenTo(&FFrameColor->Notify());
    FColorListener->ListenTo(&FFillColor->Notify());
}

TLORect::~TLORect()
{
    FColorListener.reset();
}

const TPropertyTable& TLORect::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("FrameWidth", &TLORect::FrameWidth, &TLORect::SetFrameWidth)
            .Object("FrameColor", &TLORect::FrameColor)
            .Object("FillColor", &TLORect::FillColor)
            .Bool("FillInside", &TLORect::FillInside, &TLORect::SetFillInside)
            .Int("Angle", &TLORect::Angle, &TLORect::SetAngleValue)
            .Bool("RoundRect", &TLORect::RoundRect, &TLORect::SetRoundRect)
            .ReadOnlyCustom("Round", &TLORect::ReadRound); // older files; never written
    return table;
}

void* TLORect::QueryInterface(const TGUID& iid)
{
    if (iid == IDOFillColor::IID)
        return static_cast<IDOFillColor*>(this);
    if (iid == IDOLineColor::IID)
        return static_cast<IDOLineColor*>(this);
    if (iid == IDORotate::IID)
        return static_cast<IDORotate*>(this);
    return TLORectBase::QueryInterface(iid);
}

void TLORect::ReadRound(TReader& reader)
{
    SetRoundRect(reader.ReadBoolean());
}

void TLORect::ColorChanged()
{
    Changed();
    Invalidate();
}

void TLORect::ShapeChanged()
{
    FOutline.Clear();
    UpdateBounds();
    Changed();
    Invalidate();
}

void TLORect::SetFrameWidth(int value)
{
    if (value == FFrameWidth)
        return;
    Invalidate();
    FFrameWidth = value;
    ShapeChanged();
}

void TLORect::SetFillInside(bool value)
{
    if (value == FFillInside)
        return;
    FFillInside = value;
    Changed();
    Invalidate();
}

void TLORect::SetAngleValue(int value)
{
    if (value == FRotator.Angle())
        return;
    Invalidate();
    FRotator.SetAngle(value);
    ShapeChanged();
}

void TLORect::SetRoundRect(bool value)
{
    if (value == FRoundRect)
        return;
    Invalidate();
    FRoundRect = value;
    ShapeChanged();
}

void TLORect::SetFillColor(const TColorSpec& color)
{
    FFillColor->Assign(color);
}

void TLORect::SetLineColor(const TColorSpec& color)
{
    FFrameColor->Assign(color);
}

void TLORect::SetBaseRect(const TLogRect& rect)
{
    const TLogRect r = NormalizedRect(rect);
    FRotator.SetCenter(RectCenter(r));
    if (r == BaseRect())
        return;
    FOutline.Clear();
    TLORectBase::SetBaseRect(r);
}

void TLORect::BuildOutline(TStroke& stroke) const
{
    const TLogRect& r = BaseRect();
    if (FRoundRect)
        stroke.SetRoundRectPath(r, std::min(r.Width(), r.Height()) / 3);
    else
        stroke.SetRectPath(r);
}

const TStroke& TLORect::Outline()
{
    if (FOutline.Count() == 0) {
        BuildOutline(FOutline);
        if (FRotator.Angle() != 0) {
            TRotator rotator = FRotator;
            rotator.TransformStroke(FOutline);
        }
    }
    return FOutline;
}

QPainterPath TLORect::OutlinePath()
{
    QPainterPath path = Outline().ToPainterPath();
    path.setFillRule(Qt::WindingFill);
    return path;
}

TLogRect TLORect::GetEncloseRect() const
{
    auto* self = const_cast<TLORect*>(this);
    const QPainterPath outline = self->OutlinePath();
    if (FFrameWidth <= 0)
        return PathBounds(outline);
    if (FRotator.Angle() == 0 && !FRoundRect && !dynamic_cast<const TLOCircle*>(this)) {
        // An upright frame: exactly its outer edge as painting places it.
        const TLogRect& r = BaseRect();
        const int h = FFrameWidth / 2;
        return {r.Left - h, r.Top - h, r.Right + FFrameWidth - h, r.Bottom + FFrameWidth - h};
    }
    QPainterPathStroker stroker;
    stroker.setWidth(FFrameWidth);
    stroker.setCapStyle(Qt::SquareCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    return UnionRect(PathBounds(stroker.createStroke(outline)), PathBounds(outline));
}

void TLORect::SetEncloseSize(int width, int height)
{
    TUpdateBracket bracket(Notifier());
    if (FRotator.Angle() != 0) {
        const TLogRect e = GetEncloseRect();
        if (e.Width() == 0 || e.Height() == 0)
            return;
        const int w = MulDiv(BaseRect().Width(), width, e.Width());
        const int h = MulDiv(BaseRect().Height(), height, e.Height());
        SetPropWidth(w);
        SetPropHeight(h);
    } else {
        SetPropWidth(width - FFrameWidth);
        SetPropHeight(height - FFrameWidth);
    }
}

void TLORect::DrawGhost(QPainter& painter)
{
    painter.drawPath(OutlinePath());
}

void TLORect::PaintFill(QPainter& painter, const TLogRect& enclose)
{
    const TLogRect& r = BaseRect();
    if (!(FFrameWidth < r.Width() && FFrameWidth < r.Height() && FFillInside))
        return;
    painter.save();
    painter.setClipPath(OutlinePath(), Qt::IntersectClip);
    FFillColor->Fill(painter, ToQRect(enclose));
    painter.restore();
}

void TLORect::PaintFrame(QPainter& painter, const TLogRect& enclose)
{
    if (FFrameWidth <= 0)
        return;
    const int fw = MinimumExtent(this, FFrameWidth);
    QPainterPath clip;
    if (FRoundRect) {
        QPainterPathStroker stroker;
        stroker.setWidth(fw);
        stroker.setJoinStyle(Qt::MiterJoin);
        clip = stroker.createStroke(OutlinePath());
        clip.setFillRule(Qt::WindingFill);
    } else {
        const TLogRect& r = BaseRect();
        const int h = fw / 2;
        TStroke outer, inner;
        outer.SetRectPath({r.Left - h, r.Top - h, r.Right + fw - h, r.Bottom + fw - h});
        TLogRect in{r.Left + fw - h, r.Top + fw - h, r.Right - h, r.Bottom - h};
        if (FRotator.Angle() != 0) {
            TRotator rotator = FRotator;
            rotator.TransformStroke(outer);
        }
        clip = outer.ToPainterPath();
        if (!in.IsEmpty()) {
            inner.SetRectPath(in);
            if (FRotator.Angle() != 0) {
                TRotator rotator = FRotator;
                rotator.TransformStroke(inner);
            }
            clip = clip.subtracted(inner.ToPainterPath());
        }
    }
    painter.save();
    painter.setClipPath(clip, Qt::IntersectClip);
    FFrameColor->Fill(painter, ToQRect(UnionRect(enclose, PathBounds(clip))));
    painter.restore();
}

void TLORect::Paint(QPainter& painter)
{
    const TLogRect e = GetEncloseRect();
    PaintFill(painter, e);
    PaintFrame(painter, e);
}

void TLORect::PaintMask(QPainter& maskPainter)
{
    maskPainter.save();
    if (FFrameWidth > 0) {
        QPen pen(Qt::white, FFrameWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
        maskPainter.setPen(pen);
        maskPainter.setBrush(Qt::NoBrush);
        maskPainter.drawPath(OutlinePath());
    }
    const TLogRect& r = BaseRect();
    if (FFrameWidth < r.Width() && FFrameWidth < r.Height() && FFillInside) {
        maskPainter.setPen(Qt::NoPen);
        maskPainter.setBrush(Qt::white);
        maskPainter.drawPath(OutlinePath());
    }
    maskPainter.restore();
}

bool TLORect::HitTest(QPoint logical)
{
    THitBitmap hit(Site(), logical, std::max(0, FFrameWidth));
    if (FFillInside || FFrameWidth == 0)
        hit.Painter().setBrush(Qt::black);
    hit.Painter().drawPath(OutlinePath());
    return hit.Hit();
}

void TLORect::AssignDrawObject(const TDrawObject& source)
{
    TLORectBase::AssignDrawObject(source);
    if (const auto* other = dynamic_cast<const TLORect*>(&source)) {
        SetFrameWidth(other->FFrameWidth);
        FFrameColor->Assign(*other->FFrameColor);
        FFillColor->Assign(*other->FFillColor);
        SetFillInside(other->FFillInside);
        SetAngleValue(other->Angle());
        SetRoundRect(other->FRoundRect);
    }
}

// ---------------------------------------------------------------------------------

void TLOCircle::BuildOutline(TStroke& stroke) const
{
    stroke.SetEllipsePath(BaseRect());
}

void TLOCircle::PaintFrame(QPainter& painter, const TLogRect& enclose)
{
    if (FrameWidth() <= 0)
        return;
    QPainterPathStroker stroker;
    stroker.setWidth(FrameWidth());
    QPainterPath clip = stroker.createStroke(OutlinePath());
    clip.setFillRule(Qt::WindingFill);
    painter.save();
    painter.setClipPath(clip, Qt::IntersectClip);
    FrameColor()->Fill(painter, ToQRect(UnionRect(enclose, PathBounds(clip))));
    painter.restore();
}

const TPropertyTable& TLOCircle::Properties()
{
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties());
    return table;
}

} // namespace velmo
