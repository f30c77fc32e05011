#include "objects/ULORectBase.h"
#include "base/UClassesFiler.h"
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

namespace {

// Corners stay within ten kilometres of the sheet's origin (0.1 mm units). A stored
// value beyond that is a damaged stream, and one near the ends of the int range would
// overflow every width, centre and move computed from it.
constexpr int64_t kMaxCoordinate = 100'000'000;

TLogRect CheckedRect(int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    for (int64_t v : {left, top, right, bottom})
        if (v < -kMaxCoordinate || v > kMaxCoordinate)
            throw EReadError(InvalidPropertyValueMessage());
    return {int(left), int(top), int(right), int(bottom)};
}

} // namespace

void TLORectBase::SetPropLeft(int value)
{
    SetBaseRect(CheckedRect(value, FRect.Top, int64_t(value) + FRect.Width(), FRect.Bottom));
}

void TLORectBase::SetPropTop(int value)
{
    SetBaseRect(CheckedRect(FRect.Left, value, FRect.Right, int64_t(value) + FRect.Height()));
}

void TLORectBase::SetPropWidth(int value)
{
    SetBaseRect(CheckedRect(FRect.Left, FRect.Top, int64_t(FRect.Left) + value, FRect.Bottom));
}

void TLORectBase::SetPropHeight(int value)
{
    SetBaseRect(CheckedRect(FRect.Left, FRect.Top, FRect.Right, int64_t(FRect.Top) + value));
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
