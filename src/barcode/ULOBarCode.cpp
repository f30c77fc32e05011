#include "barcode/ULOBarCode.h"
#include "barcode/UBarCode.h"
#include "barcode/UJANCode.h"
#include "barcode/ULOZintBarCode.h"
#include "objects/ULDObjects.h"
#include "text/UTextCanvas.h"
#include <QPainter>

namespace velmo {

const TPropertyTable& TLOBarCode::Properties()
{
    static const TPropertyTable table =
        TPropertyTable::Extending(inherited::Properties())
            .Int("BarKind", &TLOBarCode::BarKind, &TLOBarCode::SetBarKind)
            .Bool("AddCheckDigit", &TLOBarCode::AddCheckDigit, &TLOBarCode::SetAddCheckDigit)
            .Int("ElementRatio", &TLOBarCode::ElementRatio, &TLOBarCode::SetElementRatio);
    return table;
}

TLOBarCode::TLOBarCode(TComponent* owner) : TLOJANCode(owner) {}

void TLOBarCode::SetBarKind(int value)
{
    if (value == FBarKind)
        return;
    FBarKind = value;
    Changed();
    Invalidate();
}

void TLOBarCode::SetAddCheckDigit(bool value)
{
    if (value == FAddCheckDigit)
        return;
    FAddCheckDigit = value;
    Changed();
    Invalidate();
}

void TLOBarCode::SetElementRatio(int value)
{
    if (value == FElementRatio)
        return;
    FElementRatio = value;
    Changed();
    Invalidate();
}

bool TLOBarCode::HasValidCode() const
{
    switch (FBarKind) {
    case bkJAN:
        return IsValidJAN(JANCode());
    case bkCode39:
        return IsValidCode39(JANCode());
    case bkCode128:
        return IsValidCode128(CodeBytes());
    default:
        return false;
    }
}

void TLOBarCode::Paint(QPainter& painter)
{
    TTextCanvas canvas(&painter, 254);
    PrepareCanvas(canvas);
    switch (FBarKind) {
    case bkJAN:
        DrawJAN(canvas, JANCode(), BaseRect(), ShowFrame(), ShowNumber(), Angle());
        break;
    case bkCode39:
        DrawCode39(canvas, JANCode(), BaseRect(), FElementRatio, FAddCheckDigit, ShowFrame(), ShowNumber(),
                   Angle());
        break;
    case bkCode128:
        DrawCode128(canvas, CodeBytes(), BaseRect(), ShowFrame(), ShowNumber(), Angle());
        break;
    default:
        break;
    }
}

void TLOBarCode::AssignDrawObject(const TDrawObject& source)
{
    TLOJANCode::AssignDrawObject(source);
    if (const auto* other = dynamic_cast<const TLOBarCode*>(&source)) {
        FBarKind = other->FBarKind;
        FAddCheckDigit = other->FAddCheckDigit;
        FElementRatio = other->FElementRatio;
    }
}

void RegisterBarCodeClasses()
{
    if (FindLabelClassByName(u"TLOBarCode"))
        return;
    if (!FindLabelClassByName(u"TLOJANCode"))
        RegisterLabelClass<TLOJANCode>();
    RegisterLabelClass<TLOBarCode>();
    UnRegisterLabelClass<TLOJANCode>();
    if (!FindLabelClass(u"TLOJANCode"))
        RegisterLabelAlias<TLOBarCode>(QStringLiteral("TLOJANCode"));
    RegisterLabelClass<TLOZintBarCode>();
}

} // namespace velmo
