#pragma once
// The barcode of every document: the JAN object with a kind selector (0 JAN, 1 Code
// 39, 2 Code 128; any other kind draws nothing), the Code 39 check character and
// element ratio. The code text of every kind is the inherited JANCode.
#include "barcode/ULOJANCode.h"

namespace velmo {

enum TBarKind
{
    bkJAN = 0,
    bkCode39 = 1,
    bkCode128 = 2,
};

class TLOBarCode : public TLOJANCode
{
    VELMO_DRAW_OBJECT(TLOBarCode, TLOJANCode)
public:
    explicit TLOBarCode(TComponent* owner = nullptr);

    int BarKind() const { return FBarKind; }
    void SetBarKind(int value);
    bool AddCheckDigit() const { return FAddCheckDigit; }
    void SetAddCheckDigit(bool value);
    int ElementRatio() const { return FElementRatio; }
    void SetElementRatio(int value);

    // Whether the code text makes a symbol of the kind (what draws at all).
    virtual bool HasValidCode() const;

    void Paint(QPainter& painter) override;

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    int FBarKind = bkJAN;
    bool FAddCheckDigit = false;
    int FElementRatio = 250;
};

// Registers the barcode classes for streams: "TLOBarCode", with "TLOJANCode" as its
// alias (older documents), "TLOZintBarCode", and the ancestors not registered yet. Does nothing when
// they are registered already.
void RegisterBarCodeClasses();

} // namespace velmo
