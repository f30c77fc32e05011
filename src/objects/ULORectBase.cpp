#include "objects/ULORectBase.h"
#include "draw/UCanvas.h"

namespace velmo {

TLORectBase::TLORectBase(TComponent* owner) : TLabelObject(owner) {}

const TPropertyTable& TLORectBase::Properties()
{
    // The control's Left, Top, Width and Height keep their places and are stored
    // here, in logical units.
    static const TPropertyTable table = TPropertyTable::Extending(inherited::Properties())
                                            .Redeclare("Left")
                                            .StoredIf(true)
                                            .Redeclare("Top")
                                            .StoredIf(true)
                                            .Redeclare("Width")
                                            .StoredIf(true)
                                            .Redeclare("Height")
                                            .StoredIf(true);
    return table;
}

void* TLORectBase::QueryInterface(const TGUID& iid)
{
    if (iid == IDOBaseRect::IID)
        return static_cast<IDOBaseRect*>(this);
    if (iid == IDOEncloseBounds::IID)
        return static_cast<IDOEncloseBounds*>(this);
    if (iid == IDOBounds::IID)
        return static_cast<IDOBounds*>(this);
    if (iid == IDODraw::IID)
        return static_cast<IDODraw*>(this);
    return TLabelObject::QueryInterface(iid);
}

void TLORectBase::SetBaseRect(const TLogRect& rect)
{
    const TLogRect r = NormalizedRect(rect);
    if (r == FRect)
        return;
    Invalidate();
    FRect = r;
    UpdateBounds();
    Changed();
}

void TLORectBase::SetEncloseSize(int, int)
{
    throw EAbstractError(QStringLiteral("Abstract Error"));
}

void TLORectBase::DrawGhost(QPainter&)
{
    throw EAbstractError(QStringLiteral("Abstract Error"));
}

void TLORectBase::SetPropLeft(int value)
{
    SetBaseRect({value, FRect.Top, value + FRect.Width(), FRect.Bottom});
}

void TLORectBase::SetPropTop(int value)
{
    SetBaseRect({FRect.Left, value, FRect.Right, value + FRect.Height()});
}

void TLORectBase::SetPropWidth(int value)
{
    SetBaseRect({FRect.Left, FRect.Top, FRect.Left + value, FRect.Bottom});
}

void TLORectBase::SetPropHeight(int value)
{
    SetBaseRect({FRect.Left, FRect.Top, FRect.Right, FRect.Top + value});
}

bool TLORectBase::HitTest(QPoint logical)
{
    return PtInRect(FRect, logical);
}

void TLORectBase::Paint(QPainter&) {}

void TLORectBase::MoveBy(int dx, int dy)
{
    // Two steps, as the published properties move.
    SetPropLeft(FRect.Left + dx);
    SetPropTop(FRect.Top + dy);
}

void TLORectBase::AssignDrawObject(const TDrawObject& source)
{
    TLabelObject::AssignDrawObject(source);
    if (const auto* other = dynamic_cast<const TLORectBase*>(&source))
        SetBaseRect(other->FRect);
}

} // namespace velmo
