#pragma once
// The barcode object for the symbologies libzint encodes (QR Code, Data Matrix,
// the Japan Post customer barcode, NW-7, ITF, UPC, GS1-128 …): a barcode object in
// every other respect (angle, data text, font of the human-readable text, frame),
// stored under its own class name "TLOZintBarCode" with the symbology's number and
// options. The inherited kind, check character and element ratio are not stored.
//
// The dark modules are one filled path: touching modules are joined, so no renderer
// leaves a seam between them, and a PDF holds one path per symbol.
#include "barcode/ULOBarCode.h"
#include "barcode/UZintSymbol.h"
#include "base/UGraphics.h"

namespace velmo {

class TLOZintBarCode : public TLOBarCode
{
    VELMO_DRAW_OBJECT(TLOZintBarCode, TLOBarCode)
public:
    explicit TLOZintBarCode(TComponent* owner = nullptr);
    ~TLOZintBarCode() override;

    // libzint's symbology number (see Symbologies()); an unknown number is kept and
    // shows an empty frame.
    int Symbology() const { return FSymbology; }
    void SetSymbology(int value);
    int ErrorLevel() const { return FErrorLevel; }
    void SetErrorLevel(int value);
    int SymbolSize() const { return FSymbolSize; }
    void SetSymbolSize(int value);
    // The module width in 0.01 mm; 0 fits the symbol to the rectangle.
    int ModuleSize() const { return FModuleSize; }
    void SetModuleSize(int value);
    // The quiet zones the symbology defines are kept inside the rectangle, in the
    // background colour, clear of whatever lies below.
    bool QuietZone() const { return FQuietZone; }
    void SetQuietZone(bool value);
    TColor BarColor() const { return FBarColor; }
    void SetBarColor(TColor value);
    // clNone: no background (what lies below shows between the modules).
    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor value);

    TZintOptions Options() const;
    // The symbol of the current data and options (cached until one of them changes).
    const TEncodedSymbol& Encoded() const;
    bool HasValidCode() const override;
    // Why the data makes no symbol ("" when it makes one).
    QString EncodeError() const;

    void Paint(QPainter& painter) override;
    // The style tool's colour: the modules and the text alike.
    void SetLineColor(const TColorSpec& color) override;

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    void OptionChanged();

    int FSymbology = 58; // QR Code
    int FErrorLevel = 0;
    int FSymbolSize = 0;
    int FModuleSize = 0;
    bool FQuietZone = true;
    TColor FBarColor = clBlack;
    TColor FBackColor = clWhite;
    mutable std::unique_ptr<TEncodedSymbol> FEncoded;
    mutable QString FEncodedData;
};

// The two barcode families: TLOBarCode (JAN, Code 39, Code 128) and TLOZintBarCode;
// the merge library adds its pair.
void RegisterBarCodeFamily(const QString& classicClass, const QString& zintClass);
// A new object of the other family's class with what both share; nullptr when the
// class has no registered partner.
TLOBarCode* MakeOtherFamily(const TLOBarCode& object);

// What a symbol drawing needs besides the painter.
struct TZintDrawing
{
    TLogRect Rect;
    int Angle = 0;
    bool ShowFrame = false;
    bool ShowText = true;
    int ModuleSize = 0; // 0.01 mm; 0 fits
    QColor Bars = Qt::black;
    QColor Background = Qt::white; // transparent: none
    TSymbolShape Shape = TSymbolShape::ssFixed;
};

// Draws an encoded symbol into the rectangle (logical units, 0.1 mm), turned about
// its centre. The canvas carries the painter and the text's font; an invalid symbol
// leaves the background and frame, and on the screen a thin outline.
void DrawZintSymbol(TTextCanvas& canvas, const TEncodedSymbol& symbol, const TZintDrawing& drawing);

} // namespace velmo
