#include "barcode/ULOJANCode.h"
#include "barcode/UJANCode.h"
#include "base/UCodePage932.h"
#include "base/UNumbers.h"
#include "draw/UCanvas.h"
#include "imaging/UColorSpec.h"
#include "text/UTextCanvas.h"
#include <QPainter>
#include <QRegion>

namespace velmo {

const TPropertyTable& TLOJANCode::Properties()
{
    // None has a declared default: everything is written but an empty code.
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("Angle", &TLOJANCode::Angle, &TLOJANCode::SetAngleValue)
            .String("JANCode", &TLOJANCode::JANCode, &TLOJANCode::SetJANCode)
            .StoredIf(&TLOJANCode::JANCodeStored)
            .Object("Font", &TLOJANCode::Font,
                    static_cast<void (TLOJANCode::*)(TPointBasedFont*)>(&TLOJANCode::SetFont))
            .Bool("ShowNumber", &TLOJANCode::ShowNumber, &TLOJANCode::SetShowNumber)
            .Bool("ShowFrame", &TLOJANCode::ShowFrame, &TLOJANCode::SetShowFrame);
    return table;
}

TLOJANCode::TLOJANCode(TComponent* owner) : TLORectBase(owner), FColorSpec(std::make_unique<TColorSpec>())
{
    FFont.OnChange = [this] { FontChanged(); };
    FColorSpec->Notify().OnChange = [this] { FFont.SetColor(FColorSpec->Color()); };
    SetBaseRect({0, 0, 300, 100});
}

TLOJANCode::~TLOJANCode()
{
    FFont.OnChange = nullptr;
    FColorSpec->Notify().OnChange = nullptr;
}

void* TLOJANCode::QueryInterface(const TGUID& iid)
{
    if (iid == IDOLineColor::IID)
        return static_cast<IDOLineColor*>(this);
    if (iid == IDOFont::IID)
        return static_cast<IDOFont*>(this);
    if (iid == IDORotate::IID)
        return static_cast<IDORotate*>(this);
    return TLORectBase::QueryInterface(iid);
}

void TLOJANCode::GeometryChanged()
{
    Changed();
    Invalidate();
    UpdateBounds();
    Invalidate();
}

void TLOJANCode::SetAngleValue(int value)
{
    if (value == FRotator.Angle())
        return;
    Invalidate();
    FRotator.SetAngle(value);
    GeometryChanged();
}

void TLOJANCode::SetJANCode(const QString& value)
{
    if (value == FJANCode)
        return;
    FJANCode = value;
    Invalidate();
    Changed();
}

QByteArray TLOJANCode::CodeBytes() const
{
    bool ok = true;
    QByteArray bytes = cp932::Encode(FJANCode, &ok);
    if (!ok)
        bytes += char(0xFF); // no symbology has a value for it: nothing is drawn
    return bytes;
}

void TLOJANCode::SetCodeBytes(const QByteArray& bytes)
{
    SetJANCode(cp932::Decode(bytes));
}

void TLOJANCode::SetFont(TPointBasedFont* value)
{
    if (value)
        FFont.Assign(*value);
}

void TLOJANCode::SetFont(const TFont& font)
{
    FFont.Assign(font);
}

void TLOJANCode::FontChanged()
{
    Invalidate();
    GeometryChanged();
}

void TLOJANCode::SetShowNumber(bool value)
{
    if (value == FShowNumber)
        return;
    FShowNumber = value;
    Changed();
    Invalidate();
}

void TLOJANCode::SetShowFrame(bool value)
{
    if (value == FShowFrame)
        return;
    FShowFrame = value;
    Changed();
    Invalidate();
}

QPolygon TLOJANCode::TurnedCorners() const
{
    const TLogRect& r = BaseRect();
    TRotator rotator = FRotator;
    QPolygon polygon(4);
    polygon[0] = rotator.Transformed(QPoint(r.Left, r.Top));
    polygon[1] = rotator.Transformed(QPoint(r.Right, r.Top));
    polygon[2] = rotator.Transformed(QPoint(r.Right, r.Bottom));
    polygon[3] = rotator.Transformed(QPoint(r.Left, r.Bottom));
    return polygon;
}

void TLOJANCode::SetBaseRect(const TLogRect& rect)
{
    TLORectBase::SetBaseRect(rect);
    const TLogRect& r = BaseRect();
    FRotator.SetCenter(QPoint(Div(r.Left + r.Right, 2), Div(r.Top + r.Bottom, 2)));
    UpdateBounds();
}

void TLOJANCode::SetEncloseSize(int width, int height)
{
    if (Angle() != 0) {
        const TLogRect r = GetEncloseRect();
        if (r.Width() != 0)
            SetPropWidth(MulDiv(PropWidth(), width, r.Width()));
        if (r.Height() != 0)
            SetPropHeight(MulDiv(PropHeight(), height, r.Height()));
        return;
    }
    SetPropWidth(width);
    SetPropHeight(height);
}

void TLOJANCode::DrawGhost(QPainter& painter)
{
    const QPolygon corners = TurnedCorners();
    TStroke stroke;
    stroke.Add(corners[0], PT_MOVETO);
    stroke.Add(corners[1], PT_LINETO);
    stroke.Add(corners[2], PT_LINETO);
    stroke.Add(corners[3], PT_LINETO_CLOSE);
    stroke.DrawTo(painter);
}

TLogRect TLOJANCode::GetEncloseRect() const
{
    if (Angle() == 0)
        return BaseRect();
    return FromQRect(QRegion(TurnedCorners(), Qt::WindingFill).boundingRect());
}

bool TLOJANCode::HitTest(QPoint logical)
{
    if (Angle() == 0)
        return PtInRect(BaseRect(), logical);
    return QRegion(TurnedCorners(), Qt::WindingFill).contains(logical);
}

void TLOJANCode::PrepareCanvas(TTextCanvas& canvas) const
{
    TLogFont font;
    font.FaceName = FFont.Name();
    font.Height = FFont.HeightFor(canvas.FontResolution());
    font.Color = FFont.Color();
    font.Bold = FFont.Style() & fsBold;
    font.Italic = FFont.Style() & fsItalic;
    font.Charset = FFont.Charset();
    font.Quality = 4;
    canvas.SetFont(font);
}

void TLOJANCode::Paint(QPainter& painter)
{
    TTextCanvas canvas(&painter, 254);
    PrepareCanvas(canvas);
    DrawJAN(canvas, FJANCode, BaseRect(), FShowFrame, FShowNumber, Angle());
}

const TColorSpec* TLOJANCode::GetLineColor() const
{
    return FColorSpec.get();
}

void TLOJANCode::SetLineColor(const TColorSpec& color)
{
    FFont.SetColor(color.Color());
}

void TLOJANCode::AssignDrawObject(const TDrawObject& source)
{
    TLORectBase::AssignDrawObject(source);
    const auto* other = dynamic_cast<const TLOJANCode*>(&source);
    if (!other)
        return;
    SetAngleValue(other->Angle());
    SetJANCode(other->FJANCode);
    FFont.Assign(other->FFont);
    SetShowNumber(other->FShowNumber);
    SetShowFrame(other->FShowFrame);
}

} // namespace velmo
