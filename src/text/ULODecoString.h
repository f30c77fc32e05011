#pragma once
// The decorative string: a short Latin text drawn with the glyph pictures of a
// picture font, aligned in its rectangle and turned about the rectangle's centre.
#include "draw/UTransformer.h"
#include "imaging/USafetyBitmap.h"
#include "objects/ULORectBase.h"
#include "text/UImageFont.h"
#include <QPolygon>
#include <memory>

namespace velmo {

class TLODecoString : public TLORectBase, public IDORotate, public IDOAlign
{
    VELMO_DRAW_OBJECT(TLODecoString, TLORectBase)
public:
    explicit TLODecoString(TComponent* owner = nullptr);
    ~TLODecoString() override;

    void* QueryInterface(const TGUID& iid) override;

    const QString& Text() const { return FText; }
    void SetText(const QString& value);
    int FontNo() const { return FFont->FontNo(); }
    void SetFontNo(int value) { FFont->SetFontNo(value); }
    int Align() const { return FAlign; }
    void SetAlignValue(int value);
    int Angle() const { return FRotator.Angle(); }
    void SetAngleValue(int value);
    TImageFont& Font() const { return *FFont; }

    // The base rectangle (0, 0, w, h) of the text's glyphs at height 100.
    void FitToText();
    // The glyph positions of Algorithm 1 in a rectangle of that width: x of each
    // character from the rectangle's left edge.
    std::vector<int> GlyphPositions(int width) const;
    // Draws the text into the rectangle (font height = the rectangle's height).
    void DrawString(QPainter& painter, const TLogRect& r) const;
    // The turned picture of a turned string (empty until painted; emptied by changes).
    bool HasCachedPicture() const { return FCache && !FCache->Empty(); }
    int RenderCount() const { return FRenderCount; }
    QPolygon OutlinePolygon() const;

    // IDORotate
    int GetAngle() const override { return Angle(); }
    void SetAngle(int degrees) override { SetAngleValue(degrees); }
    // IDOAlign
    int GetAlign() const override { return Align(); }
    void SetAlign(int value) override { SetAlignValue(value); }

    void SetBaseRect(const TLogRect& rect) override;
    void SetEncloseSize(int width, int height) override;
    TLogRect GetEncloseRect() const override;
    bool HitTest(QPoint logical) override;
    void DrawGhost(QPainter& painter) override;
    void Paint(QPainter& painter) override;
    void Loaded() override;

protected:
    void AssignDrawObject(const TDrawObject& source) override;

private:
    void Discard();
    void FontChanged();
    QString FText;
    int FAlign = 0;
    TRotator FRotator;
    std::unique_ptr<TImageFont> FFont;
    std::unique_ptr<TSafetyBitmap> FCache;
    int FRenderCount = 0;
};

// Registers the decorative string's class for streams and the creator.
void RegisterDecoStringClasses();

} // namespace velmo
