#pragma once
// The barcode label object: a base rectangle turned about its centre, the code text,
// the font of the human-readable digits and the frame option. Documents hold
// TLOBarCode objects (a kind selector over this); a stream object of the class
// "TLOJANCode" reads as one.
#include "draw/UTransformer.h"
#include "objects/ULORectBase.h"
#include "text/UPointBasedFont.h"
#include <QByteArray>
#include <QPolygon>
#include <memory>

namespace velmo {

class TColorSpec;
class TTextCanvas;

class TLOJANCode : public TLORectBase, public IDOLineColor, public IDOFont, public IDORotate
{
    VELMO_DRAW_OBJECT(TLOJANCode, TLORectBase)
public:
    explicit TLOJANCode(TComponent* owner = nullptr);
    ~TLOJANCode() override;

    void* QueryInterface(const TGUID& iid) override;

    int Angle() const { return FRotator.Angle(); }
    virtual void SetAngleValue(int value);
    // The code text as documents hold it (code page 932 characters).
    const QString& JANCode() const { return FJANCode; }
    void SetJANCode(const QString& value);
    bool JANCodeStored() const { return !FJANCode.isEmpty(); }
    // The code as bytes (Code 128 data): the code page 932 form of the text. A text
    // with a character code page 932 lacks gives bytes no symbology accepts.
    QByteArray CodeBytes() const;
    void SetCodeBytes(const QByteArray& bytes);
    TPointBasedFont* Font() const { return const_cast<TPointBasedFont*>(&FFont); }
    void SetFont(TPointBasedFont* value);
    bool ShowNumber() const { return FShowNumber; }
    void SetShowNumber(bool value);
    bool ShowFrame() const { return FShowFrame; }
    void SetShowFrame(bool value);

    // The base rectangle's corners turned about its centre.
    QPolygon TurnedCorners() const;

    void SetBaseRect(const TLogRect& rect) override;
    void SetEncloseSize(int width, int height) override;
    void DrawGhost(QPainter& painter) override;
    TLogRect GetEncloseRect() const override;
    bool HitTest(QPoint logical) override;
    void Paint(QPainter& painter) override;

    // IDOLineColor: its own colour setting; setting takes only the colour, into the font.
    const TColorSpec* GetLineColor() const override;
    void SetLineColor(const TColorSpec& color) override;
    // IDOFont
    const TFont* GetFont() const override { return &FFont; }
    void SetFont(const TFont& font) override;
    // IDORotate
    int GetAngle() const override { return Angle(); }
    void SetAngle(int degrees) override { SetAngleValue(degrees); }

protected:
    void AssignDrawObject(const TDrawObject& source) override;
    // The canvas font made from Font for a canvas of the font resolution.
    void PrepareCanvas(TTextCanvas& canvas) const;
    void GeometryChanged();

private:
    void FontChanged();

    TRotator FRotator;
    QString FJANCode;
    TPointBasedFont FFont;
    bool FShowNumber = true;
    bool FShowFrame = false;
    std::unique_ptr<TColorSpec> FColorSpec;
};

} // namespace velmo
